#include "resultsblock.h"

#include <QCoreApplication>

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

} // namespace

QString markerLabel(int index, double volume, Numbers::Separators sep)
{
    return QStringLiteral("EP%1 %2 ml").arg(index + 1).arg(Numbers::format(volume, 2, sep));
}

QString compose(const EpAnalysis &analysis, const MethodValues &method, const QString &unit,
    Numbers::Separators sep)
{
    QString text = Texts::tr("Evaluation") + Crlf;
    if (analysis.points.empty())
        text += Texts::tr("No equivalence point found.") + Crlf;
    for (std::size_t i = 0; i < analysis.points.size(); ++i) {
        const RecognisedEp &ep = analysis.points[i];
        text += Texts::tr("EP%1: %2 ml (u %3 ml), %4 %5")
                    .arg(i + 1)
                    .arg(Numbers::format(ep.volume, 2, sep), Numbers::format(ep.uVolume, 3, sep),
                        unit, valueText(ep.value, unit, sep))
            + Crlf;
    }
    const TitrationResultOutcome outcome = TitrationResult::compute(method, analysis.points);
    if (outcome.result) {
        const TitrationResultValue &r = *outcome.result;
        text += Texts::tr("Result from EP%1: %2 %3 (u %4 %3)")
                    .arg(r.ep)
                    .arg(Numbers::toText(r.value, sep, 4), r.unit, Numbers::toText(r.u, sep, 2))
            + Crlf;
    } else if (!analysis.points.empty()) {
        text += Texts::tr("No result: %1").arg(outcome.error) + Crlf;
    }
    return text;
}

QString csvComments(const EpAnalysis &analysis, const MethodValues &method)
{
    const auto dot = Numbers::Separators::dot();
    QString text;
    for (std::size_t i = 0; i < analysis.points.size(); ++i) {
        const RecognisedEp &ep = analysis.points[i];
        text += QStringLiteral("# EP%1: volume %2 mL, u %3 mL, measured value %4")
                    .arg(i + 1)
                    .arg(Numbers::toText(ep.volume, dot, 6), Numbers::toText(ep.uVolume, dot, 3),
                        Numbers::toText(ep.value, dot, 6))
            + Crlf;
    }
    const TitrationResultOutcome outcome = TitrationResult::compute(method, analysis.points);
    if (outcome.result) {
        const TitrationResultValue &r = *outcome.result;
        text += QStringLiteral("# result from EP%1: %2 %3, u %4 %3")
                    .arg(r.ep)
                    .arg(Numbers::toText(r.value, dot, 6), r.unit, Numbers::toText(r.u, dot, 3))
            + Crlf;
    }
    return text;
}

} // namespace ResultsBlock
