#pragma once

#include "documents/documentcommands.h"
#include "documents/documentdialogs.h"
#include "model/settingsrecord.h"

#include <QMdiArea>
#include <QPrinter>
#include <QStringList>
#include <QTemporaryDir>

// Dialogs that answer as a test tells them and note what they were asked ("title|filter").
class ScriptedDialogs : public DocumentDialogs
{
public:
    QStringList fileAnswers; // taken in turn; none left means Cancel
    QString printToPdf; // the file the chosen printer writes
    QPageLayout::Orientation pageSetupOrientation = QPageLayout::Portrait; // chosen in Page setup
    QStringList questions;
    QStringList errors;

    QString openFileName(QWidget *, const QString &title, const QString &filter) override
    {
        return fileAnswer(title, filter);
    }
    QString saveFileName(QWidget *, const QString &title, const QString &filter) override
    {
        return fileAnswer(title, filter);
    }
    void pageSetup(QWidget *, const QString &title, QPrinter &printer) override
    {
        questions << title;
        printer.setPageOrientation(pageSetupOrientation);
    }
    bool print(QWidget *, const QString &title, QPrinter &printer, bool) override
    {
        questions << title;
        printer.setOutputFileName(printToPdf);
        return true;
    }
    QPrinter *defaultPrinter() override { return nullptr; }
    void showError(QWidget *, const QString &message) override { errors.append(message); }

private:
    QString fileAnswer(const QString &title, const QString &filter)
    {
        questions << title + u'|' + filter;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
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
        area.show();
    }
    QString path(const QString &name) const { return dir.filePath(name); }
};
