#include "chemistry.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The root of `f`, rising through 0 once between `low` and `high`, by 100 halvings.
template<typename F>
double rootOfRising(const F &f, double low, double high)
{
    for (int i = 0; i < 100; ++i) {
        const double mid = 0.5 * (low + high);
        if (f(mid) > 0)
            high = mid;
        else
            low = mid;
    }
    return 0.5 * (low + high);
}

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

double ProticSample::pH(double addedVolume) const
{
    const double total = sampleVolume + addedVolume;
    const double titrant = titrantConcentration * addedVolume / total;
    const double cation = cationConcentration * sampleVolume / total + (baseTitrant ? titrant : 0);
    const double anion = anionConcentration * sampleVolume / total + (baseTitrant ? 0 : titrant);
    const double analyte = analyteConcentration * sampleVolume / total;
    std::vector<double> logTerms(pKa.size() + 1);
    // Mean number of protons lost at ln[H+] = x: the species fractions in log form, so that a
    // strong first proton and a very weak last one stay finite.
    auto protonsLost = [&](double x) {
        double sum = 0;
        logTerms[0] = 0;
        for (std::size_t j = 1; j < logTerms.size(); ++j)
            logTerms[j] = logTerms[j - 1] - pKa[j - 1] * std::log(10.0) - x;
        const double top = *std::max_element(logTerms.begin(), logTerms.end());
        double weighted = 0;
        for (std::size_t j = 0; j < logTerms.size(); ++j) {
            const double t = std::exp(logTerms[j] - top);
            sum += t;
            weighted += double(j) * t;
        }
        return weighted / sum;
    };
    // The charge excess rises with [H+], so bisection on log [H+] finds its only root.
    auto excess = [&](double logH) {
        const double h = std::pow(10.0, logH);
        return h + cation - Kw / h - anion - analyte * protonsLost(logH * std::log(10.0));
    };
    return -rootOfRising(excess, -16.0, 1.0);
}

double ProticSample::slope(double addedVolume) const
{
    constexpr double Delta = 1e-5; // mL
    return (pH(addedVolume + Delta) - pH(addedVolume - Delta)) / (2 * Delta);
}

double ProticSample::stoichiometricVolume(int protonsLost) const
{
    const double k = protonsLost;
    const double net = baseTitrant
        ? k * analyteConcentration + anionConcentration - cationConcentration
        : cationConcentration - anionConcentration - k * analyteConcentration;
    return net * sampleVolume / titrantConcentration;
}

RedoxSample RedoxSample::forEquivalence(int analyteElectrons, int titrantElectrons,
    double analytePotential, double titrantPotential, bool dimericTitrant, double equivalence,
    double sampleVolume, double titrantConcentration)
{
    RedoxSample s;
    s.analyteElectrons = analyteElectrons;
    s.titrantElectrons = titrantElectrons;
    s.analytePotential = analytePotential;
    s.titrantPotential = titrantPotential;
    s.dimericTitrant = dimericTitrant;
    s.sampleVolume = sampleVolume;
    s.titrantConcentration = titrantConcentration;
    s.analyteConcentration
        = titrantElectrons * titrantConcentration * equivalence / (analyteElectrons * sampleVolume);
    return s;
}

double RedoxSample::equivalenceVolume() const
{
    return analyteElectrons * analyteConcentration * sampleVolume
        / (titrantElectrons * titrantConcentration);
}

double RedoxSample::potential(double addedVolume) const
{
    const double total = sampleVolume + addedVolume;
    const double analyte = analyteConcentration * sampleVolume / total;
    const double titrant = titrantConcentration * addedVolume / total;
    // Electrons the analyte gave up less those the titrant took, as a function of E: it rises
    // with E, so bisection finds its only root.
    auto excess = [&](double e) {
        const double oxidised
            = 1 / (1 + std::pow(10.0, -analyteElectrons * (e - analytePotential) / NernstSlope));
        const double k = std::pow(10.0, titrantElectrons * (e - titrantPotential) / NernstSlope);
        // Fraction of the titrant reduced: (1 - r) / r = K, or for a dimer (1 - r) / (4 T r^2) = K.
        const double reduced
            = dimericTitrant ? 2 / (1 + std::sqrt(1 + 16 * titrant * k)) : 1 / (1 + k);
        return analyteElectrons * analyte * oxidised - titrantElectrons * titrant * reduced;
    };
    return rootOfRising(excess, std::min(analytePotential, titrantPotential) - 1000,
        std::max(analytePotential, titrantPotential) + 1000);
}

std::vector<double> PrecipitationSample::equivalenceVolumes() const
{
    std::vector<double> volumes;
    double silver = 0;
    for (const Anion &a : anions) {
        silver += a.silverPerAnion * a.concentration * sampleVolume;
        volumes.push_back(silver / titrantConcentration);
    }
    return volumes;
}

