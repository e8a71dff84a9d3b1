#include "runfixture.h"

#include "evaluation/rowscanner.h"

#include <QTest>

namespace {

constexpr auto Dynamic = MethodSettings::Dosing::Dynamic;
constexpr auto Drift = MethodSettings::Reading::Drift;

// Ticks at the timer's interval, the clock moving with them; every value the titrator is asked
// for comes from `valueAt` (seconds since the start), every command is acknowledged.
template<typename ValueAt>
void tickAlong(RunFixture &f, ValueAt valueAt, int maxTicks = 2000)
{
    const double start = f.clock.seconds;
    for (int i = 0; i < maxTicks && f.run.isRunning(); ++i) {
        f.clock.later(f.timer.ms / 1000.0);
        f.acknowledge();
        f.reading(valueAt(f.clock.seconds - start));
        f.run.Ablauf();
    }
}

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
        QCOMPARE(int(f.store.AnzahlWerte), int(readings.size()));
        QVERIFY(
            f.doc().text().startsWith(QStringLiteral("  Titrations Daten (dynamic, fixed)\r\n")));
        QFETCH(QString, lastRows);
        QVERIFY2(f.doc().text().endsWith(lastRows), qPrintable(f.doc().text()));
        // Each reading told with the microlitres of its row, the end after the last.
        QCOMPARE(f.readingsDifferFromRows(), QString());
        QCOMPARE(f.ends.size(), size_t(1));
        QCOMPARE(f.ends[0].reason, Journal::EndReason::EndVolume);
        QCOMPARE(f.ends[0].readingsBefore, int(readings.size()));
    }

    // After the dose the run asks once a second and takes the value the drift lets through:
    // only that one becomes the row and the point, at its own time.
    void driftReadingTakesTheSettledValue()
    {
        RunFixture f;
        f.controls.endVolume = QStringLiteral("0,1");
        f.setMethod({.readingMode = Drift});
        f.timer.ms = 100; // left by a run stopped while it waited
        f.run.toggle();
        // Values while the electrode settles, one per "M": 4.2 and 1.8 pH/min still drift.
        const QList<double> values {7.0, 7.1, 7.2, 7.2, 7.2, 7.2};
        int asked = 0;
        f.sink.onSend = [&](const QString &command) {
            if (command == u"M")
                ++asked;
        };
        for (int i = 0; i < 200 && f.run.isRunning() && f.store.MessIndex == 0; ++i) {
            f.clock.later(f.timer.ms / 1000.0);
            f.acknowledge();
            f.reading(values.value(asked - 1, 7.2));
            if (f.store.MessIndex == 0 && asked < 6)
                QVERIFY(f.cell(1, 2).isNull); // no point before the value is taken
            f.run.Ablauf();
        }
        QCOMPARE(asked, 6);
        QCOMPARE(f.sink.sent, (QStringList {"FP", "M", "M", "M", "M", "M", "M"}));
        QCOMPARE(f.cell(1, 2).value, 7.2);
        // "FP" at 0.1 s, acknowledged at 0.2 s; from the first "M" at 0.3 s on the ticks come
        // every 500 ms: the sixth value is taken at 5.8 s, 5.7 s after "FP".
        QCOMPARE(f.doc().text().section(u'\n', 2), QStringLiteral("  0,00    7,200  5,7  \r\n"));
        QCOMPARE(f.readings.size(), size_t(1)); // the values before it are no readings
        QCOMPARE(f.readingsDifferFromRows(), QString());
        // No wait after the reading: the dose follows the end check at once.
        tickAlong(f, [](double) { return 7.2; });
        QCOMPARE(f.sink.sent.mid(7, 2), (QStringList {"DA0.1", "M"}));
    }

    // A value still drifting at MaxWait is taken, and its row is marked; the row scanner still
    // reads it as a row.
    void forcedRowIsMarkedAndStillARow()
    {
        RunFixture f;
        f.controls.endVolume = QStringLiteral("0,1");
        f.setMethod({.readingMode = Drift, .maxWait = 3});
        f.run.toggle();
        // The monitor starts at 1.5 s; readings at 2, 3, 4 and 5 s, rising 6 pH/min: the
        // fourth is 3.5 s after the start, past MaxWait.
        tickAlong(
            f, [](double t) { return 7.0 + 0.1 * (t - 2); }, 10);
        QCOMPARE(f.sink.sent.count(QStringLiteral("M")), 4);
        QVERIFY(f.doc().text().startsWith(QStringLiteral("  Titrations Daten (fixed, drift)\r\n")));
        const QString row = f.doc().text().section(u'\n', 2);
        QCOMPARE(row, QStringLiteral("  0,00    7,300  4,5  *\r\n"));
        QCOMPARE(f.readingsDifferFromRows(), QString()); // told as forced

        MeasurementStore read;
        RowScanner::scan(
            row, RowScanner::Variant::Document, Numbers::Separators::comma(), read, nullptr);
        QCOMPARE(int(read.AnzahlWerte), 1);
        QCOMPARE(read.Messwerte[0][1], 7.3);
        QCOMPARE(read.Zeiten[0], 4.5);
    }
};

QTEST_GUILESS_MAIN(tst_MethodRun)
#include "tst_methodrun.moc"
