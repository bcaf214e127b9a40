#include "quotes/NumberRules.h"
#include "watch/NumberFormat.h"

#include <QTest>
#include <cmath>

using namespace NumberRules;

class tst_NumberRules : public QObject
{
    Q_OBJECT

private slots:
    void numberRuleAcceptsOnlyPlainDecimals_data();
    void numberRuleAcceptsOnlyPlainDecimals();
    void integerRuleRoundsHalfToEvenWithinRange_data();
    void integerRuleRoundsHalfToEvenWithinRange();
    void changeRuleCutsTheWrapper_data();
    void changeRuleCutsTheWrapper();
    void shownNumbersReadBackWhole_data();
    void shownNumbersReadBackWhole();
};

void tst_NumberRules::numberRuleAcceptsOnlyPlainDecimals_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << "12" << true << 12.0;
    QTest::newRow("fraction") << "12.25" << true << 12.25;
    QTest::newRow("blanks around") << "  -3.5 " << true << -3.5;
    QTest::newRow("plus sign") << "+7" << true << 7.0;
    QTest::newRow("leading point") << ".5" << true << 0.5;
    QTest::newRow("trailing point") << "5." << true << 5.0;
    QTest::newRow("exponent") << "1.5e3" << true << 1500.0;
    QTest::newRow("signed exponent") << "25E-1" << true << 2.5;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blanks only") << "   " << false << 0.0;
    QTest::newRow("point alone") << "." << false << 0.0;
    QTest::newRow("sign alone") << "-" << false << 0.0;
    QTest::newRow("inf") << "inf" << false << 0.0;
    QTest::newRow("nan") << "nan" << false << 0.0;
    QTest::newRow("hex") << "0x1A" << false << 0.0;
    QTest::newRow("grouped") << "1,000" << false << 0.0;
    QTest::newRow("trailing letter") << "12a" << false << 0.0;
    QTest::newRow("exponent without digits") << "12e" << false << 0.0;
    QTest::newRow("inner blank") << "1 2" << false << 0.0;
    QTest::newRow("two points") << "1.2.3" << false << 0.0;
    QTest::newRow("overflow") << "1e999" << false << 0.0;
    QTest::newRow("x of a change field") << "x" << false << 0.0;
    // Blanks are the space and the tab; no other white space.
    QTest::newRow("tabs around") << "\t12.5\t" << true << 12.5;
    QTest::newRow("tab and space mixed") << " \t-4 \t" << true << -4.0;
    QTest::newRow("line feed before") << "\n12" << false << 0.0;
    QTest::newRow("carriage return after") << "12\r" << false << 0.0;
    QTest::newRow("vertical tab") << "\v12" << false << 0.0;
    QTest::newRow("no-break space") << QString(QChar(0xA0)) + "12" << false << 0.0;
}

void tst_NumberRules::numberRuleAcceptsOnlyPlainDecimals()
{
    QFETCH(QString, field);
    QFETCH(bool, converts);
    QFETCH(double, value);
    const std::optional<double> parsed = parseNumber(field);
    QCOMPARE(parsed.has_value(), converts);
    if (converts)
        QCOMPARE(*parsed, value);
}

void tst_NumberRules::integerRuleRoundsHalfToEvenWithinRange_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<int>("value");
    QTest::newRow("12.5 to even 12") << "12.5" << true << 12;
    QTest::newRow("13.5 to even 14") << "13.5" << true << 14;
    QTest::newRow("-2.5 to even -2") << "-2.5" << true << -2;
    QTest::newRow("12.51 up") << "12.51" << true << 13;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << true << int(-2147483648LL);
    QTest::newRow("above range") << "2147483648" << false << 0;
    QTest::newRow("below range") << "-2147483649" << false << 0;
    QTest::newRow("rounds into range") << "2147483647.4" << true << 2147483647;
    QTest::newRow("text") << "many" << false << 0;
}

void tst_NumberRules::integerRuleRoundsHalfToEvenWithinRange()
{
    QFETCH(QString, field);
    QFETCH(bool, converts);
    QFETCH(int, value);
    const std::optional<qint32> parsed = parseInteger(field);
    QCOMPARE(parsed.has_value(), converts);
    if (converts)
        QCOMPARE(*parsed, value);
}

void tst_NumberRules::changeRuleCutsTheWrapper_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<double>("value");
    QTest::newRow("negative") << "(-0.53%)" << true << -0.53;
    QTest::newRow("positive") << "(+1.5%)" << true << 1.5;
    QTest::newRow("plain") << "(1.5%)" << true << 1.5;
    QTest::newRow("any wrapper characters") << "[2]]" << true << 2.0;
    QTest::newRow("four characters") << "(7%)" << true << 7.0;
    QTest::newRow("three characters") << "(%)" << false << 0.0;
    QTest::newRow("two characters") << "%)" << false << 0.0;
    QTest::newRow("not a number inside") << "(x%)" << false << 0.0;
    QTest::newRow("unwrapped loses its ends") << "-0.53" << true << 0.0; // "0." is read
}

void tst_NumberRules::changeRuleCutsTheWrapper()
{
    QFETCH(QString, field);
    QFETCH(bool, converts);
    QFETCH(double, value);
    const std::optional<double> parsed = parseChange(field);
    QCOMPARE(parsed.has_value(), converts);
    if (converts)
        QCOMPARE(*parsed, value);
}

void tst_NumberRules::shownNumbersReadBackWhole_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<double>("readBack");
    QTest::newRow("grouped price") << 1234.5 << 2 << "1,234.50" << 1234.5;
    QTest::newRow("millions") << 12345678.994 << 2 << "12,345,678.99" << 12345678.99;
    QTest::newRow("negative grouped") << -99999.5 << 2 << "-99,999.50" << -99999.5;
    QTest::newRow("rounded as shown") << 100.004 << 2 << "100.00" << 100.0;
    QTest::newRow("small") << 0.5 << 2 << "0.50" << 0.5;
    QTest::newRow("no negative zero") << -0.001 << 2 << "0.00" << 0.0;
    QTest::newRow("volume") << 1234567.0 << 0 << "1,234,567" << 1234567.0;
    QTest::newRow("hundreds") << 999.0 << 0 << "999" << 999.0;
}

void tst_NumberRules::shownNumbersReadBackWhole()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, shown);
    QFETCH(double, readBack);
    QCOMPARE(NumberFormat::format(value, decimals), shown);
    QCOMPARE(readLeadingNumber(shown), readBack);
    QCOMPARE(readLeadingNumber(QString()), 0.0);
    QCOMPARE(readLeadingNumber(u"  12.5abc"), 12.5);
    QCOMPARE(readLeadingNumber(u"abc"), 0.0);
}

QTEST_APPLESS_MAIN(tst_NumberRules)
#include "tst_numberrules.moc"
