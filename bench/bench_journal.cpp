// The lab journal's speed: committing one reading (on its own, and through the writer thread)
// and listing a journal of many runs, on an SQLite file and on a PostgreSQL server of its own.
// A plain program printing a table: bench_journal --help.
#include "journalbenchsupport.h"
#include "journalfill.h"
#include "latencies.h"

#include "journal/journalstore.h"
#include "journal/journalwriter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTextStream>
#include <QThread>

#include <chrono>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

QTextStream out(stdout);

struct Options
{
    int readings = 2000;
    int repeat = 20;
    JournalFill::Shape shape;
    QString dataDirectory;
    QString listingUrl; // a PostgreSQL journal to list instead of one on a server of its own
    bool sqlite = true;
    bool postgresql = true;
    bool commit = true;
    bool list = true;
};

[[noreturn]] void die(const QString &message)
{
    out << "bench_journal: " << message << Qt::endl;
    std::exit(1);
}

Journal::Reading readingNumber(int index)
{
    return {index, index * 0.05, 3.0 + index * 0.001, index * 2.0, index % 17 == 0};
}

Journal::RunStart benchRun(const QString &sample)
{
    Journal::RunStart run;
    run.sampleId = sample;
    run.sampleUnit = QStringLiteral("g");
    run.unit = QStringLiteral("pH");
    run.method.insert(QStringLiteral("titrant"), QStringLiteral("NaOH 0.1 mol/L"));
    return run;
}

void openOrDie(JournalStore &store, bool create)
{
    const JournalStore::OpenResult opened = store.open(create);
    if (!opened.ok())
        die(opened.message);
}

// Each reading its own transaction, as the run commits it while it is taken.
Latencies commitReadings(JournalStore &store, int count)
{
    const auto run = store.beginRun(benchRun(QStringLiteral("commit bench")));
    if (!run)
        die(QStringLiteral("beginRun: ") + store.lastError());
    Latencies latencies;
    for (int i = 0; i < count; ++i) {
        const Journal::Reading reading = readingNumber(i);
        const auto t0 = Clock::now();
        const bool ok = store.addReading(*run, reading);
        latencies.add(Clock::now() - t0);
        if (!ok)
            die(QStringLiteral("addReading: ") + store.lastError());
    }
    store.finishRun(*run, Journal::EndReason::EndValue, {});
    return latencies;
}

// From the window's call to the reading being committed by the writer's thread.
void commitThroughWriter(
    const JournalLocation &location, int count, Latencies &queued, Latencies &written)
{
    JournalWriter writer(location);
    writer.open();
    const QString uuid = writer.beginRun(benchRun(QStringLiteral("writer bench")));
    if (!writer.waitUntilWritten(30000))
        die(QStringLiteral("the writer did not open the journal"));
    for (int i = 0; i < count; ++i) {
        const auto t0 = Clock::now();
        writer.addReading(uuid, readingNumber(i));
        queued.add(Clock::now() - t0);
        if (!writer.waitUntilWritten(10000))
            die(QStringLiteral("a reading was not written within 10 s"));
        written.add(Clock::now() - t0);
    }
    writer.finishRun(uuid, Journal::EndReason::EndValue);
    writer.waitUntilWritten(10000);
}

void benchCommit(const QString &engine, const JournalLocation &location, const Options &options,
    const QString &where)
{
    out << "\n== Commit one reading, " << engine << " (" << where << "), load "
        << JournalBench::loadAverage() << Qt::endl;
    {
        JournalStore store(location);
        openOrDie(store, true);
        if (store.dialect().isSQLite()) {
            QSqlQuery query(store.database());
            query.exec(QStringLiteral("PRAGMA synchronous"));
            query.next();
            out << "   SQLite synchronous=" << query.value(0).toInt() << " (2 = FULL)";
            query.exec(QStringLiteral("PRAGMA journal_mode"));
            query.next();
            out << ", journal_mode=" << query.value(0).toString() << Qt::endl;
        } else {
            out << "   server: " << JournalBench::serverSyncSettings(store.database()) << Qt::endl;
        }
        out << Latencies::header() << Qt::endl;
        const Latencies direct = commitReadings(store, options.readings);
        out << direct.row(QStringLiteral("JournalStore::addReading (own transaction)"), 5)
            << Qt::endl;
    }
    Latencies queued;
    Latencies written;
    commitThroughWriter(location, options.readings, queued, written);
    out << queued.row(QStringLiteral("JournalWriter::addReading (the call)")) << Qt::endl;
    out << written.row(QStringLiteral("JournalWriter addReading -> written")) << Qt::endl;
}

