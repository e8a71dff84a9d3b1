#include "instrument.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

const std::string Crlf = "\r\n";
const std::string Acknowledge = "Y" + Crlf;
const std::string Unknown = "?" + Crlf;
const std::string Asterisks = "**********" + Crlf;

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The middle of the steepest step between two volumes, as the titrator marks an EP.
double steepestBetween(const std::vector<StoredPoint> &points, double from, double to)
{
    double best = -1;
    double at = 0.5 * (from + to);
    for (std::size_t i = 1; i < points.size(); ++i) {
        const double dv = points[i].volume - points[i - 1].volume;
        const double middle = 0.5 * (points[i].volume + points[i - 1].volume);
        if (dv <= 0 || middle < from || middle > to)
            continue;
        const double slope = std::abs(points[i].pH - points[i - 1].pH) / dv;
        if (slope > best) {
            best = slope;
            at = middle;
        }
    }
    return at;
}

} // namespace

std::string formatted(const char *format, ...)
{
    // The simulator never sets a locale, so printf keeps the C locale's ".".
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

Instrument::Instrument(const Options &options)
    : m_options(options)
    , m_model(makeModelSample(options.kind, options.sample.weak, options.sample.equivalenceVolume(),
          options.sample.sampleVolume, options.sample.titrantConcentration))
    , m_electrode(options.noisePh, options.seed)
    , m_lag(options.lagSeconds, options.lagJumpFactor)
{
    if (!m_options.clock)
        m_options.clock = steadySeconds;
    m_electrode.setCalibration(m_options.electrodeSlope, m_options.electrodeOffset);
    m_stored = recordTitration(
        [this](double v) { return solutionPh(v); }, m_model.endVolume, m_electrode, m_lag);
    m_lag.reset(solutionPh(0));
    m_lastSeconds = m_options.clock();
}

double Instrument::solutionPh(double volume) const
{
    // The acid keeps its own model, so the default simulator reads exactly as it always did.
    return m_options.kind == SampleKind::Acid ? m_options.sample.pH(volume)
                                              : m_model.sample.pH(volume);
}

void Instrument::settle()
{
    const double now = m_options.clock();
    if (m_lag.active()) {
        const double pH = solutionPh(m_dosed);
        const double steepness
            = (solutionPh(m_dosed + 1e-4) - solutionPh(std::max(0.0, m_dosed - 1e-4))) / 2e-4;
        m_lag.advance(now - m_lastSeconds, pH, steepness);
    }
    m_lastSeconds = now;
}

std::vector<std::string> Instrument::handle(const std::string &command)
{
    if (command == "BF")
        return {Acknowledge}; // the burette refills
    if (command == "FP" || command == "FV") {
        // A new range starts a new titration: a fresh sample in the beaker.
        m_millivolts = command == "FV";
        m_dosed = 0;
        m_lag.reset(solutionPh(0));
        m_lastSeconds = m_options.clock();
        return {Acknowledge};
    }
    if (command.rfind("DA", 0) == 0) {
        const std::string argument = command.substr(2);
        double volume = 0;
        const auto [end, error]
            = std::from_chars(argument.data(), argument.data() + argument.size(), volume);
        if (error != std::errc() || end != argument.data() + argument.size() || volume < 0)
            return {Unknown};
        settle(); // up to the dose in the old solution
        m_dosed += volume;
        return {Acknowledge};
    }
    if (command == "M")
        return {measuredValue()};
    if (command == "EX")
        return {}; // leaves the current menu; prints nothing
    if (command == "LR")
        return resultReport();
    if (command == "LD")
        return dataReport();
    return {Unknown};
}

std::string Instrument::measuredValue()
{
    settle();
    const double truePh = m_lag.active() ? m_lag.indicatedPh() : solutionPh(m_dosed);
    if (m_millivolts)
        return formatted("%8.1f mV", m_electrode.readMillivolts(truePh)) + Crlf;
    return formatted("%6.2f pH", m_electrode.readPh(truePh)) + Crlf;
}

std::vector<std::string> Instrument::resultReport() const
{
    if (m_options.kind != SampleKind::Acid)
        return modelResultReport();
    const AcidSample &sample = m_options.sample;
    const double equivalence = equivalenceFromRecording(m_stored);
    const double equivalencePh = sample.pH(equivalence);
    const double content = sample.titrantConcentration * equivalence / sample.sampleVolume;
    std::vector<std::string> lines;
    lines.push_back(Asterisks);
    lines.push_back("  TITRATOR SIMULATOR      ERGEBNIS" + Crlf);
    lines.push_back(std::string("  Methode      : ") + (sample.weak ? "Essigsaeure" : "Salzsaeure")
        + " / NaOH" + Crlf);
    lines.push_back(formatted("  Probennummer : %d", m_options.sampleNumber) + Crlf);
    lines.push_back(formatted("  Vorlage      : %.2f ml", sample.sampleVolume) + Crlf);
    lines.push_back(formatted("  Titrant      : %.4f mol/l", sample.titrantConcentration) + Crlf);
    lines.push_back(
        formatted("  EP1          : %.3f ml  %.2f pH", equivalence, equivalencePh) + Crlf);
    lines.push_back(formatted("  Gehalt       : %.5f mol/l", content) + Crlf);
    lines.push_back(Crlf);
    return lines;
}

std::vector<std::string> Instrument::modelResultReport() const
{
    const ProticSample &sample = m_model.sample;
    const auto &truth = m_model.equivalenceVolumes;
    std::vector<std::string> lines;
    lines.push_back(Asterisks);
    lines.push_back("  TITRATOR SIMULATOR      ERGEBNIS" + Crlf);
    lines.push_back("  Methode      : " + m_model.name + Crlf);
    lines.push_back(formatted("  Probennummer : %d", m_options.sampleNumber) + Crlf);
    lines.push_back(formatted("  Vorlage      : %.2f ml", sample.sampleVolume) + Crlf);
    lines.push_back(formatted("  Titrant      : %.4f mol/l", sample.titrantConcentration) + Crlf);
    double first = 0;
    for (std::size_t k = 0; k < truth.size(); ++k) {
        // Each EP is looked for halfway to its neighbours.
        const double from = k > 0 ? 0.5 * (truth[k - 1] + truth[k]) : 0.5 * truth[k];
        const double to = k + 1 < truth.size() ? 0.5 * (truth[k] + truth[k + 1])
                                               : 0.5 * (truth[k] + m_model.endVolume);
        const double ep = steepestBetween(m_stored, from, to);
        if (k == 0)
            first = ep;
        lines.push_back(
            formatted("  EP%zu          : %.3f ml  %.2f pH", k + 1, ep, sample.pH(ep)) + Crlf);
    }
    if (!truth.empty()) {
        const double content = sample.titrantConcentration * first / sample.sampleVolume;
        lines.push_back(formatted("  Gehalt       : %.5f mol/l", content) + Crlf);
    }
    lines.push_back(Crlf);
    return lines;
}

std::vector<std::string> Instrument::dataReport() const
{
    std::vector<std::string> lines;
    lines.push_back(Asterisks);
    lines.push_back("  TITRATOR SIMULATOR      MESSDATEN" + Crlf);
    lines.push_back("  Gespeicherte Titration" + Crlf);
    lines.push_back(std::string(m_millivolts ? "      ml        mV      t[s]  "
                                             : "      ml        pH      t[s]  ")
        + Crlf);
    // Every number at least three characters and followed by a blank, so each row is read
    // whole, the time included.
    for (const StoredPoint &p : m_stored) {
        if (m_millivolts)
            lines.push_back(
                formatted("  %7.3f  %8.1f  %8.1f  ", p.volume, millivoltsFromPh(p.pH), p.seconds)
                + Crlf);
        else
            lines.push_back(formatted("  %7.3f  %8.3f  %8.1f  ", p.volume, p.pH, p.seconds) + Crlf);
    }
    lines.push_back("  Ende der Daten" + Crlf);
    return lines;
}
