#include "windowgeometry.h"

#include "common/twips.h"

namespace WindowGeometry {

namespace {

float keepOrConvert(int pixels, float applied, double dpi)
{
    if (Twips::toPixels(applied, dpi) == pixels)
        return applied;
    return float(Twips::fromPixels(pixels, dpi));
}

} // namespace

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
