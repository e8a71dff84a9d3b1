#include "schema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace Schema {

namespace {

// Step 1: runs and their readings. Times are UTC text ("2026-12-07T09:15:02.125Z", which
// sorts as it reads) with the offset of the workstation that wrote them beside them.
const char *const Step1[] = {
    "CREATE TABLE journal_meta (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE runs ("
    " id %ID%,"
    " uuid TEXT NOT NULL UNIQUE,"
    " kind TEXT NOT NULL,"
    " sample_id TEXT NOT NULL DEFAULT '',"
    " sample_size %REAL%,"
    " sample_unit TEXT NOT NULL DEFAULT '',"
    " unit TEXT NOT NULL DEFAULT '',"
    " method TEXT NOT NULL DEFAULT '{}',"
    " started_at TEXT NOT NULL,"
    " started_offset INTEGER NOT NULL DEFAULT 0,"
    " ended_at TEXT,"
    " ended_offset INTEGER,"
    " end_reason TEXT NOT NULL,"
    " operator TEXT NOT NULL DEFAULT '',"
    " host TEXT NOT NULL DEFAULT '',"
    " program_version TEXT NOT NULL DEFAULT '',"
    " document_file TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX runs_by_sample ON runs (sample_id, started_at)",
    "CREATE INDEX runs_by_start ON runs (started_at)",
    "CREATE INDEX runs_by_end_reason ON runs (end_reason)",
    "CREATE TABLE readings ("
    " run_id %BIGINT% NOT NULL REFERENCES runs (id),"
    " seq INTEGER NOT NULL,"
    " volume_ml %REAL% NOT NULL,"
    " value %REAL% NOT NULL,"
    " seconds %REAL% NOT NULL,"
    " forced INTEGER NOT NULL DEFAULT 0,"
    " PRIMARY KEY (run_id, seq))",
};

// Step 2: evaluations, each a version of its run's, and readings and evaluations made
// immutable by the database itself.
const char *const Step2[] = {
    "CREATE TABLE evaluations ("
    " id %ID%,"
    " uuid TEXT NOT NULL UNIQUE,"
    " run_id %BIGINT% NOT NULL REFERENCES runs (id),"
    " version INTEGER NOT NULL,"
    " created_at TEXT NOT NULL,"
    " created_offset INTEGER NOT NULL DEFAULT 0,"
    " operator TEXT NOT NULL DEFAULT '',"
    " host TEXT NOT NULL DEFAULT '',"
    " program_version TEXT NOT NULL DEFAULT '',"
    " reason TEXT NOT NULL DEFAULT '',"
    " criterion %REAL% NOT NULL,"
    " method TEXT NOT NULL DEFAULT '{}',"
    " equivalence_points TEXT NOT NULL DEFAULT '[]',"
    " results TEXT NOT NULL DEFAULT '[]',"
    " result_value %REAL%,"
    " result_u %REAL%,"
    " result_unit TEXT,"
    " UNIQUE (run_id, version))",
};

// Step 3: the audit trail, a hash chain over every change (append only), and the titrants with
// the history of their titers (a titer, once determined, is never changed).
const char *const Step3[] = {
    "CREATE TABLE audit_trail ("
    " seq %BIGINT% PRIMARY KEY,"
    " previous_hash TEXT NOT NULL UNIQUE,"
    " hash TEXT NOT NULL UNIQUE,"
    " at TEXT NOT NULL,"
    " at_offset INTEGER NOT NULL DEFAULT 0,"
    " operator TEXT NOT NULL DEFAULT '',"
    " host TEXT NOT NULL DEFAULT '',"
    " program_version TEXT NOT NULL DEFAULT '',"
    " action TEXT NOT NULL,"
    " record TEXT NOT NULL,"
    " old_values TEXT NOT NULL DEFAULT '{}',"
    " new_values TEXT NOT NULL DEFAULT '{}',"
    " data_digest TEXT NOT NULL DEFAULT '')",
    "CREATE INDEX audit_trail_by_record ON audit_trail (record)",
    "CREATE TABLE titrants ("
    " id %ID%,"
    " uuid TEXT NOT NULL UNIQUE,"
    " name TEXT NOT NULL UNIQUE,"
    " concentration %REAL% NOT NULL,"
    " unit TEXT NOT NULL DEFAULT 'mol/L',"
    " validity_days INTEGER NOT NULL DEFAULT 7,"
    " created_at TEXT NOT NULL,"
    " created_offset INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE titers ("
    " id %ID%,"
    " uuid TEXT NOT NULL UNIQUE,"
    " titrant_id %BIGINT% NOT NULL REFERENCES titrants (id),"
    " run_id %BIGINT% REFERENCES runs (id),"
    " value %REAL% NOT NULL,"
    " u %REAL% NOT NULL,"
    " determined_at TEXT NOT NULL,"
    " determined_offset INTEGER NOT NULL DEFAULT 0,"
    " operator TEXT NOT NULL DEFAULT '',"
    " host TEXT NOT NULL DEFAULT '',"
    " program_version TEXT NOT NULL DEFAULT '',"
    " standard TEXT NOT NULL DEFAULT '{}')",
    "CREATE INDEX titers_by_titrant ON titers (titrant_id, determined_at)",
};

struct Step
{
    const char *const *statements;
    std::size_t count;
    QStringList immutableTables;
};

QList<Step> steps()
{
    return {
        {Step1, std::size(Step1), {}},
        {Step2, std::size(Step2), {QStringLiteral("readings"), QStringLiteral("evaluations")}},
        {Step3, std::size(Step3), {QStringLiteral("audit_trail"), QStringLiteral("titers")}},
    };
}

bool exec(QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    if (error)
        *error = query.lastError().text() + QStringLiteral(" [") + sql.left(80) + u']';
    return false;
}

} // namespace

