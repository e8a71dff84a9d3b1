#include "app/settingsrecord.h"
#include "documents/chartview.h"
#include "documents/documentcommands.h"
#include "documents/documentfile.h"
#include "documents/frmdocument.h"
#include "filesizelimit.h"
#include "pdfpages.h"
#include "scripteddialogs.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString textOfFile(const QString &path)
{
    return loadDocumentFile(path).text.plainText();
}

} // namespace

class tst_DocumentCommands : public QObject
{
    Q_OBJECT

    SettingsRecord m_settings;
    std::unique_ptr<QMdiArea> m_area;
    ScriptedDialogs *m_dialogs = nullptr;
    std::unique_ptr<DocumentCommands> m_commands;
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString caption() const
    {
        frmDocument *doc = m_commands->activeForm();
        return doc ? doc->windowTitle() : QString();
    }
    QStringList captions() const
    {
        QStringList result;
        for (QMdiSubWindow *window : m_area->subWindowList())
            result.append(window->widget()->windowTitle());
        return result;
    }
    void closeActive()
    {
        m_commands->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private Q_SLOTS:
    void init()
    {
        m_settings = SettingsRecord();
        m_settings.Sprache = 2;
        m_area = std::make_unique<QMdiArea>();
        m_area->resize(900, 600);
        m_area->show();
        auto dialogs = std::make_unique<ScriptedDialogs>();
        m_dialogs = dialogs.get();
        m_commands
            = std::make_unique<DocumentCommands>(m_area.get(), m_settings, std::move(dialogs));
        m_dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup()
    {
        m_commands.reset();
        m_area.reset();
        m_dir.reset();
    }

    void documentNumbersAreNeverReused()
    {
        QCOMPARE(m_commands->activeDocument(), nullptr);
        m_commands->NeuesDokument();
        QCOMPARE(caption(), QStringLiteral("Document 1"));
        m_commands->NeuesDokument();
        m_commands->NeuesDokument();
        QCOMPARE(captions(), (QStringList {"Document 1", "Document 2", "Document 3"}));
        m_area->setActiveSubWindow(m_area->subWindowList().at(1));
        QCOMPARE(caption(), QStringLiteral("Document 2"));
        closeActive();
        QCOMPARE(captions(), (QStringList {"Document 1", "Document 3"}));
        QVERIFY(m_commands->activeDocument());
        frmDocument *fourth = m_commands->NeuesDokument();
        QCOMPARE(fourth->windowTitle(), QStringLiteral("Document 4"));
        QCOMPARE(m_commands->activeForm(), fourth);
        QCOMPARE(m_area->currentSubWindow()->windowTitle(), QStringLiteral("Document 4"));
    }

    void closingTheLastDocumentLeavesNoActiveDocument()
    {
        m_commands->NeuesDokument()->setText(QStringLiteral("unsaved"));
        closeActive();
        QCOMPARE(m_commands->activeDocument(), nullptr);
        QVERIFY(m_area->subWindowList().isEmpty());
        QVERIFY(m_dialogs->questions.isEmpty());
    }

    void withoutADocumentCommandsDoNothing()
    {
        m_commands->save();
        m_commands->saveAs();
        m_commands->print();
        m_commands->close();
        QVERIFY(m_dialogs->questions.isEmpty());
        QVERIFY(m_area->subWindowList().isEmpty());
    }

    void openLoadsTheFileIntoTheActiveDocument()
    {
        QVERIFY(saveDocumentFile(
            path("probe.rtf"), RichText::fromPlainText(QStringLiteral("pH\t7,0\r\n\u00B5L")))
                    .ok());
        frmDocument *doc = m_commands->NeuesDokument();
        doc->setText(QStringLiteral("old text"));
        doc->chartModel().setData(1, 1, 1, false);
        doc->chartModel().setData(1, 2, 5, false);
        m_dialogs->fileAnswers = {path("probe.rtf")};
        m_commands->open();
        QCOMPARE(m_dialogs->questions.size(), 1);
        QCOMPARE(m_dialogs->questions[0].title, QStringLiteral("\u00D6ffnen"));
        QCOMPARE(m_dialogs->questions[0].filter, QStringLiteral("Messdaten (*.rtf)"));
        QCOMPARE(doc->text(), QStringLiteral("pH\t7,0\r\n\u00B5L"));
        QCOMPARE(doc->windowTitle(), path("probe.rtf"));
        // The chart is not in the file: it keeps its curve.
        QCOMPARE(doc->chartModel().curvePoints().size(), 1);
        QCOMPARE(m_area->subWindowList().size(), 1);
    }

    void openWithoutADocumentMakesOneFirst_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("file chosen") << false;
        QTest::newRow("cancelled") << true;
    }
    void openWithoutADocumentMakesOneFirst()
    {
        QFETCH(bool, cancel);
        QVERIFY(saveDocumentFile(path("a.rtf"), RichText::fromPlainText("A")).ok());
        if (!cancel)
            m_dialogs->fileAnswers = {path("a.rtf")};
        m_commands->open();
        QCOMPARE(m_area->subWindowList().size(), 1);
        QCOMPARE(caption(), cancel ? QStringLiteral("Document 1") : path("a.rtf"));
        QCOMPARE(m_commands->activeForm()->text(), cancel ? QString() : QStringLiteral("A"));
    }

    void openFailureShowsWhyAndKeepsTheDocument_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not RTF, English")
            << QByteArray("Volumen;pH") << 2 << "It is not an RTF file.";
        QTest::newRow("not RTF, German")
            << QByteArray("Volumen;pH") << 1 << "Das ist keine RTF-Datei.";
        QTest::newRow("truncated")
            << QByteArray("{\\rtf1 abc") << 2 << "The RTF file is incomplete.";
        QTest::newRow("hostile") << QByteArray("{\\rtf1 ") + QByteArray(100000, '{') << 2
                                 << "The RTF file is damaged.";
    }
    void openFailureShowsWhyAndKeepsTheDocument()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, language);
        QFETCH(QString, reason);
        m_settings.Sprache = quint8(language);
        QFile file(path("bad.rtf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        frmDocument *doc = m_commands->NeuesDokument();
        doc->setText(QStringLiteral("Messung 1"));
        m_dialogs->fileAnswers = {path("bad.rtf")};
        m_commands->open();
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY(m_dialogs->errors[0].contains(path("bad.rtf")));
        QVERIFY2(m_dialogs->errors[0].endsWith(reason), qPrintable(m_dialogs->errors[0]));
        QCOMPARE(doc->text(), QStringLiteral("Messung 1"));
        QCOMPARE(doc->windowTitle(), QStringLiteral("Document 1"));
    }

    void saveOfANewDocumentAsksEveryTimeAndKeepsTheCaption()
    {
        m_commands->NeuesDokument();
        frmDocument *doc = m_commands->NeuesDokument();
        doc->setText(QStringLiteral("erste Fassung"));
        m_dialogs->fileAnswers = {path("one.rtf"), path("two.rtf")};
        m_commands->save();
        QCOMPARE(m_dialogs->questions.size(), 1);
        QCOMPARE(m_dialogs->questions[0].title, QStringLiteral("Speichern"));
        QCOMPARE(m_dialogs->questions[0].filter, QStringLiteral("RTF Dateien (*.rtf*)"));
        QCOMPARE(textOfFile(path("one.rtf")), QStringLiteral("erste Fassung"));
        QCOMPARE(doc->windowTitle(), QStringLiteral("Document 2"));
        doc->appendText(QStringLiteral("\r\nzweite"));
        m_commands->save();
        QCOMPARE(m_dialogs->questions.size(), 2);
        QCOMPARE(textOfFile(path("two.rtf")), QStringLiteral("erste Fassung\r\nzweite"));
        QCOMPARE(doc->windowTitle(), QStringLiteral("Document 2"));
    }

    void saveCancelledWritesNothing()
    {
        m_commands->NeuesDokument()->setText(QStringLiteral("x"));
        m_commands->save();
        m_commands->saveAs();
        QCOMPARE(m_dialogs->kinds(), (QStringList {"save", "save"}));
        QCOMPARE(caption(), QStringLiteral("Document 1"));
        QVERIFY(QDir(m_dir->path()).isEmpty());
    }

    void saveAsNamesTheDocumentAndLaterSavesUseThatFile()
    {
        frmDocument *doc = m_commands->NeuesDokument();
        doc->setText(QStringLiteral("Titration 1"));
        m_dialogs->fileAnswers = {path("titration.rtf")};
        m_commands->saveAs();
        QCOMPARE(m_dialogs->questions[0].title, QStringLiteral("Speichern unter"));
        QCOMPARE(m_dialogs->questions[0].filter, QStringLiteral("Messdaten (*.rtf)"));
        QCOMPARE(doc->windowTitle(), path("titration.rtf"));
        QCOMPARE(textOfFile(path("titration.rtf")), QStringLiteral("Titration 1"));
        doc->appendText(QStringLiteral("\r\n0,5\t7,1"));
        m_commands->save();
        QCOMPARE(m_dialogs->questions.size(), 1);
        QCOMPARE(textOfFile(path("titration.rtf")), QStringLiteral("Titration 1\r\n0,5\t7,1"));
    }

    void failedSaveAsKeepsTheCaptionAndSaysWhy()
    {
        frmDocument *doc = m_commands->NeuesDokument();
        doc->setText(QStringLiteral("x"));
        m_settings.Sprache = 1;
        m_dialogs->fileAnswers = {path("missing/doc.rtf")};
        m_commands->saveAs();
        QCOMPARE(doc->windowTitle(), QStringLiteral("Document 1"));
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY(m_dialogs->errors[0].contains(path("missing/doc.rtf")));
        QVERIFY(m_dialogs->errors[0].contains(QStringLiteral("gespeichert")));
    }

    void failedSaveLeavesTheOldFile()
    {
        frmDocument *doc = m_commands->NeuesDokument();
        doc->setText(QStringLiteral("gespeichert"));
        m_dialogs->fileAnswers = {path("doc.rtf")};
        m_commands->saveAs();
        const QByteArray before = readAll(path("doc.rtf"));
        QVERIFY(before.contains("gespeichert"));
        doc->setText(QString(20000, u'x'));
        {
            FileSizeLimit limit(4096);
            m_commands->save();
        }
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY(m_dialogs->errors[0].contains(path("doc.rtf")));
        QCOMPARE(doc->windowTitle(), path("doc.rtf"));
        QCOMPARE(readAll(path("doc.rtf")), before);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList {"doc.rtf"});
    }

    void pageSetupAsksForThePrinterThatPrints()
    {
        m_commands->pageSetup();
        QCOMPARE(m_dialogs->questions.size(), 1);
        QCOMPARE(m_dialogs->questions[0].title, QStringLiteral("Seite einrichten"));
        QCOMPARE(m_dialogs->questions[0].printer, &m_commands->printer());
    }

    void printPutsTextPagesAndThenTheChartPageInOneFile_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("selectOneLine");
        QTest::newRow("several text pages") << 150 << false;
        QTest::newRow("one text page") << 3 << false;
        QTest::newRow("selection only") << 150 << true;
    }
    void printPutsTextPagesAndThenTheChartPageInOneFile()
    {
        QFETCH(int, lines);
        QFETCH(bool, selectOneLine);
        frmDocument *doc = m_commands->NeuesDokument();
        for (int i = 0; i < lines; ++i)
            doc->appendText(QStringLiteral("%1\t7,00\r\n").arg(i));
        doc->chartModel().setData(1, 1, 0, false);
        doc->chartModel().setData(1, 2, 3, false);
        if (selectOneLine) {
            QTextCursor cursor(doc->rtfText()->document());
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            doc->rtfText()->setTextCursor(cursor);
        }
        m_dialogs->printToPdf = path("print.pdf");
        m_dialogs->printSelectionOnly = true;
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        m_commands->print();

        QCOMPARE(m_dialogs->kinds(), QStringList {"print"});
        QCOMPARE(m_dialogs->questions[0].title, QStringLiteral("Drucken"));
        QCOMPARE(m_dialogs->questions[0].selection, selectOneLine);
        const QList<QSizeF> pages = pdfPageSizes(path("print.pdf"));
        QVERIFY(pages.size() >= 2);
        for (qsizetype i = 0; i + 1 < pages.size(); ++i)
            QVERIFY2(!isLandscape(pages[i]), qPrintable(QString::number(i)));
        QVERIFY(isLandscape(pages.last()));
        if (lines > 100 && !selectOneLine)
            QVERIFY(pages.size() >= 3);
        if (selectOneLine || lines < 10)
            QCOMPARE(pages.size(), 2);
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasImage());
        QCOMPARE(m_commands->printer().pageLayout().orientation(), QPageLayout::Portrait);
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
        m_commands->NeuesDokument()->setText(QStringLiteral("Text\r\nText"));
        m_dialogs->printAccepted = false;
        m_dialogs->printToPdf = path("chosen.pdf");
        if (hasDefaultPrinter)
            m_dialogs->defaultPrinterPdf = path("default.pdf");
        m_commands->print();
        QVERIFY(!QFile::exists(path("chosen.pdf")));
        QVERIFY(m_dialogs->errors.isEmpty());
        QCOMPARE(QFile::exists(path("default.pdf")), hasDefaultPrinter);
        if (hasDefaultPrinter) {
            const QList<QSizeF> pages = pdfPageSizes(path("default.pdf"));
            QCOMPARE(pages.size(), 1);
            QVERIFY(isLandscape(pages[0]));
        }
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasImage());
    }

    void toolbarKeysRunTheirCommands_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("documents");
        QTest::addColumn<QStringList>("asked");
        QTest::newRow("Neu") << "Neu" << 2 << QStringList();
        QTest::newRow("Speichern") << "Speichern" << 1 << QStringList {"save"};
        QTest::newRow("Drucken") << "Drucken" << 1 << QStringList {"print"};
        QTest::newRow("lower case") << "neu" << 1 << QStringList();
        QTest::newRow("other key") << "Oeffnen" << 1 << QStringList();
        QTest::newRow("no key") << "" << 1 << QStringList();
    }
    void toolbarKeysRunTheirCommands()
    {
        QFETCH(QString, key);
        QFETCH(int, documents);
        QFETCH(QStringList, asked);
        m_commands->NeuesDokument();
        m_dialogs->printAccepted = false;
        m_commands->toolbarButton(key);
        QCOMPARE(m_area->subWindowList().size(), documents);
        QCOMPARE(m_dialogs->kinds(), asked);
        if (documents == 2)
            QCOMPARE(caption(), QStringLiteral("Document 2"));
    }

    void tilingLaysTheWindowsOutInStripsOrSideBySide_data()
    {
        QTest::addColumn<bool>("horizontal");
        QTest::newRow("tile horizontal") << true;
        QTest::newRow("tile vertical") << false;
    }
    void tilingLaysTheWindowsOutInStripsOrSideBySide()
    {
        QFETCH(bool, horizontal);
        for (int i = 0; i < 3; ++i)
            m_commands->NeuesDokument();
        m_area->subWindowList().constFirst()->showMaximized();
        if (horizontal)
            m_commands->tileHorizontal();
        else
            m_commands->tileVertical();
        const QRect area = m_area->viewport()->rect();
        int covered = 0;
        for (QMdiSubWindow *window : m_area->subWindowList()) {
            const QRect g = window->geometry();
            QVERIFY(!window->isMaximized());
            QVERIFY(area.contains(g));
            // Horizontal strips span the full width, one above the other.
            if (horizontal)
                QCOMPARE(g.width(), area.width());
            else
                QCOMPARE(g.height(), area.height());
            covered += horizontal ? g.height() : g.width();
        }
        QCOMPARE(covered, horizontal ? area.height() : area.width());
    }

    void filesOfTheCommandLineOpenInDocumentsOfTheirOwn()
    {
        QVERIFY(saveDocumentFile(path("a.rtf"), RichText::fromPlainText("A")).ok());
        QVERIFY(saveDocumentFile(path("b.rtf"), RichText::fromPlainText("B")).ok());
        const QString current = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        m_commands->NeuesDokument();
        m_commands->openFiles({path("a.rtf"), QStringLiteral("b.rtf"), path("none.rtf")});
        QDir::setCurrent(current);
        QCOMPARE(
            captions(), (QStringList {"Document 1", path("a.rtf"), path("b.rtf"), "Document 4"}));
        const QList<QMdiSubWindow *> windows = m_area->subWindowList();
        QCOMPARE(qobject_cast<frmDocument *>(windows[1]->widget())->text(), QStringLiteral("A"));
        QCOMPARE(qobject_cast<frmDocument *>(windows[2]->widget())->text(), QStringLiteral("B"));
        QCOMPARE(m_dialogs->errors.size(), 1);
        QVERIFY(m_dialogs->errors[0].contains(path("none.rtf")));
        QVERIFY(m_dialogs->questions.isEmpty());
    }
};

QTEST_MAIN(tst_DocumentCommands)
#include "tst_documentcommands.moc"
