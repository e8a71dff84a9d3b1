#include "titerchart.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

TiterChart::TiterChart(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("chrTiters"));
    setMinimumHeight(120);
}

void TiterChart::setValues(
    const std::vector<double> &oldestFirst, const std::optional<ControlLimits> &limits)
{
    m_values = oldestFirst;
    m_limits = limits;
    update();
}

void TiterChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().base());
    if (m_values.empty())
        return;
    // The value axis spans the values and the action limits, with a little room.
    auto [low, high] = std::minmax_element(m_values.begin(), m_values.end());
    double bottom = *low;
    double top = *high;
    if (m_limits) {
        bottom = std::min(bottom, m_limits->actionLow);
        top = std::max(top, m_limits->actionHigh);
    }
    const double span = top > bottom ? top - bottom : std::max(1e-3, std::abs(top) * 0.01);
    bottom -= span * 0.1;
    top += span * 0.1;
    const QFontMetrics fm(font());
    const QRectF area = QRectF(rect()).adjusted(fm.horizontalAdvance(QStringLiteral("0.00000")) + 8,
        fm.height() / 2.0, -8, -fm.height() / 2.0);
    const auto y = [&](double v) {
        return area.bottom() - (v - bottom) / (top - bottom) * area.height();
    };
    const double step = m_values.size() > 1 ? area.width() / double(m_values.size() - 1) : 0;
    const auto x = [&](std::size_t i) {
        return m_values.size() > 1 ? area.left() + i * step : area.center().x();
    };

    p.setPen(palette().color(QPalette::Text));
    p.drawRect(area);
    p.drawText(QRectF(0, area.top() - fm.height() / 2.0, area.left() - 4, fm.height()),
        Qt::AlignRight | Qt::AlignVCenter, QString::number(top, 'f', 4));
    p.drawText(QRectF(0, area.bottom() - fm.height() / 2.0, area.left() - 4, fm.height()),
        Qt::AlignRight | Qt::AlignVCenter, QString::number(bottom, 'f', 4));
    if (m_limits) {
        const struct
        {
            double value;
            QColor colour;
            Qt::PenStyle style;
        } lines[] = {{m_limits->mean, Qt::darkGreen, Qt::SolidLine},
            {m_limits->warningLow, QColor(230, 140, 0), Qt::DashLine},
            {m_limits->warningHigh, QColor(230, 140, 0), Qt::DashLine},
            {m_limits->actionLow, Qt::red, Qt::DotLine},
            {m_limits->actionHigh, Qt::red, Qt::DotLine}};
        for (const auto &line : lines) {
            p.setPen(QPen(line.colour, 1, line.style));
            p.drawLine(QPointF(area.left(), y(line.value)), QPointF(area.right(), y(line.value)));
        }
    }
    QPainterPath path;
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        const QPointF point(x(i), y(m_values[i]));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    p.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
    p.drawPath(path);
    p.setBrush(palette().color(QPalette::Highlight));
    for (std::size_t i = 0; i < m_values.size(); ++i)
        p.drawEllipse(QPointF(x(i), y(m_values[i])), 3, 3);
}
