// The file, print and window commands over document windows, with dialogs answered by the
// test, and the main window's menus and toolbar that reach them.

#include "app/frmmain.h"
#include "commandsfixture.h"
#include "diskfiles.h"
#include "documents/documentfile.h"
#include "documents/frmdocument.h"
#include "documents/rtfreader.h"
#include "pdfpages.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QSettings>
#include <QTest>
#include <QTextEdit>

namespace {

QStringList captions(QMdiArea &area)
{
    QStringList result;
    for (QMdiSubWindow *window : area.subWindowList())
        result.append(window->widget()->windowTitle());
    return result;
}

QString textOfFile(const QString &path)
{
    return loadDocumentFile(path).text.plainText();
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
        f->area.setActiveSubWindow(f->area.subWindowList().at(1));
        f->commands.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(captions(f->area), (QStringList {"Document 1", "Document 3"}));
        frmDocument *fourth = f->commands.NeuesDokument();
        QCOMPARE(fourth->windowTitle(), QStringLiteral("Document 4"));
        QCOMPARE(f->commands.activeForm(), fourth);

        f->area.closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(f->commands.activeDocument(), nullptr);
        // Without a document the commands do nothing.
        f->commands.save();
        f->commands.saveAs();
        f->commands.print();
        f->commands.close();
        QVERIFY(f->dialogs->questions.isEmpty());
    }

    void openLoadsTheChosenFileIntoTheActiveDocument_data()
    {
        QTest::addColumn<bool>("hasDocument");
        QTest::addColumn<QByteArray>("file"); // what the chosen file holds; empty: cancelled
        QTest::addColumn<bool>("german");
        QTest::addColumn<QString>("error"); // the message shown
        const QByteArray rtf(R"({\rtf1\ansi pH\tab 7,0\par \'b5L})");
        QTest::newRow("file chosen") << true << rtf << false << QString();
        QTest::newRow("cancelled") << true << QByteArray() << false << QString();
        QTest::newRow("no document: one is made first") << false << rtf << false << QString();
        QTest::newRow("no document, cancelled") << false << QByteArray() << false << QString();
        QTest::newRow("not RTF, German")
            << true << QByteArray("Volumen;pH") << true
            << QStringLiteral(
                   "Die Datei \"%1\" kann nicht ge\u00F6ffnet werden: Das ist keine RTF-Datei.");
        QTest::newRow("hostile, English")
            << true << QByteArray("{\\rtf1 ") + QByteArray(100000, '{') << false
            << "The file \"%1\" cannot be opened: The RTF file is damaged.";
        QTest::newRow("missing, English")
            << true << QByteArray("no such file") << false
            << "The file \"%1\" cannot be opened: The file does not exist.";
        // Refused by its size before it is read.
        QTest::newRow("too large, English")
            << true << "{\\rtf1 " + QByteArray(RtfLimits().maxBytes, ' ') + "}" << false
            << "The file \"%1\" cannot be opened: The file is too large.";
    }
    void openLoadsTheChosenFileIntoTheActiveDocument()
    {
        QFETCH(bool, hasDocument);
        QFETCH(QByteArray, file);
        QFETCH(bool, german);
        QFETCH(QString, error);
        const QString path = f->path("probe.rtf");
        if (file != "no such file" && !file.isEmpty())
            QVERIFY(writeAll(path, file));
        f->settings.Sprache = german ? 1 : 2;
        if (hasDocument) {
            frmDocument *doc = f->commands.NeuesDokument();
            doc->setText(QStringLiteral("old text"));
            doc->chartModel().setData(1, 1, 1, false);
            doc->chartModel().setData(1, 2, 5, false);
        }
        if (!file.isEmpty())
            f->dialogs->fileAnswers = {path};
        f->commands.open();
        QCOMPARE(f->dialogs->questions.size(), 1);
        QCOMPARE(f->question(0), QStringLiteral("\u00D6ffnen|Messdaten (*.rtf)"));
        QCOMPARE(
            f->dialogs->errors, error.isEmpty() ? QStringList() : QStringList {error.arg(path)});
        QCOMPARE(f->area.subWindowList().size(), 1);
        const bool loaded = !file.isEmpty() && error.isEmpty();
        frmDocument *doc = f->commands.activeForm();
        QCOMPARE(doc->windowTitle(), loaded ? path : QStringLiteral("Document 1"));
        const QString old = hasDocument ? QStringLiteral("old text") : QString();
        QCOMPARE(doc->text(), loaded ? QStringLiteral("pH\t7,0\r\n\u00B5L") : old);
        // The chart is not in the file: it keeps its curve.
        QCOMPARE(doc->chartModel().curvePoints().size(), hasDocument ? 1 : 0);
    }

