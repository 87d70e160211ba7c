#include "datastore/FieldValue.h"

#include "datastore/Engine.h"

#include <QCoreApplication>
#include <cmath>
#include <limits>
#include <optional>

namespace brel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("FieldValue", text);
}

const QString IsoDate = QStringLiteral("yyyy-MM-dd");
const QString IsoStamp = QStringLiteral("yyyy-MM-dd HH:mm:ss");

bool isText(const QVariant &v)
{
    return v.metaType().id() == QMetaType::QString;
}

/// Types QVariant converts to a whole number without a text in between.
bool isWholeNumberType(int type)
{
    switch (type) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isFloatType(int type)
{
    return type == QMetaType::Double || type == QMetaType::Float;
}

/// Dates with a four-digit year; others are not written (nor read back) by the program.
bool isStorableDate(QDate d)
{
    return d.isValid() && d.year() >= 1 && d.year() <= 9999;
}

/// "yyyy-MM-dd" written by hand: QDate::toString reads its pattern again for
/// every cell, and a grid shows a date in nearly every row.
QString isoDateText(QDate d)
{
    if (!isStorableDate(d))
        return d.toString(IsoDate);
    const int y = d.year();
    const int m = d.month();
    const int day = d.day();
    const char16_t text[10] = {char16_t(u'0' + y / 1000),     char16_t(u'0' + y / 100 % 10), char16_t(u'0' + y / 10 % 10),
                               char16_t(u'0' + y % 10),       u'-',                          char16_t(u'0' + m / 10),
                               char16_t(u'0' + m % 10),       u'-',                          char16_t(u'0' + day / 10),
                               char16_t(u'0' + day % 10)};
    return QString(reinterpret_cast<const QChar *>(text), 10);
}

QString isoStampText(const QDateTime &dt)
{
    return isoDateText(dt.date()) + QLatin1Char(' ') + dt.time().toString(QStringLiteral("HH:mm:ss"));
}

/// "yyyy-MM-dd" read by hand: this runs for every date of every row read.
QDate quickDate(const QString &t)
{
    if (t.size() != 10 || t.at(4) != QLatin1Char('-') || t.at(7) != QLatin1Char('-'))
        return QDate();
    int parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (int i = starts[p]; i < starts[p] + lengths[p]; ++i) {
            const char16_t c = t.at(i).unicode();
            if (c < u'0' || c > u'9')
                return QDate();
            parts[p] = parts[p] * 10 + (c - u'0');
        }
    }
    return QDate(parts[0], parts[1], parts[2]);
}

/// Reads minDigits..maxDigits ASCII digits at pos; -1 when there are not enough.
int readNumber(QStringView t, qsizetype &pos, int minDigits, int maxDigits)
{
    int value = 0;
    int digits = 0;
    while (pos < t.size() && digits < maxDigits && t.at(pos) >= QLatin1Char('0') && t.at(pos) <= QLatin1Char('9')) {
        value = value * 10 + (t.at(pos).unicode() - u'0');
        ++pos;
        ++digits;
    }
    return digits >= minDigits ? value : -1;
}

/// An amount from a double when the double stands for one exactly storable.
/// A stored REAL is the double nearest a four-decimal amount: the scaled
/// integer is that amount when it gives the same double back.
std::optional<Money> moneyFromDouble(double v)
{
    if (!std::isfinite(v) || std::fabs(v) >= double(MoneyStorageLimit / Money::Scale))
        return std::nullopt;
    const double whole = std::nearbyint(v * double(Money::Scale));
    if (whole / double(Money::Scale) == v)
        return Money::fromRaw(qint64(whole));
    // Not a stored amount (a computed double): round half to even.
    return Money::fromDouble(v);
}

