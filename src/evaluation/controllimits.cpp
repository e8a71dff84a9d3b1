#include "controllimits.h"

#include <algorithm>
#include <cmath>

std::optional<ControlLimits> ControlLimits::of(const std::vector<double> &newestFirst)
{
    const std::size_t n = std::min<std::size_t>(newestFirst.size(), LastValues);
    if (n < 2)
        return std::nullopt;
    ControlLimits l;
    l.n = int(n);
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += newestFirst[i];
    l.mean = sum / double(n);
    double squares = 0;
    for (std::size_t i = 0; i < n; ++i)
        squares += (newestFirst[i] - l.mean) * (newestFirst[i] - l.mean);
    l.s = std::sqrt(squares / double(n - 1));
    l.warningLow = l.mean - 2 * l.s;
    l.warningHigh = l.mean + 2 * l.s;
    l.actionLow = l.mean - 3 * l.s;
    l.actionHigh = l.mean + 3 * l.s;
    return l;
}
