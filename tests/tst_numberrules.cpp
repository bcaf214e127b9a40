#include "quotes/NumberRules.h"
#include "support/LeadingNumber.h"
#include "watch/NumberFormat.h"

#include <QRandomGenerator>
#include <QTest>
#include <charconv>
#include <cmath>
#include <limits>

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
    void numbersConvertToTheNearestDouble_data();
    void numbersConvertToTheNearestDouble();
    void manyPlainDecimalsConvertAsFromCharsReadsThem();
    void shownValueAgreesWithTheShownText_data();
    void shownValueAgreesWithTheShownText();
    void shownValuesNearEveryHalfAgreeWithTheShownText();
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

// The number rule's verdict on the current row: converts or not, and to
// what; the same for the field's Latin-1 bytes, as a refresh reads its reply.
static void compareWithTheNumberRule()
{
    QFETCH(QString, field);
    QFETCH(bool, converts);
    QFETCH(double, value);
    const QByteArray bytes = field.toLatin1();
    for (const std::optional<double> &parsed : {parseNumber(field), parseNumber(QLatin1StringView(bytes))}) {
        QCOMPARE(parsed.has_value(), converts);
        if (converts)
            QCOMPARE(*parsed, value);
    }
}

void tst_NumberRules::numberRuleAcceptsOnlyPlainDecimals()
{
    compareWithTheNumberRule();
}

void tst_NumberRules::integerRuleRoundsHalfToEvenWithinRange_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<qint64>("value");
    QTest::newRow("12.5 to even 12") << "12.5" << true << qint64(12);
    QTest::newRow("13.5 to even 14") << "13.5" << true << qint64(14);
    QTest::newRow("-2.5 to even -2") << "-2.5" << true << qint64(-2);
    QTest::newRow("12.51 up") << "12.51" << true << qint64(13);
    // Volumes of busy days pass the 32-bit range.
    QTest::newRow("past 32 bits") << "2147483648" << true << qint64(2147483648LL);
    QTest::newRow("three billion") << "3000000000" << true << qint64(3000000000LL);
    QTest::newRow("below 32 bits") << "-2147483649" << true << qint64(-2147483649LL);
    QTest::newRow("largest double below 2^63") << "9223372036854774784" << true << qint64(9223372036854774784LL);
    QTest::newRow("2^63: above range") << "9223372036854775808" << false << qint64(0);
    QTest::newRow("below range") << "-1e19" << false << qint64(0);
    QTest::newRow("smallest") << "-9223372036854775808" << true << std::numeric_limits<qint64>::min();
    QTest::newRow("text") << "many" << false << qint64(0);
}

void tst_NumberRules::integerRuleRoundsHalfToEvenWithinRange()
{
    QFETCH(QString, field);
    QFETCH(bool, converts);
    QFETCH(qint64, value);
    const std::optional<qint64> parsed = parseInteger(field);
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
    const QByteArray bytes = field.toLatin1();
    for (const std::optional<double> &parsed : {parseChange(field), parseChange(QLatin1StringView(bytes))}) {
        QCOMPARE(parsed.has_value(), converts);
        if (converts)
            QCOMPARE(*parsed, value);
    }
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

// The double nearest to the decimal, whichever way the rule reaches it: the
// expected values are the compiler's own reading of the same literals.
void tst_NumberRules::numbersConvertToTheNearestDouble_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<double>("value");
    QTest::newRow("a tenth") << "0.1" << true << 0.1;
    QTest::newRow("three tenths") << "0.3" << true << 0.3;
    QTest::newRow("price") << "1234.57" << true << 1234.57;
    QTest::newRow("fifteen digits") << "123456789.012345" << true << 123456789.012345;
    QTest::newRow("2^53") << "9007199254740992" << true << 9007199254740992.0;
    QTest::newRow("2^53 + 1 rounds to even") << "9007199254740993" << true << 9007199254740992.0;
    QTest::newRow("twenty digits") << "12345678901234567890" << true << 12345678901234567890.0;
    QTest::newRow("many fraction digits") << "0.12345678901234567890123" << true << 0.12345678901234567890123;
    QTest::newRow("22 decimals") << "0.0000000000000000000001" << true << 1e-22;
    QTest::newRow("23 decimals") << "0.00000000000000000000001" << true << 1e-23;
    QTest::newRow("1e22") << "1e22" << true << 1e22;
    QTest::newRow("1e23") << "1e23" << true << 1e23;
    QTest::newRow("exponent with plus") << "+2.5e+3" << true << 2500.0;
    QTest::newRow("tiny") << "4.9e-324" << true << 4.9e-324;
    QTest::newRow("largest") << "1.7976931348623157e308" << true << 1.7976931348623157e308;
    QTest::newRow("leading zeros beyond any buffer")
        << QString(100, u'0') + QStringLiteral("12.5") + QString(100, u'0') << true << 12.5;
    QTest::newRow("exponent far out of range") << "1e99999999999" << false << 0.0;
    // A huge exponent that many fraction zeros bring back into range.
    const QString zeros(99999, u'0');
    QTest::newRow("huge exponent after many zeros") << "0." + zeros + "1e100005" << true << 100000.0;
    QTest::newRow("larger still: out of range") << "0." + zeros + "1e200000" << false << 0.0;
}

