#pragma once

#include <vector>

struct MethodSettings;

// Drift-controlled reading: after a dose the run reads the value about once a second and
// takes it once the electrode has settled. The drift is the slope of a least-squares line
// through the readings of the last few seconds, so that the noise of single readings does
// not pass for drift; the line spans several seconds, a moving electrode still shows.
class DriftMonitor
{
public:
    enum class Verdict {
        Wait, // ask for another reading
        Accept, // settled: take this reading
        Forced, // MaxWait reached while still drifting: take this reading, marked
    };

    // The fit spans the readings of the last `window` seconds (at one reading a second and the
    // default window: four) and wants at least MinReadings of them, the first and the last
    // at least window - SpanTolerance apart; at 0.002 pH noise and 0.01 pH resolution its
    // slope scatters by about 0.1 pH/min, a sixth of the default limit.
    static constexpr double DefaultWindow = 3.0; // s
    static constexpr int MinReadings = 3;
    static constexpr double SpanTolerance = 0.5; // s: readings come only about once a second

    // limitPerMinute in pH or mV per minute; waits and window in seconds.
    DriftMonitor(
        double limitPerMinute, double minWait, double maxWait, double window = DefaultWindow);
    // From clamped method settings, for the pH or the mV range.
    static DriftMonitor fromSettings(const MethodSettings &settings, bool millivolts);

    // A dose was acknowledged (or the run began) at `seconds`: readings from before it no
    // longer count.
    void start(double seconds);
    // One reading taken at `seconds` (the run's clock, not before the start).
    Verdict add(double seconds, double value);

    // The drift of the last fit, per minute; 0 while there was no fit.
    double driftPerMinute() const { return m_drift; }
    bool hasFit() const { return m_fitted; }

private:
    struct Reading
    {
        double seconds;
        double value;
    };

    double m_limit;
    double m_minWait;
    double m_maxWait;
    double m_window;
    double m_start = 0;
    double m_drift = 0;
    bool m_fitted = false;
    std::vector<Reading> m_readings;
};
