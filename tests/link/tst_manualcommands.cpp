#include "app/settingsrecord.h"
#include "common/clock.h"
#include "link/fakeserialport.h"
#include "link/instrumentlink.h"
#include "support/fakedocument.h"
#include "titration/manualcommands.h"

#include <QTest>

namespace {

class FixedClock : public Clock
{
public:
    QDateTime at {QDate(2026, 12, 4), QTime(23, 45, 10)};
    double secondsSinceMidnight() const override { return at.time().msecsSinceStartOfDay() / 1e3; }
    QDateTime now() const override { return at; }
};

} // namespace

class tst_ManualCommands : public QObject
{
    Q_OBJECT

    struct Rig
    {
        SettingsRecord settings;
        FakeSerialPort port;
        InstrumentLink link {port, settings};
        FakeDocumentHost documents;
        FixedClock clock;
        ManualCommands commands {link, documents, clock};

        explicit Rig(bool open)
        {
            documents.newDocument();
            if (open)
                link.InitRs();
            port.events.clear();
        }
    };

private Q_SLOTS:
    void buttonsWriteTheirCommandsAndReopen_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("missing"); // the channel cannot be opened
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<bool>("ok");

        QTest::newRow("fill") << "Fill" << true << false << QStringList {"write BF\r\n"} << true;
        QTest::newRow("fill with the port closed opens it")
            << "Fill" << false << false << QStringList {"open 1"} << true;
        QTest::newRow("fill with the port closed and no device reports")
            << "Fill" << false << true << QStringList {"open 1 failed"} << false;
        QTest::newRow("result writes two commands, then reopens")
            << "Res" << true << false
            << QStringList {"write EX\r\n", "write LR\r\n", "close", "open 1"} << true;
        QTest::newRow("result with the port closed only opens it")
            << "Res" << false << false << QStringList {"open 1"} << true;
        QTest::newRow("data writes two commands, then reopens")
            << "Data" << true << false
            << QStringList {"write EX\r\n", "write LD\r\n", "close", "open 1"} << true;
        QTest::newRow("data with no device reports the failed open")
            << "Data" << false << true << QStringList {"open 1 failed"} << false;
    }
    void buttonsWriteTheirCommandsAndReopen()
    {
        QFETCH(QString, button);
        QFETCH(bool, open);
        QFETCH(bool, missing);
        QFETCH(QStringList, events);
        QFETCH(bool, ok);

        Rig rig(open);
        if (missing)
            rig.port.missingChannels << 1;
        LinkStatus status;
        if (button == u"Fill")
            status = rig.commands.cmdFill_Click();
        else if (button == u"Res")
            status = rig.commands.cmdResult_Click();
        else
            status = rig.commands.cmdSend_Click();
        QCOMPARE(rig.port.events, events);
        QCOMPARE(status.ok, ok);
        QCOMPARE(status.reason.isEmpty(), ok);
    }

    void doseSendsTheFieldAndNotesIt_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("note");

        QTest::newRow("comma becomes a point on the line, not in the note")
            << "0,25"
            << "de_DE"
            << "DA0.25\r\n"
            << "04.12.2026 23:45:10 0,25 ml\r\n";
        QTest::newRow("empty field leaves two blanks before ml") << ""
                                                                 << "de_DE"
                                                                 << "DA\r\n"
                                                                 << "04.12.2026 23:45:10  ml\r\n";
        QTest::newRow("leading blank is sent unchanged") << " 1,5"
                                                         << "de_DE"
                                                         << "DA 1.5\r\n"
                                                         << "04.12.2026 23:45:10  1,5 ml\r\n";
        QTest::newRow("twelve-hour locale keeps its own time form with seconds")
            << "2"
            << "en_US"
            << "DA2\r\n"
            << "12/4/2026 11:45:10 PM 2 ml\r\n";
        QTest::newRow("text that is no number goes out as typed") << "abc"
                                                                  << "de_DE"
                                                                  << "DAabc\r\n"
                                                                  << "04.12.2026 23:45:10 abc ml\r\n";
    }
    void doseSendsTheFieldAndNotesIt()
    {
        QFETCH(QString, field);
        QFETCH(QString, locale);
        QFETCH(QString, command);
        QFETCH(QString, note);

        Rig rig(true);
        rig.commands.setLocale(QLocale(locale));
        rig.documents.active()->setText(QStringLiteral("before\r\n"));
        QVERIFY(rig.commands.cmdDos_Click(field).ok);
        QCOMPARE(rig.port.written, QStringList {command});
        // Newer locale data put a narrow no-break space before AM/PM; either blank is fine.
        const QString text = rig.documents.active()->text().replace(QChar(0x202F), u' ');
        QCOMPARE(text, QStringLiteral("before\r\n") + note);
    }

    void doseWithThePortClosedSendsAndNotesNothing()
    {
        Rig rig(false);
        rig.documents.active()->setText(QStringLiteral("kept\r\n"));
        const LinkStatus status = rig.commands.cmdDos_Click(QStringLiteral("1,0"));
        QVERIFY(!status.ok);
        QVERIFY(!status.reason.isEmpty());
        QVERIFY(rig.port.written.isEmpty());
        QCOMPARE(rig.documents.active()->text(), QStringLiteral("kept\r\n"));
        // Dose does not reopen the port by itself.
        QVERIFY(rig.port.events.isEmpty());
    }

    void doseWithoutADocumentStillDoses()
    {
        Rig rig(true);
        rig.documents.closeAll();
        QVERIFY(rig.commands.cmdDos_Click(QStringLiteral("0,5")).ok);
        QCOMPARE(rig.port.written, QStringList {"DA0.5\r\n"});
    }
};

QTEST_GUILESS_MAIN(tst_ManualCommands)
#include "tst_manualcommands.moc"
