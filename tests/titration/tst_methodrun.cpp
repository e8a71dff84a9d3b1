#include "runfixture.h"

#include <QTest>

namespace {

constexpr auto Dynamic = MethodSettings::Dosing::Dynamic;
constexpr auto Drift = MethodSettings::Reading::Drift;

} // namespace

// The run with the method the settings store names: fixed or dynamic doses, fixed or
// drift-controlled readings. Driven tick by tick with a fake clock.
class tst_MethodRun : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Each dose from the slope of the last step, at most twice the one before, in whole
    // microlitres; the end volume is met by the exact sum.
    void dynamicDoseSequence_data()
    {
        QTest::addColumn<double>("minIncrement"); // mL
        QTest::addColumn<double>("maxIncrement");
        QTest::addColumn<QString>("endVolume");
        QTest::addColumn<QList<double>>("readings");
        QTest::addColumn<QStringList>("doses");
        QTest::addColumn<QString>("lastRows");
        // 0.2 pH a dose, 10 to 200 microlitres: 10 first; 0.01 pH on 10 asks 200, grown to
        // 20; then 40, 80; a jump of 1 pH on 80 gives 16; 0.01 on 16 asks 320, grown to 32.
        QTest::newRow("default increments")
            << 0.01 << 0.2 << "0,198" << QList<double> {7.0, 7.01, 7.03, 7.05, 8.05, 8.06, 8.07}
            << QStringList {"DA0.01", "DA0.02", "DA0.04", "DA0.08", "DA0.016", "DA0.032"}
            << "  0,150    8,050  0,0  \r\n  0,166    8,060  0,0  \r\n"
               "  0,198    8,070  0,0  \r\n";
        // Increments off the 10-microlitre grid: 15 first, doubled on a flat curve up to 123.
        QTest::newRow("increments of 0.015 and 0.123 mL")
            << 0.015 << 0.123 << "0,348" << QList<double>(6, 7.0)
            << QStringList {"DA0.015", "DA0.03", "DA0.06", "DA0.12", "DA0.123"}
            << "  0,105    7,000  0,0  \r\n  0,225    7,000  0,0  \r\n"
               "  0,348    7,000  0,0  \r\n";
    }
    void dynamicDoseSequence()
    {
        QFETCH(double, minIncrement);
        QFETCH(double, maxIncrement);
        QFETCH(QString, endVolume);
        QFETCH(QList<double>, readings);
        RunFixture f;
        f.controls.endVolume = endVolume;
        f.setMethod(
            {.dosingMode = Dynamic, .minIncrement = minIncrement, .maxIncrement = maxIncrement});
        QLocale::setDefault(QLocale(QLocale::German)); // the titrator reads "." all the same
        f.run.toggle();
        for (const double value : readings)
            f.takeReading(value);
        f.advanceTo(0);
        QLocale::setDefault(QLocale::c());

        QTEST(f.sink.sent.filter(QStringLiteral("DA")), "doses");
        // The end volume reached exactly.
        QCOMPARE(f.run.state().Volumen, f.settings.EndVol);
        QVERIFY(
            f.doc().text().startsWith(QStringLiteral("  Titrations Daten (dynamic, fixed)\r\n")));
        QFETCH(QString, lastRows);
        QVERIFY2(f.doc().text().endsWith(lastRows), qPrintable(f.doc().text()));
        // Each reading told with the microlitres of its row, the end after the last.
        QCOMPARE(f.readingsDifferFromRows(), QString());
        QVERIFY(f.ends.size() == 1 && f.ends[0].reason == Journal::EndReason::EndVolume);
    }

    // After the dose (here the range) the run asks once a second and takes the value the drift
    // lets through: only that one becomes the row and the point, at its own time. A value still
    // drifting at MaxWait is taken all the same, its row marked; the fixture reads the rows back
    // with the row scanner.
    void driftReadingTakesTheSettledValue_data()
    {
        QTest::addColumn<double>("maxWait");
        QTest::addColumn<QList<double>>("values"); // one per "M"
        QTest::addColumn<QString>("row");
        // "FP" at 0.1 s, acknowledged at 0.2 s; from the first "M" at 0.3 s on the ticks come
        // every 500 ms, a value every second from 0.8 s on. 4.2 and 1.8 pH/min still drift: the
        // sixth value is taken at 5.8 s, 5.7 s after "FP".
        QTest::newRow("settled") << 30.0 << QList<double> {7.0, 7.1, 7.2, 7.2, 7.2, 7.2}
                                 << "  0,00    7,200  5,7  \r\n";
        // 6 pH/min: the fourth value, 3.5 s after the first "M", is past MaxWait.
        QTest::newRow("forced at MaxWait, marked")
            << 3.0 << QList<double> {7.0, 7.1, 7.2, 7.3} << "  0,00    7,300  3,7  *\r\n";
    }
    void driftReadingTakesTheSettledValue()
    {
        QFETCH(double, maxWait);
        QFETCH(QList<double>, values);
        RunFixture f;
        f.controls.endVolume = QStringLiteral("0,1");
        f.controls.waiting = 9; // the dialog's waiting time is not used
        f.setMethod({.readingMode = Drift, .maxWait = maxWait});
        f.timer.ms = 100; // left by a run stopped while it waited
        f.run.toggle();
        qsizetype asked = 0;
        f.sink.onSend = [&](const QString &command) {
            asked += command == u"M";
        };
        for (int i = 0; i < 200 && f.run.isRunning() && f.store.MessIndex == 0; ++i) {
            f.clock.later(f.timer.ms / 1000.0);
            f.acknowledge();
            f.reading(values.value(asked - 1, values.last()));
            QVERIFY(f.cell(1, 2).isNull); // no point before the value is taken
            f.run.Ablauf();
        }
        QCOMPARE(f.sink.sent, QStringList {"FP"} + QStringList(values.size(), QStringLiteral("M")));
        QCOMPARE(f.cell(1, 2).value, values.last());
        QVERIFY(f.doc().text().startsWith(QStringLiteral("  Titrations Daten (fixed, drift)\r\n")));
        QTEST(f.doc().text().section(u'\n', 2), "row");
        QCOMPARE(f.readingsDifferFromRows(), QString()); // the values before it are no readings
        // No wait after the reading: the end check, then the dose.
        f.tick(3);
        QCOMPARE(f.sink.sent.last(), QStringLiteral("DA0.1"));
    }
};

QTEST_GUILESS_MAIN(tst_MethodRun)
#include "tst_methodrun.moc"
