#include "journalstore.h"

#include "journal/journaltexts.h"
#include "journal/recordcodec.h"
#include "journal/recorddigest.h"
#include "journal/runlocks.h"
#include "journal/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <atomic>

namespace {

QString newConnectionName()
{
    static std::atomic<int> counter {0};
    return QStringLiteral("kalumet-journal-%1").arg(++counter);
}

QVariant optionalNumber(double value)
{
    return value > 0 ? QVariant(value) : QVariant(QMetaType(QMetaType::Double));
}

// An SQLite file starts with this; anything else that is not empty is not ours to touch.
// Text columns are NOT NULL: a null QString binds as NULL, an empty one as ''.
QVariant text(const QString &value)
{
    return QVariant(value.isNull() ? QStringLiteral("") : value);
}

bool looksLikeSQLite(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(16);
    return head.isEmpty() || head == QByteArray("SQLite format 3\0", 16);
}

} // namespace

JournalStore::JournalStore(const JournalLocation &location, const QString &connectionName)
    : m_location(location)
    , m_dialect(location.engine)
    , m_connectionName(connectionName.isEmpty() ? newConnectionName() : connectionName)
    , m_origin(Journal::currentOrigin(QCoreApplication::applicationVersion()))
{ }

JournalStore::~JournalStore()
{
    m_readingInsert.reset();
    m_locks.reset();
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool JournalStore::fail(const QString &message)
{
    m_lastError = message;
    return false;
}

bool JournalStore::connect()
{
    if (!QSqlDatabase::isDriverAvailable(m_dialect.driverName()))
        return fail(
            QStringLiteral("the Qt SQL driver %1 is not installed").arg(m_dialect.driverName()));
    if (!m_db.isValid())
        m_db = QSqlDatabase::addDatabase(m_dialect.driverName(), m_connectionName);
    if (m_dialect.isSQLite()) {
        m_db.setDatabaseName(m_location.path);
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    } else {
        m_db.setDatabaseName(m_location.database);
        m_db.setHostName(m_location.host);
        m_db.setPort(m_location.port);
        m_db.setUserName(m_location.user);
        m_db.setConnectOptions(m_location.options);
    }
    if (!m_db.open())
        return fail(m_db.lastError().text());
    return true;
}

JournalStore::OpenResult JournalStore::open(bool create)
{
    OpenResult result;
    m_open = false;
    m_readingInsert.reset();
    const QString name = m_location.displayName();
    if (m_dialect.isSQLite()) {
        const QFileInfo info(m_location.path);
        if (!info.exists()) {
            if (!create) {
                result.message = QStringLiteral("There is no journal at \"%1\".").arg(name);
                return result;
            }
            if (!QDir().mkpath(info.absolutePath())) {
                result.message
                    = QStringLiteral("The folder of the journal \"%1\" cannot be made.").arg(name);
                return result;
            }
        } else if (!info.isFile() || !looksLikeSQLite(m_location.path)) {
            result.status = OpenStatus::Damaged;
            result.message
                = QStringLiteral("The journal \"%1\" is no SQLite database or cannot be read; "
                                 "it is left as it is.")
                      .arg(name);
            return result;
        }
    }
    if (!connect()) {
        result.message
            = QStringLiteral("The journal \"%1\" cannot be opened: %2").arg(name, m_lastError);
        return result;
    }
    // Twice: another process may be making the same new journal at the same moment.
    for (int attempt = 0; attempt < 2; ++attempt) {
        QString error;
        const int found = Schema::version(m_db, m_dialect, &error);
        result.foundVersion = found;
        if (found == -2) {
            result.status = m_dialect.isSQLite() ? OpenStatus::Damaged : OpenStatus::Unreachable;
            result.message = QStringLiteral("The journal \"%1\" cannot be read: %2; it is left "
                                            "as it is.")
                                 .arg(name, error);
            return result;
        }
        if (found == -1) {
            result.status = OpenStatus::Damaged;
            result.message = QStringLiteral("\"%1\" holds a database that is no Kalumet journal; "
                                            "it is left as it is.")
                                 .arg(name);
            return result;
        }
        if (found > Schema::CurrentVersion) {
            result.status = OpenStatus::TooNew;
            result.message = QStringLiteral("The journal \"%1\" has schema version %2, newer "
                                            "than this program knows (%3); it is not written to.")
                                 .arg(name)
                                 .arg(found)
                                 .arg(Schema::CurrentVersion);
            return result;
        }
        if (found == 0 && !create) {
            result.message = QStringLiteral("There is no journal at \"%1\".").arg(name);
            return result;
        }
        // WAL and the other settings only now: they write to the file.
        for (const QString &sql : m_dialect.sessionStatements()) {
            QSqlQuery query(m_db);
            query.exec(sql);
        }
        if (found == Schema::CurrentVersion)
            break;
        if (found > 0 && m_dialect.isSQLite()) {
            result.backupFile = m_location.path + QStringLiteral(".v%1.bak").arg(found);
            QFile::remove(result.backupFile);
            QSqlQuery backup(m_db);
            // A consistent copy, with whatever still sits in the write-ahead log.
            if (!backup.exec(QStringLiteral("VACUUM INTO '%1'")
                                 .arg(QString(result.backupFile).replace(u'\'', "''")))) {
                result.status = OpenStatus::UpgradeFailed;
                result.message = QStringLiteral("The journal \"%1\" was not upgraded: its copy "
                                                "could not be made: %2")
                                     .arg(name, backup.lastError().text());
                return result;
            }
        }
        const auto migrated = [this, found](QString *why) {
            return appendMigration(found, why);
        };
        if (Schema::upgrade(m_db, m_dialect, found, Schema::CurrentVersion, migrated, &error))
            break;
        if (attempt == 1) {
            result.status = OpenStatus::UpgradeFailed;
            result.message = QStringLiteral("The journal \"%1\" could not be brought to schema "
                                            "version %2: %3; nothing was changed.")
                                 .arg(name)
                                 .arg(Schema::CurrentVersion)
                                 .arg(error);
            return result;
        }
    }
    m_locks = std::make_unique<RunLocks>(m_location, m_db);
    m_open = true;
    result.status = OpenStatus::Ok;
    return result;
}

bool JournalStore::reconnect()
{
    if (m_dialect.isSQLite() && m_db.isOpen())
        return true;
    m_readingInsert.reset();
    m_db.close();
    if (!connect())
        return false;
    for (const QString &sql : m_dialect.sessionStatements()) {
        QSqlQuery query(m_db);
        query.exec(sql);
    }
    if (m_locks)
        m_locks->holdAgain();
    return true;
}

std::optional<qint64> JournalStore::beginRun(const Journal::RunStart &run)
{
    const QString uuid
        = run.uuid.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : run.uuid;
    const QDateTime started = run.started.isValid() ? run.started : QDateTime::currentDateTime();
    const bool written = audited([&](std::vector<Audit::Entry> &entries) {
        QSqlQuery insert(m_db);
        insert.prepare(QStringLiteral(
            "INSERT INTO runs (uuid, kind, sample_id, sample_size, sample_unit, unit, method, "
            "started_at, started_offset, end_reason, operator, host, program_version, "
            "document_file) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
            "ON CONFLICT (uuid) DO NOTHING"));
        for (const QVariant &value : {QVariant(uuid), QVariant(Journal::runKindText(run.kind)),
                 text(run.sampleId), optionalNumber(run.sampleSize), text(run.sampleUnit),
                 text(run.unit), QVariant(RecordCodec::methodText(run.method)),
                 QVariant(RecordCodec::timeText(started)), QVariant(started.offsetFromUtc()),
                 QVariant(Journal::endReasonText(Journal::EndReason::Running)),
                 text(run.origin.operatorName), text(run.origin.host),
                 text(run.origin.programVersion), text(run.documentFile)})
            insert.addBindValue(value);
        if (!insert.exec())
            return fail(insert.lastError().text());
        if (insert.numRowsAffected() == 0)
            return true; // written before: its entry too
        Audit::Entry started = entry(Audit::Action::RunStarted, Audit::recordOfRun(uuid));
        started.origin = run.origin;
        started.newValues = {{QStringLiteral("kind"), Journal::runKindText(run.kind)},
            {QStringLiteral("sample"), run.sampleId}, {QStringLiteral("unit"), run.unit}};
        if (run.sampleSize > 0)
            started.newValues.insert(QStringLiteral("sample_size"), run.sampleSize);
        if (!appendCovering(started, QStringLiteral("runs"), RecordDigest::RunStart,
                QStringLiteral("uuid"), uuid, entries, &m_lastError))
            return false;
        if (run.documentFile.isEmpty())
            return true;
        // A run taken from a saved document has its file from the start.
        Audit::Entry saved = entry(Audit::Action::DocumentSaved, started.record);
        saved.origin = run.origin;
        saved.newValues = {{QStringLiteral("document_file"), run.documentFile}};
        if (!appendCovering(saved, QStringLiteral("runs"), RecordDigest::RunDocument,
                QStringLiteral("uuid"), uuid, entries, &m_lastError))
            return false;
        return true;
    });
    if (!written)
        return std::nullopt;
    return runIdOf(uuid);
}

std::optional<qint64> JournalStore::runIdOf(const QString &uuid)
{
    return idOf(QStringLiteral("runs"), uuid);
}

std::optional<qint64> JournalStore::idOf(const QString &table, const QString &uuid)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT id FROM %1 WHERE uuid = ?").arg(table));
    query.addBindValue(uuid);
    if (!query.exec()) {
        fail(query.lastError().text());
        return std::nullopt;
    }
    if (!query.next()) {
        fail(QStringLiteral("no row of %1 with uuid %2").arg(table, uuid));
        return std::nullopt;
    }
    return query.value(0).toLongLong();
}

