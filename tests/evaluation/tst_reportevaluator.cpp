#include "app/settingsrecord.h"
#include "evaluation/measurementstore.h"
#include "evaluation/reportevaluator.h"
#include "support/fakedocument.h"

#include <QTest>

// The evaluation of received lines: document copy, the grammar and the row scanner, the
// handshake with the titration run, the data request. Lines are given as the receive path hands
// them over (points already turned into the user's separator).
class tst_ReportEvaluator : public QObject
{
    Q_OBJECT

    struct Rig
    {
        MeasurementStore store;
        SettingsRecord settings;
        FakeDocumentHost documents;
        ReportEvaluator evaluator {store, settings, documents};
        int requests = 0;
        QString textAtRequest;

        explicit Rig(quint8 sprache = 2, QChar decimal = u',')
        {
            settings.Sprache = sprache;
            settings.separators.decimal = decimal;
            documents.newDocument();
            evaluator.setDataRequest([this] {
                ++requests;
                textAtRequest = doc() ? doc()->text() : QString();
            });
        }
        FakeDocument *doc() { return documents.active(); }
        const ChartModel::Cell &cell(int row, int column)
        {
            return doc()->chartModel().cell(row, column);
        }
        void feed(const QStringList &lines)
        {
            for (const QString &line : lines)
                evaluator.RsAuswertung(line);
        }
    };

private Q_SLOTS:
    void linesAreCopiedIntoTheDocument_data()
    {
        QTest::addColumn<QString>("before"); // document text before
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("mode");

        const QString stars = QStringLiteral("**********\r\n");
        QTest::newRow("report start stands twice and replaces the old text")
            << "old text\r\n"
            << QStringList {stars} << stars + stars << 0;
        QTest::newRow("plain lines are appended once")
            << "old\r\n"
            << QStringList {"Kopf\r\n", "7,02 pH\r\n"} << "old\r\nKopf\r\n7,02 pH\r\n"
            << 0;
        QTest::newRow("data lines are appended once as well")
            << "" << QStringList {stars, "Titration\r\n", "  0,10   4,00   1,0  \r\n"}
            << stars + stars + "Titration\r\n  0,10   4,00   1,0  \r\n"
            << 255;
        QTest::newRow("stars inside a data section start a fresh text in text mode")
            << "" << QStringList {"Titration\r\n", "  1,00   5,00   3,0  \r\n", stars}
            << stars + stars << 0;
        QTest::newRow("asterisks inside a longer line count too")
            << "old\r\n"
            << QStringList {"== ********** ==\r\n"} << "== ********** ==\r\n== ********** ==\r\n"
            << 0;
    }
    void linesAreCopiedIntoTheDocument()
    {
        QFETCH(QString, before);
        QFETCH(QStringList, lines);
        Rig rig;
        rig.doc()->setText(before);
        rig.feed(lines);
        QTEST(rig.doc()->text(), "text");
        QTEST(int(rig.store.DatenModus), "mode");
    }

