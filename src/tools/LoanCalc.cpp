#include "tools/LoanCalc.h"

#include <cmath>
#include <limits>

namespace brel::LoanCalc {

namespace {

// Amounts past this cannot be held as Money (and no loan is that large).
constexpr double MaxCents = 1e16;

/// value rounded half to even to whole cents, as Money; nullopt when the
/// value is not a number or beyond what Money holds. Rounding the cent count
/// keeps ties real ties: rounding at four decimals first would shift them.
std::optional<Money> cents(double value)
{
    const double count = value * 100;
    if (!std::isfinite(count) || std::fabs(count) >= MaxCents)
        return std::nullopt;
    return Money::fromRaw(Money::fromDouble(count).rounded(0).raw() / 100);
}

/// Payments per year m and the rate per payment i.
struct Period {
    double perYear;
    double rate;
};
Period period(double rate, int frequency)
{
    const double m = 12.0 * frequency;
    return {m, rate / 100 / m};
}

QString line(QChar c)
{
    return QLatin1Char(' ') + QString(63, c);
}

QString row(const Row &r)
{
    return QString::asprintf("%5d %13.2f %10.2f %10.2f %10.2f %11.2f", r.period, r.balance.toDouble(),
                             r.interest.toDouble(), r.interestSoFar.toDouble(), r.principal.toDouble(),
                             r.principalSoFar.toDouble());
}

} // namespace

QStringList Schedule::lines() const
{
    const QString equals = line(QLatin1Char('='));
    const QString dashes = line(QLatin1Char('-'));
    QStringList out;
    out << QString(28, QLatin1Char(' ')) + QStringLiteral("按揭贷款分析") + QString(24, QLatin1Char(' '));
    out << equals;
    out << QStringLiteral(" 贷款总额 = ") + QString::asprintf("%-10.2f", sum.toDouble());
    out << QStringLiteral(" 贷款年利率(%)    = ") + QString::asprintf("%-2.6f", rate);
    out << QStringLiteral(" 贷款期限(月)   = ") + QString::asprintf("%-5d", months);
    out << QStringLiteral(" 偿还频率(次/月)  = ") + QString::asprintf("%-1d", frequency);
    out << QStringLiteral(" 每期付款额 = ") + QString::asprintf("%-10.2f", payment.toDouble());
    out << equals;
    out << QString(27, QLatin1Char(' ')) + QStringLiteral("按揭贷款还款表") + QString(23, QLatin1Char(' '));
    out << dashes;
    out << QStringLiteral(" -期次-----剩余本金------利息-----已还利息-----本金-----已还本金");
    out << dashes;
    for (const Row &r : rows)
        out << row(r);
    out << dashes;
    out << QStringLiteral(" 最后付款额  = ") + QString::asprintf("%11.2f", lastPayment.toDouble());
    out << QStringLiteral(" 总付款额    = ") + QString::asprintf("%11.2f", totalPaid.toDouble());
    out << QStringLiteral(" 利息金额    = ") + QString::asprintf("%11.2f", interestTotal().toDouble());
    return out;
}

std::optional<Schedule> schedule(Money sum, double rate, int months, int frequency)
{
    const qint64 n = qint64(months) * frequency;
    // A negative term or amount would make the balance grow for ever.
    if (frequency <= 0 || n <= 0 || n > MaxPayments || rate < 0 || sum < Money())
        return std::nullopt;
    const auto [m, i] = period(rate, frequency);
    const double q = std::pow(1 + i, -double(n));
    if (1 - q == 0)
        return std::nullopt;
    const std::optional<Money> payment = cents(sum.toDouble() * i / (1 - q));
    if (!payment)
        return std::nullopt;

    Schedule s;
    s.sum = sum;
    s.rate = rate;
    s.months = months;
    s.frequency = frequency;
    s.payment = *payment;
    Money a = *payment;
    Money balance = sum;
    Money interestSoFar, principalSoFar, total;
    for (int k = 1;; ++k) {
        const std::optional<Money> interest = cents(balance.toDouble() * (rate / m) / 100);
        if (!interest)
            return std::nullopt;
        if (k == n)
            a = balance + *interest; // the last payment clears the balance
        Money principal = a - *interest;
        balance -= principal;
        if (balance < Money()) {
            a += balance;
            principal += balance;
            balance = Money();
        }
        total += a;
        interestSoFar += *interest;
        principalSoFar += principal;
        s.rows.append({k, balance, *interest, interestSoFar, principal, principalSoFar});
        if (k == n || balance.isZero())
            break;
    }
    s.lastPayment = a;
    s.totalPaid = total;
    return s;
}

std::optional<double> loanSum(double rate, int payments, int frequency, double payment)
{
    if (frequency <= 0 || rate <= 0 || payments < 0 || payment < 0)
        return std::nullopt;
    const auto [m, i] = period(rate, frequency);
    const double q = std::pow(1 + i, -double(payments));
    const double sum = m * payment * 100 / rate * (1 - q);
    if (!std::isfinite(sum))
        return std::nullopt;
    return sum;
}

std::optional<int> paymentCount(double sum, double rate, int frequency, double payment)
{
    if (frequency <= 0 || payment <= 0 || rate < 0 || sum < 0)
        return std::nullopt;
    const auto [m, i] = period(rate, frequency);
    const double x = sum * rate / 100 / payment / m;
    if (x > 1)
        return 0;
    // x = 1: the payment is the interest alone, and the loan is never repaid.
    const double rest = 1 - x;
    const double growth = std::log(1 + i);
    if (rest <= 0 || growth == 0)
        return std::nullopt;
    const double t = -std::log(rest) / growth;
    // A whole number of payments stays as it is; only rounding noise is ignored.
    const double whole = std::round(t);
    const double count = std::fabs(t - whole) <= 1e-9 * std::max(1.0, whole) ? whole : std::ceil(t);
    if (!std::isfinite(count) || count > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(count);
}

} // namespace brel::LoanCalc
