#include "seriescommands.h"

#include "chartexport.h"
#include "chartview.h"
#include "documentcommands.h"
#include "documentdialogs.h"
#include "documentfile.h"
#include "frmdocument.h"
#include "model/settingsrecord.h"
#include "seriesexport.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

namespace {

const QString CsvFilter = QStringLiteral("CSV (*.csv)");
const QString PictureFilter = QStringLiteral("PNG (*.png);;SVG (*.svg);;PDF (*.pdf)");

} // namespace

SeriesCommands::SeriesCommands(
    DocumentCommands &documents, const SettingsRecord &settings, QWidget *owner)
    : QObject()
    , m_documents(documents)
    , m_settings(settings)
    , m_owner(owner)
{
    // English captions until the language is applied, as the window's other items.
    m_copyData = makeAction("mnuCopyData", "copy data");
    m_copyPicture = makeAction("mnuChartCopyPicture", "copy picture");
    m_savePicture = makeAction("mnuChartSavePicture", "save picture");
    m_copyData->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    // On the window, so the shortcut works wherever the focus is inside it.
    m_owner->addAction(m_copyData);

    connect(m_copyData, &QAction::triggered, this, &SeriesCommands::copyData);
    connect(m_copyPicture, &QAction::triggered, this, &SeriesCommands::copyPicture);
    connect(m_savePicture, &QAction::triggered, this, &SeriesCommands::savePicture);
    connect(
        &m_documents, &DocumentCommands::documentCreated, this, &SeriesCommands::attachChartMenu);
}

SeriesCommands::~SeriesCommands() = default;

QAction *SeriesCommands::makeAction(const char *name, const char *caption)
{
    auto *action = new QAction(QString::fromLatin1(caption), m_owner);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

void SeriesCommands::markEquivalencePoint(const std::optional<EquivalencePoint> &point)
{
    if (frmDocument *document = m_documents.activeForm())
        document->chartModel().setEquivalencePoint(point);
}

void SeriesCommands::markEquivalencePoints(
    const QList<ChartModel::Marker> &markers, const QString &notes)
{
    if (frmDocument *document = m_documents.activeForm())
        document->chartModel().setEquivalencePoints(markers, notes);
}

const ChartModel *SeriesCommands::activeChart() const
{
    frmDocument *document = m_documents.activeForm();
    return document ? &document->chartModel() : nullptr;
}

void SeriesCommands::exportData()
{
    QPointer<frmDocument> document = m_documents.activeForm();
    if (!document)
        return;
    const QString title = tr("Export data");
    const QString name = m_documents.dialogs().saveFileName(m_owner, title, CsvFilter);
    if (name.isEmpty() || !document)
        return;
    const ChartModel &chart = document->chartModel();
    writeFile(
        name, SeriesExport::toCsv(chart, chart.equivalencePoint(), chart.exportNotes()).toUtf8());
}

void SeriesCommands::copyData()
{
    if (frmDocument *document = m_documents.activeForm()) {
        QGuiApplication::clipboard()->setText(
            SeriesExport::toTabSeparated(document->chartModel(), m_settings.separators));
    }
}

void SeriesCommands::copyPicture()
{
    if (frmDocument *document = m_documents.activeForm())
        document->MSChart1()->EditCopy();
}

void SeriesCommands::savePicture()
{
    QPointer<frmDocument> document = m_documents.activeForm();
    if (!document)
        return;
    const QString title = tr("Save picture");
    QString name = m_documents.dialogs().saveFileName(m_owner, title, PictureFilter);
    if (name.isEmpty() || !document)
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".png");
    const std::optional<ChartExport::Format> format = ChartExport::formatOf(name);
    if (!format) {
        const QString message
            = tr("The file \"%1\" cannot be saved: pictures are saved as PNG, SVG or PDF.");
        m_documents.dialogs().showError(m_owner, message.arg(QDir::toNativeSeparators(name)));
        return;
    }
    const ChartView &view = *document->MSChart1();
    writeFile(name, ChartExport::picture(view, *format, view.pictureSize()));
}

bool SeriesCommands::writeFile(const QString &path, const QByteArray &data)
{
    const FileProblem problem = data.isEmpty()
        ? FileProblem {FileProblem::WriteFailed, QStringLiteral("no data")}
        : saveFileAtomically(path, data);
    if (problem.ok())
        return true;
    m_documents.dialogs().showError(m_owner, fileProblemMessage(problem, path, true));
    return false;
}

QMenu *SeriesCommands::chartMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("chartMenu"));
    menu->addAction(m_copyData);
    menu->addAction(m_copyPicture);
    menu->addAction(m_savePicture);
    return menu;
}

void SeriesCommands::attachChartMenu(frmDocument *document)
{
    ChartView *view = document->MSChart1();
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QPointer<frmDocument> guard = document;
    connect(view, &QWidget::customContextMenuRequested, this, [this, guard](const QPoint &at) {
        if (!guard)
            return;
        // The commands work on the active document: the one whose chart was clicked.
        if (auto *window = qobject_cast<QMdiSubWindow *>(guard->parentWidget())) {
            if (QMdiArea *area = window->mdiArea())
                area->setActiveSubWindow(window);
        }
        QMenu *menu = chartMenu(guard->MSChart1());
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(guard->MSChart1()->viewport()->mapToGlobal(at)); // `at` is the viewport's
    });
}
