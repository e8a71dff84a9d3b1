#pragma once

#include "common/numbers.h"
#include "documents/chartmodel.h"
#include "evaluation/electrodelag.h"
#include "evaluation/eprecognition.h"
#include "evaluation/pkafit.h"
#include "evaluation/resultsettings.h"

#include <QList>
#include <QString>

struct MeasurementStore;

// The equivalence points of the curve a chart holds, for the window and the command line
// alike.
namespace CurveAnalysis {

struct Analysis
{
    QString unit; // "pH" or "mV", from the chart's Y-axis title
    EpAnalysis eps;
    std::vector<PkaValue> pka; // of each buffered region, on pH curves only
};

// With `method` the pKa values are fitted too (they take some tens of milliseconds): it gives
// the fit the titrant's concentration and, for a sample in mL, the volume it starts from. With
// the listing's `readings` (their times) each EP is checked for a slow electrode
// (LagCorrection).
Analysis analyse(const ChartModel &chart, double criterion, const MethodValues *method = nullptr,
    const TimedSeries *readings = nullptr);

// The rows of a store with their times, when they are the chart's curve (same count); empty
// otherwise.
TimedSeries timedReadings(const MeasurementStore &store, const ChartModel &chart);

// One marker per EP, labelled "EP1 10,02 ml" in the user's number format.
QList<ChartModel::Marker> markers(const EpAnalysis &eps, Numbers::Separators sep);

} // namespace CurveAnalysis
