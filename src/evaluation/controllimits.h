#pragma once

#include <optional>
#include <vector>

// The control chart of a titrant's titers: the mean and the standard deviation s of the last
// values, warning limits at mean +- 2 s and action limits at mean +- 3 s.
struct ControlLimits
{
    static constexpr int LastValues = 10;

    int n = 0; // values they were taken over
    double mean = 0;
    double s = 0;
    double warningLow = 0;
    double warningHigh = 0;
    double actionLow = 0;
    double actionHigh = 0;

    // Over the newest LastValues of `newestFirst`; none for fewer than two values.
    static std::optional<ControlLimits> of(const std::vector<double> &newestFirst);
};
