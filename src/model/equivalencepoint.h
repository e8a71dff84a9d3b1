#pragma once

// An equivalence point of a titration curve: the volume where the curve is steepest and the
// measured value there. Found by the evaluation, shown by the chart and the exports.
struct EquivalencePoint
{
    double volume = 0;
    double value = 0;
};
