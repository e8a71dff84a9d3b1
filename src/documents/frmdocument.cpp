#include "frmdocument.h"

#include "chartview.h"
#include "common/twips.h"
#include "documentlayout.h"
#include "documentprinter.h"
#include "richtextdocument.h"

#include <QPointer>
#include <QProgressBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

namespace {

// The document font: Arial 12 pt (a metric twin stands in where Arial is not installed).
QFont documentFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(12);
    return font;
}

// A slice of a load is short enough that the window keeps answering.
constexpr int LoadSliceMilliseconds = 30;

// The text editor lays out no more than 2^23 pixels of text: past that its layout never
// ends.
constexpr qreal TallestText = 8'000'000;

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
    , m_loadSlice(LoadSliceMilliseconds)
{
    setObjectName(QStringLiteral("frmDocument"));

    m_rtfText = new QTextEdit(this);
    m_rtfText->setObjectName(QStringLiteral("rtfText"));
    m_rtfText->setFont(documentFont());
    m_rtfText->document()->setDefaultFont(documentFont());
    m_rtfText->setAcceptRichText(true);

    m_chartView = new ChartView(&m_chart, this);
    m_chartView->setObjectName(QStringLiteral("MSChart1"));

    m_loadProgress = new QProgressBar(this);
    m_loadProgress->setObjectName(QStringLiteral("loadProgress"));
    m_loadProgress->setRange(0, 100);
    m_loadProgress->hide();
    m_loadTurn.setSingleShot(true);
    m_loadTurn.setInterval(0);
    connect(&m_loadTurn, &QTimer::timeout, this, &frmDocument::loadSlice);

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
    endLoad(false);
    m_rtfText->setPlainText(paragraphsAsLineFeeds(text));
}

void frmDocument::appendText(const QString &text)
{
    if (isLoading()) {
        m_appendedWhileLoading += text;
        return;
    }
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
    endLoad(false);
    m_wrapFloor = wrapFloorFor(text).value_or(m_wrapFloor);
    // Built apart and then handed to the editor, which lays it out a step at a time.
    RichTextDocument::Builder builder(text, m_rtfText->document()->defaultFont());
    while (!builder.build(LoadSliceMilliseconds)) { }
    adopt(builder.takeDocument());
}

std::optional<float> frmDocument::wrapFloorFor(const RichText &text) const
{
    const double dpi = logicalDpiX();
    const auto pixels = RichTextDocument::narrowestWrap(
        text, m_rtfText->document()->defaultFont(), Twips::toPixels(MinimumWrap, dpi), TallestText);
    if (!pixels)
        return std::nullopt;
    return std::max(MinimumWrap, float(Twips::fromPixels(*pixels, dpi)));
}

bool frmDocument::loadRichText(RichText text)
{
    const std::optional<float> floor = wrapFloorFor(text);
    if (!floor)
        return false;
    endLoad(false);
    m_loadingWrapFloor = *floor;
    m_builder = std::make_unique<RichTextDocument::Builder>(
        std::move(text), m_rtfText->document()->defaultFont());
    m_rtfText->setReadOnly(true);
    m_loadProgress->setValue(0);
    m_loadProgress->show();
    Form_Resize();
    loadSlice();
    return true;
}

void frmDocument::loadSlice()
{
    if (!m_builder)
        return;
    if (!m_builder->build(m_loadSlice)) {
        m_loadProgress->setValue(m_builder->percentDone());
        m_loadTurn.start();
        return;
    }
    std::unique_ptr<QTextDocument> document = m_builder->takeDocument();
    m_builder.reset();
    m_wrapFloor = m_loadingWrapFloor;
    adopt(std::move(document));
    endLoad(true);
}

void frmDocument::endLoad(bool completed)
{
    if (!completed && !m_builder)
        return;
    m_loadTurn.stop();
    m_builder.reset();
    m_loadProgress->hide();
    m_rtfText->setReadOnly(false);
    // Lines that came in while loading follow the loaded text; a load ended early leaves
    // them to what replaces the text.
    const QString appended = std::exchange(m_appendedWhileLoading, QString());
    if (completed)
        appendText(appended);
    Q_EMIT loadFinished(completed);
}

void frmDocument::adopt(std::unique_ptr<QTextDocument> document)
{
    QPointer<QTextDocument> old = m_rtfText->document();
    document->setParent(m_rtfText);
    m_rtfText->setDocument(document.release());
    // The editor deletes only the document it made itself.
    if (old && old->parent() == m_rtfText)
        delete old;
    Form_Resize(); // the wrap floor may have changed
}

void frmDocument::LoeschDia()
{
    for (int row = 1; row <= AbstractChart::RowCount; ++row) {
        m_chart.setData(row, ChartColumn::CurveX, 0, true);
        m_chart.setData(row, ChartColumn::CurveY, 0, true);
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
        m_rtfText->setLineWrapColumnOrWidth(Twips::toPixels(std::max(margin, m_wrapFloor), dpiX));
    }
    if (layout.chart.isAcceptable())
        m_chartView->setGeometry(pixels(layout.chart));
    if (m_loadProgress->isVisible()) {
        const QRect text = m_rtfText->geometry();
        const int height = m_loadProgress->sizeHint().height();
        m_loadProgress->setGeometry(
            text.left(), text.bottom() - height + 1, text.width(), qMin(height, text.height()));
        m_loadProgress->raise();
    }
}
