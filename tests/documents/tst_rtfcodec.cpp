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
            "25 \u00B0C, Volumen 10 \u00B5l\r\nBlau\r\nGro\u00DFe Schrift \u20AC");
        row("LibreOffice", fixture("libreoffice_style.rtf"),
            "Messwerte der Probe \u201ENr. 7\u201C\r\nfett und kursiv und rot gro\u00DF\r\n"
            "pH\t7,00\t0,5 mL\r\n\u03B1\u03B2\u03B3 \u6EF4\u5B9A");
        row("pandoc", fixture("pandoc_style.rtf"),
            "Titration\r\nVolumen in mL, Temperatur 25\u00B0C, Ergebnis: 0,1 mol/l.\r\n"
            "\u2022\terster Punkt\r\n\u2022\tzweiter Punkt\r\nZitat: \u201CWert\u201D \u2013 "
            "fertig \u2014 Ende\r\nVerweis");
        row("MS Word", fixture("word_style.rtf"),
            "Messbericht\r\nTitration von Salzs\u00E4ure mit Natronlauge\r\nVolumen\tpH\r\n"
            "10,00\t7,02\r\n\u03B1\u03B2\u03B3 \u2013 \u20AC Euro sichtbar\r\nBild danach");
        row("surrogate pair, uc per group", R"({\rtf1 \u-10179?\u-8704?{\uc2 \u946 XX}z})",
            "\U0001F600\u03B2z");
        row("hex in the font's charset",
            R"({\rtf1\ansi{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial Cyr;}}\f1 \'c0{\f0 \'c0}\'c1})",
            "\u0410\u00C0\u0411");
        row("binary data, hidden text, destinations",
            "{\\rtf1 a{\\pict\\bin3 }{\\}b{\\v c\\par}{\\info{\\title T}}\\line d}", "ab\r\nd");
        row("control characters dropped",
            QByteArray("{\\rtf1 a\x01") + '\0' + "b\\u1?c\\'0dd\\'09e}", "abcd\te");
    }
    void readsWordProcessorFilesAndControlWords()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        const RtfReadResult result = readRtf(rtf);
        QCOMPARE(result.error, RtfError::None);
        QCOMPARE(result.text.plainText(), expected);
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
    }

    void textReadBackEqualsTextWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("umlauts, micro, euro, greek, CJK, emoji") << QStringLiteral(
            "\u00C4pfel \u00E4\u00DF 10 \u00B5L 5 \u20AC \u0394pH \u6EF4 \U0001F600")
                                                                 << QString();
        QTest::newRow("CR LF paragraphs, RTF syntax")
            << QStringLiteral("a\r\n\r\n{\\rtf1 \\par} \\'e4\t1,23  \r\n") << QString();
        QTest::newRow("LF alone, lone CR dropped") << "a\nb\rc\n"
                                                   << "a\r\nbc\r\n";
    }
    void textReadBackEqualsTextWritten()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected); // null: the text itself
        const RtfReadResult back = readRtf(writeRtf(RichText::fromPlainText(text)));
        QCOMPARE(back.error, RtfError::None);
        QCOMPARE(back.text.plainText(), expected.isNull() ? text : expected);
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
