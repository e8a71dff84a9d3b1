#include "evaluation/resultsettings.h"
#include "evaluation/titrationresult.h"
#include "evaluation/uncertaintytext.h"
#include "sulfuricacid.h"

#include <QSettings>
#include <QTemporaryDir>

#include <QTest>

#include <cmath>
#include <functional>
#include <random>

namespace {

using Edit = std::function<void(MethodValues &)>;

bool near(double got, double expected)
{
    return std::abs(got - expected) <= 1e-12 * std::abs(expected);
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class tst_UncertaintyBudget : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Each input alone beside the EP, and all of them, with u of each by hand:
    // u_source = |d result / d input| * u_input.
    void budgetOfEachInput_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("source");
        QTest::addColumn<double>("uSource");
        QTest::addColumn<double>("uTotal");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("largest");
        using M = MethodValues;
        // The EP's own u is 0.00051 mmol, 2.04e-5 mol/L, 0.05 mg, ...
        const auto row = [](const char *name, const char *unit, const char *source, double u,
                             double total, int entries, const char *largest, Edit edit) {
            QTest::newRow(name) << unit << edit << source << u << total << entries << largest;
        };
        row("titrant 0.5 %, mmol: 0.5049 * 0.005", "mmol", "titrant_concentration", 0.0025245,
            0.0025755, 5, "titrant_concentration",
            [](M &m) { m.uTitrantConcentrationPercent = 0.5; });
        row("burette systematic 0.2 %: 0.051 * 10 * 0.002 / sqrt 3", "mmol", "burette_systematic",
            0.0005888972745734184, 0.0007790378681424929, 5, "burette_systematic",
            [](M &m) { m.buretteSystematicPercent = 0.2; });
        row("burette random 0.1 %: 0.051 * 10 * 0.001, as large as the EP's", "mmol",
            "burette_random", 0.00051, 0.0007212489168102786, 5, "ep_volume",
            [](M &m) { m.buretteRandomPercent = 0.1; });
        row("sample 0.05 mL, mol/L: 0.020196 * 0.05 / 25", "mol/L", "sample_size", 4.0392e-5,
            4.525122831482037e-05, 6, "sample_size", [](M &m) { m.uSampleSize = 0.05; });
        row("sample 0.1 mg of 2.5 g, %", "%", "sample_size", 7.92329472e-05, 0.002002400197799131,
            6, "ep_volume", [](M &m) {
                m.sampleSize = 2.5;
                m.sampleUnit = QStringLiteral("g");
                m.uSampleSize = 0.0001;
            });
        row("sample u in mmol: not an input", "mmol", "ep_volume", 0.00051, 0.00051, 5, "ep_volume",
            [](M &m) { m.uSampleSize = 0.05; });
        row("blank 0.02 mL, mg: 5.00208 * 0.02", "mg", "blank_volume", 0.1000416,
            0.11184990908892149, 5, "blank_volume", [](M &m) { m.uBlankVolume = 0.02; });
        row("titer of the history replaces the typed u", "mmol", "titer", 0.0025245, 0.0025755, 5,
            "titer", [](M &m) {
                m.uTitrantConcentrationPercent = 3;
                m.uTiter = 0.0051;
            });
        row("all together, g/L", "g/L", "titrant_concentration", 0.0099041184, 0.011964278282838024,
            6, "titrant_concentration", [](M &m) {
                m.uTitrantConcentrationPercent = 0.5;
                m.buretteSystematicPercent = 0.2;
                m.buretteRandomPercent = 0.1;
                m.uSampleSize = 0.05;
                m.uBlankVolume = 0.02;
            });
    }
    void budgetOfEachInput()
    {
        QFETCH(QString, unit);
        QFETCH(Edit, edit);
        QFETCH(QString, source);
        QFETCH(double, uSource);
        QFETCH(double, uTotal);
        MethodValues m = sulfuricAcid(unit);
        edit(m);
        const TitrationResultOutcome o = TitrationResult::compute(m, 10.0, 0.01);
        QVERIFY2(o.result, qPrintable(o.error));
        const TitrationResultValue &r = *o.result;
        QVERIFY2(near(r.u, uTotal), qPrintable(QString::number(r.u, 'g', 17)));
        QCOMPARE(r.expandedU(), 2 * r.u);
        QTEST(int(r.budget.size()), "entries");
        const BudgetContribution *found = nullptr;
        double shares = 0;
        for (const BudgetContribution &c : r.budget) {
            shares += c.sharePercent;
            if (UncertaintyBudget::sourceKey(c.source) == source)
                found = &c;
        }
        QVERIFY(found);
        QVERIFY2(near(found->u, uSource), qPrintable(QString::number(found->u, 'g', 17)));
        QVERIFY(std::abs(shares - 100) < 1e-9);
        QVERIFY(near(found->sharePercent, 100 * uSource * uSource / (uTotal * uTotal)));
        QTEST(
            UncertaintyBudget::sourceKey(UncertaintyBudget::largest(r.budget)->source), "largest");
    }

    // With every new value at its default the result's u is the EP's, to the last bit.
    void defaultsKeepTheEpsUncertaintyExactly()
    {
        for (const QString &unit : TitrationResult::resultUnitTexts()) {
            MethodValues m = sulfuricAcid(unit);
            const TitrationResultValue r = *TitrationResult::compute(m, 10.0, 0.0123).result;
            double perMl = 0.1 * 1.02 * 0.5;
            if (unit == u"mg" || unit == u"g/L" || unit == u"%")
                perMl *= 98.08;
            if (unit != u"mmol" && unit != u"mg")
                perMl /= 25;
            perMl *= unit == u"mmol/L" ? 1000 : unit == u"%" ? 0.1 : 1;
            QCOMPARE(r.u, std::abs(perMl) * 0.0123);
            QCOMPARE(r.budget.front().sharePercent, 100.0);
        }
    }

