// The main window's instrument side: a channel that cannot be opened or a device that goes away
// shows one message, Fill and Dos write to the instrument, the titration button runs on
// Timer1 and stops with the line's message when a command cannot be written. The read-out
// through the window is the end-to-end report test.

#include "app/frmmain.h"
#include "documents/documentcommands.h"
#include "link/portsettings.h"
#include "link/ptypair.h"
#include "link/rskanal.h"
#include "titration/titrationrun.h"

#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class tst_frmMainLink : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_startDir;
    int m_case = 0;

    // A fresh store per case (QSettings caches files by name) with channel 1 at `device`.
    QString storeWith(const QString &device)
    {
        const QString path = m_dir.filePath(QStringLiteral("case%1.ini").arg(++m_case));
        QSettings store(path, QSettings::IniFormat);
        PortSettings(store).setDevicePath(1, device);
        return path;
    }
    QString missingDevice() const { return m_dir.filePath(QStringLiteral("no-such-tty")); }

    static QList<QMessageBox *> errorBoxes(frmMain &w)
    {
        QList<QMessageBox *> boxes = w.findChildren<QMessageBox *>();
        boxes.removeIf([](QMessageBox *box) { return !box->isVisible(); });
        return boxes;
    }
    static void click(frmMain &w, const char *name)
    {
        w.findChild<QPushButton *>(QLatin1StringView(name))->click();
    }
    static void closeBox(frmMain &w)
    {
        errorBoxes(w).first()->button(QMessageBox::Ok)->click();
        QTRY_COMPARE_WITH_TIMEOUT(errorBoxes(w).size(), 0, 5000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path())); // where the program's method file goes
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    void cleanupTestCase() { QDir::setCurrent(m_startDir); }

    void missingDeviceAtStartShowsOneMessageWithItsReason()
    {
        QSettings store(storeWith(missingDevice()), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        QCOMPARE(errorBoxes(w).size(), 1);
        QMessageBox *box = errorBoxes(w).first();
        QCOMPARE(box->text(), QStringLiteral("Fehler in der Rs Kommunikation"));
        QCOMPARE(box->windowTitle(), QStringLiteral("Kalumet"));
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);
        QVERIFY(box->detailedText().contains(missingDevice()));

        click(w, "cmdResult"); // another failure while the message is up does not stack
        QCOMPARE(errorBoxes(w).size(), 1);
        closeBox(w);
        w.InitRs(); // once it is closed, the next failure shows again
        QCOMPARE(errorBoxes(w).size(), 1);
    }

    void instrumentThatGoesAwayIsReportedOnceAndLaterDosesNoteNothing()
    {
        PtyPair device;
        QSettings store(storeWith(device.path), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        QVERIFY(errorBoxes(w).isEmpty());
        click(w, "cmdFill");
        QCOMPARE(device.receive(4), QByteArray("BF\r\n"));
        w.txtDos()->setText(QStringLiteral("0,5"));
        click(w, "cmdDos");
        QCOMPARE(device.receive(7), QByteArray("DA0.5\r\n"));
        AbstractDocument *doc = w.documents().activeDocument();
        QVERIFY(doc->text().endsWith(QStringLiteral(" 0,5 ml\r\n")));

        QSignalSpy lost(&w.RsKanal1(), &AbstractSerialPort::portLost);
        device.hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(errorBoxes(w).size(), 1, 5000);
        for (int i = 0; i < 20; ++i) // further notifications of the dead device
            QCoreApplication::processEvents();
        QCOMPARE(lost.count(), 1);
        QVERIFY(!w.RsKanal1().isPortOpen());
        closeBox(w);
        const QString before = doc->text();
        click(w, "cmdDos"); // on the closed port: reported, nothing noted
        QCOMPARE(errorBoxes(w).size(), 1);
        QCOMPARE(doc->text(), before);
    }

    void runStartsInANewDocumentAndARefusedCommandStopsItWithTheLinesMessage()
    {
        QSettings store(storeWith(missingDevice()), QSettings::IniFormat);
        frmMain w(store);
        w.NeuesDokument();
        AbstractDocument *first = w.documents().activeDocument();

        w.cmdTitration()->click();

        QCOMPARE(w.cmdTitration()->text(), QStringLiteral("Titr. Stop"));
        AbstractDocument *runDocument = w.documents().activeDocument();
        QVERIFY(runDocument != first);
        QVERIFY(runDocument->text().startsWith(QStringLiteral("  Titrations Daten\r\n")));
        QVERIFY(w.Timer1()->isActive());

        w.Timer1_Timer(); // step 1 writes the range command to the closed line

        QVERIFY(!w.titrationRun().isRunning());
        QCOMPARE(w.cmdTitration()->text(), QStringLiteral("Titr. Start"));
        QVERIFY(!w.Timer1()->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(errorBoxes(w).size(), 1, 5000);
        closeBox(w);

        click(w, "cmdDelete"); // Delete empties the active document
        QCOMPARE(runDocument->text(), QString());
    }
};

QTEST_MAIN(tst_frmMainLink)
#include "tst_frmmain_link.moc"
