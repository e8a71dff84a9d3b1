// A titration run against the simulated titrator, through a real pseudo-terminal, the real
// serial port, receive path and report evaluation, driven by a real timer.

#include "app/settingsrecord.h"
#include "common/clock.h"
#include "evaluation/derivative.h"
#include "evaluation/measurementstore.h"
#include "evaluation/reportevaluator.h"
#include "link/instrumentlink.h"
#include "link/portsettings.h"
#include "link/rskanal.h"
#include "support/fakedocument.h"
#include "titration/runcontrols.h"
#include "titration/runtimer.h"
#include "titration/titrationrun.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

constexpr double Equivalence = 3.0; // mL of the simulated sample
constexpr int Increment = 50; // hundredths of a mL

struct Controls : RunControls
{
    int waitingTimeValue() override { return 1; }
    int incrementValue() override { return Increment; }
    QString endValueText() override { return QStringLiteral("10,5"); }
    QString endVolumeText() override { return QStringLiteral("20"); }
};

// The run's timer on a real QTimer that ticks five times faster than the run asks, so a whole
// run takes seconds (a reply still has two seconds); the run still sees the intervals it set.
class FastTimer : public RunTimer
{
public:
    explicit FastTimer(QTimer &timer)
        : m_timer(timer)
    { }
    int interval() const override { return m_interval; }
    void setInterval(int ms) override
    {
        m_interval = ms;
        m_timer.setInterval(ms / 5);
    }
    bool isEnabled() const override { return m_timer.isActive(); }
    void setEnabled(bool on) override
    {
        if (on && !m_timer.isActive())
            m_timer.start();
        else if (!on)
            m_timer.stop();
    }

private:
    QTimer &m_timer;
    int m_interval = 500;
};

} // namespace

class tst_E2eRun : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void runAgainstTheSimulatorEndsPastTheEndValueAndFindsTheEquivalencePoint()
    {
        QProcess sim;
        sim.setProgram(QStringLiteral(KALUMET_BINARY_DIR "/titrator-sim"));
        sim.setArguments({QStringLiteral("--equivalence"), QString::number(Equivalence),
            QStringLiteral("--noise"), QStringLiteral("0")});
        sim.start();
        QVERIFY2(sim.waitForStarted(5000), qPrintable(sim.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 5000);
        const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
        QVERIFY(device.startsWith(QStringLiteral("/dev/")));

        QTemporaryDir dir;
        QSettings ini(dir.filePath(QStringLiteral("kalumet.ini")), QSettings::IniFormat);
        PortSettings(ini).setDevicePath(1, device);

        SettingsRecord settings;
        settings.RsPort = 1;
        settings.Sprache = 1;
        settings.Bereich = 0;
        settings.separators = Numbers::Separators::comma();
        MeasurementStore store;
        FakeDocumentHost documents;
        documents.newDocument();

        RsKanal port(ini);
        InstrumentLink link(port, settings);
        ReportEvaluator evaluator(store, settings, documents);
        link.setLineHandler([&](const QString &line) { evaluator.RsAuswertung(line); });
        const LinkStatus opened = link.InitRs();
        QVERIFY2(opened.ok, qPrintable(opened.reason));

        QTimer timer;
        timer.setInterval(100);
        FastTimer runTimer(timer);
        Controls controls;
        SystemClock clock;
        TitrationRun run(store, settings, documents, link, controls, runTimer, clock);
        connect(&timer, &QTimer::timeout, &run, &TitrationRun::Ablauf);
        QSignalSpy failed(&run, &TitrationRun::failed);

        run.cmdTitration_Click();
        QTRY_VERIFY_WITH_TIMEOUT(!run.isRunning(), 30000);
        QVERIFY(failed.isEmpty());

        // Ended by passing the end value, not by volume or row count.
        const int rows = store.AnzahlWerte;
        QVERIFY(rows >= 3);
        QCOMPARE(store.DatenModus, MeasurementStore::DataMode);
        QVERIFY(store.Messwerte[rows - 1][1] > 10.5);
        for (int i = 0; i + 1 < rows; ++i) {
            QVERIFY(store.Messwerte[i][1] <= 10.5);
            QCOMPARE(store.Messwerte[i][0], i * Increment * 0.01);
        }
        QVERIFY(run.Volumen < 20);

        // One table row per reading, each showing the stored reading; the titrator's replies
        // stand between them.
        FakeDocument &doc = *documents.active();
        const QStringList lines = doc.text().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.value(0), QStringLiteral("  Titrations Daten"));
        QCOMPARE(lines.value(1), QStringLiteral("   ml        pH        [s]"));
        static const QRegularExpression row(
            QStringLiteral("^  (\\d+,\\d\\d)    (-?\\d+,\\d\\d\\d)  (\\d+,\\d)  $"));
        int tableRows = 0;
        for (const QString &line : lines) {
            const auto match = row.match(line);
            if (!match.hasMatch())
                continue;
            const auto sep = settings.separators;
            QCOMPARE(match.captured(1), Numbers::format(store.Messwerte[tableRows][0], 2, sep));
            QCOMPARE(match.captured(2), Numbers::format(store.Messwerte[tableRows][1], 3, sep));
            ++tableRows;
        }
        QCOMPARE(tableRows, rows);

        // The derivative peaks at the equivalence volume, within one increment.
        QVERIFY(BerAbleit(store, &doc.chart()));
        const ChartModel &chart = doc.chartModel();
        int peak = 1;
        for (int r = 1; r < rows; ++r) {
            QVERIFY(!chart.cell(r, 4).isNull);
            if (chart.cell(r, 4).value > chart.cell(peak, 4).value)
                peak = r;
        }
        QVERIFY2(std::abs(chart.cell(peak, 3).value - Equivalence) <= Increment * 0.01,
            qPrintable(QString::number(chart.cell(peak, 3).value)));

        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(tst_E2eRun)
#include "tst_e2e_run.moc"
