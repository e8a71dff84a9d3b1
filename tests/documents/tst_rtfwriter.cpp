#include "documents/rtfreader.h"
#include "documents/rtfwriter.h"
#include "richtexttostring.h"

#include <QDir>
#include <QFile>
#include <QTest>

class tst_RtfWriter : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textReadBackEqualsTextWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString umlauts
            = QStringLiteral("\u00C4pfel \u00D6l \u00DCber \u00E4\u00F6\u00FC\u00DF");
        QTest::newRow("umlauts") << umlauts << umlauts;
        QTest::newRow("micro sign") << QStringLiteral("10 \u00B5L") << QStringLiteral("10 \u00B5L");
        QTest::newRow("euro") << QStringLiteral("5 \u20AC") << QStringLiteral("5 \u20AC");
        QTest::newRow("greek") << QStringLiteral("\u0394pH/\u0394V \u03B1\u03C9")
                               << QStringLiteral("\u0394pH/\u0394V \u03B1\u03C9");
        QTest::newRow("outside the BMP")
            << QStringLiteral("\U0001F600 \U0001D400") << QStringLiteral("\U0001F600 \U0001D400");
        QTest::newRow("last BMP code unit")
            << QStringLiteral("\uFFFD\uFFFF") << QStringLiteral("\uFFFD\uFFFF");
        QTest::newRow("CR LF paragraphs") << "a\r\nb\r\n\r\nc"
                                          << "a\r\nb\r\n\r\nc";
        QTest::newRow("LF alone") << "a\nb\n"
                                  << "a\r\nb\r\n";
        QTest::newRow("lone CR dropped") << "a\rb"
                                         << "ab";
        QTest::newRow("trailing break") << "a\r\n"
                                        << "a\r\n";
        QTest::newRow("only breaks") << "\r\n\r\n"
                                     << "\r\n\r\n";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("RTF syntax characters") << R"({\rtf1 \par} \'e4 \u8364?)"
                                               << R"({\rtf1 \par} \'e4 \u8364?)";
        QTest::newRow("spaces and tabs") << "  a \t b  "
                                         << "  a \t b  ";
        QTest::newRow("digits after a word") << "1,23\t4"
                                             << "1,23\t4";
        QTest::newRow("measurement table") << "Volumen [mL]\tpH\r\n0,00\t2,87\r\n0,50\t3,12\r\n"
                                           << "Volumen [mL]\tpH\r\n0,00\t2,87\r\n0,50\t3,12\r\n";
    }
    void textReadBackEqualsTextWritten()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QByteArray rtf = writeRtf(RichText::fromPlainText(text));
        const RtfReadResult back = readRtf(rtf);
        QCOMPARE(back.error, RtfError::None);
        QCOMPARE(back.text.plainText(), expected);
    }

    void formatsReadBackEqualFormatsWritten()
    {
        CharFormat bold;
        bold.bold = true;
        CharFormat italicRed;
        italicRed.italic = true;
        italicRed.color = 0xFF0000;
        CharFormat underlineBig;
        underlineBig.underline = true;
        underlineBig.halfPoints = 40;
        CharFormat blueSmall;
        blueSmall.color = 0x0000FF;
        blueSmall.halfPoints = 16;
        CharFormat black;
        black.color = 0x000000;

        RichText doc;
        RichParagraph first;
        first.append(QStringLiteral("plain "), CharFormat());
        first.append(QStringLiteral("bold"), bold);
        first.append(QStringLiteral(" red\u2028italic"), italicRed);
        first.append(QStringLiteral("1"), underlineBig);
        RichParagraph second;
        second.append(QStringLiteral("\u03B1 small"), blueSmall);
        second.append(QStringLiteral("black"), black);
        second.append(QStringLiteral("red again"), italicRed);
        doc.paragraphs = {first, RichParagraph(), second};

        const RtfReadResult back = readRtf(writeRtf(doc));
        QVERIFY(back.ok());
        QCOMPARE(back.text, doc);
    }

    void writesSevenBitRtfThatDeclaresItsCodePageAndFont()
    {
        CharFormat red;
        red.color = 0xFF0000;
        RichText doc
            = RichText::fromPlainText(QStringLiteral("\u00E4\u20AC\u03B1\u6EF4\U0001F600"));
        doc.paragraphs[0].append(QStringLiteral("x"), red);
        const QByteArray rtf = writeRtf(doc);
        for (const char c : rtf)
            QVERIFY2(uchar(c) < 0x80, rtf.constData());
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
        QVERIFY(rtf.contains("Arial;"));
        QVERIFY(rtf.contains("\\fs24"));
        QVERIFY(rtf.contains("{\\colortbl ;\\red255\\green0\\blue0;}"));
        QVERIFY(rtf.contains("\\cf1 x"));
    }

    // Inputs the fuzz target once failed on: they must read, and read back unchanged.
    void fuzzFindingsReadBackUnchanged_data()
    {
        QTest::addColumn<QString>("file");
        const QDir data(QStringLiteral(KALUMET_TEST_DATA_DIR "/documents"));
        for (const QString &name : data.entryList({QStringLiteral("fuzz_*")}, QDir::Files))
            QTest::newRow(qPrintable(name)) << data.filePath(name);
    }
    void fuzzFindingsReadBackUnchanged()
    {
        QFETCH(QString, file);
        QFile input(file);
        QVERIFY(input.open(QIODevice::ReadOnly));
        const RtfReadResult first = readRtf(input.readAll());
        QVERIFY(first.ok());
        for (const QChar c : first.text.plainText())
            QVERIFY(c.unicode() >= 0x20 || c == u'\t' || c == u'\r' || c == u'\n');
        const RtfReadResult again = readRtf(writeRtf(first.text));
        QVERIFY(again.ok());
        QCOMPARE(again.text, first.text);
    }

    void escapesCharactersByTheirCodePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("escaped");
        QTest::newRow("umlaut") << QStringLiteral("\u00E4") << QByteArray("\\'e4");
        QTest::newRow("euro in 1252") << QStringLiteral("\u20AC") << QByteArray("\\'80");
        QTest::newRow("greek") << QStringLiteral("\u03B1") << QByteArray("\\u945?");
        QTest::newRow("cjk") << QStringLiteral("\u6EF4") << QByteArray("\\u28404?");
        QTest::newRow("above 32767") << QStringLiteral("\uFF01") << QByteArray("\\u-255?");
        QTest::newRow("surrogate pair")
            << QStringLiteral("\U0001F600") << QByteArray("\\u-10179?\\u-8704?");
    }
    void escapesCharactersByTheirCodePage()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, escaped);
        const QByteArray rtf = writeRtf(RichText::fromPlainText(text));
        QVERIFY2(rtf.contains(escaped), rtf.constData());
    }
};

QTEST_GUILESS_MAIN(tst_RtfWriter)
#include "tst_rtfwriter.moc"
