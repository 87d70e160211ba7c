#include "components/GridColumn.h"

#include "datastore/Money.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>

namespace brel {

QString formatCellValue(const QVariant &value, const QString &format)
{
    if (!value.isValid() || value.isNull())
        return {};
    const int type = value.userType();
    if (type == qMetaTypeId<Money>())
        return value.value<Money>().format(format.isEmpty() ? QStringLiteral("#0.00") : format);
    switch (type) {
    case QMetaType::QDate:
        return value.toDate().toString(format.isEmpty() ? QStringLiteral("yyyy-MM-dd") : format);
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (!format.isEmpty())
            return dt.toString(format);
        // A stamp at midnight is a plain date (how dates typed in boxes are kept).
        return dt.time() == QTime(0, 0) ? dt.date().toString(QStringLiteral("yyyy-MM-dd"))
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