/// A 32-bit integer: an optional sign and ASCII digits, nothing else.
std::optional<int> parseInteger(const QString &text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == QLatin1Char('-') || t.at(i) == QLatin1Char('+'))) {
        negative = t.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == t.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    value = negative ? -value : value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

/// Yes/no as stored or typed: numbers (other than 0 is yes) and the words
/// the engine, the program and clerks write.
std::optional<bool> parseBool(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QStringLiteral("是"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("no") || t == QStringLiteral("否"))
        return false;
    bool ok = false;
    const double n = t.toDouble(&ok);
    if (ok && std::isfinite(n))
        return n != 0;
    return std::nullopt;
}

/// Money patterns of grids and boxes ("#0.00", "#.##", "%0.2f", "0.0000").
bool isNumberPattern(const QString &format)
{
    return format.contains(QLatin1Char('#')) || format.contains(QLatin1Char('%')) || format.contains(QLatin1Char('0'));
}

QString integerRangeError(const QString &name)
{
    return tr("“%1”超出范围：整数应在 %2 到 %3 之间。")
        .arg(name, QString::number(std::numeric_limits<int>::min()), QString::number(std::numeric_limits<int>::max()));
}

QString moneyRangeError(const QString &name)
{
    return tr("“%1”超出范围：金额的绝对值应小于 %2。").arg(name, QString::number(MoneyStorageLimit / Money::Scale));
}

FieldInput refused(const QString &error)
{
    return {QVariant(), error};
}

FieldInput accepted(const QVariant &value)
{
    return {value, QString()};
}

FieldInput toInteger(const QVariant &input, const QString &name)
{
    const int type = input.metaType().id();
    const QString notInteger = tr("“%1”输入不正确：“%2”不是整数。");
    if (type == QMetaType::QString) {
        if (const auto v = parseInteger(input.toString()))
            return accepted(*v);
        // A whole number that does not fit is out of range rather than wrong.
        bool number = false;
        const double v = input.toString().trimmed().toDouble(&number);
        if (number && std::isfinite(v) && v == std::trunc(v) && std::fabs(v) > std::numeric_limits<int>::max())
            return refused(integerRangeError(name));
        return refused(notInteger.arg(name, input.toString()));
    }
    if (type == QMetaType::Bool)
        return accepted(input.toBool() ? 1 : 0);
    qint64 whole = 0;
    if (isWholeNumberType(type)) {
        if (type == QMetaType::ULongLong || type == QMetaType::ULong) {
            const quint64 u = input.toULongLong();
            if (u > quint64(std::numeric_limits<int>::max()))
                return refused(integerRangeError(name));
        }
        whole = input.toLongLong();
    } else if (isFloatType(type)) {
        const double v = input.toDouble();
        if (!std::isfinite(v) || v != std::trunc(v))
            return refused(notInteger.arg(name, QString::number(v, 'g', 17)));
        if (std::fabs(v) > 4e9)
            return refused(integerRangeError(name));
        whole = qint64(v);
    } else if (type == qMetaTypeId<Money>()) {
        const Money m = input.value<Money>();
        if (m.raw() % Money::Scale != 0)
            return refused(notInteger.arg(name, m.toString()));
        whole = m.raw() / Money::Scale;
    } else {
        return refused(notInteger.arg(name, valueText(input)));
    }
    if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max())
        return refused(integerRangeError(name));
    return accepted(int(whole));
}

FieldInput toMoney(const QVariant &input, const QString &name)
{
    const int type = input.metaType().id();
    const QString notMoney = tr("“%1”输入不正确：“%2”不是金额。");
    std::optional<Money> m;
    if (type == qMetaTypeId<Money>()) {
        m = input.value<Money>();
    } else if (type == QMetaType::QString) {
        m = Money::parse(input.toString());
        if (!m) {
            // A number too large for an amount is out of range rather than wrong.
            bool number = false;
            const double v = input.toString().trimmed().toDouble(&number);
            const bool tooLarge = number && std::isfinite(v) && std::fabs(v) >= double(MoneyStorageLimit / Money::Scale);
            return refused(tooLarge ? moneyRangeError(name) : notMoney.arg(name, input.toString()));
        }
    } else if (isFloatType(type)) {
        const double v = input.toDouble();
        if (!std::isfinite(v))
            return refused(notMoney.arg(name, QString::number(v)));
        m = moneyFromDouble(v);
        if (!m)
            return refused(moneyRangeError(name));
    } else if (isWholeNumberType(type)) {
        const qint64 units = input.toLongLong();
        const qint64 limit = MoneyStorageLimit / Money::Scale;
        if ((type == QMetaType::ULongLong && input.toULongLong() >= quint64(limit)) || units >= limit || units <= -limit)
            return refused(moneyRangeError(name));
        m = Money::fromInt(units);
    } else {
        return refused(notMoney.arg(name, valueText(input)));
    }
    if (!isStorableMoney(*m))
        return refused(moneyRangeError(name));
    return accepted(QVariant::fromValue(*m));
}

