#include "optionvalues.h"

#include <cmath>

namespace OptionValues {

int scrollValue(double value, double scale, int minimum, int maximum)
{
    const double rounded = Numbers::roundHalfEven(value * scale);
    if (std::isnan(rounded) || rounded < minimum)
        return minimum;
    if (rounded > maximum)
        return maximum;
    return int(rounded);
}

int vscrVollFor(double volInk)
{
    return scrollValue(volInk, 100, VollMinimum, VollMaximum);
}

int vscrZeitFor(double inkZeit)
{
    return scrollValue(inkZeit, 10, ZeitMinimum, ZeitMaximum);
}

QString volumeLabel(int vscrVoll, Numbers::Separators sep)
{
    return Numbers::toText(vscrVoll * 0.01, sep) + QStringLiteral(" ml");
}

QString timeLabel(int vscrZeit, Numbers::Separators sep)
{
    return Numbers::toText(vscrZeit * 0.1, sep) + QStringLiteral(" s");
}

QString normaliseDecimal(QString text, Numbers::Separators sep)
{
    text.replace(u',', sep.decimal);
    text.replace(u'.', sep.decimal);
    return text;
}

QString endLabel(quint8 bereich)
{
    return bereich == 0 ? QStringLiteral("pH End") : QStringLiteral("mV End");
}

void applyOk(const Confirmed &values, SettingsRecord &record)
{
    record.VolInk = values.vscrVoll / 100.0;
    record.InkZeit = values.vscrZeit / 10.0;
    if (const auto v = Numbers::toNumber(values.endWertText, record.separators))
        record.EndWert = *v;
    if (const auto v = Numbers::toNumber(values.endVolText, record.separators))
        record.EndVol = *v;
    record.RsPort = values.rsPort;
}

} // namespace OptionValues
