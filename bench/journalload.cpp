// A lab network on one journal: many writer processes, each with its own connection and a run
// of its own, commit one reading at a fixed interval; every commit is timed, and at the end the
// journal must hold every reading each writer committed, without a gap. A plain program:
// journal-load --help. Without --journal it starts a PostgreSQL server of its own.
#include "journalbenchsupport.h"
#include "latencies.h"

#include "journal/journalstore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QUuid>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

QTextStream out(stdout);
QTextStream err(stderr);

struct Options
{
    int writers = 20;
    int seconds = 300;
    int intervalMs = 500;
    QString journal; // URL or SQLite file; empty: a server of the program's own
    bool fsync = true;
    bool stagger = false; // writers spread over the interval instead of all at one moment
    // A writer's own
    bool writer = false;
    int index = 0;
    qint64 startAt = 0; // ms since the epoch
    QString outFile;
};

[[noreturn]] void die(const QString &message)
{
    err << "journal-load: " << message << Qt::endl;
    std::exit(2);
}

int readingsPerWriter(const Options &options)
{
    return int(qint64(options.seconds) * 1000 / options.intervalMs);
}

// One writer: the titrator of one workstation, committing each reading as it is taken.
int runWriter(const Options &options)
{
    QString error;
    const auto location = JournalLocation::parse(options.journal, &error);
    if (!location)
        die(error);
    JournalStore store(*location);
    const JournalStore::OpenResult opened = store.open(false);
    if (!opened.ok())
        die(QStringLiteral("writer %1: %2").arg(options.index).arg(opened.message));
    Journal::RunStart start;
    start.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    start.sampleId = QStringLiteral("load writer %1").arg(options.index);
    start.sampleUnit = QStringLiteral("g");
    start.unit = QStringLiteral("pH");
    store.holdRun(start.uuid);
    const auto run = store.beginRun(start);
    if (!run)
        die(QStringLiteral("writer %1: beginRun: %2").arg(options.index).arg(store.lastError()));

    const int count = readingsPerWriter(options);
    Latencies latencies;
    Latencies lateness; // how far behind its schedule a reading was taken
    int failures = 0;
    int sent = 0;
    const qint64 wait = options.startAt - QDateTime::currentMSecsSinceEpoch();
    if (wait > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    const auto first = Clock::now();
    for (int i = 0; i < count; ++i) {
        const auto due = first + std::chrono::milliseconds(qint64(i) * options.intervalMs);
        std::this_thread::sleep_until(due);
        const auto t0 = Clock::now();
        lateness.add(t0 - due);
        const Journal::Reading reading {
            i, i * 0.01, 3.0 + i * 0.001, i * options.intervalMs / 1000.0, false};
        // A failed commit is tried again, as the writer thread would: the reading must arrive.
        bool ok = store.addReading(*run, reading);
        while (!ok && Clock::now() - t0 < std::chrono::seconds(30)) {
            if (++failures <= 3)
                err << "writer " << options.index << " reading " << i << ": " << store.lastError()
                    << Qt::endl;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            store.reconnect();
            ok = store.addReading(*run, reading);
        }
        latencies.add(Clock::now() - t0);
        if (!ok)
            break;
        ++sent;
    }
    store.finishRun(*run, Journal::EndReason::EndValue, {});
    store.releaseRun(start.uuid);

    QFile file(options.outFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        die(QStringLiteral("cannot write ") + options.outFile);
    QTextStream text(&file);
    text << *run << ' ' << sent << ' ' << failures << ' ' << lateness.max() << '\n';
    for (double ms : latencies.values())
        text << ms << '\n';
    return sent == count ? 0 : 1;
}

struct WriterResult
{
    qint64 run = 0;
    int sent = 0;
    int failures = 0;
    double maxLateness = 0;
    Latencies latencies;
};

std::optional<WriterResult> readResult(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    const QList<QByteArray> lines = file.readAll().split('\n');
    const QList<QByteArray> head = lines.value(0).split(' ');
    if (head.size() != 4)
        return std::nullopt;
    WriterResult result;
    result.run = head[0].toLongLong();
    result.sent = head[1].toInt();
    result.failures = head[2].toInt();
    result.maxLateness = head[3].toDouble();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!lines[i].isEmpty())
            result.latencies.add(lines[i].toDouble());
    }
    return result;
}

// Every reading a writer committed is there, numbered from 0 without a gap, and its run ended.
bool checkArrived(JournalStore &store, const WriterResult &result, QString *problem)
{
    QSqlQuery query(store.database());
    query.prepare(QStringLiteral("SELECT COUNT(*), MIN(seq), MAX(seq), COUNT(DISTINCT seq), "
                                 "(SELECT end_reason FROM runs WHERE id = ?) "
                                 "FROM readings WHERE run_id = ?"));
    query.addBindValue(result.run);
    query.addBindValue(result.run);
    if (!query.exec() || !query.next()) {
        *problem = query.lastError().text();
        return false;
    }
    const int count = query.value(0).toInt();
    const int lowest = query.value(1).toInt();
    const int highest = query.value(2).toInt();
    const int distinct = query.value(3).toInt();
    const QString end = query.value(4).toString();
    if (count != result.sent || distinct != count
        || (count > 0 && (lowest != 0 || highest != count - 1))
        || end != QLatin1StringView("end_value")) {
        *problem = QStringLiteral("run %1: sent %2, found %3 (seq %4..%5, %6 distinct), end %7")
                       .arg(result.run)
                       .arg(result.sent)
                       .arg(count)
                       .arg(lowest)
                       .arg(highest)
                       .arg(distinct)
                       .arg(end);
        return false;
    }
    return true;
}

