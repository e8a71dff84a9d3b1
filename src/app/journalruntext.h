#pragma once

#include "common/numbers.h"
#include "journal/journalstore.h"

#include <QString>

// A run of the journal as a document shows it: the measurement table in the form a titration
// run writes it ("  Titrations Daten", the column head, one row per reading), whatever kind of
// run it is.
namespace JournalRunText {

// Volumes take three decimals for dynamic dosing (whole microlitres) or when a volume needs
// them, else two, as the run wrote them.
QString documentText(const JournalStore::RunRecord &run, Numbers::Separators sep);

} // namespace JournalRunText
