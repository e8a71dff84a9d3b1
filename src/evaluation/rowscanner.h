#pragma once

#include "common/numbers.h"
#include "model/measurementstore.h"

#include <QStringView>

class AbstractChart;

namespace RowScanner {

// Report: rows as the titrator sends them (only the user's separator counts, the receive
// path has already turned every "." into it). Document: rows read back from a document,
// written under either separator.
enum class Variant { Report, Document };

// Reads one data row into store row AnzahlWerte and onto the chart (when there is one).
// Numbers are separated by blanks; a token is taken only when a blank follows it and it is
// longer than two characters, so short tokens run on into the next number. The first three
// tokens are volume, measured value and time; the row counts once its time is taken.
// A token that is not a number ends the scan of the line without touching store or chart;
// rows past the 500th only add to droppedRows.
void scan(QStringView line, Variant variant, Numbers::Separators sep, MeasurementStore &store,
    AbstractChart *chart);

// Store rows 0..499 to zero and chart rows 1..500 emptied in columns 1..chartColumns.
// droppedRows goes back to 0; row 500 of the arrays, AnzahlWerte and Ableitung are left alone.
void resetSeries(MeasurementStore &store, AbstractChart *chart, int chartColumns);

} // namespace RowScanner
