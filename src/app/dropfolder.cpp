#include "dropfolder.h"

#include "app/journaljson.h"
#include "common/atomicfile.h"
#include "journal/journaltexts.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <utility>

namespace DropFolder {

namespace {

QJsonValue timeValue(const QDateTime &time)
{
    return time.isValid() ? QJsonValue(JournalJson::timeText(time)) : QJsonValue(QJsonValue::Null);
}

QString safeSample(const QString &sample)
{
    QString safe;
    for (const QChar c : sample) {
        const bool plain
            = (c.unicode() < 128 && c.isLetterOrNumber()) || c == u'-' || c == u'_' || c == u'.';
        safe += plain ? c : u'_';
    }
    // A leading dot would hide the file from a watcher that skips hidden ones.
    while (safe.startsWith(u'.'))
        safe[0] = u'_';
    return safe;
}

} // namespace

QString settingsKey()
{
    return QStringLiteral("Journal/DropFolder");
}

QString fileName(const JournalStore::RunSummary &run, int version)
{
    const QString sample = safeSample(run.sample);
    return (sample.isEmpty() ? QString() : sample + u'-')
        + QStringLiteral("run%1-v%2.json").arg(run.id).arg(version);
}

QByteArray content(const JournalStore::RunRecord &run, const Journal::Evaluation &evaluation,
    const QByteArray &chainHash)
{
    const JournalStore::RunSummary &s = run.summary;
    const QJsonObject summary {
        {QStringLiteral("id"), s.id},
        {QStringLiteral("uuid"), s.uuid},
        {QStringLiteral("kind"), Journal::runKindText(s.kind)},
        {QStringLiteral("sample"), s.sample},
        {QStringLiteral("unit"), run.start.unit},
        {QStringLiteral("started"), timeValue(s.started)},
        {QStringLiteral("ended"), timeValue(s.ended)},
        {QStringLiteral("end_reason"), Journal::endReasonText(s.endReason)},
    };
    return QJsonDocument(
        QJsonObject {{QStringLiteral("run"), summary},
            {QStringLiteral("evaluation"), JournalJson::evaluation(evaluation)},
            {QStringLiteral("chain_hash"), JournalJson::chainHashValue(chainHash)}})
        .toJson(QJsonDocument::Indented);
}

bool write(const QString &folder, const JournalStore::RunRecord &run, int version,
    const QByteArray &chainHash, QString *reason)
{
    const auto evaluation = std::find_if(run.evaluations.begin(), run.evaluations.end(),
        [version](const Journal::Evaluation &e) { return e.version == version; });
    if (evaluation == run.evaluations.end()) {
        if (reason)
            *reason = QStringLiteral("the run has no evaluation %1").arg(version);
        return false;
    }
    if (!QDir().mkpath(folder)) {
        if (reason)
            *reason = QStringLiteral("the folder cannot be made");
        return false;
    }
    return AtomicFile::write(QDir(folder).filePath(fileName(run.summary, version)),
        content(run, *evaluation, chainHash), reason);
}

} // namespace DropFolder

void DropFolderExport::setFolder(const QString &folder)
{
    QMutexLocker lock(&m_mutex);
    if (folder != m_folder)
        m_failing = false; // another folder: its trouble is news
    m_folder = folder;
}

QString DropFolderExport::folder() const
{
    QMutexLocker lock(&m_mutex);
    return m_folder;
}

void DropFolderExport::evaluationStored(JournalStore &store, qint64 runId, int version)
{
    const QString target = folder();
    if (target.isEmpty())
        return;
    QString reason;
    const std::optional<JournalStore::RunRecord> run = store.run(runId);
    const std::optional<Audit::Link> link = store.newestLink();
    const bool written = run
        && DropFolder::write(target, *run, version, link ? link->hash : QByteArray(), &reason);
    if (!run)
        reason = store.lastError();
    QMutexLocker lock(&m_mutex);
    if (target != m_folder)
        return; // another folder was chosen meanwhile: its trouble is its own
    if (written) {
        m_failing = false;
        return;
    }
    if (std::exchange(m_failing, true))
        return;
    lock.unlock();
    Q_EMIT failed(target, reason);
}
