#pragma once

#include "evaluation/resultsettings.h"
#include "titration/methodsettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QSettings;
class QSpinBox;

// The method dialog: how a titration run doses (fixed or dynamic increments) and when it takes
// a reading (after the fixed waiting time or once the drift has settled), with the values of
// each; and what turns a run's curve into a reported result. It reads the settings store's group
// "Method" when it opens; OK writes it back, Cancel leaves it alone. The next run reads the store
// at its start.
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
    // The result settings the controls show; a value left as loaded keeps its stored digits.
    ResultSettings shownResults() const;
    // The journal's titrants the method may choose from, by name; the one the method has stays
    // offered when the journal lacks it.
    void setTitrants(const QStringList &names);

public Q_SLOTS:
    void cmdOK_Click();

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildControls();
    void retranslate();
    QGroupBox *buildResultControls();
    QGroupBox *buildStandardControls();
    QGroupBox *buildBudgetControls();
    void showTitrant(const QString &name);
    void enableTitrantValues();
    void showMethod(const MethodSettings &method);
    void showResults(const ResultSettings &results);
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

    ResultSettings m_loadedResults;
    QLineEdit *m_sampleId = nullptr;
    QDoubleSpinBox *m_sampleSize = nullptr;
    QComboBox *m_sampleUnit = nullptr;
    QDoubleSpinBox *m_concentration = nullptr;
    QDoubleSpinBox *m_titer = nullptr;
    QDoubleSpinBox *m_factor = nullptr;
    QDoubleSpinBox *m_molarMass = nullptr;
    QDoubleSpinBox *m_blankVolume = nullptr;
    QSpinBox *m_resultEp = nullptr;
    QComboBox *m_resultUnit = nullptr;
    QDoubleSpinBox *m_epCriterion = nullptr;
    QCheckBox *m_resultsAtRunEnd = nullptr;
    QCheckBox *m_askSampleAtStart = nullptr;

    QDoubleSpinBox *m_concentrationU = nullptr;
    QDoubleSpinBox *m_buretteSystematic = nullptr;
    QDoubleSpinBox *m_buretteRandom = nullptr;
    QDoubleSpinBox *m_sampleSizeU = nullptr;
    QDoubleSpinBox *m_blankVolumeU = nullptr;

    QComboBox *m_titrant = nullptr; // first entry: the typed concentration and titer
    QCheckBox *m_titerDetermination = nullptr;
    QGroupBox *m_standard = nullptr;
    QDoubleSpinBox *m_standardMass = nullptr;
    QDoubleSpinBox *m_standardMolarMass = nullptr;
    QDoubleSpinBox *m_standardPurity = nullptr;
    QDoubleSpinBox *m_standardFactor = nullptr;
    QDoubleSpinBox *m_standardMassU = nullptr;
    QDoubleSpinBox *m_standardPurityU = nullptr;
    QDoubleSpinBox *m_standardMolarMassU = nullptr;
};
