#pragma once

#include <vector>

// One reading of a titration curve: titrant volume in mL and the measured value (pH or mV).
struct CurvePoint
{
    double volume = 0;
    double value = 0;
};

using CurveSeries = std::vector<CurvePoint>;

namespace CurveSeriesTools {

// The series ready for analysis: points with a value that is not a number or not finite are
// dropped, the rest ordered by volume (stable), and readings at one volume merged into their
// mean, so every step has a width.
CurveSeries prepared(const CurveSeries &series);

// The resolution the values were printed with: the largest power of ten, 1 down to 1e-6,
// that every value is a whole multiple of; 0 when there is none (values not rounded).
double readingQuantum(const CurveSeries &series);

// The standard deviation of the reading noise, estimated from the curve itself: each inner
// point is compared with the cubic through its two neighbours on either side (equal or unequal
// spacing), and the median of these scaled residuals gives a scale that jumps and single
// outliers hardly move. Never below the rounding noise of readingQuantum() (quantum / sqrt 12).
// 0 for fewer than five points. Expects a prepared series.
double noiseEstimate(const CurveSeries &series);

} // namespace CurveSeriesTools
