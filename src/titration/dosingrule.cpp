#include "dosingrule.h"

#include "common/numbers.h"
#include "titration/methodsettings.h"

#include <algorithm>
#include <cmath>

DosingRule::DosingRule(qint64 minDose, qint64 maxDose, double targetStep, int growth)
    : m_min(std::max<qint64>(1, minDose))
    , m_max(std::max(m_min, maxDose))
    , m_targetStep(targetStep)
    , m_growth(std::max(1, growth))
{ }

DosingRule DosingRule::fromSettings(const MethodSettings &settings, bool millivolts)
{
    return DosingRule(DosedVolume::toMicrolitres(settings.minIncrement),
        DosedVolume::toMicrolitres(settings.maxIncrement), settings.signalStep(millivolts));
}

qint64 DosingRule::nextDose(qint64 lastDose, double signalChange) const
{
    if (lastDose <= 0)
        return firstDose(); // no step, no slope
    const qint64 ceiling = std::clamp(lastDose * m_growth, m_min, m_max);
    const double change = std::abs(signalChange);
    if (!(change > 0) || !std::isfinite(change))
        return ceiling;
    // The dose that brings targetStep at the slope change / lastDose.
    const double wanted = m_targetStep * double(lastDose) / change;
    if (!(wanted < double(ceiling)))
        return ceiling;
    return std::max(m_min, qint64(std::llround(wanted)));
}

qint64 DosedVolume::toMicrolitres(double millilitres)
{
    return std::llround(millilitres * 1000.0);
}

QString doseCommand(qint64 microlitres)
{
    // The titrator reads "." whatever the user's separator.
    return QStringLiteral("DA")
        + Numbers::toText(DosedVolume::toMillilitres(microlitres), Numbers::Separators::dot());
}
