#pragma once

#include <QTimer>

// The timer that drives the run: its interval and whether it ticks. The window owns the
// real timer; tests hand in one that only records what the run set.
class RunTimer
{
public:
    virtual ~RunTimer() = default;
    virtual int interval() const = 0;
    virtual void setInterval(int milliseconds) = 0;
    virtual bool isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
};

// A QTimer seen as the run's timer. Setting the interval of a ticking timer restarts its
// count, as the run expects when it switches between its two rhythms.
class QTimerRunTimer final : public RunTimer
{
public:
    explicit QTimerRunTimer(QTimer &timer)
        : m_timer(timer)
    { }
    int interval() const override { return m_timer.interval(); }
    void setInterval(int milliseconds) override { m_timer.setInterval(milliseconds); }
    bool isEnabled() const override { return m_timer.isActive(); }
    void setEnabled(bool enabled) override
    {
        if (enabled && !m_timer.isActive())
            m_timer.start();
        else if (!enabled)
            m_timer.stop();
    }

private:
    QTimer &m_timer;
};
