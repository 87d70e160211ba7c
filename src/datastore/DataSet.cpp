#include "datastore/DataSet.h"

#include "datastore/RowCache.h"
#include "shell/Messages.h"

#include <QCoreApplication>
#include <cmath>
#include <QRegularExpression>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <limits>
#include <map>

namespace brel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("DataSet", text);
}

FieldType typeOfColumn(ColType t)
{
    switch (t) {
    case ColType::Counter:
    case ColType::Integer: return FieldType::Integer;
    case ColType::Money: return FieldType::Money;
    case ColType::Date: return FieldType::Date;
    case ColType::Bit: return FieldType::Bool;
    case ColType::Text: return FieldType::Text;
    case ColType::Memo: return FieldType::Memo;
    }
    return FieldType::Unknown;
}

/// Types a column without a schema entry by its declared type.
FieldType typeOfDecl(const QString &decl, int *size)
{
    const QString d = decl.trimmed().toUpper();
    if (d.isEmpty())
        return FieldType::Unknown;
    if (d == QLatin1String("MONEY") || d == QLatin1String("CURRENCY"))
        return FieldType::Money;
    if (d == QLatin1String("DATE") || d == QLatin1String("DATETIME"))
        return FieldType::Date;
    if (d == QLatin1String("BIT") || d == QLatin1String("BOOLEAN"))
        return FieldType::Bool;
    if (d == QLatin1String("MEMO"))
        return FieldType::Memo;
    if (d.startsWith(QLatin1String("INT")) || d == QLatin1String("COUNTER"))
        return FieldType::Integer;
    if (d == QLatin1String("REAL") || d == QLatin1String("FLOAT") || d == QLatin1String("DOUBLE"))
        return FieldType::Float;
    if (d.startsWith(QLatin1String("TEXT")) || d.contains(QLatin1String("CHAR"))) {
        static const QRegularExpression sizeRx(QStringLiteral("\\((\\d+)\\)"));
        const auto m = sizeRx.match(d);
        if (m.hasMatch())
            *size = m.captured(1).toInt();
        return FieldType::Text;
    }
    return FieldType::Unknown;
}

QVariant parseDateText(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return QVariant();
    if (t.size() == 10) {
        const QDate d = QDate::fromString(t, QStringLiteral("yyyy-MM-dd"));
        if (d.isValid())
            return d;
    }
    for (const char *format : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm", "yyyy-MM-ddTHH:mm:ss"}) {
        const QDateTime dt = QDateTime::fromString(t, QString::fromLatin1(format));
        if (dt.isValid())
            return dt.time() == QTime(0, 0) ? QVariant(dt.date()) : QVariant(dt);
    }
    const QDate d = QDate::fromString(t, QStringLiteral("yyyy-M-d"));
    if (d.isValid())
        return d;
    return QVariant();
}

/// "yyyy-MM-dd" read by hand: this runs for every date of every row read.
QDate quickDate(const QString &t)
{
    if (t.size() != 10 || t.at(4) != QLatin1Char('-') || t.at(7) != QLatin1Char('-'))
        return QDate();
    int parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (int i = starts[p]; i < starts[p] + lengths[p]; ++i) {
            const char16_t c = t.at(i).unicode();
            if (c < u'0' || c > u'9')
                return QDate();
            parts[p] = parts[p] * 10 + (c - u'0');
        }
    }
    return QDate(parts[0], parts[1], parts[2]);
}

/// Stored amounts have four decimals, so the scaled value is an integer up
/// to the REAL's precision; anything else is rounded by Money itself.
Money moneyFromReal(double v)
{
    const double scaled = v * double(Money::Scale);
    const double whole = std::nearbyint(scaled);
    if (std::fabs(scaled - whole) < 1e-6 && std::fabs(whole) < 9e15)
        return Money::fromRaw(qint64(whole));
    return Money::fromDouble(v);
}

/// Converts a stored value into the field's program type.
QVariant fromStorage(const QVariant &raw, FieldType type)
{
    if (raw.isNull())
        return QVariant();
    switch (type) {
    case FieldType::Integer:
        if (raw.metaType().id() == QMetaType::LongLong) {
            const qint64 v = raw.toLongLong();
            if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
                return int(v);
            return v;
        }
        if (raw.metaType().id() == QMetaType::Double)
            return int(raw.toDouble());
        {
            bool ok = false;
            const int v = raw.toString().trimmed().toInt(&ok);
            return ok ? QVariant(v) : raw;
        }
    case FieldType::Money:
        if (raw.metaType().id() == QMetaType::LongLong)
            return QVariant::fromValue(Money::fromInt(raw.toLongLong()));
        if (raw.metaType().id() == QMetaType::Double)
            return QVariant::fromValue(moneyFromReal(raw.toDouble()));
        if (const auto m = Money::parse(raw.toString()))
            return QVariant::fromValue(*m);
        return raw.toString().trimmed().isEmpty() ? QVariant() : raw;
    case FieldType::Date:
        if (raw.metaType().id() == QMetaType::QString) {
            const QString text = raw.toString();
            const QDate quick = quickDate(text);
            if (quick.isValid())
                return quick;
            const QVariant v = parseDateText(text);
            return v.isNull() && !raw.toString().trimmed().isEmpty() ? raw : v;
        }
        return raw;
    case FieldType::Bool:
        if (raw.metaType().id() == QMetaType::QString) {
            const QString t = raw.toString().trimmed().toLower();
            if (t.isEmpty())
                return QVariant();
            return t == QLatin1String("true") || t == QLatin1String("yes") || (t != QLatin1String("0") && t.toInt() != 0);
        }
        return raw.toDouble() != 0;
    case FieldType::Float:
        return raw.toDouble();
    case FieldType::Text:
    case FieldType::Memo:
        return raw.metaType().id() == QMetaType::QString ? raw : QVariant(raw.toString());
    case FieldType::Unknown:
        return raw;
    }
    return raw;
}

