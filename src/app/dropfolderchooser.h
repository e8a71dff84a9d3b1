#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;

// The Options dialog's row for the drop folder a LIMS watches (settings key
// Journal/DropFolder): a path, typed or chosen with "..."; empty writes no files.
class DropFolderChooser : public QWidget
{
    Q_OBJECT
public:
    explicit DropFolderChooser(QWidget *parent = nullptr);

    QString folder() const;
    void setFolder(const QString &folder);
    void load(const QSettings &store);
    // Writes the key only when it changed.
    void store(QSettings &store) const;

protected:
    void changeEvent(QEvent *event) override;

private:
    void choose();
    void retranslate();

    QLabel *m_label = nullptr;
    QLineEdit *m_path = nullptr;
    QPushButton *m_browse = nullptr;
};
