#include "chemistry.h"
#include "evaluation/eprecognition.h"
#include "evaluation/pkafit.h"
#include "evaluation/protonbalance.h"

#include <QTest>

#include <cmath>
#include <random>

namespace {

// A monoprotic analyte of `concentration` mol/L in `sampleVolume` mL (a weak one with `pKa`),
// titrated to 1.8 times its EP.
ModelSample monoprotic(
    bool strong, bool base, double pKa, double concentration, double sampleVolume, double titrant)
{
    const double equivalence = concentration * sampleVolume / titrant;
    ModelSample m = makeMonoproticSample(strong, base, pKa, equivalence, sampleVolume, titrant);
    m.endVolume = 1.8 * equivalence;
    return m;
}

// Recorded at 0.1 mL with a perfect electrode, noise 0.003 pH, printed to 0.001 pH.
CurveSeries record(const ModelSample &m, unsigned seed)
{
    Electrode electrode(0.003, seed);
    const auto points = recordFixedIncrements(
        [&m](double v) { return m.sample.pH(v); }, 0, m.endVolume, 0.1, electrode);
    CurveSeries series;
    for (const StoredPoint &p : points)
        series.push_back({p.volume, std::round(p.pH * 1000) / 1000});
    return series;
}

} // namespace

Q_DECLARE_METATYPE(ModelSample)

class tst_PkaFit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Model curves of known pKa, four seeds a row; the EPs come from the recognition. At half
    // the EP volume the pH lies 0.4 above the pKa 2.0 and 0.33 above phosphoric acid's first.
    void modelCurvesGiveTheirPka_data()
    {
        QTest::addColumn<ModelSample>("model");
        QTest::addColumn<QList<double>>("pKa");
        const auto row = [](const char *name, const ModelSample &model, QList<double> pKa) {
            QTest::newRow(name) << model << pKa;
        };
        row("acetic acid 0.1 M", monoprotic(false, false, 4.76, 0.1, 20, 0.2), {4.76});
        row("acetic acid 0.01 M", monoprotic(false, false, 4.76, 0.01, 50, 0.05), {4.76});
        row("acid of pKa 7.0", monoprotic(false, false, 7.0, 0.02, 50, 0.1), {7.0});
        row("ammonia, falling", monoprotic(false, true, 9.25, 0.02, 50, 0.1), {9.25});
        row("phosphoric acid: two steps", makeModelSample(SampleKind::Phosphoric, true, 10),
            {2.15, 7.20});
        // Either side of the buffer criterion: at the start half of the acid of pKa 2.0 is
        // still undissociated, of the acid of pKa 1.0 only a seventh.
        row("acid of pKa 2.0 at 0.02 M", monoprotic(false, false, 2.0, 0.02, 50, 0.1), {2.0});
        row("acid of pKa 1.0 at 0.02 M: none", monoprotic(false, false, 1.0, 0.02, 50, 0.1), {});
        row("hydrochloric acid: none", monoprotic(true, false, 0, 0.02, 50, 0.1), {});
        row("sodium hydroxide with HCl: none", monoprotic(true, true, 0, 0.02, 50, 0.1), {});
    }
    void modelCurvesGiveTheirPka()
    {
        QFETCH(ModelSample, model);
        QFETCH(QList<double>, pKa);
        for (unsigned seed = 1; seed <= 4; ++seed) {
            const CurveSeries series = record(model, seed);
            const EpAnalysis eps = EpRecognition::recognise(series);
            QCOMPARE(eps.points.size(), model.equivalenceVolumes.size());
            const std::vector<PkaValue> found
                = PkaFit::fit(series, eps.points, {model.sample.titrantConcentration, 0});
            QCOMPARE(found.size(), std::size_t(pKa.size()));
            for (std::size_t k = 0; k < found.size(); ++k) {
                const double error = found[k].value - pKa[int(k)];
                QVERIFY2(std::abs(error) <= 0.02 && std::abs(error) <= 4 * found[k].u
                        && found[k].u < 0.02,
                    qPrintable(QString::asprintf(
                        "seed %u: pKa %g, u %g", seed, found[k].value, found[k].u)));
            }
        }
    }

    // Textbook points of 50 mL titrated with 0.1 M (steps ending at 10 and 20 mL), each solved
    // from a start near either end of the scale.
    void protonBalanceGivesTextbookPh_data()
    {
        QTest::addColumn<QList<double>>("pKa");
        QTest::addColumn<bool>("rising");
        QTest::addColumn<double>("volume");
        QTest::addColumn<double>("pH");
        // 0.02 M acetic acid: (pKa - log c) / 2
        QTest::newRow("acetic acid, start") << QList<double> {4.76} << true << 0.0 << 3.236;
        QTest::newRow("acetic acid, half") << QList<double> {4.76} << true << 5.0 << 4.762;
        // 1/60 M acetate: 14 - (pKb - log c) / 2
        QTest::newRow("acetic acid, at the EP") << QList<double> {4.76} << true << 10.0 << 8.491;
        // 0.5 mmol OH- in 65 mL
        QTest::newRow("acetic acid, 5 mL past") << QList<double> {4.76} << true << 15.0 << 11.886;
        // 1/60 M ammonium
        QTest::newRow("ammonia, at the EP") << QList<double> {9.25} << false << 10.0 << 5.514;
        // 0.5 mmol H+ in 55 mL
        QTest::newRow("strong acid, half") << QList<double> {-3.0} << true << 5.0 << 2.041;
        QTest::newRow("strong acid, at the EP") << QList<double> {-3.0} << true << 10.0 << 7.000;
        QTest::newRow("phosphoric acid, second half")
            << QList<double> {2.15, 7.20} << true << 15.0 << 7.200;
    }
    void protonBalanceGivesTextbookPh()
    {
        QFETCH(QList<double>, pKa);
        QFETCH(bool, rising);
        QFETCH(double, volume);
        QFETCH(double, pH);
        ProtonBalance balance;
        balance.ends
            = pKa.size() == 1 ? std::vector<double> {0, 10} : std::vector<double> {0, 10, 20};
        balance.rising = rising;
        const std::vector<double> constants(pKa.begin(), pKa.end());
        for (double near : {0.0, 14.0})
            QCOMPARE(std::round(balance.pH(volume, constants, 50, near) * 1000) / 1000, pH);
    }

    // The EP's volume uncertainty is part of u: a point known less well gives a larger u.
    void epUncertaintyWidensU()
    {
        const ModelSample model = monoprotic(false, false, 4.76, 0.01, 50, 0.05);
        const CurveSeries series = record(model, 7);
        EpAnalysis eps = EpRecognition::recognise(series);
        QCOMPARE(eps.points.size(), std::size_t(1));
        const PkaConditions conditions {model.sample.titrantConcentration, 0};
        const std::vector<PkaValue> sharp = PkaFit::fit(series, eps.points, conditions);
        eps.points[0].uVolume = 0.2;
        const std::vector<PkaValue> vague = PkaFit::fit(series, eps.points, conditions);
        QCOMPARE(std::pair(sharp.size(), vague.size()), std::pair(std::size_t(1), std::size_t(1)));
        QVERIFY2(vague[0].u > 2 * sharp[0].u,
            qPrintable(QStringLiteral("%1 against %2").arg(vague[0].u).arg(sharp[0].u)));
    }
};

QTEST_GUILESS_MAIN(tst_PkaFit)
#include "tst_pkafit.moc"
