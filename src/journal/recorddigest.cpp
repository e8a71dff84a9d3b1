#include "recorddigest.h"

#include "journal/rowtext.h"

#include <QSqlError>
#include <QSqlQuery>

namespace RecordDigest {

namespace {

std::optional<QByteArray> failed(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return std::nullopt;
}

} // namespace

QString qualified(Columns columns, QChar alias)
{
    QStringList names = QString::fromLatin1(columns.names).split(QStringLiteral(", "));
    for (QString &name : names)
        name.prepend(QString(alias) + u'.');
    return names.join(QStringLiteral(", "));
}

void ReadingsDigest::addReading(const QSqlQuery &query, int first)
{
    m_line.clear();
    RowText::append(m_line, query, first, Reading.count);
    m_line += '\n';
    m_hash.addData(m_line);
}

QByteArray ReadingsDigest::hex()
{
    return m_hash.result().toHex();
}

QByteArray runEnd(const QByteArray &endRow, const QByteArray &readingsHex)
{
    return RowText::sha256Hex(endRow + '\n' + readingsHex);
}

std::optional<QByteArray> ofRow(QSqlDatabase &db, const QString &table, Columns columns,
    const QString &key, const QVariant &value, QString *error)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                      .arg(QLatin1StringView(columns.names), table, key));
    query.addBindValue(value);
    if (!query.exec())
        return failed(error, query.lastError().text());
    if (!query.next())
        return failed(
            error, QStringLiteral("no row of %1 with %2 %3").arg(table, key, value.toString()));
    return RowText::sha256Hex(RowText::of(query, 0, columns.count));
}

std::optional<QByteArray> ofRunEnd(QSqlDatabase &db, qint64 runId, QString *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT %1 FROM runs WHERE id = ?").arg(QLatin1StringView(RunEnd.names)));
    query.addBindValue(runId);
    if (!query.exec())
        return failed(error, query.lastError().text());
    if (!query.next())
        return failed(error, QStringLiteral("no run %1").arg(runId));
    const QByteArray endRow = RowText::of(query, 0, RunEnd.count);
    ReadingsDigest readings;
    query.prepare(QStringLiteral("SELECT %1 FROM readings WHERE run_id = ? ORDER BY seq")
                      .arg(QLatin1StringView(Reading.names)));
    query.addBindValue(runId);
    if (!query.exec())
        return failed(error, query.lastError().text());
    while (query.next())
        readings.addReading(query, 0);
    if (query.lastError().isValid())
        return failed(error, query.lastError().text());
    return runEnd(endRow, readings.hex());
}

} // namespace RecordDigest
