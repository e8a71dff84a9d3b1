#include "journal/journalstore.h"
#include "journal/journalwriter.h"
#include "journalengines.h"
#include "support/diskfiles.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

// What must survive: runs of dead processes, runs of live ones, and a journal that cannot be
// written for a while. Two writers at once: tst_crashrecovery, with the real program.
class tst_JournalSafety : public QObject
{
    Q_OBJECT
private:
    JournalEngines &engines = JournalEngines::instance();

    // A journal-client writing `count` readings; waits for its "started" (or "holding") line.
    static std::unique_ptr<QProcess> startClient(
        const QString &url, int count, int interval, bool hold, const QByteArray &waitFor)
    {
        auto client = std::make_unique<QProcess>();
        client->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList args {url, QString::number(count), QString::number(interval)};
        if (hold)
            args << QStringLiteral("hold");
        client->start(QStringLiteral(JOURNAL_CLIENT), args);
        if (!client->waitForStarted(10000))
            return nullptr;
        QByteArray seen;
        while (!seen.contains(waitFor)) {
            if (!client->waitForReadyRead(60000))
                return nullptr;
            seen += client->readAll();
        }
        return client;
    }

    static std::vector<JournalStore::RunSummary> runsOf(const QString &url)
    {
        JournalStore store(*JournalLocation::parse(url));
        if (!store.open().ok())
            return {};
        return store.listRuns({});
    }

    static bool waitFor(QSignalSpy &spy, int count, int msecs)
    {
        QDeadlineTimer deadline(msecs);
        while (spy.count() < count && !deadline.hasExpired())
            spy.wait(100);
        return spy.count() >= count;
    }

private Q_SLOTS:
    void aRunOfALiveProcessIsNeverMarkedAndOneOfADeadProcessIs()
    {
        const QString url = engines.freshUrl();
        auto client = startClient(url, 5, 0, true, "holding");
        QVERIFY(client);
        {
            JournalStore store(*JournalLocation::parse(url));
            VERIFY_OPENS(store);
            QCOMPARE(store.markInterrupted(), 0);
            const auto runs = store.listRuns({});
            QCOMPARE(runs.at(0).endReason, Journal::EndReason::Running);
        }
        ::kill(pid_t(client->processId()), SIGKILL);
        QVERIFY(client->waitForFinished(10000));
        JournalStore store(*JournalLocation::parse(url));
        VERIFY_OPENS(store);
        QCOMPARE(store.markInterrupted(), 1);
        const auto record = store.run(store.listRuns({}).at(0).id);
        QCOMPARE(record->summary.endReason, Journal::EndReason::Interrupted);
        QCOMPARE(int(record->readings.size()), 5);
        // Ended at its last reading, not at the moment it was found.
        QCOMPARE(record->summary.ended, record->summary.started.addMSecs(2000));
        QCOMPARE(store.markInterrupted(), 0);
    }

    void readingsKeptBackByAnOutageAreWrittenAfterwards()
    {
        const QString url = engines.freshUrl();
        JournalWriter writer(*JournalLocation::parse(url));
        QSignalSpy opened(&writer, &JournalWriter::opened);
        QSignalSpy unavailable(&writer, &JournalWriter::unavailable);
        QSignalSpy available(&writer, &JournalWriter::available);
        writer.open();
        QVERIFY(waitFor(opened, 1, 30000));
        QVERIFY(opened.at(0).at(0).toBool());
        const QString uuid = writer.beginRun({});
        for (int i = 0; i < 10; ++i)
            writer.addReading(uuid, {i, 0.1 * i, 4, double(i), false});
        QVERIFY(writer.waitUntilWritten(30000));

        // The outage: the lab server stops, or the disk of the file is full.
        std::optional<FileSizeLimit> diskFull;
        if (engines.isSQLite())
            diskFull.emplace(rlim_t(
                QFileInfo(JournalLocation::parse(url)->path + QStringLiteral("-wal")).size() + 1));
        else
            QVERIFY(engines.cluster.stop());
        for (int i = 10; i < 400; ++i)
            writer.addReading(uuid, {i, 0.1 * i, 4, double(i), false});
        QVERIFY(waitFor(unavailable, 1, 30000));
        QVERIFY(writer.pending() > 0);
        QTest::qWait(1500); // a retry that fails again says nothing new
        QCOMPARE(unavailable.count(), 1);
        QCOMPARE(available.count(), 0);

        if (engines.isSQLite())
            diskFull.reset();
        else
            QVERIFY(engines.cluster.startAgain());
        writer.finishRun(uuid, Journal::EndReason::Stopped);
        QVERIFY(waitFor(available, 1, 30000));
        QVERIFY(writer.waitUntilWritten(30000));
        const auto runs = runsOf(url);
        QCOMPARE(int(runs.size()), 1);
        QCOMPARE(runs[0].readings, 400);
        QCOMPARE(runs[0].endReason, Journal::EndReason::Stopped);
    }
};

JOURNAL_TEST_MAIN(tst_JournalSafety)
#include "tst_journalsafety.moc"
