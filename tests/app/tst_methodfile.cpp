#include "app/methodfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using Numbers::Separators;

namespace {

// A record whose every field differs from anything a test file holds, so "unchanged" shows.
SettingsRecord sentinel(QChar sep)
{
    SettingsRecord r;
    r.VolInk = 9.25;
    r.InkZeit = 8.5;
    r.RsPort = 7;
    r.EndWert = 6.5;
    r.EndVol = 5.5;
    r.Sprache = 4;
    r.Bereich = 3;
    r.separators = Separators {sep};
    return r;
}

struct Expected
{
    double volInk = 9.25;
    double inkZeit = 8.5;
    int rsPort = 7;
    double endWert = 6.5;
    double endVol = 5.5;
    QString dos = QStringLiteral("keep");
    int sprache = 4;
    int bereich = 3;
};

QByteArray fixture(const char *name)
{
    QFile f(QStringLiteral(KALUMET_TEST_DATA_DIR "/app/") + QLatin1StringView(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", name);
    return f.readAll();
}

} // namespace

Q_DECLARE_METATYPE(Expected)

class tst_MethodFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsWhatConvertsAndKeepsTheRest_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<Expected>("expected");

        const QByteArray dotDefaults = "0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n1\r\n0\r\n";
        QTest::newRow("example under comma") << fixture("example_comma.kmt") << QChar(u',')
                                             << Expected {0.05, 2, 2, 7.5, 20, "1,5", 1, 0};
        QTest::newRow("example under dot")
            << dotDefaults << QChar(u'.') << Expected {0.5, 0.5, 1, 0, 0, "", 1, 0};
        QTest::newRow("dot file read under comma: 0.05 is 5")
            << QByteArray("0.05\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n1\r\n0\r\n") << QChar(u',')
            << Expected {5, 5, 1, 0, 0, "", 1, 0};
        QTest::newRow("letters on line 4 keep EndWert, later lines read")
            << QByteArray("0.5\r\n0.5\r\n1\r\nabc\r\n12\r\n3.5\r\n2\r\n1\r\n") << QChar(u'.')
            << Expected {0.5, 0.5, 1, 6.5, 12, "3.5", 2, 1};
        QTest::newRow("empty file") << QByteArray() << QChar(u'.') << Expected {};
        QTest::newRow("three lines") << QByteArray("0.1\r\n0.2\r\n3\r\n") << QChar(u'.')
                                     << Expected {0.1, 0.2, 3, 6.5, 5.5, "keep", 4, 3};
        QTest::newRow("five lines end before the dose field")
            << QByteArray("0.1\r\n0.2\r\n3\r\n4\r\n5\r\n") << QChar(u'.')
            << Expected {0.1, 0.2, 3, 4, 5, "keep", 4, 3};
        QTest::newRow("empty line 6 empties the dose field")
            << QByteArray("0.1\r\n0.2\r\n3\r\n4\r\n5\r\n\r\n") << QChar(u'.')
            << Expected {0.1, 0.2, 3, 4, 5, "", 4, 3};
        QTest::newRow("no CR LF after the last line")
            << QByteArray("0.5\r\n0.5\r\n1\r\n0\r\n0\r\nx\r\n1\r\n0") << QChar(u'.')
            << Expected {0.5, 0.5, 1, 0, 0, "x", 1, 0};
        QTest::newRow("lines ended by CR alone")
            << QByteArray("0,25\r0,5\r2\r7\r9\r1,5\r1\r1\r") << QChar(u',')
            << Expected {0.25, 0.5, 2, 7, 9, "1,5", 1, 1};
        QTest::newRow("lines ended by LF alone") << fixture("lf_line_ends.kmt") << QChar(u'.')
                                                 << Expected {0.25, 1.5, 3, 7, 9, "2", 1, 1};
        QTest::newRow("empty lines leave numbers")
            << QByteArray("\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n") << QChar(u'.')
            << Expected {9.25, 8.5, 7, 6.5, 5.5, "", 4, 3};
        QTest::newRow("bytes out of range and negative")
            << QByteArray("1\r\n1\r\n256\r\n1\r\n1\r\n\r\n-1\r\n1000\r\n") << QChar(u'.')
            << Expected {1, 1, 7, 1, 1, "", 4, 3};
        QTest::newRow("bytes round ties to even")
            << QByteArray("1\r\n1\r\n2,5\r\n1\r\n1\r\n\r\n1,5\r\n0,4\r\n") << QChar(u',')
            << Expected {1, 1, 2, 1, 1, "", 2, 0};
        QTest::newRow("blanks around numbers")
            << QByteArray(" 0,5 \r\n 2\r\n 3 \r\n-7,5\r\n20 \r\n 1 \r\n1\r\n0\r\n") << QChar(u',')
            << Expected {0.5, 2, 3, -7.5, 20, " 1 ", 1, 0};
        QTest::newRow("lines after the eighth are ignored")
            << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n1\r\n0\r\n9\r\n9\r\n") << QChar(u'.')
            << Expected {1, 2, 3, 4, 5, "6", 1, 0};
        QTest::newRow("Latin-1 dose text")
            << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n\xe4\xb5\r\n1\r\n0\r\n") << QChar(u'.')
            << Expected {1, 2, 3, 4, 5, QStringLiteral("\u00E4\u00B5"), 1, 0};
        QTest::newRow("binary file") << fixture("binary.kmt") << QChar(u'.') << Expected {};

        const QByteArray longLine(MethodFile::MaxLineLength + 1, 'x');
        QTest::newRow("overlong dose line keeps the field, later lines read")
            << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n") + longLine + "\r\n2\r\n1\r\n"
            << QChar(u'.') << Expected {1, 2, 3, 4, 5, "keep", 2, 1};
        QTest::newRow("overlong first line keeps VolInk")
            << QByteArray(200000, '1') + "\r\n2\r\n3\r\n4\r\n5\r\nd\r\n2\r\n1\r\n"
            << QChar(u'.') << Expected {9.25, 2, 3, 4, 5, "d", 2, 1};
        const QByteArray longestLine(MethodFile::MaxLineLength, 'y');
        QTest::newRow("a line of the greatest length is read")
            << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n") + longestLine + "\r\n2\r\n1\r\n"
            << QChar(u'.') << Expected {1, 2, 3, 4, 5, QString::fromLatin1(longestLine), 2, 1};
        QTest::newRow("a line crossing the read bound is not read")
            << QByteArray(MethodFile::MaxBytes - 3, 'x') + "\r\n2\r\n3\r\n"
            << QChar(u'.') << Expected {};
        QTest::newRow("a line cut by the read bound is not read")
            << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n") + QByteArray(MethodFile::MaxBytes, '7')
            << QChar(u'.') << Expected {1, 2, 3, 4, 5, "keep", 4, 3};
    }
    void readsWhatConvertsAndKeepsTheRest()
    {
        QFETCH(QByteArray, content);
        QFETCH(QChar, sep);
        QFETCH(Expected, expected);

        QBuffer buffer(&content);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        SettingsRecord record = sentinel(sep);
        QString dos = QStringLiteral("keep");
        MethodFile::read(buffer, record, dos);

        QCOMPARE(record.VolInk, expected.volInk);
        QCOMPARE(record.InkZeit, expected.inkZeit);
        QCOMPARE(int(record.RsPort), expected.rsPort);
        QCOMPARE(record.EndWert, expected.endWert);
        QCOMPARE(record.EndVol, expected.endVol);
        QCOMPARE(dos, expected.dos);
        QCOMPARE(int(record.Sprache), expected.sprache);
        QCOMPARE(int(record.Bereich), expected.bereich);
    }

