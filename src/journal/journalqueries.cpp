// The journal's reads: the list of runs and one run with its readings and evaluations.
#include "journalstore.h"

#include "journal/journaltexts.h"
#include "journal/recordcodec.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {

// The day's start, local time, as the stored UTC text compares.
QString dayStart(const QDate &day)
{
    return RecordCodec::timeText(day.startOfDay());
}

struct Where
{
    QString sql;
    QVariantList values;
};

Where whereOf(const JournalStore::RunFilter &filter, const SqlDialect &dialect)
{
    Where where;
    QStringList parts;
    if (!filter.sample.isEmpty()) {
        parts << QStringLiteral("r.sample_id = ?");
        where.values << filter.sample;
    }
    if (filter.since.isValid()) {
        parts << QStringLiteral("r.started_at >= ?");
        where.values << dayStart(filter.since);
    }
    if (filter.until.isValid()) {
        parts << QStringLiteral("r.started_at < ?");
        where.values << dayStart(filter.until.addDays(1));
    }
    if (!filter.method.isEmpty()) {
        parts << dialect.jsonTextValue(
                     QStringLiteral("r.method"), QLatin1StringView(Journal::MethodNameKey))
                + QStringLiteral(" = ?");
        where.values << filter.method;
    }
    if (!parts.isEmpty())
        where.sql = QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
    return where;
}

const char RunColumns[] = "r.id, r.uuid, r.kind, r.sample_id, r.started_at, r.started_offset, "
                          "r.ended_at, r.ended_offset, r.end_reason";
const char CountAndResultColumns[] = ", (SELECT COUNT(*) FROM readings x WHERE x.run_id = r.id), "
                                     "e.result_value, e.result_u, e.result_unit, e.results ";
// The newest evaluation: one with no later version. Unlike "version = (SELECT MAX ...)" this
// lets PostgreSQL join without hashing the whole evaluations table for a long list.
const char NewestEvaluation[]
    = " LEFT JOIN evaluations e ON e.run_id = r.id AND NOT EXISTS "
      "(SELECT 1 FROM evaluations n WHERE n.run_id = r.id AND n.version > e.version)";
const char NewestFirst[] = " ORDER BY r.started_at DESC, r.id DESC";

JournalStore::RunSummary summaryOf(const QSqlQuery &query)
{
    JournalStore::RunSummary run;
    run.id = query.value(0).toLongLong();
    run.uuid = query.value(1).toString();
    run.kind = Journal::runKindFromText(query.value(2).toString())
                   .value_or(Journal::RunKind::Incremental);
    run.sample = query.value(3).toString();
    run.started = RecordCodec::timeFromText(query.value(4).toString(), query.value(5).toInt());
    if (!query.value(6).isNull())
        run.ended = RecordCodec::timeFromText(query.value(6).toString(), query.value(7).toInt());
    run.endReason = Journal::endReasonFromText(query.value(8).toString())
                        .value_or(Journal::EndReason::Running);
    run.readings = query.value(9).toInt();
    if (!query.value(10).isNull()) {
        const auto all = RecordCodec::resultsFromText(query.value(13).toString());
        Journal::EvaluatedResult result;
        result.value = query.value(10).toDouble();
        result.u = query.value(11).toDouble();
        result.unit = query.value(12).toString();
        result.ep = all.empty() ? 1 : all.front().ep;
        run.result = result;
    }
    return run;
}

} // namespace

std::vector<JournalStore::RunSummary> JournalStore::listRuns(const RunFilter &filter)
{
    const Where where = whereOf(filter, m_dialect);
    QString sql = QStringLiteral("SELECT ") + QLatin1StringView(RunColumns)
        + QLatin1StringView(CountAndResultColumns);
    if (filter.limit >= 0) {
        // The page is taken from the runs alone first, so that readings are counted and
        // evaluations looked up only for the runs shown, not for every run an offset skips.
        sql += QStringLiteral("FROM (SELECT ") + QLatin1StringView(RunColumns)
            + QStringLiteral(" FROM runs r") + where.sql + QLatin1StringView(NewestFirst)
            + QStringLiteral(" LIMIT %1 OFFSET %2) r").arg(filter.limit).arg(qMax(0, filter.offset))
            + QLatin1StringView(NewestEvaluation);
    } else {
        sql += QStringLiteral("FROM runs r") + QLatin1StringView(NewestEvaluation) + where.sql;
    }
    sql += QLatin1StringView(NewestFirst);
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(sql);
    for (const QVariant &value : where.values)
        query.addBindValue(value);
    std::vector<RunSummary> runs;
    if (!query.exec()) {
        fail(query.lastError().text());
        return runs;
    }
    while (query.next())
        runs.push_back(summaryOf(query));
    return runs;
}

