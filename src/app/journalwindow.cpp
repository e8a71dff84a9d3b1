#include "journalwindow.h"

#include "app/journalrunmodel.h"
#include "app/journalversionspane.h"
#include "app/sampleseriestext.h"
#include "common/dateformat.h"
#include "journal/journalstore.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

JournalWindow::JournalWindow(
    const JournalLocation &location, Numbers::Separators sep, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_location(location)
    , m_sep(sep)
{
    setObjectName(QStringLiteral("frmJournal"));
    resize(760, 480);

    m_lblSample = new QLabel(this);
    m_txtSample = new QLineEdit(this);
    m_txtSample->setObjectName(QStringLiteral("txtSample"));
    m_txtSample->setClearButtonEnabled(true);
    m_lblSample->setBuddy(m_txtSample);
    const QString dateFormat = shortDateFormat(QLocale());
    const QDate today = QDate::currentDate();
    m_chkSince = new QCheckBox(this);
    m_chkSince->setObjectName(QStringLiteral("chkSince"));
    m_dtpSince = new QDateEdit(today.addMonths(-1), this);
    m_dtpSince->setObjectName(QStringLiteral("dtpSince"));
    m_chkUntil = new QCheckBox(this);
    m_chkUntil->setObjectName(QStringLiteral("chkUntil"));
    m_dtpUntil = new QDateEdit(today, this);
    m_dtpUntil->setObjectName(QStringLiteral("dtpUntil"));
    for (QDateEdit *edit : {m_dtpSince, m_dtpUntil}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(dateFormat);
        edit->setEnabled(false);
    }
    m_cmdRefresh = new QPushButton(this);
    m_cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));

    auto *filter = new QHBoxLayout;
    filter->addWidget(m_lblSample);
    filter->addWidget(m_txtSample, 1);
    filter->addWidget(m_chkSince);
    filter->addWidget(m_dtpSince);
    filter->addWidget(m_chkUntil);
    filter->addWidget(m_dtpUntil);
    filter->addWidget(m_cmdRefresh);

    m_lvwRuns = new QTableView(this);
    m_lvwRuns->setObjectName(QStringLiteral("lvwRuns"));
    m_lvwRuns->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lvwRuns->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lvwRuns->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lvwRuns->setAlternatingRowColors(true);
    m_lvwRuns->verticalHeader()->hide();
    m_lvwRuns->horizontalHeader()->setStretchLastSection(true);

    m_lblSeries = new QLabel(this);
    m_lblSeries->setObjectName(QStringLiteral("lblSeries"));
    m_lblSeries->setWordWrap(true);
    m_lblSeries->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setWordWrap(true);
    m_cmdOpen = new QPushButton(this);
    m_cmdOpen->setObjectName(QStringLiteral("cmdOpen"));
    m_cmdOpen->setDefault(true);
    m_cmdClose = new QPushButton(this);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_lblStatus, 1);
    buttons->addWidget(m_cmdOpen);
    buttons->addWidget(m_cmdClose);

    m_versions = new JournalVersionsPane(sep, this);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_lvwRuns);
    split->addWidget(m_versions);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filter);
    layout->addWidget(split, 1);
    layout->addWidget(m_lblSeries);
    layout->addLayout(buttons);

    connect(m_txtSample, &QLineEdit::editingFinished, this, &JournalWindow::applyFilter);
    for (QCheckBox *check : {m_chkSince, m_chkUntil}) {
        connect(check, &QCheckBox::toggled, this, [this] {
            m_dtpSince->setEnabled(m_chkSince->isChecked());
            m_dtpUntil->setEnabled(m_chkUntil->isChecked());
            applyFilter();
        });
    }
    for (QDateEdit *edit : {m_dtpSince, m_dtpUntil})
        connect(edit, &QDateEdit::dateChanged, this, &JournalWindow::applyFilter);
    connect(m_cmdRefresh, &QPushButton::clicked, this, &JournalWindow::reload);
    // Double click and Enter alike.
    connect(m_lvwRuns, &QAbstractItemView::activated, this, &JournalWindow::open);
    connect(m_cmdOpen, &QPushButton::clicked, this, [this] { open(m_lvwRuns->currentIndex()); });
    connect(m_cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(m_versions, &JournalVersionsPane::evaluationMade, this, &JournalWindow::evaluationMade);

    retranslate();
}

JournalWindow::~JournalWindow()
{
    m_lvwRuns->setModel(nullptr);
    m_model.reset();
    m_store.reset();
}

