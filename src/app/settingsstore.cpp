#include "settingsstore.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

SettingsStore::SettingsStore(QSettings &settings, Numbers::Separators sep)
    : m_settings(settings)
    , m_sep(sep)
{ }

double SettingsStore::readNumber(const char *key, double defaultValue) const
{
    // The store hands a missing key's default over as text, so it goes number -> text -> number.
    const QString defaultText = Numbers::toText(defaultValue, m_sep);
    m_settings.beginGroup(QLatin1StringView(Group));
    const QVariant stored = m_settings.value(QLatin1StringView(key));
    m_settings.endGroup();

    QString text = defaultText;
    if (stored.isValid()) {
        // A hand-edited INI line "InkZeit=0,5" comes back as a list; it still means "0,5".
        text = stored.typeId() == QMetaType::QStringList ? stored.toStringList().join(u',')
                                                         : stored.toString();
    }
    if (const auto value = Numbers::toNumber(text, m_sep))
        return *value;
    if (const auto value = Numbers::toNumber(defaultText, m_sep))
        return *value;
    return defaultValue;
}

SettingsStore::Geometry SettingsStore::readGeometry() const
{
    Geometry g;
    g.left = float(readNumber(MainLeft, DefaultLeft));
    g.top = float(readNumber(MainTop, DefaultTop));
    g.width = float(readNumber(MainWidth, DefaultWidth));
    g.height = float(readNumber(MainHeight, DefaultHeight));
    return g;
}

bool SettingsStore::write(const Geometry &geometry, double inkZeit, double volInk, QString *error)
{
    const QList<std::pair<const char *, QString>> written = {
        {MainLeft, Numbers::toTextSingle(geometry.left, m_sep)},
        {MainTop, Numbers::toTextSingle(geometry.top, m_sep)},
        {MainWidth, Numbers::toTextSingle(geometry.width, m_sep)},
        {MainHeight, Numbers::toTextSingle(geometry.height, m_sep)},
        {InkZeit, Numbers::toText(inkZeit, m_sep)},
        {VolInk, Numbers::toText(volInk, m_sep)},
    };
    m_settings.beginGroup(QLatin1StringView(Group));
    for (const auto &[key, text] : written)
        m_settings.setValue(QLatin1StringView(key), text);
    m_settings.endGroup();

    // QSettings writes the file through a temporary and renames it, so a failed write keeps
    // the old file.
    m_settings.sync();
    if (m_settings.status() == QSettings::NoError)
        return true;
    // A format error met when the damaged file was read stays the status for good, and hides
    // whether the write that replaced the file worked: then the file itself tells.
    if (m_settings.status() == QSettings::FormatError && fileHolds(written))
        return true;
    if (error)
        *error = QStringLiteral("cannot write %1").arg(m_settings.fileName());
    return false;
}

bool SettingsStore::fileHolds(const QList<std::pair<const char *, QString>> &values) const
{
    // Read from a copy: QSettings shares one cached reading per file name, which shows what
    // was set, not what is on the disk.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy.conf"));
    if (!dir.isValid() || !QFile::copy(m_settings.fileName(), copy))
        return false;
    QSettings onDisk(copy, m_settings.format());
    onDisk.beginGroup(QLatin1StringView(Group));
    for (const auto &[key, text] : values) {
        if (onDisk.value(QLatin1StringView(key)).toString() != text)
            return false;
    }
    return true;
}
