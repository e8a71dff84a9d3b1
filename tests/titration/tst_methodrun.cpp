#include "runfixture.h"

#include "chemistry.h"

#include "evaluation/equivalencepointfinder.h"
#include "evaluation/reportevaluator.h"
#include "evaluation/rowscanner.h"

#include <QTest>

#include <utility>

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
    // The head names a method other than the fixed-increment run.
    void headNamesTheMethod_data()
    {
        QTest::addColumn<int>("reading");
        QTest::addColumn<QString>("head");
        QTest::newRow("dynamic, drift") << 1 << "  Titrations Daten (dynamic, drift)\r\n";
        QTest::newRow("dynamic, fixed") << 0 << "  Titrations Daten (dynamic, fixed)\r\n";
    }
    void headNamesTheMethod()
    {
        QFETCH(int, reading);
        RunFixture f;
        f.setMethod({.dosingMode = Dynamic, .readingMode = MethodSettings::Reading(reading)});
        f.run.toggle();
        QTEST(f.doc().text().section(u'\n', 0, 0) + u'\n', "head");
    }

    // Each dose from the slope of the last step, at most twice the one before, in whole
    // microlitres; the end volume is met by the exact sum.
    void dynamicDoseSequence()
    {
        RunFixture f;
        f.controls.endVolume = QStringLiteral("0,198");
        f.setMethod({.dosingMode = Dynamic});
        f.run.toggle();
        // 0.2 pH a dose, 10 to 200 microlitres: 10 first; 0.01 pH on 10 asks 200, grown to
        // 20; then 40, 80; a jump of 1 pH on 80 gives 16; 0.01 on 16 asks 320, grown to 32.
        for (const double value : {7.0, 7.01, 7.03, 7.05, 8.05, 8.06, 8.07})
            f.takeReading(value);
        f.advanceTo(0);

        QCOMPARE(f.sink.sent.filter(QStringLiteral("DA")),
            (QStringList {"DA0.01", "DA0.02", "DA0.04", "DA0.08", "DA0.016", "DA0.032"}));
        QCOMPARE(f.run.state().Volumen, 0.198); // the end volume reached exactly
        QCOMPARE(int(f.store.AnzahlWerte), 7);
        QCOMPARE(f.store.Messwerte[5][0], 0.166);
        QVERIFY(f.doc().text().endsWith(
            QStringLiteral("  0,150    8,050  0,0  \r\n  0,166    8,060  0,0  \r\n"
                           "  0,198    8,070  0,0  \r\n")));
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
        // No wait after the reading: the dose follows the end check at once.
        tickAlong(f, [](double) { return 7.2; });
        QCOMPARE(f.sink.sent.mid(7, 2), (QStringList {"DA0.1", "M"}));
    }

    // Through the report evaluation, as on the line: every reply line goes into the document,
    // the values not taken overwrite one store row, and only the one taken becomes a row.
    void driftRepliesStandBeforeTheirRow()
    {
        RunFixture f;
        f.controls.endVolume = QStringLiteral("0,1");
        f.setMethod({.readingMode = Drift});
        ReportEvaluator evaluator(f.store, f.settings, f.documents);
        const QStringList values {"7,00", "7,10", "7,20", "7,20", "7,20", "7,20", "7,20"};
        QString pending;
        int asked = 0;
        f.sink.onSend = [&](const QString &command) {
            pending = command == u"M" ? QStringLiteral("  %1 pH\n").arg(values.value(asked++))
                                      : QStringLiteral("Y\n");
        };
        f.run.toggle();
        for (int i = 0; i < 200 && f.store.MessIndex == 0; ++i) {
            f.clock.later(0.5);
            if (!pending.isEmpty())
                evaluator.RsAuswertung(std::exchange(pending, QString()));
            f.run.Ablauf();
        }
        QCOMPARE(f.doc().text(),
            QStringLiteral("  Titrations Daten (fixed, drift)\r\n   ml        pH        [s]\r\n"
                           "Y\r\n  7,00 pH\r\n  7,10 pH\r\n  7,20 pH\r\n  7,20 pH\r\n"
                           "  7,20 pH\r\n  7,20 pH\r\n  0,00    7,200  6,5  \r\n"));
        QCOMPARE(f.store.Messwerte[0][1], 7.2);
        QVERIFY(f.cell(2, 2).isNull);
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
        const QString row = f.doc().text().section(u'\n', 2);
        QCOMPARE(row, QStringLiteral("  0,00    7,300  4,5  *\r\n"));

        MeasurementStore read;
        RowScanner::scan(
            row, RowScanner::Variant::Document, Numbers::Separators::comma(), read, nullptr);
        QCOMPARE(int(read.AnzahlWerte), 1);
        QCOMPARE(read.Messwerte[0][1], 7.3);
        QCOMPARE(read.Zeiten[0], 4.5);
    }

    // Dynamic doses with drift-controlled readings against the simulated chemistry and an
    // electrode lagging 1.5 s: dense rows at the jump, the volume an exact sum, the
    // equivalence point of the table close to the true one.
    void dynamicDriftRunAgainstTheSimulator()
    {
        RunFixture f;
        f.settings.separators = Numbers::Separators::dot();
        f.controls.endVolume = QStringLiteral("15");
        f.setMethod({.dosingMode = Dynamic, .readingMode = Drift});
        const AcidSample sample = AcidSample::forEquivalence(true, 10.0);
        Electrode electrode(0.002, 7);
        ElectrodeLag lag(1.5);
        lag.reset(sample.pH(0));
        double volume = 0, now = 0;
        double reading = 0; // what the electrode showed at the last "M"
        f.sink.onSend = [&](const QString &command) {
            // The electrode follows the solution up to now, then the command acts.
            if (const double t = f.clock.seconds - 3600; t > now) {
                lag.advance(t - now, sample.pH(volume),
                    (sample.pH(volume + 1e-4) - sample.pH(std::max(0.0, volume - 1e-4))) / 2e-4);
                now = t;
            }
            if (command.startsWith(u"DA"))
                volume += command.mid(2).toDouble();
            else if (command == u"M")
                reading = std::round(electrode.readPh(lag.indicatedPh()) * 100) / 100;
        };
        f.run.toggle();
        tickAlong(
            f, [&](double) { return reading; }, 20000);
        QVERIFY(!f.run.isRunning());
        const int rows = f.store.AnzahlWerte;
        QCOMPARE(f.store.Messwerte[rows - 1][0], f.run.state().Volumen);
        QVERIFY(f.run.state().Volumen >= 15);
        // The titrator dosed what the table says.
        QCOMPARE(
            DosedVolume::toMicrolitres(volume), DosedVolume::toMicrolitres(f.run.state().Volumen));
        int nearJump = 0;
        for (int r = 0; r < rows; ++r)
            nearJump += std::abs(f.store.Messwerte[r][0] - 10.0) < 0.1 ? 1 : 0;
        QVERIFY2(nearJump >= 8, qPrintable(QString::number(nearJump)));
        QVERIFY(rows < 200); // far fewer than at the smallest dose throughout
        const auto ep = EquivalencePointFinder::find(f.store);
        QVERIFY(ep);
        QVERIFY2(std::abs(ep->volume - sample.equivalenceVolume()) < 0.02,
            qPrintable(QString::number(ep->volume - sample.equivalenceVolume())));
    }
};

QTEST_GUILESS_MAIN(tst_MethodRun)
#include "tst_methodrun.moc"
