#include "resultsblock.h"

#include "evaluation/electrodelag.h"
#include "evaluation/uncertaintytext.h"

#include <QCoreApplication>
#include <QLocale>

namespace ResultsBlock {

namespace {

class Texts
{
    Q_DECLARE_TR_FUNCTIONS(ResultsBlock)
};

const QString Crlf = QStringLiteral("\r\n");

QString valueText(double value, const QString &unit, Numbers::Separators sep)
{
    return Numbers::format(value, unit == QLatin1String("mV") ? 1 : 2, sep);
}

// U with k and the input that weighs most: "Expanded uncertainty (k = 2): U = 0,0022 mmol;
// largest contribution: EP volume (83 %)".
QString expandedLine(const TitrationResultValue &r, Numbers::Separators sep)
{
    const QString expanded
        = Texts::tr("Expanded uncertainty (k = %1): U = %2 %3")
              .arg(Numbers::toText(UncertaintyBudget::CoverageFactor, sep))
              .arg(UncertaintyText::shown(r.value, r.expandedU(), sep).u, r.unit);
    const BudgetContribution *largest = UncertaintyBudget::largest(r.budget);
    if (!largest || largest->u <= 0)
        return expanded + Crlf;
    return expanded
        + Texts::tr("; largest contribution: %1 (%2 %)")
              .arg(UncertaintyBudget::sourceName(largest->source),
                  Numbers::format(largest->sharePercent, 0, sep))
        + Crlf;
}

} // namespace

QString markerLabel(int index, double volume, Numbers::Separators sep)
{
    return QStringLiteral("EP%1 %2 ml").arg(index + 1).arg(Numbers::format(volume, 2, sep));
}

QString epLines(const EpAnalysis &analysis, const QString &unit, Numbers::Separators sep)
{
    QString text = Texts::tr("Evaluation") + Crlf;
    if (analysis.points.empty())
        text += Texts::tr("No equivalence point found.") + Crlf;
    for (std::size_t i = 0; i < analysis.points.size(); ++i) {
        const RecognisedEp &ep = analysis.points[i];
        const UncertaintyText::Shown volume = UncertaintyText::shown(ep.volume, ep.uVolume, sep);
        text += Texts::tr("EP%1: %2 ml (u %3 ml), %4 %5")
                    .arg(i + 1)
                    .arg(volume.value, volume.u, unit, valueText(ep.value, unit, sep))
            + Crlf;
    }
    if (const auto lag = LagCorrection::largestLag(analysis))
        text += Texts::tr("electrode lag suspected (about %1 s): prefer drift-controlled readings")
                    .arg(Numbers::format(*lag, 1, sep))
            + Crlf;
    return text;
}

QString noResultLine(const QString &reason)
{
    return Texts::tr("No result: %1").arg(reason) + Crlf;
}

QString titerUsedLine(const TiterChoice &choice, Numbers::Separators sep)
{
    if (!choice.titer)
        return Texts::tr("No valid titer: 1 used") + Crlf;
    const Journal::Titer &t = *choice.titer;
    const QString when = QLocale().toString(t.determined, QLocale::ShortFormat);
    const QString text = t.runId > 0
        ? Texts::tr("Titer %1 (u %2) of %3, run %4")
              .arg(Numbers::format(t.value, 4, sep), Numbers::toText(t.u, sep, 2), when)
              .arg(t.runId)
        : Texts::tr("Titer %1 (u %2) of %3")
              .arg(Numbers::format(t.value, 4, sep), Numbers::toText(t.u, sep, 2), when);
    return text + Crlf;
}

QString titerFoundLine(
    const TiterOutcome &outcome, const QString &titrant, int ep, Numbers::Separators sep)
{
    if (!outcome.titer)
        return Texts::tr("No titer: %1").arg(outcome.error) + Crlf;
    return Texts::tr("Titer of %1 from EP%2: %3 (u %4)")
               .arg(titrant)
               .arg(ep)
               .arg(Numbers::format(outcome.titer->value, 4, sep),
                   Numbers::toText(outcome.titer->u, sep, 2))
        + Crlf;
}

QString compose(const EpAnalysis &analysis, const MethodValues &method, const QString &unit,
    Numbers::Separators sep)
{
    QString text = epLines(analysis, unit, sep);
    const TitrationResultOutcome outcome = TitrationResult::compute(method, analysis.points);
    if (outcome.result) {
        const TitrationResultValue &r = *outcome.result;
        const UncertaintyText::Shown shown = UncertaintyText::shown(r.value, r.u, sep);
        text += Texts::tr("Result from EP%1: %2 %3 (u %4 %3)")
                    .arg(r.ep)
                    .arg(shown.value, r.unit, shown.u)
            + Crlf;
        text += expandedLine(r, sep);
    } else if (!analysis.points.empty()) {
        text += noResultLine(outcome.error);
    }
    return text;
}

QString csvComments(const EpAnalysis &analysis, const MethodValues &method)
{
    const auto dot = Numbers::Separators::dot();
    QString text;
    for (std::size_t i = 0; i < analysis.points.size(); ++i) {
        const RecognisedEp &ep = analysis.points[i];
        const UncertaintyText::Shown volume = UncertaintyText::shown(ep.volume, ep.uVolume, dot);
        text += QStringLiteral("# EP%1: volume %2 mL, u %3 mL, measured value %4")
                    .arg(i + 1)
                    .arg(volume.value, volume.u, Numbers::toText(ep.value, dot, 6))
            + Crlf;
    }
    const TitrationResultOutcome outcome = TitrationResult::compute(method, analysis.points);
    if (outcome.result) {
        const TitrationResultValue &r = *outcome.result;
        const UncertaintyText::Shown shown = UncertaintyText::shown(r.value, r.u, dot);
        text += QStringLiteral("# result from EP%1: %2 %3, u %4 %3")
                    .arg(r.ep)
                    .arg(shown.value, r.unit, shown.u)
            + Crlf;
    }
    return text;
}

QString pkaLines(const std::vector<PkaValue> &values, Numbers::Separators sep)
{
    QString text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const UncertaintyText::Shown shown
            = UncertaintyText::shown(values[i].value, values[i].u, sep);
        text += Texts::tr("pKa%1 %2 (u %3)").arg(i + 1).arg(shown.value, shown.u) + Crlf;
    }
    return text;
}

} // namespace ResultsBlock
