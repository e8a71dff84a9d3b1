#pragma once

#include "app/reevaluation.h"

#include <QDialog>

class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// Asks why a run is evaluated again; OK only with a reason that is not blank, Cancel evaluates
// nothing. Given the run's stored method, it asks for the criterion, the result's EP and the
// sample size as well, filled with the stored values.
class ReevaluationDialog : public QDialog
{
    Q_OBJECT
public:
    // Only the reason (File > Evaluate).
    explicit ReevaluationDialog(QWidget *parent);
    // The reason and the method values (the Journal window's "Evaluate again...").
    ReevaluationDialog(const ResultSettings &stored, QWidget *parent);

    QString reason() const;
    Reevaluation::Changes changes() const;

    void accept() override;

private:
    void build(const ResultSettings *stored);

    QLineEdit *m_reason = nullptr;
    QDoubleSpinBox *m_criterion = nullptr;
    QSpinBox *m_resultEp = nullptr;
    QDoubleSpinBox *m_sampleSize = nullptr;
    QPushButton *m_ok = nullptr;
};
