#include "frmdocument.h"

#include "chartview.h"
#include "common/twips.h"
#include "documentlayout.h"
#include "documentprinter.h"
#include "richtextdocument.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {

// The document font: Arial 12 pt (a metric twin stands in where Arial is not installed).
QFont documentFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(12);
    return font;
}

QString paragraphsAsLineFeeds(const QString &text)
{
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.remove(u'\r');
    return result;
}

} // namespace

frmDocument::frmDocument(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("frmDocument"));

    m_rtfText = new QTextEdit(this);
    m_rtfText->setObjectName(QStringLiteral("rtfText"));
    m_rtfText->setFont(documentFont());
    m_rtfText->document()->setDefaultFont(documentFont());
    m_rtfText->setAcceptRichText(true);

    m_chartView = new ChartView(&m_chart, this);
    m_chartView->setObjectName(QStringLiteral("MSChart1"));

    // Load: layout, then an empty curve.
    Form_Resize();
    LoeschDia();
}

frmDocument::~frmDocument() = default;

QSize frmDocument::sizeHint() const
{
    return QSize(720, 420);
}

QString frmDocument::text() const
{
    QString raw = m_rtfText->document()->toRawText();
    // Frame markers of tables and object placeholders are no text.
    raw.remove(QChar(0xFDD0));
    raw.remove(QChar(0xFDD1));
    raw.remove(QChar::ObjectReplacementCharacter);
    raw.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    raw.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return raw;
}

void frmDocument::setText(const QString &text)
{
    m_rtfText->setPlainText(paragraphsAsLineFeeds(text));
}

void frmDocument::appendText(const QString &text)
{
    const QString lines = paragraphsAsLineFeeds(text);
    if (lines.isEmpty())
        return;
    QTextDocument *document = m_rtfText->document();
    // Appended lines are no undo steps. The document can leave an edit out of its history
    // only by clearing the history, so undo reaches back to the last appended line.
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    // Plain text in the document's font, whatever format the end of the text has.
    cursor.insertText(lines, QTextCharFormat());
    document->setUndoRedoEnabled(true);
}

RichText frmDocument::richText() const
{
    return RichTextDocument::fromDocument(*m_rtfText->document());
}

void frmDocument::setRichText(const RichText &text)
{
    RichTextDocument::toDocument(text, *m_rtfText->document());
}

void frmDocument::LoeschDia()
{
    for (int row = 1; row <= AbstractChart::RowCount; ++row) {
        m_chart.setData(row, 1, 0, true);
        m_chart.setData(row, 2, 0, true);
    }
    m_chart.setUniformAxis(false);
}

void frmDocument::Drucken(QPrinter *printer)
{
    m_chartView->EditCopy();
    if (printer)
        DocumentPrinter::printChartPage(*printer, *m_chartView);
}

void frmDocument::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmDocument::Form_Resize()
{
    const double dpiX = logicalDpiX();
    const double dpiY = logicalDpiY();
    const auto pixels = [dpiX, dpiY](const TwipsRect &r) {
        return Twips::toPixels(r.left, r.top, r.width, r.height, dpiX, dpiY);
    };
    const DocumentLayout layout = DocumentLayout::forInnerSize(
        float(Twips::fromPixels(width(), dpiX)), float(Twips::fromPixels(height(), dpiY)));

    // A step the widgets cannot take (a negative size) is left out; the others still run.
    if (layout.text.isAcceptable())
        m_rtfText->setGeometry(pixels(layout.text));
    const float margin
        = DocumentLayout::rightMargin(float(Twips::fromPixels(m_rtfText->width(), dpiX)));
    if (margin >= 0) {
        m_rtfText->setLineWrapMode(QTextEdit::FixedPixelWidth);
        m_rtfText->setLineWrapColumnOrWidth(Twips::toPixels(margin, dpiX));
    }
    if (layout.chart.isAcceptable())
        m_chartView->setGeometry(pixels(layout.chart));
}
