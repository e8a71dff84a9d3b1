#pragma once

#include "common/numbers.h"
#include "journal/journalstore.h"

#include <QAbstractTableModel>
#include <QSet>

#include <vector>

// The runs of the journal, newest first, as a table: date, sample, kind, how it ended,
// readings, result with its u. Rows are read a page at a time as the view scrolls to them
// (canFetchMore / fetchMore), so a journal of any size opens at once.
class JournalRunModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Date, Sample, Kind, Ended, Readings, Result, ColumnCount };
    static constexpr int DefaultPageSize = 200;

    // `store` is open and outlives the model; numbers are shown with `sep`.
    JournalRunModel(JournalStore &store, Numbers::Separators sep, QObject *parent = nullptr);

    // Selects the runs to show and starts over; no row is read until asked for. False when the
    // journal cannot be read (lastError() says why).
    bool setFilter(const JournalStore::RunFilter &filter);
    // Reads the filter's runs anew, e.g. after runs were added.
    bool refresh() { return setFilter(m_filter); }
    const JournalStore::RunFilter &filter() const { return m_filter; }
    // Runs the filter selects, read or not.
    int totalCount() const { return m_total; }
    void setPageSize(int rows) { m_pageSize = qMax(1, rows); }
    QString lastError() const { return m_error; }

    const JournalStore::RunSummary &run(int row) const { return m_rows.at(std::size_t(row)); }
    // Reads run `runId` again where the table shows it (a new version changed its result).
    void runChanged(qint64 runId);
    // Runs whose result the table marks as an outlier of its sample's series.
    void setOutliers(const QSet<qint64> &runIds);
    bool isOutlier(qint64 runId) const { return m_outliers.contains(runId); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // The words the table shows for a kind of run and for how a run ended.
    static QString kindText(Journal::RunKind kind);
    static QString endText(Journal::EndReason reason);
    // "0,1002 ± 0,00011 mol/L", in the digits the results block shows.
    static QString resultText(const Journal::EvaluatedResult &result, Numbers::Separators sep);

private:
    JournalStore &m_store;
    Numbers::Separators m_sep;
    JournalStore::RunFilter m_filter;
    std::vector<JournalStore::RunSummary> m_rows;
    QSet<qint64> m_ids; // a run added at the top while paging moves the rest down one
    QSet<qint64> m_outliers;
    int m_total = 0;
    int m_offset = 0; // runs asked for so far
    int m_pageSize = DefaultPageSize;
    bool m_exhausted = false;
    QString m_error;
};
