// The equivalence point in the chart model, data export, picture saving and the chart's menu,
// with dialogs answered by the test.

#include "app/settingsrecord.h"
#include "documents/chartview.h"
#include "documents/documentcommands.h"
#include "documents/documentfile.h"
#include "documents/frmdocument.h"
#include "documents/seriescommands.h"
#include "evaluation/derivative.h"
#include "evaluation/documentevaluator.h"
#include "evaluation/measurementstore.h"
#include "filesizelimit.h"
#include "pdfpages.h"
#include "scripteddialogs.h"
#include "support/jumplisting.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_SeriesCommands : public QObject
{
    Q_OBJECT

    SettingsRecord m_settings;
    MeasurementStore m_store;
    std::unique_ptr<QMdiArea> m_area;
    ScriptedDialogs *m_dialogs = nullptr;
    std::unique_ptr<DocumentCommands> m_documents;
    std::unique_ptr<SeriesCommands> m_series;
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name) const { return m_dir->filePath(name); }

    // A document with a pH jump, evaluated as the Chart and derivative buttons do.
    frmDocument *evaluatedDocument()
    {
        frmDocument *doc = m_documents->NeuesDokument();
        doc->setText(jumpListing(true));
        buildChartFromText(doc->text(), m_store, m_settings, doc->chart());
        if (BerAbleit(m_store, &doc->chart()))
            m_series->markEquivalencePoint(m_store);
        return doc;
    }

