#include "components/GridColumn.h"

#include "datastore/Money.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

namespace brel {

namespace {

const QString IsoDate = QStringLiteral("yyyy-MM-dd");

/// "yyyy-MM-dd" written by hand: QDate::toString reads its pattern again for
/// every cell, and a grid shows a date in nearly every row.
QString isoDateText(QDate d)
{
    const int y = d.year();
    if (y < 1000 || y > 9999)
        return d.toString(IsoDate);
    const int m = d.month();
    const int day = d.day();
    const char16_t text[10] = {char16_t(u'0' + y / 1000),     char16_t(u'0' + y / 100 % 10), char16_t(u'0' + y / 10 % 10),
                               char16_t(u'0' + y % 10),       u'-',                          char16_t(u'0' + m / 10),
                               char16_t(u'0' + m % 10),       u'-',                          char16_t(u'0' + day / 10),
                               char16_t(u'0' + day % 10)};
    return QString(reinterpret_cast<const QChar *>(text), 10);
}

} // namespace

QString formatCellValue(const QVariant &value, const QString &format)
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
        return dt.time() == QTime(0, 0) ? isoDateText(dt.date())
                                        : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("是") : QStringLiteral("否");
    case QMetaType::Double:
    case QMetaType::Float:
        if (format.contains(QLatin1Char('#')) || format.contains(QLatin1Char('%')) || format.contains(QLatin1Char('0')))
            return Money::fromDouble(value.toDouble()).format(format);
        return QString::number(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}

bool isPlainIdentifier(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re.match(name).hasMatch();
}

} // namespace brel
