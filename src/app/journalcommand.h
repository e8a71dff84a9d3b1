#pragma once

#include <QByteArray>
#include <QStringList>

class QIODevice;
class QSettings;

// The journal on the command line, without a window: --journal-list, --journal-show,
// --journal-import and --journal-copy, each on the journal --journal names (else the one of
// the settings, else the user's SQLite file). Exit status as for --evaluate: 0 done, 1 a
// write failed (or a copy's check), 2 wrong arguments or a journal that cannot be read.
namespace JournalCommand {

// Whether the arguments name a journal command (an argument starting with "--journal").
bool isRequested(const QStringList &arguments);

// The usage lines of the journal commands and their part of --help.
QByteArray usageLines();
QByteArray helpText();

// Runs the command on decoded arguments (without the program's name): output to `out`,
// messages to `err`. The journal without --journal is the one `settings` names.
int execute(
    const QStringList &arguments, QIODevice &out, QIODevice &err, const QSettings &settings);
// The same with the user's settings of the program.
int execute(const QStringList &arguments, QIODevice &out, QIODevice &err);

} // namespace JournalCommand
