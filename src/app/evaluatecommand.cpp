#include "evaluatecommand.h"

#include "common/atomicfile.h"
#include "common/numbers.h"
#include "evaluation/batchevaluation.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>

#include <cstdio>
#include <cstring>

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
                    replaced only once the new file is complete
  -h, --help        show this text
  --version         show the version

Exit status: 0 on success; 1 when the CSV cannot be written; 2 when the document cannot be
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

int writeCsv(const QString &csv, const QString &target, QIODevice &out, QIODevice &err)
{
    const QByteArray data = csv.toUtf8();
    if (target.isEmpty()) {
        if (out.write(data) != data.size()) {
            writeLine(err, QStringLiteral("kalumet: cannot write to standard output"));
            return WriteFailed;
        }
        return Success;
    }
    QString reason;
    if (!AtomicFile::write(target, data, &reason)) {
        writeLine(err,
            QStringLiteral("kalumet: The file \"%1\" cannot be written: %2")
                .arg(QDir::toNativeSeparators(target), reason));
        return WriteFailed;
    }
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
    QCoreApplication app(argc, argv);
    QFile out;
    QFile err;
    if (!out.open(stdout, QIODevice::WriteOnly) || !err.open(stderr, QIODevice::WriteOnly))
        return Failed;
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

    if (parser.isSet(help)) {
        out.write(QByteArray(UsageLine) + HelpText);
        return Success;
    }
    if (parser.isSet(version)) {
        writeLine(out, QStringLiteral("kalumet " KALUMET_VERSION));
        return Success;
    }
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
