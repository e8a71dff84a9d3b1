#pragma once

#include "documents/chartmodel.h"
#include "model/equivalencepoint.h"

#include <QObject>

#include <optional>

class DocumentCommands;
class QAction;
class QMenu;
class QWidget;
class frmDocument;
struct SettingsRecord;

// The series of the active document for other programs: the equivalence point on the chart,
// CSV export, the rows on the clipboard, and the chart's context menu (copy data, copy
// picture, save picture). The menu's actions belong to `owner` (the main window), so the
// caption table names them like the window's other items; dialogs and messages go through
// the document commands' dialogs.
class SeriesCommands : public QObject
{
    Q_OBJECT
public:
    // `documents` and `settings` must outlive the commands.
    SeriesCommands(DocumentCommands &documents, const SettingsRecord &settings, QWidget *owner);
    ~SeriesCommands() override;

    // After the derivative: marks the equivalence point the evaluation found on the active
    // chart, or removes the mark when there is none.
    void markEquivalencePoint(const std::optional<EquivalencePoint> &point);
    // After the derivative: marks every recognised EP on the active chart, labelled, with the
    // comment lines the CSV export adds for them.
    void markEquivalencePoints(const QList<ChartModel::Marker> &markers, const QString &notes);
    // The active document's chart, or null.
    const ChartModel *activeChart() const;

    // Writes the active chart's rows and equivalence point as CSV to a file the user picks.
    void exportData();
    // The active chart's rows, tab-separated with the user's decimal separator, as text.
    void copyData();
    // The active chart's picture on the clipboard, as the chart's own copy makes it.
    void copyPicture();
    // The active chart's picture as PNG, SVG or PDF, by the suffix of the chosen name; a name
    // without a suffix gets ".png", another suffix is refused with a message.
    void savePicture();

    QAction *copyDataAction() const { return m_copyData; } // Ctrl+Shift+C
    QAction *copyPictureAction() const { return m_copyPicture; }
    QAction *savePictureAction() const { return m_savePicture; }

    // The chart's context menu, with the actions' current captions.
    QMenu *chartMenu(QWidget *parent);

private:
    void attachChartMenu(frmDocument *document);
    bool writeFile(const QString &path, const QByteArray &data);
    QAction *makeAction(const char *name, const char *caption);

    DocumentCommands &m_documents;
    const SettingsRecord &m_settings;
    QWidget *m_owner;
    QAction *m_copyData = nullptr;
    QAction *m_copyPicture = nullptr;
    QAction *m_savePicture = nullptr;
};
