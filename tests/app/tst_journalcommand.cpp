// The journal's command line: list, show, import and copy on real SQLite files and a
// PostgreSQL server of the test's own, and the choice of the journal.
#include "app/batchevaluation.h"
#include "journal/journalcopy.h"
#include "journal/journalstore.h"
#include "support/diskfiles.h"
#include "support/journalcli.h"
#include "support/jumplisting.h"
#include "support/pgcluster.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

namespace {

// Days and their boundaries are local time: the tests' is fixed.
void fixTimeZone()
{
    qputenv("TZ", "Europe/Berlin");
    ::tzset();
}
Q_CONSTRUCTOR_FUNCTION(fixTimeZone)

QDateTime at(const char *iso)
{
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODateWithMs);
}

const Journal::Origin Anna {
    QStringLiteral("anna"), QStringLiteral("lab-pc"), QStringLiteral("1.2.3")};

qint64 addRun(JournalStore &store, const char *started, const QString &sample = {},
    Journal::RunKind kind = Journal::RunKind::Import)
{
    Journal::RunStart run;
    run.kind = kind;
    run.sampleId = sample;
    run.started = at(started);
    run.origin = Anna;
    return store.beginRun(run).value_or(-1);
}

// A run's evaluation with one result.
bool addResult(JournalStore &store, qint64 run, double value, const char *unit)
{
    Journal::Evaluation e;
    e.origin = Anna;
    e.results = {{1, value, value / 1000, QLatin1String(unit)}};
    return run > 0 && store.addEvaluation(run, e).has_value();
}

// Three runs: one running, one with readings and two evaluations, one of another
// workstation (+05:30).
void fillKnown(JournalStore &store)
{
    Journal::RunStart a;
    a.uuid = QStringLiteral("aaaaaaaa-0000-0000-0000-000000000001");
    a.sampleId = QStringLiteral("S-1");
    a.sampleSize = 25;
    a.sampleUnit = QStringLiteral("mL");
    a.unit = QStringLiteral("pH");
    a.method = {{QStringLiteral("DosingMode"), QStringLiteral("fixed")},
        {QStringLiteral("Increment"), 0.1}};
    a.started = at("2026-12-07T20:15:02.125+01:00");
    a.origin = Anna;
    const qint64 id = store.beginRun(a).value_or(-1);
    store.addReadings(id, {{0, 0, 3.5, 0, false}, {1, 0.1, 3.75, 12.5, true}, {2, 0.2, 4.125, 25}});
    store.finishRun(id, Journal::EndReason::EndValue, at("2026-12-07T20:25:00.000+01:00"));
    Journal::Evaluation e;
    e.created = at("2026-12-07T20:26:00.000+01:00");
    e.origin = Anna;
    e.method = {{QStringLiteral("ResultUnit"), QStringLiteral("mol/L")}};
    e.points = {{0.15, 0.002, 3.9, {}}};
    e.results = {{1, 0.1234, 0.0005, QStringLiteral("mol/L")}};
    store.addEvaluation(id, e);
    e.created = at("2026-12-08T09:00:00.000+01:00");
    e.reason = QStringLiteral("blank corrected");
    e.results.front().value = 0.125;
    store.addEvaluation(id, e);
    addRun(store, "2026-12-06T09:00:00.000+05:30", QStringLiteral("S-2"), Journal::RunKind::Report);
    addRun(store, "2026-12-08T08:00:00.000+01:00", QStringLiteral("S-1"),
        Journal::RunKind::Incremental);
}

// The settings name the journal at journalUrl, or none when it is empty.
Outcome execute(const QStringList &arguments, const QString &journalUrl = {})
{
    return executeJournalCommand(arguments, {{QStringLiteral("Journal/Url"), journalUrl}});
}

QStringList firstColumn(const QByteArray &csv)
{
    QStringList ids = QString::fromUtf8(csv).split(u'\n', Qt::SkipEmptyParts).mid(1);
    for (QString &line : ids)
        line.truncate(line.indexOf(u','));
    return ids;
}

