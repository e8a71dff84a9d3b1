#pragma once

#include "common/clock.h"
#include "titration/runtimer.h"

#include <QDateTime>

#include <cmath>

// A clock that stands still until its owner moves it (past midnight `later` starts again
// from 0).
struct FakeClock : Clock
{
    double secondsSinceMidnight() const override { return seconds; }
    QDateTime now() const override { return {}; }
    void later(double by) { seconds = std::fmod(seconds + by, 86400.0); }
    double seconds = 3600;
};

// The run's timer without a timer: the owner ticks the run itself.
struct FakeTimer : RunTimer
{
    int interval() const override { return ms; }
    void setInterval(int milliseconds) override { ms = milliseconds; }
    bool isEnabled() const override { return enabled; }
    void setEnabled(bool on) override { enabled = on; }
    int ms = 500;
    bool enabled = true;
};