// Times `call` `repeat` times; it gets the repetition.
template<typename Call>
Latencies timeCalls(int repeat, Call call)
{
    Latencies latencies;
    for (int i = 0; i < repeat; ++i) {
        const auto t0 = Clock::now();
        call(i);
        latencies.add(Clock::now() - t0);
    }
    return latencies;
}

void benchList(JournalStore &store, const Options &options)
{
    const JournalFill::Shape &shape = options.shape;
    const int repeat = options.repeat;
    const auto sampleOf = [&](int i) {
        return JournalFill::sampleName((i * 97 + 13) % shape.samples);
    };
    const auto check = [&](bool ok, const QString &what) {
        if (!ok)
            die(what + QStringLiteral(": ") + store.lastError());
    };

    out << Latencies::header() << Qt::endl;
    qint64 listed = 0;
    const Latencies bySample = timeCalls(repeat, [&](int i) {
        JournalStore::RunFilter filter;
        filter.sample = sampleOf(i);
        const auto runs = store.listRuns(filter);
        check(!runs.empty(), QStringLiteral("listRuns by sample found nothing"));
        listed += qint64(runs.size());
    });
    out << bySample.row(QStringLiteral("listRuns({sample}) ~%1 runs").arg(listed / repeat), 100)
        << Qt::endl;
    const Latencies countBySample = timeCalls(repeat, [&](int i) {
        JournalStore::RunFilter filter;
        filter.sample = sampleOf(i);
        check(store.countRuns(filter) > 0, QStringLiteral("countRuns by sample"));
    });
    out << countBySample.row(QStringLiteral("countRuns({sample})"), 100) << Qt::endl;

    JournalStore::RunFilter control;
    control.sample = JournalFill::controlSample();
    int controlRuns = 0;
    const Latencies byControl = timeCalls(repeat, [&](int) {
        controlRuns = int(store.listRuns(control).size());
        check(controlRuns > 0, QStringLiteral("listRuns of the control sample"));
    });
    out << byControl.row(QStringLiteral("listRuns({control sample}) %1 runs").arg(controlRuns), 100)
        << Qt::endl;
    JournalStore::RunFilter controlPage = control;
    controlPage.limit = 200;
    out << timeCalls(repeat,
        [&](int) {
            check(store.listRuns(controlPage).size() == std::size_t(qMin(200, controlRuns)),
                QStringLiteral("control page"));
        }).row(QStringLiteral("listRuns({control sample, limit 200})"), 100)
        << Qt::endl;
    out << timeCalls(repeat,
        [&](int) {
            check(store.countRuns(control) == controlRuns, QStringLiteral("count"));
        }).row(QStringLiteral("countRuns({control sample})"), 100)
        << Qt::endl;

    out << timeCalls(repeat,
        [&](int) {
            check(store.countRuns({}) == shape.runs, QStringLiteral("countRuns of all"));
        }).row(QStringLiteral("countRuns({}) all %1").arg(shape.runs), 100)
        << Qt::endl;
    JournalStore::RunFilter page;
    page.limit = 200;
    out << timeCalls(repeat,
        [&](int) {
            check(store.listRuns(page).size() == 200, QStringLiteral("first page"));
        }).row(QStringLiteral("listRuns({limit 200}) first page"), 100)
        << Qt::endl;
    JournalStore::RunFilter deep = page;
    deep.offset = shape.runs / 2;
    out << timeCalls(repeat,
        [&](int) {
            check(store.listRuns(deep).size() == 200, QStringLiteral("middle page"));
        }).row(QStringLiteral("listRuns({limit 200, offset %1})").arg(deep.offset))
        << Qt::endl;
    JournalStore::RunFilter month;
    // A month in the middle of the journal (its runs come one every quarter hour).
    month.since = QDate(2024, 1, 8).addDays(qint64(shape.runs) * 900 / 86400 / 2);
    month.until = month.since.addDays(30);
    int monthRuns = 0;
    out << timeCalls(repeat,
        [&](int) {
            monthRuns = int(store.listRuns(month).size());
            check(monthRuns > 0, QStringLiteral("a month"));
        }).row(QStringLiteral("listRuns({one month}) %1 runs").arg(monthRuns))
        << Qt::endl;
    out << timeCalls(repeat,
        [&](int i) {
            const auto record = store.run(1 + (i * 7919) % shape.runs);
            check(record && int(record->readings.size()) == shape.readingsPerRun,
                QStringLiteral("run()"));
        }).row(QStringLiteral("run(id) with %1 readings").arg(shape.readingsPerRun))
        << Qt::endl;
}

