#include "common/twips.h"
#include "documents/chartview.h"
#include "documents/documentlayout.h"
#include "documents/frmdocument.h"
#include "support/fakedocument.h"

#include <QTest>
#include <QTextEdit>

class tst_frmDocument : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textBecomesParagraphs_data()
    {
        // The first piece replaces the text, the others are appended.
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set with LF alone") << QStringList {"a\nb\r\nc"} << "a\r\nb\r\nc";
        QTest::newRow("CR LF lines") << QStringList {"", "a\r\n", "b\r\n"} << "a\r\nb\r\n";
        QTest::newRow("LF alone") << QStringList {"x", "\na\n", "b"} << "x\r\na\r\nb";
        QTest::newRow("continues the last line") << QStringList {"a", "b", "\r\nc"} << "ab\r\nc";
        QTest::newRow("lone CR dropped") << QStringList {"", "x\r\ry\n"} << "xy\r\n";
        QTest::newRow("CR LF split across appends") << QStringList {"", "a\r", "\nb"} << "a\r\nb";
        QTest::newRow("empty lines") << QStringList {"", "\r\n\r\n", "\n"} << "\r\n\r\n\r\n";
    }
    void textBecomesParagraphs()
    {
        QFETCH(QStringList, pieces);
        QFETCH(QString, expected);
        frmDocument doc;
        FakeDocument fake;
        doc.appendText(QStringLiteral("old text\r\n"));
        doc.setText(pieces[0]);
        fake.setText(pieces[0]);
        for (const QString &text : pieces.mid(1)) {
            doc.appendText(text);
            fake.appendText(text);
        }
        QCOMPARE(doc.text(), expected);
        // The stand-in the core's tests use behaves the same.
        QCOMPARE(fake.text(), expected);
    }

    void formatsSurviveTheEditorAndAppendedTextIsPlain()
    {
        CharFormat bold;
        bold.bold = true;
        CharFormat colored {false, true, true, 36, 0x008000};
        RichText rich;
        RichParagraph first;
        first.append(QStringLiteral("plain "), CharFormat());
        first.append(QStringLiteral("bold"), bold);
        first.append(QStringLiteral("\u2028green\t\u00B5"), colored);
        RichParagraph second;
        second.append(QStringLiteral("\u6EF4\u5B9A"), colored);
        rich.paragraphs = {first, RichParagraph(), second};
        frmDocument doc;
        doc.setRichText(rich);
        QCOMPARE(doc.richText(), rich);
        QCOMPARE(doc.text(), QStringLiteral("plain bold\r\ngreen\t\u00B5\r\n\r\n\u6EF4\u5B9A"));

        // Appended text is plain, whatever format the end of the text (or the cursor) had.
        doc.rtfText()->moveCursor(QTextCursor::End);
        doc.appendText(QStringLiteral("\r\n1,00\t7,00\r\n"));
        const RichText after = doc.richText();
        QCOMPARE(after.paragraphs.size(), 5);
        QCOMPARE(after.paragraphs.mid(0, 3), rich.paragraphs);
        QCOMPARE(after.paragraphs[3].runs.size(), 1);
        QCOMPARE(after.paragraphs[3].runs[0].format, CharFormat());
    }

    void layoutNumbersFor3000By2000Twips()
    {
        const DocumentLayout layout = DocumentLayout::forInnerSize(3000, 2000);
        const auto rect = [](const TwipsRect &r) {
            return QList<float> {r.left, r.top, r.width, r.height};
        };
        QCOMPARE(rect(layout.text), (QList<float> {100, 100, 1000, 1800}));
        QCOMPARE(DocumentLayout::rightMargin(layout.text.width), 600.f);
        // The mend: the chart keeps 100 twips from the right edge (width 2 W / 3 - 300).
        QCOMPARE(rect(layout.chart), (QList<float> {1200, 100, 1700, 1800}));
    }

    void windowLaysOutItsInnerSizeInTwipsAndSkipsSizesTheWidgetsRefuse()
    {
        frmDocument doc;
        doc.show();
        doc.resize(600, 400);
        const QRect chart = doc.MSChart1()->geometry();
        const int textWidth = doc.rtfText()->width();
        // About 300 twips wide: the chart's width comes out negative, the text's does not.
        doc.resize(20, 400);
        QCOMPARE(doc.MSChart1()->geometry(), chart);
        QVERIFY(doc.rtfText()->width() < textWidth);
        doc.resize(0, 0);
        QCOMPARE(doc.MSChart1()->geometry(), chart);

        const double dpiX = doc.logicalDpiX();
        const double dpiY = doc.logicalDpiY();
        const QSize pixels(Twips::toPixels(3000, dpiX), Twips::toPixels(2100, dpiY));
        if (Twips::fromPixels(pixels.width(), dpiX) != 3000
            || Twips::fromPixels(pixels.height(), dpiY) != 2100)
            QSKIP("the screen's DPI gives no whole pixel size for these twips");
        const auto toPixels = [dpiX, dpiY](const QRect &r) {
            return QRect(Twips::toPixels(r.x(), dpiX), Twips::toPixels(r.y(), dpiY),
                Twips::toPixels(r.width(), dpiX), Twips::toPixels(r.height(), dpiY));
        };
        doc.resize(pixels);
        QCOMPARE(doc.rtfText()->geometry(), toPixels(QRect(100, 100, 1000, 1900)));
        QCOMPARE(doc.rtfText()->lineWrapMode(), QTextEdit::FixedPixelWidth);
        QCOMPARE(doc.rtfText()->lineWrapColumnOrWidth(), Twips::toPixels(600, dpiX));
        QCOMPARE(doc.MSChart1()->geometry(), toPixels(QRect(1200, 100, 1700, 1900)));
    }

    void loeschDiaEmptiesTheCurveAndKeepsTheDerivative()
    {
        frmDocument doc;
        ChartModel &chart = doc.chartModel();
        for (int row = 1; row <= 500; ++row) {
            for (int column = 1; column <= 4; ++column)
                chart.setData(row, column, row, false);
        }
        chart.setUniformAxis(true);
        doc.LoeschDia();
        QVERIFY(chart.curvePoints().isEmpty());
        QVERIFY(chart.cell(500, 1).isNull && chart.cell(500, 2).isNull);
        QCOMPARE(chart.derivativePoints().size(), 500);
        QVERIFY(!chart.uniformAxis());
    }
};

QTEST_MAIN(tst_frmDocument)
#include "tst_frmdocument.moc"
