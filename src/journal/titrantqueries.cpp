#include "journalstore.h"

#include "journal/recordcodec.h"
#include "journal/recorddigest.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

// The titrants of the lab and the history of their titers.

namespace {

QVariantMap titrantValues(const Journal::Titrant &t)
{
    return {{QStringLiteral("name"), t.name}, {QStringLiteral("concentration"), t.concentration},
        {QStringLiteral("unit"), t.unit}, {QStringLiteral("validity_days"), t.validityDays}};
}

Journal::Titrant titrantFrom(const QSqlQuery &q)
{
    Journal::Titrant t;
    t.id = q.value(0).toLongLong();
    t.uuid = q.value(1).toString();
    t.name = q.value(2).toString();
    t.concentration = q.value(3).toDouble();
    t.unit = q.value(4).toString();
    t.validityDays = q.value(5).toInt();
    t.created = RecordCodec::timeFromText(q.value(6).toString(), q.value(7).toInt());
    return t;
}

const QString TitrantSelect = QStringLiteral("SELECT id, uuid, name, concentration, unit, "
                                             "validity_days, created_at, created_offset "
                                             "FROM titrants");

} // namespace

bool JournalStore::saveTitrant(Journal::Titrant &titrant)
{
    Journal::Titrant saved = titrant;
    if (saved.uuid.isEmpty())
        saved.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!saved.created.isValid())
        saved.created = QDateTime::currentDateTime();
    const bool written = audited([&](std::vector<Audit::Entry> &entries) {
        QSqlQuery query(m_db);
        // Asked first: a refused INSERT would leave a PostgreSQL transaction aborted.
        query.prepare(QStringLiteral("SELECT 1 FROM titrants WHERE name = ? AND id <> ?"));
        query.addBindValue(saved.name);
        query.addBindValue(saved.id);
        if (!query.exec())
            return fail(query.lastError().text());
        if (query.next())
            return fail(QStringLiteral("a titrant named \"%1\" exists already").arg(saved.name));
        Audit::Entry changed
            = entry(Audit::Action::TitrantChanged, Audit::recordOfTitrant(saved.uuid));
        if (saved.id == 0) {
            query.prepare(QStringLiteral("INSERT INTO titrants (uuid, name, concentration, unit, "
                                         "validity_days, created_at, created_offset) "
                                         "VALUES (?, ?, ?, ?, ?, ?, ?)"));
            for (const QVariant &v : {QVariant(saved.uuid), QVariant(saved.name),
                     QVariant(saved.concentration), QVariant(saved.unit),
                     QVariant(saved.validityDays), QVariant(RecordCodec::timeText(saved.created)),
                     QVariant(saved.created.offsetFromUtc())})
                query.addBindValue(v);
        } else {
            const std::optional<Journal::Titrant> before = this->titrant(saved.id);
            if (!before)
                return fail(QStringLiteral("no titrant %1").arg(saved.id));
            saved.uuid = before->uuid;
            saved.created = before->created;
            changed.record = Audit::recordOfTitrant(saved.uuid);
            changed.oldValues = titrantValues(*before);
            query.prepare(QStringLiteral("UPDATE titrants SET name = ?, concentration = ?, "
                                         "unit = ?, validity_days = ? WHERE id = ?"));
            for (const QVariant &v : {QVariant(saved.name), QVariant(saved.concentration),
                     QVariant(saved.unit), QVariant(saved.validityDays), QVariant(saved.id)})
                query.addBindValue(v);
        }
        if (!query.exec())
            return fail(query.lastError().text());
        changed.newValues = titrantValues(saved);
        if (changed.oldValues == changed.newValues)
            return true;
        if (!appendCovering(changed, QStringLiteral("titrants"), RecordDigest::Titrant,
                QStringLiteral("uuid"), saved.uuid, entries, &m_lastError))
            return false;
        return true;
    });
    if (!written)
        return false;
    if (saved.id == 0) {
        const std::optional<qint64> id = idOf(QStringLiteral("titrants"), saved.uuid);
        if (!id)
            return false;
        saved.id = *id;
    }
    titrant = saved;
    return true;
}

