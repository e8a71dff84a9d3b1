#include "journal/auditverifier.h"
#include "journal/journalstore.h"
#include "journalengines.h"

#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

// The audit trail on both engines: every change is an entry, the database refuses to change
// the trail, a row changed behind the program's back is found at its entry, and two writers at
// once make one chain.
class tst_AuditTrail : public QObject
{
    Q_OBJECT
private:
    JournalEngines &engines = JournalEngines::instance();

    // A journal with one of every change; returns the actions in the trail's order.
    static QStringList fill(JournalStore &store)
    {
        const auto id = store.beginRun(sampleRun(QStringLiteral("S-1")));
        if (!id)
            return {};
        for (int i = 0; i < 3; ++i)
            store.addReading(*id, {i, 0.5 * i, 3.0 + i, 2.0 * i, false});
        store.finishRun(*id, Journal::EndReason::EndVolume, {});
        store.finishRun(*id, Journal::EndReason::EndVolume, {}); // repeated: no second entry
        store.setDocumentFile(*id, QStringLiteral("s1.rtf"));
        store.addEvaluation(*id, sampleEvaluation(10, {}, 25));
        store.addEvaluation(
            *id, sampleEvaluation(10.5, QStringLiteral("sample weighed again"), 24.5));
        Journal::Titrant naoh;
        naoh.name = QStringLiteral("NaOH");
        naoh.concentration = 0.1;
        store.saveTitrant(naoh);
        naoh.validityDays = 14;
        store.saveTitrant(naoh);
        Journal::Titer titer;
        titer.titrantId = naoh.id;
        titer.runId = *id;
        titer.value = 1.02;
        titer.u = 0.001;
        store.addTiter(titer);
        Audit::Entry method;
        method.action = Audit::Action::MethodChanged;
        method.record = QStringLiteral("method");
        method.oldValues = {{QStringLiteral("Method/Factor"), 1}};
        method.newValues = {{QStringLiteral("Method/Factor"), 2}};
        store.recordChange(method);
        QSqlQuery query(store.database());
        query.exec(QStringLiteral("SELECT action FROM audit_trail ORDER BY seq"));
        QStringList actions;
        while (query.next())
            actions << query.value(0).toString();
        return actions;
    }

    bool dropTrigger(JournalStore &store, const QString &table)
    {
        QSqlQuery query(store.database());
        if (engines.isSQLite())
            return query.exec(QStringLiteral("DROP TRIGGER %1_no_update").arg(table))
                && query.exec(QStringLiteral("DROP TRIGGER %1_no_delete").arg(table));
        return query.exec(QStringLiteral("DROP TRIGGER %1_immutable ON %1").arg(table));
    }

    static qint64 seqOf(JournalStore &store, const QString &action, int nth = 0)
    {
        QSqlQuery query(store.database());
        query.prepare(QStringLiteral("SELECT seq FROM audit_trail WHERE action = ? ORDER BY seq"));
        query.addBindValue(action);
        query.exec();
        for (int i = 0; i <= nth; ++i) {
            if (!query.next())
                return -1;
        }
        return query.value(0).toLongLong();
    }

private Q_SLOTS:
    void everyChangeIsAnEntryOfAnIntactChain()
    {
        JournalStore store(*JournalLocation::parse(engines.freshUrl()));
        VERIFY_OPENS(store);
        QCOMPARE(fill(store),
            QStringList({"run started", "run ended", "document saved", "evaluated", "evaluated",
                "sample size corrected", "titrant changed", "titrant changed", "titer determined",
                "method changed"}));
        const AuditVerifier::Outcome outcome = AuditVerifier::verify(store.database());
        QVERIFY2(outcome.intact, qPrintable(outcome.problem));
        QCOMPARE(outcome.entries, 10);
        QCOMPARE(outcome.newestHash, store.newestLink()->hash);
        // The first entry chains onto the genesis hash; each next one onto the one before.
        QSqlQuery query(store.database());
        QVERIFY(query.exec(QStringLiteral("SELECT previous_hash FROM audit_trail WHERE seq = 1")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), QString(64, u'0'));
    }

