#pragma once

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

private:
    QSettings &m_settings;
};
