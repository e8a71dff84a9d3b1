#include "journalsession.h"

#include "app/dropfolder.h"
#include "app/methodfile.h"
#include "common/settingsvalue.h"
#include "evaluation/eprecognition.h"
#include "evaluation/reportevaluator.h"
#include "evaluation/resultsettings.h"
#include "journal/journaltexts.h"
#include "journal/journalwriter.h"
#include "model/abstractdocument.h"
#include "model/settingsrecord.h"
#include "titration/dosinglimits.h"
#include "titration/runcontrols.h"
#include "titration/titrationrun.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSettings>

// Off by default; "kalumet.journal.debug=true" in QT_LOGGING_RULES shows what the document
// showed and what the journal was given, for checking a crash against the journal.
Q_LOGGING_CATEGORY(lcJournal, "kalumet.journal", QtInfoMsg)

namespace {

const QString JournalOption = QStringLiteral("--journal");

Journal::Origin origin()
{
    return Journal::currentOrigin(QStringLiteral(KALUMET_VERSION));
}

} // namespace

std::optional<QString> JournalSession::journalArgument(
    const QStringList &arguments, QStringList *rest)
{
    std::optional<QString> value;
    QStringList others;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1StringView("--"))
            break; // file names follow, even one called "--journal"
        if (a == JournalOption) {
            value = i + 1 < arguments.size() ? arguments[++i] : QString();
        } else if (a.startsWith(JournalOption + u'=')) {
            value = a.mid(JournalOption.size() + 1);
        } else {
            others << a;
        }
    }
    if (rest) {
        *rest = others;
        const qsizetype end = arguments.indexOf(QStringLiteral("--"));
        if (end >= 0)
            *rest += arguments.mid(end);
    }
    return value;
}

JournalSession::JournalSession(
    const JournalLocation &location, const Sources &sources, int listingQuietMs, QObject *parent)
    : QObject(parent)
    , m_location(location)
    , m_sources(sources)
    , m_dropFolder(std::make_shared<DropFolderExport>())
    , m_writer(std::make_unique<JournalWriter>(location))
    , m_listings(sources.measurements, listingQuietMs)
{
    // On the journal's thread; the signals reach this object's thread queued.
    m_writer->setEvaluationStored(
        [this, drop = m_dropFolder](JournalStore &store, qint64 runId, int version) {
            drop->evaluationStored(store, runId, version);
            Q_EMIT evaluationStored(runId, version);
        });
    connect(m_dropFolder.get(), &DropFolderExport::failed, this,
        [this](const QString &folder, const QString &reason) {
            Q_EMIT alert(tr("An evaluation is kept in the journal, but the drop folder \"%1\" "
                            "cannot be written: %2. Later evaluations are tried there again "
                            "without saying so until one is written.")
                             .arg(folder, reason));
        });
    connect(m_writer.get(), &JournalWriter::opened, this, &JournalSession::opened);
    connect(m_writer.get(), &JournalWriter::unavailable, this, &JournalSession::unavailable);
    connect(m_writer.get(), &JournalWriter::available, this, &JournalSession::available);
    connect(&m_listings, &JournalListings::completed, this, &JournalSession::listingCompleted);
    connect(m_writer.get(), &JournalWriter::evaluationWritten, this,
        &JournalSession::evaluationWritten);
    m_method = methodWithoutSample();
}

JournalSession::~JournalSession()
{
    // The program ends: what was received is all the listing will get, and a run still going
    // loses its document now.
    m_listings.storeTakenOver();
    if (!m_run.isEmpty())
        m_writer->finishRun(m_run, Journal::EndReason::DocumentClosed);
    // The journal's thread ends while this object can still take its signals.
    m_writer.reset();
}

void JournalSession::open()
{
    m_writer->open();
}

