#include "components/ColumnFilter.h"

#include "components/GridColumn.h"

namespace brel {

bool ColumnFilters::set(const QString &column, const QVariant &value)
{
    if (!isPlainIdentifier(column))
        return false;
    const QString key = column.toUpper();
    m_values.insert(key, value);
    m_names.insert(key, column);
    return true;
}

void ColumnFilters::clear(const QString &column)
{
    m_values.remove(column.toUpper());
    m_names.remove(column.toUpper());
}

bool ColumnFilters::has(const QString &column) const
{
    return m_values.contains(column.toUpper());
}

QVariant ColumnFilters::value(const QString &column) const
{
    return m_values.value(column.toUpper());
}

QStringList ColumnFilters::columns() const
{
    return m_names.values();
}

namespace {
// Conditions joined by AND, their values appended to values.
QString conditions(const QMap<QString, QVariant> &filters, const QMap<QString, QString> &names,
                   QVariantList &values)
{
    QStringList parts;
    for (auto it = filters.cbegin(); it != filters.cend(); ++it) {
        const QString &name = names.value(it.key());
        if (it.value().isNull() || !it.value().isValid()) {
            parts << name + QStringLiteral(" IS NULL");
        } else {
            parts << name + QStringLiteral(" = ?");
            values << it.value();
        }
    }
    return parts.join(QStringLiteral(" AND "));
}
} // namespace

Sql ColumnFilters::apply(const Sql &base) const
{
    if (m_values.isEmpty())
        return base;
    Sql out;
    out.values = base.values;
    out.text = QStringLiteral("SELECT * FROM (") + base.text + QStringLiteral(") WHERE ")
               + conditions(m_values, m_names, out.values);
    out.orderBy = base.orderBy;
    return out;
}

ColumnFilters ColumnFilters::without(const QString &column) const
{
    ColumnFilters out = *this;
    out.clear(column);
    return out;
}

Sql distinctValuesStatement(const Sql &base, const QString &column, const ColumnFilters &filters, int limit)
{
    if (!isPlainIdentifier(column))
        return {};
    const Sql narrowed = filters.without(column).apply(Sql(base.text, base.values));
    Sql out;
    out.values = narrowed.values;
    out.text = QStringLiteral("SELECT DISTINCT ") + column + QStringLiteral(" FROM (") + narrowed.text
               + QStringLiteral(")");
    out.orderBy = column;
    if (limit > 0)
        out.orderBy += QStringLiteral(" LIMIT %1").arg(limit);
    return out;
}

} // namespace brel