/// The statement for one row of the base table whatever its own condition:
/// the text up to its top-level WHERE, the values bound before it, and a
/// condition on the key. Empty when the text is not a plain SELECT.
Sql rowStatement(const Sql &sql, const QString &table, qint64 id)
{
    const QString &t = sql.text;
    int depth = 0;
    int marks = 0;
    int where = -1;
    QChar quote;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            quote = c;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            --depth;
        } else if (c == QLatin1Char('?')) {
            ++marks;
        } else if (depth == 0 && (i == 0 || !t.at(i - 1).isLetterOrNumber()) && t.mid(i, 5).compare(QLatin1String("WHERE"), Qt::CaseInsensitive) == 0
                   && (i + 5 >= t.size() || !t.at(i + 5).isLetterOrNumber())) {
            where = i;
            break;
        } else if (depth == 0 && (t.mid(i, 5).compare(QLatin1String("GROUP"), Qt::CaseInsensitive) == 0
                                  || t.mid(i, 5).compare(QLatin1String("UNION"), Qt::CaseInsensitive) == 0)) {
            return Sql();
        }
    }
    QVariantList values = where < 0 ? sql.values : sql.values.mid(0, marks);
    values << id;
    const QString head = where < 0 ? t : t.left(where);
    return Sql(head + QStringLiteral(" WHERE %1.ID=?").arg(table), values);
}

/// Where a keyword stands outside brackets and quotes, or -1; *marks counts
/// the `?` before it.
int topLevel(const QString &t, QLatin1String word, int *marks = nullptr)
{
    int depth = 0;
    int n = 0;
    QChar quote;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            quote = c;
        } else if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            --depth;
        } else if (c == QLatin1Char('?')) {
            ++n;
        } else if (depth == 0 && (i == 0 || !(t.at(i - 1).isLetterOrNumber() || t.at(i - 1) == QLatin1Char('_')))
                   && t.mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0
                   && (i + word.size() >= t.size() || !(t.at(i + word.size()).isLetterOrNumber() || t.at(i + word.size()) == QLatin1Char('_')))) {
            if (marks)
                *marks = n;
            return i;
        }
    }
    return -1;
}

/// COUNT(*) over the statement's own FROM and WHERE, so the engine need not
/// build the columns; the wrapped form for anything less plain.
Sql countOf(const Sql &sql)
{
    const QString &t = sql.text;
    for (const char *word : {"DISTINCT", "GROUP", "HAVING", "UNION", "INTERSECT", "EXCEPT", "LIMIT"})
        if (topLevel(t, QLatin1String(word)) >= 0)
            return sql.countStatement();
    int marks = 0;
    const int from = topLevel(t, QLatin1String("FROM"), &marks);
    if (from < 0 || !t.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive))
        return sql.countStatement();
    return Sql(QStringLiteral("SELECT COUNT(*) ") + t.mid(from), sql.values.mid(marks));
}

/// The schema's columns by table and column name as the engine reports them
/// (the names the tables were made with), built once: opening a result looks
/// up every column. Other spellings fall back to the schema's own search.
const ColumnDef *schemaColumn(const QString &table, const QString &column)
{
    using Columns = QHash<QString, const ColumnDef *>;
    static const QHash<QString, Columns> byName = [] {
        QHash<QString, Columns> h;
        for (const TableDef &t : Schema::tables()) {
            Columns &cols = h[t.name];
            for (const ColumnDef &c : t.columns)
                cols.insert(c.name, &c);
        }
        return h;
    }();
    const auto t = byName.constFind(table);
    if (t != byName.constEnd()) {
        const auto c = t->constFind(column);
        if (c != t->constEnd())
            return *c;
    }
    return Schema::column(table, column);
}

bool isBlankText(const QVariant &v)
{
    return v.metaType().id() == QMetaType::QString && v.toString().trimmed().isEmpty();
}

} // namespace

// ------------------------------------------------------------------ Private

class DataSet::Private {
public:
    explicit Private(DataSet *q) : q(q) {}

    DataSet *q;
    RowCache cache;
    int pageSize = 256;
    /// Rows read per trip to the engine (about a screenful); they join the
    /// page before them up to pageSize rows.
    int readAhead = 50;

    // The forward cursor: the statement in order, `pos` counts the rows of the
    // live result (without pinned rows) it has handed out.
    std::unique_ptr<Statement> cursor;
    int cursorPos = 0;
    bool cursorPending = false; ///< the statement already holds row `pos`
    bool cursorEnd = false;

    QString table;      ///< resolved base table
    int idField = -1;

    // Rows this data set wrote, kept at their place: position → row.
    std::map<int, Row> pinned;
    QSet<qint64> pinnedIds;

    int count = -1;     ///< rows of the view; -1 = not yet counted
    int fetched = 0;

    Row current;        ///< the current row as read
    Row buffer;         ///< the record being edited
    QVector<bool> changed;
    int returnRow = -1; ///< where cancel of an append goes back to
    bool returnBof = true;
    bool returnEof = true;

    qint64 boundMasterId = 0;
    bool masterBound = false;
    QList<QMetaObject::Connection> masterLinks;

