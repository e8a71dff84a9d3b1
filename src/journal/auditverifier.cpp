#include "auditverifier.h"

#include "journal/audittrail.h"
#include "journal/recorddigest.h"
#include "journal/rowtext.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <map>
#include <thread>

namespace AuditVerifier {

namespace {

// What the trail says a record's digest is: the newest covering entry's.
struct Covered
{
    qint64 seq = 0;
    QByteArray digest;
};

// The digests of the records as they are stored now, by the key an entry covers them under.
struct Stored
{
    QHash<QString, QByteArray> digests; // "start|run:<uuid>" and so on
    QHash<QString, QString> records; // the same keys, the record each concerns
};

QString key(const char *aspect, const QString &record)
{
    return QLatin1StringView(aspect) + u'|' + record;
}

// Which of a record's digests an entry covers; empty for entries that cover none.
const char *aspectOf(Audit::Action action)
{
    switch (action) {
    case Audit::Action::RunStarted:
        return "start";
    case Audit::Action::RunEnded:
        return "end";
    case Audit::Action::DocumentSaved:
        return "document";
    case Audit::Action::Evaluated:
    case Audit::Action::TiterDetermined:
    case Audit::Action::TitrantChanged:
        return "row";
    default:
        return nullptr;
    }
}

bool readTable(QSqlDatabase &db, const QString &sql, const std::function<void(QSqlQuery &)> &row,
    QString *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(sql)) {
        *error = query.lastError().text();
        return false;
    }
    while (query.next())
        row(query);
    if (query.lastError().isValid()) {
        *error = query.lastError().text();
        return false;
    }
    return true;
}

// Starts a read transaction that sees one state of the journal throughout, and pins it.
bool beginSnapshot(QSqlDatabase &db, QString *error)
{
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    QSqlQuery query(db);
    if (db.driverName() == QLatin1StringView("QPSQL")
        && !query.exec(
            QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"))) {
        *error = query.lastError().text();
        return false;
    }
    // SQLite and PostgreSQL take the snapshot at the first read.
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM journal_meta"))) {
        *error = query.lastError().text();
        return false;
    }
    return true;
}

// Every run's readings digest, by run id, on a connection of its own: the largest table is
// read beside the rest. Its snapshot is taken after the main one, so it holds every reading of
// every run the main one sees ended; readings never change, and none are added after the end.
struct ReadingsPass
{
    QHash<qint64, QByteArray> digests;
    QString error;

    void run(const QString &connection)
    {
        const QString name = connection + QStringLiteral("-readings");
        {
            QSqlDatabase db = QSqlDatabase::cloneDatabase(connection, name);
            if (!db.open()) {
                error = db.lastError().text();
            } else if (beginSnapshot(db, &error)) {
                qint64 current = -1;
                RecordDigest::ReadingsDigest digest;
                const bool ok = readTable(
                    db,
                    QStringLiteral("SELECT run_id, %1 FROM readings ORDER BY run_id, seq")
                        .arg(QLatin1StringView(RecordDigest::Reading.names)),
                    [&](QSqlQuery &q) {
                        const qint64 id = q.value(0).toLongLong();
                        if (id != current) {
                            if (current >= 0)
                                digests.insert(current, digest.hex());
                            digest.reset();
                            current = id;
                        }
                        digest.addReading(q, 1);
                    },
                    &error);
                if (ok && current >= 0)
                    digests.insert(current, digest.hex());
                db.rollback();
            }
        }
        QSqlDatabase::removeDatabase(name);
    }
};

bool readStored(QSqlDatabase &db, Stored &stored,
    std::map<qint64, std::pair<QString, QByteArray>> &endRows, QString *error)
{
    using namespace RecordDigest;
    const auto put = [&stored](const char *aspect, const QString &record, const QByteArray &d) {
        stored.digests.insert(key(aspect, record), d);
        stored.records.insert(key(aspect, record), record);
    };
    const bool runs = readTable(
        db,
        QStringLiteral("SELECT id, end_reason, %1, %2, %3 FROM runs")
            .arg(QLatin1StringView(RunStart.names), QLatin1StringView(RunEnd.names),
                QLatin1StringView(RunDocument.names)),
        [&](QSqlQuery &q) {
            const QString record = Audit::recordOfRun(q.value(2).toString());
            put("start", record, RowText::sha256Hex(RowText::of(q, 2, RunStart.count)));
            if (q.value(1).toString() != QLatin1StringView("running"))
                endRows.emplace(q.value(0).toLongLong(),
                    std::pair {record, RowText::of(q, 2 + RunStart.count, RunEnd.count)});
            const int document = 2 + RunStart.count + RunEnd.count;
            if (!q.value(document).toString().isEmpty())
                put("document", record, RowText::sha256Hex(RowText::of(q, document, 1)));
        },
        error);
    if (!runs)
        return false;
    const struct
    {
        const char *table;
        Columns columns;
        QString (*record)(const QString &);
    } rows[] = {
        {"evaluations", Evaluation, &Audit::recordOfEvaluation},
        {"titrants", Titrant, &Audit::recordOfTitrant},
        {"titers", Titer, &Audit::recordOfTiter},
    };
    for (const auto &table : rows) {
        const bool ok = readTable(
            db,
            QStringLiteral("SELECT %1 FROM %2")
                .arg(QLatin1StringView(table.columns.names), QLatin1StringView(table.table)),
            [&](QSqlQuery &q) {
                put("row", table.record(q.value(0).toString()),
                    RowText::sha256Hex(RowText::of(q, 0, table.columns.count)));
            },
            error);
        if (!ok)
            return false;
    }
    return true;
}

// The end digests, once the readings are read.
void putEnds(Stored &stored, const ReadingsPass &readings,
    const std::map<qint64, std::pair<QString, QByteArray>> &endRows)
{
    const QByteArray none = RecordDigest::ReadingsDigest().hex();
    for (const auto &[id, end] : endRows) {
        const QString k = key("end", end.first);
        stored.digests.insert(
            k, RecordDigest::runEnd(end.second, readings.digests.value(id, none)));
        stored.records.insert(k, end.first);
    }
}

} // namespace

