#pragma once

#include "titration/methodsettings.h"

#include <QDialog>

class QDoubleSpinBox;
class QRadioButton;
class QSettings;

// The method dialog: how a titration run doses (fixed or dynamic increments) and when it takes
// a reading (after the fixed waiting time or once the drift has settled), with the values of
// each. It reads the settings store's group "Method" when it opens; OK writes it back, Cancel
// leaves it alone. The next run reads the store at its start.
class frmMethode : public QDialog
{
    Q_OBJECT
public:
    // `store` must outlive the dialog.
    frmMethode(QSettings &store, QWidget *parent);

    // Fills the controls from the store.
    void Form_Load();
    // The method the controls show.
    MethodSettings shownMethod() const;

public Q_SLOTS:
    void cmdOK_Click();

private:
    void buildControls();
    void showMethod(const MethodSettings &method);
    void enableModeValues();

    QSettings &m_store;
    QRadioButton *m_optDosing[2] = {};
    QRadioButton *m_optReading[2] = {};
    QDoubleSpinBox *m_signalStepPh = nullptr;
    QDoubleSpinBox *m_signalStepMv = nullptr;
    QDoubleSpinBox *m_minIncrement = nullptr;
    QDoubleSpinBox *m_maxIncrement = nullptr;
    QDoubleSpinBox *m_driftLimitPh = nullptr;
    QDoubleSpinBox *m_driftLimitMv = nullptr;
    QDoubleSpinBox *m_minWait = nullptr;
    QDoubleSpinBox *m_maxWait = nullptr;
};
