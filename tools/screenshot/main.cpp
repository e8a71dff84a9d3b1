// screenshot: the picture of a finished titration for the README, taken from the program's own
// main window. Loads a saved document as "Open with" does, builds the chart and the derivative
// through the buttons' handlers and saves the window as a PNG. Run offscreen:
//
//   QT_QPA_PLATFORM=offscreen screenshot OUT.png DOCUMENT.rtf [--german]

#include "app/frmmain.h"
#include "documents/documentcommands.h"
#include "evaluation/documentevaluator.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <pty.h>
#include <unistd.h>

namespace {

// Lets the event loop run for a while: coalesced redraws and layouts settle.
void settle(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool german = args.removeAll(QStringLiteral("--german")) > 0;
    if (args.size() != 2) {
        std::fputs("Usage: screenshot OUT.png DOCUMENT.rtf [--german]\n", stderr);
        return 2;
    }
    const QString output = QFileInfo(args.at(0)).absoluteFilePath();

    // A profile of its own: settings, method file (language) and a copy of the document, so
    // the caption shows no path of this machine. Channel 1 is a pseudo-terminal nobody
    // answers on, so the line opens without a message.
    QTemporaryDir profile(QDir::tempPath() + QStringLiteral("/kalumet-XXXXXX"));
    const QString document = profile.filePath(QFileInfo(args.at(1)).fileName());
    if (!profile.isValid() || !QFile::copy(args.at(1), document)) {
        std::fprintf(stderr, "screenshot: cannot copy %s\n", qPrintable(args.at(1)));
        return 1;
    }
    int master = -1, slave = -1;
    char device[256] = {};
    if (openpty(&master, &slave, device, nullptr, nullptr) != 0) {
        std::perror("screenshot: openpty");
        return 1;
    }
    QSettings store(profile.filePath(QStringLiteral("Kalumet.conf")), QSettings::IniFormat);
    store.setValue(QStringLiteral("Ports/Com1"), QString::fromLocal8Bit(device));
    QFile method(profile.filePath(QStringLiteral("lastmeth.kmt")));
    if (!method.open(QIODevice::WriteOnly))
        return 1;
    method.write(german ? "0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n1\r\n0\r\n"
                        : "0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n2\r\n0\r\n");
    method.close();
    QDir::setCurrent(profile.path());

    frmMain main(store);
    main.Form_Load();
    main.resize(1280, 760);
    main.show();
    // The document opens in a window of its own; the empty first one goes.
    main.documents().openFiles({document});
    const QList<QMdiSubWindow *> windows = main.mdiArea()->subWindowList();
    if (windows.size() != 2)
        return 1;
    windows.first()->close();
    main.mdiArea()->setActiveSubWindow(windows.last());
    windows.last()->showMaximized();
    settle(200);

    QEventLoop built;
    QObject::connect(&main.chartBuild(), &ChartBuild::finished, &built, &QEventLoop::quit);
    main.cmdChart_Click();
    if (main.chartBuild().isRunning())
        built.exec();
    main.cmdAbleit_Click();
    settle(500);

    const bool saved = main.grab().save(output);
    main.close();
    ::close(slave);
    ::close(master);
    if (!saved) {
        std::fprintf(stderr, "screenshot: cannot write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}
