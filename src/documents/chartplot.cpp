#include "chartplot.h"

#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

ChartPlot::ChartPlot(QGraphicsItem *parent)
    : QChart(parent)
{
    setAnimationOptions(QChart::NoAnimation);
    legend()->hide();
    // Axis labels in the user's number format, without digit grouping ("1000", not "1.000").
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    setLocale(locale);
    setLocalizeNumbers(true);

    m_xAxis = new QValueAxis(this);
    m_yAxis = new QValueAxis(this);
    addAxis(m_xAxis, Qt::AlignBottom);
    addAxis(m_yAxis, Qt::AlignLeft);

    m_curve = new QLineSeries(this);
    m_curve->setPen(QPen(QColor(0x1f, 0x4e, 0x9c), 2));
    m_curve->setPointsVisible(true);
    m_derivative = new QLineSeries(this);
    m_derivative->setPen(QPen(QColor(0xc0, 0x39, 0x2b), 2));
    for (QLineSeries *series : {m_curve, m_derivative}) {
        addSeries(series);
        series->attachAxis(m_xAxis);
        series->attachAxis(m_yAxis);
    }
}

void ChartPlot::showModel(const ChartModel &model)
{
    m_curve->replace(model.curvePoints());
    m_derivative->replace(model.derivativePoints());
    setTitle(model.titleText());
    m_xAxis->setTitleText(model.axisTitle(ChartModel::XAxis));
    m_yAxis->setTitleText(model.axisTitle(ChartModel::YAxis));
    applyRange(m_xAxis, model.xRange());
    applyRange(m_yAxis, model.yRange());
}

void ChartPlot::applyRange(QValueAxis *axis, const ChartModel::AxisRange &range)
{
    axis->setRange(range.minimum, range.maximum);
    axis->setTickCount(std::clamp(range.tickCount, 2, 50));
    axis->setLabelFormat(labelFormat(range));
}

QString ChartPlot::labelFormat(const ChartModel::AxisRange &range)
{
    const double step = (range.maximum - range.minimum) / std::max(1, range.tickCount - 1);
    int decimals = 0;
    if (step > 0 && std::isfinite(step)) {
        // Enough decimals that every tick shows its exact value (0.25 needs two).
        while (decimals < 10) {
            const double scaled = step * std::pow(10.0, decimals);
            if (std::abs(scaled - std::round(scaled)) < 1e-6 * std::max(1.0, scaled))
                break;
            ++decimals;
        }
    }
    return QStringLiteral("%.") + QString::number(decimals) + QStringLiteral("f");
}
