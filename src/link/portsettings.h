#pragma once

#include <QSerialPort>
#include <QSettings>
#include <QString>

// Which device a serial channel number opens: group "Ports", keys "Com1".."Com4" of the
// settings store; a missing key maps channel n to /dev/ttyS<n-1>.
class PortSettings
{
public:
    static constexpr auto Group = "Ports";

    explicit PortSettings(QSettings &settings);

    QString devicePath(int channel) const;
    void setDevicePath(int channel, const QString &path);

    static QString defaultDevicePath(int channel);
    static QString key(int channel);

    // Line parameters, the same for every channel, as text in the same group so a user can
    // match an instrument set up differently: "Parity" none|even|odd|space|mark (default even),
    // "StopBits" 1|1.5|2 (default 1), "FlowControl" none|hardware|software (default none).
    // Text that names none of these gives the default.
    static constexpr auto ParityKey = "Parity";
    static constexpr auto StopBitsKey = "StopBits";
    static constexpr auto FlowControlKey = "FlowControl";

    QSerialPort::Parity parity() const;
    QSerialPort::StopBits stopBits() const;
    QSerialPort::FlowControl flowControl() const;

private:
    QString lineValue(const char *key) const;

    QSettings &m_settings;
};
