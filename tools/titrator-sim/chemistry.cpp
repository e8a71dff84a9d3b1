#include "chemistry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double Kw = 1e-14;
constexpr double NernstSlope = 59.16; // mV per pH at 25 degrees

} // namespace

AcidSample AcidSample::forEquivalence(
    bool weak, double equivalenceVolume, double sampleVolume, double titrantConcentration)
{
    AcidSample sample;
    sample.weak = weak;
    sample.sampleVolume = sampleVolume;
    sample.titrantConcentration = titrantConcentration;
    sample.acidConcentration = titrantConcentration * equivalenceVolume / sampleVolume;
    return sample;
}

double AcidSample::equivalenceVolume() const
{
    return acidConcentration * sampleVolume / titrantConcentration;
}

double AcidSample::pH(double addedVolume) const
{
    const double total = sampleVolume + addedVolume;
    const double sodium = titrantConcentration * addedVolume / total;
    const double acid = acidConcentration * sampleVolume / total;
    const double ka = std::pow(10.0, -pKa);
    // Charge excess as a function of [H+]; it rises with [H+], so bisection on log [H+] finds
    // its only root.
    auto excess = [&](double h) {
        const double anion = weak ? acid * ka / (ka + h) : acid;
        return h + sodium - Kw / h - anion;
    };
    double low = -16.0;
    double high = 1.0;
    for (int i = 0; i < 100; ++i) {
        const double mid = 0.5 * (low + high);
        if (excess(std::pow(10.0, mid)) > 0)
            high = mid;
        else
            low = mid;
    }
    return -0.5 * (low + high);
}

double millivoltsFromPh(double pH)
{
    return (7.0 - pH) * NernstSlope;
}

Electrode::Electrode(double noisePh, unsigned seed)
    : m_noisePh(noisePh)
    , m_random(seed)
{ }

double Electrode::noise()
{
    if (m_noisePh <= 0)
        return 0;
    std::normal_distribution<double> distribution(0.0, m_noisePh);
    return distribution(m_random);
}

double Electrode::readPh(double truePh)
{
    return truePh + noise();
}

double Electrode::readMillivolts(double truePh)
{
    return millivoltsFromPh(truePh + noise());
}

std::vector<StoredPoint> recordTitration(const AcidSample &sample, Electrode &electrode)
{
    constexpr double LargestDose = 0.5; // mL
    constexpr double SmallestDose = 0.02;
    constexpr double WantedStep = 0.15; // pH per dose
    constexpr double SettleSeconds = 3.0;
    constexpr double SecondsPerMl = 4.0; // piston speed
    constexpr std::size_t MaxPoints = 400;

    const double end = 2.0 * sample.equivalenceVolume();
    std::vector<StoredPoint> points;
    double volume = 0;
    double seconds = 0;
    while (points.size() < MaxPoints) {
        points.push_back({volume, electrode.readPh(sample.pH(volume)), seconds});
        if (volume >= end)
            break;
        double dose = LargestDose;
        while (dose > SmallestDose
            && std::abs(sample.pH(volume + dose) - sample.pH(volume)) > WantedStep)
            dose /= 2;
        dose = std::max(dose, SmallestDose);
        // Whole hundredths of a mL, as the piston doses.
        dose = std::max(0.01, std::round(dose * 100.0) / 100.0);
        volume = std::round((volume + dose) * 100.0) / 100.0;
        seconds += SettleSeconds + dose * SecondsPerMl;
    }
    return points;
}

double equivalenceFromRecording(const std::vector<StoredPoint> &points)
{
    double best = 0;
    double at = 0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const double dv = points[i].volume - points[i - 1].volume;
        if (dv <= 0)
            continue;
        const double slope = (points[i].pH - points[i - 1].pH) / dv;
        if (slope > best) {
            best = slope;
            at = 0.5 * (points[i].volume + points[i - 1].volume);
        }
    }
    return at;
}
