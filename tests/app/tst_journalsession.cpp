#include "app/journalsession.h"
#include "evaluation/reportevaluator.h"
#include "evaluation/resultsettings.h"
#include "journal/journalstore.h"
#include "journal/journalwriter.h"
#include "support/diskfiles.h"
#include "titration/runfixture.h"

#include <QDir>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The data listing the titrator sends after "LD", as the receive path hands it on under ",".
const QStringList MvListing {
    QStringLiteral("**********\r\n"),
    QStringLiteral("  TITRATOR SIMULATOR      MESSDATEN\r\n"),
    QStringLiteral("  Gespeicherte Titration\r\n"),
    QStringLiteral("      ml        mV      t[s]  \r\n"),
    QStringLiteral("    0,000     120,5       0,0  \r\n"),
    QStringLiteral("    0,500     100,3       4,0  \r\n"),
    // The time is not followed by a blank: no complete row.
    QStringLiteral("    0,750      95,0       6,0\r\n"),
    QStringLiteral("    1,000    -180,1      12,5  \r\n"),
    QStringLiteral("  Ende der Daten\r\n"),
};
const std::vector<Journal::Reading> MvRows {
    {0, 0, 120.5, 0, false}, {1, 0.5, 100.3, 4, false}, {2, 1, -180.1, 12.5, false}};

// A run and the report evaluation with a journal session on an SQLite file of their own.
struct SessionFixture
{
    QTemporaryDir dir;
    RunFixture f;
    QSettings store {dir.filePath(QStringLiteral("store.ini")), QSettings::IniFormat};
    ReportEvaluator evaluator {f.store, f.settings, f.documents};
    std::unique_ptr<JournalSession> session;
    QStringList alerts;

    SessionFixture()
    {
        store.setValue(QStringLiteral("Method/SampleId"), QStringLiteral("S-17"));
        store.setValue(QStringLiteral("Method/Titer"), QStringLiteral("0.998"));
    }
    QString journalPath() const { return dir.filePath(QStringLiteral("journal.sqlite")); }
    JournalLocation location() const { return *JournalLocation::parse(journalPath()); }

    void start(int quietMs = 600000)
    {
        session = std::make_unique<JournalSession>(location(),
            JournalSession::Sources {store, f.settings, f.controls, f.documents, f.store}, quietMs);
        QObject::connect(
            session.get(), &JournalSession::alert, [this](const QString &text) { alerts << text; });
        session->followRun(f.run);
        session->followReports(evaluator);
        session->open();
    }
    void finishRun(double value)
    {
        while (f.run.isRunning())
            f.takeReading(value);
    }
    // The journal's one run once all is written; none if there is not exactly one.
    std::optional<JournalStore::RunRecord> onlyRun()
    {
        if (session)
            session->writer().waitUntilWritten(10000);
        JournalStore journal(location());
        const auto runs = journal.open(false).ok() ? journal.listRuns({})
                                                   : std::vector<JournalStore::RunSummary>();
        return runs.size() == 1 ? journal.run(runs.front().id) : std::nullopt;
    }
};

} // namespace

