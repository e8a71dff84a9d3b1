// The file, print and window commands over document windows, with dialogs answered by the test.

#include "app/frmmain.h"
#include "commandsfixture.h"
#include "diskfiles.h"
#include "documents/documentfile.h"
#include "documents/frmdocument.h"
#include "documents/rtfreader.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The page sizes of a PDF file as its page objects declare them, in points.
QList<QSizeF> pdfPageSizes(const QString &path)
{
    static const QRegularExpression box(
        QStringLiteral(R"(/MediaBox\s*\[\s*0\s+0\s+([\d.]+)\s+([\d.]+))"));
    QList<QSizeF> pages;
    for (auto it = box.globalMatch(QString::fromLatin1(readAll(path))); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        pages.append(QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()));
    }
    return pages;
}

} // namespace

class tst_DocumentCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<CommandsFixture> f;

private Q_SLOTS:
    void init() { f = std::make_unique<CommandsFixture>(); }
    void cleanup() { f.reset(); }

    void documentNumbersAreNeverReusedAndClosingAsksNothing()
    {
        for (int i = 0; i < 3; ++i)
            f->commands.NeuesDokument()->setText(QStringLiteral("unsaved"));
        f->commands.close(); // the third, unsaved
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(f->area.subWindowList().size(), 2);
        QCOMPARE(f->commands.NeuesDokument()->windowTitle(), QStringLiteral("Document 4"));
        QVERIFY(f->dialogs->questions.isEmpty());
    }

    void openLoadsTheChosenFileIntoTheActiveDocument_data()
    {
        QTest::addColumn<QByteArray>("file"); // what the chosen file holds; empty: cancelled
        QTest::addColumn<QString>("error"); // the message shown
        const QByteArray rtf(R"({\rtf1\ansi pH\tab 7,0\par \'b5L})");
        QTest::newRow("file chosen") << rtf << QString();
        QTest::newRow("cancelled") << QByteArray() << QString();
        const QString tooLarge("The file \"%1\" cannot be opened: The file is too large.");
        // Refused by its size before it is read.
        QTest::newRow("too large")
            << "{\\rtf1 " + QByteArray(RtfLimits().maxBytes, ' ') + "}" << tooLarge;
        // Taller than the editor can lay out at any width (it would never finish).
        QTest::newRow("too tall") << "{\\rtf1 " + QByteArray("\\par ").repeated(450000) + "}"
                                  << tooLarge;
    }
    void openLoadsTheChosenFileIntoTheActiveDocument()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, error);
        const QString path = f->path("probe.rtf");
        if (!file.isEmpty()) {
            QVERIFY(writeAll(path, file));
            f->dialogs->fileAnswers = {path};
        }
        f->commands.NeuesDokument()->setText(QStringLiteral("old text"));
        f->commands.open();
        QCOMPARE(f->dialogs->questions, QStringList {"\u00D6ffnen|Messdaten (*.rtf)"});
        QCOMPARE(
            f->dialogs->errors, error.isEmpty() ? QStringList() : QStringList {error.arg(path)});
        QCOMPARE(f->area.subWindowList().size(), 1);
        const bool loaded = !file.isEmpty() && error.isEmpty();
        frmDocument *doc = f->commands.activeForm();
        QCOMPARE(doc->windowTitle(), loaded ? path : QStringLiteral("Document 1"));
        QCOMPARE(doc->text(),
            loaded ? QStringLiteral("pH\t7,0\r\n\u00B5L") : QStringLiteral("old text"));
    }

    // A FIFO (or a device) named like a document would block reading forever; it is refused
    // before it is opened. --evaluate reads through the same loader.
    void aFileThatIsNotRegularIsRefusedWithoutBlocking()
    {
        const QString path = f->path("x.rtf");
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        auto load = std::async(std::launch::async, [path] { return loadDocumentFile(path); });
        if (load.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Give the blocked reader its end of file, so the test ends.
            const int writer = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0)
                ::close(writer);
            load.wait();
            QFAIL("opening a FIFO blocks");
        }
        const LoadedDocument loaded = load.get();
        QCOMPARE(fileProblemMessage(loaded.problem, path, false),
            QStringLiteral("The file \"%1\" cannot be opened: It is not a regular file.")
                .arg(path));
    }

    // A large file goes into the document between turns of the event loop: open returns at
    // once, the window answers meanwhile, and the caption names the file when its text shows.
    void aLargeFileOpensInSlicesAndItsCaptionFollowsTheText()
    {
        const QString path = f->path("long.rtf");
        QVERIFY(
            writeAll(path, "{\\rtf1 " + QByteArray("Zeile 7,123\\par ").repeated(150000) + "}"));
        f->dialogs->fileAnswers = {path};
        frmDocument *doc = f->commands.NeuesDokument();
        doc->setText(QStringLiteral("old text"));
        QSignalSpy finished(doc, &frmDocument::loadFinished);
        f->commands.open();
        QCOMPARE(doc->text(), QStringLiteral("old text"));
        QCOMPARE(doc->windowTitle(), QStringLiteral("Document 1"));
        QVERIFY(finished.wait(30000));
        QCOMPARE(doc->windowTitle(), path);
        QCOMPARE(doc->text().size(), qsizetype(150000) * 13);
    }

    // Save asks until Save as names the document, then no more. A short write (full disk)
    // keeps the old file whole, leaves no other file and says why: the save is atomic.
    void saveAsksUntilSaveAsNamesTheDocumentAndAFailedSaveKeepsTheOldFile()
    {
        frmDocument *doc = f->commands.NeuesDokument();
        doc->setText(QStringLiteral("erste Fassung"));
        f->dialogs->fileAnswers = {f->path("one.rtf")};
        f->commands.save();
        f->commands.save(); // cancelled
        f->commands.saveAs(); // cancelled
        QCOMPARE(f->dialogs->questions.mid(1),
            (QStringList {"Speichern|RTF Dateien (*.rtf*)", "Speichern unter|Messdaten (*.rtf)"}));
        QCOMPARE(
            loadDocumentFile(f->path("one.rtf")).text.plainText(), QStringLiteral("erste Fassung"));
        QCOMPARE(doc->windowTitle(), QStringLiteral("Document 1"));

        const QString path = f->path("titration.rtf");
        f->dialogs->fileAnswers = {path};
        f->commands.saveAs();
        QCOMPARE(doc->windowTitle(), path);
        doc->appendText(QStringLiteral("\r\n0,5\t7,1"));
        f->commands.save(); // asks no more
        QCOMPARE(f->dialogs->questions.size(), 4);
        const QByteArray saved = readAll(path);
        QCOMPARE(readRtf(saved).text.plainText(), QStringLiteral("erste Fassung\r\n0,5\t7,1"));

        doc->setText(QString(20000, u'x'));
        {
            FileSizeLimit limit(4096);
            f->commands.save();
        }
        QCOMPARE(f->dialogs->errors.size(), 1);
        QVERIFY(f->dialogs->errors[0].contains(path));
        QCOMPARE(readAll(path), saved);
        QCOMPARE(
            QDir(f->dir.path()).entryList(QDir::Files), (QStringList {"one.rtf", "titration.rtf"}));
    }

    // The text in the orientation chosen in Page setup (portrait unless one was chosen), then
    // the chart on a landscape page; the choice holds for the next print too.
    void printPutsTextPagesInTheChosenOrientationAndThenALandscapeChartPage_data()
    {
        QTest::addColumn<bool>("chooseLandscape");
        QTest::newRow("portrait by default") << false;
        QTest::newRow("landscape chosen") << true;
    }
    void printPutsTextPagesInTheChosenOrientationAndThenALandscapeChartPage()
    {
        QFETCH(bool, chooseLandscape);
        frmDocument *doc = f->commands.NeuesDokument();
        doc->setText(QStringLiteral("0,5\t7,00\r\n").repeated(150));
        doc->chartModel().setData(1, 1, 0, false);
        doc->chartModel().setData(1, 2, 3, false);
        if (chooseLandscape)
            f->dialogs->pageSetupOrientation = QPageLayout::Landscape;
        f->commands.pageSetup();
        for (const char *name : {"print.pdf", "again.pdf"}) {
            f->dialogs->printToPdf = f->path(name);
            f->commands.print();
            const QList<QSizeF> pages = pdfPageSizes(f->path(name));
            QVERIFY(pages.size() > 2);
            for (qsizetype i = 0; i < pages.size(); ++i) {
                const bool chartPage = i == pages.size() - 1;
                QCOMPARE(pages[i].width() > pages[i].height(), chartPage || chooseLandscape);
            }
        }
        QCOMPARE(f->dialogs->questions, (QStringList {"Seite einrichten", "Drucken", "Drucken"}));
    }

    // With text selected the print dialog comes up with "Selection" chosen, so accepting it
    // as it is prints the selection.
    void printDialogPreselectsTheSelection_data()
    {
        QTest::addColumn<bool>("selection");
        QTest::newRow("selection") << true;
        QTest::newRow("no selection") << false;
    }
    void printDialogPreselectsTheSelection()
    {
        QFETCH(bool, selection);
        QtDocumentDialogs dialogs;
        QPrinter printer;
        printer.setOutputFileName(f->path("selection.pdf"));
        printer.setPrintRange(QPrinter::CurrentPage); // left from an earlier print
        bool shown = false;
        QTimer::singleShot(0, [&shown] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                shown = true;
                dialog->accept();
            }
        });
        QVERIFY(dialogs.print(&f->area, QStringLiteral("Drucken"), printer, selection));
        QVERIFY(shown);
        QCOMPARE(printer.printRange(), selection ? QPrinter::Selection : QPrinter::AllPages);
    }

    void windowMenuTilesHorizontallyInStrips()
    {
        QSettings store(f->path("store.conf"), QSettings::IniFormat);
        frmMain main(store);
        main.resize(1000, 700);
        main.show();
        for (int i = 0; i < 3; ++i)
            main.NeuesDokument();
        QMdiArea &area = *main.mdiArea();
        main.findChild<QAction *>(QStringLiteral("mnuWindowTileHorizontal"))->trigger();
        const QRect viewport = area.viewport()->rect();
        int covered = 0;
        for (QMdiSubWindow *window : area.subWindowList()) {
            QCOMPARE(window->geometry().width(), viewport.width());
            covered += window->geometry().height();
        }
        QCOMPARE(covered, viewport.height());
    }
};

QTEST_MAIN(tst_DocumentCommands)
#include "tst_documentcommands.moc"
