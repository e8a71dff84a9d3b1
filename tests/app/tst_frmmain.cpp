// The main window and the options dialog: defaults saved at exit, language, the dialog's OK and
// close box, the minimised exit.
#include "app/frmmain.h"
#include "app/frmoption.h"
#include "common/numbers.h"
#include "common/twips.h"
#include "documents/seriescommands.h"
#include "titration/runcontrols.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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

    void startsWithDefaultsAndSavesThemAtExit()
    {
        frmMain &w = window();
        const double dpiX = w.screen()->logicalDotsPerInchX();
        const double dpiY = w.screen()->logicalDotsPerInchY();
        QCOMPARE(QRect(w.pos(), w.size()),
            QRect(Twips::toPixels(1000, dpiX), Twips::toPixels(1000, dpiY),
                Twips::toPixels(6500, dpiX), Twips::toPixels(6500, dpiY)));
        QCOMPARE(child<QMenu>(&w, "mnuFile")->title(), QStringLiteral("file"));
        QVERIFY(child<QRadioButton>(w.optionDialog(), "optCom1")->isChecked());
        QVERIFY(w.close());
        QCOMPARE(methodFile(), QByteArray("0,5\r\n0,5\r\n1\r\n0\r\n0\r\n\r\n2\r\n0\r\n"));
        QCOMPARE(stored("MainLeft"), QStringLiteral("1000")); // not 1005 from the pixels
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
        QStringList written;
        for (const char *key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
            written << stored(key);
        QCOMPARE(written,
            (QStringList {Numbers::toTextSingle(twips.x(), Numbers::Separators::comma()),
                Numbers::toTextSingle(twips.y(), Numbers::Separators::comma()),
                Numbers::toTextSingle(twips.width(), Numbers::Separators::comma()),
                Numbers::toTextSingle(twips.height(), Numbers::Separators::comma())}));
    }

    void languageComesFromTheMethodFileAndSwitchesAtOnce()
    {
        QVERIFY(writeFile(
            QStringLiteral("lastmeth.kmt"), "0.5\r\n0.5\r\n1\r\n0\r\n0\r\n\r\n1\r\n0\r\n"));
        frmMain &w = window();
        frmOption *dialog = w.optionDialog();
        const auto captions = [&] {
            std::unique_ptr<QMenu> menu(w.seriesCommands().chartMenu(nullptr));
            return QStringList {child<QMenu>(&w, "mnuFile")->title(),
                child<QPushButton>(&w, "cmdAbleit")->text(),
                child<QAction>(&w, "mnuWindowCascade")->text(), dialog->windowTitle(),
                menu->actions().value(0)->text()};
        };
        QCOMPARE(captions(),
            (QStringList {"Datei", "Ableit", "\u00DCbereinander", "Optionen", "Daten kopieren"}));
        child<QRadioButton>(dialog, "Option1_1")->click();
        QCOMPARE(int(w.settings().Sprache), 2);
        QCOMPARE(captions(), (QStringList {"file", "1stdev", "cascade", "options", "copy data"}));
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
        child<QLineEdit>(dialog, "txtEndVol")->setText(QStringLiteral("12 ml"));
        child<QRadioButton>(dialog, "optCom3")->click();
        child<QPushButton>(dialog, "cmdOK")->click();
        QCOMPARE(w.VolInk(), 0.07);
        QCOMPARE(w.InkZeit(), 12.3);
        QCOMPARE(w.settings().EndWert, 7.5);
        QCOMPARE(w.settings().EndVol, 0.0); // no number: kept
        QCOMPARE(int(w.settings().RsPort), 3);
        QVERIFY(!dialog->isVisible());
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
};

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
