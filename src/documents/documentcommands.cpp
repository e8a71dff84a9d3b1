#include "documentcommands.h"

#include "chartview.h"
#include "documentdialogs.h"
#include "documentfile.h"
#include "documentprinter.h"
#include "frmdocument.h"
#include "model/settingsrecord.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>

namespace {

// The dialogs' texts are German in both languages.
const QString OpenTitle = QStringLiteral("\u00D6ffnen");
const QString SaveTitle = QStringLiteral("Speichern");
const QString SaveAsTitle = QStringLiteral("Speichern unter");
const QString PageSetupTitle = QStringLiteral("Seite einrichten");
const QString PrintTitle = QStringLiteral("Drucken");
const QString MeasurementFilter = QStringLiteral("Messdaten (*.rtf)");
const QString RtfFilter = QStringLiteral("RTF Dateien (*.rtf*)");

// A caption of a document without a file.
bool hasNoFile(const frmDocument *document)
{
    return document->windowTitle().startsWith(QStringLiteral("Document"));
}

} // namespace

DocumentCommands::DocumentCommands(QMdiArea *area, const SettingsRecord &settings,
    std::unique_ptr<DocumentDialogs> dialogs, QObject *parent)
    : QObject(parent)
    , m_area(area)
    , m_settings(settings)
    , m_dialogs(dialogs ? std::move(dialogs) : std::make_unique<QtDocumentDialogs>())
{ }

DocumentCommands::~DocumentCommands() = default;

AbstractDocument *DocumentCommands::activeDocument()
{
    return activeForm();
}

AbstractDocument *DocumentCommands::newDocument()
{
    return NeuesDokument();
}

frmDocument *DocumentCommands::activeForm() const
{
    QMdiSubWindow *window = m_area->currentSubWindow();
    return window ? qobject_cast<frmDocument *>(window->widget()) : nullptr;
}

frmDocument *DocumentCommands::NeuesDokument()
{
    ++m_counter;
    auto *document = new frmDocument;
    document->setWindowTitle(QStringLiteral("Document ") + QString::number(m_counter));
    QMdiSubWindow *window = m_area->addSubWindow(document);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    m_area->setActiveSubWindow(window);
    Q_EMIT documentCreated(document);
    return document;
}

void DocumentCommands::open()
{
    if (!activeForm())
        NeuesDokument();
    QPointer<frmDocument> document = activeForm();
    const QString name = m_dialogs->openFileName(dialogParent(), OpenTitle, MeasurementFilter);
    if (name.isEmpty() || !document)
        return;
    loadInto(document, name);
}

void DocumentCommands::close()
{
    if (QMdiSubWindow *window = m_area->currentSubWindow())
        window->close();
}

void DocumentCommands::save()
{
    QPointer<frmDocument> document = activeForm();
    if (!document)
        return;
    if (!hasNoFile(document)) {
        saveTo(document, document->windowTitle());
        return;
    }
    // The caption stays "Document N", so the next Save asks again.
    const QString name = m_dialogs->saveFileName(dialogParent(), SaveTitle, RtfFilter);
    if (!name.isEmpty() && document)
        saveTo(document, name);
}

void DocumentCommands::saveAs()
{
    QPointer<frmDocument> document = activeForm();
    if (!document)
        return;
    const QString name = m_dialogs->saveFileName(dialogParent(), SaveAsTitle, MeasurementFilter);
    if (name.isEmpty() || !document)
        return;
    // The caption names the file only once the file holds the text.
    if (saveTo(document, name))
        document->setWindowTitle(name);
}

void DocumentCommands::pageSetup()
{
    m_dialogs->pageSetup(dialogParent(), PageSetupTitle, printer());
}

void DocumentCommands::print()
{
    QPointer<frmDocument> document = activeForm();
    if (!document)
        return;
    const QTextCursor selection = document->rtfText()->textCursor();
    const bool hasSelection = selection.hasSelection();
    QPrinter &chosen = printer();
    if (!m_dialogs->print(dialogParent(), PrintTitle, chosen, hasSelection)) {
        // Cancel skips the text only: the chart goes to the default printer.
        if (document)
            document->Drucken(m_dialogs->defaultPrinter());
        return;
    }
    if (!document)
        return;
    if (hasSelection && chosen.printRange() == QPrinter::Selection) {
        QTextDocument part;
        part.setDefaultFont(document->rtfText()->document()->defaultFont());
        QTextCursor(&part).insertFragment(selection.selection());
        DocumentPrinter::print(chosen, &part, *document->MSChart1());
    } else {
        DocumentPrinter::print(chosen, document->rtfText()->document(), *document->MSChart1());
    }
    // As after printing the chart alone, its picture is left on the clipboard.
    document->MSChart1()->EditCopy();
}

void DocumentCommands::cascade()
{
    m_area->cascadeSubWindows();
}

void DocumentCommands::tileHorizontal()
{
    tile(Qt::Horizontal);
}

void DocumentCommands::tileVertical()
{
    tile(Qt::Vertical);
}

void DocumentCommands::arrangeIcons() { }

void DocumentCommands::openFiles(const QStringList &paths)
{
    for (const QString &path : paths) {
        frmDocument *document = NeuesDokument();
        loadInto(document, QFileInfo(path).absoluteFilePath());
    }
}

QPrinter &DocumentCommands::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

bool DocumentCommands::loadInto(frmDocument *document, const QString &path)
{
    LoadedDocument loaded = loadDocumentFile(path);
    if (loaded.problem.ok()) {
        document->cancelLoad();
        const QMetaObject::Connection caption = connect(
            document, &frmDocument::loadFinished, document,
            [document, path](bool completed) {
                if (completed)
                    document->setWindowTitle(path);
            },
            Qt::SingleShotConnection);
        if (document->loadRichText(std::move(loaded.text)))
            return true;
        disconnect(caption);
        loaded.problem = {FileProblem::TooLarge, {}};
    }
    m_dialogs->showError(dialogParent(), fileProblemMessage(loaded.problem, path, false));
    return false;
}

bool DocumentCommands::saveTo(frmDocument *document, const QString &path)
{
    const FileProblem problem = saveDocumentFile(path, document->richText());
    if (!problem.ok()) {
        m_dialogs->showError(dialogParent(), fileProblemMessage(problem, path, true));
        return false;
    }
    Q_EMIT documentSaved(document, QFileInfo(path).absoluteFilePath());
    return true;
}

// Horizontal tiling lays the windows out as horizontal strips, one above the other, as the
// desktop's own "tile horizontally" does; vertical tiling puts them side by side.
void DocumentCommands::tile(Qt::Orientation strips)
{
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *window : m_area->subWindowList()) {
        if (window->isVisible() && !window->isMinimized())
            windows.append(window);
    }
    if (windows.isEmpty())
        return;
    const QRect area = m_area->viewport()->rect();
    const int count = int(windows.size());
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow *window = windows[i];
        if (window->isMaximized())
            window->showNormal();
        if (strips == Qt::Horizontal) {
            const int top = area.height() * i / count;
            const int bottom = area.height() * (i + 1) / count;
            window->setGeometry(0, top, area.width(), bottom - top);
        } else {
            const int left = area.width() * i / count;
            const int right = area.width() * (i + 1) / count;
            window->setGeometry(left, 0, right - left, area.height());
        }
    }
}

QWidget *DocumentCommands::dialogParent() const
{
    return m_area->window();
}
