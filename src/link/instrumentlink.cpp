#include "instrumentlink.h"

#include "link/abstractserialport.h"
#include "model/settingsrecord.h"

#include <QScopeGuard>

InstrumentLink::InstrumentLink(
    AbstractSerialPort &port, const SettingsRecord &settings, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_settings(settings)
{
    connect(&m_port, &AbstractSerialPort::onComm, this, &InstrumentLink::onPortEvent);
}

LinkStatus InstrumentLink::InitRs()
{
    QString reason;
    if (m_port.isPortOpen()) {
        // A close throws away what the port holds: take it out first.
        keepWaitingCharacters();
        if (!m_port.setPortOpen(false, &reason)) {
            schedulePending();
            return LinkStatus::failure(reason);
        }
    }
    if (!m_port.isPortOpen()) {
        m_port.setCommPort(m_settings.RsPort);
        if (!m_port.setPortOpen(true, &reason)) {
            schedulePending();
            return LinkStatus::failure(reason);
        }
    }
    schedulePending();
    return LinkStatus::done();
}

void InstrumentLink::keepWaitingCharacters()
{
    m_port.takeWaitingInput();
    while (m_port.inBufferCount() > 0)
        m_pending.append(m_port.input());
}

void InstrumentLink::schedulePending()
{
    // Inside the receive loop the loop itself goes on with them; otherwise they are handed
    // over from the event loop, after the caller of InitRs has returned.
    if (m_receiving || m_pendingPos >= m_pending.size())
        return;
    scheduleReceive();
}

void InstrumentLink::scheduleReceive()
{
    if (m_receiveScheduled)
        return;
    m_receiveScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_receiveScheduled = false;
            receiveLoop();
        },
        Qt::QueuedConnection);
}

void InstrumentLink::onPortEvent()
{
    if (m_port.commEvent() != AbstractSerialPort::EventReceive)
        return;
    // A reply that comes in while a command is being written is evaluated after the writer
    // has gone on, never in the middle of its write.
    if (m_writing) {
        scheduleReceive();
        return;
    }
    receiveLoop();
}

bool InstrumentLink::takeNext(QChar &c)
{
    if (m_pendingPos < m_pending.size()) {
        c = m_pending.at(m_pendingPos++);
        if (m_pendingPos == m_pending.size()) {
            m_pending.clear();
            m_pendingPos = 0;
        }
        return true;
    }
    if (m_port.inBufferCount() > 0) {
        c = m_port.input();
        return true;
    }
    return false;
}

void InstrumentLink::receiveLoop()
{
    // A line handler that reopens the port (the data request) or waits in a message box may
    // bring another receive event; the loop already running takes those characters in order.
    if (m_receiving)
        return;
    m_receiving = true;
    const auto done = qScopeGuard([this] { m_receiving = false; });
    QChar c;
    while (takeNext(c))
        receive(c);
}

void InstrumentLink::receive(QChar c)
{
    if (c == u'.')
        c = m_settings.separators.decimal;
    m_zeile.append(c);
    if (c == u'\n' || m_zeile.size() >= MaxLineLength)
        deliverLine();
}

void InstrumentLink::deliverLine()
{
    const QString line = std::exchange(m_zeile, QString());
    if (m_lineHandler)
        m_lineHandler(line);
}

bool InstrumentLink::sendCommand(const QString &command, QString *error)
{
    // A command is one line of printable 7-bit characters: a line break inside it would
    // send a second command, and the line carries no eighth bit.
    for (const QChar c : command) {
        if (c < u' ' || c > u'~') {
            if (error)
                *error = tr("The command holds characters that cannot be sent.");
            return false;
        }
    }
    m_sendeText = command + QStringLiteral("\r\n");
    m_writing = true;
    const auto done = qScopeGuard([this] { m_writing = false; });
    return m_port.output(m_sendeText, error);
}
