#pragma once

#include "journal/journallocation.h"
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

#define JOURNAL_TEST_MAIN(TestObject)                                                              \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QCoreApplication app(argc, argv);                                                          \
        return JournalEngines::runBoth<TestObject>(argc, argv);                                    \
    }
