#pragma once

#include <chrono>
#include <deque>
#include <random>
#include <string>
#include <vector>

// The simulator's end of a pseudo-terminal: both ends in raw mode, the device end kept open by
// the simulator too, so the program may close and reopen it without hanging the line up.
// Replies wait in a queue and go out when due, paced or split as the options say.
class PtyLine
{
public:
    using Clock = std::chrono::steady_clock;

    struct Options
    {
        int delayMs = 0; // before each reply
        bool split = false; // pieces of 1 to 3 characters with small pauses
        int baud = 0; // pace the output like a line of this speed; 0: as fast as possible
        bool garbage = false; // a line of random bytes before each reply
        bool noLinefeedTail = false; // the last line of a reply without CR LF
    };

    PtyLine(const Options &options, std::mt19937 &random);
    ~PtyLine();

    // Opens the pair; false with errno set when the system has none to give.
    bool open();
    const std::string &devicePath() const { return m_path; }

    // Queues the lines of one reply.
    void reply(const std::vector<std::string> &lines);
    bool idle() const { return m_queue.empty(); }

    // Waits for input or the next due output (at most `maxWaitMs`), writes what is due and
    // returns the complete command lines received, without CR LF.
    std::vector<std::string> serve(int maxWaitMs);

    void hangUp();

private:
    struct Piece
    {
        std::string bytes;
        Clock::time_point due;
    };

    void writeDue();
    void writeAll(const std::string &bytes);
    std::string garbageLine();

    Options m_options;
    std::mt19937 &m_random;
    int m_master = -1;
    int m_device = -1;
    std::string m_path;
    std::string m_input;
    std::deque<Piece> m_queue;
    Clock::time_point m_lastDue;
};
