#include "journalcopy.h"

#include "journal/journalstore.h"
#include "journal/rowtext.h"
#include "journal/schema.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <algorithm>

namespace JournalCopy {

namespace {

// Made by the schema of every journal; its rows are replaced by the source's.
const QString MetaTable = QStringLiteral("journal_meta");

struct Layout
{
    QStringList columns;
    QStringList key; // the primary key, or every column
    bool textKey = false; // sorted here: the engines' collations order text differently
};

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

std::optional<Layout> layoutOf(QSqlDatabase &db, const QString &table, QString *error)
{
    const QSqlRecord record = db.record(table);
    if (record.isEmpty()) {
        fail(error,
            QStringLiteral("the table %1 cannot be read: %2").arg(table, db.lastError().text()));
        return std::nullopt;
    }
    Layout layout;
    for (int i = 0; i < record.count(); ++i)
        layout.columns << record.fieldName(i);
    const QSqlIndex index = db.primaryIndex(table);
    for (int i = 0; i < index.count(); ++i)
        layout.key << index.fieldName(i);
    if (layout.key.isEmpty())
        layout.key = layout.columns;
    for (const QString &column : layout.key)
        layout.textKey |= record.field(column).metaType().id() == QMetaType::QString;
    return layout;
}

QString selectAll(const QString &table, const Layout &layout)
{
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(layout.columns.join(u','), table);
    if (!layout.textKey)
        sql += QStringLiteral(" ORDER BY ") + layout.key.join(u',');
    return sql;
}

bool keyLess(const QVariantList &a, const QVariantList &b)
{
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QVariant &x = a.at(i);
        const QVariant &y = b.at(i);
        const bool numbers
            = x.metaType().id() != QMetaType::QString && y.metaType().id() != QMetaType::QString;
        if (numbers ? x.toDouble() == y.toDouble() : x.toString() == y.toString())
            continue;
        return numbers ? x.toDouble() < y.toDouble() : x.toString() < y.toString();
    }
    return false;
}

std::optional<TableDigest> digestOf(
    QSqlDatabase &db, const QString &table, const Layout &layout, QString *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(!layout.textKey);
    if (!query.exec(selectAll(table, layout))) {
        fail(error,
            QStringLiteral("the table %1 cannot be read: %2").arg(table, query.lastError().text()));
        return std::nullopt;
    }
    QList<int> keyColumns;
    for (const QString &column : layout.key)
        keyColumns << int(layout.columns.indexOf(column));
    std::vector<std::pair<QVariantList, QByteArray>> rows;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData((table + u'\n' + layout.columns.join(u',') + u'\n').toUtf8());
    TableDigest digest {table, 0, {}};
    while (query.next()) {
        QByteArray line = RowText::of(query, 0, int(layout.columns.size())) + '\n';
        ++digest.rows;
        if (!layout.textKey) {
            hash.addData(line);
            continue;
        }
        QVariantList key;
        for (int column : keyColumns)
            key << query.value(column);
        rows.emplace_back(std::move(key), std::move(line));
    }
    if (query.lastError().isValid()) {
        fail(error,
            QStringLiteral("the table %1 cannot be read: %2").arg(table, query.lastError().text()));
        return std::nullopt;
    }
    std::sort(rows.begin(), rows.end(),
        [](const auto &a, const auto &b) { return keyLess(a.first, b.first); });
    for (const auto &row : rows)
        hash.addData(row.second);
    digest.sha256 = hash.result().toHex();
    return digest;
}

// Whether any table but the meta table holds a row.
std::optional<bool> holdsRows(QSqlDatabase db, QString *error)
{
    for (const QString &table : Schema::tables()) {
        if (table == MetaTable)
            continue;
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)) || !query.next()) {
            fail(error, query.lastError().text());
            return std::nullopt;
        }
        if (query.value(0).toLongLong() > 0)
            return true;
    }
    return false;
}

enum class Failure { None, Read, Write };