bool JournalStore::addReading(qint64 runId, const Journal::Reading &reading)
{
    if (!m_readingInsert) {
        m_readingInsert = std::make_unique<QSqlQuery>(m_db);
        if (!m_readingInsert->prepare(
                QStringLiteral("INSERT INTO readings (run_id, seq, volume_ml, value, seconds, "
                               "forced) VALUES (?, ?, ?, ?, ?, ?) "
                               "ON CONFLICT (run_id, seq) DO NOTHING"))) {
            const QString error = m_readingInsert->lastError().text();
            m_readingInsert.reset();
            return fail(error);
        }
    }
    QSqlQuery &insert = *m_readingInsert;
    insert.bindValue(0, runId);
    insert.bindValue(1, reading.index);
    insert.bindValue(2, reading.volume);
    insert.bindValue(3, reading.value);
    insert.bindValue(4, reading.seconds);
    insert.bindValue(5, reading.forced ? 1 : 0);
    if (!insert.exec()) {
        const QString error = insert.lastError().text();
        // A connection that broke takes its prepared statement with it.
        m_readingInsert.reset();
        return fail(error);
    }
    insert.finish();
    return true;
}

bool JournalStore::addReadings(qint64 runId, const std::vector<Journal::Reading> &readings)
{
    if (readings.empty())
        return true;
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    for (const Journal::Reading &reading : readings) {
        if (!addReading(runId, reading)) {
            const QString error = m_lastError;
            m_db.rollback();
            return fail(error);
        }
    }
    if (!m_db.commit()) {
        const QString error = m_db.lastError().text();
        m_db.rollback();
        return fail(error);
    }
    return true;
}

