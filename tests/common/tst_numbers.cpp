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

    void patternsRoundOnTheDecimalValue_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text"); // under ","
        QTest::newRow("rounds up into a new digit") << 9.995 << 2 << "10,00";
        QTest::newRow("tiny negative has no sign") << -0.0001 << 2 << "0,00";
        QTest::newRow("exponent range, small, rounds up") << 0.000051 << 4 << "0,0001";
        QTest::newRow("exponent range, large") << 1e20 << 2 << "100000000000000000000,00";
    }
    void patternsRoundOnTheDecimalValue()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, text);
        QCOMPARE(Numbers::format(value, decimals, Separators::comma()), text);
        QCOMPARE(
            Numbers::format(value, decimals, Separators::dot()), QString(text).replace(u',', u'.'));
    }

    void byteRangeEndsExactlyAtItsBounds_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("byte"); // -1: no value
        QTest::newRow("255") << 255.0 << 255;
        QTest::newRow("254.5 to even") << 254.5 << 254;
        QTest::newRow("255.5 to even is 256") << 255.5 << -1;
        QTest::newRow("-0.5 to even is 0") << -0.5 << 0;
        QTest::newRow("-0.6") << -0.6 << -1;
        QTest::newRow("not a number") << NoNumber << -1;
    }
    void byteRangeEndsExactlyAtItsBounds()
    {
        QFETCH(double, value);
        QFETCH(int, byte);
        const auto asInt = [](std::optional<quint8> b) {
            return b ? int(*b) : -1;
        };
        QCOMPARE(asInt(Numbers::toByte(value)), byte);
        if (!std::isnan(value)) {
            const QString text = Numbers::toText(value, Separators::comma());
            QCOMPARE(asInt(Numbers::toByte(text, Separators::comma())), byte);
        }
    }

    void narrowTypesKeepTheirPrecisionAndRange()
    {
        QCOMPARE(Numbers::toTextSingle(0.1f, Separators::comma()), QString("0,1"));
        QCOMPARE(int(Numbers::toInt16(32767.0).value_or(0)), 32767);
        QVERIFY(!Numbers::toInt16(32767.5));
        QCOMPARE(int(Numbers::toInt16(-32768.0).value_or(0)), -32768);
        QVERIFY(!Numbers::toInt16(-32768.6));
    }
};

QTEST_GUILESS_MAIN(tst_Numbers)
#include "tst_numbers.moc"
