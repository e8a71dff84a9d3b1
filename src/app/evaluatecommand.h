#pragma once

#include "evaluation/resultsettings.h"

#include <QByteArray>
#include <QStringList>
#include <QVariantMap>

#include <optional>

class QCommandLineParser;
class QIODevice;

// "kalumet --evaluate FILE.rtf [--csv OUT.csv]": a saved document evaluated and written as CSV
// without a window or a display. Also --help and --version, and the way to the journal's
// commands (JournalCommand).
namespace EvaluateCommand {

// Whether the arguments ask for the command line instead of the windows: any argument before
// "--" that starts with "-" and is not one of the windows' own options (-platform, -style,
// -session, ...). Looks at the raw arguments, so it can be asked before any application object
// exists.
bool isRequested(int argc, char *argv[]);

// The files the windows open from what the application object left of the arguments (without
// the program's name): all of them, without the first "--".
QStringList documentFiles(const QStringList &arguments);

// Runs the command under a QCoreApplication of its own; returns the exit status.
int run(int argc, char *argv[]);

// The command on decoded arguments (without the program's name): the CSV or the help text to
// `out`, messages to `err`. 0 on success, 1 when the CSV cannot be written, 2 when the document
// cannot be read or holds no listing, and for wrong arguments.
int execute(const QStringList &arguments, QIODevice &out, QIODevice &err);

// The text of --help.
QByteArray helpText();

// The method options (--method FILE, --sample-size, ... --ep-criterion), shared with the
// journal's import.
void addMethodOptions(QCommandLineParser &parser);
// The method they give, over the values `base` holds by their keys in the group "Method" (the
// defaults where it has none); empty with `problem` set for a value that makes no sense.
std::optional<ResultSettings> methodFromOptions(
    const QCommandLineParser &parser, QString *problem, const QVariantMap &base = {});

// `data` to the file `target` (replaced only once complete; a pipe is written to directly) or,
// with no target or /dev/stdout, to `out`. 0, or 1 with a message on `err`.
int writeData(const QByteArray &data, const QString &target, QIODevice &out, QIODevice &err);

} // namespace EvaluateCommand
