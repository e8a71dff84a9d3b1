#include "portsettings.h"

PortSettings::PortSettings(QSettings &settings)
    : m_settings(settings)
{ }

QString PortSettings::key(int channel)
{
    return QStringLiteral("Com%1").arg(channel);
}

QString PortSettings::defaultDevicePath(int channel)
{
    if (channel < 1)
        return QString(); // no such channel: opening it fails and is reported
    return QStringLiteral("/dev/ttyS%1").arg(channel - 1);
}

QString PortSettings::devicePath(int channel) const
{
    m_settings.beginGroup(QLatin1StringView(Group));
    const QString path = m_settings.value(key(channel)).toString().trimmed();
    m_settings.endGroup();
    return path.isEmpty() ? defaultDevicePath(channel) : path;
}

void PortSettings::setDevicePath(int channel, const QString &path)
{
    m_settings.beginGroup(QLatin1StringView(Group));
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty())
        m_settings.remove(key(channel));
    else
        m_settings.setValue(key(channel), trimmed);
    m_settings.endGroup();
}
