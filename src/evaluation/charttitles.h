#pragma once

#include <QStringView>

class AbstractChart;

// The titles a titration curve gets, in German or English.
namespace ChartTitles {

// Chart title and X-axis title; `volumeUnit` is "ml" for read-out listings, "mL" for a run.
void setCurve(AbstractChart &chart, bool german, QStringView volumeUnit);

// Y-axis title for pH or mV values.
void setUnit(AbstractChart &chart, bool german, bool millivolts);

// Y-axis title from a line that names its unit: "mV" wins over "pH"; other lines change nothing.
void setUnitFromLine(AbstractChart &chart, bool german, QStringView line);

} // namespace ChartTitles
