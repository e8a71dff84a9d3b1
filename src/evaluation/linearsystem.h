#pragma once

#include <array>
#include <cmath>
#include <utility>

namespace LinearSystem {

// Solves a x = b in place (x in b) by Gaussian elimination with pivoting. Returns false when a
// is singular.
template<int N>
bool solve(std::array<std::array<double, N>, N> a, std::array<double, N> &b)
{
    for (int c = 0; c < N; ++c) {
        int pivot = c;
        for (int r = c + 1; r < N; ++r) {
            if (std::abs(a[r][c]) > std::abs(a[pivot][c]))
                pivot = r;
        }
        if (!(std::abs(a[pivot][c]) > 1e-300))
            return false;
        std::swap(a[c], a[pivot]);
        std::swap(b[c], b[pivot]);
        for (int r = c + 1; r < N; ++r) {
            const double f = a[r][c] / a[c][c];
            for (int k = c; k < N; ++k)
                a[r][k] -= f * a[c][k];
            b[r] -= f * b[c];
        }
    }
    for (int c = N - 1; c >= 0; --c) {
        for (int k = c + 1; k < N; ++k)
            b[c] -= a[c][k] * b[k];
        b[c] /= a[c][c];
    }
    return true;
}

} // namespace LinearSystem
