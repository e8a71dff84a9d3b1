#include "chartplot.h"

#include "common/numbers.h"

#include <QBrush>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QLineSeries>
#include <QLocale>
#include <QPen>
#include <QScatterSeries>
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
    m_marker = new QScatterSeries(this);
    m_marker->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    m_marker->setMarkerSize(11);
    m_marker->setColor(QColor(0x2e, 0x8b, 0x57));
    m_marker->setBorderColor(Qt::black);
    for (QXYSeries *series : std::initializer_list<QXYSeries *> {m_curve, m_derivative, m_marker}) {
        addSeries(series);
        series->attachAxis(m_xAxis);
        series->attachAxis(m_yAxis);
    }

    connect(this, &QChart::plotAreaChanged, this, &ChartPlot::placeMarkerLabel);
}

void ChartPlot::ensureMarkerLabels(int count)
{
    while (m_markerBoxes.size() < count) {
        // The label on a white box, above the curves.
        auto *box = new QGraphicsRectItem(this);
        box->setBrush(QColor(255, 255, 255, 230));
        box->setPen(QPen(QColor(0x2e, 0x8b, 0x57)));
        box->setZValue(100);
        box->hide();
        auto *text = new QGraphicsSimpleTextItem(box);
        QFont labelFont = font();
        labelFont.setBold(true);
        text->setFont(labelFont);
        m_markerBoxes.append(box);
        m_markerTexts.append(text);
    }
}

void ChartPlot::showModel(const ChartModel &model)
{
    m_curve->replace(model.curvePoints());
    m_derivative->replace(model.derivativePoints());
    const QList<ChartModel::Marker> &markers = model.equivalencePoints();
    ensureMarkerLabels(int(markers.size()));
    QList<QPointF> points;
    for (qsizetype i = 0; i < m_markerTexts.size(); ++i) {
        if (i < markers.size()) {
            const ChartModel::Marker &m = markers.at(i);
            points.append(QPointF(m.point.volume, m.point.value));
            m_markerTexts.at(i)->setText(m.label.isEmpty() ? markerLabel(m.point) : m.label);
        } else {
            m_markerTexts.at(i)->setText(QString());
        }
    }
    m_marker->replace(points);
    setTitle(model.titleText());
    m_xAxis->setTitleText(model.axisTitle(ChartModel::XAxis));
    m_yAxis->setTitleText(model.axisTitle(ChartModel::YAxis));
    applyRange(m_xAxis, model.xRange());
    applyRange(m_yAxis, model.yRange());
    placeMarkerLabel();
}

void ChartPlot::placeMarkerLabel()
{
    for (qsizetype i = 0; i < m_markerBoxes.size(); ++i) {
        if (i >= m_marker->count()) {
            m_markerBoxes.at(i)->hide();
            continue;
        }
        placeOneMarkerLabel(m_markerBoxes.at(i), m_markerTexts.at(i), m_marker->at(int(i)));
    }
}

void ChartPlot::placeOneMarkerLabel(
    QGraphicsRectItem *markerBox, QGraphicsSimpleTextItem *markerText, QPointF point)
{
    const QRectF area = plotArea();
    const QPointF at = mapToPosition(point, m_marker);
    constexpr qreal pad = 3;
    constexpr qreal gap = 10;
    const QRectF text = markerText->boundingRect();
    QRectF box(0, 0, text.width() + 2 * pad, text.height() + 2 * pad);
    // Right of the point, or left where the plot ends; a little below it, so that the
    // steep curve above the point stays in view.
    box.moveTopLeft(QPointF(at.x() + gap, at.y() + gap / 2));
    if (box.right() > area.right())
        box.moveRight(at.x() - gap);
    if (box.bottom() > area.bottom())
        box.moveBottom(at.y() - gap / 2);
    markerBox->setRect(QRectF(QPointF(0, 0), box.size()));
    markerBox->setPos(box.topLeft());
    markerText->setPos(pad, pad);
    markerBox->show();
}

void ChartPlot::applyRange(QValueAxis *axis, const ChartModel::AxisRange &range)
{
    axis->setRange(range.minimum, range.maximum);
    axis->setTickCount(std::clamp(range.tickCount, 2, 50));
    axis->setLabelFormat(labelFormat(range));
}

QString ChartPlot::markerLabel(const EquivalencePoint &point)
{
    return QStringLiteral("EP ")
        + Numbers::format(point.volume, 2, Numbers::Separators::fromLocale(QLocale()))
        + QStringLiteral(" ml");
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
