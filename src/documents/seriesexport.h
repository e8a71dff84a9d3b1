#pragma once

#include "common/numbers.h"
#include "model/equivalencepoint.h"

#include <QString>

#include <optional>

class ChartModel;

// The chart grid as text for other programs: one line per grid row that holds data, the
// columns volume, measured value, derivative X, derivative Y; an empty cell stays empty.
namespace SeriesExport {

// CSV for files: header line, "," between fields, "." as decimal separator, CR LF line ends;
// the equivalence point, when there is one, as a comment line after the rows, then `notes`
// (comment lines, CR LF ended) as they are.
QString toCsv(const ChartModel &chart, const std::optional<EquivalencePoint> &point,
    const QString &notes = {});

// Tab-separated, with the user's decimal separator, for pasting into a spreadsheet.
QString toTabSeparated(const ChartModel &chart, Numbers::Separators sep);

} // namespace SeriesExport
