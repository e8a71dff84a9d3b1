// The application frame's parts that need no window: the last-method file, the settings store
// and window geometry, the option values and the splash wait.
#include "app/methodfile.h"
#include "app/optionvalues.h"
#include "app/settingsstore.h"
#include "app/splashwait.h"
#include "app/windowgeometry.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <limits>
#include <sys/resource.h>

using Numbers::Separators;

namespace {

// Method file lines written with ";" for the CR LF that ends each.
QByteArray lines(QByteArray text)
{
    return text.replace(';', "\r\n");
}

QByteArray fixture(const char *name)
{
    QFile f(QStringLiteral(KALUMET_TEST_DATA_DIR "/app/") + QLatin1StringView(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing fixture>");
}

// Reads the scripted times one by one; a read past the end means the wait went on too long.
struct ScriptedClock final : Clock
{
    QList<double> readings;
    mutable qsizetype next = 0;
    double secondsSinceMidnight() const override
    {
        return next < readings.size() ? readings[next++] : (++next, 1e9);
    }
    QDateTime now() const override { return {}; }
};

} // namespace

class tst_AppCore : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_case = 0;

    // QSettings caches files by name and time stamp: every case gets a path of its own.
    QString casePath() const { return m_dir.filePath(QString::number(m_case)); }

private Q_SLOTS:
    void init() { ++m_case; }

    void methodFileReadsWhatConvertsAndKeepsTheRest_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<char>("sep");
        QTest::addColumn<QString>("fields"); // as read, "|" between them
        const QByteArray longest(MethodFile::MaxLineLength, 'y');
        const QString untouched = QStringLiteral("9.25|8.5|7|6.5|5.5|keep|4|3");
        QTest::newRow("example") << lines("0,05;2;2;7,5;20;1,5;1;0;") << ','
                                 << "0.05|2|2|7.5|20|1,5|1|0";
        QTest::newRow("letters keep their field")
            << lines("1;2;3;abc;5;6;2;1;") << '.' << "1|2|3|6.5|5|6|2|1";
        QTest::newRow("empty file") << QByteArray() << '.' << untouched;
        QTest::newRow("binary file") << fixture("binary.kmt") << '.' << untouched;
        QTest::newRow("empty dose line") << lines("1;2;3;4;5;;") << '.' << "1|2|3|4|5||4|3";
        QTest::newRow("no line end at the end")
            << lines("1;2;3;4;5;x;1;0") << '.' << "1|2|3|4|5|x|1|0";
        QTest::newRow("CR alone") << QByteArray("1\r2\r3\r4\r5\rx\r1\r1\r") << '.'
                                  << "1|2|3|4|5|x|1|1";
        QTest::newRow("LF alone") << QByteArray("1\n2\n3\n4\n5\nx\n1\n1\n") << '.'
                                  << "1|2|3|4|5|x|1|1";
        QTest::newRow("bytes out of range")
            << lines("1;1;256;1;1;;-1;1000;") << '.' << "1|1|7|1|1||4|3";
        QTest::newRow("Latin-1 dose text")
            << lines("1;2;3;4;5;\xe4\xb5;1;0;") << '.' << "1|2|3|4|5|\u00E4\u00B5|1|0";
        QTest::newRow("line of the greatest length")
            << lines("1;2;3;4;5;" + longest + ";2;1;") << '.'
            << "1|2|3|4|5|" + QString::fromLatin1(longest) + "|2|1";
        QTest::newRow("overlong line")
            << lines("1;2;3;4;5;" + longest + "x;2;1;") << '.' << "1|2|3|4|5|keep|2|1";
        QTest::newRow("line crossing the read bound")
            << QByteArray(MethodFile::MaxBytes - 3, 'x') + lines(";2;3;") << '.' << untouched;
        QTest::newRow("line cut by the read bound")
            << lines("1;2;3;4;5;") + QByteArray(MethodFile::MaxBytes, '7') << '.'
            << "1|2|3|4|5|keep|4|3";
    }
    void methodFileReadsWhatConvertsAndKeepsTheRest()
    {
        QFETCH(QByteArray, content);
        QFETCH(char, sep);
        QFETCH(QString, fields);
        QBuffer buffer(&content);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        // RsPort, Sprache, Bereich, EndWert, EndVol, InkZeit, VolInk: unlike any file's value.
        SettingsRecord r {7, 4, 3, 6.5, 5.5, 8.5, 9.25, Separators {QChar(sep)}};
        QString dos = QStringLiteral("keep");
        MethodFile::read(buffer, r, dos);
        const QStringList read {QString::number(r.VolInk), QString::number(r.InkZeit),
            QString::number(r.RsPort), QString::number(r.EndWert), QString::number(r.EndVol), dos,
            QString::number(r.Sprache), QString::number(r.Bereich)};
        QCOMPARE(read.join(u'|'), fields);
        QVERIFY(buffer.pos() <= MethodFile::MaxBytes + 1); // never reads without bound
    }

    void methodFileIsWrittenAsEightLinesEndedByCrLf_data()
    {
        QTest::addColumn<char>("sep");
        QTest::addColumn<QString>("dos");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("example") << ',' << "1,5" << lines("0,05;2;2;7,5;20;1,5;1;0;");
        QTest::newRow("under dot") << '.' << "1,5" << lines("0.05;2;2;7.5;20;1,5;1;0;");
        QTest::newRow("dose text beyond Latin-1 and with a line break")
            << ',' << "\u00FC\u20AC\r\n5" << lines("0,05;2;2;7,5;20;\xfc?5;1;0;");
    }
    void methodFileIsWrittenAsEightLinesEndedByCrLf()
    {
        QFETCH(char, sep);
        QFETCH(QString, dos);
        QFETCH(QByteArray, text);
        const SettingsRecord record {
            2, 1, 0, 7.5, 20, 2, 0.05, Separators {QChar(sep)}}; // as above
        QCOMPARE(MethodFile::compose(record, dos), text);
    }

