#pragma once

#include "app/journallisting.h"
#include "journal/journallocation.h"
#include "model/journalrecords.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <optional>

class AbstractDocument;
class DocumentHost;
class DropFolderExport;
class JournalWriter;
class QSettings;
class ReportEvaluator;
class RunControls;
class TitrationRun;
struct EpAnalysis;
struct MeasurementStore;
struct MethodValues;
struct ResultSettings;
struct SettingsRecord;

// The program's side of the lab journal: records every titration run with its readings and how
// it ended, every received listing as a run of kind "report", the file a run's document is
// saved as, and every evaluation of a run's document. Writing happens on the journal's own
// thread; when the journal cannot be written the runs go on in their documents and the user is
// told once, and again when it is written.
class JournalSession : public QObject
{
    Q_OBJECT
public:
    // What the session reads at a run's start.
    struct Sources
    {
        QSettings &store; // the group "Method"
        const SettingsRecord &settings; // the range, the end values in force
        RunControls &controls; // increment, waiting time, end value and volume
        DocumentHost &documents; // the document a run or a listing writes into
        const MeasurementStore &measurements; // the rows of a received listing
    };

    // `--journal URL` (or `--journal=URL`) among the window's arguments: its value, if given.
    // `rest` gets the arguments without it.
    static std::optional<QString> journalArgument(
        const QStringList &arguments, QStringList *rest = nullptr);

    JournalSession(const JournalLocation &location, const Sources &sources,
        int listingQuietMs = JournalListings::DefaultQuietMs, QObject *parent = nullptr);
    // Ends a run still going as "document closed", completes a listing in progress and waits a
    // few seconds for the journal to take what is queued.
    ~JournalSession() override;

    const JournalLocation &location() const { return m_location; }
    JournalWriter &writer() { return *m_writer; }
    JournalListings &listings() { return m_listings; }

    // Opens the journal; the outcome comes as alert() or notice().
    void open();
    // Records the runs of `run` from its start to its end.
    void followRun(TitrationRun &run);
    // Records the listings `evaluator` receives.
    void followReports(ReportEvaluator &evaluator);

    // The run a document belongs to (its own run, a listing, or a run opened from the
    // journal); empty when none.
    QString runOf(AbstractDocument *document) const;
    // `document` shows the journal's run `uuid`, which has `evaluations` evaluations already:
    // evaluating it adds the next.
    void documentShowsRun(AbstractDocument *document, const QString &uuid, int evaluations);
    // The document was saved as `path`: the run written into it learns its file.
    void documentSaved(AbstractDocument *document, const QString &path);
    void documentClosed(AbstractDocument *document);
    // Evaluations the run of `document` has (known to this session); 0 without a run.
    int evaluationsOf(AbstractDocument *document) const;
    // The results block was computed for `document`: recorded as an evaluation of its run,
    // with `reason` (without one, a second evaluation is "evaluated again"). False when the
    // document belongs to no run.
    bool documentEvaluated(AbstractDocument *document, const EpAnalysis &analysis,
        const ResultSettings &method, const QString &reason = {});
    // Adds an evaluation to the run `uuid` (from the Journal window); like every evaluation it
    // goes into the drop folder of the settings once it is stored.
    // Returns the key that its written note names it by.
    QString addEvaluation(const QString &uuid, const Journal::Evaluation &evaluation);

    // The settings group "Method" may have changed (its dialog was closed with OK, a method
    // file was loaded, a run starts): a change of the method's values since they were last
    // seen is recorded in the journal's audit trail. The sample's id and size are the run's,
    // not the method's, and are left out.
    void methodMayHaveChanged();
    // A titer determination of `document`'s run found `titer`: into its titrant's history,
    // with the run. False when the document belongs to no run.
    bool titerDetermined(AbstractDocument *document, Journal::Titer titer);

    // Every key of the settings group "Method" as "Method/<key>", with its text.
    static QVariantMap methodGroup(QSettings &store);
    // The method values a result is computed with, by their settings keys ("Method/<key>").
    static QVariantMap methodValues(const MethodValues &method);

Q_SIGNALS:
    // For the status bar and a message: the journal cannot be used or written, or is written
    // again.
    void alert(const QString &text);
    // For the status bar alone.
    void notice(const QString &text);
    // A run or listing was handed to the journal (it may not be written yet).
    void runRecorded(const QString &uuid);
    // An evaluation of the run `runId` was stored as `version`.
    void evaluationStored(qint64 runId, int version);

private:
    struct DocumentRun
    {
        QString uuid;
        bool ownRun = false; // written into this document, not opened from the journal
        int evaluations = 0;
    };

    Journal::RunStart runStart(Journal::RunKind kind) const;
    void runStarted();
    void runEnded(Journal::EndReason reason);
    void listingLine(const QString &line, const ReportEvaluator::ListingLine &what);
    void listingCompleted(const JournalListings::Listing &listing);
    void opened(bool ok, const QString &message, int interrupted);
    void unavailable(const QString &reason);
    void available();
    void evaluationWritten(const QString &key, int version, const QByteArray &chainHash);
    QVariantMap methodWithoutSample() const;

    JournalLocation m_location;
    Sources m_sources;
    std::shared_ptr<DropFolderExport> m_dropFolder; // used on the journal's thread, too
    std::unique_ptr<JournalWriter> m_writer;
    JournalListings m_listings;
    QHash<AbstractDocument *, DocumentRun> m_documents;
    AbstractDocument *m_listingDocument = nullptr; // where the listing in progress goes
    QString m_run; // the uuid of the run in progress
    bool m_told = false; // the user knows the journal is not written now
    QVariantMap m_method; // the method's values as last recorded
    // Evaluations not yet written: their write key -> the document evaluated. Each gets its own
    // note, also where a document is evaluated again before the first is written.
    QHash<QString, AbstractDocument *> m_evaluatedIn;
};
