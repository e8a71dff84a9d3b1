#pragma once

#include "documents/documentdialogs.h"

#include <QPrinter>
#include <QStringList>

#include <memory>

// Dialogs that answer as a test tells them and note what they were asked.
class ScriptedDialogs : public DocumentDialogs
{
public:
    struct Question
    {
        QString kind; // "open", "save", "pageSetup", "print"
        QString title;
        QString filter;
        bool selection = false;
        QPrinter *printer = nullptr;
    };

    QStringList fileAnswers; // taken in turn; none left means Cancel
    bool printAccepted = true;
    QString printToPdf; // the file the chosen printer writes
    bool printSelectionOnly = false; // the user keeps the preselected "selection"
    QString defaultPrinterPdf; // empty: the system has no printer
    QList<Question> questions;
    QStringList errors;

    QString openFileName(QWidget *, const QString &title, const QString &filter) override
    {
        questions.append({QStringLiteral("open"), title, filter});
        return nextFile();
    }
    QString saveFileName(QWidget *, const QString &title, const QString &filter) override
    {
        questions.append({QStringLiteral("save"), title, filter});
        return nextFile();
    }
    void pageSetup(QWidget *, const QString &title, QPrinter &printer) override
    {
        questions.append({QStringLiteral("pageSetup"), title, {}, false, &printer});
    }
    bool print(QWidget *, const QString &title, QPrinter &printer, bool selection) override
    {
        questions.append({QStringLiteral("print"), title, {}, selection, &printer});
        if (!printAccepted)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printToPdf);
        printer.setPrintRange(
            selection && printSelectionOnly ? QPrinter::Selection : QPrinter::AllPages);
        return true;
    }
    QPrinter *defaultPrinter() override
    {
        if (defaultPrinterPdf.isEmpty())
            return nullptr;
        m_default = std::make_unique<QPrinter>(QPrinter::HighResolution);
        m_default->setOutputFormat(QPrinter::PdfFormat);
        m_default->setOutputFileName(defaultPrinterPdf);
        return m_default.get();
    }
    void showError(QWidget *, const QString &message) override { errors.append(message); }

    QStringList kinds() const
    {
        QStringList result;
        for (const Question &q : questions)
            result.append(q.kind);
        return result;
    }

private:
    QString nextFile() { return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst(); }

    std::unique_ptr<QPrinter> m_default;
};
