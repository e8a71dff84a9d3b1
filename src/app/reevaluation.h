#pragma once

#include "app/batchevaluation.h"
#include "evaluation/resultsettings.h"
#include "journal/journalstore.h"

#include <QString>
#include <QVariantMap>

#include <optional>

// A stored run evaluated again: its readings, never changed, read as --evaluate reads a run's
// table, with the method values of its newest evaluation (or, with none, those it started with)
// and the changes asked for. The outcome is the next version of its evaluation, with a reason.
namespace Reevaluation {

// The method values the run was last evaluated with, by their keys in the group "Method"
// ("SampleSize", "EPCriterion", ...): the newest evaluation's, else the run's start's.
QVariantMap storedValues(const JournalStore::RunRecord &run);
ResultSettings storedMethod(const JournalStore::RunRecord &run);

// What the Journal window's dialog asks for.
struct Changes
{
    QString reason;
    double criterion = 1; // the EP recognition's strictness
    int resultEp = 1;
    double sampleSize = 0; // in the method's sample unit; 0: not entered
};
// The stored method with the changes.
ResultSettings changed(ResultSettings method, const Changes &changes);

struct Outcome
{
    BatchEvaluation::Result result; // as --evaluate gives it
    Journal::Evaluation evaluation; // to be stored as the next version
    bool ok() const { return result.ok(); }
};

// Evaluates the run's readings with `method`. The evaluation carries the reason (trimmed),
// the origin and the method values (Method/SampleSize and the others) it was computed with.
Outcome evaluate(const JournalStore::RunRecord &run, const ResultSettings &method,
    const QString &reason, const Journal::Origin &origin);
// The same with the stored method and the dialog's changes.
Outcome evaluate(
    const JournalStore::RunRecord &run, const Changes &changes, const Journal::Origin &origin);

} // namespace Reevaluation
