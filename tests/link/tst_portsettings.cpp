#include "link/portsettings.h"

#include <QTemporaryDir>
#include <QTest>

// The line parameters a user may set in the settings store to match an instrument.
class tst_PortSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void lineParametersAreReadFromTheStore_data()
    {
        QTest::addColumn<QString>("parity"); // as written in the store; empty: no key
        QTest::addColumn<QString>("stopBits");
        QTest::addColumn<QString>("flowControl");
        QTest::addColumn<int>("expectedParity");
        QTest::addColumn<int>("expectedStopBits");
        QTest::addColumn<int>("expectedFlowControl");

        QTest::newRow("defaults: even, one, none")
            << ""
            << ""
            << "" << int(QSerialPort::EvenParity) << int(QSerialPort::OneStop)
            << int(QSerialPort::NoFlowControl);
        QTest::newRow("none, two, hardware")
            << "none"
            << "2"
            << "hardware" << int(QSerialPort::NoParity) << int(QSerialPort::TwoStop)
            << int(QSerialPort::HardwareControl);
        QTest::newRow("case and blanks do not matter")
            << " Odd "
            << "1.5"
            << "Software" << int(QSerialPort::OddParity) << int(QSerialPort::OneAndHalfStop)
            << int(QSerialPort::SoftwareControl);
        QTest::newRow("decimal comma in the stop bits")
            << "mark"
            << "1,5"
            << "xon/xoff" << int(QSerialPort::MarkParity) << int(QSerialPort::OneAndHalfStop)
            << int(QSerialPort::SoftwareControl);
        QTest::newRow("unknown text gives the defaults")
            << "evenish"
            << "3"
            << "magic" << int(QSerialPort::EvenParity) << int(QSerialPort::OneStop)
            << int(QSerialPort::NoFlowControl);
    }
    void lineParametersAreReadFromTheStore()
    {
        QFETCH(QString, parity);
        QFETCH(QString, stopBits);
        QFETCH(QString, flowControl);
        QFETCH(int, expectedParity);
        QFETCH(int, expectedStopBits);
        QFETCH(int, expectedFlowControl);

        QTemporaryDir dir;
        QSettings store(dir.filePath(QStringLiteral("k.ini")), QSettings::IniFormat);
        store.beginGroup(QLatin1StringView(PortSettings::Group));
        if (!parity.isEmpty())
            store.setValue(QLatin1StringView(PortSettings::ParityKey), parity);
        if (!stopBits.isEmpty())
            store.setValue(QLatin1StringView(PortSettings::StopBitsKey), stopBits);
        if (!flowControl.isEmpty())
            store.setValue(QLatin1StringView(PortSettings::FlowControlKey), flowControl);
        store.endGroup();

        const PortSettings ports(store);
        QCOMPARE(int(ports.parity()), expectedParity);
        QCOMPARE(int(ports.stopBits()), expectedStopBits);
        QCOMPARE(int(ports.flowControl()), expectedFlowControl);
    }
};

QTEST_GUILESS_MAIN(tst_PortSettings)
#include "tst_portsettings.moc"
