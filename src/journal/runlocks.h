#pragma once

#include "journal/journallocation.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>

// Whether the process that writes a run is still alive. Its writer holds a lock on the run
// for as long as it writes it, and the operating system or the server lets go of that lock
// when the process dies, however it dies: a file lock (flock) beside an SQLite journal, a
// session advisory lock on a PostgreSQL server, which also covers other workstations.
class RunLocks
{
public:
    RunLocks(const JournalLocation &location, QSqlDatabase database);
    ~RunLocks();
    RunLocks(const RunLocks &) = delete;
    RunLocks &operator=(const RunLocks &) = delete;

    // Takes the run's lock for this process; false when another process holds it.
    bool hold(const QString &uuid);
    void release(const QString &uuid);
    // Whether a live process (this one included) holds the run's lock.
    bool isHeld(const QString &uuid);
    // Takes the locks again after the connection to the server was made anew.
    void holdAgain();

private:
    QString lockFile(const QString &uuid) const;
    static qint64 advisoryKey(const QString &uuid);
    bool tryServerLock(qint64 key);
    void serverUnlock(qint64 key);

    JournalLocation m_location;
    QSqlDatabase m_database;
    QHash<QString, int> m_held; // uuid -> file descriptor (SQLite) or 0 (PostgreSQL)
};
