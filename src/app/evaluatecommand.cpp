#include "evaluatecommand.h"

#include "app/journalchoice.h"
#include "app/journalcommand.h"
#include "app/titrantevaluation.h"
#include "app/version.h"
#include "batchevaluation.h"
#include "common/atomicfile.h"
#include "common/numbers.h"
#include "evaluation/resultsettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <QSettings>

#include <cmath>
#include <csignal>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace EvaluateCommand {

namespace {

constexpr int Success = 0;
constexpr int WriteFailed = 1;
constexpr int Failed = 2;

const char UsageLine[] = "Usage: kalumet --evaluate FILE.rtf [--csv OUT.csv | --format json "
                         "[--out OUT.json]] [method options]";

const char WindowUsageLine[]
    = "       kalumet [window options] [--journal URL] [--titrate] [--] [FILE.rtf ...]";

const char HelpText[] = R"(
Evaluates a saved Kalumet document without opening a window (no display needed): builds the
titration curve from the last data listing in the document (the line holding "t[s]" and the
rows below it) as the Chart button does, computes the first derivative as the derivative
button does and finds the equivalence point. Writes the chart's rows as CSV (UTF-8, a header
line, "," between fields, "." as decimal point, the equivalence point as a closing comment
line, then one comment line per recognised EP and one for the result) to OUT.csv or to
standard output. A document without a listing is read from the last table a run wrote into
it (the head "ml  pH  [s]" or "ml  mV  [s]" and its rows).

With --format json the evaluation is written as one JSON object instead: "unit", "points",
"derivative", "equivalence_points" (every EP with "volume_ml", "u_volume_ml", "value") and
"results" (the method's result with "ep", "value", "u", "unit", "expanded_u" and "k" (U = k * u,
k = 2) and "budget", each input's "source", "u" and "share_percent" of u squared; empty when
the method lacks a value the result unit needs).

Numbers in the listing are read in the system locale's number format (LC_NUMERIC, LANG), with
"." and "," both taken as the decimal separator, so a document saved under either notation
gives the same numbers.

Options:
  --evaluate FILE   the document to evaluate (an RTF file as Kalumet saves it)
  --csv OUT         write the CSV to OUT instead of standard output; an existing OUT is
                    replaced only once the new file is complete; a named pipe or
                    /dev/stdout is written to directly, other files that are not regular
                    files (devices) are refused
  --format FORMAT   csv (the default) or json
  --out OUT         write the JSON to OUT instead of standard output (as --csv)
  --method FILE     read the method from the group [Method] of an INI file; the options
                    below override its values
  --sample-size N   sample size, > 0, in the sample unit
  --sample-unit U   g or mL
  --titrant-concentration C   titrant concentration in mol/L, > 0
  --titer T         titer of the titrant, > 0 (default 1)
  --factor F        stoichiometric factor, mol analyte per mol titrant, > 0 (default 1)
  --molar-mass M    molar mass of the analyte in g/mol, > 0
  --blank V         blank volume in mL, >= 0 (default 0)
  --titrant-concentration-u P   standard uncertainty of the titrant concentration, % of
                    it, >= 0 (default 0; a journal titrant's titer brings its own u)
  --burette-systematic P   the burette's systematic error limit, % of the dosed volume,
                    >= 0 (default 0; counted as rectangular, u = P / sqrt(3))
  --burette-random P   the burette's random error (a standard deviation), % of the dosed
                    volume, >= 0 (default 0)
  --sample-size-u U   standard uncertainty of the sample size, in the sample unit, >= 0
  --blank-u U       standard uncertainty of the blank volume in mL, >= 0 (default 0)
  --result-ep N     the EP the result is taken from, 1 for the first (default 1)
  --result-unit U   mol/L, mmol/L, mmol, mg, g/L or %
  --ep-criterion K  strictness of the EP recognition, > 0 (default 1; larger wants
                    clearer jumps)
  --titrant NAME    the journal's titrant (of the journal --journal URL names, else the
                    one the settings name): its nominal
                    concentration and its newest valid titer replace the two values above;
                    each result then names the titer it took ("titer", or null and
                    "titer_note")
  -h, --help        show this text
  --version         show the version

Exit status: 0 on success; 1 when the output cannot be written; 2 when the document cannot be
read, is not RTF or holds no data listing, and for wrong arguments and method values (a
sample size of 0, a negative concentration, an unknown unit).

)";