class tst_JournalSession : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void runIsRecordedWithEveryReadingAndHowItEnded_data()
    {
        QTest::addColumn<QList<double>>("readings"); // the last one repeats
        QTest::addColumn<int>("stopAfter"); // readings before Titr. Stop; 0: never
        QTest::addColumn<QString>("refused"); // commands the line refuses
        QTest::addColumn<Journal::EndReason>("reason");
        using R = Journal::EndReason;
        QTest::newRow("end value") << QList<double> {7, 8, 9, 9.5} << 0 << "" << R::EndValue;
        QTest::newRow("stopped") << QList<double> {7, 7.5} << 2 << "" << R::Stopped;
        QTest::newRow("dose refused") << QList<double> {7} << 0 << "DA" << R::PortError;
    }
    void runIsRecordedWithEveryReadingAndHowItEnded()
    {
        QFETCH(QList<double>, readings);
        QFETCH(int, stopAfter);
        QFETCH(QString, refused);
        SessionFixture s;
        s.f.controls.endValue = QStringLiteral("9");
        s.f.controls.endVolume = QStringLiteral("20");
        s.f.controls.waiting = 25;
        s.f.controls.increment = 10;
        s.f.sink.failOn = refused;
        const QString startDir = QDir::currentPath();
        QVERIFY(QDir(s.dir.path()).mkdir(QStringLiteral("HCl")));
        QDir::setCurrent(s.dir.filePath(QStringLiteral("HCl")));
        s.start();
        s.f.run.toggle();
        QDir::setCurrent(startDir);
        for (int i = 0; i < 50 && s.f.run.isRunning(); ++i) {
            s.f.takeReading(readings.value(i, readings.last()), 2.5);
            if (i + 1 == stopAfter)
                s.f.run.toggle();
        }
        QVERIFY(!s.f.run.isRunning());

        const auto run = s.onlyRun();
        QVERIFY(run);
        QVERIFY(!s.f.readings.empty());
        QCOMPARE(run->readings, s.f.readings);
        QTEST(run->summary.endReason, "reason");
        QVERIFY(run->summary.ended.isValid());
        // The sample, the method group as stored, and the values the run read at its start.
        const auto method = [&run](const char *key) {
            return QString::number(run->start.method.value(key).toDouble());
        };
        QCOMPARE((QStringList {run->start.sampleId, run->start.unit, method("Method/Titer"),
                     method("Run/Increment"), method("Run/Wait"), method("Run/EndValue")}),
            (QStringList {"S-17", "pH", "0.998", "0.1", "2.5", "9"}));
        // The method is named by the folder of the method file, the one started from.
        QCOMPARE(run->start.method.value(Journal::MethodNameKey).toString(), QStringLiteral("HCl"));
        QVERIFY(s.alerts.isEmpty());
    }

    void listingBecomesAReportRun_data()
    {
        QTest::addColumn<QString>("end"); // what comes after the listing
        for (const char *end : {"report", "quiet", "exit"})
            QTest::newRow(end) << QString::fromLatin1(end);
    }
    void listingBecomesAReportRun()
    {
        QFETCH(QString, end);
        SessionFixture s;
        s.start(end == u"quiet" ? 50 : 600000);
        s.f.documents.newDocument();
        for (const QString &line : MvListing)
            s.evaluator.RsAuswertung(line);
        // Not before it is complete.
        QVERIFY(s.session->listings().isListing());
        QCOMPARE(s.session->writer().pending(), 0);
        if (end == u"report")
            s.evaluator.RsAuswertung(QStringLiteral("**********\r\n"));
        else if (end == u"quiet")
            QTRY_VERIFY(!s.session->listings().isListing());
        else
            s.session.reset(); // the program's end
        QVERIFY(!s.session || !s.session->listings().isListing());

        const auto run = s.onlyRun();
        QVERIFY(run);
        QCOMPARE(std::tuple(run->readings, run->summary.endReason, run->start.unit),
            std::tuple(MvRows, Journal::EndReason::Report, QStringLiteral("mV")));
    }

    // A change of the method is an entry of the trail, a new sample is not. The file and each
    // evaluation go to the document's run, whose document ends with the trail's hash after
    // the evaluation; closed, the document belongs to no run.
    void savedAndEvaluatedDocumentGoesToItsRun()
    {
        SessionFixture s;
        s.f.controls.endVolume = QStringLiteral("0,2");
        s.start();
        s.store.setValue(QStringLiteral("Method/SampleId"), QStringLiteral("S-18"));
        s.session->methodMayHaveChanged();
        s.store.setValue(QStringLiteral("Method/Factor"), QStringLiteral("2"));
        s.session->methodMayHaveChanged();
        s.session->methodMayHaveChanged();
        s.f.run.toggle();
        s.finishRun(7);
        AbstractDocument *runDocument = &s.f.doc();
        const QString file = s.dir.filePath(QStringLiteral("run.rtf"));
        s.session->documentSaved(runDocument, file);

        EpAnalysis analysis;
        analysis.points = {{4.02, 0.011, 7.01, 10, 20, {}}, {9.5, 0.03, 10.2, 8, 12, {}}};
        ResultSettings method;
        method.method.sampleSize = 20;
        method.method.titrantConcentration = 0.1;
        method.method.uSampleSize = 0.01; // kept with the version; the inputs left at 0 are not
        QVERIFY(s.session->documentEvaluated(runDocument, analysis, method));
        // Evaluated again before the first is written: each gets its note.
        method.method.resultEp = 2;
        QVERIFY(s.session->documentEvaluated(runDocument, analysis, method, " EP 2 "));

        const auto run = s.onlyRun();
        QVERIFY(run);
        QCOMPARE(run->start.documentFile, file);
        QCOMPARE(run->evaluations.size(), std::size_t(2));
        const Journal::Evaluation &first = run->evaluations[0], &second = run->evaluations[1];
        QCOMPARE(first.method.value(QStringLiteral("Method/SampleSizeU")), QVariant(0.01));
        QVERIFY(!first.method.contains(QStringLiteral("Method/BlankVolumeU")));
        // (4.02 mL * 0.1 mol/L) / 20 mL from the first EP, then from the second.
        QCOMPARE(
            std::tuple(first.version, first.reason, first.results.size(), first.results[0].value),
            std::tuple(1, QString(), std::size_t(1), 4.02 * 0.1 / 20));
        QCOMPARE(std::tuple(second.version, second.reason, second.results[0].value),
            std::tuple(2, QStringLiteral("EP 2"), 9.5 * 0.1 / 20));

        JournalStore journal(s.location());
        QVERIFY(journal.open(false).ok());
        QSqlQuery query(journal.database());
        QVERIFY(query.exec(QStringLiteral("SELECT action, old_values, new_values FROM "
                                          "audit_trail ORDER BY seq")));
        QStringList actions;
        while (query.next()) {
            actions << query.value(0).toString();
            if (actions.size() == 1) {
                QCOMPARE(query.value(1).toString(), QStringLiteral("{}"));
                QCOMPARE(query.value(2).toString(), QStringLiteral("{\"Method/Factor\":\"2\"}"));
            }
        }
        QCOMPARE(actions,
            QStringList({"method changed", "run started", "run ended", "document saved",
                "evaluated", "sample size corrected", "evaluated"}));
        QTRY_VERIFY(s.f.doc().text().endsWith(
            QStringLiteral("Journal: evaluation 2 recorded; audit trail chain hash %1\r\n")
                .arg(QString::fromLatin1(journal.newestLink()->hash))));
        QVERIFY(s.f.doc().text().contains(QStringLiteral("evaluation 1 recorded")));
        s.session->documentClosed(runDocument);
        QVERIFY(!s.session->documentEvaluated(runDocument, analysis, method));
    }

    // A file that is no journal: said once, however often the writer tries again; the run
    // goes on in its document and the file is left as it is.
    void journalThatCannotBeUsedIsToldOnce()
    {
        const QByteArray content("notes, not a journal\n");
        SessionFixture s;
        QVERIFY(writeAll(s.journalPath(), content));
        s.f.controls.endVolume = QStringLiteral("0,5");
        s.start();
        QTRY_COMPARE(s.alerts.size(), 1);
        s.f.run.toggle();
        s.finishRun(7);
        QTest::qWait(1500); // long enough for the writer to try again
        QCOMPARE(s.alerts.size(), 1);
        QCOMPARE(int(s.f.readings.size()), 6);
        QCOMPARE(readAll(s.journalPath()), content);
    }

    // Not writable for a while (the file size limit): said once, the run goes on; writable
    // again, it is said so and nothing is missing.
    void outageIsToldOnceAndNothingIsLost()
    {
        SessionFixture s;
        s.f.controls.endVolume = QStringLiteral("1");
        s.start();
        s.f.run.toggle();
        s.f.takeReading(7);
        QVERIFY(s.session->writer().waitUntilWritten(5000));
        QVERIFY(s.alerts.isEmpty());

        int kept = 0;
        {
            FileSizeLimit tiny(1);
            for (int i = 0; i < 4; ++i)
                s.f.takeReading(i == 0 ? 7.5 : 7 + i);
            QTest::qWait(2500); // the writer tries again every second, without saying so again
            kept = s.session->writer().pending();
        }
        QCOMPARE(s.alerts.size(), 1);
        QVERIFY(kept >= 4);
        QTRY_COMPARE_WITH_TIMEOUT(s.alerts.size(), 2, 10000);
        s.finishRun(11);

        const auto run = s.onlyRun();
        QVERIFY(run);
        QCOMPARE(run->readings, s.f.readings);
        QCOMPARE(s.alerts.size(), 2);
    }

    void journalOptionIsTakenFromTheArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("journal"); // "<none>": not given
        QTest::addColumn<QStringList>("rest");
        const auto row = [](const char *name, const QStringList &arguments, const char *journal,
                             const QStringList &rest) {
            QTest::newRow(name) << arguments << QString::fromLatin1(journal) << rest;
        };
        row("value apart", {"a.rtf", "--journal", "postgresql:///lab", "b.rtf"},
            "postgresql:///lab", {"a.rtf", "b.rtf"});
        row("without its value", {"--journal"}, "", {});
        row("after --, a file", {"--", "--journal", "x"}, "<none>", {"--", "--journal", "x"});
    }
    void journalOptionIsTakenFromTheArguments()
    {
        QFETCH(QStringList, arguments);
        QStringList rest;
        const std::optional<QString> journal = JournalSession::journalArgument(arguments, &rest);
        QTEST(journal.value_or(QStringLiteral("<none>")), "journal");
        QTEST(rest, "rest");
    }
};

QTEST_GUILESS_MAIN(tst_JournalSession)
#include "tst_journalsession.moc"
