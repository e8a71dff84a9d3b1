#pragma once

#include <QString>

// The outcome of an operation on the line: done, or failed with the system's reason. The window
// that started the operation decides what the user sees.
struct LinkStatus
{
    bool ok = true;
    QString reason;

    static LinkStatus done() { return {}; }
    static LinkStatus failure(const QString &reason) { return {false, reason}; }
};
