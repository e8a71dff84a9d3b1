// The series for other programs: CSV rows, data export, picture saving and the chart's menu,
// with dialogs answered by the test.

#include "commandsfixture.h"
#include "diskfiles.h"
#include "documents/chartview.h"
#include "documents/frmdocument.h"
#include "documents/seriescommands.h"
#include "documents/seriesexport.h"
#include "evaluation/derivative.h"
#include "evaluation/documentevaluator.h"
#include "evaluation/equivalencepointfinder.h"
#include "model/measurementstore.h"
#include "support/jumplisting.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QTest>

class tst_SeriesCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<CommandsFixture> f;
    std::unique_ptr<SeriesCommands> m_series;

    // A document with a pH jump at 4.5 ml, evaluated as the Chart and derivative buttons do.
    frmDocument *evaluatedDocument()
    {
        MeasurementStore store;
        frmDocument *doc = f->commands.NeuesDokument();
        doc->setText(jumpListing(true));
        buildChartFromText(doc->text(), store, f->settings, doc->chart());
        if (BerAbleit(store, &doc->chart()))
            m_series->markEquivalencePoint(EquivalencePointFinder::find(store));
        return doc;
    }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<CommandsFixture>();
        f->settings.separators = Numbers::Separators::comma();
        m_series = std::make_unique<SeriesCommands>(f->commands, f->settings, &f->area);
    }
    void cleanup()
    {
        m_series.reset();
        f.reset();
    }

    void csvRowsHoldTheGridCellsWithEmptyCellsEmpty()
    {
        ChartModel chart;
        chart.setData(1, 1, 0, false);
        chart.setData(1, 2, 3.25, false);
        chart.setData(1, 3, 0, false);
        chart.setData(1, 4, 2.5, false);
        chart.setData(3, 1, 1.0, false); // a row with the volume only
        chart.setData(500, 2, -123.4, false);
        QCOMPARE(SeriesExport::toCsv(chart, EquivalencePoint {10.02, 8.7312}),
            "volume [mL],measured value,derivative X [mL],derivative Y\r\n"
            "0,3.25,0,2.5\r\n1,,,\r\n,-123.4,,\r\n"
            "# equivalence point: volume 10.02 mL, measured value 8.7312\r\n");
    }

    void exportWritesTheActiveChartAndItsEquivalencePoint()
    {
        f->dialogs->fileAnswers = {f->path("titration.csv")};
        frmDocument *doc = evaluatedDocument();
        m_series->exportData();
        m_series->exportData(); // cancelled
        QCOMPARE(f->dialogs->questions, QStringList(2, "Export data|CSV (*.csv)"));
        const QString csv = QString::fromUtf8(readAll(f->path("titration.csv")));
        QCOMPARE(csv, SeriesExport::toCsv(doc->chartModel(), doc->chartModel().equivalencePoint()));
        QVERIFY(csv.endsWith("# equivalence point: volume 4.5 mL, measured value 7\r\n"));
    }

    void savePictureWritesTheFormatOfTheSuffix_data()
    {
        QTest::addColumn<QString>("written"); // empty: refused; the row's name is the one chosen
        QTest::newRow("chart.SVG") << QStringLiteral("chart.SVG");
        QTest::newRow("chart") << QStringLiteral("chart.png");
        QTest::newRow("chart.jpg") << QString();
    }
    void savePictureWritesTheFormatOfTheSuffix()
    {
        QFETCH(QString, written);
        frmDocument *doc = evaluatedDocument();
        f->dialogs->fileAnswers = {f->path(QString::fromLatin1(QTest::currentDataTag()))};
        m_series->savePicture();
        QCOMPARE(QDir(f->dir.path()).entryList(QDir::Files),
            written.isEmpty() ? QStringList() : QStringList {written});
        QCOMPARE(f->dialogs->errors.size(), written.isEmpty() ? 1 : 0);
        const QByteArray data = readAll(f->path(written));
        if (written.endsWith(".png"))
            QCOMPARE(QImage::fromData(data, "PNG").size(), doc->MSChart1()->pictureSize());
        else if (!written.isEmpty())
            QVERIFY(data.contains("<svg") && data.contains("EP 4")); // with the marker's label
    }

    void chartMenuActsOnTheDocumentWhoseChartWasClicked()
    {
        frmDocument *first = f->commands.NeuesDokument();
        f->commands.NeuesDokument();
        ChartView *chart = first->MSChart1();
        const QPoint at(10, 10);
        QContextMenuEvent click(
            QContextMenuEvent::Mouse, at, chart->viewport()->mapToGlobal(at), Qt::NoModifier);
        QCoreApplication::sendEvent(chart->viewport(), &click);
        QCOMPARE(f->commands.activeForm(), first);
        auto *menu = chart->findChild<QMenu *>(QStringLiteral("chartMenu"));
        QVERIFY(menu);
        QCOMPARE(menu->actions(),
            (QList<QAction *> {m_series->copyDataAction(), m_series->copyPictureAction(),
                m_series->savePictureAction()}));
        menu->close();
    }
};

QTEST_MAIN(tst_SeriesCommands)
#include "tst_seriescommands.moc"