    void dataRowsAreScannedIntoStoreAndChart_data()
    {
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("rows"); // AnzahlWerte
        QTest::addColumn<double>("volume"); // store row 0
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("time");
        QTest::addColumn<int>("cells"); // chart row 1: 0 none, 1 the volume, 2 volume and value

        const QString head = QStringLiteral("  Titration\r\n");
        auto row = [&](const char *name, const QStringList &lines, int rows, double volume,
                       double value, double time, int cells, QChar decimal = u',') {
            QTest::newRow(name) << decimal << lines << rows << volume << value << time << cells;
        };
        row("a full row counts with its third number", {head, "  0,000   4,01   12,0  \r\n"}, 1, 0,
            4.01, 12, 2);
        row("a single-digit time is too short to be taken", {head, "  0,000   4,01   0  \r\n"}, 0,
            0, 4.01, 0, 2);
        row("the last number before CR LF is not taken", {head, "  0,500   4,21   12,0\r\n"}, 0,
            0.5, 4.21, 0, 2);
        row("a short index runs on into the volume", {head, "12 0,500   4,21   12,0  \r\n"}, 1,
            120.5, 4.21, 12, 2);
        row("an incomplete row is overwritten by the next line",
            {head, "  9,999   9,99\r\n", "  0,250   3,50   4,5  \r\n"}, 1, 0.25, 3.5, 4.5, 2);
        row("rows before the data section are only copied", {"  1,000   4,00   2,0  \r\n"}, 0, 0, 0,
            0, 0);
        row("the section header is scanned too", {"Titration 100 7,50 200 \r\n"}, 1, 100, 7.5, 200,
            2);
        row("a second section restarts at row 0",
            {head, "  1,000   4,00   2,0  \r\n", head, "  2,000   5,00   3,0  \r\n"}, 1, 2, 5, 3,
            2);
        row("point rows and negative values under a point locale",
            {head, "  1.250   -7.35   30.5  \r\n"}, 1, 1.25, -7.35, 30.5, 2, u'.');
        row("a comma is skipped under a point locale", {head, "  1,250   7,35   30,5  \r\n"}, 1,
            1250, 735, 305, 2, u'.');
        row("a list of commas is not a number", {head, "  1,2,3   4,00   2,0  \r\n"}, 0, 0, 0, 0,
            0);
        row("a date is not a number", {head, "  04,12,2026   7,00   1,0  \r\n"}, 0, 0, 0, 0, 0);
        row("dashes are not a number", {head, "  ---   ---   ---  \r\n"}, 0, 0, 0, 0, 0);
        row("a bad value keeps the volume already taken", {head, "  1,00   1,2,3   5,00  \r\n"}, 0,
            1, 0, 0, 1);
    }
    void dataRowsAreScannedIntoStoreAndChart()
    {
        QFETCH(QChar, decimal);
        QFETCH(QStringList, lines);
        QFETCH(int, cells);
        Rig rig(2, decimal);
        rig.feed(lines);
        QTEST(int(rig.store.AnzahlWerte), "rows");
        QTEST(rig.store.Messwerte[0][0], "volume");
        QTEST(rig.store.Messwerte[0][1], "value");
        QTEST(rig.store.Zeiten[0], "time");
        QCOMPARE(!rig.cell(1, 1).isNull, cells >= 1);
        QCOMPARE(!rig.cell(1, 2).isNull, cells == 2);
        if (cells >= 1)
            QCOMPARE(rig.cell(1, 1).value, rig.store.Messwerte[0][0]);
        if (cells == 2)
            QCOMPARE(rig.cell(1, 2).value, rig.store.Messwerte[0][1]);
    }

    void dataSectionClearsRowsAndAllFourColumns()
    {
        Rig rig;
        rig.store.Messwerte.fill({1.0, 2.0});
        rig.store.Zeiten.fill(3.0);
        rig.store.Ableitung.fill(4.0);
        rig.store.AnzahlWerte = 42;
        for (int c = 1; c <= 4; ++c) {
            rig.doc()->chart().setData(1, c, 9.0, false);
            rig.doc()->chart().setData(500, c, 9.0, false);
        }
        rig.doc()->chart().setUniformAxis(true);

        rig.feed({QStringLiteral("Gespeicherte Titration\r\n")});

        QCOMPARE(int(rig.store.AnzahlWerte), 0);
        QCOMPARE(rig.store.Messwerte[0], (std::array<double, 2> {0, 0}));
        QCOMPARE(rig.store.Messwerte[499], (std::array<double, 2> {0, 0}));
        QCOMPARE(rig.store.Zeiten[499], 0.0);
        for (int c = 1; c <= 4; ++c)
            QVERIFY(rig.cell(1, c).isNull && rig.cell(500, c).isNull);
        QVERIFY(!rig.doc()->chartModel().uniformAxis());
        // The 501st row and the derivative are not part of the series.
        QCOMPARE(rig.store.Messwerte[500][0], 1.0);
        QCOMPARE(rig.store.Ableitung[0], 4.0);
    }

    void rowsPastTheGridAreIgnored()
    {
        Rig rig;
        QStringList lines {QStringLiteral("Titration\r\n")};
        for (int i = 0; i < 520; ++i)
            lines << QStringLiteral("  %1,000   7,00   %2,0  \r\n").arg(100 + i).arg(i);
        rig.feed(lines);
        QCOMPARE(int(rig.store.AnzahlWerte), 500);
        QCOMPARE(rig.store.Messwerte[499][0], 599.0);
        QCOMPARE(rig.cell(500, 1).value, 599.0);
        QCOMPARE(rig.store.Messwerte[500][0], 0.0); // nothing reached the spare row
        QCOMPARE(rig.store.Zeiten[500], 0.0);
    }

