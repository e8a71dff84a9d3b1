#pragma once

#include <QByteArray>
#include <QString>

#include <cmath>

// A saved document holding a titrator's data listing: a jump of 600 mV around 10 mL, in
// 0.2 mL and 6 s steps, 101 rows.
inline QByteArray jumpListingRtf()
{
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 V[ml]  mV  t[s]\\par\n";
    for (int i = 0; i <= 100; ++i) {
        rtf += QStringLiteral("  %1   %2   %3  \\par\n")
                   .arg(i * 0.2, 0, 'f', 3)
                   .arg(300 * std::tanh((i * 0.2 - 10) / 0.4), 0, 'f', 1)
                   .arg(i * 6.0, 0, 'f', 1)
                   .toLatin1();
    }
    return rtf + '}';
}
