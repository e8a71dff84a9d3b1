// A stored run evaluated again from the command line and the window's journal thread, its
// versions, the method filter of --journal-list and the drop folder, on SQLite and PostgreSQL.
#include "app/dropfolder.h"
#include "app/reevaluation.h"
#include "journal/journalengines.h"
#include "journal/journalstore.h"
#include "journal/journalwriter.h"
#include "support/diskfiles.h"
#include "support/journalcli.h"
#include "support/jumplisting.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

Outcome execute(const QStringList &arguments, const QString &journal, const QString &dropFolder)
{
    return executeJournalCommand(arguments,
        {{QStringLiteral("Journal/Url"), journal}, {DropFolder::settingsKey(), dropFolder}});
}

QJsonObject shown(const QString &journal, const QString &run = QStringLiteral("1"))
{
    return QJsonDocument::fromJson(execute({"--journal-show", run}, journal, {}).out).object();
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class tst_JournalReevaluate : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_journal; // the case's: the jump listing imported as run 1, evaluated once
    QString m_drop; // the case's drop folder, empty

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(writeAll(m_dir.filePath(QStringLiteral("listing.rtf")), jumpListingRtf()));
    }

    void init()
    {
        m_journal = JournalEngines::instance().freshUrl();
        m_drop = m_dir.filePath(QStringLiteral("drop-%1").arg(QTest::currentDataTag()).toLower());
        QDir(m_drop).removeRecursively();
        const Outcome imported = execute({"--journal-import", m_dir.filePath("listing.rtf"),
                                             "--sample", "S/1 ä", "--sample-size", "10"},
            m_journal, {});
        QVERIFY2(imported.status == 0, imported.err.constData());
    }

    // Each evaluation is the next version with its reason; the readings and the versions
    // before stay as they were, and the drop folder gets the one file of the new version.
    void evaluateAgainAddsAVersion_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<double>("ratio"); // of the new result to the first; 0: no result
        QTest::addColumn<double>("sampleSize"); // Method/SampleSize of the new version
        QTest::newRow("stored values") << QStringList {} << 1.0 << 10.0;
        QTest::newRow("corrected sample size")
            << QStringList {"--sample-size", "20"} << 0.5 << 20.0;
        QTest::newRow("result EP past the last") << QStringList {"--result-ep", "2"} << 0.0 << 10.0;
    }
    void evaluateAgainAddsAVersion()
    {
        QFETCH(QStringList, options);
        QFETCH(double, ratio);
        const QJsonObject before = shown(m_journal);
        const Outcome again = execute(
            QStringList {"--journal-evaluate", "1", "--reason", " checked again "} + options,
            m_journal, m_drop);
        QVERIFY2(again.status == 0, again.err.constData());
        const QJsonObject printed = QJsonDocument::fromJson(again.out).object();
        QCOMPARE(std::tuple(printed["run"].toInt(), printed["version"].toInt(), printed["reason"]),
            std::tuple(1, 2, QJsonValue("checked again")));
        QVERIFY(printed.contains("derivative") && printed.contains("points"));

        const QJsonObject after = shown(m_journal);
        QCOMPARE(after["readings"], before["readings"]);
        const QJsonArray versions = after["evaluations"].toArray();
        QCOMPARE(versions.size(), 2);
        QCOMPARE(versions.at(0), before["evaluations"].toArray().at(0));
        const QJsonObject second = versions.at(1).toObject();
        QCOMPARE(second["reason"].toString(), QStringLiteral("checked again"));
        QTEST(second["method"]["Method/SampleSize"].toDouble(), "sampleSize");
        QCOMPARE(second["results"], keptResults(printed["results"]));
        const double first = versions.at(0)["results"][0]["value"].toDouble();
        QCOMPARE(second["results"].toArray().size(), ratio > 0 ? 1 : 0);
        QCOMPARE(second["results"][0]["value"].toDouble(), first * ratio);

        // One file, whole, named after the sample made safe.
        QCOMPARE(filesIn(m_drop), QStringList {"S_1__-run1-v2.json"});
        const QJsonObject dropped
            = QJsonDocument::fromJson(readAll(QDir(m_drop).filePath("S_1__-run1-v2.json")))
                  .object();
        QCOMPARE(dropped["evaluation"].toObject(), second);
        QCOMPARE(dropped["run"]["uuid"], after["uuid"]);
        QCOMPARE(dropped["run"]["sample"].toString(), QStringLiteral("S/1 ä"));
        // Each output pins the trail as it stands after the new version (that the version is an
        // entry of an intact chain is the trail's own test).
        QCOMPARE(printed["chain_hash"].toString().size(), 64);
        QCOMPARE(dropped["chain_hash"], printed["chain_hash"]);
        QCOMPARE(after["chain_hash"], printed["chain_hash"]);
    }

    // Nothing is written: no version, no file.
    void refusedWithoutWritingAnything_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("blank reason")
            << QStringList {"--journal-evaluate", "1", "--reason", " \t"} << "needs --reason";
        QTest::newRow("unknown run")
            << QStringList {"--journal-evaluate", "2", "--reason", "x"} << "has no run 2";
        QTest::newRow("sample size 0") << QStringList {"--journal-evaluate", "1", "--reason", "x",
            "--sample-size", "0"} << "--sample-size must be a number greater than 0";
    }
    void refusedWithoutWritingAnything()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Outcome refused = execute(arguments, m_journal, m_drop);
        QCOMPARE(refused.status, 2);
        QVERIFY2(refused.err.contains(message.toUtf8()), refused.err.constData());
        QCOMPARE(refused.out, QByteArray());
        QCOMPARE(shown(m_journal)["evaluations"].toArray().size(), 1);
        QVERIFY(!QFile::exists(m_drop));
    }

    // A drop folder that cannot be made: said, status 1, the version kept all the same.
    void unwritableDropFolderKeepsTheVersion()
    {
        const QString blocked = m_dir.filePath(QStringLiteral("listing.rtf/drop"));
        const Outcome again
            = execute({"--journal-evaluate", "1", "--reason", "x"}, m_journal, blocked);
        QCOMPARE(again.status, 1);
        QVERIFY2(again.err.contains("kept in the journal as version 2"), again.err.constData());
        QCOMPARE(shown(m_journal)["evaluations"].toArray().size(), 2);
    }

    // The window's journal thread: a file per evaluation stored, a folder that cannot be
    // written said once however many evaluations miss it, and written again once it can be.
    void windowExportSaysAFailureOnce()
    {
        JournalStore reader(*JournalLocation::parse(m_journal));
        QVERIFY(reader.open(false).ok());
        const auto run = reader.run(1);
        QVERIFY(run);
        DropFolderExport drop;
        QSignalSpy failures(&drop, &DropFolderExport::failed);
        JournalWriter writer(*JournalLocation::parse(m_journal));
        writer.setEvaluationStored(std::bind_front(&DropFolderExport::evaluationStored, &drop));
        writer.open();
        Reevaluation::Changes changes;
        changes.reason = QStringLiteral("again");
        changes.sampleSize = 10;
        const Journal::Evaluation evaluation = Reevaluation::evaluate(*run, changes, {}).evaluation;
        drop.setFolder(m_dir.filePath(QStringLiteral("listing.rtf/drop")));
        writer.addEvaluation(run->summary.uuid, evaluation);
        writer.addEvaluation(run->summary.uuid, evaluation);
        QVERIFY(writer.waitUntilWritten(10000));
        QCOMPARE(failures.size(), 1);
        drop.setFolder(m_drop);
        writer.addEvaluation(run->summary.uuid, evaluation);
        QVERIFY(writer.waitUntilWritten(10000));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(filesIn(m_drop), QStringList {"S_1__-run1-v4.json"});
        QCOMPARE(reader.run(1)->evaluations.size(), std::size_t(4));
    }

    // --method selects the runs whose method has that name (CSV and JSON list the same runs).
    void listSelectsByMethod_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QStringList>("ids"); // newest first
        QTest::newRow("HCl") << "HCl" << QStringList {"4", "2"};
        QTest::newRow("a part of a name") << "HC" << QStringList {};
        QTest::newRow("a quote") << "it's" << QStringList {};
    }
    void listSelectsByMethod()
    {
        QFETCH(QString, method);
        JournalStore store(*JournalLocation::parse(m_journal));
        QVERIFY(store.open(false).ok());
        int hour = 0;
        for (const char *name : {"HCl", "NaOH 0.1", "HCl"}) {
            Journal::RunStart start;
            start.started = QDateTime(QDate(2026, 1, 1), QTime(++hour, 0));
            start.method = {{QLatin1String(Journal::MethodNameKey), QLatin1String(name)},
                {QStringLiteral("Method/SampleId"), QLatin1String(name)}};
            QVERIFY(store.beginRun(start));
        }
        const Outcome json
            = execute({"--journal-list", "--method", method, "--format", "json"}, m_journal, {});
        QCOMPARE(json.status, 0);
        QStringList ids;
        for (const QJsonValue &run : QJsonDocument::fromJson(json.out)["runs"].toArray())
            ids << QString::number(run["id"].toInteger());
        QTEST(ids, "ids");
    }
};

JOURNAL_TEST_MAIN(tst_JournalReevaluate)
#include "tst_journalreevaluate.moc"
