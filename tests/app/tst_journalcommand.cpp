// The journal's command line: list, show, import and copy on real SQLite files and a
// PostgreSQL server of the test's own, the choice of the journal, and the program's exit
// without a display for options it does not know.
#include "app/batchevaluation.h"
#include "app/evaluatecommand.h"
#include "app/journalcommand.h"
#include "journal/journalcopy.h"
#include "journal/journalstore.h"
#include "support/jumplisting.h"
#include "support/pgcluster.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
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

// Three runs: one running, one with readings and two evaluations, one received listing of
// another workstation (+05:30) whose sample needs quotes in CSV.
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
    e.points = {{0.15, 0.002, 3.9}};
    e.results = {{1, 0.1234, 0.0005, QStringLiteral("mol/L")}};
    store.addEvaluation(id, e);
    e.created = at("2026-12-08T09:00:00.000+01:00");
    e.reason = QStringLiteral("blank corrected");
    e.results.front().value = 0.125;
    store.addEvaluation(id, e);
    const qint64 b = addRun(store, "2026-12-06T09:00:00.000+05:30",
        QStringLiteral("Probe \"7\", acid"), Journal::RunKind::Report);
    store.addReadings(b, {{0, 1, 7, 3}});
    store.finishRun(b, Journal::EndReason::Report, at("2026-12-06T09:10:00.000+05:30"));
    addRun(store, "2026-12-08T08:00:00.000+01:00", QStringLiteral("S-1"),
        Journal::RunKind::Incremental);
}

const QByteArray KnownCsv
    = "id,kind,sample,started,ended,end_reason,readings,value,u,unit\r\n"
      "3,incremental,S-1,2026-12-08T08:00:00.000+01:00,,running,0,,,\r\n"
      "1,incremental,S-1,2026-12-07T20:15:02.125+01:00,2026-12-07T20:25:00.000+01:00,end_value,"
      "3,0.125,0.0005,mol/L\r\n"
      "2,report,\"Probe \"\"7\"\", acid\",2026-12-06T09:00:00.000+05:30,"
      "2026-12-06T09:10:00.000+05:30,report,1,,,\r\n";

struct Outcome
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// The settings name the journal at journalUrl, or none when it is empty.
Outcome execute(const QStringList &arguments, const QString &journalUrl = {})
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    if (!journalUrl.isEmpty())
        settings.setValue(QStringLiteral("Journal/Url"), journalUrl);
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int status = JournalCommand::execute(arguments, out, err, settings);
    return {status, out.data(), err.data()};
}

QByteArray compact(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).toJson(QJsonDocument::Compact);
}

QStringList firstColumn(const QByteArray &csv)
{
    QStringList ids = QString::fromUtf8(csv).split(u'\n', Qt::SkipEmptyParts).mid(1);
    for (QString &line : ids)
        line.truncate(line.indexOf(u','));
    return ids;
}

bool sql(JournalStore &store, const QString &statement)
{
    return QSqlQuery(store.database()).exec(statement);
}

bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The digests of two journals, table by table.
std::vector<JournalCopy::TableCheck> compared(const QString &a, const QString &b)
{
    JournalStore one(*JournalLocation::parse(a));
    JournalStore two(*JournalLocation::parse(b));
    if (!one.open(false).ok() || !two.open(false).ok())
        return {};
    return JournalCopy::compare(
        *JournalCopy::digests(one.database()), *JournalCopy::digests(two.database()));
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
        QVERIFY(writeFile(path(QStringLiteral("garbage.sqlite")), "no database at all"));
        QFile listing(path(QStringLiteral("listing.rtf")));
        QVERIFY(listing.open(QIODevice::WriteOnly) && listing.write(jumpListingRtf()) > 0
            && listing.flush()
            && listing.setFileTime(
                at("2026-12-07T11:00:00.250+01:00"), QFileDevice::FileModificationTime));
        listing.close();
        // Journals with some runs and a change of their own.
        const std::tuple<const char *, int, const char *> journals[] = {{"known.sqlite", 0, ""},
            {"other.sqlite", 1, ""}, {"data/Kalumet/journal.sqlite", 2, ""},
            {"newer.sqlite", 0,
                "UPDATE journal_meta SET value = '99' WHERE name = 'schema_version'"},
            {"full.sqlite", 1,
                "CREATE TRIGGER full BEFORE INSERT ON runs BEGIN "
                "SELECT RAISE(ABORT, 'database or disk is full'); END"}};
        for (const auto &[name, runs, change] : journals) {
            JournalStore store(*JournalLocation::parse(path(QLatin1String(name))));
            QVERIFY(store.open().ok());
            for (int i = 0; i < runs; ++i)
                QVERIFY(addRun(store, "2026-12-01T10:00:00.000Z") > 0);
            QVERIFY(!*change || sql(store, QLatin1String(change)));
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

    // The list's CSV bytes and JSON fields, whatever the locale's decimal point, and a whole
    // run by its uuid.
    void listAndShowGiveTheKnownFields()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        const Outcome csv = execute({"--journal-list", "--journal", m_known});
        QLocale::setDefault(QLocale::c());
        QCOMPARE(csv.status, 0);
        QCOMPARE(csv.out, KnownCsv);
        const Outcome json = execute({"--journal-list", "--journal", m_known, "--format", "JSON"});
        QCOMPARE(json.status, 0);
        QCOMPARE(compact(json.out),
            QByteArray("{\"runs\":[{\"end_reason\":\"running\",\"ended\":null,\"id\":3,\"kind\":"
                       "\"incremental\",\"readings\":0,\"result\":null,\"sample\":\"S-1\","
                       "\"started\":\"2026-12-08T08:00:00.000+01:00\"},{\"end_reason\":"
                       "\"end_value\",\"ended\":\"2026-12-07T20:25:00.000+01:00\",\"id\":1,"
                       "\"kind\":\"incremental\",\"readings\":3,\"result\":{\"u\":5e-04,\"unit\":"
                       "\"mol/L\",\"value\":0.125},\"sample\":\"S-1\",\"started\":"
                       "\"2026-12-07T20:15:02.125+01:00\"},{\"end_reason\":\"report\",\"ended\":"
                       "\"2026-12-06T09:10:00.000+05:30\",\"id\":2,\"kind\":\"report\","
                       "\"readings\":1,\"result\":null,\"sample\":\"Probe \\\"7\\\", acid\","
                       "\"started\":\"2026-12-06T09:00:00.000+05:30\"}]}"));

        const Outcome show = execute(
            {"--journal-show", "aaaaaaaa-0000-0000-0000-000000000001", "--journal", m_known});
        QCOMPARE(show.status, 0);
        const QString evaluation
            = "{\"created\":\"%1\",\"criterion\":1,\"equivalence_points\":[{\"u_volume_ml\":0.002,"
              "\"value\":3.9,\"volume_ml\":0.15}],\"host\":\"lab-pc\",\"method\":{\"ResultUnit\":"
              "\"mol/L\"},\"operator\":\"anna\",\"program_version\":\"1.2.3\",\"reason\":\"%2\","
              "\"results\":[{\"ep\":1,\"u\":5e-04,\"unit\":\"mol/L\",\"value\":%3}],"
              "\"version\":%4}";
        QCOMPARE(compact(show.out),
            QString("{\"document_file\":\"\",\"end_reason\":\"end_value\",\"ended\":"
                    "\"2026-12-07T20:25:00.000+01:00\",\"evaluations\":[%1,%2],\"forced\":[1],"
                    "\"host\":\"lab-pc\",\"id\":1,\"kind\":\"incremental\",\"method\":{"
                    "\"DosingMode\":\"fixed\",\"Increment\":0.1},\"operator\":\"anna\","
                    "\"program_version\":\"1.2.3\",\"readings\":[[0,3.5,0],[0.1,3.75,12.5],"
                    "[0.2,4.125,25]],\"result\":{\"u\":5e-04,\"unit\":\"mol/L\",\"value\":0.125},"
                    "\"sample\":\"S-1\",\"sample_size\":25,\"sample_unit\":\"mL\",\"started\":"
                    "\"2026-12-07T20:15:02.125+01:00\",\"unit\":\"pH\",\"uuid\":"
                    "\"aaaaaaaa-0000-0000-0000-000000000001\"}")
                .arg(evaluation.arg("2026-12-07T20:26:00.000+01:00", "", "0.1234", "1"),
                    evaluation.arg(
                        "2026-12-08T09:00:00.000+01:00", "blank corrected", "0.125", "2"))
                .toUtf8());
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
        row("one day", days + QStringList {"--since", "2026-12-10", "--until", "2026-12-10"}, "",
            {"3", "2"});
        row("another offset, in local time", days + QStringList {"--since", "2026-12-11"}, "",
            {"5", "4"});
        row("sample and day", days + QStringList {"--sample", "X", "--until", "2026-12-10"}, "",
            {"3", "1"});
        row("none", days + QStringList {"--since", "2027-01-01"}, "", {});
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
    // show make no journal where there is none, and the known journal stays as it was.
    void failuresExitWithTheirStatus_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "@/name": a file in the test's folder
        QTest::addColumn<QString>("configured"); // Journal/Url; empty: none
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, const QStringList &arguments, int status,
                             const char *message, const char *configured = "") {
            QTest::newRow(name) << arguments << QString::fromLatin1(configured) << status
                                << QString::fromLatin1(message);
        };
        row("--journal alone", {"--journal", "@known"}, 2, "needs one of");
        row("two commands", {"--journal-list", "--journal-show", "1"}, 2, "cannot go together");
        row("option of another command", {"--journal-list", "--to", "@/x"}, 2, "does not go with");
        row("unknown option", {"--journal-list", "--bogus"}, 2, "Unknown option 'bogus'");
        row("day not ISO", {"--journal-list", "--since", "7.12.2026"}, 2, "YYYY-MM-DD");
        row("since after until",
            {"--journal-list", "--since", "2026-12-08", "--until", "2026-12-07"}, 2, "is after");
        row("unknown format", {"--journal-list", "--format", "xml"}, 2, "unknown format");
        row("password in the URL", {"--journal-list", "--journal", "postgresql://u:pw@h/db"}, 2,
            "password");
        row("settings that name no journal", {"--journal-list"}, 2, "ftp", "ftp://h/x");
        row("no journal", {"--journal-show", "1", "--journal", "@/missing.sqlite"}, 2,
            "no journal");
        row("unknown run", {"--journal-show", "4", "--journal", "@known"}, 2, "has no run 4");
        row("damaged journal", {"--journal-list", "--journal", "@/garbage.sqlite"}, 2, "no SQLite");
        row("newer journal", {"--journal-list", "--journal", "@/newer.sqlite"}, 2, "newer");
        row("copy without --to", {"--journal-copy"}, 2, "needs --to");
        row("copy onto itself", {"--journal-copy", "--journal", "@known", "--to", "@known"}, 2,
            "onto itself");
        row("copy into a journal with runs",
            {"--journal-copy", "--journal", "@known", "--to", "@/full.sqlite"}, 2,
            "already holds runs");
        row("import that cannot write",
            {"--journal", "@/full.sqlite", "--journal-import", "@/listing.rtf"}, 1, "disk is full");
    }
    void failuresExitWithTheirStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, configured);
        QFETCH(QString, message);
        const Outcome outcome = execute(resolved(arguments), configured);
        QVERIFY2(outcome.err.contains(message.toUtf8()), outcome.err.constData());
        QTEST(outcome.status, "status");
        QCOMPARE(outcome.out, QByteArray());
        QVERIFY(!QFile::exists(path(QStringLiteral("missing.sqlite"))));
        QCOMPARE(execute({"--journal-list", "--journal", m_known}).out, KnownCsv);
    }

    // Each document becomes a run of kind "import" with its rows and the evaluation
    // --evaluate gives; a file that cannot be read is said and the status is 2; the same
    // document again is not taken twice.
    void importTakesDocumentsAsRuns()
    {
        QTemporaryDir dir;
        const QString journal = dir.filePath(QStringLiteral("import.sqlite"));
        const QString listing = path(QStringLiteral("listing.rtf"));
        const QString table = dir.filePath(QStringLiteral("table.rtf"));
        QVERIFY(writeFile(table,
            "{\\rtf1\\ansi Probe\\par   ml        mV        [s]\\par  0.000     100.0     "
            "0.0  \\par  0.500     104.2     12.0  \\par  1.000     110.5     24.0  \\par}"));

        const Outcome first = execute({"--journal", journal, "--journal-import", listing,
            dir.filePath(QStringLiteral("missing.rtf")), table, "--sample", "P-9",
            "--titrant-concentration", "0.2", "--sample-size", "10"});
        QCOMPARE(first.status, 2);
        QVERIFY2(first.err.contains("missing.rtf"), first.err.constData());
        ResultSettings method;
        method.method.titrantConcentration = 0.2;
        method.method.sampleSize = 10;
        const auto evaluated = [&](const QString &document) {
            return BatchEvaluation::evaluateFile(document, Numbers::Separators::dot(), method);
        };
        QCOMPARE(first.out,
            QString("\"%1\": run 1, 101 readings, %2 EPs\n\"%3\": run 2, 3 readings, %4 EPs\n")
                .arg(listing, QString::number(evaluated(listing).analysis.points.size()), table,
                    QString::number(evaluated(table).analysis.points.size()))
                .toUtf8());

        const Outcome show = execute({"--journal", journal, "--journal-show", "1"});
        QCOMPARE(show.status, 0);
        const QJsonObject run = QJsonDocument::fromJson(show.out).object();
        for (const auto &[field, value] : {std::pair {"kind", QStringLiteral("import")},
                 {"end_reason", QStringLiteral("import")}, {"sample", QStringLiteral("P-9")},
                 {"started", QStringLiteral("2026-12-07T11:00:00.250+01:00")},
                 {"ended", QStringLiteral("2026-12-07T11:10:00.250+01:00")},
                 {"document_file", listing}})
            QCOMPARE(run.value(QLatin1String(field)).toString(), value);
        QCOMPARE(run.value("readings").toArray().at(3).toArray(), (QJsonArray {0.6, -300.0, 18.0}));
        const QJsonObject expected
            = QJsonDocument::fromJson(BatchEvaluation::toJson(evaluated(listing))).object();
        const QJsonArray evaluations = run.value("evaluations").toArray();
        QCOMPARE(evaluations.size(), 1);
        QCOMPARE(expected.value("results").toArray().size(), 1);
        for (const char *field : {"equivalence_points", "results"})
            QCOMPARE(evaluations.at(0).toObject().value(field), expected.value(field));

        const Outcome again = execute({"--journal", journal, "--journal-import", table});
        QCOMPARE(again.status, 0);
        QCOMPARE(
            again.out, QString("\"%1\": in the journal already as run 2\n").arg(table).toUtf8());
        QCOMPARE(firstColumn(execute({"--journal", journal, "--journal-list"}).out).size(), 2);
    }

    // A copy changed afterwards differs in that table alone, by its count or its digest.
    void checkFindsAChangedCopy_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("countDiffers");
        QTest::newRow("a reading more") << "INSERT INTO readings (run_id, seq, volume_ml, value, "
                                           "seconds) VALUES (3, 0, 1, 2, 3)"
                                        << "readings" << true;
        QTest::newRow("a sample renamed") << "UPDATE runs SET sample_id = 'S-2' WHERE id = 3"
                                          << "runs" << false;
        QTest::newRow("a value of the meta table")
            << "UPDATE journal_meta SET value = '2 ' WHERE name = 'schema_version'"
            << "journal_meta" << false;
    }
    void checkFindsAChangedCopy()
    {
        QFETCH(QString, change);
        QFETCH(QString, table);
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("t.sqlite"));
        QCOMPARE(execute({"--journal-copy", "--journal", m_known, "--to", copy}).status, 0);
        {
            JournalStore target(*JournalLocation::parse(copy));
            QVERIFY(target.open(false).ok() && sql(target, change));
        }
        const auto checks = compared(m_known, copy);
        QVERIFY(checks.size() >= 4);
        for (const JournalCopy::TableCheck &check : checks) {
            QCOMPARE(check.matches(), check.table != table);
            if (check.table == table)
                QTEST(check.source.rows != check.target.rows, "countDiffers");
        }
    }

    // SQLite to PostgreSQL and back: the same list and run, every table the same, the ids
    // kept across a gap and the id counters past them. A server that cannot start fails.
    void copyToPostgresAndBack()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("source.sqlite"));
        const QString back = dir.filePath(QStringLiteral("back.sqlite"));
        QVERIFY(QFile::copy(m_known, source));
        {
            JournalStore store(*JournalLocation::parse(source));
            QVERIFY(store.open().ok());
            const qint64 gone = addRun(store, "2026-12-09T10:00:00.000Z");
            QVERIFY(sql(store, QStringLiteral("DELETE FROM runs WHERE id = %1").arg(gone)));
            QCOMPARE(addRun(store, "2026-12-09T11:00:00.000Z"), 5);
        }
        PgCluster cluster;
        QString error;
        QVERIFY2(cluster.start(&error), qPrintable(error));
        QVERIFY2(cluster.createDatabase(QStringLiteral("lab"), &error), qPrintable(error));
        const QString server = cluster.url(QStringLiteral("lab"));
        const Outcome there = execute({"--journal-copy", "--journal", source, "--to", server});
        QVERIFY2(there.status == 0, there.err.constData());
        const QStringList copied = QString::fromUtf8(there.out).split(u'\n').filter(u"\tcopy\t");
        QVERIFY(copied.size() >= 4);
        for (const QString &line : copied)
            QVERIFY2(line.endsWith(u"\tsame"), qPrintable(line));
        for (const QStringList &command : {QStringList {"--journal-list", "--format", "json"},
                 QStringList {"--journal-list"}, QStringList {"--journal-show", "1"}})
            QCOMPARE(execute(command + QStringList {"--journal", server}).out,
                execute(command + QStringList {"--journal", source}).out);
        QCOMPARE(execute({"--journal-copy", "--journal", m_known, "--to", server}).status, 2);

        const Outcome home = execute({"--journal-copy", "--journal", server, "--to", back});
        QVERIFY2(home.status == 0, home.err.constData());
        const auto checks = compared(source, back);
        QVERIFY(checks.size() >= 4);
        for (const auto &check : checks)
            QVERIFY2(check.matches(), qPrintable(check.table));
        for (const QString &journal : {server, back}) {
            JournalStore store(*JournalLocation::parse(journal));
            QVERIFY(store.open(false).ok());
            QCOMPARE(addRun(store, "2026-12-09T12:00:00.000Z"), 6);
        }
    }

    // What goes to the command line instead of the windows.
    void argumentsAreRouted_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("commandLine");
        QTest::newRow("no argument") << QStringList {} << false;
        QTest::newRow("window options, a flag and files") << QStringList {"-platform", "offscreen",
            "-reverse", "--style=fusion", "-session", "x", "a.rtf"}
                                                          << false;
        QTest::newRow("a window option's value that looks like an option")
            << QStringList {"-style", "--bogus"} << false;
        QTest::newRow("unknown option") << QStringList {"a.rtf", "--bogus"} << true;
        QTest::newRow("a single dash") << QStringList {"-"} << true;
        QTest::newRow("after --, file names") << QStringList {"--", "-a.rtf"} << false;
        QTest::newRow("before --") << QStringList {"--journal-list", "--"} << true;
    }
    void argumentsAreRouted()
    {
        QFETCH(QStringList, arguments);
        std::vector<QByteArray> bytes {"kalumet"};
        for (const QString &a : arguments)
            bytes.push_back(a.toLocal8Bit());
        std::vector<char *> argv;
        for (QByteArray &b : bytes)
            argv.push_back(b.data());
        QTEST(EvaluateCommand::isRequested(int(argv.size()), argv.data()), "commandLine");
        QCOMPARE(EvaluateCommand::documentFiles({"a", "--", "-b", "--"}),
            QStringList({"a", "-b", "--"}));
    }

    // The program itself, with no display at all.
    void programExitsWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out"); // start of standard output
        QTest::addColumn<QByteArray>("err"); // part of standard error
        QTest::newRow("unknown option")
            << QStringList {"--bogus"} << 2 << QByteArray() << QByteArray("Unknown option 'bogus'");
        QTest::newRow("list") << QStringList {"--journal-list", "--journal", "@known"} << 0
                              << KnownCsv << QByteArray();
    }
    void programExitsWithoutADisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(KALUMET_BINARY_DIR "/kalumet"), resolved(arguments));
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        const QByteArray stdErr = program.readAllStandardError();
        QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.contains(err), stdErr.constData());
        QTEST(program.exitCode(), "exitCode");
        const QByteArray stdOut = program.readAllStandardOutput();
        QVERIFY(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out));
    }
};

QTEST_GUILESS_MAIN(tst_JournalCommand)
#include "tst_journalcommand.moc"
