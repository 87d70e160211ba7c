#pragma once

#include "datastore/Engine.h"
#include "datastore/RowCache.h"
#include "datastore/SqlText.h"

#include <QSet>
#include <functional>
#include <map>
#include <memory>

namespace brel {

/// Two stored values are the same (null only equals null).
bool sameStored(const QVariant &a, const QVariant &b);

/// Reads the rows of one result for a data set, a page at a time, each page by
/// its own short statement: no statement stays open between calls, so an open
/// result never keeps another program from writing.
///
/// Rows hold the engine's values, packed (see Row), in the order of the
/// result's columns; the data set converts only what is looked at.
///
/// With a key (the base table's ID in the result) and an order whose terms are
/// all result columns, the order is made total by appending the key, and pages
/// are read by key: the page after a cached row starts right after that row's
/// order values, the page before a cached row is read in the reversed order,
/// the last page is the reversed order's first. Far jumps use OFFSET, from
/// whichever end is nearer. Without such an order, pages are read by OFFSET.
///
/// Positions are those of the view: rows the data set wrote ("pinned") keep
/// their place until clear(); the live result skips them.
class RowPager {
public:
    using Prepare = std::function<std::unique_ptr<Statement>(const Sql &)>;

    struct Layout {
        int columns = 0;
        int idField = -1;       ///< result column of the key; -1 = none
        QString idName;         ///< its result name
        /// Result column of each order term (the key last); empty = OFFSET paging.
        QVector<int> keyFields;
        QVector<QString> keyNames;
        QVector<QString> keyCollations;
        QVector<bool> keyDescending;
        QVector<bool> keyNullable;
        /// Without a keyed order: the order for OFFSET paging with the key
        /// breaking ties (over `SELECT * FROM (statement)`); empty = as written.
        QString offsetOrder;
    };

    explicit RowPager(Prepare prepare) : m_prepare(std::move(prepare)) {}

    /// The statement (its order in Sql::orderBy) and how its columns are laid out.
    void setStatement(const Sql &sql, const Layout &layout);
    bool byKey() const { return !m_layout.keyFields.isEmpty(); }
    const Layout &layout() const { return m_layout; }

    void setPageSize(int rows) { m_pageSize = std::max(1, rows); }
    int pageSize() const { return m_pageSize; }
    void setReadAhead(int rows) { m_readAhead = std::max(1, rows); }
    int readAhead() const { return m_readAhead; }
    void setCacheLimit(int pages) { m_cache.setMaxPages(pages); }

    /// The row at a view position, read when needed; nullptr past the end.
    const Row *row(int view);
    bool exists(int view) { return row(view) != nullptr; }
    /// Rows of the view (a COUNT(*), kept until clear()).
    int count();
    /// How many rows exist, counting no further than upTo.
    int available(int upTo);
    /// View position of the row with this key, reading around it; -1 when absent.
    int locate(qint64 id);

    /// Keeps a row the data set wrote at its view position.
    void pin(int view, const Row &values);
    /// An appended row: one more row in the view.
    void grow() { if (m_count >= 0) ++m_count; }
    int pinnedCount() const { return int(m_pinned.size()); }
    /// Drops the row at a view position; later rows move up.
    void removeAt(int view, qint64 id);
    /// Forgets every row read and every pinned row.
    void clear();

    /// Rows read from the engine so far.
    int fetched() const { return m_fetched; }
    /// The row with this key as the statement computes it, or empty when the
    /// statement does not select it.
    Row readById(qint64 id);
    Row readRow(const Statement &st);

private:
    int pinnedBefore(int view) const;
    int viewOfLive(int live) const;
    /// The live rows [liveFirst, liveFirst + n) in order (fewer at the end).
    QVector<Row> readLive(int liveFirst, int n, bool *reachedEnd);
    /// One keyed or offset page: after (or, backward, before) the anchor's
    /// order values, skipping `offset` rows.
    QVector<Row> fetch(const Row *anchor, bool backward, int offset, int limit);
    /// The condition "comes after the anchor" in the order (flipped when backward).
    QString afterCondition(const Row &anchor, bool backward, QVariantList *values) const;
    QString orderText(bool backward) const;
    QString pinnedCondition(QVariantList *values) const;
    /// The statement read by OFFSET, with an extra condition.
    QString offsetStatement(const QString &where) const;
    void readAround(int view);

    Prepare m_prepare;
    Sql m_sql;
    Layout m_layout;
    RowCache m_cache;
    std::map<int, Row> m_pinned;
    QSet<qint64> m_pinnedIds;
    int m_count = -1;
    int m_fetched = 0;
    int m_pageSize = 256;
    int m_readAhead = 50;
};

} // namespace brel
