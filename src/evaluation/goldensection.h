#pragma once

#include <utility>

// The least value of `f` between `a` and `b`, where it has one minimum, by a golden-section
// search of `steps` narrowings: the better of the last two points tried, and its value.
template<typename F>
std::pair<double, double> goldenSectionMinimum(F &&f, double a, double b, int steps)
{
    constexpr double Golden = 0.618033988749895;
    double c = b - Golden * (b - a), d = a + Golden * (b - a);
    double fc = f(c), fd = f(d);
    for (int i = 0; i < steps; ++i) {
        if (fc < fd) {
            b = d;
            d = c;
            fd = fc;
            c = b - Golden * (b - a);
            fc = f(c);
        } else {
            a = c;
            c = d;
            fc = fd;
            d = a + Golden * (b - a);
            fd = f(d);
        }
    }
    return fc < fd ? std::pair(c, fc) : std::pair(d, fd);
}
