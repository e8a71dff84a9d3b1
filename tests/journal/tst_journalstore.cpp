#include "journal/auditverifier.h"
#include "journal/journalstore.h"
#include "journal/schema.h"
#include "journalengines.h"
#include "support/diskfiles.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

class tst_JournalStore : public QObject
{
    Q_OBJECT
private:
    JournalEngines &engines = JournalEngines::instance();

private Q_SLOTS:
    // The run, a reading and an evaluation are each written twice, as after a failure that
    // left it unknown whether the first write got through: each is kept once.
    void aRunComesBackAsItWasWritten()
    {
        JournalStore store(*JournalLocation::parse(engines.freshUrl()));
        VERIFY_OPENS(store);
        Journal::RunStart start = sampleRun(QStringLiteral("2026-117"));
        start.uuid = QStringLiteral("5b0f8d7e-0000-4000-8000-000000000001");
        const auto id = store.beginRun(start);
        QVERIFY2(id, qPrintable(store.lastError()));
        QCOMPARE(store.beginRun(start), id);
        const std::vector<Journal::Reading> readings
            = {{0, 0, 2.871, 0, false}, {1, 0.1, 2.95, 6.5, false}, {2, 0.2, 3.1, 13, true}};
        QVERIFY(store.addReading(*id, readings[0]));
        QVERIFY(store.addReading(*id, readings[0]));
        QVERIFY(store.addReadings(*id, {readings[1], readings[2]}));
        const QDateTime ended = start.started.addSecs(60);
        QVERIFY(store.finishRun(*id, Journal::EndReason::EndValue, ended));
        for (int i = 0; i < 2; ++i)
            QCOMPARE(
                store.addEvaluation(*id, sampleEvaluation(10.02, {}), QStringLiteral("e-1")), 1);
        QCOMPARE(
            store.addEvaluation(*id, sampleEvaluation(10.05, QStringLiteral("criterion 2"))), 2);

        const auto record = store.run(*id);
        QVERIFY(record);
        QCOMPARE(record->readings, readings);
        const Journal::RunStart &back = record->start;
        QCOMPARE(std::tuple(back.sampleId, back.sampleSize, back.method, back.origin.operatorName),
            std::tuple(start.sampleId, 25.0, start.method, QStringLiteral("anna")));
        // The time keeps its offset as well as its instant.
        const JournalStore::RunSummary &summary = record->summary;
        QCOMPARE(std::tuple(summary.started, summary.started.offsetFromUtc(), summary.ended,
                     summary.endReason, summary.readings),
            std::tuple(start.started, 3600, ended, Journal::EndReason::EndValue, 3));
        QCOMPARE(int(record->evaluations.size()), 2);
        QCOMPARE(std::tuple(record->evaluations[0].points[0].volume, record->evaluations[1].reason),
            std::tuple(10.02, QStringLiteral("criterion 2")));
        QCOMPARE(record->evaluations[1].results, sampleEvaluation(0, {}).results);
        // The list shows the newest evaluation's result.
        const auto list = store.listRuns({});
        QCOMPARE(int(list.size()), 1);
        QVERIFY(list[0].result);
        QCOMPARE(list[0].result->value, 0.1002);
    }