void JournalSession::followRun(TitrationRun &run)
{
    connect(&run, &TitrationRun::runningChanged, this, [this](bool running) {
        if (running)
            runStarted();
    });
    connect(&run, &TitrationRun::readingTaken, this, [this](const Journal::Reading &reading) {
        qCDebug(
            lcJournal, "reading shown %d %.3f %.3f", reading.index, reading.volume, reading.value);
        if (!m_run.isEmpty())
            m_writer->addReading(m_run, reading);
    });
    connect(&run, &TitrationRun::ended, this, &JournalSession::runEnded);
}

void JournalSession::followReports(ReportEvaluator &evaluator)
{
    evaluator.setListingWatch(
        [this](const QString &line, const ReportEvaluator::ListingLine &what) {
            listingLine(line, what);
        });
}

QVariantMap JournalSession::methodGroup(QSettings &store)
{
    QVariantMap map;
    store.beginGroup(QStringLiteral("Method"));
    for (const QString &key : store.allKeys())
        map.insert(QStringLiteral("Method/") + key, SettingsValue::text(store.value(key)));
    store.endGroup();
    return map;
}

QVariantMap JournalSession::methodValues(const MethodValues &m)
{
    QVariantMap values {
        {QStringLiteral("Method/SampleId"), m.sampleId},
        {QStringLiteral("Method/SampleSize"), m.sampleSize},
        {QStringLiteral("Method/SampleUnit"), m.sampleUnit},
        {QStringLiteral("Method/TitrantConcentration"), m.titrantConcentration},
        {QStringLiteral("Method/Titer"), m.titer},
        {QStringLiteral("Method/Factor"), m.stoichiometricFactor},
        {QStringLiteral("Method/MolarMass"), m.molarMass},
        {QStringLiteral("Method/BlankVolume"), m.blankVolume},
        {QStringLiteral("Method/ResultEP"), m.resultEp},
        {QStringLiteral("Method/ResultUnit"), m.resultUnit},
    };
    if (!m.titrant.isEmpty())
        values.insert(QStringLiteral("Method/Titrant"), m.titrant);
    // The budget's inputs, where one was given: a re-evaluation then takes them up again.
    const std::pair<const char *, double> budget[] = {
        {"Method/TitrantConcentrationU", m.uTitrantConcentrationPercent},
        {"Method/BuretteSystematicError", m.buretteSystematicPercent},
        {"Method/BuretteRandomError", m.buretteRandomPercent},
        {"Method/SampleSizeU", m.uSampleSize},
        {"Method/BlankVolumeU", m.uBlankVolume},
    };
    for (const auto &[key, value] : budget) {
        if (value > 0)
            values.insert(QLatin1StringView(key), value);
    }
    return values;
}

Journal::RunStart JournalSession::runStart(Journal::RunKind kind) const
{
    const MethodValues method = ResultSettings::read(m_sources.store).method;
    Journal::RunStart start;
    start.kind = kind;
    start.sampleId = method.sampleId;
    start.sampleSize = method.sampleSize;
    start.sampleUnit = method.sampleUnit;
    start.unit = m_sources.settings.Bereich != 0 ? QStringLiteral("mV") : QStringLiteral("pH");
    start.method = methodGroup(m_sources.store);
    // The method is named by the folder of its method file, where each method is kept.
    const QFileInfo methodFile(MethodFile::path());
    start.method.insert(
        QLatin1StringView(Journal::MethodNameKey), methodFile.absoluteDir().dirName());
    start.method.insert(QStringLiteral("Run/MethodFile"), methodFile.absoluteFilePath());
    start.started = QDateTime::currentDateTime();
    start.origin = origin();
    return start;
}

QVariantMap JournalSession::methodWithoutSample() const
{
    QVariantMap method = methodGroup(m_sources.store);
    for (const char *key : {"Method/SampleId", "Method/SampleSize", "Method/SampleUnit"})
        method.remove(QLatin1StringView(key));
    return method;
}

