#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

// Checks a journal's audit trail: that its entries follow each other without a gap, that each
// entry's hash is the SHA-256 of the previous hash and its canonical text, and that every
// record an entry covers still has the digest the entry holds (a run's start, its end with its
// readings, its document file, each evaluation, titrant and titer). A record the trail does not
// know is found too.
namespace AuditVerifier {

struct Outcome
{
    bool readable = true; // false: the journal could not be read (`problem` says why)
    bool intact = false;
    qint64 entries = 0;
    QByteArray newestHash; // hex, of the newest entry that was read
    qint64 firstBadEntry = 0; // the first entry that does not match; 0: none (or a record
                              // without an entry)
    QString record; // what the first mismatch concerns
    QString problem; // English, one sentence
};

Outcome verify(QSqlDatabase db);

} // namespace AuditVerifier
