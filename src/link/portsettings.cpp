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

QString PortSettings::lineValue(const char *key) const
{
    m_settings.beginGroup(QLatin1StringView(Group));
    const QString value = m_settings.value(QLatin1StringView(key)).toString().trimmed().toLower();
    m_settings.endGroup();
    return value;
}

QSerialPort::Parity PortSettings::parity() const
{
    const QString value = lineValue(ParityKey);
    if (value == u"none")
        return QSerialPort::NoParity;
    if (value == u"odd")
        return QSerialPort::OddParity;
    if (value == u"space")
        return QSerialPort::SpaceParity;
    if (value == u"mark")
        return QSerialPort::MarkParity;
    return QSerialPort::EvenParity;
}

QSerialPort::StopBits PortSettings::stopBits() const
{
    const QString value = lineValue(StopBitsKey);
    if (value == u"2")
        return QSerialPort::TwoStop;
    if (value == u"1.5" || value == u"1,5")
        return QSerialPort::OneAndHalfStop;
    return QSerialPort::OneStop;
}

QSerialPort::FlowControl PortSettings::flowControl() const
{
    const QString value = lineValue(FlowControlKey);
    if (value == u"hardware" || value == u"rts/cts")
        return QSerialPort::HardwareControl;
    if (value == u"software" || value == u"xon/xoff")
        return QSerialPort::SoftwareControl;
    return QSerialPort::NoFlowControl;
}
