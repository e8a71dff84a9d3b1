#include "documents/chartplot.h"
#include "documents/chartview.h"

#include <QApplication>
#include <QClipboard>
#include <QLineSeries>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QValueAxis>

namespace {

void fillCurve(ChartModel &model, int points, double low, double high)
{
    for (int row = 1; row <= points; ++row) {
        model.setData(row, 1, row * 0.1, false);
        model.setData(row, 2, low + (high - low) * (row - 1) / std::max(1, points - 1), false);
    }
}

// Pixels of the curve's blue in the picture.
int curvePixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() > 120 && c.red() < 80)
                ++count;
        }
    }
    return count;
}

} // namespace

class tst_ChartView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void manyChangesInOneTurnCostOneRedraw()
    {
        ChartModel model;
        ChartView view(&model);
        QCoreApplication::processEvents();
        const int before = view.redrawCount();
        for (int row = 1; row <= ChartModel::RowCount; ++row) {
            model.setData(row, 1, 0, true);
            model.setData(row, 2, 0, true);
        }
        model.setUniformAxis(false);
        fillCurve(model, 500, 3, 11);
        model.setTitleText(QStringLiteral("titrationcurve"));
        QCOMPARE(view.redrawCount(), before);
        QVERIFY(view.isRedrawPending());
        QTRY_COMPARE_WITH_TIMEOUT(view.redrawCount(), before + 1, 5000);
        QCoreApplication::processEvents();
        QCOMPARE(view.redrawCount(), before + 1);
        QCOMPARE(view.plot()->curveSeries()->count(), 500);
    }

    void axesShowExactlyTheLimitsTheModelReports_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<int>("points");
        QTest::newRow("pH") << 2.87 << 11.93 << 40;
        QTest::newRow("mV") << -312.4 << 287.1 << 100;
        QTest::newRow("one point") << 7.0 << 7.0 << 1;
        QTest::newRow("tiny") << 0.013 << 0.097 << 3;
        QTest::newRow("no points") << 0.0 << 0.0 << 0;
    }
    void axesShowExactlyTheLimitsTheModelReports()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(int, points);
        ChartModel model;
        ChartView view(&model);
        fillCurve(model, points, low, high);
        view.redrawNow();
        const QValueAxis *y = view.plot()->yAxis();
        const QValueAxis *x = view.plot()->xAxis();
        QCOMPARE(y->min(), model.yAxisMinimum());
        QCOMPARE(y->max(), model.yAxisMaximum());
        QCOMPARE(y->tickCount(), model.yRange().tickCount);
        QCOMPARE(x->min(), model.xRange().minimum);
        QCOMPARE(x->max(), model.xRange().maximum);
        QCOMPARE(view.plot()->curveSeries()->count(), points);
    }

    void seriesShowOnlyPointsWithBothCells()
    {
        ChartModel model;
        ChartView view(&model);
        model.setData(1, 1, 0.5, false);
        model.setData(1, 2, 4.0, false);
        model.setData(2, 1, 1.0, false); // Y missing
        model.setData(3, 3, 1.0, false);
        model.setData(3, 4, 9.0, false);
        model.setData(4, 4, 2.0, false); // X missing
        view.redrawNow();
        QCOMPARE(view.plot()->curveSeries()->points(), QList<QPointF> {QPointF(0.5, 4.0)});
        QCOMPARE(view.plot()->derivativeSeries()->points(), QList<QPointF> {QPointF(1.0, 9.0)});
    }

    void titlesAreShown()
    {
        ChartModel model;
        ChartView view(&model);
        model.setTitleText(QStringLiteral("Titrationskurve"));
        model.setAxisTitle(ChartModel::XAxis, QStringLiteral("Verbrauch [mL]"));
        model.setAxisTitle(ChartModel::YAxis, QStringLiteral("pH-Werte"));
        QSignalSpy redrawn(&view, &ChartView::redrawn);
        QVERIFY(redrawn.wait(5000));
        QCOMPARE(view.plot()->title(), QStringLiteral("Titrationskurve"));
        QCOMPARE(view.plot()->xAxis()->titleText(), QStringLiteral("Verbrauch [mL]"));
        QCOMPARE(view.plot()->yAxis()->titleText(), QStringLiteral("pH-Werte"));
    }

    void labelsHaveTheDecimalsOfTheirStep_data()
    {
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("format");
        QTest::newRow("whole") << 0.0 << 14.0 << 8 << "%.0f";
        QTest::newRow("halves") << 2.0 << 4.5 << 6 << "%.1f";
        QTest::newRow("quarters") << 0.0 << 1.0 << 5 << "%.2f";
        QTest::newRow("hundreds") << -400.0 << 300.0 << 8 << "%.0f";
        QTest::newRow("thousandths") << 0.01 << 0.015 << 6 << "%.3f";
    }
    void labelsHaveTheDecimalsOfTheirStep()
    {
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        QFETCH(int, ticks);
        QFETCH(QString, format);
        QCOMPARE(ChartPlot::labelFormat({minimum, maximum, ticks}), format);
    }

    void emptyGridDrawsAnEmptyPlot()
    {
        ChartModel model;
        ChartView view(&model);
        view.redrawNow();
        QVERIFY(view.plot()->curveSeries()->points().isEmpty());
        const QImage picture = view.pictureImage(QSize(400, 300));
        QCOMPARE(picture.size(), QSize(400, 300));
        QCOMPARE(curvePixels(picture), 0);
    }

    void pictureFillsTargetsOfAnyProportion_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("landscape page") << QSize(1100, 780);
        QTest::newRow("wide strip") << QSize(900, 200);
        QTest::newRow("tall") << QSize(300, 700);
    }
    void pictureFillsTargetsOfAnyProportion()
    {
        QFETCH(QSize, size);
        ChartModel model;
        ChartView view(&model);
        view.resize(300, 300);
        fillCurve(model, 50, 3, 11);
        const QImage picture = view.pictureImage(size);
        // The rising curve reaches into the left and right thirds and the top and bottom
        // halves of the picture, whatever its proportions.
        const auto pixelsIn = [&picture](const QRect &part) {
            return curvePixels(picture.copy(part));
        };
        const int w = size.width();
        const int h = size.height();
        QVERIFY(pixelsIn(QRect(0, 0, w / 3, h)) > 0);
        QVERIFY(pixelsIn(QRect(2 * w / 3, 0, w / 3, h)) > 0);
        QVERIFY(pixelsIn(QRect(0, 0, w, h / 2)) > 0);
        QVERIFY(pixelsIn(QRect(0, h / 2, w, h / 2)) > 0);
    }

    void editCopyPutsThePictureOnTheClipboard()
    {
        ChartModel model;
        ChartView view(&model);
        view.resize(500, 400);
        view.show();
        fillCurve(model, 20, 4, 10);
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        view.EditCopy();
        const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
        QVERIFY(mime);
        QVERIFY(!mime->hasText());
        QVERIFY(mime->hasImage());
        const QImage png = QImage::fromData(mime->data(QStringLiteral("image/png")), "PNG");
        QCOMPARE(png.size(), QSize(500, 400));
        QVERIFY(curvePixels(png) > 0);
        const QByteArray svg = mime->data(QStringLiteral("image/svg+xml"));
        QVERIFY(svg.contains("<svg"));
        QVERIFY(svg.contains("</svg>"));
    }
};

QTEST_MAIN(tst_ChartView)
#include "tst_chartview.moc"
