#include "sampleseries.h"

#include <QHash>
#include <QJsonObject>

namespace SampleSeries {

namespace {

bool newer(const JournalStore::RunSummary &a, const JournalStore::RunSummary &b)
{
    return a.started != b.started ? a.started > b.started : a.id > b.id;
}

// The unit most of the runs' results have; on a tie the newest run's among those.
QString commonUnit(const std::vector<const JournalStore::RunSummary *> &runs)
{
    struct Tally
    {
        int count = 0;
        const JournalStore::RunSummary *newest = nullptr;
    };
    QHash<QString, Tally> tallies;
    for (const JournalStore::RunSummary *run : runs) {
        if (!run->result)
            continue;
        Tally &tally = tallies[run->result->unit];
        ++tally.count;
        if (!tally.newest || newer(*run, *tally.newest))
            tally.newest = run;
    }
    QString unit;
    const Tally *best = nullptr;
    for (auto it = tallies.cbegin(); it != tallies.cend(); ++it) {
        if (!best || it->count > best->count
            || (it->count == best->count && newer(*it->newest, *best->newest))) {
            best = &it.value();
            unit = it.key();
        }
    }
    return unit;
}

Series seriesOf(const QString &sample, const std::vector<const JournalStore::RunSummary *> &runs)
{
    Series series;
    series.sample = sample;
    series.unit = commonUnit(runs);
    std::vector<double> values;
    for (const JournalStore::RunSummary *run : runs) {
        if (run->result && run->result->unit == series.unit) {
            values.push_back(run->result->value);
            series.runs.push_back(run->id);
        }
    }
    series.statistics = SeriesStatistics::describe(values);
    if (series.statistics.outlier)
        series.outliers.push_back(series.runs.at(*series.statistics.outlier));
    return series;
}

QJsonValue number(const std::optional<double> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

} // namespace

std::vector<Series> of(const std::vector<JournalStore::RunSummary> &runs)
{
    QStringList order;
    QHash<QString, std::vector<const JournalStore::RunSummary *>> bySample;
    for (const JournalStore::RunSummary &run : runs) {
        if (run.sample.isEmpty())
            continue;
        auto &members = bySample[run.sample];
        if (members.empty())
            order << run.sample;
        members.push_back(&run);
    }
    std::vector<Series> series;
    for (const QString &sample : order)
        series.push_back(seriesOf(sample, bySample.value(sample)));
    return series;
}

QJsonArray toJson(const std::vector<Series> &series)
{
    QJsonArray array;
    for (const Series &one : series) {
        const SeriesStatistics::Summary &stats = one.statistics;
        QJsonArray outliers;
        for (const qint64 id : one.outliers)
            outliers.append(id);
        array.append(QJsonObject {
            {QStringLiteral("sample"), one.sample},
            {QStringLiteral("unit"),
                one.unit.isEmpty() && one.runs.empty() ? QJsonValue(QJsonValue::Null)
                                                       : QJsonValue(one.unit)},
            {QStringLiteral("n"), stats.n},
            {QStringLiteral("mean"), number(stats.mean)},
            {QStringLiteral("s"), number(stats.s)},
            {QStringLiteral("rsd_percent"), number(stats.rsdPercent)},
            {QStringLiteral("ci95"),
                stats.ci95 ? QJsonValue(QJsonArray {stats.ci95->low, stats.ci95->high})
                           : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("outliers"), outliers},
        });
    }
    return array;
}

} // namespace SampleSeries
