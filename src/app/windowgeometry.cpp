#include "windowgeometry.h"

#include "common/twips.h"

#include <algorithm>
#include <cmath>

namespace WindowGeometry {

namespace {

float keepOrConvert(int pixels, float applied, double dpi)
{
    if (Twips::toPixels(applied, dpi) == pixels)
        return applied;
    return float(Twips::fromPixels(pixels, dpi));
}

float saneOr(float value, double low, double high, double fallback)
{
    return std::isfinite(value) && value >= low && value <= high ? value : float(fallback);
}

// A span of `length` pixels from `start`, shifted and cut to lie within [low, low + room).
int fitSpan(int start, int length, int low, int room, int *fittedLength)
{
    *fittedLength = std::min(length, room);
    return std::clamp(start, low, low + room - *fittedLength);
}

} // namespace

SettingsStore::Geometry sane(const SettingsStore::Geometry &stored)
{
    SettingsStore::Geometry g;
    g.left = saneOr(stored.left, -MaxTwips, MaxTwips, SettingsStore::DefaultLeft);
    g.top = saneOr(stored.top, -MaxTwips, MaxTwips, SettingsStore::DefaultTop);
    g.width = saneOr(stored.width, MinSizeTwips, MaxTwips, SettingsStore::DefaultWidth);
    g.height = saneOr(stored.height, MinSizeTwips, MaxTwips, SettingsStore::DefaultHeight);
    return g;
}

SettingsStore::Geometry fitInto(
    const SettingsStore::Geometry &twips, const QRect &available, Dpi dpi)
{
    if (available.isEmpty())
        return twips;
    const QRect pixels = toPixels(twips, dpi);
    int width = 0;
    int height = 0;
    const int x = fitSpan(pixels.x(), pixels.width(), available.x(), available.width(), &width);
    const int y = fitSpan(pixels.y(), pixels.height(), available.y(), available.height(), &height);
    return toTwips(QRect(x, y, width, height), twips, dpi);
}

QRect toPixels(const SettingsStore::Geometry &twips, Dpi dpi)
{
    return QRect(Twips::toPixels(twips.left, dpi.x), Twips::toPixels(twips.top, dpi.y),
        Twips::toPixels(twips.width, dpi.x), Twips::toPixels(twips.height, dpi.y));
}

SettingsStore::Geometry toTwips(
    const QRect &pixels, const SettingsStore::Geometry &applied, Dpi dpi)
{
    SettingsStore::Geometry g;
    g.left = keepOrConvert(pixels.x(), applied.left, dpi.x);
    g.top = keepOrConvert(pixels.y(), applied.top, dpi.y);
    g.width = keepOrConvert(pixels.width(), applied.width, dpi.x);
    g.height = keepOrConvert(pixels.height(), applied.height, dpi.y);
    return g;
}

} // namespace WindowGeometry
