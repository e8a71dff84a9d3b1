#pragma once

#include <QString>

#include <optional>

class QVariant;

// Values of the settings file as the program reads and writes them: numbers written with ".",
// read with "." or, where a hand-edited value has a "," and no ".", with a decimal comma.
namespace SettingsValue {

// The text of a stored value; an INI line "Titer=0,998" comes back as a list and still means
// "0,998".
QString text(const QVariant &stored);
// The finite number a stored value holds, or nothing (missing, no number, infinite).
std::optional<double> number(const QVariant &stored);
QString numberText(double value);

} // namespace SettingsValue
