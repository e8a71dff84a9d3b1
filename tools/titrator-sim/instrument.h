#pragma once

#include "chemistry.h"

#include <functional>
#include <string>
#include <vector>

// The titrator behind the line: takes one command (without CR LF) and gives the lines it
// prints in reply, each ending in CR LF.
class Instrument
{
public:
    struct Options
    {
        AcidSample sample; // the acid; for other kinds its EP volume, volume and titrant
        SampleKind kind = SampleKind::Acid;
        double noisePh = 0.003;
        unsigned seed = 1;
        int sampleNumber = 1;
        double electrodeSlope = 1; // fraction of the ideal slope
        double electrodeOffset = 0; // mV
        double lagSeconds = 0; // electrode time constant; 0: none
        double lagJumpFactor = 0; // how much slower it is near the jump
        // Seconds on a steady clock; the lag of live readings follows it.
        std::function<double()> clock;
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
    std::vector<std::string> modelResultReport() const;
    double solutionPh(double volume) const;
    // Lets the electrode follow the solution up to now.
    void settle();

    Options m_options;
    ModelSample m_model;
    Electrode m_electrode;
    ElectrodeLag m_lag;
    double m_lastSeconds = 0;
    std::vector<StoredPoint> m_stored;
    bool m_millivolts = false;
    double m_dosed = 0; // mL added to the beaker since the range was last chosen
};

// printf into a std::string, always with "." as the decimal point.
std::string formatted(const char *format, ...) __attribute__((format(printf, 1, 2)));
