// Runs the program itself in an empty directory with an empty settings store and ends it with
// a signal, as a desktop session or a terminal would.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// Whether the process has its own handler for `number` (the SigCgt mask of /proc/<pid>/status).
bool catchesSignal(qint64 pid, int number)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            bool ok = false;
            const quint64 mask = line.mid(7).trimmed().toULongLong(&ok, 16);
            return ok && (mask & (quint64(1) << (number - 1)));
        }
    }
    return false;
}

} // namespace

class tst_Program : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void signalEndsTheProgramAndBothStoresAreWritten_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("methodFile"); // present before the start, or empty
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("inkZeit");
        QTest::addColumn<QString>("volInk");
        const QByteArray fresh = "0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n2\r\n0\r\n";
        QTest::newRow("SIGTERM") << int(SIGTERM) << "C" << QByteArray() << fresh << "0.5"
                                 << "0.5";
        QTest::newRow("SIGINT") << int(SIGINT) << "C" << QByteArray() << fresh << "0.5"
                                << "0.5";
        QTest::newRow("SIGHUP") << int(SIGHUP) << "C" << QByteArray() << fresh << "0.5"
                                << "0.5";
        QTest::newRow("German number format")
            << int(SIGTERM) << "de_DE.UTF-8" << QByteArray()
            << QByteArray("0,5\r\n0,5\r\n1\r\n0\r\n0\r\n\r\n2\r\n0\r\n") << "0,5"
            << "0,5";
        const QByteArray german = "0.05\r\n2\r\n2\r\n7.5\r\n20\r\n1.5\r\n1\r\n0\r\n";
        QTest::newRow("a German method file comes back unchanged")
            << int(SIGTERM) << "C" << german << german << "2"
            << "0.05";
    }
    void signalEndsTheProgramAndBothStoresAreWritten()
    {
        QFETCH(int, number);
        QFETCH(QString, locale);
        QFETCH(QByteArray, methodFile);
        QFETCH(QByteArray, expected);
        QFETCH(QString, inkZeit);
        QFETCH(QString, volInk);

        QTemporaryDir dir;
        const QString work = dir.filePath(QStringLiteral("work"));
        const QString config = dir.filePath(QStringLiteral("config"));
        QVERIFY(QDir().mkpath(work));
        if (!methodFile.isEmpty()) {
            QFile f(work + QStringLiteral("/lastmeth.kmt"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(methodFile);
        }

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.insert(QStringLiteral("LANG"), locale);
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(work);
        program.setProgram(QStringLiteral(KALUMET_BINARY_DIR "/kalumet"));
        program.start();
        QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));

        // Once its handler is in place, the signal closes the window as its close box does.
        QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(program.processId(), number), 10000);
        QCOMPARE(::kill(pid_t(program.processId()), number), 0);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        QFile written(work + QStringLiteral("/lastmeth.kmt"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), expected);

        const QString conf = config + QStringLiteral("/Kalumet/Kalumet.conf");
        QVERIFY(QFile::exists(conf));
        QSettings settings(conf, QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Settings"));
        QCOMPARE(settings.childKeys().size(), 6);
        QCOMPARE(settings.value("MainLeft").toString(), QStringLiteral("1000"));
        QCOMPARE(settings.value("MainTop").toString(), QStringLiteral("1000"));
        QCOMPARE(settings.value("MainWidth").toString(), QStringLiteral("6500"));
        QCOMPARE(settings.value("MainHeight").toString(), QStringLiteral("6500"));
        QCOMPARE(settings.value("InkZeit").toString(), inkZeit);
        QCOMPARE(settings.value("volink").toString(), volInk);
    }
};

QTEST_GUILESS_MAIN(tst_Program)
#include "tst_program.moc"
