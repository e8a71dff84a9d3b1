#include "evaluation/equivalencepoint.h"
#include "support/titrationcurve.h"

#include <QTest>

#include <vector>

class tst_EquivalencePoint : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pointLiesNearTheModelsEquivalenceVolume_data()
    {
        QTest::addColumn<double>("ka"); // 0: strong acid
        QTest::addColumn<double>("sampleVolume");
        QTest::addColumn<double>("increment");
        QTest::addColumn<double>("tolerance"); // in increments
        // Equivalence volumes that fall between and on the sampled volumes.
        QTest::newRow("weak acid, 0.2 mL steps") << 1.75e-5 << 10.0 << 0.2 << 0.25;
        QTest::newRow("weak acid, off-grid point") << 1.75e-5 << 10.37 << 0.2 << 0.25;
        QTest::newRow("weak acid, 0.5 mL steps") << 1.75e-5 << 9.83 << 0.5 << 0.25;
        QTest::newRow("weak acid, fine steps") << 1.75e-5 << 10.02 << 0.05 << 0.25;
        QTest::newRow("strong acid, 0.2 mL steps") << 0.0 << 10.0 << 0.2 << 0.5;
        QTest::newRow("strong acid, off-grid point") << 0.0 << 10.13 << 0.2 << 0.5;
        QTest::newRow("strong acid, 0.5 mL steps") << 0.0 << 9.71 << 0.5 << 0.5;
    }
    void pointLiesNearTheModelsEquivalenceVolume()
    {
        QFETCH(double, ka);
        QFETCH(double, sampleVolume);
        QFETCH(double, increment);
        QFETCH(double, tolerance);
        TitrationCurve model;
        model.ka = ka;
        model.sampleVolume = sampleVolume;
        std::vector<double> volumes, values;
        for (double v = 0; v <= 2 * model.equivalenceVolume(); v += increment) {
            volumes.push_back(v);
            values.push_back(model.pH(v));
        }
        const auto ep
            = EquivalencePointFinder::find(volumes.data(), values.data(), int(volumes.size()));
        QVERIFY(ep.has_value());
        QVERIFY2(std::abs(ep->volume - model.equivalenceVolume()) <= tolerance * increment,
            qPrintable(
                QString("found %1, model %2").arg(ep->volume).arg(model.equivalenceVolume())));
        // The value lies on the curve between its neighbouring readings.
        QVERIFY(ep->value > 4 && ep->value < 11);
    }

    void pointStaysWithinToleranceWhereverTheJumpFallsBetweenReadings_data()
    {
        QTest::addColumn<double>("ka");
        QTest::addColumn<double>("increment");
        QTest::addColumn<double>("tolerance");
        QTest::newRow("weak acid 0.1") << 1.75e-5 << 0.1 << 0.25;
        QTest::newRow("weak acid 0.2") << 1.75e-5 << 0.2 << 0.25;
        QTest::newRow("weak acid 0.5") << 1.75e-5 << 0.5 << 0.25;
        QTest::newRow("strong acid 0.1") << 0.0 << 0.1 << 0.5;
        QTest::newRow("strong acid 0.2") << 0.0 << 0.2 << 0.5;
        QTest::newRow("strong acid 0.5") << 0.0 << 0.5 << 0.5;
    }
    void pointStaysWithinToleranceWhereverTheJumpFallsBetweenReadings()
    {
        QFETCH(double, ka);
        QFETCH(double, increment);
        QFETCH(double, tolerance);
        double worst = 0;
        for (int shift = 0; shift < 20; ++shift) {
            TitrationCurve model;
            model.ka = ka;
            model.sampleVolume = 10.0 + shift * increment / 20;
            std::vector<double> volumes, values;
            for (int i = 0; i * increment <= 2 * model.equivalenceVolume(); ++i) {
                volumes.push_back(i * increment);
                values.push_back(model.pH(i * increment));
            }
            const auto ep
                = EquivalencePointFinder::find(volumes.data(), values.data(), int(volumes.size()));
            QVERIFY(ep.has_value());
            worst = std::max(worst, std::abs(ep->volume - model.equivalenceVolume()) / increment);
        }
        QVERIFY2(worst <= tolerance, qPrintable(QString("worst error %1 increments").arg(worst)));
    }

    void fallingCurvesWorkToo()
    {
        TitrationCurve model;
        std::vector<double> volumes, values;
        for (double v = 0; v <= 20; v += 0.25) {
            volumes.push_back(v);
            values.push_back(14 - model.pH(v)); // a base titrated with an acid, mirrored
        }
        const auto ep
            = EquivalencePointFinder::find(volumes.data(), values.data(), int(volumes.size()));
        QVERIFY(ep.has_value());
        QVERIFY(std::abs(ep->volume - 10.0) <= 0.25 * 0.25);
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

    void storeRowsBeyondTheCountAreNotUsed()
    {
        MeasurementStore store;
        TitrationCurve model;
        for (int i = 0; i < 60; ++i) {
            store.Messwerte[i][0] = i * 0.25;
            store.Messwerte[i][1] = model.pH(i * 0.25);
        }
        store.Messwerte[60][0] = 15.0;
        store.Messwerte[60][1] = 1000; // would be the steepest step if it were read
        store.AnzahlWerte = 60;
        const auto ep = EquivalencePointFinder::find(store);
        QVERIFY(ep.has_value());
        QVERIFY(std::abs(ep->volume - 10.0) < 0.1);
    }
};

QTEST_GUILESS_MAIN(tst_EquivalencePoint)
#include "tst_equivalencepoint.moc"
