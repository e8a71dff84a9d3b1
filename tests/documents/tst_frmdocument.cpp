#include "common/twips.h"
#include "documents/chartplot.h"
#include "documents/chartview.h"
#include "documents/frmdocument.h"
#include "pdfpages.h"
#include "richtexttostring.h"
#include "support/fakedocument.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineSeries>
#include <QMimeData>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

class tst_frmDocument : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void controlsCarryTheirNamesAndTheDocumentFont()
    {
        frmDocument doc;
        QCOMPARE(doc.findChild<QTextEdit *>(QStringLiteral("rtfText")), doc.rtfText());
        QCOMPARE(doc.findChild<ChartView *>(QStringLiteral("MSChart1")), doc.MSChart1());
        const QFont font = doc.rtfText()->document()->defaultFont();
        QCOMPARE(font.family(), QStringLiteral("Arial"));
        QCOMPARE(font.pointSize(), 12);
    }

    void appendedTextBecomesParagraphs_data()
    {
        QTest::addColumn<QStringList>("appends");
        QTest::addColumn<QString>("expected");
        QTest::newRow("CR LF lines") << QStringList {"a\r\n", "b\r\n"} << "a\r\nb\r\n";
        QTest::newRow("LF alone") << QStringList {"a\n", "b"} << "a\r\nb";
        QTest::newRow("continues the last line") << QStringList {"a", "b", "\r\nc"} << "ab\r\nc";
        QTest::newRow("lone CR dropped") << QStringList {"x\r\ry\n"} << "xy\r\n";
        QTest::newRow("CR LF split across appends") << QStringList {"a\r", "\nb"} << "a\r\nb";
        QTest::newRow("empty lines") << QStringList {"\r\n\r\n", "\n"} << "\r\n\r\n\r\n";
        QTest::newRow("tabs and umlauts") << QStringList {QStringLiteral("V\tpH\t\u00C4\r\n")}
                                          << QStringLiteral("V\tpH\t\u00C4\r\n");
        QTest::newRow("nothing") << QStringList {""} << "";
    }
    void appendedTextBecomesParagraphs()
    {
        QFETCH(QStringList, appends);
        QFETCH(QString, expected);
        frmDocument doc;
        FakeDocument fake;
        for (const QString &text : appends) {
            doc.appendText(text);
            fake.appendText(text);
        }
        QCOMPARE(doc.text(), expected);
        // The stand-in the core's tests use behaves the same.
        QCOMPARE(fake.text(), expected);
    }

    void setTextReplacesTheWholeText()
    {
        frmDocument doc;
        doc.appendText(QStringLiteral("alt\r\n"));
        doc.setText(QStringLiteral("a\nb\r\nc"));
        QCOMPARE(doc.text(), QStringLiteral("a\r\nb\r\nc"));
        doc.setText(QString());
        QCOMPARE(doc.text(), QString());
    }

    void appendingKeepsTheFormatsOfTheTextBefore()
    {
        frmDocument doc;
        CharFormat bold;
        bold.bold = true;
        RichText rich;
        RichParagraph heading;
        heading.append(QStringLiteral("Messung"), bold);
        rich.paragraphs = {heading, RichParagraph()};
        doc.setRichText(rich);
        doc.rtfText()->moveCursor(QTextCursor::End);
        doc.appendText(QStringLiteral("1,00\t7,00\r\n"));
        const RichText after = doc.richText();
        QCOMPARE(after.paragraphs.size(), 3);
        QCOMPARE(after.paragraphs[0], heading);
        // Appended text is plain, whatever format the end of the text had.
        QCOMPARE(after.paragraphs[1].runs.size(), 1);
        QCOMPARE(after.paragraphs[1].runs[0].format, CharFormat());
        QCOMPARE(doc.text(), QStringLiteral("Messung\r\n1,00\t7,00\r\n"));
    }

    void formatsSurviveTheEditor()
    {
        CharFormat bold;
        bold.bold = true;
        CharFormat colored;
        colored.italic = true;
        colored.underline = true;
        colored.halfPoints = 36;
        colored.color = 0x008000;
        RichText rich;
        RichParagraph first;
        first.append(QStringLiteral("plain "), CharFormat());
        first.append(QStringLiteral("bold"), bold);
        first.append(QStringLiteral("\u2028green\t\u00B5"), colored);
        RichParagraph second;
        second.append(QStringLiteral("\u6EF4\u5B9A"), CharFormat());
        rich.paragraphs = {first, RichParagraph(), second};
        frmDocument doc;
        doc.setRichText(rich);
        QCOMPARE(doc.richText(), rich);
        QCOMPARE(doc.text(), QStringLiteral("plain bold\r\ngreen\t\u00B5\r\n\r\n\u6EF4\u5B9A"));
    }

    void layoutFollowsTheInnerSize_data()
    {
        // Inner sizes in twips that are whole pixels at 96 dpi; expected positions in twips.
        QTest::addColumn<QSize>("inner");
        QTest::addColumn<QRect>("text");
        QTest::addColumn<int>("rightMargin");
        QTest::addColumn<QRect>("chart");
        QTest::newRow("3000 x 2100") << QSize(3000, 2100) << QRect(100, 100, 1000, 1900) << 600
                                     << QRect(1200, 100, 1700, 1900);
        QTest::newRow("9000 x 6000") << QSize(9000, 6000) << QRect(100, 100, 3000, 5800) << 2600
                                     << QRect(3200, 100, 5700, 5800);
    }
    void layoutFollowsTheInnerSize()
    {
        QFETCH(QSize, inner);
        QFETCH(QRect, text);
        QFETCH(int, rightMargin);
        QFETCH(QRect, chart);
        frmDocument doc;
        const double dpiX = doc.logicalDpiX();
        const double dpiY = doc.logicalDpiY();
        const QSize pixels(
            Twips::toPixels(inner.width(), dpiX), Twips::toPixels(inner.height(), dpiY));
        if (Twips::fromPixels(pixels.width(), dpiX) != inner.width()
            || Twips::fromPixels(pixels.height(), dpiY) != inner.height())
            QSKIP("the screen's DPI gives no whole pixel size for these twips");
        const auto toPixels = [dpiX, dpiY](const QRect &r) {
            return QRect(Twips::toPixels(r.x(), dpiX), Twips::toPixels(r.y(), dpiY),
                Twips::toPixels(r.width(), dpiX), Twips::toPixels(r.height(), dpiY));
        };
        doc.show();
        doc.resize(pixels);
        QCOMPARE(doc.size(), pixels);
        QCOMPARE(doc.rtfText()->geometry(), toPixels(text));
        QCOMPARE(doc.rtfText()->lineWrapMode(), QTextEdit::FixedPixelWidth);
        QCOMPARE(doc.rtfText()->lineWrapColumnOrWidth(), Twips::toPixels(rightMargin, dpiX));
        QCOMPARE(doc.MSChart1()->geometry(), toPixels(chart));
        QVERIFY(doc.MSChart1()->geometry().right() < doc.width());
    }

    void sizesTheWidgetsRefuseAreSkipped()
    {
        frmDocument doc;
        doc.show();
        doc.resize(600, 400);
        const QRect text = doc.rtfText()->geometry();
        const QRect chart = doc.MSChart1()->geometry();
        // 300 x 120 twips at 96 dpi: the text's height and the chart's width come out negative.
        doc.resize(20, 8);
        QCOMPARE(doc.size(), QSize(20, 8));
        QCOMPARE(doc.rtfText()->geometry(), text);
        QCOMPARE(doc.MSChart1()->geometry(), chart);
        doc.resize(0, 0);
        QCOMPARE(doc.MSChart1()->geometry(), chart);
        doc.resize(600, 400);
        QCOMPARE(doc.rtfText()->geometry(), text);
    }

    void loeschDiaEmptiesTheCurveAndKeepsTheDerivative()
    {
        frmDocument doc;
        ChartModel &chart = doc.chartModel();
        for (int row = 1; row <= 500; ++row) {
            chart.setData(row, 1, row, false);
            chart.setData(row, 2, 7, false);
            chart.setData(row, 3, row, false);
            chart.setData(row, 4, 1, false);
        }
        chart.setUniformAxis(true);
        doc.LoeschDia();
        QVERIFY(chart.curvePoints().isEmpty());
        QCOMPARE(chart.derivativePoints().size(), 500);
        QVERIFY(!chart.uniformAxis());
        QVERIFY(chart.cell(500, 2).isNull);
        QTRY_VERIFY_WITH_TIMEOUT(!doc.MSChart1()->isRedrawPending(), 5000);
        QCOMPARE(doc.MSChart1()->plot()->curveSeries()->count(), 0);
    }

    void druckenPrintsTheChartOnALandscapePage()
    {
        QTemporaryDir dir;
        frmDocument doc;
        doc.setText(QStringLiteral("Text, der nicht gedruckt wird"));
        doc.chartModel().setData(1, 1, 0, false);
        doc.chartModel().setData(1, 2, 3, false);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("chart.pdf"));
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        doc.Drucken(&printer);
        const QList<QSizeF> pages = pdfPageSizes(dir.filePath("chart.pdf"));
        QCOMPARE(pages.size(), 1);
        QVERIFY(isLandscape(pages[0]));
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Portrait);
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasImage());
    }

    void druckenWithoutPrinterLeavesOnlyThePicture()
    {
        frmDocument doc;
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        doc.Drucken(nullptr);
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasImage());
    }
};

QTEST_MAIN(tst_frmDocument)
#include "tst_frmdocument.moc"
