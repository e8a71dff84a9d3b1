#include "codepage.h"

#include <array>

namespace {

constexpr char16_t Undefined = 0xFFFD;

// Windows-1252 differs from Latin-1 only in 0x80..0x9F. Five of these bytes are undefined;
// they read as the replacement character, and no character is written as one of them.
constexpr std::array<char16_t, 32> HighBytes = {
    0x20AC,
    Undefined,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    Undefined,
    0x017D,
    Undefined,
    Undefined,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    Undefined,
    0x017E,
    0x0178,
};

QByteArray converterName(int codePage)
{
    switch (codePage) {
    case 437:
    case 850:
    case 852:
    case 855:
    case 857:
    case 860:
    case 861:
    case 862:
    case 863:
    case 865:
    case 866:
    case 869:
        return "IBM" + QByteArray::number(codePage);
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 10000:
        return "macintosh";
    case 65001:
        return "UTF-8";
    default:
        if (codePage == 874 || (codePage >= 1250 && codePage <= 1258))
            return "windows-" + QByteArray::number(codePage);
        return {};
    }
}

} // namespace

namespace CodePage {

QChar fromWindows1252(uchar byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(HighBytes[byte - 0x80]);
    return QChar(byte);
}

std::optional<uchar> toWindows1252(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return uchar(u);
    if (u == Undefined)
        return std::nullopt;
    for (size_t i = 0; i < HighBytes.size(); ++i) {
        if (HighBytes[i] == u)
            return uchar(0x80 + i);
    }
    return std::nullopt;
}

QChar fromWindows1252Lossless(uchar byte)
{
    const QChar c = fromWindows1252(byte);
    return c.unicode() == Undefined ? QChar(byte) : c;
}

std::optional<uchar> toWindows1252Lossless(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x80 && u < 0xA0 && HighBytes[u - 0x80] == Undefined)
        return uchar(u);
    return toWindows1252(c);
}

int forCharset(int charset)
{
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

} // namespace CodePage

QString CodePageDecoder::decode(QByteArrayView bytes, int codePage)
{
    if (codePage != CodePage::Windows1252) {
        if (QStringDecoder *decoder = decoderFor(codePage)) {
            decoder->resetState();
            QString text = decoder->decode(bytes);
            // A lead byte cut off at the end is dropped rather than kept as pending state.
            decoder->resetState();
            return text;
        }
    }
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char b : bytes)
        *out++ = CodePage::fromWindows1252(uchar(b));
    return text;
}

QStringDecoder *CodePageDecoder::decoderFor(int codePage)
{
    auto it = m_decoders.find(codePage);
    if (it == m_decoders.end()) {
        std::unique_ptr<QStringDecoder> decoder;
        const QByteArray name = converterName(codePage);
        if (!name.isEmpty()) {
            decoder = std::make_unique<QStringDecoder>(name.constData());
            if (!decoder->isValid())
                decoder.reset();
        }
        it = m_decoders.emplace(codePage, std::move(decoder)).first;
    }
    return it->second.get();
}
