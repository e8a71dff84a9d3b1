#include "instrument.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>

namespace {

const std::string Crlf = "\r\n";
const std::string Acknowledge = "Y" + Crlf;
const std::string Unknown = "?" + Crlf;
const std::string Asterisks = "**********" + Crlf;

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
    , m_electrode(options.noisePh, options.seed)
{
    m_stored = recordTitration(m_options.sample, m_electrode);
}

std::vector<std::string> Instrument::handle(const std::string &command)
{
    if (command == "BF")
        return {Acknowledge}; // the burette refills
    if (command == "FP" || command == "FV") {
        // A new range starts a new titration: a fresh sample in the beaker.
        m_millivolts = command == "FV";
        m_dosed = 0;
        return {Acknowledge};
    }
    if (command.rfind("DA", 0) == 0) {
        const std::string argument = command.substr(2);
        double volume = 0;
        const auto [end, error]
            = std::from_chars(argument.data(), argument.data() + argument.size(), volume);
        if (error != std::errc() || end != argument.data() + argument.size() || volume < 0)
            return {Unknown};
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
    const double truePh = m_options.sample.pH(m_dosed);
    if (m_millivolts)
        return formatted("%8.1f mV", m_electrode.readMillivolts(truePh)) + Crlf;
    return formatted("%6.2f pH", m_electrode.readPh(truePh)) + Crlf;
}

std::vector<std::string> Instrument::resultReport() const
{
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
