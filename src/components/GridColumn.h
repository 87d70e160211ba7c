#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

namespace brel {

/// One column of a data grid or an export: what it shows and how.
struct GridColumn {
    QString caption;
    QString field;     ///< result field shown; also the column's name in layouts and filters
    int tag = 0;       ///< 1 = main information (the simple view)
    int width = 80;    ///< pixels
    /// Money pattern ("#0.00", "#.##", "%0.2f") for amounts, or a QDate
    /// pattern for dates; empty = the type's plain text.
    QString format;
    bool visible = true;
};

using GridColumns = QVector<GridColumn>;

/// True for an SQL identifier (letters, digits, underscore, not starting
/// with a digit): the only names a grid passes into SQL text.
bool isPlainIdentifier(const QString &name);

} // namespace brel

namespace brel {

/// Sort mark of a grid column header.
enum class SortMark { None, Ascending, Descending };

/// The mark a header click gives: descending → ascending, ascending →
/// descending, unsorted → ascending.
constexpr SortMark nextSortMark(SortMark mark)
{
    return mark == SortMark::Ascending ? SortMark::Descending : SortMark::Ascending;
}

/// "ASC" or "DESC" for an ORDER BY clause (None counts as ascending).
inline QString sortDirection(SortMark mark)
{
    return mark == SortMark::Descending ? QStringLiteral("DESC") : QStringLiteral("ASC");
}

} // namespace brel
