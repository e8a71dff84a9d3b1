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
    if (m_port.isOpen())
        m_port.close();
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
    // Hand the bytes to the device now: the port may be closed right after this write.
    m_port.flush();
    if (m_port.bytesToWrite() > 0 && !m_port.waitForBytesWritten(WriteTimeoutMs)) {
        if (error)
            *error = tr("The device did not take the command.");
        m_port.clearError();
        return false;
    }
    return true;
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
    // Reported from the event loop, not from inside the port's own notification.
    QMetaObject::invokeMethod(
        this, [this, reason] { emit portLost(reason); }, Qt::QueuedConnection);
}
