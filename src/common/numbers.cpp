#include "numbers.h"

#include <cmath>
#include <limits>

namespace Numbers {

Separators Separators::fromLocale(const QLocale &locale)
{
    // The second character of 1.2 printed in the user's format.
    const QString text = locale.toString(1.2, 'f', 1);
    Separators sep;
    sep.decimal = text.size() >= 2 ? text.at(1) : u'.';
    return sep;
}

QString toText(double value, Separators sep, int significantDigits)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Inf") : QStringLiteral("-Inf");
    if (value == 0.0)
        return QStringLiteral("0");

    QString text = QString::number(value, 'g', significantDigits);
    const qsizetype e = text.indexOf(u'e');
    if (e >= 0) {
        // "1e-05" -> "1E-05": mantissa keeps its form, exponent gets a sign and two digits.
        QString mantissa = text.left(e);
        QString exponent = text.mid(e + 1);
        QChar sign = u'+';
        if (exponent.startsWith(u'-') || exponent.startsWith(u'+')) {
            sign = exponent.at(0);
            exponent.remove(0, 1);
        }
        while (exponent.size() < 2)
            exponent.prepend(u'0');
        text = mantissa + u'E' + sign + exponent;
    }
    if (sep.decimal != u'.')
        text.replace(u'.', sep.decimal);
    return text;
}

QString toTextSingle(float value, Separators sep)
{
    return toText(static_cast<double>(value), sep, 7);
}

QString format(double value, int decimals, Separators sep)
{
    if (!std::isfinite(value))
        return toText(value, sep);
    // Round on the shortest decimal form of the value, so 2.675 gives 2.68 as a person expects.
    const QString exact = QString::number(value, 'g', 15);
    const bool negative = exact.startsWith(u'-');
    QString digits; // all digits, no point
    int pointPos = 0; // digits before the point
    {
        QString mantissa = negative ? exact.mid(1) : exact;
        int exponent = 0;
        const qsizetype e = mantissa.indexOf(u'e');
        if (e >= 0) {
            exponent = mantissa.mid(e + 1).toInt();
            mantissa.truncate(e);
        }
        const qsizetype point = mantissa.indexOf(u'.');
        if (point >= 0) {
            digits = mantissa.left(point) + mantissa.mid(point + 1);
            pointPos = int(point);
        } else {
            digits = mantissa;
            pointPos = int(mantissa.size());
        }
        pointPos += exponent;
    }
    // Make the digit string cover positions [0, pointPos + decimals + 1).
    while (pointPos < 1) {
        digits.prepend(u'0');
        ++pointPos;
    }
    const int keep = pointPos + decimals;
    while (digits.size() < keep + 1)
        digits.append(u'0');
    const bool roundUp = digits.at(keep) >= u'5';
    digits.truncate(keep);
    if (roundUp) {
        int i = keep - 1;
        for (; i >= 0; --i) {
            if (digits.at(i) == u'9') {
                digits[i] = u'0';
            } else {
                digits[i] = QChar(digits.at(i).unicode() + 1);
                break;
            }
        }
        if (i < 0) {
            digits.prepend(u'1');
            ++pointPos;
        }
    }
    QString integerPart = digits.left(pointPos);
    while (integerPart.size() > 1 && integerPart.startsWith(u'0'))
        integerPart.remove(0, 1);
    const QString fraction = digits.mid(pointPos, decimals);
    bool allZero = true;
    for (QChar c : digits)
        allZero = allZero && c == u'0';
    QString result = (negative && !allZero) ? QStringLiteral("-") : QString();
    result += integerPart;
    if (decimals > 0)
        result += sep.decimal + fraction;
    return result;
}

std::optional<double> toNumber(QStringView text, Separators sep)
{
    const QChar grouping = sep.other();
    QByteArray plain; // C-locale form for the final conversion
    plain.reserve(text.size());

    qsizetype i = 0;
    const qsizetype n = text.size();
    auto isBlank = [](QChar c) {
        return c == u' ' || c == u'\t';
    };
    while (i < n && isBlank(text[i]))
        ++i;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        if (text[i] == u'-')
            plain.append('-');
        ++i;
    }
    int mantissaDigits = 0;
    bool seenPoint = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            plain.append(char(c.unicode()));
            ++mantissaDigits;
        } else if (c == sep.decimal) {
            if (seenPoint)
                return std::nullopt;
            seenPoint = true;
            plain.append('.');
        } else if (c == grouping) {
            continue;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < n && (text[i] == u'E' || text[i] == u'e')) {
        plain.append('e');
        ++i;
        if (i < n && (text[i] == u'-' || text[i] == u'+'))
            plain.append(char(text[i++].unicode()));
        int exponentDigits = 0;
        while (i < n && text[i] >= u'0' && text[i] <= u'9') {
            plain.append(char(text[i++].unicode()));
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    while (i < n && isBlank(text[i]))
        ++i;
    if (i != n)
        return std::nullopt;

    bool ok = false;
    const double value = QLocale::c().toDouble(QLatin1StringView(plain), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool isNumeric(QStringView text, Separators sep)
{
    return toNumber(text, sep).has_value();
}

double roundHalfEven(double value)
{
    return std::nearbyint(value); // the default rounding mode rounds ties to even
}

std::optional<quint8> toByte(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = roundHalfEven(value);
    if (r < 0 || r > 255)
        return std::nullopt;
    return static_cast<quint8>(r);
}

std::optional<quint8> toByte(QStringView text, Separators sep)
{
    const auto value = toNumber(text, sep);
    if (!value)
        return std::nullopt;
    return toByte(*value);
}

std::optional<qint16> toInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = roundHalfEven(value);
    if (r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(r);
}

} // namespace Numbers
