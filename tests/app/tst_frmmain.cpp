// The main window and the options dialog: defaults saved at exit, language, the dialog's OK and
// close box, the minimised exit.
#include "app/captiontable.h"
#include "app/frmmain.h"
#include "app/frmmethode.h"
#include "app/frmoption.h"
#include "app/setzesprache.h"
#include "common/numbers.h"
#include "common/twips.h"
#include "documents/documentcommands.h"
#include "documents/seriescommands.h"
#include "evaluation/documentevaluator.h"
#include "model/abstractdocument.h"
#include "titration/runcontrols.h"
#include "titration/titrationrun.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>

namespace {

// Every language-dependent caption: window, control, German, English.
struct CaptionRow
{
    const char *window;
    const char *control;
    const char *german;
    const char *english;
};
const CaptionRow Captions[] = {
    {"frmMain", "mnuFileNew", "Neu", "new"},
    {"frmMain", "mnuFile", "Datei", "file"},
    {"frmMain", "mnuFileClose", "Schlie\u00DFen", "close"},
    {"frmMain", "mnuFileExit", "Beenden", "exit"},
    {"frmMain", "mnuFileOpen", "\u00D6ffnen", "open"},
    {"frmMain", "mnuFilePageSetup", "Seite einrichten", "page setup"},
    {"frmMain", "mnuFilePrint", "Drucken", "print"},
    {"frmMain", "mnuFileSave", "Speichern", "save"},
    {"frmMain", "mnuFileSaveAs", "Speichern unter", "save as"},
    {"frmMain", "mnuFileExport", "Daten exportieren", "export data"},
    {"frmMain", "mnuFileEvaluate", "Auswerten", "evaluate"},
    {"frmMain", "mnuCopyData", "Daten kopieren", "copy data"},
    {"frmMain", "mnuChartCopyPicture", "Bild kopieren", "copy picture"},
    {"frmMain", "mnuChartSavePicture", "Bild speichern", "save picture"},
    {"frmMain", "mnuWindow", "Fenster", "window"},
    {"frmMain", "mnuWindowArrangeIcons", "Symbole anordnen", "arrange icons"},
    {"frmMain", "mnuWindowCascade", "\u00DCbereinander", "cascade"},
    {"frmMain", "mnuWindowNewWindow", "neues Fenster", "new window"},
    {"frmMain", "mnuWindowTileHorizontal", "Nebeneinander", "tile horizontal"},
    {"frmMain", "mnuWindowTileVertical", "Untereinander", "tile vertical"},
    {"frmMain", "cmdAbleit", "Ableit", "1stdev"},
    {"frmOption", "Label1_0", "Titrationsinkremente", "titration increments"},
    {"frmOption", "Label1_1", "Inkrementwartezeit", "wait after increment"},
    {"frmOption", "optCom1", "RS Kanal1", "RS chanal1"},
    {"frmOption", "optCom2", "RS Kanal2", "RS chanal2"},
    {"frmOption", "optCom3", "RS Kanal3", "RS chanal3"},
    {"frmOption", "optCom4", "RS Kanal4", "RS chanal4"},
    {"frmOption", "Frame2", "Sprache", "language"},
    {"frmOption", "frmOption", "Optionen", "options"},
    {"frmOption", "lblPortPath", "Ger\u00E4t", "device"},
    {"frmMain", "mnuMethode", "Methode", "Method"},
    {"frmMethode", "frmMethode", "Methode", "Method"},
    {"frmMethode", "FrameDosing", "Dosierung", "dosing"},
    {"frmMethode", "optDosing_0", "feste Inkremente", "fixed increments"},
    {"frmMethode", "optDosing_1", "dynamisch", "dynamic"},
    {"frmMethode", "lblSignalStep", "Signalschritt je Dosis", "signal step per dose"},
    {"frmMethode", "lblMinIncrement", "kleinstes Inkrement", "smallest increment"},
    {"frmMethode", "lblMaxIncrement", "gr\u00F6\u00DFtes Inkrement", "largest increment"},
    {"frmMethode", "FrameReading", "Messwert\u00FCbernahme", "taking the reading"},
    {"frmMethode", "optReading_0", "nach der Wartezeit", "after the waiting time"},
    {"frmMethode", "optReading_1", "driftkontrolliert", "drift controlled"},
    {"frmMethode", "lblDriftLimit", "Driftgrenze", "drift limit"},
    {"frmMethode", "lblMinWait", "k\u00FCrzeste Wartezeit", "shortest wait"},
    {"frmMethode", "lblMaxWait", "l\u00E4ngste Wartezeit", "longest wait"},
    {"frmMethode", "FrameResult", "Ergebnis", "result"},
    {"frmMethode", "lblSampleSize", "Probenmenge", "sample size"},
    {"frmMethode", "lblConcentration", "Konzentration der Ma\u00DFl\u00F6sung",
        "titrant concentration"},
    {"frmMethode", "lblTiter", "Titer", "titer"},
    {"frmMethode", "lblFactor", "st\u00F6chiometrischer Faktor", "stoichiometric factor"},
    {"frmMethode", "lblMolarMass", "molare Masse", "molar mass"},
    {"frmMethode", "lblBlankVolume", "Blindwert", "blank volume"},
    {"frmMethode", "lblResultEp", "Ergebnis aus EP", "result from EP"},
    {"frmMethode", "lblResultUnit", "Ergebniseinheit", "result unit"},
    {"frmMethode", "lblEpCriterion", "Strenge der EP-Erkennung", "EP recognition strictness"},
    {"frmMethode", "chkResultsAtRunEnd", "Ergebnisse am Ende des Laufs anh\u00E4ngen",
        "append results at the end of a run"},
    {"frmMethode", "cmdCancel", "Abbrechen", "cancel"},
};

// The caption a control shows, whatever kind of control it is.
QString captionOf(QWidget &window, const QString &control)
{
    if (control == window.objectName())
        return window.windowTitle();
    if (auto *menu = window.findChild<QMenu *>(control))
        return menu->title();
    if (auto *action = window.findChild<QAction *>(control))
        return action->text();
    if (auto *button = window.findChild<QAbstractButton *>(control))
        return button->text();
    if (auto *label = window.findChild<QLabel *>(control))
        return label->text();
    if (auto *group = window.findChild<QGroupBox *>(control))
        return group->title();
    return QStringLiteral("<no control %1>").arg(control);
}

} // namespace

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
    frmMain &window(const QByteArray &ini = {})
    {
        writeFile(iniPath(), ini);
        m_store = std::make_unique<QSettings>(iniPath(), QSettings::IniFormat);
        m_window = std::make_unique<frmMain>(*m_store);
        m_window->Form_Load();
        return *m_window;
    }
    QString stored(const char *key) const
    {
        return QSettings(iniPath(), QSettings::IniFormat)
            .value(QStringLiteral("Settings/") + QLatin1StringView(key))
            .toString();
    }
    static bool writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    QByteArray methodFile() const
    {
        QFile f(caseDir() + QStringLiteral("/lastmeth.kmt"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    template<typename T>
    static T *child(QObject *w, const char *name) // a missing control ends the run
    {
        return w->findChild<T *>(QLatin1StringView(name));
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
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    void cleanup()
    {
        m_window.reset();
        m_store.reset();
        QDir::setCurrent(m_startDir);
    }

    void storedGeometryIsAppliedSaneAndWrittenBack_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QRectF>("twips"); // applied and written back
        const QScreen *screen = QGuiApplication::primaryScreen();
        const QRect avail = screen->availableGeometry();
        const double dpiX = screen->logicalDotsPerInchX();
        const double dpiY = screen->logicalDotsPerInchY();
        QVERIFY(avail.width() > 500 && avail.height() > 500); // the defaults fit
        const auto twipsX = [&](int px) {
            return qreal(float(Twips::fromPixels(px, dpiX)));
        };
        const auto twipsY = [&](int px) {
            return qreal(float(Twips::fromPixels(px, dpiY)));
        };
        // Defaults are written back as they were read, not rounded through pixels.
        QTest::newRow("nothing stored") << QByteArray() << QRectF(1000, 1000, 6500, 6500);
        QTest::newRow("width and height unequal")
            << QByteArray("MainLeft=1500\nMainTop=900\nMainWidth=7200\nMainHeight=5400\n")
            << QRectF(1500, 900, 7200, 5400);
        QTest::newRow("left far beyond any screen")
            << QByteArray("MainLeft=1E+30\nMainTop=1200\n") << QRectF(1000, 1200, 6500, 6500);
        QTest::newRow("left beyond a 32-bit float")
            << QByteArray("MainLeft=1E+39\n") << QRectF(1000, 1000, 6500, 6500);
        QTest::newRow("zero and negative sizes")
            << QByteArray("MainWidth=0\nMainHeight=-7000\n") << QRectF(1000, 1000, 6500, 6500);
        QTest::newRow("size too small to see")
            << QByteArray("MainWidth=1\nMainHeight=700\n") << QRectF(1000, 1000, 6500, 6500);
        QTest::newRow("above and left of the screen")
            << QByteArray("MainLeft=-30000\nMainTop=-100\n")
            << QRectF(twipsX(avail.left()), twipsY(avail.top()), 6500, 6500);
        const int width = Twips::toPixels(6500, dpiX);
        QTest::newRow("partly beyond the right edge")
            << QByteArray("MainLeft=") + QByteArray::number(twipsX(avail.right())) + '\n'
            << QRectF(twipsX(avail.right() + 1 - width), 1000, 6500, 6500);
        QTest::newRow("larger than the screen")
            << QByteArray("MainWidth=1000000\nMainHeight=999999\n")
            << QRectF(twipsX(avail.left()), twipsY(avail.top()), twipsX(avail.width()),
                   twipsY(avail.height()));
    }
    void storedGeometryIsAppliedSaneAndWrittenBack()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QRectF, twips);
        frmMain &w = window("[Settings]\n" + ini);
        const double dpiX = w.screen()->logicalDotsPerInchX();
        const double dpiY = w.screen()->logicalDotsPerInchY();
        QCOMPARE(QRect(w.pos(), w.size()),
            QRect(Twips::toPixels(twips.x(), dpiX), Twips::toPixels(twips.y(), dpiY),
                Twips::toPixels(twips.width(), dpiX), Twips::toPixels(twips.height(), dpiY)));
        QVERIFY(w.close());
        QStringList written, expected;
        for (const char *key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
            written << stored(key);
        for (const qreal value : {twips.x(), twips.y(), twips.width(), twips.height()})
            expected << Numbers::toTextSingle(value, Numbers::Separators::comma());
        QCOMPARE(written, expected);
        QCOMPARE(methodFile(), QByteArray("0,5\r\n0,5\r\n1\r\n0\r\n0\r\n\r\n2\r\n0\r\n"));
    }

    void languageComesFromTheMethodFileAndSwitchesAtOnce()
    {
        QVERIFY(writeFile(
            QStringLiteral("lastmeth.kmt"), "0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n1\r\n0\r\n"));
        frmMain &w = window();
        frmOption *dialog = w.optionDialog();
        const auto captions = [&] {
            std::unique_ptr<QMenu> menu(w.seriesCommands().chartMenu(nullptr));
            return QStringList {child<QMenu>(&w, "mnuFile")->title(), dialog->windowTitle(),
                menu->actions().value(0)->text(),
                // a message outside the caption table, from the translation
                QCoreApplication::translate("RsKanal", "The serial port is not open.")};
        };
        QCOMPARE(captions(),
            (QStringList {"Datei", "Optionen", "Daten kopieren",
                "Die serielle Schnittstelle ist nicht ge\u00F6ffnet."}));
        child<QRadioButton>(dialog, "Option1_1")->click();
        QCOMPARE(int(w.settings().Sprache), 2);
        QCOMPARE(captions(),
            (QStringList {"file", "options", "copy data", "The serial port is not open."}));
    }

    void everyCaptionFollowsTheLanguageButtons_data()
    {
        QTest::addColumn<int>("row"); // of Captions
        for (int i = 0; i < int(std::size(Captions)); ++i)
            QTest::newRow(Captions[i].control) << i;
    }
    void everyCaptionFollowsTheLanguageButtons()
    {
        QFETCH(int, row);
        const CaptionRow &caption = Captions[row];
        const QString control = QString::fromUtf8(caption.control);
        const QString english = QString::fromUtf8(caption.english);
        frmMain &w = window();
        frmOption *dialog = w.optionDialog();
        w.mnuMethode_Click();
        QWidget *method = child<frmMethode>(&w, "frmMethode");
        const QByteArray owner = caption.window;
        QWidget &shown = owner == "frmMain" ? static_cast<QWidget &>(w)
            : owner == "frmMethode"         ? *method
                                            : *dialog;
        QCOMPARE(captionOf(shown, control), english); // no method file: English
        child<QRadioButton>(dialog, "Option1_0")->click();
        QCOMPARE(captionOf(shown, control), QString::fromUtf8(caption.german));
        child<QRadioButton>(dialog, "Option1_1")->click();
        QCOMPARE(captionOf(shown, control), english);
    }

    void captionTableHoldsNoCaptionLeftUnchecked()
    {
        QStringList known;
        for (const CaptionRow &row : Captions)
            known << QString::fromUtf8(row.window) + u'/' + QString::fromUtf8(row.control);
        QStringList table;
        for (const Caption &row : captionTable())
            table << row.window + u'/' + row.control;
        QCOMPARE(table, known);
    }

    void okTakesOverTheDialogsControls()
    {
        frmMain &w = window();
        w.mnuOptions_Click();
        frmOption *dialog = w.existingOptionDialog();
        child<QScrollBar>(dialog, "vscrVoll")->setValue(7);
        child<QScrollBar>(dialog, "vscrZeit")->setValue(123);
        QCOMPARE(w.VolInk(), 0.5); // nothing is taken over before OK
        child<QLineEdit>(dialog, "txtEndepH")->setText(QStringLiteral("7.5"));
        QFocusEvent out(QEvent::FocusOut); // leaving the field turns "." into ","
        QCoreApplication::sendEvent(child<QLineEdit>(dialog, "txtEndepH"), &out);
        child<QLineEdit>(dialog, "txtEndVol")->setText(QStringLiteral("-5"));
        child<QRadioButton>(dialog, "optCom3")->click();
        child<QPushButton>(dialog, "cmdOK")->click();
        QCOMPARE(w.VolInk(), 0.07);
        QCOMPARE(w.InkZeit(), 12.3);
        QCOMPARE(w.settings().EndWert, 7.5);
        QCOMPARE(w.settings().EndVol, 0.0); // no volume a run can use: kept, and the user told
        QList<QMessageBox *> boxes = w.findChildren<QMessageBox *>();
        boxes.removeIf([](QMessageBox *box) {
            return !box->isVisible() || !box->text().contains(QStringLiteral("\"-5\""));
        });
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(int(w.settings().RsPort), 3);
        QVERIFY(!dialog->isVisible());
    }

    // The method dialog shows the store's group "Method"; OK writes the changes back, Cancel
    // does not; a reopened dialog shows what is stored.
    void methodDialogWritesTheStoreOnOk_data()
    {
        QTest::addColumn<QString>("button");
        QTest::newRow("OK") << "cmdOK";
        QTest::newRow("cancel") << "cmdCancel";
    }
    void methodDialogWritesTheStoreOnOk()
    {
        QFETCH(QString, button);
        frmMain &w = window("[Method]\nMinIncrement=0.02\nMaxWait=40\nSampleUnit=g\n"
                            "Titer=0.99876\nEPCriterion=2\n");
        child<QAction>(&w, "mnuMethode")->trigger();
        auto *dialog = child<frmMethode>(&w, "frmMethode");
        QVERIFY(dialog->isVisible());
        QCOMPARE(child<QDoubleSpinBox>(dialog, "txtMinIncrement")->value(), 0.02);
        QCOMPARE(child<QDoubleSpinBox>(dialog, "txtMaxWait")->value(), 40.0);
        QVERIFY(!child<QDoubleSpinBox>(dialog, "txtMinIncrement")->isEnabled()); // fixed
        child<QRadioButton>(dialog, "optDosing_1")->click();
        child<QRadioButton>(dialog, "optReading_1")->click();
        QVERIFY(child<QDoubleSpinBox>(dialog, "txtMinIncrement")->isEnabled());
        child<QDoubleSpinBox>(dialog, "txtMinIncrement")->setValue(0.005);
        child<QDoubleSpinBox>(dialog, "txtDriftLimitMv")->setValue(20);
        QCOMPARE(child<QComboBox>(dialog, "cboSampleUnit")->currentText(), QStringLiteral("g"));
        QCOMPARE(child<QDoubleSpinBox>(dialog, "txtTiter")->value(), 0.9988);
        QCOMPARE(child<QDoubleSpinBox>(dialog, "txtConcentration")->suffix(), u" mol/L");
        QCOMPARE(child<QDoubleSpinBox>(dialog, "txtMolarMass")->text(), u"not entered");
        child<QRadioButton>(w.optionDialog(), "Option1_0")->click(); // German, dialog open
        QTRY_COMPARE_WITH_TIMEOUT( // the language change reaches the widgets as an event
            child<QDoubleSpinBox>(dialog, "txtMolarMass")->text(), u"nicht eingegeben", 5000);
        child<QRadioButton>(w.optionDialog(), "Option1_1")->click();
        child<QDoubleSpinBox>(dialog, "txtSampleSize")->setValue(2.5);
        child<QComboBox>(dialog, "cboSampleUnit")->setCurrentText(QStringLiteral("mL"));
        child<QDoubleSpinBox>(dialog, "txtConcentration")->setValue(0.05);
        child<QDoubleSpinBox>(dialog, "txtMolarMass")->setValue(36.461);
        child<QDoubleSpinBox>(dialog, "txtBlankVolume")->setValue(0.02);
        child<QSpinBox>(dialog, "txtResultEp")->setValue(2);
        child<QComboBox>(dialog, "cboResultUnit")->setCurrentText(QStringLiteral("mg"));
        child<QCheckBox>(dialog, "chkResultsAtRunEnd")->setChecked(true);
        child<QPushButton>(dialog, qPrintable(button))->click();
        QVERIFY(!dialog->isVisible());

        MethodSettings expected;
        expected.minIncrement = 0.02;
        expected.maxWait = 40;
        ResultSettings results; // the titer untouched keeps its stored digits
        results.method.sampleUnit = QStringLiteral("g");
        results.method.titer = 0.99876;
        results.epCriterion = 2;
        if (button == u"cmdOK") {
            expected.dosingMode = MethodSettings::Dosing::Dynamic;
            expected.readingMode = MethodSettings::Reading::Drift;
            expected.minIncrement = 0.005;
            expected.driftLimitMv = 20;
            results.method.sampleSize = 2.5;
            results.method.sampleUnit = QStringLiteral("mL");
            results.method.titrantConcentration = 0.05;
            results.method.molarMass = 36.461;
            results.method.blankVolume = 0.02;
            results.method.resultEp = 2;
            results.method.resultUnit = QStringLiteral("mg");
            results.resultsAtRunEnd = true;
            QCOMPARE(QSettings(iniPath(), QSettings::IniFormat).value("Method/MinIncrement"),
                QVariant(QStringLiteral("0.005")));
        }
        QCOMPARE(MethodSettings::read(*m_store), expected);
        QVERIFY(ResultSettings::read(*m_store) == results);
        w.mnuMethode_Click();
        QCOMPARE(
            child<QRadioButton>(child<frmMethode>(&w, "frmMethode"), "optDosing_1")->isChecked(),
            button == u"cmdOK");
    }

    void closeBoxDestroysTheDialogAndTheNextUseReloadsIt()
    {
        frmMain &w = window();
        w.mnuOptions_Click();
        QPointer<frmOption> first = w.existingOptionDialog();
        child<QScrollBar>(first, "vscrVoll")->setValue(7);
        child<QRadioButton>(first, "optCom2")->click();
        QCOMPARE(w.runControls().incrementValue(), 7); // a run reads the controls as they are
        QVERIFY(first->close());
        QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 5000);
        // The next use, a run's read included, brings back a dialog filled from the record.
        QCOMPARE(w.runControls().incrementValue(), 50);
        frmOption *second = w.existingOptionDialog();
        QVERIFY(second && !second->isVisible());
        QVERIFY(child<QRadioButton>(second, "optCom1")->isChecked());
    }

    void minimisedExitKeepsTheStoredSettingsButWritesTheFile()
    {
        frmMain &w = window("[Settings]\nMainWidth=9000\nInkZeit=3\nvolink=0.2\n");
        w.setInkZeit(7.5);
        w.setVolInk(0.04);
        w.showMinimized();
        child<QAction>(&w, "mnuFileExit")->trigger();
        QVERIFY(w.isUnloaded());
        QCOMPARE(stored("MainWidth") + ' ' + stored("InkZeit") + ' ' + stored("volink"),
            QStringLiteral("9000 3 0.2"));
        QVERIFY(methodFile().startsWith("0,04\r\n7,5\r\n"));
    }

    void rowsPastTheChartAreReportedInTheStatusBar_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("message");
        QTest::newRow("500 rows fit") << 500 << QString();
        QTest::newRow("501 rows") << 501
                                  << QStringLiteral("Only the first 500 rows were kept for the "
                                                    "chart and the export; rows left out: 1");
    }
    void rowsPastTheChartAreReportedInTheStatusBar()
    {
        QFETCH(int, rows);
        QFETCH(QString, message);
        frmMain &w = window();
        QStringList report {QStringLiteral("Gespeicherte Titration\r\n"),
            QStringLiteral("  V[ml]    pH    t[s]\r\n")};
        for (int i = 0; i < rows; ++i)
            report << QStringLiteral("  %1,000   7,00   %2,0  \r\n").arg(100 + i).arg(i);
        QSignalSpy built(&w.chartBuild(), &ChartBuild::finished);

        // The Chart button on a document holding the listing, the data list cleared, then the
        // same listing received over the line.
        w.documents().activeDocument()->setText(report.join(QString()));
        w.cmdChart_Click();
        QVERIFY(built.wait(5000));
        QCOMPARE(w.sbStatusBar()->currentMessage(), message);
        w.cmdDelete_Click();
        QCOMPARE(w.sbStatusBar()->currentMessage(), QString());
        for (const QString &line : report)
            w.RsAuswertung(line);
        QCOMPARE(w.sbStatusBar()->currentMessage(), message);
    }

    // 1stdev marks every EP on the chart; evaluate appends the results block to the document,
    // with the method from the settings group "Method", in the user's number format.
    void derivativeMarksEachEpAndEvaluateAppendsTheResults()
    {
        frmMain &w = window("[Method]\nTitrantConcentration=0.1\nResultUnit=mmol\n");
        QString text = QStringLiteral("Probe\r\n  V[ml]    pH    t[s]\r\n");
        for (int i = 0; i <= 100; ++i) {
            const double v = i * 0.2;
            text += QStringLiteral("  %1   %2   %3  \r\n")
                        .arg(Numbers::format(v, 3, Numbers::Separators::comma()),
                            Numbers::format(
                                7 + 4 * std::tanh((v - 10) / 0.4), 2, Numbers::Separators::comma()),
                            Numbers::format(i * 6.0, 1, Numbers::Separators::comma()));
        }
        QSignalSpy built(&w.chartBuild(), &ChartBuild::finished);
        w.documents().activeDocument()->setText(text);
        w.cmdChart_Click();
        QVERIFY(built.wait(5000));
        w.cmdAbleit_Click();
        const ChartModel *chart = w.seriesCommands().activeChart();
        QVERIFY(chart);
        QCOMPARE(chart->equivalencePoints().size(), 1);
        // The jump's middle at 10 mL, within what the rounded readings allow.
        const QRegularExpression ep1(QStringLiteral("EP1:? (9,99|10,0[0-2]) ml"));
        QVERIFY2(ep1.match(chart->equivalencePoints().first().label).hasMatch(),
            qPrintable(chart->equivalencePoints().first().label));
        QVERIFY(chart->exportNotes().startsWith(QLatin1String("# EP1: volume 10")));
        QVERIFY(chart->exportNotes().contains(QLatin1String("# result from EP1: 1")));

        w.mnuFileEvaluate_Click();
        const QString after = w.documents().activeDocument()->text();
        QVERIFY(after.startsWith(text));
        const QString block = after.mid(text.size());
        QVERIFY2(
            block.contains(ep1) && block.contains(QLatin1String(" ml (u ")), qPrintable(block));
        QVERIFY2(block.contains(QLatin1String("), pH 7,0")), qPrintable(block));
        QVERIFY2(block.contains(QLatin1String(" mmol (u ")), qPrintable(block));
    }

    // The end of a run appends the results block only when the method asks for it.
    void runEndAppendsTheResultsOnlyWhenAskedFor_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("appended");
        QTest::newRow("default: off") << QByteArray() << false;
        QTest::newRow("asked for") << QByteArray("[Method]\nResultsAtRunEnd=true\n") << true;
    }
    void runEndAppendsTheResultsOnlyWhenAskedFor()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, appended);
        frmMain &w = window(ini);
        const QString text = QStringLiteral("Probe\r\n");
        w.documents().activeDocument()->setText(text);
        Q_EMIT w.titrationRun().runningChanged(true);
        QCOMPARE(w.documents().activeDocument()->text(), text);
        Q_EMIT w.titrationRun().runningChanged(false);
        const QString after = w.documents().activeDocument()->text();
        QCOMPARE(after.size() > text.size(), appended);
        QVERIFY(after.startsWith(text));
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
