#pragma once

#include "model/equivalencepoint.h"
#include "model/measurementstore.h"

#include <optional>

// The equivalence point of a titration series by the first-derivative method: the step with
// the largest absolute slope, refined by the vertex of a parabola through it and its two
// neighbours (each slope placed at the middle of its step, the parabola laid through the
// reciprocal slopes), and the measured value at that volume, interpolated on the curve.
namespace EquivalencePointFinder {

// Rows 0..AnzahlWerte-1 of the store. No point when the series is too short, has its steepest
// step at either end, or has no step that stands out from the rest (a flat or noisy series).
std::optional<EquivalencePoint> find(const MeasurementStore &store);

// The same on plain arrays of `count` volumes and values.
std::optional<EquivalencePoint> find(const double *volumes, const double *values, int count);

} // namespace EquivalencePointFinder
