#pragma once

#include "journal/audittrail.h"
#include "journal/journallocation.h"
#include "journal/recorddigest.h"
#include "journal/sqldialect.h"
#include "model/journalrecords.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class RunLocks;

// The lab journal on one database connection: opens (and creates or upgrades) it, writes runs,
// readings and evaluations, and reads them back. Every write is a transaction of its own, so
// what a call reported as written survives a crash. A store belongs to the thread that made it.
class JournalStore
{
public:
    enum class OpenStatus {
        Ok,
        Unreachable, // no connection (no driver, server down, file cannot be made)
        Damaged, // the file is no database, or a database that is no journal
        TooNew, // a journal of a newer program: never written to
        UpgradeFailed, // nothing changed
    };
    struct OpenResult
    {
        OpenStatus status = OpenStatus::Unreachable;
        QString message; // English, one sentence
        int foundVersion = 0; // before any upgrade
        QString backupFile; // the copy made before an upgrade of an SQLite file
        bool ok() const { return status == OpenStatus::Ok; }
    };

    struct RunFilter
    {
        QString sample; // exact; empty: every sample
        QDate since; // first day, local time; null: no limit
        QDate until; // last day, inclusive
        QString method; // the name of the run's method (Journal::MethodNameKey); empty: any
        int limit = -1;
        int offset = 0;
    };
    struct RunSummary
    {
        qint64 id = 0;
        QString uuid;
        Journal::RunKind kind = Journal::RunKind::Incremental;
        QString sample;
        QDateTime started; // with the offset of the workstation that recorded it
        QDateTime ended; // invalid while running
        Journal::EndReason endReason = Journal::EndReason::Running;
        int readings = 0;
        std::optional<Journal::EvaluatedResult> result; // of the newest evaluation
    };
    struct RunRecord
    {
        RunSummary summary;
        Journal::RunStart start;
        std::vector<Journal::Reading> readings;
        std::vector<Journal::Evaluation> evaluations; // oldest first
    };

    // `connectionName` must be unique in the process; empty makes one.
    explicit JournalStore(const JournalLocation &location, const QString &connectionName = {});
    ~JournalStore();
    JournalStore(const JournalStore &) = delete;
    JournalStore &operator=(const JournalStore &) = delete;

    const JournalLocation &location() const { return m_location; }
    const SqlDialect &dialect() const { return m_dialect; }
    QSqlDatabase database() const { return m_db; }

    // Connects and brings the schema up to date. `create`: make a new journal where there is
    // none (false for a journal that is only read). A damaged or newer journal is never
    // written to.
    OpenResult open(bool create = true);
    bool isOpen() const { return m_open; }
    // After a failed write: connects again (a server that restarted). True when connected.
    bool reconnect();
    // The last failure, in the database's words.
    QString lastError() const { return m_lastError; }

    // Writes. Each returns false on failure and keeps lastError(). They may be repeated after
    // a failure: what was written already is not written twice.
    std::optional<qint64> beginRun(const Journal::RunStart &run);
    bool addReading(qint64 runId, const Journal::Reading &reading);
    bool addReadings(qint64 runId, const std::vector<Journal::Reading> &readings);
    bool finishRun(qint64 runId, Journal::EndReason reason, const QDateTime &ended);
    bool setDocumentFile(qint64 runId, const QString &file);
    // Adds the next version; returns it. `uuid` makes a repeated call harmless.
    std::optional<int> addEvaluation(
        qint64 runId, const Journal::Evaluation &evaluation, const QString &uuid = {});

    // This process writes the run: others must not take it for abandoned.
    bool holdRun(const QString &uuid);
    void releaseRun(const QString &uuid);
    // Marks every run still "running" whose writer is gone as "interrupted", ended at its last
    // reading. Returns how many, or -1 on failure.
    int markInterrupted();

    // Who this store's audit entries are by (by default this process, with the application's
    // version).
    void setOrigin(const Journal::Origin &origin) { m_origin = origin; }
    const Journal::Origin &origin() const { return m_origin; }

    // Makes a titrant (id 0) or changes one; the titrant gets its id and uuid. Returns false
    // on failure, also for a name another titrant has.
    bool saveTitrant(Journal::Titrant &titrant);
    std::vector<Journal::Titrant> titrants(); // by name
    std::optional<Journal::Titrant> titrant(qint64 id);
    // Adds a titer to its titrant's history; returns its id.
    std::optional<qint64> addTiter(const Journal::Titer &titer);
    // The titrant's titers, newest first; at most `limit` (-1: all).
    std::vector<Journal::Titer> titers(qint64 titrantId, int limit = -1);

    // Records a change that has no row of its own in the journal (a method changed).
    bool recordChange(const Audit::Entry &entry);
    // The audit trail's newest entry.
    std::optional<Audit::Link> newestLink();

    // Reads, newest first.
    std::vector<RunSummary> listRuns(const RunFilter &filter);
    int countRuns(const RunFilter &filter);
    std::optional<RunRecord> run(qint64 id);
    std::optional<qint64> runIdOf(const QString &uuid);

private:
    using AuditedChange = std::function<bool(std::vector<Audit::Entry> &entries)>;
    // Runs `change` and appends the entries it gives, in one write transaction that waits for
    // every other writer: the chain never forks. Nothing is kept when any part fails.
    bool audited(const AuditedChange &change);
    Audit::Entry entry(Audit::Action action, const QString &record) const;
    // Appends `made` to `entries` with the digest of the row of `table` whose `key` is `value`.
    bool appendCovering(Audit::Entry made, const QString &table, RecordDigest::Columns columns,
        const QString &key, const QVariant &value, std::vector<Audit::Entry> &entries,
        QString *error);
    // The entry of run `runId`s end, with the digest of its end and readings.
    bool endEntry(qint64 runId, const QDateTime &ended, Journal::EndReason reason,
        std::vector<Audit::Entry> &entries);
    bool appendMigration(int from, QString *error);
    // The id of the row of `table` with `uuid`.
    std::optional<qint64> idOf(const QString &table, const QString &uuid);
    bool connect();
    bool fail(const QString &message);

    JournalLocation m_location;
    SqlDialect m_dialect;
    QString m_connectionName;
    QSqlDatabase m_db;
    std::unique_ptr<RunLocks> m_locks;
    // Prepared once per connection: a reading is then one round trip to a server.
    std::unique_ptr<QSqlQuery> m_readingInsert;
    bool m_open = false;
    QString m_lastError;
    Journal::Origin m_origin;
};
