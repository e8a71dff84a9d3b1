// Result and data read-out against the simulated titrator, through a real pseudo-terminal, the
// serial component, the receive path, the report evaluation and the manual commands.

#include "app/settingsrecord.h"
#include "common/clock.h"
#include "evaluation/measurementstore.h"
#include "evaluation/reportevaluator.h"
#include "link/instrumentlink.h"
#include "link/portsettings.h"
#include "link/rskanal.h"
#include "support/fakedocument.h"
#include "titration/manualcommands.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The program side of the line, wired as the main window wires it.
struct Program
{
    explicit Program(const QString &device)
    {
        PortSettings(ini).setDevicePath(1, device);
        settings.Sprache = 1;
        settings.separators = Numbers::Separators::comma();
        documents.newDocument();
        link.setLineHandler([this](const QString &line) {
            lines << line;
            evaluator.RsAuswertung(line);
        });
        evaluator.setDataRequest([this] {
            ++dataRequests;
            commands.cmdSend_Click();
        });
    }

    QTemporaryDir dir;
    QSettings ini {dir.filePath(QStringLiteral("kalumet.ini")), QSettings::IniFormat};
    SettingsRecord settings;
    MeasurementStore store;
    FakeDocumentHost documents;
    SystemClock clock;
    RsKanal port {ini};
    InstrumentLink link {port, settings};
    ReportEvaluator evaluator {store, settings, documents};
    ManualCommands commands {link, documents, clock};
    QStringList lines;
    int dataRequests = 0;
};

struct Row
{
    double volume, value, time;
};

// The data rows as a reader of the printout sees them: three numbers on a line after the
// column header, read here independently of the program's scanner.
QList<Row> printedRows(const QStringList &lines)
{
    static const QRegularExpression row(
        QStringLiteral("^\\s*(-?\\d+,\\d+)\\s+(-?\\d+,\\d+)\\s+(-?\\d+,\\d+)\\s+$"));
    QList<Row> rows;
    bool inTable = false;
    for (const QString &line : lines) {
        if (line.contains(QStringLiteral("**********")))
            rows.clear(), inTable = false;
        if (line.contains(QStringLiteral("t[s]"))) {
            inTable = true;
            continue;
        }
        const auto match = row.match(line);
        if (!inTable || !match.hasMatch())
            continue;
        auto number = [&](int i) {
            return QLocale::c().toDouble(match.captured(i).replace(u',', u'.'));
        };
        rows.append({number(1), number(2), number(3)});
    }
    return rows;
}

} // namespace

class tst_E2eReport : public QObject
{
    Q_OBJECT

    QProcess sim;
    QString simLog;

    // The commands the simulator reports to have received, in order.
    QStringList commandsSeen()
    {
        simLog += QString::fromLocal8Bit(sim.readAllStandardError());
        QStringList commands;
        for (const QString &line : simLog.split(u'\n')) {
            if (line.startsWith(QStringLiteral("titrator-sim: ")))
                commands << line.mid(14).trimmed();
        }
        return commands;
    }

    QString startSimulator(const QStringList &options)
    {
        sim.setProgram(QStringLiteral(KALUMET_BINARY_DIR "/titrator-sim"));
        sim.setArguments(QStringList {"--seed", "11", "--verbose"} + options);
        simLog.clear();
        sim.start();
        if (!sim.waitForStarted(5000))
            return QString();
        QDeadlineTimer deadline(5000);
        while (!sim.canReadLine() && !deadline.hasExpired())
            sim.waitForReadyRead(int(deadline.remainingTime()));
        return QString::fromLocal8Bit(sim.readLine()).trimmed();
    }

private Q_SLOTS:
    void cleanup()
    {
        if (sim.state() != QProcess::NotRunning) {
            sim.terminate();
            sim.waitForFinished(5000);
        }
    }