    // The trail and what it stands for refuse change; the chain, which covers readings,
    // evaluations and titers, is then as it was.
    void theTrailRefusesChange_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("update") << "UPDATE audit_trail SET record = 'x' WHERE seq = 1";
        QTest::newRow("delete") << "DELETE FROM audit_trail WHERE seq = 2";
        QTest::newRow("truncate") << "TRUNCATE audit_trail";
        QTest::newRow("update titer") << "UPDATE titers SET value = 1";
        QTest::newRow("update reading") << "UPDATE readings SET value = 7 WHERE seq = 0";
        QTest::newRow("delete reading") << "DELETE FROM readings";
        QTest::newRow("truncate readings") << "TRUNCATE readings CASCADE";
        QTest::newRow("update evaluation") << "UPDATE evaluations SET result_value = 1";
        QTest::newRow("delete evaluation") << "DELETE FROM evaluations";
    }
    void theTrailRefusesChange()
    {
        QFETCH(QString, sql);
        if (engines.isSQLite() && sql.startsWith(QLatin1StringView("TRUNCATE")))
            QSKIP("SQLite has no TRUNCATE");
        JournalStore store(*JournalLocation::parse(engines.freshUrl()));
        VERIFY_OPENS(store);
        fill(store);
        QSqlQuery query(store.database());
        QVERIFY(!query.exec(sql));
        QVERIFY2(query.lastError().text().contains(QStringLiteral("never changed")),
            qPrintable(query.lastError().text()));
        const AuditVerifier::Outcome outcome = AuditVerifier::verify(store.database());
        QVERIFY(outcome.intact);
        QCOMPARE(outcome.entries, 10);
    }

    void aChangeBehindTheProgramsBackIsFoundAtItsEntry_data()
    {
        QTest::addColumn<QString>("unguarded"); // the table whose triggers are dropped first
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("action"); // the first entry that no longer matches
        QTest::addColumn<int>("nth"); // of that action, from 0
        const auto row = [](const char *name, const char *unguarded, const char *sql,
                             const char *action, int nth = 0) {
            QTest::newRow(name) << unguarded << sql << action << nth;
        };
        row("reading changed", "readings", "UPDATE readings SET value = 9 WHERE seq = 1",
            "run ended");
        row("reading deleted", "readings", "DELETE FROM readings WHERE seq = 2", "run ended");
        row("reading added after the end", "",
            "INSERT INTO readings (run_id, seq, volume_ml, value, seconds) "
            "SELECT id, 3, 2, 5, 6 FROM runs",
            "run ended");
        row("sample of a run changed", "", "UPDATE runs SET sample_id = 'S-2'", "run started");
        row("end of a run changed", "", "UPDATE runs SET end_reason = 'end_value'", "run ended");
        row("document file changed", "", "UPDATE runs SET document_file = 'x.rtf'",
            "document saved");
        row("older evaluation changed", "evaluations",
            "UPDATE evaluations SET result_value = 0.2 WHERE version = 1", "evaluated");
        row("titrant changed", "", "UPDATE titrants SET concentration = 0.2", "titrant changed", 1);
        row("titer changed", "titers", "UPDATE titers SET value = 1.2", "titer determined");
        row("entry changed", "audit_trail",
            "UPDATE audit_trail SET new_values = '{}' WHERE seq = 4", "evaluated");
        row("entry deleted", "audit_trail", "DELETE FROM audit_trail WHERE seq = 3",
            "document saved");
        row("run added without an entry", "",
            "INSERT INTO runs (uuid, kind, started_at, end_reason) VALUES "
            "('u2', 'incremental', '2026-01-02T10:00:00.000Z', 'running')",
            "");
    }
    void aChangeBehindTheProgramsBackIsFoundAtItsEntry()
    {
        QFETCH(QString, unguarded);
        QFETCH(QString, sql);
        QFETCH(QString, action);
        QFETCH(int, nth);
        JournalStore store(*JournalLocation::parse(engines.freshUrl()));
        VERIFY_OPENS(store);
        fill(store);
        const qint64 expected = action.isEmpty() ? 0 : seqOf(store, action, nth);
        if (!unguarded.isEmpty())
            QVERIFY(dropTrigger(store, unguarded));
        QSqlQuery query(store.database());
        QVERIFY2(query.exec(sql), qPrintable(query.lastError().text()));
        const AuditVerifier::Outcome outcome = AuditVerifier::verify(store.database());
        QVERIFY(outcome.readable);
        QVERIFY(!outcome.intact);
        QCOMPARE(outcome.firstBadEntry, expected);
        QVERIFY(!outcome.problem.isEmpty());
    }

    void twoWritersAtOnceMakeOneChain()
    {
        const QString url = engines.freshUrl();
        {
            JournalStore made(*JournalLocation::parse(url));
            VERIFY_OPENS(made);
        }
        // Fewer on SQLite, which syncs every commit to the disk.
        const int each = engines.isSQLite() ? 500 : 5000;
        std::vector<std::unique_ptr<QProcess>> clients;
        for (int i = 0; i < 2; ++i) {
            auto client = std::make_unique<QProcess>();
            client->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            client->start(QStringLiteral(JOURNAL_CLIENT),
                {url, QStringLiteral("append"), QString::number(each)});
            QVERIFY(client->waitForStarted(10000));
            clients.push_back(std::move(client));
        }
        for (auto &client : clients) {
            QVERIFY(client->waitForFinished(180000));
            QCOMPARE(client->exitCode(), 0);
        }
        JournalStore store(*JournalLocation::parse(url));
        VERIFY_OPENS(store);
        const AuditVerifier::Outcome outcome = AuditVerifier::verify(store.database());
        QVERIFY2(outcome.intact, qPrintable(outcome.problem));
        QCOMPARE(outcome.entries, 2 * each);
    }
};

JOURNAL_TEST_MAIN(tst_AuditTrail)
#include "tst_audittrail.moc"
