// The RTF reader and writer: files as word processors write them, control words, hostile
// input, and the round trip through our own writer.

#include "diskfiles.h"
#include "documents/rtfreader.h"
#include "documents/rtfwriter.h"

#include <QDir>
#include <QTest>

namespace {

QByteArray fixture(const QString &name)
{
    return readAll(QStringLiteral(KALUMET_TEST_DATA_DIR "/documents/") + name);
}

} // namespace

class tst_RtfCodec : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsWordProcessorFilesAndControlWords_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QByteArray &rtf, const char *expected) {
            QTest::newRow(name) << rtf << QString::fromUtf8(expected);
        };
        row("WordPad", fixture("wordpad_style.rtf"),
            "Titration vom 12.03.\r\nProbe: Essigs\u00E4ure 0,1 mol/l\r\nAchtung: Temperatur "
            "25 \u00B0C, Volumen 10 \u00B5l\r\nBlau\r\nGro\u00DFe Schrift \u20AC\r\n");
        row("LibreOffice", fixture("libreoffice_style.rtf"),
            "Messwerte der Probe \u201ENr. 7\u201C\r\nfett und kursiv und rot gro\u00DF\r\n"
            "pH\t7,00\t0,5 mL\r\n\u03B1\u03B2\u03B3 \u6EF4\u5B9A\r\n");
        row("pandoc", fixture("pandoc_style.rtf"),
            "Titration\r\nVolumen in mL, Temperatur 25\u00B0C, Ergebnis: 0,1 mol/l.\r\n"
            "\u2022\terster Punkt\r\n\u2022\tzweiter Punkt\r\nZitat: \u201CWert\u201D \u2013 "
            "fertig \u2014 Ende\r\nVerweis\r\n");
        row("MS Word", fixture("word_style.rtf"),
            "Messbericht\r\nTitration von Salzs\u00E4ure mit Natronlauge\r\nVolumen\tpH\r\n"
            "10,00\t7,02\r\n\u03B1\u03B2\u03B3 \u2013 \u20AC Euro sichtbar\r\nBild danach\r\n");
        // The last paragraph mark ends the last line, so a listing's last row has its line end.
        row("final par ends the line",
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 Probe\\par   ml   pH   t[s]\\par   "
            "0.000   3.00   0.0 \\par   0.200   3.10   6.0 \\par   0.400   3.30   12.0 \\par}",
            "Probe\r\n  ml   pH   t[s]\r\n  0.000   3.00   0.0 \r\n  0.200   3.10   6.0 \r\n"
            "  0.400   3.30   12.0 \r\n");
        row("text after the last par", R"({\rtf1 a\par\par b})", "a\r\n\r\nb");
        row("a row ends the line", R"({\rtf1 1\cell 2\cell\row})", "1\t2\r\n");
        row("surrogate pair, uc per group", R"({\rtf1 \u-10179?\u-8704?{\uc2 \u946 XX}z})",
            "\U0001F600\u03B2z");
        // \uN is a signed 16-bit number; some writers put the unsigned value.
        row("u above 7FFF, signed and unsigned",
            R"({\rtf1 \u32767?\u-32768?\u-3?\u32768?\u65533?})", "\u7FFF\u8000\uFFFD\u8000\uFFFD");
        row("uc ends with its group", R"({\rtf1{\uc2 a}\u946 XY})", "a\u03B2Y");
        row("fallback count ends with its group", R"({\rtf1{\uc3 \u946 A}BC})", "\u03B2BC");
        row("uc0 and a hex escape as fallback", R"({\rtf1\uc0\u946 X\uc1\u947\'e4Y})",
            "\u03B2X\u03B3Y");
        row("hex escapes in tables and information are no text",
            R"({\rtf1\ansi{\fonttbl{\f0\fnil Caf\'e9 \'c4rial;}}{\stylesheet{\s1 \'dcber;}})"
            R"({\info{\author M\'fcller}{\title T\'e4st}}{\*\generator W\'e4}x\'e4})",
            "x\u00E4");
        row("hex in the font's charset",
            R"({\rtf1\ansi{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial Cyr;}}\f1 \'c0{\f0 \'c0}\'c1})",
            "\u0410\u00C0\u0411");
        row("binary data, hidden text, destinations",
            "{\\rtf1 a{\\pict\\bin3 }{\\}b{\\v c\\par}{\\info{\\title T}}\\line d}", "ab\r\nd");
        row("control characters dropped",
            QByteArray("{\\rtf1 a\x01") + '\0' + "b\\u1?c\\'0dd\\'09e\\u127?\\u133?\x7f\\'7f.}",
            "abcd\te.");
    }
    void readsWordProcessorFilesAndControlWords()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        const RtfReadResult result = readRtf(rtf);
        QCOMPARE(result.error, RtfError::None);
        QCOMPARE(result.text.plainText(), expected);
        const RtfTextResult plain = readRtfText(rtf); // without the formats, the same text
        QCOMPARE(plain.error, RtfError::None);
        QCOMPARE(plain.text, expected);
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
    void writesLiteralEscapesAndReadsThemBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("ending"); // the file ends with this
        QTest::addColumn<QString>("readBack"); // null: the text itself
        const auto row = [](const char *name, const char *text, const char *ending = "",
                             const char *readBack = nullptr) {
            QTest::newRow(name) << QString::fromUtf8(text) << QByteArray(ending)
                                << (readBack ? QString::fromUtf8(readBack) : QString());
        };
        row("ASCII edges and RTF syntax", " ~\\{}", "  ~\\\\\\{\\}}\r\n");
        row("u at 7FFF, 8000, FFFD", "\u7FFF\u8000\uFFFD", " \\u32767?\\u-32768?\\u-3?}\r\n");
        row("first character past Latin-1", "\u00FF\u0100", " \\'ff\\u256?}\r\n");
        row("surrogate pair", "\U0001F600", " \\u-10179?\\u-8704?}\r\n");
        row("control characters left out", "a\u007F\u0081\u009Fb", " ab}\r\n", "ab");
        row("paragraphs: a mark between them", "a\r\nb", " a\\par\r\nb}\r\n");
        row("ends with a line end", "a\r\n", " a\\par\r\n}\r\n");
        row("umlauts, micro, euro, greek, CJK, emoji",
            "\u00C4pfel \u00E4\u00DF 10 \u00B5L 5 \u20AC \u0394pH \u6EF4 \U0001F600");
        row("CR LF paragraphs, RTF syntax", "a\r\n\r\n{\\rtf1 \\par} \\'e4\t1,23  \r\n");
        row("LF alone, lone CR dropped", "a\nb\rc\n", "", "a\r\nbc\r\n");
        row("ends with blank lines", "a\r\n\r\n");
        row("a line end alone", "\r\n");
    }
    void writesLiteralEscapesAndReadsThemBack()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, ending);
        QFETCH(QString, readBack);
        const QByteArray rtf = writeRtf(RichText::fromPlainText(text));
        QVERIFY2(rtf.endsWith(ending), rtf.right(40).constData());
        const RtfReadResult back = readRtf(rtf);
        QCOMPARE(back.error, RtfError::None);
        QCOMPARE(back.text.plainText(), readBack.isNull() ? text : readBack);
    }

    // Refused in bounded time and memory, with nothing read.
    void refusesWhatIsNotASoundRtfFile_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<RtfError>("error");
        const QByteArray word = fixture("word_style.rtf");
        QTest::newRow("plain text") << QByteArray("Volumen 1,00 mL") << RtfError::NotRtf;
        QTest::newRow("Word file cut in half") << word.left(word.size() / 2) << RtfError::Truncated;
        QTest::newRow("deep nesting") << "{\\rtf1 " + QByteArray(100000, '{') << RtfError::TooDeep;
        QTest::newRow("endless groups")
            << "{\\rtf1 " + QByteArray("{}").repeated(500000) << RtfError::Truncated;
        QTest::newRow("too many paragraphs")
            << "{\\rtf1 " + QByteArray("\\par ").repeated(RtfLimits().maxParagraphs + 1) + "}"
            << RtfError::TooLarge;
        QTest::newRow("endless number")
            << "{\\rtf1 \\fs" + QByteArray(5000, '9') + "}" << RtfError::Malformed;
    }
    void refusesWhatIsNotASoundRtfFile()
    {
        QFETCH(QByteArray, data);
        QFETCH(RtfError, error);
        const RtfReadResult result = readRtf(data);
        QCOMPARE(result.error, error);
        QVERIFY(result.text.paragraphs.isEmpty());
        const RtfTextResult plain = readRtfText(data);
        QCOMPARE(plain.error, error);
        QCOMPARE(plain.errorOffset, result.errorOffset);
        QVERIFY(plain.text.isEmpty());
    }

    // Seven-bit RTF that reads back with every format.
    void writesSevenBitRtfThatReadsBackWithItsFormats()
    {
        RichParagraph first;
        first.append(QStringLiteral("plain \u00E4\u20AC"), CharFormat());
        first.append(QStringLiteral("bold \u03B1"), CharFormat {true, false, false, 24, {}});
        first.append(QStringLiteral("red\u2028italic"), CharFormat {0, 1, 0, 24, 0xFF0000});
        RichParagraph second;
        second.append(QStringLiteral("\U0001F600 small"), CharFormat {0, 0, 1, 16, 0x0000FF});
        RichText doc;
        doc.paragraphs = {first, RichParagraph(), second};
        const QByteArray rtf = writeRtf(doc);
        QVERIFY(std::all_of(rtf.begin(), rtf.end(), [](char c) { return uchar(c) < 0x80; }));
        const RtfReadResult back = readRtf(rtf);
        QVERIFY(back.ok());
        QCOMPARE(back.text, doc);
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
