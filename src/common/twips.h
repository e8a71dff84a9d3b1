#pragma once

#include <QtMath>

// Window positions and sizes are given in twips (1/1440 inch); the screen's logical DPI
// turns them into pixels.
namespace Twips {

constexpr double PerInch = 1440.0;

inline int toPixels(double twips, double dpi)
{
    return qRound(twips * dpi / PerInch);
}

inline double fromPixels(double pixels, double dpi)
{
    return pixels * PerInch / dpi;
}

} // namespace Twips
