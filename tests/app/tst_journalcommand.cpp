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

#include <cmath>
#include <ctime>

namespace {

// Days and their boundaries are local time: the tests' is fixed.
void fixTimeZone()
{
    qputenv("TZ", "Europe/Berlin");
    ::tzset();
}
Q_CONSTRUCTOR_FUNCTION(fixTimeZone)

const QString Listing
    = QStringLiteral(KALUMET_TEST_DATA_DIR "/evaluation/batch_known_listing_dot.rtf");

QDateTime at(const char *iso)
{
    return QDateTime::fromString(QLatin1String(iso), Qt::ISODateWithMs);
}

const Journal::Origin Anna {
    QStringLiteral("anna"), QStringLiteral("lab-pc"), QStringLiteral("1.2.3")};

qint64 addRun(
    JournalStore &store, Journal::RunKind kind, const QString &sample, const char *started)
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
    const qint64 b = addRun(store, Journal::RunKind::Report, QStringLiteral("Probe \"7\", acid"),
        "2026-12-06T09:00:00.000+05:30");
    store.addReadings(b, {{0, 1, 7, 3}});
    store.finishRun(b, Journal::EndReason::Report, at("2026-12-06T09:10:00.000+05:30"));
    addRun(store, Journal::RunKind::Incremental, QStringLiteral("S-1"),
        "2026-12-08T08:00:00.000+01:00");
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

QSettings *noSettings()
{
    static QTemporaryDir dir;
    static QSettings settings(dir.filePath(QStringLiteral("none.ini")), QSettings::IniFormat);
    return &settings;
}

Outcome execute(const QStringList &arguments, const QSettings &settings = *noSettings())
{
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    Outcome outcome;
    outcome.status = JournalCommand::execute(arguments, out, err, settings);
    outcome.out = out.data();
    outcome.err = err.data();
    return outcome;
}

QByteArray compact(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).toJson(QJsonDocument::Compact);
}

QStringList firstColumn(const QByteArray &csv)
{
    QStringList ids;
    for (const QByteArray &line : csv.split('\n').mid(1)) {
        if (!line.isEmpty())
            ids << QString::fromLatin1(line.left(line.indexOf(',')));
    }
    return ids;
}

