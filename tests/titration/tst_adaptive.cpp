#include "support/diskfiles.h"
#include "titration/dosingrule.h"
#include "titration/driftmonitor.h"
#include "titration/methodsettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

Q_DECLARE_METATYPE(DriftMonitor::Verdict)
Q_DECLARE_METATYPE(MethodSettings)

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

namespace {

using M = MethodSettings;
// Every key set, each value away from every default.
const M AllSet {M::Dosing::Dynamic, 0.3, 15, 0.02, 0.5, M::Reading::Drift, 1.2, 40, 2, 45};
const QByteArray AllSetIni("[Method]\nDosingMode=dynamic\nSignalStepPH=0.3\nSignalStepMV=15\n"
                           "MinIncrement=0.02\nMaxIncrement=0.5\nReadingMode=drift\n"
                           "DriftLimitPH=1.2\nDriftLimitMV=40\nMinWait=2\nMaxWait=45\n");

// `ini` as a settings file in `dir`; returns its path.
QString iniFile(const QTemporaryDir &dir, const QByteArray &ini)
{
    const QString path = dir.filePath(QStringLiteral("kalumet.conf"));
    if (!writeAll(path, ini))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

// Dynamic dosing, drift-controlled readings and their method settings.
class tst_Adaptive : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void nextDose_data()
    {
        QTest::addColumn<qint64>("lastDose"); // microlitres, 0: none yet
        QTest::addColumn<double>("change"); // signal change the last dose brought
        QTest::addColumn<qint64>("expected");
        QTest::addColumn<MethodSettings>("method");
        QTest::addColumn<bool>("millivolts");

        // Default rule: 10 to 200 microlitres, 0.2 pH a dose, at most twice the last dose.
        auto row = [](const char *name, qint64 lastDose, double change, qint64 expected,
                       const M &method = {}, bool millivolts = false) {
            QTest::newRow(name) << lastDose << change << expected << method << millivolts;
        };
        row("falling curve alike, rounded up", 100, -0.3, 67); // 66.67
        row("rounded down", 100, 0.9, 22); // 22.22
        row("exactly the smallest", 50, 1.0, 10);
        row("below the smallest", 50, 2.0, 10);
        row("just below the largest", 150, 0.151, 199);
        row("exactly the largest", 150, 0.15, 200);
        row("growth exactly twice", 60, 0.1, 120);
        row("growth limited", 60, 0.05, 120);
        row("no number: grows", 40, NaN, 80);
        row("no dose yet: the first", 0, 0.5, 10);
        row("mV: 12 mV a dose", 100, 30, 40, {}, true);
        // Increments of the burette's resolution: 1 to 13 microlitres.
        row("burette steps: the largest", 13, 0, 13,
            {.minIncrement = 0.001, .maxIncrement = 0.013});
    }

    void nextDose()
    {
        QFETCH(qint64, lastDose);
        QFETCH(double, change);
        QFETCH(MethodSettings, method);
        QFETCH(bool, millivolts);
        const DosingRule rule = DosingRule::fromSettings(method.clamped(), millivolts);
        QTEST(rule.nextDose(lastDose, change), "expected");
        if (lastDose == 0)
            QTEST(rule.firstDose(), "expected");
    }

    void drift_data()
    {
        QTest::addColumn<QList<double>>("values"); // one every `step` seconds after the dose
        QTest::addColumn<MethodSettings>("method"); // drift limits per minute, waits
        QTest::addColumn<int>("decidedAt"); // index of the reading taken, -1: none
        QTest::addColumn<DriftMonitor::Verdict>("verdict");
        QTest::addColumn<double>("step");
        QTest::addColumn<bool>("millivolts");

        using V = DriftMonitor::Verdict;
        auto row = [](const char *name, const QList<double> &values, const M &method, int decidedAt,
                       V verdict, double step = 1, bool millivolts = false) {
            QTest::newRow(name) << values << method << decidedAt << verdict << step << millivolts;
        };
        // A line of exactly 15 per minute: not below a limit of 15. Four readings over three
        // seconds before the first fit; at exactly MaxWait (30 s) the reading is taken, marked.
        QList<double> ramp;
        for (int s = 1; s <= 40; ++s)
            ramp.append(7.0 + 0.25 * s);
        row("drift at the limit", ramp, {.driftLimitPh = 15}, 29, V::Forced);
        row("drift just below", ramp, {.driftLimitPh = 15.001}, 3, V::Accept);
        row("falling drift alike", {ramp.rbegin(), ramp.rend()}, {.driftLimitPh = 15}, 29,
            V::Forced);
        row("forced at a short MaxWait", ramp, {.maxWait = 2}, 1, V::Forced);
        row("settled, waits for MinWait", QList<double>(40, 7.0), {.minWait = 6}, 5, V::Accept);
        // Moved early, settled late: only the last three seconds count.
        QList<double> settling {7.0, 7.1, 7.2, 7.3};
        settling.resize(40, 7.35);
        row("only the last seconds", settling, {}, 7, V::Accept);
        // The fit wants three readings that span the window (less half a second): readings
        // coming faster than once a second reach that span with three, not with two.
        row("three over 2.5 s", {7.0, 7.0, 7.0}, {.minWait = 0}, 2, V::Accept, 1.25);
        row("two over 2.5 s", {7.0, 7.0}, {.minWait = 0}, -1, V::Wait, 2.5);
        // The mV range has its own limit: 35 mV/min passes, the same drift in pH would not.
        QList<double> rising, faster; // 30 and 36 per minute
        for (int s = 1; s <= 10; ++s) {
            rising.append(100 + 0.5 * s);
            faster.append(100 + 0.6 * s);
        }
        row("mV below 35/min", rising, {.maxWait = 10}, 3, V::Accept, 1, true);
        row("mV above 35/min", faster, {.maxWait = 10}, 9, V::Forced, 1, true);
        row("pH above 0.6/min", rising, {.maxWait = 10}, 9, V::Forced);
    }

    void drift()
    {
        QFETCH(QList<double>, values);
        QFETCH(MethodSettings, method);
        QFETCH(double, step);
        QFETCH(bool, millivolts);
        DriftMonitor monitor = DriftMonitor::fromSettings(method, millivolts);
        // Readings of the solution before the dose do not count, even when they look settled.
        monitor.start(-10);
        for (const double before : {-2.5, -1.5, -0.5})
            monitor.add(before, values.first());
        monitor.start(0);
        DriftMonitor::Verdict got = DriftMonitor::Verdict::Wait;
        int decided = -1;
        for (int i = 0; i < values.size() && decided < 0; ++i) {
            got = monitor.add((i + 1) * step, values[i]);
            if (got != DriftMonitor::Verdict::Wait)
                decided = i;
        }
        QTEST(decided, "decidedAt");
        QTEST(got, "verdict");
    }

    void readSettings_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<MethodSettings>("expected");

        const M d;
        QTest::newRow("missing") << QByteArray() << d;
        QTest::newRow("all set") << AllSetIni << AllSet;
        QTest::newRow("not numbers")
            << QByteArray("[Method]\nSignalStepPH=abc\nSignalStepMV=\nMinIncrement=0.0.1\n"
                          "MaxIncrement=nan\nDriftLimitPH=inf\nDriftLimitMV=1e999\n"
                          "MinWait=2s\nMaxWait=-\n")
            << d;
        QTest::newRow("decimal comma")
            << QByteArray("[Method]\nMinIncrement=0,05\nDriftLimitPH=\"0,5\"\n")
            << M {.minIncrement = 0.05, .driftLimitPh = 0.5};

        // In field order: modes fixed, each number at the top of its range.
        const M high {M::Dosing::Fixed, M::MaxSignalStepPh, M::MaxSignalStepMv, M::LargestIncrement,
            M::LargestIncrement, M::Reading::Fixed, M::MaxDriftLimitPh, M::MaxDriftLimitMv,
            M::LongestMinWait, M::LongestMaxWait};
        QTest::newRow("above the ranges") << QByteArray(
            "[Method]\nSignalStepPH=2.5\nSignalStepMV=500\nMinIncrement=11\n"
            "MaxIncrement=100\nDriftLimitPH=11\nDriftLimitMV=1000\nMinWait=61\n"
            "MaxWait=601\n") << high;

        const M low {M::Dosing::Fixed, M::MinSignalStepPh, M::MinSignalStepMv, 0.001, 0.001,
            M::Reading::Fixed, M::MinDriftLimitPh, M::MinDriftLimitMv, 0, M::ShortestMaxWait};
        QTest::newRow("below the ranges") << QByteArray(
            "[Method]\nSignalStepPH=0\nSignalStepMV=-12\nMinIncrement=0.0004\n"
            "MaxIncrement=0\nDriftLimitPH=0.001\nDriftLimitMV=0.1\nMinWait=-1\n"
            "MaxWait=0.5\n") << low;

        QTest::newRow("largest below smallest")
            << QByteArray("[Method]\nMinIncrement=0.3\nMaxIncrement=0.1\nMinWait=40\nMaxWait=10\n")
            << M {.minIncrement = 0.3, .maxIncrement = 0.3, .minWait = 40, .maxWait = 40};
        QTest::newRow("burette steps")
            << QByteArray("[Method]\nMinIncrement=0.0126\nMaxIncrement=0.1244\n")
            << M {.minIncrement = 0.013, .maxIncrement = 0.124};
    }

