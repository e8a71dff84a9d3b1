#include "dropfolderchooser.h"

#include "app/dropfolder.h"
#include "common/settingsvalue.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

DropFolderChooser::DropFolderChooser(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DropFolderChooser"));
    m_label = new QLabel(this);
    m_path = new QLineEdit(this);
    m_path->setObjectName(QStringLiteral("txtDropFolder"));
    m_path->setClearButtonEnabled(true);
    m_label->setBuddy(m_path);
    m_browse = new QPushButton(QStringLiteral("..."), this);
    m_browse->setObjectName(QStringLiteral("cmdDropFolder"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label);
    layout->addWidget(m_path, 1);
    layout->addWidget(m_browse);
    connect(m_browse, &QPushButton::clicked, this, &DropFolderChooser::choose);
    retranslate();
}

QString DropFolderChooser::folder() const
{
    return QDir::fromNativeSeparators(m_path->text().trimmed());
}

void DropFolderChooser::setFolder(const QString &folder)
{
    m_path->setText(QDir::toNativeSeparators(folder));
}

void DropFolderChooser::load(const QSettings &store)
{
    setFolder(SettingsValue::text(store.value(DropFolder::settingsKey())).trimmed());
}

void DropFolderChooser::store(QSettings &store) const
{
    const QString key = DropFolder::settingsKey();
    if (SettingsValue::text(store.value(key)).trimmed() != folder())
        store.setValue(key, folder());
}

void DropFolderChooser::choose()
{
    const QString chosen
        = QFileDialog::getExistingDirectory(this, tr("Drop folder for the LIMS"), folder());
    if (!chosen.isEmpty())
        setFolder(chosen);
}

void DropFolderChooser::retranslate()
{
    m_label->setText(tr("LIMS &drop folder"));
    m_path->setPlaceholderText(tr("none: no files"));
    m_path->setToolTip(tr("Each evaluation stored in the journal is written here as one JSON "
                          "file, for a LIMS that watches the folder."));
}

void DropFolderChooser::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}