int version(QSqlDatabase &db, const SqlDialect &dialect, QString *error)
{
    QSqlQuery query(db);
    if (!query.exec(dialect.listTablesQuery())) {
        if (error)
            *error = query.lastError().text();
        return -2;
    }
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    if (names.isEmpty())
        return 0;
    if (!names.contains(QLatin1StringView("journal_meta")))
        return -1;
    if (!query.exec(
            QStringLiteral("SELECT value FROM journal_meta WHERE name = 'schema_version'"))) {
        if (error)
            *error = query.lastError().text();
        return -2;
    }
    bool ok = false;
    const int number = query.next() ? query.value(0).toString().toInt(&ok) : 0;
    return ok && number > 0 ? number : -1;
}

bool upgrade(QSqlDatabase &db, const SqlDialect &dialect, int from, int to,
    const std::function<bool(QString *error)> &beforeCommit, QString *error)
{
    if (!db.transaction()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    const QList<Step> all = steps();
    for (int number = from + 1; number <= to; ++number) {
        const Step &step = all.at(number - 1);
        QStringList statements;
        for (std::size_t i = 0; i < step.count; ++i)
            statements << dialect.expand(QString::fromLatin1(step.statements[i]));
        for (const QString &table : step.immutableTables)
            statements << dialect.immutableTableStatements(table);
        for (const QString &sql : statements) {
            if (!exec(db, sql, error)) {
                db.rollback();
                return false;
            }
        }
    }
    // Granted once all tables are there: the grants name tables of every step.
    for (const QString &sql :
        to == CurrentVersion ? dialect.writerRoleStatements() : QStringList()) {
        if (!exec(db, sql, error)) {
            db.rollback();
            return false;
        }
    }
    const QString record = from == 0
        ? QStringLiteral("INSERT INTO journal_meta (name, value) VALUES ('schema_version', '%1')")
        : QStringLiteral("UPDATE journal_meta SET value = '%1' WHERE name = 'schema_version'");
    if (!exec(db, record.arg(to), error) || (beforeCommit && !beforeCommit(error))) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        if (error)
            *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

QStringList tables()
{
    return {QStringLiteral("journal_meta"), QStringLiteral("runs"), QStringLiteral("readings"),
        QStringLiteral("evaluations"), QStringLiteral("titrants"), QStringLiteral("titers"),
        QStringLiteral("audit_trail")};
}

} // namespace Schema
