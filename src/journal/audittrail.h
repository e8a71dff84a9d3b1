#pragma once

#include "model/journalrecords.h"

#include <QByteArray>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVariantMap>

#include <optional>

// The journal's audit trail: one entry for every change, never changed itself, each entry
// chained to the one before by SHA-256 over the previous hash and the entry's canonical text.
// Entries that concern a record carry a digest of that record as stored, so a row changed
// behind the program's back breaks the chain's check as surely as a changed entry.
namespace Audit {

enum class Action {
    RunStarted,
    RunEnded,
    DocumentSaved, // a run learnt the file its document was saved as
    Evaluated,
    SampleSizeCorrected,
    TiterDetermined,
    TitrantChanged, // made or changed
    MethodChanged,
    Migrated, // the journal was made or brought to a newer schema
    Copied, // the journal was copied here from another
};

QString actionText(Action action); // "run started", "evaluated", ...
std::optional<Action> actionFromText(const QString &text);

struct Entry
{
    Action action = Action::RunStarted;
    QString record; // what it concerns: "run:<uuid>", "evaluation:<uuid>", "method", ...
    QVariantMap oldValues;
    QVariantMap newValues;
    QByteArray dataDigest; // hex SHA-256 of the record it covers; empty: covers none
    QDateTime at; // now, when invalid
    Journal::Origin origin;
};

// The newest entry: the chain's end.
struct Link
{
    qint64 seq = 0; // 0: no entry yet
    QByteArray hash; // hex; the genesis hash when there is no entry
};

// The previous hash of the first entry: 64 zeros.
QByteArray genesisHash();

QString recordOfRun(const QString &uuid);
QString recordOfEvaluation(const QString &uuid);
QString recordOfTitrant(const QString &uuid);
QString recordOfTiter(const QString &uuid);

// The columns of audit_trail an entry's hash covers, in this order, as stored.
constexpr const char *HashedColumns = "seq, at, at_offset, operator, host, program_version, "
                                      "action, record, old_values, new_values, data_digest";
constexpr int HashedColumnCount = 11;
// The canonical text of an entry: its hashed columns' values as a compact JSON array.
QByteArray canonicalText(const QVariantList &hashedValues);
// SHA-256 over the previous entry's hash and the entry's canonical text, as lowercase hex.
QByteArray chainHash(const QByteArray &previousHash, const QByteArray &canonicalText);

// The newest entry, or seq 0 with the genesis hash when the trail is empty.
std::optional<Link> newest(QSqlDatabase &db, QString *error = nullptr);

// Appends `entry` after the newest entry and returns it. Only inside a write transaction that
// serialises appends (JournalStore's): two writers must never chain onto the same entry.
std::optional<Link> append(QSqlDatabase &db, const Entry &entry, QString *error = nullptr);

} // namespace Audit
