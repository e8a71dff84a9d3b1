#include "documents/chartmodel.h"

#include <QSignalSpy>
#include <QTest>

class tst_ChartModel : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void allNullGridHasNoPointsAndDefaultAxes()
    {
        ChartModel chart;
        QVERIFY(chart.curvePoints().isEmpty());
        QVERIFY(chart.derivativePoints().isEmpty());
        QVERIFY(chart.yAxisMinimum() < chart.yAxisMaximum());
    }

    void aPointIsDrawnOnlyWhenBothCellsAreSet()
    {
        ChartModel chart;
        chart.setData(1, 1, 0.5, false);
        QVERIFY(chart.curvePoints().isEmpty());
        chart.setData(1, 2, 7.0, false);
        QCOMPARE(chart.curvePoints(), QList<QPointF> {QPointF(0.5, 7.0)});
        chart.setData(1, 2, 0, true);
        QVERIFY(chart.curvePoints().isEmpty());
    }

    void cellsOutsideTheGridAreIgnored_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::newRow("row 0") << 0 << 1;
        QTest::newRow("row 501") << 501 << 1;
        QTest::newRow("column 0") << 1 << 0;
        QTest::newRow("column 5") << 1 << 5;
    }
    void cellsOutsideTheGridAreIgnored()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        ChartModel chart;
        chart.setData(row, column, 1.0, false);
        QVERIFY(chart.cell(row, column).isNull);
        chart.setData(500, 4, 2.0, false);
        QCOMPARE(chart.cell(500, 4).value, 2.0);
    }

    void axisLimitsAreRoundAndEncloseTheData_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("pH curve") << 2.87 << 11.93;
        QTest::newRow("mV curve") << -312.4 << 287.1;
        QTest::newRow("small") << 0.013 << 0.097;
        QTest::newRow("flat") << 7.0 << 7.0;
        QTest::newRow("zero flat") << 0.0 << 0.0;
    }
    void axisLimitsAreRoundAndEncloseTheData()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        ChartModel chart;
        chart.setData(1, 1, 0, false);
        chart.setData(1, 2, low, false);
        chart.setData(2, 1, 1, false);
        chart.setData(2, 2, high, false);
        const auto y = chart.yRange();
        QVERIFY(y.minimum <= low);
        QVERIFY(y.maximum >= high);
        QVERIFY(y.minimum < y.maximum);
        QVERIFY(y.tickCount >= 2 && y.tickCount <= 12);
        const double step = (y.maximum - y.minimum) / (y.tickCount - 1);
        // Limits lie on multiples of the step.
        QVERIFY(qAbs(y.minimum / step - qRound(y.minimum / step)) < 1e-6);
        QCOMPARE(chart.yAxisMinimum(), y.minimum);
        QCOMPARE(chart.yAxisMaximum(), y.maximum);
    }

    void derivativeColumnsWidenTheAxesToo()
    {
        ChartModel chart;
        chart.setData(1, 1, 0, false);
        chart.setData(1, 2, 3, false);
        chart.setData(1, 3, 0, false);
        chart.setData(1, 4, 25, false);
        QVERIFY(chart.yAxisMaximum() >= 25);
        QCOMPARE(chart.derivativePoints().size(), 1);
    }

    void everyChangeIsSignalled()
    {
        ChartModel chart;
        QSignalSpy spy(&chart, &ChartModel::changed);
        chart.setData(1, 1, 1, false);
        chart.setTitleText("titrationcurve");
        chart.setAxisTitle(ChartModel::YAxis, "pH-values");
        QCOMPARE(spy.count(), 3);
        QCOMPARE(chart.titleText(), QString("titrationcurve"));
        QCOMPARE(chart.axisTitle(ChartModel::YAxis), QString("pH-values"));
    }
};

QTEST_GUILESS_MAIN(tst_ChartModel)
#include "tst_chartmodel.moc"
