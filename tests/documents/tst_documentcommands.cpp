// The file, print and window commands over document windows, with dialogs answered by the test.

#include "commandsfixture.h"
#include "documents/documentfile.h"
#include "documents/frmdocument.h"
#include "documents/rtfreader.h"
#include "support/diskfiles.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <sys/stat.h>

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

    // A refused file leaves the active document as it was.
    void openRefusesWhatItCannotShow_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: a FIFO
        QTest::addColumn<QString>("why");
        const QString tooLarge = QStringLiteral("The file is too large.");
        // A FIFO (or a device) would block reading forever; --evaluate reads through the same
        // loader.
        QTest::newRow("FIFO") << QByteArray() << QStringLiteral("It is not a regular file.");
        // Refused by its size before it is read.
        QTest::newRow("one byte too large")
            << QByteArray(RtfLimits().maxBytes + 1, ' ') << tooLarge;
        // Taller than the editor can lay out at any width (it would never finish).
        QTest::newRow("too tall") << "{\\rtf1 " + QByteArray("\\par ").repeated(450000) + "}"
                                  << tooLarge;
    }
    void openRefusesWhatItCannotShow()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, why);
        const QString path = f->path("probe.rtf");
        if (file.isEmpty())
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            QVERIFY(writeAll(path, file));
        f->dialogs->fileAnswers = {path};
        f->commands.NeuesDokument()->setText(QStringLiteral("old text"));
        f->commands.open();
        QCOMPARE(f->dialogs->questions, QStringList {"\u00D6ffnen|Messdaten (*.rtf)"});
        QCOMPARE(f->dialogs->errors,
            QStringList {QStringLiteral("The file \"%1\" cannot be opened: ").arg(path) + why});
        QCOMPARE(f->area.subWindowList().size(), 1);
        QCOMPARE(f->commands.activeForm()->windowTitle(), QStringLiteral("Document 1"));
        QCOMPARE(f->commands.activeForm()->text(), QStringLiteral("old text"));
    }

    // A large file goes into the document between turns of the event loop: open returns at
    // once, the old text stays read-only, lines appended meanwhile wait, and the caption names
    // the file when its text shows.
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
        doc->appendText(QStringLiteral("received"));
        QCOMPARE(doc->text(), QStringLiteral("old text"));
        QVERIFY(doc->rtfText()->isReadOnly());
        QCOMPARE(doc->windowTitle(), QStringLiteral("Document 1"));
        QVERIFY(finished.wait(30000));
        QCOMPARE(doc->windowTitle(), path);
        QCOMPARE(doc->text().size(), qsizetype(150000) * 13 + 8);
        QVERIFY(doc->text().endsWith(QStringLiteral("7,123\r\nreceived")));
        QVERIFY(!doc->rtfText()->isReadOnly());
    }

    // Save asks until Save as names the document, then no more. A short write (full disk)
    // keeps the old file whole, leaves no other file and says why: the save is atomic.
    void saveAsksUntilSaveAsNamesTheDocumentAndAFailedSaveKeepsTheOldFile()
    {
        frmDocument *doc = f->commands.NeuesDokument();
        doc->setText(QStringLiteral("erste Fassung"));
        const QString path = f->path("titration.rtf");
        f->dialogs->fileAnswers = {f->path("one.rtf"), QString(), path};
        f->commands.save();
        f->commands.save(); // asks again: cancelled
        f->commands.saveAs();
        QCOMPARE(doc->windowTitle(), path);
        doc->appendText(QStringLiteral("\r\n0,5\t7,1"));
        f->commands.save(); // asks no more
        QCOMPARE(f->dialogs->questions.mid(1),
            (QStringList {"Speichern|RTF Dateien (*.rtf*)", "Speichern unter|Messdaten (*.rtf)"}));
        const QByteArray saved = readAll(path);
        QCOMPARE(readRtf(saved).text.plainText(), QStringLiteral("erste Fassung\r\n0,5\t7,1"));

        doc->setText(QString(20000, u'x'));
        {
            FileSizeLimit limit(4096);
            f->commands.save();
        }
        QVERIFY(f->dialogs->errors.size() == 1 && f->dialogs->errors[0].contains(path));
        QCOMPARE(readAll(path), saved);
        QCOMPARE(
            QDir(f->dir.path()).entryList(QDir::Files), (QStringList {"one.rtf", "titration.rtf"}));
    }

    // The text in the orientation chosen in Page setup, then the chart on a landscape page.
    void printPutsTextPagesInTheChosenOrientationAndThenALandscapeChartPage()
    {
        frmDocument *doc = f->commands.NeuesDokument();
        doc->setText(QStringLiteral("0,5\t7,00\r\n").repeated(150));
        for (const auto orientation : {QPageLayout::Landscape, QPageLayout::Portrait}) {
            f->dialogs->pageSetupOrientation = orientation;
            f->commands.pageSetup();
            f->dialogs->printToPdf = f->path(QString::number(orientation) + ".pdf");
            f->commands.print();
            const QList<QSizeF> pages = pdfPageSizes(f->dialogs->printToPdf);
            QVERIFY(pages.size() > 2);
            for (qsizetype i = 0; i < pages.size(); ++i)
                QCOMPARE(pages[i].width() > pages[i].height(),
                    i == pages.size() - 1 || orientation == QPageLayout::Landscape);
        }
    }

    // With text selected the print dialog comes up with "Selection" chosen, so accepting it
    // as it is prints the selection.
    void printDialogPreselectsTheSelection()
    {
        QtDocumentDialogs dialogs;
        QPrinter printer;
        printer.setOutputFileName(f->path("selection.pdf"));
        printer.setPrintRange(QPrinter::CurrentPage); // left from an earlier print
        QTimer::singleShot(0, [] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->accept();
        });
        QVERIFY(dialogs.print(&f->area, QStringLiteral("Drucken"), printer, true));
        QCOMPARE(printer.printRange(), QPrinter::Selection);
    }

    void tileHorizontalStacksFullWidthStrips()
    {
        f->area.resize(1000, 700);
        for (int i = 0; i < 3; ++i)
            f->commands.NeuesDokument();
        f->commands.tileHorizontal();
        const QRect viewport = f->area.viewport()->rect();
        int covered = 0;
        for (QMdiSubWindow *window : f->area.subWindowList()) {
            QCOMPARE(window->geometry().width(), viewport.width());
            covered += window->geometry().height();
        }
        QCOMPARE(covered, viewport.height());
    }
};

QTEST_MAIN(tst_DocumentCommands)
#include "tst_documentcommands.moc"
