#include "sampleentry.h"

#include "evaluation/resultsettings.h"

#include <cmath>

SampleEntry SampleEntry::fromSettings(QSettings &settings, Numbers::Separators sep)
{
    const MethodValues m = ResultSettings::read(settings).method;
    return {m.sampleId, m.sampleSize > 0 ? Numbers::toText(m.sampleSize, sep) : QString(),
        m.sampleUnit};
}

QString SampleEntry::store(QSettings &settings, Numbers::Separators sep) const
{
    MethodValues m;
    const QString sizeText = size.trimmed();
    if (!sizeText.isEmpty()) {
        const auto value = Numbers::toNumber(sizeText, sep);
        if (!value || !std::isfinite(*value) || *value < 0)
            return tr("The sample size must be a number of at least 0 (0: not entered).");
        m.sampleSize = *value == 0 ? 0 : *value; // "-0" is 0 as well
    }
    const auto sampleUnit = TitrationResult::sampleUnitFromText(unit);
    if (!sampleUnit)
        return tr("The sample unit must be g or mL.");
    m.sampleUnit = *sampleUnit == SampleUnit::Gram ? QStringLiteral("g") : QStringLiteral("mL");
    m.sampleId = MethodValues::sampleIdFrom(id);
    ResultSettings::writeSample(settings, m);
    return {};
}
