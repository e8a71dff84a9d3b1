#include "sampleseriestext.h"

#include <QCoreApplication>
#include <QStringList>

namespace SampleSeriesText {

namespace {

class Texts
{
    Q_DECLARE_TR_FUNCTIONS(SampleSeriesText)
};

} // namespace

QString describe(const SampleSeries::Series &series, Numbers::Separators sep)
{
    const SeriesStatistics::Summary &stats = series.statistics;
    const QString head = Texts::tr("Sample %1").arg(series.sample);
    if (!stats.mean)
        return head + QStringLiteral(": ") + Texts::tr("no results");
    // Four significant digits as the run's result shows, two for the spread.
    const auto value = [sep](double v) {
        return Numbers::toText(v, sep, 4);
    };
    const QString unit = series.unit.isEmpty() ? QString() : u' ' + series.unit;
    QStringList parts {QStringLiteral("n = %1").arg(stats.n)};
    if (stats.s) {
        parts << Texts::tr("mean ± s %1 ± %2%3")
                     .arg(value(*stats.mean), Numbers::toText(*stats.s, sep, 2), unit);
    } else {
        parts << Texts::tr("mean %1%2").arg(value(*stats.mean), unit);
    }
    if (stats.rsdPercent)
        parts << Texts::tr("RSD %1 %").arg(Numbers::toText(*stats.rsdPercent, sep, 2));
    if (stats.ci95)
        parts << Texts::tr("95 % CI %1 to %2%3")
                     .arg(value(stats.ci95->low), value(stats.ci95->high), unit);
    QString text = head + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    if (stats.n < 3) {
        text += QStringLiteral("; ") + Texts::tr("outlier test from 3 results");
    } else if (series.outliers.empty()) {
        text += QStringLiteral("; ") + Texts::tr("no outlier (Grubbs, 95 %)");
    } else {
        QStringList runs;
        for (const qint64 id : series.outliers)
            runs << QString::number(id);
        text += QStringLiteral("; ")
            + Texts::tr("outlier (Grubbs, 95 %): run %1").arg(runs.join(QStringLiteral(", ")));
    }
    return text;
}

} // namespace SampleSeriesText
