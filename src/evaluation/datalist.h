#pragma once

class AbstractDocument;
struct MeasurementStore;

// The data list clearing: the document's text emptied, store rows 0..499 set to zero and the
// chart's 500 rows blanked in all four columns. AnzahlWerte, DatenModus, Ableitung and the
// chart titles stay as they are. Without a document only the store is cleared.
void clearDataList(MeasurementStore &store, AbstractDocument *document);
