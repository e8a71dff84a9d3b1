#include "journalrunmodel.h"

#include "common/dateformat.h"

#include <QLocale>

JournalRunModel::JournalRunModel(JournalStore &store, Numbers::Separators sep, QObject *parent)
    : QAbstractTableModel(parent)
    , m_store(store)
    , m_sep(sep)
{ }

bool JournalRunModel::setFilter(const JournalStore::RunFilter &filter)
{
    beginResetModel();
    m_filter = filter;
    m_filter.limit = -1;
    m_filter.offset = 0;
    m_rows.clear();
    m_ids.clear();
    m_offset = 0;
    m_total = m_store.countRuns(m_filter);
    m_error = m_total < 0 ? m_store.lastError() : QString();
    m_exhausted = m_total <= 0;
    m_total = qMax(0, m_total);
    endResetModel();
    return m_error.isEmpty();
}

void JournalRunModel::runChanged(qint64 runId)
{
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].id != runId)
            continue;
        const std::optional<JournalStore::RunRecord> record = m_store.run(runId);
        if (!record)
            return;
        m_rows[row] = record->summary;
        Q_EMIT dataChanged(index(int(row), 0), index(int(row), ColumnCount - 1));
        return;
    }
}

void JournalRunModel::setOutliers(const QSet<qint64> &runIds)
{
    if (runIds == m_outliers)
        return;
    m_outliers = runIds;
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, Result), index(rowCount() - 1, Result));
}

int JournalRunModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int JournalRunModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

bool JournalRunModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_exhausted && m_offset < m_total;
}

void JournalRunModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    JournalStore::RunFilter page = m_filter;
    page.limit = m_pageSize;
    page.offset = m_offset;
    std::vector<JournalStore::RunSummary> runs = m_store.listRuns(page);
    if (runs.empty()) {
        // Fewer runs than counted (some went, or the journal cannot be read now).
        m_exhausted = true;
        m_error = m_store.lastError();
        return;
    }
    m_offset += int(runs.size());
    std::erase_if(runs, [this](const JournalStore::RunSummary &r) { return m_ids.contains(r.id); });
    if (runs.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(runs.size()) - 1);
    for (JournalStore::RunSummary &r : runs) {
        m_ids.insert(r.id);
        m_rows.push_back(std::move(r));
    }
    endInsertRows();
}

QString JournalRunModel::kindText(Journal::RunKind kind)
{
    switch (kind) {
    case Journal::RunKind::Incremental:
        return tr("titration");
    case Journal::RunKind::Report:
        return tr("received listing");
    case Journal::RunKind::Import:
        return tr("imported");
    }
    return {};
}

QString JournalRunModel::endText(Journal::EndReason reason)
{
    switch (reason) {
    case Journal::EndReason::Running:
        return tr("running");
    case Journal::EndReason::EndValue:
        return tr("end value passed");
    case Journal::EndReason::EndVolume:
        return tr("end volume reached");
    case Journal::EndReason::TableFull:
        return tr("table full");
    case Journal::EndReason::Stopped:
        return tr("stopped");
    case Journal::EndReason::NoReply:
        return tr("titrator did not answer");
    case Journal::EndReason::PortError:
        return tr("line failed");
    case Journal::EndReason::DocumentClosed:
        return tr("document closed");
    case Journal::EndReason::Interrupted:
        return tr("interrupted");
    case Journal::EndReason::Report:
        return tr("received");
    case Journal::EndReason::Import:
        return tr("imported");
    }
    return {};
}

QString JournalRunModel::resultText(const Journal::EvaluatedResult &r, Numbers::Separators sep)
{
    return QStringLiteral("%1 \u00B1 %2 %3")
        .arg(Numbers::toText(r.value, sep, 4), Numbers::toText(r.u, sep, 2), r.unit);
}

QVariant JournalRunModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const JournalStore::RunSummary &run = m_rows[std::size_t(index.row())];
    if (role == Qt::TextAlignmentRole) {
        if (index.column() == Readings || index.column() == Result)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    if (role == Qt::ToolTipRole && index.column() == Result && isOutlier(run.id))
        return tr("An outlier of the sample's series (Grubbs' test, 95 %)");
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Date: {
        const QLocale locale;
        return locale.toString(
            run.started.toLocalTime(), shortDateFormat(locale) + QStringLiteral(" HH:mm:ss"));
    }
    case Sample:
        return run.sample;
    case Kind:
        return kindText(run.kind);
    case Ended:
        return endText(run.endReason);
    case Readings:
        return run.readings;
    case Result:
        if (!run.result)
            return QString();
        if (isOutlier(run.id))
            return tr("%1 (outlier)").arg(resultText(*run.result, m_sep));
        return resultText(*run.result, m_sep);
    }
    return {};
}

QVariant JournalRunModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Date:
        return tr("Date");
    case Sample:
        return tr("Sample");
    case Kind:
        return tr("Kind");
    case Ended:
        return tr("Ended");
    case Readings:
        return tr("Readings");
    case Result:
        return tr("Result ± u");
    }
    return {};
}
