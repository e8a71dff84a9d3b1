#include "documents/abstractchart.h"
#include "evaluation/derivative.h"
#include "evaluation/measurementstore.h"

#include <QHash>
#include <QList>
#include <QPointF>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Earlier = -777; // what columns 3 and 4 held before

// A chart whose Y-axis limits the test sets; it records every cell written.
struct FixedRangeChart : AbstractChart
{
    FixedRangeChart(double low, double high)
        : yMin(low)
        , yMax(high)
    { }
    void setData(int row, int column, double value, bool isNull) override
    {
        QVERIFY2(row >= 1 && row <= RowCount, "row outside the grid");
        QVERIFY2(std::isfinite(value), "a value that is not a finite number reached the chart");
        cells[{row, column}] = isNull ? NaN : value;
    }
    void setUniformAxis(bool) override { }
    void setTitleText(const QString &) override { }
    void setAxisTitle(int, const QString &) override { }
    double yAxisMinimum() const override { return yMin; }
    double yAxisMaximum() const override { return yMax; }
    double at(int row, int column) const { return cells.value({row, column}, Earlier); }

    double yMin, yMax;
    QHash<std::pair<int, int>, double> cells;
};

MeasurementStore storeOf(const QList<QPointF> &rows)
{
    MeasurementStore store;
    for (int i = 0; i < rows.size(); ++i)
        store.Messwerte[i] = {rows[i].x(), rows[i].y()};
    store.AnzahlWerte = qint16(rows.size());
    store.DatenModus = MeasurementStore::DataMode;
    return store;
}

bool same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || qFuzzyCompare(1 + a, 1 + b);
}

} // namespace

class tst_Derivative : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void derivativeIsOffsetAndFittedIntoTheYAxis_data()
    {
        QTest::addColumn<QList<QPointF>>("rows"); // volume, value
        QTest::addColumn<double>("yMin");
        QTest::addColumn<double>("yMax");
        QTest::addColumn<QList<double>>("ableitung"); // NaN: a step without slope
        QTest::addColumn<QList<double>>("drawn"); // Y of grid rows 1..; NaN: not written

        const QList<QPointF> three {{0, 3}, {1, 5}, {2, 4}};
        const QList<QPointF> repeated {{0, 3}, {1, 5}, {1, 9}, {2, 4}};
        QTest::newRow("axis 0 to 10")
            << three << 0.0 << 10.0 << QList<double> {2, 1} << QList<double> {2, 1};
        QTest::newRow("axis 0 to 1 scales down")
            << three << 0.0 << 1.0 << QList<double> {2, 1} << QList<double> {1, 0.5};
        QTest::newRow("axis from 2 offsets")
            << three << 2.0 << 10.0 << QList<double> {4, 3} << QList<double> {4, 3};
        QTest::newRow("highest point exactly on the maximum is not scaled")
            << three << 0.0 << 2.0 << QList<double> {2, 1} << QList<double> {2, 1};
        QTest::newRow("two rows give one point") << QList<QPointF> {{0.5, 4}, {1.0, 7}} << 0.0
                                                 << 10.0 << QList<double> {6} << QList<double> {6};
        QTest::newRow("falling curve gives a positive derivative")
            << QList<QPointF> {{0, 300}, {0.5, 100}, {1, 50}} << -100.0 << 400.0
            << QList<double> {300, 0} << QList<double> {300, 0};
        QTest::newRow("repeated volume is left out")
            << repeated << 0.0 << 10.0 << QList<double> {2, NaN, 5} << QList<double> {2, NaN, 5};
        QTest::newRow("repeated volume does not take part in the scale")
            << repeated << 0.0 << 1.0 << QList<double> {2, NaN, 5} << QList<double> {0.4, NaN, 1};
        QTest::newRow("cleared store has no slope anywhere") << QList<QPointF> {{0, 0}, {0, 0},
            {0, 0}} << 0.0 << 1.0 << QList<double> {NaN, NaN} << QList<double> {NaN, NaN};
    }
    void derivativeIsOffsetAndFittedIntoTheYAxis()
    {
        QFETCH(QList<QPointF>, rows);
        QFETCH(double, yMin);
        QFETCH(double, yMax);
        QFETCH(QList<double>, ableitung);
        QFETCH(QList<double>, drawn);
        MeasurementStore store = storeOf(rows);
        FixedRangeChart chart(yMin, yMax);

        QVERIFY(BerAbleit(store, &chart));

        for (int i = 0; i < ableitung.size(); ++i)
            QVERIFY2(same(store.Ableitung[i], ableitung[i]), qPrintable(QString::number(i)));
        for (int i = 0; i < drawn.size(); ++i) {
            // X is the first volume of the step; a step without slope leaves both cells alone.
            QCOMPARE(chart.at(i + 1, 3), std::isnan(drawn[i]) ? Earlier : rows[i].x());
            if (std::isnan(drawn[i]))
                QCOMPARE(chart.at(i + 1, 4), Earlier);
            else
                QVERIFY2(same(chart.at(i + 1, 4), drawn[i]), qPrintable(QString::number(i + 1)));
        }
        // n rows give n - 1 points; the rows after them keep what they showed.
        QCOMPARE(chart.at(int(rows.size()), 3), Earlier);
        QCOMPARE(chart.at(int(rows.size()), 4), Earlier);
    }

    void nothingHappensWithoutASeries_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("withChart");
        QTest::newRow("no rows") << 0 << int(MeasurementStore::DataMode) << true;
        QTest::newRow("one row") << 1 << int(MeasurementStore::DataMode) << true;
        QTest::newRow("text mode") << 3 << int(MeasurementStore::TextMode) << true;
        QTest::newRow("no document") << 3 << int(MeasurementStore::DataMode) << false;
    }
    void nothingHappensWithoutASeries()
    {
        QFETCH(int, rows);
        QFETCH(int, mode);
        QFETCH(bool, withChart);
        MeasurementStore store = storeOf({{0, 3}, {1, 5}, {2, 4}});
        store.AnzahlWerte = qint16(rows);
        store.DatenModus = quint8(mode);
        store.Ableitung.fill(42);
        FixedRangeChart chart(0, 10);

        QVERIFY(!BerAbleit(store, withChart ? &chart : nullptr));

        QVERIFY(chart.cells.isEmpty());
        QCOMPARE(store.Ableitung[0], 42.0);
    }

    void fullStoreEndsInTheLastGridRow()
    {
        MeasurementStore store;
        for (int i = 0; i < MeasurementStore::RowCount; ++i)
            store.Messwerte[i] = {i * 0.1, i % 2 == 0 ? 1.0 : 2.0};
        store.AnzahlWerte = 600; // more than the store holds: only its rows count
        store.DatenModus = MeasurementStore::DataMode;
        FixedRangeChart chart(0, 100);

        QVERIFY(BerAbleit(store, &chart));

        QCOMPARE(chart.at(500, 3), 49.9);
        QVERIFY(same(chart.at(500, 4), 10));
        QCOMPARE(chart.cells.size(), 1000);
    }
};

QTEST_GUILESS_MAIN(tst_Derivative)
#include "tst_derivative.moc"
