// A titration run against the simulated titrator, through a real pseudo-terminal, the real
// serial port, receive path and report evaluation, driven by a real timer.

#include "app/settingsrecord.h"
#include "common/clock.h"
#include "e2e/simulator.h"
#include "evaluation/derivative.h"
#include "evaluation/measurementstore.h"
#include "evaluation/reportevaluator.h"
#include "link/instrumentlink.h"
#include "link/portsettings.h"
#include "link/rskanal.h"
#include "support/fakedocument.h"
#include "support/fakeruncontrols.h"
#include "titration/runtimer.h"
#include "titration/titrationrun.h"

#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

constexpr double Equivalence = 3.0; // mL of the simulated sample
constexpr int Increment = 50; // hundredths of a mL

// The run's timer on a real QTimer that ticks five times faster than the run asks, so a whole
// run takes seconds (a reply still has two seconds); the run still sees the intervals it set.
struct FastTimer : RunTimer
{
    FastTimer() { timer.setInterval(ms / 5); }
    int interval() const override { return ms; }
    void setInterval(int milliseconds) override
    {
        ms = milliseconds;
        timer.setInterval(milliseconds / 5);
    }
    bool isEnabled() const override { return timer.isActive(); }
    void setEnabled(bool on) override
    {
        if (on && !timer.isActive())
            timer.start();
        else if (!on)
            timer.stop();
    }
    QTimer timer;
    int ms = 500;
};

} // namespace

class tst_E2eRun : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void runEndsByPassingItsEndValueAndTheDerivativePeaksAtTheEquivalence_data()
    {
        QTest::addColumn<int>("bereich");
        QTest::addColumn<QString>("endValue");
        QTest::newRow("pH rising") << 0 << "10,5";
        QTest::newRow("mV falling") << 1 << "-200";
    }
    void runEndsByPassingItsEndValueAndTheDerivativePeaksAtTheEquivalence()
    {
        QFETCH(int, bereich);
        QFETCH(QString, endValue);
        Simulator sim({QStringLiteral("--equivalence"), QString::number(Equivalence),
            QStringLiteral("--noise"), QStringLiteral("0")});
        QVERIFY2(sim.device.startsWith(QStringLiteral("/dev/")), qPrintable(sim.device));
        QTemporaryDir dir;
        QSettings ini(dir.filePath(QStringLiteral("kalumet.ini")), QSettings::IniFormat);
        PortSettings(ini).setDevicePath(1, sim.device);

        SettingsRecord settings;
        settings.Sprache = 1;
        settings.Bereich = quint8(bereich);
        settings.separators = Numbers::Separators::comma();
        MeasurementStore store;
        FakeDocumentHost documents;
        RsKanal port(ini);
        InstrumentLink link(port, settings);
        ReportEvaluator evaluator(store, settings, documents);
        link.setLineHandler([&](const QString &line) { evaluator.RsAuswertung(line); });
        const LinkStatus opened = link.InitRs();
        QVERIFY2(opened.ok, qPrintable(opened.reason));

        FastTimer timer;
        FakeRunControls controls;
        controls.increment = Increment;
        controls.endValue = endValue;
        SystemClock clock;
        TitrationRun run(store, settings, documents, link, controls, timer, clock);
        connect(&timer.timer, &QTimer::timeout, &run, &TitrationRun::Ablauf);
        QSignalSpy failed(&run, &TitrationRun::failed);

        run.cmdTitration_Click();
        QTRY_VERIFY_WITH_TIMEOUT(!run.isRunning(), 30000);
        QVERIFY(failed.isEmpty());

        // Ended by passing the end value, not by volume or row count.
        const double end = settings.EndWert;
        const bool falling = bereich == 1;
        auto passed = [&](double value) {
            return falling ? value < end : value > end;
        };
        const int rows = store.AnzahlWerte;
        QVERIFY(rows >= 3);
        QVERIFY(passed(store.Messwerte[rows - 1][1]));
        for (int i = 0; i + 1 < rows; ++i) {
            QVERIFY(!passed(store.Messwerte[i][1]));
            QCOMPARE(store.Messwerte[i][0], i * Increment * 0.01);
        }

        // One table row per reading, each showing the stored reading; the titrator's replies
        // stand between them.
        const QString text = documents.active()->text();
        const QString unit = bereich == 0 ? QStringLiteral("pH") : QStringLiteral("mV");
        QVERIFY(text.startsWith("  Titrations Daten\r\n   ml        " + unit + "        [s]\r\n"));
        static const QRegularExpression row(
            QStringLiteral("^  (\\d+,\\d\\d)    (-?\\d+,\\d\\d\\d)  (\\d+,\\d)  $"));
        int tableRows = 0;
        for (const QString &line : text.split(QStringLiteral("\r\n"))) {
            const auto match = row.match(line);
            if (!match.hasMatch())
                continue;
            QVERIFY(tableRows < rows);
            const auto sep = settings.separators;
            QCOMPARE(match.captured(1), Numbers::format(store.Messwerte[tableRows][0], 2, sep));
            QCOMPARE(match.captured(2), Numbers::format(store.Messwerte[tableRows][1], 3, sep));
            ++tableRows;
        }
        QCOMPARE(tableRows, rows);

        // The derivative peaks at the equivalence volume, within one increment.
        QVERIFY(BerAbleit(store, &documents.active()->chart()));
        const ChartModel &chart = documents.active()->chartModel();
        int peak = 1;
        for (int r = 1; r < rows; ++r) {
            QVERIFY(!chart.cell(r, 4).isNull);
            if (chart.cell(r, 4).value > chart.cell(peak, 4).value)
                peak = r;
        }
        QVERIFY2(std::abs(chart.cell(peak, 3).value - Equivalence) <= Increment * 0.01,
            qPrintable(QString::number(chart.cell(peak, 3).value)));
    }
};

QTEST_GUILESS_MAIN(tst_E2eRun)
#include "tst_e2e_run.moc"
