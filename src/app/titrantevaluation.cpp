#include "titrantevaluation.h"

#include "evaluation/resultsblock.h"
#include "journal/journalstore.h"

#include <QCoreApplication>

namespace {

class Texts
{
    Q_DECLARE_TR_FUNCTIONS(TitrantEvaluation)
};

// Titers a result may choose from: enough to step over any determined in the future.
constexpr int TitersRead = 10;

} // namespace

TitrantEvaluation TitrantEvaluation::read(
    const ResultSettings &method, const JournalLocation *location, const QDateTime &now)
{
    const QString name = method.method.titrant;
    if (name.isEmpty())
        return {method, std::nullopt, {}, now};
    auto unreadable = [&](const QString &reason) {
        return TitrantEvaluation(method, std::nullopt, {}, now,
            Texts::tr("The titrant \"%1\" cannot be read from the journal: %2").arg(name, reason));
    };
    if (!location)
        return unreadable(Texts::tr("the journal is not open."));
    JournalStore store(*location);
    const JournalStore::OpenResult opened = store.open(false);
    if (!opened.ok())
        return unreadable(opened.message);
    for (const Journal::Titrant &t : store.titrants()) {
        if (t.name == name)
            return {method, t, store.titers(t.id, TitersRead), now};
    }
    if (!store.lastError().isEmpty())
        return unreadable(store.lastError());
    return {method, std::nullopt, {}, now,
        Texts::tr("The titrant \"%1\" is not in the journal.").arg(name)};
}

QStringList TitrantEvaluation::titrantNames(const JournalLocation &location)
{
    QStringList names;
    JournalStore store(location);
    if (!store.open(false).ok())
        return names;
    for (const Journal::Titrant &t : store.titrants())
        names << t.name;
    return names;
}

TitrantEvaluation::TitrantEvaluation(const ResultSettings &method,
    const std::optional<Journal::Titrant> &titrant, const std::vector<Journal::Titer> &titers,
    const QDateTime &now, const QString &problem)
    : m_method(method)
    , m_titrant(titrant)
    , m_problem(problem)
    , m_now(now)
{
    if (!m_titrant)
        return;
    const TiterChoice choice = TiterChoosing::choose(titers, m_titrant->validityDays, now);
    m_method.method = TiterChoosing::applied(method.method, *m_titrant, choice);
    if (!method.titerDetermination)
        m_titerUsed = choice;
}

TiterOutcome TitrantEvaluation::determination(const EpAnalysis &analysis) const
{
    if (!m_problem.isEmpty())
        return {std::nullopt, m_problem};
    const MethodValues &m = m_method.method;
    return TiterDetermination::compute(
        m_method.standard, m.titrantConcentration, m.blankVolume, m.resultEp, analysis.points);
}

std::optional<Journal::Titer> TitrantEvaluation::titerFound(const EpAnalysis &analysis) const
{
    if (!m_method.titerDetermination || !m_titrant)
        return std::nullopt;
    const TiterOutcome outcome = determination(analysis);
    if (!outcome.titer)
        return std::nullopt;
    const PrimaryStandard &s = m_method.standard;
    const MethodValues &m = m_method.method;
    const RecognisedEp &ep = analysis.points[std::size_t(m.resultEp) - 1];
    Journal::Titer titer;
    titer.titrantId = m_titrant->id;
    titer.value = outcome.titer->value;
    titer.u = outcome.titer->u;
    titer.determined = m_now;
    titer.standard = {
        {QStringLiteral("mass_g"), s.mass},
        {QStringLiteral("molar_mass_g_per_mol"), s.molarMass},
        {QStringLiteral("purity_percent"), s.purity},
        {QStringLiteral("factor"), s.factor},
        {QStringLiteral("u_mass_g"), s.uMass},
        {QStringLiteral("u_purity_percent"), s.uPurity},
        {QStringLiteral("u_molar_mass_g_per_mol"), s.uMolarMass},
        {QStringLiteral("nominal_concentration"), m.titrantConcentration},
        {QStringLiteral("blank_ml"), m.blankVolume},
        {QStringLiteral("ep"), m.resultEp},
        {QStringLiteral("ep_volume_ml"), ep.volume},
        {QStringLiteral("u_ep_volume_ml"), ep.uVolume},
    };
    return titer;
}

QString TitrantEvaluation::block(
    const EpAnalysis &analysis, const QString &unit, Numbers::Separators sep) const
{
    const MethodValues &m = m_method.method;
    if (!m_method.titerDetermination && m_problem.isEmpty()) {
        QString text = ResultsBlock::compose(analysis, m, unit, sep);
        if (m_titerUsed && !analysis.points.empty())
            text += ResultsBlock::titerUsedLine(*m_titerUsed, sep);
        return text;
    }
    QString text = ResultsBlock::epLines(analysis, unit, sep);
    if (analysis.points.empty())
        return text;
    if (!m_method.titerDetermination)
        return text + ResultsBlock::noResultLine(m_problem);
    const QString of = m_titrant
        ? m_titrant->name
        : Numbers::toText(m.titrantConcentration, sep, 6) + QStringLiteral(" mol/L");
    return text + ResultsBlock::titerFoundLine(determination(analysis), of, m.resultEp, sep);
}
