#include "documents/chartmodel.h"
#include "documents/seriesexport.h"

#include <QTest>

class tst_SeriesExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void csvHoldsTheGridRowsWithDataAndEmptyCellsEmpty()
    {
        ChartModel chart;
        chart.setData(1, 1, 0, false);
        chart.setData(1, 2, 3.25, false);
        chart.setData(1, 3, 0, false);
        chart.setData(1, 4, 2.5, false);
        chart.setData(2, 1, 0.5, false);
        chart.setData(2, 2, 4.5, false);
        chart.setData(4, 1, 1.0, false); // a row with the volume only
        const QString csv = SeriesExport::toCsv(chart, EquivalencePoint {10.02, 8.7312});
        const QStringList lines = csv.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 6); // header, 3 rows, comment, empty after the last CR LF
        QCOMPARE(lines[0], QString("volume [mL],measured value,derivative X [mL],derivative Y"));
        QCOMPARE(lines[1], QString("0,3.25,0,2.5"));
        QCOMPARE(lines[2], QString("0.5,4.5,,"));
        QCOMPARE(lines[3], QString("1,,,"));
        QCOMPARE(lines[4], QString("# equivalence point: volume 10.02 mL, measured value 8.7312"));
        QCOMPARE(lines[5], QString());
    }

    void csvWithoutPointHasNoComment()
    {
        ChartModel chart;
        chart.setData(500, 2, -123.4, false);
        const QString csv = SeriesExport::toCsv(chart, std::nullopt);
        QVERIFY(!csv.contains(u'#'));
        QVERIFY(csv.endsWith(QStringLiteral(",-123.4,,\r\n")));
    }

    void tabSeparatedUsesTheUsersSeparator_data()
    {
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<QString>("expected");
        QTest::newRow("comma") << QChar(u',') << "0,5\t7,02\t\t\n";
        QTest::newRow("dot") << QChar(u'.') << "0.5\t7.02\t\t\n";
    }
    void tabSeparatedUsesTheUsersSeparator()
    {
        QFETCH(QChar, sep);
        QFETCH(QString, expected);
        ChartModel chart;
        chart.setData(3, 1, 0.5, false);
        chart.setData(3, 2, 7.02, false);
        QCOMPARE(SeriesExport::toTabSeparated(chart, Numbers::Separators {sep}), expected);
    }
};

QTEST_GUILESS_MAIN(tst_SeriesExport)
#include "tst_seriesexport.moc"