// The same schema as a journal made now: a cached file from before a schema change is made anew.
QStringList schemaOf(const QString &path)
{
    QStringList statements;
    const QString name = QStringLiteral("schema-of");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            query.exec(QStringLiteral("SELECT type, name, sql FROM sqlite_master "
                                      "WHERE name NOT LIKE 'sqlite_%' ORDER BY name"));
            while (query.next())
                statements << query.value(0).toString() + u' ' + query.value(1).toString() + u' '
                        + query.value(2).toString();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return statements;
}

void removeSQLite(const QString &path)
{
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1StringView(suffix));
    QDir(path + QStringLiteral("-runs")).removeRecursively(); // the writers' run locks
}

QString cachedListingJournal(const Options &options)
{
    const JournalFill::Shape &shape = options.shape;
    const QString path = options.dataDirectory
        + QStringLiteral("/journal-%1-runs-%2-samples-%3-readings-v2.sqlite")
              .arg(shape.runs)
              .arg(shape.samples)
              .arg(shape.readingsPerRun);
    const QString probe = options.dataDirectory + QStringLiteral("/schema-probe.sqlite");
    removeSQLite(probe);
    {
        JournalLocation location;
        location.path = probe;
        JournalStore store(location);
        openOrDie(store, true);
    }
    const QStringList wanted = schemaOf(probe);
    removeSQLite(probe);
    if (QFile::exists(path)) {
        bool usable = schemaOf(path) == wanted;
        if (usable) {
            JournalLocation location;
            location.path = path;
            JournalStore store(location);
            usable = store.open(false).ok() && store.countRuns({}) == shape.runs;
        }
        if (usable) {
            out << "   using the cached journal " << path << Qt::endl;
            return path;
        }
        out << "   the cached journal is of another schema or size: made anew" << Qt::endl;
        removeSQLite(path);
    }
    JournalLocation location;
    location.path = path;
    JournalStore store(location);
    openOrDie(store, true);
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!JournalFill::fill(store, shape, &error)) {
        store.database().close();
        removeSQLite(path);
        die(QStringLiteral("filling the journal: ") + error);
    }
    out << "   filled " << path << " in " << timer.elapsed() / 1000.0 << " s" << Qt::endl;
    return path;
}

void benchSQLite(const Options &options)
{
    const QString where = JournalBench::fileSystemOf(options.dataDirectory);
    if (options.commit) {
        JournalLocation location;
        location.path = options.dataDirectory + QStringLiteral("/commit.sqlite");
        removeSQLite(location.path);
        benchCommit(QStringLiteral("SQLite"), location, options, where);
        removeSQLite(location.path);
    }
    if (options.list) {
        out << "\n== Listing " << options.shape.runs << " runs, SQLite (" << where << ")"
            << Qt::endl;
        JournalLocation location;
        location.path = cachedListingJournal(options);
        QElapsedTimer timer;
        timer.start();
        JournalStore store(location);
        openOrDie(store, false);
        out << "   opened in " << timer.nsecsElapsed() / 1e6 << " ms, load "
            << JournalBench::loadAverage() << Qt::endl;
        benchList(store, options);
    }
}

// Fills the journal at `location` unless it holds the runs already (a server given by URL).
void fillPostgreSQL(const JournalLocation &location, const Options &options)
{
    JournalStore store(location);
    openOrDie(store, true);
    const int found = store.countRuns({});
    if (found == options.shape.runs) {
        out << "   using the runs already there" << Qt::endl;
        return;
    }
    if (found != 0)
        die(QStringLiteral("the journal holds %1 runs; give an empty one").arg(found));
    QElapsedTimer timer;
    timer.start();
    QString error;
    if (!JournalFill::fill(store, options.shape, &error))
        die(QStringLiteral("filling the journal: ") + error);
    // The server's autovacuum does this soon after a load; now, for steady figures.
    QSqlQuery analyze(store.database());
    analyze.exec(QStringLiteral("VACUUM ANALYZE"));
    out << "   filled in " << timer.elapsed() / 1000.0 << " s (and VACUUM ANALYZE)" << Qt::endl;
}

void listPostgreSQL(const QString &url, const QString &where, const Options &options)
{
    out << "\n== Listing " << options.shape.runs << " runs, PostgreSQL (" << where << ")"
        << Qt::endl;
    QString error;
    const auto location = JournalLocation::parse(url, &error);
    if (!location)
        die(error);
    fillPostgreSQL(*location, options);
    JournalStore store(*location);
    openOrDie(store, false);
    out << "   load " << JournalBench::loadAverage() << Qt::endl;
    benchList(store, options);
}