// The tables whose digests differ between two journals.
QStringList differing(const QString &a, const QString &b)
{
    JournalStore one(*JournalLocation::parse(a));
    JournalStore two(*JournalLocation::parse(b));
    if (!one.open(false).ok() || !two.open(false).ok())
        return {QStringLiteral("<not open>")};
    QStringList tables;
    for (const JournalCopy::TableCheck &check : JournalCopy::compare(
             *JournalCopy::digests(one.database()), *JournalCopy::digests(two.database())))
        if (!check.matches())
            tables << check.table;
    return tables;
}

} // namespace

class tst_JournalCommand : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_known; // the known journal, never changed

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QStringList resolved(QStringList arguments) const
    {
        arguments.replaceInStrings(QStringLiteral("@known"), m_known);
        arguments.replaceInStrings(QStringLiteral("@/"), m_dir.path() + u'/');
        return arguments;
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("data"))));
        m_known = path(QStringLiteral("known.sqlite"));
        QVERIFY(writeAll(path(QStringLiteral("garbage.sqlite")), "no database at all"));
        QFile listing(path(QStringLiteral("listing.rtf")));
        QVERIFY(listing.open(QIODevice::WriteOnly) && listing.write(jumpListingRtf()) > 0
            && listing.flush()
            && listing.setFileTime(
                at("2026-12-07T11:00:00.250+01:00"), QFileDevice::FileModificationTime));
        listing.close();
        // Journals with some runs and a change of their own.
        const std::tuple<const char *, int, const char *> journals[] = {{"known.sqlite", 0, ""},
            {"other.sqlite", 1, ""}, {"data/Kalumet/journal.sqlite", 2, ""},
            {"full.sqlite", 1,
                "CREATE TRIGGER full BEFORE INSERT ON runs BEGIN "
                "SELECT RAISE(ABORT, 'database or disk is full'); END"}};
        for (const auto &[name, runs, change] : journals) {
            JournalStore store(*JournalLocation::parse(path(QLatin1String(name))));
            QVERIFY(store.open().ok());
            for (int i = 0; i < runs; ++i)
                QVERIFY(addRun(store, "2026-12-01T10:00:00.000Z") > 0);
            QVERIFY(!*change || QSqlQuery(store.database()).exec(QLatin1String(change)));
        }
        JournalStore known(*JournalLocation::parse(m_known));
        QVERIFY(known.open().ok());
        fillKnown(known);
        // Runs around the day boundaries; the one at 23:30 UTC was 00:30 the next day here.
        JournalStore days(*JournalLocation::parse(path(QStringLiteral("days.sqlite"))));
        QVERIFY(days.open().ok());
        for (const auto &[sample, started] : {std::pair {"X", "2026-12-09T23:59:00.000+01:00"},
                 {"Y", "2026-12-10T00:00:00.000+01:00"}, {"X", "2026-12-10T23:59:00.000+01:00"},
                 {"Y", "2026-12-11T00:00:00.000+01:00"}, {"Y", "2026-12-10T23:30:00.000Z"}})
            QVERIFY(addRun(days, started, QLatin1String(sample)) > 0);
    }

    // CSV bytes whatever the locale's decimal point; the fields of list and show in JSON.
    void listAndShowGiveTheKnownFields()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        const Outcome csv = execute({"--journal-list", "--journal", m_known, "--since",
            "2026-12-07", "--until", "2026-12-07"});
        QLocale::setDefault(QLocale::c());
        QCOMPARE(csv.status, 0);
        QCOMPARE(csv.out,
            QByteArray("id,kind,sample,started,ended,end_reason,readings,value,u,unit\r\n"
                       "1,incremental,S-1,2026-12-07T20:15:02.125+01:00,"
                       "2026-12-07T20:25:00.000+01:00,end_value,3,0.125,0.0005,mol/L\r\n"));

        const Outcome json = execute({"--journal-list", "--journal", m_known, "--format", "JSON"});
        QCOMPARE(json.status, 0);
        const QJsonObject list = QJsonDocument::fromJson(json.out).object();
        QCOMPARE(list.keys(), (QStringList {"chain_hash", "runs", "series"}));
        QCOMPARE(list["chain_hash"].toString().size(), 64);
        const QStringList runKeys {
            "end_reason", "ended", "id", "kind", "readings", "result", "sample", "started"};
        const QJsonArray runs = list.value("runs").toArray();
        QCOMPARE(runs.size(), 3);
        QCOMPARE(runs.at(1).toObject().keys(), runKeys);
        QCOMPARE(runs.at(1)["result"].toObject().keys(), (QStringList {"u", "unit", "value"}));

        const Outcome show = execute(
            {"--journal-show", "aaaaaaaa-0000-0000-0000-000000000001", "--journal", m_known});
        QCOMPARE(show.status, 0);
        const QJsonObject run = QJsonDocument::fromJson(show.out).object();
        QStringList showKeys = runKeys
            + QStringList {"chain_hash", "document_file", "evaluations", "forced", "host", "method",
                "operator", "program_version", "sample_size", "sample_unit", "unit", "uuid"};
        showKeys.sort();
        QCOMPARE(run.keys(), showKeys);
        QCOMPARE(run["readings"].toArray(),
            QJsonDocument::fromJson("[[0,3.5,0],[0.1,3.75,12.5],[0.2,4.125,25]]").array());
        const QJsonArray evaluations = run["evaluations"].toArray();
        QCOMPARE(evaluations.size(), 2);
        QCOMPARE(evaluations.at(1).toObject().keys(),
            (QStringList {"created", "criterion", "equivalence_points", "host", "method",
                "operator", "program_version", "reason", "results", "version"}));
    }

    // One series per sample of the runs listed, in the order the samples first appear (newest
    // first): the unit most results have (a tie to the newest run's), the outlier flagged and
    // counted, what cannot be computed null.
    void listJsonHasTheSeries()
    {
        QTemporaryDir dir;
        const QString journal = dir.filePath(QStringLiteral("series.sqlite"));
        JournalStore store(*JournalLocation::parse(journal));
        QVERIFY(store.open().ok());
        const std::tuple<const char *, const char *, double, const char *> runs[]
            = {{"A", "2026-11-01T10:00:00.000Z", 5.0, "mol/L"}, // before --since
                {"A", "2026-12-01T10:00:00.000Z", 0.1002, "mol/L"},
                {"A", "2026-12-01T11:00:00.000Z", 0.1004, "mol/L"},
                {"A", "2026-12-01T12:00:00.000Z", 0, nullptr}, // no result
                {"A", "2026-12-01T13:00:00.000Z", 0.1003, "mol/L"},
                {"A", "2026-12-01T14:00:00.000Z", 0.1150, "mol/L"}, // run 6: G 1.4999 > 1.4812
                {"A", "2026-12-01T15:00:00.000Z", 100.3, "mmol/L"}, // another unit
                {"", "2026-12-02T09:00:00.000Z", 0.2, "mol/L"}, // no sample: no series
                {"B", "2026-12-02T10:00:00.000Z", 12.0, "mg"},
                {"B", "2026-12-02T11:00:00.000Z", 1.5, "%"}, // a tie: the newest run's unit
                {"C", "2026-12-03T10:00:00.000Z", 0, nullptr}};
        for (const auto &[sample, started, value, unit] : runs) {
            const qint64 id = addRun(store, started, QLatin1String(sample));
            QVERIFY(id > 0 && (!unit || addResult(store, id, value, unit)));
        }
        const Outcome json = execute(
            {"--journal-list", "--journal", journal, "--format", "json", "--since", "2026-12-01"});
        QCOMPARE(json.status, 0);
        const QJsonArray series = QJsonDocument::fromJson(json.out).object()["series"].toArray();
        QCOMPARE(series.size(), 3);
        QCOMPARE(series[0].toObject(),
            QJsonDocument::fromJson(R"({"sample": "C", "unit": null, "n": 0, "mean": null,
                "s": null, "rsd_percent": null, "ci95": null, "outliers": []})")
                .object());
        QCOMPARE(series[1].toObject(),
            QJsonDocument::fromJson(R"({"sample": "B", "unit": "%", "n": 1, "mean": 1.5,
                "s": null, "rsd_percent": null, "ci95": null, "outliers": []})")
                .object());
        QJsonObject a = series[2].toObject();
        // Mean 0.103975, s^2 = 1.620875e-4 / 3, t(0.975, 3) = 3.18245.
        const double figures[][2] = {{a["mean"].toDouble(), 0.103975},
            {a["s"].toDouble(), 0.00735045}, {a["rsd_percent"].toDouble(), 7.06944},
            {a["ci95"][0].toDouble(), 0.0922788}, {a["ci95"][1].toDouble(), 0.1156712}};
        for (const auto &[value, expected] : figures)
            QVERIFY2(std::abs(value / expected - 1) < 2e-6, qPrintable(QString::number(value)));
        for (const char *figure : {"mean", "s", "rsd_percent", "ci95"})
            a.remove(QLatin1String(figure));
        QCOMPARE(a,
            QJsonDocument::fromJson(R"({"sample": "A", "unit": "mol/L", "n": 4, "outliers": [6]})")
                .object());
    }

    // The journal is --journal, else the settings' Journal/Url, else the user's own file.
    // --since and --until are whole local days: 00:00 of the first in, 00:00 after the last
    // out.
    void listChoosesJournalAndDays_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "@/name": a file in the test's folder
        QTest::addColumn<QString>("configured"); // Journal/Url; empty: none
        QTest::addColumn<QStringList>("ids");
        const auto row = [](const char *name, const QStringList &arguments, const char *configured,
                             const QStringList &ids) {
            QTest::newRow(name) << arguments << QString::fromLatin1(configured) << ids;
        };
        const QStringList days {"--journal", "@/days.sqlite"};
        row("--journal over the settings", {"--journal", "@known"}, "@/other.sqlite",
            {"3", "1", "2"});
        row("the settings", {}, "sqlite://@/other.sqlite", {"1"});
        row("the default file", {}, "", {"2", "1"});
        row("until: 23:59 in, 00:00 after out", days + QStringList {"--until", "2026-12-09"}, "",
            {"1"});
        row("since: 00:00 in, 23:59 before out", days + QStringList {"--since", "2026-12-10"}, "",
            {"5", "4", "3", "2"});
        row("another offset, in local time", days + QStringList {"--since", "2026-12-11"}, "",
            {"5", "4"});
    }
    void listChoosesJournalAndDays()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, configured);
        const Outcome list = execute(resolved(QStringList {"--journal-list"} + arguments),
            configured.isEmpty() ? QString() : resolved({configured}).first());
        QCOMPARE(list.status, 0);
        QTEST(firstColumn(list.out), "ids");
    }

    // Each way to fail has its status and message, with nothing on standard output; list and
    // show make no journal where there is none.
    void failuresExitWithTheirStatus_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "@/name": a file in the test's folder
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const auto row
            = [](const char *name, const QStringList &arguments, int status, const char *message) {
                  QTest::newRow(name) << arguments << status << QString::fromLatin1(message);
              };
        row("unknown option", {"--journal-list", "--bogus"}, 2, "Unknown option 'bogus'");
        row("no journal", {"--journal-show", "1", "--journal", "@/missing.sqlite"}, 2,
            "no journal");
        row("damaged journal", {"--journal-list", "--journal", "@/garbage.sqlite"}, 2, "no SQLite");
        row("import that cannot write",
            {"--journal", "@/full.sqlite", "--journal-import", "@/listing.rtf"}, 1, "disk is full");
    }
    void failuresExitWithTheirStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Outcome outcome = execute(resolved(arguments));
        QVERIFY2(outcome.err.contains(message.toUtf8()), outcome.err.constData());
        QTEST(outcome.status, "status");
        QCOMPARE(outcome.out, QByteArray());
        QVERIFY(!QFile::exists(path(QStringLiteral("missing.sqlite"))));
    }

    // A document becomes a run of kind "import" with the evaluation --evaluate gives; a file
    // that cannot be read makes the status 2.
    void importTakesDocumentsAsRuns()
    {
        QTemporaryDir dir;
        const QString journal = dir.filePath(QStringLiteral("import.sqlite"));
        const QString listing = path(QStringLiteral("listing.rtf"));
        const Outcome first = execute({"--journal", journal, "--journal-import", listing,
            dir.filePath(QStringLiteral("missing.rtf")), "--titrant-concentration", "0.2",
            "--sample-size", "10"});
        QCOMPARE(first.status, 2);
        QVERIFY2(first.err.contains("missing.rtf"), first.err.constData());
        const QJsonObject run
            = QJsonDocument::fromJson(execute({"--journal", journal, "--journal-show", "1"}).out)
                  .object();
        QCOMPARE(run["kind"].toString(), QStringLiteral("import"));
        QCOMPARE(run["started"].toString(), QStringLiteral("2026-12-07T11:00:00.250+01:00"));
        ResultSettings method;
        method.method.titrantConcentration = 0.2;
        method.method.sampleSize = 10;
        const QJsonObject expected = QJsonDocument::fromJson(
            BatchEvaluation::toJson(
                BatchEvaluation::evaluateFile(listing, Numbers::Separators::dot(), method)))
                                         .object();
        QCOMPARE(expected["results"].toArray().size(), 1);
        const QJsonArray evaluations = run["evaluations"].toArray();
        QCOMPARE(evaluations.size(), 1);
        QCOMPARE(evaluations.at(0)["equivalence_points"], expected.value("equivalence_points"));
        QCOMPARE(evaluations.at(0)["results"], keptResults(expected.value("results")));
    }

    // A copy has every table of its journal (its trail one entry more: the copy), proves itself
    // intact, takes no second copy and counts ids on past the ones copied; on PostgreSQL the
    // hashes made on SQLite are checked on the other engine. A reading changed behind the
    // trail's back (its trigger dropped) is found at its run's end, the second entry.
    void verifyAndCheckFindAReadingChangedBehindTheirBack_data()
    {
        QTest::addColumn<bool>("postgres");
        QTest::newRow("SQLite") << false;
        QTest::newRow("PostgreSQL") << true;
    }
    void verifyAndCheckFindAReadingChangedBehindTheirBack()
    {
        QFETCH(bool, postgres);
        QTemporaryDir dir;
        PgCluster cluster; // a server that cannot start fails
        QString copy = dir.filePath(QStringLiteral("v.sqlite"));
        QString error;
        if (postgres) {
            QVERIFY2(cluster.start(&error), qPrintable(error));
            QVERIFY2(cluster.createDatabase(QStringLiteral("lab"), &error), qPrintable(error));
            copy = cluster.url(QStringLiteral("lab"));
        }
        const Outcome there = execute({"--journal-copy", "--journal", m_known, "--to", copy});
        QVERIFY2(there.status == 0, there.err.constData());
        QCOMPARE(execute({"--journal-copy", "--journal", m_known, "--to", copy}).status, 2);
        QCOMPARE(differing(m_known, copy), QStringList {"audit_trail"});
        const Outcome intact = execute({"--journal-verify", "--journal", copy});
        QCOMPARE(intact.status, 0);
        QVERIFY2(intact.out.contains("is intact"), intact.out.constData());

        const QString change
            = QStringLiteral("UPDATE readings SET value = 9 WHERE run_id = 1 AND seq = 1");
        if (postgres)
            QVERIFY2(cluster.execute(QStringLiteral("lab"),
                         QStringLiteral("DROP TRIGGER readings_immutable ON readings"), &error)
                    && cluster.execute(QStringLiteral("lab"), change, &error),
                qPrintable(error));
        else
            QCOMPARE(QProcess::execute(QStringLiteral("sqlite3"),
                         {copy, QStringLiteral("DROP TRIGGER readings_no_update; ") + change}),
                0);
        QCOMPARE(differing(m_known, copy), (QStringList {"readings", "audit_trail"}));
        const Outcome broken = execute({"--journal-verify", "--journal", copy});
        QCOMPARE(broken.status, 3);
        QVERIFY2(broken.out.contains("at entry 2 "), broken.out.constData());
        JournalStore store(*JournalLocation::parse(copy));
        QVERIFY(store.open(false).ok());
        QCOMPARE(addRun(store, "2026-12-09T12:00:00.000Z"), 4);
    }
};

QTEST_GUILESS_MAIN(tst_JournalCommand)
#include "tst_journalcommand.moc"
