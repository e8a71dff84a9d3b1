#include "journalcommand.h"

#include "app/evaluatecommand.h"
#include "app/journalchoice.h"
#include "app/journalcsv.h"
#include "app/journalevaluatecommand.h"
#include "app/journalimport.h"
#include "app/journaljson.h"
#include "app/journalverify.h"
#include "app/version.h"
#include "journal/journalcopy.h"
#include "journal/journalstore.h"
#include "journal/journaltexts.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QIODevice>
#include <QLocale>
#include <QSet>
#include <QSettings>

namespace JournalCommand {

namespace {

constexpr int Success = 0;
constexpr int WriteFailed = 1;
constexpr int Failed = 2;

void writeLine(QIODevice &device, const QString &text)
{
    device.write((text + u'\n').toUtf8());
}

int usageError(QIODevice &err, const QString &problem)
{
    writeLine(err, QStringLiteral("kalumet: ") + problem);
    err.write(QByteArray("Usage:") + usageLines().mid(6));
    writeLine(err, QStringLiteral("See kalumet --help."));
    return Failed;
}

int failed(QIODevice &err, const QString &message, int status = Failed)
{
    writeLine(err, QStringLiteral("kalumet: ") + message);
    return status;
}

int writeText(QIODevice &out, QIODevice &err, const QString &text)
{
    return EvaluateCommand::writeData((text + u'\n').toUtf8(), {}, out, err);
}

// Opens the journal; a message and status 2 when it cannot be used.
int openJournal(JournalStore &store, bool create, QIODevice &err)
{
    const JournalStore::OpenResult opened = store.open(create);
    if (!opened.ok())
        return failed(err, opened.message);
    if (!opened.backupFile.isEmpty())
        writeLine(err,
            QStringLiteral("kalumet: ")
                + QCoreApplication::translate("JournalCommand",
                    "The journal was brought to the current version; its copy before: %1")
                      .arg(QDir::toNativeSeparators(opened.backupFile)));
    return Success;
}

// The audit trail's newest hash, read after what it pins.
QByteArray newestHash(JournalStore &store)
{
    const std::optional<Audit::Link> link = store.newestLink();
    return link ? link->hash : QByteArray();
}

std::optional<QDate> dayOption(
    const QCommandLineParser &parser, const QString &name, QIODevice &err, bool *wrong)
{
    if (!parser.isSet(name))
        return QDate();
    const QDate day = QDate::fromString(parser.value(name), Qt::ISODate);
    if (day.isValid())
        return day;
    *wrong = true;
    usageError(err,
        QCoreApplication::translate("JournalCommand", "--%1 needs a day as YYYY-MM-DD, not \"%2\"")
            .arg(name, parser.value(name)));
    return std::nullopt;
}

int listRuns(JournalStore &store, const QCommandLineParser &parser, QIODevice &out, QIODevice &err)
{
    JournalStore::RunFilter filter;
    filter.sample = parser.value(QStringLiteral("sample"));
    filter.method = parser.value(QStringLiteral("method"));
    bool wrong = false;
    filter.since = dayOption(parser, QStringLiteral("since"), err, &wrong).value_or(QDate());
    if (wrong)
        return Failed;
    filter.until = dayOption(parser, QStringLiteral("until"), err, &wrong).value_or(QDate());
    if (wrong)
        return Failed;
    if (filter.since.isValid() && filter.until.isValid() && filter.since > filter.until)
        return usageError(err,
            QCoreApplication::translate("JournalCommand", "--since %1 is after --until %2")
                .arg(parser.value(QStringLiteral("since")), parser.value(QStringLiteral("until"))));
    const QString format = parser.value(QStringLiteral("format")).toLower();
    if (!format.isEmpty() && format != QLatin1StringView("csv")
        && format != QLatin1StringView("json"))
        return usageError(err,
            QCoreApplication::translate("JournalCommand", "unknown format \"%1\": use csv or json")
                .arg(parser.value(QStringLiteral("format"))));
    if (const int status = openJournal(store, false, err); status != Success)
        return status;
    // Counted first: an empty list must mean no runs, not a failed read.
    const int count = store.countRuns(filter);
    const std::vector<JournalStore::RunSummary> runs
        = count > 0 ? store.listRuns(filter) : std::vector<JournalStore::RunSummary>();
    if (count < 0 || (count > 0 && runs.empty()))
        return failed(err,
            QCoreApplication::translate("JournalCommand", "The journal \"%1\" cannot be read: %2")
                .arg(store.location().displayName(), store.lastError()));
    const QByteArray data = format == QLatin1StringView("json")
        ? JournalJson::list(runs, newestHash(store))
        : JournalCsv::list(runs);
    return EvaluateCommand::writeData(data, parser.value(QStringLiteral("out")), out, err);
}

int showRun(JournalStore &store, const QCommandLineParser &parser, QIODevice &out, QIODevice &err)
{
    const QString name = parser.value(QStringLiteral("journal-show")).trimmed();
    if (name.isEmpty())
        return usageError(
            err, QCoreApplication::translate("JournalCommand", "--journal-show needs a run's id"));
    if (const int status = openJournal(store, false, err); status != Success)
        return status;
    bool number = false;
    std::optional<qint64> id = name.toLongLong(&number);
    if (!number)
        id = store.runIdOf(name);
    const auto record = id ? store.run(*id) : std::nullopt;
    if (!record)
        return failed(err,
            QCoreApplication::translate("JournalCommand", "The journal \"%1\" has no run %2 (%3).")
                .arg(store.location().displayName(), name, store.lastError()));
    return EvaluateCommand::writeData(JournalJson::run(*record, newestHash(store)),
        parser.value(QStringLiteral("out")), out, err);
}

int importFiles(
    JournalStore &store, const QCommandLineParser &parser, QIODevice &out, QIODevice &err)
{
    const QStringList files
        = parser.values(QStringLiteral("journal-import")) + parser.positionalArguments();
    QString problem;
    const std::optional<ResultSettings> method
        = EvaluateCommand::methodFromOptions(parser, &problem);
    if (!method)
        return usageError(err, problem);
    for (const QString &file : files) {
        if (file.isEmpty())
            return usageError(err,
                QCoreApplication::translate("JournalCommand", "--journal-import needs file names"));
    }
    if (const int status = openJournal(store, true, err); status != Success)
        return status;
    const JournalImport::Request request {parser.value(QStringLiteral("sample")), *method,
        Numbers::Separators::fromLocale(QLocale()),
        Journal::currentOrigin(QStringLiteral(KALUMET_VERSION))};
    int status = Success;
    for (const QString &file : files) {
        const JournalImport::Outcome outcome = JournalImport::importFile(store, file, request);
        const QString shown = QDir::toNativeSeparators(file);
        switch (outcome.status) {
        case JournalImport::Outcome::Imported:
            if (writeText(out, err,
                    QCoreApplication::translate(
                        "JournalCommand", "\"%1\": run %2, %3 readings, %4 EPs")
                        .arg(shown)
                        .arg(outcome.runId)
                        .arg(outcome.readings)
                        .arg(outcome.eps))
                != Success)
                return WriteFailed;
            break;
        case JournalImport::Outcome::AlreadyThere:
            if (writeText(out, err,
                    QCoreApplication::translate(
                        "JournalCommand", "\"%1\": in the journal already as run %2")
                        .arg(shown)
                        .arg(outcome.runId))
                != Success)
                return WriteFailed;
            break;
        case JournalImport::Outcome::Unreadable:
            failed(err, outcome.message);
            status = Failed;
            break;
        case JournalImport::Outcome::WriteFailed:
            return failed(err,
                QCoreApplication::translate("JournalCommand",
                    "The journal \"%1\" cannot be written: %2; \"%3\" and the files after it "
                    "were not taken.")
                    .arg(store.location().displayName(), outcome.message, shown),
                WriteFailed);
        }
    }
    return status;
}

QString checkLine(const JournalCopy::TableDigest &digest, const char *side)
{
    return QStringLiteral("%1\t%2\t%3\t%4")
        .arg(digest.table, QLatin1StringView(side))
        .arg(digest.rows)
        .arg(QString::fromLatin1(digest.sha256));
}

int copyJournal(
    JournalStore &source, const QCommandLineParser &parser, QIODevice &out, QIODevice &err)
{
    QString problem;
    const QString to = parser.value(QStringLiteral("to"));
    if (!parser.isSet(QStringLiteral("to")))
        return usageError(
            err, QCoreApplication::translate("JournalCommand", "--journal-copy needs --to URL"));
    const auto target = JournalLocation::parse(to, &problem);
    if (!target)
        return usageError(err, QStringLiteral("--to: ") + problem);
    if (const int status = openJournal(source, false, err); status != Success)
        return status;
    if (*target == source.location())
        return failed(err,
            QCoreApplication::translate(
                "JournalCommand", "The journal \"%1\" cannot be copied onto itself.")
                .arg(target->displayName()));
    JournalStore copy(*target);
    if (const int status = openJournal(copy, true, err); status != Success)
        return status;
    const JournalCopy::Outcome outcome = JournalCopy::copy(source, copy);
    QString report
        = outcome.checks.empty() ? QString() : QStringLiteral("table\tjournal\trows\tSHA-256\n");
    for (const JournalCopy::TableCheck &check : outcome.checks) {
        report += checkLine(check.source, "source") + u'\n';
        report += checkLine(check.target, "copy") + u'\t'
            + (check.matches() ? QStringLiteral("same") : QStringLiteral("DIFFERENT")) + u'\n';
    }
    if (!report.isEmpty() && writeText(out, err, report.chopped(1)) != Success)
        return WriteFailed;
    switch (outcome.status) {
    case JournalCopy::Status::Ok:
        return writeText(out, err,
            QCoreApplication::translate("JournalCommand",
                "Copied \"%1\" to \"%2\"; every table of the copy is the same as its source's.")
                .arg(source.location().displayName(), target->displayName()));
    case JournalCopy::Status::SameJournal:
    case JournalCopy::Status::TargetNotEmpty:
    case JournalCopy::Status::ReadFailed:
        return failed(err, outcome.message);
    case JournalCopy::Status::WriteFailed:
    case JournalCopy::Status::CheckFailed:
        break;
    }
    return failed(err, outcome.message, WriteFailed);
}

} // namespace

bool isRequested(const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        if (argument == QLatin1StringView("--"))
            return false;
        if (argument.startsWith(QLatin1StringView("--journal")))
            return true;
    }
    return false;
}