private Q_SLOTS:
    void init()
    {
        m_settings = SettingsRecord();
        m_settings.Sprache = 2;
        m_settings.separators = Numbers::Separators::comma();
        m_store = MeasurementStore();
        m_area = std::make_unique<QMdiArea>();
        m_area->resize(900, 600);
        m_area->show();
        auto dialogs = std::make_unique<ScriptedDialogs>();
        m_dialogs = dialogs.get();
        m_documents
            = std::make_unique<DocumentCommands>(m_area.get(), m_settings, std::move(dialogs));
        m_series = std::make_unique<SeriesCommands>(*m_documents, m_settings, m_area.get());
        m_dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        m_series.reset();
        m_documents.reset();
        m_area.reset();
        m_dir.reset();
    }

    void thePointGoesWithAnyChangeOfTheCurve_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("isNull");
        QTest::addColumn<bool>("kept");
        // Row 3 holds (2 ml, pH 4) before.
        QTest::newRow("other volume") << 1 << 2.5 << false << false;
        QTest::newRow("other value") << 2 << 4.01 << false << false;
        QTest::newRow("volume emptied") << 1 << 2.0 << true << false;
        QTest::newRow("same volume again") << 1 << 2.0 << false << true;
        QTest::newRow("same value again") << 2 << 4.0 << false << true;
        QTest::newRow("derivative X") << 3 << 1.0 << false << true;
        QTest::newRow("derivative Y") << 4 << 1.0 << true << true;
    }
    void thePointGoesWithAnyChangeOfTheCurve()
    {
        QFETCH(int, column);
        QFETCH(double, value);
        QFETCH(bool, isNull);
        QFETCH(bool, kept);
        ChartModel chart;
        for (int row = 1; row <= 5; ++row) {
            chart.setData(row, 1, row - 1, false);
            chart.setData(row, 2, 1 + row, false);
        }
        chart.setEquivalencePoint(EquivalencePoint {2.5, 3.5});
        chart.setTitleText(QStringLiteral("Titrationskurve"));
        chart.setUniformAxis(false);
        QVERIFY(chart.equivalencePoint());
        chart.setData(3, column, value, isNull);
        QCOMPARE(chart.equivalencePoint().has_value(), kept);
    }

    void exportWritesTheGridRowsAndTheEquivalencePoint()
    {
        frmDocument *doc = evaluatedDocument();
        m_dialogs->fileAnswers = {path("titration.csv")};
        m_series->exportData();
        QCOMPARE(m_dialogs->questions.size(), 1);
        QCOMPARE(m_dialogs->questions[0].title, QStringLiteral("Export data"));
        QCOMPARE(m_dialogs->questions[0].filter, QStringLiteral("CSV (*.csv)"));
        QVERIFY(m_dialogs->errors.isEmpty());

        const QStringList lines = QString::fromUtf8(readAll(path("titration.csv")))
                                      .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 12); // header, ten rows, the point
        QVERIFY(lines[0].startsWith(QStringLiteral("volume")));
        const ChartModel &chart = doc->chartModel();
        for (int row = 1; row <= 10; ++row) {
            const QStringList fields = lines[row].split(u',');
            QCOMPARE(fields.size(), 4);
            QCOMPARE(fields[0].toDouble(), chart.cell(row, 1).value);
            QCOMPARE(fields[1].toDouble(), chart.cell(row, 2).value);
            // The derivative has one point less than the curve: the last row's cells are empty.
            QCOMPARE(fields[2].isEmpty(), row == 10);
            QCOMPARE(fields[3].isEmpty(), row == 10);
        }
        QCOMPARE(lines[11], QStringLiteral("# equivalence point: volume 4.5 mL, measured value 7"));
    }

    void exportCancelledOrWithoutDocumentWritesNothing()
    {
        m_series->exportData();
        QVERIFY(m_dialogs->questions.isEmpty());
        evaluatedDocument();
        m_series->exportData();
        QCOMPARE(m_dialogs->kinds(), QStringList {"save"});
        QVERIFY(QDir(m_dir->path()).isEmpty());
    }

    void failedExportSaysWhyAndLeavesTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no such folder, German")
            << "missing/data.csv" << 1 << "Der Ordner existiert nicht.";
        QTest::newRow("disk full, English") << "data.csv" << 2 << "Write error";
    }
    void failedExportSaysWhyAndLeavesTheOldFile()
    {
        QFETCH(QString, name);
        QFETCH(int, language);
        QFETCH(QString, reason);
        m_settings.Sprache = quint8(language);
        const QByteArray before("old,data\r\n");
        QFile old(path("data.csv"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(before);
        old.close();
        evaluatedDocument();
        m_dialogs->fileAnswers = {path(name)};
        {
            FileSizeLimit limit(before.size()); // the new file is longer than the old one
            m_series->exportData();
        }
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY2(m_dialogs->errors[0].contains(path(name)), qPrintable(m_dialogs->errors[0]));
        QVERIFY2(m_dialogs->errors[0].contains(reason), qPrintable(m_dialogs->errors[0]));
        QCOMPARE(readAll(path("data.csv")), before);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList {"data.csv"});
    }

    void smallDocumentOnAFullDiskKeepsTheOldFile()
    {
        // Less than the file buffer holds, so the shortfall comes only at the end.
        const QByteArray before("{\\rtf1 alt}");
        QFile old(path("doc.rtf"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(before);
        old.close();
        FileProblem problem;
        {
            FileSizeLimit limit(before.size());
            problem = saveDocumentFile(path("doc.rtf"), RichText::fromPlainText("neuer Text"));
        }
        QCOMPARE(problem.kind, FileProblem::WriteFailed);
        QCOMPARE(readAll(path("doc.rtf")), before);
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
        const QString format = QFileInfo(written).suffix().toLower();
        m_settings.Sprache = 1;
        frmDocument *doc = evaluatedDocument();
        m_dialogs->fileAnswers = {path(name)};
        m_series->savePicture();
        QCOMPARE(m_dialogs->questions.size(), 1);
        QCOMPARE(m_dialogs->questions[0].title, QStringLiteral("Bild speichern"));
        const QStringList files = QDir(m_dir->path()).entryList(QDir::Files);
        if (written.isEmpty()) {
            QVERIFY(files.isEmpty());
            QCOMPARE(m_dialogs->errors.size(), 1);
            QVERIFY(m_dialogs->errors[0].contains(path(name)));
            return;
        }
        QVERIFY(m_dialogs->errors.isEmpty());
        QCOMPARE(files, QStringList {written});
        const QByteArray data = readAll(path(written));
        const QSize size = doc->MSChart1()->pictureSize();
        if (format == QLatin1StringView("png")) {
            QVERIFY(data.startsWith("\x89PNG\r\n\x1a\n"));
            QCOMPARE(QImage::fromData(data, "PNG").size(), size);
        } else if (format == QLatin1StringView("svg")) {
            QXmlStreamReader xml(data);
            while (!xml.atEnd() && !xml.isStartElement())
                xml.readNext();
            QCOMPARE(xml.name().toString(), QStringLiteral("svg"));
            QVERIFY(data.contains("EP 4"));
        } else {
            QVERIFY(data.startsWith("%PDF-"));
            const QList<QSizeF> pages = pdfPageSizes(path(written));
            QCOMPARE(pages.size(), 1);
            // One page the size of the picture: 96 pixels an inch, 72 points.
            QVERIFY(qAbs(pages[0].width() - size.width() * 0.75) <= 1);
            QVERIFY(qAbs(pages[0].height() - size.height() * 0.75) <= 1);
        }
    }

    void chartMenuActsOnTheDocumentWhoseChartWasClicked()
    {
        frmDocument *first = m_documents->NeuesDokument();
        m_documents->NeuesDokument();
        ChartView *chart = first->MSChart1();
        const QPoint at(10, 10);
        QContextMenuEvent click(
            QContextMenuEvent::Mouse, at, chart->viewport()->mapToGlobal(at), Qt::NoModifier);
        QCoreApplication::sendEvent(chart->viewport(), &click);
        QCOMPARE(m_documents->activeForm(), first);
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