bool JournalStore::finishRun(qint64 runId, Journal::EndReason reason, const QDateTime &ended)
{
    const QDateTime at = ended.isValid() ? ended : QDateTime::currentDateTime();
    return audited([&](std::vector<Audit::Entry> &entries) {
        QSqlQuery update(m_db);
        // Only a run still going: a repeated call must not end it twice.
        update.prepare(QStringLiteral("UPDATE runs SET ended_at = ?, ended_offset = ?, "
                                      "end_reason = ? WHERE id = ? AND end_reason = 'running'"));
        update.addBindValue(RecordCodec::timeText(at));
        update.addBindValue(at.offsetFromUtc());
        update.addBindValue(Journal::endReasonText(reason));
        update.addBindValue(runId);
        if (!update.exec())
            return fail(update.lastError().text());
        if (update.numRowsAffected() == 0)
            return true;
        return endEntry(runId, at, reason, entries);
    });
}

bool JournalStore::endEntry(qint64 runId, const QDateTime &ended, Journal::EndReason reason,
    std::vector<Audit::Entry> &entries)
{
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT uuid, (SELECT COUNT(*) FROM readings WHERE run_id = ?) "
                                 "FROM runs WHERE id = ?"));
    query.addBindValue(runId);
    query.addBindValue(runId);
    if (!query.exec() || !query.next())
        return fail(query.lastError().text());
    Audit::Entry end
        = entry(Audit::Action::RunEnded, Audit::recordOfRun(query.value(0).toString()));
    end.oldValues = {{QStringLiteral("end_reason"), QStringLiteral("running")}};
    end.newValues = {{QStringLiteral("end_reason"), Journal::endReasonText(reason)},
        {QStringLiteral("ended"), RecordCodec::timeText(ended)},
        {QStringLiteral("readings"), query.value(1).toLongLong()}};
    const auto digest = RecordDigest::ofRunEnd(m_db, runId, &m_lastError);
    if (!digest)
        return false;
    end.dataDigest = *digest;
    entries.push_back(end);
    return true;
}

