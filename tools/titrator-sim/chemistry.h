#pragma once

#include <functional>
#include <random>
#include <string>
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

// A sample holding one weak acid system (mono- or polyprotic, in its acid form or as a salt)
// and strong ions, titrated with a strong base (NaOH) or a strong acid (HCl). The pH follows
// from the charge balance [H+] + [Na+] = [OH-] + [Cl-] + C * (mean number of protons lost),
// solved numerically for [H+].
struct ProticSample
{
    std::vector<double> pKa; // of the analyte's acid form, ascending; empty: no weak system
    double analyteConcentration = 0; // mol/L in the sample
    double cationConcentration = 0; // strong cation (Na+) in the sample, mol/L
    double anionConcentration = 0; // strong anion (Cl-) in the sample, mol/L
    double sampleVolume = 50.0; // mL in the beaker before dosing
    double titrantConcentration = 0.1; // mol/L
    bool baseTitrant = true; // NaOH; otherwise HCl

    // pH after `addedVolume` mL of titrant, at 25 degrees.
    double pH(double addedVolume) const;
    // dpH/dV at `addedVolume`, by a central difference of the exact curve.
    double slope(double addedVolume) const;
    // The titrant volume at which every analyte molecule has lost `protonsLost` protons, by
    // stoichiometry alone; negative when the sample starts beyond that state.
    double stoichiometricVolume(int protonsLost) const;
};

// A reducing analyte titrated with an oxidising one (or the reverse roles), followed by an
// inert electrode in mV. The analyte gives up `analyteElectrons` per molecule, the titrant
// takes `titrantElectrons`; unequal numbers make the jump asymmetric. The potential follows
// from the electron balance with both Nernst equations (formal potentials at the sample's
// acidity), solved numerically. A dimeric titrant (dichromate: one Cr2O7 gives two Cr3+) has a
// concentration term in its Nernst equation.
struct RedoxSample
{
    int analyteElectrons = 1; // Fe2+ -> Fe3+
    int titrantElectrons = 5; // MnO4- -> Mn2+
    double analytePotential = 680; // formal, mV
    double titrantPotential = 1510; // formal, mV
    bool dimericTitrant = false;
    double analyteConcentration = 0.1; // mol/L in the sample
    double sampleVolume = 50; // mL
    double titrantConcentration = 0.02; // mol/L

    // The sample whose equivalence point lies at `equivalence` mL.
    static RedoxSample forEquivalence(int analyteElectrons, int titrantElectrons,
        double analytePotential, double titrantPotential, bool dimericTitrant, double equivalence,
        double sampleVolume, double titrantConcentration);
    double equivalenceVolume() const;
    // Potential in mV after `addedVolume` mL (more than zero: the first drop sets it).
    double potential(double addedVolume) const;
};

// Anions precipitated by silver nitrate, followed by a silver electrode in mV. Each anion X
// binds `silverPerAnion` Ag+ (Ag2S: 2, unequal charges make the jump asymmetric); the least
// soluble precipitates first, and a second anion caps the first one's jump. The free silver
// follows from the silver balance with the solubility products, solved numerically.
struct PrecipitationSample
{
    struct Anion
    {
        double concentration = 0; // mol/L in the sample
        double pKsp = 9.74; // AgCl
        int silverPerAnion = 1;
    };
    std::vector<Anion> anions; // in the order they precipitate
    double sampleVolume = 50; // mL
    double titrantConcentration = 0.1; // mol/L AgNO3

    // The volumes at which each anion is used up, in the order of `anions`.
    std::vector<double> equivalenceVolumes() const;
    // Potential in mV after `addedVolume` mL (more than zero: without silver it is undefined).
    double potential(double addedVolume) const;
};

// The samples the simulator offers. `Acid` is the acetic or hydrochloric acid of AcidSample.
enum class SampleKind {
    Acid,
    Phosphoric, // H3PO4 with NaOH: rising, two visible jumps (the third is lost in water)
    Carbonate, // Na2CO3 with HCl: falling, two jumps (to HCO3-, then to H2CO3)
    Buffer, // acetic acid and acetate with NaOH: no jump in the titrated range
};

// A sample kind from its option name ("acid", "phosphoric", "carbonate", "buffer"); false for
// an unknown name.
bool sampleKindFromName(const std::string &name, SampleKind &kind);

