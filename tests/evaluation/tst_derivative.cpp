#include "evaluation/derivative.h"
#include "model/abstractchart.h"
#include "model/measurementstore.h"

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
        QVERIFY(row >= 1 && row <= RowCount && std::isfinite(value));
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
        QTest::addColumn<QList<double>>("drawn"); // Y of grid rows 1..; NaN: emptied

        auto row = [](const char *name, const QList<QPointF> &rows, double yMin, double yMax,
                       const QList<double> &ableitung, const QList<double> &drawn) {
            QTest::newRow(name) << rows << yMin << yMax << ableitung << drawn;
        };
        row("two rows give one point", {{0, 3}, {1, 5}}, 0, 10, {2}, {2});
        row("axis 0 to 1 scales down", {{0, 3}, {1, 5}, {2, 4}}, 0, 1, {2, 1}, {1, 0.5});
        row("falling curve gives a positive derivative", {{0, 300}, {0.5, 100}, {1, 50}}, -100, 400,
            {300, 0}, {300, 0});
        row("repeated volume is left out, also of the scale", {{0, 3}, {1, 5}, {1, 9}, {2, 4}}, 0,
            1, {2, NaN, 5}, {0.4, NaN, 1});
        row("cleared store has no slope anywhere", {{0, 0}, {0, 0}, {0, 0}}, 0, 1, {NaN, NaN},
            {NaN, NaN});
        // The 501st row of the store ends the last step, drawn in the grid's last row.
        QList<QPointF> full;
        for (int i = 0; i < MeasurementStore::RowCount; ++i)
            full << QPointF(i, 2 * i);
        const QList<double> twos(MeasurementStore::RowCount - 1, 2.0);
        row("a full store fills grid row 500", full, 0, 1000, twos, twos);
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
            QVERIFY(same(store.Ableitung[i], ableitung[i]));
        for (int i = 0; i < drawn.size(); ++i) {
            // X is the first volume of the step; a step without slope empties both cells.
            const QByteArray at = "grid row " + QByteArray::number(i + 1);
            QVERIFY2(same(chart.at(i + 1, 3), std::isnan(drawn[i]) ? NaN : rows[i].x()), at);
            QVERIFY2(same(chart.at(i + 1, 4), drawn[i]), at);
        }
        // n rows give n - 1 points; the rows after them keep what they showed.
        QCOMPARE(chart.at(int(rows.size()), 4), Earlier);
    }

    void nothingHappensWithoutASeries()
    {
        for (int c = 0; c < 3; ++c) { // one row, text mode, no document
            MeasurementStore store = storeOf({{0, 3}, {1, 5}, {2, 4}});
            store.AnzahlWerte = c == 0 ? 1 : 3;
            store.DatenModus = c == 1 ? MeasurementStore::TextMode : MeasurementStore::DataMode;
            store.Ableitung.fill(42);
            FixedRangeChart chart(0, 10);
            QVERIFY(!BerAbleit(store, c == 2 ? nullptr : &chart));
            QVERIFY(chart.cells.isEmpty() && store.Ableitung[0] == 42.0);
        }
    }
};

QTEST_GUILESS_MAIN(tst_Derivative)
#include "tst_derivative.moc"
