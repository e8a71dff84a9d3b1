#include "rtfparser.h"

#include <algorithm>
#include <utility>

namespace RtfInternal {

bool RtfParser::controlWord(QByteArrayView name, quint32 hash, bool hasParam, int param)
{
    if (!m_bytes.isEmpty())
        flushBytes();
    const Rtf::KeywordInfo word = Rtf::lookupKeyword(name, hash);
    // Most words of a word processor's file are none of ours: nothing to do for them.
    if (word.kind == Keyword::Unknown && m_fallbackLeft == 0 && !m_ignorableNext)
        return true;
    if (word.kind == Keyword::Binary) {
        // Binary data is skipped wherever it stands; it counts as one fallback character.
        const qsizetype length = hasParam ? std::max(param, 0) : 0;
        if (length > m_data.size() - m_pos)
            return fail(RtfError::Truncated);
        m_pos += length;
        consumeFallback();
        return true;
    }
    if (consumeFallback())
        return true;
    const bool ignorable = std::exchange(m_ignorableNext, false);

    switch (m_state.destination) {
    case Destination::Skip:
        return true;
    case Destination::FontTable:
        fontTableWord(word.kind, param, ignorable);
        return true;
    case Destination::ColorTable:
        colorTableWord(word.kind, param);
        return true;
    case Destination::Text:
        break;
    }
    if (ignorable) {
        m_state.destination = Destination::Skip;
        return true;
    }
    return textWord(word.kind, word.character, hasParam, param);
}

void RtfParser::fontTableWord(Keyword kind, int param, bool ignorable)
{
    switch (kind) {
    case Keyword::Font:
        m_definedFont = param;
        break;
    case Keyword::Charset:
        m_fontCodePages.insert(m_definedFont, CodePage::forCharset(param));
        break;
    case Keyword::FontCodePage:
        m_fontCodePages.insert(m_definedFont, param);
        break;
    case Keyword::SkipDestination:
        m_state.destination = Destination::Skip;
        break;
    default:
        if (ignorable)
            m_state.destination = Destination::Skip;
        break;
    }
}

void RtfParser::colorTableWord(Keyword kind, int param)
{
    const quint32 component = quint32(std::clamp(param, 0, 255));
    switch (kind) {
    case Keyword::Red:
        m_pendingColor = (m_pendingColor & 0x00FFFF) | (component << 16);
        m_pendingColorSet = true;
        break;
    case Keyword::Green:
        m_pendingColor = (m_pendingColor & 0xFF00FF) | (component << 8);
        m_pendingColorSet = true;
        break;
    case Keyword::Blue:
        m_pendingColor = (m_pendingColor & 0xFFFF00) | component;
        m_pendingColorSet = true;
        break;
    default:
        break;
    }
}

bool RtfParser::textWord(Keyword kind, char16_t character, bool hasParam, int param)
{
    CharFormat &format = m_state.format;
    const bool on = !hasParam || param != 0;
    switch (kind) {
    case Keyword::SkipDestination:
        m_state.destination = Destination::Skip;
        break;
    case Keyword::FontTable:
        m_state.destination = Destination::FontTable;
        break;
    case Keyword::ColorTable:
        m_state.destination = Destination::ColorTable;
        m_colors.clear();
        m_pendingColor = 0;
        m_pendingColorSet = false;
        break;
    case Keyword::Character:
        if (character != 0)
            appendText(QStringView(&character, 1));
        break;
    case Keyword::Bold:
        format.bold = on;
        break;
    case Keyword::Italic:
        format.italic = on;
        break;
    case Keyword::Underline:
        format.underline = on;
        break;
    case Keyword::UnderlineNone:
        format.underline = false;
        break;
    case Keyword::Hidden:
        m_state.hidden = on;
        break;
    case Keyword::Plain:
        format = CharFormat();
        m_state.hidden = false;
        m_state.font = m_defaultFont;
        break;
    case Keyword::FontSize:
        format.halfPoints
            = hasParam && param > 0 ? std::min(param, 3276) : CharFormat::DefaultHalfPoints;
        break;
    case Keyword::ColorIndex:
        if (param >= 0 && size_t(param) < m_colors.size())
            format.color = m_colors[size_t(param)];
        else
            format.color.reset();
        break;
    case Keyword::Font:
        m_state.font = param;
        break;
    case Keyword::DefaultFont:
        m_defaultFont = param;
        if (m_state.font < 0)
            m_state.font = param;
        break;
    case Keyword::UnicodeSkip:
        m_state.unicodeSkip = std::clamp(param, 0, 16);
        break;
    case Keyword::Unicode: {
        if (!hasParam)
            break;
        // Negative values are UTF-16 code units above 32767; a surrogate pair comes as two
        // words and joins up in the text.
        const qint64 code = param < 0 ? qint64(param) + 65536 : param;
        if (code <= 0xFFFF && CodePage::isControl(char16_t(code))) {
            // control characters are no document text
        } else if (code <= 0xFFFF) {
            const QChar unit {char16_t(code)};
            appendText(QStringView(&unit, 1));
        } else if (code > 0xFFFF && code <= 0x10FFFF) {
            const char32_t point = char32_t(code);
            appendText(QStringView(QString::fromUcs4(&point, 1)));
        }
        m_fallbackLeft = m_state.unicodeSkip;
        break;
    }
    case Keyword::AnsiCodePage:
        if (param > 0)
            m_documentCodePage = param;
        break;
    case Keyword::Ansi:
        m_documentCodePage = CodePage::Windows1252;
        break;
    case Keyword::Mac:
        m_documentCodePage = 10000;
        break;
    case Keyword::Pc:
        m_documentCodePage = 437;
        break;
    case Keyword::Pca:
        m_documentCodePage = 850;
        break;
    case Keyword::Paragraph:
        // A hidden paragraph mark joins its paragraph to the next one.
        return m_state.hidden || endParagraph();
    case Keyword::Line:
        appendText(QStringView(&LineSeparator, 1));
        break;
    case Keyword::Tab:
    case Keyword::Cell:
        appendText(u"\t");
        break;
    case Keyword::Row:
        // Cells are separated by tabs; the row's last cell needs none.
        dropTrailingTab();
        return endParagraph();
    case Keyword::PageBreak:
        if (!paragraphIsEmpty())
            return endParagraph();
        break;
    default:
        break;
    }
    return true;
}

void RtfParser::appendBytes(QByteArrayView bytes)
{
    if (!m_plain && m_state.format != m_runFormat)
        flushRun();
    m_runFormat = m_state.format;
    if (codePage() != CodePage::Windows1252) {
        // Multi-byte code pages: a character's bytes may come as several \'hh escapes.
        m_bytes.append(bytes);
        return;
    }
    flushBytes();
    QString &out = m_plain ? m_plainText : m_run;
    const bool latin1 = std::none_of(
        bytes.begin(), bytes.end(), [](char b) { return uchar(b) >= 0x7F && uchar(b) < 0xA0; });
    if (latin1) {
        out.append(QLatin1StringView(bytes));
        return;
    }
    for (const char b : bytes) {
        const QChar c = CodePage::fromWindows1252(uchar(b));
        if (!CodePage::isControl(c.unicode()))
            out.append(c);
    }
}

void RtfParser::appendText(QStringView text)
{
    if (m_state.hidden || m_state.destination != Destination::Text)
        return;
    flushBytes();
    if (m_plain) {
        if (text.size() == 1 && text.front() == LineSeparator)
            m_plainText.append(u"\r\n");
        else
            m_plainText.append(text);
        return;
    }
    if (m_state.format != m_runFormat)
        flushRun();
    m_runFormat = m_state.format;
    m_run.append(text);
}

void RtfParser::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    QString text = m_decoder.decode(m_bytes, codePage());
    m_bytes.clear();
    // Converters put control characters in place of bytes they cannot map (U+001A).
    text.removeIf([](QChar c) { return CodePage::isControl(c.unicode()); });
    if (m_plain) {
        text.replace(LineSeparator, QStringLiteral("\r\n"));
        m_plainText.append(text);
    } else {
        m_run.append(text);
    }
}

