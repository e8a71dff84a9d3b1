#pragma once

#include "model/chartcolumns.h"

#include <QString>

// The chart operations the rest of the program relies on: a 500 x 4 grid of cells (rows 1..500,
// columns 1..4, named in ChartColumn), titles, and the Y-axis limits the
// chart has chosen for the data it holds.
class AbstractChart
{
public:
    static constexpr int RowCount = 500;
    static constexpr int ColumnCount = 4;
    static constexpr int XAxis = 0;
    static constexpr int YAxis = 1;

    virtual ~AbstractChart() = default;

    // Out-of-range rows or columns are ignored.
    virtual void setData(int row, int column, double value, bool isNull) = 0;
    virtual void setUniformAxis(bool uniform) = 0;
    virtual void setTitleText(const QString &title) = 0;
    virtual void setAxisTitle(int axis, const QString &title) = 0;
    // The Y-axis limits as shown for the data present now (also before the next repaint).
    virtual double yAxisMinimum() const = 0;
    virtual double yAxisMaximum() const = 0;
};
