#include "app/batchevaluation.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

// A saved document evaluated without a window: series, derivative and equivalence point as CSV.
class tst_BatchEvaluation : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void knownListingGivesItsGridAndEquivalencePoint()
    {
        // Values 2..12 give the Y axis 2..12; slopes 1, 1, 6, 1, 1 put the derivative at
        // 2 + slope, unscaled. The last step repeats a volume: no slope, its cells stay empty,
        // as do those of the last row. The steep step is symmetric, so the point lies in its
        // middle, 2.5 mL, halfway between 4 and 10. The CSV is written with "." always.
        const QString expected
            = QStringLiteral("volume [mL],measured value,derivative X [mL],derivative Y\r\n"
                             "0,2,0,3\r\n"
                             "1,3,1,3\r\n"
                             "2,4,2,8\r\n"
                             "3,10,3,3\r\n"
                             "4,11,4,3\r\n"
                             "5,12,,\r\n"
                             "5,12,,\r\n"
                             "# equivalence point: volume 2.5 mL, measured value 7\r\n");
        for (const QChar sep : {u'.', u','}) { // a point listing, then a comma listing
            const BatchEvaluation::Result result = BatchEvaluation::evaluateFile(
                QStringLiteral(KALUMET_TEST_DATA_DIR "/evaluation/batch_known_listing_%1.rtf")
                    .arg(sep == u'.' ? "dot" : "comma"),
                Numbers::Separators {sep});
            QVERIFY(result.ok());
            QCOMPARE(result.csv, expected);
        }
    }

    void missingOrEmptyListingIsRefusedAndASingleRowIsKept_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("csv");
        const QString header = QStringLiteral("  V[ml]   pH   t[s]  \r\n");
        QTest::newRow("no listing, no table of a run")
            << "Probe 1\r\n   ml        pH\r\n  0.500     4.21     12.0  \r\n"
            << int(BatchEvaluation::Result::NoListing) << QString();
        // A saved run: its table is read when there is no listing, the last one of several.
        const QString csvHead
            = QStringLiteral("volume [mL],measured value,derivative X [mL],derivative Y\r\n");
        QTest::newRow("table of a run")
            << "Probe 1\r\n   ml        pH        [s]\r\n  0.000     4.00     0.0  \r\n"
               "   ml        mV        [s]\r\n  0.500     104.2     12.0  \r\n"
               "  1.000     110.5     24.0  \r\n"
            << int(BatchEvaluation::Result::None) << csvHead + "0.5,104.2,0.5,112\r\n1,110.5,,\r\n";
        QTest::newRow("a listing wins over a run's table")
            << "   ml        pH        [s]\r\n  0.000     4.00     0.0  \r\n" + header
                + "  0.500   4.21   12.0  \r\n"
            << int(BatchEvaluation::Result::None) << csvHead + "0.5,4.21,,\r\n";
        QTest::newRow("header without rows") << header + "  0.500   4.21   12.0\r\n"
                                             << int(BatchEvaluation::Result::NoRows) << QString();
        QTest::newRow("one row: no derivative, no point")
            << header + "  0.500   4.21   12.0  \r\n"
            << int(BatchEvaluation::Result::None)
            << QStringLiteral("volume [mL],measured value,derivative X [mL],derivative Y\r\n"
                              "0.5,4.21,,\r\n");
    }
    void missingOrEmptyListingIsRefusedAndASingleRowIsKept()
    {
        QFETCH(QString, text);
        const BatchEvaluation::Result result
            = BatchEvaluation::evaluateText(text, Numbers::Separators::dot());
        QTEST(int(result.failure), "failure");
        QCOMPARE(result.message.isEmpty(), result.ok());
        QTEST(result.csv, "csv");
    }

    // A steep jump at 10 mL: the JSON holds the curve, the derivative, the EP with its u and
    // the result of the method; without the values the unit needs there is no result.
    void jsonHoldsCurveEpsAndResult_data()
    {
        QTest::addColumn<double>("sampleSize");
        QTest::addColumn<QString>("resultUnit");
        QTest::addColumn<double>("expected"); // per mL of the EP volume; NaN: no result
        QTest::newRow("mol/L") << 10.0 << "mol/L" << 0.1 / 10;
        QTest::newRow("mmol, no sample needed") << 0.0 << "mmol" << 0.1;
        QTest::newRow("mol/L without sample size: none") << 0.0 << "mol/L" << qQNaN();
    }
    void jsonHoldsCurveEpsAndResult()
    {
        QFETCH(double, sampleSize);
        QFETCH(QString, resultUnit);
        QFETCH(double, expected);
        QString text = QStringLiteral("  V[ml]   mV   t[s]\r\n");
        for (int i = 0; i <= 100; ++i) {
            const double v = i * 0.2;
            text += QStringLiteral("  %1   %2   %3  \r\n")
                        .arg(v, 0, 'f', 3)
                        .arg(300 * std::tanh((v - 10) / 0.4), 0, 'f', 1)
                        .arg(i * 6.0, 0, 'f', 1);
        }
        ResultSettings method;
        method.method.sampleSize = sampleSize;
        method.method.resultUnit = resultUnit;
        const BatchEvaluation::Result result
            = BatchEvaluation::evaluateText(text, Numbers::Separators::dot(), method);
        QVERIFY(result.ok());
        const QJsonObject json = QJsonDocument::fromJson(BatchEvaluation::toJson(result)).object();
        QCOMPARE(json.value("unit").toString(), QStringLiteral("mV"));
        const QJsonArray points = json.value("points").toArray();
        QCOMPARE(points.size(), 101);
        QCOMPARE(points.at(50).toArray(), (QJsonArray {10.0, 0.0}));
        QCOMPARE(points.at(100).toArray().at(0).toDouble(), 20.0);
        QCOMPARE(json.value("derivative").toArray().size(), 100);
        const QJsonArray eps = json.value("equivalence_points").toArray();
        QCOMPARE(eps.size(), 1);
        const QJsonObject ep = eps.at(0).toObject();
        QCOMPARE(ep.keys(), QStringList({"u_volume_ml", "value", "volume_ml"}));
        const double volume = ep.value("volume_ml").toDouble();
        QVERIFY2(std::abs(volume - 10) < 0.01, qPrintable(QString::number(volume)));
        QVERIFY(ep.value("u_volume_ml").toDouble() > 0);
        QVERIFY(std::abs(ep.value("value").toDouble()) < 10);
        const QJsonArray results = json.value("results").toArray();
        QCOMPARE(results.size(), std::isnan(expected) ? 0 : 1);
        if (results.isEmpty())
            return;
        const QJsonObject r = results.at(0).toObject();
        QCOMPARE(r.value("ep").toInt(), 1);
        QCOMPARE(r.value("unit").toString(), resultUnit);
        QVERIFY(std::abs(r.value("value").toDouble() - expected * volume) < 1e-9);
        QVERIFY(std::abs(r.value("u").toDouble() - expected * ep.value("u_volume_ml").toDouble())
            < 1e-12);
    }

    // Word processors end the last paragraph with \par before the closing brace; the last
    // row has its line end then and is read.
    void lastRowBeforeTheClosingBraceIsRead()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("probe.rtf")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            R"({\rtf1\ansi\deff0{\fonttbl{\f0 Arial;}}\f0 Probe\par   ml   pH   t[s]\par   )"
            R"(0.000   3.00   0.0 \par   0.200   3.10   6.0 \par   0.400   3.30   12.0 \par})");
        file.close();
        const BatchEvaluation::Result result
            = BatchEvaluation::evaluateFile(file.fileName(), Numbers::Separators::dot());
        QVERIFY(result.ok());
        QCOMPARE(result.rows, 3);
    }
};

QTEST_GUILESS_MAIN(tst_BatchEvaluation)
#include "tst_batchevaluation.moc"