    // A titrant is made and changed under its id; a second one may not take its name. Its
    // titers come back newest first, with their run and standard, and one written twice with
    // its uuid is kept once.
    void titrantsAndTitersComeBackAsWritten()
    {
        JournalStore store(*JournalLocation::parse(engines.freshUrl()));
        VERIFY_OPENS(store);
        Journal::Titrant naoh;
        naoh.name = QStringLiteral("NaOH 0.1");
        naoh.concentration = 0.1;
        QVERIFY2(store.saveTitrant(naoh), qPrintable(store.lastError()));
        QVERIFY(naoh.id > 0);
        naoh.validityDays = 14;
        naoh.concentration = 0.1000001;
        QVERIFY(store.saveTitrant(naoh));
        Journal::Titrant other;
        other.name = naoh.name;
        QVERIFY(!store.saveTitrant(other));
        QVERIFY2(store.lastError().contains(QStringLiteral("exists already")),
            qPrintable(store.lastError()));
        QCOMPARE(store.titrant(naoh.id), std::optional(naoh));
        QCOMPARE(int(store.titrants().size()), 1);

        const auto run = store.beginRun(sampleRun(QStringLiteral("KHP")));
        QVERIFY(run);
        const QDateTime first(QDate(2026, 12, 1), QTime(8, 0), Qt::OffsetFromUTC, 3600);
        Journal::Titer older;
        older.titrantId = naoh.id;
        older.value = 1.0123;
        older.u = 0.0011;
        older.determined = first;
        older.origin = {QStringLiteral("anna"), QStringLiteral("lab-3"), QStringLiteral("1.5.9")};
        older.standard
            = {{QStringLiteral("mass_g"), 0.4085}, {QStringLiteral("purity_percent"), 99.95}};
        Journal::Titer newer = older;
        newer.uuid = QStringLiteral("5b0f8d7e-0000-4000-8000-000000000102");
        newer.runId = *run;
        newer.value = 1.0201;
        newer.determined = first.addDays(2);
        QVERIFY(store.addTiter(older));
        const auto id = store.addTiter(newer);
        QVERIFY2(id, qPrintable(store.lastError()));
        QCOMPARE(store.addTiter(newer), id);

        const std::vector<Journal::Titer> titers = store.titers(naoh.id);
        QCOMPARE(int(titers.size()), 2);
        QCOMPARE(std::tuple(titers[0].value, titers[0].runId, titers[0].determined),
            std::tuple(1.0201, *run, newer.determined));
        QCOMPARE(std::tuple(titers[1].runId, titers[1].u, titers[1].origin.operatorName),
            std::tuple(qint64(0), 0.0011, QStringLiteral("anna")));
        QCOMPARE(titers[1].standard, older.standard);
        QCOMPARE(int(store.titers(naoh.id, 1).size()), 1);
    }

