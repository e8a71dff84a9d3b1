#pragma once

#include "common/numbers.h"
#include "journal/journallocation.h"
#include "model/journalrecords.h"

#include <QWidget>

#include <memory>
#include <vector>

class JournalStore;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class TiterChart;

// The journal's titrants: the list, a titrant added or changed (name, nominal concentration,
// days its titers stay valid), and the selected one's titer history as a table and a control
// chart. It works on a connection of its own to the journal.
class TitrantWindow : public QWidget
{
    Q_OBJECT
public:
    TitrantWindow(
        const JournalLocation &location, Numbers::Separators sep, QWidget *parent = nullptr);
    ~TitrantWindow() override;

    // Opens the journal anew and lists its titrants; says in the window why when it cannot.
    bool reload();

protected:
    void changeEvent(QEvent *event) override;

private:
    void showTitrant(int row);
    void showHistory(qint64 titrantId);
    void startNew();
    void save();
    void retranslate();

    JournalLocation m_location;
    Numbers::Separators m_sep;
    std::unique_ptr<JournalStore> m_store;
    std::vector<Journal::Titrant> m_titrants;
    qint64 m_editedId = 0; // 0: a new titrant

    QTableWidget *m_lvwTitrants = nullptr;
    QLabel *m_lblName = nullptr;
    QLineEdit *m_txtName = nullptr;
    QLabel *m_lblConcentration = nullptr;
    QDoubleSpinBox *m_txtConcentration = nullptr;
    QLabel *m_lblValidity = nullptr;
    QSpinBox *m_txtValidity = nullptr;
    QPushButton *m_cmdNew = nullptr;
    QPushButton *m_cmdSave = nullptr;
    QTableWidget *m_lvwTiters = nullptr;
    TiterChart *m_chart = nullptr;
    QLabel *m_lblLimits = nullptr;
    QLabel *m_lblStatus = nullptr;
    QPushButton *m_cmdClose = nullptr;
};
