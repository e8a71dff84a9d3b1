#include "common/numbers.h"

#include <QTest>

#include <limits>

using Numbers::Separators;

constexpr double NoNumber = std::numeric_limits<double>::quiet_NaN(); // QCOMPARE: NaN == NaN

class tst_Numbers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void numberToTextAndBack_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text"); // under ","
        QTest::newRow("no trailing zeros, no grouping") << -1234500.0 << "-1234500";
        QTest::newRow("0.1+0.2 at 15 digits") << (0.1 + 0.2) << "0,3";
        QTest::newRow("tiny in exponent form") << 0.00001 << "1E-05";
    }
    void numberToTextAndBack()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(Numbers::toText(value, Separators::comma()), text);
        QCOMPARE(Numbers::toText(value, Separators::dot()), QString(text).replace(u',', u'.'));
        QCOMPARE(Numbers::toNumber(text, Separators::comma()).value_or(NoNumber), value);
    }

    void textToNumberTreatsTheOtherSeparatorAsGrouping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value"); // under ","
        QTest::newRow("dot file read under comma") << "0.05" << 5.0;
        QTest::newRow("grouping anywhere, blanks") << " -1.0.0,5 " << -100.5;
        QTest::newRow("list 1,2,3") << "1,2,3" << NoNumber;
        QTest::newRow("unit after the number") << "7,5 pH" << NoNumber;
        QTest::newRow("overflow") << "1E999" << NoNumber;
    }
    void textToNumberTreatsTheOtherSeparatorAsGrouping()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(Numbers::toNumber(text, Separators::comma()).value_or(NoNumber), value);
        QCOMPARE(Numbers::isNumeric(text, Separators::comma()), !std::isnan(value));
    }

    void patternsRoundOnTheDecimalValue()
    {
        QCOMPARE(Numbers::format(9.995, 2, Separators::comma()), QStringLiteral("10,00"));
        QCOMPARE(Numbers::format(-0.0001, 2, Separators::dot()), QStringLiteral("0.00")); // no "-"
    }

    void narrowTypesKeepTheirPrecisionAndRange()
    {
        QCOMPARE(Numbers::toTextSingle(0.1f, Separators::comma()), QString("0,1"));
        QCOMPARE(int(Numbers::toByte(QStringLiteral("2.5"), Separators::dot()).value_or(99)), 2);
        QCOMPARE(int(Numbers::toByte(QStringLiteral("3.5"), Separators::dot()).value_or(99)), 4);
        QVERIFY(!Numbers::toByte(QStringLiteral("255.5"), Separators::dot()));
        QVERIFY(!Numbers::toInt16(32767.5));
    }
};

QTEST_GUILESS_MAIN(tst_Numbers)
#include "tst_numbers.moc"
