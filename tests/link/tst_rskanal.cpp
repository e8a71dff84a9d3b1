#include "app/settingsrecord.h"
#include "common/clock.h"
#include "link/instrumentlink.h"
#include "link/portsettings.h"
#include "link/ptypair.h"
#include "link/rskanal.h"
#include "support/fakedocument.h"
#include "titration/manualcommands.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The serial component and the receive path over a real pseudo-terminal.
class tst_RsKanal : public QObject
{
    Q_OBJECT

    // Port, link and the device end, with channel 1 pointed at the pseudo-terminal.
    struct Rig
    {
        QTemporaryDir dir;
        QSettings store {dir.filePath(QStringLiteral("kalumet.ini")), QSettings::IniFormat};
        PtyPair device;
        SettingsRecord settings;
        RsKanal port {store};
        InstrumentLink link {port, settings};
        QStringList lines;

        explicit Rig(QChar decimal = u',')
        {
            settings.separators.decimal = decimal;
            PortSettings(store).setDevicePath(1, device.path);
            link.setLineHandler([this](const QString &line) { lines << line; });
        }
    };

private Q_SLOTS:
    void init() { QVERIFY(PtyPair().isValid()); }

    void deviceThatRefusesSevenBitsStillOpens()
    {
        Rig rig;
        const LinkStatus status = rig.link.InitRs();
        QVERIFY2(status.ok, qPrintable(status.reason));
        QVERIFY(rig.port.isPortOpen());
        QCOMPARE(rig.port.devicePath(), rig.device.path);
    }

    void lineSplitAcrossThreeReadsIsEvaluatedOnce()
    {
        Rig rig;
        QVERIFY(rig.link.InitRs().ok);
        rig.device.send("7.0");
        QTRY_COMPARE_WITH_TIMEOUT(rig.link.Zeile(), QStringLiteral("7,0"), 5000);
        rig.device.send("0 p");
        QTRY_COMPARE_WITH_TIMEOUT(rig.link.Zeile(), QStringLiteral("7,00 p"), 5000);
        QVERIFY(rig.lines.isEmpty());
        rig.device.send("H\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(rig.lines, QStringList {"7,00 pH\r\n"}, 5000);
    }

    void twoLinesInOneReadAreEvaluatedInOrder_data()
    {
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("comma locale") << QChar(u',') << QStringList {"7,00 pH\r\n", "Y\r\n"};
        QTest::newRow("point locale") << QChar(u'.') << QStringList {"7.00 pH\r\n", "Y\r\n"};
    }
    void twoLinesInOneReadAreEvaluatedInOrder()
    {
        QFETCH(QChar, decimal);
        QFETCH(QStringList, lines);
        Rig rig(decimal);
        QVERIFY(rig.link.InitRs().ok);
        rig.device.send("7.00 pH\r\nY\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(rig.lines.size(), 2, 5000);
        QCOMPARE(rig.lines, lines);
    }

    void receivedBytesAreMaskedToSevenBits()
    {
        Rig rig;
        QVERIFY(rig.link.InitRs().ok);
        // "7.0" and LF with the eighth bit set, as a line with parity may deliver them.
        rig.device.send(QByteArray("\xB7\xAE\xB0\x8A"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.lines, QStringList {"7,0\n"}, 5000);
    }

    void missingDeviceFailsOnceWithItsReason()
    {
        Rig rig;
        const QString missing = rig.dir.filePath(QStringLiteral("no-such-tty"));
        PortSettings(rig.store).setDevicePath(2, missing);
        rig.settings.RsPort = 2;
        const LinkStatus status = rig.link.InitRs();
        QVERIFY(!status.ok);
        QVERIFY2(status.reason.contains(missing), qPrintable(status.reason));
        QVERIFY(!rig.port.isPortOpen());
        QString reason;
        QVERIFY(!rig.port.output(QStringLiteral("BF\r\n"), &reason));
        QVERIFY(!reason.isEmpty());
        // Back on an existing channel the next call opens it.
        rig.settings.RsPort = 1;
        QVERIFY(rig.link.InitRs().ok);
    }

    void reopenAfterResultLosesNothing()
    {
        Rig rig;
        FakeDocumentHost documents;
        SystemClock clock;
        ManualCommands commands(rig.link, documents, clock);
        QVERIFY(rig.link.InitRs().ok);
        QSignalSpy received(&rig.port, &AbstractSerialPort::onComm);

        // The device answers before the program gets round to reading; the button reopens the
        // port meanwhile.
        rig.device.send("**********\r\nfirst\r\n");
        QVERIFY(received.wait(5000));
        rig.device.send("second\r\nthird");
        QVERIFY(commands.cmdResult_Click().ok);
        QCOMPARE(rig.device.receive(8), QByteArray("EX\r\nLR\r\n"));
        rig.device.send("\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(rig.lines,
            (QStringList {"**********\r\n", "first\r\n", "second\r\n", "third\r\n"}), 5000);
    }

    void dataRequestFromInsideTheReceiveLoopLosesNothing()
    {
        Rig rig;
        FakeDocumentHost documents;
        SystemClock clock;
        ManualCommands commands(rig.link, documents, clock);
        int requests = 0;
        rig.link.setLineHandler([&](const QString &line) {
            rig.lines << line;
            if (line.contains(QStringLiteral("Probennummer"))) {
                ++requests;
                QVERIFY(commands.cmdSend_Click().ok);
            }
        });
        QVERIFY(rig.link.InitRs().ok);
        rig.device.send("Probennummer 7\r\nGehalt 1.5\r\nEnde\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(rig.lines.size(), 3, 5000);
        QCOMPARE(rig.lines, (QStringList {"Probennummer 7\r\n", "Gehalt 1,5\r\n", "Ende\r\n"}));
        QCOMPARE(requests, 1);
        QCOMPARE(rig.device.receive(8), QByteArray("EX\r\nLD\r\n"));
        // The reopened port goes on receiving.
        rig.device.send("**********\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(rig.lines.size(), 4, 5000);
    }

    void deviceThatGoesAwayIsReportedOnceAndClosed()
    {
        Rig rig;
        QVERIFY(rig.link.InitRs().ok);
        QSignalSpy lost(&rig.port, &AbstractSerialPort::portLost);
        rig.device.hangUp();
        QVERIFY(lost.wait(5000));
        QVERIFY(!rig.port.isPortOpen());
        QVERIFY(!lost.first().first().toString().isEmpty());
        // Further notifications of the dead device are not reported again.
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(lost.count(), 1);
        // The next InitRs tries again and reports the device as missing.
        QVERIFY(!rig.link.InitRs().ok);
    }
};

QTEST_GUILESS_MAIN(tst_RsKanal)
#include "tst_rskanal.moc"
