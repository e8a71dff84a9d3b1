#pragma once

class AbstractChart;
struct MeasurementStore;

// The first derivative of the stored series, drawn into chart columns 3 (X) and 4 (Y).
//
// Ableitung(i) is the absolute slope of the step from row i to row i + 1 plus the chart's
// Y-axis minimum; the whole derivative is scaled down by yMax / M when its highest point M
// lies above the Y-axis maximum, so it fits the curve's axis. X is the first volume of the
// step. A step whose two volumes are equal has no slope: Ableitung(i) becomes NaN, its cells
// are emptied and it does not take part in M.
//
// Nothing happens without a chart, outside data mode, or with fewer than two rows.
// Returns whether the derivative was drawn.
bool BerAbleit(MeasurementStore &store, AbstractChart *chart);
