#pragma once

#include "journal/journallocation.h"

#include <QString>
#include <QStringList>

class QSqlDatabase;

// Everything in which the two engines' SQL differs, in one place: column types, the triggers
// that keep rows immutable, how a session is set up, and how a copy's id counters are set.
// The rest of the journal writes one SQL for both.
class SqlDialect
{
public:
    explicit SqlDialect(JournalLocation::Engine engine)
        : m_engine(engine)
    { }

    JournalLocation::Engine engine() const { return m_engine; }
    bool isSQLite() const { return m_engine == JournalLocation::Engine::SQLite; }
    QString driverName() const;

    // Replaces the schema's placeholders: %ID% (an automatic primary key), %BIGINT% (a
    // reference to one) and %REAL% (a double).
    QString expand(QString statement) const;

    // Statements that make the database refuse UPDATE and DELETE on `table`.
    QStringList immutableTableStatements(const QString &table) const;

    // Statements that give the role kalumet_writer what a workstation needs and no more: it may
    // add runs, readings and evaluations and end a run, but never change or delete a reading
    // or an evaluation, even where the triggers were dropped. Nothing for SQLite, which has no
    // roles. Made where the migrating account may make roles, left out where it may not.
    QStringList writerRoleStatements() const;

    // Starts a write transaction that waits for every other writer of the journal: appends to
    // the audit trail must never chain onto the same entry. SQLite takes its write lock at
    // once; PostgreSQL takes a transaction-scoped advisory lock of the journal's.
    QStringList beginSerialisedStatements() const;

    // Statements run on every new connection before anything else.
    QStringList sessionStatements() const;

    // Sets the id counter of `table` past its largest id, after rows were copied with their ids.
    QStringList resetIdCounter(const QString &table) const;

    // Every table of the journal's, as the engine lists them (for a copy's "is it empty" check).
    QString listTablesQuery() const;

    // The text value of `key` in the JSON object of the text column `column` (a run's method
    // map), null where it has none. `key` is the program's own, never the user's.
    QString jsonTextValue(const QString &column, const QString &key) const;

private:
    JournalLocation::Engine m_engine;
};
