// Runs the program itself: with its windows in an empty directory, ended by a signal as a
// desktop session or a terminal would end it; and with --evaluate, without any display.
#include "common/numbers.h"
#include "evaluation/batchevaluation.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

const QString Known
    = QStringLiteral(KALUMET_TEST_DATA_DIR "/evaluation/batch_known_listing_dot.rtf");

void start(QProcess &program, const QStringList &arguments, const QString &configHome = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    if (!configHome.isEmpty()) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    }
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KALUMET_BINARY_DIR "/kalumet"), arguments);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Whether the process has its own handler for `number` (the SigCgt mask of /proc/<pid>/status).
bool catchesSignal(qint64 pid, int number)
{
    for (const QByteArray &line : readFile(QStringLiteral("/proc/%1/status").arg(pid)).split('\n'))
        if (line.startsWith("SigCgt:"))
            return line.mid(7).trimmed().toULongLong(nullptr, 16) & (quint64(1) << (number - 1));
    return false;
}

} // namespace

class tst_Program : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void signalEndsTheProgramAndBothStoresAreWritten()
    {
        QTemporaryDir dir;
        QProcess program;
        program.setWorkingDirectory(dir.path());
        start(program, {}, dir.filePath(QStringLiteral("config")));
        QVERIFY(program.waitForStarted(10000));
        // Once its handler is in place, the signal closes the window as its close box does.
        QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(program.processId(), SIGTERM), 10000);
        QCOMPARE(::kill(pid_t(program.processId()), SIGTERM), 0);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("lastmeth.kmt"))),
            QByteArray("0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n2\r\n0\r\n"));
        QSettings settings(
            dir.filePath(QStringLiteral("config/Kalumet/Kalumet.conf")), QSettings::IniFormat);
        QCOMPARE(settings.allKeys().size(), 6);
        QCOMPARE(settings.value(QStringLiteral("Settings/volink")).toString(), "0.5");
        settings.beginGroup(QStringLiteral("Settings"));
        QStringList stored;
        for (const QString &key : {"MainLeft", "MainTop", "MainWidth", "MainHeight", "InkZeit"})
            stored << settings.value(key).toString();
        QCOMPARE(stored.join(u' '), QStringLiteral("1000 1000 6500 6500 0.5"));
    }

    void evaluateGivesItsExitStatusAndOutputWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "@out" stands for the CSV file's path
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("csvTo"); // "stdout", "file" or nowhere
        QTest::addColumn<QString>("message"); // part of the one line on standard error
        const QString noListing
            = QStringLiteral(KALUMET_TEST_DATA_DIR "/app/evaluate_no_listing.rtf");
        QTest::newRow("to standard output") << QStringList {"--evaluate", Known} << 0 << "stdout"
                                            << "";
        QTest::newRow("to a file")
            << QStringList {"--evaluate=" + Known, "--csv", "@out"} << 0 << "file"
            << "";
        QTest::newRow("no listing")
            << QStringList {"--evaluate", noListing, "--csv", "@out"} << 2 << ""
            << "no data listing";
        QTest::newRow("CSV into a missing folder")
            << QStringList {"--evaluate", Known, "--csv", "@out/missing/out.csv"} << 1 << ""
            << "cannot be written";
    }
    void evaluateGivesItsExitStatusAndOutputWithoutADisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, csvTo);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("out.csv"));
        arguments.replaceInStrings(QStringLiteral("@out"), target);
        const QByteArray previous = "previous contents\n"; // a failed run leaves it as it was
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(previous) > 0 && f.flush());
        QProcess program;
        start(program, arguments);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), exitCode);
        const QByteArray csv
            = BatchEvaluation::evaluateFile(Known, Numbers::Separators::dot()).csv.toUtf8();
        QVERIFY(csv.startsWith("volume [mL]"));
        QCOMPARE(program.readAllStandardOutput(), csvTo == "stdout" ? csv : QByteArray());
        QCOMPARE(readFile(target), csvTo == "file" ? csv : previous);
        const QByteArray err = program.readAllStandardError();
        QVERIFY(message.isEmpty() ? err.isEmpty() : err.contains(message.toUtf8()));
    }
};

QTEST_GUILESS_MAIN(tst_Program)
#include "tst_program.moc"