    void saveAsksUntilSaveAsNamesTheDocument()
    {
        frmDocument *doc = f->commands.NeuesDokument();
        doc->setText(QStringLiteral("erste Fassung"));
        f->dialogs->fileAnswers = {f->path("one.rtf"), f->path("two.rtf")};
        f->commands.save();
        doc->appendText(QStringLiteral("\r\nzweite"));
        f->commands.save();
        f->commands.save(); // cancelled
        f->commands.saveAs(); // cancelled
        QCOMPARE(f->question(2), QStringLiteral("Speichern|RTF Dateien (*.rtf*)"));
        QCOMPARE(f->question(3), QStringLiteral("Speichern unter|Messdaten (*.rtf)"));
        QCOMPARE(textOfFile(f->path("one.rtf")), QStringLiteral("erste Fassung"));
        QCOMPARE(textOfFile(f->path("two.rtf")), QStringLiteral("erste Fassung\r\nzweite"));
        QCOMPARE(QDir(f->dir.path()).entryList(QDir::Files), (QStringList {"one.rtf", "two.rtf"}));
        QCOMPARE(doc->windowTitle(), QStringLiteral("Document 1"));

        f->dialogs->fileAnswers = {f->path("titration.rtf")};
        f->commands.saveAs();
        QCOMPARE(doc->windowTitle(), f->path("titration.rtf"));
        doc->appendText(QStringLiteral("\r\n0,5\t7,1"));
        f->commands.save(); // asks no more
        QCOMPARE(f->dialogs->questions.size(), 5);
        QCOMPARE(textOfFile(f->path("titration.rtf")),
            QStringLiteral("erste Fassung\r\nzweite\r\n0,5\t7,1"));
    }

