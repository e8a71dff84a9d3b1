#include "documents/abstractchart.h"
#include "evaluation/derivative.h"
#include "evaluation/measurementstore.h"

#include <QList>
#include <QPointF>
#include <QTest>

#include <cmath>
#include <limits>
#include <map>
#include <utility>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Earlier = -777; // what columns 3 and 4 held before the run

// A chart whose Y-axis limits the test sets; it records every cell written.
class FixedRangeChart : public AbstractChart
{
public:
    FixedRangeChart(double yMin, double yMax)
        : m_yMin(yMin)
        , m_yMax(yMax)
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
    double yAxisMinimum() const override { return m_yMin; }
    double yAxisMaximum() const override { return m_yMax; }

    double at(int row, int column) const
    {
        const auto it = cells.find({row, column});
        return it == cells.end() ? Earlier : it->second;
    }
    std::map<std::pair<int, int>, double> cells;

private:
    double m_yMin;
    double m_yMax;
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
        QTest::addColumn<QList<double>>("drawn"); // Y of grid rows 1.., NaN: not written

        const QList<QPointF> three {{0, 3}, {1, 5}, {2, 4}};
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
            << QList<QPointF> {{0, 3}, {1, 5}, {1, 9}, {2, 4}} << 0.0 << 10.0
            << QList<double> {2, NaN, 5} << QList<double> {2, NaN, 5};
        QTest::newRow("repeated volume does not take part in the scale")
            << QList<QPointF> {{0, 3}, {1, 5}, {1, 9}, {2, 4}} << 0.0 << 1.0
            << QList<double> {2, NaN, 5} << QList<double> {0.4, NaN, 1};
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
            const int row = i + 1;
            if (std::isnan(drawn[i])) {
                QCOMPARE(chart.at(row, 3), Earlier);
                QCOMPARE(chart.at(row, 4), Earlier);
            } else {
                QCOMPARE(chart.at(row, 3), rows[i].x()); // the first volume of the step
                QVERIFY2(same(chart.at(row, 4), drawn[i]), qPrintable(QString::number(row)));
            }
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

        QVERIFY(chart.cells.empty());
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
        QCOMPARE(chart.cells.size(), size_t(1000));
    }

    void overflowingSlopeNeverReachesTheChart()
    {
        MeasurementStore store = storeOf({{0, -1e308}, {1e-10, 1e308}, {1, 1e308}});
        FixedRangeChart chart(0, 10);
        QVERIFY(BerAbleit(store, &chart));
        QVERIFY(std::isnan(store.Ableitung[0]));
        QCOMPARE(chart.at(1, 4), Earlier);
        QCOMPARE(chart.at(2, 4), 0.0);
    }
};

QTEST_GUILESS_MAIN(tst_Derivative)
#include "tst_derivative.moc"
