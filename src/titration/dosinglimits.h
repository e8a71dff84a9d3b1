#pragma once

#include "common/numbers.h"

#include <QString>
#include <QStringView>

#include <optional>

// What the burette and the meter can be asked for: the volume of one dose and the end values
// of a run. A text outside these never reaches the titrator or drives a run.
namespace DosingLimits {

inline constexpr double BuretteVolume = 100; // mL, the most one dose or one run can use
inline constexpr double MaxEndValue = 2000; // pH or mV: beyond it no reading can pass it
// A volume needs a few characters; a longer text is no volume the titrator can take.
inline constexpr int MaxDoseLength = 16;

// The argument of "DA" for the dose field: the text as typed with every "," turned into ".",
// when it is a plain decimal number (blanks around it allowed) greater than 0 and at most
// the burette's volume; otherwise none.
std::optional<QString> doseArgument(const QString &txtDos);

// An end value the run can use: a number from -MaxEndValue to MaxEndValue; otherwise none.
std::optional<double> endValue(QStringView text, Numbers::Separators sep);
// An end volume the run can use: a number from 0 to the burette's volume; otherwise none.
std::optional<double> endVolume(QStringView text, Numbers::Separators sep);

} // namespace DosingLimits