Failure copyTable(QSqlDatabase &from, QSqlDatabase &to, const QString &table, const Layout &layout,
    QString *error)
{
    QSqlQuery read(from);
    read.setForwardOnly(true);
    if (!read.exec(selectAll(table, layout))) {
        fail(error, QStringLiteral("%1: %2").arg(table, read.lastError().text()));
        return Failure::Read;
    }
    QStringList marks;
    for (qsizetype i = 0; i < layout.columns.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery insert(to);
    if (!insert.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(table, layout.columns.join(u','), marks.join(u',')))) {
        fail(error, QStringLiteral("%1: %2").arg(table, insert.lastError().text()));
        return Failure::Write;
    }
    while (read.next()) {
        for (int i = 0; i < layout.columns.size(); ++i) {
            const QVariant value = read.value(i);
            // A null QString binds as NULL; an empty text stays empty text.
            const bool emptyText = !value.isNull() && value.metaType().id() == QMetaType::QString
                && value.toString().isEmpty();
            insert.bindValue(i, emptyText ? QVariant(QStringLiteral("")) : value);
        }
        if (!insert.exec()) {
            fail(error, QStringLiteral("%1: %2").arg(table, insert.lastError().text()));
            return Failure::Write;
        }
    }
    if (read.lastError().isValid()) {
        fail(error, QStringLiteral("%1: %2").arg(table, read.lastError().text()));
        return Failure::Read;
    }
    return Failure::None;
}

Failure copyTables(JournalStore &source, JournalStore &target, QString *error)
{
    QSqlDatabase from = source.database();
    QSqlDatabase to = target.database();
    for (const QString &table : Schema::tables()) {
        const auto layout = layoutOf(from, table, error);
        if (!layout)
            return Failure::Read;
        const QSqlRecord targetRecord = to.record(table);
        for (const QString &column : layout->columns) {
            if (!targetRecord.contains(column)) {
                fail(error,
                    QStringLiteral("the target's table %1 has no column %2").arg(table, column));
                return Failure::Write;
            }
        }
        QSqlQuery clear(to);
        if (table == MetaTable && !clear.exec(QStringLiteral("DELETE FROM %1").arg(table))) {
            fail(error, clear.lastError().text());
            return Failure::Write;
        }
        if (const Failure f = copyTable(from, to, table, *layout, error); f != Failure::None)
            return f;
        if (layout->key != QStringList {QStringLiteral("id")})
            continue;
        for (const QString &sql : target.dialect().resetIdCounter(table)) {
            QSqlQuery reset(to);
            if (!reset.exec(sql)) {
                fail(error, reset.lastError().text());
                return Failure::Write;
            }
        }
    }
    return Failure::None;
}

// A consistent view of the source for the copy and its digests, while others may write.
bool beginSnapshot(JournalStore &source, QString *error)
{
    QSqlDatabase db = source.database();
    if (!db.transaction())
        return fail(error, db.lastError().text());
    if (source.dialect().isSQLite())
        return true; // a read transaction on a WAL journal sees one state throughout
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY")))
        return true;
    fail(error, query.lastError().text());
    db.rollback();
    return false;
}

Outcome failed(Status status, const QString &message)
{
    Outcome outcome;
    outcome.status = status;
    outcome.message = message;
    return outcome;
}

} // namespace

std::optional<std::vector<TableDigest>> digests(QSqlDatabase db, QString *error)
{
    std::vector<TableDigest> all;
    for (const QString &table : Schema::tables()) {
        const auto layout = layoutOf(db, table, error);
        if (!layout)
            return std::nullopt;
        auto digest = digestOf(db, table, *layout, error);
        if (!digest)
            return std::nullopt;
        all.push_back(std::move(*digest));
    }
    return all;
}

