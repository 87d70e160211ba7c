#include "datastore/RowPager.h"

#include <algorithm>

namespace brel {

using SqlText::quoteName;

bool sameStored(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a.metaType() == b.metaType() && a == b;
}

void RowPager::setStatement(const Sql &sql, const Layout &layout)
{
    clear();
    m_sql = sql;
    m_layout = layout;
}

void RowPager::clear()
{
    m_cache.clear();
    m_pinned.clear();
    m_pinnedIds.clear();
    m_count = -1;
}

Row RowPager::readRow(const Statement &st)
{
    Row r;
    st.readRow(r, m_layout.columns);
    ++m_fetched;
    return r;
}

int RowPager::pinnedBefore(int view) const
{
    int n = 0;
    for (auto it = m_pinned.begin(); it != m_pinned.end() && it->first < view; ++it)
        ++n;
    return n;
}

int RowPager::viewOfLive(int live) const
{
    int v = live;
    for (const auto &[pos, row] : m_pinned) {
        if (pos <= v)
            ++v;
        else
            break;
    }
    return v;
}

const Row *RowPager::row(int view)
{
    if (view < 0 || (m_count >= 0 && view >= m_count))
        return nullptr;
    if (const Row *r = m_cache.find(view))
        return r;
    const auto p = m_pinned.find(view);
    if (p != m_pinned.end())
        return &p->second;
    readAround(view);
    return m_cache.find(view);
}

void RowPager::readAround(int view)
{
    const auto range = m_cache.freeRange(view, m_pageSize);
    const int chunk = std::min(m_readAhead, m_pageSize);
    // Near the end the page ends with the last row: a jump to the end reads
    // one page, by the reversed order.
    const int aligned = m_count >= 0 && view >= m_count - chunk ? m_count - chunk : view / chunk * chunk;
    const int first = std::max({range.first, aligned, 0});
    const int last = std::min(range.second, first + chunk);
    const int liveFirst = first - pinnedBefore(first);
    int liveWanted = 0;
    for (int v = first; v < last; ++v)
        if (!m_pinned.count(v))
            ++liveWanted;
    bool reachedEnd = false;
    QVector<Row> live = liveWanted > 0 ? readLive(liveFirst, liveWanted, &reachedEnd) : QVector<Row>();
    if (reachedEnd && m_count < 0)
        m_count = liveFirst + int(live.size()) + int(m_pinned.size());

    QVector<Row> rows;
    rows.reserve(last - first);
    int next = 0;
    for (int v = first; v < last; ++v) {
        const auto p = m_pinned.find(v);
        if (p != m_pinned.end()) {
            rows.append(p->second);
        } else if (next < live.size()) {
            rows.append(std::move(live[next++]));
        } else {
            break;
        }
    }
    m_cache.insertPage(first, std::move(rows), m_pageSize);
}

QVector<Row> RowPager::readLive(int liveFirst, int n, bool *reachedEnd)
{
    *reachedEnd = false;
    if (!byKey() || liveFirst == 0) {
        QVector<Row> rows = fetch(nullptr, false, liveFirst, n);
        *reachedEnd = rows.size() < n;
        return rows;
    }
    // A cached neighbour gives the order values to continue from.
    if (const Row *before = m_cache.find(viewOfLive(liveFirst - 1))) {
        const Row anchor = *before;
        QVector<Row> rows = fetch(&anchor, false, 0, n);
        *reachedEnd = rows.size() < n;
        return rows;
    }
    if (const Row *after = m_cache.find(viewOfLive(liveFirst + n))) {
        const Row anchor = *after;
        return fetch(&anchor, true, 0, n);
    }
    const int liveTotal = m_count >= 0 ? m_count - int(m_pinned.size()) : -1;
    if (liveTotal >= 0 && liveFirst > liveTotal / 2) {
        // Nearer the end: the reversed order, skipping the rows after the page.
        const int end = std::min(liveFirst + n, liveTotal);
        if (end <= liveFirst)
            return {};
        return fetch(nullptr, true, liveTotal - end, end - liveFirst);
    }
    QVector<Row> rows = fetch(nullptr, false, liveFirst, n);
    *reachedEnd = rows.size() < n;
    return rows;
}

QString RowPager::orderText(bool backward) const
{
    QStringList terms;
    for (int i = 0; i < m_layout.keyFields.size(); ++i) {
        QString term = quoteName(m_layout.keyNames.at(i));
        if (!m_layout.keyCollations.at(i).isEmpty())
            term += QStringLiteral(" COLLATE ") + m_layout.keyCollations.at(i);
        term += m_layout.keyDescending.at(i) != backward ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
        terms << term;
    }
    return terms.join(QStringLiteral(", "));
}

QString RowPager::afterCondition(const Row &anchor, bool backward, QVariantList *values) const
{
    const Layout &l = m_layout;
    const int n = int(l.keyFields.size());
    auto column = [&l](int i) {
        QString c = quoteName(l.keyNames.at(i));
        if (!l.keyCollations.at(i).isEmpty())
            c += QStringLiteral(" COLLATE ") + l.keyCollations.at(i);
        return c;
    };
    // NULL sorts first: it is the smallest value going up, the last going down.
    auto strictlyAfter = [&](int i, QString *text) {
        const QVariant v = anchor.value(l.keyFields.at(i));
        const bool desc = l.keyDescending.at(i) != backward;
        if (v.isNull()) {
            if (desc)
                return false;
            *text = column(i) + QStringLiteral(" IS NOT NULL");
            return true;
        }
        *values << v;
        if (!desc)
            *text = column(i) + QStringLiteral(" > ?");
        else if (l.keyNullable.at(i))
            *text = QStringLiteral("(%1 < ? OR %1 IS NULL)").arg(column(i));
        else
            *text = column(i) + QStringLiteral(" < ?");
        return true;
    };
    auto equal = [&](int i) {
        const QVariant v = anchor.value(l.keyFields.at(i));
        if (v.isNull())
            return column(i) + QStringLiteral(" IS NULL");
        *values << v;
        return column(i) + QStringLiteral(" = ?");
    };

    QString text;
    // A plain bound on the first term lets the engine start its index walk there.
    const QVariant first = anchor.value(l.keyFields.at(0));
    const bool firstDesc = l.keyDescending.at(0) != backward;
    if (n > 1 && !first.isNull() && (!firstDesc || !l.keyNullable.at(0))) {
        *values << first;
        text = column(0) + (firstDesc ? QStringLiteral(" <= ? AND ") : QStringLiteral(" >= ? AND "));
    }
    // after(i) = strictlyAfter(i) OR (equal(i) AND after(i + 1)), the key last.
    std::function<QString(int)> after = [&](int i) -> QString {
        QString strict;
        const bool hasStrict = strictlyAfter(i, &strict);
        if (i == n - 1)
            return hasStrict ? strict : QStringLiteral("0");
        if (!hasStrict) {
            const QString eq = equal(i);
            return QStringLiteral("(%1 AND %2)").arg(eq, after(i + 1));
        }
        const QString eq = equal(i);
        const QString rest = after(i + 1);
        return QStringLiteral("(%1 OR (%2 AND %3))").arg(strict, eq, rest);
    };
    return text + after(0);
}

QString RowPager::pinnedCondition(QVariantList *values) const
{
    if (m_pinnedIds.isEmpty() || m_layout.idName.isEmpty())
        return QString();
    QStringList marks;
    for (qint64 id : m_pinnedIds) {
        marks << QStringLiteral("?");
        *values << id;
    }
    return QStringLiteral("%1 NOT IN (%2)").arg(quoteName(m_layout.idName), marks.join(QLatin1Char(',')));
}

QString RowPager::offsetStatement(const QString &where) const
{
    if (!m_layout.offsetOrder.isEmpty())
        return QStringLiteral("SELECT * FROM (%1)%2 ORDER BY %3").arg(m_sql.text, where, m_layout.offsetOrder);
    if (where.isEmpty() && SqlText::findTopLevel(m_sql.text, QLatin1String("LIMIT")) < 0)
        return m_sql.fullText();
    return QStringLiteral("SELECT * FROM (%1)%2").arg(m_sql.fullText(), where);
}

QVector<Row> RowPager::fetch(const Row *anchor, bool backward, int offset, int limit)
{
    if (byKey() && offset > 0 && !anchor) {
        // A far page starts after the row before it, found by its order
        // values alone: the engine skips rows along an index that holds them
        // without reading the rows themselves.
        QVariantList values = m_sql.values;
        const QString pinned = pinnedCondition(&values);
        QStringList columns;
        for (const QString &name : m_layout.keyNames)
            columns << quoteName(name);
        values << offset - 1;
        auto st = m_prepare(Sql(QStringLiteral("SELECT %1 FROM (%2)%3 ORDER BY %4 LIMIT 1 OFFSET ?")
                                    .arg(columns.join(QLatin1Char(',')), m_sql.text,
                                         pinned.isEmpty() ? QString() : QStringLiteral(" WHERE ") + pinned, orderText(backward)),
                                values));
        if (!st->step())
            return {};
        Row before(m_layout.columns);
        for (int i = 0; i < m_layout.keyFields.size(); ++i)
            before.set(m_layout.keyFields.at(i), st->value(i));
        st.reset();
        return fetch(&before, backward, 0, limit);
    }
    QVariantList values = m_sql.values;
    QStringList conditions;
    if (anchor)
        conditions << afterCondition(*anchor, backward, &values);
    const QString pinned = pinnedCondition(&values);
    if (!pinned.isEmpty())
        conditions << pinned;
    const QString where = conditions.isEmpty() ? QString() : QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));

    QString text;
    if (byKey()) {
        text = QStringLiteral("SELECT * FROM (%1)%2 ORDER BY %3").arg(m_sql.text, where, orderText(backward));
    } else {
        text = offsetStatement(where);
    }
    text += QStringLiteral(" LIMIT ?");
    values << limit;
    if (offset > 0 || !byKey()) {
        text += QStringLiteral(" OFFSET ?");
        values << offset;
    }
    QVector<Row> rows;
    rows.reserve(limit);
    auto st = m_prepare(Sql(text, values));
    while (rows.size() < limit && st->step())
        rows.append(readRow(*st));
    if (backward)
        std::reverse(rows.begin(), rows.end());
    return rows;
}

