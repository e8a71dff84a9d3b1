#include "documents/documentlayout.h"

#include <QTest>

class tst_DocumentLayout : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void placesTextAndChartSideBySide_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<QList<float>>("text"); // left, top, width, height
        QTest::addColumn<float>("rightMargin");
        QTest::addColumn<QList<float>>("chart");
        QTest::newRow("3000 x 2000") << 3000.f << 2000.f << QList<float> {100, 100, 1000, 1800}
                                     << 600.f << QList<float> {1200, 100, 1700, 1800};
        QTest::newRow("9000 x 6000") << 9000.f << 6000.f << QList<float> {100, 100, 3000, 5800}
                                     << 2600.f << QList<float> {3200, 100, 5700, 5800};
        QTest::newRow("thirds in single precision")
            << 1000.f << 500.f << QList<float> {100, 100, 333.33334f, 300} << -66.66666f
            << QList<float> {533.33334f, 100, 366.66666f, 300};
    }
    void placesTextAndChartSideBySide()
    {
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(QList<float>, text);
        QFETCH(float, rightMargin);
        QFETCH(QList<float>, chart);
        const DocumentLayout layout = DocumentLayout::forInnerSize(width, height);
        const auto same = [](const TwipsRect &r, const QList<float> &v) {
            return qFuzzyCompare(r.left, v[0]) && qFuzzyCompare(r.top, v[1])
                && qFuzzyCompare(r.width, v[2]) && qFuzzyCompare(r.height, v[3]);
        };
        QVERIFY(same(layout.text, text));
        QCOMPARE(DocumentLayout::rightMargin(layout.text.width), rightMargin);
        QVERIFY(same(layout.chart, chart));
        // The chart keeps 100 twips from the right edge.
        QCOMPARE(layout.chart.left + layout.chart.width, width - 100);
    }

    void sizesTheWidgetsRefuseAreMarked_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<bool>("textAcceptable");
        QTest::addColumn<bool>("chartAcceptable");
        QTest::newRow("normal") << 3000.f << 2000.f << true << true;
        QTest::newRow("narrow") << 300.f << 2000.f << true << false;
        QTest::newRow("flat") << 3000.f << 150.f << false << false;
        QTest::newRow("minimized") << 0.f << 0.f << false << false;
    }
    void sizesTheWidgetsRefuseAreMarked()
    {
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(bool, textAcceptable);
        QFETCH(bool, chartAcceptable);
        const DocumentLayout layout = DocumentLayout::forInnerSize(width, height);
        QCOMPARE(layout.text.isAcceptable(), textAcceptable);
        QCOMPARE(layout.chart.isAcceptable(), chartAcceptable);
    }
};

QTEST_GUILESS_MAIN(tst_DocumentLayout)
#include "tst_documentlayout.moc"
