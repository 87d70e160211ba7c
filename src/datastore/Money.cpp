#include "datastore/Money.h"

#include <cmath>

namespace brel {

qint64 roundHalfEvenDiv(__int128 num, __int128 den)
{
    if (den == 0)
        return 0;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    __int128 q = num / den;
    __int128 r = num % den;
    if (r < 0) { // make the remainder non-negative (floor division)
        q -= 1;
        r += den;
    }
    const __int128 twice = r * 2;
    if (twice > den || (twice == den && (q % 2 != 0)))
        q += 1;
    return qint64(q);
}

Money Money::fromDouble(double value)
{
    if (!std::isfinite(value))
        return Money();
    // Go through the shortest decimal text so 0.1 stays 0.1 and ties are real ties.
    auto parsed = parse(QString::number(value, 'f', 10));
    return parsed ? *parsed : Money();
}

std::optional<Money> Money::parse(const QString &input)
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    int i = 0;
    bool negative = false;
    if (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+')) {
        negative = text[0] == QLatin1Char('-');
        ++i;
    }
    __int128 intPart = 0;
    int intDigits = 0;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
        intPart = intPart * 10 + (text[i].unicode() - '0');
        if (intPart > (__int128(1) << 62) / Scale)
            return std::nullopt; // out of range
        ++i;
        ++intDigits;
    }
    __int128 frac = 0;
    __int128 fracScale = 1;
    int fracDigits = 0;
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
            if (fracDigits < 18) {
                frac = frac * 10 + (text[i].unicode() - '0');
                fracScale *= 10;
            }
            ++fracDigits;
            ++i;
        }
    }
    if (i != text.size() || (intDigits == 0 && fracDigits == 0))
        return std::nullopt;
    const __int128 numerator = intPart * fracScale * Scale + frac * Scale;
    qint64 raw = roundHalfEvenDiv(numerator, fracScale);
    return fromRaw(negative ? -raw : raw);
}

Money Money::rounded(int decimals) const
{
    decimals = qBound(0, decimals, 4);
    qint64 unit = 1;
    for (int d = decimals; d < 4; ++d)
        unit *= 10;
    return fromRaw(roundHalfEvenDiv(m_raw, unit) * unit);
}

static QString fixed(qint64 raw, int decimals)
{
    qint64 unit = 1;
    for (int d = decimals; d < 4; ++d)
        unit *= 10;
    const qint64 value = roundHalfEvenDiv(raw, unit);
    const bool negative = value < 0;
    quint64 rest = negative ? quint64(0) - quint64(value) : quint64(value);
    // Written backwards into a small buffer: grids format every amount they
    // show, so this runs for each cell painted.
    char buffer[48];
    char *end = buffer + sizeof buffer;
    char *p = end;
    for (int d = 0; d < decimals; ++d) {
        *--p = char('0' + rest % 10);
        rest /= 10;
    }
    if (decimals > 0)
        *--p = '.';
    do {
        *--p = char('0' + rest % 10);
        rest /= 10;
    } while (rest > 0);
    if (negative)
        *--p = '-';
    return QString::fromLatin1(p, int(end - p));
}

QString Money::format(const QString &pattern) const
{
    if (pattern == QLatin1String("#.##")) {
        // Optional digits: no trailing zeros, and no leading zero before the point.
        QString s = fixed(m_raw, 2);
        while (s.contains(QLatin1Char('.')) && (s.endsWith(QLatin1Char('0')) || s.endsWith(QLatin1Char('.'))))
            s.chop(1);
        if (s == QLatin1String("0") || s == QLatin1String("-0"))
            return QString();
        if (s.startsWith(QLatin1String("0.")))
            s.remove(0, 1);
        else if (s.startsWith(QLatin1String("-0.")))
            s.remove(1, 1);
        return s;
    }
    if (pattern == QLatin1String("0.0000"))
        return fixed(m_raw, 4);
    // "#0.00", "0.00" and "%0.2f" all mean two fixed decimals.
    return fixed(m_raw, 2);
}

QString Money::toString() const
{
    QString s = fixed(m_raw, 4);
    while (s.endsWith(QLatin1Char('0')))
        s.chop(1);
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s;
}

Money Money::operator*(Money o) const
{
    return fromRaw(roundHalfEvenDiv(__int128(m_raw) * o.m_raw, Scale));
}

Money Money::operator/(Money o) const
{
    if (o.m_raw == 0)
        return Money();
    return fromRaw(roundHalfEvenDiv(__int128(m_raw) * Scale, o.m_raw));
}

Money Money::percentOf(Money percent) const
{
    return fromRaw(roundHalfEvenDiv(__int128(m_raw) * percent.m_raw, __int128(Scale) * 100));
}

} // namespace brel
