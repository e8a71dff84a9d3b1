#include "runfixture.h"

#include <QSignalSpy>
#include <QTest>

#include <vector>

Q_DECLARE_METATYPE(std::vector<double>)

class tst_TitrationRun : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void startWritesTableHeadClearsStoreAndTitlesChart_data()
    {
        QTest::addColumn<int>("sprache");
        QTest::addColumn<int>("bereich");
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("xTitle");
        QTest::addColumn<QString>("yTitle");
        QTest::addColumn<QString>("firstCommand");

        QTest::newRow("German pH")
            << 1 << 0 << "  Titrations Daten\r\n   ml        pH        [s]\r\n"
            << "Titrationskurve"
            << "Verbrauch [mL]"
            << "pH-Werte"
            << "FP";
        QTest::newRow("German mV")
            << 1 << 1 << "  Titrations Daten\r\n   ml        mV        [s]\r\n"
            << "Titrationskurve"
            << "Verbrauch [mL]"
            << "mV-Werte"
            << "FV";
        QTest::newRow("English mV")
            << 2 << 1 << "  Titrations Daten\r\n   ml        mV        [s]\r\n"
            << "titrationcurve"
            << "volume [mL]"
            << "mV-values"
            << "FV";
        QTest::newRow("English pH")
            << 0 << 0 << "  Titrations Daten\r\n   ml        pH        [s]\r\n"
            << "titrationcurve"
            << "volume [mL]"
            << "pH-values"
            << "FP";
    }
    void startWritesTableHeadClearsStoreAndTitlesChart()
    {
        QFETCH(int, sprache);
        QFETCH(int, bereich);
        RunFixture f;
        f.settings.Sprache = quint8(sprache);
        f.settings.Bereich = quint8(bereich);
        FakeDocument *earlier = static_cast<FakeDocument *>(f.documents.newDocument());
        earlier->setText(QStringLiteral("older text"));
        for (int i = 0; i <= 500; ++i) {
            f.store.Messwerte[i] = {1.5, 2.5};
            f.store.Zeiten[i] = 3.5;
        }
        f.store.AnzahlWerte = 42;
        f.store.DatenModus = MeasurementStore::DataMode;
        f.timer.enabled = false;
        f.timer.ms = 100;

        f.run.cmdTitration_Click();

        QVERIFY(f.run.isRunning());
        QCOMPARE(f.documents.count(), 2);
        QVERIFY(f.documents.active() != earlier);
        QCOMPARE(earlier->text(), QStringLiteral("older text"));
        QTEST(f.doc().text(), "head");
        ChartModel &chart = f.doc().chartModel();
        QTEST(chart.titleText(), "title");
        QTEST(chart.axisTitle(AbstractChart::XAxis), "xTitle");
        QTEST(chart.axisTitle(AbstractChart::YAxis), "yTitle");
        QVERIFY(!chart.uniformAxis());
        for (int i = 0; i < 500; ++i) {
            QCOMPARE(f.store.Messwerte[i][0], 0.0);
            QCOMPARE(f.store.Messwerte[i][1], 0.0);
            QCOMPARE(f.store.Zeiten[i], 0.0);
        }
        QCOMPARE(f.store.Messwerte[500][0], 1.5); // the 501st row is not part of the table
        QCOMPARE(f.store.AnzahlWerte, qint16(42));
        QCOMPARE(f.store.DatenModus, MeasurementStore::TextMode);
        QCOMPARE(f.run.Schritt, qint16(1));
        QVERIFY(f.timer.enabled);
        QCOMPARE(f.timer.ms, 100); // the start leaves the interval alone

        f.run.Ablauf();
        QTEST(f.sink.sent.value(0), "firstCommand");
    }

    void fullCycleSendsItsCommandsAndSwitchesTheTimer()
    {
        RunFixture f;
        f.controls.waiting = 3;
        f.controls.increment = 5;
        f.run.cmdTitration_Click();
        QCOMPARE(f.run.WarteTakte, qint16(3));

        f.run.Ablauf();
        QCOMPARE(f.sink.sent, QStringList {"FP"});
        QCOMPARE(f.store.Rueckmeldung, QStringLiteral("D"));
        QVERIFY(!f.cell(1, 1).isNull); // the first point's volume, 0, is drawn at once
        f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(2)); // no acknowledgement yet
        f.acknowledge();
        f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(3));
        QCOMPARE(f.store.Rueckmeldung, QString());
        f.run.Ablauf();
        QCOMPARE(f.sink.sent.last(), QStringLiteral("M"));
        QCOMPARE(f.store.Rueckmeldung, QStringLiteral("M"));
        f.acknowledge(); // a "Y" line does not answer "M"
        f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(4));
        f.reading(7.02);
        f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(5));
        QCOMPARE(f.store.MessIndex, qint16(1));
        QCOMPARE(f.cell(1, 2).value, 7.02);
        QCOMPARE(f.timer.ms, 500);

        f.run.Ablauf(); // end check: not ended, wait at 100 ms
        QCOMPARE(f.run.Schritt, qint16(6));
        QCOMPARE(f.timer.ms, 100);
        QVERIFY(f.timer.enabled);
        f.run.Ablauf();
        f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(6));
        QCOMPARE(f.sink.sent.size(), 2); // nothing dosed while waiting
        f.run.Ablauf(); // third waiting tick
        QCOMPARE(f.run.Schritt, qint16(7));
        QCOMPARE(f.timer.ms, 500);
        f.run.Ablauf();
        QCOMPARE(f.sink.sent.last(), QStringLiteral("DA0.05"));
        QCOMPARE(f.run.Volumen, 0.05);
        QCOMPARE(f.run.Schritt, qint16(8));
        f.acknowledge();
        f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(3));
        QCOMPARE(f.store.Messwerte[1][0], 0.05);
        QCOMPARE(f.cell(2, 1).value, 0.05);
        QVERIFY(f.cell(2, 2).isNull); // the value comes with the reading
        f.run.Ablauf();
        QCOMPARE(f.sink.sent, (QStringList {"FP", "M", "DA0.05", "M"}));
    }

    void doseArgumentUsesPointWhateverTheSeparator_data()
    {
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<int>("increment");
        QTest::addColumn<QString>("command");
        QTest::newRow("comma 10") << QChar(u',') << 10 << "DA0.1";
        QTest::newRow("comma 50") << QChar(u',') << 50 << "DA0.5";
        QTest::newRow("comma 25") << QChar(u',') << 25 << "DA0.25";
        QTest::newRow("dot 1") << QChar(u'.') << 1 << "DA0.01";
        QTest::newRow("dot 5") << QChar(u'.') << 5 << "DA0.05";
    }
    void doseArgumentUsesPointWhateverTheSeparator()
    {
        QFETCH(QChar, sep);
        QFETCH(int, increment);
        RunFixture f;
        f.settings.separators = Numbers::Separators {sep};
        f.controls.increment = increment;
        f.startWithFirstReading(5);
        f.tickUntil(8);
        QTEST(f.sink.sent.last(), "command");
    }

    void tableRowsAreWrittenInTheUsersNumberFormat_data()
    {
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<double>("startTime");
        QTest::addColumn<QString>("rows");
        // Readings 7.02 and 10.5 (a second integer digit shifts the columns), 12.34 s and
        // 71.96 s after step 1, the second after one dose of 0.1 mL.
        QTest::newRow("comma") << QChar(u',') << 3600.0
                               << "  0,00    7,020  12,3  \n  0,10    10,500  72,0  \n";
        QTest::newRow("dot") << QChar(u'.') << 3600.0
                             << "  0.00    7.020  12.3  \n  0.10    10.500  72.0  \n";
        QTest::newRow("across midnight")
            << QChar(u',') << 86390.0 << "  0,00    7,020  12,3  \n  0,10    10,500  72,0  \n";
    }
    void tableRowsAreWrittenInTheUsersNumberFormat()
    {
        QFETCH(QChar, sep);
        QFETCH(double, startTime);
        QFETCH(QString, rows);
        RunFixture f;
        f.settings.separators = Numbers::Separators {sep};
        f.clock.seconds = startTime;
        f.run.cmdTitration_Click();
        f.run.Ablauf();
        auto later = [&](double seconds) {
            f.clock.seconds = startTime + seconds;
            if (f.clock.seconds >= 86400)
                f.clock.seconds -= 86400;
        };
        f.acknowledge();
        f.run.Ablauf();
        f.run.Ablauf();
        f.reading(7.02);
        later(12.34);
        f.run.Ablauf();
        f.tickUntil(7);
        f.run.Ablauf();
        f.acknowledge();
        f.run.Ablauf();
        f.run.Ablauf();
        f.reading(10.5);
        later(71.96);
        f.run.Ablauf();

        // The document keeps CR LF paragraphs; the run's rows end in LF alone.
        const QString head = QStringLiteral("  Titrations Daten\r\n   ml        pH        [s]\r\n");
        QCOMPARE(f.doc().text(), head + FakeDocument::normalise(rows));
    }

    void rowIsAppendedWithLineFeedAlone()
    {
        // The fake normalises breaks, so look at what the run hands over.
        struct RecordingDocument : FakeDocument
        {
            void appendText(const QString &text) override
            {
                appended.append(text);
                FakeDocument::appendText(text);
            }
            QStringList appended;
        };
        struct Host : DocumentHost
        {
            AbstractDocument *activeDocument() override { return &doc; }
            AbstractDocument *newDocument() override { return &doc; }
            RecordingDocument doc;
        } host;
        RunFixture f;
        TitrationRun run(f.store, f.settings, host, f.sink, f.controls, f.timer, f.clock);
        run.cmdTitration_Click();
        run.Ablauf();
        f.acknowledge();
        run.Ablauf();
        run.Ablauf();
        f.reading(-123.4);
        f.clock.seconds += 5;
        run.Ablauf();
        QCOMPARE(host.doc.appended.last(), QStringLiteral("  0,00    -123,400  5,0  \n"));
    }

    void runEndsOnlyWhenTheEndValueIsPassed_data()
    {
        QTest::addColumn<QString>("endValue");
        QTest::addColumn<std::vector<double>>("readings");
        QTest::addColumn<int>("rows"); // rows when the run stopped
        QTest::newRow("rising, passed") << "9" << std::vector<double> {7, 8, 9.5, 10} << 3;
        QTest::newRow("rising, reached exactly")
            << "9" << std::vector<double> {7, 8, 9, 9, 9.01} << 5;
        QTest::newRow("falling, passed") << "4" << std::vector<double> {7, 5, 3.9, 3} << 3;
        QTest::newRow("falling, reached exactly")
            << "4" << std::vector<double> {7, 4, 4, 3.99} << 4;
        QTest::newRow("decimal end value") << "7,5" << std::vector<double> {7, 7.5, 7.51} << 3;
        QTest::newRow("first reading already past")
            << "6,5" << std::vector<double> {7, 7.1, 6.4} << 3;
        QTest::newRow("millivolts falling") << "-100" << std::vector<double> {50, -99, -101} << 3;
    }
    void runEndsOnlyWhenTheEndValueIsPassed()
    {
        QFETCH(QString, endValue);
        QFETCH(std::vector<double>, readings);
        RunFixture f;
        f.controls.endValue = endValue;
        f.startWithFirstReading(readings[0]);
        for (size_t i = 1; i < readings.size() && f.run.isRunning(); ++i) {
            f.tickUntil(5);
            f.run.Ablauf(); // end check
            f.nextReading(readings[i]);
        }
        f.tickUntil(0, 2); // end check after the last reading
        QVERIFY(!f.run.isRunning());
        QTEST(int(f.store.AnzahlWerte), "rows");
        QCOMPARE(f.store.DatenModus, MeasurementStore::DataMode);
        QCOMPARE(f.run.Schritt, qint16(0));
        QVERIFY(!f.timer.enabled);
    }

    void endVolumeComparesTheRunningSum_data()
    {
        QTest::addColumn<QString>("endVolume");
        QTest::addColumn<int>("increment");
        QTest::addColumn<int>("doses");
        QTest::newRow("0,05 after five doses") << "0,05" << 1 << 5;
        // Ten doses of 0.01 add up to just below 0.1.
        QTest::newRow("0,1 after eleven doses") << "0,1" << 1 << 11;
        QTest::newRow("0,5 after one dose of 0,5") << "0,5" << 50 << 1;
        QTest::newRow("0 before any dose") << "0" << 10 << 0;
    }
    void endVolumeComparesTheRunningSum()
    {
        QFETCH(QString, endVolume);
        QFETCH(int, increment);
        QFETCH(int, doses);
        RunFixture f;
        f.controls.endVolume = endVolume;
        f.controls.increment = increment;
        f.startWithFirstReading(7);
        for (int i = 0; i < 100 && f.run.isRunning(); ++i) {
            f.tickUntil(5);
            f.run.Ablauf();
            f.nextReading(7);
        }
        QVERIFY(!f.run.isRunning());
        QCOMPARE(int(f.sink.sent.filter(QStringLiteral("DA")).size()), doses);
        QCOMPARE(int(f.store.AnzahlWerte), doses + 1);
    }

    void endValuesAreReadFromTheDialogAtEveryCheck()
    {
        RunFixture f;
        f.settings.EndWert = 9;
        f.settings.EndVol = 20;
        f.controls.endValue = QStringLiteral("abc"); // not a number: the old value holds
        f.controls.endVolume = QStringLiteral("15,5");
        f.startWithFirstReading(7);
        f.run.Ablauf();
        QCOMPARE(f.settings.EndWert, 9.0);
        QCOMPARE(f.settings.EndVol, 15.5);
        QVERIFY(f.run.isRunning());
        f.nextReading(8);
        f.controls.endValue = QStringLiteral("7,5"); // lowered during the run
        f.run.Ablauf();
        QCOMPARE(f.settings.EndWert, 7.5);
        QVERIFY(!f.run.isRunning());
    }

    void missingReplyRestartsTheRunAfterTwentyTicks_data()
    {
        QTest::addColumn<int>("waitingStep");
        QTest::newRow("range acknowledgement") << 2;
        QTest::newRow("reading") << 4;
        QTest::newRow("dose acknowledgement") << 8;
    }
    void missingReplyRestartsTheRunAfterTwentyTicks()
    {
        QFETCH(int, waitingStep);
        RunFixture f;
        f.startWithFirstReading(7);
        f.nextReading(7.5);
        QCOMPARE(f.store.MessIndex, qint16(2));
        if (waitingStep == 2) {
            f.run.cmdTitration_Click();
            f.run.cmdTitration_Click();
            f.run.Ablauf();
        } else {
            f.advanceTo(waitingStep);
        }
        QCOMPARE(f.run.Schritt, qint16(waitingStep));
        const int sent = f.sink.sent.size();
        for (int i = 0; i < 19; ++i)
            f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(waitingStep));
        f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(1));
        QCOMPARE(f.sink.sent.size(), sent);
        f.clock.seconds += 100;
        f.run.Ablauf();
        QCOMPARE(f.sink.sent.last(), QStringLiteral("FP"));
        QCOMPARE(f.store.MessIndex, qint16(0));
        QCOMPARE(f.run.Volumen, 0.0);
        QCOMPARE(f.run.StartZeit, f.clock.seconds);
    }

    void replyTakenOnTheTwentiethTickStillRestarts()
    {
        RunFixture f;
        f.run.cmdTitration_Click();
        f.run.Ablauf();
        for (int i = 0; i < 19; ++i)
            f.run.Ablauf();
        f.acknowledge();
        f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(1));
        QCOMPARE(f.store.Rueckmeldung, QString());
    }

    void restartKeepsTheRowsInTheTextAndWritesFromZeroAgain()
    {
        RunFixture f;
        f.startWithFirstReading(7);
        f.nextReading(7.5);
        f.tickUntil(8);
        f.tickUntil(1);
        f.run.Ablauf();
        f.acknowledge();
        f.run.Ablauf();
        f.run.Ablauf();
        f.reading(6);
        f.run.Ablauf();
        const QStringList lines = f.doc().text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        QVERIFY(lines[3].startsWith(QStringLiteral("  0,10    7,500")));
        QVERIFY(lines[4].startsWith(QStringLiteral("  0,00    6,000")));
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
        f.startWithFirstReading(7);
        f.nextReading(8);
        if (step <= 2) {
            f.run.cmdTitration_Click();
            f.run.cmdTitration_Click();
        }
        if (step == 2)
            f.run.Ablauf();
        if (step > 2)
            f.advanceTo(step);
        QCOMPARE(f.run.Schritt, qint16(step));
        const qint16 rows = f.store.MessIndex;
        QSignalSpy running(&f.run, &TitrationRun::runningChanged);

        f.run.cmdTitration_Click();

        QVERIFY(!f.run.isRunning());
        QCOMPARE(running.size(), 1);
        QCOMPARE(running.at(0).at(0).toBool(), false);
        QCOMPARE(f.run.Schritt, qint16(0));
        QVERIFY(!f.timer.enabled);
        QCOMPARE(f.store.AnzahlWerte, rows);
        QCOMPARE(f.store.DatenModus, MeasurementStore::DataMode);
        const int sent = f.sink.sent.size();
        f.acknowledge();
        f.reading(9);
        f.run.Ablauf();
        QCOMPARE(f.sink.sent.size(), sent);
        QCOMPARE(f.run.Schritt, qint16(0));
    }

    void stopBeforeTheFirstReadingHandsOnNoRows()
    {
        RunFixture f;
        f.store.MessIndex = 37; // left from an earlier run
        f.run.cmdTitration_Click();
        f.run.cmdTitration_Click();
        QCOMPARE(f.store.AnzahlWerte, qint16(0));
    }

    void runStopsByItselfAfterTheFourHundredNinetyNinthRow()
    {
        RunFixture f;
        f.controls.endVolume = QStringLiteral("1000");
        f.controls.increment = 1;
        f.startWithFirstReading(7);
        int readings = 1;
        while (f.run.isRunning() && readings < 600) {
            f.tickUntil(5);
            f.run.Ablauf();
            f.nextReading(7);
            ++readings;
        }
        QVERIFY(!f.run.isRunning());
        QCOMPARE(f.store.AnzahlWerte, qint16(499));
        QCOMPARE(int(f.doc().text().count(QStringLiteral("\r\n"))), 2 + 499);
        QVERIFY(!f.cell(499, 2).isNull);
        QVERIFY(f.cell(500, 1).isNull);
        QVERIFY(f.cell(500, 2).isNull);
        QCOMPARE(f.store.Messwerte[499][0], 0.0);
        QCOMPARE(int(f.sink.sent.filter(QStringLiteral("DA")).size()), 498);
    }

    void waitingTicksFollowTheDialogAtTheStart_data()
    {
        QTest::addColumn<int>("waiting");
        QTest::newRow("one") << 1;
        QTest::newRow("five") << 5;
        QTest::newRow("sixty seconds") << 600;
    }
    void waitingTicksFollowTheDialogAtTheStart()
    {
        QFETCH(int, waiting);
        RunFixture f;
        f.controls.waiting = waiting;
        f.startWithFirstReading(7);
        f.controls.waiting = 2; // read only at the start
        f.run.Ablauf();
        QCOMPARE(f.run.Schritt, qint16(6));
        QCOMPARE(f.tickUntil(7), waiting);
        QCOMPARE(f.timer.ms, 500);
    }

    void failedCommandStopsTheRunAndKeepsItsRows_data()
    {
        QTest::addColumn<QString>("refused");
        QTest::addColumn<int>("rows");
        QTest::newRow("range") << "FP" << 0;
        QTest::newRow("reading") << "M" << 2;
        QTest::newRow("dose") << "DA" << 2;
    }
    void failedCommandStopsTheRunAndKeepsItsRows()
    {
        QFETCH(QString, refused);
        RunFixture f;
        QSignalSpy failed(&f.run, &TitrationRun::failed);
        if (refused == QLatin1String("FP")) {
            f.sink.failOn = refused;
            f.run.cmdTitration_Click();
            f.run.Ablauf();
        } else {
            f.startWithFirstReading(7);
            f.nextReading(8);
            f.sink.failOn = refused;
            f.advanceTo(0, 8, 100);
        }
        QVERIFY(!f.run.isRunning());
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).value<TitrationRun::Failure>(),
            TitrationRun::Failure::CommandNotWritten);
        QCOMPARE(failed.at(0).at(1).toString(), QStringLiteral("port closed"));
        QTEST(int(f.store.AnzahlWerte), "rows");
        QCOMPARE(f.store.DatenModus, MeasurementStore::DataMode);
        QVERIFY(!f.timer.enabled);
        QCOMPARE(int(f.doc().text().count(QStringLiteral("\r\n"))), 2 + f.store.AnzahlWerte);
    }

    void closingTheDocumentStopsTheRunAtItsNextWrite_data()
    {
        QTest::addColumn<int>("step"); // where the run waits when the documents go
        QTest::newRow("before the range command") << 1;
        QTest::newRow("waiting for a reading") << 4;
        QTest::newRow("waiting for a dose") << 8;
    }
    void closingTheDocumentStopsTheRunAtItsNextWrite()
    {
        QFETCH(int, step);
        RunFixture f;
        QSignalSpy failed(&f.run, &TitrationRun::failed);
        f.startWithFirstReading(7);
        if (step == 1) {
            f.run.cmdTitration_Click();
            f.run.cmdTitration_Click();
        } else {
            f.advanceTo(step);
        }
        const qint16 rows = f.store.MessIndex;
        f.documents.closeAll();
        f.acknowledge();
        f.reading(8);
        f.run.Ablauf();
        QVERIFY(!f.run.isRunning());
        QCOMPARE(failed.size(), 1);
        QCOMPARE(
            failed.at(0).at(0).value<TitrationRun::Failure>(), TitrationRun::Failure::NoDocument);
        QCOMPARE(f.store.AnzahlWerte, rows);
    }

    void rowsFollowTheDocumentTheUserActivates()
    {
        RunFixture f;
        f.startWithFirstReading(7);
        FakeDocument *runDoc = f.documents.active();
        FakeDocument *other = static_cast<FakeDocument *>(f.documents.newDocument());
        f.nextReading(8);
        QVERIFY(f.run.isRunning());
        QCOMPARE(runDoc->text().count(QStringLiteral("\r\n")), 3);
        QVERIFY(other->text().startsWith(QStringLiteral("  0,10    8,000")));
        QCOMPARE(other->chartModel().cell(2, 2).value, 8.0);
    }
};

QTEST_GUILESS_MAIN(tst_TitrationRun)
#include "tst_titrationrun.moc"
