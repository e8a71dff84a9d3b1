#pragma once

#include "common/numbers.h"
#include "journal/journallocation.h"
#include "journal/journalstore.h"

#include <QWidget>

#include <memory>

class JournalRunModel;
class JournalVersionsPane;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTableView;

// The journal's runs, newest first, with a filter by sample and by date. It reads the journal
// on a connection of its own, read-only. Opening a run (double click, Enter or Open) asks the
// main window to show it in a new document.
class JournalWindow : public QWidget
{
    Q_OBJECT
public:
    JournalWindow(
        const JournalLocation &location, Numbers::Separators sep, QWidget *parent = nullptr);
    ~JournalWindow() override;

    // Opens the journal anew and shows the filter's runs; says in the window why when it
    // cannot be read.
    bool reload();
    // Null while the journal cannot be read.
    JournalStore *store() const { return m_store.get(); }
    JournalRunModel *model() const { return m_model.get(); }
    JournalVersionsPane *versions() const { return m_versions; }
    // The journal stored an evaluation of `runId`: shown if it is the selected run.
    void evaluationStored(qint64 runId);

Q_SIGNALS:
    void openRequested(qint64 runId);
    // "Evaluate again..." made an evaluation of the run `uuid`, to be stored.
    void evaluationMade(const QString &uuid, const Journal::Evaluation &evaluation);

protected:
    void changeEvent(QEvent *event) override;

private:
    JournalStore::RunFilter chosenFilter() const;
    void applyFilter();
    void open(const QModelIndex &index);
    void showVersions(const QModelIndex &current);
    void showCount();
    // The selected run's sample: its series below the list, its outliers marked in the table.
    void showSeries();
    void retranslate();

    JournalLocation m_location;
    Numbers::Separators m_sep;
    std::unique_ptr<JournalStore> m_store;
    std::unique_ptr<JournalRunModel> m_model;
    QString m_problem; // why the journal cannot be read; empty when it can
    QString m_seriesSample; // whose series is shown

    QLabel *m_lblSample = nullptr;
    QLineEdit *m_txtSample = nullptr;
    QCheckBox *m_chkSince = nullptr;
    QDateEdit *m_dtpSince = nullptr;
    QCheckBox *m_chkUntil = nullptr;
    QDateEdit *m_dtpUntil = nullptr;
    QTableView *m_lvwRuns = nullptr;
    QLabel *m_lblSeries = nullptr;
    JournalVersionsPane *m_versions = nullptr;
    QLabel *m_lblStatus = nullptr;
    QPushButton *m_cmdRefresh = nullptr;
    QPushButton *m_cmdOpen = nullptr;
    QPushButton *m_cmdClose = nullptr;
};
