#include "app/settingsrecord.h"
#include "link/fakeserialport.h"
#include "link/instrumentlink.h"

#include <QTest>

// The receive path, InitRs and the command framing over a port without a device.
class tst_InstrumentLink : public QObject
{
    Q_OBJECT

    struct Rig
    {
        SettingsRecord settings;
        FakeSerialPort port;
        InstrumentLink link {port, settings};
        QStringList lines;

        explicit Rig(QChar decimal = u',')
        {
            settings.separators.decimal = decimal;
            link.setLineHandler([this](const QString &line) { lines << line; });
        }
    };

private Q_SLOTS:
    void receivedCharactersBecomeLines_data()
    {
        QTest::addColumn<QStringList>("events"); // the characters of each receive event
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("rest"); // Zeile afterwards

        QTest::newRow("line split across three events is evaluated once") << QStringList {"7.0",
            "0 p", "H\r\n"} << QChar(u',') << QStringList {"7,00 pH\r\n"} << "";
        QTest::newRow("two lines in one event are evaluated one by one")
            << QStringList {"first\r\nsecond\r\n"} << QChar(u',')
            << QStringList {"first\r\n", "second\r\n"} << "";
        QTest::newRow("every point becomes the decimal comma")
            << QStringList {"04.12.2026 7.00\r\n"} << QChar(u',')
            << QStringList {"04,12,2026 7,00\r\n"} << "";
        QTest::newRow("nothing changes under a decimal point")
            << QStringList {"7.00 pH, ok\r\n"} << QChar(u'.') << QStringList {"7.00 pH, ok\r\n"}
            << "";
        QTest::newRow("characters after the last line feed wait for the next event")
            << QStringList {"a\r\nb", "c"} << QChar(u',') << QStringList {"a\r\n"} << "bc";
        QTest::newRow("a point never ends a line")
            << QStringList {"1.2.3"} << QChar(u',') << QStringList {} << "1,2,3";
        QTest::newRow("a line feed alone ends a line and a lone CR passes")
            << QStringList {"a\rb\nc\n"} << QChar(u',') << QStringList {"a\rb\n", "c\n"} << "";
        QTest::newRow("an empty line is still a line")
            << QStringList {"\r\n\n"} << QChar(u',') << QStringList {"\r\n", "\n"} << "";
    }
    void receivedCharactersBecomeLines()
    {
        QFETCH(QStringList, events);
        QFETCH(QChar, decimal);
        QFETCH(QStringList, lines);
        QFETCH(QString, rest);

        Rig rig(decimal);
        for (const QString &chunk : events)
            rig.port.receive(chunk);
        QCOMPARE(rig.lines, lines);
        QCOMPARE(rig.link.Zeile(), rest);
    }

    void eventsOtherThanReceptionAreIgnored()
    {
        Rig rig;
        rig.port.receive(QStringLiteral("a\r\n"), 3);
        QVERIFY(rig.lines.isEmpty());
        // The characters stay waiting and come with the next receive event.
        rig.port.receive(QStringLiteral("b\r\n"));
        QCOMPARE(rig.lines, (QStringList {"a\r\n", "b\r\n"}));
    }

    void overlongLineIsHandedOverAndReceptionGoesOn()
    {
        Rig rig;
        const QString longRun(InstrumentLink::MaxLineLength + 10, u'x');
        rig.port.receive(longRun + QStringLiteral("\r\nnext\r\n"));
        QCOMPARE(rig.lines.size(), 3);
        QCOMPARE(rig.lines.at(0), QString(InstrumentLink::MaxLineLength, u'x'));
        QCOMPARE(rig.lines.at(1), QStringLiteral("xxxxxxxxxx\r\n"));
        QCOMPARE(rig.lines.at(2), QStringLiteral("next\r\n"));
    }

    void initRsOpensTheChannelOfTheSettings_data()
    {
        QTest::addColumn<bool>("openBefore"); // on channel 1
        QTest::addColumn<int>("channel"); // RsPort at the call
        QTest::addColumn<bool>("missing");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<bool>("ok");

        QTest::newRow("closed port opens") << false << 3 << false << QStringList {"open 3"} << true;
        QTest::newRow("open port is closed and the new channel opened")
            << true << 2 << false << QStringList {"open 1", "close", "open 2"} << true;
        QTest::newRow("missing channel fails and leaves the port closed")
            << false << 4 << true << QStringList {"open 4 failed"} << false;
        QTest::newRow("open port switched to a missing channel ends closed")
            << true << 4 << true << QStringList {"open 1", "close", "open 4 failed"} << false;
    }
    void initRsOpensTheChannelOfTheSettings()
    {
        QFETCH(bool, openBefore);
        QFETCH(int, channel);
        QFETCH(bool, missing);
        QFETCH(QStringList, events);
        QFETCH(bool, ok);

        Rig rig;
        if (openBefore)
            QVERIFY(rig.link.InitRs().ok);
        rig.settings.RsPort = quint8(channel);
        if (missing)
            rig.port.missingChannels << channel;

        const LinkStatus status = rig.link.InitRs();
        QCOMPARE(status.ok, ok);
        QCOMPARE(rig.port.events, events);
        QCOMPARE(rig.port.isPortOpen(), ok);
        QCOMPARE(status.reason.isEmpty(), ok);
    }

