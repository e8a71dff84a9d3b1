#pragma once

#include "chemistry.h"

#include <string>
#include <vector>

// The titrator behind the line: takes one command (without CR LF) and gives the lines it
// prints in reply, each ending in CR LF.
class Instrument
{
public:
    struct Options
    {
        AcidSample sample;
        double noisePh = 0.003;
        unsigned seed = 1;
        int sampleNumber = 1;
    };

    explicit Instrument(const Options &options);

    std::vector<std::string> handle(const std::string &command);

    // What the last "LD" or "LR" prints, for reference.
    std::vector<std::string> resultReport() const;
    std::vector<std::string> dataReport() const;

    bool millivoltRange() const { return m_millivolts; }
    double dosedVolume() const { return m_dosed; }

private:
    std::string measuredValue();

    Options m_options;
    Electrode m_electrode;
    std::vector<StoredPoint> m_stored;
    bool m_millivolts = false;
    double m_dosed = 0; // mL added to the beaker since the range was last chosen
};

// printf into a std::string, always with "." as the decimal point.
std::string formatted(const char *format, ...) __attribute__((format(printf, 1, 2)));
