#pragma once

#include "journal/sqldialect.h"

#include <QString>

class QSqlDatabase;

// The journal's tables, as numbered steps from an empty database. The version reached is kept
// in the table journal_meta; a database is brought up to CurrentVersion one step after the
// other, all steps in one transaction.
namespace Schema {

constexpr int CurrentVersion = 2;

// The version of the journal in `db`: 0 for a database without tables, -1 when it holds
// tables but is no journal of ours.
int version(QSqlDatabase &db, const SqlDialect &dialect, QString *error);

// Runs the steps after `from` up to `to` in one transaction. On failure nothing is changed.
bool upgrade(QSqlDatabase &db, const SqlDialect &dialect, int from, int to, QString *error);

// The journal's tables, in an order in which each comes after those it refers to.
QStringList tables();

} // namespace Schema
