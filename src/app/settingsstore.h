#pragma once

#include "common/numbers.h"

#include <QList>
#include <QSettings>
#include <QString>

#include <utility>

// The per-user settings store: group "Settings" of a QSettings, values kept as text in the
// user's number format. Production uses QSettings("Kalumet", "Kalumet"); tests hand in an INI.
class SettingsStore
{
public:
    static constexpr auto Group = "Settings";
    static constexpr auto MainLeft = "MainLeft";
    static constexpr auto MainTop = "MainTop";
    static constexpr auto MainWidth = "MainWidth";
    static constexpr auto MainHeight = "MainHeight";
    static constexpr auto InkZeit = "InkZeit";
    static constexpr auto VolInk = "volink";

    static constexpr double DefaultLeft = 1000;
    static constexpr double DefaultTop = 1000;
    static constexpr double DefaultWidth = 6500;
    static constexpr double DefaultHeight = 6500;
    static constexpr double DefaultInkZeit = 0.5;
    static constexpr double DefaultVolInk = 0.5;

    // The main window's position and size in twips, as 32-bit floats.
    struct Geometry
    {
        float left = DefaultLeft;
        float top = DefaultTop;
        float width = DefaultWidth;
        float height = DefaultHeight;
    };

    SettingsStore(QSettings &settings, Numbers::Separators sep);

    // A missing key yields its default (turned into text and back, as the store hands it
    // over); a value that is not a number yields the default as well.
    double readNumber(const char *key, double defaultValue) const;
    Geometry readGeometry() const;

    // Writes the six keys in their order and flushes the store. False, with a reason, when
    // the store could not be written; the previous file is then left as it was.
    bool write(const Geometry &geometry, double inkZeit, double volInk, QString *error = nullptr);

private:
    // Whether the store's file on the disk holds these texts under the group.
    bool fileHolds(const QList<std::pair<const char *, QString>> &values) const;

    QSettings &m_settings;
    Numbers::Separators m_sep;
};