int RowPager::count()
{
    if (m_count >= 0)
        return m_count;
    auto st = m_prepare(SqlText::countOf(Sql(m_sql.text, m_sql.values)));
    int live = st->step() ? int(st->int64(0)) : 0;
    if (!m_pinnedIds.isEmpty()) {
        // Pinned rows are counted at their place, not where the result has them.
        QVariantList values = m_sql.values;
        QStringList marks;
        for (qint64 id : m_pinnedIds) {
            marks << QStringLiteral("?");
            values << id;
        }
        auto in = m_prepare(Sql(QStringLiteral("SELECT COUNT(*) FROM (%1) WHERE %2 IN (%3)")
                                    .arg(m_sql.text, quoteName(m_layout.idName), marks.join(QLatin1Char(','))),
                                values));
        if (in->step())
            live -= int(in->int64(0));
    }
    m_count = live + int(m_pinned.size());
    return m_count;
}

int RowPager::available(int upTo)
{
    if (upTo <= 0)
        return 0;
    if (m_count >= 0)
        return std::min(m_count, upTo);
    if (row(upTo - 1))
        return upTo;
    // Reading ended the live result before upTo, so it is counted now.
    if (m_count >= 0)
        return std::min(m_count, upTo);
    int n = 0;
    while (n < upTo && row(n))
        ++n;
    return n;
}

