#include "documents/chartmodel.h"
#include "evaluation/rowscanner.h"

#include <QTest>

using Numbers::Separators;
using RowScanner::Variant;

Q_DECLARE_METATYPE(Variant)

class tst_RowScanner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rowsAreReadAsTheScannerTakesTokens_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<int>("rows"); // AnzahlWerte afterwards
        QTest::addColumn<double>("volume"); // Messwerte(0, 0)
        QTest::addColumn<double>("value"); // Messwerte(0, 1)
        QTest::addColumn<double>("time"); // Zeiten(0)
        QTest::addColumn<bool>("xSet");
        QTest::addColumn<bool>("ySet");

        QTest::newRow("single-digit time is too short")
            << "  0,000   4,01   0  \r\n"
            << Variant::Report << QChar(u',') << 0 << 0.0 << 4.01 << 0.0 << true << true;
        QTest::newRow("complete row")
            << "  0,000   4,01   12,0  \r\n"
            << Variant::Report << QChar(u',') << 1 << 0.0 << 4.01 << 12.0 << true << true;
        QTest::newRow("last number before CR LF is not taken")
            << "  0,500   4,21   12,0\r\n"
            << Variant::Report << QChar(u',') << 0 << 0.5 << 4.21 << 0.0 << true << true;
        QTest::newRow("short index runs on into the volume")
            << "12 0,500   4,21   12,0  \r\n"
            << Variant::Report << QChar(u',') << 1 << 120.5 << 4.21 << 12.0 << true << true;
        QTest::newRow("dot row under a dot locale")
            << "  1.250   7.35   30.5  \n"
            << Variant::Report << QChar(u'.') << 1 << 1.25 << 7.35 << 30.5 << true << true;
        QTest::newRow("comma skipped in a report under a dot locale")
            << "  1,250   7,35   30,5  \n"
            << Variant::Report << QChar(u'.') << 1 << 1250.0 << 735.0 << 305.0 << true << true;
        QTest::newRow("document accepts dots under a comma locale")
            << "  1.250   7.35   30.5  \r\n"
            << Variant::Document << QChar(u',') << 1 << 1.25 << 7.35 << 30.5 << true << true;
        QTest::newRow("document accepts commas under a dot locale")
            << "  1,250   7,35   30,5  \r\n"
            << Variant::Document << QChar(u'.') << 1 << 1.25 << 7.35 << 30.5 << true << true;
        QTest::newRow("negative millivolts")
            << "  2,00   -123,4   45,0  \r\n"
            << Variant::Report << QChar(u',') << 1 << 2.0 << -123.4 << 45.0 << true << true;
        QTest::newRow("date is rejected")
            << "  04,12,2026   7,00   1,00  \r\n"
            << Variant::Report << QChar(u',') << 0 << 0.0 << 0.0 << 0.0 << false << false;
        QTest::newRow("dashes are rejected")
            << "  ---   ---   ---  \r\n"
            << Variant::Report << QChar(u',') << 0 << 0.0 << 0.0 << 0.0 << false << false;
        QTest::newRow("bad value keeps the volume already taken")
            << "  1,00   1,2,3   5,00  \r\n"
            << Variant::Report << QChar(u',') << 0 << 1.0 << 0.0 << 0.0 << true << false;
        QTest::newRow("text line yields nothing")
            << "Probe: Essigsaeure\r\n"
            << Variant::Report << QChar(u',') << 0 << 0.0 << 0.0 << 0.0 << false << false;
    }
    void rowsAreReadAsTheScannerTakesTokens()
    {
        QFETCH(QString, line);
        QFETCH(Variant, variant);
        QFETCH(QChar, sep);
        QFETCH(int, rows);
        QFETCH(double, volume);
        QFETCH(double, value);
        QFETCH(double, time);
        QFETCH(bool, xSet);
        QFETCH(bool, ySet);

        MeasurementStore store;
        ChartModel chart;
        RowScanner::scan(line, variant, Separators {sep}, store, &chart);
        QCOMPARE(int(store.AnzahlWerte), rows);
        QCOMPARE(store.Messwerte[0][0], volume);
        QCOMPARE(store.Messwerte[0][1], value);
        QCOMPARE(store.Zeiten[0], time);
        QCOMPARE(!chart.cell(1, 1).isNull, xSet);
        QCOMPARE(!chart.cell(1, 2).isNull, ySet);
    }

    void anIncompleteRowIsOverwrittenByTheNextLine()
    {
        MeasurementStore store;
        ChartModel chart;
        const auto sep = Separators::comma();
        RowScanner::scan(u"  0,500   4,21\r\n", Variant::Report, sep, store, &chart);
        RowScanner::scan(u"  1,000   4,50   20,0  \r\n", Variant::Report, sep, store, &chart);
        QCOMPARE(int(store.AnzahlWerte), 1);
        QCOMPARE(store.Messwerte[0][0], 1.0);
        QCOMPARE(chart.cell(1, 2).value, 4.5);
    }

    void rowsBeyondTheGridAreIgnored()
    {
        MeasurementStore store;
        ChartModel chart;
        const auto sep = Separators::dot();
        for (int i = 0; i < 520; ++i) {
            const QString line
                = QStringLiteral("  %1   7.000   %2  \n").arg(i * 0.1, 0, 'f', 3).arg(i + 100);
            RowScanner::scan(line, Variant::Report, sep, store, &chart);
        }
        QCOMPARE(int(store.AnzahlWerte), 500);
        QCOMPARE(store.Messwerte[499][0], 49.9);
        QCOMPARE(store.Messwerte[500][0], 0.0);
        QCOMPARE(chart.curvePoints().size(), 500);
    }

    void resetClearsRowsAndTheChosenColumnsOnly()
    {
        MeasurementStore store;
        ChartModel chart;
        store.AnzahlWerte = 3;
        store.Messwerte[500][0] = 9;
        store.Messwerte[2][1] = 5;
        store.Ableitung[0] = 4;
        for (int c = 1; c <= 4; ++c)
            chart.setData(3, c, 1.0, false);
        RowScanner::resetSeries(store, &chart, 2);
        QCOMPARE(store.Messwerte[2][1], 0.0);
        QCOMPARE(store.Messwerte[500][0], 9.0);
        QCOMPARE(store.Ableitung[0], 4.0);
        QCOMPARE(int(store.AnzahlWerte), 3);
        QVERIFY(chart.cell(3, 1).isNull && chart.cell(3, 2).isNull);
        QVERIFY(!chart.cell(3, 3).isNull && !chart.cell(3, 4).isNull);
        RowScanner::resetSeries(store, &chart, 4);
        QVERIFY(chart.cell(3, 3).isNull && chart.cell(3, 4).isNull);
    }
};

QTEST_GUILESS_MAIN(tst_RowScanner)
#include "tst_rowscanner.moc"
