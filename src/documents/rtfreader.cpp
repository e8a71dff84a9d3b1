#include "rtfparser.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace RtfInternal {

namespace {

constexpr int MaxWordLength = 32;
constexpr int MaxDigits = 10;

bool isLetter(uchar c)
{
    return uchar((c | 0x20) - 'a') < 26;
}

bool isDigit(uchar c)
{
    return uchar(c - '0') < 10;
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

// A control word as read: its name, the name's hash for the keyword table, and its parameter.
struct ControlWord
{
    QByteArrayView name;
    quint32 hash = Rtf::HashSeed;
    qint64 value = 0;
    bool hasParam = false;
};

// Reads a control word from `pos`, at its first letter, through its delimiter; false when the
// parameter has too many digits, `pos` then stopping there. A word to look up also has its
// name hashed and fails beyond MaxWordLength letters; a skipped word may be of any length.
template<bool LookedUp>
bool readControlWord(QByteArrayView bytes, qsizetype &pos, ControlWord &word)
{
    const char *data = bytes.data();
    const qsizetype size = bytes.size();
    const qsizetype nameStart = pos;
    const qsizetype nameLimit = LookedUp ? std::min(size, nameStart + MaxWordLength + 1) : size;
    while (pos < nameLimit && isLetter(uchar(data[pos]))) {
        if constexpr (LookedUp)
            word.hash = Rtf::hashStep(word.hash, data[pos]);
        ++pos;
    }
    if (LookedUp && pos - nameStart > MaxWordLength)
        return false;
    word.name = QByteArrayView(data + nameStart, pos - nameStart);
    bool negative = false;
    if (pos + 1 < size && data[pos] == '-' && isDigit(uchar(data[pos + 1]))) {
        negative = true;
        ++pos;
    }
    const qsizetype digitStart = pos;
    qint64 value = 0;
    while (pos < size && isDigit(uchar(data[pos]))) {
        if (pos - digitStart >= MaxDigits)
            return false;
        value = value * 10 + (data[pos] - '0');
        ++pos;
    }
    word.hasParam = pos > digitStart;
    word.value = negative ? -value : value;
    if (pos < size && data[pos] == ' ')
        ++pos; // the delimiter belongs to the word
    return true;
}

// Bytes that end a stretch of ordinary text: braces, backslash and control characters
// (line ends in the file are no text; a tab is).
constexpr auto StopBytes = [] {
    std::array<bool, 256> stop {};
    for (int c = 0; c < 0x20; ++c)
        stop[c] = c != '\t';
    stop['{'] = stop['}'] = stop['\\'] = true;
    return stop;
}();

} // namespace

RtfError RtfParser::read()
{
    if (m_data.size() > m_limits.maxBytes) {
        m_pos = 0;
        return RtfError::TooLarge;
    }
    while (m_pos < m_data.size() && QChar::isSpace(uchar(m_data[m_pos])))
        ++m_pos;
    if (!m_data.sliced(m_pos).startsWith("{\\rtf"))
        return RtfError::NotRtf;
    if (m_plain)
        m_plainText.reserve(m_data.size() - m_pos);
    if (!parse())
        return m_error;
    flushRun();
    // Text after the last paragraph mark is a paragraph of its own, an empty one too: so a
    // final \par ends the last line.
    if (!m_plain && (!m_paragraph.runs.isEmpty() || !m_text.paragraphs.isEmpty()))
        m_text.paragraphs.append(std::move(m_paragraph));
    if (m_plain)
        m_plainText.squeeze();
    return RtfError::None;
}

bool RtfParser::parse()
{
    while (m_pos < m_data.size()) {
        if (m_state.destination == Destination::Skip && m_fallbackLeft == 0) {
            if (!skipGroupContent())
                return false;
        }
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

// Nothing in a skipped group matters but its end: nested groups are counted, escaped braces
// and binary data passed over, without looking at the control words.
bool RtfParser::skipGroupContent()
{
    const char *data = m_data.data();
    const qsizetype size = m_data.size();
    qsizetype depth = 0;
    while (m_pos < size) {
        const char *next = static_cast<const char *>(std::memchr(data + m_pos, '\\', size - m_pos));
        const qsizetype stop = next ? next - data : size;
        for (; m_pos < stop; ++m_pos) {
            if (data[m_pos] == '{') {
                ++depth;
            } else if (data[m_pos] == '}') {
                if (depth == 0)
                    return true;
                --depth;
            }
        }
        if (m_pos >= size)
            break;
        ++m_pos; // the backslash
        if (m_pos >= size)
            break;
        if (!isLetter(uchar(data[m_pos]))) {
            ++m_pos; // \{, \}, \\, \' and the other symbols
            continue;
        }
        // Only \bin matters here, for the bytes it covers.
        ControlWord word;
        if (!readControlWord<false>(m_data, m_pos, word))
            return fail(RtfError::Malformed);
        if (word.name == "bin" && word.value > 0) {
            if (word.value > size - m_pos)
                return fail(RtfError::Truncated);
            m_pos += word.value;
        }
    }
    return fail(RtfError::Truncated);
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
    ControlWord word;
    if (!readControlWord<true>(m_data, m_pos, word))
        return fail(RtfError::Malformed);
    return controlWord(
        word.name, word.hash, word.hasParam, int(std::clamp<qint64>(word.value, INT_MIN, INT_MAX)));
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
    if (m_fallbackLeft > 0 || m_state.destination != Destination::Text || m_state.hidden) {
        textByte(uchar(m_data[m_pos++]));
        return;
    }
    // Ordinary text: take the whole stretch up to the next special character at once.
    const qsizetype start = m_pos;
    const qsizetype size = m_data.size();
    const uchar *data = reinterpret_cast<const uchar *>(m_data.data());
    while (m_pos < size && !StopBytes[data[m_pos]])
        ++m_pos;
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

} // namespace RtfInternal

namespace {

// Both readers: the parser's error, or what `take` makes of a text read without one.
template<typename Result, typename Take>
Result readWith(
    QByteArrayView data, const RtfLimits &limits, RtfInternal::RtfParser::Output output, Take take)
{
    RtfInternal::RtfParser parser(data, limits, output);
    Result result;
    result.error = parser.read();
    if (result.ok())
        result.text = take(parser);
    else
        result.errorOffset = parser.position();
    return result;
}

} // namespace

RtfReadResult readRtf(QByteArrayView data, const RtfLimits &limits)
{
    return readWith<RtfReadResult>(data, limits, RtfInternal::RtfParser::Output::Rich,
        [](RtfInternal::RtfParser &parser) { return parser.takeRichText(); });
}

RtfTextResult readRtfText(QByteArrayView data, const RtfLimits &limits)
{
    return readWith<RtfTextResult>(data, limits, RtfInternal::RtfParser::Output::Plain,
        [](RtfInternal::RtfParser &parser) { return parser.takePlainText(); });
}
