#pragma once

#include "common/numbers.h"

#include <QString>

// The measurement table a titration run writes into its document, one piece at a time; a run
// taken from the journal is shown again in the same form.
namespace RunTable {

// "  Titrations Daten", with the method in brackets when it is not the fixed run
// ("  Titrations Daten (dynamic, drift)"); ends with CR LF.
QString title(bool dynamicDosing, bool driftReading);
// "   ml        pH        [s]" or the same with mV; ends with CR LF.
QString columnHead(bool millivolts);
// One row in the user's number format: the volume with `volumeDecimals`, the value with three
// decimals, the seconds with one; a drift reading taken at the longest wait is marked with a
// trailing "*". Ends with a line feed.
QString row(double volume, int volumeDecimals, double value, double seconds, bool forced,
    Numbers::Separators sep);

} // namespace RunTable
