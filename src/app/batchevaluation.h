#pragma once

#include "common/numbers.h"
#include "model/equivalencepoint.h"

#include <QString>

#include <optional>

// A saved document evaluated without a window: the series the Chart button builds from its
// text, the derivative the derivative button draws on it, the equivalence point, and all of it
// as CSV.
namespace BatchEvaluation {

struct Result
{
    enum Failure {
        None,
        Unreadable, // missing, unreadable, not RTF or damaged
        NoListing, // no line with "t[s]"
        NoRows, // a listing header without a single complete row
    };

    Failure failure = None;
    QString message; // one line saying what went wrong, in English
    QString csv; // on success
    int rows = 0; // rows of the series
    std::optional<EquivalencePoint> point;

    bool ok() const { return failure == None; }
};

// `sep` is the number format the document is read in (the program's own: the system's).
Result evaluateText(const QString &text, Numbers::Separators sep);
Result evaluateFile(const QString &path, Numbers::Separators sep);

} // namespace BatchEvaluation
