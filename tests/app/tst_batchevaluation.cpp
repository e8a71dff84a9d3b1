#include "app/batchevaluation.h"
#include "chemistry.h"
#include "evaluation/resultsblock.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cmath>

namespace {

// The run's table of a weak acid (pKa 4.76) of 0.02 mol/L in 50 mL titrated with 0.1 mol/L NaOH
// at 0.1 mL, read 2 s after each dose by an electrode with the time constant `tau`, in pH (to
// 0.001) or in mV (to 0.1); `withTimes` false writes 0 in the time column.
QString runTable(double tau, bool withTimes = true, bool millivolts = false)
{
    const ModelSample m = makeMonoproticSample(false, false, 4.76, 10, 50, 0.1);
    Electrode electrode(0.002, 7);
    QString text = QStringLiteral("   ml        %1        [s]\r\n").arg(millivolts ? "mV" : "pH");
    for (const StoredPoint &p : recordFixedIncrements([&m](double v) { return m.sample.pH(v); },
             0.0, 18.0, 0.1, electrode, ElectrodeLag(tau), 2.0)) {
        const QString value = millivolts
            ? QString::number(std::round(millivoltsFromPh(p.pH) * 10) / 10, 'f', 1)
            : QString::number(p.pH, 'f', 3);
        text += QStringLiteral("  %1     %2     %3  \r\n")
                    .arg(QString::number(p.volume, 'f', 3), value,
                        QString::number(withTimes ? p.seconds : 0.0, 'f', 1));
    }
    return text;
}

} // namespace

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

    void runTableIsReadAndAnEmptyListingRefused_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("csv");
        const QString header = QStringLiteral("  V[ml]   pH   t[s]  \r\n");
        // A saved run: its table is read when there is no listing, the last one of several.
        const QString csvHead
            = QStringLiteral("volume [mL],measured value,derivative X [mL],derivative Y\r\n");
        QTest::newRow("table of a run")
            << "Probe 1\r\n   ml        pH        [s]\r\n  0.000     4.00     0.0  \r\n"
               "   ml        mV        [s]\r\n  0.500     104.2     12.0  \r\n"
               "  1.000     110.5     24.0  \r\n"
            << int(BatchEvaluation::Result::None) << csvHead + "0.5,104.2,0.5,112\r\n1,110.5,,\r\n";
        QTest::newRow("a listing of one row wins over a run's table")
            << "   ml        pH        [s]\r\n  0.000     4.00     0.0  \r\n" + header
                + "  0.500   4.21   12.0  \r\n"
            << int(BatchEvaluation::Result::None) << csvHead + "0.5,4.21,,\r\n";
        QTest::newRow("header without rows") << header + "  0.500   4.21   12.0\r\n"
                                             << int(BatchEvaluation::Result::NoRows) << QString();
    }
    void runTableIsReadAndAnEmptyListingRefused()
    {
        QFETCH(QString, text);
        const BatchEvaluation::Result result
            = BatchEvaluation::evaluateText(text, Numbers::Separators::dot());
        QTEST(int(result.failure), "failure");
        QCOMPARE(result.message.isEmpty(), result.ok());
        QTEST(result.csv, "csv");
    }

    // Every JSON holds "pka", a value with its u for a weak acid's pH curve, empty for a
    // potential (a strong acid's has none: the fit's own test), and in each EP "electrode_lag_s",
    // the time constant when the readings lag, else null; the results block says so in a line of
    // its own. The times are the listing's: without them no lag is seen.
    void jsonHoldsThePkaAndTheElectrodeLag_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pkas");
        QTest::addColumn<double>("lag"); // 0: null
        QTest::newRow("weak acid, pH") << runTable(0) << 1 << 0.0;
        QTest::newRow("weak acid, mV") << runTable(0, true, true) << 0 << 0.0;
        QTest::newRow("lag 1.5 s") << runTable(1.5) << 1 << 1.5;
        QTest::newRow("lag 1.5 s, no times") << runTable(1.5, false) << 1 << 0.0;
    }
    void jsonHoldsThePkaAndTheElectrodeLag()
    {
        QFETCH(QString, text);
        QFETCH(double, lag);
        const BatchEvaluation::Result result
            = BatchEvaluation::evaluateText(text, Numbers::Separators::dot());
        QVERIFY(result.ok());
        QCOMPARE(result.unit, text.contains(u"mV") ? u"mV" : u"pH");
        const QJsonObject json = QJsonDocument::fromJson(BatchEvaluation::toJson(result)).object();
        QVERIFY(json["pka"].isArray());
        QTEST(int(json["pka"].toArray().size()), "pkas");
        for (const QJsonValue &pka : json["pka"].toArray()) {
            QCOMPARE(pka.toObject().keys(), QStringList({"u", "value"}));
            QVERIFY2(std::abs(pka["value"].toDouble() - 4.76) < 0.01 && pka["u"].toDouble() > 0,
                qPrintable(QString::number(pka["value"].toDouble())));
        }
        const QJsonArray eps = json["equivalence_points"].toArray();
        QCOMPARE(eps.size(), 1);
        const QJsonValue seen = eps.at(0)["electrode_lag_s"];
        const QString block
            = ResultsBlock::epLines(result.analysis, result.unit, Numbers::Separators::comma());
        if (lag == 0) {
            QVERIFY(seen.isNull() && !block.contains(u"lag"));
            return;
        }
        QVERIFY2(std::abs(seen.toDouble() - lag) < 0.15 * lag, qPrintable(block));
        QVERIFY(
            block.contains(QStringLiteral(
                "electrode lag suspected (about %1 s): prefer drift-controlled readings\r\n")
                               .arg(QString::number(seen.toDouble(), 'f', 1).replace(u'.', u','))));
    }

    void pkaLinesUseTheUsersSeparator()
    {
        QCOMPARE(
            ResultsBlock::pkaLines({{4.7649, 0.0123}, {7.2, 0.0004}}, Numbers::Separators::comma()),
            QStringLiteral("pKa1 4,765 (u 0,012)\r\npKa2 7,20000 (u 0,00040)\r\n"));
        QCOMPARE(ResultsBlock::pkaLines({}, Numbers::Separators::comma()), QString());
    }
};

QTEST_GUILESS_MAIN(tst_BatchEvaluation)
#include "tst_batchevaluation.moc"