    void readsNoFurtherThanTheBound()
    {
        // A device that never ends: the reader stops at its bound.
        QByteArray endless(MethodFile::MaxBytes * 4, 'z');
        QBuffer buffer(&endless);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        SettingsRecord record = sentinel(u'.');
        QString dos;
        MethodFile::read(buffer, record, dos);
        QVERIFY(buffer.pos() <= MethodFile::MaxBytes + 1);
    }

    void missingFileReadsNothing()
    {
        QTemporaryDir dir;
        SettingsRecord record = sentinel(u'.');
        QString dos = QStringLiteral("keep");
        MethodFile::readFile(dir.filePath(QStringLiteral("lastmeth.kmt")), record, dos);
        QCOMPARE(record.VolInk, 9.25);
        QCOMPARE(int(record.Sprache), 4);
        QCOMPARE(dos, QStringLiteral("keep"));
    }

    void writesEightLinesEndedByCrLf_data()
    {
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<QString>("dos");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("example under comma")
            << QChar(u',') << QStringLiteral("1,5") << fixture("example_comma.kmt");
        QTest::newRow("same record under dot")
            << QChar(u'.') << QStringLiteral("1,5")
            << QByteArray("0.05\r\n2\r\n2\r\n7.5\r\n20\r\n1,5\r\n1\r\n0\r\n");
        QTest::newRow("dose text outside Latin-1 and with a line break")
            << QChar(u',') << QStringLiteral("2\u20AC\r\n5")
            << QByteArray("0,05\r\n2\r\n2\r\n7,5\r\n20\r\n2?5\r\n1\r\n0\r\n");
    }
    void writesEightLinesEndedByCrLf()
    {
        QFETCH(QChar, sep);
        QFETCH(QString, dos);
        QFETCH(QByteArray, text);
        SettingsRecord record;
        record.VolInk = 0.05;
        record.InkZeit = 2;
        record.RsPort = 2;
        record.EndWert = 7.5;
        record.EndVol = 20;
        record.Sprache = 1;
        record.Bereich = 0;
        record.separators = Separators {sep};
        QCOMPARE(MethodFile::compose(record, dos), text);
    }

