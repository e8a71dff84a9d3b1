// The statistics of a sample's series against published tables and textbook examples.
#include "evaluation/seriesstatistics.h"

#include <QTest>

#include <cmath>
#include <limits>

using SeriesStatistics::describe;

namespace {

constexpr double None = std::numeric_limits<double>::quiet_NaN(); // no value expected

// Within `relative` of the expected value; 0 exactly.
bool near(const std::optional<double> &value, double expected, double relative)
{
    if (std::isnan(expected))
        return !value;
    return value && std::abs(*value - expected) <= relative * std::abs(expected);
}

} // namespace

class tst_SeriesStatistics : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Two-sided 95 %: the t table's upper 2.5 % points, to its 3 decimals.
    void studentTMatchesTheTable_data()
    {
        QTest::addColumn<double>("df");
        QTest::addColumn<double>("t");
        const std::pair<double, double> table[] = {{1, 12.706}, {2, 4.303}, {3, 3.182}, {4, 2.776},
            {5, 2.571}, {10, 2.228}, {20, 2.086}, {30, 2.042}, {120, 1.980}, {1e6, 1.960}};
        for (const auto &[df, t] : table)
            QTest::addRow("df %g", df) << df << t;
    }
    void studentTMatchesTheTable()
    {
        QFETCH(double, df);
        QFETCH(double, t);
        QVERIFY(std::abs(SeriesStatistics::studentTUpper(0.025, df) - t) <= 0.0005);
    }

    // Grubbs' two-sided critical values at alpha = 0.05 as tabulated to 4 decimals (tables
    // with 3 give 1.155 for n = 3, rounded up).
    void grubbsCriticalMatchesTheTable_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<double>("critical");
        const std::pair<int, double> table[]
            = {{3, 1.1543}, {4, 1.4812}, {5, 1.7150}, {6, 1.8871}, {8, 2.1266}, {10, 2.2900},
                {15, 2.5483}, {20, 2.7082}, {30, 2.9085}, {50, 3.1282}, {100, 3.3841}};
        for (const auto &[n, critical] : table)
            QTest::addRow("n %d", n) << n << critical;
    }
    void grubbsCriticalMatchesTheTable()
    {
        QFETCH(int, n);
        QFETCH(double, critical);
        QVERIFY(near(SeriesStatistics::grubbsCritical(n), critical, 0.00006));
    }

    void seriesStatistics_data()
    {
        QTest::addColumn<std::vector<double>>("values");
        QTest::addColumn<double>("mean");
        QTest::addColumn<double>("s");
        QTest::addColumn<double>("rsd");
        QTest::addColumn<double>("ciHalf"); // half width of the 95 % interval
        QTest::addColumn<int>("outlier"); // index; -1: none
        QTest::addColumn<double>("relative"); // tolerance
        const auto row = [](const char *name, const std::vector<double> &values, double mean,
                             double s, double rsd, double ciHalf, int outlier,
                             double relative = 1e-4) {
            QTest::newRow(name) << values << mean << s << rsd << ciHalf << outlier << relative;
        };
        // Sodium in urine (Miller & Miller): 100.5 +- 3.4 mM, s 3.27.
        row("textbook mean, s and CI", {102, 97, 99, 98, 101, 106}, 100.5, 3.271, 3.255, 3.433, -1,
            1e-3);
        // NIST handbook: G = 2.4687 for 245.57, above 2.1266.
        row("known outlier", {199.31, 199.53, 200.19, 200.82, 201.92, 201.95, 202.18, 245.57},
            206.434, 15.853, 7.679, 13.253, 7);
        row("n = 0", {}, None, None, None, None, -1);
        row("n = 1", {0.1}, 0.1, None, None, None, -1);
        // t(0.975, 1) = 12.706; s = 100 / sqrt(2); no Grubbs however far apart.
        row("n = 2", {0, 100}, 50, 70.711, 141.42, 635.31, -1);
        // Three values: G can reach (n - 1) / sqrt(n) = 1.1547, the critical value is 1.1543.
        row("n = 3, two equal and one off: outlier", {5, 5, 6}, 5.33333, 0.57735, 10.825, 1.4342,
            2);
        row("n = 3, G 1.1536 just below", {10.0, 10.1, 12.0}, 10.7, 1.12694, 10.532, 2.7995, -1);
        row("all equal: s = 0, no outlier", {0.1, 0.1, 0.1, 0.1}, 0.1, 0, 0, 0, -1);
        row("mean 0: no RSD", {-1, 1}, 0, 1.41421, None, 12.706, -1);
    }
    void seriesStatistics()
    {
        QFETCH(std::vector<double>, values);
        QFETCH(double, mean);
        QFETCH(double, s);
        QFETCH(double, rsd);
        QFETCH(double, ciHalf);
        QFETCH(double, relative);
        const SeriesStatistics::Summary summary = describe(values);
        QCOMPARE(summary.n, int(values.size()));
        QVERIFY(near(summary.mean, mean, relative));
        QVERIFY(near(summary.s, s, relative));
        QVERIFY(near(summary.rsdPercent, rsd, relative));
        QCOMPARE(summary.ci95.has_value(), !std::isnan(ciHalf));
        if (summary.ci95) {
            QVERIFY(near(summary.ci95->high - *summary.mean, ciHalf, relative));
            QVERIFY(near(*summary.mean - summary.ci95->low, ciHalf, relative));
        }
        QTEST(summary.outlier ? int(*summary.outlier) : -1, "outlier");
    }
};

QTEST_GUILESS_MAIN(tst_SeriesStatistics)
#include "tst_seriesstatistics.moc"
