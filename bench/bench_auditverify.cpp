// Checking the audit trail: AuditVerifier::verify on a journal whose trail holds about
// --entries entries (default 100,000) covering runs with their readings, documents and
// evaluations, on an SQLite file and on a PostgreSQL server of its own. A plain program
// printing the median and the slowest of --repeat checks.
#include "journalbenchsupport.h"
#include "journalfill.h"

#include "journal/audittrail.h"
#include "journal/auditverifier.h"
#include "journal/journalstore.h"
#include "journal/recorddigest.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cstdlib>

namespace {

QTextStream out(stdout);

[[noreturn]] void die(const QString &message)
{
    out << "bench_auditverify: " << message << Qt::endl;
    std::exit(1);
}

// Entries for every record JournalFill made, as a migration would write them, in one
// transaction.
qint64 writeTrail(JournalStore &store)
{
    QSqlDatabase db = store.database();
    QString error;
    if (!db.transaction())
        die(db.lastError().text());
    Audit::Entry entry;
    entry.origin = store.origin();
    const auto append = [&](Audit::Action action, const QString &record, const QByteArray &digest) {
        entry.action = action;
        entry.record = record;
        entry.dataDigest = digest;
        if (!Audit::append(db, entry, &error))
            die(error);
    };
    QSqlQuery runs(db);
    if (!runs.exec(QStringLiteral("SELECT id, uuid, end_reason FROM runs ORDER BY id")))
        die(runs.lastError().text());
    std::vector<std::tuple<qint64, QString, bool>> all;
    while (runs.next())
        all.emplace_back(runs.value(0).toLongLong(), runs.value(1).toString(),
            runs.value(2).toString() != QLatin1StringView("running"));
    const QString runsTable = QStringLiteral("runs");
    for (const auto &[id, uuid, ended] : all) {
        const QString record = Audit::recordOfRun(uuid);
        append(Audit::Action::RunStarted, record,
            *RecordDigest::ofRow(db, runsTable, RecordDigest::RunStart, QStringLiteral("id"), id));
        if (ended)
            append(Audit::Action::RunEnded, record, *RecordDigest::ofRunEnd(db, id));
        append(Audit::Action::DocumentSaved, record,
            *RecordDigest::ofRow(
                db, runsTable, RecordDigest::RunDocument, QStringLiteral("id"), id));
    }
    QSqlQuery evaluations(db);
    if (!evaluations.exec(QStringLiteral("SELECT uuid FROM evaluations ORDER BY id")))
        die(evaluations.lastError().text());
    QStringList uuids;
    while (evaluations.next())
        uuids << evaluations.value(0).toString();
    for (const QString &uuid : uuids)
        append(Audit::Action::Evaluated, Audit::recordOfEvaluation(uuid),
            *RecordDigest::ofRow(db, QStringLiteral("evaluations"), RecordDigest::Evaluation,
                QStringLiteral("uuid"), uuid));
    if (!db.commit())
        die(db.lastError().text());
    return store.newestLink()->seq;
}

void bench(const QString &name, const QString &url, const JournalFill::Shape &shape, int repeat)
{
    JournalStore store(*JournalLocation::parse(url));
    const JournalStore::OpenResult opened = store.open();
    if (!opened.ok())
        die(opened.message);
    QString error;
    QElapsedTimer filling;
    filling.start();
    if (!JournalFill::fill(store, shape, &error))
        die(error);
    const qint64 entries = writeTrail(store);
    out << name << ": " << entries << " entries over " << shape.runs << " runs of "
        << shape.readingsPerRun << " readings (made in " << filling.elapsed() / 1000.0 << " s)"
        << Qt::endl;
    std::vector<double> times;
    for (int i = 0; i < repeat; ++i) {
        QElapsedTimer timer;
        timer.start();
        const AuditVerifier::Outcome outcome = AuditVerifier::verify(store.database());
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (!outcome.intact)
            die(QStringLiteral("not intact: ") + outcome.problem);
    }
    std::sort(times.begin(), times.end());
    out << "  verify: median " << times[times.size() / 2] << " ms, slowest " << times.back()
        << " ms of " << repeat << Qt::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times checking the journal's audit trail."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("entries"), QStringLiteral("about this many entries (100000)"),
            QStringLiteral("n"), QStringLiteral("100000")},
        {QStringLiteral("readings"), QStringLiteral("readings per run (30)"), QStringLiteral("n"),
            QStringLiteral("30")},
        {QStringLiteral("repeat"), QStringLiteral("checks timed (5)"), QStringLiteral("n"),
            QStringLiteral("5")},
        {QStringLiteral("sqlite-only"), QStringLiteral("no PostgreSQL server")},
    });
    parser.process(app);
    int entries = 100000;
    int readings = 30;
    int repeat = 5;
    const auto option = [](const char *name) {
        return QCommandLineOption(QLatin1String(name));
    };
    if (!readPositive(parser, option("entries"), entries)
        || !readPositive(parser, option("readings"), readings)
        || !readPositive(parser, option("repeat"), repeat))
        die(QStringLiteral("--entries, --readings and --repeat need a whole number above 0"));
    JournalFill::Shape shape;
    shape.readingsPerRun = readings;
    // A run gives its start, end and document entries, and 0.78 evaluations on average.
    shape.runs = std::max(10, int(entries / 3.78));
    shape.samples = std::max(1, shape.runs / 50);
    out << "bench_auditverify: load average " << JournalBench::loadAverage() << " on "
        << QThread::idealThreadCount() << " cores" << Qt::endl;
    QTemporaryDir files;
    bench(QStringLiteral("SQLite"), files.filePath(QStringLiteral("verify.sqlite")), shape, repeat);
    if (!parser.isSet(QStringLiteral("sqlite-only"))) {
        PgCluster cluster;
        QString error;
        const auto url
            = JournalBench::startServer(cluster, QStringLiteral("verify"), false, &error);
        if (!url)
            die(error);
        bench(QStringLiteral("PostgreSQL"), *url, shape, repeat);
    }
    return 0;
}
