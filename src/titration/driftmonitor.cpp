#include "driftmonitor.h"

#include "titration/methodsettings.h"

#include <algorithm>
#include <cmath>

DriftMonitor::DriftMonitor(double limitPerMinute, double minWait, double maxWait, double window)
    : m_limit(std::abs(limitPerMinute))
    , m_minWait(minWait)
    , m_maxWait(std::max(minWait, maxWait))
    , m_window(std::max(0.0, window))
{ }

DriftMonitor DriftMonitor::fromSettings(const MethodSettings &settings, bool millivolts)
{
    return DriftMonitor(settings.driftLimit(millivolts), settings.minWait, settings.maxWait);
}

void DriftMonitor::start(double seconds)
{
    m_start = seconds;
    m_drift = 0;
    m_fitted = false;
    m_readings.clear();
}

DriftMonitor::Verdict DriftMonitor::add(double seconds, double value)
{
    // A small tolerance so that readings timed "once a second" on a tick still count as 3 s.
    constexpr double Tolerance = 1e-6;
    m_readings.push_back({seconds, value});
    const double from = seconds - m_window - Tolerance;
    m_readings.erase(std::remove_if(m_readings.begin(), m_readings.end(),
                         [from](const Reading &r) { return r.seconds < from; }),
        m_readings.end());

    m_fitted = false;
    if (int(m_readings.size()) >= MinReadings
        && m_readings.back().seconds - m_readings.front().seconds
            >= m_window - SpanTolerance - Tolerance) {
        double meanT = 0;
        double meanY = 0;
        for (const Reading &r : m_readings) {
            meanT += r.seconds;
            meanY += r.value;
        }
        meanT /= double(m_readings.size());
        meanY /= double(m_readings.size());
        double stt = 0;
        double sty = 0;
        for (const Reading &r : m_readings) {
            stt += (r.seconds - meanT) * (r.seconds - meanT);
            sty += (r.seconds - meanT) * (r.value - meanY);
        }
        if (stt > 0) {
            m_drift = sty / stt * 60.0;
            m_fitted = std::isfinite(m_drift);
        }
    }

    const double waited = seconds - m_start;
    if (waited >= m_minWait - Tolerance && m_fitted && std::abs(m_drift) < m_limit)
        return Verdict::Accept;
    if (waited >= m_maxWait - Tolerance)
        return Verdict::Forced;
    return Verdict::Wait;
}
