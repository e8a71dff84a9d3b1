#pragma once

#include "app/settingsstore.h"
#include "app/windowgeometry.h"
#include "model/measurementstore.h"
#include "model/settingsrecord.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include <memory>
#include <optional>

class AbstractDocument;
class ChartBuild;
class DocumentCommands;
class JournalSession;
class JournalWindow;
class InstrumentLink;
class ManualCommands;
class ReportEvaluator;
class RsKanal;
struct LinkStatus;
class QAction;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMenu;
class QPushButton;
class QSettings;
class QStatusBar;
class QTimer;
class QToolBar;
class RunControls;
class RunTimer;
class SeriesCommands;
class TitrationRun;
class TitrantEvaluation;
class TitrantWindow;
class frmOption;

// The main window: an MDI frame with the menus, the instrument toolbar and the status bar.
// It owns the settings record, Timer1 and the options dialog.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    // `store` is the per-user settings store; it must outlive the window.
    explicit frmMain(QSettings &store, QWidget *parent = nullptr);
    ~frmMain() override;

    // Runs the load steps once: geometry, increments, separators, method file, options
    // dialog, language, first document, serial channel.
    void Form_Load();
    bool isLoaded() const { return m_loaded; }
    bool isUnloaded() const { return m_unloaded; }

    // The increments of the run.
    double InkZeit() const { return m_settings.InkZeit; }
    void setInkZeit(double seconds) { m_settings.InkZeit = seconds; }
    double VolInk() const { return m_settings.VolInk; }
    void setVolInk(double millilitres) { m_settings.VolInk = millilitres; }

    SettingsRecord &settings() { return m_settings; }
    // The measurement store shared by the report evaluation, the chart build, the run and the
    // derivative.
    MeasurementStore &measurementStore() { return m_measurementStore; }

    QMdiArea *mdiArea() const { return m_mdiArea; }
    QStatusBar *sbStatusBar() const { return statusBar(); }
    QPushButton *cmdTitration() const { return m_cmdTitration; }
    QString txtDosText() const;
    void setTxtDosText(const QString &text);

    // The options dialog, created unseen (and loaded) when it is not there.
    frmOption *optionDialog();
    // The options dialog if it is there, without creating it.
    frmOption *existingOptionDialog() const;
    // The dialog's live controls for the titration run; reading creates the dialog if needed.
    RunControls &runControls();

    // Opens a new numbered document window, which becomes the active one.
    void NeuesDokument();
    // The document windows: the active one, new ones, the file, print and window commands.
    DocumentCommands &documents() { return *m_documents; }
    // The line to the titrator (also where commands go).
    InstrumentLink &link() { return *m_link; }
    // The chart build behind cmdChart.
    ChartBuild &chartBuild() { return *m_chartBuild; }
    // The equivalence point, data export and the chart's context menu.
    SeriesCommands &seriesCommands() { return *m_series; }
    // The incremental titration run behind cmdTitration.
    TitrationRun &titrationRun() { return *m_run; }
    // Closes the serial channel if it is open and opens channel RsPort.
    void InitRs();
    // One line received from the titrator: the report evaluation.
    void RsAuswertung(const QString &Zeile);
    // A message with an OK button, not modal in a loop of its own.
    void showMessage(const QString &text);

    // Starts the lab journal: the one `commandLine` names (--journal), else the settings key
    // Journal/Url, else the user's SQLite file. A journal that cannot be used is said once;
    // the program then runs without it.
    void openJournal(const std::optional<QString> &commandLine = std::nullopt);
    // Null before openJournal() and when the journal named is no journal.
    JournalSession *journal() const { return m_journal.get(); }
    // The journal window, if it is open.
    JournalWindow *journalWindow() const;
    // Shows the journal's run `runId` in a new document: its table as the run wrote it, and
    // its curve on the chart.
    void openJournalRun(qint64 runId);

