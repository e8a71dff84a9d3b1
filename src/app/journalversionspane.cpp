#include "journalversionspane.h"

#include "app/journalrunmodel.h"
#include "app/reevaluationdialog.h"
#include "app/version.h"
#include "common/dateformat.h"
#include "journal/journaltexts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

JournalVersionsPane::JournalVersionsPane(Numbers::Separators sep, QWidget *parent)
    : QWidget(parent)
    , m_sep(sep)
{
    m_lblVersions = new QLabel(this);
    m_lvwVersions = new QTreeWidget(this);
    m_lvwVersions->setObjectName(QStringLiteral("lvwVersions"));
    m_lvwVersions->setColumnCount(ColumnCount);
    m_lvwVersions->setRootIsDecorated(false);
    m_lvwVersions->setAlternatingRowColors(true);
    m_lblVersions->setBuddy(m_lvwVersions);
    m_lblProblem = new QLabel(this);
    m_lblProblem->setObjectName(QStringLiteral("lblVersionsProblem"));
    m_lblProblem->setWordWrap(true);
    m_cmdEvaluate = new QPushButton(this);
    m_cmdEvaluate->setObjectName(QStringLiteral("cmdEvaluateAgain"));
    m_cmdEvaluate->setEnabled(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_lblProblem, 1);
    buttons->addWidget(m_cmdEvaluate);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_lblVersions);
    layout->addWidget(m_lvwVersions, 1);
    layout->addLayout(buttons);

    connect(m_cmdEvaluate, &QPushButton::clicked, this, &JournalVersionsPane::evaluateAgain);
    retranslate();
}

QStringList JournalVersionsPane::rowTexts(const Journal::Evaluation &e, Numbers::Separators sep)
{
    const QLocale locale;
    const QString created = locale.toString(
        e.created.toLocalTime(), shortDateFormat(locale) + QStringLiteral(" HH:mm:ss"));
    return {QString::number(e.version), created, e.origin.operatorName, e.reason,
        e.results.empty() ? QString() : JournalRunModel::resultText(e.results.front(), sep)};
}

void JournalVersionsPane::showRun(JournalStore *store, qint64 runId)
{
    m_lvwVersions->clear();
    m_lblProblem->clear();
    m_run = store ? store->run(runId) : std::nullopt;
    if (!m_run && store)
        m_lblProblem->setText(tr("The run cannot be read: %1").arg(store->lastError()));
    m_cmdEvaluate->setEnabled(m_run && !m_run->readings.empty());
    if (!m_run)
        return;
    for (const Journal::Evaluation &e : m_run->evaluations)
        m_lvwVersions->addTopLevelItem(new QTreeWidgetItem(rowTexts(e, m_sep)));
    for (int column = 0; column < ColumnCount; ++column)
        m_lvwVersions->resizeColumnToContents(column);
}

void JournalVersionsPane::clear()
{
    showRun(nullptr, 0);
}

std::optional<qint64> JournalVersionsPane::runId() const
{
    return m_run ? std::optional<qint64>(m_run->summary.id) : std::nullopt;
}

void JournalVersionsPane::evaluateAgain()
{
    if (!m_run || findChild<ReevaluationDialog *>())
        return;
    auto *dialog = new ReevaluationDialog(Reevaluation::storedMethod(*m_run), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    const qint64 shown = m_run->summary.id;
    connect(dialog, &QDialog::accepted, this, [this, dialog, shown] {
        if (!m_run || m_run->summary.id != shown)
            return;
        const Reevaluation::Outcome outcome = Reevaluation::evaluate(
            *m_run, dialog->changes(), Journal::currentOrigin(QStringLiteral(KALUMET_VERSION)));
        if (!outcome.ok()) {
            m_lblProblem->setText(
                tr("The run cannot be evaluated: %1").arg(outcome.result.message));
            return;
        }
        Q_EMIT evaluationMade(m_run->summary.uuid, outcome.evaluation);
    });
    dialog->open();
}

void JournalVersionsPane::retranslate()
{
    m_lblVersions->setText(tr("E&valuations of the selected run:"));
    m_lvwVersions->setHeaderLabels(
        {tr("Version"), tr("Time"), tr("Operator"), tr("Reason"), tr("Result")});
    m_cmdEvaluate->setText(tr("Evaluate &again…"));
}

void JournalVersionsPane::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}
