#pragma once

#include "link/abstractserialport.h"

#include <QByteArray>
#include <QSerialPort>
#include <QTimer>

class QSettings;

// The serial-port component on a QSerialPort, on the user-interface thread: 4800 baud, 7 data
// bits, the other line parameters and the device of each channel from the settings store.
// Received bytes are kept in a buffer of its own and handed out one character at a time.
// Writes never wait: the event loop writes what the device did not take at once.
class RsKanal : public AbstractSerialPort
{
    Q_OBJECT
public:
    static constexpr qint32 BaudRate = 4800;
    static constexpr QSerialPort::DataBits DataBits = QSerialPort::Data7;

    explicit RsKanal(QSettings &settings, QObject *parent = nullptr);
    ~RsKanal() override;

    void setCommPort(int channel) override;
    int commPort() const override { return m_channel; }

    bool isPortOpen() const override { return m_port.isOpen(); }
    bool setPortOpen(bool open, QString *error = nullptr) override;

    bool output(const QString &text, QString *error = nullptr) override;

    int inBufferCount() const override;
    QChar input() override;
    int commEvent() const override { return m_commEvent; }
    void takeWaitingInput() override;

    // The device the port has open, or opens next.
    QString devicePath() const;

private:
    bool open(QString *error);
    void applyLineSettings();
    void readWaiting();
    void handleError(QSerialPort::SerialPortError error);
    // Hands buffered output to the device as far as it takes it now, without waiting.
    void pushOutput();
    // Keeps the bound running while output is left to write.
    void watchOutput();
    // Drops output the device did not take and reports it.
    void dropOutput(const QString &reason);
    void reportWriteFailure(const QString &reason);

    QSettings &m_settings;
    QSerialPort m_port;
    QTimer m_writeTimer;
    int m_channel = 1;
    QString m_openPath;
    QByteArray m_buffer;
    qsizetype m_readPos = 0;
    int m_commEvent = 0;
    bool m_quiet = false;
};
