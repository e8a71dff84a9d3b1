#pragma once

#include "documents/chartmodel.h"

#include <QChart>
#include <QList>
#include <QPointF>

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
    // The label of the i-th marked point, or null.
    QGraphicsSimpleTextItem *markerLabelItem(int i = 0) const
    {
        return i < m_markerTexts.size() ? m_markerTexts.at(i) : nullptr;
    }
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
    void placeOneMarkerLabel(
        QGraphicsRectItem *markerBox, QGraphicsSimpleTextItem *markerText, QPointF point);
    void ensureMarkerLabels(int count);

    QLineSeries *m_curve = nullptr;
    QLineSeries *m_derivative = nullptr;
    QScatterSeries *m_marker = nullptr;
    QList<QGraphicsRectItem *> m_markerBoxes; // one per marked point, made as needed
    QList<QGraphicsSimpleTextItem *> m_markerTexts;
    QValueAxis *m_xAxis = nullptr;
    QValueAxis *m_yAxis = nullptr;
};
