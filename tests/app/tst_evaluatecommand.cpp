// Runs the program itself with --evaluate, with no display at all, as a script on a server would.
#include "common/numbers.h"
#include "evaluation/batchevaluation.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Known
    = QStringLiteral(KALUMET_TEST_DATA_DIR "/evaluation/batch_known_listing_dot.rtf");

QString appFixture(const QString &name)
{
    return QStringLiteral(KALUMET_TEST_DATA_DIR "/app/") + name;
}

struct Outcome
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Outcome runProgram(const QStringList &arguments)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(KALUMET_BINARY_DIR "/kalumet"), arguments);
    if (!program.waitForFinished(30000) || program.exitStatus() != QProcess::NormalExit)
        return {};
    return {program.exitCode(), program.readAllStandardOutput(), program.readAllStandardError()};
}

} // namespace

class tst_EvaluateCommand : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void exitStatusAndOutputWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "@out" stands for the CSV file's path
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("stdoutHas"); // "csv": exactly the document's CSV
        QTest::addColumn<QString>("stderrHas");
        QTest::addColumn<bool>("csvFileWritten");

        const QString csv = QStringLiteral("csv");
        const QString usage = QStringLiteral("Usage: kalumet --evaluate");
        QTest::newRow("to standard output")
            << QStringList {"--evaluate", Known} << 0 << csv << QString() << false;
        QTest::newRow("to a file") << QStringList {"--evaluate=" + Known, "--csv", "@out"} << 0
                                   << QString() << QString() << true;
        QTest::newRow("missing file")
            << QStringList {"--evaluate", appFixture("nothing_here.rtf"), "--csv", "@out"} << 2
            << QString() << "does not exist" << false;
        QTest::newRow("not RTF") << QStringList {"--evaluate", appFixture("evaluate_not_rtf.rtf"),
            "--csv", "@out"} << 2 << QString()
                                 << "not an RTF file" << false;
        QTest::newRow("no listing")
            << QStringList {"--evaluate", appFixture("evaluate_no_listing.rtf"), "--csv", "@out"}
            << 2 << QString() << "no data listing" << false;
        QTest::newRow("listing without rows")
            << QStringList {"--evaluate", appFixture("evaluate_header_without_rows.rtf")} << 2
            << QString() << "listing without rows" << false;
        QTest::newRow("CSV into a missing folder")
            << QStringList {"--evaluate", Known, "--csv", "@out/missing/out.csv"} << 1 << QString()
            << "cannot be written" << false;
        QTest::newRow("no file after --evaluate")
            << QStringList {"--evaluate"} << 2 << QString() << usage << false;
        QTest::newRow("--csv alone")
            << QStringList {"--csv", "@out"} << 2 << QString() << usage << false;
        QTest::newRow("unknown option")
            << QStringList {"--evaluate", Known, "--bogus"} << 2 << QString() << "bogus" << false;
        QTest::newRow("a second document")
            << QStringList {"--evaluate", Known, Known} << 2 << QString() << usage << false;
        QTest::newRow("help") << QStringList {"--help"} << 0 << usage << QString() << false;
    }
    void exitStatusAndOutputWithoutADisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, stdoutHas);
        QFETCH(QString, stderrHas);
        QFETCH(bool, csvFileWritten);

        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("out.csv"));
        for (QString &a : arguments)
            a.replace(QStringLiteral("@out"), target);

        // A file there before: a failed run must leave it as it was.
        const QByteArray previous = "previous contents\n";
        {
            QFile before(target);
            QVERIFY(before.open(QIODevice::WriteOnly));
            before.write(previous);
        }

        const Outcome run = runProgram(arguments);
        QCOMPARE(run.exitCode, exitCode);
        const QByteArray csv
            = BatchEvaluation::evaluateFile(Known, Numbers::Separators::dot()).csv.toUtf8();
        if (stdoutHas == QStringLiteral("csv"))
            QCOMPARE(run.out, csv);
        else if (stdoutHas.isEmpty())
            QVERIFY2(run.out.isEmpty(), run.out.constData());
        else
            QVERIFY2(run.out.contains(stdoutHas.toUtf8()), run.out.constData());
        if (stderrHas.isEmpty())
            QVERIFY2(run.err.isEmpty(), run.err.constData());
        else
            QVERIFY2(run.err.contains(stderrHas.toUtf8()), run.err.constData());
        // One line each: message, then (for wrong arguments) the usage line.
        QVERIFY(run.err.count('\n') <= 2);

        QFile written(target);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), csvFileWritten ? csv : previous);
    }
};

QTEST_GUILESS_MAIN(tst_EvaluateCommand)
#include "tst_evaluatecommand.moc"
