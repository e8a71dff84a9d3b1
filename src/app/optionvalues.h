#pragma once

#include "model/settingsrecord.h"

#include <QString>
#include <QStringList>

// What the options dialog shows and stores, apart from its widgets.
namespace OptionValues {

// Scroll bar ranges: increment in 0.01 mL, waiting time in 0.1 s.
inline constexpr int VollMinimum = 1;
inline constexpr int VollMaximum = 50;
inline constexpr int ZeitMinimum = 1;
inline constexpr int ZeitMaximum = 600;

// value * scale to the nearest whole number (ties to even), clamped into [minimum, maximum];
// a value that is no number gives the minimum.
int scrollValue(double value, double scale, int minimum, int maximum);
int vscrVollFor(double volInk); // VolInk * 100
int vscrZeitFor(double inkZeit); // InkZeit * 10

QString volumeLabel(int vscrVoll, Numbers::Separators sep); // "0,05 ml"
QString timeLabel(int vscrZeit, Numbers::Separators sep); // "0,5 s"

// Every "," and then every "." becomes the user's decimal separator; nothing is validated.
QString normaliseDecimal(QString text, Numbers::Separators sep);

// "pH End" for range 0, "mV End" otherwise.
QString endLabel(quint8 bereich);

// What OK takes over into the record: the increments from the scroll bars, the end values
// when their texts are values a run can use (otherwise they keep their values), and the
// channel. Returns a message for each end value that was kept.
struct Confirmed
{
    int vscrVoll = VollMinimum;
    int vscrZeit = ZeitMinimum;
    QString endWertText;
    QString endVolText;
    quint8 rsPort = 1;
};
QStringList applyOk(const Confirmed &values, SettingsRecord &record);

} // namespace OptionValues
