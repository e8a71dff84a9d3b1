// The main window: geometry and defaults saved at exit, the language of every caption, the
// minimised exit, the chart's row limit and the results at a run's end.
#include "app/captiontable.h"
#include "app/frmmain.h"
#include "app/frmmethode.h"
#include "app/frmoption.h"
#include "app/sampledialog.h"
#include "app/setzesprache.h"
#include "common/numbers.h"
#include "common/twips.h"
#include "documents/documentcommands.h"
#include "documents/seriescommands.h"
#include "evaluation/documentevaluator.h"
#include "evaluation/resultsettings.h"
#include "model/abstractdocument.h"
#include "support/diskfiles.h"
#include "titration/titrationrun.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// Captions pinned here as well as in the program's table (with the menu and the dialog title
// the language test pins): one of each window and kind of control, the letters beyond ASCII,
// and the original's own spelling.
struct CaptionRow
{
    const char *window;
    const char *control;
    const char *german;
    const char *english;
};
const CaptionRow Pinned[] = {
    {"frmMain", "mnuFileClose", "Schlie\u00DFen", "close"},
    {"frmMain", "mnuWindowCascade", "\u00DCbereinander", "cascade"},
    {"frmMain", "cmdAbleit", "Ableit", "1stdev"},
    {"frmOption", "Label1_0", "Titrationsinkremente", "titration increments"},
    {"frmOption", "optCom1", "RS Kanal1", "RS chanal1"},
    {"frmOption", "Frame2", "Sprache", "language"},
    {"frmOption", "lblPortPath", "Ger\u00E4t", "device"},
    {"frmMethode", "frmMethode", "Methode", "Method"},
    {"frmMethode", "lblMaxIncrement", "gr\u00F6\u00DFtes Inkrement", "largest increment"},
    {"frmMethode", "chkResultsAtRunEnd", "Ergebnisse am Ende des Laufs anh\u00E4ngen",
        "append results at the end of a run"},
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
        writeAll(iniPath(), ini);
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
    QByteArray methodFile() const { return readAll(caseDir() + QStringLiteral("/lastmeth.kmt")); }
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
        const auto twips = [](int px, double dpi) {
            return qreal(float(Twips::fromPixels(px, dpi)));
        };
        QTest::newRow("width and height unequal")
            << QByteArray("MainLeft=1500\nMainTop=900\nMainWidth=7200\nMainHeight=5400\n")
            << QRectF(1500, 900, 7200, 5400);
        // Defaults, for keys missing or out of range, are written back as they were read, not
        // rounded through pixels.
        QTest::newRow("left beyond the limit, top beyond a 32-bit float")
            << QByteArray("MainLeft=1E+30\nMainTop=1E+39\n") << QRectF(1000, 1000, 6500, 6500);
        QTest::newRow("sizes negative and just below the smallest")
            << QByteArray("MainWidth=719\nMainHeight=-7000\n") << QRectF(1000, 1000, 6500, 6500);
        // Fitted to the screen: moved to its corner and cut to its size.
        QTest::newRow("larger than the screen")
            << QByteArray("MainWidth=1000000\nMainHeight=999999\n")
            << QRectF(twips(avail.left(), dpiX), twips(avail.top(), dpiY),
                   twips(avail.width(), dpiX), twips(avail.height(), dpiY));
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
        QVERIFY(writeAll(
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

    // Every row of the program's caption table follows the language buttons at once, in its
    // window (no method file: English first); the pinned captions show their texts.
    void everyCaptionFollowsTheLanguageButtons()
    {
        QFile resource(QStringLiteral(":/captions.tsv"));
        QVERIFY(resource.open(QIODevice::ReadOnly));
        int skipped = -1;
        QCOMPARE(CaptionTable::parse(resource, &skipped).size(), captionTable().size());
        QCOMPARE(skipped, 0);
        frmMain &w = window();
        frmOption *dialog = w.optionDialog();
        w.mnuMethode_Click();
        const QHash<QString, QWidget *> windows {{QStringLiteral("frmMain"), &w},
            {QStringLiteral("frmOption"), dialog},
            {QStringLiteral("frmMethode"), child<frmMethode>(&w, "frmMethode")}};
        // The captions that are not the language's, as window/control: what it shows.
        const auto wrong = [&](bool german) {
            QString found;
            const auto check
                = [&](const QString &window, const QString &control, const QString &text) {
                      QWidget *shownIn = windows.value(window);
                      const QString shown = shownIn ? captionOf(*shownIn, control) : QString();
                      if (shown != text)
                          found += window + u'/' + control + QStringLiteral(": ") + shown + u'\n';
                  };
            for (const Caption &row : captionTable())
                check(row.window, row.control, row.text(german));
            for (const CaptionRow &pin : Pinned) {
                check(QString::fromUtf8(pin.window), QString::fromUtf8(pin.control),
                    QString::fromUtf8(german ? pin.german : pin.english));
            }
            return found;
        };
        QCOMPARE(wrong(false), QString());
        child<QRadioButton>(dialog, "Option1_0")->click();
        QCOMPARE(wrong(true), QString());
        child<QRadioButton>(dialog, "Option1_1")->click();
        QCOMPARE(wrong(false), QString());
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

    // 500 rows fill the chart; the 501st is the first past it (the count is the evaluator's).
    void rowPastTheChartIsReportedInTheStatusBar_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("message");
        QTest::newRow("500: all kept") << 500 << QString();
        QTest::newRow("501: one left out") << 501
                                           << QStringLiteral("Only the first 500 rows were kept "
                                                             "for the chart and the export; rows "
                                                             "left out: 1");
    }
    void rowPastTheChartIsReportedInTheStatusBar()
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

    // The method dialog's sample id (trimmed; cut to 64 characters: the method values' own
    // test) and the question at the start: OK stores them, Cancel leaves them.
    void methodDialogStoresTheSampleOnlyOnOk_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("sampleId");
        QTest::addColumn<bool>("ask");
        QTest::newRow("OK, trimmed") << " B-7 "
                                     << "cmdOK"
                                     << "B-7" << true;
        QTest::newRow("Cancel") << "B-7"
                                << "cmdCancel"
                                << "old" << false;
    }
    void methodDialogStoresTheSampleOnlyOnOk()
    {
        QFETCH(QString, typed);
        QFETCH(QString, button);
        frmMain &w = window("[Method]\nSampleId=old\n");
        w.mnuMethode_Click();
        auto *dialog = child<frmMethode>(&w, "frmMethode");
        QCOMPARE(child<QLineEdit>(dialog, "txtSampleId")->text(), QStringLiteral("old"));
        child<QLineEdit>(dialog, "txtSampleId")->setText(typed);
        child<QCheckBox>(dialog, "chkAskSampleAtStart")->setChecked(true);
        dialog->findChild<QAbstractButton *>(button)->click();
        const ResultSettings stored = ResultSettings::read(*m_store);
        QTEST(stored.method.sampleId, "sampleId");
        QTEST(stored.askSampleAtStart, "ask");
    }

    // With AskSampleAtStart, Titr. Start first asks for the sample; OK stores it and starts the
    // run, a size that is no number of at least 0 keeps the dialog open, Cancel starts nothing.
    void titrStartAsksForTheSampleWhenTheMethodSaysSo_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("size"); // typed; empty: the dialog is not expected
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("stored"); // SampleId SampleSize SampleUnit afterwards
        const QByteArray asked = "[Method]\nAskSampleAtStart=true\nSampleId=A1\nSampleSize=2.5\n";
        QTest::newRow("not asked: starts at once") << QByteArray("[Method]\nSampleId=A1\n") << ""
                                                   << "" << true << "A1  ";
        QTest::newRow("OK, size in the user's format") << asked << "1.000,5"
                                                       << "cmdOK" << true << "B-7 1000.5 g";
        QTest::newRow("OK, size below 0 refused") << asked << "-0,001"
                                                  << "cmdOK" << false << "A1 2.5 ";
        QTest::newRow("Cancel") << asked << "3"
                                << "cmdCancel" << false << "A1 2.5 ";
    }
    void titrStartAsksForTheSampleWhenTheMethodSaysSo()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, size);
        QFETCH(QString, button);
        frmMain &w = window(ini);
        w.cmdTitration_Click();
        auto *dialog = w.findChild<SampleDialog *>();
        QCOMPARE(dialog != nullptr, !size.isEmpty());
        if (dialog) {
            QVERIFY(!w.titrationRun().isRunning());
            QCOMPARE(child<QLineEdit>(dialog, "txtSampleId")->text(), QStringLiteral("A1"));
            QCOMPARE(child<QLineEdit>(dialog, "txtSampleSize")->text(), QStringLiteral("2,5"));
            child<QLineEdit>(dialog, "txtSampleId")->setText(QStringLiteral(" B-7 "));
            child<QLineEdit>(dialog, "txtSampleSize")->setText(size);
            child<QComboBox>(dialog, "cboSampleUnit")->setCurrentText(QStringLiteral("g"));
            dialog->findChild<QAbstractButton *>(button)->click();
            // A refused size is said in the dialog, which stays open.
            QCOMPARE(dialog->isVisible(), button == u"cmdOK" && !w.titrationRun().isRunning());
        }
        QTEST(w.titrationRun().isRunning(), "running");
        QStringList stored;
        for (const char *key : {"SampleId", "SampleSize", "SampleUnit"})
            stored << m_store->value(QStringLiteral("Method/") + QLatin1StringView(key)).toString();
        QTEST(stored.join(u' '), "stored");
        if (w.titrationRun().isRunning())
            w.cmdTitration_Click(); // the stop asks nothing
        QVERIFY(!w.titrationRun().isRunning());
    }
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
