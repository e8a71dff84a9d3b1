#pragma once

#include "journal/journallocation.h"
#include "model/journalrecords.h"
#include "support/pgcluster.h"

#include <QTemporaryDir>
#include <QTest>

// Opens `store` (a JournalStore), failing the case with the journal's message.
#define VERIFY_OPENS(store)                                                                        \
    do {                                                                                           \
        const auto opened_ = (store).open();                                                       \
        QVERIFY2(opened_.ok(), qPrintable(opened_.message));                                       \
    } while (false)

// Runs a test object once on SQLite files and once on a PostgreSQL server of its own. Each
// case asks for a fresh journal; a server that cannot start fails the program.
class JournalEngines
{
public:
    static JournalEngines &instance()
    {
        static JournalEngines engines;
        return engines;
    }

    JournalLocation::Engine engine = JournalLocation::Engine::SQLite;
    PgCluster cluster;
    QTemporaryDir files;

    bool isSQLite() const { return engine == JournalLocation::Engine::SQLite; }

    // A new, empty journal's URL.
    QString freshUrl()
    {
        const QString name = QStringLiteral("journal_%1").arg(++m_serial);
        if (isSQLite())
            return files.filePath(name + QStringLiteral(".sqlite"));
        QString error;
        if (!cluster.createDatabase(name, &error))
            qFatal("cannot create database %s: %s", qPrintable(name), qPrintable(error));
        return cluster.url(name);
    }
    QString databaseOf(const QString &url) const { return JournalLocation::parse(url)->database; }

    template<typename TestObject>
    static int runBoth(int argc, char *argv[])
    {
        JournalEngines &engines = instance();
        int failures = 0;
        {
            engines.engine = JournalLocation::Engine::SQLite;
            TestObject test;
            failures += QTest::qExec(&test, argc, argv);
        }
        QString error;
        if (!engines.cluster.start(&error)) {
            qCritical("PostgreSQL could not be started: %s", qPrintable(error));
            return failures + 1;
        }
        engines.engine = JournalLocation::Engine::PostgreSQL;
        TestObject test;
        failures += QTest::qExec(&test, argc, argv);
        return failures;
    }

private:
    int m_serial = 0;
};

// A run and an evaluation as the journal tests write them; a sample size given to the
// evaluation goes into its method, where the journal looks for a corrected sample size.
inline Journal::RunStart sampleRun(const QString &sample)
{
    Journal::RunStart run;
    run.sampleId = sample;
    run.sampleSize = 25;
    run.sampleUnit = QStringLiteral("mL");
    run.unit = QStringLiteral("pH");
    run.method = {{QStringLiteral("Increment"), 0.1},
        {QStringLiteral("DosingMode"), QStringLiteral("fixed")}};
    run.started = QDateTime(QDate(2026, 12, 1), QTime(9, 15, 2, 125), Qt::OffsetFromUTC, 3600);
    run.origin = {QStringLiteral("anna"), QStringLiteral("lab-3"), QStringLiteral("1.5.9")};
    return run;
}

inline Journal::Evaluation sampleEvaluation(
    double volume, const QString &reason, std::optional<double> sampleSize = {})
{
    Journal::Evaluation e;
    e.reason = reason;
    e.criterion = 1.5;
    if (sampleSize)
        e.method = {{QStringLiteral("Method/SampleSize"), *sampleSize}};
    e.points = {{volume, 0.004, 8.7, {}}};
    e.results = {{1, 0.1002, 0.0004, QStringLiteral("mol/L")}};
    e.origin = {QStringLiteral("ben"), QStringLiteral("lab-1"), QStringLiteral("1.5.9")};
    return e;
}

#define JOURNAL_TEST_MAIN(TestObject)                                                              \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QCoreApplication app(argc, argv);                                                          \
        return JournalEngines::runBoth<TestObject>(argc, argv);                                    \
    }
