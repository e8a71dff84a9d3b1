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

// Bounds of a stored value that can be a window: beyond them the value is a damaged store.
inline constexpr double MaxTwips = 1440.0 * 1000; // a thousand inches
inline constexpr double MinSizeTwips = 1440.0 / 2; // half an inch

// The stored geometry with every value that cannot be a window's (no finite number, a position
// beyond MaxTwips, a size below MinSizeTwips or beyond MaxTwips) replaced by its default.
SettingsStore::Geometry sane(const SettingsStore::Geometry &stored);

// `twips` moved and shrunk as little as needed to lie wholly inside `available` (pixels): no
// larger than it, no edge outside it. Sides that need no change keep their twips. An empty
// `available` (no screen) changes nothing.
SettingsStore::Geometry fitInto(
    const SettingsStore::Geometry &twips, const QRect &available, Dpi dpi);

// Twips of `pixels`; each side that still shows as `applied` keeps the applied twips.
SettingsStore::Geometry toTwips(
    const QRect &pixels, const SettingsStore::Geometry &applied, Dpi dpi);

} // namespace WindowGeometry
