#include "frmmain.h"

#include "app/captiontable.h"
#include "app/curveanalysis.h"
#include "app/frmmethode.h"
#include "app/frmoption.h"
#include "app/journalsession.h"
#include "app/optionruncontrols.h"
#include "app/sampledialog.h"
#include "app/setzesprache.h"
#include "app/titrantevaluation.h"
#include "common/clock.h"
#include "documents/documentcommands.h"
#include "documents/seriescommands.h"
#include "evaluation/datalist.h"
#include "evaluation/derivative.h"
#include "evaluation/documentevaluator.h"
#include "evaluation/equivalencepointfinder.h"
#include "evaluation/reportevaluator.h"
#include "evaluation/resultsblock.h"
#include "evaluation/resultsettings.h"
#include "link/instrumentlink.h"
#include "link/rskanal.h"
#include "model/abstractchart.h"
#include "titration/manualcommands.h"
#include "titration/methodsettings.h"
#include "titration/runtimer.h"
#include "titration/titrationrun.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

frmMain::frmMain(QSettings &store, QWidget *parent)
    : QMainWindow(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Kalumet"));

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(m_mdiArea);
    m_documents = std::make_unique<DocumentCommands>(m_mdiArea, m_settings);
    m_series = std::make_unique<SeriesCommands>(*m_documents, m_settings, this);

    // The line to the titrator: every received line goes to the report evaluation, whose
    // data request runs the Data button.
    static const SystemClock clock; // the time of day for dose notes and the run
    m_rsKanal1 = std::make_unique<RsKanal>(m_store);
    m_rsKanal1->setObjectName(QStringLiteral("RsKanal1"));
    m_link = std::make_unique<InstrumentLink>(*m_rsKanal1, m_settings);
    m_evaluator = std::make_unique<ReportEvaluator>(m_measurementStore, m_settings, *m_documents);
    m_manual = std::make_unique<ManualCommands>(*m_link, *m_documents, clock);
    m_link->setLineHandler([this](const QString &line) { RsAuswertung(line); });
    m_evaluator->setDataRequest([this] { cmdSend_Click(); });
    connect(m_rsKanal1.get(), &AbstractSerialPort::portLost, this,
        [this](const QString &reason) { showRsError(LinkStatus::failure(reason)); });
    connect(m_rsKanal1.get(), &AbstractSerialPort::writeFailed, this,
        [this](const QString &reason) { showRsError(LinkStatus::failure(reason)); });

    buildMenus();
    buildToolBar();
    buildStatusBar();

    // Drives the titration run; enabled from the start, a tick does nothing while no run is on.
    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(500);
    connect(m_timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
    m_timer1->start();

    m_runControls = std::make_unique<OptionRunControls>([this] { return optionDialog(); });

    // The titration run drives Timer1 and writes to the line; a command the port refuses
    // stops it with the line's message, any other stop of its own with its reason.
    m_runTimer = std::make_unique<QTimerRunTimer>(*m_timer1);
    m_run = std::make_unique<TitrationRun>(
        m_measurementStore, m_settings, *m_documents, *m_link, *m_runControls, *m_runTimer, clock);
    // Each run reads its method anew from the settings store's group "Method".
    m_run->setMethodSource([this] { return MethodSettings::read(m_store); });
    connect(m_run.get(), &TitrationRun::runningChanged, this, [this](bool running) {
        m_cmdTitration->setText(
            running ? QStringLiteral("Titr. Stop") : QStringLiteral("Titr. Start"));
        // Off by default: the run's document then holds exactly what the run wrote.
        if (!running && ResultSettings::read(m_store).resultsAtRunEnd)
            mnuFileEvaluate_Click();
    });
    connect(m_run.get(), &TitrationRun::failed, this,
        [this](TitrationRun::Failure failure, const QString &reason) {
            if (failure == TitrationRun::Failure::CommandNotWritten)
                showRsError(LinkStatus::failure(reason));
            else
                showMessage(reason);
        });
    m_chartBuild = std::make_unique<ChartBuild>(m_measurementStore, m_settings, *m_documents);
    connect(m_chartBuild.get(), &ChartBuild::finished, this, &frmMain::showDroppedRows);
    connectJournalToDocuments();
}

frmMain::~frmMain() = default;

QString frmMain::txtDosText() const
{
    return m_txtDos->text();
}

void frmMain::setTxtDosText(const QString &text)
{
    m_txtDos->setText(text);
}

frmOption *frmMain::optionDialog()
{
    if (!m_option) {
        m_option = new frmOption(m_settings, m_store, this);
        // Closed by its close box, it goes; the next use makes a fresh one.
        connect(m_option, &frmOption::closedByUser, this, [this] { m_option = nullptr; });
        connect(m_option, &frmOption::languageChanged, this, [this] { SetzeSprache(*this); });
        connect(m_option, &frmOption::accepted, this, &frmMain::InitRs);
        connect(m_option, &frmOption::valuesKept, this, &frmMain::showMessage);
        m_option->Form_Load();
    }
    return m_option;
}

frmOption *frmMain::existingOptionDialog() const
{
    return m_option;
}

RunControls &frmMain::runControls()
{
    return *m_runControls;
}

// Opens a numbered document window (document subsystem).
void frmMain::NeuesDokument()
{
    m_documents->NeuesDokument();
}

// Opens the serial channel RsPort (instrument link).
void frmMain::InitRs()
{
    showRsError(m_link->InitRs());
}

void frmMain::showRsError(const LinkStatus &status)
{
    if (status.ok)
        return;
    // The system's reason in plain view, under the message.
    QString text = QStringLiteral("Fehler in der Rs Kommunikation");
    if (!status.reason.isEmpty())
        text += u'\n' + status.reason;
    showSingleMessage(m_rsErrorBox, QMessageBox::NoIcon, QStringLiteral("rsErrorBox"), text);
}

void frmMain::showSingleMessage(
    QPointer<QMessageBox> &box, QMessageBox::Icon icon, const QString &name, const QString &text)
{
    // Not modal in a loop of its own: the receive path and the run go on meanwhile, and a
    // later message while one is up replaces its text instead of stacking a second box.
    if (!box) {
        box = new QMessageBox(icon, QStringLiteral("Kalumet"), QString(), QMessageBox::Ok, this);
        box->setObjectName(name);
        box->setAttribute(Qt::WA_DeleteOnClose);
    }
    box->setText(text);
    box->open();
}

void frmMain::RsAuswertung(const QString &Zeile)
{
    m_evaluator->RsAuswertung(Zeile);
    showDroppedRows();
}

void frmMain::showDroppedRows()
{
    const int dropped = m_measurementStore.droppedRows;
    if (dropped == m_droppedRowsShown)
        return;
    m_droppedRowsShown = dropped;
    if (dropped > 0) {
        statusBar()->showMessage(
            tr("Only the first %1 rows were kept for the chart and the export; rows left out: %2")
                .arg(AbstractChart::RowCount)
                .arg(dropped));
    } else {
        statusBar()->clearMessage();
    }
}

void frmMain::showMessage(const QString &text)
{
    // Not modal in a loop of its own, as the line's message.
    auto *box = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("Kalumet"), text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

// Reads out the titrator's stored data (manual commands).
void frmMain::cmdSend_Click()
{
    showRsError(m_manual->readData());
}

// Reads out the titrator's result (manual commands).
void frmMain::cmdResult_Click()
{
    showRsError(m_manual->readResult());
}

// Builds the curve from the active document's text (document evaluation).
void frmMain::cmdChart_Click()
{
    if (!m_chartBuild->isRunning())
        takeStoreOver();
    m_chartBuild->start(); // a click while a build runs does nothing
}

// Draws the first derivative (derivative).
void frmMain::cmdAbleit_Click()
{
    AbstractDocument *doc = m_documents->activeDocument();
    if (!BerAbleit(m_measurementStore, doc ? &doc->chart() : nullptr))
        return;
    const ChartModel *chart = m_series->activeChart();
    if (!chart)
        return;
    const ResultSettings method = methodWithTitrant().method();
    const TimedSeries readings = CurveAnalysis::timedReadings(m_measurementStore, *chart);
    const CurveAnalysis::Analysis a
        = CurveAnalysis::analyse(*chart, method.epCriterion, nullptr, &readings);
    m_series->markEquivalencePoints(CurveAnalysis::markers(a.eps, m_settings.separators),
        ResultsBlock::csvComments(a.eps, method.method));
}

// Appends the results block of the active chart's curve to the active document.
void frmMain::mnuFileEvaluate_Click()
{
    AbstractDocument *doc = m_documents->activeDocument();
    if (!doc || !m_series->activeChart())
        return;
    // A run that has an evaluation is evaluated again only with a reason.
    if (m_journal && m_journal->evaluationsOf(doc) > 0)
        askEvaluationReason(doc);
    else
        evaluateDocument(doc, {});
}

void frmMain::evaluateDocument(AbstractDocument *doc, const QString &reason)
{
    const ChartModel *chart = m_series->activeChart();
    if (!chart)
        return;
    const TitrantEvaluation evaluation = methodWithTitrant();
    const ResultSettings &method = evaluation.method();
    const TimedSeries readings = CurveAnalysis::timedReadings(m_measurementStore, *chart);
    const CurveAnalysis::Analysis a
        = CurveAnalysis::analyse(*chart, method.epCriterion, &method.method, &readings);
    doc->appendText(evaluation.block(a.eps, a.unit, m_settings.separators)
        + ResultsBlock::pkaLines(a.pka, m_settings.separators));
    if (!m_journal)
        return;
    m_journal->documentEvaluated(doc, a.eps, method, reason);
    if (const auto titer = evaluation.titerFound(a.eps))
        m_journal->titerDetermined(doc, *titer);
}

// Clears the data list, store and chart (document evaluation).
void frmMain::cmdDelete_Click()
{
    takeStoreOver();
    clearDataList(m_measurementStore, m_documents->activeDocument());
    showDroppedRows();
}

// Starts or stops the incremental titration run (titration run).
void frmMain::cmdTitration_Click()
{
    // With AskSampleAtStart a run starts only once its sample has been entered.
    if (!m_run->isRunning() && ResultSettings::read(m_store).askSampleAtStart) {
        auto *dialog = findChild<SampleDialog *>(QStringLiteral("SampleDialog"));
        if (!dialog) {
            dialog = new SampleDialog(m_store, m_settings.separators, this);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            connect(dialog, &QDialog::accepted, this, [this] {
                if (!m_run->isRunning())
                    m_run->toggle();
            });
        }
        dialog->open();
        return;
    }
    m_run->toggle();
}

// Fills the burette (manual commands).
void frmMain::cmdFill_Click()
{
    showRsError(m_manual->fill());
}

// Doses the volume in txtDos (manual commands).
void frmMain::cmdDos_Click()
{
    const DoseStatus status = m_manual->dose(txtDosText());
    if (!status.refused.isEmpty())
        showMessage(status.refused);
    showRsError(status.line);
}

// One step of the titration run (titration run).
void frmMain::Timer1_Timer()
{
    m_run->Ablauf();
}

// New document (file commands).
void frmMain::mnuFileNew_Click()
{
    NeuesDokument();
}

// Opens a document file (file commands).
void frmMain::mnuFileOpen_Click()
{
    m_documents->open();
}

// Closes the active document (file commands).
void frmMain::mnuFileClose_Click()
{
    m_documents->close();
}

// Saves the active document (file commands).
void frmMain::mnuFileSave_Click()
{
    m_documents->save();
}

// Saves the active document under a new name (file commands).
void frmMain::mnuFileSaveAs_Click()
{
    m_documents->saveAs();
}

// Writes the active chart's series as CSV (series commands).
void frmMain::mnuFileExport_Click()
{
    m_series->exportData();
}

// Page setup (print commands).
void frmMain::mnuFilePageSetup_Click()
{
    m_documents->pageSetup();
}

// Prints the active document and its chart (print commands).
void frmMain::mnuFilePrint_Click()
{
    m_documents->print();
}

// New document window (window commands).
void frmMain::mnuWindowNewWindow_Click()
{
    NeuesDokument();
}

// Cascades the document windows (window commands).
void frmMain::mnuWindowCascade_Click()
{
    m_documents->cascade();
}

// Tiles the document windows as horizontal strips, one above the other (window commands).
void frmMain::mnuWindowTileHorizontal_Click()
{
    m_documents->tileHorizontal();
}

// Tiles the document windows side by side (window commands).
void frmMain::mnuWindowTileVertical_Click()
{
    m_documents->tileVertical();
}

// Does nothing: documents are never shown as icons (window commands).
void frmMain::mnuWindowArrangeIcons_Click()
{
    m_documents->arrangeIcons();
}

// The toolbar's image buttons (file and print commands).
void frmMain::tbToolBar_ButtonClick(const QString &key)
{
    if (key == QLatin1StringView("Neu"))
        NeuesDokument();
    else if (key == QLatin1StringView("Drucken"))
        m_documents->print();
    else if (key == QLatin1StringView("Speichern"))
        m_documents->save();
}

void frmMain::mnuFileExit_Click()
{
    close();
}

void frmMain::mnuMethode_Click()
{
    auto *dialog = findChild<frmMethode *>(QStringLiteral("frmMethode"));
    if (!dialog) {
        dialog = new frmMethode(m_store, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        applyCaptions(*dialog, captionTable(), m_settings.isGerman());
        connect(dialog, &QDialog::accepted, this, [this] {
            if (m_journal)
                m_journal->methodMayHaveChanged();
        });
    } else {
        dialog->Form_Load();
    }
    if (m_journal)
        dialog->setTitrants(TitrantEvaluation::titrantNames(m_journal->location()));
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void frmMain::mnuOptions_Click()
{
    frmOption *dialog = optionDialog();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}
