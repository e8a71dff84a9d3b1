#include "app/settingsrecord.h"
#include "evaluation/measurementstore.h"
#include "evaluation/reportevaluator.h"
#include "support/fakedocument.h"

#include <QTest>

// The evaluation of received lines: document copy, data rows, handshake, data request.
// Lines are given as the receive path hands them over (points already turned into commas).
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
        QTest::newRow("nine asterisks are plain text")
            << "old\r\n"
            << QStringList {"*********\r\n"} << "old\r\n*********\r\n"
            << 0;
    }
    void linesAreCopiedIntoTheDocument()
    {
        QFETCH(QString, before);
        QFETCH(QStringList, lines);
        QFETCH(QString, text);
        QFETCH(int, mode);

        Rig rig;
        rig.doc()->setText(before);
        rig.feed(lines);
        QCOMPARE(rig.doc()->text(), text);
        QCOMPARE(int(rig.store.DatenModus), mode);
    }

    void dataRowsFillStoreAndChart_data()
    {
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("rows"); // AnzahlWerte
        QTest::addColumn<double>("volume"); // store row 0
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("time");
        QTest::addColumn<bool>("cellsSet"); // chart row 1, columns 1 and 2

        const QString head = QStringLiteral("  Titration\r\n");
        QTest::newRow("single-digit time is too short to be taken")
            << QChar(u',') << QStringList {head, "  0,000   4,01   0  \r\n"} << 0 << 0.0 << 4.01
            << 0.0 << true;
        QTest::newRow("a full row counts")
            << QChar(u',') << QStringList {head, "  0,000   4,01   12,0  \r\n"} << 1 << 0.0 << 4.01
            << 12.0 << true;
        QTest::newRow("last number before CR LF is not taken")
            << QChar(u',') << QStringList {head, "  0,500   4,21   12,0\r\n"} << 0 << 0.5 << 4.21
            << 0.0 << true;
        QTest::newRow("short index runs on into the volume")
            << QChar(u',') << QStringList {head, "12 0,500   4,21   12,0  \r\n"} << 1 << 120.5
            << 4.21 << 12.0 << true;
        QTest::newRow("incomplete row is overwritten by the next line")
            << QChar(u',') << QStringList {head, "  9,999   9,99\r\n", "  0,250   3,50   4,5  \r\n"}
            << 1 << 0.25 << 3.5 << 4.5 << true;
        QTest::newRow("rows before the data section are only copied")
            << QChar(u',') << QStringList {"  1,000   4,00   2,0  \r\n"} << 0 << 0.0 << 0.0 << 0.0
            << false;
        QTest::newRow("a second section restarts at row 0")
            << QChar(u',')
            << QStringList {head, "  1,000   4,00   2,0  \r\n", head, "  2,000   5,00   3,0  \r\n"}
            << 1 << 2.0 << 5.0 << 3.0 << true;
        QTest::newRow("list of commas is not a number")
            << QChar(u',') << QStringList {head, "  1,2,3   4,00   2,0  \r\n"} << 0 << 0.0 << 0.0
            << 0.0 << false;
        QTest::newRow("date with points is not a number")
            << QChar(u',') << QStringList {head, "  04,12,2026   7,00   1,0  \r\n"} << 0 << 0.0
            << 0.0 << 0.0 << false;
        QTest::newRow("dashes are not a number")
            << QChar(u',') << QStringList {head, "  ---   ---   ---  \r\n"} << 0 << 0.0 << 0.0
            << 0.0 << false;
        QTest::newRow("point locale reads point rows")
            << QChar(u'.') << QStringList {head, "  1.250   -7.35   30.5  \r\n"} << 1 << 1.25
            << -7.35 << 30.5 << true;
        QTest::newRow("the header line is scanned too")
            << QChar(u',') << QStringList {"Titration 100 7,50 200 \r\n"} << 1 << 100.0 << 7.5
            << 200.0 << true;
    }
    void dataRowsFillStoreAndChart()
    {
        QFETCH(QChar, decimal);
        QFETCH(QStringList, lines);
        QFETCH(int, rows);
        QFETCH(double, volume);
        QFETCH(double, value);
        QFETCH(double, time);
        QFETCH(bool, cellsSet);

        Rig rig(2, decimal);
        rig.feed(lines);
        QCOMPARE(int(rig.store.AnzahlWerte), rows);
        QCOMPARE(rig.store.Messwerte[0][0], volume);
        QCOMPARE(rig.store.Messwerte[0][1], value);
        QCOMPARE(rig.store.Zeiten[0], time);
        QCOMPARE(!rig.cell(1, 1).isNull, cellsSet);
        QCOMPARE(!rig.cell(1, 2).isNull, cellsSet);
        if (cellsSet) {
            QCOMPARE(rig.cell(1, 1).value, volume);
            QCOMPARE(rig.cell(1, 2).value, value);
        }
    }

    void dataSectionClearsStoreAndChart()
    {
        Rig rig;
        for (int i = 0; i < MeasurementStore::RowCount; ++i) {
            rig.store.Messwerte[i] = {1.0, 2.0};
            rig.store.Zeiten[i] = 3.0;
            rig.store.Ableitung[i] = 4.0;
        }
        for (int r = 1; r <= 500; ++r)
            for (int c = 1; c <= 4; ++c)
                rig.doc()->chart().setData(r, c, 9.0, false);
        rig.doc()->chart().setUniformAxis(true);
        rig.store.AnzahlWerte = 42;

        rig.feed({QStringLiteral("Gespeicherte Titration\r\n")});
        QCOMPARE(int(rig.store.AnzahlWerte), 0);
        QCOMPARE(int(rig.store.DatenModus), 255);
        for (int i = 0; i < 500; ++i) {
            QCOMPARE(rig.store.Messwerte[i][0], 0.0);
            QCOMPARE(rig.store.Messwerte[i][1], 0.0);
            QCOMPARE(rig.store.Zeiten[i], 0.0);
            for (int c = 1; c <= 4; ++c)
                QVERIFY(rig.cell(i + 1, c).isNull);
        }
        // The 501st row and the derivative are not part of the series reset.
        QCOMPARE(rig.store.Messwerte[500][0], 1.0);
        QCOMPARE(rig.store.Zeiten[500], 3.0);
        QCOMPARE(rig.store.Ableitung[0], 4.0);
        QVERIFY(!rig.doc()->chartModel().uniformAxis());
    }

    void rowsPastTheGridAreIgnored()
    {
        Rig rig;
        QStringList lines {QStringLiteral("Titration\r\n")};
        for (int i = 0; i < 520; ++i)
            lines
                << QStringLiteral("  %1,000   %2,00   %3,0  \r\n").arg(100 + i).arg(i % 14).arg(i);
        rig.feed(lines);
        QCOMPARE(int(rig.store.AnzahlWerte), 500);
        QCOMPARE(rig.store.Messwerte[499][0], 599.0);
        QCOMPARE(rig.cell(500, 1).value, 599.0);
        // Nothing of rows 501 and on reached the store's spare row.
        QCOMPARE(rig.store.Messwerte[500][0], 0.0);
        QCOMPARE(rig.store.Zeiten[500], 0.0);
    }

    void handshakeRepliesAreTaken_data()
    {
        QTest::addColumn<QString>("waiting"); // Rueckmeldung before
        QTest::addColumn<int>("messIndex");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("after"); // Rueckmeldung after
        QTest::addColumn<double>("stored"); // Messwerte(MessIndex, 1); -1 stands for unchanged

        QTest::newRow("pH reply") << "M" << 0 << "  7,02 pH\r\n"
                                  << "pH" << 7.02;
        QTest::newRow("mV reply also ends in pH") << "M" << 3 << "  -123,4 mV\r\n"
                                                  << "pH" << -123.4;
        QTest::newRow("no blank before the unit loses the last digit")
            << "M" << 1 << "  7,025pH\r\n"
            << "pH" << 7.02;
        QTest::newRow("acknowledgement does not answer a reading") << "M" << 0 << "Y\r\n"
                                                                   << "M" << -1.0;
        QTest::newRow("acknowledgement while dosing") << "D" << 0 << "Y\r\n"
                                                      << "Y" << -1.0;
        QTest::newRow("a reading while dosing is no acknowledgement") << "D" << 0 << "  7,02 pH\r\n"
                                                                      << "D" << -1.0;
        QTest::newRow("idle takes nothing") << "" << 0 << "  7,02 pH\r\n"
                                            << "" << -1.0;
        QTest::newRow("unit at the first place is rejected") << "M" << 0 << "pH\r\n"
                                                             << "M" << -1.0;
        QTest::newRow("unit at the second place is rejected") << "M" << 0 << " pH 7\r\n"
                                                              << "M" << -1.0;
        QTest::newRow("text before the unit is rejected") << "M" << 0 << "Error pH\r\n"
                                                          << "M" << -1.0;
        QTest::newRow("first lower-case p decides") << "M" << 0 << "  6,5 ppm pH\r\n"
                                                    << "pH" << 6.5;
    }
    void handshakeRepliesAreTaken()
    {
        QFETCH(QString, waiting);
        QFETCH(int, messIndex);
        QFETCH(QString, line);
        QFETCH(QString, after);
        QFETCH(double, stored);

        Rig rig;
        rig.store.Rueckmeldung = waiting;
        rig.store.MessIndex = qint16(messIndex);
        rig.store.Messwerte[messIndex][1] = -1.0;
        rig.feed({line});
        QCOMPARE(rig.store.Rueckmeldung, after);
        QCOMPARE(rig.store.Messwerte[messIndex][1], stored);
        // A reply is copied, never drawn.
        QVERIFY(rig.cell(messIndex + 1, 2).isNull);
    }

    void chartTitlesFollowLanguageAndUnit_data()
    {
        QTest::addColumn<int>("sprache");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("xTitle");
        QTest::addColumn<QString>("yTitle");

        QTest::newRow("German data section in pH")
            << 1 << QStringList {"Titration\r\n", "  ml   pH   t[s]\r\n"} << "Titrationskurve"
            << "Verbrauch [ml]"
            << "pH-Werte";
        QTest::newRow("English data section in mV")
            << 2 << QStringList {"Titration\r\n", "  ml   mV   t[s]\r\n"} << "titrationcurve"
            << "volume [ml]"
            << "mV-values";
        QTest::newRow("language 0 is English")
            << 0 << QStringList {"Titration pH\r\n"} << "titrationcurve"
            << "volume [ml]"
            << "pH-values";
        QTest::newRow("mV wins when a line holds both")
            << 1 << QStringList {"  7,0 pH = 0 mV\r\n"} << ""
            << ""
            << "mV-Werte";
        QTest::newRow("each unit line sets the title again")
            << 2 << QStringList {" 12 mV\r\n", " 7,0 pH\r\n"} << ""
            << ""
            << "pH-values";
    }
    void chartTitlesFollowLanguageAndUnit()
    {
        QFETCH(int, sprache);
        QFETCH(QStringList, lines);
        QFETCH(QString, title);
        QFETCH(QString, xTitle);
        QFETCH(QString, yTitle);

        Rig rig {quint8(sprache)};
        rig.feed(lines);
        const ChartModel &chart = rig.doc()->chartModel();
        QCOMPARE(chart.titleText(), title);
        QCOMPARE(chart.axisTitle(AbstractChart::XAxis), xTitle);
        QCOMPARE(chart.axisTitle(AbstractChart::YAxis), yTitle);
    }

    void sampleNumberRequestsTheDataOnceAfterTheCopy()
    {
        Rig rig;
        rig.feed({QStringLiteral("**********\r\n"), QStringLiteral("  Methode 01\r\n")});
        QCOMPARE(rig.requests, 0);
        rig.feed({QStringLiteral("  Probennummer : 7\r\n")});
        QCOMPARE(rig.requests, 1);
        QVERIFY(rig.textAtRequest.endsWith(QStringLiteral("Probennummer : 7\r\n")));
        rig.feed({QStringLiteral("  Gehalt 0,02\r\n")});
        QCOMPARE(rig.requests, 1);
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

    void linesGoToTheDocumentActiveAtThatMoment()
    {
        Rig rig;
        FakeDocument *first = rig.doc();
        rig.feed({QStringLiteral("Titration\r\n"), QStringLiteral("  1,000   4,00   2,0  \r\n")});
        FakeDocument *second = static_cast<FakeDocument *>(rig.documents.newDocument());
        rig.feed({QStringLiteral("  2,000   5,00   3,0  \r\n")});
        QCOMPARE(first->text(), QStringLiteral("Titration\r\n  1,000   4,00   2,0  \r\n"));
        QCOMPARE(second->text(), QStringLiteral("  2,000   5,00   3,0  \r\n"));
        QCOMPARE(second->chartModel().cell(2, 1).value, 2.0);
        QVERIFY(first->chartModel().cell(2, 1).isNull);
    }
};

QTEST_GUILESS_MAIN(tst_ReportEvaluator)
#include "tst_reportevaluator.moc"
