// The main window with a channel that cannot be opened: one message. End to end against the
// simulated titrator, through a real pseudo-terminal and serial port: the read-out in the main
// window (Res brings the result report, its sample number the data request, the stored data
// fill store, chart and document), and a titration run driven by a real timer.

#include "app/frmmain.h"
#include "common/clock.h"
#include "documents/documentcommands.h"
#include "documents/frmdocument.h"
#include "evaluation/reportevaluator.h"
#include "link/instrumentlink.h"
#include "link/portsettings.h"
#include "link/rskanal.h"
#include "model/settingsrecord.h"
#include "support/fakedocument.h"
#include "support/fakeruncontrols.h"
#include "support/titratorsim.h"
#include "titration/runtimer.h"
#include "titration/titrationrun.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QMdiArea>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// The tests run in a scratch directory (where the program's method file goes) under a German
// locale; each case gets a fresh store (QSettings caches files by name) with channel 1 at
// `device`.
struct WindowCases
{
    QTemporaryDir dir;
    QString startDir = QDir::currentPath();
    int cases = 0;

    WindowCases()
    {
        QDir::setCurrent(dir.path());
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~WindowCases() { QDir::setCurrent(startDir); }
    QString storeWith(const QString &device)
    {
        const QString path = dir.filePath(QStringLiteral("case%1.ini").arg(++cases));
        QSettings store(path, QSettings::IniFormat);
        PortSettings(store).setDevicePath(1, device);
        return path;
    }
};

// The data rows as a reader of the printout sees them: three numbers on a line after the
// column header, read here independently of the program's scanner.
QList<std::array<double, 3>> printedRows(const QString &text)
{
    static const QRegularExpression row(
        QStringLiteral("^\\s*(-?\\d+,\\d+)\\s+(-?\\d+,\\d+)\\s+(-?\\d+,\\d+)\\s*$"));
    QList<std::array<double, 3>> rows;
    bool inTable = false;
    for (const QString &line : text.split(QStringLiteral("\r\n"))) {
        inTable = inTable || line.contains(QStringLiteral("t[s]"));
        const auto m = row.match(line);
        auto number = [&](int i) {
            return QLocale::c().toDouble(m.captured(i).replace(u',', u'.'));
        };
        if (inTable && m.hasMatch())
            rows.append({number(1), number(2), number(3)});
    }
    return rows;
}

constexpr double Equivalence = 3.0; // mL of the simulated sample
constexpr int Increment = 50; // hundredths of a mL

// The run's timer on a real QTimer that ticks five times faster than the run asks, so a whole
// run takes seconds (a reply still has two seconds); the run still sees the intervals it set.
struct FastTimer : RunTimer
{
    FastTimer() { timer.setInterval(ms / 5); }
    int interval() const override { return ms; }
    void setInterval(int milliseconds) override { timer.setInterval((ms = milliseconds) / 5); }
    bool isEnabled() const override { return timer.isActive(); }
    void setEnabled(bool on) override
    {
        if (!on)
            timer.stop();
        else if (!timer.isActive())
            timer.start();
    }
    QTimer timer;
    int ms = 500;
};

} // namespace

class tst_E2e : public QObject
{
    Q_OBJECT
    WindowCases m_cases;

