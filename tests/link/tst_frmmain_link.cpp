// The main window on the line: start-up opens the channel, failures show one message, the
// instrument buttons write their commands, and received lines land in the active document.

#include "app/frmmain.h"
#include "documents/documentcommands.h"
#include "link/portsettings.h"
#include "link/rskanal.h"
#include "link/ptypair.h"

#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

    static QList<QMessageBox *> errorBoxes(frmMain &w)
    {
        QList<QMessageBox *> boxes;
        for (QMessageBox *box : w.findChildren<QMessageBox *>()) {
            if (box->isVisible())
                boxes << box;
        }
        return boxes;
    }

    static void click(frmMain &w, const char *name)
    {
        auto *button = w.findChild<QPushButton *>(QLatin1StringView(name));
        QVERIFY2(button, name);
        button->click();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_startDir = QDir::currentPath();
        // The method file of the program goes to the current directory.
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    void cleanupTestCase() { QDir::setCurrent(m_startDir); }

    void missingDeviceAtStartShowsOneMessageWithItsReason()
    {
        const QString missing = m_dir.filePath(QStringLiteral("no-such-tty"));
        QSettings store(storeWith(missing), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        QCOMPARE(errorBoxes(w).size(), 1);
        QMessageBox *box = errorBoxes(w).first();
        QCOMPARE(box->text(), QStringLiteral("Fehler in der Rs Kommunikation"));
        QCOMPARE(box->windowTitle(), QStringLiteral("Kalumet"));
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);
        QVERIFY(box->detailedText().contains(missing));

        // Another failure while the message is up does not stack a second one.
        click(w, "cmdResult");
        QCOMPARE(errorBoxes(w).size(), 1);
        // Once it is closed, the next failure is shown again.
        box->button(QMessageBox::Ok)->click();
        QTRY_COMPARE_WITH_TIMEOUT(errorBoxes(w).size(), 0, 5000);
        w.InitRs();
        QCOMPARE(errorBoxes(w).size(), 1);
    }

    void buttonsWriteToTheInstrumentAndRepliesReachTheDocument()
    {
        PtyPair device;
        QVERIFY(device.isValid());
        QSettings store(storeWith(device.path), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        QVERIFY(errorBoxes(w).isEmpty());

        click(w, "cmdResult");
        QCOMPARE(device.receive(8), QByteArray("EX\r\nLR\r\n"));
        device.send("**********\r\n  Gespeicherte Titration\r\n  1.000   4.50   2.0  \r\n");
        const MeasurementStore &store1 = w.measurementStore();
        QTRY_COMPARE_WITH_TIMEOUT(int(store1.AnzahlWerte), 1, 5000);
        QCOMPARE(store1.Messwerte[0][1], 4.5);
        AbstractDocument *doc = w.documents().activeDocument();
        QVERIFY(doc);
        QVERIFY(doc->text().startsWith(QStringLiteral("**********\r\n**********\r\n")));
        QVERIFY(doc->text().contains(QStringLiteral("  1,000   4,50   2,0  ")));

        // "Probennummer" makes the window fetch the stored data by itself.
        device.send("  Probennummer : 3\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(doc->text().contains(QStringLiteral("Probennummer")), 5000);
        QCOMPARE(device.receive(8), QByteArray("EX\r\nLD\r\n"));

        w.txtDos()->setText(QStringLiteral("0,5"));
        click(w, "cmdDos");
        QCOMPARE(device.receive(7), QByteArray("DA0.5\r\n"));
        QVERIFY(doc->text().endsWith(QStringLiteral(" 0,5 ml\r\n")));

        click(w, "cmdFill");
        QCOMPARE(device.receive(4), QByteArray("BF\r\n"));
        QVERIFY(errorBoxes(w).isEmpty());
    }

    void instrumentThatGoesAwayIsReportedOnce()
    {
        PtyPair device;
        QSettings store(storeWith(device.path), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        QVERIFY(errorBoxes(w).isEmpty());
        QSignalSpy lost(&w.RsKanal1(), &AbstractSerialPort::portLost);
        device.hangUp();
        QVERIFY(lost.wait(5000));
        QTRY_COMPARE_WITH_TIMEOUT(errorBoxes(w).size(), 1, 5000);
        // Dose on the closed port reports and notes nothing.
        AbstractDocument *doc = w.documents().activeDocument();
        const QString before = doc->text();
        errorBoxes(w).first()->button(QMessageBox::Ok)->click();
        QTRY_COMPARE_WITH_TIMEOUT(errorBoxes(w).size(), 0, 5000);
        w.txtDos()->setText(QStringLiteral("1"));
        click(w, "cmdDos");
        QCOMPARE(errorBoxes(w).size(), 1);
        QCOMPARE(doc->text(), before);
    }
};

QTEST_MAIN(tst_frmMainLink)
#include "tst_frmmain_link.moc"