FieldInput toDate(const QVariant &input, const QString &name)
{
    const int type = input.metaType().id();
    const QString invalid = tr("“%1”的日期无效。");
    if (type == QMetaType::QDate)
        return isStorableDate(input.toDate()) ? accepted(input) : refused(invalid.arg(name));
    if (type == QMetaType::QDateTime) {
        const QDateTime dt = input.toDateTime();
        if (!dt.isValid() || !isStorableDate(dt.date()))
            return refused(invalid.arg(name));
        return accepted(dt.time() == QTime(0, 0) ? QVariant(dt.date()) : QVariant(dt));
    }
    const QVariant v = type == QMetaType::QString ? dateFromText(input.toString()) : QVariant();
    if (v.isNull())
        return refused(tr("“%1”日期输入不正确：“%2”，请按 yyyy-MM-dd 输入。").arg(name, valueText(input)));
    return accepted(v);
}

FieldInput toBool(const QVariant &input, const QString &name)
{
    const int type = input.metaType().id();
    if (type == QMetaType::Bool)
        return accepted(input.toBool());
    if (type == QMetaType::QString) {
        if (const auto b = parseBool(input.toString()))
            return accepted(*b);
    } else if (isWholeNumberType(type)) {
        return accepted(input.toLongLong() != 0);
    } else if (isFloatType(type) && std::isfinite(input.toDouble())) {
        return accepted(input.toDouble() != 0);
    }
    return refused(tr("“%1”输入不正确：“%2”不是“是”或“否”。").arg(name, valueText(input)));
}

FieldInput toFloat(const QVariant &input, const QString &name)
{
    bool ok = true;
    double v = 0;
    if (isText(input))
        v = input.toString().trimmed().toDouble(&ok);
    else if (input.metaType().id() == qMetaTypeId<Money>())
        v = input.value<Money>().toDouble();
    else
        v = input.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return refused(tr("“%1”输入不正确：“%2”不是数字。").arg(name, valueText(input)));
    return accepted(v);
}

} // namespace

bool isStorableMoney(Money amount)
{
    return amount.raw() < MoneyStorageLimit && amount.raw() > -MoneyStorageLimit;
}

int characterCount(QStringView text)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++count;
    }
    return count;
}

QString leftCharacters(const QString &text, int count)
{
    qsizetype i = 0;
    for (int n = 0; n < count && i < text.size(); ++n) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++i;
    }
    return text.left(i);
}

QVariant dateFromText(const QString &text)
{
    const QStringView t = QStringView(text).trimmed();
    qsizetype pos = 0;
    const int year = readNumber(t, pos, 4, 4);
    if (year < 0 || pos >= t.size() || t.at(pos++) != QLatin1Char('-'))
        return QVariant();
    const int month = readNumber(t, pos, 1, 2);
    if (month < 0 || pos >= t.size() || t.at(pos++) != QLatin1Char('-'))
        return QVariant();
    const int day = readNumber(t, pos, 1, 2);
    const QDate date(year, month, day);
    if (day < 0 || !isStorableDate(date))
        return QVariant();
    if (pos == t.size())
        return date;
    const QChar sep = t.at(pos++);
    if (sep != QLatin1Char(' ') && sep != QLatin1Char('T'))
        return QVariant();
    while (pos < t.size() && t.at(pos) == QLatin1Char(' '))
        ++pos;
    const int hour = readNumber(t, pos, 1, 2);
    if (hour < 0 || pos >= t.size() || t.at(pos++) != QLatin1Char(':'))
        return QVariant();
    const int minute = readNumber(t, pos, 2, 2);
    int second = 0;
    if (minute >= 0 && pos < t.size() && t.at(pos) == QLatin1Char(':')) {
        ++pos;
        second = readNumber(t, pos, 2, 2);
    }
    const QTime time(hour, minute, second);
    if (minute < 0 || second < 0 || pos != t.size() || !time.isValid())
        return QVariant();
    if (time == QTime(0, 0))
        return date;
    const QDateTime stamp(date, time);
    // A local time skipped by a clock change is no time at all.
    return stamp.isValid() && stamp.time() == time ? QVariant(stamp) : QVariant();
}