const char HelpTail[] = R"(
Without these options Kalumet starts with its windows and opens the files named ("--" ends
the options: a file whose name starts with "-" follows it). The windows take Qt's own options
(-platform NAME, -style NAME, -session ID, -geometry WxH+X+Y, -reverse, ...); any other
argument that starts with "-" (besides --journal URL, the journal of the session, and
--titrate, which starts a titration run as Titr. Start does once the window is up) is taken
for the command line, and one it does not know ends
the program with status 2 and the usage, without a window.
)";

// Every form of the command line, for --help and after a wrong argument.
QByteArray usageText()
{
    return QByteArray(UsageLine) + '\n' + JournalCommand::usageLines() + WindowUsageLine + '\n';
}

bool startsWithOption(const char *argument, const char *name)
{
    const std::size_t length = std::strlen(name);
    return std::strncmp(argument, name, length) == 0
        && (argument[length] == '\0' || argument[length] == '=');
}

// The options Qt's application object takes for the windows, with one or two dashes; those
// with a value take the next argument unless written "-name=value".
struct WindowOption
{
    const char *name;
    bool takesValue;
};
constexpr WindowOption WindowOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowicon", true},
    {"qwindowtitle", true},
    {"geometry", true},
    {"display", true},
    {"name", true},
    {"title", true},
    {"icon", true},
    {"style", true},
    {"stylesheet", true},
    {"session", true},
    {"journal", true}, // the window's journal; --journal-list and the like are commands
    {"titrate", false}, // starts a titration run once the window is up
    {"qmljsdebugger", false}, // only as -qmljsdebugger=port:N
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
    {"sync", false},
};

const WindowOption *windowOption(const char *argument)
{
    const char *name = argument + (std::strncmp(argument, "--", 2) == 0 ? 2 : 1);
    for (const WindowOption &option : WindowOptions) {
        if (startsWithOption(name, option.name))
            return &option;
    }
    return nullptr;
}

void writeLine(QIODevice &device, const QString &text)
{
    device.write((text + u'\n').toUtf8());
}

