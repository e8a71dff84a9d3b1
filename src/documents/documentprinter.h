#pragma once

class ChartView;
class QPrinter;
class QTextDocument;

// Printing a document: its text on pages in the printer's orientation (as Page setup chose
// it), then its chart on a landscape page, all in one job on one painter, so a PDF file or a
// printer queue gets them together and in order.
namespace DocumentPrinter {

// `text` may be nullptr or empty: then only the chart page is printed. The printer keeps the
// orientation it had. False when the printer could not be started.
bool print(QPrinter &printer, const QTextDocument *text, const ChartView &chart);
bool printChartPage(QPrinter &printer, const ChartView &chart);

} // namespace DocumentPrinter
