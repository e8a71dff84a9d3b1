#include "journalruntext.h"

#include "titration/methodsettings.h"
#include "titration/runtable.h"

#include <cmath>

namespace JournalRunText {

namespace {

// The mode the method group named, read as the run reads it: trimmed, in any case.
bool modeIs(const QVariantMap &method, const char *key, const QString &mode)
{
    return method.value(QLatin1StringView(key))
               .toString()
               .trimmed()
               .compare(mode, Qt::CaseInsensitive)
        == 0;
}

bool needsThirdDecimal(double volume)
{
    const double hundredths = volume * 100;
    return std::abs(hundredths - std::round(hundredths)) > 1e-6;
}

} // namespace

QString documentText(const JournalStore::RunRecord &run, Numbers::Separators sep)
{
    const QVariantMap &method = run.start.method;
    const bool dynamic = modeIs(
        method, "Method/DosingMode", MethodSettings::dosingText(MethodSettings::Dosing::Dynamic));
    const bool drift = modeIs(
        method, "Method/ReadingMode", MethodSettings::readingText(MethodSettings::Reading::Drift));
    // A listing has no method of its own: its head is the plain one.
    const bool incremental = run.start.kind == Journal::RunKind::Incremental;
    int decimals = incremental && dynamic ? 3 : 2;
    for (const Journal::Reading &r : run.readings) {
        if (needsThirdDecimal(r.volume))
            decimals = 3;
    }
    QString text = RunTable::title(incremental && dynamic, incremental && drift)
        + RunTable::columnHead(run.start.unit == QLatin1StringView("mV"));
    for (const Journal::Reading &r : run.readings)
        text += RunTable::row(r.volume, decimals, r.value, r.seconds, r.forced, sep);
    return text;
}

} // namespace JournalRunText
