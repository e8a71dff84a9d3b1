// The run, the chart build, the derivative and the clearing as the main window's buttons
// reach them.

#include "app/frmmain.h"
#include "documents/documentcommands.h"
#include "documents/frmdocument.h"
#include "evaluation/documentevaluator.h"
#include "link/portsettings.h"
#include "titration/titrationrun.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

class tst_frmMainRun : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_startDir;
    int m_case = 0;
    std::unique_ptr<QSettings> m_store;

    frmDocument *activeForm(frmMain &w) { return w.documents().activeForm(); }
    static QPushButton *button(frmMain &w, const char *name)
    {
        return w.findChild<QPushButton *>(QLatin1StringView(name));
    }

private Q_SLOTS:
    void initTestCase() { m_startDir = QDir::currentPath(); }
    void init()
    {
        // Each case in a directory and settings store of its own; the channel names a device
        // that is not there, so the line stays closed.
        ++m_case;
        const QString dir = m_dir.filePath(QString::number(m_case));
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(QDir::setCurrent(dir));
        m_store = std::make_unique<QSettings>(
            dir + QStringLiteral("/store.conf"), QSettings::IniFormat);
        PortSettings(*m_store).setDevicePath(1, dir + QStringLiteral("/no-such-tty"));
    }
    void cleanup()
    {
        m_store.reset();
        QDir::setCurrent(m_startDir);
    }

    void titrationButtonStartsAndStopsTheRunInANewDocument()
    {
        frmMain w(*m_store);
        w.NeuesDokument();
        frmDocument *first = activeForm(w);
        QCOMPARE(w.cmdTitration()->text(), QStringLiteral("Titr. Start"));

        w.cmdTitration()->click();

        QVERIFY(w.titrationRun().isRunning());
        QCOMPARE(w.cmdTitration()->text(), QStringLiteral("Titr. Stop"));
        QVERIFY(activeForm(w) != first);
        QVERIFY(activeForm(w)->text().startsWith(QStringLiteral("  Titrations Daten\r\n")));
        QVERIFY(w.Timer1()->isActive());

        w.cmdTitration()->click();

        QVERIFY(!w.titrationRun().isRunning());
        QCOMPARE(w.cmdTitration()->text(), QStringLiteral("Titr. Start"));
        QVERIFY(!w.Timer1()->isActive());
        QCOMPARE(w.measurementStore().DatenModus, MeasurementStore::DataMode);
    }

    void commandTheLineRefusesStopsTheRunWithTheLinesMessage()
    {
        frmMain w(*m_store);
        w.show();
        w.cmdTitration()->click();
        QVERIFY(w.titrationRun().isRunning());

        w.Timer1_Timer(); // step 1 writes the range command to the closed line

        QVERIFY(!w.titrationRun().isRunning());
        QCOMPARE(w.cmdTitration()->text(), QStringLiteral("Titr. Start"));
        auto *box = w.findChild<QMessageBox *>(QStringLiteral("rsErrorBox"));
        QVERIFY(box);
        QTRY_VERIFY_WITH_TIMEOUT(box->isVisible(), 5000);
        QCOMPARE(box->text(), QStringLiteral("Fehler in der Rs Kommunikation"));
        QCOMPARE(box->windowTitle(), QStringLiteral("Kalumet"));
        box->accept();
    }

    void chartDerivativeAndDeleteButtonsWorkOnTheActiveDocument()
    {
        frmMain w(*m_store);
        w.settings().separators = Numbers::Separators::comma();
        w.NeuesDokument();
        frmDocument *doc = activeForm(w);
        doc->setText(QStringLiteral("  V[ml]    pH     t[s]  \r\n"
                                    "  0,000   3,00   0,0  \r\n"
                                    "  1,000   5,00   10,0  \r\n"
                                    "  2,000   4,00   20,0  \r\n"));
        MeasurementStore &store = w.measurementStore();

        button(w, "cmdChart")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!w.chartBuild().isRunning(), 5000);
        QCOMPARE(store.AnzahlWerte, qint16(3));
        QCOMPARE(doc->chartModel().curvePoints().size(), 3);

        button(w, "cmdAbleit")->click();
        const QList<QPointF> derivative = doc->chartModel().derivativePoints();
        QCOMPARE(derivative.size(), 2);
        QCOMPARE(derivative[0].x(), 0.0);
        QCOMPARE(derivative[1].x(), 1.0);

        button(w, "cmdDelete")->click();
        QCOMPARE(doc->text(), QString());
        QVERIFY(doc->chartModel().curvePoints().isEmpty());
        QVERIFY(doc->chartModel().derivativePoints().isEmpty());
        QCOMPARE(store.AnzahlWerte, qint16(3));
    }
};

QTEST_MAIN(tst_frmMainRun)
#include "tst_frmmainrun.moc"
