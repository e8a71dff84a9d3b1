#include "evaluation/equivalencepointfinder.h"

#include <QTest>

#include <cmath>
#include <limits>

// The steepest-step finder that batch evaluation and the series marker still use; its accuracy
// on a model run is checked by tst_methodrun.
class tst_EquivalencePoint : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pointOnlyForAJumpWithNeighboursOnBothSides_data()
    {
        QTest::addColumn<QList<double>>("volumes");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<double>("volume"); // of the point; NaN: no point
        constexpr double none = std::numeric_limits<double>::quiet_NaN();
        const QList<double> six {0, 1, 2, 3, 4, 5};
        QTest::newRow("three rows are too few")
            << QList<double> {0, 1, 2} << QList<double> {0, 9, 10} << none;
        QTest::newRow("four rows are enough")
            << QList<double> {0, 1, 2, 3} << QList<double> {0, 1, 10, 11} << 1.5;
        QTest::newRow("flat") << six << QList<double>(6, 7.0) << none;
        QTest::newRow("one volume only")
            << QList<double>(4, 1.0) << QList<double> {0, 1, 2, 3} << none;
        // Either end has no neighbour to lay the parabola through.
        QTest::newRow("steepest step first")
            << six << QList<double> {0, 10, 11, 12, 13, 14} << none;
        QTest::newRow("steepest step last") << six << QList<double> {0, 1, 2, 3, 4, 14} << none;
        QTest::newRow("falling jump three times the median counts")
            << six << QList<double> {7, 6, 5, 2, 1, 0} << 2.5;
        QTest::newRow("jump just under three times does not")
            << six << QList<double> {0, 1, 2, 4.9, 5.9, 6.9} << none;
    }
    void pointOnlyForAJumpWithNeighboursOnBothSides()
    {
        QFETCH(QList<double>, volumes);
        QFETCH(QList<double>, values);
        QFETCH(double, volume);
        const auto ep
            = EquivalencePointFinder::find(volumes.data(), values.data(), int(volumes.size()));
        QCOMPARE(ep.has_value(), !std::isnan(volume));
        if (ep)
            QCOMPARE(ep->volume, volume);
    }
};

QTEST_GUILESS_MAIN(tst_EquivalencePoint)
#include "tst_equivalencepoint.moc"
