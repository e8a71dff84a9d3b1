#include "ptyrig.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// A port whose titrator answers at once: the reply is received while the write is going on,
// as a port that waits for its bytes to go out may deliver it.
class AnsweringPort : public AbstractSerialPort
{
public:
    void setCommPort(int channel) override { m_channel = channel; }
    int commPort() const override { return m_channel; }
    bool isPortOpen() const override { return m_open; }
    bool setPortOpen(bool open, QString *) override { return (m_open = open), true; }
    bool output(const QString &, QString *) override
    {
        m_input += answer;
        Q_EMIT onComm();
        return true;
    }
    int inBufferCount() const override { return int(m_input.size()); }
    QChar input() override
    {
        const QChar c = m_input.isEmpty() ? QChar() : m_input.front();
        m_input.remove(0, 1);
        return c;
    }
    int commEvent() const override { return EventReceive; }

    QString answer;

private:
    QString m_input;
    int m_channel = 1;
    bool m_open = false;
};

} // namespace

// Over a real pseudo-terminal: the receive path, what InitRs keeps when it opens anew, what the
// instrument buttons write and when they open the port anew.
class tst_RsKanal : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void receivedCharactersBecomeLines_data()
    {
        QTest::addColumn<QByteArrayList>("reads"); // what the device sends, one read at a time
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("rest"); // Zeile afterwards

        // Then ".7\n" with the eighth bit set on every character: masked off, LF alone ends it.
        QTest::newRow("a line split across three reads is evaluated once, point to comma")
            << QByteArrayList {"7.0", "0 p", "H\r\n", "\xAE\xB7\x8A"} << QChar(u',')
            << QStringList {"7,00 pH\r\n", ",7\n"} << "";
        QTest::newRow("two lines in one read in order, a tail waits for its line feed")
            << QByteArrayList {"7.00 pH\r\nY\r\n1.2"} << QChar(u'.')
            << QStringList {"7.00 pH\r\n", "Y\r\n"} << "1.2";
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
        PtyRig rig(decimal);
        QVERIFY(rig.master >= 0 && rig.link.InitRs().ok);
        qsizetype sent = 0;
        for (const QByteArray &read : reads) {
            QVERIFY(rig.send(read));
            sent += read.size();
            QTRY_COMPARE_WITH_TIMEOUT(rig.received(), sent, 5000); // taken in before the next
        }
        QTEST(rig.lines, "lines");
        QTEST(rig.link.Zeile(), "rest");
    }

    // Only this catches a close that throws away what the port had read but not handed out:
    // the rest of the read arrives after the data request has reopened the port.
    void dataRequestFromInsideTheReceiveLoopLosesNothing()
    {
        PtyRig rig;
        rig.link.setLineHandler([&](const QString &line) {
            rig.lines << line;
            if (line.contains(QStringLiteral("Probennummer")))
                QVERIFY(rig.commands.readData().ok);
        });
        QVERIFY(rig.link.InitRs().ok);
        rig.send("Probennummer 7\r\nGehalt 1.5\r\nEnde\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(rig.lines.size(), 3, 5000);
        QCOMPARE(rig.lines, (QStringList {"Probennummer 7\r\n", "Gehalt 1,5\r\n", "Ende\r\n"}));
        QCOMPARE(rig.receive(8), QByteArray("EX\r\nLD\r\n"));
    }

    void replyDuringAWriteIsEvaluatedAfterTheWrite()
    {
        AnsweringPort port;
        port.answer = QStringLiteral("Y\r\n");
        SettingsRecord settings;
        InstrumentLink link(port, settings);
        QStringList lines;
        link.setLineHandler([&](const QString &line) { lines << line; });
        QVERIFY(link.InitRs().ok);
        QVERIFY(link.sendCommand(QStringLiteral("FP"))); // answered inside the write
        QVERIFY(lines.isEmpty()); // but the sender goes on first
        QTRY_COMPARE_WITH_TIMEOUT(lines, QStringList {"Y\r\n"}, 5000);
    }

    // The device takes nothing: the write returns at once, replies still come in meanwhile,
    // and the stuck command is reported within the bound and dropped, never sent late.
    void stuckWriteNeitherBlocksNorHoldsUpReplies()
    {
        PtyRig rig;
        QVERIFY(rig.link.InitRs().ok);
        QVERIFY(rig.fillTowardsTheTest());
        QSignalSpy failed(&rig.port, &AbstractSerialPort::writeFailed);
        rig.send("Y\r\n");
        QVERIFY(rig.link.sendCommand(QStringLiteral("M")));

        QVERIFY(rig.lines.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(rig.lines, QStringList {"Y\r\n"}, 5000);
        QVERIFY(failed.isEmpty());
        QVERIFY(failed.wait(10000));
        QVERIFY(!failed.at(0).at(0).toString().isEmpty());
        QVERIFY(rig.port.isPortOpen());

        // The line moves again: what follows goes out, the dropped command does not.
        QVERIFY(rig.link.sendCommand(QStringLiteral("BF")));
        QByteArray seen, more;
        while (!seen.endsWith("BF\r\n") && !(more = rig.receive(1)).isEmpty())
            seen += more;
        QVERIFY(seen.endsWith("BF\r\n"));
        QVERIFY(!seen.contains('M'));
    }

    void buttonsWriteTheirCommandsAndOpenThePortAnew_data()
    {
        QTest::addColumn<QString>("button"); // Fill, Res, or the dose field's text
        QTest::addColumn<bool>("open"); // the port before the click
        QTest::addColumn<bool>("missing"); // the channel's device is gone at the click
        QTest::addColumn<QByteArray>("written"); // what reaches the device
        QTest::addColumn<bool>("ok"); // also: the port is open afterwards

        auto row = [](const char *name, const char *button, bool open, bool missing,
                       const char *written, bool ok) {
            QTest::newRow(name) << button << open << missing << QByteArray(written) << ok;
        };
        // An open anew after a read-out shows as a failure once the device is gone.
        row("result: EX LR, then opens anew", "Res", true, true, "EX\r\nLR\r\n", false);
        row("fill on a closed port opens it", "Fill", false, false, "", true);
        row("dose on a closed port opens nothing", "1", false, false, "", false);
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

        const LinkStatus status = button == u"Fill" ? rig.commands.fill()
            : button == u"Res"                      ? rig.commands.readResult()
                                                    : rig.commands.dose(button).line;
        QCOMPARE(rig.receive(written.size()), written);
        QTEST(status.ok, "ok");
        QTEST(rig.port.isPortOpen(), "ok");
    }

    void doseFieldIsCheckedBeforeItGoesOut_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("written"); // empty: refused, nothing written, no note

        auto row = [](const char *name, const QString &field, const char *written) {
            QTest::newRow(name) << field << QByteArray(written);
        };
        row("comma becomes point", "0,25", "DA0.25\r\n");
        row("just above nothing", "0,001", "DA0.001\r\n");
        row("the whole burette", "100", "DA100\r\n");
        row("just past the burette", "100,001", "");
        row("nothing", "0", "");
        row("empty field: no bare DA", "", "");
        row("a line break would send a second command", "0,5\r\nBF", "");
    }
    void doseFieldIsCheckedBeforeItGoesOut()
    {
        QFETCH(QString, field);
        QFETCH(QByteArray, written);
        PtyRig rig;
        QVERIFY(rig.link.InitRs().ok);
        rig.documents.newDocument();
        const DoseStatus status = rig.commands.dose(field);
        QVERIFY(status.line.ok);
        QCOMPARE(status.refused.isEmpty(), !written.isEmpty());
        QCOMPARE(rig.documents.active()->text().endsWith(field + QStringLiteral(" ml\r\n")),
            !written.isEmpty());
        // The next command is the first thing the titrator gets after a refused dose.
        QVERIFY(rig.commands.fill().ok);
        QCOMPARE(rig.receive(written.size() + 4), written + "BF\r\n");
        // Nor does the line frame a command that holds a line break of its own.
        QVERIFY(!rig.link.sendCommand(QStringLiteral("DA0.5\r\nBF")));
    }

    void doseNoteHasDateTimeWithSecondsAndTheFieldAsTyped()
    {
        const QDateTime at(QDate(2026, 12, 4), QTime(23, 45, 10));
        QCOMPARE(ManualCommands::doseNote(at, QStringLiteral("0,25"), QLocale(QLocale::German)),
            QStringLiteral("04.12.2026 23:45:10 0,25 ml\r\n"));
    }
};

QTEST_GUILESS_MAIN(tst_RsKanal)
#include "tst_rskanal.moc"
