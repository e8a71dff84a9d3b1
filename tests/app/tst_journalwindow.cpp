#include "app/frmmain.h"
#include "app/journalrunmodel.h"
#include "app/journalruntext.h"
#include "app/journalsession.h"
#include "app/journalversionspane.h"
#include "app/journalwindow.h"
#include "app/reevaluationdialog.h"
#include "documents/documentcommands.h"
#include "documents/frmdocument.h"
#include "documents/seriescommands.h"
#include "journal/journalstore.h"
#include "support/fakedocument.h"

#include <QAction>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <cmath>

namespace {

const QDateTime FirstStart(QDate(2026, 3, 1), QTime(8, 0));
constexpr int Runs = 450; // one an hour from FirstStart; sample "A" for even ones, "B" else

// The known run among them, the newest: fixed doses, drift-controlled readings (the mode
// as a hand might have written it).
const std::vector<Journal::Reading> KnownReadings {
    {0, 0, 3.512, 0, false}, {1, 0.1, 3.6, 2.5, false}, {2, 0.25, 7.125, 5.04, true}};

JournalLocation locationIn(const QTemporaryDir &dir)
{
    return *JournalLocation::parse(dir.filePath(QStringLiteral("journal.sqlite")));
}

// Fills a journal with the runs above; returns the known run's id, 0 if it could not.
qint64 fillJournal(const JournalLocation &location)
{
    JournalStore store(location);
    bool ok = store.open(true).ok();
    for (int i = 0; i < Runs && ok; ++i) {
        Journal::RunStart run;
        run.kind = i % 3 == 0 ? Journal::RunKind::Report : Journal::RunKind::Incremental;
        run.sampleId = i % 2 == 0 ? QStringLiteral("A") : QStringLiteral("B");
        run.unit = QStringLiteral("pH");
        run.started = FirstStart.addSecs(qint64(i) * 3600);
        const auto id = store.beginRun(run);
        ok = id && store.finishRun(*id, Journal::EndReason::EndValue, run.started.addSecs(600));
    }
    Journal::RunStart known;
    known.sampleId = QStringLiteral("K-1");
    known.unit = QStringLiteral("pH");
    known.started = FirstStart.addSecs(qint64(Runs) * 3600);
    known.method = {{QStringLiteral("Method/DosingMode"), QStringLiteral("fixed")},
        {QStringLiteral("Method/ReadingMode"), QStringLiteral(" drift")}};
    Journal::Evaluation evaluation;
    evaluation.results = {{1, 0.10023, 0.000114, QStringLiteral("mol/L")}};
    const auto id = ok ? store.beginRun(known) : std::nullopt;
    ok = id && store.addReadings(*id, KnownReadings)
        && store.finishRun(*id, Journal::EndReason::EndValue, known.started.addSecs(60))
        && store.addEvaluation(*id, evaluation);
    return ok ? *id : 0;
}

void fetchAll(JournalRunModel &model)
{
    while (model.canFetchMore({}))
        model.fetchMore({});
}

// The known run's table as a run writes it, with ",".
const QString KnownText = QStringLiteral("  Titrations Daten (fixed, drift)\r\n"
                                         "   ml        pH        [s]\r\n"
                                         "  0,00    3,512  0,0  \n"
                                         "  0,10    3,600  2,5  \n"
                                         "  0,25    7,125  5,0  *\n");

} // namespace

class tst_JournalWindow : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_journalDir;
    JournalLocation m_location;
    qint64 m_known = 0;
    std::unique_ptr<JournalStore> m_reader; // on the filled journal, for the model

