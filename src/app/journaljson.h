#pragma once

#include "journal/journalstore.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <vector>

// The journal's runs as JSON for the command line: the list, and one run in full. Field names
// are the interface for scripts and a LIMS: added to, never renamed.
namespace JournalJson {

// ISO 8601 with milliseconds and the recorded offset: "2026-12-07T20:15:02.125+01:00". Empty
// for an invalid time.
QString timeText(const QDateTime &time);

// id, kind, sample, started, ended, end_reason, readings (their number), result.
QJsonObject summary(const JournalStore::RunSummary &run);

// version, created, operator, host, program_version, reason, criterion, method,
// equivalence_points, results: one of --journal-show's "evaluations".
QJsonObject evaluation(const Journal::Evaluation &evaluation);

// {"runs": [summary, ...], "series": [...], "chain_hash"}, the series of the samples among the
// runs as SampleSeries::toJson writes them; "chain_hash" is the audit trail's newest hash when
// the list was read (null for an empty trail), pinning the journal's state.
QByteArray list(const std::vector<JournalStore::RunSummary> &runs, const QByteArray &chainHash);

// The summary's fields with the readings themselves, the run's start record, every
// evaluation, and "chain_hash".
QByteArray run(const JournalStore::RunRecord &record, const QByteArray &chainHash);

// The trail's newest hash as JSON: null when there is no entry.
QJsonValue chainHashValue(const QByteArray &chainHash);

} // namespace JournalJson
