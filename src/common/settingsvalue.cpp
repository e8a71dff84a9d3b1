#include "settingsvalue.h"

#include "common/numbers.h"

#include <QStringList>
#include <QVariant>

#include <cmath>

namespace SettingsValue {

QString text(const QVariant &stored)
{
    return stored.typeId() == QMetaType::QStringList ? stored.toStringList().join(u',')
                                                     : stored.toString();
}

std::optional<double> number(const QVariant &stored)
{
    if (!stored.isValid())
        return std::nullopt;
    const QString value = text(stored).trimmed();
    // A "," with no "." is a decimal comma, not digit grouping.
    const bool comma = value.contains(u',') && !value.contains(u'.');
    const auto result = Numbers::toNumber(
        value, comma ? Numbers::Separators::comma() : Numbers::Separators::dot());
    if (!result || !std::isfinite(*result))
        return std::nullopt;
    return result;
}

QString numberText(double value)
{
    return Numbers::toText(value, Numbers::Separators::dot());
}

} // namespace SettingsValue
