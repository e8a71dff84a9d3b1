#include "resultsettings.h"

#include "common/settingsvalue.h"

#include <QSettings>
#include <QVariantMap>

#include <cmath>
#include <optional>

namespace {

const QString Group = QStringLiteral("Method");
const QString SampleIdKey = QStringLiteral("SampleId");
const QString SampleSizeKey = QStringLiteral("SampleSize");
const QString SampleUnitKey = QStringLiteral("SampleUnit");
const QString ConcentrationKey = QStringLiteral("TitrantConcentration");
const QString TiterKey = QStringLiteral("Titer");
const QString FactorKey = QStringLiteral("Factor");
const QString MolarMassKey = QStringLiteral("MolarMass");
const QString BlankKey = QStringLiteral("BlankVolume");
const QString ResultEpKey = QStringLiteral("ResultEP");
const QString ResultUnitKey = QStringLiteral("ResultUnit");
const QString CriterionKey = QStringLiteral("EPCriterion");
const QString RunEndKey = QStringLiteral("ResultsAtRunEnd");
const QString AskSampleKey = QStringLiteral("AskSampleAtStart");

// The stored number when `valid` accepts it, else the default.
template<typename Valid>
double numberOr(const QVariantMap &s, const QString &key, double fallback, Valid valid)
{
    const auto value = SettingsValue::number(s.value(key));
    return value && valid(*value) ? *value : fallback;
}

// "true" or "1" in any case; anything else is off.
bool flag(const QVariantMap &s, const QString &key)
{
    const QString value = SettingsValue::text(s.value(key)).trimmed().toLower();
    return value == QLatin1String("true") || value == QLatin1String("1");
}

void writeSampleKeys(QSettings &s, const MethodValues &method)
{
    s.setValue(SampleIdKey, method.sampleId);
    s.setValue(SampleSizeKey, SettingsValue::numberText(method.sampleSize));
    s.setValue(SampleUnitKey, method.sampleUnit);
}

bool positive(double v)
{
    return v > 0;
}

bool notNegative(double v)
{
    return v >= 0;
}

} // namespace

ResultSettings ResultSettings::read(QSettings &settings)
{
    QVariantMap values;
    settings.beginGroup(Group);
    for (const QString &key : settings.childKeys())
        values.insert(key, settings.value(key));
    settings.endGroup();
    return fromValues(values);
}

ResultSettings ResultSettings::fromValues(const QVariantMap &s)
{
    const ResultSettings d;
    ResultSettings r;
    MethodValues &m = r.method;
    m.sampleId = MethodValues::sampleIdFrom(SettingsValue::text(s.value(SampleIdKey)));
    m.sampleSize = numberOr(s, SampleSizeKey, d.method.sampleSize, positive);
    const QString sampleUnit = SettingsValue::text(s.value(SampleUnitKey)).trimmed();
    if (const auto unit = TitrationResult::sampleUnitFromText(sampleUnit))
        m.sampleUnit = *unit == SampleUnit::Gram ? QStringLiteral("g") : QStringLiteral("mL");
    m.titrantConcentration = numberOr(s, ConcentrationKey, d.method.titrantConcentration, positive);
    m.titer = numberOr(s, TiterKey, d.method.titer, positive);
    m.stoichiometricFactor = numberOr(s, FactorKey, d.method.stoichiometricFactor, positive);
    m.molarMass = numberOr(s, MolarMassKey, d.method.molarMass, positive);
    m.blankVolume = numberOr(s, BlankKey, d.method.blankVolume, notNegative);
    m.resultEp = int(numberOr(s, ResultEpKey, d.method.resultEp,
        [](double v) { return v >= 1 && v <= 1000 && v == std::floor(v); }));
    if (const auto unit
        = TitrationResult::resultUnitFromText(SettingsValue::text(s.value(ResultUnitKey))))
        m.resultUnit = TitrationResult::resultUnitText(*unit);
    r.epCriterion = numberOr(s, CriterionKey, d.epCriterion, positive);
    r.resultsAtRunEnd = flag(s, RunEndKey);
    r.askSampleAtStart = flag(s, AskSampleKey);
    return r;
}

void ResultSettings::write(QSettings &s) const
{
    s.beginGroup(Group);
    writeSampleKeys(s, method);
    s.setValue(ConcentrationKey, SettingsValue::numberText(method.titrantConcentration));
    s.setValue(TiterKey, SettingsValue::numberText(method.titer));
    s.setValue(FactorKey, SettingsValue::numberText(method.stoichiometricFactor));
    s.setValue(MolarMassKey, SettingsValue::numberText(method.molarMass));
    s.setValue(BlankKey, SettingsValue::numberText(method.blankVolume));
    s.setValue(ResultEpKey, method.resultEp);
    s.setValue(ResultUnitKey, method.resultUnit);
    s.setValue(CriterionKey, SettingsValue::numberText(epCriterion));
    s.setValue(RunEndKey, resultsAtRunEnd);
    s.setValue(AskSampleKey, askSampleAtStart);
    s.endGroup();
}

void ResultSettings::writeSample(QSettings &s, const MethodValues &method)
{
    s.beginGroup(Group);
    writeSampleKeys(s, method);
    s.endGroup();
}