int runLoad(Options options)
{
    PgCluster cluster;
    QString error;
    QString where;
    if (options.journal.isEmpty()) {
        const auto url
            = JournalBench::startServer(cluster, QStringLiteral("journal"), options.fsync, &error);
        if (!url)
            die(QStringLiteral("the PostgreSQL server did not start: ") + error);
        if (options.writers + 10 > 100) {
            // The server's default allows 100 connections.
            if (!cluster.execute(QStringLiteral("postgres"),
                    QStringLiteral("ALTER SYSTEM SET max_connections = %1")
                        .arg(options.writers + 20),
                    &error)
                || !cluster.stop(&error) || !cluster.startAgain(&error))
                die(error);
        }
        options.journal = *url;
        where = QStringLiteral("PostgreSQL cluster of its own in ")
            + JournalBench::fileSystemOf(cluster.dataDirectory()) + QStringLiteral(", Unix socket");
    }
    const auto location = JournalLocation::parse(options.journal, &error);
    if (!location)
        die(error);
    if (location->engine == JournalLocation::Engine::SQLite)
        where = QStringLiteral("SQLite file on ")
            + JournalBench::fileSystemOf(location->path.section(u'/', 0, -2));
    else if (where.isEmpty())
        where = location->displayName();
    JournalStore store(*location);
    const JournalStore::OpenResult opened = store.open(true);
    if (!opened.ok())
        die(opened.message);

    out << "journal-load: " << options.writers << " writers, one reading every "
        << options.intervalMs << " ms for " << options.seconds << " s ("
        << readingsPerWriter(options) << " readings each), "
        << (options.stagger ? "spread evenly over the interval" : "all at the same moment")
        << Qt::endl;
    out << "   journal: " << where << Qt::endl;
    if (!store.dialect().isSQLite())
        out << "   server: " << JournalBench::serverSyncSettings(store.database()) << Qt::endl;
    out << "   load average at the start " << JournalBench::loadAverage() << " on "
        << QThread::idealThreadCount() << " cores" << Qt::endl;

    QTemporaryDir results;
    if (!results.isValid())
        die(QStringLiteral("no temporary directory"));
    const qint64 startAt = QDateTime::currentMSecsSinceEpoch() + 2000 + options.writers * 100;
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int k = 0; k < options.writers; ++k) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--writer"), QStringLiteral("--journal"), options.journal,
                QStringLiteral("--index"), QString::number(k), QStringLiteral("--start-at"),
                QString::number(startAt
                    + (options.stagger ? qint64(k) * options.intervalMs / options.writers : 0)),
                QStringLiteral("--seconds"), QString::number(options.seconds),
                QStringLiteral("--interval-ms"), QString::number(options.intervalMs),
                QStringLiteral("--out"), results.filePath(QStringLiteral("writer-%1.txt").arg(k))});
        writers.push_back(std::move(process));
    }
    bool allExited = true;
    for (auto &process : writers) {
        if (!process->waitForFinished(options.seconds * 1000 + 120000)) {
            process->kill();
            process->waitForFinished();
            allExited = false;
        }
    }
    const QString loadAtEnd = JournalBench::loadAverage();

    Latencies all;
    Latencies afterFirst; // without each writer's first commit on its new connection
    // Per tick (a reading's number), how many writers took over 20 ms: a stall of the server
    // or the disk slows every writer of one tick, a slow commit path every tick a little.
    std::vector<int> slowPerTick(std::size_t(readingsPerWriter(options)), 0);
    Latencies worstWriter;
    int writersOk = 0;
    int failures = 0;
    double maxLateness = 0;
    qint64 sent = 0;
    QStringList problems;
    for (int k = 0; k < options.writers; ++k) {
        const auto result = readResult(results.filePath(QStringLiteral("writer-%1.txt").arg(k)));
        if (!result) {
            problems << QStringLiteral("writer %1 left no result (exit %2)")
                            .arg(k)
                            .arg(writers[std::size_t(k)]->exitCode());
            continue;
        }
        QString problem;
        if (result->sent != readingsPerWriter(options))
            problems
                << QStringLiteral("writer %1 committed only %2 readings").arg(k).arg(result->sent);
        else if (!checkArrived(store, *result, &problem))
            problems << QStringLiteral("writer %1: %2").arg(k).arg(problem);
        else
            ++writersOk;
        all.append(result->latencies);
        for (std::size_t i = 1; i < result->latencies.count(); ++i)
            afterFirst.add(result->latencies.values()[i]);
        for (std::size_t i = 0; i < result->latencies.count() && i < slowPerTick.size(); ++i)
            slowPerTick[i] += result->latencies.values()[i] > 20 ? 1 : 0;
        if (result->latencies.percentile(99) > worstWriter.percentile(99))
            worstWriter = result->latencies;
        failures += result->failures;
        maxLateness = qMax(maxLateness, result->maxLateness);
        sent += result->sent;
    }

    out << "   load average at the end " << loadAtEnd << Qt::endl << Qt::endl;
    out << Latencies::header() << Qt::endl;
    out << all.row(QStringLiteral("commit of one reading, all writers"), 20) << Qt::endl;
    out << afterFirst.row(QStringLiteral("the same without each writer's first")) << Qt::endl;
    out << worstWriter.row(QStringLiteral("the writer with the highest p99")) << Qt::endl;
    out << Qt::endl
        << "   commits over 20 ms: " << all.countAbove(20) << " of " << all.count()
        << "; over 100 ms: " << all.countAbove(100) << "; failed attempts retried: " << failures
        << Qt::endl;
    const auto ticksWith = [&](int writers) {
        return std::count_if(
            slowPerTick.begin(), slowPerTick.end(), [writers](int n) { return n >= writers; });
    };
    out << "   ticks with a commit over 20 ms: " << ticksWith(1) << " of " << slowPerTick.size()
        << "; with half the writers or more over 20 ms: " << ticksWith(qMax(1, options.writers / 2))
        << Qt::endl;
    out << "   latest reading behind its schedule: " << maxLateness << " ms" << Qt::endl;
    out << "   arrived: " << writersOk << " of " << options.writers << " writers complete, " << sent
        << " readings committed" << (allExited ? "" : " (some writers had to be killed)")
        << Qt::endl;
    for (const QString &problem : problems)
        out << "   MISSING: " << problem << Qt::endl;
    const bool complete = allExited && problems.isEmpty();
    out << (complete ? "   every reading arrived" : "   NOT every reading arrived") << Qt::endl;
    return complete ? 0 : 1;
}

