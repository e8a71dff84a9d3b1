#include "methodsettings.h"

#include "common/settingsvalue.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

const QString Group = QStringLiteral("Method");
const QString DosingModeKey = QStringLiteral("DosingMode");
const QString SignalStepPhKey = QStringLiteral("SignalStepPH");
const QString SignalStepMvKey = QStringLiteral("SignalStepMV");
const QString MinIncrementKey = QStringLiteral("MinIncrement");
const QString MaxIncrementKey = QStringLiteral("MaxIncrement");
const QString ReadingModeKey = QStringLiteral("ReadingMode");
const QString DriftLimitPhKey = QStringLiteral("DriftLimitPH");
const QString DriftLimitMvKey = QStringLiteral("DriftLimitMV");
const QString MinWaitKey = QStringLiteral("MinWait");
const QString MaxWaitKey = QStringLiteral("MaxWait");

// A value that is no finite number takes the default; the rest is bounded.
double bounded(double value, double low, double high, double fallback)
{
    if (!std::isfinite(value))
        return fallback;
    return std::min(std::max(value, low), high);
}

double wholeSteps(double ml)
{
    // Whole microlitres; divided, not multiplied: 10 / 1000.0 is the double nearest 0.01.
    return std::round(ml * 1000.0) / 1000.0;
}

} // namespace

MethodSettings MethodSettings::clamped() const
{
    const MethodSettings d;
    MethodSettings c = *this;
    c.signalStepPh = bounded(signalStepPh, MinSignalStepPh, MaxSignalStepPh, d.signalStepPh);
    c.signalStepMv = bounded(signalStepMv, MinSignalStepMv, MaxSignalStepMv, d.signalStepMv);
    c.minIncrement
        = wholeSteps(bounded(minIncrement, BuretteResolution, LargestIncrement, d.minIncrement));
    c.maxIncrement = wholeSteps(bounded(
        maxIncrement, c.minIncrement, LargestIncrement, std::max(d.maxIncrement, c.minIncrement)));
    c.driftLimitPh = bounded(driftLimitPh, MinDriftLimitPh, MaxDriftLimitPh, d.driftLimitPh);
    c.driftLimitMv = bounded(driftLimitMv, MinDriftLimitMv, MaxDriftLimitMv, d.driftLimitMv);
    c.minWait = bounded(minWait, 0, LongestMinWait, d.minWait);
    c.maxWait = bounded(maxWait, std::max(c.minWait, ShortestMaxWait), LongestMaxWait,
        std::max(d.maxWait, c.minWait));
    return c;
}

MethodSettings MethodSettings::read(QSettings &settings)
{
    MethodSettings m;
    settings.beginGroup(Group);
    auto take = [&settings](const QString &key, double &field) {
        if (const auto value = SettingsValue::number(settings.value(key)))
            field = *value;
    };
    take(SignalStepPhKey, m.signalStepPh);
    take(SignalStepMvKey, m.signalStepMv);
    take(MinIncrementKey, m.minIncrement);
    take(MaxIncrementKey, m.maxIncrement);
    take(DriftLimitPhKey, m.driftLimitPh);
    take(DriftLimitMvKey, m.driftLimitMv);
    take(MinWaitKey, m.minWait);
    take(MaxWaitKey, m.maxWait);
    const QString dosing = SettingsValue::text(settings.value(DosingModeKey)).trimmed();
    if (dosing.compare(dosingText(Dosing::Dynamic), Qt::CaseInsensitive) == 0)
        m.dosingMode = Dosing::Dynamic;
    const QString reading = SettingsValue::text(settings.value(ReadingModeKey)).trimmed();
    if (reading.compare(readingText(Reading::Drift), Qt::CaseInsensitive) == 0)
        m.readingMode = Reading::Drift;
    settings.endGroup();
    return m.clamped();
}

void MethodSettings::write(QSettings &settings) const
{
    const MethodSettings c = clamped();
    settings.beginGroup(Group);
    settings.setValue(DosingModeKey, dosingText(c.dosingMode));
    settings.setValue(SignalStepPhKey, SettingsValue::numberText(c.signalStepPh));
    settings.setValue(SignalStepMvKey, SettingsValue::numberText(c.signalStepMv));
    settings.setValue(MinIncrementKey, SettingsValue::numberText(c.minIncrement));
    settings.setValue(MaxIncrementKey, SettingsValue::numberText(c.maxIncrement));
    settings.setValue(ReadingModeKey, readingText(c.readingMode));
    settings.setValue(DriftLimitPhKey, SettingsValue::numberText(c.driftLimitPh));
    settings.setValue(DriftLimitMvKey, SettingsValue::numberText(c.driftLimitMv));
    settings.setValue(MinWaitKey, SettingsValue::numberText(c.minWait));
    settings.setValue(MaxWaitKey, SettingsValue::numberText(c.maxWait));
    settings.endGroup();
}

QString MethodSettings::dosingText(Dosing mode)
{
    return mode == Dosing::Dynamic ? QStringLiteral("dynamic") : QStringLiteral("fixed");
}

QString MethodSettings::readingText(Reading mode)
{
    return mode == Reading::Drift ? QStringLiteral("drift") : QStringLiteral("fixed");
}
