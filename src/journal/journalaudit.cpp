#include "journalstore.h"

#include "journal/journaltexts.h"
#include "journal/recordcodec.h"
#include "journal/recorddigest.h"
#include "journal/rowtext.h"
#include "journal/schema.h"

#include <QSqlError>
#include <QSqlQuery>

// The store's side of the audit trail: the serialised write transaction every change runs in,
// and the entries a migration adds for what the journal held before it had a trail.

Audit::Entry JournalStore::entry(Audit::Action action, const QString &record) const
{
    Audit::Entry made;
    made.action = action;
    made.record = record;
    made.origin = m_origin;
    made.at = QDateTime::currentDateTime();
    return made;
}

bool JournalStore::appendCovering(Audit::Entry made, const QString &table,
    RecordDigest::Columns columns, const QString &key, const QVariant &value,
    std::vector<Audit::Entry> &entries, QString *error)
{
    const auto digest = RecordDigest::ofRow(m_db, table, columns, key, value, error);
    if (!digest)
        return false;
    made.dataDigest = *digest;
    entries.push_back(std::move(made));
    return true;
}

bool JournalStore::audited(const AuditedChange &change)
{
    const auto run = [this](const QString &sql) {
        QSqlQuery query(m_db);
        if (query.exec(sql))
            return true;
        return fail(query.lastError().text());
    };
    const QStringList begin = m_dialect.beginSerialisedStatements();
    if (!run(begin.first()))
        return false;
    std::vector<Audit::Entry> entries;
    bool ok = true;
    for (qsizetype i = 1; ok && i < begin.size(); ++i)
        ok = run(begin.at(i));
    ok = ok && change(entries);
    for (const Audit::Entry &e : entries) {
        if (!ok)
            break;
        ok = Audit::append(m_db, e, &m_lastError).has_value();
    }
    if (ok && run(QStringLiteral("COMMIT")))
        return true;
    const QString error = m_lastError;
    QSqlQuery rollback(m_db);
    rollback.exec(QStringLiteral("ROLLBACK"));
    return fail(error);
}

bool JournalStore::recordChange(const Audit::Entry &change)
{
    Audit::Entry made = change;
    if (made.origin.operatorName.isEmpty() && made.origin.host.isEmpty())
        made.origin = m_origin;
    return audited([&made](std::vector<Audit::Entry> &entries) {
        entries.push_back(made);
        return true;
    });
}

std::optional<Audit::Link> JournalStore::newestLink()
{
    return Audit::newest(m_db, &m_lastError);
}

bool JournalStore::appendMigration(int from, QString *error)
{
    // A new journal starts with an empty trail: a copy goes only into an empty journal.
    if (from == 0)
        return true;
    std::vector<Audit::Entry> entries;
    Audit::Entry migrated = entry(Audit::Action::Migrated, QStringLiteral("journal"));
    migrated.oldValues = {{QStringLiteral("schema_version"), from}};
    migrated.newValues = {{QStringLiteral("schema_version"), Schema::CurrentVersion}};
    entries.push_back(migrated);
    // Runs and evaluations written before the trail existed get their entries now, with their
    // digests as they are: from here on a change to them is found like any other.
    const auto backfilled = [](Audit::Entry e) {
        e.newValues.insert(QStringLiteral("before_trail"), true);
        return e;
    };
    {
        QSqlQuery runs(m_db);
        runs.setForwardOnly(true);
        if (!runs.exec(QStringLiteral("SELECT id, uuid, kind, sample_id, end_reason, ended_at, "
                                      "document_file FROM runs ORDER BY id"))) {
            *error = runs.lastError().text();
            return false;
        }
        struct Legacy
        {
            qint64 id;
            QString uuid, kind, sample, endReason, ended, document;
        };
        std::vector<Legacy> legacy;
        while (runs.next())
            legacy.push_back({runs.value(0).toLongLong(), runs.value(1).toString(),
                runs.value(2).toString(), runs.value(3).toString(), runs.value(4).toString(),
                runs.value(5).toString(), runs.value(6).toString()});
        for (const Legacy &run : legacy) {
            const QString record = Audit::recordOfRun(run.uuid);
            Audit::Entry started = backfilled(entry(Audit::Action::RunStarted, record));
            started.newValues.insert(QStringLiteral("kind"), run.kind);
            started.newValues.insert(QStringLiteral("sample"), run.sample);
            if (!appendCovering(started, QStringLiteral("runs"), RecordDigest::RunStart,
                    QStringLiteral("id"), run.id, entries, error))
                return false;
            if (run.endReason != QLatin1StringView("running")) {
                Audit::Entry ended = backfilled(entry(Audit::Action::RunEnded, record));
                ended.newValues.insert(QStringLiteral("end_reason"), run.endReason);
                ended.newValues.insert(QStringLiteral("ended"), run.ended);
                const auto end = RecordDigest::ofRunEnd(m_db, run.id, error);
                if (!end)
                    return false;
                ended.dataDigest = *end;
                entries.push_back(ended);
            }
            if (!run.document.isEmpty()) {
                Audit::Entry saved = backfilled(entry(Audit::Action::DocumentSaved, record));
                saved.newValues.insert(QStringLiteral("document_file"), run.document);
                if (!appendCovering(saved, QStringLiteral("runs"), RecordDigest::RunDocument,
                        QStringLiteral("id"), run.id, entries, error))
                    return false;
            }
        }
    }
    if (from >= 2) {
        QSqlQuery evaluations(m_db);
        evaluations.setForwardOnly(true);
        if (!evaluations.exec(
                QStringLiteral("SELECT e.uuid, r.uuid, e.version, %1 FROM evaluations e "
                               "JOIN runs r ON r.id = e.run_id ORDER BY e.id")
                    .arg(RecordDigest::qualified(RecordDigest::Evaluation, u'e')))) {
            *error = evaluations.lastError().text();
            return false;
        }
        while (evaluations.next()) {
            Audit::Entry evaluated = backfilled(entry(Audit::Action::Evaluated,
                Audit::recordOfEvaluation(evaluations.value(0).toString())));
            evaluated.newValues.insert(QStringLiteral("run"), evaluations.value(1).toString());
            evaluated.newValues.insert(QStringLiteral("version"), evaluations.value(2).toInt());
            evaluated.dataDigest
                = RowText::sha256Hex(RowText::of(evaluations, 3, RecordDigest::Evaluation.count));
            entries.push_back(evaluated);
        }
    }
    for (const Audit::Entry &e : entries) {
        if (!Audit::append(m_db, e, error))
            return false;
    }
    return true;
}
