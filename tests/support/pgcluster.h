#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <optional>
#include <pwd.h>
#include <unistd.h>

// A PostgreSQL server of the test's own: a fresh cluster in a temporary directory, reachable only
// through a Unix socket there, so no server the machine already runs is ever touched.
// initdb refuses root, so under root the cluster belongs to the `postgres` user.
class PgCluster
{
public:
    PgCluster() = default;
    PgCluster(const PgCluster &) = delete;
    PgCluster &operator=(const PgCluster &) = delete;
    ~PgCluster()
    {
        if (m_running)
            pgCtl({"stop", "-m", "immediate"});
    }

    bool start(QString *error)
    {
        m_bin = binDirectory();
        if (m_bin.isEmpty())
            return fail(error, QStringLiteral("no PostgreSQL server binaries (initdb) found"));
        // Under root the cluster's owner must reach the directory: the system temp path's parents
        // may be closed to it, /tmp never is.
        m_tmp.emplace((asRoot() ? QStringLiteral("/tmp") : QDir::tempPath())
            + QStringLiteral("/kalumet-pg-XXXXXX"));
        if (!m_tmp->isValid())
            return fail(error, QStringLiteral("no temporary directory: ") + m_tmp->errorString());
        if (!QDir(m_tmp->path()).mkdir(QStringLiteral("socket")) || !handOver(m_tmp->path())
            || !handOver(socketDirectory()))
            return fail(error, QStringLiteral("cannot prepare ") + m_tmp->path());
        m_port = 55432 + int(QCoreApplication::applicationPid() % 1000);
        const QStringList init = {"-D", dataDirectory(), "-A", "trust", "-E", "UTF8", "--locale=C",
            "-U", superuser(), "--no-sync"};
        if (!run(QStringLiteral("initdb"), init, 120000, error))
            return false;
        QFile conf(dataDirectory() + QStringLiteral("/postgresql.conf"));
        if (!conf.open(QIODevice::Append | QIODevice::Text))
            return fail(error, QStringLiteral("cannot write ") + conf.fileName());
        conf.write(QStringLiteral("listen_addresses = ''\n"
                                  "unix_socket_directories = '%1'\n"
                                  "port = %2\n"
                                  "fsync = off\n")
                       .arg(socketDirectory())
                       .arg(m_port)
                       .toUtf8());
        conf.close();
        return startAgain(error);
    }

    bool startAgain(QString *error = nullptr)
    {
        if (!pgCtl({"start", "-l", logFile()}, error))
            return false;
        m_running = true;
        return true;
    }

    bool stop(QString *error = nullptr)
    {
        if (!pgCtl({"stop", "-m", "fast"}, error))
            return false;
        m_running = false;
        return true;
    }

    QString directory() const { return m_tmp ? m_tmp->path() : QString(); }
    QString socketDirectory() const { return directory() + QStringLiteral("/socket"); }
    QString dataDirectory() const { return directory() + QStringLiteral("/data"); }
    QString logFile() const { return directory() + QStringLiteral("/server.log"); }
    QString superuser() const
    {
        if (asRoot())
            return QStringLiteral("postgres");
        const passwd *pw = getpwuid(geteuid());
        return pw ? QString::fromLocal8Bit(pw->pw_name) : qEnvironmentVariable("USER");
    }

    // The libpq URI the program accepts; host names the socket directory.
    QString url(const QString &database, const QString &user = {}) const
    {
        const QString who = user.isEmpty() ? superuser() : user;
        return QStringLiteral("postgresql://%1@/%2?host=%3&port=%4")
            .arg(QString::fromLatin1(QUrl::toPercentEncoding(who)),
                QString::fromLatin1(QUrl::toPercentEncoding(database)),
                QString::fromLatin1(QUrl::toPercentEncoding(socketDirectory())),
                QString::number(m_port));
    }

    bool createDatabase(const QString &name, QString *error = nullptr)
    {
        QString quoted = name;
        quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return execute(QStringLiteral("postgres"),
            QStringLiteral("CREATE DATABASE \"%1\"").arg(quoted), error);
    }

    // Runs one statement as the superuser, behind the back of whatever the test examines.
    bool execute(const QString &database, const QString &sql, QString *error = nullptr)
    {
        static std::atomic<int> serial {0};
        const QString name = QStringLiteral("pgcluster-%1").arg(++serial);
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            db.setHostName(socketDirectory());
            db.setPort(m_port);
            db.setUserName(superuser());
            db.setDatabaseName(database);
            if (!db.open()) {
                fail(error, db.lastError().text());
            } else {
                QSqlQuery query(db);
                ok = query.exec(sql);
                if (!ok)
                    fail(error, query.lastError().text());
            }
        }
        QSqlDatabase::removeDatabase(name);
        return ok;
    }

private:
    static bool asRoot() { return geteuid() == 0; }

    static bool fail(QString *error, const QString &text)
    {
        if (error)
            *error = text;
        return false;
    }

    // The newest server version Debian installed.
    static QString binDirectory()
    {
        QDir versions(QStringLiteral("/usr/lib/postgresql"));
        QStringList names = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        std::sort(names.begin(), names.end(),
            [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
        for (const QString &v : names) {
            const QString dir = versions.filePath(v) + QStringLiteral("/bin");
            if (QFile::exists(dir + QStringLiteral("/initdb")))
                return dir;
        }
        return {};
    }

    bool handOver(const QString &path) const
    {
        if (!asRoot())
            return true;
        const passwd *pw = getpwnam("postgres");
        return pw && ::chown(QFile::encodeName(path).constData(), pw->pw_uid, pw->pw_gid) == 0;
    }

    bool pgCtl(QStringList args, QString *error = nullptr)
    {
        args += {"-D", dataDirectory(), "-w", "-t", "60"};
        return run(QStringLiteral("pg_ctl"), args, 90000, error);
    }

    bool run(const QString &tool, const QStringList &args, int timeoutMs, QString *error)
    {
        QString program = m_bin + QLatin1Char('/') + tool;
        QStringList arguments = args;
        if (asRoot()) {
            arguments = QStringList {"-u", "postgres", "--", program} + args;
            program = QStringLiteral("runuser");
        }
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setWorkingDirectory(m_tmp->path());
        process.start(program, arguments);
        const bool finished = process.waitForFinished(timeoutMs);
        const QString output = QString::fromLocal8Bit(process.readAll());
        if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            return true;
        if (!finished)
            process.kill();
        QFile log(logFile());
        const QString serverLog = log.open(QIODevice::ReadOnly)
            ? QStringLiteral("\nserver log:\n") + QString::fromLocal8Bit(log.readAll())
            : QString();
        return fail(error,
            QStringLiteral("%1 %2 failed (%3):\n%4%5")
                .arg(program, arguments.join(QLatin1Char(' ')),
                    finished ? QStringLiteral("exit %1").arg(process.exitCode())
                             : process.errorString(),
                    output, serverLog));
    }

    std::optional<QTemporaryDir> m_tmp;
    QString m_bin;
    int m_port = 0;
    bool m_running = false;
};