    std::unique_ptr<Statement> prepare(const Sql &sql) const;
    void dropCursor()
    {
        cursor.reset();
        cursorPos = 0;
        cursorPending = false;
        cursorEnd = false;
    }
    void clearRows()
    {
        dropCursor();
        cache.clear();
        pinned.clear();
        pinnedIds.clear();
        count = -1;
    }
    int pinnedBefore(int view) const
    {
        int n = 0;
        for (auto it = pinned.begin(); it != pinned.end() && it->first < view; ++it)
            ++n;
        return n;
    }
    /// Live index → view position (skipping pinned places).
    int viewOfLive(int live) const
    {
        int v = live;
        for (const auto &[pos, row] : pinned) {
            if (pos <= v)
                ++v;
            else
                break;
        }
        return v;
    }
    Row readRow(const Statement &st);
    /// prior() (-1) and next() (+1).
    void stepBy(int delta);
    /// Hands out the next live row that is not pinned; false at the end.
    bool stepLive();
    /// Positions the cursor so that the next stepLive() gives live row `live`.
    void seekLive(int live);
    /// Reads the rows of the view from `first` up to `last` into the cache
    /// with the cursor already positioned there.
    void readRun(int first, int last);
    const Row *row(int view);
    bool exists(int view) { return row(view) != nullptr; }
    void pin(int view, const Row &values)
    {
        pinned[view] = values;
        if (idField >= 0)
            pinnedIds.insert(values.value(idField).toLongLong());
        cache.update(view, values);
    }
    void removeAt(int view);
    int viewCount();
    Row reread(qint64 id);
};

std::unique_ptr<Statement> DataSet::Private::prepare(const Sql &sql) const
{
    auto st = q->m_db->prepare(sql);
    // Named parameters of a detail take the fields of the same name of the
    // master's current row.
    for (int i = 0; i < st->parameterCount(); ++i) {
        const QString name = st->parameterName(i);
        if (name.isEmpty() || name.at(0).isDigit())
            continue;
        QVariant value;
        if (q->m_master && q->m_master->isActive() && !q->m_master->isEmpty()) {
            const int f = q->m_master->fieldIndex(name);
            if (f >= 0)
                value = q->m_master->value(f);
        }
        st->bind(i, value);
    }
    return st;
}

Row DataSet::Private::readRow(const Statement &st)
{
    const int n = int(q->m_fields.size());
    Row r;
    r.reserve(n);
    for (int i = 0; i < n; ++i) {
        QVariant v = st.value(i);
        const FieldType type = q->m_fields.at(i).type;
        // Text arrives as it is kept; only other types need converting.
        const bool asIs = v.isNull() || type == FieldType::Unknown
                          || ((type == FieldType::Text || type == FieldType::Memo) && v.metaType().id() == QMetaType::QString);
        if (asIs)
            r.append(std::move(v));
        else
            r.append(fromStorage(v, type));
    }
    ++fetched;
    return r;
}

bool DataSet::Private::stepLive()
{
    if (cursorPending) {
        cursorPending = false;
        return true;
    }
    if (cursorEnd || !cursor)
        return false;
    while (cursor->step()) {
        if (!pinnedIds.isEmpty() && pinnedIds.contains(cursor->int64(idField)))
            continue;
        return true;
    }
    cursorEnd = true;
    return false;
}

void DataSet::Private::seekLive(int live)
{
    if (!cursor || cursorPos > live) {
        dropCursor();
        cursor = prepare(q->m_sql);
    }
    while (cursorPos < live) {
        if (!stepLive())
            return;
        ++cursorPos;
    }
}

void DataSet::Private::readRun(int first, int last)
{
    QVector<Row> rows;
    rows.reserve(last - first);
    for (int v = first; v < last; ++v) {
        auto p = pinned.find(v);
        if (p != pinned.end()) {
            rows.append(p->second);
            continue;
        }
        if (!stepLive()) {
            // The live result ends here: only appended rows can follow.
            if (count < 0)
                count = cursorPos + int(pinned.size());
            break;
        }
        rows.append(readRow(*cursor));
        ++cursorPos;
    }
    cache.insertPage(first, std::move(rows), pageSize);
}

const Row *DataSet::Private::row(int view)
{
    if (view < 0 || q->m_state == State::Inactive)
        return nullptr;
    if (count >= 0 && view >= count)
        return nullptr;
    if (const Row *r = cache.find(view))
        return r;
    auto p = pinned.find(view);
    if (p != pinned.end())
        return &p->second;
    const auto range = cache.freeRange(view, pageSize);
    const int chunk = std::min(readAhead, pageSize);
    const int first = std::max(range.first, view / chunk * chunk);
    const int last = std::min(range.second, first + chunk);
    seekLive(first - pinnedBefore(first));
    readRun(first, last);
    return cache.find(view);
}

void DataSet::Private::removeAt(int view)
{
    cache.removeRow(view);
    std::map<int, Row> shifted;
    for (auto &[pos, r] : pinned) {
        if (pos < view)
            shifted.emplace(pos, std::move(r));
        else if (pos > view)
            shifted.emplace(pos - 1, std::move(r));
    }
    pinned = std::move(shifted);
    if (count > 0)
        --count;
    dropCursor();
}

int DataSet::Private::viewCount()
{
    if (count >= 0)
        return count;
    if (pinned.empty()) {
        auto st = prepare(countOf(q->m_sql));
        count = st->step() ? int(st->int64(0)) : 0;
        return count;
    }
    // Pinned rows are counted at their place, not where the live result has them.
    auto st = prepare(q->m_sql);
    int live = 0;
    while (st->step())
        if (!pinnedIds.contains(st->int64(idField)))
            ++live;
    count = live + int(pinned.size());
    return count;
}