    void failedInitRsTriesAgainOnTheNextCall()
    {
        Rig rig;
        rig.port.missingChannels << 1;
        QVERIFY(!rig.link.InitRs().ok);
        rig.port.missingChannels.clear();
        QVERIFY(rig.link.InitRs().ok);
        QCOMPARE(rig.port.events, (QStringList {"open 1 failed", "open 1"}));
    }

    void charactersWaitingAtInitRsAreReceivedAfterTheReopenBeforeNewerOnes()
    {
        Rig rig;
        QVERIFY(rig.link.InitRs().ok);
        rig.port.receive(QStringLiteral("par"));
        rig.port.bufferSilently(QStringLiteral("tial\r\nwait"));
        rig.port.holdBack(QStringLiteral("ing\r\n"));

        QVERIFY(rig.link.InitRs().ok);
        // The reopen does not evaluate inside the caller; the next receive event takes the
        // kept characters first.
        QVERIFY(rig.lines.isEmpty());
        rig.port.receive(QStringLiteral("new\r\n"));
        QCOMPARE(rig.lines, (QStringList {"partial\r\n", "waiting\r\n", "new\r\n"}));
    }

    void charactersKeptAtInitRsArriveWithoutAnotherReceiveEvent()
    {
        Rig rig;
        QVERIFY(rig.link.InitRs().ok);
        rig.port.bufferSilently(QStringLiteral("kept\r\n"));
        QVERIFY(rig.link.InitRs().ok);
        QTRY_COMPARE_WITH_TIMEOUT(rig.lines, QStringList {"kept\r\n"}, 2000);
    }

    void reopenFromInsideTheLineHandlerLosesNothing_data()
    {
        QTest::addColumn<bool>("reopenFails");
        QTest::newRow("reopen succeeds") << false;
        QTest::newRow("reopen fails") << true;
    }
    void reopenFromInsideTheLineHandlerLosesNothing()
    {
        QFETCH(bool, reopenFails);
        Rig rig;
        QVERIFY(rig.link.InitRs().ok);
        int reopens = 0;
        rig.link.setLineHandler([&](const QString &line) {
            rig.lines << line;
            if (line.contains(QStringLiteral("Probennummer"))) {
                if (reopenFails)
                    rig.port.missingChannels << 1;
                rig.link.InitRs();
                ++reopens;
            }
        });
        rig.port.receive(QStringLiteral("head\r\nProbennummer 7\r\nafter\r\nta"));
        QCOMPARE(reopens, 1);
        QCOMPARE(rig.lines, (QStringList {"head\r\n", "Probennummer 7\r\n", "after\r\n"}));
        QCOMPARE(rig.link.Zeile(), QStringLiteral("ta"));
        QCOMPARE(rig.port.isPortOpen(), !reopenFails);
        if (!reopenFails) {
            // The loop went on asking the reopened port.
            rig.port.receive(QStringLiteral("il\r\n"));
            QCOMPARE(rig.lines.last(), QStringLiteral("tail\r\n"));
        }
    }

    void receiveEventDuringTheLineHandlerIsTakenInOrder()
    {
        Rig rig;
        bool fed = false;
        rig.link.setLineHandler([&](const QString &line) {
            rig.lines << line;
            if (!fed) {
                fed = true;
                rig.port.receive(QStringLiteral("third\r\n"));
            }
        });
        rig.port.receive(QStringLiteral("first\r\nsecond\r\n"));
        QCOMPARE(rig.lines, (QStringList {"first\r\n", "second\r\n", "third\r\n"}));
    }

    void commandIsFramedWithCrLfAndKept_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("open port") << true << "DA0.5" << QStringList {"DA0.5\r\n"};
        QTest::newRow("closed port writes nothing") << false << "BF" << QStringList {};
    }
    void commandIsFramedWithCrLfAndKept()
    {
        QFETCH(bool, open);
        QFETCH(QString, command);
        QFETCH(QStringList, written);
        Rig rig;
        if (open)
            QVERIFY(rig.link.InitRs().ok);
        QString reason;
        QCOMPARE(rig.link.sendCommand(command, &reason), open);
        QCOMPARE(reason.isEmpty(), open);
        QCOMPARE(rig.port.written, written);
        QCOMPARE(rig.link.SendeText(), command + QStringLiteral("\r\n"));
    }
};

QTEST_GUILESS_MAIN(tst_InstrumentLink)
#include "tst_instrumentlink.moc"
