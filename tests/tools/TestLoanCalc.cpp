#include "components/GoldenFile.h"
#include "tools/LoanCalc.h"

#include <QTest>

using namespace brel;

Q_DECLARE_METATYPE(std::optional<int>)

namespace {

Money yuan(const char *text)
{
    return *Money::parse(QString::fromLatin1(text));
}

} // namespace

class TestLoanCalc : public QObject {
    Q_OBJECT
private slots:
    void exampleTable();
    void halfCentsRoundToEven_data();
    void halfCentsRoundToEven();
    void zeroSumGivesOneRowOfZeros();
    void tableReconciles_data();
    void tableReconciles();
    void unusableTerms_data();
    void unusableTerms();
    void loanSum_data();
    void loanSum();
    void paymentCount_data();
    void paymentCount();
};

// 100000 yuan at 6 % over 12 months, monthly: i = 0.005.
void TestLoanCalc::exampleTable()
{
    const auto s = LoanCalc::schedule(yuan("100000"), 6, 12, 1);
    QVERIFY(s);
    QCOMPARE(s->payment, yuan("8606.64"));
    QCOMPARE(s->rows.size(), 12);
    const LoanCalc::Row &first = s->rows.first();
    QCOMPARE(first.period, 1);
    QCOMPARE(first.balance, yuan("91893.36"));
    QCOMPARE(first.interest, yuan("500.00"));
    QCOMPARE(first.interestSoFar, yuan("500.00"));
    QCOMPARE(first.principal, yuan("8106.64"));
    QCOMPARE(first.principalSoFar, yuan("8106.64"));
    QCOMPARE(s->rows.last().balance, Money());
    QCOMPARE(s->rows.last().interest, yuan("42.82"));
    QCOMPARE(s->lastPayment, yuan("8606.69"));
    QCOMPARE(s->totalPaid, yuan("103279.73"));
    QCOMPARE(s->interestTotal(), yuan("3279.73"));

    const QByteArray text = (s->lines().join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    const QString diff = test::compareWithGolden(QStringLiteral("loan-schedule.txt"), text);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

// One payment of 1 yuan plus interest: the payment and the interest fall
// exactly on half a cent, and half a cent goes to the even cent.
void TestLoanCalc::halfCentsRoundToEven_data()
{
    QTest::addColumn<double>("rate");
    QTest::addColumn<Money>("payment");
    QTest::addColumn<Money>("interest");
    QTest::newRow("1.005 -> 1.00") << 6.0 << yuan("1.00") << yuan("0.00");
    QTest::newRow("1.015 -> 1.02") << 18.0 << yuan("1.02") << yuan("0.02");
}

void TestLoanCalc::halfCentsRoundToEven()
{
    QFETCH(double, rate);
    QFETCH(Money, payment);
    QFETCH(Money, interest);
    const auto s = LoanCalc::schedule(yuan("1"), rate, 1, 1);
    QVERIFY(s);
    QCOMPARE(s->payment, payment);
    QCOMPARE(s->rows.size(), 1);
    QCOMPARE(s->rows.first().interest, interest);
    QCOMPARE(s->lastPayment, yuan("1") + interest);
}

void TestLoanCalc::zeroSumGivesOneRowOfZeros()
{
    const auto s = LoanCalc::schedule(Money(), 6, 240, 1);
    QVERIFY(s);
    QCOMPARE(s->payment, Money());
    QCOMPARE(s->rows.size(), 1);
    const QStringList lines = s->lines();
    QCOMPARE(lines.at(12), QStringLiteral("    1          0.00       0.00       0.00       0.00        0.00"));
    QCOMPARE(lines.last(), QStringLiteral(" 利息金额    =        0.00"));
}

// Whatever the loan, the rows add up: the principal parts repay the loan to
// the cent, the payments are the totals, and each balance follows the last.
void TestLoanCalc::tableReconciles_data()
{
    QTest::addColumn<Money>("sum");
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("months");
    QTest::addColumn<int>("frequency");
    QTest::newRow("300000 over 20 years") << yuan("300000") << 4.9 << 240 << 1;
    QTest::newRow("twice a month, 30 years") << yuan("123456.78") << 5.5 << 360 << 2;
    QTest::newRow("weekly, odd rate") << yuan("87654.32") << 3.875 << 180 << 4;
    QTest::newRow("high rate, short") << yuan("5000") << 36.0 << 6 << 1;
}

void TestLoanCalc::tableReconciles()
{
    QFETCH(Money, sum);
    QFETCH(double, rate);
    QFETCH(int, months);
    QFETCH(int, frequency);
    const auto s = LoanCalc::schedule(sum, rate, months, frequency);
    QVERIFY(s);
    QCOMPARE(s->rows.size(), months * frequency);
    Money balance = sum, paid, interest, principal;
    for (const LoanCalc::Row &r : s->rows) {
        balance -= r.principal;
        interest += r.interest;
        principal += r.principal;
        paid += r.interest + r.principal;
        QCOMPARE(r.balance, balance);
        QCOMPARE(r.interestSoFar, interest);
        QCOMPARE(r.principalSoFar, principal);
        if (r.period < s->rows.size())
            QCOMPARE(r.interest + r.principal, s->payment);
    }
    QCOMPARE(balance, Money());
    QCOMPARE(principal, sum);
    QCOMPARE(paid, s->totalPaid);
    QCOMPARE(s->interestTotal(), interest);
    // The last payment differs from the others by the rounding of the cents only.
    QVERIFY(qAbs((s->lastPayment - s->payment).toDouble()) < 0.01 * s->rows.size());
}

void TestLoanCalc::unusableTerms_data()
{
    QTest::addColumn<Money>("sum");
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("months");
    QTest::addColumn<int>("frequency");
    QTest::newRow("zero rate") << yuan("100000") << 0.0 << 12 << 1;
    QTest::newRow("zero frequency") << yuan("100000") << 6.0 << 12 << 0;
    QTest::newRow("zero term") << yuan("100000") << 6.0 << 0 << 1;
    QTest::newRow("negative term") << yuan("100000") << 6.0 << -12 << 1;
    QTest::newRow("negative sum") << yuan("-100000") << 6.0 << 12 << 1;
    QTest::newRow("more payments than a table can list") << yuan("100000") << 6.0 << 2000000000 << 1;
    QTest::newRow("payment beyond any amount") << yuan("100000000000") << 1e12 << 12 << 1;
}

void TestLoanCalc::unusableTerms()
{
    QFETCH(Money, sum);
    QFETCH(double, rate);
    QFETCH(int, months);
    QFETCH(int, frequency);
    QVERIFY(!LoanCalc::schedule(sum, rate, months, frequency));
}

// Reference amounts: a spreadsheet's PV(R/100/(12 f), n, -A), that is
// A (1 - (1 + i)^-n) / i, worked out to 50 digits with Python's decimal module.
void TestLoanCalc::loanSum_data()
{
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("payments");
    QTest::addColumn<int>("frequency");
    QTest::addColumn<double>("payment");
    QTest::addColumn<double>("expected");
    QTest::newRow("the example's payment") << 6.0 << 12 << 1 << 8606.64 << 99999.965483544787681;
    QTest::newRow("20 years monthly") << 4.9 << 240 << 1 << 1963.33 << 299999.67194583528506;
    QTest::newRow("480 payments, twice a month") << 4.9 << 480 << 2 << 981.00 << 299976.38948699675787;
    QTest::newRow("no payments") << 4.9 << 0 << 1 << 1000.0 << 0.0;
}

void TestLoanCalc::loanSum()
{
    QFETCH(double, rate);
    QFETCH(int, payments);
    QFETCH(int, frequency);
    QFETCH(double, payment);
    QFETCH(double, expected);
    const auto sum = LoanCalc::loanSum(rate, payments, frequency, payment);
    QVERIFY(sum);
    QVERIFY2(qAbs(*sum - expected) < 1e-6, qPrintable(QString::number(*sum, 'f', 9)));
    QCOMPARE(QString::asprintf("%0.2f", *sum), QString::asprintf("%0.2f", expected));
}

// Reference counts: a spreadsheet's ROUNDUP(NPER(R/100/(12 f), -A, P), 0),
// NPER = -ln(1 - P i / A) / ln(1 + i), to 50 digits with Python's decimal module.
void TestLoanCalc::paymentCount_data()
{
    QTest::addColumn<double>("sum");
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("frequency");
    QTest::addColumn<double>("payment");
    QTest::addColumn<std::optional<int>>("expected");
    QTest::newRow("NPER 232.6466") << 300000.0 << 4.9 << 1 << 2000.0 << std::optional<int>(233);
    QTest::newRow("NPER 464.8197, twice a month") << 300000.0 << 4.9 << 2 << 1000.0 << std::optional<int>(465);
    QTest::newRow("NPER 12.0000043: a cent short") << 100000.0 << 6.0 << 1 << 8606.64 << std::optional<int>(13);
    QTest::newRow("NPER exactly 2: not rounded up") << 3.0 << 1200.0 << 1 << 4.0 << std::optional<int>(2);
    QTest::newRow("nothing borrowed") << 0.0 << 6.0 << 1 << 100.0 << std::optional<int>(0);
    QTest::newRow("payment below the interest") << 100000.0 << 6.0 << 1 << 499.99 << std::optional<int>(0);
    QTest::newRow("payment equal to the interest") << 100000.0 << 6.0 << 1 << 500.0 << std::optional<int>();
    QTest::newRow("zero payment") << 100000.0 << 6.0 << 1 << 0.0 << std::optional<int>();
    QTest::newRow("zero rate") << 100000.0 << 0.0 << 1 << 1000.0 << std::optional<int>();
    QTest::newRow("zero frequency") << 100000.0 << 6.0 << 0 << 1000.0 << std::optional<int>();
    // i is 8.3e-12: about 2e11 payments.
    QTest::newRow("more payments than a count holds") << 100000.0 << 0.0001 << 1000 << 0.00001 << std::optional<int>();
}

void TestLoanCalc::paymentCount()
{
    QFETCH(double, sum);
    QFETCH(double, rate);
    QFETCH(int, frequency);
    QFETCH(double, payment);
    QFETCH(std::optional<int>, expected);
    QCOMPARE(LoanCalc::paymentCount(sum, rate, frequency, payment), expected);
}

QTEST_GUILESS_MAIN(TestLoanCalc)
#include "TestLoanCalc.moc"