Row DataSet::Private::reread(qint64 id)
{
    const FieldInfo &idInfo = q->m_fields.at(idField);
    QVariantList values = q->m_sql.values;
    values << id;
    try {
        // Running the statement again for this row recomputes computed columns.
        const QString name = QString(idInfo.name).remove(QLatin1Char('"'));
        auto st = prepare(Sql(QStringLiteral("SELECT * FROM (%1) WHERE \"%2\"=?").arg(q->m_sql.text, name), values));
        if (st->columnCount() == q->m_fields.size() && st->step())
            return readRow(*st);
    } catch (const EngineError &) {
        // A statement that cannot be wrapped falls back to the base table.
    }
    // The row no longer matches the statement: compute its columns without
    // the statement's condition.
    const Sql unfiltered = rowStatement(q->m_sql, table, id);
    if (!unfiltered.text.isEmpty()) {
        try {
            auto st = prepare(unfiltered);
            if (st->columnCount() == q->m_fields.size() && st->step())
                return readRow(*st);
        } catch (const EngineError &) {
            // An alias or a join the key condition does not fit: read the table.
        }
    }
    Row r = buffer;
    auto st = q->m_db->prepare(Sql(QStringLiteral("SELECT * FROM %1 WHERE ID=?").arg(table), {id}));
    if (st->step()) {
        for (int c = 0; c < st->columnCount(); ++c) {
            const QString col = st->columnName(c);
            for (int f = 0; f < q->m_fields.size(); ++f) {
                const FieldInfo &fi = q->m_fields.at(f);
                if (fi.table.compare(table, Qt::CaseInsensitive) == 0 && fi.column.compare(col, Qt::CaseInsensitive) == 0)
                    r[f] = fromStorage(st->value(c), fi.type);
            }
        }
        ++fetched;
    }
    r[idField] = id;
    return r;
}

// ------------------------------------------------------------------ DataSet

DataSet::DataSet(Database *db, QObject *parent) : QObject(parent), d(std::make_unique<Private>(this)), m_db(db)
{
    if (m_db)
        connect(m_db, &Database::aboutToClose, this, &DataSet::close);
}

DataSet::~DataSet()
{
    d->clearRows();
}

void DataSet::setSql(const Sql &sql)
{
    m_sql = sql;
}

void DataSet::setBaseTable(const QString &table)
{
    m_baseTable = table;
}

QString DataSet::baseTable() const
{
    if (!m_baseTable.isEmpty())
        return m_baseTable;
    if (!d->table.isEmpty())
        return d->table;
    static const QRegularExpression fromRx(QStringLiteral("\\bFROM\\s+\"?([A-Za-z_][A-Za-z0-9_]*)"),
                                           QRegularExpression::CaseInsensitiveOption);
    const auto m = fromRx.match(m_sql.text);
    return m.hasMatch() ? m.captured(1) : QString();
}

void DataSet::setMaster(DataSet *master)
{
    for (const auto &c : d->masterLinks)
        disconnect(c);
    d->masterLinks.clear();
    m_master = master;
    if (!master)
        return;
    auto rerun = [this](bool always) {
        if (!m_master || !m_master->isActive()) {
            close();
            return;
        }
        const qint64 id = m_master->currentId();
        if (!always && isActive() && d->masterBound && id == d->boundMasterId)
            return;
        if (isEditing())
            cancel();
        close();
        open();
    };
    d->masterLinks << connect(master, &DataSet::afterScroll, this, [rerun] { rerun(true); });
    d->masterLinks << connect(master, &DataSet::dataChanged, this, [rerun](int field) {
        if (field < 0)
            rerun(false);
    });
    d->masterLinks << connect(master, &DataSet::afterClose, this, &DataSet::close);
}

void DataSet::open()
{
    if (isActive())
        return;
    if (!m_db)
        throw EngineError(tr("数据集没有连接到数据库。"));
    d->clearRows();
    m_fields.clear();
    d->idField = -1;
    d->table.clear();

    auto st = d->prepare(m_sql);
    const int n = st->columnCount();
    QString idTable;
    for (int i = 0; i < n; ++i) {
        if (st->columnOrigin(i).compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0 && !st->columnTable(i).isEmpty()) {
            idTable = st->columnTable(i);
            break;
        }
    }
    d->table = m_baseTable.isEmpty() ? idTable : m_baseTable;
    if (d->table.isEmpty())
        d->table = baseTable();

    m_fields.reserve(n);
    for (int i = 0; i < n; ++i) {
        FieldInfo f;
        f.name = st->columnName(i);
        f.table = st->columnTable(i);
        f.column = st->columnOrigin(i);
        const ColumnDef *def = f.table.isEmpty() ? nullptr : schemaColumn(f.table, f.column);
        if (def) {
            f.type = typeOfColumn(def->type);
            f.size = def->type == ColType::Text ? def->size : 0;
        } else {
            f.type = typeOfDecl(st->columnDeclType(i), &f.size);
        }
        const bool isId = !f.table.isEmpty() && f.column.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0;
        const bool own = f.table.compare(d->table, Qt::CaseInsensitive) == 0;
        if (isId && own && d->idField < 0)
            d->idField = i;
        f.readOnly = f.table.isEmpty() || !own || isId;
        if (isId && f.type == FieldType::Unknown)
            f.type = FieldType::Integer;
        m_fields.append(std::move(f));
    }
    d->cursor = std::move(st);
    if (m_master) {
        d->masterBound = true;
        d->boundMasterId = m_master->isActive() ? m_master->currentId() : 0;
    }

    m_state = State::Browse;
    const Row *r = d->row(0);
    m_row = r ? 0 : -1;
    d->current = r ? *r : Row();
    m_bof = true;
    m_eof = r == nullptr;
    emit stateChanged(m_state);
    emit afterOpen();
    emit afterScroll();
    emit dataChanged(-1);
}

void DataSet::close()
{
    if (!isActive())
        return;
    d->clearRows();
    d->buffer.clear();
    d->current.clear();
    d->masterBound = false;
    m_state = State::Inactive;
    m_row = -1;
    m_bof = m_eof = true;
    emit stateChanged(m_state);
    emit afterClose();
}

