// The main window's side of the lab journal: starting it, its messages, the Journal menu and
// a run of the journal shown in a document.
#include "frmmain.h"

#include "app/batchevaluation.h"
#include "app/journalchoice.h"
#include "app/journalruntext.h"
#include "app/journalsession.h"
#include "app/journalwindow.h"
#include "app/reevaluationdialog.h"
#include "app/titrantevaluation.h"
#include "app/titrantwindow.h"
#include "documents/documentcommands.h"
#include "documents/frmdocument.h"
#include "evaluation/documentevaluator.h"
#include "journal/journalstore.h"
#include "titration/runcontrols.h"
#include "titration/titrationrun.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>

void frmMain::openJournal(const std::optional<QString> &commandLine)
{
    m_journal.reset();
    m_journalProblem.clear();
    QString problem;
    const std::optional<JournalLocation> location
        = JournalChoice::choose(commandLine, m_store, &problem);
    if (!location) {
        m_journalProblem = problem;
        showJournalText(tr("Kalumet runs without its journal: %1").arg(problem), true);
        return;
    }
    m_journal = std::make_unique<JournalSession>(*location,
        JournalSession::Sources {
            m_store, m_settings, runControls(), *m_documents, m_measurementStore});
    connect(m_journal.get(), &JournalSession::alert, this,
        [this](const QString &text) { showJournalText(text, true); });
    connect(m_journal.get(), &JournalSession::notice, this,
        [this](const QString &text) { showJournalText(text, false); });
    connect(m_journal.get(), &JournalSession::evaluationStored, this, [this](qint64 runId) {
        if (m_journalWindow)
            m_journalWindow->evaluationStored(runId);
    });
    m_journal->followRun(*m_run);
    m_journal->followReports(*m_evaluator);
    m_journal->open();
}

JournalWindow *frmMain::journalWindow() const
{
    return m_journalWindow;
}

void frmMain::connectJournalToDocuments()
{
    connect(
        m_documents.get(), &DocumentCommands::documentCreated, this, [this](frmDocument *window) {
            AbstractDocument *document = window;
            // In the commands' keeping, which the window outlives: documents that go with the
            // window itself find no journal to tell.
            connect(window, &QObject::destroyed, m_documents.get(), [this, document] {
                if (m_journal)
                    m_journal->documentClosed(document);
            });
        });
    connect(m_documents.get(), &DocumentCommands::documentSaved, this,
        [this](frmDocument *window, const QString &path) {
            if (m_journal)
                m_journal->documentSaved(window, path);
        });
}

void frmMain::showJournalText(const QString &text, bool alert)
{
    statusBar()->showMessage(text);
    if (!alert)
        return;
    showSingleMessage(m_journalBox, QMessageBox::Warning, QStringLiteral("journalBox"), text);
}

void frmMain::takeStoreOver()
{
    if (m_journal)
        m_journal->listings().storeTakenOver();
}

void frmMain::mnuJournal_Click()
{
    if (!m_journal) {
        showMessage(m_journalProblem.isEmpty()
                ? tr("The journal has not been started.")
                : tr("Kalumet runs without its journal: %1").arg(m_journalProblem));
        return;
    }
    if (!m_journalWindow) {
        m_journalWindow = new JournalWindow(m_journal->location(), m_settings.separators, this);
        m_journalWindow->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_journalWindow, &JournalWindow::openRequested, this, &frmMain::openJournalRun);
        connect(m_journalWindow, &JournalWindow::evaluationMade, this,
            [this](const QString &uuid, const Journal::Evaluation &evaluation) {
                if (m_journal)
                    m_journal->addEvaluation(uuid, evaluation);
            });
    }
    // Read anew each time: runs may have been added since.
    m_journalWindow->reload();
    m_journalWindow->show();
    m_journalWindow->raise();
    m_journalWindow->activateWindow();
}

void frmMain::mnuTitrants_Click()
{
    if (!m_journal) {
        mnuJournal_Click(); // says why there is none
        return;
    }
    if (!m_titrantWindow) {
        m_titrantWindow = new TitrantWindow(m_journal->location(), m_settings.separators, this);
        m_titrantWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_titrantWindow->reload();
    m_titrantWindow->show();
    m_titrantWindow->raise();
    m_titrantWindow->activateWindow();
}

void frmMain::openJournalRun(qint64 runId)
{
    JournalStore *store = m_journalWindow ? m_journalWindow->store() : nullptr;
    const std::optional<JournalStore::RunRecord> record = store ? store->run(runId) : std::nullopt;
    if (!record) {
        showMessage(tr("The run cannot be read from the journal: %1")
                        .arg(store ? store->lastError() : tr("the journal is not open")));
        return;
    }
    const QString text = JournalRunText::documentText(*record, m_settings.separators);
    frmDocument *document = m_documents->NeuesDokument();
    document->setText(text);
    // The curve as the chart build draws a listing, from the table read as one. A run going
    // on keeps the store; the chart then comes from a store of its own.
    MeasurementStore own;
    const bool running = m_run->isRunning();
    if (!running)
        takeStoreOver();
    buildChartFromText(BatchEvaluation::withRunTableAsListing(text),
        running ? own : m_measurementStore, m_settings, document->chart());
    if (m_journal)
        m_journal->documentShowsRun(
            document, record->summary.uuid, int(record->evaluations.size()));
    showDroppedRows();
}

void frmMain::askEvaluationReason(AbstractDocument *document)
{
    if (findChild<ReevaluationDialog *>(QStringLiteral("ReevaluationDialog")))
        return;
    auto *dialog = new ReevaluationDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, document] {
        // The dialog kept the window to itself: the document is still the active one, unless
        // it was closed meanwhile.
        if (m_documents->activeDocument() == document)
            evaluateDocument(document, dialog->reason());
    });
    dialog->open();
}

TitrantEvaluation frmMain::methodWithTitrant() const
{
    return TitrantEvaluation::read(ResultSettings::read(m_store),
        m_journal ? &m_journal->location() : nullptr, QDateTime::currentDateTime());
}

void frmMain::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange && m_mnuJournal) {
        m_mnuJournalMenu->setTitle(tr("Journal"));
        m_mnuJournal->setText(tr("Runs..."));
        m_mnuTitrants->setText(tr("Titrants..."));
    }
    QMainWindow::changeEvent(event);
}
