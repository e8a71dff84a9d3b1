#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QVariant>

class QSqlQuery;

// One row as text that both engines give alike for the same values: integers and whole doubles
// alike as digits, doubles in their shortest exact form, text as a JSON string, NULL as null.
// Copies are checked and records are digested over this text.
namespace RowText {

QJsonValue canonical(const QVariant &value);

// Columns [first, first + count) of the query's current row as a compact JSON array.
QByteArray of(const QSqlQuery &query, int first, int count);

// The lowercase hex SHA-256 of `data`.
QByteArray sha256Hex(const QByteArray &data);

} // namespace RowText
