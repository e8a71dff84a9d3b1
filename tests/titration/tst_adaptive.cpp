#include "titration/dosingrule.h"
#include "titration/driftmonitor.h"
#include "titration/methodsettings.h"

#include <QFile>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <random>

Q_DECLARE_METATYPE(DriftMonitor::Verdict)
Q_DECLARE_METATYPE(MethodSettings)

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

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
        QTest::addColumn<double>("minIncrement"); // mL
        QTest::addColumn<double>("maxIncrement");
        QTest::addColumn<bool>("millivolts");

        // Default rule: 10 to 200 microlitres, 0.2 pH a dose, at most twice the last dose.
        auto row
            = [](const char *name, qint64 lastDose, double change, qint64 expected,
                  double minIncrement = 0.01, double maxIncrement = 0.2, bool millivolts = false) {
                  QTest::newRow(name) << lastDose << change << expected << minIncrement
                                      << maxIncrement << millivolts;
              };
        row("slope to dose", 100, 0.5, 40);
        row("falling curve alike", 100, -0.5, 40);
        row("rounded up", 100, 0.3, 67); // 66.67
        row("rounded down", 100, 0.9, 22); // 22.22
        row("smaller after a steep step", 200, 2.0, 20);
        row("exactly the smallest", 50, 1.0, 10);
        row("below the smallest", 50, 2.0, 10);
        row("jump itself", 10, 3.0, 10);
        row("just below the largest", 150, 0.151, 199);
        row("exactly the largest", 150, 0.15, 200);
        row("above the largest", 150, 0.1, 200);
        row("growth exactly twice", 60, 0.1, 120);
        row("growth limited", 60, 0.05, 120);
        row("after the jump: not the largest at once", 10, 0.001, 20);
        row("no change: grows", 80, 0.0, 160);
        row("no change at the top", 200, 0.0, 200);
        row("no number: grows", 40, NaN, 80);
        row("no dose yet: the first", 0, 0.5, 10);
        // In the mV range 12 mV a dose.
        row("mV: slope to dose", 100, 30, 40, 0.01, 0.2, true);
        row("mV: the first", 0, 30, 10, 0.01, 0.2, true);
        row("mV: no change at the top", 200, 0, 200, 0.01, 0.2, true);
        // Increments of the burette's resolution: 1 to 13 microlitres.
        row("burette steps: the first", 0, 0.5, 1, 0.001, 0.013);
        row("burette steps: no change at the top", 13, 0, 13, 0.001, 0.013);
        row("burette steps: slope to dose", 10, 0.25, 8, 0.001, 0.013);
    }

    void nextDose()
    {
        QFETCH(qint64, lastDose);
        QFETCH(double, change);
        QFETCH(double, minIncrement);
        QFETCH(double, maxIncrement);
        QFETCH(bool, millivolts);
        const MethodSettings m {.minIncrement = minIncrement, .maxIncrement = maxIncrement};
        const DosingRule rule = DosingRule::fromSettings(m.clamped(), millivolts);
        QTEST(rule.nextDose(lastDose, change), "expected");
        if (lastDose == 0)
            QTEST(rule.firstDose(), "expected");
    }

    void dosedVolume_data()
    {
        QTest::addColumn<QList<qint64>>("doses"); // microlitres
        QTest::addColumn<double>("endVolume");
        QTest::addColumn<bool>("reached");

        // Ten times 0.01 as a running double sum stays below 0.1; the exact sum does not.
        QTest::newRow("ten smallest doses reach 0.1") << QList<qint64>(10, 10) << 0.1 << true;
        QTest::newRow("nine do not") << QList<qint64>(9, 10) << 0.1 << false;
        QTest::newRow("uneven doses reach 0.1") << QList<qint64> {13, 29, 58} << 0.1 << true;
        QTest::newRow("one microlitre short") << QList<qint64> {13, 29, 57} << 0.1 << false;
        QList<qint64> run;
        for (int i = 0; i < 70; ++i)
            run << 200 << 13;
        run << 90 << 1;
        QTest::newRow("a long run reaches 15 exactly") << run << 15.0 << true;
    }

    void dosedVolume()
    {
        QFETCH(QList<qint64>, doses);
        QFETCH(double, endVolume);
        QFETCH(bool, reached);
        DosedVolume volume;
        volume.add(500);
        volume.reset();
        for (const qint64 dose : doses)
            volume.add(dose);
        QCOMPARE(volume.millilitres() >= endVolume, reached);
        if (reached && volume.microlitres() == DosedVolume::toMicrolitres(endVolume))
            QCOMPARE(volume.millilitres(), endVolume); // the very double the end value reads
    }

    void doseCommand_data()
    {
        QTest::addColumn<qint64>("microlitres");
        QTest::addColumn<QString>("command");

        QTest::newRow("burette step") << qint64(1) << QStringLiteral("DA0.001");
        QTest::newRow("smallest default") << qint64(10) << QStringLiteral("DA0.01");
        QTest::newRow("odd") << qint64(13) << QStringLiteral("DA0.013");
        QTest::newRow("largest default") << qint64(200) << QStringLiteral("DA0.2");
        QTest::newRow("whole mL") << qint64(1000) << QStringLiteral("DA1");
        QTest::newRow("above one") << qint64(1234) << QStringLiteral("DA1.234");
    }

    void doseCommand()
    {
        QFETCH(qint64, microlitres);
        // The titrator reads "." whatever the user's separator.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString sent = ::doseCommand(microlitres);
        QLocale::setDefault(QLocale::c());
        QTEST(sent, "command");
    }

    void drift_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<int>("decidedAt"); // index of the reading taken
        QTest::addColumn<DriftMonitor::Verdict>("verdict");
        QTest::addColumn<double>("limit"); // per minute
        QTest::addColumn<double>("minWait");
        QTest::addColumn<double>("maxWait");
        QTest::addColumn<QList<double>>("seconds"); // after the dose at 0

        using V = DriftMonitor::Verdict;
        QList<double> t; // once a second from 1 s on
        for (int s = 1; s <= 40; ++s)
            t.append(s);
        auto row = [&t](const char *name, const QList<double> &values, int decidedAt, V verdict,
                       double limit = 0.6, double minWait = 1, double maxWait = 30) {
            QTest::newRow(name) << values << decidedAt << verdict << limit << minWait << maxWait
                                << t;
        };
        auto along = [&t](auto valueAt) {
            QList<double> values;
            for (double s : t)
                values.append(valueAt(s));
            return values;
        };

        // Four readings over three seconds before the first fit.
        row("settled", QList<double>(40, 7.0), 3, V::Accept);
        row("settled, waits for MinWait", QList<double>(40, 7.0), 5, V::Accept, 0.6, 6);

        // A line of exactly 15 per minute: not below a limit of 15.
        const QList<double> ramp = along([](double s) { return 7.0 + 0.25 * s; });
        row("drift at the limit", ramp, 29, V::Forced, 15);
        row("drift just below", ramp, 3, V::Accept, 15.001);
        row("falling drift alike", QList<double>(ramp.rbegin(), ramp.rend()), 29, V::Forced, 15);

        // Moved early, settled late: only the last three seconds count.
        QList<double> settling {7.0, 7.1, 7.2, 7.3};
        settling.resize(40, 7.35);
        row("only the last seconds", settling, 7, V::Accept);

        // Electrode noise of 0.002 pH, readings to 0.01 pH: neither drift nor a hold-up.
        std::mt19937 random(20261207);
        std::normal_distribution<double> noise(0.0, 0.002);
        for (int run = 0; run < 3; ++run) {
            // Two rows as the meter rounds them, on the rounding edge; one as measured.
            const QList<double> noisy = along([&](double) {
                const double value = 7.005 + noise(random);
                return run < 2 ? std::round(value * 100.0) / 100.0 : value;
            });
            row(qPrintable(QStringLiteral("noisy flat %1").arg(run)), noisy, 3, V::Accept);
        }
        // A real drift twice the limit under the same noise never passes.
        const QList<double> noisyDrift = along(
            [&](double s) { return std::round((7.0 + 0.02 * s + noise(random)) * 100.0) / 100.0; });
        row("noisy drift", noisyDrift, 29, V::Forced);

        // Still moving at MaxWait: the reading at exactly MaxWait is taken, marked.
        const QList<double> slow
            = along([](double s) { return 7.0 + 2.0 * (1.0 - std::exp(-s / 60.0)); });
        row("forced at MaxWait", slow, 29, V::Forced);
        row("forced at a short MaxWait", slow, 1, V::Forced, 0.6, 1, 2);
        // Readings on 500 ms ticks, not quite a second apart, still fill the window.
        QTest::newRow("readings a little early")
            << QList<double>(5, 7.0) << 3 << V::Accept << 0.6 << 1.0 << 30.0
            << QList<double> {0.5, 1.45, 2.4, 3.35, 4.3};
    }

    void drift()
    {
        QFETCH(double, limit);
        QFETCH(double, minWait);
        QFETCH(double, maxWait);
        QFETCH(QList<double>, seconds);
        QFETCH(QList<double>, values);
        QFETCH(int, decidedAt);
        QFETCH(DriftMonitor::Verdict, verdict);

        DriftMonitor monitor(limit, minWait, maxWait);
        // Readings of the solution before the dose do not count, even when they look settled.
        monitor.start(-10);
        for (const double before : {-2.5, -1.5, -0.5})
            monitor.add(before, values.first());
        monitor.start(0);
        for (int i = 0; i < seconds.size(); ++i) {
            const DriftMonitor::Verdict got = monitor.add(seconds[i], values[i]);
            if (got != DriftMonitor::Verdict::Wait) {
                QCOMPARE(i, decidedAt);
                QCOMPARE(got, verdict);
                return;
            }
        }
        QFAIL("no reading was taken");
    }

    // The mV range has its own limit: 35 mV/min passes, the same drift in pH would not.
    void driftFromSettings_data()
    {
        QTest::addColumn<bool>("millivolts");
        QTest::addColumn<double>("perSecond");
        QTest::addColumn<DriftMonitor::Verdict>("verdict");

        QTest::newRow("mV below 35/min") << true << 0.5 << DriftMonitor::Verdict::Accept;
        QTest::newRow("mV above 35/min") << true << 0.6 << DriftMonitor::Verdict::Forced;
        QTest::newRow("pH below 0.6/min") << false << 0.00875 << DriftMonitor::Verdict::Accept;
        QTest::newRow("pH above 0.6/min") << false << 0.5 << DriftMonitor::Verdict::Forced;
    }

    void driftFromSettings()
    {
        QFETCH(bool, millivolts);
        QFETCH(double, perSecond);
        QFETCH(DriftMonitor::Verdict, verdict);
        DriftMonitor monitor = DriftMonitor::fromSettings({.maxWait = 10}, millivolts);
        monitor.start(0);
        DriftMonitor::Verdict got = DriftMonitor::Verdict::Wait;
        for (int s = 1; s <= 10 && got == DriftMonitor::Verdict::Wait; ++s)
            got = monitor.add(s, 100 + perSecond * s);
        QCOMPARE(got, verdict);
    }

    // A lagging electrode after a 0.2 pH dose: taken once settled to well within the step.
    void driftAfterLaggingDose()
    {
        constexpr double Tau = 1.5;
        DriftMonitor monitor(0.6, 1.0, 30.0);
        monitor.start(0);
        for (double s = 1; s <= 30; ++s) {
            const double residual = 0.2 * std::exp(-s / Tau);
            const DriftMonitor::Verdict got = monitor.add(s, 7.2 - residual);
            if (got == DriftMonitor::Verdict::Wait)
                continue;
            QCOMPARE(got, DriftMonitor::Verdict::Accept);
            // The drift fell below 0.01 pH/s, which leaves Tau * 0.01 pH at the most.
            QVERIFY2(residual < Tau * 0.01, qPrintable(QString::number(residual)));
            QVERIFY(std::abs(monitor.driftPerMinute()) < 0.6);
            return;
        }
        QFAIL("no reading was taken");
    }

    void readSettings_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<MethodSettings>("expected");

        using M = MethodSettings;
        const M d;
        QTest::newRow("missing") << QByteArray() << d;
        const M all {M::Dosing::Dynamic, 0.3, 15, 0.02, 0.5, M::Reading::Drift, 1.2, 40, 2, 45};
        QTest::newRow("all set") << QByteArray(
            "[Method]\nDosingMode=dynamic\nSignalStepPH=0.3\nSignalStepMV=15\n"
            "MinIncrement=0.02\nMaxIncrement=0.5\nReadingMode=drift\n"
            "DriftLimitPH=1.2\nDriftLimitMV=40\nMinWait=2\nMaxWait=45\n")
                                 << all;
        QTest::newRow("other group")
            << QByteArray("[Settings]\nDosingMode=dynamic\nMinWait=5\n") << d;
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
        QTest::newRow("at the tops") << QByteArray(
            "[Method]\nSignalStepPH=2\nSignalStepMV=120\nMinIncrement=10\n"
            "MaxIncrement=10\nDriftLimitPH=10\nDriftLimitMV=600\nMinWait=60\n"
            "MaxWait=600\n") << high;

        const M low {M::Dosing::Fixed, M::MinSignalStepPh, M::MinSignalStepMv, 0.001, 0.001,
            M::Reading::Fixed, M::MinDriftLimitPh, M::MinDriftLimitMv, 0, M::ShortestMaxWait};
        QTest::newRow("below the ranges") << QByteArray(
            "[Method]\nSignalStepPH=0\nSignalStepMV=-12\nMinIncrement=0.0004\n"
            "MaxIncrement=0\nDriftLimitPH=0.001\nDriftLimitMV=0.1\nMinWait=-1\n"
            "MaxWait=0.5\n") << low;
        QTest::newRow("at the bottoms") << QByteArray(
            "[Method]\nSignalStepPH=0.01\nSignalStepMV=0.5\nMinIncrement=0.001\n"
            "MaxIncrement=0.001\nDriftLimitPH=0.01\nDriftLimitMV=0.5\nMinWait=0\n"
            "MaxWait=1\n") << low;

        QTest::newRow("largest below smallest")
            << QByteArray("[Method]\nMinIncrement=0.3\nMaxIncrement=0.1\nMinWait=40\nMaxWait=10\n")
            << M {.minIncrement = 0.3, .maxIncrement = 0.3, .minWait = 40, .maxWait = 40};
        QTest::newRow("smallest above the default largest")
            << QByteArray("[Method]\nMinIncrement=0.5\nMinWait=50\n")
            << M {.minIncrement = 0.5, .maxIncrement = 0.5, .minWait = 50, .maxWait = 50};
        QTest::newRow("burette steps")
            << QByteArray("[Method]\nMinIncrement=0.0126\nMaxIncrement=0.1244\n")
            << M {.minIncrement = 0.013, .maxIncrement = 0.124};
        QTest::newRow("modes in any case")
            << QByteArray("[Method]\nDosingMode=Dynamic\nReadingMode=DRIFT\n")
            << M {.dosingMode = M::Dosing::Dynamic, .readingMode = M::Reading::Drift};
        QTest::newRow("unknown modes")
            << QByteArray("[Method]\nDosingMode=dynamisch\nReadingMode=1\n") << d;
        QTest::newRow("fixed modes")
            << QByteArray("[Method]\nDosingMode=fixed\nReadingMode=fixed\n") << d;
    }

    void readSettings()
    {
        QFETCH(QByteArray, ini);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("kalumet.conf")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size());
        file.close();
        QSettings settings(file.fileName(), QSettings::IniFormat);
        QTEST(MethodSettings::read(settings), "expected");
    }

    // Values that are no numbers take their defaults.
    void clampedKeepsNumbersOnly()
    {
        constexpr double Inf = std::numeric_limits<double>::infinity();
        const MethodSettings m {.signalStepPh = NaN, .minIncrement = Inf, .maxWait = -Inf};
        QCOMPARE(m.clamped(), MethodSettings());
    }

    // Written with "." whatever the user's separator, and read back the same.
    void writeSettings()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("kalumet.conf")));
        const MethodSettings m {.dosingMode = MethodSettings::Dosing::Dynamic,
            .minIncrement = 0.0126,
            .readingMode = MethodSettings::Reading::Drift,
            .driftLimitMv = 37.5};
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        {
            QSettings settings(file.fileName(), QSettings::IniFormat);
            m.write(settings);
        }
        QLocale::setDefault(QLocale::c());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        for (const char *line : {"[Method]", "DosingMode=dynamic", "MinIncrement=0.013",
                 "MaxIncrement=0.2", "DriftLimitMV=37.5", "ReadingMode=drift", "MaxWait=30"})
            QVERIFY2(text.contains(line), line);
        QSettings settings(file.fileName(), QSettings::IniFormat);
        QCOMPARE(MethodSettings::read(settings), m.clamped());
    }
};

QTEST_GUILESS_MAIN(tst_Adaptive)
#include "tst_adaptive.moc"
