#include "journalfill.h"

#include "journal/journalstore.h"
#include "journal/journaltexts.h"
#include "journal/recordcodec.h"

#include <QSqlError>
#include <QSqlQuery>

namespace JournalFill {

namespace {

// A method as large as a run's settings are: every value by its key.
QString methodText()
{
    QVariantMap method;
    const char *const keys[] = {"titrant", "titrantConcentration", "titrantFactor", "burette",
        "doseMode", "minStep", "maxStep", "drift", "minWait", "maxWait", "endValue", "endVolume",
        "epCriterion", "epCount", "electrode", "temperature", "stirrer", "preDose", "preDoseWait",
        "resultFormula", "resultUnit", "resultDecimals", "blank", "molarMass", "comment"};
    int n = 0;
    for (const char *key : keys)
        method.insert(QLatin1StringView(key), QStringLiteral("value %1 of the method").arg(++n));
    return RecordCodec::methodText(method);
}

bool exec(QSqlQuery &query, QString *error)
{
    if (query.exec())
        return true;
    *error = query.lastError().text() + QStringLiteral(" [") + query.lastQuery().left(80) + u']';
    return false;
}

bool exec(QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery query(db);
    query.prepare(sql);
    return exec(query, error);
}

bool insertRuns(QSqlDatabase &db, const Shape &shape, QString *error)
{
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral(
        "INSERT INTO runs (id, uuid, kind, sample_id, sample_size, sample_unit, unit, method, "
        "started_at, started_offset, ended_at, ended_offset, end_reason, operator, host, "
        "program_version, document_file) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QString method = methodText();
    const QDateTime first(QDate(2024, 1, 8), QTime(7, 0), Qt::UTC);
    const Journal::EndReason reasons[] = {Journal::EndReason::EndValue,
        Journal::EndReason::EndVolume, Journal::EndReason::EndValue, Journal::EndReason::Stopped};
    quint32 random = 12345;
    for (int n = 1; n <= shape.runs; ++n) {
        random = random * 1664525u + 1013904223u;
        const QString sample = n % 20 == 0
            ? controlSample()
            : sampleName(int((random >> 8) % quint32(shape.samples)));
        const QDateTime started = first.addSecs(qint64(n) * 900 + (random % 300));
        const bool running = n > shape.runs - 3;
        const bool report = n % 25 == 0;
        insert.addBindValue(n);
        insert.addBindValue(QStringLiteral("bench-run-%1").arg(n));
        insert.addBindValue(Journal::runKindText(
            report ? Journal::RunKind::Report : Journal::RunKind::Incremental));
        insert.addBindValue(sample);
        insert.addBindValue(0.25 + (random % 1000) / 1000.0);
        insert.addBindValue(QStringLiteral("g"));
        insert.addBindValue(QStringLiteral("pH"));
        insert.addBindValue(method);
        insert.addBindValue(RecordCodec::timeText(started));
        insert.addBindValue(3600);
        insert.addBindValue(running ? QVariant(QMetaType(QMetaType::QString))
                                    : RecordCodec::timeText(started.addSecs(600)));
        insert.addBindValue(running ? QVariant(QMetaType(QMetaType::Int)) : QVariant(3600));
        insert.addBindValue(Journal::endReasonText(running ? Journal::EndReason::Running
                : report                                   ? Journal::EndReason::Report
                                                           : reasons[n % 4]));
        insert.addBindValue(QStringLiteral("operator%1").arg(n % 7));
        insert.addBindValue(QStringLiteral("lab-pc-%1").arg(n % 5));
        insert.addBindValue(QStringLiteral("1.5.9"));
        insert.addBindValue(QStringLiteral("/home/lab/titrations/run-%1.ktd").arg(n));
        if (!exec(insert, error))
            return false;
    }
    return true;
}

} // namespace

QString sampleName(int number)
{
    return QStringLiteral("S-%1").arg(number, 5, 10, QLatin1Char('0'));
}

QString controlSample()
{
    return QStringLiteral("NaOH control");
}

bool fill(JournalStore &store, const Shape &shape, QString *error)
{
    QSqlDatabase db = store.database();
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    Journal::EvaluatedResult result;
    result.value = 0.1;
    result.u = 0.0004;
    result.unit = QStringLiteral("mol/L");
    const QString results = RecordCodec::resultsText({result});
    Journal::EvaluatedEp point;
    point.volume = 0.75;
    point.uVolume = 0.002;
    point.value = 8.2;
    const QString points = RecordCodec::pointsText({point});
    // Readings and evaluations by the database itself: millions of rows in seconds.
    const QString readings = QStringLiteral(
        "WITH RECURSIVE s (n) AS (SELECT 0 UNION ALL SELECT n + 1 FROM s WHERE n < %1) "
        "INSERT INTO readings (run_id, seq, volume_ml, value, seconds, forced) "
        "SELECT r.id, s.n, s.n * 0.05, 3.0 + s.n * 0.2, s.n * 2.0, 0 FROM runs r, s")
                                 .arg(shape.readingsPerRun - 1);
    const QString evaluations = QStringLiteral(
        "INSERT INTO evaluations (uuid, run_id, version, created_at, created_offset, criterion, "
        "equivalence_points, results, result_value, result_u, result_unit) "
        "SELECT 'bench-eval-%1-' || id, id, %1, ended_at, 3600, 1, ?, ?, "
        "0.1 + (id % 97) / 1000.0, 0.0004, 'mol/L' FROM runs WHERE %2");
    bool ok = insertRuns(db, shape, error) && exec(db, readings, error);
    for (const auto &[version, which] : {std::pair {1, "id % 4 <> 1 AND ended_at IS NOT NULL"},
             std::pair {2, "id % 30 = 0 AND ended_at IS NOT NULL"}}) {
        if (!ok)
            break;
        QSqlQuery insert(db);
        insert.prepare(evaluations.arg(version).arg(QLatin1StringView(which)));
        insert.addBindValue(points);
        insert.addBindValue(results);
        ok = exec(insert, error);
    }
    for (const char *table : {"runs", "evaluations"}) {
        for (const QString &sql : store.dialect().resetIdCounter(QLatin1StringView(table)))
            ok = ok && exec(db, sql, error);
    }
    if (!ok) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

} // namespace JournalFill
