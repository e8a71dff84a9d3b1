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

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

QList<double> secondsFrom(double first, int count)
{
    QList<double> t;
    for (int i = 0; i < count; ++i)
        t.append(first + i);
    return t;
}

} // namespace

// Dynamic dosing, drift-controlled readings and their method settings.
class tst_Adaptive : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void nextDose_data()
    {
        QTest::addColumn<qint64>("lastDose"); // microlitres
        QTest::addColumn<double>("change"); // pH the last dose brought
        QTest::addColumn<qint64>("expected");

        // Default rule: 10 to 200 microlitres, 0.2 pH a dose, at most twice the last dose.
        QTest::newRow("slope to dose") << qint64(100) << 0.5 << qint64(40);
        QTest::newRow("falling curve alike") << qint64(100) << -0.5 << qint64(40);
        QTest::newRow("rounded up") << qint64(100) << 0.3 << qint64(67); // 66.67
        QTest::newRow("rounded down") << qint64(100) << 0.9 << qint64(22); // 22.22
        QTest::newRow("smaller after a steep step") << qint64(200) << 2.0 << qint64(20);
        QTest::newRow("exactly the smallest") << qint64(50) << 1.0 << qint64(10);
        QTest::newRow("below the smallest") << qint64(50) << 2.0 << qint64(10);
        QTest::newRow("jump itself") << qint64(10) << 3.0 << qint64(10);
        QTest::newRow("just below the largest") << qint64(150) << 0.151 << qint64(199);
        QTest::newRow("exactly the largest") << qint64(150) << 0.15 << qint64(200);
        QTest::newRow("above the largest") << qint64(150) << 0.1 << qint64(200);
        QTest::newRow("growth exactly twice") << qint64(60) << 0.1 << qint64(120);
        QTest::newRow("growth limited") << qint64(60) << 0.05 << qint64(120);
        QTest::newRow("after the jump: not the largest at once")
            << qint64(10) << 0.001 << qint64(20);
        QTest::newRow("no change: grows") << qint64(80) << 0.0 << qint64(160);
        QTest::newRow("no change at the top") << qint64(200) << 0.0 << qint64(200);
        QTest::newRow("no number: grows") << qint64(40) << NaN << qint64(80);
        QTest::newRow("no dose yet: the first") << qint64(0) << 0.5 << qint64(10);
    }

    void nextDose()
    {
        QFETCH(qint64, lastDose);
        QFETCH(double, change);
        QFETCH(qint64, expected);
        const DosingRule rule = DosingRule::fromSettings(MethodSettings(), false);
        QCOMPARE(rule.nextDose(lastDose, change), expected);
    }

    void ruleFromSettings_data()
    {
        QTest::addColumn<double>("minIncrement");
        QTest::addColumn<double>("maxIncrement");
        QTest::addColumn<bool>("millivolts");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("largest");
        QTest::addColumn<double>("step");

        QTest::newRow("defaults, pH") << 0.01 << 0.2 << false << qint64(10) << qint64(200) << 0.2;
        QTest::newRow("defaults, mV") << 0.01 << 0.2 << true << qint64(10) << qint64(200) << 12.0;
        QTest::newRow("burette steps") << 0.001 << 0.013 << false << qint64(1) << qint64(13) << 0.2;
    }

    void ruleFromSettings()
    {
        QFETCH(double, minIncrement);
        QFETCH(double, maxIncrement);
        QFETCH(bool, millivolts);
        QFETCH(qint64, first);
        QFETCH(qint64, largest);
        QFETCH(double, step);
        MethodSettings m;
        m.minIncrement = minIncrement;
        m.maxIncrement = maxIncrement;
        const DosingRule rule = DosingRule::fromSettings(m.clamped(), millivolts);
        QCOMPARE(rule.firstDose(), first);
        QCOMPARE(rule.nextDose(largest, 0.0), largest);
        QCOMPARE(rule.targetStep(), step);
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
        QFETCH(QString, command);
        // The titrator reads "." whatever the user's separator.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString sent = ::doseCommand(microlitres);
        QLocale::setDefault(QLocale::c());
        QCOMPARE(sent, command);
    }

    void drift_data()
    {
        QTest::addColumn<double>("limit"); // per minute
        QTest::addColumn<double>("minWait");
        QTest::addColumn<double>("maxWait");
        QTest::addColumn<QList<double>>("seconds"); // after the dose at 0
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<int>("decidedAt"); // index of the reading taken
        QTest::addColumn<DriftMonitor::Verdict>("verdict");

        using V = DriftMonitor::Verdict;
        const QList<double> t = secondsFrom(1, 40);

        // Four readings over three seconds before the first fit.
        QTest::newRow("settled") << 0.6 << 1.0 << 30.0 << t << QList<double>(40, 7.0) << 3
                                 << V::Accept;
        QTest::newRow("settled, waits for MinWait")
            << 0.6 << 6.0 << 30.0 << t << QList<double>(40, 7.0) << 5 << V::Accept;

        // A line of exactly 15 per minute: not below a limit of 15.
        QList<double> ramp;
        for (double s : t)
            ramp.append(7.0 + 0.25 * s);
        QTest::newRow("drift at the limit") << 15.0 << 1.0 << 30.0 << t << ramp << 29 << V::Forced;
        QTest::newRow("drift just below") << 15.001 << 1.0 << 30.0 << t << ramp << 3 << V::Accept;
        QTest::newRow("falling drift alike")
            << 15.0 << 1.0 << 30.0 << t << QList<double>(ramp.rbegin(), ramp.rend()) << 29
            << V::Forced;

        // Moved early, settled late: only the last three seconds count.
        QList<double> settling {7.0, 7.1, 7.2, 7.3};
        while (settling.size() < 40)
            settling.append(7.35);
        QTest::newRow("only the last seconds")
            << 0.6 << 1.0 << 30.0 << t << settling << 7 << V::Accept;

        // Electrode noise of 0.002 pH, readings to 0.01 pH: neither drift nor a hold-up.
        std::mt19937 random(20261207);
        std::normal_distribution<double> noise(0.0, 0.002);
        for (int run = 0; run < 3; ++run) {
            QList<double> noisy;
            for (int i = 0; i < 40; ++i) {
                const double value = 7.005 + noise(random);
                // Two rows as the meter rounds them, on the rounding edge; one as measured.
                noisy.append(run < 2 ? std::round(value * 100.0) / 100.0 : value);
            }
            QTest::addRow("noisy flat %d", run)
                << 0.6 << 1.0 << 30.0 << t << noisy << 3 << V::Accept;
        }
        // A real drift twice the limit under the same noise never passes.
        QList<double> noisyDrift;
        for (double s : t)
            noisyDrift.append(std::round((7.0 + 0.02 * s + noise(random)) * 100.0) / 100.0);
        QTest::newRow("noisy drift") << 0.6 << 1.0 << 30.0 << t << noisyDrift << 29 << V::Forced;

        // Still moving at MaxWait: the reading at exactly MaxWait is taken, marked.
        QList<double> slow;
        for (double s : t)
            slow.append(7.0 + 2.0 * (1.0 - std::exp(-s / 60.0)));
        QTest::newRow("forced at MaxWait") << 0.6 << 1.0 << 30.0 << t << slow << 29 << V::Forced;
        QTest::newRow("forced at a short MaxWait")
            << 0.6 << 1.0 << 2.0 << t << slow << 1 << V::Forced;
        // Readings on 500 ms ticks, not quite a second apart, still fill the window.
        QTest::newRow("readings a little early")
            << 0.6 << 1.0 << 30.0 << QList<double> {0.5, 1.45, 2.4, 3.35, 4.3}
            << QList<double>(5, 7.0) << 3 << V::Accept;
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
        MethodSettings m;
        m.maxWait = 10;
        DriftMonitor monitor = DriftMonitor::fromSettings(m, millivolts);
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

        const MethodSettings d;
        QTest::newRow("missing") << QByteArray() << d;

        MethodSettings all;
        all.dosingMode = MethodSettings::Dosing::Dynamic;
        all.signalStepPh = 0.3;
        all.signalStepMv = 15;
        all.minIncrement = 0.02;
        all.maxIncrement = 0.5;
        all.readingMode = MethodSettings::Reading::Drift;
        all.driftLimitPh = 1.2;
        all.driftLimitMv = 40;
        all.minWait = 2;
        all.maxWait = 45;
        QTest::newRow("all set") << QByteArray("[Method]\nDosingMode=dynamic\nSignalStepPH=0.3\n"
                                               "SignalStepMV=15\nMinIncrement=0.02\n"
                                               "MaxIncrement=0.5\nReadingMode=drift\n"
                                               "DriftLimitPH=1.2\nDriftLimitMV=40\nMinWait=2\n"
                                               "MaxWait=45\n")
                                 << all;
        QTest::newRow("other group")
            << QByteArray("[Settings]\nDosingMode=dynamic\nMinWait=5\n") << d;
        QTest::newRow("not numbers")
            << QByteArray("[Method]\nSignalStepPH=abc\nSignalStepMV=\nMinIncrement=0.0.1\n"
                          "MaxIncrement=nan\nDriftLimitPH=inf\nDriftLimitMV=1e999\n"
                          "MinWait=2s\nMaxWait=-\n")
            << d;

        MethodSettings comma = d;
        comma.minIncrement = 0.05;
        comma.driftLimitPh = 0.5;
        QTest::newRow("decimal comma")
            << QByteArray("[Method]\nMinIncrement=0,05\nDriftLimitPH=\"0,5\"\n") << comma;

        MethodSettings high;
        high.signalStepPh = MethodSettings::MaxSignalStepPh;
        high.signalStepMv = MethodSettings::MaxSignalStepMv;
        high.minIncrement = MethodSettings::LargestIncrement;
        high.maxIncrement = MethodSettings::LargestIncrement;
        high.driftLimitPh = MethodSettings::MaxDriftLimitPh;
        high.driftLimitMv = MethodSettings::MaxDriftLimitMv;
        high.minWait = MethodSettings::LongestMinWait;
        high.maxWait = MethodSettings::LongestMaxWait;
        QTest::newRow("above the ranges") << QByteArray(
            "[Method]\nSignalStepPH=2.5\nSignalStepMV=500\nMinIncrement=11\n"
            "MaxIncrement=100\nDriftLimitPH=11\nDriftLimitMV=1000\nMinWait=61\n"
            "MaxWait=601\n") << high;
        QTest::newRow("at the tops") << QByteArray(
            "[Method]\nSignalStepPH=2\nSignalStepMV=120\nMinIncrement=10\n"
            "MaxIncrement=10\nDriftLimitPH=10\nDriftLimitMV=600\nMinWait=60\n"
            "MaxWait=600\n") << high;

        MethodSettings low;
        low.signalStepPh = MethodSettings::MinSignalStepPh;
        low.signalStepMv = MethodSettings::MinSignalStepMv;
        low.minIncrement = 0.001;
        low.maxIncrement = 0.001;
        low.driftLimitPh = MethodSettings::MinDriftLimitPh;
        low.driftLimitMv = MethodSettings::MinDriftLimitMv;
        low.minWait = 0;
        low.maxWait = MethodSettings::ShortestMaxWait;
        QTest::newRow("below the ranges") << QByteArray(
            "[Method]\nSignalStepPH=0\nSignalStepMV=-12\nMinIncrement=0.0004\n"
            "MaxIncrement=0\nDriftLimitPH=0.001\nDriftLimitMV=0.1\nMinWait=-1\n"
            "MaxWait=0.5\n") << low;
        QTest::newRow("at the bottoms") << QByteArray(
            "[Method]\nSignalStepPH=0.01\nSignalStepMV=0.5\nMinIncrement=0.001\n"
            "MaxIncrement=0.001\nDriftLimitPH=0.01\nDriftLimitMV=0.5\nMinWait=0\n"
            "MaxWait=1\n") << low;

        MethodSettings crossed = d;
        crossed.minIncrement = 0.3;
        crossed.maxIncrement = 0.3;
        crossed.minWait = 40;
        crossed.maxWait = 40;
        QTest::newRow("largest below smallest")
            << QByteArray("[Method]\nMinIncrement=0.3\nMaxIncrement=0.1\nMinWait=40\nMaxWait=10\n")
            << crossed;
        MethodSettings crossedDefaults = d;
        crossedDefaults.minIncrement = 0.5;
        crossedDefaults.maxIncrement = 0.5;
        crossedDefaults.minWait = 50;
        crossedDefaults.maxWait = 50;
        QTest::newRow("smallest above the default largest")
            << QByteArray("[Method]\nMinIncrement=0.5\nMinWait=50\n") << crossedDefaults;

        MethodSettings steps = d;
        steps.minIncrement = 0.013;
        steps.maxIncrement = 0.124;
        QTest::newRow("burette steps")
            << QByteArray("[Method]\nMinIncrement=0.0126\nMaxIncrement=0.1244\n") << steps;

        MethodSettings modes = d;
        modes.dosingMode = MethodSettings::Dosing::Dynamic;
        modes.readingMode = MethodSettings::Reading::Drift;
        QTest::newRow("modes in any case")
            << QByteArray("[Method]\nDosingMode=Dynamic\nReadingMode=DRIFT\n") << modes;
        QTest::newRow("unknown modes")
            << QByteArray("[Method]\nDosingMode=dynamisch\nReadingMode=1\n") << d;
        QTest::newRow("fixed modes")
            << QByteArray("[Method]\nDosingMode=fixed\nReadingMode=fixed\n") << d;
    }

    void readSettings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(MethodSettings, expected);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("kalumet.conf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini);
        file.close();
        QSettings settings(path, QSettings::IniFormat);
        const MethodSettings got = MethodSettings::read(settings);
        QCOMPARE(got.dosingMode, expected.dosingMode);
        QCOMPARE(got.signalStepPh, expected.signalStepPh);
        QCOMPARE(got.signalStepMv, expected.signalStepMv);
        QCOMPARE(got.minIncrement, expected.minIncrement);
        QCOMPARE(got.maxIncrement, expected.maxIncrement);
        QCOMPARE(got.readingMode, expected.readingMode);
        QCOMPARE(got.driftLimitPh, expected.driftLimitPh);
        QCOMPARE(got.driftLimitMv, expected.driftLimitMv);
        QCOMPARE(got.minWait, expected.minWait);
        QCOMPARE(got.maxWait, expected.maxWait);
    }

    void clampedKeepsNumbersOnly()
    {
        MethodSettings m;
        m.signalStepPh = NaN;
        m.minIncrement = std::numeric_limits<double>::infinity();
        m.maxWait = -std::numeric_limits<double>::infinity();
        const MethodSettings c = m.clamped();
        QCOMPARE(c.signalStepPh, 0.2);
        QCOMPARE(c.minIncrement, 0.01);
        QCOMPARE(c.maxWait, 30.0);
        QCOMPARE(MethodSettings().clamped(), MethodSettings());
    }

    // Written with "." whatever the user's separator, and read back the same.
    void writeSettings()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("kalumet.conf"));
        MethodSettings m;
        m.dosingMode = MethodSettings::Dosing::Dynamic;
        m.minIncrement = 0.0126;
        m.driftLimitMv = 37.5;
        m.readingMode = MethodSettings::Reading::Drift;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        {
            QSettings settings(path, QSettings::IniFormat);
            m.write(settings);
        }
        QLocale::setDefault(QLocale::c());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        for (const char *line : {"[Method]", "DosingMode=dynamic", "MinIncrement=0.013",
                 "MaxIncrement=0.2", "DriftLimitMV=37.5", "ReadingMode=drift", "MaxWait=30"})
            QVERIFY2(text.contains(line), line);
        QSettings settings(path, QSettings::IniFormat);
        QCOMPARE(MethodSettings::read(settings), m.clamped());
    }
};

QTEST_GUILESS_MAIN(tst_Adaptive)
#include "tst_adaptive.moc"
