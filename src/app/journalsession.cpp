#include "journalsession.h"

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
    , m_writer(std::make_unique<JournalWriter>(location))
    , m_listings(sources.measurements, listingQuietMs)
{
    connect(m_writer.get(), &JournalWriter::opened, this, &JournalSession::opened);
    connect(m_writer.get(), &JournalWriter::unavailable, this, &JournalSession::unavailable);
    connect(m_writer.get(), &JournalWriter::available, this, &JournalSession::available);
    connect(&m_listings, &JournalListings::completed, this, &JournalSession::listingCompleted);
}

JournalSession::~JournalSession()
{
    // The program ends: what was received is all the listing will get, and a run still going
    // loses its document now.
    m_listings.storeTakenOver();
    if (!m_run.isEmpty())
        m_writer->finishRun(m_run, Journal::EndReason::DocumentClosed);
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
    start.started = QDateTime::currentDateTime();
    start.origin = origin();
    return start;
}

void JournalSession::runStarted()
{
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
    if (m_listingDocument == document)
        m_listingDocument = nullptr;
}

bool JournalSession::documentEvaluated(
    AbstractDocument *document, const EpAnalysis &analysis, const ResultSettings &method)
{
    const auto it = m_documents.find(document);
    if (it == m_documents.end())
        return false;
    Journal::Evaluation evaluation;
    evaluation.created = QDateTime::currentDateTime();
    evaluation.origin = origin();
    if (it->evaluations > 0)
        evaluation.reason = QStringLiteral("evaluated again");
    evaluation.criterion = method.epCriterion;
    evaluation.method = methodValues(method.method);
    for (const RecognisedEp &ep : analysis.points)
        evaluation.points.push_back({ep.volume, ep.uVolume, ep.value});
    const TitrationResultOutcome outcome = TitrationResult::compute(method.method, analysis.points);
    if (const auto &r = outcome.result)
        evaluation.results.push_back({r->ep, r->value, r->u, r->unit});
    m_writer->addEvaluation(it->uuid, evaluation);
    ++it->evaluations;
    return true;
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