bool JournalStore::setDocumentFile(qint64 runId, const QString &file)
{
    return audited([&](std::vector<Audit::Entry> &entries) {
        QSqlQuery query(m_db);
        query.prepare(QStringLiteral("SELECT uuid, document_file FROM runs WHERE id = ?"));
        query.addBindValue(runId);
        if (!query.exec() || !query.next())
            return fail(query.lastError().isValid() ? query.lastError().text()
                                                    : QStringLiteral("no run %1").arg(runId));
        const QString uuid = query.value(0).toString();
        const QString before = query.value(1).toString();
        if (before == file)
            return true;
        QSqlQuery update(m_db);
        update.prepare(QStringLiteral("UPDATE runs SET document_file = ? WHERE id = ?"));
        update.addBindValue(text(file));
        update.addBindValue(runId);
        if (!update.exec())
            return fail(update.lastError().text());
        Audit::Entry saved = entry(Audit::Action::DocumentSaved, Audit::recordOfRun(uuid));
        saved.oldValues = {{QStringLiteral("document_file"), before}};
        saved.newValues = {{QStringLiteral("document_file"), file}};
        if (!appendCovering(saved, QStringLiteral("runs"), RecordDigest::RunDocument,
                QStringLiteral("id"), runId, entries, &m_lastError))
            return false;
        return true;
    });
}

