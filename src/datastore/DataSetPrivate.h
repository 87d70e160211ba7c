#pragma once

// Shared by the data set's own source files only.

#include "datastore/DataSet.h"
#include "datastore/RowPager.h"

namespace brel {

class DataSet::Private {
public:
    explicit Private(DataSet *q);

    DataSet *q;
    RowPager pager;

    QString table;      ///< resolved base table
    int idField = -1;

    Row current;        ///< the current row as read (engine values)
    QVector<QVariant> buffer; ///< the record being edited (program values)
    QVector<bool> changed;
    int returnRow = -1; ///< where cancel of an append goes back to
    bool returnBof = true;
    bool returnEof = true;

    qint64 boundMasterId = 0;
    bool masterBound = false;
    QList<QMetaObject::Connection> masterLinks;

    std::unique_ptr<Statement> prepare(const Sql &sql) const;
    /// Posts a pending edit and lets details post theirs; false when any
    /// post was abandoned, and then the move that asked must not happen.
    bool leaveRow();
    /// Makes row `view` current (its values already read).
    void setCurrent(int view, const Row &r);
    /// The row with this key as the statement computes it after a write.
    Row reread(qint64 id);
    /// prior() (-1) and next() (+1).
    bool stepBy(int delta);
    /// How the pager reads this result: the key and the order's columns.
    RowPager::Layout pageLayout(const Sql &sql, const QVector<bool> &notNull) const;
    /// Refuses to overwrite a row another connection changed or deleted
    /// since this data set read it.
    void checkUnchanged(qint64 id) const;
};

/// Describes result column `col` of a prepared statement from the schema
/// (or its declared type when the schema does not know it).
FieldInfo describeColumn(const Statement &st, int col);
/// True when the schema declares the field's column NOT NULL.
bool isNotNullColumn(const FieldInfo &f);

} // namespace brel
