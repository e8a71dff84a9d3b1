#include "chemistry.h"
#include "evaluation/equivalencepoint.h"

#include <QTest>

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

    void noPointForEmptyFlatOrEqualVolumeSeries()
    {
        const QList<double> none, flat {0, 1, 2, 3, 4}, equal {1, 1, 1, 1};
        QVERIFY(!EquivalencePointFinder::find(none.data(), none.data(), 0));
        QVERIFY(!EquivalencePointFinder::find(flat.data(), QList<double>(5, 7.0).data(), 5));
        QVERIFY(!EquivalencePointFinder::find(equal.data(), flat.data(), 4));
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
