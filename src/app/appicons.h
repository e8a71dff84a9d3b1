#pragma once

#include <QIcon>
#include <QPixmap>
#include <QStringView>

namespace AppIcons {

// The toolbar's images keyed "New", "Print" and "Save": the desktop theme's icon when there
// is one, else our own drawing.
QIcon toolbarIcon(QStringView key);

// Renders an SVG resource at `size`; a null pixmap when the resource cannot be read.
QPixmap svgPixmap(const QString &resource, const QSize &size);

} // namespace AppIcons
