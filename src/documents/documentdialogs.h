#pragma once

#include <QString>

#include <memory>

class QPrinter;
class QWidget;

// The dialogs of the file and print commands, behind an interface so that tests can answer
// them.
class DocumentDialogs
{
public:
    virtual ~DocumentDialogs() = default;

    // The chosen file's full path, or an empty string when the user cancelled.
    virtual QString openFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
    // Asks before overwriting an existing file.
    virtual QString saveFileName(QWidget *parent, const QString &title, const QString &filter) = 0;
    virtual void pageSetup(QWidget *parent, const QString &title, QPrinter &printer) = 0;
    // False when cancelled. With `selection` the dialog offers and preselects printing only
    // the selected text; the choice is the printer's print range.
    virtual bool print(QWidget *parent, const QString &title, QPrinter &printer, bool selection)
        = 0;
    // The system's default printer, or nullptr when there is none.
    virtual QPrinter *defaultPrinter() = 0;
    virtual void showError(QWidget *parent, const QString &message) = 0;
};

// The toolkit's own dialogs.
class QtDocumentDialogs : public DocumentDialogs
{
public:
    QtDocumentDialogs();
    ~QtDocumentDialogs() override;

    QString openFileName(QWidget *parent, const QString &title, const QString &filter) override;
    QString saveFileName(QWidget *parent, const QString &title, const QString &filter) override;
    void pageSetup(QWidget *parent, const QString &title, QPrinter &printer) override;
    bool print(QWidget *parent, const QString &title, QPrinter &printer, bool selection) override;
    QPrinter *defaultPrinter() override;
    void showError(QWidget *parent, const QString &message) override;

private:
    QString m_lastFolder; // the dialogs start where the last file was chosen
    std::unique_ptr<QPrinter> m_defaultPrinter;
};
