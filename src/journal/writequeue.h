#pragma once

#include "journal/audittrail.h"
#include "model/journalrecords.h"

#include <QMutex>
#include <QWaitCondition>

#include <deque>

// One write the journal's thread has still to do.
struct WriteOperation
{
    enum class Type {
        BeginRun,
        AddReading,
        FinishRun,
        SetDocumentFile,
        AddEvaluation,
        RecordChange,
        AddTiter,
    };

    Type type = Type::AddReading;
    QString uuid; // the run's
    Journal::RunStart start;
    Journal::Reading reading;
    Journal::EndReason reason = Journal::EndReason::Running;
    QDateTime at;
    QString text; // document file, or the evaluation's own uuid
    Journal::Evaluation evaluation;
    Audit::Entry change; // a change the journal holds no row for
    Journal::Titer titer; // its run is the one of `uuid`
};

// The queue between the window's thread and the journal's, in order of the calls.
struct WriteQueue
{
    mutable QMutex mutex;
    QWaitCondition drained;
    std::deque<WriteOperation> operations;
    bool disabled = false; // the journal is not used: operations are dropped
};
