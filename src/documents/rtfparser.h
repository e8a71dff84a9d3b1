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

} // namespace RtfInternal
