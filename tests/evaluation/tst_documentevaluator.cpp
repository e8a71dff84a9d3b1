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
    for (int i = 0; i < 500; ++i) {
        store.Messwerte[i] = {9.5, 9.5};
        store.Zeiten[i] = 9.5;
        for (int c = 1; c <= 4; ++c)
            chart.setData(i + 1, c, 9.5, false);
    }
    store.AnzahlWerte = 500;
    store.DatenModus = MeasurementStore::DataMode;
}

} // namespace

class tst_DocumentEvaluator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void listingsAreReadFromDocumentText_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QPointF>("first");
        QTest::addColumn<QPointF>("last");
        QTest::addColumn<double>("lastTime");
        QTest::addColumn<QString>("yTitle");

        for (const QChar sep : {QChar(u','), QChar(u'.')}) {
            const QString under
                = sep == u',' ? QStringLiteral(" under comma") : QStringLiteral(" under dot");
            QTest::newRow(qPrintable("comma listing" + under))
                << "listing_comma.txt" << sep << 6 << QPointF(0, 4.01) << QPointF(2.5, 11.3) << 60.0
                << "pH-Werte";
            QTest::newRow(qPrintable("dot listing" + under))
                << "listing_dot.txt" << sep << 6 << QPointF(0, 4.01) << QPointF(2.5, 11.3) << 60.0
                << "pH-Werte";
            QTest::newRow(qPrintable("two listings keep the second" + under))
                << "two_listings.txt" << sep << 3 << QPointF(0, 3.1) << QPointF(0.4, 9.9) << 12.0
                << "pH-Werte";
        }
        QTest::newRow("millivolts") << "listing_millivolts.txt" << QChar(u',') << 3
                                    << QPointF(0, 250) << QPointF(0.5, -310) << 20.0 << "mV-Werte";
        QTest::newRow("last line without line feed")
            << "last_line_without_line_feed.txt" << QChar(u',') << 2 << QPointF(0, 4.01)
            << QPointF(0.5, 4.21) << 12.0 << "pH-Werte";
    }
    void listingsAreReadFromDocumentText()
    {
        QFETCH(QString, file);
        QFETCH(QChar, sep);
        QFETCH(int, rows);
        QFETCH(QPointF, first);
        QFETCH(QPointF, last);
        MeasurementStore store;
        ChartModel chart;
        fillEarlier(store, chart);
        const SettingsRecord settings = settingsWith(sep);

        buildChartFromText(fixture(file), store, settings, chart);

        QCOMPARE(store.DatenModus, MeasurementStore::DataMode);
        QCOMPARE(int(store.AnzahlWerte), rows);
        QCOMPARE(store.Messwerte[0][0], first.x());
        QCOMPARE(store.Messwerte[0][1], first.y());
        QCOMPARE(store.Messwerte[rows - 1][0], last.x());
        QCOMPARE(store.Messwerte[rows - 1][1], last.y());
        QTEST(store.Zeiten[rows - 1], "lastTime");
        QCOMPARE(chart.cell(rows, 1).value, last.x());
        QCOMPARE(chart.cell(rows, 2).value, last.y());
        // Rows after the listing are cleared in the curve columns only.
        QVERIFY(chart.cell(rows + 1, 1).isNull);
        QVERIFY(chart.cell(rows + 1, 2).isNull);
        QCOMPARE(store.Messwerte[rows + 1][0], 0.0);
        QCOMPARE(chart.cell(rows + 1, 3).value, 9.5);
        QCOMPARE(chart.cell(1, 4).value, 9.5);
        QCOMPARE(chart.titleText(), QStringLiteral("Titrationskurve"));
        QCOMPARE(chart.axisTitle(AbstractChart::XAxis), QStringLiteral("Verbrauch [ml]"));
        QTEST(chart.axisTitle(AbstractChart::YAxis), "yTitle");
        QVERIFY(!chart.uniformAxis());
    }

    void documentWithoutListingLeavesStoreAndCurve()
    {
        MeasurementStore store;
        ChartModel chart;
        fillEarlier(store, chart);
        const SettingsRecord settings = settingsWith(u',', 2);

        // The run's own table has "[s]" but no "t[s]".
        buildChartFromText(
            fixture(QStringLiteral("run_table_without_listing.txt")), store, settings, chart);

        QCOMPARE(store.DatenModus, MeasurementStore::TextMode);
        QCOMPARE(store.AnzahlWerte, qint16(500));
        QCOMPARE(store.Messwerte[0][0], 9.5);
        QCOMPARE(chart.cell(1, 1).value, 9.5);
        QCOMPARE(chart.axisTitle(AbstractChart::YAxis), QStringLiteral("pH-values"));
        QCOMPARE(chart.titleText(), QString());
    }

    void englishTitlesUseLowerCaseMillilitres()
    {
        MeasurementStore store;
        ChartModel chart;
        buildChartFromText(
            fixture(QStringLiteral("listing_millivolts.txt")), store, settingsWith(u'.', 2), chart);
        QCOMPARE(chart.titleText(), QStringLiteral("titrationcurve"));
        QCOMPARE(chart.axisTitle(AbstractChart::XAxis), QStringLiteral("volume [ml]"));
        QCOMPARE(chart.axisTitle(AbstractChart::YAxis), QStringLiteral("mV-values"));
    }

    void chartBuildYieldsAndGivesTheSameResultAsTheWholeBuild()
    {
        const QString text = fixture(QStringLiteral("two_listings.txt"));
        MeasurementStore expectedStore;
        ChartModel expectedChart;
        const SettingsRecord settings = settingsWith(u',');
        buildChartFromText(text, expectedStore, settings, expectedChart);

        FakeDocumentHost host;
        host.newDocument()->setText(text);
        MeasurementStore store;
        ChartBuild build(store, settings, host);
        build.setChunkSize(7);
        QSignalSpy finished(&build, &ChartBuild::finished);

        QVERIFY(build.start());
        QVERIFY(build.isRunning());
        QCOMPARE(store.AnzahlWerte, qint16(0)); // nothing before the event loop turns
        QVERIFY(!build.start()); // a second click while it runs does nothing
        host.active()->setText(QStringLiteral("edited meanwhile\r\n")); // the copy counts
        QVERIFY(finished.wait(5000));

        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QVERIFY(!build.isRunning());
        QCOMPARE(store.AnzahlWerte, expectedStore.AnzahlWerte);
        QCOMPARE(store.DatenModus, expectedStore.DatenModus);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(store.Messwerte[i], expectedStore.Messwerte[i]);
            QCOMPARE(store.Zeiten[i], expectedStore.Zeiten[i]);
        }
        QCOMPARE(host.active()->chartModel().curvePoints(), expectedChart.curvePoints());
        QVERIFY(build.start()); // and can run again once done
    }

    void chartBuildEndsWhenItsDocumentIsNoLongerActive_data()
    {
        QTest::addColumn<bool>("close");
        QTest::newRow("another document activated") << false;
        QTest::newRow("all documents closed") << true;
    }
    void chartBuildEndsWhenItsDocumentIsNoLongerActive()
    {
        QFETCH(bool, close);
        FakeDocumentHost host;
        FakeDocument *other = static_cast<FakeDocument *>(host.newDocument());
        FakeDocument *doc = static_cast<FakeDocument *>(host.newDocument());
        doc->setText(fixture(QStringLiteral("listing_comma.txt")));
        MeasurementStore store;
        const SettingsRecord settings = settingsWith(u',');
        ChartBuild build(store, settings, host);
        build.setChunkSize(10);
        QSignalSpy finished(&build, &ChartBuild::finished);

        QVERIFY(build.start());
        // Turn the event loop until the first row is in, well before the listing's end.
        for (int i = 0; i < 1000 && store.AnzahlWerte < 1 && finished.isEmpty(); ++i)
            QCoreApplication::processEvents();
        QCOMPARE(store.AnzahlWerte, qint16(1));
        QVERIFY(finished.isEmpty());
        if (close)
            host.closeAll();
        else
            host.setActive(other);
        QVERIFY(finished.wait(5000));

        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QVERIFY(store.AnzahlWerte < 6);
        if (!close)
            QVERIFY(other->chartModel().curvePoints().isEmpty());
    }

    void chartBuildNeedsADocument()
    {
        FakeDocumentHost host;
        MeasurementStore store;
        store.DatenModus = MeasurementStore::DataMode;
        const SettingsRecord settings = settingsWith(u',');
        ChartBuild build(store, settings, host);
        QVERIFY(!build.start());
        QCOMPARE(store.DatenModus, MeasurementStore::DataMode);
    }

    void longDocumentIsReadToItsEnd()
    {
        // Far more than 32767 characters: a long preamble, then a listing of 450 rows.
        QString text = QString(QStringLiteral("Bemerkung ohne Zahlen\r\n")).repeated(3000);
        text += QStringLiteral("  V[ml]    pH     t[s]  \r\n");
        for (int i = 0; i < 450; ++i) {
            text += QStringLiteral("  %1   %2   %3  \r\n")
                        .arg(Numbers::format(i * 0.05, 3, Numbers::Separators::dot()))
                        .arg(Numbers::format(3 + i * 0.01, 2, Numbers::Separators::dot()))
                        .arg(Numbers::format(i * 2.0, 1, Numbers::Separators::dot()));
        }
        QVERIFY(text.size() > 70000);
        FakeDocumentHost host;
        host.newDocument()->setText(text);
        MeasurementStore store;
        const SettingsRecord settings = settingsWith(u',');
        ChartBuild build(store, settings, host);
        QSignalSpy finished(&build, &ChartBuild::finished);
        QVERIFY(build.start());
        QVERIFY(finished.wait(10000));
        QCOMPARE(store.AnzahlWerte, qint16(450));
        QCOMPARE(store.Messwerte[449][0], 22.45);
        QCOMPARE(store.Messwerte[449][1], 7.49);
    }

    void clearingEmptiesDocumentStoreAndAllFourColumns_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("document with a listing") << fixture(QStringLiteral("listing_comma.txt"));
        QTest::newRow("empty document") << QString();
    }
    void clearingEmptiesDocumentStoreAndAllFourColumns()
    {
        QFETCH(QString, text);
        FakeDocument doc;
        doc.setText(text);
        MeasurementStore store;
        fillEarlier(store, doc.chart());
        store.Messwerte[500] = {1, 2};
        store.Ableitung.fill(3);
        doc.chart().setUniformAxis(true);
        doc.chart().setTitleText(QStringLiteral("Titrationskurve"));

        clearDataList(store, &doc);

        QCOMPARE(doc.text(), QString());
        for (int row = 1; row <= 500; ++row) {
            for (int c = 1; c <= 4; ++c)
                QVERIFY(doc.chartModel().cell(row, c).isNull);
            QCOMPARE(store.Messwerte[row - 1][0], 0.0);
            QCOMPARE(store.Messwerte[row - 1][1], 0.0);
            QCOMPARE(store.Zeiten[row - 1], 0.0);
        }
        QVERIFY(!doc.chartModel().uniformAxis());
        QCOMPARE(store.Messwerte[500][1], 2.0);
        QCOMPARE(store.AnzahlWerte, qint16(500));
        QCOMPARE(store.DatenModus, MeasurementStore::DataMode);
        QCOMPARE(store.Ableitung[0], 3.0);
        QCOMPARE(doc.chartModel().titleText(), QStringLiteral("Titrationskurve"));
    }
};

QTEST_GUILESS_MAIN(tst_DocumentEvaluator)
#include "tst_documentevaluator.moc"
