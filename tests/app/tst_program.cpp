// Runs the program itself: with its windows in an empty directory, ended by a signal as a
// desktop session or a terminal would end it; and with --evaluate or an option it does not
// know, without any display.
#include "app/batchevaluation.h"
#include "common/numbers.h"
#include "journal/journalstore.h"
#include "support/diskfiles.h"
#include "support/jumplisting.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString Known
    = QStringLiteral(KALUMET_TEST_DATA_DIR "/evaluation/batch_known_listing_dot.rtf");

// What the child process meets besides its arguments, set up between fork and exec. The
// signals the program must deal with get their default action back, whatever the test has.
void prepareChild(QProcess &program, const QString &child)
{
    if (child == QLatin1StringView("stdout full")) {
        program.setStandardOutputFile(QStringLiteral("/dev/full"));
    } else if (child == QLatin1StringView("stdout reader gone")) {
        program.setChildProcessModifier([] {
            int fds[2];
            if (::pipe(fds) == 0) {
                ::close(fds[0]);
                ::dup2(fds[1], STDOUT_FILENO);
                ::close(fds[1]);
            }
            ::signal(SIGPIPE, SIG_DFL);
        });
    } else if (child == QLatin1StringView("file size limit")) {
        program.setChildProcessModifier([] {
            struct rlimit limit;
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 100;
            ::setrlimit(RLIMIT_FSIZE, &limit);
            ::signal(SIGXFSZ, SIG_DFL);
        });
    }
}

void start(QProcess &program, const QStringList &arguments, const QString &configHome = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    if (!configHome.isEmpty()) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        // The journal goes beside the settings, never into the user's own.
        env.insert(QStringLiteral("XDG_DATA_HOME"), configHome + QStringLiteral("/data"));
    }
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KALUMET_BINARY_DIR "/kalumet"), arguments);
}

// What a run of the program gave.
struct Ran
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The program run with `arguments`, where "@curve" is the jump listing, "@ini" a method file
// holding `method` and "@out" out.json, all in `dir`.
Ran runOnCurve(QStringList arguments, const QTemporaryDir &dir, const QByteArray &method = {},
    const QString &configHome = {})
{
    const QString curve = dir.filePath(QStringLiteral("curve.rtf"));
    const QString ini = dir.filePath(QStringLiteral("method.ini"));
    if (!writeAll(curve, jumpListingRtf()) || !writeAll(ini, method))
        return {-1, {}, "the test's files cannot be written"};
    arguments.replaceInStrings(QStringLiteral("@curve"), curve);
    arguments.replaceInStrings(QStringLiteral("@ini"), ini);
    arguments.replaceInStrings(QStringLiteral("@out"), dir.filePath(QStringLiteral("out.json")));
    QProcess program;
    start(program, arguments, configHome);
    if (!program.waitForFinished(30000))
        return {-1, {}, "the program did not end"};
    return {program.exitCode(), program.readAllStandardOutput(), program.readAllStandardError()};
}

// The CSV the known listing gives, as the program must write it.
QByteArray knownCsv()
{
    return BatchEvaluation::evaluateFile(Known, Numbers::Separators::dot()).csv.toUtf8();
}