void tst_NumberRules::numbersConvertToTheNearestDouble()
{
    compareWithTheNumberRule();
    if (QTest::currentTestFailed())
        return;
    QFETCH(QString, field);
    QFETCH(double, value);
    QCOMPARE(readLeadingNumber(field), value);
}

// Random decimals of every length the service might send, against the
// standard library's own correctly rounded reading, negative zero included.
void tst_NumberRules::manyPlainDecimalsConvertAsFromCharsReadsThem()
{
    QRandomGenerator random(20240101);
    for (int i = 0; i < 200000; ++i) {
        QByteArray text;
        if (random.bounded(4) == 0)
            text += '-';
        const int whole = int(random.bounded(1, 18));
        for (int d = 0; d < whole; ++d)
            text += char('0' + random.bounded(10));
        if (random.bounded(3) != 0) {
            text += '.';
            const int fraction = int(random.bounded(0, 12));
            for (int d = 0; d < fraction; ++d)
                text += char('0' + random.bounded(10));
        }
        if (random.bounded(8) == 0)
            text += 'e' + QByteArray::number(int(random.bounded(-30, 30)));
        double expected = 0;
        const auto [end, error] = std::from_chars(text.cbegin(), text.cend(), expected);
        QVERIFY2(error == std::errc() && end == text.cend(), text.constData());
        for (const std::optional<double> &parsed :
             {parseNumber(QString::fromLatin1(text)), parseNumber(QLatin1StringView(text))}) {
            QVERIFY2(parsed.has_value(), text.constData());
            QVERIFY2(*parsed == expected && std::signbit(*parsed) == std::signbit(expected), text.constData());
        }
    }
}

void tst_NumberRules::shownValueAgreesWithTheShownText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::newRow("half below rounds to even") << 0.125 << 2;
    QTest::newRow("half above rounds to even") << 0.375 << 2;
    QTest::newRow("negative half") << -0.125 << 2;
    QTest::newRow("not quite a half") << 1.005 << 2;
    QTest::newRow("just over a half") << 2.675000000000001 << 2;
    QTest::newRow("whole half to even") << 2.5 << 0;
    QTest::newRow("whole half up to even") << 3.5 << 0;
    QTest::newRow("negative whole half") << -2.5 << 0;
    QTest::newRow("tiny negative") << -1e-300 << 2;
    QTest::newRow("largest handled by arithmetic") << 45035996273704.95 << 2;
    QTest::newRow("beyond it") << 45035996273705.0 << 2;
    QTest::newRow("huge") << 1e300 << 2;
    QTest::newRow("huge volume") << 1e17 + 2 << 0;
    QTest::newRow("many decimals") << 1.0 / 3 << 22;
    QTest::newRow("more decimals than a double holds") << 1.0 / 3 << 30;
}

void tst_NumberRules::shownValueAgreesWithTheShownText()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    const double shown = NumberFormat::shownValue(value, decimals);
    const double read = readLeadingNumber(NumberFormat::format(value, decimals));
    QCOMPARE(shown, read);
    QCOMPARE(std::signbit(shown), std::signbit(read));
}

// Where rounding turns: every value within a few steps of x.xx5, and of
// x.5 for whole numbers, over a wide range of magnitudes.
void tst_NumberRules::shownValuesNearEveryHalfAgreeWithTheShownText()
{
    QRandomGenerator random(7);
    for (int i = 0; i < 20000; ++i) {
        const int decimals = random.bounded(2) == 0 ? 2 : 0;
        const double scale = decimals == 2 ? 100 : 1;
        const double magnitude = std::pow(10.0, random.bounded(0, 15));
        const double half = (std::floor(random.generateDouble() * magnitude) + 0.5) / scale;
        double value = half;
        for (int step = 0; step < 3; ++step)
            value = std::nextafter(value, 0.0);
        for (int step = 0; step < 7; ++step, value = std::nextafter(value, 1e300)) {
            for (const double signedValue : {value, -value}) {
                const QString shown = NumberFormat::format(signedValue, decimals);
                if (NumberFormat::shownValue(signedValue, decimals) != readLeadingNumber(shown))
                    QFAIL(qPrintable(QString::number(signedValue, 'g', 17) + QStringLiteral(" shown as ") + shown));
            }
        }
    }
}

QTEST_APPLESS_MAIN(tst_NumberRules)
#include "tst_numberrules.moc"
