#pragma once

#include "common/clock.h"
#include "link/instrumentlink.h"
#include "link/portsettings.h"
#include "link/rskanal.h"
#include "model/settingsrecord.h"
#include "support/fakedocument.h"
#include "titration/manualcommands.h"

#include <QDeadlineTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// The program's side of the line as the main window wires it, with channel 1 at a raw
// pseudo-terminal whose other end the test plays (holding the device end open too, so the
// program can close and reopen it). Received lines are collected.
struct PtyRig
{
    QTemporaryDir dir;
    QSettings store {dir.filePath(QStringLiteral("kalumet.ini")), QSettings::IniFormat};
    int master = -1, device = -1;
    QString devicePath;
    SettingsRecord settings;
    RsKanal port {store};
    InstrumentLink link {port, settings};
    FakeDocumentHost documents;
    SystemClock clock;
    ManualCommands commands {link, documents, clock};
    QStringList lines;
    QByteArray written; // by the program, not yet taken by receive()

    explicit PtyRig(QChar decimal = u',')
    {
        char name[256] = {};
        if (::openpty(&master, &device, name, nullptr, nullptr) == 0) {
            for (int fd : {master, device}) {
                termios tio {};
                ::tcgetattr(fd, &tio);
                ::cfmakeraw(&tio);
                ::tcsetattr(fd, TCSANOW, &tio);
            }
            ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
            devicePath = QString::fromLocal8Bit(name);
        }
        settings.separators.decimal = decimal;
        setDeviceMissing(false);
        link.setLineHandler([this](const QString &line) { lines << line; });
    }
    ~PtyRig()
    {
        ::close(master);
        ::close(device);
    }
    void setDeviceMissing(bool missing)
    {
        PortSettings(store).setDevicePath(
            1, missing ? dir.filePath(QStringLiteral("no-such-tty")) : devicePath);
    }
    // Fills the line towards the test's end until it takes no more, so the program's writes
    // stall as on a device that stopped reading. The kernel moves what was written on in the
    // background, which makes room again for a moment: fill until it stays full.
    bool fillTowardsTheTest()
    {
        ::fcntl(device, F_SETFL, ::fcntl(device, F_GETFL) | O_NONBLOCK);
        const QByteArray chunk(4096, 'x');
        for (int i = 0; i < 4096; ++i) {
            if (::write(device, chunk.constData(), size_t(chunk.size())) >= 0)
                continue;
            if (errno != EAGAIN)
                return false;
            pollfd fd {device, POLLOUT, 0};
            if (::poll(&fd, 1, 500) == 0)
                return true;
        }
        return false;
    }
    bool send(const QByteArray &bytes)
    {
        return ::write(master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    // What the program wrote, once `size` bytes have come or five seconds have passed.
    QByteArray receive(qsizetype size)
    {
        const QDeadlineTimer deadline(5000);
        char buffer[256];
        while (written.size() < size && !deadline.hasExpired()) {
            pollfd fd {master, POLLIN, 0};
            if (::poll(&fd, 1, int(qMax<qint64>(1, deadline.remainingTime()))) > 0)
                written.append(buffer, qMax<ssize_t>(::read(master, buffer, sizeof buffer), 0));
        }
        const QByteArray taken = written.left(size);
        written.remove(0, taken.size());
        return taken;
    }
    // Characters taken in so far: whole lines and the line being gathered.
    qsizetype received() const { return lines.join(QString()).size() + link.Zeile().size(); }
};
