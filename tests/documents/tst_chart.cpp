// The chart component: the grid and its axis limits (ChartModel) and their drawing (ChartView).

#include "documents/chartplot.h"
#include "documents/chartview.h"

#include <QGraphicsSimpleTextItem>
#include <QScatterSeries>
#include <QSignalSpy>
#include <QTest>
#include <QValueAxis>

#include <tuple>

namespace {

void fillCurve(ChartModel &model, int points, double low, double high)
{
    for (int row = 1; row <= points; ++row) {
        model.setData(row, 1, row * 0.1, false);
        model.setData(row, 2, low + (high - low) * (row - 1) / std::max(1, points - 1), false);
    }
}

} // namespace

class tst_Chart : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void axesShowRoundLimitsAroundTheData_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<int>("points");
        QTest::newRow("mV") << -312.4 << 287.1 << 100;
        QTest::newRow("one point at -250 mV") << -250.0 << -250.0 << 1;
        QTest::newRow("one point at 0") << 0.0 << 0.0 << 1;
    }
    void axesShowRoundLimitsAroundTheData()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(int, points);
        ChartModel model;
        ChartView view(&model);
        fillCurve(model, points, low, high);
        view.redrawNow();
        const auto y = model.yRange();
        QVERIFY(y.minimum <= low && y.maximum >= high && y.minimum < y.maximum);
        QVERIFY(y.tickCount >= 2 && y.tickCount <= 12);
        const double step = (y.maximum - y.minimum) / (y.tickCount - 1); // limits on its multiples
        QVERIFY(qAbs(y.minimum / step - qRound(y.minimum / step)) < 1e-6);
        const QValueAxis *axis = view.plot()->yAxis(); // the screen shows the model's limits
        QCOMPARE(QList<double>({axis->min(), axis->max(), double(axis->tickCount())}),
            QList<double>({y.minimum, y.maximum, double(y.tickCount)}));
    }

    // The equivalence point and its export notes belong to the curve they were found on.
    void theEquivalencePointGoesWithAnyChangeOfTheCurve()
    {
        // Column, value, isNull of row 3, which holds (0.3 ml, pH 4) before, and whether the
        // point is kept; column 3 is the derivative's X.
        const std::tuple<int, double, bool, bool> changes[] = {{2, 4.01, false, false},
            {1, 0.3, true, false}, {1, 3 * 0.1, false, true}, {3, 1.0, false, true}};
        for (const auto &[column, value, isNull, kept] : changes) {
            ChartModel chart;
            fillCurve(chart, 5, 2, 6);
            chart.setEquivalencePoints({{EquivalencePoint {0.25, 3.5}, {}}}, QStringLiteral("# n"));
            chart.setData(3, column, value, isNull);
            QCOMPARE(chart.equivalencePoint().has_value(), kept);
            QCOMPARE(chart.exportNotes().isEmpty(), !kept);
        }
    }

    // Every EP gets its marker and its own label; fewer points later hide the labels left over.
    void everyEquivalencePointIsMarkedWithItsLabel()
    {
        ChartModel model;
        fillCurve(model, 5, 2, 6);
        ChartView view(&model);
        model.setEquivalencePoints({{EquivalencePoint {0.1, 3}, QStringLiteral("EP1 0,10 ml")},
                                       {EquivalencePoint {0.3, 5}, QStringLiteral("EP2 0,30 ml")}},
            QStringLiteral("# EP1\r\n"));
        QVERIFY(QSignalSpy(&view, &ChartView::redrawn).wait(5000));
        QCOMPARE(view.plot()->markerSeries()->points(),
            QList<QPointF>({QPointF(0.1, 3), QPointF(0.3, 5)}));
        QCOMPARE(view.plot()->markerLabelItem(1)->text(), QStringLiteral("EP2 0,30 ml"));

        model.setEquivalencePoint(EquivalencePoint {0.2, 4});
        QVERIFY(QSignalSpy(&view, &ChartView::redrawn).wait(5000));
        QCOMPARE(view.plot()->markerSeries()->count(), 1);
        QVERIFY(view.plot()->markerLabelItem(1)->text().isEmpty());
        QVERIFY(model.exportNotes().isEmpty());
    }
};

QTEST_MAIN(tst_Chart)
#include "tst_chart.moc"