    void aWorkstationRoleCannotChangeReadingsEvenWithoutTheTriggers()
    {
        if (engines.isSQLite())
            QSKIP("SQLite has no roles; its triggers: tst_audittrail");
        const QString url = engines.freshUrl();
        const QString database = engines.databaseOf(url);
        {
            JournalStore owner(*JournalLocation::parse(url));
            VERIFY_OPENS(owner);
        }
        QString error;
        QVERIFY2(engines.cluster.execute(database,
                     QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE "
                                    "rolname = 'anna') THEN CREATE ROLE anna LOGIN IN ROLE "
                                    "kalumet_writer; END IF; END $$"),
                     &error),
            qPrintable(error));
        JournalStore store(*JournalLocation::parse(engines.cluster.url(database, "anna")));
        VERIFY_OPENS(store);
        const auto id = store.beginRun(sampleRun(QStringLiteral("s")));
        QVERIFY2(id, qPrintable(store.lastError()));
        QVERIFY(store.addReading(*id, {0, 0, 2.5, 0, false}));
        QVERIFY(store.finishRun(*id, Journal::EndReason::Stopped, {}));
        QVERIFY2(store.addEvaluation(*id, sampleEvaluation(1, {})), qPrintable(store.lastError()));
        QVERIFY(engines.cluster.execute(
            database, QStringLiteral("DROP TRIGGER readings_immutable ON readings")));
        QSqlQuery query(store.database());
        QVERIFY(!query.exec(QStringLiteral("UPDATE readings SET value = 7")));
        QVERIFY2(query.lastError().text().contains(QStringLiteral("permission denied")),
            qPrintable(query.lastError().text()));
        QCOMPARE(store.run(*id)->readings.at(0).value, 2.5);
    }

    void anOlderSchemaIsUpgradedKeepingItsRuns()
    {
        const QString url = engines.freshUrl();
        const JournalLocation location = *JournalLocation::parse(url);
        {
            // A journal of the first schema, with a run in it.
            JournalStore maker(location);
            VERIFY_OPENS(maker);
            QSqlDatabase db = maker.database();
            QSqlQuery q(db);
            for (const char *table : {"audit_trail", "titers", "titrants", "evaluations",
                     "readings", "runs", "journal_meta"})
                QVERIFY2(q.exec(QStringLiteral("DROP TABLE %1").arg(QLatin1StringView(table))),
                    qPrintable(q.lastError().text()));
            QString error;
            QVERIFY2(Schema::upgrade(db, maker.dialect(), 0, 1, {}, &error), qPrintable(error));
            QVERIFY(q.exec(
                QStringLiteral("INSERT INTO runs (uuid, kind, started_at, end_reason) VALUES "
                               "('u1', 'incremental', '2026-01-02T10:00:00.000Z', 'end_value')")));
        }
        JournalStore store(location);
        const JournalStore::OpenResult result = store.open();
        QVERIFY2(result.ok(), qPrintable(result.message));
        QCOMPARE(result.foundVersion, 1);
        QSqlDatabase db = store.database();
        QCOMPARE(Schema::version(db, store.dialect(), nullptr), Schema::CurrentVersion);
        QCOMPARE(store.countRuns({}), 1);
        const auto id = store.runIdOf(QStringLiteral("u1"));
        QVERIFY(store.addEvaluation(*id, sampleEvaluation(3, {})));
        // The trail starts with the migration and takes in the run it found.
        QSqlQuery trail(db);
        QVERIFY(trail.exec(QStringLiteral("SELECT action FROM audit_trail ORDER BY seq")));
        QStringList actions;
        while (trail.next())
            actions << trail.value(0).toString();
        QCOMPARE(actions, QStringList({"migrated", "run started", "run ended", "evaluated"}));
        QVERIFY(AuditVerifier::verify(db).intact);
        if (engines.isSQLite()) {
            // The copy made before the upgrade is the old journal, readable as such.
            QProcess shell;
            shell.start(QStringLiteral("sqlite3"),
                {QStringLiteral("-readonly"), result.backupFile,
                    QStringLiteral(
                        "SELECT value FROM journal_meta WHERE name = 'schema_version'")});
            QVERIFY(shell.waitForFinished(10000));
            QCOMPARE(shell.readAllStandardOutput(), QByteArray("1\n"));
        }
    }

    // A journal of a newer program, another program's database or a file that is no database:
    // refused with its status, and left as it was found.
    void aDatabaseItCannotUseIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("fileContents"); // SQLite: the file as it is found
        QTest::addColumn<QString>("sql"); // else: run on a new database, or on a new journal
        QTest::addColumn<bool>("tooNew"); // a journal whose schema `sql` makes newer
        QTest::newRow("journal of a newer schema")
            << QByteArray()
            << QStringLiteral("UPDATE journal_meta SET value = '%1' WHERE name = 'schema_version'")
                   .arg(Schema::CurrentVersion + 1)
            << true;
        QTest::newRow("another program's database")
            << QByteArray() << QStringLiteral("CREATE TABLE customers (id INTEGER, name TEXT)")
            << false;
        if (!JournalEngines::instance().isSQLite())
            return;
        QTest::newRow("text file") << QByteArray("titration notes\n") << QString() << false;
        QTest::newRow("header only") << QByteArray("SQLite format 3\0", 16) << QString() << false;
    }
    void aDatabaseItCannotUseIsLeftAlone()
    {
        QFETCH(QByteArray, fileContents);
        QFETCH(QString, sql);
        QFETCH(bool, tooNew);
        const QString url = engines.freshUrl();
        if (tooNew) {
            JournalStore store(*JournalLocation::parse(url));
            VERIFY_OPENS(store);
            QVERIFY(store.beginRun(sampleRun(QStringLiteral("s"))));
            QVERIFY(QSqlQuery(store.database()).exec(sql));
        } else if (!sql.isEmpty()) {
            if (engines.isSQLite())
                QCOMPARE(QProcess::execute(QStringLiteral("sqlite3"), {url, sql}), 0);
            else
                QVERIFY(engines.cluster.execute(engines.databaseOf(url), sql));
        } else {
            QVERIFY(writeAll(url, fileContents));
        }
        const QByteArray before = engines.isSQLite() ? fileDigest(url) : QByteArray();
        JournalStore store(*JournalLocation::parse(url));
        const JournalStore::OpenResult result = store.open();
        QCOMPARE(result.status,
            tooNew ? JournalStore::OpenStatus::TooNew : JournalStore::OpenStatus::Damaged);
        QVERIFY(!result.message.isEmpty());
        QVERIFY(!tooNew || result.message.contains(QString::number(Schema::CurrentVersion + 1)));
        QVERIFY(!store.isOpen());
        if (engines.isSQLite()) {
            QCOMPARE(fileDigest(url), before);
            QVERIFY(tooNew || !QFile::exists(url + QStringLiteral("-wal"))); // a journal has one
        } else if (!tooNew) {
            QVERIFY(!engines.cluster.execute(
                engines.databaseOf(url), QStringLiteral("SELECT 1 FROM runs")));
        }
    }

private:
    static QByteArray fileDigest(const QString &path)
    {
        return QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256);
    }
};

JOURNAL_TEST_MAIN(tst_JournalStore)
#include "tst_journalstore.moc"
