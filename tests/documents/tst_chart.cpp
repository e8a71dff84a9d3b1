// The chart component: the grid and its axis limits (ChartModel) and their drawing (ChartView).

#include "documents/chartplot.h"
#include "documents/chartview.h"

#include <QClipboard>
#include <QGuiApplication>
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

// Pixels of the curve's blue in a part of the picture.
int curvePixels(const QImage &image, const QRect &part)
{
    int count = 0;
    for (int y = part.top(); y <= part.bottom(); ++y) {
        for (int x = part.left(); x <= part.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.blue() > 120 && c.red() < 80;
        }
    }
    return count;
}

} // namespace

class tst_Chart : public QObject
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
        fillCurve(model, 500, 3, 11);
        model.setTitleText(QStringLiteral("Titrationskurve"));
        model.setAxisTitle(ChartModel::XAxis, QStringLiteral("Verbrauch [mL]"));
        model.setAxisTitle(ChartModel::YAxis, QStringLiteral("pH-Werte"));
        QCOMPARE(view.redrawCount(), before);
        QVERIFY(QSignalSpy(&view, &ChartView::redrawn).wait(5000));
        QCoreApplication::processEvents();
        QCOMPARE(view.redrawCount(), before + 1);
        QCOMPARE(view.plot()->curveSeries()->count(), 500);
        QCOMPARE(view.plot()->title(), QStringLiteral("Titrationskurve"));
        QCOMPARE(view.plot()->xAxis()->titleText(), QStringLiteral("Verbrauch [mL]"));
        QCOMPARE(view.plot()->yAxis()->titleText(), QStringLiteral("pH-Werte"));
    }

    void aPointIsDrawnOnlyWhereBothItsCellsAreSet()
    {
        ChartModel model;
        ChartView view(&model);
        model.setData(1, 1, 0.5, false);
        model.setData(1, 2, 4.0, false);
        model.setData(2, 1, 1.0, false); // Y missing
        model.setData(3, 3, 1.0, false);
        model.setData(3, 4, 9.0, false);
        model.setData(4, 4, 2.0, false); // X missing
        model.setData(5, 1, 2.0, false);
        model.setData(5, 2, 3.0, false);
        model.setData(5, 2, 0, true); // set, then emptied
        // Cells outside the 500 x 4 grid are never written.
        for (const QPoint &cell : {QPoint(0, 1), QPoint(501, 1), QPoint(501, 2), QPoint(6, 5)})
            model.setData(cell.x(), cell.y(), 99.0, false);
        view.redrawNow();
        QCOMPARE(view.plot()->curveSeries()->points(), QList<QPointF> {QPointF(0.5, 4.0)});
        QCOMPARE(view.plot()->derivativeSeries()->points(), QList<QPointF> {QPointF(1.0, 9.0)});
        // The derivative widens the axes too.
        QCOMPARE(model.yAxisMaximum(), 9.0);
    }

    void axesShowRoundLimitsAroundTheData_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<int>("points");
        QTest::addColumn<QString>("labels");
        QTest::newRow("pH") << 2.87 << 11.93 << 40 << "%.0f";
        QTest::newRow("mV") << -312.4 << 287.1 << 100 << "%.0f";
        QTest::newRow("tiny") << 0.013 << 0.097 << 3 << "%.2f";
        QTest::newRow("one point") << 7.0 << 7.0 << 1 << "%.1f";
        QTest::newRow("no points") << 0.0 << 0.0 << 0 << "%.0f";
    }
    void axesShowRoundLimitsAroundTheData()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(int, points);
        QFETCH(QString, labels);
        ChartModel model;
        ChartView view(&model);
        fillCurve(model, points, low, high);
        view.redrawNow();
        const auto y = model.yRange();
        QVERIFY(y.minimum <= low && y.maximum >= high && y.minimum < y.maximum);
        QVERIFY(y.tickCount >= 2 && y.tickCount <= 12);
        // Limits lie on multiples of the step.
        const double step = (y.maximum - y.minimum) / (y.tickCount - 1);
        QVERIFY(qAbs(y.minimum / step - qRound(y.minimum / step)) < 1e-6);
        // The axes on screen show exactly what the model reports.
        const QValueAxis *yAxis = view.plot()->yAxis();
        QCOMPARE(yAxis->min(), model.yAxisMinimum());
        QCOMPARE(yAxis->max(), model.yAxisMaximum());
        QCOMPARE(yAxis->tickCount(), y.tickCount);
        QCOMPARE(yAxis->labelFormat(), labels);
        QCOMPARE(view.plot()->xAxis()->min(), model.xRange().minimum);
        QCOMPARE(view.plot()->xAxis()->max(), model.xRange().maximum);
        QCOMPARE(view.plot()->curveSeries()->count(), points);
    }

    // The equivalence point belongs to the curve it was found on.
    void theEquivalencePointGoesWithAnyChangeOfTheCurve_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("isNull");
        QTest::addColumn<bool>("kept");
        // Row 3 holds (2 ml, pH 4) before.
        QTest::newRow("other volume") << 1 << 2.5 << false << false;
        QTest::newRow("other value") << 2 << 4.01 << false << false;
        QTest::newRow("volume emptied") << 1 << 2.0 << true << false;
        QTest::newRow("same volume again") << 1 << 2.0 << false << true;
        QTest::newRow("derivative X") << 3 << 1.0 << false << true;
        QTest::newRow("derivative Y emptied") << 4 << 1.0 << true << true;
    }
    void theEquivalencePointGoesWithAnyChangeOfTheCurve()
    {
        QFETCH(int, column);
        QFETCH(double, value);
        QFETCH(bool, isNull);
        QFETCH(bool, kept);
        ChartModel chart;
        for (int row = 1; row <= 5; ++row) {
            chart.setData(row, 1, row - 1, false);
            chart.setData(row, 2, 1 + row, false);
        }
        chart.setEquivalencePoint(EquivalencePoint {2.5, 3.5});
        chart.setTitleText(QStringLiteral("Titrationskurve"));
        chart.setUniformAxis(false);
        chart.setData(3, column, value, isNull);
        QCOMPARE(chart.equivalencePoint().has_value(), kept);
    }

    void pictureFillsATargetOfOtherProportionsThanTheView()
    {
        const QSize size(300, 700);
        ChartModel model;
        ChartView view(&model);
        view.resize(300, 300);
        QCOMPARE(curvePixels(view.pictureImage(size), QRect(QPoint(0, 0), size)), 0); // no data
        fillCurve(model, 50, 3, 11);
        const QImage picture = view.pictureImage(size);
        // The rising curve reaches into the left and right thirds and the top and bottom
        // halves of the picture.
        const int w = size.width();
        const int h = size.height();
        QVERIFY(curvePixels(picture, QRect(0, 0, w / 3, h)) > 0);
        QVERIFY(curvePixels(picture, QRect(2 * w / 3, 0, w / 3, h)) > 0);
        QVERIFY(curvePixels(picture, QRect(0, 0, w, h / 2)) > 0);
        QVERIFY(curvePixels(picture, QRect(0, h / 2, w, h / 2)) > 0);
    }

    void editCopyPutsThePictureOnTheClipboardAsPngAndSvg()
    {
        ChartModel model;
        ChartView view(&model);
        view.resize(500, 400);
        view.show();
        fillCurve(model, 20, 4, 10);
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        view.EditCopy();
        const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
        QVERIFY(mime && !mime->hasText() && mime->hasImage());
        const QImage png = QImage::fromData(mime->data(QStringLiteral("image/png")), "PNG");
        QCOMPARE(png.size(), QSize(500, 400));
        QVERIFY(curvePixels(png, png.rect()) > 0);
        const QByteArray svg = mime->data(QStringLiteral("image/svg+xml"));
        QVERIFY(svg.contains("<svg") && svg.contains("</svg>"));
    }
};

QTEST_MAIN(tst_Chart)
#include "tst_chart.moc"
