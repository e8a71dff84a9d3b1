// The real program against the simulated titrator, with the journal: killed with SIGKILL in
// the middle of a run, it loses no reading its document showed (but the one being written),
// and its next start marks the run as interrupted. Two programs on one workstation write one
// journal at the same time, on SQLite and on PostgreSQL. KALUMET_CRASH_KILLS sets how many
// kills (3 by default; the benchmark script runs 20).

#include "journal/journallocation.h"
#include "journal/journalstore.h"
#include "support/diskfiles.h"
#include "support/pgcluster.h"
#include "support/titratorsim.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// One workstation: the program with a profile of its own (settings, data, method file),
// channel 1 at the simulator, its journal debug lines read from standard error.
class Workstation
{
public:
    Workstation(const QString &journalUrl, double endVolume, quint32 seed)
        : m_simulator({QStringLiteral("--seed"), QString::number(seed)})
        , m_url(journalUrl)
    {
        const QString config = m_home.filePath(QStringLiteral("config/Kalumet"));
        QDir().mkpath(config);
        writeAll(config + QStringLiteral("/Kalumet.conf"),
            "[Ports]\nCom1=" + m_simulator.device.toLocal8Bit() + "\n");
        // Increment, waiting time, channel, end value, end volume, dose field, language, range.
        writeAll(m_home.filePath(QStringLiteral("lastmeth.kmt")),
            "0.1\r\n0.1\r\n1\r\n14\r\n" + QByteArray::number(endVolume) + "\r\n1\r\n0\r\n0\r\n");
    }
    ~Workstation() { kill(); }

    bool hasSimulator() const { return !m_simulator.device.isEmpty(); }

    void start(const QStringList &extra)
    {
        m_program = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"),
            QStringLiteral("kalumet.journal.debug=true;qt.qpa.*=false"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        m_program->setProcessEnvironment(env);
        m_program->setWorkingDirectory(m_home.path());
        m_program->start(QStringLiteral(KALUMET_BINARY_DIR "/kalumet"),
            QStringList {QStringLiteral("--journal"), m_url} + extra);
        m_errors.clear();
    }
    // Reads standard error until `pattern` has matched `count` times or the time is over.
    bool waitFor(const QRegularExpression &pattern, int count, int msecs)
    {
        const QDeadlineTimer deadline(msecs);
        do {
            m_program->waitForReadyRead(50);
            m_errors += QString::fromLocal8Bit(m_program->readAllStandardError());
        } while (m_errors.count(pattern) < count && !deadline.hasExpired()
            && m_program->state() != QProcess::NotRunning);
        m_errors += QString::fromLocal8Bit(m_program->readAllStandardError()); // its last words
        return m_errors.count(pattern) >= count;
    }
    // The readings the document showed, as the program said.
    QList<Journal::Reading> shown() const
    {
        static const QRegularExpression line(
            QStringLiteral("reading shown (\\d+) (-?[0-9.]+) (-?[0-9.]+)"));
        QList<Journal::Reading> readings;
        for (auto it = line.globalMatch(m_errors); it.hasNext();) {
            const auto m = it.next();
            readings.append(
                {m.captured(1).toInt(), m.captured(2).toDouble(), m.captured(3).toDouble()});
        }
        return readings;
    }
    void kill()
    {
        if (m_program && m_program->state() != QProcess::NotRunning) {
            m_program->kill(); // SIGKILL: no chance to close the journal
            m_program->waitForFinished(10000);
        }
    }
    bool terminate()
    {
        m_program->terminate();
        return m_program->waitForFinished(20000);
    }
    QString errors() const { return m_errors; }

private:
    QTemporaryDir m_home;
    TitratorSim m_simulator;
    QString m_url;
    std::unique_ptr<QProcess> m_program;
    QString m_errors;
};

const QRegularExpression Shown(QStringLiteral("reading shown "));
const QRegularExpression Ended(QStringLiteral("run ended "));
const QRegularExpression Opened(QStringLiteral("journal opened 1"));

// The journal's readings of `run` against what the document showed: the same, in order, with
// at most the last one missing.
void compareWithShown(const JournalStore::RunRecord &run, const QList<Journal::Reading> &shown)
{
    const int kept = int(run.readings.size());
    QVERIFY2(kept >= shown.size() - 1 && kept <= shown.size(),
        qPrintable(QStringLiteral("journal %1, shown %2").arg(kept).arg(shown.size())));
    for (int i = 0; i < kept; ++i) {
        QCOMPARE(run.readings[i].index, shown[i].index);
        QCOMPARE(qRound(run.readings[i].volume * 1000), qRound(shown[i].volume * 1000));
        QCOMPARE(qRound(run.readings[i].value * 1000), qRound(shown[i].value * 1000));
    }
}

} // namespace