bool sql(JournalStore &store, const QString &statement)
{
    QSqlQuery query(store.database());
    return query.exec(statement);
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
        JournalStore store(*JournalLocation::parse(m_known));
        QVERIFY(store.open().ok());
        fillKnown(store);
        QCOMPARE(store.countRuns({}), 3);
        JournalStore full(*JournalLocation::parse(path(QStringLiteral("full.sqlite"))));
        QVERIFY(full.open().ok());
        QVERIFY(addRun(full, Journal::RunKind::Import, {}, "2026-12-01T10:00:00.000Z") > 0);
    }

    // The list's CSV bytes and JSON fields, whatever the locale's decimal point.
    void listGivesTheKnownCsvAndJson()
    {
        QLocale::setDefault(QLocale(QLocale::German));
        const Outcome csv = execute({"--journal-list", "--journal", m_known});
        QLocale::setDefault(QLocale::c());
        QCOMPARE(csv.err, QByteArray());
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
    }

    void showGivesTheWholeRun()
    {
        const Outcome show = execute(
            {"--journal-show", "aaaaaaaa-0000-0000-0000-000000000001", "--journal", m_known});
        QCOMPARE(show.status, 0);
        const QByteArray evaluation
            = "{\"created\":\"%1\",\"criterion\":1,\"equivalence_points\":[{\"u_volume_ml\":0.002,"
              "\"value\":3.9,\"volume_ml\":0.15}],\"host\":\"lab-pc\",\"method\":{\"ResultUnit\":"
              "\"mol/L\"},\"operator\":\"anna\",\"program_version\":\"1.2.3\",\"reason\":\"%2\","
              "\"results\":[{\"ep\":1,\"u\":5e-04,\"unit\":\"mol/"
              "L\",\"value\":%3}],\"version\":%4}";
        const auto version
            = [&](const char *created, const char *reason, const char *value, const char *number) {
                  return QByteArray(evaluation)
                      .replace("%1", created)
                      .replace("%2", reason)
                      .replace("%3", value)
                      .replace("%4", number);
              };
        QCOMPARE(compact(show.out),
            "{\"document_file\":\"\",\"end_reason\":\"end_value\",\"ended\":"
            "\"2026-12-07T20:25:00.000+01:00\",\"evaluations\":["
                + version("2026-12-07T20:26:00.000+01:00", "", "0.1234", "1") + ","
                + version("2026-12-08T09:00:00.000+01:00", "blank corrected", "0.125", "2")
                + "],\"forced\":[1],\"host\":\"lab-pc\",\"id\":1,\"kind\":\"incremental\","
                  "\"method\":{\"DosingMode\":\"fixed\",\"Increment\":0.1},\"operator\":\"anna\","
                  "\"program_version\":\"1.2.3\",\"readings\":[[0,3.5,0],[0.1,3.75,12.5],"
                  "[0.2,4.125,25]],\"result\":{\"u\":5e-04,\"unit\":\"mol/L\",\"value\":0.125},"
                  "\"sample\":\"S-1\",\"sample_size\":25,\"sample_unit\":\"mL\",\"started\":"
                  "\"2026-12-07T20:15:02.125+01:00\",\"unit\":\"pH\",\"uuid\":"
                  "\"aaaaaaaa-0000-0000-0000-000000000001\"}");
    }

    // --since and --until are whole local days: 00:00 of the first in, 00:00 after the last
    // out. The run at 23:30 UTC was 00:30 the next day here.
    void listFiltersOnTheBoundaryDays_data()
    {
        QTest::addColumn<QStringList>("filter");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("until: 23:59 in, 00:00 after out")
            << QStringList {"--until", "2026-12-09"} << QStringList {"1"};
        QTest::newRow("since: 00:00 in, 23:59 before out")
            << QStringList {"--since", "2026-12-10"} << QStringList {"5", "4", "3", "2"};
        QTest::newRow("one day") << QStringList {"--since", "2026-12-10", "--until", "2026-12-10"}
                                 << QStringList {"3", "2"};
        QTest::newRow("another offset, in local time")
            << QStringList {"--since", "2026-12-11"} << QStringList {"5", "4"};
        QTest::newRow("sample and day")
            << QStringList {"--sample", "X", "--until", "2026-12-10"} << QStringList {"3", "1"};
        QTest::newRow("none") << QStringList {"--since", "2027-01-01"} << QStringList {};
    }
    void listFiltersOnTheBoundaryDays()
    {
        QFETCH(QStringList, filter);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("days.sqlite"));
        {
            JournalStore store(*JournalLocation::parse(file));
            QVERIFY(store.open().ok());
            for (const auto &[sample, started] : {std::pair {"X", "2026-12-09T23:59:00.000+01:00"},
                     {"Y", "2026-12-10T00:00:00.000+01:00"}, {"X", "2026-12-10T23:59:00.000+01:00"},
                     {"Y", "2026-12-11T00:00:00.000+01:00"}, {"Y", "2026-12-10T23:30:00.000Z"}})
                QVERIFY(addRun(store, Journal::RunKind::Incremental, QLatin1String(sample), started)
                    > 0);
        }
        const Outcome list = execute(QStringList {"--journal-list", "--journal", file} + filter);
        QCOMPARE(list.status, 0);
        QTEST(firstColumn(list.out), "ids");
    }

    // Exit status 2 with a message and nothing on standard output; list and show make no
    // journal where there is none.
    void wrongArgumentsAndUnreadableJournalsExitTwo_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "@/name": a file in the test's folder
        QTest::addColumn<QString>("message");
        QTest::newRow("--journal alone") << QStringList {"--journal", "@known"} << "needs one of";
        QTest::newRow("two commands")
            << QStringList {"--journal-list", "--journal-show", "1"} << "cannot go together";
        QTest::newRow("option of another command")
            << QStringList {"--journal-list", "--to", "@/x"} << "does not go with";
        QTest::newRow("unknown option")
            << QStringList {"--journal-list", "--bogus"} << "Unknown option 'bogus'";
        QTest::newRow("day not ISO")
            << QStringList {"--journal-list", "--since", "7.12.2026"} << "YYYY-MM-DD";
        QTest::newRow("since after until")
            << QStringList {"--journal-list", "--since", "2026-12-08", "--until", "2026-12-07"}
            << "is after";
        QTest::newRow("unknown format")
            << QStringList {"--journal-list", "--format", "xml"} << "unknown format";
        QTest::newRow("password in the URL")
            << QStringList {"--journal-list", "--journal", "postgresql://u:pw@h/db"} << "password";
        QTest::newRow("list of no journal")
            << QStringList {"--journal-list", "--journal", "@/missing.sqlite"} << "no journal";
        QTest::newRow("show of no journal")
            << QStringList {"--journal-show", "1", "--journal", "@/missing.sqlite"} << "no journal";
        QTest::newRow("unknown run")
            << QStringList {"--journal-show", "4", "--journal", "@known"} << "has no run 4";
        QTest::newRow("unknown uuid")
            << QStringList {"--journal-show", "abc", "--journal", "@known"} << "has no run abc";
        QTest::newRow("damaged journal")
            << QStringList {"--journal-list", "--journal", "@/garbage.sqlite"} << "no SQLite";
        QTest::newRow("newer journal")
            << QStringList {"--journal-list", "--journal", "@/newer.sqlite"} << "newer";
        QTest::newRow("copy without --to") << QStringList {"--journal-copy"} << "needs --to";
        QTest::newRow("copy onto itself") << QStringList {"--journal-copy", "--journal", "@known",
            "--to", "@known"} << "onto itself";
        QTest::newRow("copy into a journal with runs")
            << QStringList {"--journal-copy", "--journal", "@known", "--to", "@/full.sqlite"}
            << "already holds runs";
    }
    void wrongArgumentsAndUnreadableJournalsExitTwo()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QFile garbage(path(QStringLiteral("garbage.sqlite")));
        QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("no database at all") > 0);
        garbage.close();
        const QString newer = path(QStringLiteral("newer.sqlite"));
        if (!QFile::exists(newer)) {
            JournalStore store(*JournalLocation::parse(newer));
            QVERIFY(store.open().ok());
            QVERIFY(
                sql(store, "UPDATE journal_meta SET value = '99' WHERE name = 'schema_version'"));
        }
        const Outcome outcome = execute(resolved(arguments));
        QVERIFY2(outcome.err.contains(message.toUtf8()), outcome.err.constData());
        QCOMPARE(outcome.status, 2);
        QCOMPARE(outcome.out, QByteArray());
        QVERIFY(!QFile::exists(path(QStringLiteral("missing.sqlite"))));
        QCOMPARE(execute({"--journal-list", "--journal", m_known}).out, KnownCsv);
    }

    // --journal first, then the settings' Journal/Url, then the user's own SQLite file.
    void theJournalIsChosen_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("configured"); // Journal/Url; empty: none
        QTest::addColumn<int>("runs"); // in the list; -1: exit 2
        QTest::newRow("--journal over the settings")
            << QStringList {"--journal", "@known"} << "@/other.sqlite" << 3;
        QTest::newRow("the settings") << QStringList {} << "sqlite://@/other.sqlite" << 1;
        QTest::newRow("the default file") << QStringList {} << "" << 2;
        QTest::newRow("settings that name no journal") << QStringList {} << "ftp://h/x" << -1;
    }
    void theJournalIsChosen()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, configured);
        for (const auto &[file, count] : {std::pair {path(QStringLiteral("other.sqlite")), 1},
                 {path(QStringLiteral("data/Kalumet/journal.sqlite")), 2}}) {
            JournalStore store(*JournalLocation::parse(file));
            QVERIFY(store.open().ok());
            while (store.countRuns({}) < count)
                addRun(store, Journal::RunKind::Import, {}, "2026-12-01T10:00:00.000+01:00");
        }
        QSettings settings(path(QStringLiteral("settings.ini")), QSettings::IniFormat);
        settings.clear();
        if (!configured.isEmpty())
            settings.setValue(QStringLiteral("Journal/Url"), resolved({configured}).first());
        const Outcome list
            = execute(resolved(QStringList {"--journal-list"} + arguments), settings);
        QFETCH(int, runs);
        QCOMPARE(list.status, runs < 0 ? 2 : 0);
        QCOMPARE(firstColumn(list.out).size(), qMax(runs, 0));
    }

    // Each document becomes a run of kind "import" with its rows and the evaluation
    // --evaluate gives; a file that cannot be read is said and the status is 2; the same
    // document again is not taken twice.
    void importTakesDocumentsAsRuns()
    {
        QTemporaryDir dir;
        const QString journal = dir.filePath(QStringLiteral("import.sqlite"));
        const QString listing = dir.filePath(QStringLiteral("listing.rtf"));
        const QString table = dir.filePath(QStringLiteral("table.rtf"));
        const QByteArray rtf = jumpListingRtf();
        QFile listingFile(listing);
        QVERIFY(listingFile.open(QIODevice::WriteOnly) && listingFile.write(rtf) > 0);
        listingFile.close();
        QFile tableFile(table);
        QVERIFY(tableFile.open(QIODevice::WriteOnly));
        tableFile.write(
            "{\\rtf1\\ansi Probe\\par   ml        mV        [s]\\par  0.000     100.0     "
            "0.0  \\par  0.500     104.2     12.0  \\par  1.000     110.5     24.0  \\par}");
        tableFile.close();
        const QDateTime saved = at("2026-12-07T11:00:00.250+01:00");
        QFile file(listing);
        QVERIFY(file.open(QIODevice::ReadWrite)
            && file.setFileTime(saved, QFileDevice::FileModificationTime));
        file.close();

        const QStringList arguments {"--journal", journal, "--journal-import", listing,
            dir.filePath(QStringLiteral("missing.rtf")), table, "--sample", "P-9",
            "--titrant-concentration", "0.2", "--sample-size", "10"};
        const Outcome first = execute(arguments);
        QCOMPARE(first.status, 2);
        QVERIFY2(first.err.contains("missing.rtf"), first.err.constData());
        const auto eps = [](const QString &document) {
            return BatchEvaluation::evaluateFile(document, Numbers::Separators::dot())
                .analysis.points.size();
        };
        QCOMPARE(first.out,
            QString("\"%1\": run 1, 101 readings, %2 EPs\n\"%3\": run 2, 3 readings, %4 EPs\n")
                .arg(listing)
                .arg(eps(listing))
                .arg(table)
                .arg(eps(table))
                .toUtf8());

        const Outcome show = execute({"--journal", journal, "--journal-show", "1"});
        QCOMPARE(show.status, 0);
        const QJsonObject run = QJsonDocument::fromJson(show.out).object();
        QCOMPARE(run.value("kind").toString(), u"import");
        QCOMPARE(run.value("end_reason").toString(), u"import");
        QCOMPARE(run.value("sample").toString(), u"P-9");
        QCOMPARE(run.value("started").toString(), u"2026-12-07T11:00:00.250+01:00");
        QCOMPARE(run.value("ended").toString(), u"2026-12-07T11:10:00.250+01:00");
        QCOMPARE(run.value("document_file").toString(), listing);
        QCOMPARE(run.value("readings").toArray().at(3).toArray(), (QJsonArray {0.6, -300.0, 18.0}));
        ResultSettings method;
        method.method.titrantConcentration = 0.2;
        method.method.sampleSize = 10;
        const QJsonObject evaluated = QJsonDocument::fromJson(
            BatchEvaluation::toJson(
                BatchEvaluation::evaluateFile(listing, Numbers::Separators::dot(), method)))
                                          .object();
        const QJsonArray evaluations = run.value("evaluations").toArray();
        QCOMPARE(evaluations.size(), 1);
        for (const char *field : {"equivalence_points", "results"})
            QCOMPARE(evaluations.at(0).toObject().value(field), evaluated.value(field));
        QCOMPARE(evaluated.value("results").toArray().size(), 1);

        const Outcome again = execute({"--journal", journal, "--journal-import", table});
        QCOMPARE(again.status, 0);
        QCOMPARE(
            again.out, QString("\"%1\": in the journal already as run 2\n").arg(table).toUtf8());
        QCOMPARE(firstColumn(execute({"--journal", journal, "--journal-list"}).out).size(), 2);
    }

    void importThatCannotWriteExitsOne()
    {
        QTemporaryDir dir;
        const QString journal = dir.filePath(QStringLiteral("full.sqlite"));
        {
            JournalStore store(*JournalLocation::parse(journal));
            QVERIFY(store.open().ok());
            QVERIFY(sql(store,
                "CREATE TRIGGER full BEFORE INSERT ON runs BEGIN "
                "SELECT RAISE(ABORT, 'database or disk is full'); END"));
        }
        const Outcome outcome = execute({"--journal", journal, "--journal-import", Listing});
        QCOMPARE(outcome.status, 1);
        QVERIFY2(outcome.err.contains("disk is full"), outcome.err.constData());
    }

    // A copy keeps the ids (and the next one after them) and is the same as its source.
    void copyKeepsIdsAndChecksEveryTable()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("source.sqlite"));
        const QString target = dir.filePath(QStringLiteral("target.sqlite"));
        QVERIFY(QFile::copy(m_known, source));
        {
            JournalStore store(*JournalLocation::parse(source));
            QVERIFY(store.open().ok());
            const qint64 gone
                = addRun(store, Journal::RunKind::Import, {}, "2026-12-09T10:00:00.000Z");
            QVERIFY(sql(store, QStringLiteral("DELETE FROM runs WHERE id = %1").arg(gone)));
            QCOMPARE(addRun(store, Journal::RunKind::Import, {}, "2026-12-09T11:00:00.000Z"), 5);
        }
        const Outcome copy = execute({"--journal-copy", "--journal", source, "--to", target});
        QCOMPARE(copy.err, QByteArray());
        QCOMPARE(copy.status, 0);
        const QStringList copied = QString::fromUtf8(copy.out).split(u'\n').filter(u"\tcopy\t");
        QVERIFY(copied.size() >= 4);
        for (const QString &line : copied)
            QVERIFY2(line.endsWith(u"\tsame"), qPrintable(line));
        QCOMPARE(firstColumn(execute({"--journal-list", "--journal", target}).out),
            QStringList({"5", "3", "1", "2"}));
        QCOMPARE(execute({"--journal-show", "1", "--journal", target}).out,
            execute({"--journal-show", "1", "--journal", source}).out);
        JournalStore store(*JournalLocation::parse(target));
        QVERIFY(store.open().ok());
        QCOMPARE(addRun(store, Journal::RunKind::Import, {}, "2026-12-09T12:00:00.000Z"), 6);
    }

    // A copy changed afterwards differs in that table alone, by its count or its digest.
    void checkFindsAChangedCopy_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("countDiffers");
        QTest::newRow("a run more")
            << "INSERT INTO runs (uuid, kind, started_at, end_reason) "
               "VALUES ('x', 'import', '2026-12-01T00:00:00.000Z', 'import')"
            << "runs" << true;
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
        JournalStore source(*JournalLocation::parse(m_known));
        JournalStore target(*JournalLocation::parse(dir.filePath(QStringLiteral("t.sqlite"))));
        QVERIFY(source.open(false).ok() && target.open().ok());
        const JournalCopy::Outcome copied = JournalCopy::copy(source, target);
        QVERIFY2(copied.ok(), qPrintable(copied.message));
        QVERIFY(sql(target, change));
        const auto checks = JournalCopy::compare(
            *JournalCopy::digests(source.database()), *JournalCopy::digests(target.database()));
        QCOMPARE(checks.size(), copied.checks.size());
        for (const JournalCopy::TableCheck &check : checks) {
            QCOMPARE(check.matches(), check.table != table);
            if (check.table == table)
                QTEST(check.source.rows != check.target.rows, "countDiffers");
        }
    }

    // SQLite to PostgreSQL and back: the same list, the same run, the same digests, and the
    // server's id counter past the copied ids.
    void copyToPostgresAndBack()
    {
        PgCluster cluster;
        QString error;
        QVERIFY2(cluster.start(&error), qPrintable(error));
        QVERIFY2(cluster.createDatabase(QStringLiteral("lab"), &error), qPrintable(error));
        const QString server = cluster.url(QStringLiteral("lab"));
        const Outcome there = execute({"--journal-copy", "--journal", m_known, "--to", server});
        QVERIFY2(there.status == 0, there.err.constData());
        for (const QStringList &command : {QStringList {"--journal-list", "--format", "json"},
                 QStringList {"--journal-list"}, QStringList {"--journal-show", "1"}})
            QCOMPARE(execute(command + QStringList {"--journal", server}).out,
                execute(command + QStringList {"--journal", m_known}).out);
        QCOMPARE(execute({"--journal-copy", "--journal", m_known, "--to", server}).status, 2);

        QTemporaryDir dir;
        const QString back = dir.filePath(QStringLiteral("back.sqlite"));
        const Outcome home = execute({"--journal-copy", "--journal", server, "--to", back});
        QVERIFY2(home.status == 0, home.err.constData());
        JournalStore known(*JournalLocation::parse(m_known));
        JournalStore copy(*JournalLocation::parse(back));
        QVERIFY(known.open(false).ok() && copy.open(false).ok());
        for (const auto &check : JournalCopy::compare(
                 *JournalCopy::digests(known.database()), *JournalCopy::digests(copy.database())))
            QVERIFY2(check.matches(), qPrintable(check.table));

        JournalStore lab(*JournalLocation::parse(server));
        QVERIFY(lab.open(false).ok());
        QCOMPARE(addRun(lab, Journal::RunKind::Import, {}, "2026-12-09T12:00:00.000Z"), 4);
    }

    // What goes to the command line instead of the windows.
    void argumentsAreRouted_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("commandLine");
        QTest::newRow("no argument") << QStringList {} << false;
        QTest::newRow("files") << QStringList {"a.rtf", "b.rtf"} << false;
        QTest::newRow("window options with values")
            << QStringList {"-platform", "offscreen", "--style=fusion", "-session", "x", "a.rtf"}
            << false;
        QTest::newRow("a window flag") << QStringList {"-reverse"} << false;
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
        QTest::newRow("unknown short option beside a file")
            << QStringList {"a.rtf", "-x"} << 2 << QByteArray() << QByteArray("Usage: kalumet");
        QTest::newRow("list of no journal")
            << QStringList {"--journal-list", "--journal", "@/missing.sqlite"} << 2 << QByteArray()
            << QByteArray("no journal");
        QTest::newRow("list") << QStringList {"--journal-list", "--journal", "@known"} << 0
                              << KnownCsv << QByteArray();
        QTest::newRow("help") << QStringList {"--help"} << 0 << QByteArray("Usage: kalumet")
                              << QByteArray();
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
        QVERIFY(!QFile::exists(path(QStringLiteral("missing.sqlite"))));
    }
};

QTEST_GUILESS_MAIN(tst_JournalCommand)
#include "tst_journalcommand.moc"