QVariant fromStorage(const QVariant &raw, FieldType type)
{
    if (raw.isNull())
        return QVariant();
    const int stored = raw.metaType().id();
    if (stored == QMetaType::QByteArray)
        return fromStorage(QString::fromUtf8(raw.toByteArray()), type);
    switch (type) {
    case FieldType::Integer:
        if (stored == QMetaType::LongLong) {
            const qint64 v = raw.toLongLong();
            if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
                return int(v);
            return v; // an ID beyond 32 bits
        }
        if (stored == QMetaType::Double) {
            const double v = raw.toDouble();
            if (v == std::trunc(v) && v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
                return int(v);
            return raw;
        }
        if (const auto v = parseInteger(raw.toString()))
            return *v;
        break;
    case FieldType::Money:
        if (stored == QMetaType::Double) {
            if (const auto m = moneyFromDouble(raw.toDouble()))
                return QVariant::fromValue(*m);
            return raw;
        }
        if (stored == QMetaType::LongLong) {
            const qint64 units = raw.toLongLong();
            if (units < MoneyStorageLimit / Money::Scale && units > -MoneyStorageLimit / Money::Scale)
                return QVariant::fromValue(Money::fromInt(units));
            return raw;
        }
        if (const auto m = Money::parse(raw.toString()))
            return QVariant::fromValue(*m);
        break;
    case FieldType::Date:
        if (stored == QMetaType::QString) {
            const QString text = raw.toString();
            const QDate quick = quickDate(text);
            if (quick.isValid())
                return quick;
            const QVariant v = dateFromText(text);
            if (!v.isNull())
                return v;
        }
        break;
    case FieldType::Bool:
        if (stored == QMetaType::LongLong)
            return raw.toLongLong() != 0;
        if (stored == QMetaType::Double)
            return raw.toDouble() != 0;
        if (const auto b = parseBool(raw.toString()))
            return *b;
        break;
    case FieldType::Float:
        if (stored == QMetaType::Double)
            return raw;
        if (stored == QMetaType::LongLong)
            return raw.toDouble();
        {
            bool ok = false;
            const double v = raw.toString().trimmed().toDouble(&ok);
            if (ok)
                return v;
        }
        break;
    case FieldType::Text:
    case FieldType::Memo:
        return stored == QMetaType::QString ? raw : QVariant(raw.toString());
    case FieldType::Unknown:
        return raw;
    }
    // Not a value of the type: kept as stored, blank text as empty.
    if (stored == QMetaType::QString && raw.toString().trimmed().isEmpty())
        return QVariant();
    return raw;
}

QVariant toStorage(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    const int type = value.metaType().id();
    if (type == qMetaTypeId<Money>()) {
        const Money m = value.value<Money>();
        if (!isStorableMoney(m))
            throw EngineError(tr("金额 %1 超出了能准确保存的范围（绝对值应小于 %2）。")
                                  .arg(m.toString(), QString::number(MoneyStorageLimit / Money::Scale)));
        return m.toDouble();
    }
    switch (type) {
    case QMetaType::QDate:
        if (!isStorableDate(value.toDate()))
            throw EngineError(tr("日期无效，不能保存。"));
        return isoDateText(value.toDate());
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid() || !isStorableDate(dt.date()))
            throw EngineError(tr("日期无效，不能保存。"));
        return dt.time() == QTime(0, 0) ? isoDateText(dt.date()) : isoStampText(dt);
    }
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    default:
        return value;
    }
}