    void failedSaveKeepsTheOldFileAndCaptionAndSaysWhy_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("Save As into a missing folder") << false;
        QTest::newRow("Save on a full disk") << true;
    }
    void failedSaveKeepsTheOldFileAndCaptionAndSaysWhy()
    {
        QFETCH(bool, fullDisk);
        frmDocument *doc = f->commands.NeuesDokument();
        doc->setText(QStringLiteral("gespeichert"));
        f->dialogs->fileAnswers = {f->path("doc.rtf")};
        f->commands.saveAs();
        const QByteArray before = readAll(f->path("doc.rtf"));
        QVERIFY(before.contains("gespeichert"));
        doc->setText(QString(20000, u'x'));
        const QString target = fullDisk ? f->path("doc.rtf") : f->path("missing/doc.rtf");
        if (fullDisk) {
            FileSizeLimit limit(4096);
            f->commands.save();
        } else {
            f->dialogs->fileAnswers = {target};
            f->commands.saveAs();
        }
        QCOMPARE(f->dialogs->errors.size(), 1);
        QVERIFY(f->dialogs->errors[0].contains(target));
        QCOMPARE(doc->windowTitle(), f->path("doc.rtf"));
        QCOMPARE(readAll(f->path("doc.rtf")), before);
        QCOMPARE(QDir(f->dir.path()).entryList(QDir::Files), QStringList {"doc.rtf"});
    }

    void printPutsTextPagesAndThenTheChartPageInOneFile_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("selectOneLine");
        QTest::addColumn<int>("textPages"); // 0: more than one
        QTest::newRow("several text pages") << 150 << false << 0;
        QTest::newRow("one text page") << 3 << false << 1;
        QTest::newRow("selection only") << 150 << true << 1;
    }
    void printPutsTextPagesAndThenTheChartPageInOneFile()
    {
        QFETCH(int, lines);
        QFETCH(bool, selectOneLine);
        QFETCH(int, textPages);
        frmDocument *doc = f->commands.NeuesDokument();
        for (int i = 0; i < lines; ++i)
            doc->appendText(QStringLiteral("%1\t7,00\r\n").arg(i));
        doc->chartModel().setData(1, 1, 0, false);
        doc->chartModel().setData(1, 2, 3, false);
        if (selectOneLine) {
            QTextCursor cursor(doc->rtfText()->document());
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            doc->rtfText()->setTextCursor(cursor);
        }
        f->dialogs->printToPdf = f->path("print.pdf");
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        f->commands.pageSetup();
        f->commands.print();

        QCOMPARE(f->dialogs->kinds(), (QStringList {"pageSetup", "print"}));
        QCOMPARE(f->question(0) + f->question(1), QStringLiteral("Seite einrichten|Drucken|"));
        QCOMPARE(f->dialogs->questions[1].selection, selectOneLine);
        // The page setup's printer is the one that prints.
        QCOMPARE(f->dialogs->questions[0].printer, f->dialogs->questions[1].printer);
        const QList<QSizeF> pages = pdfPageSizes(f->path("print.pdf"));
        QVERIFY(textPages ? pages.size() == textPages + 1 : pages.size() > 2);
        for (qsizetype i = 0; i + 1 < pages.size(); ++i)
            QVERIFY(!isLandscape(pages[i]));
        QVERIFY(isLandscape(pages.last()));
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasImage());
        QCOMPARE(f->commands.printer().pageLayout().orientation(), QPageLayout::Portrait);
    }

    void cancelledPrintSendsTheChartAloneToTheDefaultPrinter_data()
    {
        QTest::addColumn<bool>("hasDefaultPrinter");
        QTest::newRow("default printer") << true;
        QTest::newRow("no printer at all") << false;
    }
    void cancelledPrintSendsTheChartAloneToTheDefaultPrinter()
    {
        QFETCH(bool, hasDefaultPrinter);
        f->commands.NeuesDokument()->setText(QStringLiteral("Text\r\nText"));
        f->dialogs->printAccepted = false;
        f->dialogs->printToPdf = f->path("chosen.pdf");
        if (hasDefaultPrinter)
            f->dialogs->defaultPrinterPdf = f->path("default.pdf");
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        f->commands.print();
        QVERIFY(!QFile::exists(f->path("chosen.pdf")));
        QVERIFY(f->dialogs->errors.isEmpty());
        const QList<QSizeF> pages = pdfPageSizes(f->path("default.pdf"));
        QCOMPARE(pages.size(), hasDefaultPrinter ? 1 : 0);
        QVERIFY(!hasDefaultPrinter || isLandscape(pages[0]));
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasImage());
    }

    void toolbarKeysRunTheirCommands_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("expected"); // captions, then the dialogs asked
        QTest::newRow("Neu") << "Neu" << QStringList {"Document 1", "Document 2"};
        QTest::newRow("Speichern") << "Speichern" << QStringList {"Document 1", "save"};
        QTest::newRow("Drucken") << "Drucken" << QStringList {"Document 1", "print"};
        QTest::newRow("keys are case sensitive") << "neu" << QStringList {"Document 1"};
    }
    void toolbarKeysRunTheirCommands()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, expected);
        f->commands.NeuesDokument();
        f->dialogs->printAccepted = false;
        f->commands.toolbarButton(key);
        QCOMPARE(captions(f->area) + f->dialogs->kinds(), expected);
    }

    void filesOfTheCommandLineOpenInDocumentsOfTheirOwn()
    {
        QVERIFY(saveDocumentFile(f->path("a.rtf"), RichText::fromPlainText("A")).ok());
        QVERIFY(saveDocumentFile(f->path("b.rtf"), RichText::fromPlainText("B")).ok());
        const QString current = QDir::currentPath();
        QDir::setCurrent(f->dir.path());
        f->commands.NeuesDokument();
        f->commands.openFiles({f->path("a.rtf"), QStringLiteral("b.rtf"), f->path("none.rtf")});
        QDir::setCurrent(current);
        QCOMPARE(captions(f->area),
            (QStringList {"Document 1", f->path("a.rtf"), f->path("b.rtf"), "Document 4"}));
        const QList<QMdiSubWindow *> windows = f->area.subWindowList();
        QCOMPARE(qobject_cast<frmDocument *>(windows[1]->widget())->text(), QStringLiteral("A"));
        QCOMPARE(qobject_cast<frmDocument *>(windows[2]->widget())->text(), QStringLiteral("B"));
        QCOMPARE(f->dialogs->errors.size(), 1);
        QVERIFY(f->dialogs->errors[0].contains(f->path("none.rtf")));
        QVERIFY(f->dialogs->questions.isEmpty());
    }

    void mainWindowMenusAndToolbarMakeAndCloseDocuments()
    {
        QSettings store(f->path("store.conf"), QSettings::IniFormat);
        frmMain main(store);
        main.show();
        for (const char *name :
            {"mnuFileNew", "mnuWindowNewWindow", "tbToolBar_Neu", "mnuFileClose"})
            main.findChild<QAction *>(QLatin1StringView(name))->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(captions(*main.mdiArea()), (QStringList {"Document 1", "Document 2"}));
    }

    void windowMenuTilesInStripsOrSideBySide_data()
    {
        QTest::addColumn<QString>("item");
        QTest::newRow("tile horizontal: strips") << "mnuWindowTileHorizontal";
        QTest::newRow("tile vertical: side by side") << "mnuWindowTileVertical";
    }
    void windowMenuTilesInStripsOrSideBySide()
    {
        QFETCH(QString, item);
        const bool strips = item.endsWith(QLatin1StringView("Horizontal"));
        QSettings store(f->path("store.conf"), QSettings::IniFormat);
        frmMain main(store);
        main.resize(1000, 700);
        main.show();
        for (int i = 0; i < 3; ++i)
            main.NeuesDokument();
        QMdiArea &area = *main.mdiArea();
        area.subWindowList().constFirst()->showMaximized();
        main.findChild<QAction *>(item)->trigger();
        const QRect viewport = area.viewport()->rect();
        int covered = 0;
        for (QMdiSubWindow *window : area.subWindowList()) {
            const QRect g = window->geometry();
            QVERIFY(!window->isMaximized() && viewport.contains(g));
            QCOMPARE(
                strips ? g.width() : g.height(), strips ? viewport.width() : viewport.height());
            covered += strips ? g.height() : g.width();
        }
        QCOMPARE(covered, strips ? viewport.height() : viewport.width());
    }
};

QTEST_MAIN(tst_DocumentCommands)
#include "tst_documentcommands.moc"
