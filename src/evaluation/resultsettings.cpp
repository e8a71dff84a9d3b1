#include "resultsettings.h"

#include "common/settingsvalue.h"

#include <QSettings>
#include <QVariantMap>

#include <cmath>
#include <optional>
#include <utility>

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
const QString TitrantKey = QStringLiteral("Titrant");
const QString TiterDeterminationKey = QStringLiteral("TiterDetermination");
const QString StandardMassKey = QStringLiteral("StandardMass");
const QString StandardMolarMassKey = QStringLiteral("StandardMolarMass");
const QString StandardPurityKey = QStringLiteral("StandardPurity");
const QString StandardFactorKey = QStringLiteral("StandardFactor");
const QString StandardMassUKey = QStringLiteral("StandardMassU");
const QString StandardPurityUKey = QStringLiteral("StandardPurityU");
const QString StandardMolarMassUKey = QStringLiteral("StandardMolarMassU");
const QString ConcentrationUKey = QStringLiteral("TitrantConcentrationU");
const QString BuretteSystematicKey = QStringLiteral("BuretteSystematicError");
const QString BuretteRandomKey = QStringLiteral("BuretteRandomError");
const QString SampleSizeUKey = QStringLiteral("SampleSizeU");
const QString BlankUKey = QStringLiteral("BlankVolumeU");

// The method's uncertainties by their keys.
constexpr std::pair<const QString *, double MethodValues::*> UncertaintyKeys[] = {
    {&ConcentrationUKey, &MethodValues::uTitrantConcentrationPercent},
    {&BuretteSystematicKey, &MethodValues::buretteSystematicPercent},
    {&BuretteRandomKey, &MethodValues::buretteRandomPercent},
    {&SampleSizeUKey, &MethodValues::uSampleSize},
    {&BlankUKey, &MethodValues::uBlankVolume},
};

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

bool percentage(double v)
{
    return v > 0 && v <= 100;
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
    m.titrant = SettingsValue::text(s.value(TitrantKey)).trimmed();
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
    for (const auto &[key, value] : UncertaintyKeys)
        m.*value = numberOr(s, *key, d.method.*value, notNegative);
    r.epCriterion = numberOr(s, CriterionKey, d.epCriterion, positive);
    r.resultsAtRunEnd = flag(s, RunEndKey);
    r.askSampleAtStart = flag(s, AskSampleKey);
    r.titerDetermination = flag(s, TiterDeterminationKey);
    PrimaryStandard &st = r.standard;
    st.mass = numberOr(s, StandardMassKey, d.standard.mass, positive);
    st.molarMass = numberOr(s, StandardMolarMassKey, d.standard.molarMass, positive);
    st.purity = numberOr(s, StandardPurityKey, d.standard.purity, percentage);
    st.factor = numberOr(s, StandardFactorKey, d.standard.factor, positive);
    st.uMass = numberOr(s, StandardMassUKey, d.standard.uMass, notNegative);
    st.uPurity = numberOr(s, StandardPurityUKey, d.standard.uPurity, notNegative);
    st.uMolarMass = numberOr(s, StandardMolarMassUKey, d.standard.uMolarMass, notNegative);
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
    for (const auto &[key, value] : UncertaintyKeys)
        s.setValue(*key, SettingsValue::numberText(method.*value));
    s.setValue(CriterionKey, SettingsValue::numberText(epCriterion));
    s.setValue(RunEndKey, resultsAtRunEnd);
    s.setValue(AskSampleKey, askSampleAtStart);
    s.setValue(TitrantKey, method.titrant);
    s.setValue(TiterDeterminationKey, titerDetermination);
    for (const auto &[key, value] : {std::pair {StandardMassKey, standard.mass},
             {StandardMolarMassKey, standard.molarMass}, {StandardPurityKey, standard.purity},
             {StandardFactorKey, standard.factor}, {StandardMassUKey, standard.uMass},
             {StandardPurityUKey, standard.uPurity}, {StandardMolarMassUKey, standard.uMolarMass}})
        s.setValue(key, SettingsValue::numberText(value));
    s.endGroup();
}

void ResultSettings::writeSample(QSettings &s, const MethodValues &method)
{
    s.beginGroup(Group);
    writeSampleKeys(s, method);
    s.endGroup();
}
