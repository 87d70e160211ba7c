#pragma once

#include "datastore/Engine.h"

#include <QMap>
#include <QString>
#include <QVariant>

namespace brel {

/// Column filters of a grid, pushed into its statement as bound values:
/// `SELECT * FROM (<statement>) WHERE <column> = ? AND ...`. Column names
/// come from the grid's column descriptions and must be plain identifiers;
/// values are never part of the SQL text.
class ColumnFilters {
public:
    /// Sets the condition `column = value` (a null value means IS NULL).
    /// Returns false, and changes nothing, for a column name that is not a
    /// plain identifier.
    bool set(const QString &column, const QVariant &value);
    void clear(const QString &column);
    void clearAll() { m_values.clear(); }

    bool isEmpty() const { return m_values.isEmpty(); }
    bool has(const QString &column) const;
    QVariant value(const QString &column) const;
    QStringList columns() const;

    /// base narrowed by every condition, keeping its ORDER BY; base itself
    /// when there is none.
    Sql apply(const Sql &base) const;
    /// The same conditions without the named column (for its value list).
    ColumnFilters without(const QString &column) const;

    bool operator==(const ColumnFilters &o) const { return m_values == o.m_values; }

private:
    QMap<QString, QVariant> m_values; ///< upper-cased column name → value
    QMap<QString, QString> m_names;   ///< upper-cased → as given
};

/// `SELECT DISTINCT <column> FROM (<base>) ... ORDER BY <column>`, with the
/// base's values and the other filters; at most limit rows (0 = all).
/// An empty Sql when column is not a plain identifier.
Sql distinctValuesStatement(const Sql &base, const QString &column, const ColumnFilters &filters = {},
                            int limit = 0);

} // namespace brel
