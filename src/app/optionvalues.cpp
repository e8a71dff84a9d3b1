#include "optionvalues.h"

#include "titration/dosinglimits.h"

#include <QCoreApplication>

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

QStringList applyOk(const Confirmed &values, SettingsRecord &record)
{
    const Numbers::Separators sep = record.separators;
    // The field as typed, shortened for the message.
    auto shown = [](const QString &text) {
        return text.size() > 20 ? text.left(20) + QStringLiteral("...") : text;
    };
    QStringList kept;
    record.VolInk = values.vscrVoll / 100.0;
    record.InkZeit = values.vscrZeit / 10.0;
    if (const auto v = DosingLimits::endValue(values.endWertText, sep)) {
        record.EndWert = *v;
    } else {
        kept << QCoreApplication::translate("OptionValues",
            "The end value \"%1\" cannot be used: enter a number from -2000 to 2000. "
            "The end value stays %2.")
                    .arg(shown(values.endWertText), Numbers::toText(record.EndWert, sep));
    }
    if (const auto v = DosingLimits::endVolume(values.endVolText, sep)) {
        record.EndVol = *v;
    } else {
        kept << QCoreApplication::translate("OptionValues",
            "The end volume \"%1\" cannot be used: enter a volume from 0 to 100 mL. "
            "The end volume stays %2 mL.")
                    .arg(shown(values.endVolText), Numbers::toText(record.EndVol, sep));
    }
    record.RsPort = values.rsPort;
    return kept;
}

} // namespace OptionValues