    void resultReportFetchesItsDataIntoStoreAndChart_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("lastLine"); // as it stands at the end, line feed or not
        const QString end = QStringLiteral("  Ende der Daten\r\n");
        QTest::newRow("plain") << QStringList {} << end;
        QTest::newRow("characters split across reads") << QStringList {"--split"} << end;
        QTest::newRow("slow replies") << QStringList {"--delay", "100"} << end;
        QTest::newRow("garbage before each reply") << QStringList {"--garbage"} << end;
        QTest::newRow("strong acid") << QStringList {"--acid", "strong"} << end;
        QTest::newRow("last line of each reply without line feed")
            << QStringList {"--no-linefeed"} << end.chopped(2);
    }
    void resultReportFetchesItsDataIntoStoreAndChart()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, lastLine);
        const QString device = startSimulator(options);
        QVERIFY2(device.startsWith(QStringLiteral("/dev/")), qPrintable(device));
        Program program(device);
        QVERIFY(program.link.InitRs().ok);

        QVERIFY(program.commands.cmdResult_Click().ok);
        // The tail without a line feed waits in the line buffer.
        QTRY_VERIFY_WITH_TIMEOUT(
            program.lines.contains(lastLine) || program.link.Zeile() == lastLine, 20000);

        // "Probennummer" in the result brought exactly one data request: EX LR, then EX LD.
        QCOMPARE(program.dataRequests, 1);
        QTRY_COMPARE_WITH_TIMEOUT(commandsSeen(), (QStringList {"EX", "LR", "EX", "LD"}), 5000);

        const QList<Row> rows = printedRows(program.lines);
        QVERIFY(rows.size() > 20);
        const MeasurementStore &store = program.store;
        QCOMPARE(int(store.AnzahlWerte), rows.size());
        QCOMPARE(store.DatenModus, MeasurementStore::DataMode);
        const ChartModel &chart = program.documents.active()->chartModel();
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(store.Messwerte[i][0], rows[i].volume);
            QCOMPARE(store.Messwerte[i][1], rows[i].value);
            QCOMPARE(store.Zeiten[i], rows[i].time);
            QCOMPARE(chart.cell(i + 1, 1).value, rows[i].volume);
            QCOMPARE(chart.cell(i + 1, 2).value, rows[i].value);
        }
        QVERIFY(chart.cell(rows.size() + 1, 1).isNull);
        QCOMPARE(chart.titleText(), QStringLiteral("Titrationskurve"));

        // The data report replaced the result in the document and starts with its stars twice.
        const QString text = program.documents.active()->text();
        QString start;
        for (const QString &line : std::as_const(program.lines)) {
            if (line.contains(QStringLiteral("**********")))
                start = line;
        }
        QVERIFY(text.startsWith(start + start));
        QVERIFY(text.contains(QStringLiteral("Gespeicherte Titration")));
        QVERIFY(!text.contains(QStringLiteral("Probennummer")));
    }

    void measuringRangeAndReadingAnswerTheHandshake()
    {
        const QString device = startSimulator({"--noise", "0"});
        Program program(device);
        QVERIFY(program.link.InitRs().ok);
        MeasurementStore &store = program.store;

        store.Rueckmeldung = QStringLiteral("D");
        QVERIFY(program.link.sendCommand(QStringLiteral("FV")));
        QTRY_COMPARE_WITH_TIMEOUT(store.Rueckmeldung, QStringLiteral("Y"), 5000);

        store.MessIndex = 2;
        store.Rueckmeldung = QStringLiteral("M");
        QVERIFY(program.link.sendCommand(QStringLiteral("M")));
        QTRY_COMPARE_WITH_TIMEOUT(store.Rueckmeldung, QStringLiteral("pH"), 5000);
        // Fresh acetic acid sample, 0.02 mol/L: pH 3.23, about +222 mV.
        QVERIFY2(qAbs(store.Messwerte[2][1] - 222.8) < 1.0,
            qPrintable(QString::number(store.Messwerte[2][1])));
        QCOMPARE(program.documents.active()->chartModel().axisTitle(AbstractChart::YAxis),
            QStringLiteral("mV-Werte"));
    }
};

QTEST_GUILESS_MAIN(tst_E2eReport)
#include "tst_e2e_report.moc"
