#pragma once

#include <QByteArrayView>

// The RTF control words the reader acts on; every other word is ignored.
namespace Rtf {

enum class Keyword : quint8 {
    Unknown,
    SkipDestination, // a group whose content is not document text
    Character, // a special character word (\emdash, \bullet, ...) or a field word (\chdate)
    FontTable,
    ColorTable,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Hidden,
    Plain,
    FontSize,
    ColorIndex,
    Font,
    UnicodeSkip,
    Unicode,
    Binary,
    AnsiCodePage,
    Ansi,
    Mac,
    Pc,
    Pca,
    DefaultFont,
    Charset,
    FontCodePage,
    Red,
    Green,
    Blue,
    Paragraph,
    Line,
    Tab,
    Cell,
    Row,
    PageBreak,
};

struct KeywordInfo
{
    Keyword kind = Keyword::Unknown;
    char16_t character = 0; // for Character: the character to insert, 0 for none
};

// FNV-1a over the name's bytes: the reader takes it while it reads the name.
constexpr quint32 HashSeed = 2166136261u;
constexpr quint32 hashStep(quint32 hash, char c)
{
    return (hash ^ uchar(c)) * 16777619u;
}

KeywordInfo lookupKeyword(QByteArrayView name);
// `hash` is the name's hash as hashStep gives it.
KeywordInfo lookupKeyword(QByteArrayView name, quint32 hash);

} // namespace Rtf
