#pragma once

#include "journal/sqldialect.h"

#include <QString>

#include <functional>

class QSqlDatabase;

// The journal's tables, as numbered steps from an empty database. The version reached is kept
// in the table journal_meta; a database is brought up to CurrentVersion one step after the
// other, all steps in one transaction.
namespace Schema {

constexpr int CurrentVersion = 3;

// The version of the journal in `db`: 0 for a database without tables, -1 when it holds
// tables but is no journal of ours.
int version(QSqlDatabase &db, const SqlDialect &dialect, QString *error);

// Runs the steps after `from` up to `to` in one transaction, then `beforeCommit` (which may add
// rows of its own) in the same transaction. On failure nothing is changed.
bool upgrade(QSqlDatabase &db, const SqlDialect &dialect, int from, int to,
    const std::function<bool(QString *error)> &beforeCommit, QString *error);

// The journal's tables, in an order in which each comes after those it refers to.
QStringList tables();

} // namespace Schema
