#pragma once

#include <QWidget>

class QLabel;

// The window that stands on the screen while the program starts: name, version, logo.
class frmSplash : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplash(QWidget *parent = nullptr);

    // Sets the version text, then the product name.
    void Form_Load();

private:
    QLabel *m_lblProductName = nullptr;
    QLabel *m_lblVersion = nullptr;
};