void DataSet::refresh()
{
    if (!isActive()) {
        open();
        return;
    }
    if (isEditing())
        post();
    const qint64 id = currentId();
    const int oldRow = m_row;
    d->clearRows();
    const Row *r = oldRow >= 0 ? d->row(oldRow) : nullptr;
    if (r && d->idField >= 0 && r->value(d->idField).toLongLong() == id) {
        d->current = *r;
    } else {
        int found = -1;
        if (id != 0 && d->idField >= 0) {
            // Look for the row by ID, reading only the key.
            auto st = d->prepare(m_sql);
            for (int i = 0; st->step(); ++i) {
                if (st->int64(d->idField) == id) {
                    found = i;
                    break;
                }
            }
        }
        if (found < 0)
            found = oldRow >= 0 && d->exists(oldRow) ? oldRow : std::max(0, d->viewCount() - 1);
        r = d->row(found);
        m_row = r ? found : -1;
        d->current = r ? *r : Row();
    }
    m_bof = m_row <= 0;
    m_eof = m_row < 0 || !d->exists(m_row + 1);
    emit afterScroll();
    emit dataChanged(-1);
}

bool DataSet::canModify() const
{
    return isActive() && d->idField >= 0 && !d->table.isEmpty();
}

// ------------------------------------------------------------------- Cursor

void DataSet::first()
{
    if (!isActive())
        return;
    if (isEditing())
        post();
    const int old = m_row;
    const Row *r = d->row(0);
    m_bof = true;
    m_eof = r == nullptr;
    if (!r || old == 0)
        return;
    m_row = 0;
    d->current = *r;
    emit afterScroll();
    emit dataChanged(-1);
}

void DataSet::prior()
{
    d->stepBy(-1);
}

void DataSet::next()
{
    d->stepBy(1);
}

void DataSet::Private::stepBy(int delta)
{
    if (!q->isActive())
        return;
    if (q->isEditing())
        q->post();
    // Running off either end only sets the flag; the current row stays.
    bool &edge = delta < 0 ? q->m_bof : q->m_eof;
    const int target = q->m_row + delta;
    const Row *r = q->m_row >= 0 && target >= 0 ? row(target) : nullptr;
    if (!r) {
        edge = true;
        return;
    }
    q->m_row = target;
    current = *r;
    q->m_bof = false;
    q->m_eof = false;
    emit q->afterScroll();
    emit q->dataChanged(-1);
}

void DataSet::last()
{
    if (!isActive())
        return;
    if (isEditing())
        post();
    const int n = d->viewCount();
    const Row *r = n > 0 ? d->row(n - 1) : nullptr;
    m_eof = true;
    m_bof = r == nullptr;
    if (!r || m_row == n - 1)
        return;
    m_row = n - 1;
    d->current = *r;
    emit afterScroll();
    emit dataChanged(-1);
}

bool DataSet::isEmpty() const
{
    if (!isActive())
        return true;
    if (m_state == State::Insert)
        return false;
    return m_row < 0;
}

int DataSet::recordCount() const
{
    if (!isActive())
        return 0;
    return d->viewCount();
}

void DataSet::moveTo(int row)
{
    if (!isActive())
        return;
    if (isEditing())
        post();
    const Row *r = d->row(row);
    if (!r)
        return;
    m_bof = m_eof = false;
    if (row == m_row)
        return;
    m_row = row;
    d->current = *r;
    emit afterScroll();
    emit dataChanged(-1);
}

bool DataSet::locate(qint64 id)
{
    if (!isActive() || d->idField < 0)
        return false;
    if (isEditing())
        post();
    if (id == currentId() && m_row >= 0) {
        m_bof = m_eof = false;
        return true;
    }
    int found = -1;
    for (const auto &[pos, r] : d->pinned) {
        if (r.value(d->idField).toLongLong() == id) {
            found = pos;
            break;
        }
    }
    if (found < 0)
        found = d->cache.findId(id, d->idField);
    if (found < 0 && !d->pinnedIds.contains(id)) {
        // One pass over the result reading only the key; the statement then
        // carries on as the cursor from the row found.
        d->dropCursor();
        d->cursor = d->prepare(m_sql);
        int live = 0;
        bool hit = false;
        while (d->cursor->step()) {
            const qint64 rowId = d->cursor->int64(d->idField);
            if (!d->pinnedIds.isEmpty() && d->pinnedIds.contains(rowId))
                continue;
            if (rowId == id) {
                hit = true;
                break;
            }
            ++live;
        }
        if (!hit) {
            d->cursorEnd = true;
            if (d->count < 0)
                d->count = live + int(d->pinned.size());
            d->cursorPos = live;
            return false;
        }
        d->cursorPos = live;
        d->cursorPending = true;
        found = d->viewOfLive(live);
        if (!d->cache.contains(found)) {
            const auto range = d->cache.freeRange(found, d->pageSize);
            d->readRun(found, std::min(range.second, found + std::min(d->readAhead, d->pageSize)));
        }
    }
    if (found < 0)
        return false;
    const Row *r = d->row(found);
    if (!r)
        return false;
    m_bof = m_eof = false;
    m_row = found;
    d->current = *r;
    emit afterScroll();
    emit dataChanged(-1);
    return true;
}