public Q_SLOTS:
    void cmdSend_Click();
    void cmdResult_Click();
    void cmdChart_Click();
    void cmdAbleit_Click();
    void mnuFileEvaluate_Click();
    void cmdDelete_Click();
    void cmdTitration_Click();
    void cmdFill_Click();
    void cmdDos_Click();
    void Timer1_Timer();

    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileClose_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFileExport_Click();
    void mnuFilePageSetup_Click();
    void mnuFilePrint_Click();
    void mnuFileExit_Click();
    void mnuWindowNewWindow_Click();
    void mnuWindowCascade_Click();
    void mnuWindowTileHorizontal_Click();
    void mnuWindowTileVertical_Click();
    void mnuWindowArrangeIcons_Click();
    void mnuOptions_Click();
    // The method dialog (frmMethode), modeless, one at a time.
    void mnuMethode_Click();
    // The toolbar's image buttons, by key: "Neu", "Drucken", "Speichern".
    void tbToolBar_ButtonClick(const QString &key);
    // The journal window (one at a time).
    void mnuJournal_Click();
    // The titrants and their titer history (one window at a time).
    void mnuTitrants_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void LeseMethode();
    void Form_Unload();
    void refreshClock();
    WindowGeometry::Dpi screenDpi() const;
    // "Fehler in der Rs Kommunikation" and the reason when the line failed; one message at a
    // time.
    void showRsError(const LinkStatus &status);
    // A message in `box`, shown without a loop of its own; one box at a time per kind.
    void showSingleMessage(QPointer<QMessageBox> &box, QMessageBox::Icon icon, const QString &name,
        const QString &text);
    // Says in the status bar when the series has more rows than the chart holds.
    void showDroppedRows();
    // The journal's word in the status bar and, for `alert`, in one message at a time.
    void showJournalText(const QString &text, bool alert);
    // Tells the journal which documents go and which are saved as what.
    void connectJournalToDocuments();
    // The method of the settings, with its titrant's values from the journal.
    TitrantEvaluation methodWithTitrant() const;
    // The store goes to the chart build or is emptied: a listing coming in is complete.
    void takeStoreOver();
    // File > Evaluate on `document`, whose run was evaluated before: asks why first.
    void askEvaluationReason(AbstractDocument *document);
    // Appends the results block to `document` (the active one) and tells the journal.
    void evaluateDocument(AbstractDocument *document, const QString &reason);

    QSettings &m_store;
    SettingsRecord m_settings;
    MeasurementStore m_measurementStore;
    SettingsStore::Geometry m_appliedGeometry; // twips the window was given at load
    bool m_loaded = false;
    bool m_unloaded = false;
    QPointer<frmOption> m_option;
    std::unique_ptr<RunControls> m_runControls;
    std::unique_ptr<DocumentCommands> m_documents;
    std::unique_ptr<RsKanal> m_rsKanal1;
    std::unique_ptr<InstrumentLink> m_link;
    std::unique_ptr<ReportEvaluator> m_evaluator;
    std::unique_ptr<ManualCommands> m_manual;
    std::unique_ptr<RunTimer> m_runTimer;
    std::unique_ptr<TitrationRun> m_run;
    std::unique_ptr<ChartBuild> m_chartBuild;
    std::unique_ptr<SeriesCommands> m_series;
    QPointer<QMessageBox> m_rsErrorBox;
    int m_droppedRowsShown = 0;
    std::unique_ptr<JournalSession> m_journal;
    QString m_journalProblem; // why the journal named is not used
    QPointer<JournalWindow> m_journalWindow;
    QPointer<QMessageBox> m_journalBox;
    QPointer<TitrantWindow> m_titrantWindow;
    QMenu *m_mnuJournalMenu = nullptr;
    QAction *m_mnuJournal = nullptr;
    QAction *m_mnuTitrants = nullptr;

    QMdiArea *m_mdiArea = nullptr;
    QToolBar *m_tbToolBar = nullptr;
    QTimer *m_timer1 = nullptr;
    QTimer *m_clockTimer = nullptr;
    QLabel *m_dateLabel = nullptr;
    QLabel *m_timeLabel = nullptr;
    QPushButton *m_cmdSend = nullptr;
    QPushButton *m_cmdResult = nullptr;
    QPushButton *m_cmdChart = nullptr;
    QPushButton *m_cmdAbleit = nullptr;
    QPushButton *m_cmdDelete = nullptr;
    QPushButton *m_cmdTitration = nullptr;
    QPushButton *m_cmdFill = nullptr;
    QPushButton *m_cmdDos = nullptr;
    QLineEdit *m_txtDos = nullptr;
};
