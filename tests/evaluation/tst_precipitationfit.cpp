#include "chemistry.h"
#include "evaluation/precipitationfit.h"

#include <QTest>

#include <cmath>

namespace {

// A curve of the simulator's chemistry at fixed steps from `start` mL, printed as the titrator
// prints it (0.1 mV or 0.001 pH), with the given noise in pH (0.005 pH is 0.3 mV).
CurveSeries recorded(
    const ModelSample &m, double start, double step, double noisePh, bool millivolts, unsigned seed)
{
    Electrode electrode(noisePh, seed);
    electrode.setCalibration(0.98, 12);
    CurveSeries s;
    for (const StoredPoint &p : recordFixedIncrements(
             [&m](double v) { return m.pH(v); }, start, m.endVolume, step, electrode))
        s.push_back({p.volume,
            millivolts ? std::round(millivoltsFromPh(p.pH) * 10) / 10
                       : std::round(p.pH * 1000) / 1000});
    return s;
}

ModelSample silver(double concentration, double pKsp, int ions, double sampleVolume, double titrant)
{
    PrecipitationSample p;
    p.anions = {{concentration, pKsp, ions}};
    p.sampleVolume = sampleVolume;
    p.titrantConcentration = titrant;
    ModelSample m = makePrecipitationSample(p);
    m.endVolume = 1.7 * m.equivalenceVolumes.front();
    return m;
}

} // namespace

class tst_PrecipitationFit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The law of the whole curve finds the ratio of ions and the equivalence volume of the
    // simulator's precipitations, and of a strong acid titrated with a strong base, whose proton
    // balance is the same law with one ion and the water's ion product: within +-2u, and a
    // fiftieth of a step on readings rounded as printed (rounding errors of a flat flank are
    // not independent).
    void lawHoldsTheWholeCurve_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<double>("noisePh");
        QTest::addColumn<int>("ions");
        QTest::addColumn<double>("largestU"); // steps
        QTest::newRow("AgI, rounding only") << "AgI" << 0.0 << 1 << 0.01;
        QTest::newRow("Ag2CrO4, 0.002 M, rounding only") << "Ag2CrO4" << 0.0 << 2 << 0.01;
        QTest::newRow("Ag3PO4, rounding only") << "Ag3PO4" << 0.0 << 3 << 0.01;
        QTest::newRow("Ag4Fe(CN)6, rounding only") << "Ag4Fe(CN)6" << 0.0 << 4 << 0.01;
        QTest::newRow("HCl with NaOH, rounding only") << "HCl" << 0.0 << 1 << 0.01;
        QTest::newRow("Ag2CrO4, 0.002 M, 0.6 mV") << "Ag2CrO4" << 0.01 << 2 << 0.2;
        QTest::newRow("Ag3PO4, 0.3 mV") << "Ag3PO4" << 0.005 << 3 << 0.1;
    }
    void lawHoldsTheWholeCurve()
    {
        QFETCH(QString, sample);
        QFETCH(double, noisePh);
        QFETCH(int, ions);
        QFETCH(double, largestU);
        const bool acid = sample == QLatin1String("HCl");
        const ModelSample m = acid           ? makeMonoproticSample(true, false, 0, 10.07, 50, 0.1)
            : sample == QLatin1String("AgI") ? silver(0.02, 16.08, 1, 50, 0.1)
            : sample == QLatin1String("Ag2CrO4") ? silver(0.002, 11.95, 2, 50, 0.02)
            : sample == QLatin1String("Ag3PO4")  ? silver(0.0083, 15.8, 3, 40, 0.1)
                                                 : silver(0.005, 40.8, 4, 50, 0.1);
        ModelSample ended = m;
        ended.endVolume = 1.7 * m.equivalenceVolumes.front();
        const double step = 0.05;
        const double truth = m.equivalenceVolumes.front();
        for (unsigned seed = 1; seed <= 3; ++seed) {
            const CurveSeries s = recorded(ended, 0.01 + 0.013 * seed, step, noisePh, !acid, seed);
            // The noise in the readings' units, the printed digit's rounding at least.
            const double noise
                = acid ? std::max(noisePh, 0.0003) : std::max(59.16 * noisePh, 0.029);
            const auto law = PrecipitationFitter::fit(s, truth + 0.1, noise);
            QVERIFY(law);
            const QString at = QStringLiteral("seed %1: n %2, off by %3 steps, u %4 steps")
                                   .arg(seed)
                                   .arg(law->ionsPerAnion)
                                   .arg((law->volume - truth) / step)
                                   .arg(law->uVolume / step);
            QVERIFY2(law->ionsPerAnion == ions, qPrintable(at));
            QVERIFY2(
                std::abs(law->volume - truth) <= 2 * law->uVolume + 0.02 * step, qPrintable(at));
            QVERIFY2(law->uVolume <= largestU * step, qPrintable(at));
        }
    }

    // A weak acid's buffer and a redox jump are no precipitation: the law leaves far more than
    // the noise, so the recognition keeps its own point.
    void lawMissesOtherCurves_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::newRow("acetic acid") << "acetic";
        QTest::newRow("Fe(II) / Ce(IV)") << "redox";
    }
    void lawMissesOtherCurves()
    {
        QFETCH(QString, sample);
        const bool redox = sample == QLatin1String("redox");
        ModelSample m = redox
            ? makeRedoxSample(RedoxSample::forEquivalence(1, 1, 680, 1440, false, 10.07, 50, 0.1))
            : makeMonoproticSample(false, false, 4.76, 10.07, 50, 0.1);
        m.endVolume = 17;
        const double noise = 0.005;
        const CurveSeries s = recorded(m, 0.01, 0.1, noise, redox, 1);
        const auto law = PrecipitationFitter::fit(s, 10.1, redox ? 0.3 : noise);
        QVERIFY(law);
        QVERIFY2(law->residualVariance > 100 * std::pow(redox ? 0.3 : noise, 2),
            qPrintable(QString::number(law->residualVariance)));
    }
};

QTEST_GUILESS_MAIN(tst_PrecipitationFit)
#include "tst_precipitationfit.moc"
