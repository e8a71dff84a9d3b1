#pragma once

#include "journal/journalstore.h"

#include <QByteArray>
#include <QString>

#include <vector>

// The journal's list of runs as CSV (RFC 4180): a header line, one line per run, lines ended
// by CR LF, "." as decimal point whatever the locale.
namespace JournalCsv {

// The field as it stands, or quoted with its quotes doubled when it holds a comma, a quote or
// a line break.
QString field(const QString &text);

// id,kind,sample,started,ended,end_reason,readings,value,u,unit: the columns of the JSON list,
// the result in three columns (empty without a result), `ended` empty while a run runs.
QByteArray list(const std::vector<JournalStore::RunSummary> &runs);

} // namespace JournalCsv
