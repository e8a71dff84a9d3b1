#pragma once

#include "support/pgcluster.h"

#include <QCommandLineParser>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QString>

#include <optional>

// What the journal's benchmark programs share: a PostgreSQL server of their own that syncs its
// commits like a lab server does, and what to say about the machine the figures come from.
namespace JournalBench {

// Starts `cluster`, makes `database` and returns its URL. The test cluster does not sync to
// disk; `fsync` turns that on again, so that a commit costs what it costs on a real server.
inline std::optional<QString> startServer(
    PgCluster &cluster, const QString &database, bool fsync, QString *error)
{
    if (!cluster.start(error) || !cluster.createDatabase(database, error))
        return std::nullopt;
    if (fsync
        && (!cluster.execute(
                QStringLiteral("postgres"), QStringLiteral("ALTER SYSTEM SET fsync = on"), error)
            || !cluster.execute(
                QStringLiteral("postgres"), QStringLiteral("SELECT pg_reload_conf()"), error)))
        return std::nullopt;
    return cluster.url(database);
}

// "fsync=on synchronous_commit=on" as the server reports it on `db`.
inline QString serverSyncSettings(const QSqlDatabase &db)
{
    QString text;
    for (const char *name : {"fsync", "synchronous_commit", "server_version"}) {
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("SHOW %1").arg(QLatin1StringView(name))) && query.next())
            text
                += QStringLiteral("%1=%2 ").arg(QLatin1StringView(name), query.value(0).toString());
    }
    return text.trimmed();
}

// "ext4 on /dev/vda (/)" for the file system that holds `path`.
inline QString fileSystemOf(const QString &path)
{
    const QStorageInfo info(path);
    return QStringLiteral("%1 on %2 (mounted at %3)")
        .arg(QString::fromLatin1(info.fileSystemType()), QString::fromLatin1(info.device()),
            info.rootPath());
}

// The load averages over 1, 5 and 15 minutes.
inline QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    const QList<QByteArray> parts = file.readAll().split(' ');
    return parts.size() >= 3 ? QString::fromLatin1(parts[0] + ' ' + parts[1] + ' ' + parts[2])
                             : QStringLiteral("unknown");
}

} // namespace JournalBench

// A set option's value as a positive whole number into `value`; false when it is none.
inline bool readPositive(
    const QCommandLineParser &parser, const QCommandLineOption &option, int &value)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const int number = parser.value(option).toInt(&ok);
    if (!ok || number < 1)
        return false;
    value = number;
    return true;
}
