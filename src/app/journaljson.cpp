#include "journaljson.h"

#include "app/sampleseries.h"
#include "journal/journaltexts.h"
#include "journal/recordcodec.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace JournalJson {

namespace {

QJsonValue timeValue(const QDateTime &time)
{
    return time.isValid() ? QJsonValue(timeText(time)) : QJsonValue(QJsonValue::Null);
}

QJsonValue resultValue(const std::optional<Journal::EvaluatedResult> &result)
{
    if (!result)
        return QJsonValue::Null;
    return QJsonObject {
        {QStringLiteral("value"), result->value},
        {QStringLiteral("u"), result->u},
        {QStringLiteral("unit"), result->unit},
    };
}

QJsonObject evaluationObject(const Journal::Evaluation &e)
{
    return QJsonObject {
        {QStringLiteral("version"), e.version},
        {QStringLiteral("created"), timeValue(e.created)},
        {QStringLiteral("operator"), e.origin.operatorName},
        {QStringLiteral("host"), e.origin.host},
        {QStringLiteral("program_version"), e.origin.programVersion},
        {QStringLiteral("reason"), e.reason},
        {QStringLiteral("criterion"), e.criterion},
        {QStringLiteral("method"), QJsonObject::fromVariantMap(e.method)},
        {QStringLiteral("equivalence_points"), RecordCodec::pointsJson(e.points)},
        {QStringLiteral("results"), RecordCodec::resultsJson(e.results)},
    };
}

} // namespace

QString timeText(const QDateTime &time)
{
    if (!time.isValid())
        return {};
    const int offset = time.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"))
        + QStringLiteral("%1%2:%3")
              .arg(QChar(offset < 0 ? u'-' : u'+'))
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QJsonObject evaluation(const Journal::Evaluation &evaluation)
{
    return evaluationObject(evaluation);
}

QJsonObject summary(const JournalStore::RunSummary &run)
{
    return QJsonObject {
        {QStringLiteral("id"), run.id},
        {QStringLiteral("kind"), Journal::runKindText(run.kind)},
        {QStringLiteral("sample"), run.sample},
        {QStringLiteral("started"), timeValue(run.started)},
        {QStringLiteral("ended"), timeValue(run.ended)},
        {QStringLiteral("end_reason"), Journal::endReasonText(run.endReason)},
        {QStringLiteral("readings"), run.readings},
        {QStringLiteral("result"), resultValue(run.result)},
    };
}

QJsonValue chainHashValue(const QByteArray &chainHash)
{
    return chainHash.isEmpty() || chainHash == Audit::genesisHash()
        ? QJsonValue(QJsonValue::Null)
        : QJsonValue(QString::fromLatin1(chainHash));
}

QByteArray list(const std::vector<JournalStore::RunSummary> &runs, const QByteArray &chainHash)
{
    QJsonArray array;
    for (const JournalStore::RunSummary &run : runs)
        array.append(summary(run));
    return QJsonDocument(
        QJsonObject {{QStringLiteral("runs"), array},
            {QStringLiteral("series"), SampleSeries::toJson(SampleSeries::of(runs))},
            {QStringLiteral("chain_hash"), chainHashValue(chainHash)}})
        .toJson(QJsonDocument::Indented);
}

QByteArray run(const JournalStore::RunRecord &record, const QByteArray &chainHash)
{
    QJsonObject object = summary(record.summary);
    const Journal::RunStart &start = record.start;
    QJsonArray readings;
    QJsonArray forced;
    for (const Journal::Reading &r : record.readings) {
        readings.append(QJsonArray {r.volume, r.value, r.seconds});
        if (r.forced)
            forced.append(r.index);
    }
    QJsonArray evaluations;
    for (const Journal::Evaluation &e : record.evaluations)
        evaluations.append(evaluationObject(e));
    object.insert(QStringLiteral("readings"), readings);
    object.insert(QStringLiteral("forced"), forced);
    object.insert(QStringLiteral("evaluations"), evaluations);
    object.insert(QStringLiteral("uuid"), start.uuid);
    object.insert(QStringLiteral("unit"), start.unit);
    object.insert(QStringLiteral("method"), QJsonObject::fromVariantMap(start.method));
    object.insert(QStringLiteral("sample_size"),
        start.sampleSize > 0 ? QJsonValue(start.sampleSize) : QJsonValue(QJsonValue::Null));
    object.insert(QStringLiteral("sample_unit"), start.sampleUnit);
    object.insert(QStringLiteral("operator"), start.origin.operatorName);
    object.insert(QStringLiteral("host"), start.origin.host);
    object.insert(QStringLiteral("program_version"), start.origin.programVersion);
    object.insert(QStringLiteral("document_file"), start.documentFile);
    object.insert(QStringLiteral("chain_hash"), chainHashValue(chainHash));
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

} // namespace JournalJson
