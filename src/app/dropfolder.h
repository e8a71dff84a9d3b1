#pragma once

#include "journal/journalstore.h"

#include <QByteArray>
#include <QMutex>
#include <QObject>
#include <QString>

// A folder a LIMS watches: one JSON file per stored evaluation, each written whole in one step
// (a watcher never sees half a file). The folder is the settings key Journal/DropFolder; empty:
// no files.
namespace DropFolder {

// "Journal/DropFolder"
QString settingsKey();

// "<sample>-run<id>-v<version>.json", the sample cut to letters, digits, "-", "_" and "."
// (others become "_", no leading "."); "run<id>-v<version>.json" for a run without a sample.
QString fileName(const JournalStore::RunSummary &run, int version);

// {"run": {"id", "uuid", "kind", "sample", "unit", "started", "ended", "end_reason"},
//  "evaluation": {as one of --journal-show's "evaluations"}, "chain_hash"}, the audit trail's
// newest hash after the evaluation was stored.
QByteArray content(const JournalStore::RunRecord &run, const Journal::Evaluation &evaluation,
    const QByteArray &chainHash);

// Writes the run's evaluation `version` into `folder`, made if missing. False, with the
// reason, when the file could not be written or the run has no such version.
bool write(const QString &folder, const JournalStore::RunRecord &run, int version,
    const QByteArray &chainHash, QString *reason = nullptr);

} // namespace DropFolder

// The window's exports into the drop folder, called on the journal's thread once an evaluation
// is stored (JournalWriter::setEvaluationStored). A folder that cannot be written is said once,
// until a file is written again or another folder is chosen; the journal keeps the evaluation
// either way.
class DropFolderExport : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // From the window's thread; empty: no exports.
    void setFolder(const QString &folder);
    QString folder() const;

    // From the journal's thread.
    void evaluationStored(JournalStore &store, qint64 runId, int version);

Q_SIGNALS:
    // A file could not be written into `folder` (`reason` in English); emitted on the
    // journal's thread.
    void failed(const QString &folder, const QString &reason);

private:
    mutable QMutex m_mutex;
    QString m_folder;
    bool m_failing = false;
};