int usageError(QIODevice &err, const QString &problem)
{
    writeLine(err, QStringLiteral("kalumet: ") + problem);
    err.write(usageText());
    writeLine(err, QStringLiteral("See kalumet --help."));
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

int writeDataTo(const QByteArray &data, const QString &target, QIODevice &out, QIODevice &err)
{
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

std::optional<double> numberArgument(const QString &text)
{
    const auto value = Numbers::toNumber(text.trimmed(), Numbers::Separators::dot());
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

// Numeric method options: name, whether 0 is allowed, where the value goes.
struct NumberOption
{
    const char *name;
    bool allowZero;
    double MethodValues::*target;
};
constexpr NumberOption NumberOptions[] = {
    {"sample-size", false, &MethodValues::sampleSize},
    {"titrant-concentration", false, &MethodValues::titrantConcentration},
    {"titer", false, &MethodValues::titer},
    {"factor", false, &MethodValues::stoichiometricFactor},
    {"molar-mass", false, &MethodValues::molarMass},
    {"blank", true, &MethodValues::blankVolume},
    {"titrant-concentration-u", true, &MethodValues::uTitrantConcentrationPercent},
    {"burette-systematic", true, &MethodValues::buretteSystematicPercent},
    {"burette-random", true, &MethodValues::buretteRandomPercent},
    {"sample-size-u", true, &MethodValues::uSampleSize},
    {"blank-u", true, &MethodValues::uBlankVolume},
};

bool problemWith(QString *problem, const QString &text)
{
    if (problem)
        *problem = text;
    return false;
}

} // namespace

bool isRequested(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (std::strcmp(a, "--") == 0)
            return false; // file names follow, even those that start with "-"
        if (a[0] != '-')
            continue;
        const WindowOption *option = windowOption(a);
        if (!option)
            return true;
        if (option->takesValue && !std::strchr(a, '='))
            ++i;
    }
    return false;
}

QStringList documentFiles(const QStringList &arguments)
{
    QStringList files = arguments;
    files.removeOne(QStringLiteral("--"));
    return files;
}

int run(int argc, char *argv[])
{
    // A reader that goes away makes the write fail with EPIPE, reported as any write error.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    // What the journal's audit trail records as the program's version.
    QCoreApplication::setApplicationVersion(QStringLiteral(KALUMET_VERSION));
    // On the descriptors, unbuffered: every write error shows where it happens. A closed
    // standard output fails at the first write, with a message.
    QFile out;
    QFile err;
    out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(STDERR_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    return execute(app.arguments().mid(1), out, err);
}

QByteArray helpText()
{
    return usageText() + HelpText + JournalCommand::helpText() + HelpTail;
}

int writeData(const QByteArray &data, const QString &target, QIODevice &out, QIODevice &err)
{
    return writeDataTo(data, target, out, err);
}

void addMethodOptions(QCommandLineParser &parser)
{
    parser.addOption(QCommandLineOption(QStringLiteral("method"), {}, QStringLiteral("file")));
    for (const char *name : {"sample-unit", "result-unit"})
        parser.addOption(QCommandLineOption(QLatin1String(name), {}, QStringLiteral("unit")));
    for (const NumberOption &o : NumberOptions)
        parser.addOption(QCommandLineOption(QLatin1String(o.name), {}, QStringLiteral("number")));
    for (const char *name : {"result-ep", "ep-criterion"})
        parser.addOption(QCommandLineOption(QLatin1String(name), {}, QStringLiteral("number")));
}

std::optional<ResultSettings> methodFromOptions(
    const QCommandLineParser &parser, QString *problem, const QVariantMap &base)
{
    QVariantMap values = base;
    const QString methodFile = QStringLiteral("method");
    if (parser.isSet(methodFile)) {
        const QString path = parser.value(methodFile);
        if (!QFileInfo(path).isFile() || !QFileInfo(path).isReadable()) {
            problemWith(problem,
                QStringLiteral("the method file \"%1\" cannot be read")
                    .arg(QDir::toNativeSeparators(path)));
            return std::nullopt;
        }
        QSettings ini(path, QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("Method"));
        for (const QString &key : ini.childKeys())
            values.insert(key, ini.value(key));
    }
    ResultSettings method = ResultSettings::fromValues(values);
    double resultEp = method.method.resultEp;
    struct Target
    {
        const char *name;
        bool allowZero;
        double *value;
    };
    std::vector<Target> targets;
    for (const NumberOption &o : NumberOptions)
        targets.push_back({o.name, o.allowZero, &(method.method.*o.target)});
    targets.push_back({"result-ep", false, &resultEp});
    targets.push_back({"ep-criterion", false, &method.epCriterion});
    for (const Target &o : targets) {
        const QString name = QLatin1String(o.name);
        if (!parser.isSet(name))
            continue;
        const auto value = numberArgument(parser.value(name));
        if (!value || *value < 0 || (*value == 0 && !o.allowZero)) {
            problemWith(problem,
                QStringLiteral("--%1 must be a number %2, not \"%3\"")
                    .arg(name,
                        o.allowZero ? QStringLiteral("of 0 or more")
                                    : QStringLiteral("greater than 0"),
                        parser.value(name)));
            return std::nullopt;
        }
        *o.value = *value;
    }
    if (resultEp != std::floor(resultEp) || resultEp > 1000) {
        problemWith(problem,
            QStringLiteral("--result-ep must be a whole number from 1, not \"%1\"")
                .arg(parser.value(QStringLiteral("result-ep"))));
        return std::nullopt;
    }
    method.method.resultEp = int(resultEp);
    const QString sampleUnit = QStringLiteral("sample-unit");
    if (parser.isSet(sampleUnit)) {
        const auto unit = TitrationResult::sampleUnitFromText(parser.value(sampleUnit));
        if (!unit) {
            problemWith(problem,
                QStringLiteral("unknown sample unit \"%1\": use g or mL")
                    .arg(parser.value(sampleUnit)));
            return std::nullopt;
        }
        method.method.sampleUnit
            = *unit == SampleUnit::Gram ? QStringLiteral("g") : QStringLiteral("mL");
    }
    const QString resultUnit = QStringLiteral("result-unit");
    if (parser.isSet(resultUnit)) {
        const auto unit = TitrationResult::resultUnitFromText(parser.value(resultUnit));
        if (!unit) {
            problemWith(problem,
                QStringLiteral("unknown result unit \"%1\": use %2")
                    .arg(parser.value(resultUnit),
                        TitrationResult::resultUnitTexts().join(QStringLiteral(", "))));
            return std::nullopt;
        }
        method.method.resultUnit = TitrationResult::resultUnitText(*unit);
    }
    return method;
}

int execute(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
    // --evaluate may name the journal its titrant comes from; every other use of --journal is
    // a journal command.
    const auto evaluates = [&arguments] {
        for (const QString &a : arguments) {
            if (a == QLatin1StringView("--"))
                return false;
            if (a == QLatin1StringView("--evaluate")
                || a.startsWith(QLatin1StringView("--evaluate=")))
                return true;
        }
        return false;
    };
    if (JournalCommand::isRequested(arguments) && !evaluates())
        return JournalCommand::execute(arguments, out, err);
    QCommandLineParser parser;
    const QCommandLineOption evaluate(QStringLiteral("evaluate"), {}, QStringLiteral("file"));
    const QCommandLineOption csv(QStringLiteral("csv"), {}, QStringLiteral("file"));
    const QCommandLineOption help(QStringList {QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption format(QStringLiteral("format"), {}, QStringLiteral("format"));
    const QCommandLineOption outFile(QStringLiteral("out"), {}, QStringLiteral("file"));
    const QCommandLineOption titrant(QStringLiteral("titrant"), {}, QStringLiteral("name"));
    const QCommandLineOption journal(QStringLiteral("journal"), {}, QStringLiteral("url"));
    parser.addOptions({evaluate, csv, help, version, format, outFile, titrant, journal});
    addMethodOptions(parser);
    if (!parser.parse(QStringList(QStringLiteral("kalumet")) + arguments))
        return usageError(err, parser.errorText());

    if (parser.isSet(help))
        return writeOut(out, helpText(), err);
    if (parser.isSet(version))
        return writeOut(out, "kalumet " KALUMET_VERSION "\n", err);
    if (!parser.isSet(evaluate))
        return usageError(err,
            QStringLiteral("--%1 needs --evaluate")
                .arg(parser.optionNames().isEmpty() ? QStringLiteral("csv")
                                                    : parser.optionNames().first()));
    for (const QString &name : parser.optionNames()) {
        if (parser.values(name).size() > 1)
            return usageError(err, QStringLiteral("--%1 may be given once").arg(name));
    }
    const bool json = parser.isSet(format)
        && parser.value(format).compare(QLatin1String("json"), Qt::CaseInsensitive) == 0;
    if (parser.isSet(format) && !json
        && parser.value(format).compare(QLatin1String("csv"), Qt::CaseInsensitive) != 0)
        return usageError(err,
            QStringLiteral("unknown format \"%1\": use csv or json").arg(parser.value(format)));
    if (json && parser.isSet(csv))
        return usageError(err, QStringLiteral("--csv writes CSV; with --format json use --out"));
    if (!json && parser.isSet(outFile))
        return usageError(err, QStringLiteral("--out needs --format json"));
    if (parser.isSet(outFile) && parser.value(outFile).isEmpty())
        return usageError(err, QStringLiteral("--out needs a file name"));

    QString problem;
    std::optional<ResultSettings> method = methodFromOptions(parser, &problem);
    if (!method)
        return usageError(err, problem);
    if (parser.isSet(titrant))
        method->method.titrant = parser.value(titrant).trimmed();
    std::optional<TitrantEvaluation> withTitrant;
    if (!method->method.titrant.isEmpty()) {
        const QSettings settings(
            QSettings::NativeFormat, QSettings::UserScope, programTitle(), programTitle());
        const auto location = JournalChoice::choose(
            parser.isSet(journal) ? std::optional<QString>(parser.value(journal)) : std::nullopt,
            settings, &problem);
        withTitrant = TitrantEvaluation::read(
            *method, location ? &*location : nullptr, QDateTime::currentDateTime());
        if (!location || !withTitrant->problem().isEmpty()) {
            writeLine(
                err, QStringLiteral("kalumet: ") + (location ? withTitrant->problem() : problem));
            return Failed;
        }
        method = withTitrant->method();
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(err,
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));
    const QString document = parser.value(evaluate);
    if (document.isEmpty())
        return usageError(err, QStringLiteral("--evaluate needs a file name"));
    if (parser.isSet(csv) && parser.value(csv).isEmpty())
        return usageError(err, QStringLiteral("--csv needs a file name"));

    BatchEvaluation::Result result = BatchEvaluation::evaluateFile(
        document, Numbers::Separators::fromLocale(QLocale()), *method);
    if (withTitrant) {
        result.titrant = method->method.titrant;
        result.titer = withTitrant->titerUsed();
    }
    if (!result.ok()) {
        writeLine(err, QStringLiteral("kalumet: ") + result.message);
        return Failed;
    }
    if (json)
        return writeData(BatchEvaluation::toJson(result), parser.value(outFile), out, err);
    return writeData(result.csv.toUtf8(), parser.value(csv), out, err);
}

} // namespace EvaluateCommand
