#include "reevaluation.h"

#include "app/journalruntext.h"
#include "app/journalsession.h"

namespace Reevaluation {

namespace {

const QString MethodPrefix = QStringLiteral("Method/");

// Keys of the group "Method" as they are; "Method/<key>" as <key>; others ("Run/...") left out.
void takeMethodKeys(const QVariantMap &from, QVariantMap &into)
{
    for (auto it = from.constBegin(); it != from.constEnd(); ++it) {
        if (it.key().startsWith(MethodPrefix))
            into.insert(it.key().mid(MethodPrefix.size()), it.value());
        else if (!it.key().contains(u'/'))
            into.insert(it.key(), it.value());
    }
}

} // namespace

QVariantMap storedValues(const JournalStore::RunRecord &run)
{
    QVariantMap values;
    if (run.evaluations.empty()) {
        takeMethodKeys(run.start.method, values);
        return values;
    }
    const Journal::Evaluation &newest = run.evaluations.back();
    takeMethodKeys(newest.method, values);
    values.insert(QStringLiteral("EPCriterion"), newest.criterion);
    return values;
}

ResultSettings storedMethod(const JournalStore::RunRecord &run)
{
    return ResultSettings::fromValues(storedValues(run));
}

ResultSettings changed(ResultSettings method, const Changes &changes)
{
    method.epCriterion = changes.criterion;
    method.method.resultEp = changes.resultEp;
    method.method.sampleSize = changes.sampleSize;
    return method;
}

Outcome evaluate(const JournalStore::RunRecord &run, const ResultSettings &method,
    const QString &reason, const Journal::Origin &origin)
{
    // The run's table as the window shows it, read back in the same number format.
    const Numbers::Separators sep = Numbers::Separators::dot();
    Outcome outcome;
    outcome.result
        = BatchEvaluation::evaluateText(JournalRunText::documentText(run, sep), sep, method);
    Journal::Evaluation &e = outcome.evaluation;
    e.created = QDateTime::currentDateTime();
    e.origin = origin;
    e.reason = reason.trimmed();
    e.criterion = method.epCriterion;
    e.method = JournalSession::methodValues(method.method);
    for (const RecognisedEp &ep : outcome.result.analysis.points)
        e.points.push_back({ep.volume, ep.uVolume, ep.value, ep.lagSeconds});
    for (const TitrationResultValue &r : outcome.result.results)
        e.results.push_back({r.ep, r.value, r.u, r.unit});
    return outcome;
}

Outcome evaluate(
    const JournalStore::RunRecord &run, const Changes &changes, const Journal::Origin &origin)
{
    return evaluate(run, changed(storedMethod(run), changes), changes.reason, origin);
}

} // namespace Reevaluation
