#pragma once

#include <QByteArray>
#include <QVariant>

class QSqlQuery;

// One row as text that both engines give alike for the same values, in JSON's syntax: integers
// and whole doubles alike as digits, doubles in their shortest exact form, text as a string
// (only '"', '\\' and control characters escaped), NULL as null. Copies are checked and records
// are digested over this text; it is written here rather than through QJsonDocument because a
// check of the audit trail turns every reading of the journal into it.
namespace RowText {

// Appends `value` as above.
void appendValue(QByteArray &text, const QVariant &value);
// Appends `utf8` as a JSON string.
void appendString(QByteArray &text, const QByteArray &utf8);

// Appends columns [first, first + count) of the query's current row as a compact JSON array.
void append(QByteArray &text, const QSqlQuery &query, int first, int count);
// The same as a text of its own.
QByteArray of(const QSqlQuery &query, int first, int count);

// The lowercase hex SHA-256 of `data`.
QByteArray sha256Hex(const QByteArray &data);

} // namespace RowText
