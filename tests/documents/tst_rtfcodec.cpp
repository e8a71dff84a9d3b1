// The RTF reader and writer: files as word processors write them, control words, hostile
// input, and the round trip through our own writer.

#include "documents/rtfreader.h"
#include "documents/rtfwriter.h"
#include "support/diskfiles.h"

#include <QDir>
#include <QTest>

static QByteArray fixture(const QString &name)
{
    return readAll(QStringLiteral(KALUMET_TEST_DATA_DIR "/documents/") + name);
}

class tst_RtfCodec : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Each file read with and without its formats: the same text, or the same error at the same
    // place; what is refused is refused in bounded time and memory, with nothing read.
    void readsWordProcessorFilesAndControlWords_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<RtfError>("error");
        const auto row = [](const char *name, const QByteArray &rtf, const char *expected,
                             RtfError error = RtfError::None) {
            QTest::newRow(name) << rtf << QString::fromUtf8(expected) << error;
        };
        const QByteArray word = fixture("word_style.rtf");
        row("MS Word", word,
            "Messbericht\r\nTitration von Salzs\u00E4ure mit Natronlauge\r\nVolumen\tpH\r\n"
            "10,00\t7,02\r\n\u03B1\u03B2\u03B3 \u2013 \u20AC Euro sichtbar\r\nBild danach\r\n");
        // The last paragraph mark ends the last line, so a listing's last row has its line end.
        row("final par ends the line",
            R"({\rtf1 Probe\par   0.000   3.00 \par   0.200   3.10 \par})",
            "Probe\r\n  0.000   3.00 \r\n  0.200   3.10 \r\n");
        row("surrogate pair, uc per group", R"({\rtf1 \u-10179?\u-8704?{\uc2 \u946 XX}z})",
            "\U0001F600\u03B2z");
        // \uN is a signed 16-bit number; some writers put the unsigned value.
        row("u above 7FFF, signed and unsigned",
            R"({\rtf1 \u32767?\u-32768?\u-3?\u32768?\u65533?})", "\u7FFF\u8000\uFFFD\u8000\uFFFD");
        row("binary data, hidden text, destinations",
            "{\\rtf1 a{\\pict\\bin3 }{\\}b{\\v c\\par}{\\info{\\title T}}\\line d}", "ab\r\nd");
        row("control characters dropped",
            QByteArray("{\\rtf1 a\x01") + '\0' + "b\\u1?c\\'0dd\\'09e\\u127?\\u133?\x7f\\'7f.}",
            "abcd\te.");

        row("refused: plain text", "Volumen 1,00 mL", "", RtfError::NotRtf);
        row("refused: Word file cut in half", word.left(word.size() / 2), "", RtfError::Truncated);
        row("refused: one group too deep", "{\\rtf1 " + QByteArray(RtfLimits().maxDepth, '{'), "",
            RtfError::TooDeep);
        row("refused: one paragraph too many",
            "{\\rtf1 " + QByteArray("\\par ").repeated(RtfLimits().maxParagraphs + 1) + "}", "",
            RtfError::TooLarge);
        row("refused: one digit too many", "{\\rtf1 \\fs99999999999}", "", RtfError::Malformed);
    }
    void readsWordProcessorFilesAndControlWords()
    {
        QFETCH(QByteArray, rtf);
        const RtfReadResult result = readRtf(rtf);
        const RtfTextResult plain = readRtfText(rtf);
        QTEST(result.error, "error");
        QTEST(plain.error, "error");
        QCOMPARE(plain.errorOffset, result.errorOffset);
        QTEST(result.text.plainText(), "expected");
        QTEST(plain.text, "expected");
        if (result.error != RtfError::None)
            QVERIFY(result.text.paragraphs.isEmpty());
    }

    // Windows-1252 from its published table, byte by byte: read from \'hh and from raw 8-bit
    // text, and written as \'hh. The five bytes the code page leaves undefined read as U+FFFD,
    // and nothing is written as one of them.
    void windows1252HighBytesMatchTheCodePage_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("character");
        constexpr char16_t Undefined = 0xFFFD;
        constexpr char16_t Table[32] = {0x20AC, Undefined, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020,
            0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, Undefined, 0x017D, Undefined, Undefined,
            0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A,
            0x0153, Undefined, 0x017E, 0x0178};
        for (int b = 0x80; b <= 0x9F; ++b)
            QTest::addRow("%02X", b) << b << int(Table[b - 0x80]);
        QTest::newRow("A0") << 0xA0 << 0x00A0;
        QTest::newRow("FF") << 0xFF << 0x00FF;
    }
    void windows1252HighBytesMatchTheCodePage()
    {
        QFETCH(int, byte);
        QFETCH(int, character);
        const QByteArray hex = QByteArray::number(byte, 16);
        const QString expected {QChar(char16_t(character))};
        QCOMPARE(readRtf("{\\rtf1\\ansi \\'" + hex + "}").text.plainText(), expected);
        QCOMPARE(
            readRtf("{\\rtf1\\ansi " + QByteArray(1, char(byte)) + "}").text.plainText(), expected);
        const QByteArray written = writeRtf(RichText::fromPlainText(expected));
        if (character == 0xFFFD)
            QVERIFY(written.endsWith(" \\u-3?}\r\n"));
        else
            QVERIFY(written.endsWith(" \\'" + hex + "}\r\n"));
    }

    // The writer's bytes for characters at the edges of its encodings, and the text read back.
    void writesLiteralEscapes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("ending"); // the file ends with this
        const auto row = [](const char *name, const char *text, const char *ending) {
            QTest::newRow(name) << QString::fromUtf8(text) << QByteArray(ending);
        };
        row("ASCII edges and RTF syntax", " ~\\{}", "  ~\\\\\\{\\}}\r\n");
        row("u at 7FFF, 8000, FFFD", "\u7FFF\u8000\uFFFD", " \\u32767?\\u-32768?\\u-3?}\r\n");
        row("first character past Latin-1", "\u0100", " \\u256?}\r\n");
        row("surrogate pair", "\U0001F600", " \\u-10179?\\u-8704?}\r\n");
        row("ends with a line end", "a\r\n", " a\\par\r\n}\r\n");
    }
    void writesLiteralEscapes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, ending);
        const QByteArray rtf = writeRtf(RichText::fromPlainText(text));
        QVERIFY2(rtf.endsWith(ending), rtf.right(40).constData());
        QCOMPARE(readRtf(rtf).text.plainText(), text);
    }

    // Inputs the fuzz target once failed on read without control characters and read back.
    void fuzzFindingsReadBackUnchanged_data()
    {
        QTest::addColumn<QString>("file");
        const QDir data(QStringLiteral(KALUMET_TEST_DATA_DIR "/documents"));
        for (const QString &name : data.entryList({QStringLiteral("fuzz_*")}, QDir::Files))
            QTest::newRow(qPrintable(name)) << name;
    }
    void fuzzFindingsReadBackUnchanged()
    {
        QFETCH(QString, file);
        const RtfReadResult first = readRtf(fixture(file));
        QVERIFY(first.ok());
        for (const QChar c : first.text.plainText())
            QVERIFY(c.unicode() >= 0x20 || c == u'\t' || c == u'\r' || c == u'\n');
        QCOMPARE(readRtf(writeRtf(first.text)).text, first.text);
    }
};

QTEST_GUILESS_MAIN(tst_RtfCodec)
#include "tst_rtfcodec.moc"
