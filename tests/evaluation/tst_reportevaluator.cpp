#include "evaluation/reportevaluator.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"
#include "support/fakedocument.h"

#include <QTest>

// The evaluation of received lines: document copy, the grammar and the row scanner, the
// handshake with the titration run, the data request. Lines come as the receive path hands
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

        explicit Rig(QChar decimal = u',')
        {
            settings.separators.decimal = decimal;
            documents.newDocument();
            evaluator.setDataRequest([this] {
                ++requests;
                textAtRequest = documents.active() ? documents.active()->text() : QString();
            });
        }
        const ChartModel::Cell &cell(int row, int column)
        {
            return documents.active()->chartModel().cell(row, column);
        }
        void feed(const QStringList &lines)
        {
            for (const QString &line : lines)
                evaluator.RsAuswertung(line);
        }
    };

private Q_SLOTS:
    void dataRowsAreScannedIntoStoreAndChart_data()
    {
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("rows"); // AnzahlWerte
        QTest::addColumn<double>("volume"); // store row 0
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("time");

        auto row = [](const char *name, const QString &line, int rows, double volume, double value,
                       double time, QChar decimal = u',', const char *head = "  Titration\r\n") {
            QTest::newRow(name) << decimal << QStringList {head, line} << rows << volume << value
                                << time;
        };
        row("a full row counts with its third number", "  0,000   4,01   12,0  \r\n", 1, 0, 4.01,
            12);
        row("a two-character time is too short", "  0,000   4,01   12  \r\n", 0, 0, 4.01, 0);
        row("a three-character time is taken", "  0,000   4,01   120  \r\n", 1, 0, 4.01, 120);
        row("a short index runs on into the volume", "12 0,500   4,21   12,0  \r\n", 1, 120.5, 4.21,
            12);
        row("a comma is skipped under a point locale", "  1,250   7,35   30,5  \r\n", 1, 1250, 735,
            305, u'.');
        row("a bad value keeps the volume taken", "  1,00   1,2,3   5,00  \r\n", 0, 1, 0, 0);
        row("the section word is found in lower case too", "  0,000   4,01   12,0  \r\n", 1, 0,
            4.01, 12, u',', "Gespeicherte titration\r\n");
    }
    void dataRowsAreScannedIntoStoreAndChart()
    {
        QFETCH(QChar, decimal);
        QFETCH(QStringList, lines);
        QFETCH(double, value);
        Rig rig(decimal);
        rig.feed(lines);
        QTEST(int(rig.store.AnzahlWerte), "rows");
        QTEST(rig.store.Messwerte[0][0], "volume");
        QTEST(rig.store.Messwerte[0][1], "value");
        QTEST(rig.store.Zeiten[0], "time");
        // A value taken is drawn at once, with its volume.
        QCOMPARE(rig.cell(1, 2).isNull, value == 0);
        if (value != 0)
            QCOMPARE(rig.cell(1, 1).value, rig.store.Messwerte[0][0]);
    }

    // Rows past the grid are only counted (the 500/501 limit: tst_frmmain); a new section
    // clears the series and all four chart columns and counts again.
    void dataSectionClearsTheSeriesAndCountsRowsPastTheGridAgain()
    {
        Rig rig;
        rig.store.Messwerte.fill({1.0, 2.0});
        QStringList lines {QStringLiteral("Gespeicherte Titration\r\n")};
        for (int i = 0; i < 600; ++i)
            lines << QStringLiteral("  %1,000   7,00   %2,0  \r\n").arg(100 + i).arg(i);
        rig.feed(lines);
        QCOMPARE(int(rig.store.droppedRows), 100);
        QCOMPARE(rig.store.Messwerte[499][0], 599.0);
        QCOMPARE(rig.store.Messwerte[500][0], 1.0); // the store's spare row is never filled
        rig.documents.active()->chart().setData(500, 4, 9.0, false);
        rig.feed({QStringLiteral("Titration\r\n"), QStringLiteral("  1,000   7,00   1,0  \r\n")});
        QCOMPARE(std::tuple(int(rig.store.AnzahlWerte), rig.store.Messwerte[0][0],
                     int(rig.store.droppedRows), rig.cell(500, 4).isNull),
            std::tuple(1, 1.0, 0, true));
    }

    void handshakeRepliesAreTaken_data()
    {
        QTest::addColumn<QString>("waiting"); // Rueckmeldung before
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("after"); // Rueckmeldung after
        QTest::addColumn<double>("stored"); // Messwerte(MessIndex, 1); -1: unchanged
        auto row = [](const char *name, const char *waiting, const char *line, const char *after,
                       double stored) {
            QTest::newRow(name) << waiting << line << after << stored;
        };
        row("no blank before the unit loses the last digit", "M", "  7,025pH\r\n", "pH", 7.02);
        row("acknowledgement does not answer a reading", "M", "Y\r\n", "M", -1);
        row("acknowledgement while dosing", "D", "Y\r\n", "Y", -1);
        row("a reading while dosing is no acknowledgement", "D", "  7,02 pH\r\n", "D", -1);
        row("text before the unit is rejected", "M", "Error pH\r\n", "M", -1);
        row("a single digit is a reading", "M", "7 pH\r\n", "pH", 7);
        row("the unit second on the line leaves no number", "M", " pH\r\n", "M", -1);
    }
    void handshakeRepliesAreTaken()
    {
        QFETCH(QString, waiting);
        QFETCH(QString, line);
        Rig rig;
        rig.store.Rueckmeldung = rueckmeldungFromText(waiting);
        rig.store.MessIndex = 1;
        rig.store.Messwerte[1][1] = -1.0;
        rig.feed({line});
        QTEST(toText(rig.store.Rueckmeldung), "after");
        QTEST(rig.store.Messwerte[1][1], "stored");
        QVERIFY(rig.cell(2, 2).isNull); // a reply is copied, never drawn
    }

    void reportIsCopiedAndItsSampleNumberRequestsTheDataOnceAlsoWithoutADocument()
    {
        Rig rig;
        rig.documents.active()->setText(QStringLiteral("old\r\n"));
        rig.feed({QStringLiteral("**********\r\n"), QStringLiteral("  Methode 01\r\n")});
        QCOMPARE(rig.requests, 0);
        rig.feed({QStringLiteral("  Probennummer : 7\r\n"), QStringLiteral("  Gehalt 0,02\r\n")});
        QCOMPARE(rig.requests, 1);
        // The report start stands twice and replaces the old text; the request follows the copy.
        QCOMPARE(rig.textAtRequest,
            QStringLiteral("**********\r\n**********\r\n  Methode 01\r\n  Probennummer : 7\r\n"));
        rig.documents.closeAll();
        rig.feed({QStringLiteral("Titration\r\n"), QStringLiteral("  1,000   4,00   2,0  \r\n"),
            QStringLiteral("Probennummer 1\r\n")});
        QCOMPARE(int(rig.store.AnzahlWerte), 1);
        QCOMPARE(rig.requests, 2);
    }
};

QTEST_GUILESS_MAIN(tst_ReportEvaluator)
#include "tst_reportevaluator.moc"
