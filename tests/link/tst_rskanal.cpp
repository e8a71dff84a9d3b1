#include "link/ptyrig.h"

#include <QSignalSpy>
#include <QTest>

// The serial component's line parameters and the receive path over a real pseudo-terminal; what
// InitRs keeps when it opens the port anew.
class tst_RsKanal : public QObject
{
    Q_OBJECT
    using Rig = PtyRig;

private Q_SLOTS:
    void init() { QVERIFY(PtyPair().isValid()); }

    void receivedCharactersBecomeLines_data()
    {
        QTest::addColumn<QByteArrayList>("reads"); // what the device sends, one read at a time
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("rest"); // Zeile afterwards

        QTest::newRow("a line split across three reads is evaluated once") << QByteArrayList {"7.0",
            "0 p", "H\r\n"} << QChar(u',') << QStringList {"7,00 pH\r\n"} << "";
        QTest::newRow("two lines in one read are evaluated in order")
            << QByteArrayList {"7.00 pH\r\nY\r\n"} << QChar(u'.')
            << QStringList {"7.00 pH\r\n", "Y\r\n"} << "";
        QTest::newRow("every point becomes the decimal comma")
            << QByteArrayList {"04.12.2026 7.00\r\n"} << QChar(u',')
            << QStringList {"04,12,2026 7,00\r\n"} << "";
        QTest::newRow("a tail waits for its line feed, a point never ends a line")
            << QByteArrayList {"a\r\n1.2", ".3"} << QChar(u',') << QStringList {"a\r\n"} << "1,2,3";
        QTest::newRow("a line feed alone ends a line, a lone CR passes")
            << QByteArrayList {"a\rb\nc\n\r\n"} << QChar(u',')
            << QStringList {"a\rb\n", "c\n", "\r\n"} << "";
        QTest::newRow("the eighth bit is masked off")
            << QByteArrayList {"\xB7\xAE\xB0\x8A"} << QChar(u',') << QStringList {"7,0\n"} << "";
        // 36,000 characters without a line feed, then a short line.
        QByteArrayList longRun(9, QByteArray(4000, 'x'));
        longRun << "\r\nnext\r\n";
        QTest::newRow("an overlong line is handed over and reception goes on")
            << longRun << QChar(u',')
            << QStringList {QString(InstrumentLink::MaxLineLength, u'x'),
                   QString(36000 - InstrumentLink::MaxLineLength, u'x') + "\r\n", "next\r\n"}
            << "";
    }
    void receivedCharactersBecomeLines()
    {
        QFETCH(QByteArrayList, reads);
        QFETCH(QChar, decimal);
        Rig rig(decimal);
        QVERIFY(rig.link.InitRs().ok);
        qsizetype sent = 0;
        for (const QByteArray &read : reads) {
            QVERIFY(rig.device.send(read));
            sent += read.size();
            QTRY_COMPARE_WITH_TIMEOUT(rig.received(), sent, 5000); // taken in before the next
        }
        QTEST(rig.lines, "lines");
        QTEST(rig.link.Zeile(), "rest");
    }

    void reopenAfterResultLosesNothing()
    {
        Rig rig;
        QVERIFY(rig.link.InitRs().ok);
        QSignalSpy received(&rig.port, &AbstractSerialPort::onComm);
        rig.device.send("**********\r\nfirst\r\n");
        QVERIFY(received.wait(5000));
        // The device answers before the program gets round to reading; Res reopens meanwhile.
        rig.device.send("second\r\nthi");
        QVERIFY(rig.commands.cmdResult_Click().ok);
        QCOMPARE(rig.device.receive(8), QByteArray("EX\r\nLR\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.lines.size(), 3, 5000);
        rig.device.send("rd\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(rig.lines,
            (QStringList {"**********\r\n", "first\r\n", "second\r\n", "third\r\n"}), 5000);
    }

    void dataRequestFromInsideTheReceiveLoopLosesNothing_data()
    {
        QTest::addColumn<bool>("reopenFails");
        QTest::newRow("reopen succeeds") << false;
        QTest::newRow("reopen fails") << true;
    }
    void dataRequestFromInsideTheReceiveLoopLosesNothing()
    {
        QFETCH(bool, reopenFails);
        Rig rig;
        int requests = 0;
        rig.link.setLineHandler([&](const QString &line) {
            rig.lines << line;
            if (!line.contains(QStringLiteral("Probennummer")))
                return;
            ++requests;
            rig.setDeviceMissing(reopenFails);
            QCOMPARE(rig.commands.cmdSend_Click().ok, !reopenFails);
        });
        QVERIFY(rig.link.InitRs().ok);
        rig.device.send("Probennummer 7\r\nGehalt 1.5\r\nEnde\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(rig.lines.size(), 3, 5000);
        QCOMPARE(rig.lines, (QStringList {"Probennummer 7\r\n", "Gehalt 1,5\r\n", "Ende\r\n"}));
        QCOMPARE(requests, 1);
        QCOMPARE(rig.device.receive(8), QByteArray("EX\r\nLD\r\n"));
        QCOMPARE(rig.port.isPortOpen(), !reopenFails);
        if (!reopenFails) {
            rig.device.send("**********\r\n"); // the reopened port goes on receiving
            QTRY_COMPARE_WITH_TIMEOUT(rig.lines.size(), 4, 5000);
        }
    }

    void lineParametersAreReadFromTheStore_data()
    {
        QTest::addColumn<QStringList>("stored"); // parity, stop bits, flow control; "": no key
        QTest::addColumn<QSerialPort::Parity>("parity");
        QTest::addColumn<QSerialPort::StopBits>("stopBits");
        QTest::addColumn<QSerialPort::FlowControl>("flowControl");
        QTest::newRow("no keys or unknown text: even, one, none")
            << QStringList {"", "3", "magic"} << QSerialPort::EvenParity << QSerialPort::OneStop
            << QSerialPort::NoFlowControl;
        QTest::newRow("none, two, rts/cts")
            << QStringList {"none", "2", "rts/cts"} << QSerialPort::NoParity << QSerialPort::TwoStop
            << QSerialPort::HardwareControl;
        QTest::newRow("case, blanks and a decimal comma do not matter")
            << QStringList {" Odd ", "1,5", "XON/XOFF"} << QSerialPort::OddParity
            << QSerialPort::OneAndHalfStop << QSerialPort::SoftwareControl;
    }
    void lineParametersAreReadFromTheStore()
    {
        QFETCH(QStringList, stored);
        Rig rig;
        rig.store.beginGroup(QLatin1StringView(PortSettings::Group));
        const char *keys[] {
            PortSettings::ParityKey, PortSettings::StopBitsKey, PortSettings::FlowControlKey};
        for (int i = 0; i < 3; ++i) {
            if (!stored[i].isEmpty())
                rig.store.setValue(QLatin1StringView(keys[i]), stored[i]);
        }
        rig.store.endGroup();
        const PortSettings ports(rig.store);
        QTEST(ports.parity(), "parity");
        QTEST(ports.stopBits(), "stopBits");
        QTEST(ports.flowControl(), "flowControl");
        QVERIFY(rig.link.InitRs().ok); // a pseudo-terminal refuses some of them, yet opens
    }
};

QTEST_GUILESS_MAIN(tst_RsKanal)
#include "tst_rskanal.moc"
