#pragma once

#include <cmath>

// pH of an acid sample titrated with a strong base, from the charge balance
// [H+] + [Na+] = [OH-] + [A-], solved by bisection on log10[H+]. Ka <= 0 means a strong acid.
struct TitrationCurve
{
    double acidConcentration = 0.1; // mol/L
    double sampleVolume = 10.0; // mL
    double baseConcentration = 0.1; // mol/L
    double ka = 1.75e-5; // acetic acid

    double equivalenceVolume() const
    {
        return acidConcentration * sampleVolume / baseConcentration;
    }

    double pH(double addedVolume) const
    {
        const double total = sampleVolume + addedVolume;
        const double acid = acidConcentration * sampleVolume / total;
        const double sodium = baseConcentration * addedVolume / total;
        const double kw = 1e-14;
        auto imbalance = [&](double logH) {
            const double h = std::pow(10.0, logH);
            const double anion = ka > 0 ? acid * ka / (ka + h) : acid;
            return h + sodium - kw / h - anion;
        };
        double lo = -14.5, hi = 0.5; // imbalance rises with [H+]
        for (int i = 0; i < 200; ++i) {
            const double mid = (lo + hi) / 2;
            if (imbalance(mid) > 0)
                hi = mid;
            else
                lo = mid;
        }
        return -(lo + hi) / 2;
    }
};
