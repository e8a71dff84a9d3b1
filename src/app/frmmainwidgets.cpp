// The main window's menus, toolbar and status bar.
#include "frmmain.h"

#include "app/appicons.h"
#include "common/dateformat.h"
#include "common/twips.h"

#include <QAction>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

namespace {

QAction *addItem(QMenu *menu, const char *name, const QKeySequence &shortcut = {})
{
    QAction *action = menu->addAction(QString::fromLatin1(name));
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    return action;
}

// One instrument control of the toolbar, placed in twips from the toolbar's left edge.
struct ToolbarSlot
{
    const char *name;
    int left;
    int width;
    const char *caption;
    const char *toolTip;
};

} // namespace

void frmMain::buildMenus()
{
    // Captions come from the caption table (SetzeSprache); these are the English ones.
    QMenu *file = menuBar()->addMenu(QStringLiteral("file"));
    file->setObjectName(QStringLiteral("mnuFile"));
    file->menuAction()->setObjectName(QStringLiteral("mnuFileMenu"));
    connect(addItem(file, "mnuFileNew", QKeySequence(Qt::CTRL | Qt::Key_N)), &QAction::triggered,
        this, &frmMain::mnuFileNew_Click);
    connect(addItem(file, "mnuFileOpen", QKeySequence(Qt::CTRL | Qt::Key_O)), &QAction::triggered,
        this, &frmMain::mnuFileOpen_Click);
    connect(addItem(file, "mnuFileClose"), &QAction::triggered, this, &frmMain::mnuFileClose_Click);
    file->addSeparator();
    connect(addItem(file, "mnuFileSave"), &QAction::triggered, this, &frmMain::mnuFileSave_Click);
    connect(
        addItem(file, "mnuFileSaveAs"), &QAction::triggered, this, &frmMain::mnuFileSaveAs_Click);
    connect(
        addItem(file, "mnuFileExport"), &QAction::triggered, this, &frmMain::mnuFileExport_Click);
    connect(addItem(file, "mnuFileEvaluate"), &QAction::triggered, this,
        &frmMain::mnuFileEvaluate_Click);
    file->addSeparator();
    connect(addItem(file, "mnuFilePageSetup"), &QAction::triggered, this,
        &frmMain::mnuFilePageSetup_Click);
    connect(addItem(file, "mnuFilePrint"), &QAction::triggered, this, &frmMain::mnuFilePrint_Click);
    connect(addItem(file, "mnuFileExit"), &QAction::triggered, this, &frmMain::mnuFileExit_Click);

    QMenu *window = menuBar()->addMenu(QStringLiteral("window"));
    window->setObjectName(QStringLiteral("mnuWindow"));
    window->menuAction()->setObjectName(QStringLiteral("mnuWindowMenu"));
    connect(addItem(window, "mnuWindowNewWindow"), &QAction::triggered, this,
        &frmMain::mnuWindowNewWindow_Click);
    window->addSeparator();
    connect(addItem(window, "mnuWindowCascade"), &QAction::triggered, this,
        &frmMain::mnuWindowCascade_Click);
    connect(addItem(window, "mnuWindowTileHorizontal"), &QAction::triggered, this,
        &frmMain::mnuWindowTileHorizontal_Click);
    connect(addItem(window, "mnuWindowTileVertical"), &QAction::triggered, this,
        &frmMain::mnuWindowTileVertical_Click);
    connect(addItem(window, "mnuWindowArrangeIcons"), &QAction::triggered, this,
        &frmMain::mnuWindowArrangeIcons_Click);

    QAction *options = menuBar()->addAction(QStringLiteral("Options"));
    options->setObjectName(QStringLiteral("mnuOptions"));
    connect(options, &QAction::triggered, this, &frmMain::mnuOptions_Click);
    QAction *method = menuBar()->addAction(QStringLiteral("Method"));
    method->setObjectName(QStringLiteral("mnuMethode"));
    connect(method, &QAction::triggered, this, &frmMain::mnuMethode_Click);
    // Not in the caption table: its text follows the program's language (tr).
    m_mnuJournalMenu = menuBar()->addMenu(tr("Journal"));
    m_mnuJournalMenu->setObjectName(QStringLiteral("mnuJournalMenu"));
    m_mnuJournal = m_mnuJournalMenu->addAction(tr("Runs..."));
    m_mnuJournal->setObjectName(QStringLiteral("mnuJournal"));
    connect(m_mnuJournal, &QAction::triggered, this, &frmMain::mnuJournal_Click);
    m_mnuTitrants = m_mnuJournalMenu->addAction(tr("Titrants..."));
    m_mnuTitrants->setObjectName(QStringLiteral("mnuTitrants"));
    connect(m_mnuTitrants, &QAction::triggered, this, &frmMain::mnuTitrants_Click);
}