void benchPostgreSQL(const Options &options)
{
    const bool ownServer = options.commit || options.listingUrl.isEmpty();
    PgCluster cluster;
    QString error;
    std::optional<QString> url;
    if (ownServer) {
        url = JournalBench::startServer(cluster, QStringLiteral("commit"), true, &error);
        if (!url)
            die(QStringLiteral("the PostgreSQL server did not start: ") + error);
    }
    const QString where = QStringLiteral("cluster in ")
        + JournalBench::fileSystemOf(cluster.dataDirectory()) + QStringLiteral(", Unix socket");
    if (options.commit) {
        const auto location = JournalLocation::parse(*url, &error);
        if (!location)
            die(error);
        benchCommit(QStringLiteral("PostgreSQL"), *location, options, where);
    }
    if (!options.list)
        return;
    if (!options.listingUrl.isEmpty()) {
        listPostgreSQL(options.listingUrl, options.listingUrl, options);
        return;
    }
    if (!cluster.createDatabase(QStringLiteral("listing"), &error))
        die(error);
    listPostgreSQL(cluster.url(QStringLiteral("listing")), where, options);
}

Options parseOptions(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Times the journal: committing one reading (synchronous=FULL on SQLite, fsync on "
        "PostgreSQL) and listing a journal of many runs. The listing's SQLite journal is kept "
        "in the data folder between runs."));
    parser.addHelpOption();
    const QCommandLineOption readings(QStringLiteral("readings"),
        QStringLiteral("Readings committed (2000)."), QStringLiteral("n"));
    const QCommandLineOption repeat(QStringLiteral("repeat"),
        QStringLiteral("Times each listing call is timed (20)."), QStringLiteral("n"));
    const QCommandLineOption runs(QStringLiteral("runs"),
        QStringLiteral("Runs in the listed journal (100000)."), QStringLiteral("n"));
    const QCommandLineOption samples(QStringLiteral("samples"),
        QStringLiteral("Distinct sample ids in it (2000)."), QStringLiteral("n"));
    const QCommandLineOption perRun(QStringLiteral("readings-per-run"),
        QStringLiteral("Readings of each listed run (30)."), QStringLiteral("n"));
    const QCommandLineOption data(QStringLiteral("data"),
        QStringLiteral("Folder of the journal files (bench-data beside the program)."),
        QStringLiteral("folder"));
    const QCommandLineOption only(QStringLiteral("only"),
        QStringLiteral("sqlite, postgresql, commit or list; may be given twice."),
        QStringLiteral("part"));
    const QCommandLineOption postgresql(QStringLiteral("postgresql"),
        QStringLiteral("List this PostgreSQL journal (filled when empty) instead of one on a "
                       "server of the program's own."),
        QStringLiteral("url"));
    parser.addOptions({readings, repeat, runs, samples, perRun, data, only, postgresql});
    parser.process(app);

    Options options;
    const auto number = [&](const QCommandLineOption &option, int &value) {
        if (!readPositive(parser, option, value))
            die(QStringLiteral("--%1 wants a positive number").arg(option.names().first()));
    };
    number(readings, options.readings);
    number(repeat, options.repeat);
    number(runs, options.shape.runs);
    number(samples, options.shape.samples);
    number(perRun, options.shape.readingsPerRun);
    options.dataDirectory = parser.isSet(data)
        ? QDir(parser.value(data)).absolutePath()
        : QCoreApplication::applicationDirPath() + QStringLiteral("/bench-data");
    options.listingUrl = parser.value(postgresql);
    const QStringList parts = parser.values(only);
    if (parts.contains(QStringLiteral("sqlite")) || parts.contains(QStringLiteral("postgresql"))) {
        options.sqlite = parts.contains(QStringLiteral("sqlite"));
        options.postgresql = parts.contains(QStringLiteral("postgresql"));
    }
    if (parts.contains(QStringLiteral("commit")) || parts.contains(QStringLiteral("list"))) {
        options.commit = parts.contains(QStringLiteral("commit"));
        options.list = parts.contains(QStringLiteral("list"));
    }
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const Options options = parseOptions(app);
    if (!QDir().mkpath(options.dataDirectory))
        die(QStringLiteral("cannot make ") + options.dataDirectory);
    out << "bench_journal: load average " << JournalBench::loadAverage() << " on "
        << QThread::idealThreadCount() << " cores; times in ms" << Qt::endl;
    if (options.sqlite)
        benchSQLite(options);
    if (options.postgresql)
        benchPostgreSQL(options);
    out << "\nload average at the end " << JournalBench::loadAverage() << Qt::endl;
    return 0;
}
