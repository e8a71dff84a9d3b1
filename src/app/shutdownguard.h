#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class frmMain;

// Ends the program as the main window's close box does when the system asks for it
// (SIGTERM, SIGINT, SIGHUP, the desktop session ending). A request that comes before the
// window is loaded is kept; the start-up closes the window right after its load.
class ShutdownGuard : public QObject
{
    Q_OBJECT
public:
    // `leaveEventLoops` makes every running and later dialog loop return at once.
    explicit ShutdownGuard(std::function<void()> leaveEventLoops, QObject *parent = nullptr);

    void setMainWindow(frmMain *window);
    bool isRequested() const { return m_requested; }

public Q_SLOTS:
    void request();

private:
    std::function<void()> m_leaveEventLoops;
    QPointer<frmMain> m_window;
    bool m_requested = false;
};
