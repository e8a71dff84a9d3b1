// adaptive-run: the specified titration run against dynamic dosing with drift-controlled
// readings, on a simulated clock with the simulator's chemistry and a lagging electrode.
//
// (a) fixed: the run's own rhythm on 500 ms ticks: "M", the value taken on the next tick, the
//     end check, the waiting time in 100 ms ticks, "DA" with the fixed increment, the
//     acknowledgement on the next tick, "M" on the one after.
// (b) dynamic + drift: after the acknowledgement "M" goes out on every other tick (once a
//     second) until the drift monitor takes a reading; then the end check and the next dose,
//     sized by the dosing rule, on the following ticks.
// Each run's rows (exact volume, reading) go to EpRecognition and to the earlier steepest-step
// finder; the error is taken against the sample's stoichiometric volume.
//
//   adaptive-run [--runs N] [--seed S] [--lag S] [--noise PH] [--wait S] [--increment ML]
//                [--end-volume ML] [--equivalence ML] [--spread ML] [--raw] [--growth G]
//                [--window S] [--table] [--verbose]
//
// Not part of the test suite.

#include "chemistry.h"

#include "evaluation/curveseries.h"
#include "evaluation/eprecognition.h"
#include "evaluation/equivalencepointfinder.h"
#include "titration/dosingrule.h"
#include "titration/driftmonitor.h"
#include "titration/methodsettings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double Tick = 0.5; // s, the run's normal timer interval
constexpr double WaitTick = 0.1; // s, while waiting after a reading
constexpr double LineDelay = 0.01; // s from a command to the instrument acting on it

struct Options
{
    int runs = 50;
    unsigned seed = 1000;
    double lag = 1.5;
    double noise = 0.002;
    double wait = 2.0;
    double increment = 0.1;
    double endVolume = 15.0;
    double equivalence = 10.0;
    double spread = 0.5; // equivalence volumes drawn from equivalence +- spread
    bool raw = false; // readings as the electrode gives them, not rounded to 0.01 pH
    bool verbose = false;
    bool table = false; // print the first dynamic run's rows
    // Overrides of the rule's and the monitor's constants, for tuning on other seeds.
    std::optional<int> growth;
    std::optional<double> window;
};

// The beaker and the electrode on the simulated clock.
class Beaker
{
public:
    Beaker(const AcidSample &sample, const Options &o, unsigned seed)
        : m_sample(sample)
        , m_electrode(o.noise, seed)
        , m_lag(o.lag)
        , m_raw(o.raw)
    {
        m_lag.reset(m_sample.pH(0));
    }

    void dose(double at, double ml)
    {
        follow(at);
        m_volume += ml;
    }
    double read(double at)
    {
        follow(at);
        const double shown = m_lag.active() ? m_lag.indicatedPh() : m_sample.pH(m_volume);
        const double value = m_electrode.readPh(shown);
        // The instrument replies "%6.2f pH".
        return m_raw ? value : std::round(value * 100.0) / 100.0;
    }

private:
    void follow(double at)
    {
        if (at > m_time) {
            const double d = 1e-4;
            const double steep
                = (m_sample.pH(m_volume + d) - m_sample.pH(std::max(0.0, m_volume - d)))
                / (m_volume > d ? 2 * d : d);
            m_lag.advance(at - m_time, m_sample.pH(m_volume), steep);
        }
        m_time = std::max(m_time, at);
    }

    AcidSample m_sample;
    Electrode m_electrode;
    ElectrodeLag m_lag;
    bool m_raw;
    double m_time = 0;
    double m_volume = 0;
};

struct RunResult
{
    CurveSeries rows;
    std::vector<bool> forced;
    double seconds = 0; // from the range command to the last row
    int doses = 0;
};

// The specified run, tick by tick: the waiting time lies between a reading and the next dose.
RunResult fixedRun(Beaker &beaker, const Options &o)
{
    RunResult r;
    const qint64 increment = DosedVolume::toMicrolitres(o.increment);
    const int waitTicks = int(std::lround(o.wait / WaitTick));
    DosedVolume volume;
    double t = 0; // "FP" goes out
    t += Tick; // step 2 takes the acknowledgement
    while (true) {
        t += Tick; // step 3 sends "M"
        const double value = beaker.read(t + LineDelay);
        t += Tick; // step 4 takes the value and writes the row
        r.rows.push_back({volume.millilitres(), value});
        r.forced.push_back(false);
        r.seconds = t;
        t += Tick; // step 5: end check
        if (volume.millilitres() >= o.endVolume || r.rows.size() >= 499)
            break;
        t += waitTicks * WaitTick; // step 6
        t += Tick; // step 7 sends "DA"
        beaker.dose(t + LineDelay, DosedVolume::toMillilitres(increment));
        volume.add(increment);
        ++r.doses;
        t += Tick; // step 8 takes the acknowledgement
    }
    return r;
}

