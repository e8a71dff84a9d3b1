#include "link/ptyrig.h"

#include <QTest>

// The four instrument buttons over a real pseudo-terminal: what they write, when they open the
// port anew, and the dose note.
class tst_ManualCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void buttonsWriteTheirCommandsAndOpenThePortAnew_data()
    {
        QTest::addColumn<QString>("button"); // Fill, Res, Data, or the dose field's text
        QTest::addColumn<bool>("open"); // the port before the click
        QTest::addColumn<bool>("missing"); // the channel's device is gone at the click
        QTest::addColumn<QByteArray>("written"); // what reaches the device
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("openAfter");

        // An open anew after a read-out shows as a failure once the device is gone.
        QTest::newRow("result writes EX and LR, then opens anew")
            << "Res" << true << true << QByteArray("EX\r\nLR\r\n") << false << false;
        QTest::newRow("data writes EX and LD, then opens anew")
            << "Data" << true << true << QByteArray("EX\r\nLD\r\n") << false << false;
        QTest::newRow("result on a closed port opens it")
            << "Res" << false << false << QByteArray() << true << true;
        QTest::newRow("fill writes BF")
            << "Fill" << true << false << QByteArray("BF\r\n") << true << true;
        QTest::newRow("fill on a closed port opens it")
            << "Fill" << false << false << QByteArray() << true << true;
        QTest::newRow("fill on a closed port without a device reports")
            << "Fill" << false << true << QByteArray() << false << false;
        QTest::newRow("dose with a comma goes out with a point, also without a document")
            << "0,5" << true << false << QByteArray("DA0.5\r\n") << true << true;
        QTest::newRow("dose on a closed port fails and opens nothing")
            << "1" << false << false << QByteArray() << false << false;
    }
    void buttonsWriteTheirCommandsAndOpenThePortAnew()
    {
        QFETCH(QString, button);
        QFETCH(bool, open);
        QFETCH(bool, missing);
        QFETCH(QByteArray, written);
        PtyRig rig;
        QVERIFY(rig.link.InitRs().ok);
        if (!open)
            rig.port.setPortOpen(false);
        rig.setDeviceMissing(missing);

        const LinkStatus status = button == u"Fill" ? rig.commands.cmdFill_Click()
            : button == u"Res"                      ? rig.commands.cmdResult_Click()
            : button == u"Data"                     ? rig.commands.cmdSend_Click()
                                                    : rig.commands.cmdDos_Click(button);

        QCOMPARE(rig.device.receive(written.size()), written);
        QTEST(status.ok, "ok");
        QCOMPARE(status.reason.isEmpty(), status.ok);
        QTEST(rig.port.isPortOpen(), "openAfter");
    }

    void doseNoteHasDateTimeWithSecondsAndTheFieldAsTyped_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("note");
        QTest::newRow("German") << "0,25"
                                << "de_DE"
                                << "04.12.2026 23:45:10 0,25 ml\r\n";
        QTest::newRow("empty field leaves two blanks before ml") << ""
                                                                 << "de_DE"
                                                                 << "04.12.2026 23:45:10  ml\r\n";
        QTest::newRow("twelve-hour locale keeps its own time form")
            << "2"
            << "en_US"
            << "12/4/2026 11:45:10 PM 2 ml\r\n";
    }
    void doseNoteHasDateTimeWithSecondsAndTheFieldAsTyped()
    {
        QFETCH(QString, field);
        QFETCH(QString, locale);
        const QDateTime at(QDate(2026, 12, 4), QTime(23, 45, 10));
        // Newer locale data put a narrow no-break space before AM/PM; either blank is fine.
        QTEST(ManualCommands::doseNote(at, field, QLocale(locale)).replace(QChar(0x202F), u' '),
            "note");
    }
};

QTEST_GUILESS_MAIN(tst_ManualCommands)
#include "tst_manualcommands.moc"