void JournalSession::methodMayHaveChanged()
{
    const QVariantMap now = methodWithoutSample();
    if (now == m_method)
        return;
    Audit::Entry change;
    change.action = Audit::Action::MethodChanged;
    change.record = QStringLiteral("method");
    change.origin = origin();
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_method.value(it.key()) != it.value()) {
            change.newValues.insert(it.key(), it.value());
            if (m_method.contains(it.key()))
                change.oldValues.insert(it.key(), m_method.value(it.key()));
        }
    }
    for (auto it = m_method.cbegin(); it != m_method.cend(); ++it) {
        if (!now.contains(it.key()))
            change.oldValues.insert(it.key(), it.value());
    }
    m_method = now;
    m_writer->recordChange(change);
}

void JournalSession::runStarted()
{
    methodMayHaveChanged();
    // The run takes the store over; a listing that was still coming in is complete.
    m_listings.storeTakenOver();
    Journal::RunStart start = runStart(Journal::RunKind::Incremental);
    // The values the run reads from the options dialog, as they are now; an end value the run
    // cannot use leaves the one in force, as at the run's end check.
    RunControls &controls = m_sources.controls;
    const SettingsRecord &settings = m_sources.settings;
    start.method.insert(QStringLiteral("Run/Increment"), controls.incrementValue() / 100.0);
    start.method.insert(QStringLiteral("Run/Wait"), controls.waitingTimeValue() / 10.0);
    start.method.insert(QStringLiteral("Run/EndValue"),
        DosingLimits::endValue(controls.endValueText(), settings.separators)
            .value_or(settings.EndWert));
    start.method.insert(QStringLiteral("Run/EndVolume"),
        DosingLimits::endVolume(controls.endVolumeText(), settings.separators)
            .value_or(settings.EndVol));
    start.method.insert(QStringLiteral("Run/Range"), start.unit);
    m_run = m_writer->beginRun(start);
    // The run has just opened its document, which is the active one.
    if (AbstractDocument *doc = m_sources.documents.activeDocument())
        m_documents.insert(doc, {m_run, true, 0});
    Q_EMIT runRecorded(m_run);
}

void JournalSession::runEnded(Journal::EndReason reason)
{
    qCDebug(lcJournal, "run ended %s", qPrintable(Journal::endReasonText(reason)));
    if (m_run.isEmpty())
        return;
    m_writer->finishRun(m_run, reason);
    m_run.clear();
}

void JournalSession::listingLine(const QString &line, const ReportEvaluator::ListingLine &what)
{
    AbstractDocument *active = m_sources.documents.activeDocument();
    m_listings.lineEvaluated(line, what);
    // A new report starts the active document's text afresh: it no longer shows its run.
    if (what.reportStarted && active)
        m_documents.remove(active);
    if (what.seriesStarted)
        m_listingDocument = active;
}

void JournalSession::listingCompleted(const JournalListings::Listing &listing)
{
    Journal::RunStart start = runStart(Journal::RunKind::Report);
    if (!listing.unit.isEmpty())
        start.unit = listing.unit;
    start.started = listing.started;
    if (listing.rowsLeftOut > 0)
        start.method.insert(QStringLiteral("Listing/RowsLeftOut"), listing.rowsLeftOut);
    const QString uuid = m_writer->beginRun(start);
    for (const Journal::Reading &row : listing.rows)
        m_writer->addReading(uuid, row);
    m_writer->finishRun(uuid, Journal::EndReason::Report, listing.ended);
    if (m_listingDocument)
        m_documents.insert(m_listingDocument, {uuid, true, 0});
    m_listingDocument = nullptr;
    Q_EMIT runRecorded(uuid);
}

QString JournalSession::runOf(AbstractDocument *document) const
{
    return m_documents.value(document).uuid;
}

void JournalSession::documentShowsRun(
    AbstractDocument *document, const QString &uuid, int evaluations)
{
    m_documents.insert(document, {uuid, false, evaluations});
}

void JournalSession::documentSaved(AbstractDocument *document, const QString &path)
{
    const auto it = m_documents.constFind(document);
    if (it != m_documents.constEnd() && it->ownRun)
        m_writer->setDocumentFile(it->uuid, path);
}

