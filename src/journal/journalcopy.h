#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

class JournalStore;

// A whole journal copied into an empty one (SQLite to PostgreSQL, or back), ids kept, and the
// copy checked table by table: row counts and a SHA-256 digest of every row, read in the order
// of the table's primary key and written in a text form both engines give alike.
namespace JournalCopy {

struct TableDigest
{
    QString table;
    qint64 rows = 0;
    QByteArray sha256; // hex
};

struct TableCheck
{
    QString table;
    TableDigest source;
    TableDigest target;
    bool matches() const { return source.rows == target.rows && source.sha256 == target.sha256; }
};

enum class Status {
    Ok,
    SameJournal, // source and target are one journal
    TargetNotEmpty, // the target holds runs already: nothing was copied
    ReadFailed, // the source could not be read: nothing was copied
    WriteFailed, // the target could not be written: nothing was copied
    CheckFailed, // copied, but the copy differs from its source
};

struct Outcome
{
    Status status = Status::Ok;
    QString message; // English, one sentence; empty when Ok
    std::vector<TableCheck> checks; // after the copy, one per table
    bool ok() const { return status == Status::Ok; }
};

// Copies every table of `source` into `target`, both open, in one transaction on the target
// and one snapshot of the source, then compares the digests of both.
Outcome copy(JournalStore &source, JournalStore &target);

// Rows and digest of every table of the journal, in the order of Schema::tables(). Empty with
// `error` set when a table cannot be read.
std::optional<std::vector<TableDigest>> digests(QSqlDatabase db, QString *error = nullptr);

// One check per table of either list.
std::vector<TableCheck> compare(
    const std::vector<TableDigest> &source, const std::vector<TableDigest> &target);

} // namespace JournalCopy
