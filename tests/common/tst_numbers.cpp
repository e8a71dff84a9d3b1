#include "common/numbers.h"

#include <QTest>

using Numbers::Separators;

class tst_Numbers : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void generalFormUsesTheUsersSeparatorWithoutTrailingZeros_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<QString>("text");
        QTest::newRow("0.5 comma") << 0.5 << QChar(u',') << "0,5";
        QTest::newRow("0.5 dot") << 0.5 << QChar(u'.') << "0.5";
        QTest::newRow("20") << 20.0 << QChar(u',') << "20";
        QTest::newRow("0.05") << 0.05 << QChar(u',') << "0,05";
        QTest::newRow("7.5") << 7.5 << QChar(u',') << "7,5";
        QTest::newRow("negative") << -123.4 << QChar(u'.') << "-123.4";
        QTest::newRow("zero") << 0.0 << QChar(u',') << "0";
        QTest::newRow("sum 0.1+0.2 at 15 digits") << (0.1 + 0.2) << QChar(u'.') << "0.3";
        QTest::newRow("no grouping") << 1234567.0 << QChar(u',') << "1234567";
        QTest::newRow("tiny") << 0.00001 << QChar(u'.') << "1E-05";
        QTest::newRow("huge") << 1e20 << QChar(u',') << "1E+20";
    }
    void generalFormUsesTheUsersSeparatorWithoutTrailingZeros()
    {
        QFETCH(double, value);
        QFETCH(QChar, sep);
        QFETCH(QString, text);
        QCOMPARE(Numbers::toText(value, Separators {sep}), text);
    }

    void singlePrecisionKeepsSevenDigits()
    {
        QCOMPARE(Numbers::toTextSingle(1000.0f, Separators::dot()), QString("1000"));
        QCOMPARE(Numbers::toTextSingle(0.1f, Separators::comma()), QString("0,1"));
        QCOMPARE(Numbers::toTextSingle(6500.25f, Separators::dot()), QString("6500.25"));
    }

    void textToNumberTreatsTheOtherSeparatorAsGrouping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<double>("value");
        QTest::newRow("comma decimal") << "7,5" << QChar(u',') << true << 7.5;
        QTest::newRow("dot file read under comma") << "0.05" << QChar(u',') << true << 5.0;
        QTest::newRow("comma file read under dot") << "0,5" << QChar(u'.') << true << 5.0;
        QTest::newRow("grouping anywhere") << "1.0.0,5" << QChar(u',') << true << 100.5;
        QTest::newRow("two decimal separators") << "1,000,5" << QChar(u',') << false << 0.0;
        QTest::newRow("date under comma") << "04,12,2026" << QChar(u',') << false << 0.0;
        QTest::newRow("list 1,2,3 under comma") << "1,2,3" << QChar(u',') << false << 0.0;
        QTest::newRow("dashes") << "---" << QChar(u',') << false << 0.0;
        QTest::newRow("minus inside") << "1-2" << QChar(u'.') << false << 0.0;
        QTest::newRow("leading minus") << "-123,4" << QChar(u',') << true << -123.4;
        QTest::newRow("leading plus") << "+2" << QChar(u'.') << true << 2.0;
        QTest::newRow("blanks around") << "  7,02 " << QChar(u',') << true << 7.02;
        QTest::newRow("empty") << "" << QChar(u',') << false << 0.0;
        QTest::newRow("blank only") << "   " << QChar(u',') << false << 0.0;
        QTest::newRow("letters") << "abc" << QChar(u',') << false << 0.0;
        QTest::newRow("trailing letters") << "7,5 pH" << QChar(u',') << false << 0.0;
        QTest::newRow("separator alone") << "," << QChar(u',') << false << 0.0;
        QTest::newRow("leading separator") << ",5" << QChar(u',') << true << 0.5;
        QTest::newRow("exponent") << "1E-05" << QChar(u'.') << true << 0.00001;
        QTest::newRow("bare exponent") << "1E" << QChar(u'.') << false << 0.0;
        QTest::newRow("overflow") << "1E999" << QChar(u'.') << false << 0.0;
        QTest::newRow("scanner token 120,500") << "120,500" << QChar(u',') << true << 120.5;
    }
    void textToNumberTreatsTheOtherSeparatorAsGrouping()
    {
        QFETCH(QString, text);
        QFETCH(QChar, sep);
        QFETCH(bool, numeric);
        QFETCH(double, value);
        const auto result = Numbers::toNumber(text, Separators {sep});
        QCOMPARE(result.has_value(), numeric);
        QCOMPARE(Numbers::isNumeric(text, Separators {sep}), numeric);
        if (numeric)
            QCOMPARE(*result, value);
    }

    void textAndNumberRoundTrip_data()
    {
        QTest::addColumn<double>("value");
        QTest::newRow("0.05") << 0.05;
        QTest::newRow("1/3") << 1.0 / 3.0;
        QTest::newRow("-7.25") << -7.25;
        QTest::newRow("1e-7") << 1e-7;
        QTest::newRow("123456789.123") << 123456789.123;
    }
    void textAndNumberRoundTrip()
    {
        QFETCH(double, value);
        for (const Separators sep : {Separators::dot(), Separators::comma()}) {
            const auto back = Numbers::toNumber(Numbers::toText(value, sep), sep);
            QVERIFY(back.has_value());
            QVERIFY(qFuzzyCompare(*back, value));
        }
    }

    void patternsRoundOnTheDecimalValue_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("comma");
        QTest::newRow("0.1 #0.00") << 0.1 << 2 << "0,10";
        QTest::newRow("7.02 #0.000") << 7.02 << 3 << "7,020";
        QTest::newRow("12.34 #0.0") << 12.34 << 1 << "12,3";
        QTest::newRow("2.675 #0.00") << 2.675 << 2 << "2,68";
        QTest::newRow("0.05 #0.0") << 0.05 << 1 << "0,1";
        QTest::newRow("9.995 #0.00 carries") << 9.995 << 2 << "10,00";
        QTest::newRow("negative") << -123.4 << 3 << "-123,400";
        QTest::newRow("negative rounding to zero has no sign") << -0.0001 << 2 << "0,00";
        QTest::newRow("zero") << 0.0 << 2 << "0,00";
        QTest::newRow("large") << 1234.5 << 1 << "1234,5";
        QTest::newRow("tiny exponent form") << 1e-7 << 3 << "0,000";
        QTest::newRow("big exponent form") << 1.5e17 << 1 << "150000000000000000,0";
    }
    void patternsRoundOnTheDecimalValue()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, comma);
        QCOMPARE(Numbers::format(value, decimals, Separators::comma()), comma);
        QString dot = comma;
        dot.replace(u',', u'.');
        QCOMPARE(Numbers::format(value, decimals, Separators::dot()), dot);
    }

    void bytesRoundTiesToEvenAndStayInRange_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("1") << "1" << true << 1;
        QTest::newRow("2.5 to even 2") << "2.5" << true << 2;
        QTest::newRow("3.5 to even 4") << "3.5" << true << 4;
        QTest::newRow("255") << "255" << true << 255;
        QTest::newRow("255.4") << "255.4" << true << 255;
        QTest::newRow("255.5 rounds to 256") << "255.5" << false << 0;
        QTest::newRow("-0.4") << "-0.4" << true << 0;
        QTest::newRow("-1") << "-1" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
    }
    void bytesRoundTiesToEvenAndStayInRange()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        const auto b = Numbers::toByte(text, Separators::dot());
        QCOMPARE(b.has_value(), ok);
        if (ok)
            QCOMPARE(int(*b), value);
    }

    void roundingTiesGoToEven()
    {
        QCOMPARE(Numbers::roundHalfEven(0.5), 0.0);
        QCOMPARE(Numbers::roundHalfEven(1.5), 2.0);
        QCOMPARE(Numbers::roundHalfEven(-2.5), -2.0);
        QCOMPARE(Numbers::roundHalfEven(0.5 * 100), 50.0);
        QCOMPARE(Numbers::toInt16(32767.4).value(), qint16(32767));
        QVERIFY(!Numbers::toInt16(32768.0).has_value());
    }

    void separatorsComeFromTheLocale()
    {
        QCOMPARE(Separators::fromLocale(QLocale(QLocale::German, QLocale::Germany)).decimal,
            QChar(u','));
        QCOMPARE(Separators::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)).decimal,
            QChar(u'.'));
        QCOMPARE(Separators::comma().other(), QChar(u'.'));
        QCOMPARE(Separators::dot().other(), QChar(u','));
    }
};

QTEST_GUILESS_MAIN(tst_Numbers)
#include "tst_numbers.moc"
