#include "documents/rtfreader.h"
#include "richtexttostring.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

namespace {

QByteArray fixture(const QString &name)
{
    QFile file(QStringLiteral(KALUMET_TEST_DATA_DIR "/documents/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

// The run holding `text` (whole or in part), or nullptr.
const RichRun *runWith(const RichText &doc, const QString &text)
{
    for (const RichParagraph &p : doc.paragraphs) {
        for (const RichRun &run : p.runs) {
            if (run.text.contains(text))
                return &run;
        }
    }
    return nullptr;
}

} // namespace

class tst_RtfReader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsTheTextOfWordProcessorFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        QTest::newRow("WordPad-like")
            << "wordpad_style.rtf"
            << QStringLiteral("Titration vom 12.03.\r\n"
                              "Probe: Essigs\u00E4ure 0,1 mol/l\r\n"
                              "Achtung: Temperatur 25 \u00B0C, Volumen 10 \u00B5l\r\n"
                              "Blau\r\n"
                              "Gro\u00DFe Schrift \u20AC");
        QTest::newRow("LibreOffice") << "libreoffice_style.rtf"
                                     << QStringLiteral("Messwerte der Probe \u201ENr. 7\u201C\r\n"
                                                       "fett und kursiv und rot gro\u00DF\r\n"
                                                       "pH\t7,00\t0,5 mL\r\n"
                                                       "\u03B1\u03B2\u03B3 \u6EF4\u5B9A");
        QTest::newRow("pandoc")
            << "pandoc_style.rtf"
            << QStringLiteral("Titration\r\n"
                              "Volumen in mL, Temperatur 25\u00B0C, Ergebnis: 0,1 mol/l.\r\n"
                              "\u2022\terster Punkt\r\n"
                              "\u2022\tzweiter Punkt\r\n"
                              "Zitat: \u201CWert\u201D \u2013 fertig \u2014 Ende\r\n"
                              "Verweis");
        QTest::newRow("MS Word") << "word_style.rtf"
                                 << QStringLiteral(
                                        "Messbericht\r\n"
                                        "Titration von Salzs\u00E4ure mit Natronlauge\r\n"
                                        "Volumen\tpH\r\n"
                                        "10,00\t7,02\r\n"
                                        "\u03B1\u03B2\u03B3 \u2013 \u20AC Euro sichtbar\r\n"
                                        "Bild danach");
        QTest::newRow("code page 1250") << "codepage_1250.rtf"
                                        << QStringLiteral("P\u0159\u00EDli\u0161 \u017Elu\u0165ou"
                                                          "\u010Dk\u00FD k\u016F\u0148");
        QTest::newRow("code page 437")
            << "codepage_437.rtf" << QStringLiteral("Gr\u00FC\u00DFe \u00E4\u00F6\u00FC");
    }
    void readsTheTextOfWordProcessorFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        const RtfReadResult result = readRtf(fixture(file));
        QCOMPARE(result.error, RtfError::None);
        QCOMPARE(result.text.plainText(), expected);
    }

    void keepsTheFormatsOfWordProcessorFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text");
        QTest::addColumn<CharFormat>("format");
        const auto f = [](bool b, bool i, bool u, int size, std::optional<quint32> color) {
            return CharFormat {b, i, u, size, color};
        };
        QTest::newRow("WordPad bold") << "wordpad_style.rtf"
                                      << "Probe" << f(1, 0, 0, 22, {});
        QTest::newRow("WordPad red underlined") << "wordpad_style.rtf"
                                                << "Achtung" << f(0, 0, 1, 22, 0xFF0000);
        QTest::newRow("WordPad colour back to auto") << "wordpad_style.rtf"
                                                     << ": Temperatur" << f(0, 0, 0, 22, {});
        QTest::newRow("WordPad size") << "wordpad_style.rtf"
                                      << "Schrift" << f(0, 0, 0, 28, {});
        QTest::newRow("LibreOffice red") << "libreoffice_style.rtf"
                                         << "rot" << f(0, 0, 0, 24, 0xFF0000);
        QTest::newRow("LibreOffice size")
            << "libreoffice_style.rtf" << QStringLiteral("gro\u00DF") << f(0, 0, 0, 32, {});
        QTest::newRow("pandoc link") << "pandoc_style.rtf"
                                     << "Verweis" << f(0, 0, 1, 24, {});
        QTest::newRow("Word bold") << "word_style.rtf"
                                   << "Messbericht" << f(1, 0, 0, 22, {});
    }
    void keepsTheFormatsOfWordProcessorFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, text);
        QFETCH(CharFormat, format);
        const RtfReadResult result = readRtf(fixture(file));
        QVERIFY(result.ok());
        const RichRun *run = runWith(result.text, text);
        QVERIFY2(run, qPrintable(text));
        QCOMPARE(run->format, format);
    }

    void readsControlWordsAndSymbols_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("special words")
            << QByteArray(R"({\rtf1 a\emdash b\endash c\bullet d\lquote e\rquote f\ldblquote g)"
                          R"(\rdblquote\tab h\emspace\enspace i})")
            << QStringLiteral("a\u2014b\u2013c\u2022d\u2018e\u2019f\u201Cg\u201D\th\u2003\u2002i");
        QTest::newRow("control symbols") << QByteArray(R"({\rtf1 a\~b\-c\_d\\e\{f\}g\:h})")
                                         << QStringLiteral("a\u00A0bc\u2011d\\e{f}gh");
        QTest::newRow("unicode, one fallback")
            << QByteArray(R"({\rtf1 \u8364?x})") << QStringLiteral("\u20ACx");
        QTest::newRow("unicode, two fallback bytes")
            << QByteArray(R"({\rtf1\uc2 \u8364\'80\'80x})") << QStringLiteral("\u20ACx");
        QTest::newRow("unicode, no fallback")
            << QByteArray(R"({\rtf1\uc0 \u8364 x})") << QStringLiteral("\u20ACx");
        QTest::newRow("unicode, fallback is a control word")
            << QByteArray(R"({\rtf1 \u8364\emdash x})") << QStringLiteral("\u20ACx");
        QTest::newRow("surrogate pair as negative numbers")
            << QByteArray(R"({\rtf1 \u-10179?\u-8704?})") << QStringLiteral("\U0001F600");
        QTest::newRow("uc belongs to its group")
            << QByteArray(R"({\rtf1 {\uc2 \u946 XX}\u947 Yz})") << QStringLiteral("\u03B2\u03B3z");
        QTest::newRow("fallback ends at a group")
            << QByteArray(R"({\rtf1 \uc3\u946{\b x}})") << QStringLiteral("\u03B2x");
        QTest::newRow("line, tab, par")
            << QByteArray(R"({\rtf1 a\line b\tab c\par d})") << QStringLiteral("a\r\nb\tc\r\nd");
        QTest::newRow("backslash before line end")
            << QByteArray("{\\rtf1 a\\\nb\\\r\nc}") << QStringLiteral("a\r\nb\r\nc");
        QTest::newRow("line ends in the file are no text")
            << QByteArray("{\\rtf1 a\r\nb\nc\rd}") << QStringLiteral("abcd");
        QTest::newRow("table cells and rows")
            << QByteArray(R"({\rtf1\trowd\cellx1000\cellx2000 \intbl A\cell B\cell\row )"
                          R"(\trowd\cellx1000\cellx2000 \intbl C\cell D\cell\row})")
            << QStringLiteral("A\tB\r\nC\tD");
        QTest::newRow("unknown starred destination")
            << QByteArray(R"({\rtf1 a{\*\foo bar {nested}}b})") << QStringLiteral("ab");
        QTest::newRow("known destinations without star")
            << QByteArray(R"({\rtf1 {\info{\title T}}a{\header H}{\footnote F}{\stylesheet )"
                          R"({\s1 Normal;}}{\object{\objdata 0102}}b})")
            << QStringLiteral("ab");
        QTest::newRow("unknown words are ignored")
            << QByteArray(R"({\rtf1 \foo12 a\bar-3 b\qc c})") << QStringLiteral("abc");
        QTest::newRow("binary data with braces")
            << QByteArray("{\\rtf1 a{\\pict\\bin3 }{\\}b}") << QStringLiteral("ab");
        QTest::newRow("binary data in the text")
            << QByteArray(R"({\rtf1 a\bin2 xyb})") << QStringLiteral("ab");
        QTest::newRow("field result without instruction")
            << QByteArray(R"({\rtf1 {\field{\fldinst HYPERLINK x}{\fldrslt link}}})")
            << QStringLiteral("link");
        QTest::newRow("hex in 1252") << QByteArray(R"({\rtf1\ansi\ansicpg1252 \'80\'e4\'DF})")
                                     << QStringLiteral("\u20AC\u00E4\u00DF");
        QTest::newRow("hex in 1250")
            << QByteArray(R"({\rtf1\ansi\ansicpg1250 \'9a\'e8})") << QStringLiteral("\u0161\u010D");
        QTest::newRow("hex in the font's charset") << QByteArray(
            R"({\rtf1\ansi{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial Cyr;}})"
            R"(\f1 \'c0{\f0 \'c0}\'c1})") << QStringLiteral("\u0410\u00C0\u0411");
        QTest::newRow("double-byte code page")
            << QByteArray(R"({\rtf1\ansi\ansicpg932 \'93\'fa\'96\'7b})")
            << QStringLiteral("\u65E5\u672C");
        QTest::newRow("unknown code page reads as 1252")
            << QByteArray(R"({\rtf1\ansi\ansicpg99999 \'e4})") << QStringLiteral("\u00E4");
        QTest::newRow("raw 8-bit text")
            << QByteArray("{\\rtf1 \xe4\x80}") << QStringLiteral("\u00E4\u20AC");
        QTest::newRow("hidden text")
            << QByteArray(R"({\rtf1 a{\v b\par}c\v d\v0 e})") << QStringLiteral("ace");
        QTest::newRow("text after the document")
            << QByteArray(R"({\rtf1 a}trailing{)") << QStringLiteral("a");
        QTest::newRow("closing par") << QByteArray(R"({\rtf1 a\par})") << QStringLiteral("a");
        QTest::newRow("empty last paragraph")
            << QByteArray(R"({\rtf1 a\par\par})") << QStringLiteral("a\r\n");
        QTest::newRow("page break")
            << QByteArray(R"({\rtf1 a\page b\par\page c})") << QStringLiteral("a\r\nb\r\nc");
        QTest::newRow("white space before") << QByteArray("\r\n {\\rtf1 a}") << QStringLiteral("a");
        QTest::newRow("not a hex escape") << QByteArray(R"({\rtf1 \'zz})") << QStringLiteral("zz");
        QTest::newRow("control characters dropped") << QByteArray("{\\rtf1 a\x01\x00"
                                                                  "b}",
            12) << QStringLiteral("ab");
        QTest::newRow("control characters in escapes")
            << QByteArray(R"({\rtf1 a\u1?b\'0dc\'09d\u0?e})") << QStringLiteral("abc\tde");
        QTest::newRow("delimiting space and digits")
            << QByteArray(R"({\rtf1\fs20  2\b 1\b0  x})") << QStringLiteral(" 21 x");
        QTest::newRow("empty document") << QByteArray(R"({\rtf1})") << QString();
    }
    void readsControlWordsAndSymbols()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        const RtfReadResult result = readRtf(rtf);
        QCOMPARE(result.error, RtfError::None);
        QCOMPARE(result.text.plainText(), expected);
    }

    void readsCharacterFormats_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::addColumn<CharFormat>("format");
        const CharFormat plain;
        CharFormat bold = plain;
        bold.bold = true;
        CharFormat underline = plain;
        underline.underline = true;
        CharFormat big = plain;
        big.halfPoints = 36;
        CharFormat blue = plain;
        blue.color = 0x0080FF;
        CharFormat all {true, true, true, 40, 0xFF0000};
        QTest::newRow("bold group") << QByteArray(R"({\rtf1 {\b a}b})") << "a" << bold;
        QTest::newRow("group restores") << QByteArray(R"({\rtf1 {\b a}b})") << "b" << plain;
        QTest::newRow("b0 ends bold") << QByteArray(R"({\rtf1 \b a\b0 b})") << "b" << plain;
        QTest::newRow("double underline") << QByteArray(R"({\rtf1 \uldb a})") << "a" << underline;
        QTest::newRow("ulnone") << QByteArray(R"({\rtf1 \ul a\ulnone b})") << "b" << plain;
        QTest::newRow("font size") << QByteArray(R"({\rtf1 \fs36 a})") << "a" << big;
        QTest::newRow("size 0 is the default") << QByteArray(R"({\rtf1 \fs0 a})") << "a" << plain;
        QTest::newRow("last colour without semicolon")
            << QByteArray(R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green128\blue255}\cf2 a})")
            << "a" << blue;
        QTest::newRow("colour outside the table")
            << QByteArray(R"({\rtf1{\colortbl;\red255\green0\blue0;}\cf9 a})") << "a" << plain;
        QTest::newRow("everything")
            << QByteArray(R"({\rtf1{\colortbl;\red255\green0\blue0;}\b\i\ul\fs40\cf1 a})") << "a"
            << all;
        QTest::newRow("plain resets")
            << QByteArray(R"({\rtf1 \b\i\fs40 x\plain a})") << "a" << plain;
    }
    void readsCharacterFormats()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QFETCH(CharFormat, format);
        const RtfReadResult result = readRtf(rtf);
        QVERIFY(result.ok());
        const RichRun *run = runWith(result.text, text);
        QVERIFY(run);
        QCOMPARE(run->format, format);
    }

    void refusesWhatIsNotASoundRtfFile_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<RtfError>("error");
        QByteArray garbage(4096, Qt::Uninitialized);
        QRandomGenerator random(42);
        for (char &c : garbage)
            c = char(random.bounded(256));
        garbage[0] = 0; // never "{\rtf" by chance
        const QByteArray word = fixture("word_style.rtf");

        QTest::newRow("empty") << QByteArray() << RtfError::NotRtf;
        QTest::newRow("plain text") << QByteArray("Volumen 1,00 mL") << RtfError::NotRtf;
        QTest::newRow("html") << QByteArray("<html><body>x</body></html>") << RtfError::NotRtf;
        QTest::newRow("pdf") << QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n") << RtfError::NotRtf;
        QTest::newRow("binary garbage") << garbage << RtfError::NotRtf;
        QTest::newRow("group left open") << QByteArray(R"({\rtf1 abc)") << RtfError::Truncated;
        QTest::newRow("ends in a backslash") << QByteArray(R"({\rtf1 abc\)") << RtfError::Truncated;
        QTest::newRow("ends in a hex escape") << QByteArray(R"({\rtf1 \'4)") << RtfError::Truncated;
        QTest::newRow("Word file cut in half") << word.left(word.size() / 2) << RtfError::Truncated;
        QTest::newRow("binary longer than the file")
            << QByteArray(R"({\rtf1 \bin999999999 x})") << RtfError::Truncated;
        QTest::newRow("deep nesting")
            << QByteArray(R"({\rtf1 )") + QByteArray(100000, '{') << RtfError::TooDeep;
        QTest::newRow("endless groups")
            << QByteArray(R"({\rtf1 )") + QByteArray("{}").repeated(500000) << RtfError::Truncated;
        QTest::newRow("endless control word")
            << QByteArray(R"({\rtf1 \)") + QByteArray(5000, 'a') + "}" << RtfError::Malformed;
        QTest::newRow("endless number")
            << QByteArray(R"({\rtf1 \fs)") + QByteArray(5000, '9') + "}" << RtfError::Malformed;
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

    void refusesInputBeyondItsLimits_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("size at the limit")
            << QByteArray("{\\rtf1 ") + QByteArray(992, 'x') + "}" << true;
        QTest::newRow("size over the limit")
            << QByteArray("{\\rtf1 ") + QByteArray(993, 'x') + "}" << false;
        QTest::newRow("paragraphs at the limit")
            << QByteArray("{\\rtf1 ") + QByteArray("\\par ").repeated(10) + "}" << true;
        QTest::newRow("paragraphs over the limit")
            << QByteArray("{\\rtf1 ") + QByteArray("\\par ").repeated(11) + "}" << false;
        QTest::newRow("depth at the limit") << QByteArray("{\\rtf1 {{{{x}}}}}") << true;
        QTest::newRow("depth over the limit") << QByteArray("{\\rtf1 {{{{{x}}}}}}") << false;
    }
    void refusesInputBeyondItsLimits()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, accepted);
        RtfLimits limits;
        limits.maxBytes = 1000;
        limits.maxParagraphs = 10;
        limits.maxDepth = 5;
        QCOMPARE(readRtf(data, limits).ok(), accepted);
    }
};

QTEST_GUILESS_MAIN(tst_RtfReader)
#include "tst_rtfreader.moc"
