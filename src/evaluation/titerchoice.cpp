#include "titerchoice.h"

QString TiterChoice::note() const
{
    if (!titer)
        return QStringLiteral("no valid titer: 1 used");
    return QStringLiteral("titer %1 (u %2) determined %3%4")
        .arg(QString::number(titer->value, 'g', 6), QString::number(titer->u, 'g', 3),
            titer->determined.toString(Qt::ISODate),
            titer->runId > 0 ? QStringLiteral(" in run %1").arg(titer->runId) : QString());
}

namespace TiterChoosing {

bool isValid(const Journal::Titer &titer, int validityDays, const QDateTime &now)
{
    if (!titer.determined.isValid() || validityDays < 0)
        return false;
    // By elapsed time, so that offsets and daylight saving change nothing.
    return titer.determined.msecsTo(now) <= qint64(validityDays) * 24 * 3600 * 1000;
}

TiterChoice choose(
    const std::vector<Journal::Titer> &titers, int validityDays, const QDateTime &now)
{
    TiterChoice choice;
    for (const Journal::Titer &t : titers) {
        if (isValid(t, validityDays, now)) {
            choice.titer = t;
            break;
        }
    }
    return choice;
}

MethodValues applied(
    const MethodValues &method, const Journal::Titrant &titrant, const TiterChoice &choice)
{
    MethodValues m = method;
    m.titrantConcentration = titrant.concentration;
    m.titer = choice.value();
    // A titer of the history carries the concentration's u; with none the typed u stays.
    m.uTiter = choice.titer ? std::optional<double>(choice.titer->u) : std::nullopt;
    return m;
}

} // namespace TiterChoosing
