#include "chemistry.h"
#include "evaluation/equivalencepointfinder.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <vector>

class tst_EquivalencePoint : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Readings of the simulated titrator's model (its charge balance and its electrode noise),
    // with the equivalence volume moved across one increment in twenty shifts.
    void pointLiesNearTheModelsEquivalenceVolumeWhereverTheJumpFalls_data()
    {
        QTest::addColumn<bool>("weak");
        QTest::addColumn<double>("increment");
        QTest::addColumn<double>("noise"); // pH
        QTest::addColumn<bool>("falling"); // a base titrated with an acid: the curve mirrored
        QTest::newRow("weak acid, 0.2 mL steps, noise") << true << 0.2 << 0.003 << false;
        QTest::newRow("strong acid, 0.2 mL steps, noise") << false << 0.2 << 0.003 << false;
        QTest::newRow("falling curve, 0.25 mL steps") << true << 0.25 << 0.0 << true;
    }
    void pointLiesNearTheModelsEquivalenceVolumeWhereverTheJumpFalls()
    {
        QFETCH(bool, weak);
        QFETCH(double, increment);
        QFETCH(double, noise);
        QFETCH(bool, falling);
        double worst = 0;
        for (int shift = 0; shift < 20; ++shift) {
            const AcidSample sample
                = AcidSample::forEquivalence(weak, 10.0 + shift * increment / 20);
            Electrode electrode(noise, 1000u + unsigned(shift));
            std::vector<double> volumes, values;
            for (int i = 0; i * increment <= 2 * sample.equivalenceVolume(); ++i) {
                const double pH = electrode.readPh(sample.pH(i * increment));
                volumes.push_back(i * increment);
                values.push_back(falling ? 14 - pH : pH);
            }
            const auto ep
                = EquivalencePointFinder::find(volumes.data(), values.data(), int(volumes.size()));
            QVERIFY(ep.has_value());
            QVERIFY(ep->value > 4 && ep->value < 11);
            worst = std::max(worst, std::abs(ep->volume - sample.equivalenceVolume()) / increment);
        }
        QVERIFY(worst <= (weak ? 0.25 : 0.5)); // in increments
    }

    void pointOnlyForAJumpWithNeighboursOnBothSides_data()
    {
        QTest::addColumn<QList<double>>("volumes");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<double>("volume"); // of the point; NaN: no point
        constexpr double none = std::numeric_limits<double>::quiet_NaN();
        const QList<double> six {0, 1, 2, 3, 4, 5};
        QTest::newRow("empty") << QList<double> {} << QList<double> {} << none;
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
        QTest::newRow("jump three times the median counts")
            << six << QList<double> {0, 1, 2, 5, 6, 7} << 2.5;
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

    void repeatedVolumesAreSkippedNotFatal()
    {
        const QList<double> volumes {0, 1, 2, 3, 3, 4, 5, 6};
        const QList<double> values {3, 3.2, 3.5, 5, 5.5, 9, 9.3, 9.4};
        const auto ep = EquivalencePointFinder::find(volumes.data(), values.data(), 8);
        QVERIFY(ep.has_value() && ep->volume > 2.5 && ep->volume < 4.5);
    }
};

QTEST_GUILESS_MAIN(tst_EquivalencePoint)
#include "tst_equivalencepoint.moc"
