#include "rskanal.h"

#include "link/portsettings.h"

#include <QFileInfo>
#include <QSettings>

#include <poll.h>

namespace {

// Rounds of collecting what the device holds before a close; each takes up to Qt's read chunk.
constexpr int MaxCollectRounds = 64;
// A command is a few characters; the device takes them at once unless it is stuck.
constexpr int WriteTimeoutMs = 2000;

// True when the device takes output now: a write then does not have to wait.
bool writable(qintptr descriptor)
{
    if (descriptor < 0)
        return false;
    pollfd fd {int(descriptor), POLLOUT, 0};
    return ::poll(&fd, 1, 0) > 0 && (fd.revents & POLLOUT) != 0;
}

// True when the device reports a hang-up or an error on its descriptor: what a read error
// looks like when the other end of a pseudo-terminal closed or an adapter was pulled.
bool hungUp(qintptr descriptor)
{
    if (descriptor < 0)
        return true;
    pollfd fd {int(descriptor), POLLIN, 0};
    if (::poll(&fd, 1, 0) < 0)
        return false;
    return (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

} // namespace

RsKanal::RsKanal(QSettings &settings, QObject *parent)
    : AbstractSerialPort(parent)
    , m_settings(settings)
{
    connect(&m_port, &QSerialPort::readyRead, this, &RsKanal::readWaiting);
    connect(&m_port, &QSerialPort::errorOccurred, this, &RsKanal::handleError);
    // Writes go out from the event loop; one that makes no progress within the bound fails.
    m_writeTimer.setSingleShot(true);
    m_writeTimer.setInterval(WriteTimeoutMs);
    connect(&m_port, &QSerialPort::bytesWritten, this, &RsKanal::watchOutput);
    connect(&m_writeTimer, &QTimer::timeout, this,
        [this] { dropOutput(tr("The device did not take the command.")); });
}

RsKanal::~RsKanal()
{
    m_port.disconnect(this);
    if (m_port.isOpen())
        m_port.close();
}

void RsKanal::setCommPort(int channel)
{
    m_channel = channel;
}

QString RsKanal::devicePath() const
{
    if (m_port.isOpen())
        return m_openPath;
    return PortSettings(m_settings).devicePath(m_channel);
}

bool RsKanal::setPortOpen(bool open, QString *error)
{
    if (open)
        return this->open(error);
    if (m_port.isOpen()) {
        // A close throws away what the port still holds to write: hand it over first.
        pushOutput();
        const bool lost = m_port.bytesToWrite() > 0;
        m_port.close();
        m_writeTimer.stop();
        if (lost)
            reportWriteFailure(tr("The device did not take the command."));
    }
    m_buffer.clear();
    m_readPos = 0;
    return true;
}

bool RsKanal::open(QString *error)
{
    if (m_port.isOpen())
        return true;
    const QString path = PortSettings(m_settings).devicePath(m_channel);
    if (path.isEmpty()) {
        if (error)
            *error = tr("Channel %1 has no device.").arg(m_channel);
        return false;
    }
    m_port.setPortName(path); // a full path is taken as it stands
    if (!m_port.open(QIODevice::ReadWrite)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, m_port.errorString());
        m_port.clearError();
        return false;
    }
    m_openPath = path;
    m_buffer.clear();
    m_readPos = 0;
    applyLineSettings();
    return true;
}

void RsKanal::applyLineSettings()
{
    // Set one by one after the open: a device that refuses one of them (a pseudo-terminal keeps
    // 8 bits and no parity) is still usable, so a refusal is not a failure to open.
    const PortSettings ports(m_settings);
    m_port.setBaudRate(BaudRate);
    m_port.setDataBits(DataBits);
    m_port.setParity(ports.parity());
    m_port.setStopBits(ports.stopBits());
    m_port.setFlowControl(ports.flowControl());
    m_port.clearError();
}

bool RsKanal::output(const QString &text, QString *error)
{
    if (!m_port.isOpen()) {
        if (error)
            *error = tr("The serial port is not open.");
        return false;
    }
    const QByteArray bytes = text.toLatin1();
    if (m_port.write(bytes) != bytes.size()) {
        if (error)
            *error = m_port.errorString();
        m_port.clearError();
        return false;
    }
    // Never wait for the device here: waiting would block the window and deliver received
    // characters in the middle of the write. What the device does not take now goes out from
    // the event loop.
    pushOutput();
    watchOutput();
    return true;
}

void RsKanal::pushOutput()
{
    if (m_port.isOpen() && m_port.bytesToWrite() > 0 && writable(m_port.handle()))
        m_port.flush();
}

void RsKanal::watchOutput()
{
    if (m_port.isOpen() && m_port.bytesToWrite() > 0)
        m_writeTimer.start(); // (re)started by every bit of progress
    else
        m_writeTimer.stop();
}

void RsKanal::dropOutput(const QString &reason)
{
    m_writeTimer.stop();
    if (!m_port.isOpen() || m_port.bytesToWrite() == 0)
        return;
    m_port.clear(QSerialPort::Output);
    m_port.clearError();
    reportWriteFailure(reason);
}

void RsKanal::reportWriteFailure(const QString &reason)
{
    // From the event loop, not from inside the operation that found it.
    QMetaObject::invokeMethod(
        this, [this, reason] { emit writeFailed(reason); }, Qt::QueuedConnection);
}

int RsKanal::inBufferCount() const
{
    return int(m_buffer.size() - m_readPos);
}

QChar RsKanal::input()
{
    if (m_readPos >= m_buffer.size())
        return QChar();
    const QChar c = QChar::fromLatin1(m_buffer.at(m_readPos++));
    if (m_readPos == m_buffer.size()) {
        m_buffer.clear();
        m_readPos = 0;
    }
    return c;
}

void RsKanal::readWaiting()
{
    QByteArray data = m_port.readAll();
    if (data.isEmpty())
        return;
    if (DataBits == QSerialPort::Data7) {
        // A 7-bit line never delivers the eighth bit; a device that kept 8 bits may.
        for (char &byte : data)
            byte = char(byte & 0x7f);
    }
    if (m_readPos > 0) {
        m_buffer.remove(0, m_readPos);
        m_readPos = 0;
    }
    m_buffer.append(data);
    m_commEvent = EventReceive;
    if (!m_quiet)
        emit onComm();
}

void RsKanal::takeWaitingInput()
{
    if (!m_port.isOpen())
        return;
    m_quiet = true;
    for (int round = 0; round < MaxCollectRounds && m_port.isOpen(); ++round) {
        if (!m_port.waitForReadyRead(0))
            break;
    }
    if (m_port.isOpen() && m_port.bytesAvailable() > 0)
        readWaiting();
    m_quiet = false;
}

void RsKanal::handleError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || !m_port.isOpen())
        return;
    if (error == QSerialPort::WriteError) {
        dropOutput(QStringLiteral("%1: %2").arg(m_openPath, m_port.errorString()));
        return;
    }
    // A read error on a device that hung up or vanished means it is gone for good; Qt would
    // otherwise report it again on every notification.
    const bool gone = error == QSerialPort::ResourceError
        || (error == QSerialPort::ReadError
            && (hungUp(m_port.handle()) || !QFileInfo::exists(m_openPath)));
    if (!gone)
        return;
    const QString reason = QStringLiteral("%1: %2").arg(m_openPath, m_port.errorString());
    // Keep what was received; only the device goes.
    m_port.close();
    m_writeTimer.stop();
    // Reported from the event loop, not from inside the port's own notification.
    QMetaObject::invokeMethod(
        this, [this, reason] { emit portLost(reason); }, Qt::QueuedConnection);
}
