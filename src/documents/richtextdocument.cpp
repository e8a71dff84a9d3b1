#include "richtextdocument.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <array>
#include <cmath>
#include <map>
#include <vector>

namespace RichTextDocument {

QTextCharFormat toCharFormat(const CharFormat &format)
{
    QTextCharFormat result;
    result.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    result.setFontItalic(format.italic);
    result.setFontUnderline(format.underline);
    result.setFontPointSize(format.halfPoints / 2.0);
    if (format.color)
        result.setForeground(QColor(QRgb(0xFF000000u | *format.color)));
    return result;
}

CharFormat fromCharFormat(const QTextCharFormat &format, int defaultHalfPoints)
{
    CharFormat result;
    result.bold = format.fontWeight() >= QFont::DemiBold;
    result.italic = format.fontItalic();
    result.underline = format.fontUnderline();
    const qreal points = format.fontPointSize();
    result.halfPoints = points > 0 ? int(std::lround(points * 2)) : defaultHalfPoints;
    if (format.hasProperty(QTextFormat::ForegroundBrush)
        && format.foreground().style() != Qt::NoBrush)
        result.color = format.foreground().color().rgb() & 0xFFFFFFu;
    return result;
}

RichText fromDocument(const QTextDocument &document)
{
    const qreal defaultPoints = document.defaultFont().pointSizeF();
    const int defaultHalfPoints
        = defaultPoints > 0 ? int(std::lround(defaultPoints * 2)) : CharFormat::DefaultHalfPoints;
    RichText result;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        RichParagraph paragraph;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            QString text = fragment.text();
            // Pictures and other objects are not kept in the file.
            text.remove(QChar::ObjectReplacementCharacter);
            paragraph.append(text, fromCharFormat(fragment.charFormat(), defaultHalfPoints));
        }
        result.paragraphs.append(paragraph);
    }
    return result;
}

Builder::Builder(RichText text, const QFont &defaultFont)
    : m_text(std::move(text))
    , m_document(std::make_unique<QTextDocument>())
{
    m_document->setDefaultFont(defaultFont);
    m_document->setUndoRedoEnabled(false);
    m_cursor = QTextCursor(m_document.get());
}

Builder::~Builder() = default;

bool Builder::build(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    const qsizetype count = m_text.paragraphs.size();
    m_cursor.beginEditBlock();
    while (m_next < count) {
        if (m_next > 0)
            m_cursor.insertBlock();
        for (const RichRun &run : m_text.paragraphs[m_next].runs)
            m_cursor.insertText(run.text, toCharFormat(run.format));
        ++m_next;
        // The clock is read every few paragraphs only.
        if (m_next % 64 == 0 && clock.elapsed() >= milliseconds)
            break;
    }
    m_cursor.endEditBlock();
    return m_next >= count;
}

int Builder::percentDone() const
{
    const qsizetype count = m_text.paragraphs.size();
    return count == 0 ? 100 : int(m_next * 100 / count);
}

std::unique_ptr<QTextDocument> Builder::takeDocument()
{
    m_cursor = QTextCursor();
    m_document->setUndoRedoEnabled(true);
    return std::move(m_document);
}

namespace {

// Character widths and line height of the text font at one size.
struct SizeMetrics
{
    std::array<qreal, 256> latin1 {};
    qreal widest = 0; // for every other character
    qreal lineHeight = 0;

    SizeMetrics(const QFont &defaultFont, int halfPoints)
    {
        QFont font = defaultFont;
        font.setPointSizeF(halfPoints / 2.0);
        font.setBold(true); // the wider of the two
        const QFontMetricsF metrics(font);
        for (int c = 0x20; c < 0x100; ++c)
            latin1[c] = metrics.horizontalAdvance(QChar(c));
        latin1['\t'] = 80; // the document's tab stop distance
        widest = metrics.maxWidth();
        lineHeight = std::ceil(metrics.lineSpacing());
    }
    qreal width(QChar c) const { return c.unicode() < 0x100 ? latin1[c.unicode()] : widest; }
};

} // namespace

std::optional<qreal> narrowestWrap(
    const RichText &text, const QFont &defaultFont, qreal minimum, qreal tallest)
{
    std::map<int, SizeMetrics> sizes; // by half points
    const auto metrics = [&](int halfPoints) -> const SizeMetrics & {
        auto it = sizes.find(halfPoints);
        if (it == sizes.end())
            it = sizes.try_emplace(halfPoints, defaultFont, halfPoints).first;
        return it->second;
    };
    struct Extent
    {
        qreal advance = 0;
        qreal lineHeight = 0;
    };
    std::vector<Extent> extents;
    extents.reserve(size_t(text.paragraphs.size()));
    for (const RichParagraph &paragraph : text.paragraphs) {
        Extent e;
        e.lineHeight = metrics(CharFormat::DefaultHalfPoints).lineHeight;
        for (const RichRun &run : paragraph.runs) {
            const SizeMetrics &m = metrics(run.format.halfPoints);
            e.lineHeight = qMax(e.lineHeight, m.lineHeight);
            for (const QChar c : run.text)
                e.advance += m.width(c);
        }
        extents.push_back(e);
    }
    const auto height = [&extents](qreal width) {
        qreal total = 0;
        for (const Extent &e : extents)
            total += e.lineHeight * qMax<qreal>(1, std::ceil(e.advance / (width / 2)));
        return total;
    };
    if (height(minimum) <= tallest)
        return minimum;
    qreal wide = minimum;
    do {
        wide *= 2;
        if (wide > 64 * minimum)
            return std::nullopt;
    } while (height(wide) > tallest);
    qreal narrow = wide / 2;
    for (int i = 0; i < 16; ++i) {
        const qreal middle = (narrow + wide) / 2;
        (height(middle) <= tallest ? wide : narrow) = middle;
    }
    return std::ceil(wide);
}

} // namespace RichTextDocument
