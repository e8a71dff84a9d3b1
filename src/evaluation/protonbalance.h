#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

// The proton balance of a titration of a weak (or strong) acid with a strong base, or of a
// base's acid form with a strong acid, whose steps end at the EPs:
//
//   c * V + s * ([H+] - Kw/[H+]) * (V0 + V) = c * sum_k (V_k - V_k-1) * f_k([H+])
//
// (s = +1 rising, -1 falling; f_k the converted share of step k; V_0 = 0).
struct ProtonBalance
{
    static constexpr double Kw = 1e-14;

    std::vector<double> ends; // mL: 0, then each EP's volume
    double titrant = 0.1; // mol/L
    bool rising = true; // titrated with a strong base

    // The share of step k converted at log10 [H+] = x: deprotonated (rising) or protonated.
    double converted(double pKa, double x) const
    {
        return rising ? 1 / (1 + std::pow(10.0, x + pKa)) : 1 / (1 + std::pow(10.0, -x - pKa));
    }

    // The model's pH after `volume` mL. The balance is monotonic in log10 [H+]: a Newton step
    // from `nearPh` (the solution at a neighbouring volume, where known) that stays inside the
    // bracket it keeps, else halving it, finds its only root.
    double pH(
        double volume, const std::vector<double> &pKa, double startVolume, double nearPh = 7) const
    {
        constexpr double Ln10 = 2.302585092994046;
        const double sign = rising ? 1 : -1;
        const double vessel = startVolume + volume;
        // The balance's excess and its slope in x = log10 [H+].
        const auto excess = [&](double x, double &slope) {
            const double h = std::pow(10.0, x);
            double bound = 0, boundSlope = 0;
            for (std::size_t k = 0; k < pKa.size(); ++k) {
                const double amount = ends[k + 1] - ends[k];
                const double f = converted(pKa[k], x);
                bound += amount * f;
                boundSlope += amount * f * (1 - f) * (rising ? -Ln10 : Ln10);
            }
            slope = sign * (-titrant * boundSlope + sign * Ln10 * (h + Kw / h) * vessel);
            return sign * (titrant * (volume - bound) + sign * (h - Kw / h) * vessel);
        };
        double low = -15.5, high = 1.5;
        double x = std::clamp(-nearPh, low, high);
        for (int i = 0; i < 100 && high - low > 1e-12; ++i) {
            double slope = 0;
            const double e = excess(x, slope);
            (e > 0 ? high : low) = x;
            const double next = slope > 0 ? x - e / slope : low - 1;
            if (std::abs(next - x) < 1e-12)
                break;
            x = next > low && next < high ? next : 0.5 * (low + high);
        }
        return -x;
    }
};
