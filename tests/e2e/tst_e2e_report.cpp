// Result and data read-out in the main window against the simulated titrator, through a real
// pseudo-terminal: Res brings the result report, its sample number the data request, and the
// stored data fill store, chart and document.

#include "app/frmmain.h"
#include "documents/documentcommands.h"
#include "documents/frmdocument.h"
#include "e2e/simulator.h"
#include "link/instrumentlink.h"
#include "link/portsettings.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Row
{
    double volume, value, time;
};

// The data rows as a reader of the printout sees them: three numbers on a line after the
// column header, read here independently of the program's scanner.
QList<Row> printedRows(const QString &text)
{
    static const QRegularExpression row(
        QStringLiteral("^\\s*(-?\\d+,\\d+)\\s+(-?\\d+,\\d+)\\s+(-?\\d+,\\d+)\\s*$"));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QList<Row> rows;
    bool inTable = false;
    for (const QString &line : lines) {
        inTable = inTable || line.contains(QStringLiteral("t[s]"));
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

    QTemporaryDir m_dir;
    QString m_startDir;
    int m_case = 0;

private Q_SLOTS:
    void initTestCase()
    {
        m_startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path())); // where the program's method file goes
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    void cleanupTestCase() { QDir::setCurrent(m_startDir); }

    void resultButtonFetchesTheDataIntoStoreChartAndDocument_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("plain") << QStringList {};
        QTest::newRow("characters split across reads") << QStringList {"--split"};
        QTest::newRow("garbage before each reply") << QStringList {"--garbage"};
        QTest::newRow("last line of each reply without line feed") << QStringList {"--no-linefeed"};
    }
    void resultButtonFetchesTheDataIntoStoreChartAndDocument()
    {
        QFETCH(QStringList, options);
        Simulator sim(QStringList {"--seed", "11", "--verbose"} + options);
        QVERIFY2(sim.device.startsWith(QStringLiteral("/dev/")), qPrintable(sim.device));
        // A fresh store per case (QSettings caches files by name) with channel 1 at the device.
        QSettings store(
            m_dir.filePath(QStringLiteral("case%1.ini").arg(++m_case)), QSettings::IniFormat);
        PortSettings(store).setDevicePath(1, sim.device);
        frmMain w(store);
        w.Form_Load();
        frmDocument *doc = w.documents().activeForm();
        QVERIFY(doc);

        w.findChild<QPushButton *>(QStringLiteral("cmdResult"))->click();
        // The stored data end the exchange; their last line may wait without a line feed.
        const QString end = QStringLiteral("Ende der Daten");
        QTRY_VERIFY_WITH_TIMEOUT(
            doc->text().contains(end) || w.link().Zeile().contains(end), 20000);
        // "Probennummer" in the result brought exactly one data request.
        QTRY_COMPARE_WITH_TIMEOUT(sim.commandsSeen(), (QStringList {"EX", "LR", "EX", "LD"}), 5000);
        const auto boxes = w.findChildren<QMessageBox *>();
        QVERIFY(std::none_of(boxes.begin(), boxes.end(), [](auto *b) { return b->isVisible(); }));

        const QString text = doc->text();
        const QList<Row> rows = printedRows(text);
        QVERIFY(rows.size() > 20);
        const MeasurementStore &m = w.measurementStore();
        QCOMPARE(int(m.AnzahlWerte), rows.size());
        QCOMPARE(m.DatenModus, MeasurementStore::DataMode);
        const ChartModel &chart = doc->chartModel();
        for (int i = 0; i < rows.size(); ++i) {
            QCOMPARE(m.Messwerte[i][0], rows[i].volume);
            QCOMPARE(m.Messwerte[i][1], rows[i].value);
            QCOMPARE(m.Zeiten[i], rows[i].time);
            QCOMPARE(chart.cell(i + 1, 1).value, rows[i].volume);
            QCOMPARE(chart.cell(i + 1, 2).value, rows[i].value);
        }
        QVERIFY(chart.cell(rows.size() + 1, 1).isNull);
        QCOMPARE(chart.titleText(), QStringLiteral("titrationcurve")); // no method file: English

        // The stored data replaced the result in the document and start with their stars twice.
        const QString stars = text.left(text.indexOf(QStringLiteral("\r\n")) + 2);
        QVERIFY(stars.contains(QStringLiteral("**********")));
        QVERIFY(text.startsWith(stars + stars));
        QVERIFY(text.contains(QStringLiteral("Gespeicherte Titration")));
        QVERIFY(!text.contains(QStringLiteral("Probennummer")));
    }
};

QTEST_MAIN(tst_E2eReport)
#include "tst_e2e_report.moc"
