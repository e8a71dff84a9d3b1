#include "documents/chartmodel.h"
#include "evaluation/documentevaluator.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"
#include "support/diskfiles.h"
#include "support/fakedocument.h"

#include <QSignalSpy>
#include <QTest>

#include <bit>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Documents hand out their text with CR LF paragraph breaks (a missing file fails every row).
QString fixture(const QString &name)
{
    return FakeDocument::normalise(
        QString::fromLatin1(readAll(QStringLiteral(KALUMET_TEST_DATA_DIR "/evaluation/") + name)));
}

// Stand-ins for document windows: QObjects, so a build can tell a closed one. Whenever the
// build asks which document is active, `onAsk` may switch or close one first.
struct WindowDocument : QObject, FakeDocument
{
};

struct Frame : DocumentHost
{
    AbstractDocument *activeDocument() override
    {
        if (onAsk)
            onAsk();
        return active;
    }
    AbstractDocument *newDocument() override
    {
        documents.push_back(std::make_unique<WindowDocument>());
        return active = documents.back().get();
    }
    std::vector<std::unique_ptr<WindowDocument>> documents;
    AbstractDocument *active = nullptr;
    std::function<void()> onAsk;
};

// A listing of `rows` rows, every line (the header too) `LineLength` characters long.
constexpr int LineLength = 27;
QString listing(int rows)
{
    QString text = QStringLiteral("  V[ml]   pH   t[s]").leftJustified(LineLength - 2) + "\r\n";
    for (int i = 0; i < rows; ++i)
        text += QString::asprintf("  %6.3f  %6.3f  %5.1f  \r\n", i * 0.25, 3 + i * 0.1, i * 10.0);
    return text;
}

} // namespace