// Whether the process has its own handler for `number` (the SigCgt mask of /proc/<pid>/status).
bool catchesSignal(qint64 pid, int number)
{
    for (const QByteArray &line : readAll(QStringLiteral("/proc/%1/status").arg(pid)).split('\n'))
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
        QCOMPARE(readAll(dir.filePath(QStringLiteral("lastmeth.kmt"))),
            QByteArray("0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n2\r\n0\r\n"));
        QCOMPARE(readAll(dir.filePath(QStringLiteral("config/Kalumet/Kalumet.conf"))),
            QByteArray("[Settings]\nInkZeit=0.5\nMainHeight=6500\nMainLeft=1000\nMainTop=1000\n"
                       "MainWidth=6500\nvolink=0.5\n"));
    }

    void evaluateGivesItsExitStatusAndOutputWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "@out" stands for the CSV file's path
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("csvTo"); // "stdout", "file" or nowhere
        QTest::addColumn<QString>("message"); // part of the one line on standard error
        QTest::addColumn<QString>("child"); // see prepareChild()
        const auto row = [](const char *name, const QStringList &arguments, int exitCode,
                             const char *csvTo, const QString &message, const char *child = "") {
            QTest::newRow(name) << arguments << exitCode << QString::fromLatin1(csvTo) << message
                                << QString::fromLatin1(child);
        };
        const QStringList toStdout {"--evaluate", Known};
        const QString noStdout = QStringLiteral("cannot write to standard output");
        row("to standard output", toStdout, 0, "stdout", "");
        row("to a file", {"--evaluate=" + Known, "--csv", "@out"}, 0, "file", "");
        row("--csv /dev/stdout, a pipe", {"--evaluate", Known, "--csv", "/dev/stdout"}, 0, "stdout",
            "");
        row("no listing, no table of a run",
            {"--evaluate", KALUMET_TEST_DATA_DIR "/app/evaluate_text_only.rtf", "--csv", "@out"}, 2,
            "", "no data listing");
        row("CSV into a missing folder", {"--evaluate", Known, "--csv", "@out/missing/out.csv"}, 1,
            "", "cannot be written");
        row("standard output full", toStdout, 1, "", noStdout, "stdout full");
        row("reader of standard output gone", toStdout, 1, "", noStdout, "stdout reader gone");
        row("help into a full standard output", {"--help"}, 1, "", noStdout, "stdout full");
        row("file size limit", {"--evaluate", Known, "--csv", "@out"}, 1, "", "cannot be written",
            "file size limit");
        row("unknown option", {"--bogus"}, 2, "", "Unknown option 'bogus'");
    }
    void evaluateGivesItsExitStatusAndOutputWithoutADisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, csvTo);
        QFETCH(QString, message);
        QFETCH(QString, child);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("out.csv"));
        arguments.replaceInStrings(QStringLiteral("@out"), target);
        const QByteArray previous = "previous contents\n"; // a failed run leaves it as it was
        QVERIFY(writeAll(target, previous));
        QProcess program;
        prepareChild(program, child);
        start(program, arguments);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit); // not ended by a signal
        QTEST(program.exitCode(), "exitCode");
        const QByteArray csv = knownCsv();
        QVERIFY(csv.startsWith("volume [mL]") && csv.size() > 100); // beyond the size limit
        QCOMPARE(program.readAllStandardOutput(), csvTo == "stdout" ? csv : QByteArray());
        QCOMPARE(readAll(target), csvTo == "file" ? csv : previous);
        const QByteArray err = program.readAllStandardError();
        QVERIFY(message.isEmpty() ? err.isEmpty() : err.contains(message.toUtf8()));
    }

    // --format json: the object's fields; the method from options or an INI file, with the
    // budget's inputs (each source's u in its place, their squares adding up to u^2, U = 2u);
    // and exit status 2 for arguments that give no sense (the options' checks are shared with
    // --journal-evaluate, which tests a size of 0).
    void evaluateAsJson_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "@curve", "@ini", "@out": files made here
        QTest::addColumn<double>("perMl"); // result per mL of EP volume; NaN: no result
        QTest::addColumn<QString>("resultUnit");
        QTest::addColumn<bool>("budget"); // blank u 0.02 mL and burette random error 0.1 % given
        QTest::addColumn<QString>("message"); // part of standard error; set: no JSON, status 2
        const QStringList curve {"--evaluate", "@curve", "--format", "json"};
        const auto row = [&](const char *name, const QStringList &more, double perMl,
                             const char *resultUnit, bool budget, const char *message = "") {
            QTest::newRow(name) << curve + more << perMl << QString::fromLatin1(resultUnit)
                                << budget << QString::fromLatin1(message);
        };
        row("no method values: no result", {}, qQNaN(), "", false);
        row("to --out, mmol from the options",
            {"--out", "@out", "--titrant-concentration", "0.2", "--titer", "0.5", "--result-unit",
                "mmol"},
            0.1, "mmol", false);
        row("options override the method file", {"--method", "@ini", "--factor", "1"}, 0.25 * 36.46,
            "mg", true);
        row("budget from the options",
            {"--result-unit", "mmol", "--blank-u", "0.02", "--burette-random", "0.1"}, 0.1, "mmol",
            true);
        QTest::newRow("unknown format") << QStringList {"--evaluate", "@curve", "--format", "xml"}
                                        << qQNaN() << QString() << false << "unknown format";
        row("missing method file", {"--method", "@out/missing.ini"}, qQNaN(), "", false,
            "cannot be read");
        row("--csv with json", {"--csv", "@out"}, qQNaN(), "", false, "--out");
        row("u below 0", {"--blank-u", "-0.001"}, qQNaN(), "", false,
            "--blank-u must be a number of 0 or more");
    }
    void evaluateAsJson()
    {
        QFETCH(QStringList, arguments);
        QFETCH(double, perMl);
        QFETCH(bool, budget);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const Ran ran = runOnCurve(arguments, dir, // HCl in g
            "[Method]\nTitrantConcentration=0.25\nFactor=2\nMolarMass=36.46\nResultUnit=mg\n"
            "BlankVolumeU=0.02\nBuretteRandomError=0.1\n");
        QVERIFY2(message.isEmpty() ? ran.err.isEmpty() : ran.err.contains(message.toUtf8()),
            ran.err.constData());
        QCOMPARE(ran.exitCode, message.isEmpty() ? 0 : 2);
        if (!message.isEmpty()) {
            QVERIFY(ran.out.isEmpty());
            return;
        }
        const QJsonObject json = QJsonDocument::fromJson(arguments.contains(QStringLiteral("--out"))
                ? readAll(dir.filePath(QStringLiteral("out.json")))
                : ran.out)
                                     .object();
        QCOMPARE(json.keys(),
            QStringList({"derivative", "equivalence_points", "pka", "points", "results", "unit"}));
        // The points, the mid one and the last one, the derivative between them, one EP.
        const QJsonArray points = json["points"].toArray();
        QCOMPARE(std::tuple(json["unit"].toString(), points.size(), points[50].toArray(),
                     points[100][0].toDouble(), json["derivative"].toArray().size(),
                     json["equivalence_points"].toArray().size()),
            std::tuple(QStringLiteral("mV"), 101, QJsonArray {10.0, 0.0}, 20.0, 100, 1));
        const QJsonObject ep = json["equivalence_points"][0].toObject();
        QCOMPARE(ep.keys(), QStringList({"electrode_lag_s", "u_volume_ml", "value", "volume_ml"}));
        const double volume = ep.value("volume_ml").toDouble();
        const double uVolume = ep.value("u_volume_ml").toDouble();
        QVERIFY2(std::abs(volume - 10) < 0.01, qPrintable(QString::number(volume)));
        QVERIFY(uVolume > 0 && std::abs(ep.value("value").toDouble()) < 10);
        const QJsonArray results = json.value("results").toArray();
        QCOMPARE(results.size(), std::isnan(perMl) ? 0 : 1);
        if (results.isEmpty())
            return;
        const QJsonObject r = results.at(0).toObject();
        QCOMPARE(r.value("ep").toInt(), 1);
        QTEST(r.value("unit").toString(), "resultUnit");
        const double u = r["u"].toDouble();
        QVERIFY(std::abs(r.value("value").toDouble() - perMl * volume) < 1e-9 * perMl * volume);
        QCOMPARE(std::pair(r["k"].toDouble(), r["expanded_u"].toDouble()), std::pair(2.0, 2 * u));
        // In mL of titrant: the EP's u_V, the blank's 0.02, the burette's random V * 0.001.
        const std::pair<const char *, double> sources[] = {{"ep_volume", uVolume},
            {"titrant_concentration", 0}, {"burette_systematic", 0},
            {"burette_random", budget ? volume * 0.001 : 0}, {"blank_volume", budget ? 0.02 : 0}};
        const QJsonArray shares = r["budget"].toArray();
        QCOMPARE(shares.size(), std::size(sources));
        double squares = 0;
        for (qsizetype i = 0; i < shares.size(); ++i) {
            QCOMPARE(shares[i].toObject().keys(), QStringList({"share_percent", "source", "u"}));
            QCOMPARE(shares[i]["source"].toString(), QLatin1String(sources[i].first));
            QVERIFY(std::abs(shares[i]["u"].toDouble() - perMl * sources[i].second) < 1e-9 * u);
            squares += sources[i].second * sources[i].second;
        }
        QVERIFY(std::abs(u - perMl * std::sqrt(squares)) < 1e-9 * u);
    }

    // --titrant: the result takes the titrant's nominal concentration and its newest valid
    // titer from the settings' journal (here the user's SQLite file), and says which.
    void evaluateWithATitrantOfTheJournal_data()
    {
        QTest::addColumn<QString>("titrant");
        QTest::addColumn<double>("titer"); // 0: none valid, 1 used; -1: not in the journal
        QTest::newRow("valid titer") << QStringLiteral("NaOH 0.1") << 1.02;
        QTest::newRow("only an outdated titer") << QStringLiteral("KOH 0.1") << 0.0;
        QTest::newRow("unknown titrant") << QStringLiteral("HCl 0.1") << -1.0;
    }
    void evaluateWithATitrantOfTheJournal()
    {
        QFETCH(QString, titrant);
        QFETCH(double, titer);
        QTemporaryDir home;
        // Named by --journal: the titrant's journal need not be the settings' one.
        const QString journal = home.filePath(QStringLiteral("lab.sqlite"));
        qint64 run = 0;
        {
            JournalStore store(*JournalLocation::parse(journal));
            QVERIFY(store.open().ok());
            run = store.beginRun({}).value_or(0);
            const QDateTime now = QDateTime::currentDateTime();
            for (const auto &[name, value, daysOld] :
                {std::tuple {"NaOH 0.1", 1.02, 1}, std::tuple {"KOH 0.1", 0.99, 30}}) {
                Journal::Titrant t;
                t.name = QString::fromLatin1(name);
                t.concentration = 0.1;
                QVERIFY(store.saveTitrant(t));
                Journal::Titer titer;
                titer.titrantId = t.id;
                titer.runId = run;
                titer.value = value;
                titer.u = 0.002;
                titer.determined = now.addDays(-daysOld);
                QVERIFY(store.addTiter(titer));
            }
        }
        const Ran ran
            = runOnCurve({"--evaluate", "@curve", "--format", "json", "--result-unit", "mmol",
                             "--titer", "0.5", "--titrant", titrant, "--journal", journal},
                home, {}, home.path());
        QCOMPARE(ran.exitCode, titer < 0 ? 2 : 0);
        if (titer < 0) {
            QVERIFY(ran.err.contains("is not in the journal"));
            return;
        }
        const QJsonObject json = QJsonDocument::fromJson(ran.out).object();
        const double volume = json["equivalence_points"][0]["volume_ml"].toDouble();
        const QJsonObject r = json["results"][0].toObject();
        QCOMPARE(r.value("titrant").toString(), titrant);
        const double taken = titer > 0 ? titer : 1;
        QVERIFY(std::abs(r.value("value").toDouble() - volume * 0.1 * taken) < 1e-9);
        if (titer == 0) {
            QVERIFY(r.value("titer").isNull());
            QCOMPARE(r.value("titer_note").toString(), u"no valid titer: 1 used");
            return;
        }
        const QJsonObject t = r.value("titer").toObject();
        QCOMPARE(t.keys(), QStringList({"determined", "run", "u", "value"}));
        QCOMPARE(std::pair(t.value("value").toDouble(), t.value("run").toInteger()),
            std::pair(titer, run));
        QVERIFY(
            QDateTime::fromString(t.value("determined").toString(), Qt::ISODateWithMs).isValid());
        QVERIFY(!r.contains("titer_note"));
    }

    // A --csv target that is no regular file nor a pipe (a socket, as a device would be) is
    // refused and left as it was, never replaced by a file.
    void evaluateRefusesToReplaceASocket()
    {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("node")));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const auto closeFd = qScopeGuard([fd] { ::close(fd); });
        struct sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        QVERIFY(size_t(path.size()) < sizeof(address.sun_path));
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
        QProcess program;
        start(program, {"--evaluate", Known, "--csv", QFile::decodeName(path)});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(program.readAllStandardError().contains("not a regular file"));
        struct stat st;
        QCOMPARE(::lstat(path.constData(), &st), 0);
        QVERIFY(S_ISSOCK(st.st_mode));
    }
};

QTEST_GUILESS_MAIN(tst_Program)
#include "tst_program.moc"
