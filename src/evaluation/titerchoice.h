#pragma once

#include "evaluation/titrationresult.h"
#include "model/journalrecords.h"

#include <QDateTime>

#include <optional>
#include <vector>

// The titer a result takes from its titrant's history: the newest one still valid. A titer is
// valid up to exactly `validityDays` days (of 24 hours) after its determination; a moment later
// it is not.
struct TiterChoice
{
    std::optional<Journal::Titer> titer; // none valid: 1 is used

    double value() const { return titer ? titer->value : 1; }
    // In English, for the JSON: "no valid titer: 1 used", or which one was taken.
    QString note() const;
};

namespace TiterChoosing {

bool isValid(const Journal::Titer &titer, int validityDays, const QDateTime &now);
// `titers` as the journal gives them, newest first.
TiterChoice choose(
    const std::vector<Journal::Titer> &titers, int validityDays, const QDateTime &now);
// The method with the titrant's nominal concentration and the chosen titer (and its u) in
// place of the typed ones.
MethodValues applied(
    const MethodValues &method, const Journal::Titrant &titrant, const TiterChoice &choice);

} // namespace TiterChoosing
