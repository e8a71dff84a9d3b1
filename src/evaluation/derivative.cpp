#include "derivative.h"

#include "model/abstractchart.h"
#include "model/measurementstore.h"

#include <algorithm>
#include <cmath>
#include <limits>

bool BerAbleit(MeasurementStore &store, AbstractChart *chart)
{
    double highest = -10000;
    double scale = 1;

    if (store.DatenModus != MeasurementStore::DataMode || store.AnzahlWerte < 2 || !chart)
        return false;
    const double yMin = chart->yAxisMinimum();
    const double yMax = chart->yAxisMaximum();
    if (!std::isfinite(yMin) || !std::isfinite(yMax))
        return false;

    // Rows 0..500 at most; the last step then ends in the 501st row and lands in grid row 500.
    const int rows = std::min<int>(store.AnzahlWerte, MeasurementStore::RowCount);
    const auto &m = store.Messwerte;
    for (int i = 0; i + 1 < rows; ++i) {
        const double dv = m[i + 1][0] - m[i][0];
        const double slope = std::fabs((m[i + 1][1] - m[i][1]) / dv);
        // Equal volumes (or numbers too large to subtract) give no slope: the step is left out
        // instead of flattening every other point to zero.
        if (dv == 0 || !std::isfinite(slope)) {
            store.Ableitung[i] = std::numeric_limits<double>::quiet_NaN();
            continue;
        }
        store.Ableitung[i] = yMin + slope;
        if (store.Ableitung[i] > highest)
            highest = store.Ableitung[i];
    }

    if (highest > yMax)
        scale = yMax / highest;

    for (int i = 0; i + 1 < rows; ++i) {
        const double y = scale * store.Ableitung[i];
        // A step without a point empties its cells, so no earlier derivative shows through.
        const bool skipped = !std::isfinite(y) || !std::isfinite(m[i][0]);
        chart->setData(i + 1, ChartColumn::DerivativeX, skipped ? 0 : m[i][0], skipped);
        chart->setData(i + 1, ChartColumn::DerivativeY, skipped ? 0 : y, skipped);
    }
    return true;
}