    void writtenFileReadsBackTheSameRecord_data()
    {
        QTest::addColumn<QChar>("sep");
        QTest::newRow("comma") << QChar(u',');
        QTest::newRow("dot") << QChar(u'.');
    }
    void writtenFileReadsBackTheSameRecord()
    {
        QFETCH(QChar, sep);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lastmeth.kmt"));
        SettingsRecord written;
        written.VolInk = 0.37;
        written.InkZeit = 59.9;
        written.RsPort = 4;
        written.EndWert = -312.25;
        written.EndVol = 1.0 / 3.0;
        written.Sprache = 2;
        written.Bereich = 1;
        written.separators = Separators {sep};
        const QString dos = QStringLiteral("0,125 \u00FC");
        QVERIFY(MethodFile::write(path, MethodFile::compose(written, dos)));

        SettingsRecord read = sentinel(sep);
        QString readDos;
        MethodFile::readFile(path, read, readDos);
        QCOMPARE(read.VolInk, written.VolInk);
        QCOMPARE(read.InkZeit, written.InkZeit);
        QCOMPARE(read.RsPort, written.RsPort);
        QCOMPARE(read.EndWert, written.EndWert);
        QCOMPARE(read.EndVol, 0.333333333333333); // 15 significant digits
        QCOMPARE(read.Sprache, written.Sprache);
        QCOMPARE(read.Bereich, written.Bereich);
        QCOMPARE(readDos, dos);
    }

    void failedWriteLeavesThePreviousFileWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lastmeth.kmt"));
        const QByteArray previous = "0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n2\r\n0\r\n";
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
        QVERIFY(!error.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), previous);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList {QStringLiteral("lastmeth.kmt")}); // no temporary left behind
    }

    void writeIntoAMissingDirectoryFails()
    {
        QTemporaryDir dir;
        QString error;
        QVERIFY(
            !MethodFile::write(dir.filePath(QStringLiteral("gone/lastmeth.kmt")), "1\r\n", &error));
        QVERIFY(!error.isEmpty());
    }

    void pathIsInTheCurrentDirectory()
    {
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const QString path = MethodFile::path();
        QDir::setCurrent(before);
        QCOMPARE(QFileInfo(path).dir().canonicalPath(), QDir(dir.path()).canonicalPath());
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("lastmeth.kmt"));
    }
};

QTEST_GUILESS_MAIN(tst_MethodFile)
#include "tst_methodfile.moc"