    void readSettings()
    {
        QFETCH(QByteArray, ini);
        QTemporaryDir dir;
        QSettings settings(iniFile(dir, ini), QSettings::IniFormat);
        QTEST(MethodSettings::read(settings), "expected");
        // Written and read again: the same values under the same keys.
        QSettings copy(dir.filePath(QStringLiteral("copy.conf")), QSettings::IniFormat);
        MethodSettings::read(settings).write(copy);
        QTEST(MethodSettings::read(copy), "expected");
    }

    // A bad value for one key alone takes that key's own default; every other key keeps its
    // value. From the file a bad value is no number or no mode; from the dialog, a number
    // that is not finite.
    void badValueTakesItsOwnDefault_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<MethodSettings>("expected");
        QTest::addColumn<MethodSettings>("notFinite"); // the dialog's method; a mode is valid

        const auto row = []<typename T>(const char *key, T M::*field) {
            M expected = AllSet;
            expected.*field = M {}.*field;
            M notFinite = expected;
            if constexpr (std::is_same_v<T, double>) {
                notFinite = AllSet;
                notFinite.*field = NaN;
            }
            QTest::newRow(key) << QByteArray(key) << expected << notFinite;
        };
        row("DosingMode", &M::dosingMode);
        row("SignalStepPH", &M::signalStepPh);
        row("SignalStepMV", &M::signalStepMv);
        row("MinIncrement", &M::minIncrement);
        row("MaxIncrement", &M::maxIncrement);
        row("ReadingMode", &M::readingMode);
        row("DriftLimitPH", &M::driftLimitPh);
        row("DriftLimitMV", &M::driftLimitMv);
        row("MinWait", &M::minWait);
        row("MaxWait", &M::maxWait);
    }

    void badValueTakesItsOwnDefault()
    {
        QFETCH(QByteArray, key);
        QByteArray ini = AllSetIni;
        const qsizetype value = ini.indexOf('\n' + key + '=') + key.size() + 2;
        ini.replace(value, ini.indexOf('\n', value) - value, "abc");
        QTemporaryDir dir;
        QSettings settings(iniFile(dir, ini), QSettings::IniFormat);
        QTEST(MethodSettings::read(settings), "expected");
        QFETCH(MethodSettings, notFinite);
        QTEST(notFinite.clamped(), "expected");
    }
};

QTEST_GUILESS_MAIN(tst_Adaptive)
#include "tst_adaptive.moc"
