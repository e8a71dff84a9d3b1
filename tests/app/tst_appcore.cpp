#include "app/captiontable.h"
#include "app/optionvalues.h"
#include "app/signalwatcher.h"
#include "app/splashwait.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <limits>

using Numbers::Separators;

namespace {

// Hands out the scripted readings one by one; past the end it reads far in the future
// and notes that the wait went on longer than it should have.
class ScriptedClock final : public Clock
{
public:
    explicit ScriptedClock(QList<double> readings)
        : m_readings(std::move(readings))
    { }
    double secondsSinceMidnight() const override
    {
        if (m_next < m_readings.size())
            return m_readings[m_next++];
        m_overrun = true;
        return 1e9;
    }
    QDateTime now() const override { return {}; }
    bool overrun() const { return m_overrun; }

private:
    QList<double> m_readings;
    mutable qsizetype m_next = 0;
    mutable bool m_overrun = false;
};

} // namespace

class tst_AppCore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void splashWaitEndsAtItsTarget_data()
    {
        QTest::addColumn<QList<double>>("readings");
        QTest::addColumn<int>("rounds");
        // Targets: start + 2 to the nearest whole second, ties to the even one.
        QTest::newRow("100.2 waits for 102") << QList<double> {100.2, 100.9, 101.99, 102.0} << 2;
        QTest::newRow("100.5 waits for 102 (tie to even)")
            << QList<double> {100.5, 101.0, 102.0} << 1;
        QTest::newRow("101.5 waits for 104 (tie to even)")
            << QList<double> {101.5, 102.5, 103.5, 103.99, 104.0} << 3;
        QTest::newRow("clock already past the target") << QList<double> {10.0, 13.0} << 0;
        QTest::newRow("midnight passes") << QList<double> {86399.2, 86399.8, 86400.4, 0.3} << 2;
        QTest::newRow("midnight right after the start") << QList<double> {86399.9, 0.0} << 0;
    }
    void splashWaitEndsAtItsTarget()
    {
        QFETCH(QList<double>, readings);
        QFETCH(int, rounds);
        ScriptedClock clock(readings);
        int processed = 0;
        QCOMPARE(splashWait(clock, [&] { ++processed; }), rounds);
        QCOMPARE(processed, rounds);
        QVERIFY(!clock.overrun());
    }

    void splashWaitEndsWhenAskedTo()
    {
        ScriptedClock clock({100.0, 100.1, 100.2, 100.3, 100.4});
        int processed = 0;
        QCOMPARE(splashWait(
                     clock, [&] { ++processed; }, [&] { return processed == 2; }),
            2);
    }

    void scrollValuesAreRoundedAndClamped_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("voll");
        QTest::addColumn<int>("zeit");
        QTest::newRow("defaults 0.5") << 0.5 << 50 << 5;
        QTest::newRow("0.01 mL, 0.01 s") << 0.01 << 1 << 1;
        QTest::newRow("0.125 ties to even") << 0.125 << 12 << 1;
        QTest::newRow("0.25 s ties to even") << 0.25 << 25 << 2;
        QTest::newRow("0.35 s ties to even") << 0.35 << 35 << 4;
        QTest::newRow("above the ranges") << 70.0 << 50 << 600;
        QTest::newRow("zero") << 0.0 << 1 << 1;
        QTest::newRow("negative") << -3.0 << 1 << 1;
        QTest::newRow("huge") << 1e300 << 50 << 600;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 50 << 600;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 1 << 1;
    }
    void scrollValuesAreRoundedAndClamped()
    {
        QFETCH(double, value);
        QFETCH(int, voll);
        QFETCH(int, zeit);
        QCOMPARE(OptionValues::vscrVollFor(value), voll);
        QCOMPARE(OptionValues::vscrZeitFor(value), zeit);
    }

    void scrollLabelsUseTheUsersSeparator_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<QString>("volume");
        QTest::addColumn<QString>("time");
        QTest::newRow("5 comma") << 5 << QChar(u',') << "0,05 ml"
                                 << "0,5 s";
        QTest::newRow("5 dot") << 5 << QChar(u'.') << "0.05 ml"
                               << "0.5 s";
        QTest::newRow("1") << 1 << QChar(u',') << "0,01 ml"
                           << "0,1 s";
        QTest::newRow("3 without float noise") << 3 << QChar(u'.') << "0.03 ml"
                                               << "0.3 s";
        QTest::newRow("50") << 50 << QChar(u',') << "0,5 ml"
                            << "5 s";
        QTest::newRow("600 s") << 600 << QChar(u',') << "6 ml"
                               << "60 s";
    }
    void scrollLabelsUseTheUsersSeparator()
    {
        QFETCH(int, value);
        QFETCH(QChar, sep);
        QFETCH(QString, volume);
        QFETCH(QString, time);
        QCOMPARE(OptionValues::volumeLabel(value, Separators {sep}), volume);
        QCOMPARE(OptionValues::timeLabel(value, Separators {sep}), time);
    }

    void okTakesOverNumericEndValuesOnly_data()
    {
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<QString>("typed"); // as typed, before the field loses focus
        QTest::addColumn<QString>("shown"); // after focus loss
        QTest::addColumn<double>("endWert");
        QTest::newRow("7.5 under comma") << QChar(u',') << "7.5"
                                         << "7,5" << 7.5;
        QTest::newRow("7,5 under dot") << QChar(u'.') << "7,5"
                                       << "7.5" << 7.5;
        QTest::newRow("1,000.5 under comma is no number") << QChar(u',') << "1,000.5"
                                                          << "1,000,5" << 3.0;
        QTest::newRow("letters") << QChar(u',') << "abc"
                                 << "abc" << 3.0;
        QTest::newRow("empty") << QChar(u'.') << ""
                               << "" << 3.0;
        QTest::newRow("negative mV") << QChar(u'.') << "-250"
                                     << "-250" << -250.0;
    }
    void okTakesOverNumericEndValuesOnly()
    {
        QFETCH(QChar, sep);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(double, endWert);
        const QString normalised = OptionValues::normaliseDecimal(typed, Separators {sep});
        QCOMPARE(normalised, shown);

        SettingsRecord record;
        record.separators = Separators {sep};
        record.EndWert = 3;
        record.EndVol = 4;
        OptionValues::Confirmed values;
        values.vscrVoll = 50;
        values.vscrZeit = 600;
        values.endWertText = normalised;
        values.endVolText = normalised;
        values.rsPort = 3;
        OptionValues::applyOk(values, record);
        QCOMPARE(record.EndWert, endWert);
        QCOMPARE(record.EndVol, endWert == 3.0 ? 4.0 : endWert);
        QCOMPARE(record.VolInk, 0.5);
        QCOMPARE(record.InkZeit, 60.0);
        QCOMPARE(int(record.RsPort), 3);
    }

    void captionTableRowsAreParsed()
    {
        QByteArray text = "# comment\r\n"
                          "\n"
                          "frmMain\tmnuFile\tDatei\tfile\r\n"
                          "frmOption\tfrmOption\tOptionen\toptions\n"
                          "frmMain\tmnuWindowCascade\t\xc3\x9c"
                          "bereinander\tcascade\n"
                          "frmMain\ttoo\tfew\n"
                          "frmMain\tcmdAbleit\tAbleit\t1stdev\textra\n"
                          "\tnoWindow\ta\tb\n"
                          "frmMain\tempty english\tLeer\t\n";
        QBuffer buffer(&text);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        int skipped = -1;
        const QList<Caption> rows = CaptionTable::parse(buffer, &skipped);
        QCOMPARE(skipped, 3);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].control, QStringLiteral("mnuFile"));
        QCOMPARE(rows[0].text(true), QStringLiteral("Datei"));
        QCOMPARE(rows[0].text(false), QStringLiteral("file"));
        QCOMPARE(rows[1].window, QStringLiteral("frmOption"));
        QCOMPARE(rows[2].german, QStringLiteral("\u00DCbereinander"));
        QCOMPARE(rows[3].english, QString());
    }

    void terminationSignalsArriveOnTheEventLoop_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void terminationSignalsArriveOnTheEventLoop()
    {
        QFETCH(int, number);
        SignalWatcher watcher;
        QVERIFY(watcher.isActive());
        QSignalSpy spy(&watcher, &SignalWatcher::terminationRequested);
        QCOMPARE(::raise(number), 0);
        QCOMPARE(spy.size(), 0); // nothing happens inside the handler
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), number);
    }

    void twoSignalsInARowArriveBoth()
    {
        SignalWatcher watcher;
        QSignalSpy spy(&watcher, &SignalWatcher::terminationRequested);
        ::raise(SIGTERM);
        ::raise(SIGHUP);
        QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 2, 5000);
    }
};

QTEST_GUILESS_MAIN(tst_AppCore)
#include "tst_appcore.moc"
