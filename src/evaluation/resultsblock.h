#pragma once

#include "common/numbers.h"
#include "evaluation/eprecognition.h"
#include "evaluation/pkafit.h"
#include "evaluation/titerchoice.h"
#include "evaluation/titerdetermination.h"
#include "evaluation/titrationresult.h"

#include <QString>

// The results block a document gets appended: every EP with its u and the measured value at
// it, then the method's result with its unit, its expanded uncertainty and the input that
// weighs most in it, or why there is none. Volumes and results to the precision their u
// supports (UncertaintyText); numbers in the user's format, words in the program's language.
namespace ResultsBlock {

// `unit` is "pH" or "mV"; lines end in CR LF, as a run writes them.
QString compose(const EpAnalysis &analysis, const MethodValues &method, const QString &unit,
    Numbers::Separators sep);

// The block's head and its EP lines, without the result; when an EP shows a slow electrode, a
// line that says so with its time constant.
QString epLines(const EpAnalysis &analysis, const QString &unit, Numbers::Separators sep);
// "No result: <reason>".
QString noResultLine(const QString &reason);
// Which titer of the titrant the result took: "Titer 1.0201 (u 0.0041) of 07.12.2026 09:15,
// run 12", or "No valid titer: 1 used".
QString titerUsedLine(const TiterChoice &choice, Numbers::Separators sep);
// The titer a titer determination found: "Titer of NaOH 0.1 from EP1: 1.0201 (u 0.0041)", or
// why there is none.
QString titerFoundLine(
    const TiterOutcome &outcome, const QString &titrant, int ep, Numbers::Separators sep);

// One line per apparent pKa, "pKa1 4,765 (u 0,012)", shown to the precision its u supports,
// as the result is; empty for none.
QString pkaLines(const std::vector<PkaValue> &values, Numbers::Separators sep);

// The chart label of the i-th EP (0 for the first): "EP1 10,02 ml".
QString markerLabel(int index, double volume, Numbers::Separators sep);

// The EP and result lines as CSV comment lines, "." as decimal point, u to two significant
// digits and the value to its place: "# EP1: volume 10.023 mL, u 0.011 mL, measured value
// 7.01" and "# result from EP1: 0.10021 mol/L, u 0.00011 mol/L".
QString csvComments(const EpAnalysis &analysis, const MethodValues &method);

} // namespace ResultsBlock
