#include "journalimport.h"

#include "journal/journalstore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace JournalImport {

namespace {

// The namespace of the name-based ids of imported documents and their evaluations.
const QUuid ImportNamespace(QStringLiteral("{8c0d7a52-3f4e-4b8e-9a57-0f6f2d1c9e41}"));

Outcome failure(Outcome::Status status, const QString &message)
{
    Outcome outcome;
    outcome.status = status;
    outcome.message = message;
    return outcome;
}

std::optional<QString> contentUuid(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return std::nullopt;
    return QUuid::createUuidV5(ImportNamespace, hash.result()).toString(QUuid::WithoutBraces);
}

} // namespace

std::vector<Journal::Reading> readingsOf(const BatchEvaluation::Result &result)
{
    std::vector<Journal::Reading> readings;
    int index = 0;
    for (const BatchEvaluation::Result::Row &row : result.listingRows)
        readings.push_back({index++, row.volume, row.value, row.seconds, false});
    return readings;
}

Journal::Evaluation evaluationOf(const BatchEvaluation::Result &result, const Request &request)
{
    Journal::Evaluation evaluation;
    evaluation.created = QDateTime::currentDateTime();
    evaluation.origin = request.origin;
    evaluation.criterion = request.method.epCriterion;
    evaluation.method = methodValues(request.method);
    for (const RecognisedEp &ep : result.analysis.points)
        evaluation.points.push_back({ep.volume, ep.uVolume, ep.value, ep.lagSeconds});
    for (const TitrationResultValue &r : result.results)
        evaluation.results.push_back({r.ep, r.value, r.u, r.unit});
    return evaluation;
}

QVariantMap methodValues(const ResultSettings &settings)
{
    const MethodValues &m = settings.method;
    return {
        {QStringLiteral("SampleSize"), m.sampleSize},
        {QStringLiteral("SampleUnit"), m.sampleUnit},
        {QStringLiteral("TitrantConcentration"), m.titrantConcentration},
        {QStringLiteral("Titer"), m.titer},
        {QStringLiteral("Factor"), m.stoichiometricFactor},
        {QStringLiteral("MolarMass"), m.molarMass},
        {QStringLiteral("BlankVolume"), m.blankVolume},
        {QStringLiteral("ResultEP"), m.resultEp},
        {QStringLiteral("ResultUnit"), m.resultUnit},
        {QStringLiteral("EPCriterion"), settings.epCriterion},
    };
}

Outcome importFile(JournalStore &store, const QString &path, const Request &request)
{
    const BatchEvaluation::Result result
        = BatchEvaluation::evaluateFile(path, request.separators, request.method);
    if (!result.ok())
        return failure(Outcome::Unreadable, result.message);
    const std::optional<QString> uuid = contentUuid(path);
    if (!uuid)
        return failure(Outcome::Unreadable,
            QStringLiteral("The file \"%1\" cannot be read.").arg(QDir::toNativeSeparators(path)));

    Outcome outcome;
    outcome.readings = int(result.listingRows.size());
    outcome.eps = int(result.analysis.points.size());
    if (const auto known = store.runIdOf(*uuid)) {
        const auto run = store.run(*known);
        if (run && run->summary.endReason != Journal::EndReason::Running) {
            outcome.status = Outcome::AlreadyThere;
            outcome.runId = *known;
            outcome.readings = run->summary.readings;
            outcome.eps = run->evaluations.empty() ? 0 : int(run->evaluations.back().points.size());
            return outcome;
        }
    }

    const QFileInfo info(path);
    Journal::RunStart start;
    start.uuid = *uuid;
    start.kind = Journal::RunKind::Import;
    start.sampleId = request.sampleId;
    start.sampleSize = request.method.method.sampleSize;
    if (start.sampleSize > 0)
        start.sampleUnit = request.method.method.sampleUnit;
    start.unit = result.unit;
    start.started = info.lastModified();
    start.origin = request.origin;
    start.documentFile = info.absoluteFilePath();
    const std::vector<Journal::Reading> readings = readingsOf(result);
    const double duration = readings.empty() ? 0 : readings.back().seconds;

    // Held while written, so that a window starting meanwhile does not take it for abandoned.
    store.holdRun(*uuid);
    const auto id = store.beginRun(start);
    const bool written = id && store.addReadings(*id, readings)
        && store.addEvaluation(*id, evaluationOf(result, request), *uuid + QStringLiteral("/1"))
        && store.finishRun(*id, Journal::EndReason::Import,
            start.started.addMSecs(qint64(qMax(0.0, duration) * 1000)));
    store.releaseRun(*uuid);
    if (!written)
        return failure(Outcome::WriteFailed, store.lastError());
    outcome.runId = *id;
    return outcome;
}

} // namespace JournalImport
