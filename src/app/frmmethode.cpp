#include "frmmethode.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A value with its unit; the ranges are those the settings accept.
QDoubleSpinBox *valueBox(const char *name, double low, double high, int decimals, double step,
    const QString &unit, QWidget *parent)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    if (!unit.isEmpty())
        box->setSuffix(u' ' + unit);
    return box;
}

QLabel *label(const char *name, QWidget *buddy, QWidget *parent)
{
    // The caption comes from the caption table; the name stands in until it is applied.
    auto *l = new QLabel(QString::fromLatin1(name), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setBuddy(buddy);
    return l;
}

QRadioButton *option(const char *name, QWidget *parent)
{
    auto *b = new QRadioButton(QString::fromLatin1(name), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QComboBox *unitBox(const char *name, const QStringList &units, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItems(units);
    return box;
}

// The box's value, or `loaded` when the box still shows it: a stored value with more digits
// than the box, or outside its range, is not changed by an OK that did not touch it.
double taken(const QDoubleSpinBox *box, double loaded)
{
    const double shown = std::clamp(
        QString::number(loaded, 'f', box->decimals()).toDouble(), box->minimum(), box->maximum());
    return box->value() == shown ? loaded : box->value();
}

} // namespace

frmMethode::frmMethode(QSettings &store, QWidget *parent)
    : QDialog(parent)
    , m_store(store)
{
    setObjectName(QStringLiteral("frmMethode"));
    setWindowTitle(QStringLiteral("Method"));
    buildControls();
    Form_Load();
}

void frmMethode::buildControls()
{
    using M = MethodSettings;
    auto *dosing = new QGroupBox(QStringLiteral("FrameDosing"), this);
    dosing->setObjectName(QStringLiteral("FrameDosing"));
    m_optDosing[0] = option("optDosing_0", dosing);
    m_optDosing[1] = option("optDosing_1", dosing);
    m_signalStepPh = valueBox(
        "txtSignalStepPh", M::MinSignalStepPh, M::MaxSignalStepPh, 2, 0.05, "pH", dosing);
    m_signalStepMv
        = valueBox("txtSignalStepMv", M::MinSignalStepMv, M::MaxSignalStepMv, 1, 1, "mV", dosing);
    m_minIncrement = valueBox("txtMinIncrement", M::BuretteResolution, M::LargestIncrement, 3,
        M::BuretteResolution, "mL", dosing);
    m_maxIncrement = valueBox(
        "txtMaxIncrement", M::BuretteResolution, M::LargestIncrement, 3, 0.01, "mL", dosing);
    auto *dosingModes = new QHBoxLayout;
    dosingModes->addWidget(m_optDosing[0]);
    dosingModes->addWidget(m_optDosing[1]);
    auto *dosingForm = new QFormLayout(dosing);
    dosingForm->addRow(dosingModes);
    dosingForm->addRow(label("lblSignalStep", m_signalStepPh, dosing), m_signalStepPh);
    dosingForm->addRow(QString(), m_signalStepMv);
    dosingForm->addRow(label("lblMinIncrement", m_minIncrement, dosing), m_minIncrement);
    dosingForm->addRow(label("lblMaxIncrement", m_maxIncrement, dosing), m_maxIncrement);

    auto *reading = new QGroupBox(QStringLiteral("FrameReading"), this);
    reading->setObjectName(QStringLiteral("FrameReading"));
    m_optReading[0] = option("optReading_0", reading);
    m_optReading[1] = option("optReading_1", reading);
    m_driftLimitPh = valueBox(
        "txtDriftLimitPh", M::MinDriftLimitPh, M::MaxDriftLimitPh, 2, 0.1, "pH/min", reading);
    m_driftLimitMv = valueBox(
        "txtDriftLimitMv", M::MinDriftLimitMv, M::MaxDriftLimitMv, 1, 1, "mV/min", reading);
    m_minWait = valueBox("txtMinWait", 0, M::LongestMinWait, 1, 1, "s", reading);
    m_maxWait = valueBox("txtMaxWait", M::ShortestMaxWait, M::LongestMaxWait, 1, 1, "s", reading);
    auto *readingModes = new QHBoxLayout;
    readingModes->addWidget(m_optReading[0]);
    readingModes->addWidget(m_optReading[1]);
    auto *readingForm = new QFormLayout(reading);
    readingForm->addRow(readingModes);
    readingForm->addRow(label("lblDriftLimit", m_driftLimitPh, reading), m_driftLimitPh);
    readingForm->addRow(QString(), m_driftLimitMv);
    readingForm->addRow(label("lblMinWait", m_minWait, reading), m_minWait);
    readingForm->addRow(label("lblMaxWait", m_maxWait, reading), m_maxWait);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("cmdCancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(ok, &QPushButton::clicked, this, &frmMethode::cmdOK_Click);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *run = new QVBoxLayout;
    run->addWidget(dosing);
    run->addWidget(reading);
    run->addWidget(buildStandardControls());
    run->addStretch();
    auto *results = new QVBoxLayout;
    results->addWidget(buildResultControls());
    results->addWidget(buildBudgetControls());
    results->addStretch();
    auto *groups = new QHBoxLayout;
    groups->addLayout(run);
    groups->addLayout(results);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);

    for (QRadioButton *b : {m_optDosing[0], m_optDosing[1], m_optReading[0], m_optReading[1]})
        connect(b, &QRadioButton::toggled, this, &frmMethode::enableModeValues);
}

// The ranges are those ResultSettings::read accepts; 0 stands for a value not entered.
QGroupBox *frmMethode::buildResultControls()
{
    auto *result = new QGroupBox(QStringLiteral("FrameResult"), this);
    result->setObjectName(QStringLiteral("FrameResult"));
    m_sampleId = new QLineEdit(result);
    m_sampleId->setObjectName(QStringLiteral("txtSampleId"));
    m_sampleId->setMaxLength(MethodValues::MaxSampleIdLength);
    m_sampleSize = valueBox("txtSampleSize", 0, 100000, 4, 0.1, QString(), result);
    m_sampleUnit = unitBox("cboSampleUnit", {QStringLiteral("g"), QStringLiteral("mL")}, result);
    m_concentration = valueBox("txtConcentration", 0.0001, 100, 4, 0.01, "mol/L", result);
    m_titrant = new QComboBox(result);
    m_titrant->setObjectName(QStringLiteral("cboTitrant"));
    m_titrant->addItem(QString(), QString());
    m_titer = valueBox("txtTiter", 0.0001, 100, 4, 0.001, QString(), result);
    m_factor = valueBox("txtFactor", 0.0001, 1000, 4, 1, QString(), result);
    m_molarMass = valueBox("txtMolarMass", 0, 100000, 3, 1, "g/mol", result);
    m_blankVolume = valueBox("txtBlankVolume", 0, 1000, 3, 0.01, "mL", result);
    m_resultEp = new QSpinBox(result);
    m_resultEp->setObjectName(QStringLiteral("txtResultEp"));
    m_resultEp->setRange(1, 1000);
    m_resultUnit = unitBox("cboResultUnit", TitrationResult::resultUnitTexts(), result);
    m_epCriterion = valueBox("txtEpCriterion", 0.01, 100, 2, 0.1, QString(), result);
    m_resultsAtRunEnd = new QCheckBox(QStringLiteral("chkResultsAtRunEnd"), result);
    m_resultsAtRunEnd->setObjectName(QStringLiteral("chkResultsAtRunEnd"));
    m_askSampleAtStart = new QCheckBox(QStringLiteral("chkAskSampleAtStart"), result);
    m_askSampleAtStart->setObjectName(QStringLiteral("chkAskSampleAtStart"));

    auto *sample = new QHBoxLayout;
    sample->addWidget(m_sampleSize, 1);
    sample->addWidget(m_sampleUnit);
    auto *form = new QFormLayout(result);
    form->addRow(label("lblSampleId", m_sampleId, result), m_sampleId);
    form->addRow(label("lblSampleSize", m_sampleSize, result), sample);
    form->addRow(label("lblTitrant", m_titrant, result), m_titrant);
    form->addRow(label("lblConcentration", m_concentration, result), m_concentration);
    form->addRow(label("lblTiter", m_titer, result), m_titer);
    form->addRow(label("lblFactor", m_factor, result), m_factor);
    form->addRow(label("lblMolarMass", m_molarMass, result), m_molarMass);
    form->addRow(label("lblBlankVolume", m_blankVolume, result), m_blankVolume);
    form->addRow(label("lblResultEp", m_resultEp, result), m_resultEp);
    form->addRow(label("lblResultUnit", m_resultUnit, result), m_resultUnit);
    form->addRow(label("lblEpCriterion", m_epCriterion, result), m_epCriterion);
    form->addRow(m_resultsAtRunEnd);
    form->addRow(m_askSampleAtStart);
    connect(m_titrant, &QComboBox::currentIndexChanged, this, &frmMethode::enableTitrantValues);
    retranslate();
    return result;
}

// The sample of a titer determination: a primary standard, the uncertainties 0 when unknown.
QGroupBox *frmMethode::buildStandardControls()
{
    m_standard = new QGroupBox(QStringLiteral("FrameStandard"), this);
    m_standard->setObjectName(QStringLiteral("FrameStandard"));
    m_titerDetermination = new QCheckBox(QStringLiteral("chkTiterDetermination"), m_standard);
    m_titerDetermination->setObjectName(QStringLiteral("chkTiterDetermination"));
    m_standardMass = valueBox("txtStandardMass", 0, 1000, 5, 0.01, "g", m_standard);
    m_standardMolarMass = valueBox("txtStandardMolarMass", 0, 100000, 4, 1, "g/mol", m_standard);
    m_standardPurity = valueBox("txtStandardPurity", 0.001, 100, 3, 0.1, "%", m_standard);
    m_standardFactor = valueBox("txtStandardFactor", 0.0001, 1000, 4, 1, QString(), m_standard);
    m_standardMassU = valueBox("txtStandardMassU", 0, 10, 5, 0.0001, "g", m_standard);
    m_standardPurityU = valueBox("txtStandardPurityU", 0, 100, 3, 0.01, "%", m_standard);
    m_standardMolarMassU = valueBox("txtStandardMolarMassU", 0, 100, 4, 0.001, "g/mol", m_standard);
    auto *form = new QFormLayout(m_standard);
    form->addRow(m_titerDetermination);
    const std::pair<const char *, QDoubleSpinBox *> rows[] = {
        {"lblStandardMass", m_standardMass},
        {"lblStandardMassU", m_standardMassU},
        {"lblStandardMolarMass", m_standardMolarMass},
        {"lblStandardMolarMassU", m_standardMolarMassU},
        {"lblStandardPurity", m_standardPurity},
        {"lblStandardPurityU", m_standardPurityU},
        {"lblStandardFactor", m_standardFactor},
    };
    for (const auto &[name, box] : rows)
        form->addRow(label(name, box, m_standard), box);
    connect(m_titerDetermination, &QCheckBox::toggled, this, &frmMethode::enableTitrantValues);
    return m_standard;
}

// The uncertainties of the result's inputs besides the EP; 0 counts an input as exact.
QGroupBox *frmMethode::buildBudgetControls()
{
    auto *budget = new QGroupBox(QStringLiteral("FrameBudget"), this);
    budget->setObjectName(QStringLiteral("FrameBudget"));
    m_concentrationU = valueBox("txtConcentrationU", 0, 100, 3, 0.01, "%", budget);
    m_buretteSystematic = valueBox("txtBuretteSystematic", 0, 100, 3, 0.01, "%", budget);
    m_buretteRandom = valueBox("txtBuretteRandom", 0, 100, 3, 0.01, "%", budget);
    m_sampleSizeU = valueBox("txtSampleSizeU", 0, 100000, 5, 0.0001, QString(), budget);
    m_blankVolumeU = valueBox("txtBlankVolumeU", 0, 1000, 4, 0.001, "mL", budget);
    auto *form = new QFormLayout(budget);
    const std::pair<const char *, QDoubleSpinBox *> rows[] = {
        {"lblConcentrationU", m_concentrationU},
        {"lblBuretteSystematic", m_buretteSystematic},
        {"lblBuretteRandom", m_buretteRandom},
        {"lblSampleSizeU", m_sampleSizeU},
        {"lblBlankVolumeU", m_blankVolumeU},
    };
    for (const auto &[name, box] : rows)
        form->addRow(label(name, box, budget), box);
    return budget;
}

void frmMethode::setTitrants(const QStringList &names)
{
    const QString chosen = m_titrant->currentData().toString();
    const QSignalBlocker blocker(m_titrant);
    while (m_titrant->count() > 1)
        m_titrant->removeItem(1);
    for (const QString &name : names)
        m_titrant->addItem(name, name);
    showTitrant(chosen);
}

// A titrant the list lacks (the journal cannot be read) is offered still, so OK keeps it.
void frmMethode::showTitrant(const QString &name)
{
    int index = m_titrant->findData(name);
    if (index < 0) {
        m_titrant->addItem(name, name);
        index = m_titrant->count() - 1;
    }
    m_titrant->setCurrentIndex(index);
    enableTitrantValues();
}

// With a titrant the journal gives concentration and titer; a titer determination finds the
// titer, and its standard's values count.
void frmMethode::enableTitrantValues()
{
    const bool typed = m_titrant->currentIndex() <= 0;
    const bool determination = m_titerDetermination->isChecked();
    m_concentration->setEnabled(typed);
    // A titrant's titer brings its own u.
    m_concentrationU->setEnabled(typed);
    m_titer->setEnabled(typed && !determination);
    for (QDoubleSpinBox *box : {m_standardMass, m_standardMolarMass, m_standardPurity,
             m_standardFactor, m_standardMassU, m_standardPurityU, m_standardMolarMassU})
        box->setEnabled(determination);
}

// The captions come from the caption table; these texts follow the installed translation.
void frmMethode::retranslate()
{
    for (QDoubleSpinBox *box : {m_sampleSize, m_molarMass, m_standardMass, m_standardMolarMass})
        box->setSpecialValueText(tr("not entered"));
    m_titrant->setItemText(0, tr("typed"));
}

void frmMethode::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QDialog::changeEvent(event);
}

void frmMethode::Form_Load()
{
    showMethod(MethodSettings::read(m_store));
    showResults(ResultSettings::read(m_store));
}

void frmMethode::showResults(const ResultSettings &r)
{
    m_loadedResults = r;
    const MethodValues &m = r.method;
    m_sampleId->setText(m.sampleId);
    m_sampleSize->setValue(m.sampleSize);
    m_sampleUnit->setCurrentText(m.sampleUnit);
    m_concentration->setValue(m.titrantConcentration);
    m_titer->setValue(m.titer);
    m_factor->setValue(m.stoichiometricFactor);
    m_molarMass->setValue(m.molarMass);
    m_blankVolume->setValue(m.blankVolume);
    m_concentrationU->setValue(m.uTitrantConcentrationPercent);
    m_buretteSystematic->setValue(m.buretteSystematicPercent);
    m_buretteRandom->setValue(m.buretteRandomPercent);
    m_sampleSizeU->setValue(m.uSampleSize);
    m_blankVolumeU->setValue(m.uBlankVolume);
    m_resultEp->setValue(m.resultEp);
    m_resultUnit->setCurrentText(m.resultUnit);
    m_epCriterion->setValue(r.epCriterion);
    m_resultsAtRunEnd->setChecked(r.resultsAtRunEnd);
    m_askSampleAtStart->setChecked(r.askSampleAtStart);
    const PrimaryStandard &s = r.standard;
    m_titerDetermination->setChecked(r.titerDetermination);
    m_standardMass->setValue(s.mass);
    m_standardMolarMass->setValue(s.molarMass);
    m_standardPurity->setValue(s.purity);
    m_standardFactor->setValue(s.factor);
    m_standardMassU->setValue(s.uMass);
    m_standardPurityU->setValue(s.uPurity);
    m_standardMolarMassU->setValue(s.uMolarMass);
    showTitrant(m.titrant);
}

ResultSettings frmMethode::shownResults() const
{
    const ResultSettings &l = m_loadedResults;
    ResultSettings r;
    MethodValues &m = r.method;
    m.sampleId = MethodValues::sampleIdFrom(m_sampleId->text());
    m.sampleSize = taken(m_sampleSize, l.method.sampleSize);
    m.sampleUnit = m_sampleUnit->currentText();
    m.titrantConcentration = taken(m_concentration, l.method.titrantConcentration);
    m.titer = taken(m_titer, l.method.titer);
    m.stoichiometricFactor = taken(m_factor, l.method.stoichiometricFactor);
    m.molarMass = taken(m_molarMass, l.method.molarMass);
    m.blankVolume = taken(m_blankVolume, l.method.blankVolume);
    m.uTitrantConcentrationPercent = taken(m_concentrationU, l.method.uTitrantConcentrationPercent);
    m.buretteSystematicPercent = taken(m_buretteSystematic, l.method.buretteSystematicPercent);
    m.buretteRandomPercent = taken(m_buretteRandom, l.method.buretteRandomPercent);
    m.uSampleSize = taken(m_sampleSizeU, l.method.uSampleSize);
    m.uBlankVolume = taken(m_blankVolumeU, l.method.uBlankVolume);
    m.resultEp = m_resultEp->value();
    m.resultUnit = m_resultUnit->currentText();
    r.epCriterion = taken(m_epCriterion, l.epCriterion);
    r.resultsAtRunEnd = m_resultsAtRunEnd->isChecked();
    r.askSampleAtStart = m_askSampleAtStart->isChecked();
    m.titrant = m_titrant->currentData().toString();
    r.titerDetermination = m_titerDetermination->isChecked();
    const PrimaryStandard &ls = l.standard;
    PrimaryStandard &s = r.standard;
    s.mass = taken(m_standardMass, ls.mass);
    s.molarMass = taken(m_standardMolarMass, ls.molarMass);
    s.purity = taken(m_standardPurity, ls.purity);
    s.factor = taken(m_standardFactor, ls.factor);
    s.uMass = taken(m_standardMassU, ls.uMass);
    s.uPurity = taken(m_standardPurityU, ls.uPurity);
    s.uMolarMass = taken(m_standardMolarMassU, ls.uMolarMass);
    return r;
}

void frmMethode::showMethod(const MethodSettings &m)
{
    m_optDosing[m.dosingMode == MethodSettings::Dosing::Dynamic ? 1 : 0]->setChecked(true);
    m_optReading[m.readingMode == MethodSettings::Reading::Drift ? 1 : 0]->setChecked(true);
    m_signalStepPh->setValue(m.signalStepPh);
    m_signalStepMv->setValue(m.signalStepMv);
    m_minIncrement->setValue(m.minIncrement);
    m_maxIncrement->setValue(m.maxIncrement);
    m_driftLimitPh->setValue(m.driftLimitPh);
    m_driftLimitMv->setValue(m.driftLimitMv);
    m_minWait->setValue(m.minWait);
    m_maxWait->setValue(m.maxWait);
    enableModeValues();
}

// The values of a mode that is not chosen stay as they are, greyed.
void frmMethode::enableModeValues()
{
    const bool dynamic = m_optDosing[1]->isChecked();
    for (QWidget *w :
        {static_cast<QWidget *>(m_signalStepPh), static_cast<QWidget *>(m_signalStepMv),
            static_cast<QWidget *>(m_minIncrement), static_cast<QWidget *>(m_maxIncrement)})
        w->setEnabled(dynamic);
    const bool drift = m_optReading[1]->isChecked();
    for (QWidget *w :
        {static_cast<QWidget *>(m_driftLimitPh), static_cast<QWidget *>(m_driftLimitMv),
            static_cast<QWidget *>(m_minWait), static_cast<QWidget *>(m_maxWait)})
        w->setEnabled(drift);
}

MethodSettings frmMethode::shownMethod() const
{
    MethodSettings m;
    m.dosingMode = m_optDosing[1]->isChecked() ? MethodSettings::Dosing::Dynamic
                                               : MethodSettings::Dosing::Fixed;
    m.readingMode = m_optReading[1]->isChecked() ? MethodSettings::Reading::Drift
                                                 : MethodSettings::Reading::Fixed;
    m.signalStepPh = m_signalStepPh->value();
    m.signalStepMv = m_signalStepMv->value();
    m.minIncrement = m_minIncrement->value();
    m.maxIncrement = m_maxIncrement->value();
    m.driftLimitPh = m_driftLimitPh->value();
    m.driftLimitMv = m_driftLimitMv->value();
    m.minWait = m_minWait->value();
    m.maxWait = m_maxWait->value();
    return m.clamped();
}

void frmMethode::cmdOK_Click()
{
    shownMethod().write(m_store);
    shownResults().write(m_store);
    m_store.sync();
    accept();
}
