#include "charttitles.h"

#include "model/abstractchart.h"

namespace ChartTitles {

void setCurve(AbstractChart &chart, bool german, QStringView volumeUnit)
{
    chart.setTitleText(
        german ? QStringLiteral("Titrationskurve") : QStringLiteral("titrationcurve"));
    const QString volume = german ? QStringLiteral("Verbrauch [") : QStringLiteral("volume [");
    chart.setAxisTitle(AbstractChart::XAxis, volume + volumeUnit.toString() + u']');
}

void setUnit(AbstractChart &chart, bool german, bool millivolts)
{
    const QString unit = millivolts ? QStringLiteral("mV") : QStringLiteral("pH");
    chart.setAxisTitle(AbstractChart::YAxis,
        unit + (german ? QStringLiteral("-Werte") : QStringLiteral("-values")));
}

void setUnitFromLine(AbstractChart &chart, bool german, QStringView line)
{
    if (line.contains(u"mV"))
        setUnit(chart, german, true);
    else if (line.contains(u"pH"))
        setUnit(chart, german, false);
}

} // namespace ChartTitles
