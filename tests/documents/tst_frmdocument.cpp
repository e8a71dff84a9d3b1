#include "documents/documentlayout.h"
#include "documents/frmdocument.h"
#include "support/fakedocument.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>

namespace {

// `count` lines "line" and `width` times "x" in the default format.
RichText lines(int count, int width = 0)
{
    return RichText::fromPlainText(("line " + QString(width, u'x') + "\r\n").repeated(count));
}

} // namespace

class tst_frmDocument : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textBecomesParagraphs_data()
    {
        // The first piece replaces the text, the others are appended.
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set with LF alone") << QStringList {"a\nb\r\nc"} << "a\r\nb\r\nc";
        QTest::newRow("continues the last line") << QStringList {"a", "b", "\nc"} << "ab\r\nc";
        QTest::newRow("lone CR dropped") << QStringList {"", "x\r\ry\n"} << "xy\r\n";
        QTest::newRow("CR LF split across appends") << QStringList {"", "a\r", "\nb"} << "a\r\nb";
    }
    void textBecomesParagraphs()
    {
        QFETCH(QStringList, pieces);
        frmDocument doc;
        FakeDocument fake; // the stand-in the core's tests use behaves the same
        doc.appendText(QStringLiteral("old text\r\n"));
        for (AbstractDocument *document : std::initializer_list<AbstractDocument *> {&doc, &fake}) {
            document->setText(pieces[0]);
            for (const QString &text : pieces.mid(1))
                document->appendText(text);
            QTEST(document->text(), "expected");
        }
    }

    // Lines the program appends are no undo steps (a long recording would fill the history);
    // what the user types stays undoable, also between appended lines.
    void appendedLinesAreNotUndoneButTypingIs()
    {
        frmDocument doc;
        QTextDocument *text = doc.rtfText()->document();
        for (int i = 0; i < 3; ++i)
            doc.appendText(QStringLiteral("  %1   7,00   0,0  \r\n").arg(i));
        QCOMPARE(text->availableUndoSteps(), 0);

        doc.rtfText()->moveCursor(QTextCursor::End);
        QTest::keyClicks(doc.rtfText(), QStringLiteral("Notiz"));
        doc.appendText(QStringLiteral("  3   7,10   1,0  \r\n"));
        QTest::keyClicks(doc.rtfText(), QStringLiteral("!"));
        doc.rtfText()->undo();
        QCOMPARE(doc.text().count(QStringLiteral("7,")), 4);
        QVERIFY(!doc.text().contains(u'!'));
    }

    // Setting the text or closing the window ends a load; the load's text never shows.
    void aLoadEndsWithTheWindowOrANewText()
    {
        auto *doc = new frmDocument;
        doc->setLoadSliceMilliseconds(0);
        QSignalSpy finished(doc, &frmDocument::loadFinished);
        QVERIFY(doc->loadRichText(lines(1000)));
        doc->setText(QStringLiteral("cleared"));
        QCOMPARE(QList<QVariantList>(finished), QList<QVariantList> {{false}});
        QCoreApplication::processEvents();
        QCOMPARE(doc->text(), QStringLiteral("cleared"));

        QVERIFY(doc->loadRichText(lines(1000)));
        QPointer<QTextDocument> shown = doc->rtfText()->document();
        delete doc; // the close box
        QCoreApplication::processEvents();
        QVERIFY(shown.isNull());
    }

    // The editor never finishes laying out a text taller than 2^23 pixels, so a long text wraps
    // wider than a narrow window (it scrolls sideways instead). One too tall at any width is
    // refused: the document commands' test opens one.
    void aLongTextWrapsWiderThanANarrowWindow()
    {
        frmDocument doc;
        doc.resize(300, 400);
        doc.show();
        const int minimum = doc.rtfText()->lineWrapColumnOrWidth();
        QVERIFY(doc.loadRichText(lines(30000, 200)));
        QTRY_VERIFY_WITH_TIMEOUT(!doc.isLoading(), 20000);
        QVERIFY(doc.rtfText()->lineWrapColumnOrWidth() > minimum);
    }

    void layoutNumbersFor3000By2000Twips()
    {
        const DocumentLayout layout = DocumentLayout::forInnerSize(3000, 2000);
        const auto rect = [](const TwipsRect &r) {
            return QList<float> {r.left, r.top, r.width, r.height};
        };
        QCOMPARE(rect(layout.text), (QList<float> {100, 100, 1000, 1800}));
        QCOMPARE(DocumentLayout::rightMargin(layout.text.width), 600.f);
        // The mend: the chart keeps 100 twips from the right edge (width 2 W / 3 - 300).
        QCOMPARE(rect(layout.chart), (QList<float> {1200, 100, 1700, 1800}));
    }
};

QTEST_MAIN(tst_frmDocument)
#include "tst_frmdocument.moc"
