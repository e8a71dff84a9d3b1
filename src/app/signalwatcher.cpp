#include "signalwatcher.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int s_fds[2] = {-1, -1}; // [0] written by the handler, [1] read on the UI thread
constexpr std::array<int, 3> Watched = {SIGTERM, SIGINT, SIGHUP};

extern "C" void onSignal(int number)
{
    const int savedErrno = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t n = ::write(s_fds[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

SignalWatcher::SignalWatcher(QObject *parent)
    : QObject(parent)
{
    if (s_fds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_fds) != 0)
        return;
    // A full socket must never block the handler; the byte is then dropped, and the ones
    // already waiting will do.
    ::fcntl(s_fds[0], F_SETFL, ::fcntl(s_fds[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(s_fds[1], F_SETFL, ::fcntl(s_fds[1], F_GETFL) | O_NONBLOCK);

    m_notifier = new QSocketNotifier(s_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::readPending);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : Watched)
        ::sigaction(number, &action, nullptr);
}

SignalWatcher::~SignalWatcher()
{
    if (!m_notifier)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int number : Watched)
        ::sigaction(number, &action, nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(s_fds[0]);
    ::close(s_fds[1]);
    s_fds[0] = s_fds[1] = -1;
}

void SignalWatcher::readPending()
{
    char byte = 0;
    while (::read(s_fds[1], &byte, 1) == 1)
        Q_EMIT terminationRequested(int(byte));
}
