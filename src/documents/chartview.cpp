#include "chartview.h"

#include "chartplot.h"

#include <QBuffer>
#include <QClipboard>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSvgGenerator>

#include <algorithm>

namespace {

constexpr qreal ScreenDpi = 96;

} // namespace

ChartView::ChartView(ChartModel *model, QWidget *parent)
    : QChartView(parent)
    , m_model(model)
    , m_plot(new ChartPlot)
{
    setChart(m_plot);
    setRenderHint(QPainter::Antialiasing);
    m_plot->showModel(*m_model);
    connect(m_model, &ChartModel::changed, this, &ChartView::scheduleRedraw);
}

void ChartView::scheduleRedraw()
{
    if (m_redrawPending)
        return;
    m_redrawPending = true;
    QMetaObject::invokeMethod(this, &ChartView::redraw, Qt::QueuedConnection);
}

void ChartView::redraw()
{
    if (!m_redrawPending)
        return;
    m_redrawPending = false;
    m_plot->showModel(*m_model);
    ++m_redrawCount;
    Q_EMIT redrawn();
}

void ChartView::redrawNow()
{
    redraw();
}

void ChartView::renderChart(QPainter *painter, const QRectF &target) const
{
    // A chart of its own at the target's proportions, at screen scale so that fonts and lines
    // keep their size relative to the page.
    const QPaintDevice *device = painter->device();
    const qreal scale = device ? std::max<qreal>(1.0, device->logicalDpiX() / ScreenDpi) : 1.0;
    const QSizeF logical = target.size() / scale;
    QGraphicsScene scene;
    auto *plot = new ChartPlot;
    scene.addItem(plot);
    plot->setGeometry(QRectF(QPointF(0, 0), logical));
    plot->showModel(*m_model);
    if (plot->layout())
        plot->layout()->activate();
    scene.setSceneRect(QRectF(QPointF(0, 0), logical));
    scene.render(painter, target, scene.sceneRect(), Qt::IgnoreAspectRatio);
}

QImage ChartView::pictureImage(const QSize &size) const
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderChart(&painter, QRectF(QPointF(0, 0), size));
    return image;
}

QByteArray ChartView::pictureSvg(const QSize &size) const
{
    QByteArray svg;
    QBuffer buffer(&svg);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(int(ScreenDpi));
    generator.setTitle(m_model->titleText());
    QPainter painter(&generator);
    renderChart(&painter, QRectF(QPointF(0, 0), size));
    painter.end();
    return svg;
}

QSize ChartView::pictureSize() const
{
    // A hidden or tiny window still gives a picture of a useful size.
    const QSize shown = size();
    if (isVisible() && shown.width() >= 200 && shown.height() >= 150)
        return shown;
    return QSize(800, 600);
}

QMimeData *ChartView::pictureMimeData()
{
    redrawNow();
    const QSize size = pictureSize();
    const QImage image = pictureImage(size);
    auto *mime = new QMimeData;
    mime->setImageData(image);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    mime->setData(QStringLiteral("image/png"), png);
    mime->setData(QStringLiteral("image/svg+xml"), pictureSvg(size));
    return mime;
}

void ChartView::EditCopy()
{
    QGuiApplication::clipboard()->setMimeData(pictureMimeData());
}