std::vector<TableCheck> compare(
    const std::vector<TableDigest> &source, const std::vector<TableDigest> &target)
{
    std::vector<TableCheck> checks;
    for (const TableDigest &s : source) {
        TableCheck check {s.table, s, {s.table, -1, {}}};
        for (const TableDigest &t : target) {
            if (t.table == s.table)
                check.target = t;
        }
        checks.push_back(check);
    }
    for (const TableDigest &t : target) {
        const bool known = std::any_of(source.begin(), source.end(),
            [&t](const TableDigest &s) { return s.table == t.table; });
        if (!known)
            checks.push_back({t.table, {t.table, -1, {}}, t});
    }
    return checks;
}

Outcome copy(JournalStore &source, JournalStore &target)
{
    const QString from = source.location().displayName();
    const QString to = target.location().displayName();
    if (source.location() == target.location())
        return failed(Status::SameJournal,
            QStringLiteral("The journal \"%1\" cannot be copied onto itself.").arg(from));
    QString error;
    const auto full = holdsRows(target.database(), &error);
    if (!full)
        return failed(Status::WriteFailed,
            QStringLiteral("The journal \"%1\" cannot be read: %2").arg(to, error));
    if (*full)
        return failed(Status::TargetNotEmpty,
            QStringLiteral("The journal \"%1\" already holds runs; a copy goes only into an "
                           "empty journal.")
                .arg(to));
    if (!beginSnapshot(source, &error))
        return failed(Status::ReadFailed,
            QStringLiteral("The journal \"%1\" cannot be read: %2").arg(from, error));
    QSqlDatabase in = source.database();
    QSqlDatabase out = target.database();
    const auto abandon = [&](Status status, const QString &message) {
        out.rollback();
        in.rollback();
        return failed(status, message);
    };
    if (!out.transaction())
        return abandon(Status::WriteFailed,
            QStringLiteral("The journal \"%1\" cannot be written: %2")
                .arg(to, out.lastError().text()));
    const Failure failure = copyTables(source, target, &error);
    if (failure == Failure::Read)
        return abandon(Status::ReadFailed,
            QStringLiteral("The journal \"%1\" cannot be read: %2").arg(from, error));
    if (failure == Failure::Write || !out.commit())
        return abandon(Status::WriteFailed,
            QStringLiteral("The journal \"%1\" cannot be written: %2")
                .arg(to, failure == Failure::Write ? error : out.lastError().text()));
    const auto sourceDigests = digests(in, &error);
    in.rollback();
    if (!sourceDigests)
        return failed(Status::ReadFailed,
            QStringLiteral("The journal \"%1\" cannot be read: %2").arg(from, error));
    const auto targetDigests = digests(out, &error);
    if (!targetDigests)
        return failed(Status::CheckFailed,
            QStringLiteral("The copy \"%1\" cannot be read back: %2").arg(to, error));
    Outcome outcome;
    outcome.checks = compare(*sourceDigests, *targetDigests);
    for (const TableCheck &check : outcome.checks) {
        if (!check.matches()) {
            outcome.status = Status::CheckFailed;
            outcome.message = QStringLiteral("The copy \"%1\" differs from its source in the "
                                             "table %2.")
                                  .arg(to, check.table);
            return outcome;
        }
    }
    // The copy's trail goes on from the source's, and says where it came from.
    Audit::Entry copied;
    copied.action = Audit::Action::Copied;
    copied.record = QStringLiteral("journal");
    copied.oldValues = {{QStringLiteral("journal"), from}};
    QVariantMap tables;
    for (const TableCheck &check : outcome.checks)
        tables.insert(check.table, QString::fromLatin1(check.source.sha256));
    copied.newValues = {{QStringLiteral("journal"), to}, {QStringLiteral("tables"), tables}};
    if (!target.recordChange(copied)) {
        outcome.status = Status::WriteFailed;
        outcome.message = QStringLiteral("The copy \"%1\" is complete, but its audit trail "
                                         "could not record it: %2")
                              .arg(to, target.lastError());
    }
    return outcome;
}

} // namespace JournalCopy