    static QList<QMessageBox *> errorBoxes(frmMain &w)
    {
        QList<QMessageBox *> boxes = w.findChildren<QMessageBox *>();
        boxes.removeIf([](QMessageBox *box) { return !box->isVisible(); });
        return boxes;
    }
    QString missingDevice() const { return m_cases.dir.filePath(QStringLiteral("no-such-tty")); }

private Q_SLOTS:
    void missingDeviceAtStartShowsOneMessageWithItsReason()
    {
        QSettings store(m_cases.storeWith(missingDevice()), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        QCOMPARE(errorBoxes(w).size(), 1);
        // The system's reason in plain view, under the message.
        const QString text = errorBoxes(w).first()->text();
        QVERIFY(text.startsWith(QStringLiteral("Fehler in der Rs Kommunikation\n")));
        QVERIFY(text.contains(missingDevice()));
        w.findChild<QPushButton *>(QStringLiteral("cmdResult"))->click();
        QCOMPARE(errorBoxes(w).size(), 1); // another failure while it is up does not stack
        errorBoxes(w).first()->button(QMessageBox::Ok)->click();
        QTRY_COMPARE_WITH_TIMEOUT(errorBoxes(w).size(), 0, 5000);
        w.InitRs(); // once it is closed, the next failure shows again
        QCOMPARE(errorBoxes(w).size(), 1);
    }

    void windowShowsWhyTheRunStoppedAndWhyADoseWasRefused()
    {
        TitratorSim sim({});
        QVERIFY(sim.device.startsWith(QStringLiteral("/dev/")));
        QSettings store(m_cases.storeWith(sim.device), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        w.cmdTitration()->click();
        QCOMPARE(w.cmdTitration()->text(), QStringLiteral("Titr. Stop"));
        w.mdiArea()->closeAllSubWindows();
        QTRY_COMPARE_WITH_TIMEOUT(errorBoxes(w).size(), 1, 5000);
        QCOMPARE(errorBoxes(w).first()->text(),
            QStringLiteral("The document of the run has been closed."));
        QCOMPARE(w.cmdTitration()->text(), QStringLiteral("Titr. Start"));
        errorBoxes(w).first()->button(QMessageBox::Ok)->click();
        QTRY_COMPARE_WITH_TIMEOUT(errorBoxes(w).size(), 0, 5000);

        w.setTxtDosText(QStringLiteral("-5"));
        w.findChild<QPushButton *>(QStringLiteral("cmdDos"))->click();
        QCOMPARE(errorBoxes(w).size(), 1);
        QVERIFY(errorBoxes(w).first()->text().contains(QStringLiteral("100 mL")));
    }

    void resultButtonFetchesTheDataIntoStoreChartAndDocument()
    {
        TitratorSim sim({QStringLiteral("--seed"), QStringLiteral("11")});
        QVERIFY(sim.device.startsWith(QStringLiteral("/dev/")));
        QSettings store(m_cases.storeWith(sim.device), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        frmDocument *doc = w.documents().activeForm();

        w.findChild<QPushButton *>(QStringLiteral("cmdResult"))->click();
        // The stored data end the exchange.
        QTRY_VERIFY_WITH_TIMEOUT(doc->text().contains(QStringLiteral("Ende der Daten")), 20000);
        QVERIFY(errorBoxes(w).isEmpty());

        const QString text = doc->text();
        const auto rows = printedRows(text);
        QVERIFY(rows.size() > 20);
        const MeasurementStore &m = w.measurementStore();
        QCOMPARE(int(m.AnzahlWerte), rows.size());
        QCOMPARE(m.DatenModus, MeasurementStore::DataMode);
        const ChartModel &chart = doc->chartModel();
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(m.Messwerte[i][0], rows[i][0]);
            QCOMPARE(m.Messwerte[i][1], rows[i][1]);
            QCOMPARE(m.Zeiten[i], rows[i][2]);
            QCOMPARE(chart.cell(i + 1, 1).value, rows[i][0]);
            QCOMPARE(chart.cell(i + 1, 2).value, rows[i][1]);
        }
        QVERIFY(chart.cell(rows.size() + 1, 1).isNull);
        // The stored data replaced the result in the document.
        QVERIFY(text.contains(QStringLiteral("Gespeicherte Titration")));
        QVERIFY(!text.contains(QStringLiteral("Probennummer")));
    }

    void runOnARealTimerEndsByPassingItsEndValue()
    {
        TitratorSim sim({QStringLiteral("--equivalence"), QString::number(Equivalence),
            QStringLiteral("--noise"), QStringLiteral("0")});
        QVERIFY(sim.device.startsWith(QStringLiteral("/dev/")));
        QSettings ini(m_cases.storeWith(sim.device), QSettings::IniFormat);

        SettingsRecord settings;
        settings.Bereich = 0; // pH
        settings.separators = Numbers::Separators::comma();
        MeasurementStore store;
        FakeDocumentHost documents;
        RsKanal port(ini);
        InstrumentLink link(port, settings);
        ReportEvaluator evaluator(store, settings, documents);
        link.setLineHandler([&](const QString &line) { evaluator.RsAuswertung(line); });
        QVERIFY(link.InitRs().ok);

        FastTimer timer;
        FakeRunControls controls;
        controls.increment = Increment;
        controls.endValue = QStringLiteral("10,5");
        SystemClock clock;
        TitrationRun run(store, settings, documents, link, controls, timer, clock);
        connect(&timer.timer, &QTimer::timeout, &run, &TitrationRun::Ablauf);
        QSignalSpy failed(&run, &TitrationRun::failed);

        run.toggle();
        QTRY_VERIFY_WITH_TIMEOUT(!run.isRunning(), 30000);
        QVERIFY(failed.isEmpty());

        // Ended by passing the end value, not by volume or row count.
        const int rows = store.AnzahlWerte;
        QVERIFY(rows >= 3);
        QVERIFY(store.Messwerte[rows - 1][1] > settings.EndWert);
        for (int i = 0; i + 1 < rows; ++i) {
            QVERIFY(store.Messwerte[i][1] <= settings.EndWert);
            QCOMPARE(store.Messwerte[i][0], i * Increment * 0.01);
        }
    }
};

QTEST_MAIN(tst_E2e)
#include "tst_e2e.moc"
