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
        f.run.cmdTitration_Click();
        f.controls.waiting = 9; // read only at the start

        f.run.Ablauf();
        QVERIFY(!f.cell(1, 1).isNull); // the first point's volume, 0, is drawn at once
        f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(2)); // no acknowledgement yet
        f.acknowledge();
        f.run.Ablauf();
        f.run.Ablauf();
        f.acknowledge(); // a "Y" line does not answer "M"
        f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(4));
        f.reading(7.02);
        f.run.Ablauf();
        QCOMPARE(f.store.MessIndex, qint16(1));
        QCOMPARE(f.cell(1, 2).value, 7.02);
        QCOMPARE(f.timer.ms, 500);

        f.run.Ablauf(); // end check: not ended, wait at 100 ms
        QCOMPARE(f.timer.ms, 100);
        QVERIFY(f.timer.enabled);
        f.run.Ablauf();
        f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(6)); // two of three waiting ticks: nothing dosed yet
        f.run.Ablauf();
        QCOMPARE(f.timer.ms, 500);
        f.run.Ablauf();
        QCOMPARE(f.run.Volumen, 0.05);
        f.acknowledge();
        f.run.Ablauf();
        QCOMPARE(f.cell(2, 1).value, 0.05);
        QVERIFY(f.cell(2, 2).isNull); // the value comes with the reading
        f.run.Ablauf();
        QCOMPARE(f.sink.sent, (QStringList {"FP", "M", "DA0.05", "M"}));
    }

    void tableAndTitlesFollowLanguageRangeAndSeparator_data()
    {
        QTest::addColumn<int>("sprache");
        QTest::addColumn<int>("bereich");
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<double>("startTime");
        QTest::addColumn<QString>("range"); // the first command
        QTest::addColumn<QStringList>("titles"); // chart, X axis, Y axis
        QTest::addColumn<QString>("text");

        // Readings 7.02 and 10.5 (a second integer digit shifts the columns), 12.34 s and
        // 71.96 s after step 1, the second after one dose of 0.1 mL.
        const QString german = "  Titrations Daten\r\n   ml        pH        [s]\r\n"
                               "  0,00    7,020  12,3  \r\n  0,10    10,500  72,0  \r\n";
        const QStringList germanTitles {"Titrationskurve", "Verbrauch [mL]", "pH-Werte"};
        QTest::newRow("German pH under comma")
            << 1 << 0 << QChar(u',') << 3600.0 << "FP" << germanTitles << german;
        QTest::newRow("English mV under point")
            << 2 << 1 << QChar(u'.') << 3600.0 << "FV"
            << QStringList {"titrationcurve", "volume [mL]", "mV-values"}
            << "  Titrations Daten\r\n   ml        mV        [s]\r\n"
               "  0.00    7.020  12.3  \r\n  0.10    10.500  72.0  \r\n";
        QTest::newRow("across midnight")
            << 1 << 0 << QChar(u',') << 86390.0 << "FP" << germanTitles << german;
    }
    void tableAndTitlesFollowLanguageRangeAndSeparator()
    {
        QFETCH(int, sprache);
        QFETCH(int, bereich);
        QFETCH(QChar, sep);
        QFETCH(double, startTime);
        RunFixture f;
        f.settings.Sprache = quint8(sprache);
        f.settings.Bereich = quint8(bereich);
        f.settings.separators = Numbers::Separators {sep};
        f.clock.seconds = startTime;
        f.documents.newDocument()->setText(QStringLiteral("older text"));
        FakeDocument *earlier = f.documents.active();
        f.store.Messwerte.fill({5, 5}); // an earlier series: the start clears it

        f.startWithFirstReading(7.02, 12.34);
        f.takeReading(10.5, 59.62);

        QTEST(f.sink.sent.first(), "range");
        QCOMPARE(earlier->text(), QStringLiteral("older text")); // the run has its own document
        QTEST(f.doc().text(), "text");
        const ChartModel &chart = f.doc().chartModel();
        QTEST((QStringList {chart.titleText(), chart.axisTitle(AbstractChart::XAxis),
                  chart.axisTitle(AbstractChart::YAxis)}),
            "titles");
    }

    void endCheckStopsTheRun_data()
    {
        QTest::addColumn<QString>("endValue");
        QTest::addColumn<QString>("endVolume");
        QTest::addColumn<int>("increment");
        QTest::addColumn<QList<double>>("readings"); // the last one repeats
        QTest::addColumn<int>("rows"); // rows when the run stopped

        auto row = [](const char *name, const char *endValue, const char *endVolume, int increment,
                       const QList<double> &readings, int rows) {
            QTest::newRow(name) << endValue << endVolume << increment << readings << rows;
        };
        row("rising: after the first reading above", "9", "20", 10, {7, 8, 9.5}, 3);
        row("rising: exactly the end value does not end it", "9", "20", 10, {7, 8, 9, 9, 9.01}, 5);
        row("falling: after the first reading below", "4", "20", 10, {7, 5, 3.9}, 3);
        row("falling: exactly the end value does not end it", "4", "20", 10, {7, 4, 4, 3.99}, 4);
        row("the first reading sets the direction", "6,5", "20", 10, {7, 7.1, 6.4}, 3);
        row("end volume 0,05 after five doses of 0,01", "14", "0,05", 1, {7}, 6);
        // Ten doses of 0.01 add up to just below 0.1.
        row("end volume 0,1 after eleven doses of 0,01", "14", "0,1", 1, {7}, 12);
        row("end volume 0 before any dose", "14", "0", 10, {7}, 1);
        row("after the 499th row", "14", "1000", 1, {7}, 499);
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
        f.startWithFirstReading(readings[0]);
        for (int i = 1; i < 600 && f.run.isRunning(); ++i)
            f.takeReading(readings.value(i, readings.last()));

        QVERIFY(!f.run.isRunning());
        QCOMPARE(int(f.store.AnzahlWerte), rows);
        QCOMPARE(f.store.DatenModus, MeasurementStore::DataMode);
        QVERIFY(!f.timer.enabled);
        QCOMPARE(f.doses(), rows - 1);
        QCOMPARE(f.textLines(), 2 + rows);
        QVERIFY(!f.cell(rows, 2).isNull);
        QVERIFY(f.cell(rows + 1, 1).isNull && f.cell(rows + 1, 2).isNull);
    }

    void endValuesAreReadFromTheDialogAtEveryCheck()
    {
        RunFixture f;
        f.settings.EndWert = 9;
        f.controls.endValue = QStringLiteral("abc"); // not a number: the old value holds
        f.controls.endVolume = QStringLiteral("15,5");
        f.startWithFirstReading(7);
        f.takeReading(8);
        QCOMPARE(f.settings.EndWert, 9.0);
        QCOMPARE(f.settings.EndVol, 15.5);
        f.controls.endValue = QStringLiteral("7,5"); // lowered during the run
        f.run.Ablauf();
        QVERIFY(!f.run.isRunning());
    }

    void missingReplyRestartsTheRunAfterTwentyTicks_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("answerOnTheLastTick");
        QTest::newRow("range acknowledgement") << 2 << false;
        QTest::newRow("reading") << 4 << false;
        QTest::newRow("dose acknowledgement") << 8 << false;
        QTest::newRow("an acknowledgement on the twentieth tick comes too late") << 2 << true;
    }
    void missingReplyRestartsTheRunAfterTwentyTicks()
    {
        QFETCH(int, step);
        QFETCH(bool, answerOnTheLastTick);
        RunFixture f;
        f.twoReadingsThenStep(step);
        const qsizetype sent = f.sink.sent.size();
        const QString text = f.doc().text();
        for (int i = 0; i < 19; ++i)
            f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(step));
        if (answerOnTheLastTick)
            f.acknowledge();
        f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(1));
        QCOMPARE(f.sink.sent.size(), sent);

        f.clock.later(100);
        f.run.Ablauf();
        QCOMPARE(f.sink.sent.last(), QStringLiteral("FP"));
        QCOMPARE(f.run.Volumen, 0.0);
        QCOMPARE(f.run.StartZeit, f.clock.seconds);
        // The rows written stay in the text; the new ones follow from 0,00 mL and chart row 1.
        f.takeReading(6);
        QVERIFY(f.doc().text().startsWith(text));
        QCOMPARE(f.doc().text().mid(text.size(), 15), QStringLiteral("  0,00    6,000"));
        QCOMPARE(f.cell(1, 2).value, 6.0);
    }

    void buttonStopsTheRunFromAnyStep_data()
    {
        QTest::addColumn<int>("step");
        for (int step = 1; step <= 8; ++step)
            QTest::addRow("step %d", step) << step;
    }
    void buttonStopsTheRunFromAnyStep()
    {
        QFETCH(int, step);
        RunFixture f;
        f.twoReadingsThenStep(step);
        QCOMPARE(f.run.Schritt, qint16(step));
        QSignalSpy running(&f.run, &TitrationRun::runningChanged);

        f.run.cmdTitration_Click();

        QCOMPARE(running.size(), 1);
        QCOMPARE(running.at(0).at(0).toBool(), false);
        QVERIFY(!f.timer.enabled);
        // The rows of this run, never a count left from the run before.
        QCOMPARE(int(f.store.AnzahlWerte), step <= 2 ? 0 : 2);
        QCOMPARE(f.store.DatenModus, MeasurementStore::DataMode);
        const qsizetype sent = f.sink.sent.size();
        f.acknowledge(); // a tick after the stop does nothing
        f.reading(9);
        f.run.Ablauf();
        QCOMPARE(f.sink.sent.size(), sent);
    }

    void runStopsItselfWhenItCannotWriteAndKeepsItsRows_data()
    {
        QTest::addColumn<int>("step"); // where the run stands
        QTest::addColumn<QString>("refused"); // the command the line refuses; "": documents closed
        QTest::addColumn<int>("rows");
        QTest::newRow("range command refused") << 1 << "FP" << 0;
        QTest::newRow("reading command refused") << 3 << "M" << 2;
        QTest::newRow("dose command refused") << 7 << "DA" << 2;
        QTest::newRow("documents closed before the range command") << 1 << "" << 0;
        QTest::newRow("documents closed while a reading is awaited") << 4 << "" << 2;
        QTest::newRow("documents closed while a dose is awaited") << 8 << "" << 2;
    }
    void runStopsItselfWhenItCannotWriteAndKeepsItsRows()
    {
        QFETCH(int, step);
        QFETCH(QString, refused);
        RunFixture f;
        QSignalSpy failed(&f.run, &TitrationRun::failed);
        f.twoReadingsThenStep(step);
        if (refused.isEmpty())
            f.documents.closeAll();
        else
            f.sink.failOn = refused;

        f.advanceTo(0, 8);

        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).value<TitrationRun::Failure>(),
            refused.isEmpty() ? TitrationRun::Failure::NoDocument
                              : TitrationRun::Failure::CommandNotWritten);
        QTEST(int(f.store.AnzahlWerte), "rows");
        QCOMPARE(f.store.DatenModus, MeasurementStore::DataMode);
        QVERIFY(!f.timer.enabled);
        if (!refused.isEmpty()) {
            QCOMPARE(failed.at(0).at(1).toString(), QStringLiteral("port closed"));
            QCOMPARE(f.textLines(), 2 + f.store.AnzahlWerte);
        }
    }
};

QTEST_GUILESS_MAIN(tst_TitrationRun)
#include "tst_titrationrun.moc"