void JournalSession::documentClosed(AbstractDocument *document)
{
    m_documents.remove(document);
    for (auto it = m_evaluatedIn.begin(); it != m_evaluatedIn.end();)
        it = it.value() == document ? m_evaluatedIn.erase(it) : std::next(it);
    if (m_listingDocument == document)
        m_listingDocument = nullptr;
}

int JournalSession::evaluationsOf(AbstractDocument *document) const
{
    return m_documents.value(document).evaluations;
}

bool JournalSession::documentEvaluated(AbstractDocument *document, const EpAnalysis &analysis,
    const ResultSettings &method, const QString &reason)
{
    const auto it = m_documents.find(document);
    if (it == m_documents.end())
        return false;
    Journal::Evaluation evaluation;
    evaluation.created = QDateTime::currentDateTime();
    evaluation.origin = origin();
    evaluation.reason = reason.trimmed();
    if (evaluation.reason.isEmpty() && it->evaluations > 0)
        evaluation.reason = QStringLiteral("evaluated again");
    evaluation.criterion = method.epCriterion;
    evaluation.method = methodValues(method.method);
    for (const RecognisedEp &ep : analysis.points)
        evaluation.points.push_back({ep.volume, ep.uVolume, ep.value, ep.lagSeconds});
    const TitrationResultOutcome outcome = TitrationResult::compute(method.method, analysis.points);
    if (const auto &r = outcome.result)
        evaluation.results.push_back({r->ep, r->value, r->u, r->unit});
    m_evaluatedIn.insert(addEvaluation(it->uuid, evaluation), document);
    return true;
}

QString JournalSession::addEvaluation(const QString &uuid, const Journal::Evaluation &evaluation)
{
    // The folder as the settings name it now; a change under Options counts from here.
    m_dropFolder->setFolder(
        SettingsValue::text(m_sources.store.value(DropFolder::settingsKey())).trimmed());
    QString key = m_writer->addEvaluation(uuid, evaluation);
    // Every document showing the run: the next evaluation there is one again.
    for (DocumentRun &shown : m_documents) {
        if (shown.uuid == uuid)
            ++shown.evaluations;
    }
    return key;
}

void JournalSession::evaluationWritten(const QString &key, int version, const QByteArray &chainHash)
{
    AbstractDocument *document = m_evaluatedIn.take(key);
    if (!document || !m_documents.contains(document) || chainHash.isEmpty())
        return;
    // Under the results block: a printed copy then pins the journal's state.
    document->appendText(tr("Journal: evaluation %1 recorded; audit trail chain hash %2")
                             .arg(version)
                             .arg(QString::fromLatin1(chainHash))
        + QStringLiteral("\r\n"));
}

bool JournalSession::titerDetermined(AbstractDocument *document, Journal::Titer titer)
{
    const auto it = m_documents.constFind(document);
    if (it == m_documents.constEnd())
        return false;
    titer.origin = origin();
    m_writer->addTiter(it->uuid, titer);
    return true;
}

void JournalSession::opened(bool ok, const QString &message, int interrupted)
{
    qCDebug(lcJournal, "journal opened %d, %d run(s) marked interrupted", ok ? 1 : 0, interrupted);
    if (!ok) {
        if (m_told)
            return;
        m_told = true;
        Q_EMIT alert(tr("The journal cannot be used: %1 Kalumet goes on without it; every run "
                        "stays in its document.")
                         .arg(message));
        return;
    }
    if (interrupted > 0) {
        Q_EMIT notice(tr("%n run(s) of the journal had been left unfinished and are now marked "
                         "as interrupted.",
            nullptr, interrupted));
    }
}

void JournalSession::unavailable(const QString &reason)
{
    if (m_told)
        return;
    m_told = true;
    Q_EMIT alert(tr("The journal cannot be written: %1. The titration goes on in its document; "
                    "what is not written yet is kept and written as soon as the journal can be "
                    "reached.")
                     .arg(reason));
}

void JournalSession::available()
{
    if (!m_told)
        return;
    m_told = false;
    Q_EMIT alert(tr("The journal is written again; nothing is kept back."));
}