double PrecipitationSample::potential(double addedVolume) const
{
    constexpr double SilverPotential = 799.6; // Ag+/Ag, mV
    const double total = sampleVolume + addedVolume;
    const double silver = titrantConcentration * addedVolume / total;
    // Silver dosed less silver free and precipitated, at log [Ag+] = x: it falls with x, so
    // bisection finds its only root.
    auto unbound = [&](double x) {
        const double free = std::pow(10.0, x);
        double bound = 0;
        for (const Anion &a : anions) {
            const double c = a.concentration * sampleVolume / total;
            const double dissolved = std::min(c, std::pow(10.0, -a.pKsp - a.silverPerAnion * x));
            bound += a.silverPerAnion * (c - dissolved);
        }
        return silver - free - bound;
    };
    return SilverPotential
        + NernstSlope * rootOfRising([&](double x) { return -unbound(x); }, -40, 1);
}

double ModelSample::pH(double addedVolume) const
{
    return potential ? 7.0 - potential(addedVolume) / NernstSlope : sample.pH(addedVolume);
}

double ModelSample::slope(double addedVolume) const
{
    constexpr double Delta = 1e-5; // mL
    return (pH(addedVolume + Delta) - pH(addedVolume - Delta)) / (2 * Delta);
}

namespace {

// The content as the result formula gives it: one titrant per analyte.
ModelSample potentialModel(double sampleVolume, double titrantConcentration,
    std::vector<double> equivalences, std::function<double(double)> potential)
{
    ModelSample model;
    model.sample.sampleVolume = sampleVolume;
    model.sample.titrantConcentration = titrantConcentration;
    model.sample.anionConcentration = titrantConcentration * equivalences.front() / sampleVolume;
    model.equivalenceVolumes = std::move(equivalences);
    model.potential = std::move(potential);
    return model;
}

} // namespace

ModelSample makeRedoxSample(const RedoxSample &sample)
{
    return potentialModel(sample.sampleVolume, sample.titrantConcentration,
        {sample.equivalenceVolume()}, [sample](double v) { return sample.potential(v); });
}

ModelSample makePrecipitationSample(const PrecipitationSample &sample)
{
    return potentialModel(sample.sampleVolume, sample.titrantConcentration,
        sample.equivalenceVolumes(), [sample](double v) { return sample.potential(v); });
}

bool sampleKindFromName(const std::string &name, SampleKind &kind)
{
    static const std::pair<const char *, SampleKind> names[] = {
        {"acid", SampleKind::Acid},
        {"phosphoric", SampleKind::Phosphoric},
        {"carbonate", SampleKind::Carbonate},
        {"buffer", SampleKind::Buffer},
    };
    for (const auto &[text, value] : names) {
        if (name == text) {
            kind = value;
            return true;
        }
    }
    return false;
}

namespace {

// A beaker of `sampleVolume` mL with nothing dissolved yet, and the titrant's concentration.
ModelSample emptyModel(double sampleVolume, double titrantConcentration)
{
    ModelSample model;
    model.sample.sampleVolume = sampleVolume;
    model.sample.titrantConcentration = titrantConcentration;
    return model;
}

} // namespace

ModelSample makeMonoproticSample(bool strong, bool base, double pKa, double equivalence,
    double sampleVolume, double titrantConcentration)
{
    ModelSample model = emptyModel(sampleVolume, titrantConcentration);
    ProticSample &s = model.sample;
    const double c = titrantConcentration * equivalence / sampleVolume;
    if (base) {
        // A base titrated with HCl: NaOH (strong) or ammonia (the acid NH4+ with its pKa).
        s.baseTitrant = false;
        s.cationConcentration = c;
    } else if (strong) {
        s.anionConcentration = c; // HCl: the chloride is all there is
    }
    if (!strong) {
        s.pKa = {pKa};
        s.analyteConcentration = c;
    }
    model.equivalenceVolumes = {equivalence};
    return model;
}

ModelSample makeModelSample(SampleKind kind, bool weakAcid, double firstEquivalence,
    double sampleVolume, double titrantConcentration)
{
    ModelSample model = emptyModel(sampleVolume, titrantConcentration);
    ProticSample &s = model.sample;
    // One proton (or one protonation) per molecule between neighbouring jumps.
    const double perStage = titrantConcentration * firstEquivalence / sampleVolume;
    // Two visible jumps one stage apart, titrated half a stage past the second.
    auto twoJumps = [&](std::vector<double> pKa, const char *name) {
        s.pKa = std::move(pKa);
        s.analyteConcentration = perStage;
        model.equivalenceVolumes = {firstEquivalence, 2 * firstEquivalence};
        model.endVolume = 2.5 * firstEquivalence;
        model.name = name;
    };
    switch (kind) {
    case SampleKind::Acid:
        model = makeMonoproticSample(!weakAcid, false, AcidSample().pKa, firstEquivalence,
            sampleVolume, titrantConcentration);
        model.endVolume = 2 * firstEquivalence;
        model.name = weakAcid ? "Essigsaeure / NaOH" : "Salzsaeure / NaOH";
        break;
    case SampleKind::Phosphoric:
        twoJumps({2.15, 7.20, 12.35}, "Phosphorsaeure / NaOH");
        break;
    case SampleKind::Carbonate:
        twoJumps({6.35, 10.33}, "Natriumcarbonat / HCl");
        s.cationConcentration = 2 * perStage;
        s.baseTitrant = false;
        break;
    case SampleKind::Buffer:
        // Acetic acid and acetate, each enough for five times the nominal volume: twice that
        // volume stays inside the buffer region.
        s.pKa = {AcidSample().pKa};
        s.analyteConcentration = 10 * perStage;
        s.cationConcentration = 5 * perStage;
        model.endVolume = 2 * firstEquivalence;
        model.name = "Acetatpuffer / NaOH";
        break;
    }
    return model;
}

