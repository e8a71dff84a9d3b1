#pragma once

#include "journal/audittrail.h"
#include "journal/journallocation.h"
#include "model/journalrecords.h"

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

class JournalStore;
class JournalWorker;
struct WriteQueue;

// Writes the journal on a thread of its own, so the window never waits for the database.
// Every call only queues and returns; the thread writes in order, each reading in a
// transaction of its own. What cannot be written (disk full, database locked, server gone)
// stays queued and is written once the journal can be reached again; a run's end asks for
// that at once.
class JournalWriter : public QObject
{
    Q_OBJECT
public:
    explicit JournalWriter(const JournalLocation &location, QObject *parent = nullptr);
    // Writes what it can within a few seconds, then stops the thread.
    ~JournalWriter() override;

    const JournalLocation &location() const { return m_location; }

    // Opens the journal (creating or upgrading it) and marks abandoned runs; the outcome
    // arrives as opened(). A journal that is damaged or newer than the program stays
    // untouched, and the writer then drops what it is given.
    void open();

    // Queues the run's start and returns its uuid (made when the record has none).
    QString beginRun(Journal::RunStart run);
    void addReading(const QString &uuid, const Journal::Reading &reading);
    void finishRun(
        const QString &uuid, Journal::EndReason reason, const QDateTime &ended = QDateTime());
    void setDocumentFile(const QString &uuid, const QString &file);
    // Returns the key that evaluationWritten() names it by.
    QString addEvaluation(const QString &uuid, const Journal::Evaluation &evaluation);
    // A change the journal holds no row for (a method changed), for the audit trail.
    void recordChange(const Audit::Entry &change);

    // Called on the journal's thread each time an evaluation has been stored, with the store,
    // the run's id and the evaluation's version (for an export beside the journal). Set it
    // before open().
    using EvaluationStored = std::function<void(JournalStore &store, qint64 runId, int version)>;
    void setEvaluationStored(EvaluationStored stored);
    // A titer determined by the run `uuid`, into its titrant's history.
    void addTiter(const QString &uuid, const Journal::Titer &titer);

    // Operations not yet written.
    int pending() const;
    // Blocks until every queued operation is written or `msecs` have passed.
    bool waitUntilWritten(int msecs);

Q_SIGNALS:
    // `ok` false: the journal is not used (the message says why); `interrupted`: runs of dead
    // processes marked as such.
    void opened(bool ok, const QString &message, int interrupted);
    // A write failed; said once until the journal can be written again.
    void unavailable(const QString &reason);
    // Everything kept back has been written.
    void available();
    // The evaluation added under `key` was written as its run's `version`; `chainHash` is the
    // audit trail's newest hash after it (hex).
    void evaluationWritten(const QString &key, int version, const QByteArray &chainHash);

private:
    JournalLocation m_location;
    std::shared_ptr<WriteQueue> m_queue;
    QThread m_thread;
    JournalWorker *m_worker = nullptr;
};
