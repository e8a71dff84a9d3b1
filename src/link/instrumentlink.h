#pragma once

#include "link/commandsink.h"
#include "link/linkstatus.h"

#include <QObject>
#include <QString>

#include <functional>

class AbstractSerialPort;
struct SettingsRecord;

// The line to the titrator: opening the channel of the settings (InitRs), the command texts
// (SendeText) and the receive path that gathers characters into lines (Zeile) and hands each
// complete line to the line handler, in order, synchronously.
class InstrumentLink : public QObject, public CommandSink
{
    Q_OBJECT
public:
    // A line that grows this long without a line feed is handed over as it stands, so a line
    // feed that never comes cannot make the buffer grow without bound.
    static constexpr int MaxLineLength = 32767;

    using LineHandler = std::function<void(const QString &line)>;

    InstrumentLink(
        AbstractSerialPort &port, const SettingsRecord &settings, QObject *parent = nullptr);

    // Called once for every line, with the line feed (and the carriage return before it).
    void setLineHandler(LineHandler handler) { m_lineHandler = std::move(handler); }

    // Closes the port if it is open and opens the channel RsPort now names. Characters the
    // port received before the close are kept and go through the receive path in order.
    LinkStatus InitRs();

    // The port's receive event.
    void onPortEvent();

    // CommandSink: frames the command with CR LF in SendeText and writes it in one write.
    // A command with a character outside printable ASCII is refused and nothing is written.
    bool sendCommand(const QString &command, QString *error = nullptr) override;

    const QString &Zeile() const { return m_zeile; }
    const QString &SendeText() const { return m_sendeText; }
    AbstractSerialPort &port() { return m_port; }

private:
    void receiveLoop();
    void receive(QChar c);
    void deliverLine();
    void keepWaitingCharacters();
    void schedulePending();
    void scheduleReceive();
    bool takeNext(QChar &c);

    AbstractSerialPort &m_port;
    const SettingsRecord &m_settings;
    LineHandler m_lineHandler;
    QString m_zeile;
    QString m_sendeText;
    // Characters taken out of the port before a close, received ahead of anything newer.
    QString m_pending;
    qsizetype m_pendingPos = 0;
    bool m_receiving = false;
    bool m_writing = false;
    bool m_receiveScheduled = false;
};
