// The equivalence point, the export item, copy data and the chart's context menu as the main
// window offers them.

#include "app/frmmain.h"
#include "app/frmoption.h"
#include "documents/chartplot.h"
#include "documents/chartview.h"
#include "documents/documentcommands.h"
#include "documents/frmdocument.h"
#include "documents/seriescommands.h"
#include "evaluation/documentevaluator.h"
#include "link/portsettings.h"
#include "support/jumplisting.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGraphicsSimpleTextItem>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScatterSeries>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <algorithm>
#include <memory>

class tst_frmMainSeries : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_startDir;
    int m_case = 0;
    std::unique_ptr<QSettings> m_store;

    static QPushButton *button(frmMain &w, const char *name)
    {
        return w.findChild<QPushButton *>(QLatin1StringView(name));
    }
    static void buildChart(frmMain &w)
    {
        button(w, "cmdChart")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w.chartBuild().isRunning(), 5000);
    }
    static QString caption(frmMain &w, const char *name)
    {
        const QAction *action = w.findChild<QAction *>(QLatin1StringView(name));
        return action ? action->text() : QString();
    }

private Q_SLOTS:
    void initTestCase() { m_startDir = QDir::currentPath(); }
    void init()
    {
        // Each case in a directory and settings store of its own; the line stays closed.
        ++m_case;
        const QString dir = m_dir.filePath(QString::number(m_case));
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(QDir::setCurrent(dir));
        m_store = std::make_unique<QSettings>(
            dir + QStringLiteral("/store.conf"), QSettings::IniFormat);
        PortSettings(*m_store).setDevicePath(1, dir + QStringLiteral("/no-such-tty"));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    void cleanup()
    {
        QLocale::setDefault(QLocale::c());
        m_store.reset();
        QDir::setCurrent(m_startDir);
    }

    void derivativeButtonMarksTheEquivalencePointUntilTheCurveChanges_data()
    {
        QTest::addColumn<bool>("jump");
        QTest::addColumn<QString>("clearedBy");
        QTest::newRow("jump, then Chart") << true << "cmdChart";
        QTest::newRow("jump, then Delete") << true << "cmdDelete";
        QTest::newRow("no jump") << false << "";
    }
    void derivativeButtonMarksTheEquivalencePointUntilTheCurveChanges()
    {
        QFETCH(bool, jump);
        QFETCH(QString, clearedBy);
        frmMain w(*m_store);
        w.Form_Load();
        frmDocument *doc = w.documents().activeForm();
        doc->setText(jumpListing(jump));
        buildChart(w);

        button(w, "cmdAbleit")->click();
        doc->MSChart1()->redrawNow();
        ChartPlot *plot = doc->MSChart1()->plot();
        QCOMPARE(plot->markerSeries()->count(), jump ? 1 : 0);
        QCOMPARE(plot->markerLabelItem()->isVisible(), jump);
        // The derivative is drawn as before, marker or not.
        QCOMPARE(doc->chartModel().derivativePoints().size(), 9);
        if (!jump)
            return;
        QCOMPARE(plot->markerSeries()->at(0), QPointF(4.5, 7.0));
        QCOMPARE(plot->markerLabelItem()->text(), QStringLiteral("EP 4,50 ml"));

        if (clearedBy == QLatin1StringView("cmdChart"))
            buildChart(w);
        else
            button(w, "cmdDelete")->click();
        QVERIFY(!doc->chartModel().equivalencePoint());
        doc->MSChart1()->redrawNow();
        QCOMPARE(plot->markerSeries()->count(), 0);
        QVERIFY(!plot->markerLabelItem()->isVisible());
    }

    void newItemsFollowTheLanguage()
    {
        frmMain w(*m_store);
        w.Form_Load();
        const QList<QAction *> file = w.findChild<QMenu *>(QStringLiteral("mnuFile"))->actions();
        const auto saveAs = std::find_if(file.begin(), file.end(),
            [](const QAction *a) { return a->objectName() == QLatin1StringView("mnuFileSaveAs"); });
        QVERIFY(saveAs != file.end() && saveAs + 1 != file.end());
        QCOMPARE((*(saveAs + 1))->objectName(), QStringLiteral("mnuFileExport"));

        const char *names[]
            = {"mnuFileExport", "mnuCopyData", "mnuChartCopyPicture", "mnuChartSavePicture"};
        const QStringList german {
            "Daten exportieren", "Daten kopieren", "Bild kopieren", "Bild speichern"};
        const QStringList english {"export data", "copy data", "copy picture", "save picture"};
        for (bool toGerman : {true, false}) {
            w.optionDialog()
                ->findChild<QRadioButton *>(toGerman ? "Option1_0" : "Option1_1")
                ->click();
            for (int i = 0; i < 4; ++i)
                QCOMPARE(caption(w, names[i]), (toGerman ? german : english)[i]);
            // The chart's menu shows the captions of the moment it opens.
            std::unique_ptr<QMenu> menu(w.seriesCommands().chartMenu(nullptr));
            QStringList shown;
            for (const QAction *action : menu->actions())
                shown.append(action->text());
            QCOMPARE(shown, (toGerman ? german : english).mid(1));
        }
    }

    void ctrlShiftCCopiesTheRowsWithTheUsersSeparator()
    {
        frmMain w(*m_store);
        w.Form_Load();
        // The closed line's message must not hold the focus.
        if (auto *box = w.findChild<QMessageBox *>(QStringLiteral("rsErrorBox")))
            box->close();
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

QTEST_MAIN(tst_frmMainSeries)
#include "tst_frmmainseries.moc"
