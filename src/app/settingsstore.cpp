#include "settingsstore.h"

#include <QStringList>

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
    m_settings.beginGroup(QLatin1StringView(Group));
    m_settings.setValue(QLatin1StringView(MainLeft), Numbers::toTextSingle(geometry.left, m_sep));
    m_settings.setValue(QLatin1StringView(MainTop), Numbers::toTextSingle(geometry.top, m_sep));
    m_settings.setValue(QLatin1StringView(MainWidth), Numbers::toTextSingle(geometry.width, m_sep));
    m_settings.setValue(
        QLatin1StringView(MainHeight), Numbers::toTextSingle(geometry.height, m_sep));
    m_settings.setValue(QLatin1StringView(InkZeit), Numbers::toText(inkZeit, m_sep));
    m_settings.setValue(QLatin1StringView(VolInk), Numbers::toText(volInk, m_sep));
    m_settings.endGroup();

    // QSettings writes the file through a temporary and renames it, so a failed write keeps
    // the old file.
    m_settings.sync();
    if (m_settings.status() == QSettings::NoError)
        return true;
    if (error) {
        *error = m_settings.status() == QSettings::AccessError
            ? QStringLiteral("cannot write %1").arg(m_settings.fileName())
            : QStringLiteral("bad format in %1").arg(m_settings.fileName());
    }
    return false;
}
