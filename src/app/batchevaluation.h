#pragma once

#include "common/numbers.h"
#include "evaluation/eprecognition.h"
#include "evaluation/pkafit.h"
#include "evaluation/resultsettings.h"
#include "evaluation/titerchoice.h"
#include "model/equivalencepoint.h"

#include <QList>
#include <QPointF>
#include <QString>

#include <optional>
#include <vector>

// A saved document evaluated without a window: the series the Chart button builds from its
// text, the derivative the derivative button draws on it, the equivalence point, and all of it
// as CSV.
namespace BatchEvaluation {

struct Result
{
    enum Failure {
        None,
        Unreadable, // missing, unreadable, not RTF or damaged
        NoListing, // no line with "t[s]" and no table of a run
        NoRows, // a listing header without a single complete row
    };

    Failure failure = None;
    QString message; // one line saying what went wrong, in English
    QString csv; // on success
    int rows = 0; // rows of the series
    std::optional<EquivalencePoint> point;

    QString unit; // "pH" or "mV"
    QList<QPointF> points; // the curve as the chart holds it
    QList<QPointF> derivative; // the derivative as the chart draws it
    EpAnalysis analysis; // every EP with its uncertainty
    std::vector<PkaValue> pka; // the apparent pKa of each buffered region (pH curves)
    std::vector<TitrationResultValue> results; // the method's result, when it has the values
    // With a titrant of the journal chosen: its name and the titer the results took.
    QString titrant;
    std::optional<TiterChoice> titer;

    struct Row
    {
        double volume = 0; // mL
        double value = 0; // pH or mV
        double seconds = 0; // the listing's time column
    };
    std::vector<Row> listingRows; // the complete rows as read, in their order

    bool ok() const { return failure == None; }
};

// `sep` is the number format the document is read in (the program's own: the system's). A
// document without a listing is read from the last table a run wrote ("ml  pH  [s]"), so saved
// runs can be evaluated again.
Result evaluateText(
    const QString &text, Numbers::Separators sep, const ResultSettings &method = {});
Result evaluateFile(
    const QString &path, Numbers::Separators sep, const ResultSettings &method = {});

// The text with the head of the last table a run wrote ("   ml   pH   [s]") turned into a
// listing header, so the chart build reads the rows below it; empty when there is none.
QString withRunTableAsListing(const QString &text);

// The evaluation as one JSON object: unit, points, derivative, equivalence_points, results
// (each with expanded_u, k and its budget); with a titrant, each result also names it and the
// titer it took.
QByteArray toJson(const Result &result);

} // namespace BatchEvaluation
