#include "app/captiontable.h"
#include "app/frmmain.h"
#include "app/frmoption.h"
#include "app/frmsplash.h"
#include "app/setzesprache.h"
#include "app/shutdownguard.h"
#include "app/signalwatcher.h"
#include "common/twips.h"
#include "link/portsettings.h"
#include "titration/runcontrols.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

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

    // QSettings caches files by name: every case gets its own store and directory.
    QString iniPath() const { return m_dir.filePath(QStringLiteral("store%1.conf").arg(m_case)); }
    QString caseDir() const { return m_dir.filePath(QStringLiteral("cwd%1").arg(m_case)); }

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
        return QStringLiteral("<no %1>").arg(QLatin1StringView(name));
    }
    template<typename T>
    static T *child(QWidget *w, const char *name)
    {
        T *c = w->findChild<T *>(QLatin1StringView(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    static void loseFocus(QWidget *field)
    {
        QFocusEvent out(QEvent::FocusOut);
        QCoreApplication::sendEvent(field, &out);
    }
    static double dpiX(QWidget &w) { return w.screen()->logicalDotsPerInchX(); }
    static double dpiY(QWidget &w) { return w.screen()->logicalDotsPerInchY(); }

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
    void cleanup() { QDir::setCurrent(m_startDir); }

    void startsWithDefaultsAndSavesThemAtExit_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("dezimal");
        QTest::addColumn<QString>("anti");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("increment");
        QTest::newRow("dot") << QLocale::c() << "."
                             << "," << QByteArray("0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n2\r\n0\r\n")
                             << "0.5";
        QTest::newRow("comma") << QLocale(QLocale::German, QLocale::Germany) << ","
                               << "." << QByteArray("0,5\r\n0,5\r\n1\r\n0\r\n0\r\n\r\n2\r\n0\r\n")
                               << "0,5";
    }
    void startsWithDefaultsAndSavesThemAtExit()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, dezimal);
        QFETCH(QString, anti);
        QFETCH(QByteArray, file);
        QFETCH(QString, increment);
        QLocale::setDefault(locale);
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();

        QCOMPARE(w.pos(), QPoint(Twips::toPixels(1000, dpiX(w)), Twips::toPixels(1000, dpiY(w))));
        QCOMPARE(w.size(), QSize(Twips::toPixels(6500, dpiX(w)), Twips::toPixels(6500, dpiY(w))));
        QCOMPARE(w.InkZeit(), 0.5);
        QCOMPARE(w.VolInk(), 0.5);
        QCOMPARE(w.DezimalZeichen(), dezimal);
        QCOMPARE(w.AntiDezi(), anti);
        QCOMPARE(int(w.settings().RsPort), 1);
        QCOMPARE(int(w.settings().Sprache), 2);
        QCOMPARE(w.settings().EndWert, 0.0);
        QCOMPARE(w.settings().EndVol, 0.0);
        QCOMPARE(text(w, "mnuFile"), QStringLiteral("file"));
        QCOMPARE(text(w, "mnuWindow"), QStringLiteral("window"));
        QCOMPARE(text(w, "cmdAbleit"), QStringLiteral("1stdev"));
        frmOption *dialog = w.existingOptionDialog();
        QVERIFY(dialog);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(text(*dialog, "lblVol"), increment + QStringLiteral(" ml"));
        QCOMPARE(text(*dialog, "lblZeit"), increment + QStringLiteral(" s"));
        QCOMPARE(dialog->txtEndepHText(), QStringLiteral("0"));
        QVERIFY(child<QRadioButton>(dialog, "optCom1")->isChecked());

        QVERIFY(w.close());
        QVERIFY(w.isUnloaded());
        QVERIFY(!w.existingOptionDialog());
        QCOMPARE(methodFile(), file);
        QSettings check(iniPath(), QSettings::IniFormat);
        check.beginGroup(QStringLiteral("Settings"));
        QStringList keys = check.childKeys();
        keys.sort();
        QCOMPARE(keys,
            (QStringList {"InkZeit", "MainHeight", "MainLeft", "MainTop", "MainWidth", "volink"}));
        QCOMPARE(check.value("MainLeft").toString(), QStringLiteral("1000"));
        QCOMPARE(check.value("MainTop").toString(), QStringLiteral("1000"));
        QCOMPARE(check.value("MainWidth").toString(), QStringLiteral("6500"));
        QCOMPARE(check.value("MainHeight").toString(), QStringLiteral("6500"));
        QCOMPARE(check.value("InkZeit").toString(), increment);
        QCOMPARE(check.value("volink").toString(), increment);
    }

    void languageFollowsTheMethodFile_data()
    {
        QTest::addColumn<QByteArray>("line7");
        QTest::addColumn<int>("sprache");
        QTest::addColumn<QStringList>("captions"); // file menu, window menu, cmdAbleit, dialog
        const QStringList german {"Datei", "Fenster", "Ableit", "Optionen"};
        const QStringList english {"file", "window", "1stdev", "options"};
        QTest::newRow("1 German") << QByteArray("1") << 1 << german;
        QTest::newRow("0 English") << QByteArray("0") << 2 << english;
        QTest::newRow("2 English") << QByteArray("2") << 2 << english;
        QTest::newRow("3 English") << QByteArray("3") << 2 << english;
        QTest::newRow("not a number") << QByteArray("x") << 2 << english;
    }
    void languageFollowsTheMethodFile()
    {
        QFETCH(QByteArray, line7);
        QFETCH(int, sprache);
        QFETCH(QStringList, captions);
        writeFile(QStringLiteral("lastmeth.kmt"),
            "0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n" + line7 + "\r\n0\r\n");
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        QCOMPARE(int(w.settings().Sprache), sprache);
        QCOMPARE(text(w, "mnuFile"), captions[0]);
        QCOMPARE(text(w, "mnuWindow"), captions[1]);
        QCOMPARE(text(w, "cmdAbleit"), captions[2]);
        QCOMPARE(w.optionDialog()->windowTitle(), captions[3]);
        QCOMPARE(text(w, "mnuOptions"), QStringLiteral("Options"));
        QCOMPARE(w.optionDialog()->isGermanSelected(), sprache == 1);
    }

    void languageButtonsSwitchAtOnce()
    {
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        frmOption *dialog = w.optionDialog();
        child<QRadioButton>(dialog, "Option1_0")->click();
        QCOMPARE(int(w.settings().Sprache), 1);
        QCOMPARE(text(w, "mnuFile"), QStringLiteral("Datei"));
        QCOMPARE(text(w, "mnuWindow"), QStringLiteral("Fenster"));
        QCOMPARE(text(w, "mnuWindowCascade"), QStringLiteral("\u00DCbereinander"));
        QCOMPARE(text(w, "mnuWindowTileVertical"), QStringLiteral("Untereinander"));
        QCOMPARE(text(w, "mnuOptions"), QStringLiteral("Options"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Optionen"));
        QCOMPARE(child<QScrollBar>(dialog, "vscrVoll")->accessibleName(),
            QStringLiteral("Titrationsinkremente"));

        child<QRadioButton>(dialog, "Option1_1")->click();
        QCOMPARE(int(w.settings().Sprache), 2);
        QCOMPARE(text(w, "mnuFile"), QStringLiteral("file"));
        QCOMPARE(text(*dialog, "optCom3"), QStringLiteral("RS chanal3"));
        QCOMPARE(child<QScrollBar>(dialog, "vscrZeit")->accessibleName(),
            QStringLiteral("wait after increment"));
    }

    void captionTableNamesOnlyExistingControls()
    {
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        const QList<Caption> &table = captionTable();
        QVERIFY(table.size() >= 24);
        for (bool german : {true, false}) {
            const QList<Caption> missing
                = applyCaptions(w, table, german) + applyCaptions(*w.optionDialog(), table, german);
            for (const Caption &row : missing)
                qWarning("caption for a control that is not there: %s/%s", qPrintable(row.window),
                    qPrintable(row.control));
            QVERIFY(missing.isEmpty());
        }
        for (const Caption &row : table) {
            QVERIFY(row.window == QLatin1StringView("frmMain")
                || row.window == QLatin1StringView("frmOption"));
            QVERIFY(!row.german.isEmpty() && !row.english.isEmpty());
        }
    }

    void okTakesOverTheDialogsControls_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
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
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        w.mnuOptions_Click();
        frmOption *dialog = w.existingOptionDialog();
        QVERIFY(dialog->isVisible());

        child<QScrollBar>(dialog, "vscrVoll")->setValue(7);
        child<QScrollBar>(dialog, "vscrZeit")->setValue(123);
        QCOMPARE(w.VolInk(), 0.5); // nothing is taken over before OK
        auto *endpH = child<QLineEdit>(dialog, "txtEndepH");
        endpH->setText(typed);
        loseFocus(endpH);
        QCOMPARE(endpH->text(), shown);
        auto *endVol = child<QLineEdit>(dialog, "txtEndVol");
        endVol->setText(QStringLiteral("1,000.5"));
        loseFocus(endVol);
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
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        w.mnuOptions_Click();
        QPointer<frmOption> first = w.existingOptionDialog();
        child<QScrollBar>(first, "vscrVoll")->setValue(7);
        child<QLineEdit>(first, "txtEndepH")->setText(QStringLiteral("9"));
        child<QRadioButton>(first, "optCom2")->click();
        child<QRadioButton>(first, "optBereich_1")->click(); // acts at once
        QVERIFY(first->close());
        QVERIFY(!w.existingOptionDialog());
        QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 5000);

        frmOption *second = w.optionDialog();
        QVERIFY(!second->isVisible());
        QCOMPARE(second->vscrVollValue(), 50);
        QCOMPARE(second->txtEndepHText(), QStringLiteral("0"));
        QVERIFY(child<QRadioButton>(second, "optCom1")->isChecked());
        QVERIFY(child<QRadioButton>(second, "optBereich_1")->isChecked());
        QCOMPARE(text(*second, "Label2"), QStringLiteral("mV End"));
        QCOMPARE(int(w.settings().Bereich), 1);
        QCOMPARE(int(w.settings().RsPort), 1);
    }

    void rangeButtonsActAtOnce()
    {
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        frmOption *dialog = w.optionDialog();
        QCOMPARE(text(*dialog, "Label2"), QStringLiteral("pH End"));
        child<QRadioButton>(dialog, "optBereich_1")->click();
        QCOMPARE(int(w.settings().Bereich), 1);
        QCOMPARE(text(*dialog, "Label2"), QStringLiteral("mV End"));
        QCOMPARE(child<QLineEdit>(dialog, "txtEndepH")->accessibleName(), QStringLiteral("mV End"));
        child<QRadioButton>(dialog, "optBereich_0")->click();
        QCOMPARE(int(w.settings().Bereich), 0);
        QCOMPARE(text(*dialog, "Label2"), QStringLiteral("pH End"));
    }

    void storedValuesOutsideTheRangesAreClamped_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("voll");
        QTest::addColumn<int>("zeit");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<int>("bereich");
        QTest::newRow("increments above") << QByteArray("InkZeit=1000\nvolink=5\n") << QByteArray()
                                          << 50 << 600 << "optCom1" << 0;
        QTest::newRow("increments below")
            << QByteArray("InkZeit=0\nvolink=0.001\n") << QByteArray() << 1 << 1 << "optCom1" << 0;
        QTest::newRow("not numbers give the defaults")
            << QByteArray("InkZeit=abc\nvolink=\n") << QByteArray() << 50 << 5 << "optCom1" << 0;
        QTest::newRow("file wins over the store, channel 3, range 7 is mV")
            << QByteArray("InkZeit=3\nvolink=0.3\n")
            << QByteArray("0.02\r\n1.5\r\n3\r\n0\r\n0\r\n\r\n2\r\n7\r\n") << 2 << 15 << "optCom3"
            << 1;
        QTest::newRow("channel 9 leaves the first selected")
            << QByteArray() << QByteArray("0.5\r\n0.5\r\n9\r\n0\r\n0\r\n\r\n2\r\n0\r\n") << 50 << 5
            << "optCom1" << 0;
    }
    void storedValuesOutsideTheRangesAreClamped()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QByteArray, file);
        QFETCH(int, voll);
        QFETCH(int, zeit);
        QFETCH(QString, channel);
        QFETCH(int, bereich);
        writeFile(iniPath(), "[Settings]\n" + ini);
        if (!file.isEmpty())
            writeFile(QStringLiteral("lastmeth.kmt"), file);
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        frmOption *dialog = w.optionDialog();
        QCOMPARE(dialog->vscrVollValue(), voll);
        QCOMPARE(dialog->vscrZeitValue(), zeit);
        QVERIFY(child<QRadioButton>(dialog, qPrintable(channel))->isChecked());
        QCOMPARE(int(w.settings().Bereich), bereich);
        // OK stores the channel that is selected.
        child<QPushButton>(dialog, "cmdOK")->click();
        QCOMPARE(int(w.settings().RsPort), channel.right(1).toInt());
    }

    void minimisedExitKeepsTheStoredSettingsButWritesTheFile()
    {
        writeFile(iniPath(),
            "[Settings]\nMainLeft=2000\nMainTop=1500\nMainWidth=9000\n"
            "MainHeight=8000\nInkZeit=3\nvolink=0.2\n");
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        QCOMPARE(w.InkZeit(), 3.0);
        w.setInkZeit(7.5);
        w.setVolInk(0.04);
        w.showMinimized();
        QVERIFY(w.isMinimized());
        QVERIFY(w.close());
        QVERIFY(w.isUnloaded());

        QSettings check(iniPath(), QSettings::IniFormat);
        check.beginGroup(QStringLiteral("Settings"));
        QCOMPARE(check.value("MainLeft").toString(), QStringLiteral("2000"));
        QCOMPARE(check.value("MainWidth").toString(), QStringLiteral("9000"));
        QCOMPARE(check.value("InkZeit").toString(), QStringLiteral("3"));
        QCOMPARE(check.value("volink").toString(), QStringLiteral("0.2"));
        QVERIFY(methodFile().startsWith("0.04\r\n7.5\r\n"));
    }

    void geometryIsRestoredAndWhatMovedIsSaved()
    {
        writeFile(iniPath(),
            "[Settings]\nMainLeft=1500\nMainTop=1200\nMainWidth=9000\n"
            "MainHeight=7000\n");
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        const QPoint at(Twips::toPixels(1500, dpiX(w)), Twips::toPixels(1200, dpiY(w)));
        QCOMPARE(w.pos(), at);
        QCOMPARE(w.size(), QSize(Twips::toPixels(9000, dpiX(w)), Twips::toPixels(7000, dpiY(w))));
        w.move(at + QPoint(10, 0));
        QVERIFY(w.close());

        QSettings check(iniPath(), QSettings::IniFormat);
        check.beginGroup(QStringLiteral("Settings"));
        const double left = Twips::fromPixels(at.x() + 10, dpiX(w));
        QCOMPARE(check.value("MainLeft").toString(),
            Numbers::toTextSingle(float(left), Numbers::Separators::dot()));
        QCOMPARE(check.value("MainTop").toString(), QStringLiteral("1200"));
        QCOMPARE(check.value("MainWidth").toString(), QStringLiteral("9000"));
        QCOMPARE(check.value("MainHeight").toString(), QStringLiteral("7000"));
    }

    void unwritableMethodFileStillSavesTheSettings()
    {
        QVERIFY(QDir().mkdir(QStringLiteral("lastmeth.kmt"))); // a directory in the way
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        w.show();
        QVERIFY(w.close());
        QVERIFY(w.isUnloaded());
        QSettings check(iniPath(), QSettings::IniFormat);
        QCOMPARE(check.value("Settings/MainLeft").toString(), QStringLiteral("1000"));
    }

    void methodFileGoesToTheDirectoryCurrentAtExit()
    {
        writeFile(
            QStringLiteral("lastmeth.kmt"), "0.1\r\n0.2\r\n2\r\n4\r\n5\r\n0,25\r\n1\r\n0\r\n");
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        QCOMPARE(w.txtDosText(), QStringLiteral("0,25"));
        w.setTxtDosText(QStringLiteral("1,5"));
        const QString other = caseDir() + QStringLiteral("/other");
        QVERIFY(QDir().mkpath(other));
        QVERIFY(QDir::setCurrent(other));
        QVERIFY(w.close());
        QCOMPARE(methodFile(), QByteArray("0.1\r\n0.2\r\n2\r\n4\r\n5\r\n0,25\r\n1\r\n0\r\n"));
        QCOMPARE(readFile(other + QStringLiteral("/lastmeth.kmt")),
            QByteArray("0.1\r\n0.2\r\n2\r\n4\r\n5\r\n1,5\r\n1\r\n0\r\n"));
    }

    void toolbarControlsStandAtTheirTwipsPositions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("cmdSend") << "cmdSend" << 1440 << 615 << "Data"
                                 << "Daten auslesen ";
        QTest::newRow("cmdResult") << "cmdResult" << 2040 << 615 << "Res"
                                   << "Ergebnis auslesen ";
        QTest::newRow("cmdChart") << "cmdChart" << 2760 << 615 << "Chart"
                                  << "Diagramm erstellen";
        QTest::newRow("cmdAbleit") << "cmdAbleit" << 3360 << 735 << "1stdev"
                                   << "Erste Ableitung berechnen";
        QTest::newRow("cmdDelete") << "cmdDelete" << 4800 << 615 << "Delete"
                                   << "Datenliste l\u00F6schen";
        QTest::newRow("cmdTitration") << "cmdTitration" << 5880 << 855 << "Titr. Start"
                                      << "Titrationsfunktion starten";
        QTest::newRow("cmdFill") << "cmdFill" << 6960 << 615 << "Fill"
                                 << "Titrator f\u00FCllen";
        QTest::newRow("cmdDos") << "cmdDos" << 7800 << 615 << "Dos"
                                << "Dosieren des Volumens im Textfeld";
        QTest::newRow("txtDos") << "txtDos" << 8520 << 735 << ""
                                << "";
    }
    void toolbarControlsStandAtTheirTwipsPositions()
    {
        QFETCH(QString, name);
        QFETCH(int, left);
        QFETCH(int, width);
        QFETCH(QString, caption);
        QFETCH(QString, toolTip);
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        QWidget *control = w.findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(),
            QRect(Twips::toPixels(left, dpiX(w)), 0, Twips::toPixels(width, dpiX(w)),
                Twips::toPixels(375, dpiY(w))));
        QCOMPARE(control->toolTip(), toolTip);
        if (auto *button = qobject_cast<QPushButton *>(control))
            QCOMPARE(button->text(), caption);
        else
            QCOMPARE(qobject_cast<QLineEdit *>(control)->text(), QString());
    }

    void instrumentControlsAreWiredAndNamed()
    {
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        QCOMPARE(w.cmdTitration(), child<QPushButton>(&w, "cmdTitration"));
        QCOMPARE(w.txtDos(), child<QLineEdit>(&w, "txtDos"));
        QCOMPARE(w.txtDos()->accessibleName(), QStringLiteral("Dosieren des Volumens im Textfeld"));
        QCOMPARE(child<QPushButton>(&w, "cmdChart")->font().family(), QStringLiteral("Arial"));
        QCOMPARE(w.Timer1()->objectName(), QStringLiteral("Timer1"));
        QCOMPARE(w.Timer1()->interval(), 500);
        QVERIFY(w.Timer1()->isActive());
        QCOMPARE(w.sbStatusBar()->objectName(), QStringLiteral("sbStatusBar"));
        QCOMPARE(child<QLabel>(&w, "sbStatusBar_Status")->text(), QStringLiteral("Status"));
        QVERIFY(QTime::fromString(
            child<QLabel>(&w, "sbStatusBar_Time")->text(), QStringLiteral("HH:mm:ss"))
                    .isValid());
        QVERIFY(!child<QLabel>(&w, "sbStatusBar_Date")->text().isEmpty());
        QVERIFY(w.mdiArea());
        QCOMPARE(w.windowTitle(), QStringLiteral("Kalumet"));
        QCOMPARE(child<QAction>(&w, "mnuFileNew")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(child<QAction>(&w, "mnuFileOpen")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));

        // Three image buttons, keyed as the toolbar handler compares them, each with a picture.
        auto *toolbar = child<QToolBar>(&w, "tbToolBar");
        QStringList keys;
        for (QAction *action : toolbar->actions()) {
            if (action->data().isValid()) {
                keys << action->data().toString();
                QVERIFY(!action->icon().isNull());
            }
        }
        QCOMPARE(keys, (QStringList {"Neu", "Drucken", "Speichern"}));
    }

    void exitMenuUnloadsTheWindow()
    {
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        w.show();
        child<QAction>(&w, "mnuFileExit")->trigger();
        QVERIFY(w.isUnloaded());
        QVERIFY(!w.isVisible());
        QVERIFY(!methodFile().isEmpty());
    }

    void optionControlsStandAtTheirTwipsPositions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::newRow("vscrVoll") << "vscrVoll" << QRect(600, 1200, 375, 3135);
        QTest::newRow("txtEndVol") << "txtEndVol" << QRect(5160, 3360, 615, 285);
        QTest::newRow("Frame1") << "Frame1" << QRect(4080, 120, 1695, 1815);
        QTest::newRow("optCom4 in Frame1") << "optCom4" << QRect(240, 1440, 1215, 255);
        QTest::newRow("cmdOK") << "cmdOK" << QRect(4440, 4080, 1095, 615);
    }
    void optionControlsStandAtTheirTwipsPositions()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        frmOption *dialog = w.optionDialog();
        const double dx = dpiX(*dialog), dy = dpiY(*dialog);
        QCOMPARE(dialog->size(), QSize(Twips::toPixels(7680, dx), Twips::toPixels(5130, dy)));
        QWidget *control = dialog->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(),
            QRect(Twips::toPixels(twips.x(), dx), Twips::toPixels(twips.y(), dy),
                Twips::toPixels(twips.width(), dx), Twips::toPixels(twips.height(), dy)));
    }

    void optionTabOrderFollowsTheFormsOrder()
    {
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        frmOption *dialog = w.optionDialog();
        const QStringList expected {"cmdOK", "vscrVoll", "vscrZeit", "txtEndepH", "txtEndVol",
            "optCom1", "optCom2", "optCom3", "optCom4", "cboPortPath", "Option1_0", "Option1_1",
            "optBereich_0", "optBereich_1"};
        QWidget *w0 = child<QWidget>(dialog, "cmdOK");
        QStringList seen {w0->objectName()};
        for (QWidget *next = w0->nextInFocusChain(); seen.size() < expected.size();
             next = next->nextInFocusChain()) {
            if (expected.contains(next->objectName()))
                seen << next->objectName();
        }
        QCOMPARE(seen, expected);
    }

    void devicePathFollowsTheChannelAndIsStoredByOk()
    {
        writeFile(iniPath(), "[Ports]\nCom2=/dev/ttyUSB7\n");
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
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

        PortSettings ports(store);
        QCOMPARE(ports.devicePath(3), QStringLiteral("/dev/pts/9"));
        QCOMPARE(ports.devicePath(2), QStringLiteral("/dev/ttyUSB7"));
        store.beginGroup(QStringLiteral("Ports"));
        QCOMPARE(store.childKeys(), (QStringList {"Com2", "Com3"})); // untouched ones not written
        store.endGroup();
        QCOMPARE(int(w.settings().RsPort), 3);
    }

    void closedDialogLosesUnconfirmedDevicePaths()
    {
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        w.mnuOptions_Click();
        frmOption *dialog = w.existingOptionDialog();
        child<QComboBox>(dialog, "cboPortPath")->setEditText(QStringLiteral("/dev/pts/4"));
        dialog->close();
        QCOMPARE(PortSettings(store).devicePath(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(child<QComboBox>(w.optionDialog(), "cboPortPath")->currentText(),
            QStringLiteral("/dev/ttyS0"));
    }

    void runControlsReadTheDialogThatIsThereNow()
    {
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        frmOption *dialog = w.optionDialog();
        child<QScrollBar>(dialog, "vscrZeit")->setValue(42);
        child<QLineEdit>(dialog, "txtEndVol")->setText(QStringLiteral("12"));
        QCOMPARE(w.runControls().waitingTimeValue(), 42);
        QCOMPARE(w.runControls().endVolumeText(), QStringLiteral("12"));
        dialog->close();
        // A closed dialog comes back, filled from the record.
        QCOMPARE(w.runControls().waitingTimeValue(), 5);
        QCOMPARE(w.runControls().incrementValue(), 50);
        QCOMPARE(w.runControls().endValueText(), QStringLiteral("0"));
        QVERIFY(w.existingOptionDialog());
        QVERIFY(!w.existingOptionDialog()->isVisible());
    }

    void terminationClosesTheWindowAsItsCloseBox_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void terminationClosesTheWindowAsItsCloseBox()
    {
        QFETCH(int, number);
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        w.show();
        int loopsLeft = 0;
        ShutdownGuard guard([&] { ++loopsLeft; });
        guard.setMainWindow(&w);
        SignalWatcher watcher;
        connect(&watcher, &SignalWatcher::terminationRequested, &guard, &ShutdownGuard::request);
        QCOMPARE(::raise(number), 0);
        QTRY_VERIFY_WITH_TIMEOUT(w.isUnloaded(), 5000);
        QVERIFY(!w.isVisible());
        QCOMPARE(loopsLeft, 1);
        QCOMPARE(methodFile(), QByteArray("0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n2\r\n0\r\n"));
    }

    void terminationBeforeTheLoadIsKeptForLater()
    {
        QSettings store(iniPath(), QSettings::IniFormat);
        frmMain w(store);
        ShutdownGuard guard([] {});
        guard.setMainWindow(&w);
        guard.request();
        QVERIFY(guard.isRequested());
        QVERIFY(!w.isUnloaded());
        QVERIFY(methodFile().isEmpty()); // nothing is written for a window that never loaded
    }

    void splashShowsNameVersionAndPlatform()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        frmSplash splash;
        splash.Form_Load();
        QCOMPARE(text(splash, "lblVersion"), QStringLiteral("Version 1.5.9"));
        QCOMPARE(text(splash, "lblProductName"), QStringLiteral("Kalumet"));
        QCOMPARE(text(splash, "lblPlatform"), QStringLiteral("32 bit Version "));
        QVERIFY(!text(splash, "lblCompany").isEmpty());
        QVERIFY(!child<QLabel>(&splash, "picLogo")->pixmap().isNull());
        QVERIFY(splash.findChild<QFrame *>(QStringLiteral("fraMainFrame")));
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
