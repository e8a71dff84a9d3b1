#include "common/numbers.h"

#include <QTest>

#include <limits>

using Numbers::Separators;

namespace {
constexpr double NoNumber = std::numeric_limits<double>::quiet_NaN(); // QCOMPARE: NaN == NaN
}

class tst_Numbers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void numberToTextInTheUsersFormat_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<char>("sep");
        QTest::addColumn<QString>("text");
        QTest::newRow("0.5 under comma") << 0.5 << ',' << "0,5";
        QTest::newRow("negative under dot") << -123.4 << '.' << "-123.4";
        QTest::newRow("no trailing zeros, no grouping") << 1234500.0 << ',' << "1234500";
        QTest::newRow("0.1+0.2 at 15 digits") << (0.1 + 0.2) << '.' << "0.3";
        QTest::newRow("tiny in exponent form") << 0.00001 << '.' << "1E-05";
        QTest::newRow("huge in exponent form") << 1e20 << ',' << "1E+20";
    }
    void numberToTextInTheUsersFormat()
    {
        QFETCH(double, value);
        QFETCH(char, sep);
        QFETCH(QString, text);
        QCOMPARE(Numbers::toText(value, Separators {QChar(sep)}), text);
        QCOMPARE(Numbers::toNumber(text, Separators {QChar(sep)}).value_or(NoNumber), value);
    }

    void singlePrecisionKeepsSevenDigits()
    {
        QCOMPARE(Numbers::toTextSingle(0.1f, Separators::comma()), QString("0,1"));
        QCOMPARE(Numbers::toTextSingle(6500.25f, Separators::dot()), QString("6500.25"));
    }

    void textToNumberTreatsTheOtherSeparatorAsGrouping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<char>("sep");
        QTest::addColumn<double>("value");
        QTest::newRow("comma decimal") << "7,5" << ',' << 7.5;
        QTest::newRow("dot file read under comma") << "0.05" << ',' << 5.0;
        QTest::newRow("comma file read under dot") << "0,5" << '.' << 5.0;
        QTest::newRow("grouping anywhere") << "1.0.0,5" << ',' << 100.5;
        QTest::newRow("sign and blanks around") << " -123,4 " << ',' << -123.4;
        QTest::newRow("leading separator") << ",5" << ',' << 0.5;
        QTest::newRow("list 1,2,3") << "1,2,3" << ',' << NoNumber;
        QTest::newRow("date 04,12,2026") << "04,12,2026" << ',' << NoNumber;
        QTest::newRow("dashes") << "---" << ',' << NoNumber;
        QTest::newRow("blank only") << "   " << ',' << NoNumber;
        QTest::newRow("separator alone") << "," << ',' << NoNumber;
        QTest::newRow("unit after the number") << "7,5 pH" << ',' << NoNumber;
        QTest::newRow("overflow") << "1E999" << '.' << NoNumber;
    }
    void textToNumberTreatsTheOtherSeparatorAsGrouping()
    {
        QFETCH(QString, text);
        QFETCH(char, sep);
        QFETCH(double, value);
        QCOMPARE(Numbers::toNumber(text, Separators {QChar(sep)}).value_or(NoNumber), value);
        QCOMPARE(Numbers::isNumeric(text, Separators {QChar(sep)}), !std::isnan(value));
    }

    void patternsRoundOnTheDecimalValue_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("comma");
        QTest::newRow("0.1 #0.00 pads") << 0.1 << 2 << "0,10";
        QTest::newRow("2.675 #0.00 rounds up") << 2.675 << 2 << "2,68";
        QTest::newRow("0.05 #0.0 rounds away from zero") << 0.05 << 1 << "0,1";
        QTest::newRow("9.995 #0.00 carries") << 9.995 << 2 << "10,00";
        QTest::newRow("negative rounding to zero has no sign") << -0.0001 << 2 << "0,00";
        QTest::newRow("tiny exponent form") << 1e-7 << 3 << "0,000";
        QTest::newRow("big exponent form") << 1.5e17 << 1 << "150000000000000000,0";
    }
    void patternsRoundOnTheDecimalValue()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, comma);
        QCOMPARE(Numbers::format(value, decimals, Separators::comma()), comma);
        QCOMPARE(Numbers::format(value, decimals, Separators::dot()),
            QString(comma).replace(u',', u'.'));
    }

    void integerFieldsRoundTiesToEvenAndStayInRange()
    {
        const auto byte = [](const char *text) {
            const auto b = Numbers::toByte(QString::fromLatin1(text), Separators::dot());
            return b ? int(*b) : -1; // -1: no byte
        };
        QCOMPARE(byte("2.5"), 2);
        QCOMPARE(byte("3.5"), 4);
        QCOMPARE(byte("-0.4"), 0);
        QCOMPARE(byte("255.5"), -1);
        QCOMPARE(byte(""), -1);
        QCOMPARE(Numbers::toInt16(-2.5).value_or(0), qint16(-2));
        QCOMPARE(Numbers::toInt16(32767.4).value_or(0), qint16(32767));
        QVERIFY(!Numbers::toInt16(32767.5));
    }
};

QTEST_GUILESS_MAIN(tst_Numbers)
#include "tst_numbers.moc"
