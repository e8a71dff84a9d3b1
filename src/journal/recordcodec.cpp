#include "recordcodec.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace RecordCodec {

namespace {

QJsonArray arrayOf(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).array();
}

QString compact(const QJsonArray &array)
{
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

} // namespace

QString timeText(const QDateTime &time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + u'Z';
}

QDateTime timeFromText(const QString &text, int offsetSeconds)
{
    QDateTime utc = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!utc.isValid())
        return {};
    return utc.toUTC().toOffsetFromUtc(offsetSeconds);
}

QString methodText(const QVariantMap &method)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonObject::fromVariantMap(method)).toJson(QJsonDocument::Compact));
}

QVariantMap methodFromText(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object().toVariantMap();
}

QJsonArray pointsJson(const std::vector<Journal::EvaluatedEp> &points)
{
    QJsonArray array;
    for (const Journal::EvaluatedEp &ep : points) {
        array.append(QJsonObject {
            {QStringLiteral("volume_ml"), ep.volume},
            {QStringLiteral("u_volume_ml"), ep.uVolume},
            {QStringLiteral("value"), ep.value},
            {QStringLiteral("electrode_lag_s"),
                ep.lagSeconds ? QJsonValue(*ep.lagSeconds) : QJsonValue(QJsonValue::Null)},
        });
    }
    return array;
}

QJsonArray resultsJson(const std::vector<Journal::EvaluatedResult> &results)
{
    QJsonArray array;
    for (const Journal::EvaluatedResult &r : results) {
        array.append(QJsonObject {
            {QStringLiteral("ep"), r.ep},
            {QStringLiteral("value"), r.value},
            {QStringLiteral("u"), r.u},
            {QStringLiteral("unit"), r.unit},
        });
    }
    return array;
}

QString pointsText(const std::vector<Journal::EvaluatedEp> &points)
{
    return compact(pointsJson(points));
}

QString resultsText(const std::vector<Journal::EvaluatedResult> &results)
{
    return compact(resultsJson(results));
}

std::vector<Journal::EvaluatedEp> pointsFromText(const QString &text)
{
    std::vector<Journal::EvaluatedEp> points;
    for (const QJsonValue &v : arrayOf(text)) {
        const QJsonObject o = v.toObject();
        const QJsonValue lag = o.value(QLatin1StringView("electrode_lag_s"));
        points.push_back({o.value(QLatin1StringView("volume_ml")).toDouble(),
            o.value(QLatin1StringView("u_volume_ml")).toDouble(),
            o.value(QLatin1StringView("value")).toDouble(),
            lag.isDouble() ? std::optional<double>(lag.toDouble()) : std::nullopt});
    }
    return points;
}

std::vector<Journal::EvaluatedResult> resultsFromText(const QString &text)
{
    std::vector<Journal::EvaluatedResult> results;
    for (const QJsonValue &v : arrayOf(text)) {
        const QJsonObject o = v.toObject();
        results.push_back({o.value(QLatin1StringView("ep")).toInt(),
            o.value(QLatin1StringView("value")).toDouble(),
            o.value(QLatin1StringView("u")).toDouble(),
            o.value(QLatin1StringView("unit")).toString()});
    }
    return results;
}

} // namespace RecordCodec
