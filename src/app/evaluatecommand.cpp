#include "evaluatecommand.h"

#include "batchevaluation.h"
#include "common/atomicfile.h"
#include "common/numbers.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>

#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace EvaluateCommand {

namespace {

constexpr int Success = 0;
constexpr int WriteFailed = 1;
constexpr int Failed = 2;

const char UsageLine[] = "Usage: kalumet --evaluate FILE.rtf [--csv OUT.csv]";

const char HelpText[] = R"(
       kalumet [FILE.rtf ...]

Evaluates a saved Kalumet document without opening a window (no display needed): builds the
titration curve from the last data listing in the document (the line holding "t[s]" and the
rows below it) as the Chart button does, computes the first derivative as the derivative
button does and finds the equivalence point. Writes the chart's rows as CSV (UTF-8, a header
line, "," between fields, "." as decimal point, the equivalence point as a closing comment
line) to OUT.csv or to standard output.

Numbers in the listing are read in the system locale's number format (LC_NUMERIC, LANG), with
"." and "," both taken as the decimal separator, so a document saved under either notation
gives the same numbers.

Options:
  --evaluate FILE   the document to evaluate (an RTF file as Kalumet saves it)
  --csv OUT         write the CSV to OUT instead of standard output; an existing OUT is
                    replaced only once the new file is complete; a named pipe or
                    /dev/stdout is written to directly, other files that are not regular
                    files (devices) are refused
  -h, --help        show this text
  --version         show the version

Exit status: 0 on success; 1 when the output cannot be written; 2 when the document cannot be
read, is not RTF or holds no data listing, and for wrong arguments.

Without these options Kalumet starts with its windows and opens the files named.
)";

bool startsWithOption(const char *argument, const char *name)
{
    const std::size_t length = std::strlen(name);
    return std::strncmp(argument, name, length) == 0
        && (argument[length] == '\0' || argument[length] == '=');
}

void writeLine(QIODevice &device, const QString &text)
{
    device.write((text + u'\n').toUtf8());
}

int usageError(QIODevice &err, const QString &problem)
{
    writeLine(err, QStringLiteral("kalumet: ") + problem);
    writeLine(err, QString::fromLatin1(UsageLine) + QStringLiteral(" (see kalumet --help)"));
    return Failed;
}

// Standard output is unbuffered, so a failed write shows here and not in a flush at exit.
int writeOut(QIODevice &out, const QByteArray &data, QIODevice &err)
{
    if (out.write(data) == data.size())
        return Success;
    writeLine(err,
        QStringLiteral("kalumet: ")
            + QCoreApplication::translate("EvaluateCommand", "cannot write to standard output: %1")
                  .arg(out.errorString()));
    return WriteFailed;
}

int cannotWrite(const QString &target, const QString &reason, QIODevice &err)
{
    writeLine(err,
        QStringLiteral("kalumet: The file \"%1\" cannot be written: %2")
            .arg(QDir::toNativeSeparators(target), reason));
    return WriteFailed;
}

bool isFifo(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

int writeCsv(const QString &csv, const QString &target, QIODevice &out, QIODevice &err)
{
    const QByteArray data = csv.toUtf8();
    if (target.isEmpty() || target == QLatin1StringView("/dev/stdout"))
        return writeOut(out, data, err);
    // A pipe takes the data as a stream; replacing it would cut off its reader. Other files
    // that are not regular ones (devices) are refused by the atomic write.
    if (isFifo(target)) {
        QFile fifo(target);
        if (!fifo.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
            || fifo.write(data) != data.size())
            return cannotWrite(target, fifo.errorString(), err);
        return Success;
    }
    QString reason;
    if (!AtomicFile::write(target, data, &reason))
        return cannotWrite(target, reason, err);
    return Success;
}

} // namespace

bool isRequested(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (startsWithOption(a, "--evaluate") || startsWithOption(a, "--csv")
            || std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0
            || std::strcmp(a, "--version") == 0)
            return true;
    }
    return false;
}

int run(int argc, char *argv[])
{
    // A reader that goes away makes the write fail with EPIPE, reported as any write error.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    // On the descriptors, unbuffered: every write error shows where it happens. A closed
    // standard output fails at the first write, with a message.
    QFile out;
    QFile err;
    out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    return execute(app.arguments().mid(1), out, err);
}

int execute(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
    QCommandLineParser parser;
    const QCommandLineOption evaluate(QStringLiteral("evaluate"), {}, QStringLiteral("file"));
    const QCommandLineOption csv(QStringLiteral("csv"), {}, QStringLiteral("file"));
    const QCommandLineOption help(QStringList {QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({evaluate, csv, help, version});
    if (!parser.parse(QStringList(QStringLiteral("kalumet")) + arguments))
        return usageError(err, parser.errorText());

    if (parser.isSet(help))
        return writeOut(out, QByteArray(UsageLine) + HelpText, err);
    if (parser.isSet(version))
        return writeOut(out, "kalumet " KALUMET_VERSION "\n", err);
    if (!parser.isSet(evaluate))
        return usageError(err, QStringLiteral("--csv needs --evaluate"));
    if (parser.values(evaluate).size() > 1 || parser.values(csv).size() > 1)
        return usageError(err, QStringLiteral("--evaluate and --csv may each be given once"));
    if (!parser.positionalArguments().isEmpty())
        return usageError(err,
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
    const QString document = parser.value(evaluate);
    if (document.isEmpty())
        return usageError(err, QStringLiteral("--evaluate needs a file name"));
    if (parser.isSet(csv) && parser.value(csv).isEmpty())
        return usageError(err, QStringLiteral("--csv needs a file name"));

    const BatchEvaluation::Result result
        = BatchEvaluation::evaluateFile(document, Numbers::Separators::fromLocale(QLocale()));
    if (!result.ok()) {
        writeLine(err, QStringLiteral("kalumet: ") + result.message);
        return Failed;
    }
    return writeCsv(result.csv, parser.value(csv), out, err);
}

} // namespace EvaluateCommand
