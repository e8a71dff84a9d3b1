#pragma once

#include <QObject>
#include <QString>

// The serial-port component: exactly the operations the program uses of it.
// Failures travel as return values with a reason; callers decide what the user sees.
class AbstractSerialPort : public QObject
{
    Q_OBJECT
public:
    static constexpr int EventReceive = 2;

    using QObject::QObject;
    ~AbstractSerialPort() override = default;

    // Channel 1..4; takes effect at the next open.
    virtual void setCommPort(int channel) = 0;
    virtual int commPort() const = 0;

    virtual bool isPortOpen() const = 0;
    // Opens or closes; false with a reason when that fails.
    virtual bool setPortOpen(bool open, QString *error = nullptr) = 0;

    // Hands one command text over for transmission, one 8-bit character per character, and
    // returns without waiting for the device. False with a reason when the port is not open;
    // a write that fails later is reported by writeFailed.
    virtual bool output(const QString &text, QString *error = nullptr) = 0;

    // Received characters waiting, and the next one (removed from the buffer).
    virtual int inBufferCount() const = 0;
    virtual QChar input() = 0;
    // Cause of the last event: EventReceive when characters were received.
    virtual int commEvent() const = 0;
    // Takes what the device has received but not yet reported into the receive buffer, without
    // raising onComm, so a caller about to close the port can collect every waiting character.
    virtual void takeWaitingInput() { }

Q_SIGNALS:
    // Raised on the user-interface thread when characters have been received.
    void onComm();
    // The device went away while open (an unplugged adapter); the port is closed by then.
    void portLost(const QString &reason);
    // A command handed to output() did not go out: the write failed or the device took it
    // not within the bound. What was left of it is dropped, so it never goes out late.
    void writeFailed(const QString &reason);
};
