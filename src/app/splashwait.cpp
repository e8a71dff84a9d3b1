#include "splashwait.h"

#include "common/numbers.h"

int splashWait(const Clock &clock, const std::function<void()> &processEvents,
    const std::function<bool()> &stop)
{
    const float start = float(clock.secondsSinceMidnight());
    const float target = float(Numbers::roundHalfEven(double(start + 2.0f)));
    int rounds = 0;
    for (;;) {
        const float now = float(clock.secondsSinceMidnight());
        // Past midnight the clock starts again at 0 and would never reach the target.
        if (now >= target || now < start)
            break;
        if (stop && stop())
            break;
        processEvents();
        ++rounds;
    }
    return rounds;
}
