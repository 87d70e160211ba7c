#pragma once

#include "datastore/Engine.h"

#include <QList>
#include <QString>

namespace brel::SqlText {

/// Where a keyword stands at the top level of a statement (outside brackets,
/// quotes and comments, on word boundaries), searching from `from`; -1 when
/// absent. *marks counts the positional `?` before it.
int findTopLevel(const QString &text, QLatin1String word, int from = 0, int *marks = nullptr);
/// Number of positional `?` placeholders (named ones like `:Id` not counted).
int countMarks(const QString &text);

/// The statement with a top-level ORDER BY of its text moved into `orderBy`
/// (the text is left alone when the clause holds placeholders or the
/// statement already carries an order).
Sql splitOrderBy(const Sql &sql);

/// The first table named after the top-level FROM, or empty.
QString baseTable(const QString &text);

/// COUNT(*) over the statement's own FROM and WHERE, so the engine need not
/// build the columns and can count on an index; the wrapped form for anything
/// less plain (DISTINCT, GROUP BY, compounds, LIMIT).
Sql countOf(const Sql &sql);

/// The statement for one row of `table` whatever its own condition: the text
/// up to its top-level WHERE, the values bound before it, and a condition on
/// the key. Empty when the text is not a plain SELECT.
Sql rowStatement(const Sql &sql, const QString &table, qint64 id);

struct OrderTerm {
    QString expr;    ///< as written, e.g. `A.SJH`
    QString collate; ///< collation name when given
    bool descending = false;
};
/// The terms of an ORDER BY list; empty when one cannot be read.
QList<OrderTerm> parseOrderBy(const QString &orderBy);
/// The column a term names (`A.SJH` → `SJH`, `"SJH"` → `SJH`), empty for expressions.
QString termColumn(const OrderTerm &term);

/// A column name as a quoted identifier.
QString quoteName(const QString &name);

} // namespace brel::SqlText
