#include "datastore/RowCache.h"

#include <algorithm>

namespace brel {

void RowCache::setMaxPages(int pages)
{
    m_maxPages = pages < 1 ? 1 : pages;
    evict(-1);
}

RowCache::Pages::iterator RowCache::pageOf(int row)
{
    auto it = m_pages.upper_bound(row);
    if (it == m_pages.begin())
        return m_pages.end();
    --it;
    return row < it->first + it->second.rows.size() ? it : m_pages.end();
}

RowCache::Pages::const_iterator RowCache::pageOf(int row) const
{
    auto it = m_pages.upper_bound(row);
    if (it == m_pages.begin())
        return m_pages.end();
    --it;
    return row < it->first + it->second.rows.size() ? it : m_pages.end();
}

const Row *RowCache::find(int row)
{
    if (m_hint && row >= m_hintFirst && row < m_hintFirst + m_hint->rows.size())
        return &m_hint->rows.at(row - m_hintFirst);
    auto it = pageOf(row);
    if (it == m_pages.end())
        return nullptr;
    it->second.used = ++m_clock;
    m_hintFirst = it->first;
    m_hint = &it->second;
    return &it->second.rows.at(row - it->first);
}

bool RowCache::contains(int row) const
{
    return pageOf(row) != m_pages.end();
}

std::pair<int, int> RowCache::freeRange(int row, int pageSize) const
{
    pageSize = std::max(pageSize, 1);
    int first = row / pageSize * pageSize;
    int last = first + pageSize;
    auto next = m_pages.upper_bound(row);
    if (next != m_pages.end())
        last = std::min(last, next->first);
    if (next != m_pages.begin()) {
        auto prev = std::prev(next);
        first = std::max(first, prev->first + int(prev->second.rows.size()));
    }
    return {first, last};
}

void RowCache::insertPage(int first, QVector<Row> rows, int mergeLimit)
{
    if (rows.isEmpty())
        return;
    m_hint = nullptr;
    auto next = m_pages.upper_bound(first);
    if (next != m_pages.begin()) {
        auto prev = std::prev(next);
        Page &page = prev->second;
        if (prev->first + page.rows.size() == first && page.rows.size() + rows.size() <= mergeLimit) {
            page.rows.append(std::move(rows));
            page.used = ++m_clock;
            return;
        }
    }
    Page &page = m_pages[first];
    page.rows = std::move(rows);
    page.used = ++m_clock;
    evict(first);
}

void RowCache::evict(int keepFirst)
{
    m_hint = nullptr;
    while (int(m_pages.size()) > m_maxPages) {
        auto oldest = m_pages.end();
        for (auto it = m_pages.begin(); it != m_pages.end(); ++it) {
            if (it->first == keepFirst)
                continue;
            if (oldest == m_pages.end() || it->second.used < oldest->second.used)
                oldest = it;
        }
        if (oldest == m_pages.end())
            return;
        m_pages.erase(oldest);
    }
}

bool RowCache::update(int row, const Row &values)
{
    m_hint = nullptr;
    auto it = pageOf(row);
    if (it == m_pages.end())
        return false;
    it->second.rows[row - it->first] = values;
    return true;
}

void RowCache::removeRow(int row)
{
    m_hint = nullptr;
    Pages shifted;
    for (auto &[first, page] : m_pages) {
        if (row >= first && row < first + page.rows.size()) {
            page.rows.remove(row - first);
            if (!page.rows.isEmpty())
                shifted.emplace(first, std::move(page));
        } else if (first > row) {
            shifted.emplace(first - 1, std::move(page));
        } else {
            shifted.emplace(first, std::move(page));
        }
    }
    m_pages = std::move(shifted);
}

void RowCache::clear()
{
    m_hint = nullptr;
    m_pages.clear();
}

int RowCache::cachedRows() const
{
    int n = 0;
    for (const auto &[first, page] : m_pages)
        n += int(page.rows.size());
    return n;
}

int RowCache::findId(qint64 id, int field) const
{
    for (const auto &[first, page] : m_pages) {
        for (int i = 0; i < page.rows.size(); ++i) {
            const Row &r = page.rows.at(i);
            if (!r.isNull(field) && r.integer(field) == id)
                return first + i;
        }
    }
    return -1;
}

} // namespace brel
