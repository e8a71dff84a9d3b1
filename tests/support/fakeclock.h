#pragma once

#include "common/clock.h"

#include <cmath>

// A clock that stands still until a test moves it.
struct FakeClock : Clock
{
    double secondsSinceMidnight() const override { return seconds; }
    QDateTime now() const override { return at; }
    // Moves the time of day on; past midnight it starts again from 0.
    void later(double by) { seconds = std::fmod(seconds + by, 86400.0); }

    double seconds = 3600;
    QDateTime at;
};
