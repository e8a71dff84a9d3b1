#pragma once

#include "common/numbers.h"
#include "evaluation/eprecognition.h"
#include "evaluation/resultsettings.h"
#include "evaluation/titerchoice.h"
#include "journal/journallocation.h"
#include "model/journalrecords.h"

#include <QStringList>

#include <optional>
#include <vector>

// An evaluation with the method's titrant from the journal: its nominal concentration and its
// newest valid titer in place of the typed values, or, for a titer determination, the titer
// the run found for its history. Without a titrant chosen it is the evaluation as typed.
class TitrantEvaluation
{
public:
    // Reads the method's titrant and its newest titers from the journal at `location` (none:
    // no journal), only when one is chosen.
    static TitrantEvaluation read(
        const ResultSettings &method, const JournalLocation *location, const QDateTime &now);
    // The names of the journal's titrants; none when it cannot be read.
    static QStringList titrantNames(const JournalLocation &location);
    // From what the journal holds: `titrant` none when it is not there (`problem` says why,
    // translated); `titers` newest first.
    TitrantEvaluation(const ResultSettings &method, const std::optional<Journal::Titrant> &titrant,
        const std::vector<Journal::Titer> &titers, const QDateTime &now,
        const QString &problem = {});

    // The method the result is computed with.
    const ResultSettings &method() const { return m_method; }
    const std::optional<Journal::Titrant> &titrant() const { return m_titrant; }
    // The titer a result took: only with a titrant chosen, outside a titer determination.
    const std::optional<TiterChoice> &titerUsed() const { return m_titerUsed; }
    // Why the chosen titrant cannot be used; empty when it can.
    const QString &problem() const { return m_problem; }

    TiterOutcome determination(const EpAnalysis &analysis) const;
    // The titer for the titrant's history: a titer determination of a titrant that was found,
    // with a titer.
    std::optional<Journal::Titer> titerFound(const EpAnalysis &analysis) const;
    // The results block: the EPs, then the result and the titer it took, or the titer found.
    QString block(const EpAnalysis &analysis, const QString &unit, Numbers::Separators sep) const;

private:
    ResultSettings m_method;
    std::optional<Journal::Titrant> m_titrant;
    std::optional<TiterChoice> m_titerUsed;
    QString m_problem;
    QDateTime m_now;
};
