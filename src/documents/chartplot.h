#pragma once

#include "documents/chartmodel.h"

#include <QChart>

class QLineSeries;
class QValueAxis;

// The drawing of a chart model: the curve and its derivative as two line series on value
// axes whose limits are exactly the model's.
class ChartPlot : public QChart
{
    Q_OBJECT
public:
    explicit ChartPlot(QGraphicsItem *parent = nullptr);

    // Takes the model's points, limits and titles.
    void showModel(const ChartModel &model);

    QLineSeries *curveSeries() const { return m_curve; }
    QLineSeries *derivativeSeries() const { return m_derivative; }
    QValueAxis *xAxis() const { return m_xAxis; }
    QValueAxis *yAxis() const { return m_yAxis; }

    // printf-style label format with as many decimals as the tick step needs.
    static QString labelFormat(const ChartModel::AxisRange &range);

private:
    static void applyRange(QValueAxis *axis, const ChartModel::AxisRange &range);

    QLineSeries *m_curve = nullptr;
    QLineSeries *m_derivative = nullptr;
    QValueAxis *m_xAxis = nullptr;
    QValueAxis *m_yAxis = nullptr;
};
