#pragma once

#include <QMetaType>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace brel {

/// Exact fixed-point amount: an integer count of ten-thousandths.
/// Every amount of the program (rents, prices, areas, rates) is a Money, so
/// rounding happens in one place: half to even, at four decimals.
class Money {
public:
    static constexpr qint64 Scale = 10000;

    constexpr Money() = default;
    static constexpr Money fromRaw(qint64 tenThousandths) { Money m; m.m_raw = tenThousandths; return m; }
    static Money fromInt(qint64 units) { return fromRaw(units * Scale); }
    /// Rounds half to even at the fourth decimal.
    static Money fromDouble(double value);
    /// Parses a decimal number ("12", "-3.5", "0.12345" rounds to 0.1234/0.1235
    /// half to even). Spaces around are allowed; anything else gives nullopt.
    static std::optional<Money> parse(const QString &text);

    constexpr qint64 raw() const { return m_raw; }
    double toDouble() const { return double(m_raw) / Scale; }
    bool isZero() const { return m_raw == 0; }

    /// Formats with the patterns the windows use: "#0.00" (always two
    /// decimals), "#.##" (up to two decimals, empty for zero), "%0.2f",
    /// and "0.0000" (four decimals, used for storage round trips).
    QString format(const QString &pattern = QStringLiteral("#0.00")) const;
    /// Plain decimal text with as many decimals as needed (at most four).
    QString toString() const;

    /// Rounds half to even to the given number of decimals (0..4).
    Money rounded(int decimals) const;

    Money operator+(Money o) const { return fromRaw(m_raw + o.m_raw); }
    Money operator-(Money o) const { return fromRaw(m_raw - o.m_raw); }
    Money operator-() const { return fromRaw(-m_raw); }
    Money &operator+=(Money o) { m_raw += o.m_raw; return *this; }
    Money &operator-=(Money o) { m_raw -= o.m_raw; return *this; }
    /// Product rounded half to even to four decimals.
    Money operator*(Money o) const;
    Money operator*(qint64 n) const { return fromRaw(m_raw * n); }
    /// Quotient rounded half to even to four decimals; division by zero gives 0.
    Money operator/(Money o) const;
    /// amount × percent / 100, rounded half to even (commission from a rate).
    Money percentOf(Money percent) const;

    friend bool operator==(Money a, Money b) { return a.m_raw == b.m_raw; }
    friend auto operator<=>(Money a, Money b) { return a.m_raw <=> b.m_raw; }

private:
    qint64 m_raw = 0;
};

/// Integer division of a 128-bit-safe product, rounded half to even.
qint64 roundHalfEvenDiv(__int128 numerator, __int128 denominator);

} // namespace brel

Q_DECLARE_METATYPE(brel::Money)
