#include "app/frmmain.h"
#include "documents/documentcommands.h"
#include "documents/frmdocument.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

// The main window's menus and toolbar reach the document commands.
class tst_DocumentsInFrame : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static void trigger(frmMain &main, const char *name)
    {
        QAction *action = main.findChild<QAction *>(QLatin1StringView(name));
        QVERIFY2(action, name);
        action->trigger();
    }
    static QStringList captions(frmMain &main)
    {
        QStringList result;
        for (QMdiSubWindow *window : main.mdiArea()->subWindowList())
            result.append(window->widget()->windowTitle());
        return result;
    }

private Q_SLOTS:
    void newDocumentCommandsMakeNumberedDocuments()
    {
        QSettings store(m_dir.filePath("store.conf"), QSettings::IniFormat);
        frmMain main(store);
        main.show();
        trigger(main, "mnuFileNew");
        trigger(main, "mnuWindowNewWindow");
        trigger(main, "tbToolBar_Neu");
        QCOMPARE(captions(main), (QStringList {"Document 1", "Document 2", "Document 3"}));
        QCOMPARE(main.documents().activeForm()->windowTitle(), QStringLiteral("Document 3"));

        // The active document is what the rest of the program writes to.
        DocumentHost &host = main.documents();
        host.activeDocument()->appendText(QStringLiteral("pH 7,00\r\n"));
        QCOMPARE(main.documents().activeForm()->text(), QStringLiteral("pH 7,00\r\n"));

        trigger(main, "mnuFileClose");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(captions(main), (QStringList {"Document 1", "Document 2"}));
        main.NeuesDokument();
        QCOMPARE(main.documents().activeForm()->windowTitle(), QStringLiteral("Document 4"));
    }

    void windowMenuArrangesTheDocuments()
    {
        QSettings store(m_dir.filePath("store2.conf"), QSettings::IniFormat);
        frmMain main(store);
        main.resize(1000, 700);
        main.show();
        main.NeuesDokument();
        main.NeuesDokument();
        // Horizontal tiling stacks horizontal strips; vertical tiling puts them side by side.
        trigger(main, "mnuWindowTileHorizontal");
        const QList<QMdiSubWindow *> windows = main.mdiArea()->subWindowList();
        QCOMPARE(windows[0]->geometry().left(), windows[1]->geometry().left());
        QVERIFY(windows[0]->geometry().bottom() < windows[1]->geometry().top());
        trigger(main, "mnuWindowTileVertical");
        QCOMPARE(windows[0]->geometry().top(), windows[1]->geometry().top());
        QVERIFY(windows[0]->geometry().right() < windows[1]->geometry().left());
        const QRect before = windows[1]->geometry();
        trigger(main, "mnuWindowArrangeIcons");
        QCOMPARE(windows[1]->geometry(), before);
    }
};

QTEST_MAIN(tst_DocumentsInFrame)
#include "tst_documentsinframe.moc"
