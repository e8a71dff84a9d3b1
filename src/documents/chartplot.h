#pragma once

#include "documents/chartmodel.h"

#include <QChart>

class QGraphicsRectItem;
class QGraphicsSimpleTextItem;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

// The drawing of a chart model: the curve and its derivative as two line series on value
// axes whose limits are exactly the model's, and the equivalence point as a labelled marker.
class ChartPlot : public QChart
{
    Q_OBJECT
public:
    explicit ChartPlot(QGraphicsItem *parent = nullptr);

    // Takes the model's points, limits and titles.
    void showModel(const ChartModel &model);

    QLineSeries *curveSeries() const { return m_curve; }
    QLineSeries *derivativeSeries() const { return m_derivative; }
    // The equivalence point: one point, or none, and its label beside it.
    QScatterSeries *markerSeries() const { return m_marker; }
    QGraphicsSimpleTextItem *markerLabelItem() const { return m_markerText; }
    QValueAxis *xAxis() const { return m_xAxis; }
    QValueAxis *yAxis() const { return m_yAxis; }

    // "EP 10,02 ml": the volume with two decimals in the user's number format.
    static QString markerLabel(const EquivalencePoint &point);
    // printf-style label format with as many decimals as the tick step needs.
    static QString labelFormat(const ChartModel::AxisRange &range);

private:
    static void applyRange(QValueAxis *axis, const ChartModel::AxisRange &range);
    // Beside the marker, inside the plot area, clear of the derivative's line through it.
    void placeMarkerLabel();

    QLineSeries *m_curve = nullptr;
    QLineSeries *m_derivative = nullptr;
    QScatterSeries *m_marker = nullptr;
    QGraphicsRectItem *m_markerBox = nullptr;
    QGraphicsSimpleTextItem *m_markerText = nullptr;
    QValueAxis *m_xAxis = nullptr;
    QValueAxis *m_yAxis = nullptr;
};
