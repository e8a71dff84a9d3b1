#include "resultsettings.h"

#include "common/numbers.h"

#include <QSettings>
#include <QVariant>

#include <cmath>
#include <optional>

namespace {

const QString Group = QStringLiteral("Method");
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

QString storedText(const QVariant &stored)
{
    // An INI line "Titer=0,998" comes back as a list; it still means "0,998".
    return stored.typeId() == QMetaType::QStringList ? stored.toStringList().join(u',')
                                                     : stored.toString();
}

std::optional<double> number(const QVariant &stored)
{
    if (!stored.isValid())
        return std::nullopt;
    const QString text = storedText(stored).trimmed();
    const bool comma = text.contains(u',') && !text.contains(u'.');
    const auto value = Numbers::toNumber(
        text, comma ? Numbers::Separators::comma() : Numbers::Separators::dot());
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

// The stored number when `valid` accepts it, else the default.
template<typename Valid>
double numberOr(QSettings &s, const QString &key, double fallback, Valid valid)
{
    const auto value = number(s.value(key));
    return value && valid(*value) ? *value : fallback;
}

bool positive(double v)
{
    return v > 0;
}

bool notNegative(double v)
{
    return v >= 0;
}

QString numberText(double value)
{
    return Numbers::toText(value, Numbers::Separators::dot());
}

} // namespace

ResultSettings ResultSettings::read(QSettings &s)
{
    const ResultSettings d;
    ResultSettings r;
    s.beginGroup(Group);
    MethodValues &m = r.method;
    m.sampleSize = numberOr(s, SampleSizeKey, d.method.sampleSize, positive);
    const QString sampleUnit = storedText(s.value(SampleUnitKey)).trimmed();
    if (const auto unit = TitrationResult::sampleUnitFromText(sampleUnit))
        m.sampleUnit = *unit == SampleUnit::Gram ? QStringLiteral("g") : QStringLiteral("mL");
    m.titrantConcentration = numberOr(s, ConcentrationKey, d.method.titrantConcentration, positive);
    m.titer = numberOr(s, TiterKey, d.method.titer, positive);
    m.stoichiometricFactor = numberOr(s, FactorKey, d.method.stoichiometricFactor, positive);
    m.molarMass = numberOr(s, MolarMassKey, d.method.molarMass, positive);
    m.blankVolume = numberOr(s, BlankKey, d.method.blankVolume, notNegative);
    m.resultEp = int(numberOr(s, ResultEpKey, d.method.resultEp,
        [](double v) { return v >= 1 && v <= 1000 && v == std::floor(v); }));
    if (const auto unit = TitrationResult::resultUnitFromText(storedText(s.value(ResultUnitKey))))
        m.resultUnit = TitrationResult::resultUnitText(*unit);
    r.epCriterion = numberOr(s, CriterionKey, d.epCriterion, positive);
    const QString runEnd = storedText(s.value(RunEndKey)).trimmed().toLower();
    r.resultsAtRunEnd = runEnd == QLatin1String("true") || runEnd == QLatin1String("1");
    s.endGroup();
    return r;
}

void ResultSettings::write(QSettings &s) const
{
    s.beginGroup(Group);
    s.setValue(SampleSizeKey, numberText(method.sampleSize));
    s.setValue(SampleUnitKey, method.sampleUnit);
    s.setValue(ConcentrationKey, numberText(method.titrantConcentration));
    s.setValue(TiterKey, numberText(method.titer));
    s.setValue(FactorKey, numberText(method.stoichiometricFactor));
    s.setValue(MolarMassKey, numberText(method.molarMass));
    s.setValue(BlankKey, numberText(method.blankVolume));
    s.setValue(ResultEpKey, method.resultEp);
    s.setValue(ResultUnitKey, method.resultUnit);
    s.setValue(CriterionKey, numberText(epCriterion));
    s.setValue(RunEndKey, resultsAtRunEnd);
    s.endGroup();
}
