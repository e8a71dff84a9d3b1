#pragma once

#include <QString>

class QSettings;

// How a run doses and when it takes a reading, from the settings group "Method". With both
// modes fixed the run doses the dialog's increment and reads after the dialog's waiting time,
// and none of the other values is used.
struct MethodSettings
{
    enum class Dosing { Fixed, Dynamic };
    enum class Reading { Fixed, Drift };

    Dosing dosingMode = Dosing::Fixed;
    double signalStepPh = 0.2; // signal change one dynamic dose should bring
    double signalStepMv = 12;
    double minIncrement = 0.01; // mL
    double maxIncrement = 0.2; // mL
    Reading readingMode = Reading::Fixed;
    double driftLimitPh = 0.6; // per minute
    double driftLimitMv = 35; // per minute
    double minWait = 1; // s after the dose
    double maxWait = 30; // s after the dose

    // Sane ranges.
    static constexpr double BuretteResolution = 0.001; // mL, the smallest dose step
    static constexpr double LargestIncrement = 10; // mL
    static constexpr double MinSignalStepPh = 0.01, MaxSignalStepPh = 2;
    static constexpr double MinSignalStepMv = 0.5, MaxSignalStepMv = 120;
    static constexpr double MinDriftLimitPh = 0.01, MaxDriftLimitPh = 10;
    static constexpr double MinDriftLimitMv = 0.5, MaxDriftLimitMv = 600;
    static constexpr double LongestMinWait = 60; // s
    static constexpr double LongestMaxWait = 600; // s
    static constexpr double ShortestMaxWait = 1; // s: a reading needs a moment after the dose

    bool isFixedRun() const
    {
        return dosingMode == Dosing::Fixed && readingMode == Reading::Fixed;
    }
    double signalStep(bool millivolts) const { return millivolts ? signalStepMv : signalStepPh; }
    double driftLimit(bool millivolts) const { return millivolts ? driftLimitMv : driftLimitPh; }

    // Every value inside its range: a value that is not a finite number takes its default, the
    // increments become whole steps of the burette's resolution, MaxIncrement is at least
    // MinIncrement and MaxWait at least MinWait.
    MethodSettings clamped() const;

    // The group "Method" of `settings`: a key that is missing or holds no number gives its
    // default; numbers may be written with "." or ","; the result is clamped. Mode texts are
    // "fixed", "dynamic" and "fixed", "drift" (any case); any other text gives "fixed".
    static MethodSettings read(QSettings &settings);
    // Writes the clamped values into the group "Method", numbers with ".".
    void write(QSettings &settings) const;

    static QString dosingText(Dosing mode);
    static QString readingText(Reading mode);

    bool operator==(const MethodSettings &) const = default;
};
