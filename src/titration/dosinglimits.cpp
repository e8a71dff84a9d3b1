#include "dosinglimits.h"

#include <cmath>

namespace DosingLimits {

std::optional<QString> doseArgument(const QString &txtDos)
{
    if (txtDos.size() > MaxDoseLength)
        return std::nullopt;
    QString volume = txtDos;
    volume.replace(u',', u'.');
    // Digits, one point and blanks only: no sign, exponent, control character or second line.
    for (const QChar c : volume) {
        if (!(c >= u'0' && c <= u'9') && c != u'.' && c != u' ')
            return std::nullopt;
    }
    const auto value = Numbers::toNumber(volume, Numbers::Separators::dot());
    if (!value || !(*value > 0 && *value <= BuretteVolume))
        return std::nullopt;
    return volume;
}

std::optional<double> endValue(QStringView text, Numbers::Separators sep)
{
    const auto value = Numbers::toNumber(text, sep);
    if (!value || !(std::abs(*value) <= MaxEndValue))
        return std::nullopt;
    return value;
}

std::optional<double> endVolume(QStringView text, Numbers::Separators sep)
{
    const auto value = Numbers::toNumber(text, sep);
    if (!value || !(*value >= 0 && *value <= BuretteVolume))
        return std::nullopt;
    return value;
}

} // namespace DosingLimits
