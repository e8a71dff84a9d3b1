#pragma once

#include <QStringList>

class QIODevice;

// "kalumet --evaluate FILE.rtf [--csv OUT.csv]": a saved document evaluated and written as CSV
// without a window or a display. Also --help and --version.
namespace EvaluateCommand {

// Whether the arguments ask for the command line instead of the windows. Looks at the raw
// arguments, so it can be asked before any application object exists.
bool isRequested(int argc, char *argv[]);

// Runs the command under a QCoreApplication of its own; returns the exit status.
int run(int argc, char *argv[]);

// The command on decoded arguments (without the program's name): the CSV or the help text to
// `out`, messages to `err`. 0 on success, 1 when the CSV cannot be written, 2 when the document
// cannot be read or holds no listing, and for wrong arguments.
int execute(const QStringList &arguments, QIODevice &out, QIODevice &err);

} // namespace EvaluateCommand
