#pragma once

#include "datastore/Money.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace brel {

/// The sums of an annuity loan. Every formula answers nullopt where the
/// arithmetic breaks down (a division by zero, the logarithm of zero or of a
/// negative number, a result beyond what can be shown), so the window can
/// say the input is unusable instead of showing nonsense.
///
/// Notation: P loan amount, R annual rate in percent, f payments per month,
/// m = 12 f payments per year, i = R / 100 / m rate per payment.
namespace LoanCalc {

/// The most payments a repayment table lists; a longer term is refused so a
/// mistyped term cannot fill the memory with rows.
inline constexpr qint64 MaxPayments = 100000;

/// One period of the repayment table.
struct Row {
    int period = 0;
    Money balance;        ///< principal still owed after the payment
    Money interest;
    Money interestSoFar;
    Money principal;      ///< principal part of the payment
    Money principalSoFar;
};

struct Schedule {
    Money sum;
    double rate = 0;
    int months = 0;
    int frequency = 0;
    Money payment;        ///< payment per period, in cents
    QVector<Row> rows;
    Money lastPayment;
    Money totalPaid;

    Money interestTotal() const { return totalPaid - sum; }
    /// The repayment table as the window shows and prints it, line by line.
    QStringList lines() const;
};

/// Payment per period and repayment table for a term of months (n = months × f
/// payments). The last payment clears the balance. Cents round half to even.
std::optional<Schedule> schedule(Money sum, double rate, int months, int frequency);
/// The loan amount that payments of payment carry over payments periods.
std::optional<double> loanSum(double rate, int payments, int frequency, double payment);
/// The number of payments needed, rounded up to whole payments; 0 when the
/// payment does not cover the interest.
std::optional<int> paymentCount(double sum, double rate, int frequency, double payment);

} // namespace LoanCalc
} // namespace brel
