#pragma once

#include <QWidget>

class DropFolderChooser;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSettings;
struct SettingsRecord;

// The options dialog: channel, language, range, end values, increment and waiting time.
// Modeless and sizable; OK hides it, its close box destroys it. It edits the settings record
// and the port paths of the settings store it is given; what follows from a change (captions,
// reopening the channel) is the owner's, told by signals.
class frmOption : public QWidget
{
    Q_OBJECT
public:
    // `record` and `store` must outlive the dialog.
    frmOption(SettingsRecord &record, QSettings &store, QWidget *parent);

    // Fills every control from the settings record.
    void Form_Load();

    // The live controls the titration run reads.
    int vscrVollValue() const;
    int vscrZeitValue() const;
    QString txtEndepHText() const;
    QString txtEndVolText() const;
    void setVscrVollValue(int value); // clamped into the scroll bar's range

    // Selects Option1(0) for 1, Option1(1) otherwise, without running its click handler.
    void selectLanguage(int sprache);
    // Accessible names follow the captions of the labels beside the controls.
    void refreshAccessibleNames();

public Q_SLOTS:
    void vscrVoll_Change();
    void vscrZeit_Change();
    void txtEndepH_LostFocus();
    void txtEndVol_LostFocus();
    void optBereich_Click(int index);
    void Option1_Click(int index);
    void optCom_Click(int channel);
    void cmdOK_Click();

Q_SIGNALS:
    // OK: the record holds the confirmed values and the port paths are stored; the dialog is
    // still shown and hides right after.
    void accepted();
    // After OK, when some entries were refused and the record kept its values: one line each.
    void valuesKept(const QString &reasons);
    // A language button was clicked (also by the load): Sprache holds the new language.
    void languageChanged();
    // The user closed the dialog with its close box; it is about to be destroyed.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    int selectedChannel() const;
    QRect twipsRect(int left, int top, int width, int height) const;

    SettingsRecord &m_record;
    QSettings &m_store;
    QString m_portPaths[4]; // device path per channel, stored by OK
    int m_shownChannel = 1;

    QScrollBar *m_vscrVoll = nullptr;
    QScrollBar *m_vscrZeit = nullptr;
    QLabel *m_lblVol = nullptr;
    QLabel *m_lblZeit = nullptr;
    QLabel *m_label1[2] = {};
    QLabel *m_label2 = nullptr;
    QLabel *m_label3 = nullptr;
    QLineEdit *m_txtEndepH = nullptr;
    QLineEdit *m_txtEndVol = nullptr;
    QRadioButton *m_optBereich[2] = {};
    QGroupBox *m_frame1 = nullptr;
    QRadioButton *m_optCom[4] = {};
    QGroupBox *m_frame2 = nullptr;
    QRadioButton *m_option1[2] = {};
    QLabel *m_lblPortPath = nullptr;
    QComboBox *m_cboPortPath = nullptr;
    QPushButton *m_cmdOK = nullptr;
    DropFolderChooser *m_dropFolder = nullptr;
};
