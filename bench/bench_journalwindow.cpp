// Opening the Journal window on a journal of 100,000 runs: the time from the window's
// construction until it is shown with its first page, unfiltered and filtered by a sample.
// bench_journalwindow [JOURNAL.sqlite]; without a file it uses (or makes) the one bench_journal
// keeps in bench-data beside the program.
#include "app/journalrunmodel.h"
#include "app/journalwindow.h"
#include "journal/journalstore.h"
#include "journalfill.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QTextStream out(stdout);
int lastTotal = 0; // runs the last window opened selected

QString journalPath(const QStringList &arguments)
{
    if (arguments.size() > 1)
        return arguments.at(1);
    const JournalFill::Shape shape;
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/bench-data");
    QDir().mkpath(dir);
    const QString path = dir
        + QStringLiteral("/journal-%1-runs-%2-samples-%3-readings-v2.sqlite")
              .arg(shape.runs)
              .arg(shape.samples)
              .arg(shape.readingsPerRun);
    if (!QFile::exists(path)) {
        out << "filling " << path << " (once)" << Qt::endl;
        JournalLocation location;
        location.path = path;
        JournalStore store(location);
        QString error;
        if (!store.open(true).ok() || !JournalFill::fill(store, shape, &error)) {
            out << "cannot fill the journal: " << error << Qt::endl;
            std::exit(1);
        }
    }
    return path;
}

// Milliseconds from construction until the window is shown and its first rows are there.
double openOnce(const JournalLocation &location, const QString &sample)
{
    QElapsedTimer timer;
    timer.start();
    // As the menu item does: the window, its journal read, then shown.
    JournalWindow window(location, Numbers::Separators::dot());
    if (auto *filter = window.findChild<QLineEdit *>(); filter && !sample.isEmpty())
        filter->setText(sample);
    if (!window.reload()) {
        out << "the journal cannot be read" << Qt::endl;
        std::exit(1);
    }
    window.resize(900, 600);
    window.show();
    // The view asks for its first page once it is laid out.
    for (int turn = 0; turn < 1000 && window.model()->rowCount() == 0; ++turn)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    lastTotal = window.model()->totalCount();
    if (window.model()->rowCount() == 0) {
        out << "the window shows no runs" << Qt::endl;
        std::exit(1);
    }
    return ms;
}

void report(const char *what, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    out << qSetFieldWidth(40) << Qt::left << what << qSetFieldWidth(0) << "median "
        << QString::number(times[times.size() / 2], 'f', 1) << " ms, max "
        << QString::number(times.back(), 'f', 1) << " ms (" << times.size() << " opens)"
        << Qt::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    JournalLocation location;
    location.path = journalPath(app.arguments());
    {
        JournalStore store(location);
        store.open(false);
        out << "journal " << location.path << ": " << store.countRuns({}) << " runs" << Qt::endl;
    }
    constexpr int Opens = 10;
    std::vector<double> all, filtered;
    for (int i = 0; i < Opens; ++i)
        all.push_back(openOnce(location, {}));
    for (int i = 0; i < Opens; ++i)
        filtered.push_back(openOnce(location, JournalFill::sampleName(i * 7)));
    report("Journal window, all runs", all);
    report("Journal window, filtered by a sample", filtered);
    out << "(the last filter selected " << lastTotal << " runs)" << Qt::endl;
    return 0;
}