bool DataSet::locate(const QString &field, const QVariant &value)
{
    if (!isActive())
        return false;
    const int f = fieldIndex(field);
    if (f < 0)
        throw EngineError(tr("结果中没有字段“%1”。").arg(field));
    if (isEditing())
        post();
    const QVariant wanted = value.isNull() ? QVariant() : fromStorage(toStorage(value), m_fields.at(f).type);
    for (int i = 0;; ++i) {
        const Row *r = d->row(i);
        if (!r)
            return false;
        const QVariant &v = r->at(f);
        // Plain values of different types (a typed number against the text of
        // a computed column) compare by text; program types only by value.
        const bool plain = v.metaType().id() < QMetaType::User && wanted.metaType().id() < QMetaType::User;
        const bool same = wanted.isNull() ? v.isNull()
                                          : (!v.isNull() && (v == wanted || (plain && v.toString() == wanted.toString())));
        if (same) {
            const Row copy = *r;
            m_bof = m_eof = false;
            if (m_row != i) {
                m_row = i;
                d->current = copy;
                emit afterScroll();
                emit dataChanged(-1);
            }
            return true;
        }
    }
}

DataSet::Bookmark DataSet::bookmark() const
{
    return currentId();
}

bool DataSet::gotoBookmark(Bookmark mark)
{
    return mark != 0 && locate(mark);
}

// ------------------------------------------------------------------- Fields

int DataSet::fieldCount() const
{
    return int(m_fields.size());
}

int DataSet::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const FieldInfo &DataSet::fieldInfo(int index) const
{
    if (index < 0 || index >= m_fields.size())
        throw EngineError(tr("字段序号 %1 超出范围。").arg(index));
    return m_fields.at(index);
}

QVariant DataSet::value(const QString &field) const
{
    const int f = fieldIndex(field);
    if (f < 0)
        throw EngineError(tr("结果中没有字段“%1”。").arg(field));
    return value(f);
}

QVariant DataSet::value(int field) const
{
    const Row &r = isEditing() ? d->buffer : d->current;
    return field >= 0 && field < r.size() ? r.at(field) : QVariant();
}

QString DataSet::asText(const QString &field) const
{
    const QVariant v = value(field);
    if (v.isNull())
        return QString();
    const int type = v.metaType().id();
    if (type == qMetaTypeId<Money>())
        return v.value<Money>().toString();
    switch (type) {
    case QMetaType::QDate: return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QDateTime: return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case QMetaType::Bool: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double: return QString::number(v.toDouble(), 'g', 15);
    default: return v.toString();
    }
}

int DataSet::asInt(const QString &field) const
{
    return int(asInt64(field));
}

qint64 DataSet::asInt64(const QString &field) const
{
    const QVariant v = value(field);
    if (v.isNull())
        return 0;
    if (v.metaType().id() == qMetaTypeId<Money>())
        return v.value<Money>().raw() / Money::Scale;
    if (v.metaType().id() == QMetaType::QString)
        return v.toString().trimmed().toLongLong();
    return v.toLongLong();
}

Money DataSet::asMoney(const QString &field) const
{
    const QVariant v = value(field);
    if (v.isNull())
        return Money();
    if (v.metaType().id() == qMetaTypeId<Money>())
        return v.value<Money>();
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
        return Money::fromInt(v.toLongLong());
    case QMetaType::Double:
        return Money::fromDouble(v.toDouble());
    default:
        return Money::parse(v.toString()).value_or(Money());
    }
}

QDate DataSet::asDate(const QString &field) const
{
    return asDateTime(field).date();
}

QDateTime DataSet::asDateTime(const QString &field) const
{
    const QVariant v = value(field);
    switch (v.metaType().id()) {
    case QMetaType::QDate: return v.toDate().startOfDay();
    case QMetaType::QDateTime: return v.toDateTime();
    case QMetaType::QString: {
        const QVariant p = parseDateText(v.toString());
        return p.metaType().id() == QMetaType::QDate ? p.toDate().startOfDay() : p.toDateTime();
    }
    default: return QDateTime();
    }
}

bool DataSet::asBool(const QString &field) const
{
    const QVariant v = value(field);
    if (v.isNull())
        return false;
    if (v.metaType().id() == QMetaType::QString)
        return fromStorage(v, FieldType::Bool).toBool();
    return v.toBool();
}

bool DataSet::isNull(const QString &field) const
{
    return value(field).isNull();
}

qint64 DataSet::currentId() const
{
    if (d->idField < 0 || !isActive())
        return 0;
    const Row &r = isEditing() ? d->buffer : d->current;
    return d->idField < r.size() ? r.at(d->idField).toLongLong() : 0;
}

