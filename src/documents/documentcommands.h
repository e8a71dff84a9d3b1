#pragma once

#include "documents/documentdialogs.h"
#include "model/abstractdocument.h"

#include <QObject>
#include <QStringList>

#include <memory>

class frmDocument;
class QMdiArea;
class QPrinter;
struct SettingsRecord;

// The file, print and window commands over the frame's document windows. The active
// document is the frame's current document window, also while another program has the focus.
class DocumentCommands : public QObject, public DocumentHost
{
    Q_OBJECT
public:
    // `settings` (for the language of messages) must outlive the commands. Without `dialogs`
    // the toolkit's own dialogs are used.
    DocumentCommands(QMdiArea *area, const SettingsRecord &settings,
        std::unique_ptr<DocumentDialogs> dialogs = {}, QObject *parent = nullptr);
    ~DocumentCommands() override;

    AbstractDocument *activeDocument() override;
    AbstractDocument *newDocument() override;
    frmDocument *activeForm() const;

    // A new document window captioned "Document N" (N never used before), shown and active.
    frmDocument *NeuesDokument();
    int documentCounter() const { return m_counter; }

    void open();
    void close();
    void save();
    void saveAs();
    void pageSetup();
    void print();
    void cascade();
    // Horizontal strips: the windows one above the other, each as wide as the frame.
    void tileHorizontal();
    // Vertical strips: the windows side by side, each as high as the frame.
    void tileVertical();
    void arrangeIcons();

    // Opens each file in a new document of its own (files named on the command line).
    void openFiles(const QStringList &paths);

    QPrinter &printer();
    // The dialogs every file command asks through (also the series commands').
    DocumentDialogs &dialogs() { return *m_dialogs; }

Q_SIGNALS:
    // A new document window was made (by NeuesDokument, whatever called it).
    void documentCreated(frmDocument *document);
    // A document was written to the file `path` (absolute) by save or save as.
    void documentSaved(frmDocument *document, const QString &path);

private:
    // Reads the file and starts putting its text into the document; the caption becomes the
    // path once the text shows. False when the file cannot be shown (the message is out).
    bool loadInto(frmDocument *document, const QString &path);
    bool saveTo(frmDocument *document, const QString &path);
    // Horizontal strips one above the other, or vertical strips side by side. Minimized
    // windows stay where they are.
    void tile(Qt::Orientation strips);
    QWidget *dialogParent() const;

    QMdiArea *m_area;
    const SettingsRecord &m_settings;
    std::unique_ptr<DocumentDialogs> m_dialogs;
    std::unique_ptr<QPrinter> m_printer;
    int m_counter = 0;
};