double millivoltsFromPh(double pH)
{
    return (7.0 - pH) * NernstSlope;
}

Electrode::Electrode(double noisePh, unsigned seed)
    : m_noisePh(noisePh)
    , m_random(seed)
{ }

void Electrode::setCalibration(double slope, double offsetMillivolts)
{
    m_slope = slope;
    m_offsetMillivolts = offsetMillivolts;
}

double Electrode::indicated(double truePh) const
{
    // Written as a correction, so the ideal electrode gives the true pH bit for bit.
    return truePh + (m_slope - 1) * (truePh - 7.0) - m_offsetMillivolts / NernstSlope;
}

ElectrodeLag::ElectrodeLag(double tauSeconds, double jumpFactor)
    : m_tau(tauSeconds)
    , m_jumpFactor(jumpFactor)
{ }

void ElectrodeLag::reset(double pH)
{
    m_indicated = pH;
}

void ElectrodeLag::advance(double seconds, double solutionPh, double steepness)
{
    if (m_tau <= 0 || seconds <= 0) {
        m_indicated = m_tau <= 0 ? solutionPh : m_indicated;
        return;
    }
    const double s = std::abs(steepness);
    const double tau = m_tau * (1 + m_jumpFactor * s / (s + 1.0));
    m_indicated = solutionPh + (m_indicated - solutionPh) * std::exp(-seconds / tau);
}

double Electrode::noise()
{
    if (m_noisePh <= 0)
        return 0;
    std::normal_distribution<double> distribution(0.0, m_noisePh);
    return distribution(m_random);
}

double Electrode::readPh(double truePh)
{
    return indicated(truePh) + noise();
}

double Electrode::readMillivolts(double truePh)
{
    return millivoltsFromPh(indicated(truePh) + noise());
}

std::vector<StoredPoint> recordTitration(const AcidSample &sample, Electrode &electrode)
{
    return recordTitration(
        [&sample](double v) { return sample.pH(v); }, 2.0 * sample.equivalenceVolume(), electrode);
}

namespace {

double steepnessAt(const std::function<double(double)> &pH, double volume)
{
    constexpr double Delta = 1e-4; // mL
    return (pH(volume + Delta) - pH(std::max(0.0, volume - Delta))) / (2 * Delta);
}

} // namespace

std::vector<StoredPoint> recordTitration(const std::function<double(double)> &pH, double endVolume,
    Electrode &electrode, ElectrodeLag lag, double startVolume)
{
    constexpr double LargestDose = 0.5; // mL
    constexpr double SmallestDose = 0.02;
    constexpr double WantedStep = 0.15; // pH per dose
    constexpr double SettleSeconds = 3.0;
    constexpr double SecondsPerMl = 4.0; // piston speed
    constexpr std::size_t MaxPoints = 400;

    const double end = endVolume;
    std::vector<StoredPoint> points;
    double volume = startVolume;
    double seconds = 0;
    lag.reset(pH(volume));
    while (points.size() < MaxPoints) {
        const double shown = lag.active() ? lag.indicatedPh() : pH(volume);
        points.push_back({volume, electrode.readPh(shown), seconds});
        if (volume >= end)
            break;
        double dose = LargestDose;
        while (dose > SmallestDose && std::abs(pH(volume + dose) - pH(volume)) > WantedStep)
            dose /= 2;
        dose = std::max(dose, SmallestDose);
        // Whole hundredths of a mL, as the piston doses.
        dose = std::max(0.01, std::round(dose * 100.0) / 100.0);
        volume = std::round((volume + dose) * 100.0) / 100.0;
        const double interval = SettleSeconds + dose * SecondsPerMl;
        seconds += interval;
        if (lag.active())
            lag.advance(interval, pH(volume), steepnessAt(pH, volume));
    }
    return points;
}

std::vector<StoredPoint> recordFixedIncrements(const std::function<double(double)> &pH,
    double startVolume, double endVolume, double increment, Electrode &electrode, ElectrodeLag lag,
    double waitSeconds)
{
    std::vector<StoredPoint> points;
    lag.reset(pH(startVolume));
    const int steps = int(std::floor((endVolume - startVolume) / increment + 1e-9));
    for (int i = 0; i <= steps; ++i) {
        const double volume = startVolume + i * increment;
        if (i > 0 && lag.active())
            lag.advance(waitSeconds, pH(volume), steepnessAt(pH, volume));
        const double shown = lag.active() ? lag.indicatedPh() : pH(volume);
        points.push_back({volume, electrode.readPh(shown), i * waitSeconds});
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