// Dynamic dosing with drift-controlled readings and the default method settings.
RunResult dynamicRun(Beaker &beaker, const Options &o)
{
    RunResult r;
    const MethodSettings method = MethodSettings().clamped();
    const DosingRule base = DosingRule::fromSettings(method, false);
    const DosingRule rule(base.minDose(), base.maxDose(), base.targetStep(),
        o.growth.value_or(DosingRule::DefaultGrowth));
    DriftMonitor monitor(method.driftLimitPh, method.minWait, method.maxWait,
        o.window.value_or(DriftMonitor::DefaultWindow));
    DosedVolume volume;
    qint64 lastDose = 0;
    double t = 0; // "FP" goes out
    t += Tick; // its acknowledgement is taken
    monitor.start(t);
    while (true) {
        DriftMonitor::Verdict verdict = DriftMonitor::Verdict::Wait;
        double value = 0;
        while (verdict == DriftMonitor::Verdict::Wait) {
            t += Tick; // "M"
            value = beaker.read(t + LineDelay);
            t += Tick; // the value is taken
            verdict = monitor.add(t, value);
        }
        const double before = r.rows.empty() ? value : r.rows.back().value;
        r.rows.push_back({volume.millilitres(), value});
        r.forced.push_back(verdict == DriftMonitor::Verdict::Forced);
        r.seconds = t;
        t += Tick; // end check
        if (volume.millilitres() >= o.endVolume || r.rows.size() >= 499)
            break;
        const qint64 dose
            = lastDose == 0 ? rule.firstDose() : rule.nextDose(lastDose, value - before);
        t += Tick; // "DA"
        beaker.dose(t + LineDelay, DosedVolume::toMillilitres(dose));
        volume.add(dose);
        lastDose = dose;
        ++r.doses;
        t += Tick; // the acknowledgement is taken
        monitor.start(t);
    }
    return r;
}

struct Tally
{
    std::vector<double> recognised; // errors in mL; runs without a point are counted apart
    std::vector<double> steepest;
    int recognisedMissing = 0;
    int steepestMissing = 0;
    int extraPoints = 0;
    int forcedRows = 0;
    double seconds = 0;
    double doses = 0;
    int runs = 0;

    void add(const RunResult &r, double truth)
    {
        ++runs;
        seconds += r.seconds;
        doses += r.doses;
        forcedRows += int(std::count(r.forced.begin(), r.forced.end(), true));
        const EpAnalysis analysis = EpRecognition::recognise(r.rows);
        if (analysis.points.empty()) {
            ++recognisedMissing;
        } else {
            const auto best = std::max_element(analysis.points.begin(), analysis.points.end(),
                [](const RecognisedEp &a, const RecognisedEp &b) {
                    return a.significance < b.significance;
                });
            recognised.push_back(best->volume - truth);
            extraPoints += int(analysis.points.size()) - 1;
        }
        std::vector<double> volumes;
        std::vector<double> values;
        for (const CurvePoint &p : r.rows) {
            volumes.push_back(p.volume);
            values.push_back(p.value);
        }
        const auto ep
            = EquivalencePointFinder::find(volumes.data(), values.data(), int(volumes.size()));
        if (ep)
            steepest.push_back(ep->volume - truth);
        else
            ++steepestMissing;
    }
};

struct Stats
{
    double mean = 0; // signed
    double meanAbs = 0;
    double rms = 0;
};

Stats stats(const std::vector<double> &errors)
{
    Stats s;
    if (errors.empty())
        return {std::nan(""), std::nan(""), std::nan("")};
    for (double e : errors) {
        s.mean += e;
        s.meanAbs += std::abs(e);
        s.rms += e * e;
    }
    const double n = double(errors.size());
    s.mean /= n;
    s.meanAbs /= n;
    s.rms = std::sqrt(s.rms / n);
    return s;
}

void printRow(const char *name, const char *finder, const std::vector<double> &errors, int missing,
    const Tally &t)
{
    const Stats s = stats(errors);
    std::printf("%-16s %-12s %9.1f %9.1f %9.1f %8d %9.0f %7.1f\n", name, finder, 1000 * s.mean,
        1000 * s.meanAbs, 1000 * s.rms, missing, t.seconds / t.runs, t.doses / t.runs);
}

