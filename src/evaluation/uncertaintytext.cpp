#include "uncertaintytext.h"

#include <cmath>

namespace UncertaintyText {

namespace {

// The places a fixed form shows at most; further ones take the exponent form.
constexpr int MostDecimals = 9;
constexpr int LargestFixedPlace = 14;

// A number as decimal digits: `digits` (no leading zero) with the first at the place 10^lead.
// Empty digits: zero.
struct Decimal
{
    QString digits;
    int lead = 0;
    bool negative = false;

    QChar at(int place) const
    {
        const int i = lead - place;
        return i >= 0 && i < digits.size() ? digits.at(i) : u'0';
    }
};

// The value's 15 significant digits, so 0.0125 is what a person reads, not its binary neighbour.
Decimal decimalOf(double value)
{
    Decimal d;
    d.negative = value < 0;
    if (value == 0)
        return d;
    const QString text = QString::number(std::abs(value), 'e', 14); // "1.23450000000000e-12"
    const qsizetype e = text.indexOf(u'e');
    d.digits = text.left(1) + text.mid(2, e - 2);
    d.lead = text.mid(e + 1).toInt();
    return d;
}

// Rounded to the place 10^place, half away from zero; a carry may add a leading digit.
Decimal roundedAt(const Decimal &d, int place)
{
    Decimal r;
    r.negative = d.negative;
    const int kept = d.lead - place + 1;
    if (d.digits.isEmpty() || kept < 0)
        return r;
    QString digits = d.digits.left(kept);
    while (digits.size() < kept)
        digits.append(u'0');
    r.lead = d.lead;
    if (d.at(place - 1) >= u'5') {
        int i = kept - 1;
        for (; i >= 0 && digits.at(i) == u'9'; --i)
            digits[i] = u'0';
        if (i >= 0) {
            digits[i] = QChar(digits.at(i).unicode() + 1);
        } else {
            digits.prepend(u'1');
            ++r.lead;
        }
    }
    while (digits.startsWith(u'0')) {
        digits.remove(0, 1);
        --r.lead;
    }
    r.digits = digits;
    return r;
}

QString sign(const Decimal &d)
{
    return d.negative && !d.digits.isEmpty() ? QStringLiteral("-") : QString();
}

// The places from 10^first down to 10^last, with the separator before 10^-1.
QString placesText(const Decimal &d, int first, int last, Numbers::Separators sep)
{
    QString text;
    for (int place = first; place >= last; --place) {
        if (place == -1)
            text += sep.decimal;
        text += d.at(place);
    }
    return text;
}

QString fixedText(const Decimal &d, int place, Numbers::Separators sep)
{
    return sign(d) + placesText(d, std::max(d.lead, 0), std::min(place, 0), sep);
}

// "1.2345E-12": the leading place `exponent`, down to `place`.
QString exponentText(const Decimal &d, int exponent, int place, Numbers::Separators sep)
{
    Decimal shifted = d;
    shifted.lead -= exponent;
    QString text = sign(d) + placesText(shifted, 0, std::min(place - exponent, 0), sep);
    text += exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+");
    return text + QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
}

} // namespace

Shown shown(double value, double u, Numbers::Separators sep)
{
    if (!std::isfinite(value) || !std::isfinite(u) || u == 0)
        return {Numbers::toText(value, sep), Numbers::toText(std::isfinite(u) ? 0.0 : u, sep)};
    Decimal uncertainty = decimalOf(std::abs(u));
    int place = uncertainty.lead - 1; // two significant digits
    uncertainty = roundedAt(uncertainty, place);
    if (uncertainty.lead - 1 > place) { // 0.0995 became 0.100: two digits are 0.10
        place = uncertainty.lead - 1;
        uncertainty = roundedAt(uncertainty, place);
    }
    const Decimal rounded = roundedAt(decimalOf(value), place);
    const int lead = rounded.digits.isEmpty() ? uncertainty.lead : rounded.lead;
    if (place >= -MostDecimals && std::max(lead, uncertainty.lead) <= LargestFixedPlace)
        return {fixedText(rounded, place, sep), fixedText(uncertainty, place, sep)};
    return {exponentText(rounded, lead, place, sep),
        exponentText(uncertainty, uncertainty.lead, place, sep)};
}

} // namespace UncertaintyText
