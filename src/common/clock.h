#pragma once

#include <QDateTime>

// The time of day as the program reads it; tests hand in a clock of their own.
class Clock
{
public:
    virtual ~Clock() = default;
    // Seconds since midnight, with fractions.
    virtual double secondsSinceMidnight() const = 0;
    // Date and time of day, for texts that show them.
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock
{
public:
    double secondsSinceMidnight() const override
    {
        return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
    }
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
