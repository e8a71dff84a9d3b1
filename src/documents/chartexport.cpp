#include "chartexport.h"

#include "chartview.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace ChartExport {

namespace {

constexpr int Dpi = 96;

QByteArray png(const ChartView &view, const QSize &size)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!view.pictureImage(size).save(&buffer, "PNG"))
        return {};
    return data;
}

QByteArray pdf(const ChartView &view, const QSize &size)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(Dpi);
    writer.setCreator(QStringLiteral("Kalumet"));
    // One page exactly the size of the picture, without margins.
    const QPageSize page(
        QSizeF(size) * 72.0 / Dpi, QPageSize::Point, QString(), QPageSize::ExactMatch);
    writer.setPageLayout(QPageLayout(page, QPageLayout::Portrait, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer))
        return {};
    view.renderChart(&painter, QRectF(0, 0, writer.width(), writer.height()));
    if (!painter.end())
        return {};
    return data;
}

} // namespace

std::optional<Format> formatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1StringView("png"))
        return Format::Png;
    if (suffix == QLatin1StringView("svg"))
        return Format::Svg;
    if (suffix == QLatin1StringView("pdf"))
        return Format::Pdf;
    return std::nullopt;
}

QByteArray picture(const ChartView &view, Format format, const QSize &size)
{
    switch (format) {
    case Format::Png:
        return png(view, size);
    case Format::Svg:
        return view.pictureSvg(size);
    case Format::Pdf:
        return pdf(view, size);
    }
    return {};
}

} // namespace ChartExport
