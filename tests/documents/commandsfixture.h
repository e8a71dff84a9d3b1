#pragma once

#include "app/settingsrecord.h"
#include "documents/documentcommands.h"
#include "documents/documentdialogs.h"

#include <QMdiArea>
#include <QPrinter>
#include <QStringList>
#include <QTemporaryDir>

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
    QString defaultPrinterPdf; // empty: the system has no printer
    QList<Question> questions;
    QStringList errors;

    QString openFileName(QWidget *, const QString &title, const QString &filter) override
    {
        return fileAnswer(QStringLiteral("open"), title, filter);
    }
    QString saveFileName(QWidget *, const QString &title, const QString &filter) override
    {
        return fileAnswer(QStringLiteral("save"), title, filter);
    }
    void pageSetup(QWidget *, const QString &title, QPrinter &printer) override
    {
        questions.append({QStringLiteral("pageSetup"), title, {}, false, &printer});
    }
    // Accepted, the user keeps the preselected "selection" and prints to `printToPdf`.
    bool print(QWidget *, const QString &title, QPrinter &printer, bool selection) override
    {
        questions.append({QStringLiteral("print"), title, {}, selection, &printer});
        if (!printAccepted)
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printToPdf);
        printer.setPrintRange(selection ? QPrinter::Selection : QPrinter::AllPages);
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
    QString fileAnswer(const QString &kind, const QString &title, const QString &filter)
    {
        questions.append({kind, title, filter});
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }

    std::unique_ptr<QPrinter> m_default;
};

// Document commands on a shown frame area, English messages, scripted dialogs and a
// temporary folder for files.
struct CommandsFixture
{
    SettingsRecord settings;
    QMdiArea area;
    ScriptedDialogs *dialogs = new ScriptedDialogs; // owned by the commands
    DocumentCommands commands {&area, settings, std::unique_ptr<DocumentDialogs>(dialogs)};
    QTemporaryDir dir;

    CommandsFixture()
    {
        settings.Sprache = 2;
        area.resize(900, 600);
        area.show();
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    // Title and filter of the dialog asked i-th.
    QString question(int i) const
    {
        return dialogs->questions.at(i).title + u'|' + dialogs->questions.at(i).filter;
    }
};