Row RowPager::readById(qint64 id)
{
    if (m_layout.idName.isEmpty())
        return {};
    QVariantList values = m_sql.values;
    values << id;
    auto st = m_prepare(Sql(QStringLiteral("SELECT * FROM (%1) WHERE %2 = ?").arg(m_sql.text, quoteName(m_layout.idName)), values));
    if (st->columnCount() != m_layout.columns || !st->step())
        return {};
    return readRow(*st);
}

int RowPager::locate(qint64 id)
{
    if (m_layout.idField < 0)
        return -1;
    for (const auto &[pos, r] : m_pinned)
        if (r.integer(m_layout.idField) == id)
            return pos;
    const int cached = m_cache.findId(id, m_layout.idField);
    if (cached >= 0)
        return cached;
    if (m_pinnedIds.contains(id))
        return -1;

    int live = 0;
    if (byKey()) {
        const Row found = readById(id);
        if (found.isEmpty())
            return -1;
        // Its place is the number of rows before it in the order.
        QVariantList values = m_sql.values;
        QString where = afterCondition(found, true, &values);
        const QString pinned = pinnedCondition(&values);
        if (!pinned.isEmpty())
            where += QStringLiteral(" AND ") + pinned;
        auto st = m_prepare(Sql(QStringLiteral("SELECT COUNT(*) FROM (%1) WHERE %2").arg(m_sql.text, where), values));
        live = st->step() ? int(st->int64(0)) : 0;
        const int view = viewOfLive(live);
        if (m_cache.contains(view))
            m_cache.clear(); // the file changed under the cached rows
        const auto range = m_cache.freeRange(view, m_pageSize);
        const int last = std::min(range.second, view + std::min(m_readAhead, m_pageSize));
        int liveAfter = 0;
        for (int v = view + 1; v < last; ++v)
            if (!m_pinned.count(v))
                ++liveAfter;
        QVector<Row> rest = liveAfter > 0 ? fetch(&found, false, 0, liveAfter) : QVector<Row>();
        QVector<Row> rows{found};
        int next = 0;
        for (int v = view + 1; v < last; ++v) {
            const auto p = m_pinned.find(v);
            if (p != m_pinned.end())
                rows.append(p->second);
            else if (next < rest.size())
                rows.append(std::move(rest[next++]));
            else
                break;
        }
        m_cache.insertPage(view, std::move(rows), m_pageSize);
        return view;
    }

    // Without a keyed order: one short pass over the keys.
    QVariantList values = m_sql.values;
    const QString pinned = pinnedCondition(&values);
    auto st = m_prepare(Sql(QStringLiteral("SELECT %1 FROM (%2)")
                                .arg(quoteName(m_layout.idName),
                                     offsetStatement(pinned.isEmpty() ? QString() : QStringLiteral(" WHERE ") + pinned)),
                            values));
    bool hit = false;
    while (st->step()) {
        if (st->int64(0) == id) {
            hit = true;
            break;
        }
        ++live;
    }
    if (!hit) {
        if (m_count < 0)
            m_count = live + int(m_pinned.size());
        return -1;
    }
    const int view = viewOfLive(live);
    const Row *r = row(view);
    return r && r->integer(m_layout.idField) == id ? view : -1;
}

void RowPager::pin(int view, const Row &values)
{
    m_pinned[view] = values;
    if (m_layout.idField >= 0)
        m_pinnedIds.insert(values.integer(m_layout.idField));
    m_cache.update(view, values);
}

void RowPager::removeAt(int view, qint64 id)
{
    m_cache.removeRow(view);
    std::map<int, Row> shifted;
    for (auto &[pos, r] : m_pinned) {
        if (pos < view)
            shifted.emplace(pos, std::move(r));
        else if (pos > view)
            shifted.emplace(pos - 1, std::move(r));
    }
    m_pinned = std::move(shifted);
    m_pinnedIds.remove(id);
    if (m_count > 0)
        --m_count;
}

} // namespace brel
