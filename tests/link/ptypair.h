#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal pair for serial tests: the program opens `path`, the test plays the device
// on the other end. Both ends raw; the test also holds the device end open, as the simulated
// titrator does, so the program can close and reopen it without a hang-up.
class PtyPair
{
public:
    PtyPair()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_device, name, nullptr, nullptr) != 0)
            return;
        for (int fd : {m_master, m_device}) {
            termios tio {};
            ::tcgetattr(fd, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(fd, TCSANOW, &tio);
        }
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        path = QString::fromLocal8Bit(name);
    }
    ~PtyPair() { hangUp(); }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return m_master >= 0; }

    // What the device sends.
    bool send(const QByteArray &bytes)
    {
        return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // What the program wrote, once `size` bytes have come or five seconds have passed.
    QByteArray receive(qsizetype size)
    {
        const QDeadlineTimer deadline(5000);
        char buffer[256];
        while (m_received.size() < size && !deadline.hasExpired()) {
            pollfd fd {m_master, POLLIN, 0};
            if (::poll(&fd, 1, int(qMax<qint64>(1, deadline.remainingTime()))) > 0) {
                const ssize_t n = ::read(m_master, buffer, sizeof buffer);
                m_received.append(buffer, qMax<ssize_t>(n, 0));
            }
        }
        const QByteArray taken = m_received.left(size);
        m_received.remove(0, taken.size());
        return taken;
    }

    // The device goes away: the program's side sees a hang-up.
    void hangUp()
    {
        for (int fd : {m_master, m_device}) {
            if (fd >= 0)
                ::close(fd);
        }
        m_master = m_device = -1;
    }

    QString path;

private:
    int m_master = -1;
    int m_device = -1;
    QByteArray m_received;
};