Options parseOptions(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates the writers of a lab network on one journal: each writer is a process of its "
        "own with its own connection and run, committing one reading per interval. Prints the "
        "commit latencies and checks that every reading arrived (exit 1 if not)."));
    parser.addHelpOption();
    const QCommandLineOption writers(
        QStringLiteral("writers"), QStringLiteral("Writer processes (20)."), QStringLiteral("n"));
    const QCommandLineOption seconds(QStringLiteral("seconds"),
        QStringLiteral("How long they write (300)."), QStringLiteral("s"));
    const QCommandLineOption interval(QStringLiteral("interval-ms"),
        QStringLiteral("Time between a writer's readings (500)."), QStringLiteral("ms"));
    const QCommandLineOption journal(QStringLiteral("journal"),
        QStringLiteral("A journal URL (postgresql://...) or an SQLite file; without it a "
                       "PostgreSQL server of the program's own."),
        QStringLiteral("location"));
    const QCommandLineOption noFsync(QStringLiteral("no-fsync"),
        QStringLiteral("The own server does not sync its commits to disk."));
    const QCommandLineOption stagger(QStringLiteral("stagger"),
        QStringLiteral("Spread the writers' readings evenly over the interval (by default all "
                       "writers commit at the same moment, the worst case)."));
    // How the program starts its writers: not for the command line.
    QCommandLineOption writer(QStringLiteral("writer"), QStringLiteral("(one writer)"));
    QCommandLineOption index(
        QStringLiteral("index"), QStringLiteral("(writer)"), QStringLiteral("k"));
    QCommandLineOption startAt(
        QStringLiteral("start-at"), QStringLiteral("(writer)"), QStringLiteral("ms"));
    QCommandLineOption outFile(
        QStringLiteral("out"), QStringLiteral("(writer)"), QStringLiteral("file"));
    for (QCommandLineOption *hidden : {&writer, &index, &startAt, &outFile})
        hidden->setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions(
        {writers, seconds, interval, journal, noFsync, stagger, writer, index, startAt, outFile});
    parser.process(app);

    Options options;
    const auto number = [&](const QCommandLineOption &option, int &value) {
        if (!readPositive(parser, option, value))
            die(QStringLiteral("--%1 wants a positive number").arg(option.names().first()));
    };
    number(writers, options.writers);
    number(seconds, options.seconds);
    number(interval, options.intervalMs);
    options.journal = parser.value(journal);
    options.fsync = !parser.isSet(noFsync);
    options.stagger = parser.isSet(stagger);
    options.writer = parser.isSet(writer);
    if (options.writer) {
        options.index = parser.value(index).toInt();
        options.startAt = parser.value(startAt).toLongLong();
        options.outFile = parser.value(outFile);
        if (options.journal.isEmpty() || options.outFile.isEmpty())
            die(QStringLiteral("--writer wants --journal and --out"));
    }
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const Options options = parseOptions(app);
    return options.writer ? runWriter(options) : runLoad(options);
}