Outcome verify(QSqlDatabase db)
{
    Outcome outcome;
    const auto unreadable = [&outcome](const QString &why) {
        outcome.readable = false;
        outcome.problem = QStringLiteral("The journal cannot be read: %1").arg(why);
        return outcome;
    };
    if (db.driverName() == QLatin1StringView("QSQLITE")) {
        // The check reads every page once, most of them twice: a cache that holds them.
        QSqlQuery pragma(db);
        pragma.exec(QStringLiteral("PRAGMA mmap_size = 1073741824"));
        pragma.exec(QStringLiteral("PRAGMA cache_size = -262144"));
    }
    // One snapshot: a writer that appends meanwhile must not make the check see half a change.
    QString error;
    if (!beginSnapshot(db, &error)) {
        db.rollback();
        return unreadable(error);
    }
    ReadingsPass readings;
    std::thread readingsThread(
        [&readings, connection = db.connectionName()] { readings.run(connection); });
    Stored stored;
    std::map<qint64, std::pair<QString, QByteArray>> endRows;
    const bool storedRead = readStored(db, stored, endRows, &error);
    QHash<QString, Covered> covered;
    QByteArray previous = Audit::genesisHash();
    const auto mismatch = [&outcome](qint64 seq, const QString &record, const QString &problem) {
        if (outcome.firstBadEntry != 0)
            return;
        outcome.firstBadEntry = seq;
        outcome.record = record;
        outcome.problem = problem;
    };
    QVariantList hashed;
    const bool trail = storedRead
        && readTable(
            db,
            QStringLiteral("SELECT %1, previous_hash, hash FROM audit_trail ORDER BY seq")
                .arg(QLatin1StringView(Audit::HashedColumns)),
            [&](QSqlQuery &q) {
                if (outcome.firstBadEntry != 0)
                    return;
                const qint64 seq = q.value(0).toLongLong();
                const QString record = q.value(7).toString();
                ++outcome.entries;
                if (seq != outcome.entries) {
                    mismatch(outcome.entries, record,
                        QStringLiteral("Entry %1 is missing: the next one is %2.")
                            .arg(outcome.entries)
                            .arg(seq));
                    return;
                }
                hashed.clear();
                for (int i = 0; i < Audit::HashedColumnCount; ++i)
                    hashed << q.value(i);
                const QByteArray previousHash
                    = q.value(Audit::HashedColumnCount).toString().toLatin1();
                const QByteArray hash = q.value(Audit::HashedColumnCount + 1).toString().toLatin1();
                if (previousHash != previous) {
                    mismatch(seq, record,
                        QStringLiteral("Entry %1 does not follow the entry before it.").arg(seq));
                    return;
                }
                if (Audit::chainHash(previous, Audit::canonicalText(hashed)) != hash) {
                    mismatch(seq, record,
                        QStringLiteral("Entry %1 was changed: its hash does not match its content.")
                            .arg(seq));
                    return;
                }
                previous = hash;
                outcome.newestHash = hash;
                const std::optional<Audit::Action> action
                    = Audit::actionFromText(q.value(6).toString());
                if (!action) {
                    mismatch(
                        seq, record, QStringLiteral("Entry %1 has an unknown action.").arg(seq));
                    return;
                }
                if (const char *aspect = aspectOf(*action))
                    covered.insert(key(aspect, record), {seq, q.value(10).toString().toLatin1()});
            },
            &error);
    db.rollback();
    readingsThread.join();
    if (!trail)
        return unreadable(error);
    if (!readings.error.isEmpty())
        return unreadable(readings.error);
    putEnds(stored, readings, endRows);
    // The chain holds up to here; now the records it covers, first mismatch by entry.
    if (outcome.firstBadEntry == 0) {
        qint64 firstSeq = 0;
        for (auto it = covered.cbegin(); it != covered.cend(); ++it) {
            const auto now = stored.digests.constFind(it.key());
            if (now != stored.digests.cend() && *now == it->digest)
                continue;
            if (firstSeq == 0 || it->seq < firstSeq) {
                firstSeq = it->seq;
                outcome.record = it.key().section(u'|', 1);
                outcome.problem = now == stored.digests.cend()
                    ? QStringLiteral("The record of entry %1 (%2) is gone.")
                          .arg(it->seq)
                          .arg(outcome.record)
                    : QStringLiteral("The record of entry %1 (%2) was changed after the entry.")
                          .arg(it->seq)
                          .arg(outcome.record);
            }
        }
        outcome.firstBadEntry = firstSeq;
    }
    if (outcome.firstBadEntry == 0) {
        // Rows that no entry covers were added behind the program's back.
        for (auto it = stored.digests.cbegin(); it != stored.digests.cend(); ++it) {
            if (covered.contains(it.key()))
                continue;
            outcome.record = stored.records.value(it.key());
            outcome.problem = QStringLiteral("The record %1 has no entry in the audit trail.")
                                  .arg(outcome.record);
            return outcome;
        }
        outcome.intact = true;
    }
    return outcome;
}

} // namespace AuditVerifier