QString displayText(const QVariant &value, const QString &format)
{
    if (!value.isValid() || value.isNull())
        return {};
    const int type = value.userType();
    if (type == qMetaTypeId<Money>())
        return value.value<Money>().format(format.isEmpty() ? QStringLiteral("#0.00") : format);
    switch (type) {
    case QMetaType::QDate:
        return format.isEmpty() || format == IsoDate ? isoDateText(value.toDate()) : value.toDate().toString(format);
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (!format.isEmpty())
            return dt.toString(format);
        // A stamp at midnight is a plain date (how dates typed in boxes are kept).
        return dt.time() == QTime(0, 0) ? isoDateText(dt.date()) : isoStampText(dt);
    }
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("是") : QStringLiteral("否");
    case QMetaType::Double:
    case QMetaType::Float: {
        const double v = value.toDouble();
        if (isNumberPattern(format)) {
            if (const auto m = moneyFromDouble(v))
                return m->format(format);
        }
        return QString::number(v, 'g', 15);
    }
    default:
        return value.toString();
    }
}

QString editText(const QVariant &value, const QString &format)
{
    if (!value.isValid() || value.isNull())
        return {};
    const int type = value.userType();
    if (type == qMetaTypeId<Money>())
        return format.isEmpty() ? value.value<Money>().toString() : value.value<Money>().format(format);
    if (type == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    return displayText(value, type == QMetaType::QDate ? QString() : format);
}

FieldInput toFieldValue(const QVariant &input, FieldType type, const QString &fieldName)
{
    if (!input.isValid() || input.isNull() || (isText(input) && input.toString().trimmed().isEmpty()))
        return accepted(QVariant());
    switch (type) {
    case FieldType::Integer: return toInteger(input, fieldName);
    case FieldType::Money: return toMoney(input, fieldName);
    case FieldType::Date: return toDate(input, fieldName);
    case FieldType::Bool: return toBool(input, fieldName);
    case FieldType::Float: return toFloat(input, fieldName);
    case FieldType::Text:
    case FieldType::Memo: return accepted(isText(input) ? input : QVariant(valueText(input)));
    case FieldType::Unknown: return accepted(input);
    }
    return accepted(input);
}

QString valueText(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    const int type = value.metaType().id();
    if (type == qMetaTypeId<Money>())
        return value.value<Money>().toString();
    switch (type) {
    case QMetaType::QDate: return isoDateText(value.toDate());
    case QMetaType::QDateTime: return isoStampText(value.toDateTime());
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
    case QMetaType::Float: return QString::number(value.toDouble(), 'g', 15);
    default: return value.toString();
    }
}

qint64 int64Value(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return 0;
    const int type = value.metaType().id();
    if (type == qMetaTypeId<Money>())
        return value.value<Money>().raw() / Money::Scale;
    if (type == QMetaType::QString)
        return value.toString().trimmed().toLongLong();
    return value.toLongLong();
}

Money moneyValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return Money();
    const int type = value.metaType().id();
    if (type == qMetaTypeId<Money>())
        return value.value<Money>();
    if (isWholeNumberType(type))
        return Money::fromInt(value.toLongLong());
    if (isFloatType(type))
        return Money::fromDouble(value.toDouble());
    return Money::parse(value.toString()).value_or(Money());
}

QDateTime dateTimeValue(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::QDate: return value.toDate().startOfDay();
    case QMetaType::QDateTime: return value.toDateTime();
    case QMetaType::QString: {
        const QVariant p = dateFromText(value.toString());
        return p.metaType().id() == QMetaType::QDate ? p.toDate().startOfDay() : p.toDateTime();
    }
    default: return QDateTime();
    }
}

bool boolValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return false;
    if (value.metaType().id() == QMetaType::QString)
        return parseBool(value.toString()).value_or(false);
    return value.toBool();
}

} // namespace brel