std::vector<Journal::Titrant> JournalStore::titrants()
{
    std::vector<Journal::Titrant> all;
    QSqlQuery query(m_db);
    if (!query.exec(TitrantSelect + QStringLiteral(" ORDER BY name"))) {
        fail(query.lastError().text());
        return all;
    }
    while (query.next())
        all.push_back(titrantFrom(query));
    return all;
}

std::optional<Journal::Titrant> JournalStore::titrant(qint64 id)
{
    QSqlQuery query(m_db);
    query.prepare(TitrantSelect + QStringLiteral(" WHERE id = ?"));
    query.addBindValue(id);
    if (!query.exec() || !query.next()) {
        fail(query.lastError().isValid() ? query.lastError().text()
                                         : QStringLiteral("no titrant %1").arg(id));
        return std::nullopt;
    }
    return titrantFrom(query);
}

std::optional<qint64> JournalStore::addTiter(const Journal::Titer &titer)
{
    const QString uuid
        = titer.uuid.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : titer.uuid;
    const QDateTime at
        = titer.determined.isValid() ? titer.determined : QDateTime::currentDateTime();
    const bool written = audited([&](std::vector<Audit::Entry> &entries) {
        QSqlQuery insert(m_db);
        insert.prepare(QStringLiteral(
            "INSERT INTO titers (uuid, titrant_id, run_id, value, u, determined_at, "
            "determined_offset, operator, host, program_version, standard) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (uuid) DO NOTHING"));
        for (const QVariant &v : {QVariant(uuid), QVariant(titer.titrantId),
                 titer.runId > 0 ? QVariant(titer.runId) : QVariant(QMetaType(QMetaType::LongLong)),
                 QVariant(titer.value), QVariant(titer.u), QVariant(RecordCodec::timeText(at)),
                 QVariant(at.offsetFromUtc()), QVariant(titer.origin.operatorName),
                 QVariant(titer.origin.host), QVariant(titer.origin.programVersion),
                 QVariant(RecordCodec::methodText(titer.standard))})
            insert.addBindValue(v.isNull() || v.metaType().id() != QMetaType::QString
                    ? v
                    : QVariant(v.toString().isNull() ? QStringLiteral("") : v.toString()));
        if (!insert.exec())
            return fail(insert.lastError().text());
        if (insert.numRowsAffected() == 0)
            return true;
        const std::optional<Journal::Titrant> of = titrant(titer.titrantId);
        if (!of)
            return false;
        Audit::Entry determined = entry(Audit::Action::TiterDetermined, Audit::recordOfTiter(uuid));
        if (!titer.origin.operatorName.isEmpty())
            determined.origin = titer.origin;
        determined.newValues = {{QStringLiteral("titrant"), of->name},
            {QStringLiteral("value"), titer.value}, {QStringLiteral("u"), titer.u}};
        if (!appendCovering(determined, QStringLiteral("titers"), RecordDigest::Titer,
                QStringLiteral("uuid"), uuid, entries, &m_lastError))
            return false;
        return true;
    });
    if (!written)
        return std::nullopt;
    return idOf(QStringLiteral("titers"), uuid);
}

std::vector<Journal::Titer> JournalStore::titers(qint64 titrantId, int limit)
{
    std::vector<Journal::Titer> all;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("SELECT id, uuid, titrant_id, run_id, value, u, determined_at, "
                                 "determined_offset, operator, host, program_version, standard "
                                 "FROM titers WHERE titrant_id = ? ORDER BY determined_at DESC, "
                                 "id DESC")
        + (limit >= 0 ? QStringLiteral(" LIMIT %1").arg(limit) : QString()));
    query.addBindValue(titrantId);
    if (!query.exec()) {
        fail(query.lastError().text());
        return all;
    }
    while (query.next()) {
        Journal::Titer t;
        t.id = query.value(0).toLongLong();
        t.uuid = query.value(1).toString();
        t.titrantId = query.value(2).toLongLong();
        t.runId = query.value(3).isNull() ? 0 : query.value(3).toLongLong();
        t.value = query.value(4).toDouble();
        t.u = query.value(5).toDouble();
        t.determined = RecordCodec::timeFromText(query.value(6).toString(), query.value(7).toInt());
        t.origin
            = {query.value(8).toString(), query.value(9).toString(), query.value(10).toString()};
        t.standard = RecordCodec::methodFromText(query.value(11).toString());
        all.push_back(t);
    }
    return all;
}
