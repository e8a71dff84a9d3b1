#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <map>
#include <memory>
#include <optional>

// 8-bit code pages of RTF files. Windows-1252 is built in (the writer uses it and it is the
// fallback); other code pages are decoded by Qt's converters where the system offers them.
namespace CodePage {

constexpr int Windows1252 = 1252;

// The undefined bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D give U+FFFD.
QChar fromWindows1252(uchar byte);
// The Windows-1252 byte of `c`, if the code page has one.
std::optional<uchar> toWindows1252(QChar c);

// As Windows converts them: the undefined bytes give the C1 control of the same number, and
// those controls give the byte back, so that any byte sequence survives a read and a write.
QChar fromWindows1252Lossless(uchar byte);
std::optional<uchar> toWindows1252Lossless(QChar c);

// The code page a font's \fcharset stands for; 0 means "the document's code page".
int forCharset(int charset);

// Control characters have no place in document text: C0 except the tab, DEL and C1.
constexpr bool isControl(char16_t c)
{
    return (c < 0x20 && c != u'\t') || (c >= 0x7F && c <= 0x9F);
}

} // namespace CodePage

// Decodes bytes in any code page number, keeping one converter per code page.
class CodePageDecoder
{
public:
    QString decode(QByteArrayView bytes, int codePage);

private:
    QStringDecoder *decoderFor(int codePage);

    // nullptr: the system has no converter for that code page.
    std::map<int, std::unique_ptr<QStringDecoder>> m_decoders;
};
