#pragma once

#include "app/sampleseries.h"
#include "common/numbers.h"

#include <QString>

// A sample's series in one line for the Journal window: n, mean ± s, RSD, the 95 % confidence
// interval and the runs Grubbs' test flags.
namespace SampleSeriesText {

QString describe(const SampleSeries::Series &series, Numbers::Separators sep);

} // namespace SampleSeriesText
