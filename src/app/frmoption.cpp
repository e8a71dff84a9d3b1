#include "frmoption.h"

#include "app/dropfolderchooser.h"
#include "app/optionvalues.h"
#include "link/portsettings.h"
#include "model/settingsrecord.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>

frmOption::frmOption(SettingsRecord &record, QSettings &store, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_record(record)
    , m_store(store)
{
    setObjectName(QStringLiteral("frmOption"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
}

int frmOption::vscrVollValue() const
{
    return m_vscrVoll->value();
}

int frmOption::vscrZeitValue() const
{
    return m_vscrZeit->value();
}

QString frmOption::txtEndepHText() const
{
    return m_txtEndepH->text();
}

QString frmOption::txtEndVolText() const
{
    return m_txtEndVol->text();
}

void frmOption::setVscrVollValue(int value)
{
    m_vscrVoll->setValue(value); // QScrollBar clamps into its range
}

void frmOption::selectLanguage(int sprache)
{
    m_option1[sprache == 1 ? 0 : 1]->setChecked(true);
}

void frmOption::Form_Load()
{
    const SettingsRecord &record = m_record;
    m_vscrVoll->setValue(OptionValues::vscrVollFor(record.VolInk));
    m_vscrZeit->setValue(OptionValues::vscrZeitFor(record.InkZeit));
    m_txtEndepH->setText(Numbers::toText(record.EndWert, record.separators));
    m_txtEndVol->setText(Numbers::toText(record.EndVol, record.separators));

    // A channel outside 1..4 leaves the first one selected.
    if (record.RsPort >= 1 && record.RsPort <= 4)
        m_optCom[record.RsPort - 1]->setChecked(true);
    PortSettings ports(m_store);
    for (int channel = 1; channel <= 4; ++channel)
        m_portPaths[channel - 1] = ports.devicePath(channel);
    m_shownChannel = selectedChannel();
    m_cboPortPath->setEditText(m_portPaths[m_shownChannel - 1]);

    // Selecting a button acts as the user's click would: any language other than German
    // becomes English, any range other than pH becomes mV.
    const int language = record.Sprache == 1 ? 0 : 1;
    m_option1[language]->setChecked(true);
    Option1_Click(language);
    const int range = record.Bereich == 0 ? 0 : 1;
    m_optBereich[range]->setChecked(true);
    optBereich_Click(range);

    vscrVoll_Change();
    vscrZeit_Change();
    m_dropFolder->load(m_store);
}

void frmOption::vscrVoll_Change()
{
    m_lblVol->setText(OptionValues::volumeLabel(m_vscrVoll->value(), m_record.separators));
}

void frmOption::vscrZeit_Change()
{
    m_lblZeit->setText(OptionValues::timeLabel(m_vscrZeit->value(), m_record.separators));
}

void frmOption::txtEndepH_LostFocus()
{
    m_txtEndepH->setText(OptionValues::normaliseDecimal(m_txtEndepH->text(), m_record.separators));
}

void frmOption::txtEndVol_LostFocus()
{
    m_txtEndVol->setText(OptionValues::normaliseDecimal(m_txtEndVol->text(), m_record.separators));
}

void frmOption::optBereich_Click(int)
{
    // Takes effect at once, without OK.
    m_record.Bereich = m_optBereich[0]->isChecked() ? 0 : 1;
    m_label2->setText(OptionValues::endLabel(m_record.Bereich));
    refreshAccessibleNames();
}

void frmOption::Option1_Click(int index)
{
    // Takes effect at once, without OK: the owner gives the captions.
    m_record.Sprache = index == 0 ? 1 : 2;
    Q_EMIT languageChanged();
}

void frmOption::optCom_Click(int channel)
{
    // The path box follows the selected channel; what was typed for the last one is kept.
    m_portPaths[m_shownChannel - 1] = m_cboPortPath->currentText().trimmed();
    m_shownChannel = channel;
    m_cboPortPath->setEditText(m_portPaths[channel - 1]);
}

void frmOption::cmdOK_Click()
{
    OptionValues::Confirmed values;
    values.vscrVoll = m_vscrVoll->value();
    values.vscrZeit = m_vscrZeit->value();
    values.endWertText = m_txtEndepH->text();
    values.endVolText = m_txtEndVol->text();
    values.rsPort = quint8(selectedChannel());
    const QStringList kept = OptionValues::applyOk(values, m_record);

    m_portPaths[m_shownChannel - 1] = m_cboPortPath->currentText().trimmed();
    PortSettings ports(m_store);
    for (int channel = 1; channel <= 4; ++channel) {
        if (ports.devicePath(channel) != m_portPaths[channel - 1])
            ports.setDevicePath(channel, m_portPaths[channel - 1]);
    }

    m_dropFolder->store(m_store);

    // The channel reopens while the dialog is still shown; a refusal shows after it is gone.
    Q_EMIT accepted();
    hide();
    if (!kept.isEmpty())
        Q_EMIT valuesKept(kept.join(u'\n'));
}

int frmOption::selectedChannel() const
{
    for (int i = 0; i < 3; ++i) {
        if (m_optCom[i]->isChecked())
            return i + 1;
    }
    return 4;
}

void frmOption::closeEvent(QCloseEvent *event)
{
    Q_EMIT closedByUser();
    QWidget::closeEvent(event);
}

bool frmOption::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_txtEndepH)
            txtEndepH_LostFocus();
        else if (watched == m_txtEndVol)
            txtEndVol_LostFocus();
    }
    return QWidget::eventFilter(watched, event);
}