void frmMain::buildToolBar()
{
    m_tbToolBar = addToolBar(QStringLiteral("tbToolBar"));
    m_tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    m_tbToolBar->setMovable(false);

    // The image buttons, keyed as the toolbar handler compares them.
    const struct
    {
        const char *key;
        const char *image;
    } imageButtons[] = {{"Neu", "New"}, {"Drucken", "Print"}, {"Speichern", "Save"}};
    for (const auto &b : imageButtons) {
        const QString key = QString::fromLatin1(b.key);
        QAction *action
            = m_tbToolBar->addAction(AppIcons::toolbarIcon(QString::fromLatin1(b.image)), key);
        action->setObjectName(QStringLiteral("tbToolBar_") + key);
        action->setData(key);
        action->setToolTip(key);
        connect(action, &QAction::triggered, this, [this, key] { tbToolBar_ButtonClick(key); });
    }

    // The instrument controls stand at fixed twips positions on a panel of their own.
    const ToolbarSlot instrumentSlots[] = {
        {"cmdSend", 1440, 615, "Data", "Daten auslesen "},
        {"cmdResult", 2040, 615, "Res", "Ergebnis auslesen "},
        {"cmdChart", 2760, 615, "Chart", "Diagramm erstellen"},
        {"cmdAbleit", 3360, 735, "1stdev", "Erste Ableitung berechnen"},
        {"cmdDelete", 4800, 615, "Delete", "Datenliste l\u00F6schen"},
        {"cmdTitration", 5880, 855, "Titr. Start", "Titrationsfunktion starten"},
        {"cmdFill", 6960, 615, "Fill", "Titrator f\u00FCllen"},
        {"cmdDos", 7800, 615, "Dos", "Dosieren des Volumens im Textfeld"},
        {"txtDos", 8520, 735, "", ""},
    };
    const WindowGeometry::Dpi dpi = screenDpi();
    const int height = Twips::toPixels(375, dpi.y);
    auto *panel = new QWidget(m_tbToolBar);
    panel->setObjectName(QStringLiteral("tbInstrumentPanel"));
    int right = 0;
    for (const ToolbarSlot &slot : instrumentSlots) {
        QWidget *control = nullptr;
        if (qstrcmp(slot.name, "txtDos") == 0) {
            m_txtDos = new QLineEdit(panel);
            control = m_txtDos;
        } else {
            auto *button = new QPushButton(QString::fromUtf8(slot.caption), panel);
            button->setToolTip(QString::fromUtf8(slot.toolTip));
            control = button;
        }
        control->setObjectName(QString::fromLatin1(slot.name));
        const int left = Twips::toPixels(slot.left, dpi.x);
        const int width = Twips::toPixels(slot.width, dpi.x);
        control->setGeometry(left, 0, width, height);
        right = qMax(right, left + width);
    }
    panel->setFixedSize(right, height);
    m_tbToolBar->addWidget(panel);

    m_cmdSend = panel->findChild<QPushButton *>(QStringLiteral("cmdSend"));
    m_cmdResult = panel->findChild<QPushButton *>(QStringLiteral("cmdResult"));
    m_cmdChart = panel->findChild<QPushButton *>(QStringLiteral("cmdChart"));
    m_cmdAbleit = panel->findChild<QPushButton *>(QStringLiteral("cmdAbleit"));
    m_cmdDelete = panel->findChild<QPushButton *>(QStringLiteral("cmdDelete"));
    m_cmdTitration = panel->findChild<QPushButton *>(QStringLiteral("cmdTitration"));
    m_cmdFill = panel->findChild<QPushButton *>(QStringLiteral("cmdFill"));
    m_cmdDos = panel->findChild<QPushButton *>(QStringLiteral("cmdDos"));

    QFont arial = m_cmdChart->font();
    arial.setFamily(QStringLiteral("Arial"));
    m_cmdChart->setFont(arial);
    // The dose field has no caption of its own: its button says what it is for.
    m_txtDos->setAccessibleName(m_cmdDos->toolTip());

    connect(m_cmdSend, &QPushButton::clicked, this, &frmMain::cmdSend_Click);
    connect(m_cmdResult, &QPushButton::clicked, this, &frmMain::cmdResult_Click);
    connect(m_cmdChart, &QPushButton::clicked, this, &frmMain::cmdChart_Click);
    connect(m_cmdAbleit, &QPushButton::clicked, this, &frmMain::cmdAbleit_Click);
    connect(m_cmdDelete, &QPushButton::clicked, this, &frmMain::cmdDelete_Click);
    connect(m_cmdTitration, &QPushButton::clicked, this, &frmMain::cmdTitration_Click);
    connect(m_cmdFill, &QPushButton::clicked, this, &frmMain::cmdFill_Click);
    connect(m_cmdDos, &QPushButton::clicked, this, &frmMain::cmdDos_Click);
}

void frmMain::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("sbStatusBar"));
    auto *status = new QLabel(QStringLiteral("Status"), bar);
    status->setObjectName(QStringLiteral("sbStatusBar_Status"));
    m_dateLabel = new QLabel(bar);
    m_dateLabel->setObjectName(QStringLiteral("sbStatusBar_Date"));
    m_timeLabel = new QLabel(bar);
    m_timeLabel->setObjectName(QStringLiteral("sbStatusBar_Time"));
    bar->addWidget(status, 1);
    bar->addPermanentWidget(m_dateLabel);
    bar->addPermanentWidget(m_timeLabel);

    refreshClock();
    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(1000);
    connect(m_clockTimer, &QTimer::timeout, this, &frmMain::refreshClock);
    m_clockTimer->start();
}

void frmMain::refreshClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    m_dateLabel->setText(locale.toString(now.date(), shortDateFormat(locale)));
    m_timeLabel->setText(locale.toString(now.time(), QStringLiteral("HH:mm:ss")));
}