int execute(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
    const QSettings settings(
        QSettings::NativeFormat, QSettings::UserScope, programTitle(), programTitle());
    return execute(arguments, out, err, settings);
}

int execute(const QStringList &arguments, QIODevice &out, QIODevice &err, const QSettings &settings)
{
    QCommandLineParser parser;
    const auto valued = [](const char *name, const char *value) {
        return QCommandLineOption(QLatin1String(name), {}, QLatin1String(value));
    };
    const QCommandLineOption help(QStringList {QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({help, QCommandLineOption(QStringLiteral("version")),
        valued("journal", "url"), QCommandLineOption(QStringLiteral("journal-list")),
        valued("journal-show", "run"), valued("journal-import", "file"),
        QCommandLineOption(QStringLiteral("journal-copy")), valued("to", "url"),
        valued("sample", "id"), valued("since", "day"), valued("until", "day"),
        valued("format", "format"), valued("out", "file"), valued("journal-evaluate", "run"),
        valued("reason", "text"), QCommandLineOption(QStringLiteral("journal-verify"))});
    EvaluateCommand::addMethodOptions(parser);
    if (!parser.parse(QStringList(QStringLiteral("kalumet")) + arguments))
        return usageError(err, parser.errorText());
    if (parser.isSet(help))
        return EvaluateCommand::writeData(EvaluateCommand::helpText(), {}, out, err);
    if (parser.isSet(QStringLiteral("version")))
        return EvaluateCommand::writeData("kalumet " KALUMET_VERSION "\n", {}, out, err);

    // Each command with the options that go with it; --journal goes with all.
    const QSet<QString> methodOptions {QStringLiteral("method"), QStringLiteral("sample-size"),
        QStringLiteral("sample-unit"), QStringLiteral("titrant-concentration"),
        QStringLiteral("titer"), QStringLiteral("factor"), QStringLiteral("molar-mass"),
        QStringLiteral("blank"), QStringLiteral("result-ep"), QStringLiteral("result-unit"),
        QStringLiteral("ep-criterion")};
    const QList<std::pair<QString, QSet<QString>>> commands {
        {QStringLiteral("journal-list"),
            {QStringLiteral("sample"), QStringLiteral("since"), QStringLiteral("until"),
                QStringLiteral("format"), QStringLiteral("out"), QStringLiteral("method")}},
        {QStringLiteral("journal-show"), {QStringLiteral("out")}},
        {QStringLiteral("journal-import"), methodOptions + QSet {QStringLiteral("sample")}},
        {QStringLiteral("journal-copy"), {QStringLiteral("to")}},
        {QStringLiteral("journal-verify"), {}},
        {QStringLiteral("journal-evaluate"),
            methodOptions + QSet {QStringLiteral("reason"), QStringLiteral("out")}},
    };
    QStringList given;
    QSet<QString> allowed {QStringLiteral("journal")};
    for (const auto &[command, options] : commands) {
        if (parser.isSet(command)) {
            given << command;
            allowed += options + QSet {command};
        }
    }
    if (given.isEmpty())
        return usageError(err,
            QCoreApplication::translate("JournalCommand",
                "--journal needs one of --journal-list, --journal-show, --journal-import, "
                "--journal-copy, --journal-evaluate and --journal-verify"));
    if (given.size() > 1)
        return usageError(err,
            QCoreApplication::translate("JournalCommand", "--%1 and --%2 cannot go together")
                .arg(given.at(0), given.at(1)));
    for (const QString &name : parser.optionNames()) {
        if (!allowed.contains(name))
            return usageError(err,
                QCoreApplication::translate("JournalCommand", "--%1 does not go with --%2")
                    .arg(name, given.first()));
        if (name != QLatin1StringView("journal-import") && parser.values(name).size() > 1)
            return usageError(err,
                QCoreApplication::translate("JournalCommand", "--%1 may be given once").arg(name));
    }
    if (given.first() != QLatin1StringView("journal-import")
        && !parser.positionalArguments().isEmpty())
        return usageError(err,
            QCoreApplication::translate("JournalCommand", "unexpected argument \"%1\"")
                .arg(parser.positionalArguments().first()));

    if (parser.isSet(QStringLiteral("out")) && parser.value(QStringLiteral("out")).isEmpty())
        return usageError(
            err, QCoreApplication::translate("JournalCommand", "--out needs a file name"));

    QString problem;
    const QString journalOption = QStringLiteral("journal");
    const auto location = JournalChoice::choose(parser.isSet(journalOption)
            ? std::optional<QString>(parser.value(journalOption))
            : std::nullopt,
        settings, &problem);
    if (!location)
        return usageError(err, problem);
    JournalStore store(*location);
    const QString &command = given.first();
    if (command == QLatin1StringView("journal-list"))
        return listRuns(store, parser, out, err);
    if (command == QLatin1StringView("journal-show"))
        return showRun(store, parser, out, err);
    if (command == QLatin1StringView("journal-import"))
        return importFiles(store, parser, out, err);
    if (command == QLatin1StringView("journal-verify"))
        return JournalVerify::run(store, out, err);
    if (command == QLatin1StringView("journal-evaluate"))
        return JournalEvaluateCommand::execute(store, parser, out, err, settings);
    return copyJournal(store, parser, out, err);
}

} // namespace JournalCommand
