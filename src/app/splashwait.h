#pragma once

#include "common/clock.h"

#include <functional>

// The start-up wait: keeps the splash window responsive for about two seconds. The target is
// the clock (as a 32-bit float) plus 2, to the nearest whole second (ties to even); the wait
// also ends when the time of day passes midnight, or when `stop` says so.
// Returns the number of times `processEvents` ran.
int splashWait(const Clock &clock, const std::function<void()> &processEvents,
    const std::function<bool()> &stop = {});
