// bench_open_document: opens one RTF file in a document window, as File > Open does, and
// reports what it cost: CPU time and wall time until the text is laid out to its end, the
// longest time the event loop did not turn (the interface not responding), and the memory
// resident before, at the end and at its peak.
//
//   bench_open_document FILE.rtf [WIDTH]
//
// WIDTH is the frame's width in pixels (1200): a narrow frame wraps the text into more lines.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.

#include "documents/documentcommands.h"
#include "documents/frmdocument.h"
#include "model/settingsrecord.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) {
        return double(t.tv_sec) + t.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A "VmRSS" or "VmHWM" figure of this process, in MiB.
double statusMiB(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key) + 1).trimmed().split(' ').first().toDouble() / 1024;
    }
    return -1;
}

// True once the last paragraph has lines: the lazy layout has reached the end.
bool laidOutToTheEnd(const frmDocument *document)
{
    const QTextDocument *text = document->rtfText()->document();
    if (text->isEmpty())
        return false;
    const QTextLayout *layout = text->lastBlock().layout();
    return layout && layout->lineCount() > 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s FILE.rtf [WIDTH]\n", argv[0]);
        return 2;
    }
    SettingsRecord settings;
    QMdiArea area;
    area.resize(argc > 2 ? QByteArray(argv[2]).toInt() : 1200, 800);
    area.show();
    DocumentCommands commands(&area, settings);
    commands.NeuesDokument();
    QCoreApplication::processEvents();

    const double rssBefore = statusMiB("VmRSS:");
    QElapsedTimer wall;
    QElapsedTimer sinceTurn;
    qint64 longestStall = 0;
    QTimer pulse;
    pulse.setInterval(5);
    QObject::connect(
        &pulse, &QTimer::timeout, [&] { longestStall = qMax(longestStall, sinceTurn.restart()); });

    const double cpuStart = cpuSeconds();
    wall.start();
    sinceTurn.start();
    pulse.start();
    // The file goes into a document of its own, which becomes the active one.
    commands.openFiles({QString::fromLocal8Bit(argv[1])});
    const qint64 openCall = wall.elapsed();
    frmDocument *opened = commands.activeForm();
    while (!laidOutToTheEnd(opened) && wall.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    longestStall = qMax(longestStall, sinceTurn.elapsed());
    const double cpu = cpuSeconds() - cpuStart;
    const qint64 elapsed = wall.elapsed();
    pulse.stop();

    std::printf("paragraphs         %d\n", opened->rtfText()->document()->blockCount());
    std::printf("text width         %d px\n", opened->rtfText()->width());
    std::printf("text height        %.0f px\n", opened->rtfText()->document()->size().height());
    std::printf("wall               %.3f s\n", elapsed / 1000.0);
    std::printf("cpu                %.3f s\n", cpu);
    std::printf("longest stall      %lld ms\n", static_cast<long long>(longestStall));
    std::printf(
        "read and parse     %lld ms (before the first turn)\n", static_cast<long long>(openCall));
    std::printf("resident before    %.1f MiB\n", rssBefore);
    std::printf("resident after     %.1f MiB\n", statusMiB("VmRSS:"));
    std::printf("resident peak      %.1f MiB\n", statusMiB("VmHWM:"));
    return laidOutToTheEnd(opened) ? 0 : 1;
}
