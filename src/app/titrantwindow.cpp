#include "titrantwindow.h"

#include "app/titerchart.h"
#include "evaluation/controllimits.h"
#include "journal/journalstore.h"

#include <QDoubleSpinBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QTableWidget *table(const char *name, QWidget *parent)
{
    auto *t = new QTableWidget(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void setRow(QTableWidget *t, int row, const QStringList &cells)
{
    for (int column = 0; column < cells.size(); ++column)
        t->setItem(row, column, new QTableWidgetItem(cells[column]));
}

} // namespace

TitrantWindow::TitrantWindow(
    const JournalLocation &location, Numbers::Separators sep, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_location(location)
    , m_sep(sep)
{
    setObjectName(QStringLiteral("frmTitrants"));
    resize(640, 560);
    m_lvwTitrants = table("lvwTitrants", this);
    m_lvwTitrants->setColumnCount(3);
    m_txtName = new QLineEdit(this);
    m_txtName->setObjectName(QStringLiteral("txtName"));
    m_txtConcentration = new QDoubleSpinBox(this);
    m_txtConcentration->setObjectName(QStringLiteral("txtConcentration"));
    m_txtConcentration->setRange(0.0001, 100);
    m_txtConcentration->setDecimals(4);
    m_txtConcentration->setSingleStep(0.01);
    m_txtConcentration->setValue(0.1);
    m_txtConcentration->setSuffix(QStringLiteral(" mol/L"));
    m_txtValidity = new QSpinBox(this);
    m_txtValidity->setObjectName(QStringLiteral("txtValidity"));
    m_txtValidity->setRange(0, 3650);
    m_txtValidity->setValue(Journal::Titrant().validityDays);
    m_lblName = new QLabel(this);
    m_lblName->setBuddy(m_txtName);
    m_lblConcentration = new QLabel(this);
    m_lblConcentration->setBuddy(m_txtConcentration);
    m_lblValidity = new QLabel(this);
    m_lblValidity->setBuddy(m_txtValidity);
    m_cmdNew = new QPushButton(this);
    m_cmdNew->setObjectName(QStringLiteral("cmdNew"));
    m_cmdSave = new QPushButton(this);
    m_cmdSave->setObjectName(QStringLiteral("cmdSave"));
    m_lvwTiters = table("lvwTiters", this);
    m_lvwTiters->setColumnCount(5);
    m_chart = new TiterChart(this);
    m_lblLimits = new QLabel(this);
    m_lblLimits->setObjectName(QStringLiteral("lblLimits"));
    m_lblLimits->setWordWrap(true);
    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setWordWrap(true);
    m_cmdClose = new QPushButton(this);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto *form = new QFormLayout;
    form->addRow(m_lblName, m_txtName);
    form->addRow(m_lblConcentration, m_txtConcentration);
    form->addRow(m_lblValidity, m_txtValidity);
    auto *formButtons = new QHBoxLayout;
    formButtons->addStretch();
    formButtons->addWidget(m_cmdNew);
    formButtons->addWidget(m_cmdSave);
    form->addRow(formButtons);
    auto *top = new QHBoxLayout;
    top->addWidget(m_lvwTitrants, 1);
    top->addLayout(form);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_lblStatus, 1);
    buttons->addWidget(m_cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_lvwTiters, 1);
    layout->addWidget(m_chart, 1);
    layout->addWidget(m_lblLimits);
    layout->addLayout(buttons);

    connect(m_lvwTitrants, &QTableWidget::currentCellChanged, this,
        [this](int row) { showTitrant(row); });
    connect(m_cmdNew, &QPushButton::clicked, this, &TitrantWindow::startNew);
    connect(m_cmdSave, &QPushButton::clicked, this, &TitrantWindow::save);
    connect(m_cmdClose, &QPushButton::clicked, this, &QWidget::close);
    retranslate();
}

TitrantWindow::~TitrantWindow() = default;

bool TitrantWindow::reload()
{
    m_store = std::make_unique<JournalStore>(m_location);
    const JournalStore::OpenResult opened = m_store->open(true);
    if (!opened.ok()) {
        m_lblStatus->setText(opened.message);
        m_store.reset();
        m_cmdSave->setEnabled(false);
        return false;
    }
    m_cmdSave->setEnabled(true);
    m_titrants = m_store->titrants();
    const QSignalBlocker blocker(m_lvwTitrants);
    m_lvwTitrants->setRowCount(int(m_titrants.size()));
    for (int row = 0; row < int(m_titrants.size()); ++row) {
        const Journal::Titrant &t = m_titrants[std::size_t(row)];
        setRow(m_lvwTitrants, row,
            {t.name, Numbers::toText(t.concentration, m_sep, 6) + u' ' + t.unit,
                QString::number(t.validityDays)});
    }
    m_lvwTitrants->resizeColumnsToContents();
    const auto edited = std::find_if(m_titrants.begin(), m_titrants.end(),
        [this](const Journal::Titrant &t) { return t.id == m_editedId; });
    const int row = edited != m_titrants.end() ? int(edited - m_titrants.begin())
        : m_titrants.empty()                   ? -1
                                               : 0;
    m_lvwTitrants->setCurrentCell(row, 0);
    showTitrant(row);
    return true;
}

void TitrantWindow::showTitrant(int row)
{
    if (row < 0 || row >= int(m_titrants.size())) {
        startNew();
        return;
    }
    const Journal::Titrant &t = m_titrants[std::size_t(row)];
    m_editedId = t.id;
    m_txtName->setText(t.name);
    m_txtConcentration->setValue(t.concentration);
    m_txtValidity->setValue(t.validityDays);
    showHistory(t.id);
}

void TitrantWindow::showHistory(qint64 titrantId)
{
    const std::vector<Journal::Titer> titers
        = m_store && titrantId > 0 ? m_store->titers(titrantId) : std::vector<Journal::Titer>();
    m_lvwTiters->setRowCount(int(titers.size()));
    std::vector<double> values; // newest first, as read
    for (int row = 0; row < int(titers.size()); ++row) {
        const Journal::Titer &t = titers[std::size_t(row)];
        values.push_back(t.value);
        setRow(m_lvwTiters, row,
            {Numbers::toText(t.value, m_sep, 5), Numbers::toText(t.u, m_sep, 2),
                QLocale().toString(t.determined, QLocale::ShortFormat),
                t.runId > 0 ? QString::number(t.runId) : QString(), t.origin.operatorName});
    }
    m_lvwTiters->resizeColumnsToContents();
    const std::optional<ControlLimits> limits = ControlLimits::of(values);
    std::reverse(values.begin(), values.end());
    m_chart->setValues(values, limits);
    if (!limits) {
        m_lblLimits->setText(
            titrantId > 0 ? tr("Control limits need two titers or more.") : QString());
        return;
    }
    const auto n = [this](double v) {
        return Numbers::toText(v, m_sep, 5);
    };
    m_lblLimits->setText(
        tr("Last %1 titers: mean %2, s %3; warning limits %4 to %5, action "
           "limits %6 to %7")
            .arg(limits->n)
            .arg(n(limits->mean), Numbers::toText(limits->s, m_sep, 2), n(limits->warningLow),
                n(limits->warningHigh), n(limits->actionLow), n(limits->actionHigh)));
}

void TitrantWindow::startNew()
{
    m_editedId = 0;
    const QSignalBlocker blocker(m_lvwTitrants);
    m_lvwTitrants->clearSelection();
    m_txtName->clear();
    m_txtConcentration->setValue(0.1);
    m_txtValidity->setValue(Journal::Titrant().validityDays);
    showHistory(0);
    m_txtName->setFocus();
}

void TitrantWindow::save()
{
    if (!m_store)
        return;
    Journal::Titrant titrant;
    const auto edited = std::find_if(m_titrants.begin(), m_titrants.end(),
        [this](const Journal::Titrant &t) { return t.id == m_editedId; });
    if (edited != m_titrants.end())
        titrant = *edited;
    titrant.name = m_txtName->text().trimmed();
    if (titrant.name.isEmpty()) {
        m_lblStatus->setText(tr("A titrant needs a name."));
        return;
    }
    titrant.concentration = m_txtConcentration->value();
    titrant.validityDays = m_txtValidity->value();
    if (!m_store->saveTitrant(titrant)) {
        m_lblStatus->setText(tr("The titrant cannot be saved: %1").arg(m_store->lastError()));
        return;
    }
    m_editedId = titrant.id;
    m_lblStatus->setText(tr("Titrant \"%1\" saved.").arg(titrant.name));
    reload();
}

void TitrantWindow::retranslate()
{
    setWindowTitle(tr("Titrants") + QStringLiteral(" - ") + m_location.displayName());
    m_lvwTitrants->setHorizontalHeaderLabels(
        {tr("Name"), tr("Nominal concentration"), tr("Valid (days)")});
    m_lvwTiters->setHorizontalHeaderLabels(
        {tr("Titer"), tr("u"), tr("Determined"), tr("Run"), tr("Operator")});
    m_lblName->setText(tr("&Name:"));
    m_lblConcentration->setText(tr("Nominal &concentration:"));
    m_lblValidity->setText(tr("Titers valid for (&days):"));
    m_cmdNew->setText(tr("Ne&w"));
    m_cmdSave->setText(tr("&Save"));
    m_cmdClose->setText(tr("&Close"));
}

void TitrantWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}
