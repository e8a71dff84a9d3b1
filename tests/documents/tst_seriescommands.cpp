// The series for other programs: CSV rows, picture saving and the chart's menu,
// with dialogs answered by the test.

#include "commandsfixture.h"
#include "documents/chartview.h"
#include "documents/frmdocument.h"
#include "documents/seriescommands.h"
#include "documents/seriesexport.h"
#include "support/diskfiles.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QTest>

// The document commands with the series commands over them.
struct SeriesFixture : CommandsFixture
{
    SeriesCommands series {commands, settings, &area};
};

class tst_SeriesCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<SeriesFixture> f;

private Q_SLOTS:
    void init() { f = std::make_unique<SeriesFixture>(); }
    void cleanup() { f.reset(); }

    void csvRowsHoldTheGridCellsWithEmptyCellsEmpty()
    {
        ChartModel chart; // row 3 with the volume only
        for (const auto &[row, column, value] : {std::tuple {1, 1, 0.0}, {1, 2, 3.25}, {1, 3, 0.0},
                 {1, 4, 2.5}, {3, 1, 1.0}, {500, 2, -123.4}})
            chart.setData(row, column, value, false);
        QCOMPARE(SeriesExport::toCsv(chart, EquivalencePoint {10.02, 8.7312}),
            "volume [mL],measured value,derivative X [mL],derivative Y\r\n"
            "0,3.25,0,2.5\r\n1,,,\r\n,-123.4,,\r\n"
            "# equivalence point: volume 10.02 mL, measured value 8.7312\r\n");
    }

    void savePictureWritesTheFormatOfTheSuffix_data()
    {
        QTest::addColumn<QString>("written"); // empty: refused; the row's name is the one chosen
        QTest::newRow("chart") << QStringLiteral("chart.png");
        QTest::newRow("chart.jpg") << QString();
    }
    void savePictureWritesTheFormatOfTheSuffix()
    {
        QFETCH(QString, written);
        frmDocument *doc = f->commands.NeuesDokument();
        f->dialogs->fileAnswers = {f->path(QString::fromLatin1(QTest::currentDataTag()))};
        f->series.savePicture();
        QCOMPARE(QDir(f->dir.path()).entryList(QDir::Files),
            written.isEmpty() ? QStringList() : QStringList {written});
        QCOMPARE(f->dialogs->errors.size(), written.isEmpty() ? 1 : 0);
        const QByteArray data = readAll(f->path(written));
        if (!written.isEmpty())
            QCOMPARE(QImage::fromData(data, "PNG").size(), doc->MSChart1()->pictureSize());
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
            (QList<QAction *> {f->series.copyDataAction(), f->series.copyPictureAction(),
                f->series.savePictureAction()}));
        menu->close();
    }
};

QTEST_MAIN(tst_SeriesCommands)
#include "tst_seriescommands.moc"
