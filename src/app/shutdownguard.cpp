#include "shutdownguard.h"

#include "app/frmmain.h"

ShutdownGuard::ShutdownGuard(std::function<void()> leaveEventLoops, QObject *parent)
    : QObject(parent)
    , m_leaveEventLoops(std::move(leaveEventLoops))
{ }

void ShutdownGuard::setMainWindow(frmMain *window)
{
    m_window = window;
}

void ShutdownGuard::request()
{
    m_requested = true;
    // First leave the loops, so that a message box the unload may show cannot hold it up.
    if (m_leaveEventLoops)
        m_leaveEventLoops();
    if (m_window && m_window->isLoaded())
        m_window->close();
}
