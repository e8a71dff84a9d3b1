#include "ptyline.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

void makeRaw(int fd)
{
    termios tio {};
    if (::tcgetattr(fd, &tio) != 0)
        return;
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
}

} // namespace

PtyLine::PtyLine(const Options &options, std::mt19937 &random)
    : m_options(options)
    , m_random(random)
    , m_lastDue(Clock::now())
{ }

PtyLine::~PtyLine()
{
    hangUp();
}

bool PtyLine::open()
{
    char name[256] = {};
    if (::openpty(&m_master, &m_device, name, nullptr, nullptr) != 0)
        return false;
    // No echo and no line editing on either end: the program sees exactly what we send.
    makeRaw(m_master);
    makeRaw(m_device);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_path = name;
    return true;
}

void PtyLine::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_device >= 0)
        ::close(m_device);
    m_master = m_device = -1;
}

std::string PtyLine::garbageLine()
{
    std::uniform_int_distribution<int> length(4, 40);
    std::uniform_int_distribution<int> byte(1, 255);
    std::string line;
    for (int i = length(m_random); i > 0; --i) {
        const int c = byte(m_random);
        line.push_back(c == '\n' ? '#' : char(c));
    }
    return line + "\r\n";
}

void PtyLine::reply(const std::vector<std::string> &lines)
{
    if (lines.empty())
        return;
    std::string text = m_options.garbage ? garbageLine() : std::string();
    for (const std::string &line : lines)
        text += line;
    if (m_options.noLinefeedTail) {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
    }

    // Output starts after the delay and never before what is already queued.
    auto due = std::max(Clock::now(), m_lastDue) + std::chrono::milliseconds(m_options.delayMs);
    const auto perChar = m_options.baud > 0 ? std::chrono::microseconds(10'000'000 / m_options.baud)
                                            : std::chrono::microseconds(0);
    std::uniform_int_distribution<int> pieceLength(1, 3);
    std::uniform_int_distribution<int> pauseMs(1, 3);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t length = text.size() - pos;
        if (m_options.split)
            length = std::min<std::size_t>(length, pieceLength(m_random));
        else if (perChar.count() > 0)
            length = std::min<std::size_t>(length, 16);
        m_queue.push_back({text.substr(pos, length), due});
        pos += length;
        due += perChar * length;
        if (m_options.split)
            due += std::chrono::milliseconds(pauseMs(m_random));
    }
    m_lastDue = due;
}

void PtyLine::writeAll(const std::string &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += std::size_t(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd fd {m_master, POLLOUT, 0};
            ::poll(&fd, 1, 100);
        } else if (n < 0 && errno != EINTR) {
            return;
        }
    }
}

void PtyLine::writeDue()
{
    const auto now = Clock::now();
    while (!m_queue.empty() && m_queue.front().due <= now) {
        writeAll(m_queue.front().bytes);
        m_queue.pop_front();
    }
}

std::vector<std::string> PtyLine::serve(int maxWaitMs)
{
    int wait = maxWaitMs;
    if (!m_queue.empty()) {
        const auto untilDue = std::chrono::duration_cast<std::chrono::milliseconds>(
            m_queue.front().due - Clock::now());
        wait = std::clamp(int(untilDue.count()), 0, maxWaitMs);
    }
    pollfd fd {m_master, POLLIN, 0};
    std::vector<std::string> commands;
    if (::poll(&fd, 1, wait) > 0 && (fd.revents & POLLIN)) {
        char buffer[512];
        ssize_t n;
        while ((n = ::read(m_master, buffer, sizeof buffer)) > 0)
            m_input.append(buffer, std::size_t(n));
    }
    std::size_t lf;
    while ((lf = m_input.find('\n')) != std::string::npos) {
        std::string line = m_input.substr(0, lf);
        m_input.erase(0, lf + 1);
        // Seven bits on the wire; blanks and CR around a command mean nothing.
        for (char &c : line)
            c = char(c & 0x7f);
        const auto first = line.find_first_not_of(" \r\t");
        const auto last = line.find_last_not_of(" \r\t");
        commands.push_back(
            first == std::string::npos ? std::string() : line.substr(first, last - first + 1));
    }
    writeDue();
    return commands;
}
