// journal-client URL COUNT INTERVAL_MS [hold]
// Writes one run of COUNT readings through the journal's writer, one every INTERVAL_MS. Prints
// "started" once the run is in the journal and "done" once it is finished; with "hold" it keeps
// the run open and waits to be killed, as a workstation in the middle of a run.
//
// journal-client URL append COUNT
// Appends COUNT entries to the audit trail, each a change of its own, as fast as it can.
#include "journal/journallocation.h"
#include "journal/journalstore.h"
#include "journal/journalwriter.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4)
        return 2;
    const auto location = JournalLocation::parse(args.at(1));
    if (!location)
        return 2;
    if (args.at(2) == QLatin1StringView("append")) {
        JournalStore store(*location);
        const JournalStore::OpenResult opened = store.open();
        if (!opened.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(opened.message));
            return 1;
        }
        const int entries = args.at(3).toInt();
        for (int i = 0; i < entries; ++i) {
            Audit::Entry change;
            change.action = Audit::Action::MethodChanged;
            change.record = QStringLiteral("method");
            change.newValues = {{QStringLiteral("client"), QCoreApplication::applicationPid()},
                {QStringLiteral("n"), i}};
            if (!store.recordChange(change)) {
                std::fprintf(stderr, "%s\n", qPrintable(store.lastError()));
                return 1;
            }
        }
        std::printf("done\n");
        return 0;
    }
    const int count = args.at(2).toInt();
    const int interval = args.at(3).toInt();
    const bool hold = args.size() > 4 && args.at(4) == QLatin1StringView("hold");

    JournalWriter writer(*location);
    bool ok = false;
    QObject::connect(&writer, &JournalWriter::opened, [&](bool opened, const QString &message) {
        ok = opened;
        if (!opened)
            std::fprintf(stderr, "%s\n", qPrintable(message));
        app.quit();
    });
    writer.open();
    app.exec();
    if (!ok)
        return 1;

    Journal::RunStart start;
    start.sampleId = QStringLiteral("client-%1").arg(QCoreApplication::applicationPid());
    start.unit = QStringLiteral("pH");
    const QString uuid = writer.beginRun(start);
    if (!writer.waitUntilWritten(30000))
        return 1;
    std::printf("started %s\n", qPrintable(uuid));
    std::fflush(stdout);
    for (int i = 0; i < count; ++i) {
        writer.addReading(uuid, {i, 0.1 * i, 3 + 0.01 * i, 0.5 * i, false});
        if (interval > 0)
            QThread::msleep(interval);
    }
    if (!writer.waitUntilWritten(60000))
        return 1;
    if (hold) {
        std::printf("holding\n");
        std::fflush(stdout);
        for (;;)
            QThread::sleep(60);
    }
    writer.finishRun(uuid, Journal::EndReason::EndVolume);
    if (!writer.waitUntilWritten(30000))
        return 1;
    std::printf("done\n");
    return 0;
}
