#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

class ChartView;

// The chart's picture as a file: PNG, SVG or PDF (one page the size of the picture).
namespace ChartExport {

enum class Format { Png, Svg, Pdf };

// The format a file name asks for by its suffix, in any letter case; none for other suffixes.
std::optional<Format> formatOf(const QString &path);

// The picture of `view`'s chart at `size` pixels (96 dpi) in `format`; empty on failure.
QByteArray picture(const ChartView &view, Format format, const QSize &size);

} // namespace ChartExport
