// The main window with a channel that cannot be opened: one message. End to end against the
// simulated titrator, through a real pseudo-terminal and serial port: the read-out in the main
// window (Res brings the result report, its sample number the data request, the stored data
// fill store, chart and document), and a titer determination run on the window's own timer.

#include "app/frmmain.h"
#include "app/journalsession.h"
#include "documents/documentcommands.h"
#include "documents/frmdocument.h"
#include "journal/journalstore.h"
#include "journal/journalwriter.h"
#include "link/portsettings.h"
#include "support/diskfiles.h"
#include "support/titratorsim.h"

#include <QDir>
#include <QMdiArea>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

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

    // The titrant is 0.1020 mol/L against its nominal 0.1000: a standard of 0.2081 mmol (the
    // simulator's acid at 2.04 mL, between two doses) gives the true titer 1.02, which the run's
    // titer must meet within 2 u. The run's end evaluates it and puts it into the titrant's
    // history.
    void titerDeterminationRunFindsTheTrueTiter()
    {
        constexpr double TrueConcentration = 0.1020;
        constexpr double Nominal = 0.1000;
        constexpr double EquivalenceMl = 2.04;
        constexpr double MolarMass = 204.22; // potassium hydrogen phthalate, g/mol
        const double mass = TrueConcentration * EquivalenceMl * MolarMass / 1000; // g
        TitratorSim sim({QStringLiteral("--titrant"), QString::number(TrueConcentration),
            QStringLiteral("--equivalence"), QString::number(EquivalenceMl),
            QStringLiteral("--seed"), QStringLiteral("6")});
        QVERIFY(sim.device.startsWith(QStringLiteral("/dev/")));
        const QString journal = m_cases.dir.filePath(QStringLiteral("titer.sqlite"));
        Journal::Titrant titrant;
        {
            JournalStore store(*JournalLocation::parse(journal));
            QVERIFY(store.open().ok());
            titrant.name = QStringLiteral("NaOH 0.1");
            titrant.concentration = Nominal;
            QVERIFY(store.saveTitrant(titrant));
        }
        // 0.1 mL every 0.1 s, to the end value pH 10.5 just past the jump.
        QVERIFY(writeAll(m_cases.dir.filePath(QStringLiteral("lastmeth.kmt")),
            "0,1\r\n0,1\r\n1\r\n10,5\r\n4\r\n1\r\n0\r\n0\r\n"));
        QSettings store(m_cases.storeWith(sim.device), QSettings::IniFormat);
        const QVariantMap method {{"Titrant", titrant.name}, {"TiterDetermination", true},
            {"StandardMass", mass}, {"StandardMolarMass", MolarMass}, {"ResultsAtRunEnd", true}};
        for (auto it = method.begin(); it != method.end(); ++it)
            store.setValue(QStringLiteral("Method/") + it.key(), it.value());
        frmMain w(store);
        w.Form_Load();
        w.openJournal(journal);
        QVERIFY(w.journal());
        w.cmdTitration()->click();
        QCOMPARE(w.cmdTitration()->text(), QStringLiteral("Titr. Stop"));
        QTRY_COMPARE_WITH_TIMEOUT(w.cmdTitration()->text(), QStringLiteral("Titr. Start"), 120000);
        QVERIFY(w.journal()->writer().waitUntilWritten(10000));

        JournalStore reader(*JournalLocation::parse(journal));
        QVERIFY(reader.open(false).ok());
        const std::vector<Journal::Titer> titers = reader.titers(titrant.id);
        QCOMPARE(int(titers.size()), 1);
        const Journal::Titer &found = titers.front();
        const double trueTiter = TrueConcentration / Nominal;
        qInfo("titer %.5f, u %.5f, true %.5f", found.value, found.u, trueTiter);
        QVERIFY(found.u > 0 && std::abs(found.value - trueTiter) <= 2 * found.u);
        const auto runs = reader.listRuns({});
        QCOMPARE(int(runs.size()), 1);
        QCOMPARE(found.runId, runs.front().id);
        QCOMPARE(found.standard.value(QStringLiteral("mass_g")).toDouble(), mass);
        // The results block says the titer found, in the window's language.
        const QString text = w.documents().activeForm()->text();
        QVERIFY2(
            text.contains(QStringLiteral("Titer of NaOH 0.1 from EP1: 1,0")), qPrintable(text));
    }
};

QTEST_MAIN(tst_E2e)
#include "tst_e2e.moc"
