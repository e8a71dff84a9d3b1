#include "rtfwriter.h"

#include "codepage.h"

#include <QList>

namespace {

constexpr char Hex[] = "0123456789abcdef";

class RtfWriter
{
public:
    explicit RtfWriter(const RichText &text)
        : m_text(text)
    { }

    QByteArray write();

private:
    void collectColors();
    void writeHeader();
    void writeFormat(const CharFormat &format);
    void writeText(const QString &text);
    int colorIndex(const std::optional<quint32> &color) const;

    const RichText &m_text;
    QList<quint32> m_colors;
    CharFormat m_current;
    QByteArray m_out;
    bool m_needsDelimiter = false; // the last control word needs a space before plain text
};

QByteArray RtfWriter::write()
{
    collectColors();
    writeHeader();
    // A paragraph mark between paragraphs: a mark after the last one would read back as a
    // line end of its own.
    for (qsizetype i = 0; i < m_text.paragraphs.size(); ++i) {
        if (i > 0) {
            m_out += "\\par\r\n";
            m_needsDelimiter = false;
        }
        for (const RichRun &run : m_text.paragraphs[i].runs) {
            writeFormat(run.format);
            writeText(run.text);
        }
    }
    m_out += "}\r\n";
    return m_out;
}

void RtfWriter::collectColors()
{
    for (const RichParagraph &paragraph : m_text.paragraphs) {
        for (const RichRun &run : paragraph.runs) {
            if (run.format.color && !m_colors.contains(*run.format.color))
                m_colors.append(*run.format.color);
        }
    }
}

void RtfWriter::writeHeader()
{
    m_out.reserve(256 + m_text.paragraphs.size() * 40);
    m_out += "{\\rtf1\\ansi\\ansicpg1252\\deff0"
             "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n";
    if (!m_colors.isEmpty()) {
        m_out += "{\\colortbl ;";
        for (quint32 rgb : m_colors) {
            m_out += "\\red" + QByteArray::number((rgb >> 16) & 0xFF);
            m_out += "\\green" + QByteArray::number((rgb >> 8) & 0xFF);
            m_out += "\\blue" + QByteArray::number(rgb & 0xFF) + ';';
        }
        m_out += "}\r\n";
    }
    m_out += "\\viewkind4\\uc1\\pard\\plain\\f0\\fs24";
    m_needsDelimiter = true;
}

void RtfWriter::writeFormat(const CharFormat &format)
{
    const auto word = [this](const QByteArray &w) {
        m_out += w;
        m_needsDelimiter = true;
    };
    if (format.bold != m_current.bold)
        word(format.bold ? "\\b" : "\\b0");
    if (format.italic != m_current.italic)
        word(format.italic ? "\\i" : "\\i0");
    if (format.underline != m_current.underline)
        word(format.underline ? "\\ul" : "\\ulnone");
    if (format.halfPoints != m_current.halfPoints)
        word("\\fs" + QByteArray::number(format.halfPoints));
    if (format.color != m_current.color)
        word("\\cf" + QByteArray::number(colorIndex(format.color)));
    m_current = format;
}

void RtfWriter::writeText(const QString &text)
{
    if (text.isEmpty())
        return;
    if (m_needsDelimiter) {
        m_out += ' ';
        m_needsDelimiter = false;
    }
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7F) {
            if (u == '\\' || u == '{' || u == '}')
                m_out += '\\';
            m_out += char(u);
        } else if (u == '\t') {
            m_out += "\\tab ";
        } else if (c == LineSeparator) {
            m_out += "\\line ";
        } else if (CodePage::isControl(u)) {
            // other control characters have no place in a document
        } else if (const auto byte = CodePage::toWindows1252(c)) {
            m_out += "\\'";
            m_out += Hex[*byte >> 4];
            m_out += Hex[*byte & 0xF];
        } else {
            // \uN takes a signed 16-bit number; the ? stands in for readers without Unicode.
            m_out += "\\u" + QByteArray::number(qint16(u)) + '?';
        }
    }
}

int RtfWriter::colorIndex(const std::optional<quint32> &color) const
{
    return color ? int(m_colors.indexOf(*color)) + 1 : 0;
}

} // namespace

QByteArray writeRtf(const RichText &text)
{
    return RtfWriter(text).write();
}
