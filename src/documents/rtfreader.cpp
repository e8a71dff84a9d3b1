#include "rtfreader.h"

#include "codepage.h"
#include "rtfkeywords.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace {

using Rtf::Keyword;

enum class Destination : quint8 { Text, Skip, FontTable, ColorTable };

struct GroupState
{
    CharFormat format;
    Destination destination = Destination::Text;
    int unicodeSkip = 1; // \ucN: fallback characters after each \uN
    int font = -1;
    bool hidden = false;
};

constexpr int MaxWordLength = 32;
constexpr int MaxDigits = 10;

bool isLetter(uchar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int hexValue(uchar c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class RtfParser
{
public:
    RtfParser(QByteArrayView data, const RtfLimits &limits)
        : m_data(data)
        , m_limits(limits)
    { }

    RtfReadResult read();

private:
    bool parse();
    bool openGroup();
    bool closeGroup(); // true when the outermost group has closed
    bool control();
    bool controlWord(QByteArrayView name, bool hasParam, int param);
    bool controlSymbol(uchar symbol);
    void plainBytes();
    void textByte(uchar byte);
    void fontTableWord(Keyword kind, int param, bool ignorable);
    void colorTableWord(Keyword kind, int param);
    bool textWord(Keyword kind, char16_t character, bool hasParam, int param);
    bool consumeFallback();

    void appendBytes(QByteArrayView bytes);
    void appendText(QStringView text);
    void flushBytes();
    void flushRun();
    bool endParagraph();
    int codePage() const;
    bool fail(RtfError error);

    QByteArrayView m_data;
    RtfLimits m_limits;
    qsizetype m_pos = 0;
    RtfError m_error = RtfError::None;

    std::vector<GroupState> m_stack;
    GroupState m_state;
    bool m_ignorableNext = false; // after \*
    int m_fallbackLeft = 0; // characters after \uN still to skip

    int m_documentCodePage = CodePage::Windows1252;
    int m_defaultFont = -1;
    int m_definedFont = -1; // the font table entry being read
    QHash<int, int> m_fontCodePages;
    std::vector<std::optional<quint32>> m_colors;
    quint32 m_pendingColor = 0;
    bool m_pendingColorSet = false;

    CodePageDecoder m_decoder;
    QByteArray m_bytes; // undecoded bytes of the current run
    QString m_run;
    CharFormat m_runFormat;
    RichParagraph m_paragraph;
    RichText m_text;
};

RtfReadResult RtfParser::read()
{
    RtfReadResult result;
    if (m_data.size() > m_limits.maxBytes) {
        result.error = RtfError::TooLarge;
        result.errorOffset = 0;
        return result;
    }
    while (m_pos < m_data.size() && QChar::isSpace(uchar(m_data[m_pos])))
        ++m_pos;
    if (!m_data.sliced(m_pos).startsWith("{\\rtf")) {
        result.error = RtfError::NotRtf;
        result.errorOffset = m_pos;
        return result;
    }
    if (!parse()) {
        result.error = m_error;
        result.errorOffset = m_pos;
        return result;
    }
    flushRun();
    if (!m_paragraph.runs.isEmpty())
        m_text.paragraphs.append(std::move(m_paragraph));
    result.text = std::move(m_text);
    return result;
}

bool RtfParser::parse()
{
    while (m_pos < m_data.size()) {
        const uchar c = uchar(m_data[m_pos]);
        switch (c) {
        case '{':
            ++m_pos;
            if (!openGroup())
                return false;
            break;
        case '}':
            ++m_pos;
            if (closeGroup())
                return true;
            break;
        case '\\':
            if (!control())
                return false;
            break;
        case '\r':
        case '\n':
            ++m_pos;
            break;
        default:
            plainBytes();
            break;
        }
    }
    return fail(RtfError::Truncated);
}

bool RtfParser::openGroup()
{
    flushBytes();
    m_fallbackLeft = 0;
    m_ignorableNext = false;
    if (int(m_stack.size()) >= m_limits.maxDepth)
        return fail(RtfError::TooDeep);
    m_stack.push_back(m_state);
    return true;
}

bool RtfParser::closeGroup()
{
    flushBytes();
    m_fallbackLeft = 0;
    m_ignorableNext = false;
    if (m_state.destination == Destination::ColorTable && m_stack.size() > 0
        && m_stack.back().destination != Destination::ColorTable && m_pendingColorSet) {
        // The last entry of a colour table may lack its ';'.
        m_colors.push_back(m_pendingColor);
        m_pendingColorSet = false;
    }
    m_state = m_stack.back();
    m_stack.pop_back();
    return m_stack.empty();
}

bool RtfParser::control()
{
    ++m_pos; // the backslash
    if (m_pos >= m_data.size())
        return fail(RtfError::Truncated);
    const uchar first = uchar(m_data[m_pos]);
    if (!isLetter(first)) {
        ++m_pos;
        return controlSymbol(first);
    }
    const qsizetype nameStart = m_pos;
    while (m_pos < m_data.size() && isLetter(uchar(m_data[m_pos]))) {
        if (++m_pos - nameStart > MaxWordLength)
            return fail(RtfError::Malformed);
    }
    const QByteArrayView name = m_data.sliced(nameStart, m_pos - nameStart);
    bool negative = false;
    if (m_pos + 1 < m_data.size() && m_data[m_pos] == '-' && m_data[m_pos + 1] >= '0'
        && m_data[m_pos + 1] <= '9') {
        negative = true;
        ++m_pos;
    }
    const qsizetype digitStart = m_pos;
    qint64 value = 0;
    while (m_pos < m_data.size() && m_data[m_pos] >= '0' && m_data[m_pos] <= '9') {
        if (m_pos - digitStart >= MaxDigits)
            return fail(RtfError::Malformed);
        value = value * 10 + (m_data[m_pos] - '0');
        ++m_pos;
    }
    const bool hasParam = m_pos > digitStart;
    if (m_pos < m_data.size() && m_data[m_pos] == ' ')
        ++m_pos; // the delimiter belongs to the word
    value = std::clamp<qint64>(negative ? -value : value, INT_MIN, INT_MAX);
    return controlWord(name, hasParam, int(value));
}

bool RtfParser::controlWord(QByteArrayView name, bool hasParam, int param)
{
    flushBytes();
    const Rtf::KeywordInfo word = Rtf::lookupKeyword(name);
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
        if (code < 0x20 && code != '\t') {
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
        flushRun();
        if (!m_paragraph.runs.isEmpty() && m_paragraph.runs.last().text.endsWith(u'\t')) {
            m_paragraph.runs.last().text.chop(1);
            if (m_paragraph.runs.last().text.isEmpty())
                m_paragraph.runs.removeLast();
        }
        return endParagraph();
    case Keyword::PageBreak:
        flushRun();
        if (!m_paragraph.runs.isEmpty())
            return endParagraph();
        break;
    default:
        break;
    }
    return true;
}

bool RtfParser::controlSymbol(uchar symbol)
{
    if (symbol == '\'') {
        if (m_pos + 2 > m_data.size())
            return fail(RtfError::Truncated);
        const int high = hexValue(uchar(m_data[m_pos]));
        const int low = hexValue(uchar(m_data[m_pos + 1]));
        if (high < 0 || low < 0)
            return true; // not a hex escape: the characters are read as text
        m_pos += 2;
        if (consumeFallback() || m_state.destination != Destination::Text || m_state.hidden)
            return true;
        const char byte = char(high * 16 + low);
        if (uchar(byte) >= 0x20 || byte == '\t')
            appendBytes(QByteArrayView(&byte, 1));
        return true;
    }
    flushBytes();
    if (consumeFallback())
        return true;
    if (symbol == '*') {
        m_ignorableNext = true;
        return true;
    }
    if (m_state.destination != Destination::Text)
        return true;
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        appendBytes(QByteArrayView(reinterpret_cast<const char *>(&symbol), 1));
        break;
    case '~':
        appendText(u"\u00A0");
        break;
    case '_':
        appendText(u"\u2011");
        break;
    case '\r':
    case '\n':
        return endParagraph();
    default: // \- optional hyphen, \: index subentry, \| formula: nothing to show
        break;
    }
    return true;
}

// Skips one fallback character of the last \uN; true when the token was skipped.
bool RtfParser::consumeFallback()
{
    if (m_fallbackLeft <= 0)
        return false;
    --m_fallbackLeft;
    return true;
}

void RtfParser::plainBytes()
{
    if (m_fallbackLeft == 0 && m_state.destination == Destination::Skip) {
        while (m_pos < m_data.size() && m_data[m_pos] != '{' && m_data[m_pos] != '}'
            && m_data[m_pos] != '\\')
            ++m_pos;
        return;
    }
    if (m_fallbackLeft > 0 || m_state.destination != Destination::Text || m_state.hidden) {
        textByte(uchar(m_data[m_pos++]));
        return;
    }
    // Ordinary text: take the whole stretch up to the next special character at once.
    const qsizetype start = m_pos;
    while (m_pos < m_data.size()) {
        const uchar c = uchar(m_data[m_pos]);
        if (c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n' || (c < 0x20 && c != '\t'))
            break;
        ++m_pos;
    }
    if (m_pos > start)
        appendBytes(m_data.sliced(start, m_pos - start));
    else
        ++m_pos; // a control character: dropped
}

void RtfParser::textByte(uchar byte)
{
    if (consumeFallback())
        return;
    switch (m_state.destination) {
    case Destination::ColorTable:
        if (byte == ';') {
            m_colors.push_back(
                m_pendingColorSet ? std::optional<quint32>(m_pendingColor) : std::nullopt);
            m_pendingColor = 0;
            m_pendingColorSet = false;
        }
        return;
    case Destination::Text:
        if (!m_state.hidden && (byte >= 0x20 || byte == '\t'))
            appendBytes(QByteArrayView(reinterpret_cast<const char *>(&byte), 1));
        return;
    default:
        return;
    }
}

void RtfParser::appendBytes(QByteArrayView bytes)
{
    if (m_state.format != m_runFormat)
        flushRun();
    m_runFormat = m_state.format;
    m_bytes.append(bytes);
}

void RtfParser::appendText(QStringView text)
{
    if (m_state.hidden || m_state.destination != Destination::Text)
        return;
    flushBytes();
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
    // Converters put control characters in place of bytes they cannot map (U+001A).
    text.removeIf([](QChar c) { return c.unicode() < 0x20 && c != u'\t'; });
    m_run.append(text);
    m_bytes.clear();
}

void RtfParser::flushRun()
{
    flushBytes();
    if (m_run.isEmpty())
        return;
    m_paragraph.append(m_run, m_runFormat);
    m_run.clear();
}

bool RtfParser::endParagraph()
{
    flushRun();
    if (m_text.paragraphs.size() >= m_limits.maxParagraphs)
        return fail(RtfError::TooLarge);
    m_text.paragraphs.append(std::move(m_paragraph));
    m_paragraph = RichParagraph();
    return true;
}

int RtfParser::codePage() const
{
    const int fontPage = m_fontCodePages.value(m_state.font, 0);
    return fontPage > 0 ? fontPage : m_documentCodePage;
}

bool RtfParser::fail(RtfError error)
{
    m_error = error;
    return false;
}

} // namespace

RtfReadResult readRtf(QByteArrayView data, const RtfLimits &limits)
{
    return RtfParser(data, limits).read();
}
