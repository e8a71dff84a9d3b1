#pragma once

#include "app/settingsstore.h"

#include <QRect>

// The main window's geometry between the store (twips) and the screen (pixels). Pixels are
// coarser than twips, so a side the user left alone keeps the twips it was given: 1000 twips
// shown at 96 dpi and saved again stay 1000, not 1005.
namespace WindowGeometry {

struct Dpi
{
    double x = 96;
    double y = 96;
};

QRect toPixels(const SettingsStore::Geometry &twips, Dpi dpi);

// Twips of `pixels`; each side that still shows as `applied` keeps the applied twips.
SettingsStore::Geometry toTwips(
    const QRect &pixels, const SettingsStore::Geometry &applied, Dpi dpi);

} // namespace WindowGeometry