    void handshakeRepliesAreTaken_data()
    {
        QTest::addColumn<QString>("waiting"); // Rueckmeldung before
        QTest::addColumn<int>("messIndex");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("after"); // Rueckmeldung after
        QTest::addColumn<double>("stored"); // Messwerte(MessIndex, 1); -1: unchanged

        auto row = [](const char *name, const char *waiting, int index, const char *line,
                       const char *after, double stored) {
            QTest::newRow(name) << waiting << index << line << after << stored;
        };
        row("pH reading", "M", 0, "  7,02 pH\r\n", "pH", 7.02);
        row("mV reading also ends in pH", "M", 3, "  -123,4 mV\r\n", "pH", -123.4);
        row("no blank before the unit loses the last digit", "M", 1, "  7,025pH\r\n", "pH", 7.02);
        row("first lower-case p decides", "M", 0, "  6,5 ppm pH\r\n", "pH", 6.5);
        row("acknowledgement does not answer a reading", "M", 0, "Y\r\n", "M", -1);
        row("acknowledgement while dosing", "D", 0, "Y\r\n", "Y", -1);
        row("a reading while dosing is no acknowledgement", "D", 0, "  7,02 pH\r\n", "D", -1);
        row("idle takes nothing", "", 0, "  7,02 pH\r\n", "", -1);
        row("unit at the first place is rejected", "M", 0, "pH\r\n", "M", -1);
        row("unit at the second place is rejected", "M", 0, " pH 7\r\n", "M", -1);
        row("text before the unit is rejected", "M", 0, "Error pH\r\n", "M", -1);
    }
    void handshakeRepliesAreTaken()
    {
        QFETCH(QString, waiting);
        QFETCH(int, messIndex);
        QFETCH(QString, line);
        Rig rig;
        rig.store.Rueckmeldung = waiting;
        rig.store.MessIndex = qint16(messIndex);
        rig.store.Messwerte[messIndex][1] = -1.0;
        rig.feed({line});
        QTEST(rig.store.Rueckmeldung, "after");
        QTEST(rig.store.Messwerte[messIndex][1], "stored");
        QVERIFY(rig.cell(messIndex + 1, 2).isNull); // a reply is copied, never drawn
    }

    void chartTitlesFollowLanguageAndUnit_data()
    {
        QTest::addColumn<int>("sprache");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("titles"); // chart, X axis, Y axis

        QTest::newRow("German data section in pH")
            << 1 << QStringList {"Titration\r\n", "  ml   pH   t[s]\r\n"}
            << QStringList {"Titrationskurve", "Verbrauch [ml]", "pH-Werte"};
        QTest::newRow("English data section in mV")
            << 2 << QStringList {"Titration\r\n", "  ml   mV   t[s]\r\n"}
            << QStringList {"titrationcurve", "volume [ml]", "mV-values"};
        QTest::newRow("mV wins when a line holds both, each unit line sets it again")
            << 1 << QStringList {" 7,0 pH\r\n", "  7,0 pH = 0 mV\r\n"}
            << QStringList {"", "", "mV-Werte"};
    }
    void chartTitlesFollowLanguageAndUnit()
    {
        QFETCH(int, sprache);
        QFETCH(QStringList, lines);
        Rig rig {quint8(sprache)};
        rig.feed(lines);
        const ChartModel &chart = rig.doc()->chartModel();
        QTEST((QStringList {chart.titleText(), chart.axisTitle(AbstractChart::XAxis),
                  chart.axisTitle(AbstractChart::YAxis)}),
            "titles");
    }

    void sampleNumberRequestsTheDataOnceAfterTheCopy()
    {
        Rig rig;
        rig.feed({QStringLiteral("**********\r\n"), QStringLiteral("  Methode 01\r\n")});
        QCOMPARE(rig.requests, 0);
        rig.feed({QStringLiteral("  Probennummer : 7\r\n"), QStringLiteral("  Gehalt 0,02\r\n")});
        QCOMPARE(rig.requests, 1);
        QVERIFY(rig.textAtRequest.endsWith(QStringLiteral("Probennummer : 7\r\n")));
    }

    void withoutADocumentStoreAndHandshakeStillWork()
    {
        Rig rig;
        rig.documents.closeAll();
        rig.feed({QStringLiteral("**********\r\n"), QStringLiteral("Titration mV\r\n"),
            QStringLiteral("  1,000   4,00   2,0  \r\n"), QStringLiteral("Probennummer 1\r\n")});
        QCOMPARE(int(rig.store.AnzahlWerte), 1);
        QCOMPARE(rig.store.Messwerte[0][1], 4.0);
        QCOMPARE(rig.requests, 1);
        rig.store.Rueckmeldung = QStringLiteral("M");
        rig.feed({QStringLiteral("  7,50 pH\r\n")});
        QCOMPARE(rig.store.Rueckmeldung, QStringLiteral("pH"));
    }
};

QTEST_GUILESS_MAIN(tst_ReportEvaluator)
#include "tst_reportevaluator.moc"
