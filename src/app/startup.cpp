#include "startup.h"

#include "app/evaluatecommand.h"
#include "app/frmmain.h"
#include "app/frmsplash.h"
#include "app/journalsession.h"
#include "app/shutdownguard.h"
#include "app/signalwatcher.h"
#include "app/splashwait.h"
#include "app/version.h"
#include "common/clock.h"
#include "documents/documentcommands.h"

#include <QApplication>
#include <QSessionManager>
#include <QSettings>
#include <QTimer>

#include <csignal>

int Main(int argc, char *argv[])
{
    // Under a file size limit (ulimit -f) a write that passes it then fails with EFBIG, which
    // every save reports, instead of ending the program with its unsaved documents.
    std::signal(SIGXFSZ, SIG_IGN);

    // The command line (--evaluate, the journal, --help, and any option the windows do not
    // know) needs no display: decided before any GUI object.
    if (EvaluateCommand::isRequested(argc, argv))
        return EvaluateCommand::run(argc, argv);

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(programTitle());
    QCoreApplication::setApplicationName(programTitle());
    QCoreApplication::setApplicationVersion(QStringLiteral(KALUMET_VERSION));

    // SIGTERM, SIGINT, SIGHUP and the end of the desktop session close the main window as its
    // close box does; exit() makes any dialog the load may open return at once.
    ShutdownGuard shutdown([] { QCoreApplication::exit(0); });
    SignalWatcher watcher;
    QObject::connect(
        &watcher, &SignalWatcher::terminationRequested, &shutdown, &ShutdownGuard::request);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &shutdown,
        [&shutdown](QSessionManager &) { shutdown.request(); });

    frmSplash splash;
    splash.Form_Load();
    splash.show();
    splash.repaint();

    // The wait sleeps between events instead of spinning; the ticks wake it to read the clock.
    QTimer tick;
    tick.start(50);
    const SystemClock clock;
    splashWait(
        clock,
        [] {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        },
        [&] { return shutdown.isRequested(); });
    tick.stop();

    QSettings store(QSettings::NativeFormat, QSettings::UserScope, programTitle(), programTitle());
    frmMain main(store);
    main.Form_Load();
    // --journal URL names the journal of this session; the other arguments are files.
    QStringList arguments;
    main.openJournal(JournalSession::journalArgument(app.arguments().mid(1), &arguments));
    splash.close();

    int code = 0;
    if (shutdown.isRequested()) {
        main.close();
    } else {
        shutdown.setMainWindow(&main);
        main.show();
        main.raise();
        main.activateWindow();
        // Files named on the command line ("Open with") open in documents of their own, from
        // within the event loop, so that a shutdown request also ends a message they cause.
        // --titrate starts a run at once, for a titration started by a script.
        const qsizetype optionsEnd = arguments.indexOf(QStringLiteral("--"));
        const qsizetype titrate = arguments.indexOf(QStringLiteral("--titrate"));
        const bool startRun = titrate >= 0 && (optionsEnd < 0 || titrate < optionsEnd);
        if (startRun)
            arguments.removeAt(titrate);
        QTimer::singleShot(
            0, &main, [&main, startRun, files = EvaluateCommand::documentFiles(arguments)] {
                main.documents().openFiles(files);
                if (startRun)
                    main.cmdTitration_Click();
            });
        // Whatever ends the event loop, the unload steps run.
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &main, [&main] { main.close(); });
        code = app.exec();
        main.close();
    }
    return code;
}
