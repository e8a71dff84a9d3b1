#include "evaluation/resultsblock.h"
#include "evaluation/resultsettings.h"
#include "evaluation/titrationresult.h"
#include "sulfuricacid.h"
#include "support/diskfiles.h"

#include <QSettings>
#include <QTemporaryDir>

#include <QTest>

#include <cmath>
#include <functional>

namespace {

using Edit = std::function<void(MethodValues &)>;

// The values read, as text.
QString describe(const ResultSettings &r)
{
    const MethodValues &m = r.method;
    const auto n = [](double v) {
        return QString::number(v);
    };
    return QStringList {u'[' + m.sampleId + u']', n(m.sampleSize), m.sampleUnit,
        n(m.titrantConcentration), n(m.titer), n(m.stoichiometricFactor), n(m.molarMass),
        n(m.blankVolume), n(m.resultEp), m.resultUnit, n(r.epCriterion), n(r.resultsAtRunEnd),
        n(r.askSampleAtStart)}
        .join(u' ');
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class tst_TitrationResult : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // EP at 10.00 mL (u 0.01 mL), blank 0.10 mL: (10.00 - 0.10) * 0.1 * 1.02 * 0.5 = 0.5049 mmol.
    void resultInEachUnit_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("mol/L") << "mol/L" << 0.020196 << QString("mol/L");
        QTest::newRow("mmol/L in other case, blanks around")
            << " MMOL/l " << 20.196 << QString("mmol/L");
        QTest::newRow("mmol") << "mmol" << 0.5049 << QString("mmol");
        QTest::newRow("mg") << "mg" << 49.520592 << QString("mg");
        QTest::newRow("g/L") << "g/L" << 1.98082368 << QString("g/L");
        QTest::newRow("% w/v") << "%" << 0.198082368 << QString("%");
    }
    void resultInEachUnit()
    {
        QFETCH(QString, unit);
        QFETCH(double, value);
        const TitrationResultOutcome o = TitrationResult::compute(sulfuricAcid(unit), 10.0, 0.01);
        QVERIFY2(o.result && o.error.isEmpty(), qPrintable(o.error));
        QVERIFY(std::abs(o.result->value / value - 1) < 1e-12);
        // The result is proportional to V - blank, so is its uncertainty to u.
        QVERIFY(std::abs(o.result->u / (value * 0.01 / 9.9) - 1) < 1e-12);
        QTEST(o.result->unit, "shown");
        QCOMPARE(o.result->epVolume, 10.0);
    }