// A model sample with the volumes its jumps lie at and the end of its titration.
struct ModelSample
{
    ProticSample sample;
    std::vector<double> equivalenceVolumes; // the visible ones, ascending, by stoichiometry
    double endVolume = 0; // mL titrated in all
    std::string name; // for the result report
    // A curve followed in mV rather than by its pH (redox, precipitation): when set, the
    // sample above only holds the content as the result formula gives it, one titrant per
    // analyte.
    std::function<double(double)> potential;

    // The value a pH meter would show for this curve: a potential in mV as the pH a glass
    // electrode would have at it, so that millivoltsFromPh() gives the potential back.
    double pH(double addedVolume) const;
    double slope(double addedVolume) const;
};

// Curves followed in mV, as model samples whose content is given in titrant equivalents.
ModelSample makeRedoxSample(const RedoxSample &sample);
ModelSample makePrecipitationSample(const PrecipitationSample &sample);

// One monoprotic analyte whose jump lies at `equivalence` mL: an acid titrated with NaOH or a
// base with HCl, strong or weak (`pKa` of the weak acid or of the weak base's acid form). The
// end volume and the name are left to the caller.
ModelSample makeMonoproticSample(bool strong, bool base, double pKa, double equivalence,
    double sampleVolume, double titrantConcentration);

// The sample of `kind` whose first jump lies at `firstEquivalence` mL (for Buffer: the nominal
// volume that sets the titrated range, twice this, with no jump in it).
ModelSample makeModelSample(SampleKind kind, bool weakAcid, double firstEquivalence,
    double sampleVolume = 50.0, double titrantConcentration = 0.1);

// Electrode potential of a glass electrode at 25 degrees: 0 mV at pH 7, -59.16 mV per pH.
double millivoltsFromPh(double pH);

// The meter: the sample's value with a little electrode noise. An electrode whose slope is
// below the ideal one or whose zero point is off shows a pH that a meter calibrated for the
// ideal electrode reads wrongly: 7 + slope * (pH - 7) - offset / 59.16.
class Electrode
{
public:
    Electrode(double noisePh, unsigned seed);
    // slope as a fraction of the ideal slope (0.97 for 97 %), offset in mV at pH 7.
    void setCalibration(double slope, double offsetMillivolts);
    double readPh(double truePh);
    double readMillivolts(double truePh);
    std::mt19937 &random() { return m_random; }

private:
    double noise();
    double indicated(double truePh) const;

    double m_noisePh;
    double m_slope = 1;
    double m_offsetMillivolts = 0;
    std::mt19937 m_random;
};

// First-order response of the electrode: after each dose the pH it indicates approaches the
// solution's with time constant tau; near a jump (a steep curve, slow to settle) tau grows to
// tau * (1 + jumpFactor * s / (s + 1 pH/mL)) for a steepness s of the curve.
class ElectrodeLag
{
public:
    explicit ElectrodeLag(double tauSeconds = 0, double jumpFactor = 0);
    bool active() const { return m_tau > 0; }
    // The electrode stands in a solution of this pH and has settled to it.
    void reset(double pH);
    // `seconds` pass in a solution of pH `solutionPh` whose curve rises by `steepness` pH/mL.
    void advance(double seconds, double solutionPh, double steepness);
    double indicatedPh() const { return m_indicated; }

private:
    double m_tau;
    double m_jumpFactor;
    double m_indicated = 7;
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

// The same dynamic titration of any curve from `startVolume` to `endVolume` mL; with an active
// lag each reading is taken when the settling time after its dose has passed, the electrode
// still lagging.
std::vector<StoredPoint> recordTitration(const std::function<double(double)> &pH, double endVolume,
    Electrode &electrode, ElectrodeLag lag = ElectrodeLag(), double startVolume = 0);

// A titration at fixed increments from `startVolume` to `endVolume` mL (both included when
// the end is a whole number of increments away), each reading `waitSeconds` after its dose.
std::vector<StoredPoint> recordFixedIncrements(const std::function<double(double)> &pH,
    double startVolume, double endVolume, double increment, Electrode &electrode,
    ElectrodeLag lag = ElectrodeLag(), double waitSeconds = 10);

// The equivalence point found in a recording: the middle of the steepest step.
double equivalenceFromRecording(const std::vector<StoredPoint> &points);