    // Every input drawn from its stated distribution: the result's +-2u covers the true value
    // about as often as k = 2 promises.
    void monteCarloCoverageOfTwoU()
    {
        const double trueVolume = 10, trueBlank = 0.1, trueSample = 25, trueConcentration = 0.1;
        MethodValues stated = sulfuricAcid(QStringLiteral("mol/L"));
        stated.uTitrantConcentrationPercent = 0.3;
        stated.buretteSystematicPercent = 0.2;
        stated.buretteRandomPercent = 0.1;
        stated.uSampleSize = 0.03;
        stated.uBlankVolume = 0.01;
        const double uEp = 0.01;
        const double truth = (trueVolume - trueBlank) * trueConcentration * 1.02 * 0.5 / trueSample;
        std::mt19937_64 random(20260107);
        std::normal_distribution<double> normal;
        std::uniform_real_distribution<double> rectangular(-1, 1);
        const int draws = 4000;
        int covered = 0;
        for (int i = 0; i < draws; ++i) {
            MethodValues m = stated;
            m.titrantConcentration = trueConcentration
                * (1 + normal(random) * stated.uTitrantConcentrationPercent / 100);
            m.sampleSize = trueSample + normal(random) * stated.uSampleSize;
            m.blankVolume = trueBlank + normal(random) * stated.uBlankVolume;
            // The burette reads its nominal volume when it has dosed the true one, off by its
            // errors; the curve's EP lies off by its own.
            const double burette = 1 + rectangular(random) * stated.buretteSystematicPercent / 100
                + normal(random) * stated.buretteRandomPercent / 100;
            const double read = trueVolume / burette + normal(random) * uEp;
            const TitrationResultValue r = *TitrationResult::compute(m, read, uEp).result;
            covered += std::abs(r.value - truth) <= r.expandedU() ? 1 : 0;
        }
        const double share = double(covered) / draws;
        QVERIFY2(share >= 0.90 && share <= 0.99, qPrintable(QString::number(share)));
    }

    // GUM 7.2.6: u to two significant digits, the value to the same place.
    void valueShownToThePrecisionOfItsU_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("u");
        QTest::addColumn<QString>("valueText");
        QTest::addColumn<QString>("uText");
        const auto row = [](const char *name, double value, double u, const char *valueText,
                             const char *uText) {
            QTest::newRow(name) << value << u << QString(valueText) << QString(uText);
        };
        row("a digit u supports", 10.1, 0.001, "10,1000", "0,0010");
        row("digits u does not support", 101.23456, 0.0072, "101,2346", "0,0072");
        row("u 0: the value as it is", 10.1, 0.0, "10,1", "0");
        row("u rounds up to a new digit", 1.23456, 0.0995, "1,23", "0,10");
        row("u just below", 1.23456, 0.0994, "1,235", "0,099");
        row("half away from zero, decimal", 2.0005, 0.0125, "2,001", "0,013");
        row("u 9.96 becomes 10", 123.456, 9.96, "123", "10");
        row("u of hundreds", 98765.0, 1234.0, "98800", "1200");
        row("negative", -0.5049, 0.00051, "-0,50490", "0,00051");
        row("rounds to 0: no sign", -0.0001, 0.011, "0,000", "0,011");
        row("carry into a new digit", 9.99996, 0.0011, "10,0000", "0,0011");
        row("nine decimals: fixed", 0.5, 1.2e-8, "0,500000000", "0,000000012");
        row("ten decimals: exponent", 0.5, 1.2e-9, "5,000000000E-01", "1,2E-09");
        row("tiny", 1.2345e-12, 3.4e-16, "1,23450E-12", "3,4E-16");
        row("below 1E+15: fixed", 999999999999999.0, 12.0, "999999999999999", "12");
        row("huge", 6.02214076e23, 1.2e16, "6,02214076E+23", "1,2E+16");
    }
    void valueShownToThePrecisionOfItsU()
    {
        QFETCH(double, value);
        QFETCH(double, u);
        const UncertaintyText::Shown shown
            = UncertaintyText::shown(value, u, Numbers::Separators::comma());
        QTEST(shown.value, "valueText");
        QTEST(shown.u, "uText");
    }

    // The uncertainties under their keys; one below 0 or no number gives 0.
    void uncertaintiesAreReadFromTheMethodGroup()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("method.ini")), QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Method"));
        settings.setValue(QStringLiteral("TitrantConcentrationU"), QStringLiteral("0,3"));
        settings.setValue(QStringLiteral("BuretteSystematicError"), QStringLiteral("0.2"));
        settings.setValue(QStringLiteral("BuretteRandomError"), QStringLiteral("0"));
        settings.setValue(QStringLiteral("SampleSizeU"), QStringLiteral("-0.01"));
        settings.setValue(QStringLiteral("BlankVolumeU"), QStringLiteral("x"));
        settings.endGroup();
        const MethodValues m = ResultSettings::read(settings).method;
        QCOMPARE(m.uTitrantConcentrationPercent, 0.3);
        QCOMPARE(m.buretteSystematicPercent, 0.2);
        QCOMPARE(m.buretteRandomPercent, 0.0);
        QCOMPARE(m.uSampleSize, 0.0);
        QCOMPARE(m.uBlankVolume, 0.0);
        QSettings copy(dir.filePath(QStringLiteral("copy.ini")), QSettings::IniFormat);
        ResultSettings::read(settings).write(copy);
        QCOMPARE(ResultSettings::read(copy).method, m);
    }
};

QTEST_GUILESS_MAIN(tst_UncertaintyBudget)
#include "tst_uncertaintybudget.moc"