    void methodValuesAreCheckedWithAReason_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("resultUnit");
        QTest::addColumn<QString>("reason"); // part of it; empty: valid
        auto row = [](const char *name, const char *resultUnit, const char *reason, Edit edit) {
            QTest::newRow(name) << edit << resultUnit << reason;
        };
        using M = MethodValues;
        row("sample size 0", "mol/L", "sample size", [](M &m) { m.sampleSize = 0; });
        row("sample size just above 0", "mol/L", "", [](M &m) { m.sampleSize = 1e-9; });
        row("concentration 0", "mol/L", "titrant concentration",
            [](M &m) { m.titrantConcentration = 0; });
        row("titer 0", "mol/L", "titer", [](M &m) { m.titer = 0; });
        row("factor infinite", "mol/L", "factor", [](M &m) { m.stoichiometricFactor = qInf(); });
        row("molar mass 0 for mg", "mg", "molar mass", [](M &m) { m.molarMass = 0; });
        row("molar mass 0 for mmol/L: not needed", "mmol/L", "", [](M &m) { m.molarMass = 0; });
        row("sample size 0 for mmol: not needed", "mmol", "", [](M &m) { m.sampleSize = 0; });
        row("blank 0", "mol/L", "", [](M &m) { m.blankVolume = 0; });
        row("blank below 0", "mol/L", "blank volume", [](M &m) { m.blankVolume = -0.001; });
        row("EP 0", "mol/L", "EP 1", [](M &m) { m.resultEp = 0; });
        row("unknown result unit", "kg", "\"kg\"", [](M &) {});
        row("unknown sample unit", "mol/L", "\"L\"", [](M &m) { m.sampleUnit = "L"; });
        row("mol/L of a sample in g", "mol/L", "in mL", [](M &m) { m.sampleUnit = "g"; });
        row("% of a sample in g", "%", "", [](M &m) { m.sampleUnit = "g"; });
    }
    void methodValuesAreCheckedWithAReason()
    {
        QFETCH(Edit, edit);
        QFETCH(QString, resultUnit);
        QFETCH(QString, reason);
        MethodValues m = sulfuricAcid(resultUnit);
        edit(m);
        const QString got = TitrationResult::validate(m);
        QVERIFY2(reason.isEmpty() ? got.isEmpty() : got.contains(reason), qPrintable(got));
        QCOMPARE(TitrationResult::compute(m, 10.0, 0.01).result.has_value(), reason.isEmpty());
    }

    // The method's EP of those found; the blank may take its whole volume (a result of 0),
    // not more.
    void resultIsTakenFromTheMethodsEpAboveTheBlank_data()
    {
        QTest::addColumn<int>("ep");
        QTest::addColumn<double>("blank");
        QTest::addColumn<QString>("error"); // part of it; empty: a result
        QTest::newRow("EP 2 of two") << 2 << 0.0 << "";
        QTest::newRow("EP 3 of two") << 3 << 0.0 << "EP 3";
        QTest::newRow("blank equal to the EP volume") << 2 << 16.2 << "";
        QTest::newRow("blank larger") << 2 << 16.201 << "larger than the volume of the EP";
    }
    void resultIsTakenFromTheMethodsEpAboveTheBlank()
    {
        QFETCH(int, ep);
        QFETCH(double, blank);
        QFETCH(QString, error);
        MethodValues m;
        m.resultUnit = QStringLiteral("mmol");
        m.resultEp = ep;
        m.blankVolume = blank;
        const std::vector<RecognisedEp> points {
            {8.0, 0.02, 4.7, 5, 40, {}}, {16.2, 0.03, 9.6, 4, 30, {}}};
        const TitrationResultOutcome o = TitrationResult::compute(m, points);
        QCOMPARE(o.result.has_value(), error.isEmpty());
        QVERIFY2(
            error.isEmpty() ? o.error.isEmpty() : o.error.contains(error), qPrintable(o.error));
        if (o.result) {
            QCOMPARE(std::pair(o.result->ep, o.result->epVolume), std::pair(ep, 16.2));
            QVERIFY(std::abs(o.result->value - 0.1 * (16.2 - blank)) < 1e-12
                && std::abs(o.result->u - 0.1 * 0.03) < 1e-12);
        }
    }

    // The group "Method" of an INI file as a user may edit it: each key read, and a value that
    // is missing, no number, out of range or an unknown unit gives its default.
    void methodIsReadFromItsSettingsGroup_data()
    {
        QTest::addColumn<QString>("ini"); // lines of the group
        QTest::addColumn<QString>("expected"); // the values read, as text
        const QString defaults = QStringLiteral("[] 0 mL 0.1 1 1 0 0 1 mol/L 1 0 0");
        const QString id64 = QString(63, u'x') + u'Y';
        QTest::newRow("every key")
            << "SampleId=\"  A-17/3 \"\nSampleSize=0,25\nSampleUnit=G\n"
               "TitrantConcentration=0.5\nTiter=0.998\nFactor=0.5\nMolarMass=98.08\n"
               "BlankVolume=0.05\nResultEP=2\nResultUnit=%\nEPCriterion=2\n"
               "ResultsAtRunEnd=true\nAskSampleAtStart=TRUE"
            << "[A-17/3] 0.25 g 0.5 0.998 0.5 98.08 0.05 2 % 2 1 1";
        QTest::newRow("boundaries kept") << "BlankVolume=0\nResultEP=1\nSampleSize=1e-6\nSampleId="
                + id64 + "\nAskSampleAtStart=1"
                                         << "[" + id64 + "] 1e-06 mL 0.1 1 1 0 0 1 mol/L 1 0 1";
        QTest::newRow("bad values fall back")
            << "SampleId=\"   \"\nSampleSize=0\nSampleUnit=kg\nTitrantConcentration=-0.1\n"
               "Titer=0\nFactor=x\nMolarMass=-1\nBlankVolume=-0.01\nResultEP=1.5\n"
               "ResultUnit=ppm\nEPCriterion=0\nResultsAtRunEnd=maybe\nAskSampleAtStart=yes"
            << defaults;
        QTest::newRow("sample id one too long is cut, EP 0 falls back")
            << "SampleId=" + id64 + "Z\nResultEP=0"
            << "[" + id64 + "] 0 mL 0.1 1 1 0 0 1 mol/L 1 0 0";
    }
    void methodIsReadFromItsSettingsGroup()
    {
        QFETCH(QString, ini);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("method.ini"));
        QVERIFY(writeAll(path, ("[Method]\n" + ini + "\n").toUtf8()));
        QSettings settings(path, QSettings::IniFormat);
        const ResultSettings read = ResultSettings::read(settings);
        QCOMPARE(describe(read), expected);
        // Written and read again: the same values under the same keys.
        QSettings copy(dir.filePath(QStringLiteral("copy.ini")), QSettings::IniFormat);
        read.write(copy);
        QCOMPARE(ResultSettings::read(copy), read);
        QCOMPARE(copy.value("Method/SampleId").toString(), read.method.sampleId);
        QCOMPARE(copy.value("Method/AskSampleAtStart").toBool(), read.askSampleAtStart);
    }

    // The block a document gets and the CSV comment lines: each EP with u and its value, the
    // result or why there is none; the block in the user's number format.
    void resultsBlockAndCsvLines_data()
    {
        QTest::addColumn<int>("eps");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("sampleSize");
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("csv");
        const QString ep1 = "# EP1: volume 10.023 mL, u 0.011 mL, measured value 7.014\r\n";
        QTest::newRow("two EPs, result in mmol")
            << 2 << "pH" << 0.0
            << "Evaluation\r\nEP1: 10,023 ml (u 0,011 ml), pH 7,01\r\n"
               "EP2: 20,500 ml (u 0,030 ml), pH 9,60\r\n"
               "Result from EP1: 1,0023 mmol (u 0,0011 mmol)\r\n"
               "Expanded uncertainty (k = 2): U = 0,0022 mmol; largest contribution: EP volume "
               "(100 %)\r\n"
            << ep1
                + "# EP2: volume 20.500 mL, u 0.030 mL, measured value 9.6\r\n"
                  "# result from EP1: 1.0023 mmol, u 0.0011 mmol\r\n";
        QTest::newRow("mV, per litre without sample size: no result")
            << 1 << "mV" << -1.0
            << "Evaluation\r\nEP1: 10,023 ml (u 0,011 ml), mV 7,0\r\n"
               "No result: The sample size must be greater than 0.\r\n"
            << ep1;
        QTest::newRow("no EP") << 0 << "pH" << 0.0
                               << "Evaluation\r\nNo equivalence point found.\r\n"
                               << "";
    }
    void resultsBlockAndCsvLines()
    {
        QFETCH(int, eps);
        QFETCH(QString, unit);
        QFETCH(double, sampleSize);
        EpAnalysis analysis;
        const std::vector<RecognisedEp> all {
            {10.0234, 0.0112, 7.014, 5, 40, {}}, {20.5, 0.03, 9.6, 4, 30, {}}};
        analysis.points.assign(all.begin(), all.begin() + eps);
        MethodValues m;
        m.resultUnit = sampleSize < 0 ? QStringLiteral("mol/L") : QStringLiteral("mmol");
        QTEST(ResultsBlock::compose(analysis, m, unit, Numbers::Separators::comma()), "block");
        QTEST(ResultsBlock::csvComments(analysis, m), "csv");
    }
};

QTEST_GUILESS_MAIN(tst_TitrationResult)
#include "tst_titrationresult.moc"
