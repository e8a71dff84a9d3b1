// The series for other programs: CSV and tab-separated rows, data export, picture saving and
// the chart's menu, with dialogs answered by the test.

#include "commandsfixture.h"
#include "diskfiles.h"
#include "documents/chartview.h"
#include "documents/frmdocument.h"
#include "documents/seriescommands.h"
#include "documents/seriesexport.h"
#include "evaluation/derivative.h"
#include "evaluation/documentevaluator.h"
#include "evaluation/measurementstore.h"
#include "pdfpages.h"
#include "support/jumplisting.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
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
            m_series->markEquivalencePoint(store);
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

    void rowsHoldTheGridCellsWithEmptyCellsEmpty()
    {
        ChartModel chart;
        chart.setData(1, 1, 0, false);
        chart.setData(1, 2, 3.25, false);
        chart.setData(1, 3, 0, false);
        chart.setData(1, 4, 2.5, false);
        chart.setData(2, 1, 0.5, false);
        chart.setData(2, 2, 4.5, false);
        chart.setData(4, 1, 1.0, false); // a row with the volume only
        chart.setData(500, 2, -123.4, false);
        const QString header = "volume [mL],measured value,derivative X [mL],derivative Y\r\n";
        const QString rows = "0,3.25,0,2.5\r\n0.5,4.5,,\r\n1,,,\r\n,-123.4,,\r\n";
        QCOMPARE(SeriesExport::toCsv(chart, std::nullopt), header + rows);
        QCOMPARE(SeriesExport::toCsv(chart, EquivalencePoint {10.02, 8.7312}),
            header + rows + "# equivalence point: volume 10.02 mL, measured value 8.7312\r\n");
        // For the clipboard: tab-separated, with the user's decimal separator.
        QCOMPARE(SeriesExport::toTabSeparated(chart, Numbers::Separators::comma()),
            "0\t3,25\t0\t2,5\n0,5\t4,5\t\t\n1\t\t\t\n\t-123,4\t\t\n");
        QVERIFY(SeriesExport::toTabSeparated(chart, Numbers::Separators::dot())
                    .startsWith("0\t3.25\t0\t2.5\n0.5\t"));
    }

    void exportWritesTheActiveChartAndItsEquivalencePoint()
    {
        f->dialogs->fileAnswers = {f->path("titration.csv")};
        m_series->exportData(); // no document: nothing asked
        QVERIFY(f->dialogs->questions.isEmpty());
        frmDocument *doc = evaluatedDocument();
        m_series->exportData();
        QCOMPARE(f->dialogs->questions.size(), 1);
        QCOMPARE(f->question(0), QStringLiteral("Export data|CSV (*.csv)"));
        QVERIFY(f->dialogs->errors.isEmpty());
        const QString csv = QString::fromUtf8(readAll(f->path("titration.csv")));
        QCOMPARE(csv, SeriesExport::toCsv(doc->chartModel(), doc->chartModel().equivalencePoint()));
        QCOMPARE(csv.count(QStringLiteral("\r\n")), 12); // header, ten rows, the point
        QVERIFY(csv.endsWith(
            QStringLiteral("# equivalence point: volume 4.5 mL, measured value 7\r\n")));

        m_series->exportData(); // cancelled
        QCOMPARE(QDir(f->dir.path()).entryList(QDir::Files), QStringList {"titration.csv"});
    }

    void failedExportSaysWhyAndLeavesTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such folder, German")
            << "missing/data.csv" << 1
            << "Die Datei \"%1\" kann nicht gespeichert werden: Der Ordner existiert nicht.";
        // Smaller than the file buffer: the shortfall must show before the old file is replaced.
        QTest::newRow("disk full, English")
            << "data.csv" << 2 << "The file \"%1\" cannot be saved: Write error (";
    }
    void failedExportSaysWhyAndLeavesTheOldFile()
    {
        QFETCH(QString, name);
        QFETCH(int, language);
        QFETCH(QString, message);
        f->settings.Sprache = quint8(language);
        const QByteArray before("old,data\r\n");
        QVERIFY(writeAll(f->path("data.csv"), before));
        evaluatedDocument();
        f->dialogs->fileAnswers = {f->path(name)};
        {
            FileSizeLimit limit(before.size()); // the new file is longer than the old one
            m_series->exportData();
        }
        QCOMPARE(f->dialogs->errors.size(), 1);
        QVERIFY2(f->dialogs->errors[0].startsWith(message.arg(f->path(name))),
            qPrintable(f->dialogs->errors[0]));
        QCOMPARE(readAll(f->path("data.csv")), before);
        QCOMPARE(QDir(f->dir.path()).entryList(QDir::Files), QStringList {"data.csv"});
    }

    void savePictureWritesTheFormatOfTheSuffix_data()
    {
        // The row's name is the name the user chooses.
        QTest::addColumn<QString>("written"); // empty: refused
        QTest::newRow("chart.png") << "chart.png";
        QTest::newRow("chart.SVG") << "chart.SVG";
        QTest::newRow("chart.pdf") << "chart.pdf";
        QTest::newRow("chart") << "chart.png";
        QTest::newRow("chart.jpg") << "";
    }
    void savePictureWritesTheFormatOfTheSuffix()
    {
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        QFETCH(QString, written);
        f->settings.Sprache = 1;
        frmDocument *doc = evaluatedDocument();
        f->dialogs->fileAnswers = {f->path(name)};
        m_series->savePicture();
        QCOMPARE(
            f->question(0), QStringLiteral("Bild speichern|PNG (*.png);;SVG (*.svg);;PDF (*.pdf)"));
        QCOMPARE(QDir(f->dir.path()).entryList(QDir::Files),
            written.isEmpty() ? QStringList() : QStringList {written});
        QCOMPARE(f->dialogs->errors.size(), written.isEmpty() ? 1 : 0);
        if (written.isEmpty()) {
            QVERIFY(f->dialogs->errors[0].contains(f->path(name)));
            return;
        }
        const QByteArray data = readAll(f->path(written));
        const QSize size = doc->MSChart1()->pictureSize();
        const QString format = QFileInfo(written).suffix().toLower();
        if (format == QLatin1StringView("png")) {
            QCOMPARE(QImage::fromData(data, "PNG").size(), size);
        } else if (format == QLatin1StringView("svg")) {
            QVERIFY(data.contains("<svg") && data.contains("EP 4")); // with the marker's label
        } else { // one page the size of the picture: 96 pixels an inch, 72 points
            const QList<QSizeF> pages = pdfPageSizes(f->path(written));
            QCOMPARE(pages.size(), 1);
            QVERIFY(qAbs(pages[0].width() - size.width() * 0.75) <= 1);
            QVERIFY(qAbs(pages[0].height() - size.height() * 0.75) <= 1);
        }
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
