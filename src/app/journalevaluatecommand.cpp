#include "journalevaluatecommand.h"

#include "app/dropfolder.h"
#include "app/evaluatecommand.h"
#include "app/journalcommand.h"
#include "app/journaljson.h"
#include "app/reevaluation.h"
#include "app/version.h"
#include "common/settingsvalue.h"
#include "journal/journalstore.h"
#include "journal/journaltexts.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

namespace JournalEvaluateCommand {

namespace {

constexpr int Success = 0;
constexpr int WriteFailed = 1;
constexpr int Failed = 2;

int failed(QIODevice &err, const QString &message, int status = Failed)
{
    err.write((QStringLiteral("kalumet: ") + message + u'\n').toUtf8());
    return status;
}

int usageError(QIODevice &err, const QString &problem)
{
    failed(err, problem);
    err.write(QByteArray("Usage:") + JournalCommand::usageLines().mid(6));
    err.write("See kalumet --help.\n");
    return Failed;
}

std::optional<qint64> runId(JournalStore &store, const QString &name)
{
    bool number = false;
    const qint64 id = name.toLongLong(&number);
    return number ? std::optional<qint64>(id) : store.runIdOf(name);
}

QByteArray outputOf(
    const Reevaluation::Outcome &outcome, qint64 run, int version, const QByteArray &chainHash)
{
    QJsonObject object = QJsonDocument::fromJson(BatchEvaluation::toJson(outcome.result)).object();
    object.insert(QStringLiteral("run"), run);
    object.insert(QStringLiteral("version"), version);
    object.insert(QStringLiteral("reason"), outcome.evaluation.reason);
    object.insert(QStringLiteral("chain_hash"), JournalJson::chainHashValue(chainHash));
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

} // namespace

int execute(JournalStore &store, const QCommandLineParser &parser, QIODevice &out, QIODevice &err,
    const QSettings &settings)
{
    const QString name = parser.value(QStringLiteral("journal-evaluate")).trimmed();
    if (name.isEmpty())
        return usageError(err,
            QCoreApplication::translate("JournalCommand", "--journal-evaluate needs a run's id"));
    const QString reason = parser.value(QStringLiteral("reason")).trimmed();
    if (reason.isEmpty())
        return usageError(err,
            QCoreApplication::translate("JournalCommand",
                "--journal-evaluate needs --reason: why the run is evaluated again"));
    QString problem;
    // The stored values are known only once the run is read; the options are checked first.
    if (!EvaluateCommand::methodFromOptions(parser, &problem))
        return usageError(err, problem);

    const JournalStore::OpenResult opened = store.open(false);
    if (!opened.ok())
        return failed(err, opened.message);
    const std::optional<qint64> id = runId(store, name);
    const auto run = id ? store.run(*id) : std::nullopt;
    if (!run)
        return failed(err,
            QCoreApplication::translate("JournalCommand", "The journal \"%1\" has no run %2 (%3).")
                .arg(store.location().displayName(), name, store.lastError()));
    const std::optional<ResultSettings> method
        = EvaluateCommand::methodFromOptions(parser, &problem, Reevaluation::storedValues(*run));
    if (!method)
        return usageError(err, problem);
    const Reevaluation::Outcome outcome = Reevaluation::evaluate(
        *run, *method, reason, Journal::currentOrigin(QStringLiteral(KALUMET_VERSION)));
    if (!outcome.ok())
        return failed(err,
            QCoreApplication::translate("JournalCommand", "The run %1 cannot be evaluated: %2")
                .arg(name, outcome.result.message));

    const std::optional<int> version = store.addEvaluation(run->summary.id, outcome.evaluation);
    if (!version)
        return failed(err,
            QCoreApplication::translate(
                "JournalCommand", "The journal \"%1\" cannot be written: %2")
                .arg(store.location().displayName(), store.lastError()),
            WriteFailed);
    // The trail's newest hash, read after the evaluation's own entry.
    const std::optional<Audit::Link> link = store.newestLink();
    const QByteArray chainHash = link ? link->hash : QByteArray();
    const int status
        = EvaluateCommand::writeData(outputOf(outcome, run->summary.id, *version, chainHash),
            parser.value(QStringLiteral("out")), out, err);

    const QString folder = SettingsValue::text(settings.value(DropFolder::settingsKey())).trimmed();
    if (folder.isEmpty())
        return status;
    const auto stored = store.run(run->summary.id);
    QString why = store.lastError();
    if (!stored || !DropFolder::write(folder, *stored, *version, chainHash, &why))
        return failed(err,
            QCoreApplication::translate("JournalCommand",
                "The evaluation is kept in the journal as version %1, but the drop folder "
                "\"%2\" cannot be written: %3")
                .arg(*version)
                .arg(QDir::toNativeSeparators(folder), why),
            WriteFailed);
    return status;
}

} // namespace JournalEvaluateCommand