private Q_SLOTS:
    void initTestCase()
    {
        m_location = locationIn(m_journalDir);
        m_known = fillJournal(m_location);
        QVERIFY(m_known > 0);
        m_reader = std::make_unique<JournalStore>(m_location);
        QVERIFY(m_reader->open(false).ok());
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    // Rows are read a page at a time, only when asked for; the newest run shows what it was.
    void modelReadsPagesWhenAsked_data()
    {
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<QList<int>>("rows"); // after each fetchMore
        QTest::newRow("200") << 200 << QList<int> {200, 400, Runs + 1};
        QTest::newRow("one page") << Runs + 1 << QList<int> {Runs + 1};
    }
    void modelReadsPagesWhenAsked()
    {
        QFETCH(int, pageSize);
        QFETCH(QList<int>, rows);
        JournalRunModel model(*m_reader, Numbers::Separators::comma());
        model.setPageSize(pageSize);
        QVERIFY(model.setFilter({}));
        QCOMPARE(model.totalCount(), Runs + 1);
        QCOMPARE(model.rowCount(), 0);
        for (int expected : rows) {
            QVERIFY(model.canFetchMore({}));
            model.fetchMore({});
            QCOMPARE(model.rowCount(), expected);
        }
        QVERIFY(!model.canFetchMore({}));
        // Newest first, every run once: the runs started an hour apart.
        QCOMPARE(model.run(0).id, m_known);
        for (int r = 1; r < model.rowCount(); ++r)
            QVERIFY(model.run(r - 1).started > model.run(r).started);
        QStringList newest;
        for (const int column :
            {JournalRunModel::Sample, JournalRunModel::Kind, JournalRunModel::Ended,
                JournalRunModel::Readings, JournalRunModel::Result, JournalRunModel::Date})
            newest << model.data(model.index(0, column)).toString();
        QCOMPARE(newest,
            (QStringList {"K-1", "titration", "end value passed", "3",
                "0,1002 \u00B1 0,00011 mol/L", "20.03.2026 02:00:00"}));
        QCOMPARE(model.data(model.index(Runs, JournalRunModel::Kind)).toString(),
            QStringLiteral("received listing")); // run 0
    }

    // The sample filter holds across pages (its days go through the same RunFilter, whose
    // bounds tst_journalcommand checks).
    void modelFiltersBySample_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<int>("runs");
        QTest::newRow("sample A") << "A" << Runs / 2;
        QTest::newRow("no such sample") << "a" << 0;
    }
    void modelFiltersBySample()
    {
        QFETCH(QString, sample);
        QFETCH(int, runs);
        JournalStore::RunFilter filter;
        filter.sample = sample;
        JournalRunModel model(*m_reader, Numbers::Separators::comma());
        QVERIFY(model.setFilter(filter));
        QCOMPARE(model.totalCount(), runs);
        fetchAll(model);
        QCOMPARE(model.rowCount(), runs);
        for (int r = 0; r < model.rowCount(); ++r)
            QCOMPARE(model.data(model.index(r, JournalRunModel::Sample)).toString(), sample);
    }

    // A received listing's table: a plain head, a volume with three decimals. (A run's own
    // table is the document the window opens.)
    void listingRunTextHasAPlainHead()
    {
        JournalStore::RunRecord run;
        run.start.kind = Journal::RunKind::Report;
        run.start.unit = QStringLiteral("pH");
        run.start.method = {{QStringLiteral("Method/DosingMode"), QStringLiteral("dynamic")},
            {QStringLiteral("Method/ReadingMode"), QStringLiteral("Drift")}};
        run.readings = KnownReadings;
        run.readings[2].volume = 0.125;
        QCOMPARE(JournalRunText::documentText(run, Numbers::Separators::comma()),
            QStringLiteral("  Titrations Daten\r\n"
                           "   ml        pH        [s]\r\n"
                           "  0,000    3,512  0,0  \n"
                           "  0,100    3,600  2,5  \n"
                           "  0,125    7,125  5,0  *\n"));
    }

    // Selecting a run shows its sample's series below the list and marks its outlier; a run
    // without a sample shows none.
    void selectedRunShowsItsSeries()
    {
        QTemporaryDir dir;
        const JournalLocation location = locationIn(dir);
        {
            JournalStore store(location);
            QVERIFY(store.open(true).ok());
            const std::pair<const char *, double> runs[]
                = {{"A", 0.1002}, {"A", 0.1004}, {"A", 0.1003}, {"A", 0.1150}, {"", 0.2}};
            for (int i = 0; i < int(std::size(runs)); ++i) {
                Journal::RunStart run;
                run.sampleId = QLatin1String(runs[i].first);
                run.started = FirstStart.addSecs(i * 60);
                Journal::Evaluation evaluation;
                evaluation.results = {{1, runs[i].second, 0.0001, QStringLiteral("mol/L")}};
                const auto id = store.beginRun(run);
                QVERIFY(id && store.addEvaluation(*id, evaluation));
            }
        }
        JournalWindow window(location, Numbers::Separators::comma());
        QVERIFY(window.reload());
        fetchAll(*window.model());
        auto *view = window.findChild<QTableView *>(QStringLiteral("lvwRuns"));
        auto *series = window.findChild<QLabel *>(QStringLiteral("lblSeries"));
        const auto result = [&](int row) {
            return window.model()->data(window.model()->index(row, JournalRunModel::Result));
        };
        // Newest first: row 1 is the outlier, run 4; row 0 has no sample.
        view->setCurrentIndex(window.model()->index(2, 0));
        QCOMPARE(series->text(),
            QStringLiteral("Sample A: n = 4, mean \u00B1 s 0,104 \u00B1 0,0074 mol/L, RSD 7,1 %, "
                           "95 % CI 0,09228 to 0,1157 mol/L; outlier (Grubbs, 95 %): run 4"));
        QCOMPARE(result(1).toString(), QStringLiteral("0,115 \u00B1 0,0001 mol/L (outlier)"));
        QCOMPARE(result(2).toString(), QStringLiteral("0,1003 \u00B1 0,0001 mol/L"));
        view->setCurrentIndex(window.model()->index(0, 0));
        QCOMPARE(series->text(), QString());
        QVERIFY(!result(1).toString().contains(QStringLiteral("outlier")));
    }

    // The menu opens the window on the journal; Enter on a run shows it in a new document
    // with its curve.
    void openedRunBecomesADocumentWithItsCurve()
    {
        QTemporaryDir dir;
        const QString startDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QSettings store(dir.filePath(QStringLiteral("store.ini")), QSettings::IniFormat);
        frmMain w(store);
        w.Form_Load();
        w.openJournal(m_location.path);
        QVERIFY(w.journal());
        w.menuBar()->findChild<QAction *>(QStringLiteral("mnuJournal"))->trigger();
        JournalWindow *journal = w.journalWindow();
        QVERIFY(journal && journal->isVisible());
        auto *view = journal->findChild<QTableView *>(QStringLiteral("lvwRuns"));
        // The view has read what it shows, not the whole journal.
        QTRY_VERIFY(journal->model()->rowCount() > 0);
        QVERIFY(journal->model()->rowCount() <= JournalRunModel::DefaultPageSize);
        QCOMPARE(journal->model()->totalCount(), Runs + 1);

        auto *sample = journal->findChild<QLineEdit *>(QStringLiteral("txtSample"));
        sample->setText(QStringLiteral("K-1"));
        Q_EMIT sample->editingFinished();
        QCOMPARE(journal->model()->totalCount(), 1);
        QTRY_COMPARE(journal->model()->rowCount(), 1);
        const int documents = w.documents().documentCounter();
        view->setCurrentIndex(journal->model()->index(0, 0));
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Return);

        QCOMPARE(w.documents().documentCounter(), documents + 1);
        frmDocument *doc = w.documents().activeForm();
        QVERIFY(doc);
        QCOMPARE(doc->text(), FakeDocument::normalise(KnownText));
        const ChartModel *chart = w.seriesCommands().activeChart();
        QVERIFY(chart);
        QCOMPARE(chart->curvePoints(), (QList<QPointF> {{0, 3.512}, {0.1, 3.6}, {0.25, 7.125}}));
        QCOMPARE(w.journal()->runOf(doc), journal->model()->run(0).uuid);
        QDir::setCurrent(startDir);
    }

    // A run evaluated before: File > Evaluate asks why (Cancel evaluates nothing), the
    // Journal window evaluates it again with a corrected sample size; every version is listed
    // and goes into the drop folder.
    void evaluatingAgainAsksWhyAndListsEveryVersion()
    {
        QTemporaryDir dir;
        const JournalLocation location = locationIn(dir);
        {
            JournalStore journal(location);
            QVERIFY(journal.open(true).ok());
            Journal::RunStart start;
            start.unit = QStringLiteral("mV");
            start.method = {{QStringLiteral("Method/SampleSize"), 10}};
            std::vector<Journal::Reading> jump;
            for (int i = 0; i <= 100; ++i)
                jump.push_back({i, i * 0.2, 300 * std::tanh((i * 0.2 - 10) / 0.4), i * 6.0});
            Journal::Evaluation first;
            first.method = start.method;
            const auto id = journal.beginRun(start);
            QVERIFY(id && journal.addReadings(*id, jump) && journal.addEvaluation(*id, first));
        }
        const QString drop = dir.filePath(QStringLiteral("drop"));
        QSettings store(dir.filePath(QStringLiteral("store.ini")), QSettings::IniFormat);
        store.setValue(QStringLiteral("Journal/DropFolder"), drop);
        frmMain w(store);
        w.Form_Load();
        w.openJournal(location.path);
        w.mnuJournal_Click();
        JournalWindow *journal = w.journalWindow();
        auto *view = journal->findChild<QTableView *>(QStringLiteral("lvwRuns"));
        QTRY_COMPARE(journal->model()->rowCount(), 1);
        view->setCurrentIndex(journal->model()->index(0, 0));
        auto *versions = journal->findChild<QTreeWidget *>(QStringLiteral("lvwVersions"));
        QCOMPARE(versions->topLevelItemCount(), 1);
        Q_EMIT journal->openRequested(journal->model()->run(0).id);
        frmDocument *doc = w.documents().activeForm();
        const QString shown = doc->text();

        const auto answer = [](QObject *parent, const QString &reason, bool ok) {
            auto *dialog = parent->findChild<ReevaluationDialog *>();
            QVERIFY(dialog);
            auto *okButton = dialog->findChild<QPushButton *>(QStringLiteral("cmdOK"));
            QVERIFY(!okButton->isEnabled());
            dialog->findChild<QLineEdit *>(QStringLiteral("txtReason"))->setText(reason);
            QCOMPARE(okButton->isEnabled(), !reason.trimmed().isEmpty());
            (ok ? okButton : dialog->findChild<QPushButton *>(QStringLiteral("cmdCancel")))
                ->click();
        };
        w.mnuFileEvaluate_Click();
        answer(&w, QStringLiteral("  "), false);
        QCOMPARE(doc->text(), shown);
        QTRY_VERIFY(!w.findChild<ReevaluationDialog *>()); // closed, it goes
        w.mnuFileEvaluate_Click();
        answer(&w, QStringLiteral("checked"), true);
        QVERIFY(doc->text().size() > shown.size());
        QTRY_COMPARE(versions->topLevelItemCount(), 2);

        journal->findChild<QPushButton *>(QStringLiteral("cmdEvaluateAgain"))->click();
        journal->findChild<QDoubleSpinBox *>(QStringLiteral("spnSampleSize"))->setValue(20);
        answer(journal->versions(), QStringLiteral("sample size corrected"), true);
        QTRY_COMPARE(versions->topLevelItemCount(), 3);
        QStringList reasons;
        for (int i = 0; i < 3; ++i)
            reasons << versions->topLevelItem(i)->text(JournalVersionsPane::Reason);
        QCOMPARE(reasons, (QStringList {"", "checked", "sample size corrected"}));
        QVERIFY(versions->topLevelItem(2)->text(JournalVersionsPane::Result).startsWith("0,05"));
        // The table's result is the newest version's.
        QTRY_COMPARE(journal->model()->index(0, JournalRunModel::Result).data().toString().left(4),
            QStringLiteral("0,05"));
        QCOMPARE(QDir(drop).entryList(QDir::Files), (QStringList {"run1-v2.json", "run1-v3.json"}));
    }
};

QTEST_MAIN(tst_JournalWindow)
#include "tst_journalwindow.moc"