namespace {

/// Turns what a box or the program hands in into the field's type; refuses
/// what does not fit with a message naming the field.
QVariant toFieldType(const FieldInfo &f, const QVariant &input)
{
    if (!input.isValid() || input.isNull() || isBlankText(input))
        return QVariant();
    const int type = input.metaType().id();
    const QString text = type == QMetaType::QString ? input.toString().trimmed() : QString();
    switch (f.type) {
    case FieldType::Integer: {
        if (type == QMetaType::QString) {
            bool ok = false;
            const qint64 v = text.toLongLong(&ok);
            if (!ok || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
                throw EngineError(tr("“%1”输入不正确：“%2”不是整数。").arg(f.name, input.toString()));
            return int(v);
        }
        if (type == QMetaType::Double)
            return int(input.toDouble());
        if (type == qMetaTypeId<Money>())
            return int(input.value<Money>().raw() / Money::Scale);
        bool ok = false;
        const qint64 v = input.toLongLong(&ok);
        if (!ok)
            throw EngineError(tr("“%1”输入不正确：不是整数。").arg(f.name));
        return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max() ? QVariant(int(v)) : QVariant(v);
    }
    case FieldType::Money: {
        if (type == qMetaTypeId<Money>())
            return input;
        if (type == QMetaType::QString) {
            const auto m = Money::parse(text);
            if (!m)
                throw EngineError(tr("“%1”输入不正确：“%2”不是金额。").arg(f.name, input.toString()));
            return QVariant::fromValue(*m);
        }
        if (type == QMetaType::Double || type == QMetaType::Float)
            return QVariant::fromValue(Money::fromDouble(input.toDouble()));
        bool ok = false;
        const qint64 v = input.toLongLong(&ok);
        if (!ok)
            throw EngineError(tr("“%1”输入不正确：不是金额。").arg(f.name));
        return QVariant::fromValue(Money::fromInt(v));
    }
    case FieldType::Date: {
        if (type == QMetaType::QDate)
            return input.toDate().isValid() ? input : QVariant();
        if (type == QMetaType::QDateTime) {
            const QDateTime dt = input.toDateTime();
            return dt.time() == QTime(0, 0) ? QVariant(dt.date()) : QVariant(dt);
        }
        const QVariant v = parseDateText(input.toString());
        if (v.isNull())
            throw EngineError(tr("“%1”日期输入不正确：“%2”。").arg(f.name, input.toString()));
        return v;
    }
    case FieldType::Bool:
        if (type == QMetaType::QString)
            return fromStorage(input, FieldType::Bool);
        return input.toBool();
    case FieldType::Float: {
        bool ok = false;
        const double v = type == QMetaType::QString ? text.toDouble(&ok) : input.toDouble(&ok);
        if (!ok)
            throw EngineError(tr("“%1”输入不正确：“%2”不是数字。").arg(f.name, input.toString()));
        return v;
    }
    case FieldType::Text:
    case FieldType::Memo:
        return type == QMetaType::QString ? input : QVariant(input.toString());
    case FieldType::Unknown:
        return input;
    }
    return input;
}

} // namespace

void DataSet::setValue(const QString &field, const QVariant &value)
{
    const int f = fieldIndex(field);
    if (f < 0)
        throw EngineError(tr("结果中没有字段“%1”。").arg(field));
    setValue(f, value);
}

void DataSet::setValue(int field, const QVariant &value)
{
    const FieldInfo &f = fieldInfo(field);
    if (f.readOnly)
        throw EngineError(tr("“%1”不能修改。").arg(f.name));
    const QVariant typed = toFieldType(f, value);
    if (!isEditing())
        edit();
    d->buffer[field] = typed;
    d->changed[field] = true;
    emit dataChanged(field);
}

QVariant DataSet::valueAt(int row, int field) const
{
    if (m_state == State::Browse) {
        if (const Row *r = d->cache.find(row))
            return field >= 0 && field < r->size() ? r->at(field) : QVariant();
    }
    if (isEditing() && row == m_row)
        return field >= 0 && field < d->buffer.size() ? d->buffer.at(field) : QVariant();
    const Row *r = d->row(row);
    return r && field >= 0 && field < r->size() ? r->at(field) : QVariant();
}

int DataSet::fetchedRowCount() const
{
    return d->fetched;
}

int DataSet::availableRows(int upTo) const
{
    if (!isActive() || upTo <= 0)
        return 0;
    if (d->count >= 0)
        return std::min(d->count, upTo);
    if (d->row(upTo - 1))
        return upTo;
    // Reading ended the live result before upTo, so it is counted now.
    if (d->count >= 0)
        return std::min(d->count, upTo);
    int n = 0;
    while (n < upTo && d->row(n))
        ++n;
    return n;
}

void DataSet::setReadAhead(int rows)
{
    d->readAhead = std::max(1, rows);
}

int DataSet::readAhead() const
{
    return d->readAhead;
}

void DataSet::setPageSize(int rows)
{
    d->pageSize = std::max(1, rows);
}

int DataSet::pageSize() const
{
    return d->pageSize;
}

void DataSet::setCacheLimit(int pages)
{
    d->cache.setMaxPages(pages);
}

// ------------------------------------------------------------------ Editing

void DataSet::append()
{
    if (!isActive())
        throw EngineError(tr("数据集没有打开。"));
    if (!canModify())
        throw EngineError(tr("这个结果不能修改。"));
    if (isEditing())
        post();
    d->returnRow = m_row;
    d->returnBof = m_bof;
    d->returnEof = m_eof;
    d->buffer = Row(m_fields.size());
    d->changed = QVector<bool>(m_fields.size(), false);
    m_row = d->viewCount();
    m_bof = false;
    m_eof = true;
    m_state = State::Insert;
    emit stateChanged(m_state);
    emit newRecord();
    emit dataChanged(-1);
}

void DataSet::edit()
{
    if (isEditing())
        return;
    if (!isActive())
        throw EngineError(tr("数据集没有打开。"));
    if (!canModify())
        throw EngineError(tr("这个结果不能修改。"));
    if (m_row < 0)
        throw EngineError(tr("没有可以修改的记录。"));
    d->buffer = d->current;
    d->changed = QVector<bool>(m_fields.size(), false);
    m_state = State::Edit;
    emit stateChanged(m_state);
}

void DataSet::post()
{
    if (!isEditing())
        return;
    PostVeto veto;
    emit aboutToPost(&veto);
    if (veto.abandon)
        return;
    emit beforePost(&veto);
    if (veto.abandon)
        return;

    QStringList columns;
    QVariantList values;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (!d->changed.at(i))
            continue;
        const FieldInfo &f = m_fields.at(i);
        const QVariant &v = d->buffer.at(i);
        if ((f.type == FieldType::Text || f.type == FieldType::Unknown) && f.size > 0 && !v.isNull()
            && v.toString().size() > f.size)
            throw EngineError(tr("“%1”的内容太长，最多 %2 个字符。").arg(f.column.isEmpty() ? f.name : f.column).arg(f.size));
        columns << f.column;
        values << v;
    }

