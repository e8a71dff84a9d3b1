#pragma once

#include "common/numbers.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QSettings;

// Asked at Titr. Start when the method wants the sample first: its id and size, filled from
// the settings group "Method". OK writes them there (SampleEntry) and accepts; a size it
// refuses is said in the dialog, which stays open. Cancel writes nothing.
class SampleDialog : public QDialog
{
    Q_OBJECT
public:
    // `store` must outlive the dialog; `sep` is the user's number format.
    SampleDialog(QSettings &store, Numbers::Separators sep, QWidget *parent);

    void accept() override;

private:
    QSettings &m_store;
    Numbers::Separators m_sep;
    QLineEdit *m_sampleId = nullptr;
    QLineEdit *m_sampleSize = nullptr;
    QComboBox *m_sampleUnit = nullptr;
    QLabel *m_error = nullptr;
};
