#pragma once

#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

// Number <-> text in the user's number format. Every file converts numbers through here:
// the C library and QLocale::toDouble do not follow the rules the stored files rely on
// (the other separator of the pair is digit grouping and ignored wherever it stands).
namespace Numbers {

// The decimal separator pair: the user's separator and the other one of "," and ".".
struct Separators
{
    QChar decimal = u'.';

    QChar other() const { return decimal == u',' ? u'.' : u','; }
    static Separators fromLocale(const QLocale &locale);
    static Separators dot() { return {u'.'}; }
    static Separators comma() { return {u','}; }
};

// General form: at most `significantDigits` significant digits, no grouping, no trailing
// zeros, exponent form ("1E-05") only for very small or very large magnitudes.
QString toText(double value, Separators sep, int significantDigits = 15);

// Text of a 32-bit float (window geometry): 7 significant digits.
QString toTextSingle(float value, Separators sep);

// Fixed number of decimals as the patterns "#0.00", "#0.000", "#0.0" print them: at least one
// integer digit, rounded half away from zero on the decimal value, no grouping.
QString format(double value, int decimals, Separators sep);

// Text to number under the separator pair. Blanks around the number, a leading sign, the
// decimal separator once and an exponent are accepted; the other separator is digit grouping
// and is dropped wherever it stands. Anything else yields no value.
std::optional<double> toNumber(QStringView text, Separators sep);
bool isNumeric(QStringView text, Separators sep);

// Nearest whole number, ties to the even one.
double roundHalfEven(double value);

// Conversions into integer fields: nearest whole number (ties to even), inside the range.
std::optional<quint8> toByte(double value);
std::optional<quint8> toByte(QStringView text, Separators sep);
std::optional<qint16> toInt16(double value);

} // namespace Numbers
