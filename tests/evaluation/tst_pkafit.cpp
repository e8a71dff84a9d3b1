#include "chemistry.h"
#include "evaluation/eprecognition.h"
#include "evaluation/pkafit.h"

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
        QTest::newRow("acetic acid 0.1 M")
            << monoprotic(false, false, 4.76, 0.1, 20, 0.2) << QList<double> {4.76};
        QTest::newRow("acetic acid 0.01 M")
            << monoprotic(false, false, 4.76, 0.01, 50, 0.05) << QList<double> {4.76};
        QTest::newRow("acid of pKa 7.0")
            << monoprotic(false, false, 7.0, 0.02, 50, 0.1) << QList<double> {7.0};
        QTest::newRow("ammonia, falling")
            << monoprotic(false, true, 9.25, 0.02, 50, 0.1) << QList<double> {9.25};
        ModelSample phosphoric = makeModelSample(SampleKind::Phosphoric, true, 10);
        QTest::newRow("phosphoric acid: two steps") << phosphoric << QList<double> {2.15, 7.20};
        // Either side of the buffer criterion: at the start half of the acid of pKa 2.0 is
        // still undissociated, of the acid of pKa 1.0 only a seventh.
        QTest::newRow("acid of pKa 2.0 at 0.02 M")
            << monoprotic(false, false, 2.0, 0.02, 50, 0.1) << QList<double> {2.0};
        QTest::newRow("acid of pKa 1.0 at 0.02 M: none")
            << monoprotic(false, false, 1.0, 0.02, 50, 0.1) << QList<double> {};
        QTest::newRow("hydrochloric acid: none")
            << monoprotic(true, false, 0, 0.02, 50, 0.1) << QList<double> {};
        QTest::newRow("sodium hydroxide with HCl: none")
            << monoprotic(true, true, 0, 0.02, 50, 0.1) << QList<double> {};
    }
    void modelCurvesGiveTheirPka()
    {
        QFETCH(ModelSample, model);
        QFETCH(QList<double>, pKa);
        for (unsigned seed = 1; seed <= 4; ++seed) {
            const CurveSeries series = record(model, seed);
            const EpAnalysis eps = EpRecognition::recognise(series);
            QCOMPARE(eps.points.size(), model.equivalenceVolumes.size());
            PkaConditions conditions;
            conditions.titrantConcentration = model.sample.titrantConcentration;
            const std::vector<PkaValue> found = PkaFit::fit(series, eps.points, conditions);
            QCOMPARE(found.size(), std::size_t(pKa.size()));
            for (std::size_t k = 0; k < found.size(); ++k) {
                const double error = found[k].value - pKa[int(k)];
                QVERIFY2(std::abs(error) <= 0.02 && std::abs(error) <= 4 * found[k].u,
                    qPrintable(QStringLiteral("seed %1: pKa %2, u %3")
                                   .arg(seed)
                                   .arg(found[k].value)
                                   .arg(found[k].u)));
                QVERIFY(found[k].u < 0.02);
            }
        }
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
        QCOMPARE(sharp.size(), std::size_t(1));
        QCOMPARE(vague.size(), std::size_t(1));
        QVERIFY2(vague[0].u > 2 * sharp[0].u,
            qPrintable(QStringLiteral("%1 against %2").arg(vague[0].u).arg(sharp[0].u)));
    }
};

QTEST_GUILESS_MAIN(tst_PkaFit)
#include "tst_pkafit.moc"
