#pragma once

#include <QString>

// Where titrator commands go: the command text (letters and argument, without CR LF) is framed
// with CR LF, kept as the last command sent, and written to the port in one write.
class CommandSink
{
public:
    virtual ~CommandSink() = default;
    // False, with a reason, when the command was not written (a character that cannot be
    // sent, port closed or gone).
    virtual bool sendCommand(const QString &command, QString *error = nullptr) = 0;
};
