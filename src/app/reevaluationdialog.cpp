#include "reevaluationdialog.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

ReevaluationDialog::ReevaluationDialog(QWidget *parent)
    : QDialog(parent)
{
    build(nullptr);
}

ReevaluationDialog::ReevaluationDialog(const ResultSettings &stored, QWidget *parent)
    : QDialog(parent)
{
    build(&stored);
}

void ReevaluationDialog::build(const ResultSettings *stored)
{
    setObjectName(QStringLiteral("ReevaluationDialog"));
    setWindowTitle(tr("Evaluate again"));
    m_reason = new QLineEdit(this);
    m_reason->setObjectName(QStringLiteral("txtReason"));
    m_reason->setPlaceholderText(tr("why the run is evaluated again"));
    auto *form = new QFormLayout;
    form->addRow(tr("&Reason"), m_reason);
    if (stored) {
        m_criterion = new QDoubleSpinBox(this);
        m_criterion->setObjectName(QStringLiteral("spnCriterion"));
        m_criterion->setDecimals(2);
        m_criterion->setRange(0.01, 100);
        m_criterion->setSingleStep(0.1);
        m_criterion->setValue(stored->epCriterion);
        m_resultEp = new QSpinBox(this);
        m_resultEp->setObjectName(QStringLiteral("spnResultEp"));
        m_resultEp->setRange(1, 1000);
        m_resultEp->setValue(stored->method.resultEp);
        m_sampleSize = new QDoubleSpinBox(this);
        m_sampleSize->setObjectName(QStringLiteral("spnSampleSize"));
        m_sampleSize->setDecimals(6);
        m_sampleSize->setRange(0, 1e6);
        m_sampleSize->setSpecialValueText(tr("not entered"));
        m_sampleSize->setSuffix(u' ' + stored->method.sampleUnit);
        m_sampleSize->setValue(stored->method.sampleSize);
        form->addRow(tr("EP &criterion"), m_criterion);
        form->addRow(tr("Result from &EP"), m_resultEp);
        form->addRow(tr("&Sample size"), m_sampleSize);
    }

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(m_reason, &QLineEdit::textChanged, this,
        [this](const QString &text) { m_ok->setEnabled(!text.trimmed().isEmpty()); });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

QString ReevaluationDialog::reason() const
{
    return m_reason->text().trimmed();
}

Reevaluation::Changes ReevaluationDialog::changes() const
{
    Reevaluation::Changes changes;
    changes.reason = reason();
    if (m_criterion) {
        changes.criterion = m_criterion->value();
        changes.resultEp = m_resultEp->value();
        changes.sampleSize = m_sampleSize->value();
    }
    return changes;
}

void ReevaluationDialog::accept()
{
    if (!reason().isEmpty())
        QDialog::accept();
}
