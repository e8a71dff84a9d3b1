// The application frame's parts that need no window: the last-method file, the settings store,
// the sample entered at the start and the splash wait.
#include "app/methodfile.h"
#include "app/sampleentry.h"
#include "app/settingsstore.h"
#include "app/splashwait.h"
#include "support/diskfiles.h"

#include <QBuffer>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using Numbers::Separators;

namespace {

// Method file lines written with ";" for the CR LF that ends each.
QByteArray lines(QByteArray text)
{
    return text.replace(';', "\r\n");
}

// Bytes 0x80..0x9F in Windows-1252; the five bytes it leaves unused stand for themselves.
const QString Windows1252High = QStringLiteral(
    "\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u008D"
    "\u017D\u008F\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A"
    "\u0153\u009D\u017E\u0178");

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
    bool writeCase(const QByteArray &content) const { return writeAll(casePath(), content); }
private Q_SLOTS:
    void init() { ++m_case; }

    void methodFileReadsWhatConvertsAndKeepsTheRest_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("fields"); // as read under ",", "|" between them
        const QByteArray longest(MethodFile::MaxLineLength, 'y');
        const QString untouched = QStringLiteral("9.25|8.5|7|6.5|5.5|keep|4|3");
        QTest::newRow("example") << lines("0,05;2;2;7,5;20;1,5;1;0;") << "0.05|2|2|7.5|20|1,5|1|0";
        QTest::newRow("binary file")
            << readAll(QStringLiteral(KALUMET_TEST_DATA_DIR "/app/binary.kmt")) << untouched;
        QTest::newRow("short, LF alone") << QByteArray("1\n2\n3\n4\n5\nx") << "1|2|3|4|5|x|4|3";
        QTest::newRow("bytes out of range") << lines("1;1;256;1;1;;-1;1000;") << "1|1|7|1|1||4|3";
        QTest::newRow("overlong line")
            << lines("1;2;3;4;5;" + longest + "x;2;1;") << "1|2|3|4|5|keep|2|1";
        QByteArray high; // every byte where Windows-1252 and Latin-1 differ
        for (int b = 0x80; b <= 0x9F; ++b)
            high.append(char(b));
        QTest::newRow("dose field in Windows-1252")
            << lines("1;2;3;4;5;" + high + "\xA0\xFF;2;1;")
            << "1|2|3|4|5|" + Windows1252High + "\u00A0\u00FF|2|1";
        QTest::newRow("line cut by the read bound")
            << lines("1;2;3;4;5;") + QByteArray(MethodFile::MaxBytes, '7') << "1|2|3|4|5|keep|4|3";
    }
    void methodFileReadsWhatConvertsAndKeepsTheRest()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, fields);
        QBuffer buffer(&content);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        // RsPort, Sprache, Bereich, EndWert, EndVol, InkZeit, VolInk: unlike any file's value.
        SettingsRecord r {7, 4, 3, 6.5, 5.5, 8.5, 9.25, Separators::comma()};
        QString dos = QStringLiteral("keep");
        MethodFile::read(buffer, r, dos);
        const QStringList read {QString::number(r.VolInk), QString::number(r.InkZeit),
            QString::number(r.RsPort), QString::number(r.EndWert), QString::number(r.EndVol), dos,
            QString::number(r.Sprache), QString::number(r.Bereich)};
        QCOMPARE(read.join(u'|'), fields);
        QVERIFY(buffer.pos() <= MethodFile::MaxBytes + 1); // never reads without bound
    }

    void methodFileIsWrittenAsEightLinesEndedByCrLf()
    {
        const SettingsRecord record {2, 1, 0, 7.5, 20, 2, 0.05, Separators::dot()};
        // "\u20AC" is byte 0x80; a character Windows-1252 lacks becomes "?".
        QCOMPARE(MethodFile::compose(record, QStringLiteral("\u00FC\u20AC\u0100\r\n5")),
            lines("0.05;2;2;7.5;20;\xfc\x80?5;1;0;"));
        QCOMPARE(MethodFile::compose(record, Windows1252High).split('\n').value(5),
            QByteArray("\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
                       "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F\r"));
    }

    void failedMethodFileWriteLeavesThePreviousFileWhole()
    {
        QVERIFY(QDir().mkpath(casePath()));
        const QString path = casePath() + QStringLiteral("/lastmeth.kmt");
        const QByteArray previous = lines("0.5;0.5;1;0;0;;2;0;");
        QVERIFY(MethodFile::write(path, previous));
        {
            FileSizeLimit limit(64);
            QVERIFY(!MethodFile::write(path, QByteArray(4096, 'x')));
        }
        QCOMPARE(readAll(path), previous);
        QCOMPARE(QDir(casePath()).entryList(QDir::Files | QDir::Hidden),
            QStringList {QStringLiteral("lastmeth.kmt")}); // no temporary left behind
    }

    void storedSettingsAreReadInTheUsersFormat()
    {
        QVERIFY(writeCase("[Settings]\nInkZeit=\"2,5\"\nvolink=abc\n"));
        QSettings settings(casePath(), QSettings::IniFormat);
        const SettingsStore store(settings, Separators::comma());
        QCOMPARE(store.readNumber(SettingsStore::InkZeit, 9), 2.5);
        QCOMPARE(store.readNumber(SettingsStore::VolInk, 9), 9.0); // letters: the default
    }

    void damagedStoreIsRewrittenWithoutAFalseFailure_data()
    {
        QTest::addColumn<bool>("sizeLimit"); // the write cannot happen
        QTest::newRow("section not closed") << false;
        QTest::newRow("section not closed, write fails") << true;
    }
    void damagedStoreIsRewrittenWithoutAFalseFailure()
    {
        QFETCH(bool, sizeLimit);
        QVERIFY(writeCase("[Settings\nMainLeft=5\n"));
        QSettings settings(casePath(), QSettings::IniFormat);
        SettingsStore store(settings, Separators::comma());
        store.readGeometry(); // as at start-up
        QCOMPARE(settings.status(), QSettings::FormatError);
        QString error;
        std::optional<FileSizeLimit> limit;
        if (sizeLimit)
            limit.emplace(64);
        QCOMPARE(store.write({1500, 900, 7200, 5400}, 2.5, 0.05, &error), !sizeLimit);
        limit.reset();
        QCOMPARE(error.isEmpty(), !sizeLimit);
        const QByteArray onDisk = readAll(casePath());
        QCOMPARE(onDisk.contains("MainHeight=5400\n"), !sizeLimit);
        QCOMPARE(onDisk.contains("volink=\"0,05\"\n"), !sizeLimit);
    }

    // The sample Titr. Start asks for, written over a stored one: only its three keys, and
    // nothing when the size is no number of at least 0 or the unit unknown.
    void sampleEntryIsCheckedAndStored_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QChar>("decimal");
        QTest::addColumn<QString>("stored"); // SampleId SampleSize SampleUnit; empty: refused
        QTest::addColumn<QString>("shown"); // what the next question shows, id|size|unit
        const QString id64 = QString(63, u'x') + u'Y';
        auto row = [](const char *name, const QString &id, const char *size, const char *unit,
                       char decimal, const QString &stored, const QString &shown) {
            QTest::newRow(name) << id << size << unit << QChar(decimal) << stored << shown;
        };
        row("id trimmed, decimal comma", " B-7 ", "0,25", "g", ',', "B-7 0.25 g", "B-7|0,25|g");
        row("decimal point", "X", "1,000.5", "ml", '.', "X 1000.5 mL", "X|1000.5|mL");
        row("0: not entered", "", "0", "g", ',', " 0 g", "||g");
        row("empty: not entered", "X", " ", "g", ',', "X 0 g", "X||g");
        row("minus 0 is 0", "X", "-0", "g", ',', "X 0 g", "X||g");
        row("id of 65 cut", id64 + "Z", "1", "g", ',', id64 + " 1 g", id64 + "|1|g");
        row("below 0", "X", "-0,001", "g", ',', "", "old|9|mL");
        row("infinite", "X", "1e999", "g", ',', "", "old|9|mL");
        row("unknown unit", "X", "1", "kg", ',', "", "old|9|mL");
    }
    void sampleEntryIsCheckedAndStored()
    {
        QFETCH(QString, stored);
        QFETCH(QChar, decimal);
        const Separators sep {decimal};
        QVERIFY(
            writeCase("[Method]\nSampleId=old\nSampleSize=9\nSampleUnit=mL\nTiter=\"0,998\"\n"));
        QSettings settings(casePath(), QSettings::IniFormat);
        QFETCH(QString, id);
        QFETCH(QString, size);
        QFETCH(QString, unit);
        const QString error = SampleEntry {id, size, unit}.store(settings, sep);
        QCOMPARE(error.isEmpty(), !stored.isEmpty());
        settings.sync();
        QSettings written(casePath(), QSettings::IniFormat);
        QStringList values;
        for (const char *key : {"SampleId", "SampleSize", "SampleUnit"})
            values << written.value(QStringLiteral("Method/") + QLatin1StringView(key)).toString();
        QCOMPARE(values.join(u' '), stored.isEmpty() ? QStringLiteral("old 9 mL") : stored);
        QCOMPARE(written.value("Method/Titer").toString(), QStringLiteral("0,998"));
        const SampleEntry next = SampleEntry::fromSettings(written, sep);
        QTEST(QStringList({next.id, next.size, next.unit}).join(u'|'), "shown");
    }

    void splashWaitEndsAtItsTarget_data()
    {
        QTest::addColumn<QList<double>>("readings");
        QTest::addColumn<int>("rounds");
        // Targets: start + 2 to the nearest whole second, ties to the even one.
        QTest::newRow("100.5 waits for 102") << QList<double> {100.5, 101, 102} << 1;
        QTest::newRow("midnight") << QList<double> {86399.2, 86399.8, 86400.4, 0.3} << 2;
    }
    void splashWaitEndsAtItsTarget()
    {
        QFETCH(QList<double>, readings);
        QFETCH(int, rounds);
        ScriptedClock clock;
        clock.readings = readings;
        QCOMPARE(splashWait(
                     clock, [] {}, [] { return false; }),
            rounds);
        QCOMPARE(clock.next, readings.size()); // ended at the last reading, not later
    }
};

QTEST_GUILESS_MAIN(tst_AppCore)
#include "tst_appcore.moc"
