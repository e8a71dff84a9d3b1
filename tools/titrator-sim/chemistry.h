#pragma once

#include <random>
#include <vector>

// An acid sample titrated with sodium hydroxide: the pH in the beaker follows from the charge
// balance [H+] + [Na+] = [OH-] + [A-], solved numerically for [H+].
struct AcidSample
{
    bool weak = true; // acetic acid; otherwise hydrochloric acid
    double pKa = 4.76;
    double sampleVolume = 50.0; // mL in the beaker before dosing
    double titrantConcentration = 0.1; // mol/L NaOH
    double acidConcentration = 0.02; // mol/L in the sample

    // A sample whose equivalence point lies at the given titrant volume.
    static AcidSample forEquivalence(bool weak, double equivalenceVolume,
        double sampleVolume = 50.0, double titrantConcentration = 0.1);

    double equivalenceVolume() const;
    // pH after `addedVolume` mL of titrant, at 25 degrees.
    double pH(double addedVolume) const;
};

// Electrode potential of a glass electrode at 25 degrees: 0 mV at pH 7, -59.16 mV per pH.
double millivoltsFromPh(double pH);

// The meter: the sample's value with a little electrode noise.
class Electrode
{
public:
    Electrode(double noisePh, unsigned seed);
    double readPh(double truePh);
    double readMillivolts(double truePh);
    std::mt19937 &random() { return m_random; }

private:
    double noise();

    double m_noisePh;
    std::mt19937 m_random;
};

// One stored reading of an automatic titration.
struct StoredPoint
{
    double volume = 0; // mL
    double pH = 0; // as measured, noise included
    double seconds = 0; // since the start of the titration
};

// An automatic titration to twice the equivalence volume, with smaller doses where the pH
// moves fast, as a titrator with dynamic dosing records it.
std::vector<StoredPoint> recordTitration(const AcidSample &sample, Electrode &electrode);

// The equivalence point found in a recording: the middle of the steepest step.
double equivalenceFromRecording(const std::vector<StoredPoint> &points);
