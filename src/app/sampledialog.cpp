#include "sampledialog.h"

#include "app/sampleentry.h"
#include "evaluation/titrationresult.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

SampleDialog::SampleDialog(QSettings &store, Numbers::Separators sep, QWidget *parent)
    : QDialog(parent)
    , m_store(store)
    , m_sep(sep)
{
    setObjectName(QStringLiteral("SampleDialog"));
    setWindowTitle(tr("Sample"));

    m_sampleId = new QLineEdit(this);
    m_sampleId->setObjectName(QStringLiteral("txtSampleId"));
    m_sampleId->setMaxLength(MethodValues::MaxSampleIdLength);
    m_sampleSize = new QLineEdit(this);
    m_sampleSize->setObjectName(QStringLiteral("txtSampleSize"));
    m_sampleSize->setPlaceholderText(tr("not entered"));
    m_sampleUnit = new QComboBox(this);
    m_sampleUnit->setObjectName(QStringLiteral("cboSampleUnit"));
    m_sampleUnit->addItems({QStringLiteral("g"), QStringLiteral("mL")});
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("lblError"));
    m_error->setWordWrap(true);
    m_error->hide();

    const SampleEntry stored = SampleEntry::fromSettings(store, sep);
    m_sampleId->setText(stored.id);
    m_sampleSize->setText(stored.size);
    m_sampleUnit->setCurrentText(stored.unit);

    auto *size = new QHBoxLayout;
    size->addWidget(m_sampleSize, 1);
    size->addWidget(m_sampleUnit);
    auto *form = new QFormLayout;
    form->addRow(tr("Sample id"), m_sampleId);
    form->addRow(tr("Sample size"), size);

    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(ok, &QPushButton::clicked, this, &SampleDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_error);
    layout->addLayout(buttons);
}

void SampleDialog::accept()
{
    const SampleEntry entry {m_sampleId->text(), m_sampleSize->text(), m_sampleUnit->currentText()};
    const QString error = entry.store(m_store, m_sep);
    if (!error.isEmpty()) {
        m_error->setText(error);
        m_error->show();
        m_sampleSize->setFocus();
        return;
    }
    m_store.sync();
    QDialog::accept();
}