    qint64 id = currentId();
    if (m_state == State::Insert) {
        if (columns.isEmpty()) {
            m_db->execute(Sql(QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(d->table)));
        } else {
            QStringList marks;
            for (int i = 0; i < columns.size(); ++i)
                marks << QStringLiteral("?");
            m_db->execute(Sql(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(d->table, columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                              values));
        }
        id = m_db->lastInsertId();
    } else if (!columns.isEmpty()) {
        QStringList sets;
        for (const QString &c : columns)
            sets << c + QStringLiteral("=?");
        values << id;
        m_db->execute(Sql(QStringLiteral("UPDATE %1 SET %2 WHERE ID=?").arg(d->table, sets.join(QLatin1Char(','))), values));
    }

    if (m_state == State::Insert || !columns.isEmpty()) {
        d->dropCursor();
        const Row r = d->reread(id);
        if (m_state == State::Insert && d->count >= 0)
            ++d->count;
        d->pin(m_row, r);
        d->current = r;
    }
    d->buffer.clear();
    m_bof = false;
    m_eof = false;
    m_state = State::Browse;
    emit stateChanged(m_state);
    emit afterPost();
    emit dataChanged(-1);
}

void DataSet::cancel()
{
    if (!isEditing())
        return;
    if (m_state == State::Insert) {
        m_row = d->returnRow;
        m_bof = d->returnBof;
        m_eof = d->returnEof;
    }
    d->buffer.clear();
    m_state = State::Browse;
    emit stateChanged(m_state);
    emit afterCancel();
    emit dataChanged(-1);
}

void DataSet::remove()
{
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (!isActive())
        throw EngineError(tr("数据集没有打开。"));
    if (!canModify())
        throw EngineError(tr("这个结果不能修改。"));
    if (m_row < 0)
        throw EngineError(tr("没有可以删除的记录。"));
    const qint64 id = currentId();
    m_db->execute(Sql(QStringLiteral("DELETE FROM %1 WHERE ID=?").arg(d->table), {id}));
    if (m_state == State::Edit) {
        d->buffer.clear();
        m_state = State::Browse;
        emit stateChanged(m_state);
    }
    d->pinnedIds.remove(id);
    d->removeAt(m_row);
    const Row *r = d->row(m_row);
    if (!r && m_row > 0) {
        --m_row;
        r = d->row(m_row);
    }
    if (r) {
        d->current = *r;
        m_bof = m_row == 0;
        m_eof = !d->exists(m_row + 1);
    } else {
        m_row = -1;
        d->current.clear();
        m_bof = m_eof = true;
    }
    emit afterDelete();
    emit afterScroll();
    emit dataChanged(-1);
}

// --------------------------------------------------------------- DataSource

DataSource::DataSource(QObject *parent) : QObject(parent) {}

void DataSource::setDataSet(DataSet *dataSet)
{
    if (m_dataSet == dataSet && (dataSet || m_links.isEmpty()))
        return;
    for (const auto &c : m_links)
        disconnect(c);
    m_links.clear();
    m_dataSet = dataSet;
    if (dataSet) {
        m_links << connect(dataSet, &DataSet::stateChanged, this, &DataSource::stateChanged);
        m_links << connect(dataSet, &DataSet::dataChanged, this, &DataSource::dataChanged);
        m_links << connect(dataSet, &DataSet::aboutToPost, this, &DataSource::updateData);
        m_links << connect(dataSet, &QObject::destroyed, this, [this] {
            for (const auto &c : m_links)
                disconnect(c);
            m_links.clear();
            m_dataSet = nullptr;
            emit dataSetChanged(nullptr);
        });
    }
    emit dataSetChanged(dataSet);
}

// ------------------------------------------------------------ DataNavigator

DataNavigator::DataNavigator(QObject *parent) : QObject(parent) {}

void DataNavigator::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (source) {
        connect(source, &DataSource::dataSetChanged, this, &DataNavigator::statesChanged);
        connect(source, &DataSource::stateChanged, this, &DataNavigator::statesChanged);
        connect(source, &DataSource::dataChanged, this, &DataNavigator::statesChanged);
        connect(source, &QObject::destroyed, this, &DataNavigator::statesChanged);
    }
    emit statesChanged();
}

bool DataNavigator::isEnabled(Button button) const
{
    DataSet *ds = m_source ? m_source->dataSet() : nullptr;
    if (!ds || !ds->isActive())
        return false;
    const bool modify = ds->canModify();
    switch (button) {
    case First:
    case Prior: return !ds->bof();
    case Next:
    case Last: return !ds->eof();
    case Insert:
    case Refresh: return modify;
    case Delete: return modify && !ds->isEmpty();
    case Edit: return modify && !ds->isEditing();
    case Post:
    case Cancel: return modify && ds->isEditing();
    }
    return false;
}

void DataNavigator::press(Button button)
{
    if (!m_source || !m_source->dataSet() || !m_source->dataSet()->isActive() || !isEnabled(button))
        return;
    emit aboutToPress(button);
    // The press may have given the source another data set (a search window
    // opening a management window): act on the one it holds now.
    DataSet *ds = m_source ? m_source->dataSet() : nullptr;
    if (!ds || !ds->isActive())
        return;
    switch (button) {
    case First: ds->first(); break;
    case Prior: ds->prior(); break;
    case Next: ds->next(); break;
    case Last: ds->last(); break;
    case Insert: ds->append(); break;
    case Delete:
        if (Messages::confirm(tr("确定要删除记录吗？"), Messages::Icon::Question))
            ds->remove();
        break;
    case Edit: ds->edit(); break;
    case Post: ds->post(); break;
    case Cancel: ds->cancel(); break;
    case Refresh: ds->refresh(); break;
    }
    emit statesChanged();
}

} // namespace brel
