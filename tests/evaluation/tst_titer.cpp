// A titrant's titer: its determination against a primary standard, the titer a result takes
// from the history, and the control limits of the history's last values.

#include "evaluation/controllimits.h"
#include "evaluation/titerchoice.h"
#include "evaluation/titerdetermination.h"

#include <QTest>

namespace {

const QDateTime Now(QDate(2026, 12, 8), QTime(10, 0), Qt::OffsetFromUTC, 3600);

Journal::Titer titer(double value, qint64 msecsOld, qint64 run)
{
    Journal::Titer t;
    t.value = value;
    t.u = 0.001;
    t.runId = run;
    t.determined = Now.addMSecs(-msecsOld);
    return t;
}

constexpr qint64 Day = 24 * 3600 * 1000;

} // namespace

Q_DECLARE_METATYPE(PrimaryStandard)

class tst_Titer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Hand-computed: n = m * P / 100 / M * factor, titer = n / (c * (V - blank)), u by the
    // relative uncertainties added in squares.
    void titerFromTheStandard_data()
    {
        QTest::addColumn<PrimaryStandard>("standard");
        QTest::addColumn<double>("concentration");
        QTest::addColumn<double>("blank");
        QTest::addColumn<double>("ep");
        QTest::addColumn<double>("uEp");
        QTest::addColumn<double>("titer"); // 0: refused
        QTest::addColumn<double>("u");
        // mass, molar mass, purity, factor, u of mass, purity, molar mass
        const auto row = [](const char *name, PrimaryStandard standard, double concentration,
                             double blank, double ep, double uEp, double titer = 0, double u = 0) {
            QTest::newRow(name) << standard << concentration << blank << ep << uEp << titer << u;
        };
        row("purity 100 %, blank 0", {0.20422, 204.22, 100, 1, 0.0001, 0, 0}, 0.1, 0, 10, 0.02, 1,
            0.0020590713);
        row("factor 2, blank, every u", {0.5, 100, 99.5, 2, 0, 0.1, 0.01}, 0.5, 0.1, 20, 0.01, 1,
            0.0011280932);
        row("EP equal to the blank", {0.2, 204.22, 100, 1}, 0.1, 1.5, 1.5, 0.01);
        row("purity above 100 %", {0.2, 204.22, 100.001, 1}, 0.1, 0, 10, 0.01);
        row("no mass", {0, 204.22, 100, 1}, 0.1, 0, 10, 0.01);
    }
    void titerFromTheStandard()
    {
        QFETCH(PrimaryStandard, standard);
        QFETCH(double, concentration);
        QFETCH(double, blank);
        QFETCH(double, ep);
        QFETCH(double, uEp);
        QFETCH(double, titer);
        QFETCH(double, u);
        const TiterOutcome outcome
            = TiterDetermination::compute(standard, concentration, blank, ep, uEp);
        QCOMPARE(outcome.titer.has_value(), titer > 0);
        QCOMPARE(outcome.error.isEmpty(), titer > 0);
        if (!outcome.titer)
            return;
        QVERIFY(qAbs(outcome.titer->value - titer) < 1e-8);
        QVERIFY2(qAbs(outcome.titer->u - u) < 1e-10,
            qPrintable(QString::number(outcome.titer->u, 'g', 12)));
    }

    // Valid up to exactly the validity's days of age; the newest valid one is taken.
    void newestValidTiterIsTaken_data()
    {
        QTest::addColumn<std::vector<Journal::Titer>>("titers");
        QTest::addColumn<int>("validityDays");
        QTest::addColumn<double>("taken"); // 0: none, 1 used
        const auto row
            = [](const char *name, std::vector<Journal::Titer> titers, int days, double taken) {
                  QTest::newRow(name) << titers << days << taken;
              };
        row("none", {}, 7, 0);
        row("exactly 7 days old", {titer(1.01, 7 * Day, 3)}, 7, 1.01);
        row("7 days and 1 ms old", {titer(1.01, 7 * Day + 1, 3)}, 7, 0);
        row("newest of two valid", {titer(1.02, Day, 4), titer(1.01, 2 * Day, 3)}, 7, 1.02);
        row("valid 0 days: only this moment's", {titer(1.03, 1, 5), titer(1.02, 0, 4)}, 0, 1.02);
    }
    void newestValidTiterIsTaken()
    {
        QFETCH(std::vector<Journal::Titer>, titers);
        QFETCH(int, validityDays);
        QFETCH(double, taken);
        const TiterChoice choice = TiterChoosing::choose(titers, validityDays, Now);
        QCOMPARE(choice.titer.has_value(), taken > 0);
        Journal::Titrant titrant;
        titrant.concentration = 0.0998;
        MethodValues typed;
        typed.titer = 0.5;
        const MethodValues applied = TiterChoosing::applied(typed, titrant, choice);
        QCOMPARE(applied.titrantConcentration, 0.0998);
        // The titer's u stands for the concentration's; with none the typed u stays.
        QCOMPARE(applied.uTiter, choice.titer ? std::optional(0.001) : std::nullopt);
        if (!choice.titer) {
            QCOMPARE(applied.titer, 1.0);
            QCOMPARE(choice.note(), QStringLiteral("no valid titer: 1 used"));
            return;
        }
        QCOMPARE(applied.titer, taken);
        QCOMPARE(choice.note(),
            QStringLiteral("titer %1 (u 0.001) determined %2 in run %3")
                .arg(taken)
                .arg(choice.titer->determined.toString(Qt::ISODate))
                .arg(choice.titer->runId));
    }

    void controlLimitsOfTheLastTen_data()
    {
        QTest::addColumn<std::vector<double>>("newestFirst");
        QTest::addColumn<int>("n"); // 0: none
        QTest::addColumn<double>("mean");
        QTest::addColumn<double>("s");
        QTest::newRow("one") << std::vector {1.01} << 0 << 0.0 << 0.0;
        QTest::newRow("two") << std::vector {1.0, 1.02} << 2 << 1.01 << 0.014142135624;
        // The two oldest, far off, are beyond the last ten.
        QTest::newRow("twelve") << std::vector {1.0, 1.02, 1.0, 1.02, 1.0, 1.02, 1.0, 1.02, 1.0,
            1.02, 5.0, 7.0} << 10
                                << 1.01 << 0.010540925534;
    }
    void controlLimitsOfTheLastTen()
    {
        QFETCH(std::vector<double>, newestFirst);
        QFETCH(int, n);
        QFETCH(double, mean);
        QFETCH(double, s);
        const std::optional<ControlLimits> limits = ControlLimits::of(newestFirst);
        QCOMPARE(limits.has_value(), n > 0);
        if (!limits)
            return;
        QCOMPARE(limits->n, n);
        QVERIFY(qAbs(limits->mean - mean) < 1e-12);
        QVERIFY(qAbs(limits->s - s) < 1e-11);
        for (const auto &[limit, k] : {std::pair {limits->warningLow, -2}, {limits->warningHigh, 2},
                 {limits->actionLow, -3}, {limits->actionHigh, 3}})
            QVERIFY2(qAbs(limit - (mean + k * s)) < 1e-11, qPrintable(QString::number(k)));
    }
};

QTEST_GUILESS_MAIN(tst_Titer)
#include "tst_titer.moc"
