#include "documentprinter.h"

#include "chartview.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>

#include <memory>

namespace {

QRectF pageArea(const QPrinter &printer)
{
    // The painter's origin is the top left corner of the printable area.
    const QRect paint = printer.pageLayout().paintRectPixels(printer.resolution());
    return QRectF(0, 0, paint.width(), paint.height());
}

void printTextPages(QPainter &painter, QPrinter &printer, const QTextDocument &source)
{
    std::unique_ptr<QTextDocument> document(source.clone());
    document->documentLayout()->setPaintDevice(&printer);
    const QRectF page = pageArea(printer);
    document->setPageSize(page.size());
    const int pages = document->pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            printer.newPage();
        const QRectF clip(0, i * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(0, -clip.top());
        painter.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = clip;
        context.palette.setColor(QPalette::Text, Qt::black);
        document->documentLayout()->draw(&painter, context);
        painter.restore();
    }
}

void drawChart(QPainter &painter, const QPrinter &printer, const ChartView &chart)
{
    // The chart fills the page less a margin of a twentieth of the page width on every side.
    const QRectF page = pageArea(printer);
    const qreal margin = page.width() / 20;
    chart.renderChart(&painter, page.adjusted(margin, margin, -margin, -margin));
}

} // namespace

namespace DocumentPrinter {

bool print(QPrinter &printer, const QTextDocument *text, const ChartView &chart)
{
    // The text keeps the orientation chosen in Page setup; the chart page is landscape.
    const QPageLayout::Orientation chosen = printer.pageLayout().orientation();
    const bool withText = text && !text->isEmpty();
    if (!withText)
        printer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer)) {
        printer.setPageOrientation(chosen);
        return false;
    }
    if (withText) {
        printTextPages(painter, printer, *text);
        printer.setPageOrientation(QPageLayout::Landscape);
        printer.newPage();
    }
    drawChart(painter, printer, chart);
    painter.end();
    printer.setPageOrientation(chosen);
    return true;
}

bool printChartPage(QPrinter &printer, const ChartView &chart)
{
    return print(printer, nullptr, chart);
}

} // namespace DocumentPrinter