class tst_CrashRecovery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aKilledRunKeepsWhatItShowedAndIsMarkedInterrupted()
    {
        const int wanted = qEnvironmentVariableIntValue("KALUMET_CRASH_KILLS");
        const int kills = wanted > 0 ? wanted : 3;
        QTemporaryDir dir;
        const QString url = dir.filePath(QStringLiteral("journal.sqlite"));
        QRandomGenerator random(quint32(QDateTime::currentMSecsSinceEpoch()));
        for (int kill = 0; kill < kills; ++kill) {
            Workstation station(url, 100, random.generate());
            QVERIFY(station.hasSimulator());
            station.start({QStringLiteral("--titrate")});
            // A random moment: after 1 to 5 readings, and up to 1.5 s into the next one.
            const int readings = 1 + int(random.bounded(5));
            QVERIFY2(station.waitFor(Shown, readings, 60000), qPrintable(station.errors()));
            QTest::qWait(int(random.bounded(1500)));
            station.kill();
            station.waitFor(Shown, 1000, 0); // what it said before it died
            const QList<Journal::Reading> shown = station.shown();

            // The next start marks the run; a second look finds it marked.
            station.start({});
            QVERIFY2(station.waitFor(Opened, 1, 60000), qPrintable(station.errors()));
            QVERIFY(station.errors().contains(QStringLiteral("1 run(s) marked interrupted")));
            QVERIFY(station.terminate());

            JournalStore store(*JournalLocation::parse(url));
            QVERIFY(store.open(false).ok());
            const auto runs = store.listRuns({});
            QCOMPARE(int(runs.size()), kill + 1);
            const auto run = store.run(runs.front().id);
            QCOMPARE(run->summary.endReason, Journal::EndReason::Interrupted);
            compareWithShown(*run, shown);
            qInfo("kill %d: %d shown, %d in the journal", kill + 1, int(shown.size()),
                int(run->readings.size()));
        }
    }

    void twoWorkstationsRunIntoOneJournal_data()
    {
        QTest::addColumn<bool>("postgres");
        QTest::newRow("SQLite") << false;
        QTest::newRow("PostgreSQL") << true;
    }
    void twoWorkstationsRunIntoOneJournal()
    {
        QFETCH(bool, postgres);
        QTemporaryDir dir;
        PgCluster cluster;
        QString url = dir.filePath(QStringLiteral("journal.sqlite"));
        if (postgres) {
            QString error;
            QVERIFY2(cluster.start(&error), qPrintable(error));
            QVERIFY2(cluster.createDatabase(QStringLiteral("lab"), &error), qPrintable(error));
            url = cluster.url(QStringLiteral("lab"));
        }
        std::vector<std::unique_ptr<Workstation>> stations;
        for (quint32 seed : {11u, 12u}) {
            stations.push_back(std::make_unique<Workstation>(url, 0.5, seed));
            QVERIFY(stations.back()->hasSimulator());
        }
        for (auto &station : stations)
            station->start({QStringLiteral("--titrate")});
        // 0.5 mL in 0.1 mL steps: six readings, the last at the end volume.
        for (auto &station : stations)
            QVERIFY2(station->waitFor(Ended, 1, 90000), qPrintable(station->errors()));
        for (auto &station : stations)
            QVERIFY(station->terminate());

        JournalStore store(*JournalLocation::parse(url));
        QVERIFY(store.open(false).ok());
        const auto runs = store.listRuns({});
        QCOMPARE(int(runs.size()), 2);
        for (const auto &summary : runs) {
            QCOMPARE(summary.endReason, Journal::EndReason::EndVolume);
            QCOMPARE(summary.readings, 6);
        }
    }
};

QTEST_GUILESS_MAIN(tst_CrashRecovery)
#include "tst_crashrecovery.moc"
