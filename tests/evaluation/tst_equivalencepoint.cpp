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
        QTest::addColumn<double>("tolerance"); // in increments
        QTest::addColumn<bool>("falling"); // a base titrated with an acid: the curve mirrored
        QTest::newRow("weak acid, 0.1 mL steps") << true << 0.1 << 0.0 << 0.25 << false;
        QTest::newRow("weak acid, 0.2 mL steps, noise") << true << 0.2 << 0.003 << 0.25 << false;
        QTest::newRow("weak acid, 0.5 mL steps") << true << 0.5 << 0.0 << 0.25 << false;
        QTest::newRow("strong acid, 0.1 mL steps") << false << 0.1 << 0.0 << 0.5 << false;
        QTest::newRow("strong acid, 0.2 mL steps, noise") << false << 0.2 << 0.003 << 0.5 << false;
        QTest::newRow("strong acid, 0.5 mL steps") << false << 0.5 << 0.0 << 0.5 << false;
        QTest::newRow("falling curve, 0.25 mL steps") << true << 0.25 << 0.0 << 0.25 << true;
    }
    void pointLiesNearTheModelsEquivalenceVolumeWhereverTheJumpFalls()
    {
        QFETCH(bool, weak);
        QFETCH(double, increment);
        QFETCH(double, noise);
        QFETCH(double, tolerance);
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
            QVERIFY2(ep->value > 4 && ep->value < 11, qPrintable(QString::number(ep->value)));
            worst = std::max(worst, std::abs(ep->volume - sample.equivalenceVolume()) / increment);
        }
        QVERIFY2(worst <= tolerance, qPrintable(QString("worst error %1 increments").arg(worst)));
    }

    void noPointForShortFlatOrEdgeSeries_data()
    {
        QTest::addColumn<QList<double>>("volumes");
        QTest::addColumn<QList<double>>("values");
        QTest::newRow("empty") << QList<double> {} << QList<double> {};
        QTest::newRow("three rows") << QList<double> {0, 1, 2} << QList<double> {3, 7, 11};
        QTest::newRow("straight line")
            << QList<double> {0, 1, 2, 3, 4, 5} << QList<double> {1, 2, 3, 4, 5, 6};
        QTest::newRow("constant") << QList<double> {0, 1, 2, 3, 4} << QList<double> {7, 7, 7, 7, 7};
        QTest::newRow("steepest at the end")
            << QList<double> {0, 1, 2, 3, 4} << QList<double> {3, 3.1, 3.2, 3.3, 9};
        QTest::newRow("steepest at the start")
            << QList<double> {0, 1, 2, 3, 4} << QList<double> {3, 9, 9.1, 9.2, 9.3};
        QTest::newRow("all volumes equal")
            << QList<double> {1, 1, 1, 1} << QList<double> {3, 5, 7, 9};
    }
    void noPointForShortFlatOrEdgeSeries()
    {
        QFETCH(QList<double>, volumes);
        QFETCH(QList<double>, values);
        QVERIFY(!EquivalencePointFinder::find(volumes.data(), values.data(), int(volumes.size())));
    }

    void repeatedVolumesAreSkippedNotFatal()
    {
        QList<double> volumes {0, 1, 2, 3, 3, 4, 5, 6};
        QList<double> values {3, 3.2, 3.5, 5, 5.5, 9, 9.3, 9.4};
        const auto ep
            = EquivalencePointFinder::find(volumes.data(), values.data(), int(volumes.size()));
        QVERIFY(ep.has_value());
        QVERIFY(ep->volume > 2.5 && ep->volume < 4.5);
    }
};

QTEST_GUILESS_MAIN(tst_EquivalencePoint)
#include "tst_equivalencepoint.moc"