bool JournalWindow::reload()
{
    m_lvwRuns->setModel(nullptr);
    m_versions->clear();
    m_model.reset();
    m_store = std::make_unique<JournalStore>(m_location);
    const JournalStore::OpenResult opened = m_store->open(false);
    if (!opened.ok()) {
        m_problem = opened.message;
        m_store.reset();
        showCount();
        return false;
    }
    m_problem.clear();
    m_model = std::make_unique<JournalRunModel>(*m_store, m_sep);
    connect(m_model.get(), &QAbstractItemModel::modelReset, this, &JournalWindow::showCount);
    connect(m_model.get(), &QAbstractItemModel::rowsInserted, this, &JournalWindow::showCount);
    connect(m_model.get(), &QAbstractItemModel::modelReset, this, [this] {
        m_seriesSample.clear(); // the runs may have changed
        showSeries();
    });
    m_lvwRuns->setModel(m_model.get());
    connect(m_lvwRuns->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        &JournalWindow::showSeries);
    connect(m_lvwRuns->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        &JournalWindow::showVersions);
    const bool ok = m_model->setFilter(chosenFilter());
    m_lvwRuns->resizeColumnsToContents();
    return ok;
}

JournalStore::RunFilter JournalWindow::chosenFilter() const
{
    JournalStore::RunFilter filter;
    filter.sample = m_txtSample->text().trimmed();
    if (m_chkSince->isChecked())
        filter.since = m_dtpSince->date();
    if (m_chkUntil->isChecked())
        filter.until = m_dtpUntil->date();
    return filter;
}

void JournalWindow::applyFilter()
{
    if (!m_model)
        return;
    const JournalStore::RunFilter filter = chosenFilter();
    const JournalStore::RunFilter &shown = m_model->filter();
    // Leaving the sample field unchanged keeps the list where it is.
    if (filter.sample == shown.sample && filter.since == shown.since && filter.until == shown.until)
        return;
    m_model->setFilter(filter);
    m_lvwRuns->resizeColumnsToContents();
}

void JournalWindow::open(const QModelIndex &index)
{
    if (m_model && index.isValid())
        Q_EMIT openRequested(m_model->run(index.row()).id);
}

void JournalWindow::showVersions(const QModelIndex &current)
{
    if (m_model && current.isValid())
        m_versions->showRun(m_store.get(), m_model->run(current.row()).id);
    else
        m_versions->clear();
}

void JournalWindow::evaluationStored(qint64 runId)
{
    if (m_versions->runId() == runId)
        m_versions->showRun(m_store.get(), runId);
    if (m_model) {
        m_model->runChanged(runId);
        m_seriesSample.clear(); // its result, and so its sample's series, may have changed
        showSeries();
    }
}

void JournalWindow::showCount()
{
    if (!m_problem.isEmpty()) {
        m_lblStatus->setText(m_problem);
    } else if (m_model && !m_model->lastError().isEmpty()) {
        m_lblStatus->setText(tr("The journal cannot be read: %1").arg(m_model->lastError()));
    } else if (m_model) {
        m_lblStatus->setText(
            tr("%1 of %n run(s) shown", nullptr, m_model->totalCount()).arg(m_model->rowCount()));
    }
    m_cmdOpen->setEnabled(m_model && m_model->rowCount() > 0);
}

void JournalWindow::showSeries()
{
    const QModelIndex current = m_lvwRuns->currentIndex();
    const QString sample
        = m_model && current.isValid() ? m_model->run(current.row()).sample : QString();
    if (sample == m_seriesSample && !sample.isEmpty())
        return;
    m_seriesSample = sample;
    m_lblSeries->clear();
    if (!m_model)
        return;
    m_model->setOutliers({});
    if (sample.isEmpty())
        return;
    // The sample's runs among those the filter selects, read or not.
    JournalStore::RunFilter filter = m_model->filter();
    filter.sample = sample;
    const std::vector<SampleSeries::Series> series = SampleSeries::of(m_store->listRuns(filter));
    if (series.empty())
        return;
    m_lblSeries->setText(SampleSeriesText::describe(series.front(), m_sep));
    m_model->setOutliers(
        QSet<qint64>(series.front().outliers.begin(), series.front().outliers.end()));
}

void JournalWindow::retranslate()
{
    setWindowTitle(tr("Journal") + QStringLiteral(" - ") + m_location.displayName());
    m_lblSample->setText(tr("&Sample:"));
    m_chkSince->setText(tr("from"));
    m_chkUntil->setText(tr("until"));
    m_cmdRefresh->setText(tr("&Refresh"));
    m_cmdOpen->setText(tr("&Open"));
    m_cmdClose->setText(tr("&Close"));
    showCount();
    m_seriesSample.clear();
    showSeries();
    // The model's words are asked for anew when drawn.
    m_lvwRuns->horizontalHeader()->viewport()->update();
    m_lvwRuns->viewport()->update();
}

void JournalWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}
