#include "app/settingsrecord.h"
#include "evaluation/datalist.h"
#include "evaluation/documentevaluator.h"
#include "evaluation/measurementstore.h"
#include "support/fakedocument.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {

QString fixture(const QString &name)
{
    QFile file(QStringLiteral(KALUMET_TEST_DATA_DIR "/evaluation/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    // Documents hand out their text with CR LF paragraph breaks.
    return FakeDocument::normalise(QString::fromLatin1(file.readAll()));
}

SettingsRecord settingsWith(QChar separator, int sprache = 1)
{
    SettingsRecord settings;
    settings.separators = Numbers::Separators {separator};
    settings.Sprache = quint8(sprache);
    return settings;
}

// A store and chart full of an earlier series, to see what a build leaves alone.
void fillEarlier(MeasurementStore &store, AbstractChart &chart)
{
    store.Messwerte.fill({9.5, 9.5});
    store.Zeiten.fill(9.5);
    for (int i = 1; i <= 500; ++i) {
        for (int c = 1; c <= 4; ++c)
            chart.setData(i, c, 9.5, false);
    }
    store.AnzahlWerte = 500;
    store.DatenModus = MeasurementStore::DataMode;
}

} // namespace

// The curve built from a document's text (Chart button) and the data list clearing.
class tst_DocumentEvaluator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void listingsAreReadFromDocumentText_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<int>("sprache");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QPointF>("first");
        QTest::addColumn<QPointF>("last");
        QTest::addColumn<QStringList>("titles"); // chart, X axis, Y axis

        const QStringList german {"Titrationskurve", "Verbrauch [ml]", "pH-Werte"};
        QTest::newRow("comma listing under a point locale")
            << "listing_comma.txt" << QChar(u'.') << 1 << 6 << QPointF(0, 4.01)
            << QPointF(2.5, 11.3) << german;
        QTest::newRow("point listing under a comma locale")
            << "listing_dot.txt" << QChar(u',') << 1 << 6 << QPointF(0, 4.01) << QPointF(2.5, 11.3)
            << german;
        QTest::newRow("two listings, comma then point: the second counts")
            << "two_listings.txt" << QChar(u',') << 1 << 3 << QPointF(0, 3.1) << QPointF(0.4, 9.9)
            << german;
        QTest::newRow("millivolts in English")
            << "listing_millivolts.txt" << QChar(u',') << 2 << 3 << QPointF(0, 250)
            << QPointF(0.5, -310) << QStringList {"titrationcurve", "volume [ml]", "mV-values"};
        QTest::newRow("last line without line feed is not read")
            << "last_line_without_line_feed.txt" << QChar(u',') << 1 << 2 << QPointF(0, 4.01)
            << QPointF(0.5, 4.21) << german;
    }
    void listingsAreReadFromDocumentText()
    {
        QFETCH(QString, file);
        QFETCH(QChar, sep);
        QFETCH(int, sprache);
        QFETCH(int, rows);
        QFETCH(QPointF, first);
        QFETCH(QPointF, last);
        MeasurementStore store;
        ChartModel chart;
        fillEarlier(store, chart);

        buildChartFromText(fixture(file), store, settingsWith(sep, sprache), chart);

        QCOMPARE(store.DatenModus, MeasurementStore::DataMode);
        QCOMPARE(int(store.AnzahlWerte), rows);
        QCOMPARE(QPointF(store.Messwerte[0][0], store.Messwerte[0][1]), first);
        QCOMPARE(QPointF(store.Messwerte[rows - 1][0], store.Messwerte[rows - 1][1]), last);
        QCOMPARE(QPointF(chart.cell(rows, 1).value, chart.cell(rows, 2).value), last);
        // Rows after the listing are cleared in the curve columns only.
        QVERIFY(chart.cell(rows + 1, 1).isNull && chart.cell(rows + 1, 2).isNull);
        QCOMPARE(store.Messwerte[rows + 1][0], 0.0);
        QCOMPARE(chart.cell(rows + 1, 3).value, 9.5);
        QCOMPARE(chart.cell(1, 4).value, 9.5);
        QTEST((QStringList {chart.titleText(), chart.axisTitle(AbstractChart::XAxis),
                  chart.axisTitle(AbstractChart::YAxis)}),
            "titles");
        QVERIFY(!chart.uniformAxis());
    }

    void documentWithoutListingLeavesStoreAndCurve()
    {
        MeasurementStore store;
        ChartModel chart;
        fillEarlier(store, chart);
        // The run's own table has "[s]" but no "t[s]".
        buildChartFromText(fixture(QStringLiteral("run_table_without_listing.txt")), store,
            settingsWith(u',', 2), chart);
        QCOMPARE(store.DatenModus, MeasurementStore::TextMode);
        QCOMPARE(store.AnzahlWerte, qint16(500));
        QCOMPARE(store.Messwerte[0][0], 9.5);
        QCOMPARE(chart.cell(1, 1).value, 9.5);
        QCOMPARE(chart.titleText(), QString());
    }

    void chartBuildReadsACopyAcrossTurnsOfTheEventLoopWhileItsDocumentStays_data()
    {
        QTest::addColumn<QString>("then"); // what happens once the first row is in
        QTest::newRow("the copy is read to its end, far past 32767 characters") << "";
        QTest::newRow("another document activated ends it") << "switch";
        QTest::newRow("all documents closed end it") << "close";
    }
    void chartBuildReadsACopyAcrossTurnsOfTheEventLoopWhileItsDocumentStays()
    {
        QFETCH(QString, then);
        const QString text = QStringLiteral("Bemerkung ohne Zahlen\r\n").repeated(3000)
            + fixture(QStringLiteral("two_listings.txt"));
        const SettingsRecord settings = settingsWith(u',');
        MeasurementStore expected;
        ChartModel expectedChart;
        buildChartFromText(text, expected, settings, expectedChart);
        QCOMPARE(expected.AnzahlWerte, qint16(3));

        FakeDocumentHost host;
        MeasurementStore store;
        ChartBuild build(store, settings, host);
        QVERIFY(!build.start()); // no document
        auto *other = static_cast<FakeDocument *>(host.newDocument());
        host.newDocument()->setText(text);
        build.setChunkSize(10);
        QSignalSpy finished(&build, &ChartBuild::finished);
        QVERIFY(build.start());
        QCOMPARE(store.AnzahlWerte, qint16(0)); // nothing before the event loop turns
        QVERIFY(!build.start()); // a second click while it runs does nothing
        host.active()->setText(QStringLiteral("edited meanwhile\r\n")); // the copy counts
        if (!then.isEmpty()) {
            for (int i = 0; i < 100000 && store.AnzahlWerte < 1 && finished.isEmpty(); ++i)
                QCoreApplication::processEvents();
            QCOMPARE(store.AnzahlWerte, qint16(1));
            if (then == u"close")
                host.closeAll();
            else
                host.setActive(other);
        }
        QVERIFY(finished.wait(5000));

        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), then.isEmpty());
        if (!then.isEmpty()) {
            QVERIFY(store.AnzahlWerte < 6);
            if (then == u"switch")
                QVERIFY(other->chartModel().curvePoints().isEmpty());
            return;
        }
        QCOMPARE(store.AnzahlWerte, expected.AnzahlWerte);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(store.Messwerte[i], expected.Messwerte[i]);
        QCOMPARE(host.active()->chartModel().curvePoints(), expectedChart.curvePoints());
        QVERIFY(build.start()); // and it runs again once done
    }

    void clearingEmptiesDocumentRowsAndAllFourColumns()
    {
        FakeDocument doc;
        doc.setText(fixture(QStringLiteral("listing_comma.txt")));
        MeasurementStore store;
        fillEarlier(store, doc.chart());
        store.Ableitung.fill(3);
        doc.chart().setUniformAxis(true);
        doc.chart().setTitleText(QStringLiteral("Titrationskurve"));

        clearDataList(store, &doc);

        QCOMPARE(doc.text(), QString());
        for (int c = 1; c <= 4; ++c)
            QVERIFY(doc.chartModel().cell(1, c).isNull && doc.chartModel().cell(500, c).isNull);
        QCOMPARE(store.Messwerte[0], (std::array<double, 2> {0, 0}));
        QCOMPARE(store.Messwerte[499], (std::array<double, 2> {0, 0}));
        QCOMPARE(store.Zeiten[499], 0.0);
        QVERIFY(!doc.chartModel().uniformAxis());
        // What the Part keeps: the spare row, the count, the mode, the derivative, the titles.
        QCOMPARE(store.Messwerte[500][1], 9.5);
        QCOMPARE(store.AnzahlWerte, qint16(500));
        QCOMPARE(store.DatenModus, MeasurementStore::DataMode);
        QCOMPARE(store.Ableitung[0], 3.0);
        QCOMPARE(doc.chartModel().titleText(), QStringLiteral("Titrationskurve"));
    }
};

QTEST_GUILESS_MAIN(tst_DocumentEvaluator)
#include "tst_documentevaluator.moc"
