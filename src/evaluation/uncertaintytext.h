#pragma once

#include "common/numbers.h"

#include <QString>

// A value and its standard uncertainty shown to the precision u supports: u with two
// significant digits, the value rounded to the same decimal place (half away from zero).
// Where that place lies beyond 9 decimals, or a number reaches 1E+15, both are written with an
// exponent ("1.23450E-12", u "3.4E-16"). With u = 0 (or not finite) the value is shown as it
// is and u as "0".
namespace UncertaintyText {

struct Shown
{
    QString value;
    QString u;
};

Shown shown(double value, double u, Numbers::Separators sep);

} // namespace UncertaintyText