void RtfParser::flushRun()
{
    flushBytes();
    if (m_plain || m_run.isEmpty())
        return;
    m_paragraph.append(m_run, m_runFormat);
    m_run.clear();
}

bool RtfParser::paragraphIsEmpty()
{
    flushRun();
    return m_plain ? m_plainText.size() == m_paragraphStart : m_paragraph.runs.isEmpty();
}

void RtfParser::dropTrailingTab()
{
    flushRun();
    if (m_plain) {
        if (m_plainText.size() > m_paragraphStart && m_plainText.endsWith(u'\t'))
            m_plainText.chop(1);
        return;
    }
    if (!m_paragraph.runs.isEmpty() && m_paragraph.runs.last().text.endsWith(u'\t')) {
        m_paragraph.runs.last().text.chop(1);
        if (m_paragraph.runs.last().text.isEmpty())
            m_paragraph.runs.removeLast();
    }
}

bool RtfParser::endParagraph()
{
    flushRun();
    if (m_paragraphs >= m_limits.maxParagraphs)
        return fail(RtfError::TooLarge);
    ++m_paragraphs;
    if (m_plain) {
        m_plainText.append(u"\r\n");
        m_paragraphStart = m_plainText.size();
        return true;
    }
    m_text.paragraphs.append(std::move(m_paragraph));
    m_paragraph = RichParagraph();
    return true;
}

int RtfParser::codePage() const
{
    const int fontPage = m_fontCodePages.isEmpty() ? 0 : m_fontCodePages.value(m_state.font, 0);
    return fontPage > 0 ? fontPage : m_documentCodePage;
}

bool RtfParser::fail(RtfError error)
{
    m_error = error;
    return false;
}

} // namespace RtfInternal