std::optional<int> JournalStore::addEvaluation(
    qint64 runId, const Journal::Evaluation &evaluation, const QString &uuid)
{
    const QString key = uuid.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : uuid;
    int version = 0;
    const bool written = audited([&](std::vector<Audit::Entry> &entries) {
        QSqlQuery query(m_db);
        query.prepare(QStringLiteral("SELECT version FROM evaluations WHERE uuid = ?"));
        query.addBindValue(key);
        if (!query.exec())
            return fail(query.lastError().text());
        if (query.next()) {
            version = query.value(0).toInt(); // written before, with its entries
            return true;
        }
        // The sample size the run was evaluated with last: the run's, or its newest version's.
        query.prepare(QStringLiteral(
            "SELECT r.uuid, r.sample_size, (SELECT COALESCE(MAX(version), 0) + 1 FROM evaluations "
            "WHERE run_id = r.id), (SELECT method FROM evaluations WHERE run_id = r.id ORDER BY "
            "version DESC LIMIT 1) FROM runs r WHERE r.id = ?"));
        query.addBindValue(runId);
        if (!query.exec() || !query.next())
            return fail(query.lastError().isValid() ? query.lastError().text()
                                                    : QStringLiteral("no run %1").arg(runId));
        const QString runUuid = query.value(0).toString();
        version = query.value(2).toInt();
        const QVariant sampleKey = QStringLiteral("Method/SampleSize");
        const double sampleBefore = query.value(3).isNull()
            ? query.value(1).toDouble()
            : RecordCodec::methodFromText(query.value(3).toString())
                  .value(sampleKey.toString(), query.value(1))
                  .toDouble();
        const QDateTime created
            = evaluation.created.isValid() ? evaluation.created : QDateTime::currentDateTime();
        const Journal::EvaluatedResult *first
            = evaluation.results.empty() ? nullptr : &evaluation.results.front();
        const QVariant none {QMetaType(QMetaType::Double)};
        QSqlQuery insert(m_db);
        insert.prepare(QStringLiteral(
            "INSERT INTO evaluations (uuid, run_id, version, created_at, created_offset, "
            "operator, host, program_version, reason, criterion, method, equivalence_points, "
            "results, result_value, result_u, result_unit) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (const QVariant &value : {QVariant(key), QVariant(runId), QVariant(version),
                 QVariant(RecordCodec::timeText(created)), QVariant(created.offsetFromUtc()),
                 text(evaluation.origin.operatorName), text(evaluation.origin.host),
                 text(evaluation.origin.programVersion), text(evaluation.reason),
                 QVariant(evaluation.criterion),
                 QVariant(RecordCodec::methodText(evaluation.method)),
                 QVariant(RecordCodec::pointsText(evaluation.points)),
                 QVariant(RecordCodec::resultsText(evaluation.results)),
                 first ? QVariant(first->value) : none, first ? QVariant(first->u) : none,
                 first ? QVariant(first->unit) : QVariant(QMetaType(QMetaType::QString))})
            insert.addBindValue(value);
        if (!insert.exec())
            return fail(insert.lastError().text());
        Audit::Entry evaluated = entry(Audit::Action::Evaluated, Audit::recordOfEvaluation(key));
        evaluated.origin = evaluation.origin;
        evaluated.newValues = {{QStringLiteral("run"), runUuid},
            {QStringLiteral("version"), version}, {QStringLiteral("reason"), evaluation.reason},
            {QStringLiteral("criterion"), evaluation.criterion}};
        if (first) {
            evaluated.newValues.insert(QStringLiteral("result"), first->value);
            evaluated.newValues.insert(QStringLiteral("unit"), first->unit);
        }
        if (!appendCovering(evaluated, QStringLiteral("evaluations"), RecordDigest::Evaluation,
                QStringLiteral("uuid"), key, entries, &m_lastError))
            return false;
        const auto sample = evaluation.method.constFind(sampleKey.toString());
        if (sample != evaluation.method.constEnd() && sample->toDouble() != sampleBefore) {
            Audit::Entry corrected
                = entry(Audit::Action::SampleSizeCorrected, Audit::recordOfRun(runUuid));
            corrected.origin = evaluation.origin;
            corrected.oldValues = {{QStringLiteral("sample_size"), sampleBefore}};
            corrected.newValues = {{QStringLiteral("sample_size"), sample->toDouble()},
                {QStringLiteral("version"), version},
                {QStringLiteral("reason"), evaluation.reason}};
            entries.push_back(corrected);
        }
        return true;
    });
    if (!written)
        return std::nullopt;
    return version;
}

bool JournalStore::holdRun(const QString &uuid)
{
    return m_locks && m_locks->hold(uuid);
}

void JournalStore::releaseRun(const QString &uuid)
{
    if (m_locks)
        m_locks->release(uuid);
}

int JournalStore::markInterrupted()
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT r.id, r.uuid, r.started_at, r.started_offset, "
                                   "(SELECT MAX(seconds) FROM readings x WHERE x.run_id = r.id) "
                                   "FROM runs r WHERE r.end_reason = 'running'"))) {
        fail(query.lastError().text());
        return -1;
    }
    struct Abandoned
    {
        qint64 id;
        QDateTime ended;
    };
    std::vector<Abandoned> abandoned;
    while (query.next()) {
        if (m_locks->isHeld(query.value(1).toString()))
            continue;
        const QDateTime started
            = RecordCodec::timeFromText(query.value(2).toString(), query.value(3).toInt());
        const double seconds = query.value(4).isNull() ? 0 : query.value(4).toDouble();
        abandoned.push_back(
            {query.value(0).toLongLong(), started.addMSecs(qint64(seconds * 1000))});
    }
    int marked = 0;
    for (const Abandoned &run : abandoned) {
        const bool written = audited([&](std::vector<Audit::Entry> &entries) {
            QSqlQuery update(m_db);
            update.prepare(
                QStringLiteral("UPDATE runs SET end_reason = 'interrupted', ended_at = ?, "
                               "ended_offset = ? WHERE id = ? AND end_reason = 'running'"));
            update.addBindValue(RecordCodec::timeText(run.ended));
            update.addBindValue(run.ended.offsetFromUtc());
            update.addBindValue(run.id);
            if (!update.exec())
                return fail(update.lastError().text());
            if (update.numRowsAffected() == 0)
                return true; // another workstation marked it first
            ++marked;
            return endEntry(run.id, run.ended, Journal::EndReason::Interrupted, entries);
        });
        if (!written)
            return -1;
    }
    return marked;
}
