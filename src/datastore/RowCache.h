#pragma once

#include "datastore/Row.h"

#include <QVariant>
#include <QVector>
#include <map>
#include <utility>

namespace brel {

/// A bounded cache of result rows kept as runs ("pages") of consecutive rows.
/// Pages need not be aligned; they never overlap. When more than maxPages are
/// held, the least recently used page is dropped.
class RowCache {
public:
    explicit RowCache(int maxPages = 16) : m_maxPages(maxPages < 1 ? 1 : maxPages) {}

    void setMaxPages(int pages);
    int maxPages() const { return m_maxPages; }

    /// The cached row, or nullptr; marks its page as used.
    const Row *find(int row);
    bool contains(int row) const;

    /// The rows [first, last) a new page holding row may take: aligned to
    /// pageSize where that does not overlap a cached page.
    std::pair<int, int> freeRange(int row, int pageSize) const;
    /// Adds rows starting at first (which must not overlap a cached page).
    /// They join the page that ends at first while it stays within mergeLimit rows.
    void insertPage(int first, QVector<Row> rows, int mergeLimit = 0);
    /// Replaces a cached row; false when it is not cached.
    bool update(int row, const Row &values);
    /// Drops a row; the rows after it move up by one.
    void removeRow(int row);
    void clear();

    int pageCount() const { return int(m_pages.size()); }
    int cachedRows() const;
    /// Position of the first cached row whose field equals id, or -1.
    int findId(qint64 id, int field) const;

private:
    struct Page {
        QVector<Row> rows;
        quint64 used = 0;
    };
    using Pages = std::map<int, Page>;
    Pages::iterator pageOf(int row);
    Pages::const_iterator pageOf(int row) const;
    void evict(int keepFirst);

    Pages m_pages;
    // The page of the last hit: grids read many fields of the same rows.
    int m_hintFirst = -1;
    const Page *m_hint = nullptr;
    quint64 m_clock = 0;
    int m_maxPages;
};

} // namespace brel