void usage()
{
    std::fputs("usage: adaptive-run [--runs N] [--seed S] [--lag S] [--noise PH] [--wait S]\n"
               "                    [--increment ML] [--end-volume ML] [--equivalence ML]\n"
               "                    [--spread ML] [--raw] [--growth G] [--window S] [--table]\n"
               "                    [--verbose]\n",
        stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto number = [&](double &field) {
            if (!value)
                return false;
            field = std::atof(value);
            ++i;
            return true;
        };
        double n = 0;
        bool ok = true;
        if (arg == "--runs") {
            ok = number(n) && n >= 1;
            o.runs = int(n);
        } else if (arg == "--seed") {
            ok = number(n);
            o.seed = unsigned(n);
        } else if (arg == "--lag") {
            ok = number(o.lag) && o.lag >= 0;
        } else if (arg == "--noise") {
            ok = number(o.noise) && o.noise >= 0;
        } else if (arg == "--wait") {
            ok = number(o.wait) && o.wait >= 0;
        } else if (arg == "--increment") {
            ok = number(o.increment) && o.increment >= 0.001;
        } else if (arg == "--end-volume") {
            ok = number(o.endVolume) && o.endVolume > 0;
        } else if (arg == "--equivalence") {
            ok = number(o.equivalence) && o.equivalence > 0;
        } else if (arg == "--spread") {
            ok = number(o.spread) && o.spread >= 0;
        } else if (arg == "--growth") {
            ok = number(n) && n >= 1;
            o.growth = int(n);
        } else if (arg == "--window") {
            ok = number(n) && n > 0;
            o.window = n;
        } else if (arg == "--raw") {
            o.raw = true;
        } else if (arg == "--table") {
            o.table = true;
        } else if (arg == "--verbose") {
            o.verbose = true;
        } else {
            ok = false;
        }
        if (!ok) {
            usage();
            return 1;
        }
    }

    Tally fixed;
    Tally dynamic;
    std::mt19937 draw(o.seed);
    for (int k = 0; k < o.runs; ++k) {
        const double equivalence
            = o.equivalence + std::uniform_real_distribution<double>(-o.spread, o.spread)(draw);
        const AcidSample sample = AcidSample::forEquivalence(true, equivalence);
        const unsigned noiseSeed = o.seed * 7919u + unsigned(k);
        Beaker a(sample, o, noiseSeed);
        const RunResult f = fixedRun(a, o);
        Beaker b(sample, o, noiseSeed);
        const RunResult d = dynamicRun(b, o);
        fixed.add(f, sample.equivalenceVolume());
        dynamic.add(d, sample.equivalenceVolume());
        if (o.table && k == 0) {
            for (std::size_t i = 0; i < d.rows.size(); ++i) {
                std::printf("  %7.3f  %7.3f%s\n", d.rows[i].volume, d.rows[i].value,
                    d.forced[i] ? "  *" : "");
            }
        }
        if (o.verbose) {
            std::printf(
                "run %2d  EP %.4f mL  fixed %+.4f  dynamic %+.4f  (%d/%d doses, %.0f/%.0f s)\n", k,
                sample.equivalenceVolume(),
                fixed.recognised.empty() ? NAN : fixed.recognised.back(),
                dynamic.recognised.empty() ? NAN : dynamic.recognised.back(), f.doses, d.doses,
                f.seconds, d.seconds);
        }
    }

    std::printf(
        "acetic acid, EP %.2f +- %.2f mL, end %.2f mL; electrode lag %.1f s, noise %.3f pH%s;"
        " %d runs from seed %u\n",
        o.equivalence, o.spread, o.endVolume, o.lag, o.noise, o.raw ? "" : ", readings to 0.01 pH",
        o.runs, o.seed);
    std::printf(
        "fixed: %.3f mL every %.1f s of waiting; dynamic + drift: the default method settings\n\n",
        o.increment, o.wait);
    std::printf("%-16s %-12s %9s %9s %9s %8s %9s %7s\n", "run", "EP finder", "mean[uL]",
        "|err|[uL]", "RMS[uL]", "missing", "time[s]", "doses");
    printRow("fixed", "recognition", fixed.recognised, fixed.recognisedMissing, fixed);
    printRow("fixed", "steepest", fixed.steepest, fixed.steepestMissing, fixed);
    printRow(
        "dynamic+drift", "recognition", dynamic.recognised, dynamic.recognisedMissing, dynamic);
    printRow("dynamic+drift", "steepest", dynamic.steepest, dynamic.steepestMissing, dynamic);
    std::printf(
        "\nextra points recognised: fixed %d, dynamic %d; forced rows in dynamic runs: %d\n",
        fixed.extraPoints, dynamic.extraPoints, dynamic.forcedRows);
    return 0;
}
