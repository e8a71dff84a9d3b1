#include "chemistry.h"
#include "evaluation/electrodelag.h"
#include "evaluation/eprecognition.h"

#include <QTest>

#include <cmath>

namespace {

struct Recorded
{
    double truth = 0; // the stoichiometric EP, mL
    TimedSeries readings;
};

// A monoprotic acid titrated at 0.1 mL steps, each reading 2 s after its dose, by an electrode
// with the time constant `tau` (0: none) and 0.002 pH of noise, printed to 0.001 pH.
Recorded record(bool strong, double tau, unsigned seed)
{
    const ModelSample m = makeMonoproticSample(strong, false, 4.76, 10.03, 50, 0.1);
    Electrode electrode(0.002, seed);
    const auto points = recordFixedIncrements([&m](double v) { return m.sample.pH(v); }, 0.0, 18.0,
        0.1, electrode, ElectrodeLag(tau), 2.0);
    Recorded r;
    r.truth = m.equivalenceVolumes.front();
    for (const StoredPoint &p : points)
        r.readings.push_back({p.volume, std::round(p.pH * 1000) / 1000, p.seconds});
    return r;
}

EpAnalysis recognised(const TimedSeries &readings)
{
    CurveSeries series;
    for (const TimedReading &p : readings)
        series.push_back({p.volume, p.value});
    return EpRecognition::recognise(series);
}

} // namespace

class tst_ElectrodeLag : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The lag is reported with about its time constant, and the EP moved back so +-2u holds
    // the true point; an electrode without lag and a listing without times are left alone.
    void lagIsSeenAndUndone_data()
    {
        QTest::addColumn<bool>("strong");
        QTest::addColumn<double>("tau");
        QTest::addColumn<bool>("withTimes");
        QTest::newRow("weak acid, 1.5 s") << false << 1.5 << true;
        QTest::newRow("strong acid, 1 s") << true << 1.0 << true;
        QTest::newRow("weak acid, 3 s") << false << 3.0 << true;
        QTest::newRow("strong acid, no lag") << true << 0.0 << true;
        QTest::newRow("weak acid, no lag") << false << 0.0 << true;
        QTest::newRow("weak acid, 2 s, no times") << false << 2.0 << false;
    }
    void lagIsSeenAndUndone()
    {
        QFETCH(bool, strong);
        QFETCH(double, tau);
        QFETCH(bool, withTimes);
        for (unsigned seed = 1; seed <= 4; ++seed) {
            Recorded r = record(strong, tau, seed);
            if (!withTimes) {
                for (TimedReading &p : r.readings)
                    p.seconds = 0;
            }
            const EpAnalysis before = recognised(r.readings);
            EpAnalysis after = before;
            LagCorrection::apply(after, r.readings);
            QCOMPARE(after.points.size(), std::size_t(1));
            const RecognisedEp &ep = after.points.front();
            if (tau > 0 && withTimes) {
                QVERIFY2(ep.lagSeconds && std::abs(*ep.lagSeconds - tau) < 0.15 * tau,
                    qPrintable(QString::number(ep.lagSeconds.value_or(-1))));
                QVERIFY2(std::abs(ep.volume - r.truth) <= 2 * ep.uVolume,
                    qPrintable(QStringLiteral("%1 from %2, u %3")
                                   .arg(ep.volume)
                                   .arg(r.truth)
                                   .arg(ep.uVolume)));
            } else {
                QVERIFY(!ep.lagSeconds);
                QCOMPARE(ep.volume, before.points.front().volume);
                QVERIFY(ep.uVolume >= before.points.front().uVolume);
            }
            if (!withTimes)
                QCOMPARE(ep.uVolume, before.points.front().uVolume);
        }
    }
};

QTEST_GUILESS_MAIN(tst_ElectrodeLag)
#include "tst_electrodelag.moc"
