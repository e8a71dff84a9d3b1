#include "chartmodel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The classic "nice number": 1, 2, 5 or 10 times a power of ten.
double niceNumber(double x, bool round)
{
    const double exponent = std::floor(std::log10(x));
    const double fraction = x / std::pow(10.0, exponent);
    double nice;
    if (round)
        nice = fraction < 1.5 ? 1 : fraction < 3 ? 2 : fraction < 7 ? 5 : 10;
    else
        nice = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10;
    return nice * std::pow(10.0, exponent);
}

bool sameCell(const ChartModel::Cell &cell, double value, bool isNull)
{
    if (cell.isNull != isNull)
        return false;
    // An empty cell is empty whatever value it carries.
    return isNull || cell.value == value || (std::isnan(cell.value) && std::isnan(value));
}

} // namespace

ChartModel::ChartModel(QObject *parent)
    : QObject(parent)
{ }

void ChartModel::setData(int row, int column, double value, bool isNull)
{
    if (row < 1 || row > RowCount || column < 1 || column > ColumnCount)
        return;
    Cell &c = m_cells[row - 1][column - 1];
    const bool same = sameCell(c, value, isNull);
    c.value = value;
    c.isNull = isNull;
    if (same)
        return; // nothing shown changes: clearing an empty grid costs no redraws
    if (column <= ChartColumn::CurveY) {
        m_markers.clear();
        m_exportNotes.clear();
    }
    touch();
}

void ChartModel::setUniformAxis(bool uniform)
{
    m_uniformAxis = uniform;
    touch();
}

void ChartModel::setTitleText(const QString &title)
{
    m_title = title;
    Q_EMIT changed();
}

void ChartModel::setAxisTitle(int axis, const QString &title)
{
    if (axis != XAxis && axis != YAxis)
        return;
    m_axisTitles[axis] = title;
    Q_EMIT changed();
}

void ChartModel::setEquivalencePoints(const QList<Marker> &markers, const QString &exportNotes)
{
    m_markers = markers;
    m_exportNotes = exportNotes;
    Q_EMIT changed();
}

void ChartModel::setEquivalencePoint(const std::optional<EquivalencePoint> &point)
{
    setEquivalencePoints(point ? QList<Marker> {Marker {*point, {}}} : QList<Marker> {});
}

std::optional<EquivalencePoint> ChartModel::equivalencePoint() const
{
    if (m_markers.isEmpty())
        return std::nullopt;
    return m_markers.first().point;
}

const ChartModel::Cell &ChartModel::cell(int row, int column) const
{
    static const Cell none;
    if (row < 1 || row > RowCount || column < 1 || column > ColumnCount)
        return none;
    return m_cells[row - 1][column - 1];
}

QString ChartModel::axisTitle(int axis) const
{
    return (axis == XAxis || axis == YAxis) ? m_axisTitles[axis] : QString();
}

ChartModel::AxisRange ChartModel::xRange() const
{
    updateRanges();
    return m_xRange;
}

ChartModel::AxisRange ChartModel::yRange() const
{
    updateRanges();
    return m_yRange;
}

QList<QPointF> ChartModel::points(int xColumn) const
{
    QList<QPointF> result;
    for (const auto &row : m_cells) {
        const Cell &x = row[xColumn - 1];
        const Cell &y = row[xColumn];
        if (!x.isNull && !y.isNull && std::isfinite(x.value) && std::isfinite(y.value))
            result.append(QPointF(x.value, y.value));
    }
    return result;
}

ChartModel::AxisRange ChartModel::niceRange(double low, double high)
{
    if (!std::isfinite(low) || !std::isfinite(high) || low > high)
        return {};
    if (low == high) {
        // A flat series still gets an axis around it.
        const double pad = low == 0 ? 1.0 : std::abs(low) * 0.1;
        low -= pad;
        high += pad;
    }
    constexpr int wantedTicks = 6;
    const double range = niceNumber(high - low, false);
    const double step = niceNumber(range / (wantedTicks - 1), true);
    AxisRange r;
    r.minimum = std::floor(low / step) * step;
    r.maximum = std::ceil(high / step) * step;
    r.tickCount = int(std::lround((r.maximum - r.minimum) / step)) + 1;
    // Clean the last bits of floating-point noise off the limits (0.30000000000000004).
    auto tidy = [step](double v) {
        const double digits = std::max(0.0, -std::floor(std::log10(step))) + 1;
        const double scale = std::pow(10.0, digits);
        return std::round(v * scale) / scale;
    };
    r.minimum = tidy(r.minimum);
    r.maximum = tidy(r.maximum);
    return r;
}

void ChartModel::updateRanges() const
{
    if (m_rangesValid)
        return;
    constexpr double inf = std::numeric_limits<double>::infinity();
    double xLow = inf, xHigh = -inf, yLow = inf, yHigh = -inf;
    for (const auto &row : m_cells) {
        for (int xColumn : {ChartColumn::CurveX, ChartColumn::DerivativeX}) {
            const Cell &x = row[xColumn - 1];
            const Cell &y = row[xColumn];
            if (x.isNull || y.isNull || !std::isfinite(x.value) || !std::isfinite(y.value))
                continue;
            xLow = std::min(xLow, x.value);
            xHigh = std::max(xHigh, x.value);
            yLow = std::min(yLow, y.value);
            yHigh = std::max(yHigh, y.value);
        }
    }
    if (xLow > xHigh) {
        m_xRange = AxisRange {};
        m_yRange = AxisRange {};
    } else {
        if (m_uniformAxis) {
            xLow = yLow = std::min(xLow, yLow);
            xHigh = yHigh = std::max(xHigh, yHigh);
        }
        m_xRange = niceRange(xLow, xHigh);
        m_yRange = niceRange(yLow, yHigh);
    }
    m_rangesValid = true;
}

void ChartModel::touch()
{
    m_rangesValid = false;
    Q_EMIT changed();
}
