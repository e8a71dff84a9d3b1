#pragma once

#include "link/abstractserialport.h"

#include <QStringList>

// A serial port without a device, for the receive fuzz target and the report benchmark: the
// caller feeds received characters, reads what was written and watches the opens and closes.
// Opening fails for the channels the caller marks as missing.
class FakeSerialPort : public AbstractSerialPort
{
public:
    using AbstractSerialPort::AbstractSerialPort;

    void setCommPort(int channel) override { m_channel = channel; }
    int commPort() const override { return m_channel; }
    bool isPortOpen() const override { return m_open; }

    bool setPortOpen(bool open, QString *error = nullptr) override
    {
        if (!open) {
            if (m_open)
                events << QStringLiteral("close");
            m_open = false;
            m_buffer.clear(); // a close throws away what was not read
            return true;
        }
        if (m_open)
            return true;
        if (missingChannels.contains(m_channel)) {
            if (error)
                *error = QStringLiteral("channel %1: No such file or directory").arg(m_channel);
            events << QStringLiteral("open %1 failed").arg(m_channel);
            return false;
        }
        events << QStringLiteral("open %1").arg(m_channel);
        m_open = true;
        return true;
    }

    bool output(const QString &text, QString *error = nullptr) override
    {
        if (!m_open) {
            if (error)
                *error = QStringLiteral("not open");
            return false;
        }
        written << text;
        events << QStringLiteral("write ") + text;
        return true;
    }

    int inBufferCount() const override { return int(m_buffer.size()); }
    QChar input() override
    {
        if (m_buffer.isEmpty())
            return QChar();
        const QChar c = m_buffer.front();
        m_buffer.remove(0, 1);
        return c;
    }
    int commEvent() const override { return m_event; }
    void takeWaitingInput() override
    {
        m_buffer += m_waiting;
        m_waiting.clear();
    }

    // Characters arrive: into the buffer, then one receive event.
    void receive(const QString &text, int event = EventReceive)
    {
        m_buffer += text;
        m_event = event;
        emit onComm();
    }
    // Characters the device holds but has not reported yet.
    void holdBack(const QString &text) { m_waiting += text; }
    // Characters that sit in the buffer without a receive event (yet).
    void bufferSilently(const QString &text) { m_buffer += text; }

    QList<int> missingChannels;
    QStringList written;
    QStringList events;

private:
    int m_channel = 1;
    bool m_open = false;
    int m_event = 0;
    QString m_buffer;
    QString m_waiting;
};
