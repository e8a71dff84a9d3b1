#pragma once

#include <QRect>
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

// A rectangle given in twips, in pixels.
inline QRect toPixels(
    double left, double top, double width, double height, double dpiX, double dpiY)
{
    return QRect(
        toPixels(left, dpiX), toPixels(top, dpiY), toPixels(width, dpiX), toPixels(height, dpiY));
}

} // namespace Twips
