#include "acidbasefit.h"

#include "evaluation/precipitationfit.h"
#include "evaluation/protonbalance.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace AcidBaseFitter {

namespace {

// The pKa and titrant concentrations (mol/L) the fit starts from where no neighbouring fit
// gives a start: from a strong acid's to a barely acidic one's, and from dilute to strong.
constexpr double StartPka[] = {0, 2.5, 5, 7.5, 10, 12.5};
constexpr double StartTitrant[] = {0.005, 0.05, 0.5};
// How many of the best starts are refined.
constexpr std::size_t RefinedStarts = 6;
constexpr double LowestPka = -3, HighestPka = 17;
constexpr double LowestTitrant = 1e-5, HighestTitrant = 5;

using CurveLawFit::Readings;

// Ve_1 .. Ve_K in mL, pKa_1 .. pKa_K, ln V0 (V0 in mL), ln c (c in mol/L).
template<int K>
struct AcidBaseLaw
{
    static constexpr int Count = 2 * K + 2;
    using Parameters = std::array<double, Count>;
    double noise = 0;
    double first = 0, last = 0; // the titrated range, mL

    bool inside(const Parameters &p) const
    {
        for (int k = 0; k < K; ++k) {
            if (!(p[k] > (k > 0 ? p[k - 1] : first) && p[k] < last)
                || !(p[K + k] >= LowestPka && p[K + k] <= HighestPka))
                return false;
        }
        return p[2 * K] >= 0 && p[2 * K] <= 10 && p[2 * K + 1] >= std::log(LowestTitrant)
            && p[2 * K + 1] <= std::log(HighestTitrant);
    }
    ProtonBalance balanceOf(const Parameters &p) const
    {
        ProtonBalance b;
        b.ends.push_back(0);
        for (int k = 0; k < K; ++k)
            b.ends.push_back(p[k]);
        b.titrant = std::exp(p[2 * K + 1]);
        return b;
    }
    static std::vector<double> pKaOf(const Parameters &p)
    {
        return std::vector<double>(p.begin() + K, p.begin() + 2 * K);
    }
    double shapeAt(double volume, const Parameters &p) const
    {
        return balanceOf(p).pH(volume, pKaOf(p), std::exp(p[2 * K]));
    }
    // Each solution starts the next one's search.
    std::vector<double> shapesAt(const std::vector<double> &volumes, const Parameters &p) const
    {
        const ProtonBalance b = balanceOf(p);
        const std::vector<double> pKa = pKaOf(p);
        const double start = std::exp(p[2 * K]);
        std::vector<double> shapes(volumes.size());
        double near = 7;
        for (std::size_t i = 0; i < volumes.size(); ++i)
            near = shapes[i] = b.pH(volumes[i], pKa, start, near);
        return shapes;
    }
    double prior(const Parameters &p) const
    {
        return PrecipitationFitter::vesselPrior(p[2 * K], noise);
    }
    static Parameters steps(const Parameters &p)
    {
        Parameters s;
        s.fill(1e-5);
        for (int k = 0; k < K; ++k)
            s[k] = 1e-6 * p[k];
        return s;
    }
};

template<int K>
std::optional<AcidBaseFit> fitSteps(const Readings &r, const std::vector<double> &nearVolumes,
    double noise, const AcidBaseFit *from)
{
    using Law = AcidBaseLaw<K>;
    using Parameters = typename Law::Parameters;
    const Law law {noise, std::max(r.volume.front(), 0.0), r.volume.back()};
    const CurveLawFit::Fitter<Law> fitter(r, law);
    std::vector<Parameters> starts;
    if (from && from->parameters.size() == std::size_t(Law::Count)) {
        Parameters p;
        std::copy(from->parameters.begin(), from->parameters.end(), p.begin());
        starts.push_back(p);
    } else {
        Parameters p;
        std::copy(nearVolumes.begin(), nearVolumes.end(), p.begin());
        p[2 * K] = std::log(PrecipitationFitter::TypicalSampleVolume);
        for (double c : StartTitrant) {
            p[2 * K + 1] = std::log(c);
            for (double first : StartPka) {
                p[K] = first;
                if constexpr (K == 1) {
                    starts.push_back(p);
                } else {
                    for (double second : StartPka) {
                        p[K + 1] = second;
                        if (second > first)
                            starts.push_back(p);
                    }
                }
            }
        }
    }
    // The misfit over pKa and titrant concentration can have more than one basin: the best few
    // starts are each refined, not only the best.
    std::vector<CurveLawFit::Trial<Law::Count>> tried;
    for (const Parameters &p : starts)
        tried.push_back(fitter.at(p));
    const std::size_t refined = std::min(tried.size(), RefinedStarts);
    std::partial_sort(tried.begin(), tried.begin() + std::ptrdiff_t(refined), tried.end(),
        [](const auto &a, const auto &b) { return a.objective < b.objective; });
    CurveLawFit::Trial<Law::Count> t;
    for (std::size_t i = 0; i < refined; ++i) {
        auto fitted = fitter.refine(tried[i]);
        if (fitted.objective < t.objective)
            t = std::move(fitted);
    }
    if (!std::isfinite(t.objective))
        return std::nullopt;
    AcidBaseFit out;
    static_cast<LawPoint &>(out) = fitter.pointOf(t, noise, 0, false);
    if (!std::isfinite(out.uVolume))
        return std::nullopt;
    out.volumes.assign(t.p.begin(), t.p.begin() + K);
    out.parameters.assign(t.p.begin(), t.p.end());
    return out;
}

} // namespace

std::optional<AcidBaseFit> fitLagged(const CurveSeries &readings,
    const std::vector<double> &nearVolumes, double noise, const std::vector<double> &remainders,
    const AcidBaseFit *from)
{
    const int steps = int(nearVolumes.size());
    if (steps < 1 || steps > LargestSteps)
        return std::nullopt;
    const auto taken = CurveLawFit::readingsFor(
        readings, 2 * steps + 4, noise, &remainders, CurveLawFit::AtStart::OnTheLaw);
    if (!taken)
        return std::nullopt;
    return steps == 1 ? fitSteps<1>(*taken, nearVolumes, noise, from)
                      : fitSteps<2>(*taken, nearVolumes, noise, from);
}

} // namespace AcidBaseFitter
