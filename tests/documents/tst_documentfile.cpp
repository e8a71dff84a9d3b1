#include "documents/documentfile.h"
#include "documents/rtfreader.h"
#include "filesizelimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

} // namespace

class tst_DocumentFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void savedDocumentLoadsBackWithItsText()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Messung \u00E4.rtf"));
        const RichText doc = RichText::fromPlainText(QStringLiteral("pH\t7,0\r\n\u00B5L \u20AC"));
        QVERIFY(saveDocumentFile(path, doc).ok());
        const LoadedDocument loaded = loadDocumentFile(path);
        QVERIFY(loaded.problem.ok());
        QCOMPARE(loaded.text.plainText(), doc.plainText());
        // Saving again replaces the file.
        QVERIFY(saveDocumentFile(path, RichText::fromPlainText("neu")).ok());
        QCOMPARE(loadDocumentFile(path).text.plainText(), QStringLiteral("neu"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }

    void loadingReportsWhyItFailed_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::addColumn<bool>("folder");
        QTest::addColumn<int>("kind");
        QTest::newRow("missing") << QByteArray() << false << int(FileProblem::NotFound);
        QTest::newRow("folder") << QByteArray() << true << int(FileProblem::IsFolder);
        QTest::newRow("not RTF") << QByteArray("Volumen;pH\n1;7\n") << false
                                 << int(FileProblem::NotRtf);
        QTest::newRow("truncated")
            << QByteArray("{\\rtf1\\ansi abc\\par ") << false << int(FileProblem::Truncated);
        QTest::newRow("nested too deep")
            << QByteArray("{\\rtf1 ") + QByteArray(1000, '{') << false << int(FileProblem::Damaged);
        QTest::newRow("too large") << QByteArray("{\\rtf1 ") + QByteArray(RtfLimits().maxBytes, ' ')
                + "}" << false << int(FileProblem::TooLarge);
    }
    void loadingReportsWhyItFailed()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, folder);
        QFETCH(int, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath("doc.rtf");
        if (folder)
            QVERIFY(QDir(dir.path()).mkdir("doc.rtf"));
        else if (!content.isEmpty())
            writeAll(path, content);
        const LoadedDocument loaded = loadDocumentFile(path);
        QCOMPARE(int(loaded.problem.kind), kind);
        QVERIFY(loaded.text.paragraphs.isEmpty());
    }

    void savingReportsWhyItFailed_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<int>("kind");
        QTest::newRow("missing folder") << "nowhere/doc.rtf" << int(FileProblem::NotFound);
        QTest::newRow("folder in the way") << "sub" << int(FileProblem::IsFolder);
        QTest::newRow("file as folder") << "plain.txt/doc.rtf" << int(FileProblem::NotFound);
    }
    void savingReportsWhyItFailed()
    {
        QFETCH(QString, relativePath);
        QFETCH(int, kind);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        writeAll(dir.filePath("plain.txt"), "x");
        const FileProblem problem
            = saveDocumentFile(dir.filePath(relativePath), RichText::fromPlainText("a"));
        QCOMPARE(int(problem.kind), kind);
    }

    void failedSaveLeavesTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("doc.rtf");
        QVERIFY(saveDocumentFile(path, RichText::fromPlainText("alt")).ok());
        const QByteArray before = readAll(path);
        FileProblem problem;
        {
            FileSizeLimit limit(4096);
            problem = saveDocumentFile(path, RichText::fromPlainText(QString(20000, u'x')));
        }
        QCOMPARE(int(problem.kind), int(FileProblem::WriteFailed));
        QVERIFY(!problem.detail.isEmpty());
        QCOMPARE(readAll(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {"doc.rtf"});
    }

    void messagesNameTheFileAndTheReason_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("saving");
        QTest::addColumn<bool>("german");
        QTest::addColumn<QString>("expected");
        const QString path = QStringLiteral("/daten/probe.rtf");
        QTest::newRow("open, not RTF, English")
            << int(FileProblem::NotRtf) << false << false
            << QStringLiteral(
                   "The file \"/daten/probe.rtf\" cannot be opened: It is not an RTF file.");
        QTest::newRow("open, not RTF, German")
            << int(FileProblem::NotRtf) << false << true
            << QStringLiteral("Die Datei \"/daten/probe.rtf\" kann nicht ge\u00F6ffnet werden: "
                              "Das ist keine RTF-Datei.");
        QTest::newRow("save, no folder, English")
            << int(FileProblem::NotFound) << true << false
            << QStringLiteral(
                   "The file \"/daten/probe.rtf\" cannot be saved: The folder does not exist.");
        QTest::newRow("save, denied, German")
            << int(FileProblem::AccessDenied) << true << true
            << QStringLiteral("Die Datei \"/daten/probe.rtf\" kann nicht gespeichert werden: "
                              "Zugriff verweigert.");
        QTest::newRow("save, write error, English")
            << int(FileProblem::WriteFailed) << true << false
            << QStringLiteral("The file \"/daten/probe.rtf\" cannot be saved: Write error (No "
                              "space left on device).");
    }
    void messagesNameTheFileAndTheReason()
    {
        QFETCH(int, kind);
        QFETCH(bool, saving);
        QFETCH(bool, german);
        QFETCH(QString, expected);
        FileProblem problem {FileProblem::Kind(kind), {}};
        if (problem.kind == FileProblem::WriteFailed)
            problem.detail = QStringLiteral("No space left on device");
        QCOMPARE(fileProblemMessage(problem, QStringLiteral("/daten/probe.rtf"), saving, german),
            expected);
    }
};

QTEST_GUILESS_MAIN(tst_DocumentFile)
#include "tst_documentfile.moc"