// The curve built from a document's text (Chart button).
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
        auto row = [](const char *name, const char *file, QChar sep, int sprache, int rows,
                       QPointF first, QPointF last, const QStringList &titles) {
            QTest::newRow(name) << file << sep << sprache << rows << first << last << titles;
        };
        row("comma listing under a point locale", "listing_comma.txt", u'.', 1, 6, {0, 4.01},
            {2.5, 11.3}, german);
        row("two listings, comma then point: the second counts", "two_listings.txt", u',', 1, 3,
            {0, 3.1}, {0.4, 9.9}, german);
        row("millivolts in English", "listing_millivolts.txt", u',', 2, 3, {0, 250}, {0.5, -310},
            {"titrationcurve", "volume [ml]", "mV-values"});
        row("last line without line feed is not read", "last_line_without_line_feed.txt", u',', 1,
            2, {0, 4.01}, {0.5, 4.21}, german);
        // The run's own table has "[s]" but no "t[s]": store and curve are left alone, only its
        // unit line sets the Y title.
        row("no listing", "run_table_without_listing.txt", u',', 1, 0, {}, {},
            {"", "", "pH-Werte"});
    }
    void listingsAreReadFromDocumentText()
    {
        QFETCH(QString, file);
        QFETCH(QChar, sep);
        QFETCH(int, sprache);
        QFETCH(int, rows);
        SettingsRecord settings;
        settings.separators = Numbers::Separators {sep};
        settings.Sprache = quint8(sprache);
        MeasurementStore store; // holding an earlier series, to see what a build leaves alone
        store.AnzahlWerte = 500;
        ChartModel chart;
        for (int i = 1; i <= 500; ++i)
            for (int c = 1; c <= 4; ++c)
                chart.setData(i, c, 9.5, false);

        buildChartFromText(fixture(file), store, settings, chart);

        QTEST((QStringList {chart.titleText(), chart.axisTitle(AbstractChart::XAxis),
                  chart.axisTitle(AbstractChart::YAxis)}),
            "titles");
        QCOMPARE(store.DatenModus, rows ? MeasurementStore::DataMode : MeasurementStore::TextMode);
        QCOMPARE(int(store.AnzahlWerte), rows ? rows : 500);
        if (rows == 0) {
            QCOMPARE(chart.cell(1, 1).value, 9.5);
            return;
        }
        QTEST(QPointF(store.Messwerte[0][0], store.Messwerte[0][1]), "first");
        QTEST(QPointF(chart.cell(rows, 1).value, chart.cell(rows, 2).value), "last");
        // Rows after the listing are cleared in the curve columns only.
        QVERIFY(chart.cell(rows + 1, 1).isNull && chart.cell(rows + 1, 2).isNull);
        QCOMPARE(chart.cell(rows + 1, 3).value, 9.5);
    }

    void chartBuildReadsItsWholeCopyAlsoWhenTheUserMovesOn_data()
    {
        QTest::addColumn<int>("chunk"); // characters per turn
        QTest::addColumn<int>("leave"); // 0 stays, 1 activates another document, 2 closes it
        QTest::newRow("lines run across chunks") << 7 << 0;
        QTest::newRow("another document activated") << LineLength << 1;
        QTest::newRow("document closed") << LineLength << 2;
    }
    void chartBuildReadsItsWholeCopyAlsoWhenTheUserMovesOn()
    {
        QFETCH(int, chunk);
        QFETCH(int, leave);
        constexpr int Rows = 40;
        Frame frame;
        auto *built = static_cast<WindowDocument *>(frame.newDocument());
        built->setText(listing(Rows));
        auto *other = static_cast<WindowDocument *>(frame.newDocument());
        frame.active = built;
        const SettingsRecord settings; // "." as the listing writes it
        MeasurementStore store;
        bool left = false;
        frame.onAsk = [&] {
            if (!leave || left || store.AnzahlWerte < 3)
                return; // halfway through the listing
            left = true;
            frame.active = other;
            if (leave == 2)
                frame.documents.erase(frame.documents.begin());
        };
        ChartBuild build(store, settings, frame);
        build.setChunkSize(chunk);
        QSignalSpy finished(&build, &ChartBuild::finished);

        QVERIFY(build.start());
        QVERIFY(finished.wait(5000));

        QCOMPARE(left, leave != 0);
        QCOMPARE(finished.at(0).at(0).toBool(), leave == 0);
        QCOMPARE(store.DatenModus, MeasurementStore::DataMode);
        QCOMPARE(int(store.AnzahlWerte), Rows);
        QCOMPARE(store.Messwerte[Rows - 1][0], (Rows - 1) * 0.25);
        QCOMPARE(store.Zeiten[Rows - 1], (Rows - 1) * 10.0);
        // The curve goes to the document the build started on, while it is there.
        if (leave != 2)
            QCOMPARE(built->chartModel().cell(Rows, 2).value, 3 + (Rows - 1) * 0.1);
        QVERIFY(other->chartModel().cell(1, 1).isNull);
    }

    // A row's numbers are exactly what the number conversion makes of their text, to the last
    // bit (the scanner takes a short way for plain numbers), under either separator.
    void rowNumbersAreTheConversionOfTheirText_data()
    {
        QTest::addColumn<QString>("token"); // written with "."
        for (const char *token : {"-0.000", "0.3", "123456789012345", "1234567890123456",
                 "12345678.9012345", "1.0000000000000002", "12.", ".50", "1.2.3", "--1"})
            QTest::newRow(token) << QString::fromLatin1(token);
    }
    void rowNumbersAreTheConversionOfTheirText()
    {
        QFETCH(QString, token);
        for (const auto sep : {Numbers::Separators::dot(), Numbers::Separators::comma()}) {
            SettingsRecord settings;
            settings.separators = sep;
            MeasurementStore store;
            ChartModel chart;
            const QString written = QString(token).replace(u'.', sep.decimal);
            buildChartFromText(
                QStringLiteral("  ml   pH   t[s]  \r\n  %1   7.00   1.0  \r\n").arg(written), store,
                settings, chart);
            const std::optional<double> expected = Numbers::toNumber(written, sep);
            QCOMPARE(store.AnzahlWerte, qint16(expected ? 1 : 0));
            if (expected)
                QCOMPARE(std::bit_cast<quint64>(store.Messwerte[0][0]),
                    std::bit_cast<quint64>(*expected));
        }
    }
};

QTEST_GUILESS_MAIN(tst_DocumentEvaluator)
#include "tst_documentevaluator.moc"
