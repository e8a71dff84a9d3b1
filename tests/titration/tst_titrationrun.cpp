#include "runfixture.h"

#include <QSignalSpy>
#include <QTest>

// The incremental titration run, driven tick by tick with a fake clock and a recording line.
class tst_TitrationRun : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fullCycleSendsItsCommandsAndSwitchesTheTimer()
    {
        RunFixture f;
        f.controls.waiting = 3;
        f.controls.increment = 5;
        f.run.toggle();
        f.controls.waiting = 9; // read only at the start
        f.tick(2);
        QVERIFY(!f.cell(1, 1).isNull); // the first point's volume, 0, is drawn at once
        f.acknowledge();
        f.tick(3); // the range taken, "M" sent, its reply awaited
        f.reading(7.02);
        f.tick(2); // then the end check: not ended, wait at 100 ms
        QCOMPARE(f.cell(1, 2).value, 7.02);
        QCOMPARE(f.timer.ms, 100);
        f.tick(2);
        QCOMPARE(f.run.state().Schritt, qint16(6)); // two of three waiting ticks: nothing dosed yet
        f.tick(2);
        QCOMPARE(f.timer.ms, 500);
        QCOMPARE(f.run.state().Volumen, 0.05);
        f.acknowledge();
        f.tick();
        QCOMPARE(f.cell(2, 1).value, 0.05);
        QVERIFY(f.cell(2, 2).isNull); // the value comes with the reading
        f.tick();
        QCOMPARE(f.sink.sent, (QStringList {"FP", "M", "DA0.05", "M"}));
    }

    // The reply is in the store before the write returns: the run must already await it.
    void replyArrivingDuringTheWriteIsTaken()
    {
        RunFixture f;
        f.controls.endVolume = QStringLiteral("0,2");
        f.sink.onSend = [&](const QString &) {
            f.acknowledge();
            f.reading(7);
        };
        f.run.toggle();
        f.tick(100); // stopped at the end volume: nothing sent after the third "M"
        QCOMPARE(f.sink.sent, (QStringList {"FP", "M", "DA0.1", "M", "DA0.1", "M"}));
        QCOMPARE(int(f.store.AnzahlWerte), 3);
    }

    // The fixed-increment table byte for byte: pH under ",", and the mV range under "." across
    // midnight with a method in the store that names fixed doses and readings and sets its other
    // values. Readings 7.02 and 10.5 (a second integer digit shifts the columns), 12.34 s and
    // 71.96 s after step 1, the second after one dose of 0.1 mL.
    void fixedIncrementTable_data()
    {
        QTest::addColumn<bool>("millivolts");
        QTest::addColumn<QString>("text");
        QTest::newRow("pH under comma")
            << false
            << "  Titrations Daten\r\n   ml        pH        [s]\r\n"
               "  0,00    7,020  12,3  \r\n  0,10    10,500  72,0  \r\n";
        QTest::newRow("mV under point, across midnight, fixed method stored")
            << true
            << "  Titrations Daten\r\n   ml        mV        [s]\r\n"
               "  0.00    7.020  12.3  \r\n  0.10    10.500  72.0  \r\n";
    }
    void fixedIncrementTable()
    {
        QFETCH(bool, millivolts);
        RunFixture f;
        if (millivolts) {
            f.settings.Bereich = 1;
            f.settings.separators = Numbers::Separators {u'.'};
            f.clock.seconds = 86390;
            f.setMethod({.minIncrement = 0.001, .minWait = 20});
        }
        FakeDocument *earlier = static_cast<FakeDocument *>(f.documents.newDocument());

        f.run.toggle();
        f.takeReading(7.02, 12.34);
        f.takeReading(10.5, 59.62);

        QCOMPARE(f.sink.sent, (QStringList {millivolts ? "FV" : "FP", "M", "DA0.1", "M"}));
        QVERIFY(f.documents.active() != earlier); // the run has its own document
        QTEST(f.doc().text(), "text");
        QCOMPARE(f.readingsDifferFromRows(), QString());
    }

    void endCheckStopsTheRun_data()
    {
        QTest::addColumn<QString>("endValue");
        QTest::addColumn<QString>("endVolume");
        QTest::addColumn<int>("increment");
        QTest::addColumn<QList<double>>("readings"); // the last one repeats
        QTest::addColumn<int>("rows"); // rows when the run stopped
        QTest::addColumn<Journal::EndReason>("reason");

        using R = Journal::EndReason;
        auto row = [](const char *name, const char *endValue, const char *endVolume, int increment,
                       const QList<double> &readings, int rows, R reason) {
            QTest::newRow(name) << endValue << endVolume << increment << readings << rows << reason;
        };
        row("rising: exactly the end value does not end it", "9", "20", 10, {7, 8, 9, 9, 9.01}, 5,
            R::EndValue);
        row("falling: exactly the end value does not end it", "4", "20", 10, {7, 4, 4, 3.99}, 4,
            R::EndValue);
        // Ten doses of 0.01 add up to just below 0.1; two of 0.5 reach 1 exactly.
        row("end volume 0,1 after eleven doses of 0,01", "14", "0,1", 1, {7}, 12, R::EndVolume);
        row("end volume 1 reached exactly by 0,5 and 0,5", "14", "1", 50, {7}, 3, R::EndVolume);
        // Texts no run can use leave the values in force, end value 14 and end volume 0,3.
        row("end volume not a number", "14", "abc", 10, {7}, 4, R::EndVolume);
        // The end value's limits are values a run uses: 15 passes neither, and the run goes on
        // to the end volume; a text just beyond them leaves 14 in force, which 15 passes.
        row("end value 2000 is used", "2000", "0,3", 10, {7, 15}, 4, R::EndVolume);
        row("end value -2000 is used", "-2000", "0,3", 10, {7, 15}, 4, R::EndVolume);
        row("end value just above 2000 is not", "2000,001", "0,3", 10, {7, 15}, 2, R::EndValue);
        row("end value just below -2000 is not", "-2000,001", "0,3", 10, {7, 15}, 2, R::EndValue);
        // Two ends at the same check: the full table (after the 499th row) comes before the end
        // value, the end volume before the end value.
        QList<double> passingLast(TitrationRun::MaxRows - 1, 7);
        passingLast.append(15);
        row("end value passed by the 499th row", "14", "100", 1, passingLast, 499, R::TableFull);
        row("end value passed as the end volume is reached", "14", "0,1", 10, {7, 15}, 2,
            R::EndVolume);
    }
    void endCheckStopsTheRun()
    {
        QFETCH(QList<double>, readings);
        QFETCH(int, rows);
        RunFixture f;
        QFETCH(QString, endValue);
        QFETCH(QString, endVolume);
        QFETCH(int, increment);
        f.controls.endValue = endValue;
        f.controls.endVolume = endVolume;
        f.controls.increment = increment;
        f.settings.EndWert = 14;
        f.settings.EndVol = 0.3;
        // A receiver on another thread gets them queued.
        int queuedReadings = 0;
        std::optional<Journal::EndReason> queuedEnd;
        connect(
            &f.run, &TitrationRun::readingTaken, &f.run,
            [&](const Journal::Reading &r) { queuedReadings += r.index == queuedReadings; },
            Qt::QueuedConnection);
        connect(
            &f.run, &TitrationRun::ended, &f.run,
            [&](Journal::EndReason reason) { queuedEnd = reason; }, Qt::QueuedConnection);
        f.run.toggle();
        for (int i = 0; i < 600 && f.run.isRunning(); ++i)
            f.takeReading(readings.value(i, readings.last()));

        QVERIFY(!f.run.isRunning() && !f.timer.enabled);
        QCOMPARE(int(f.store.AnzahlWerte), rows);
        // No dose after the last reading.
        QCOMPARE(int(f.sink.sent.filter(QStringLiteral("DA")).size()), rows - 1);
        // Told once, after every reading of the run.
        QCOMPARE(f.ends.size(), size_t(1));
        QTEST(f.ends[0].reason, "reason");
        QCOMPARE(f.ends[0].readingsBefore, rows);
        QCOMPARE(f.readingsDifferFromRows(), QString());
        QCoreApplication::processEvents();
        QCOMPARE(queuedReadings, rows);
        QCOMPARE(queuedEnd, std::optional(f.ends[0].reason));
    }

    void replyLimitIsTwentyTicks_data()
    {
        QTest::addColumn<int>("step"); // the waiting step
        QTest::addColumn<QString>("dose"); // the dose that went out in this run before, if any
        QTest::addColumn<int>("restarts"); // time-outs that started the run over before
        QTest::addColumn<int>("replyTick"); // the tick of the step the reply comes on
        QTest::addColumn<QString>("outcome"); // taken, restart or stop

        auto row = [](const char *name, int step, const char *dose, int restarts, int tick,
                       const char *outcome) {
            QTest::newRow(name) << step << dose << restarts << tick << outcome;
        };
        // The tick that takes the reply counts too: a reply on the twentieth comes too late.
        row("range acknowledged on the 19th tick", 2, "", 0, 19, "taken");
        row("first reading on the 20th tick: start over", 4, "", 0, 20, "restart");
        row("range acknowledged on the 20th tick: third start over", 2, "", 2, 20, "restart");
        row("fourth time-out before any dose stops", 2, "", 3, 20, "stop");
        row("reading after a dose on the 19th tick", 4, "fixed", 0, 19, "taken");
        row("reading after a dose on the 20th tick stops", 4, "fixed", 0, 20, "stop");
        row("dose acknowledged on the 19th tick", 8, "fixed", 0, 19, "taken");
        row("dose acknowledged on the 20th tick stops", 8, "fixed", 0, 20, "stop");
        // A dynamic dose has gone out as surely as a fixed one: no start over at 0 mL.
        row("dynamic dose acknowledged on the 20th tick stops", 8, "dynamic", 0, 20, "stop");
    }
    void replyLimitIsTwentyTicks()
    {
        QFETCH(int, step);
        QFETCH(int, replyTick);
        QFETCH(QString, outcome);
        RunFixture f;
        QSignalSpy failed(&f.run, &TitrationRun::failed);
        QFETCH(QString, dose);
        if (dose == u"dynamic")
            f.setMethod({.dosingMode = MethodSettings::Dosing::Dynamic});
        f.run.toggle();
        if (!dose.isEmpty())
            f.takeReading(7);
        f.advanceTo(step);
        QFETCH(int, restarts);
        for (int r = 0; r < restarts; ++r) {
            f.tick(20);
            QCOMPARE(f.run.state().Schritt, qint16(1));
            f.advanceTo(step);
        }
        const qsizetype sent = f.sink.sent.size();
        f.tick(replyTick - 1);
        QCOMPARE(f.run.state().Schritt, qint16(step));
        f.acknowledge();
        f.reading(8);
        f.run.Ablauf();

        QCOMPARE(f.sink.sent.size(), sent);
        QCOMPARE(f.run.isRunning(), outcome != u"stop");
        QCOMPARE(failed.size(), outcome == u"stop" ? 1 : 0);
        QCOMPARE(f.ends.size(), size_t(outcome == u"stop" ? 1 : 0));
        if (outcome == u"taken") {
            QVERIFY(f.run.state().Schritt != step && f.run.state().Schritt != 1);
        } else if (outcome == u"restart") {
            QCOMPARE(f.run.state().Schritt, qint16(1));
            f.clock.later(100);
            f.run.Ablauf();
            QCOMPARE(f.sink.sent.last(), QStringLiteral("FP"));
            QCOMPARE(f.run.state().StartZeit, f.clock.seconds);
        } else {
            // Stopped as the button would, keeping the rows; nothing was sent on that tick,
            // above all no second dose.
            QCOMPARE(
                failed.at(0).at(0).value<TitrationRun::Failure>(), TitrationRun::Failure::NoReply);
            QCOMPARE(f.ends[0].reason, Journal::EndReason::NoReply);
            QVERIFY(!failed.at(0).at(1).toString().isEmpty());
            const QStringList doses {dose == u"dynamic" ? "DA0.01" : "DA0.1"};
            QCOMPARE(
                f.sink.sent.filter(QStringLiteral("DA")), dose.isEmpty() ? QStringList() : doses);
        }
    }

    void runStopsFromAnyStepAndKeepsItsRows_data()
    {
        QTest::addColumn<int>("step"); // where the run stands
        // The button, a command the line refuses, or the document closed under the run.
        QTest::addColumn<QString>("how");
        QTest::addColumn<Journal::EndReason>("reason");
        using R = Journal::EndReason;
        for (int step = 1; step <= 8; ++step)
            QTest::addRow("button at step %d", step) << step << "button" << R::Stopped;
        QTest::newRow("range command refused") << 1 << "FP" << R::PortError;
        QTest::newRow("dose command refused") << 7 << "DA" << R::PortError;
        // The document is looked for before the range and as each reply is taken.
        for (const int step : {1, 4, 8})
            QTest::addRow("document closed at step %d", step)
                << step << "close" << R::DocumentClosed;
    }
    void runStopsFromAnyStepAndKeepsItsRows()
    {
        QFETCH(int, step);
        QFETCH(QString, how);
        RunFixture f;
        QSignalSpy failed(&f.run, &TitrationRun::failed);
        f.run.toggle();
        f.takeReading(7);
        f.takeReading(8);
        if (step <= 2) { // a new run, started after those readings, before its own first one
            f.run.toggle();
            f.run.toggle();
        }
        f.advanceTo(step);
        QCOMPARE(f.run.state().Schritt, qint16(step));
        if (how == u"button")
            f.run.toggle();
        else if (how == u"close")
            f.documents.closeAll();
        else
            f.sink.failOn = how;
        f.advanceTo(0, 8);

        QVERIFY(!f.run.isRunning() && !f.timer.enabled);
        // The rows of this run, never a count left from the run before.
        QCOMPARE(int(f.store.AnzahlWerte), step <= 2 ? 0 : 2);
        QCOMPARE(f.store.DatenModus, MeasurementStore::DataMode);
        QCOMPARE(failed.size(), how == u"button" ? 0 : 1);
        if (how.size() == 2)
            QCOMPARE(failed.at(0).at(1).toString(), QStringLiteral("port closed"));
        // Each run told its end once, after the readings it took (the run before this one, if
        // any, was stopped by the button).
        QFETCH(Journal::EndReason, reason);
        QCOMPARE(f.ends.size(), size_t(step <= 2 ? 2 : 1));
        QCOMPARE(f.ends.front().reason, step <= 2 ? Journal::EndReason::Stopped : reason);
        QCOMPARE(f.ends.back().reason, reason);
        for (const RunFixture::End &end : f.ends)
            QCOMPARE(end.readingsBefore, 2);
        const qsizetype sent = f.sink.sent.size();
        f.acknowledge(); // a tick after the stop does nothing
        f.reading(9);
        f.run.Ablauf();
        QCOMPARE(f.sink.sent.size(), sent);
    }
};

QTEST_GUILESS_MAIN(tst_TitrationRun)
#include "tst_titrationrun.moc"