int JournalStore::countRuns(const RunFilter &filter)
{
    const Where where = whereOf(filter, m_dialect);
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM runs r") + where.sql);
    for (const QVariant &value : where.values)
        query.addBindValue(value);
    if (!query.exec() || !query.next()) {
        fail(query.lastError().text());
        return -1;
    }
    return query.value(0).toInt();
}

std::optional<JournalStore::RunRecord> JournalStore::run(qint64 id)
{
    QSqlQuery query(m_db);
    // The summary's columns, then the rest of the run's.
    query.prepare(QStringLiteral("SELECT ") + QLatin1StringView(RunColumns)
        + QLatin1StringView(CountAndResultColumns)
        + QStringLiteral(", r.sample_size, r.sample_unit, r.unit, r.method, r.operator, r.host, "
                         "r.program_version, r.document_file ")
        + QStringLiteral("FROM runs r") + QLatin1StringView(NewestEvaluation)
        + QStringLiteral(" WHERE r.id = ?"));
    query.addBindValue(id);
    if (!query.exec()) {
        fail(query.lastError().text());
        return std::nullopt;
    }
    if (!query.next()) {
        fail(QStringLiteral("there is no run %1").arg(id));
        return std::nullopt;
    }
    RunRecord record;
    record.summary = summaryOf(query);
    Journal::RunStart &start = record.start;
    start.uuid = record.summary.uuid;
    start.kind = record.summary.kind;
    start.sampleId = record.summary.sample;
    start.started = record.summary.started;
    start.sampleSize = query.value(14).isNull() ? 0 : query.value(14).toDouble();
    start.sampleUnit = query.value(15).toString();
    start.unit = query.value(16).toString();
    start.method = RecordCodec::methodFromText(query.value(17).toString());
    start.origin
        = {query.value(18).toString(), query.value(19).toString(), query.value(20).toString()};
    start.documentFile = query.value(21).toString();

    QSqlQuery readings(m_db);
    readings.setForwardOnly(true);
    readings.prepare(QStringLiteral("SELECT seq, volume_ml, value, seconds, forced FROM readings "
                                    "WHERE run_id = ? ORDER BY seq"));
    readings.addBindValue(id);
    if (!readings.exec()) {
        fail(readings.lastError().text());
        return std::nullopt;
    }
    while (readings.next()) {
        record.readings.push_back(
            {readings.value(0).toInt(), readings.value(1).toDouble(), readings.value(2).toDouble(),
                readings.value(3).toDouble(), readings.value(4).toInt() != 0});
    }

    QSqlQuery evaluations(m_db);
    evaluations.setForwardOnly(true);
    evaluations.prepare(QStringLiteral(
        "SELECT version, created_at, created_offset, operator, host, program_version, reason, "
        "criterion, method, equivalence_points, results FROM evaluations WHERE run_id = ? "
        "ORDER BY version"));
    evaluations.addBindValue(id);
    if (!evaluations.exec()) {
        fail(evaluations.lastError().text());
        return std::nullopt;
    }
    while (evaluations.next()) {
        Journal::Evaluation e;
        e.version = evaluations.value(0).toInt();
        e.created = RecordCodec::timeFromText(
            evaluations.value(1).toString(), evaluations.value(2).toInt());
        e.origin = {evaluations.value(3).toString(), evaluations.value(4).toString(),
            evaluations.value(5).toString()};
        e.reason = evaluations.value(6).toString();
        e.criterion = evaluations.value(7).toDouble();
        e.method = RecordCodec::methodFromText(evaluations.value(8).toString());
        e.points = RecordCodec::pointsFromText(evaluations.value(9).toString());
        e.results = RecordCodec::resultsFromText(evaluations.value(10).toString());
        record.evaluations.push_back(std::move(e));
    }
    return record;
}
