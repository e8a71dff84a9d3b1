#pragma once

#include "evaluation/seriesstatistics.h"
#include "journal/journalstore.h"

#include <QJsonArray>
#include <QString>

#include <vector>

// The runs of one sample id form a series: their results (of each run's newest evaluation) in
// one unit, the one most of the sample's results have (on a tie, that of the newest run among
// them). Runs without a result, or with one in another unit, are left out of the figures.
namespace SampleSeries {

struct Series
{
    QString sample;
    QString unit; // empty when no run of the sample has a result
    SeriesStatistics::Summary statistics;
    std::vector<qint64> runs; // the runs counted, in the order given
    std::vector<qint64> outliers; // of those, the ones Grubbs' test flags
};

// One series for each non-empty sample id among `runs`, in the order the samples first appear.
std::vector<Series> of(const std::vector<JournalStore::RunSummary> &runs);

// [{"sample", "unit", "n", "mean", "s", "rsd_percent", "ci95": [low, high], "outliers": [ids]}]
// with null for a figure the series has too few values for.
QJsonArray toJson(const std::vector<Series> &series);

} // namespace SampleSeries
