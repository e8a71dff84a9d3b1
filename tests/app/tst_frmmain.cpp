// The main window and the options dialog: load and unload, captions, the dialog's controls,
// the end by a signal, the splash, and the equivalence point and data copy the window offers.
#include "app/captiontable.h"
#include "app/frmmain.h"
#include "app/frmoption.h"
#include "app/frmsplash.h"
#include "app/setzesprache.h"
#include "app/shutdownguard.h"
#include "app/signalwatcher.h"
#include "common/twips.h"
#include "documents/chartplot.h"
#include "documents/chartview.h"
#include "documents/documentcommands.h"
#include "documents/frmdocument.h"
#include "documents/seriescommands.h"
#include "evaluation/documentevaluator.h"
#include "link/portsettings.h"
#include "support/jumplisting.h"
#include "titration/runcontrols.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QGraphicsSimpleTextItem>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScatterSeries>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <csignal>
#include <memory>

class tst_frmMain : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_startDir;
    int m_case = 0;
    QTimer m_dismiss;
    std::unique_ptr<QSettings> m_store;
    std::unique_ptr<frmMain> m_window;

    // Every case has a directory and a settings store of its own (QSettings caches by name).
    QString iniPath() const { return m_dir.filePath(QStringLiteral("store%1.conf").arg(m_case)); }
    QString caseDir() const { return m_dir.filePath(QStringLiteral("cwd%1").arg(m_case)); }

    // The main window on a store holding `ini`, loaded unless asked otherwise.
    frmMain &window(const QByteArray &ini = {}, bool load = true)
    {
        writeFile(iniPath(), ini);
        m_store = std::make_unique<QSettings>(iniPath(), QSettings::IniFormat);
        m_window = std::make_unique<frmMain>(*m_store);
        if (load)
            m_window->Form_Load();
        return *m_window;
    }
    QString stored(const char *key) const
    {
        return QSettings(iniPath(), QSettings::IniFormat)
            .value(QStringLiteral("Settings/") + QLatin1StringView(key))
            .toString();
    }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray readFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray methodFile() const { return readFile(caseDir() + QStringLiteral("/lastmeth.kmt")); }

    static QString text(QWidget &w, const char *name)
    {
        if (auto *menu = w.findChild<QMenu *>(QLatin1StringView(name)))
            return menu->title();
        if (auto *action = w.findChild<QAction *>(QLatin1StringView(name)))
            return action->text();
        if (auto *button = w.findChild<QAbstractButton *>(QLatin1StringView(name)))
            return button->text();
        if (auto *label = w.findChild<QLabel *>(QLatin1StringView(name)))
            return label->text();
        return w.objectName() == QLatin1StringView(name) ? w.windowTitle() : QString();
    }
    template<typename T>
    static T *child(QWidget *w, const char *name)
    {
        T *c = w->findChild<T *>(QLatin1StringView(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    static QStringList chartMenuTexts(frmMain &w)
    {
        std::unique_ptr<QMenu> menu(w.seriesCommands().chartMenu(nullptr));
        QStringList shown;
        for (const QAction *action : menu->actions())
            shown << action->text();
        return shown;
    }
    static void buildChart(frmMain &w)
    {
        child<QPushButton>(&w, "cmdChart")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w.chartBuild().isRunning(), 5000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_startDir = QDir::currentPath();
        // Whatever message box a load or unload may show, it must not hold the tests up.
        connect(&m_dismiss, &QTimer::timeout, [] {
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        m_dismiss.start(50);
    }
    void init()
    {
        ++m_case;
        QVERIFY(QDir().mkpath(caseDir()));
        QVERIFY(QDir::setCurrent(caseDir()));
        QLocale::setDefault(QLocale::c());
    }
    void cleanup()
    {
        m_window.reset();
        m_store.reset();
        QDir::setCurrent(m_startDir);
    }

    void startsWithDefaultsAndSavesThemAtExit()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        frmMain &w = window();
        const double dpiX = w.screen()->logicalDotsPerInchX();
        const double dpiY = w.screen()->logicalDotsPerInchY();
        QCOMPARE(QRect(w.pos(), w.size()),
            QRect(Twips::toPixels(1000, dpiX), Twips::toPixels(1000, dpiY),
                Twips::toPixels(6500, dpiX), Twips::toPixels(6500, dpiY)));
        QCOMPARE(w.DezimalZeichen() + w.AntiDezi(), QStringLiteral(",."));
        QCOMPARE(text(w, "mnuFile"), QStringLiteral("file"));
        frmOption *dialog = w.existingOptionDialog();
        QVERIFY(dialog && !dialog->isVisible());
        QCOMPARE(text(*dialog, "lblVol"), QStringLiteral("0,5 ml"));
        QCOMPARE(text(*dialog, "lblZeit"), QStringLiteral("0,5 s"));
        QVERIFY(child<QRadioButton>(dialog, "optCom1")->isChecked());

        QVERIFY(w.close());
        QVERIFY(w.isUnloaded());
        QVERIFY(!w.existingOptionDialog());
        QCOMPARE(methodFile(), QByteArray("0,5\r\n0,5\r\n1\r\n0\r\n0\r\n\r\n2\r\n0\r\n"));
        QCOMPARE(stored("MainLeft"), QStringLiteral("1000")); // not 1005 from the pixels
    }

    void languageComesFromTheMethodFileAndSwitchesAtOnce()
    {
        writeFile(QStringLiteral("lastmeth.kmt"), "0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n1\r\n0\r\n");
        frmMain &w = window();
        frmOption *dialog = w.optionDialog();
        QCOMPARE(int(w.settings().Sprache), 1);
        QVERIFY(dialog->isGermanSelected());
        const auto captions = [&] {
            return QStringList {text(w, "mnuFile"), text(w, "cmdAbleit"),
                text(w, "mnuWindowCascade"), text(w, "mnuOptions"), text(*dialog, "frmOption"),
                child<QScrollBar>(dialog, "vscrVoll")->accessibleName()};
        };
        QCOMPARE(captions(),
            (QStringList {"Datei", "Ableit", "\u00DCbereinander", "Options", "Optionen",
                "Titrationsinkremente"}));
        // The chart's menu shows the captions of the moment it opens.
        QCOMPARE(
            chartMenuTexts(w), (QStringList {"Daten kopieren", "Bild kopieren", "Bild speichern"}));

        child<QRadioButton>(dialog, "Option1_1")->click();
        QCOMPARE(int(w.settings().Sprache), 2);
        QCOMPARE(captions(),
            (QStringList {
                "file", "1stdev", "cascade", "Options", "options", "titration increments"}));
        QCOMPARE(chartMenuTexts(w), (QStringList {"copy data", "copy picture", "save picture"}));
    }

    void captionTableNamesOnlyExistingControls()
    {
        frmMain &w = window();
        const QList<Caption> &table = captionTable();
        QVERIFY(table.size() >= 24);
        for (bool german : {true, false}) {
            QStringList missing; // controls the table names that are not there
            for (const Caption &row :
                applyCaptions(w, table, german) + applyCaptions(*w.optionDialog(), table, german))
                missing << row.window + u'/' + row.control;
            QCOMPARE(missing, QStringList());
        }
        for (const Caption &row : table)
            QVERIFY(!row.german.isEmpty() && !row.english.isEmpty());
    }

    void okTakesOverTheDialogsControls_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // after the field loses focus
        QTest::newRow("comma") << QLocale(QLocale::German, QLocale::Germany) << "7.5"
                               << "7,5";
        QTest::newRow("dot") << QLocale::c() << "7,5"
                             << "7.5";
    }
    void okTakesOverTheDialogsControls()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QLocale::setDefault(locale);
        frmMain &w = window();
        w.mnuOptions_Click();
        frmOption *dialog = w.existingOptionDialog();
        QVERIFY(dialog->isVisible());
        child<QScrollBar>(dialog, "vscrVoll")->setValue(7);
        child<QScrollBar>(dialog, "vscrZeit")->setValue(123);
        QCOMPARE(w.VolInk(), 0.5); // nothing is taken over before OK
        auto *endpH = child<QLineEdit>(dialog, "txtEndepH");
        endpH->setText(typed);
        QFocusEvent out(QEvent::FocusOut);
        QCoreApplication::sendEvent(endpH, &out);
        QCOMPARE(endpH->text(), shown);
        child<QLineEdit>(dialog, "txtEndVol")->setText(QStringLiteral("12 ml"));
        child<QRadioButton>(dialog, "optCom3")->click();
        child<QPushButton>(dialog, "cmdOK")->click();

        QCOMPARE(w.VolInk(), 0.07);
        QCOMPARE(w.InkZeit(), 12.3);
        QCOMPARE(w.settings().EndWert, 7.5);
        QCOMPARE(w.settings().EndVol, 0.0); // no number: kept
        QCOMPARE(int(w.settings().RsPort), 3);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(w.existingOptionDialog(), dialog);
    }

    void closeBoxDestroysTheDialogAndTheNextUseReloadsIt()
    {
        frmMain &w = window();
        w.mnuOptions_Click();
        QPointer<frmOption> first = w.existingOptionDialog();
        child<QScrollBar>(first, "vscrVoll")->setValue(7);
        child<QLineEdit>(first, "txtEndVol")->setText(QStringLiteral("12"));
        child<QRadioButton>(first, "optCom2")->click();
        child<QComboBox>(first, "cboPortPath")->setEditText(QStringLiteral("/dev/pts/4"));
        child<QRadioButton>(first, "optBereich_1")->click(); // acts at once
        // A run reads the dialog's controls as they are now.
        QCOMPARE(w.runControls().incrementValue(), 7);
        QCOMPARE(w.runControls().endVolumeText(), QStringLiteral("12"));
        QVERIFY(first->close());
        QVERIFY(!w.existingOptionDialog());
        QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 5000);

        // The next use, a run's read included, brings back a dialog filled from the record.
        QCOMPARE(w.runControls().incrementValue(), 50);
        QCOMPARE(w.runControls().endVolumeText(), QStringLiteral("0"));
        frmOption *second = w.existingOptionDialog();
        QVERIFY(second && !second->isVisible());
        QVERIFY(child<QRadioButton>(second, "optCom1")->isChecked());
        QCOMPARE(PortSettings(*m_store).devicePath(2), QStringLiteral("/dev/ttyS1"));
        QCOMPARE(int(w.settings().Bereich), 1);
        QCOMPARE(child<QLineEdit>(second, "txtEndepH")->accessibleName(), QStringLiteral("mV End"));
    }

    void storedValuesOutsideTheRangesAreClamped()
    {
        // Channel 9 leaves the first one selected; a range other than 0 is mV.
        writeFile(QStringLiteral("lastmeth.kmt"), "\r\n\r\n9\r\n\r\n\r\n\r\n\r\n7\r\n");
        frmMain &w = window("[Settings]\nInkZeit=1000\nvolink=0.001\n");
        frmOption *dialog = w.optionDialog();
        QCOMPARE(dialog->vscrVollValue(), 1);
        QCOMPARE(dialog->vscrZeitValue(), 600);
        QCOMPARE(int(w.settings().Bereich), 1);
        child<QPushButton>(dialog, "cmdOK")->click(); // OK stores the channel that is selected
        QCOMPARE(int(w.settings().RsPort), 1);
    }

    void minimisedExitKeepsTheStoredSettingsButWritesTheFile()
    {
        frmMain &w = window("[Settings]\nMainLeft=2000\nMainTop=1500\nMainWidth=9000\n"
                            "MainHeight=8000\nInkZeit=3\nvolink=0.2\n");
        QCOMPARE(w.pos().x(), Twips::toPixels(2000, w.screen()->logicalDotsPerInchX()));
        QCOMPARE(w.InkZeit(), 3.0);
        w.setInkZeit(7.5);
        w.setVolInk(0.04);
        w.showMinimized();
        QVERIFY(w.isMinimized());
        child<QAction>(&w, "mnuFileExit")->trigger();
        QVERIFY(w.isUnloaded());
        QVERIFY(!w.isVisible());
        QCOMPARE(stored("MainWidth"), QStringLiteral("9000"));
        QCOMPARE(stored("InkZeit"), QStringLiteral("3"));
        QCOMPARE(stored("volink"), QStringLiteral("0.2"));
        QVERIFY(methodFile().startsWith("0.04\r\n7.5\r\n"));
    }

    void unwritableMethodFileStillSavesTheSettings()
    {
        QVERIFY(QDir().mkdir(QStringLiteral("lastmeth.kmt"))); // a directory in the way
        frmMain &w = window();
        w.show();
        QVERIFY(w.close());
        QVERIFY(w.isUnloaded());
        QCOMPARE(stored("MainLeft"), QStringLiteral("1000"));
    }

    void methodFileGoesToTheDirectoryCurrentAtExit()
    {
        const QByteArray before = "0.1\r\n0.2\r\n2\r\n4\r\n5\r\n0,25\r\n1\r\n0\r\n";
        writeFile(QStringLiteral("lastmeth.kmt"), before);
        frmMain &w = window();
        QCOMPARE(w.txtDosText(), QStringLiteral("0,25"));
        w.setTxtDosText(QStringLiteral("1,5"));
        const QString other = caseDir() + QStringLiteral("/other");
        QVERIFY(QDir().mkpath(other));
        QVERIFY(QDir::setCurrent(other));
        QVERIFY(w.close());
        QCOMPARE(methodFile(), before);
        QCOMPARE(readFile(other + QStringLiteral("/lastmeth.kmt")),
            QByteArray("0.1\r\n0.2\r\n2\r\n4\r\n5\r\n1,5\r\n1\r\n0\r\n"));
    }

    void devicePathFollowsTheChannelAndIsStoredByOk()
    {
        frmMain &w = window("[Ports]\nCom2=/dev/ttyUSB7\n");
        frmOption *dialog = w.optionDialog();
        auto *path = child<QComboBox>(dialog, "cboPortPath");
        QVERIFY(path->isEditable());
        QCOMPARE(path->currentText(), QStringLiteral("/dev/ttyS0"));
        child<QRadioButton>(dialog, "optCom2")->click();
        QCOMPARE(path->currentText(), QStringLiteral("/dev/ttyUSB7"));
        child<QRadioButton>(dialog, "optCom3")->click();
        QCOMPARE(path->currentText(), QStringLiteral("/dev/ttyS2"));
        path->setEditText(QStringLiteral("/dev/pts/9"));
        child<QRadioButton>(dialog, "optCom1")->click();
        child<QRadioButton>(dialog, "optCom3")->click();
        QCOMPARE(path->currentText(), QStringLiteral("/dev/pts/9"));
        child<QPushButton>(dialog, "cmdOK")->click();

        QCOMPARE(PortSettings(*m_store).devicePath(3), QStringLiteral("/dev/pts/9"));
        m_store->beginGroup(QStringLiteral("Ports"));
        QCOMPARE(m_store->childKeys(), (QStringList {"Com2", "Com3"})); // untouched: not written
        m_store->endGroup();
        QCOMPARE(int(w.settings().RsPort), 3);
    }

    void terminationClosesTheWindowAsItsCloseBoxOnceItIsLoaded()
    {
        frmMain &w = window({}, false);
        int loopsLeft = 0;
        ShutdownGuard guard([&] { ++loopsLeft; });
        guard.setMainWindow(&w);
        SignalWatcher watcher;
        connect(&watcher, &SignalWatcher::terminationRequested, &guard, &ShutdownGuard::request);
        guard.request(); // before the load: kept for later, nothing written
        QVERIFY(guard.isRequested());
        QVERIFY(!w.isUnloaded());
        QVERIFY(methodFile().isEmpty());

        w.Form_Load();
        w.show();
        QCOMPARE(::raise(SIGTERM), 0);
        QTRY_VERIFY_WITH_TIMEOUT(w.isUnloaded(), 5000);
        QVERIFY(!w.isVisible());
        QCOMPARE(loopsLeft, 2);
        QCOMPARE(methodFile(), QByteArray("0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n2\r\n0\r\n"));
    }

    void splashShowsVersionAndPlatform()
    {
        frmSplash splash;
        splash.Form_Load();
        QCOMPARE(text(splash, "lblVersion"), QStringLiteral("Version 1.5.9"));
        QCOMPARE(text(splash, "lblPlatform"), QStringLiteral("32 bit Version "));
    }

    void derivativeButtonMarksTheEquivalencePointUntilTheCurveIsBuiltAgain()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        frmMain &w = window();
        frmDocument *doc = w.documents().activeForm();
        doc->setText(jumpListing(true));
        buildChart(w);
        child<QPushButton>(&w, "cmdAbleit")->click();
        doc->MSChart1()->redrawNow();
        ChartPlot *plot = doc->MSChart1()->plot();
        QCOMPARE(doc->chartModel().derivativePoints().size(), 9);
        QCOMPARE(plot->markerSeries()->count(), 1);
        QCOMPARE(plot->markerSeries()->at(0), QPointF(4.5, 7.0));
        QVERIFY(plot->markerLabelItem()->isVisible());
        QCOMPARE(plot->markerLabelItem()->text(), QStringLiteral("EP 4,50 ml"));

        buildChart(w);
        doc->MSChart1()->redrawNow();
        QCOMPARE(plot->markerSeries()->count(), 0);
        QVERIFY(!plot->markerLabelItem()->isVisible());
    }

    void ctrlShiftCCopiesTheRowsWithTheUsersSeparator()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        frmMain &w = window();
        if (auto *box = w.findChild<QMessageBox *>(QStringLiteral("rsErrorBox")))
            box->close(); // the closed line's message must not hold the focus
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        frmDocument *doc = w.documents().activeForm();
        doc->setText(jumpListing(true));
        buildChart(w);
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        doc->rtfText()->setFocus();
        QTest::keyClick(doc->rtfText(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        const QStringList lines
            = QGuiApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 10);
        QCOMPARE(lines[4], QStringLiteral("4\t4,72\t\t"));
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