    void failedMethodFileWriteLeavesThePreviousFileWhole()
    {
        QVERIFY(QDir().mkpath(casePath()));
        const QString path = casePath() + QStringLiteral("/lastmeth.kmt");
        const QByteArray previous = lines("0.5;0.5;1;0;0;;2;0;");
        QVERIFY(MethodFile::write(path, previous));

        // Files may not grow beyond 64 bytes for a moment (this holds for root as well).
        struct rlimit old;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        struct rlimit small = old;
        small.rlim_cur = 64;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool written = MethodFile::write(path, QByteArray(4096, 'x'), &error);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!written);
        QVERIFY(error.contains(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), previous);
        QCOMPARE(QDir(casePath()).entryList(QDir::Files | QDir::Hidden),
            QStringList {QStringLiteral("lastmeth.kmt")}); // no temporary left behind
    }

    void storedSettingsAreReadInTheUsersFormat_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<char>("sep");
        QTest::addColumn<double>("value");
        QTest::newRow("comma quoted") << QByteArray("InkZeit=\"2,5\"") << ',' << 2.5;
        QTest::newRow("comma hand-edited") << QByteArray("InkZeit=2,5") << ',' << 2.5;
        QTest::newRow("dot") << QByteArray("InkZeit=2.5") << '.' << 2.5;
        QTest::newRow("missing: the default") << QByteArray() << ',' << 0.5;
        QTest::newRow("letters: the default") << QByteArray("InkZeit=abc") << ',' << 0.5;
    }
    void storedSettingsAreReadInTheUsersFormat()
    {
        QFETCH(QByteArray, line);
        QFETCH(char, sep);
        QFETCH(double, value);
        QFile f(casePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Settings]\n" + line + "\n");
        f.close();
        QSettings settings(casePath(), QSettings::IniFormat);
        const SettingsStore store(settings, Separators {QChar(sep)});
        QCOMPARE(store.readNumber(SettingsStore::InkZeit, SettingsStore::DefaultInkZeit), value);
    }

    void unwritableSettingsStoreReportsFailure()
    {
        // The store's directory is a plain file, so nothing can be written below it.
        QFile blocker(casePath());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QSettings settings(casePath() + QStringLiteral("/Kalumet.conf"), QSettings::IniFormat);
        QString error;
        QVERIFY(!SettingsStore(settings, Separators::dot()).write({}, 0.5, 0.5, &error));
        QVERIFY(!error.isEmpty());
    }

    void geometryKeepsTheTwipsOfUntouchedSides()
    {
        // 1000 twips are 66.7 pixels at 96 dpi and 83.3 at 120 dpi: sides the user left alone
        // must not drift to 1005 or 996 twips; a side that moved is saved from its pixels.
        const SettingsStore::Geometry applied {1000, 1000, 6500, 6500};
        for (const double dpi : {96.0, 120.0}) {
            const QRect moved = WindowGeometry::toPixels(applied, {dpi, dpi}).translated(10, 0);
            const SettingsStore::Geometry saved
                = WindowGeometry::toTwips(moved, applied, {dpi, dpi});
            QCOMPARE(saved.left, float(moved.x() * 1440.0 / dpi));
            QCOMPARE(saved.top, 1000.0f);
            QCOMPARE(saved.width, 6500.0f);
            QCOMPARE(WindowGeometry::toPixels(saved, {dpi, dpi}), moved);
        }
    }

    void scrollValuesAreRoundedAndClamped_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("voll");
        QTest::addColumn<int>("zeit");
        QTest::newRow("defaults 0.5") << 0.5 << 50 << 5;
        QTest::newRow("0.125 mL ties to even") << 0.125 << 12 << 1;
        QTest::newRow("0.35 s ties to even") << 0.35 << 35 << 4;
        QTest::newRow("above the ranges") << 70.0 << 50 << 600;
        QTest::newRow("negative") << -3.0 << 1 << 1;
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

    void splashWaitEndsAtItsTarget_data()
    {
        QTest::addColumn<QList<double>>("readings");
        QTest::addColumn<int>("stopAfter"); // rounds after which the wait is asked to end, or -1
        QTest::addColumn<int>("rounds");
        // Targets: start + 2 to the nearest whole second, ties to the even one.
        QTest::newRow("100.2 waits for 102")
            << QList<double> {100.2, 100.9, 101.99, 102} << -1 << 2;
        QTest::newRow("100.5 waits for 102, not 103") << QList<double> {100.5, 101, 102} << -1 << 1;
        QTest::newRow("midnight passes")
            << QList<double> {86399.2, 86399.8, 86400.4, 0.3} << -1 << 2;
        QTest::newRow("midnight at once") << QList<double> {86399.9, 0} << -1 << 0;
        QTest::newRow("asked to end") << QList<double> {100, 100.1, 100.2, 100.3} << 2 << 2;
    }
    void splashWaitEndsAtItsTarget()
    {
        QFETCH(QList<double>, readings);
        QFETCH(int, stopAfter);
        QFETCH(int, rounds);
        ScriptedClock clock;
        clock.readings = readings;
        int processed = 0;
        QCOMPARE(splashWait(
                     clock, [&] { ++processed; }, [&] { return processed == stopAfter; }),
            rounds);
        QCOMPARE(processed, rounds);
        QCOMPARE(clock.next, readings.size()); // ended at the last reading, not later
    }
};

QTEST_GUILESS_MAIN(tst_AppCore)
#include "tst_appcore.moc"
