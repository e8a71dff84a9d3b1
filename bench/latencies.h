#pragma once

#include <QString>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

// Timings of one kind (milliseconds) and their percentiles, for the journal's benchmark programs.
class Latencies
{
public:
    void add(double ms) { m_ms.push_back(ms); }
    void add(std::chrono::steady_clock::duration d)
    {
        add(std::chrono::duration<double, std::milli>(d).count());
    }
    void append(const Latencies &other)
    {
        m_ms.insert(m_ms.end(), other.m_ms.begin(), other.m_ms.end());
    }
    std::size_t count() const { return m_ms.size(); }
    const std::vector<double> &values() const { return m_ms; }

    // Nearest rank: the smallest value with at least `p` percent of the values at or below it.
    double percentile(double p) const
    {
        if (m_ms.empty())
            return 0;
        std::vector<double> sorted = m_ms;
        std::sort(sorted.begin(), sorted.end());
        const auto rank = std::size_t(std::ceil(p / 100.0 * double(sorted.size())));
        return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
    }
    double max() const { return m_ms.empty() ? 0 : *std::max_element(m_ms.begin(), m_ms.end()); }
    double mean() const
    {
        double sum = 0;
        for (double v : m_ms)
            sum += v;
        return m_ms.empty() ? 0 : sum / double(m_ms.size());
    }
    std::size_t countAbove(double ms) const
    {
        return std::size_t(
            std::count_if(m_ms.begin(), m_ms.end(), [ms](double v) { return v > ms; }));
    }

    static QString header()
    {
        return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
            .arg(QStringLiteral("what"), -46)
            .arg(QStringLiteral("n"), 7)
            .arg(QStringLiteral("mean"), 9)
            .arg(QStringLiteral("p50"), 9)
            .arg(QStringLiteral("p90"), 9)
            .arg(QStringLiteral("p99"), 9)
            .arg(QStringLiteral("max"), 9)
            .arg(QStringLiteral("target"), 8);
    }
    // One row of the table, in ms; `target` (ms, 0: none) is compared with p99.
    QString row(const QString &what, double target = 0) const
    {
        const auto ms = [](double v) {
            return QString::number(v, 'f', v < 10 ? 3 : 1);
        };
        QString verdict;
        if (target > 0)
            verdict
                = (percentile(99) <= target ? QStringLiteral("ok <=") : QStringLiteral("MISS >"))
                + QString::number(target);
        return QStringLiteral("%1 %2 %3 %4 %5 %6 %7  %8")
            .arg(what, -46)
            .arg(count(), 7)
            .arg(ms(mean()), 9)
            .arg(ms(percentile(50)), 9)
            .arg(ms(percentile(90)), 9)
            .arg(ms(percentile(99)), 9)
            .arg(ms(max()), 9)
            .arg(verdict);
    }

private:
    std::vector<double> m_ms;
};
