#include "runlocks.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QVariant>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

RunLocks::RunLocks(const JournalLocation &location, QSqlDatabase database)
    : m_location(location)
    , m_database(std::move(database))
{ }

RunLocks::~RunLocks()
{
    for (const QString &uuid : m_held.keys())
        release(uuid);
}

QString RunLocks::lockFile(const QString &uuid) const
{
    return m_location.path + QStringLiteral("-runs/") + uuid + QStringLiteral(".lock");
}

qint64 RunLocks::advisoryKey(const QString &uuid)
{
    const QByteArray digest = QCryptographicHash::hash(uuid.toUtf8(), QCryptographicHash::Sha1);
    qint64 key = 0;
    for (int i = 0; i < 8; ++i)
        key = (key << 8) | quint8(digest.at(i));
    return key;
}

bool RunLocks::tryServerLock(qint64 key)
{
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT pg_try_advisory_lock(?)"));
    query.addBindValue(key);
    return query.exec() && query.next() && query.value(0).toBool();
}

void RunLocks::serverUnlock(qint64 key)
{
    QSqlQuery query(m_database);
    query.prepare(QStringLiteral("SELECT pg_advisory_unlock(?)"));
    query.addBindValue(key);
    query.exec();
}

bool RunLocks::hold(const QString &uuid)
{
    if (m_held.contains(uuid))
        return true;
    if (m_location.engine == JournalLocation::Engine::PostgreSQL) {
        if (!tryServerLock(advisoryKey(uuid)))
            return false;
        m_held.insert(uuid, 0);
        return true;
    }
    QDir().mkpath(m_location.path + QStringLiteral("-runs"));
    const int fd
        = ::open(QFile::encodeName(lockFile(uuid)).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_held.insert(uuid, fd);
    return true;
}

void RunLocks::release(const QString &uuid)
{
    const auto it = m_held.find(uuid);
    if (it == m_held.end())
        return;
    if (m_location.engine == JournalLocation::Engine::PostgreSQL) {
        serverUnlock(advisoryKey(uuid));
    } else {
        QFile::remove(lockFile(uuid));
        ::close(it.value());
    }
    m_held.erase(it);
}

bool RunLocks::isHeld(const QString &uuid)
{
    if (m_held.contains(uuid))
        return true;
    if (m_location.engine == JournalLocation::Engine::PostgreSQL) {
        const qint64 key = advisoryKey(uuid);
        if (!tryServerLock(key))
            return true;
        serverUnlock(key);
        return false;
    }
    const QByteArray path = QFile::encodeName(lockFile(uuid));
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false; // its writer died before it took the lock, or long ago
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (!held)
        ::unlink(path.constData());
    ::close(fd);
    return held;
}

void RunLocks::holdAgain()
{
    if (m_location.engine != JournalLocation::Engine::PostgreSQL)
        return; // file locks stay with the process
    for (const QString &uuid : m_held.keys())
        tryServerLock(advisoryKey(uuid));
}
