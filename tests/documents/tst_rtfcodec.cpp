// The RTF reader and writer: files as word processors write them, control words one by one,
// hostile input, and the round trip through our own writer.

#include "diskfiles.h"
#include "documents/rtfreader.h"
#include "documents/rtfwriter.h"

#include <QDir>
#include <QTest>

namespace {

QByteArray fixture(const QString &name)
{
    const QByteArray data = readAll(QStringLiteral(KALUMET_TEST_DATA_DIR "/documents/") + name);
    if (data.isEmpty())
        qFatal("missing fixture %s", qPrintable(name));
    return data;
}

CharFormat format(
    bool bold, bool italic, bool underline, int halfPoints = 24, std::optional<quint32> color = {})
{
    return CharFormat {bold, italic, underline, halfPoints, color};
}

} // namespace

class tst_RtfCodec : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsTheTextOfWordProcessorFilesAndControlWords_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("WordPad") << fixture("wordpad_style.rtf")
                                 << QStringLiteral("Titration vom 12.03.\r\n"
                                                   "Probe: Essigs\u00E4ure 0,1 mol/l\r\n"
                                                   "Achtung: Temperatur 25 \u00B0C, Volumen 10 "
                                                   "\u00B5l\r\nBlau\r\nGro\u00DFe Schrift \u20AC");
        QTest::newRow("LibreOffice") << fixture("libreoffice_style.rtf")
                                     << QStringLiteral("Messwerte der Probe \u201ENr. 7\u201C\r\n"
                                                       "fett und kursiv und rot gro\u00DF\r\n"
                                                       "pH\t7,00\t0,5 mL\r\n"
                                                       "\u03B1\u03B2\u03B3 \u6EF4\u5B9A");
        QTest::newRow("pandoc") << fixture("pandoc_style.rtf")
                                << QStringLiteral("Titration\r\nVolumen in mL, Temperatur "
                                                  "25\u00B0C, Ergebnis: 0,1 mol/l.\r\n"
                                                  "\u2022\terster Punkt\r\n\u2022\tzweiter Punkt"
                                                  "\r\nZitat: \u201CWert\u201D \u2013 fertig "
                                                  "\u2014 Ende\r\nVerweis");
        QTest::newRow("MS Word") << fixture("word_style.rtf")
                                 << QStringLiteral("Messbericht\r\n"
                                                   "Titration von Salzs\u00E4ure mit Natronlauge"
                                                   "\r\nVolumen\tpH\r\n10,00\t7,02\r\n"
                                                   "\u03B1\u03B2\u03B3 \u2013 \u20AC Euro "
                                                   "sichtbar\r\nBild danach");
        const auto row = [](const char *name, const QByteArray &rtf, const char *expected) {
            QTest::newRow(name) << rtf << QString::fromUtf8(expected);
        };
        row("control symbols", R"({\rtf1 a\~b\-c\_d\\e\{f\}g\:h})", "a\u00A0bc\u2011d\\e{f}gh");
        row("unicode, fallback is a control word", R"({\rtf1 \u8364\emdash x})", "\u20ACx");
        row("unicode, no fallback", R"({\rtf1\uc0 \u8364 x})", "\u20ACx");
        row("surrogate pair as negative numbers", R"({\rtf1 \u-10179?\u-8704?})", "\U0001F600");
        row("uc belongs to its group", R"({\rtf1 {\uc2 \u946 XX}\u947 Yz})", "\u03B2\u03B3z");
        row("fallback ends at a group", R"({\rtf1 \uc3\u946{\b x}})", "\u03B2x");
        row("line, tab, par, page", R"({\rtf1 a\line b\tab c\par d\page e})",
            "a\r\nb\tc\r\nd\r\ne");
        row("line ends in the file are no text", "{\\rtf1 a\r\nb\nc\rd}", "abcd");
        row("known destinations without star",
            R"({\rtf1 {\info{\title T}}a{\header H}{\footnote F}{\object{\objdata 0102}}b})", "ab");
        row("binary data with braces", "{\\rtf1 a{\\pict\\bin3 }{\\}b}", "ab");
        row("hex in code page 437", R"({\rtf1\pc Gr\'81\'e1e})", "Gr\u00FC\u00DFe");
        row("hex in the font's charset",
            R"({\rtf1\ansi{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial Cyr;}}\f1 \'c0{\f0 \'c0}\'c1})",
            "\u0410\u00C0\u0411");
        row("double-byte code page", R"({\rtf1\ansi\ansicpg932 \'93\'fa\'96\'7b})", "\u65E5\u672C");
        row("unknown code page reads as 1252, as raw bytes do",
            "{\\rtf1\\ansi\\ansicpg99999 \\'e4\x80}", "\u00E4\u20AC");
        row("hidden text", R"({\rtf1 a{\v b\par}c\v d\v0 e})", "ace");
        row("text after the document", R"({\rtf1 a}trailing{)", "a");
        row("empty last paragraph", R"({\rtf1 a\par\par})", "a\r\n");
        row("not a hex escape", R"({\rtf1 \'zz})", "zz");
        row("control characters dropped",
            QByteArray("{\\rtf1 a\x01") + '\0' + "b\\u1?c\\'0dd\\'09e\\u0?f}", "abcd\tef");
        row("delimiting space and digits", R"({\rtf1\fs20  2\b 1\b0  x})", " 21 x");
    }
    void readsTheTextOfWordProcessorFilesAndControlWords()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        const RtfReadResult result = readRtf(rtf);
        QCOMPARE(result.error, RtfError::None);
        QCOMPARE(result.text.plainText(), expected);
    }

    void keepsCharacterFormats_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::addColumn<CharFormat>("expected");
        const auto row = [](const char *name, const QByteArray &rtf, const char *text,
                             const CharFormat &expected) {
            QTest::newRow(name) << rtf << QString::fromUtf8(text) << expected;
        };
        const QByteArray wordPad = fixture("wordpad_style.rtf");
        row("WordPad bold", wordPad, "Probe", format(1, 0, 0, 22));
        row("WordPad red underlined", wordPad, "Achtung", format(0, 0, 1, 22, 0xFF0000));
        row("WordPad: all back off", wordPad, ": Temperatur", format(0, 0, 0, 22));
        row("LibreOffice size", fixture("libreoffice_style.rtf"), "gro", format(0, 0, 0, 32));
        row("pandoc link", fixture("pandoc_style.rtf"), "Verweis", format(0, 0, 1));
        row("group restores", R"({\rtf1 {\b a}b})", "b", format(0, 0, 0));
        row("plain resets", R"({\rtf1 \b\i\fs40 x\plain a})", "a", format(0, 0, 0));
        row("last colour without semicolon",
            R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green128\blue255}\cf2 a})", "a",
            format(0, 0, 0, 24, 0x0080FF));
        row("colour outside the table", R"({\rtf1{\colortbl;\red255\green0\blue0;}\cf9 a})", "a",
            format(0, 0, 0));
    }
    void keepsCharacterFormats()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QFETCH(CharFormat, expected);
        const RtfReadResult result = readRtf(rtf);
        QVERIFY(result.ok());
        for (const RichParagraph &p : result.text.paragraphs) {
            for (const RichRun &run : p.runs) {
                if (run.text.contains(text)) {
                    QCOMPARE(run.format, expected);
                    return;
                }
            }
        }
        QFAIL("no such text");
    }

    // Refused in bounded time and memory, with nothing read.
    void refusesWhatIsNotASoundRtfFile_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<RtfError>("error");
        const auto row = [](const char *name, const QByteArray &data, RtfError error) {
            QTest::newRow(name) << data << error;
        };
        const QByteArray word = fixture("word_style.rtf");
        const RtfLimits limits;
        row("empty", QByteArray(), RtfError::NotRtf);
        row("plain text", "Volumen 1,00 mL", RtfError::NotRtf);
        row("group left open", R"({\rtf1 abc)", RtfError::Truncated);
        row("ends in a backslash", R"({\rtf1 abc\)", RtfError::Truncated);
        row("ends in a hex escape", R"({\rtf1 \'4)", RtfError::Truncated);
        row("Word file cut in half", word.left(word.size() / 2), RtfError::Truncated);
        row("binary longer than the file", R"({\rtf1 \bin999999999 x})", RtfError::Truncated);
        row("deep nesting", "{\\rtf1 " + QByteArray(100000, '{'), RtfError::TooDeep);
        row("endless groups", "{\\rtf1 " + QByteArray("{}").repeated(500000), RtfError::Truncated);
        row("too many paragraphs",
            "{\\rtf1 " + QByteArray("\\par ").repeated(limits.maxParagraphs + 1) + "}",
            RtfError::TooLarge);
        row("too many bytes", "{\\rtf1 " + QByteArray(limits.maxBytes, 'x') + "}",
            RtfError::TooLarge);
        row("endless control word", "{\\rtf1 \\" + QByteArray(5000, 'a') + "}",
            RtfError::Malformed);
        row("endless number", "{\\rtf1 \\fs" + QByteArray(5000, '9') + "}", RtfError::Malformed);
    }
    void refusesWhatIsNotASoundRtfFile()
    {
        QFETCH(QByteArray, data);
        QFETCH(RtfError, error);
        const RtfReadResult result = readRtf(data);
        QCOMPARE(result.error, error);
        QVERIFY(result.text.paragraphs.isEmpty());
        QVERIFY(result.errorOffset >= 0 && result.errorOffset <= data.size());
    }

    void textReadBackEqualsTextWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *text, const char *expected) {
            QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(expected);
        };
        row("umlauts and micro sign", "\u00C4pfel \u00D6l \u00E4\u00DF 10 \u00B5L", nullptr);
        row("euro", "5 \u20AC", nullptr);
        row("greek and CJK", "\u0394pH/\u0394V \u03B1\u03C9 \u6EF4\u5B9A", nullptr);
        row("outside the BMP", "\U0001F600 \U0001D400 \uFFFD\uFFFF", nullptr);
        row("CR LF paragraphs", "a\r\nb\r\n\r\nc\r\n", nullptr);
        row("empty", "", nullptr);
        row("RTF syntax characters", R"({\rtf1 \par} \'e4 \u8364?)", nullptr);
        row("digits and spaces after a word", "1,23\t4  a \t b  ", nullptr);
        row("LF alone", "a\nb\n", "a\r\nb\r\n");
        row("lone CR dropped", "a\rb", "ab");
    }
    void textReadBackEqualsTextWritten()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected); // null: the text itself
        const RtfReadResult back = readRtf(writeRtf(RichText::fromPlainText(text)));
        QCOMPARE(back.error, RtfError::None);
        QCOMPARE(back.text.plainText(), expected.isNull() ? text : expected);
    }

    // Seven-bit RTF with its code page, font and colours declared, so that other programs
    // read it, and our reader reads back every format.
    void writesSevenBitRtfThatReadsBackWithItsFormats()
    {
        RichText doc;
        RichParagraph first;
        first.append(QStringLiteral("plain \u00E4\u20AC"), CharFormat());
        first.append(QStringLiteral("bold \u03B1"), format(1, 0, 0));
        first.append(QStringLiteral(" red\u2028italic \uFF01"), format(0, 1, 0, 24, 0xFF0000));
        first.append(QStringLiteral("1"), format(0, 0, 1, 40));
        RichParagraph second;
        second.append(QStringLiteral("\U0001F600 small"), format(0, 0, 0, 16, 0x0000FF));
        second.append(QStringLiteral("black"), format(0, 0, 0, 24, 0x000000));
        second.append(QStringLiteral("red again"), format(0, 1, 0, 24, 0xFF0000));
        doc.paragraphs = {first, RichParagraph(), second};
        const QByteArray rtf = writeRtf(doc);
        for (const char c : rtf)
            QVERIFY2(uchar(c) < 0x80, rtf.constData());
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252") && rtf.contains("Arial;"));
        QVERIFY(rtf.contains("\\fs24") && rtf.contains("{\\colortbl ;\\red255\\green0\\blue0;"));
        // Windows-1252 characters as \'hh, the rest as \uN? (negative above 32767, surrogates)
        for (const char *escaped : {"\\'e4\\'80", "\\u945?", "\\u-255?", "\\u-10179?\\u-8704?"})
            QVERIFY2(rtf.contains(escaped), escaped);
        const RtfReadResult back = readRtf(rtf);
        QVERIFY(back.ok());
        QCOMPARE(back.text, doc);
    }

    // Inputs the fuzz target once failed on: they must read, without control characters, and
    // read back unchanged.
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
        const RtfReadResult again = readRtf(writeRtf(first.text));
        QVERIFY(again.ok());
        QCOMPARE(again.text, first.text);
    }
};

QTEST_GUILESS_MAIN(tst_RtfCodec)
#include "tst_rtfcodec.moc"
