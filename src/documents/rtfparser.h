#pragma once

// The RTF reader's parser, shared by its two source files: rtfreader.cpp reads the bytes
// (groups, control words and symbols, text), rtfparserwords.cpp acts on the control words and
// builds the text.

#include "codepage.h"
#include "rtfkeywords.h"
#include "rtfreader.h"

#include <QHash>

#include <optional>
#include <vector>

namespace RtfInternal {

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

// One pass over the bytes. Rich output builds paragraphs of formatted runs; plain output
// builds the text the rest of the program sees (paragraphs joined by CR LF) and nothing else.
class RtfParser
{
public:
    enum class Output { Rich, Plain };

    RtfParser(QByteArrayView data, const RtfLimits &limits, Output output)
        : m_data(data)
        , m_limits(limits)
        , m_plain(output == Output::Plain)
    { }

    // On success the text is in richText() or plainText().
    RtfError read();
    qsizetype position() const { return m_pos; }
    RichText takeRichText() { return std::move(m_text); }
    QString takePlainText() { return std::move(m_plainText); }

private:
    bool parse();
    bool openGroup();
    bool closeGroup(); // true when the outermost group has closed
    bool skipGroupContent(); // up to the brace that closes the current group
    bool control();
    bool controlWord(QByteArrayView name, quint32 hash, bool hasParam, int param);
    bool controlSymbol(uchar symbol);
    void plainBytes();
    void textByte(uchar byte);
    void fontTableWord(Keyword kind, int param, bool ignorable);
    void colorTableWord(Keyword kind, int param);
    bool textWord(Keyword kind, char16_t character, bool hasParam, int param);
    bool consumeFallback();

    void appendBytes(QByteArrayView bytes);
    void appendText(QStringView text);
    void appendDecoded(const QString &text);
    void flushBytes();
    void flushRun();
    bool paragraphIsEmpty();
    void dropTrailingTab();
    bool endParagraph();
    int codePage() const;
    bool fail(RtfError error);

    QByteArrayView m_data;
    RtfLimits m_limits;
    const bool m_plain;
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
    QByteArray m_bytes; // undecoded bytes of a code page other than Windows-1252
    qsizetype m_paragraphs = 0; // paragraph marks read

    // Rich output: the run being collected, its format, the paragraph and the text.
    QString m_run;
    CharFormat m_runFormat;
    RichParagraph m_paragraph;
    RichText m_text;

    // Plain output: the text, and where its current paragraph starts.
    QString m_plainText;
    qsizetype m_paragraphStart = 0;
};

} // namespace RtfInternal
