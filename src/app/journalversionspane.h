#pragma once

#include "common/numbers.h"
#include "journal/journalstore.h"

#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;
class QTreeWidget;

// The Journal window's part for the selected run: every version of its evaluation, oldest
// first (version, time, operator, reason, result), and "Evaluate again...", which asks for a
// reason and the method values and hands the new evaluation on; the journal stores it.
class JournalVersionsPane : public QWidget
{
    Q_OBJECT
public:
    enum Column { Version, Created, Operator, Reason, Result, ColumnCount };

    explicit JournalVersionsPane(Numbers::Separators sep, QWidget *parent = nullptr);

    // Reads the run `runId` from `store` and shows its versions; none for a null store.
    void showRun(JournalStore *store, qint64 runId);
    void clear();
    // The run shown, if any.
    std::optional<qint64> runId() const;

    // One row of the list.
    static QStringList rowTexts(const Journal::Evaluation &evaluation, Numbers::Separators sep);

Q_SIGNALS:
    // The run `uuid` evaluated again, to be stored as its next version.
    void evaluationMade(const QString &uuid, const Journal::Evaluation &evaluation);

protected:
    void changeEvent(QEvent *event) override;

private:
    void evaluateAgain();
    void retranslate();

    Numbers::Separators m_sep;
    std::optional<JournalStore::RunRecord> m_run;
    QLabel *m_lblVersions = nullptr;
    QTreeWidget *m_lvwVersions = nullptr;
    QLabel *m_lblProblem = nullptr;
    QPushButton *m_cmdEvaluate = nullptr;
};
