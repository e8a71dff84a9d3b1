#pragma once

#include "model/journalrecords.h"

#include <QJsonArray>
#include <QString>

// How records are kept in the journal's text columns: times as UTC text beside their offset,
// the method and the evaluation's points and results as compact JSON, with the field names of
// the program's JSON output.
namespace RecordCodec {

QString timeText(const QDateTime &time); // "2026-12-07T09:15:02.125Z"
QDateTime timeFromText(const QString &text, int offsetSeconds);

QString methodText(const QVariantMap &method);
QVariantMap methodFromText(const QString &text);

QJsonArray pointsJson(const std::vector<Journal::EvaluatedEp> &points);
QJsonArray resultsJson(const std::vector<Journal::EvaluatedResult> &results);
QString pointsText(const std::vector<Journal::EvaluatedEp> &points);
QString resultsText(const std::vector<Journal::EvaluatedResult> &results);
std::vector<Journal::EvaluatedEp> pointsFromText(const QString &text);
std::vector<Journal::EvaluatedResult> resultsFromText(const QString &text);

} // namespace RecordCodec
