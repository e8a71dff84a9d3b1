#pragma once

#include "common/numbers.h"

#include <QString>

#include <cmath>

// A titrator listing as a document holds it: `rows` rows from 0 ml in steps of 1 ml, with ","
// as decimal separator. With `jump` the pH jumps symmetrically about 4.5 ml (so the equivalence
// point lies at 4.5 ml and pH 7); without it the pH rises evenly and has no equivalence point.
inline QString jumpListing(bool jump, int rows = 10)
{
    const auto comma = Numbers::Separators::comma();
    QString text = QStringLiteral("  V[ml]    pH     t[s]  \r\n");
    for (int v = 0; v < rows; ++v) {
        const double pH = jump ? 7 + 3 * std::tanh(2 * (v - 4.5)) : 3 + 0.5 * v;
        text += QStringLiteral("  %1   %2   %3  \r\n")
                    .arg(Numbers::format(v, 3, comma), Numbers::format(pH, 2, comma),
                        Numbers::format(10.0 * v, 1, comma));
    }
    return text;
}
