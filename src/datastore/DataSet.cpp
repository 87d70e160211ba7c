#include "datastore/DataSetPrivate.h"

#include "datastore/SqlText.h"

#include <QCoreApplication>
#include <QHash>
#include <algorithm>

namespace brel {

namespace {

/// Rows written but not yet re-read in place; past this many the data set
/// reads its result again rather than grow every page statement.
constexpr int MaxPinned = 400;

} // namespace

// ------------------------------------------------------------------ Private

DataSet::Private::Private(DataSet *q)
    : q(q), pager([this](const Sql &sql) { return prepare(sql); })
{
}

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

bool DataSet::Private::leaveRow()
{
    if (q->isEditing() && !q->post())
        return false;
    PostVeto veto;
    emit q->beforeScroll(&veto);
    return !veto.abandon;
}

void DataSet::Private::setCurrent(int view, const Row &r)
{
    q->m_row = view;
    current = r;
}

Row DataSet::Private::reread(qint64 id)
{
    // Running the statement again for this row recomputes computed columns.
    try {
        Row r = pager.readById(id);
        if (!r.isEmpty())
            return r;
    } catch (const EngineError &) {
        // A statement that cannot be wrapped falls back to the base table.
    }
    // The row no longer matches the statement: compute its columns without
    // the statement's condition.
    const Sql unfiltered = SqlText::rowStatement(q->m_sql, table, id);
    if (!unfiltered.text.isEmpty()) {
        try {
            auto st = prepare(unfiltered);
            if (st->columnCount() == q->m_fields.size() && st->step())
                return pager.readRow(*st);
        } catch (const EngineError &) {
            // An alias or a join the key condition does not fit: read the table.
        }
    }
    Row r(q->m_fields.size());
    for (int f = 0; f < buffer.size() && f < r.size(); ++f)
        r.set(f, toStorage(buffer.at(f)));
    auto st = q->m_db->prepare(Sql(QStringLiteral("SELECT * FROM %1 WHERE ID=?").arg(table), {id}));
    if (st->step()) {
        for (int c = 0; c < st->columnCount(); ++c) {
            const QString col = st->columnName(c);
            for (int f = 0; f < q->m_fields.size(); ++f) {
                const FieldInfo &fi = q->m_fields.at(f);
                if (fi.table.compare(table, Qt::CaseInsensitive) == 0 && fi.column.compare(col, Qt::CaseInsensitive) == 0)
                    r.set(f, st->value(c));
            }
        }
    }
    r.set(idField, id);
    return r;
}

void DataSet::Private::checkUnchanged(qint64 id) const
{
    QStringList columns;
    QVector<int> fields;
    for (int f = 0; f < q->m_fields.size(); ++f) {
        const FieldInfo &fi = q->m_fields.at(f);
        if (f != idField && !fi.column.isEmpty() && fi.table.compare(table, Qt::CaseInsensitive) == 0) {
            columns << SqlText::quoteName(fi.column);
            fields << f;
        }
    }
    const QString list = columns.isEmpty() ? QStringLiteral("ID") : columns.join(QLatin1Char(','));
    auto st = q->m_db->prepare(Sql(QStringLiteral("SELECT %1 FROM %2 WHERE ID=?").arg(list, table), {id}));
    if (!st->step())
        throw EngineError(tr("此记录已被其他用户删除，请取消后刷新。"));
    for (int i = 0; i < fields.size(); ++i) {
        if (!sameStored(st->value(i), current.value(fields.at(i))))
            throw EngineError(tr("此记录已被其他用户修改，请取消后刷新，再重新输入。"));
    }
}

// ------------------------------------------------------------------ DataSet

DataSet::DataSet(Database *db, QObject *parent) : QObject(parent), d(std::make_unique<Private>(this)), m_db(db)
{
    if (m_db)
        connect(m_db, &Database::aboutToClose, this, &DataSet::close);
}

DataSet::~DataSet() = default;

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
    return SqlText::baseTable(m_sql.text);
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
        // The master's move posted this edit already; one still pending
        // here (the master's key changed under it) is kept, never dropped.
        if (isEditing() && !post())
            return;
        close();
        open();
    };
    // Before the master leaves its row, an edit here is posted; when that
    // post is abandoned the master stays where it is.
    d->masterLinks << connect(master, &DataSet::beforeScroll, this, [this](DataSet::PostVeto *veto) {
        if (!veto->abandon && isEditing() && !post())
            veto->abandon = true;
    });
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
    m_fields.clear();
    d->idField = -1;
    d->table.clear();

    const Sql sql = SqlText::splitOrderBy(m_sql);
    // Prepared for its columns only: stepping is left to the page statements.
    auto st = d->prepare(sql);
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

    QVector<bool> notNull(n, false);
    m_fields.reserve(n);
    for (int i = 0; i < n; ++i) {
        FieldInfo f = describeColumn(*st, i);
        const bool isId = !f.table.isEmpty() && f.column.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0;
        const bool own = f.table.compare(d->table, Qt::CaseInsensitive) == 0;
        if (isId && own && d->idField < 0)
            d->idField = i;
        f.readOnly = f.table.isEmpty() || !own || isId;
        if (isId && f.type == FieldType::Unknown)
            f.type = FieldType::Integer;
        notNull[i] = isId || isNotNullColumn(f);
        m_fields.append(std::move(f));
    }
    st.reset();
    d->pager.setStatement(sql, d->pageLayout(sql, notNull));
    if (m_master) {
        d->masterBound = true;
        d->boundMasterId = m_master->isActive() ? m_master->currentId() : 0;
    }

    m_state = State::Browse;
    const Row *r = d->pager.row(0);
    m_row = r ? 0 : -1;
    d->current = r ? *r : Row();
    m_bof = true;
    m_eof = r == nullptr;
    emit stateChanged(m_state);
    emit afterOpen();
    emit afterScroll();
    emit dataChanged(-1);
}

RowPager::Layout DataSet::Private::pageLayout(const Sql &sql, const QVector<bool> &notNull) const
{
    const QVector<FieldInfo> &m_fields = q->m_fields;
    RowPager::Layout l;
    l.columns = int(m_fields.size());
    l.idField = idField;
    if (idField < 0)
        return l;
    l.idName = m_fields.at(idField).name;
    auto nameCount = [&m_fields](const QString &name) {
        int n = 0;
        for (const FieldInfo &f : m_fields)
            if (f.name.compare(name, Qt::CaseInsensitive) == 0)
                ++n;
        return n;
    };
    // An order or a LIMIT left inside the text is the statement's own: pages
    // keep it as written.
    if (nameCount(l.idName) != 1 || SqlText::findTopLevel(sql.text, QLatin1String("LIMIT")) >= 0
        || (sql.orderBy.isEmpty() && SqlText::findTopLevel(sql.text, QLatin1String("ORDER")) >= 0))
        return l;
    // Read by OFFSET, ties are still broken by the key: the engine sorts a
    // page with a LIMIT in its own way, and pages must not overlap.
    auto byOffset = [&]() {
        if (sql.orderBy.trimmed().isEmpty())
            return l;
        const QString order = sql.orderBy + QStringLiteral(", ") + SqlText::quoteName(l.idName);
        try {
            prepare(Sql(QStringLiteral("SELECT * FROM (%1) ORDER BY %2").arg(sql.text, order), sql.values));
            l.offsetOrder = order;
        } catch (const EngineError &) {
            // Terms naming the statement's own tables: pages keep its order.
        }
        return l;
    };
    const QList<SqlText::OrderTerm> terms = SqlText::parseOrderBy(sql.orderBy);
    if (terms.isEmpty() && !sql.orderBy.trimmed().isEmpty())
        return byOffset();
    // Read by key, every term must be a column of the result for its values
    // to be known.
    RowPager::Layout keyed = l;
    bool total = false;
    for (const SqlText::OrderTerm &t : terms) {
        const QString column = SqlText::termColumn(t);
        const int f = column.isEmpty() ? -1 : q->fieldIndex(column);
        if (f < 0 || nameCount(column) != 1)
            return byOffset();
        keyed.keyFields << f;
        keyed.keyNames << m_fields.at(f).name;
        keyed.keyCollations << t.collate;
        keyed.keyDescending << t.descending;
        keyed.keyNullable << !notNull.at(f);
        if (f == idField) {
            total = true;
            break;
        }
    }
    if (!total) {
        // The key breaks ties, so every row has one place and pages can be
        // read from either end.
        keyed.keyFields << idField;
        keyed.keyNames << l.idName;
        keyed.keyCollations << QString();
        keyed.keyDescending << false;
        keyed.keyNullable << false;
    }
    return keyed;
}

void DataSet::close()
{
    if (!isActive())
        return;
    d->pager.clear();
    d->buffer.clear();
    d->current.clear();
    d->masterBound = false;
    m_state = State::Inactive;
    m_row = -1;
    m_bof = m_eof = true;
    emit stateChanged(m_state);
    emit afterClose();
}

bool DataSet::refresh()
{
    if (!isActive()) {
        open();
        return true;
    }
    if (!d->leaveRow())
        return false;
    const qint64 id = currentId();
    const int oldRow = m_row;
    d->pager.clear();
    const Row *r = oldRow >= 0 ? d->pager.row(oldRow) : nullptr;
    if (r && d->idField >= 0 && r->integer(d->idField) == id) {
        d->current = *r;
    } else {
        int found = id != 0 ? d->pager.locate(id) : -1;
        if (found < 0)
            found = oldRow >= 0 && d->pager.exists(oldRow) ? oldRow : std::max(0, d->pager.count() - 1);
        r = d->pager.row(found);
        m_row = r ? found : -1;
        d->current = r ? *r : Row();
    }
    m_bof = m_row <= 0;
    m_eof = m_row < 0 || !d->pager.exists(m_row + 1);
    emit afterScroll();
    emit dataChanged(-1);
    return true;
}

bool DataSet::canModify() const
{
    return isActive() && !m_readOnly && d->idField >= 0 && !d->table.isEmpty();
}

void DataSet::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
}

// ------------------------------------------------------------------- Cursor

bool DataSet::first()
{
    if (!isActive())
        return false;
    if (!d->leaveRow())
        return false;
    const int old = m_row;
    const Row *r = d->pager.row(0);
    m_bof = true;
    m_eof = r == nullptr;
    if (!r || old == 0)
        return true;
    d->setCurrent(0, *r);
    emit afterScroll();
    emit dataChanged(-1);
    return true;
}

bool DataSet::prior()
{
    return d->stepBy(-1);
}

bool DataSet::next()
{
    return d->stepBy(1);
}

bool DataSet::Private::stepBy(int delta)
{
    if (!q->isActive())
        return false;
    if (!leaveRow())
        return false;
    // Running off either end only sets the flag; the current row stays.
    bool &edge = delta < 0 ? q->m_bof : q->m_eof;
    const int target = q->m_row + delta;
    const Row *r = q->m_row >= 0 && target >= 0 ? pager.row(target) : nullptr;
    if (!r) {
        edge = true;
        return true;
    }
    setCurrent(target, *r);
    q->m_bof = false;
    q->m_eof = false;
    emit q->afterScroll();
    emit q->dataChanged(-1);
    return true;
}

bool DataSet::last()
{
    if (!isActive())
        return false;
    if (!d->leaveRow())
        return false;
    const int n = d->pager.count();
    const Row *r = n > 0 ? d->pager.row(n - 1) : nullptr;
    m_eof = true;
    m_bof = r == nullptr;
    if (!r || m_row == n - 1)
        return true;
    d->setCurrent(n - 1, *r);
    emit afterScroll();
    emit dataChanged(-1);
    return true;
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
    return d->pager.count();
}

bool DataSet::moveTo(int row)
{
    if (!isActive())
        return false;
    if (!d->leaveRow())
        return false;
    const Row *r = d->pager.row(row);
    if (!r)
        return false;
    m_bof = m_eof = false;
    if (row == m_row)
        return true;
    d->setCurrent(row, *r);
    emit afterScroll();
    emit dataChanged(-1);
    return true;
}

bool DataSet::locate(qint64 id)
{
    if (!isActive() || d->idField < 0)
        return false;
    if (!d->leaveRow())
        return false;
    if (id == currentId() && m_row >= 0) {
        m_bof = m_eof = false;
        return true;
    }
    const int found = d->pager.locate(id);
    const Row *r = found >= 0 ? d->pager.row(found) : nullptr;
    if (!r)
        return false;
    m_bof = m_eof = false;
    d->setCurrent(found, *r);
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
    if (!d->leaveRow())
        return false;
    const FieldType type = m_fields.at(f).type;
    const QVariant wanted = value.isNull() ? QVariant() : fromStorage(toStorage(value), type);
    for (int i = 0;; ++i) {
        const Row *r = d->pager.row(i);
        if (!r)
            return false;
        const QVariant v = fromStorage(r->at(f), type);
        // Plain values of different types (a typed number against the text of
        // a computed column) compare by text; program types only by value.
        const bool plain = v.metaType().id() < QMetaType::User && wanted.metaType().id() < QMetaType::User;
        const bool same = wanted.isNull() ? v.isNull()
                                          : (!v.isNull() && (v == wanted || (plain && v.toString() == wanted.toString())));
        if (same) {
            const Row copy = *r;
            m_bof = m_eof = false;
            if (m_row != i) {
                d->setCurrent(i, copy);
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

// ------------------------------------------------------------------ Editing

bool DataSet::append()
{
    if (!isActive())
        throw EngineError(tr("数据集没有打开。"));
    if (!canModify())
        throw EngineError(tr("这个结果不能修改。"));
    if (!d->leaveRow())
        return false;
    d->returnRow = m_row;
    d->returnBof = m_bof;
    d->returnEof = m_eof;
    d->buffer = QVector<QVariant>(m_fields.size());
    d->changed = QVector<bool>(m_fields.size(), false);
    m_row = d->pager.count();
    m_bof = false;
    m_eof = true;
    m_state = State::Insert;
    emit stateChanged(m_state);
    emit newRecord();
    emit dataChanged(-1);
    return true;
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
    d->buffer.clear();
    d->buffer.reserve(m_fields.size());
    for (int f = 0; f < m_fields.size(); ++f)
        d->buffer.append(fromStorage(d->current.value(f), m_fields.at(f).type));
    d->changed = QVector<bool>(m_fields.size(), false);
    m_state = State::Edit;
    emit stateChanged(m_state);
}

bool DataSet::post()
{
    if (!isEditing())
        return true;
    PostVeto veto;
    emit aboutToPost(&veto);
    if (veto.abandon)
        return false;
    emit beforePost(&veto);
    if (veto.abandon)
        return false;

    QStringList columns;
    QVariantList values;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (!d->changed.at(i))
            continue;
        const FieldInfo &f = m_fields.at(i);
        const QVariant &v = d->buffer.at(i);
        if ((f.type == FieldType::Text || f.type == FieldType::Unknown) && f.size > 0 && !v.isNull()
            && characterCount(v.toString()) > f.size)
            throw EngineError(tr("“%1”的内容太长，最多 %2 个字符。").arg(f.column.isEmpty() ? f.name : f.column).arg(f.size));
        columns << f.column;
        values << v;
    }

    qint64 id = currentId();
    const bool inserting = m_state == State::Insert;
    // The row and what handlers of rowWritten write with it are one step,
    // also for every other connection (the unchanged check and the write).
    const bool writes = inserting || !columns.isEmpty();
    std::unique_ptr<Transaction> tx;
    std::unique_ptr<Savepoint> sp;
    if (writes && m_db->inTransaction())
        sp = std::make_unique<Savepoint>(*m_db);
    else if (writes)
        tx = std::make_unique<Transaction>(*m_db);
    if (inserting) {
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
        d->checkUnchanged(id);
        m_db->execute(Sql(QStringLiteral("UPDATE %1 SET %2 WHERE ID=?").arg(d->table, sets.join(QLatin1Char(','))), values));
    }
    if (writes)
        emit rowWritten(id, inserting);
    if (sp)
        sp->commit();
    else if (tx)
        tx->commit();

    // From here the row is written: whatever happens, the data set must not
    // stay in its editing state, or a second post would write it again.
    if (writes) {
        Row r;
        try {
            r = d->reread(id);
        } catch (const EngineError &) {
            r = Row(m_fields.size());
            for (int f = 0; f < m_fields.size(); ++f)
                r.set(f, toStorage(d->buffer.value(f)));
            r.set(d->idField, id);
        }
        if (m_state == State::Insert)
            d->pager.grow();
        d->pager.pin(m_row, r);
        d->current = r;
    }
    d->buffer.clear();
    m_bof = false;
    m_eof = false;
    m_state = State::Browse;
    if (d->pager.pinnedCount() > MaxPinned) {
        d->pager.clear();
        const int found = d->pager.locate(id);
        if (found >= 0)
            m_row = found;
    }
    emit stateChanged(m_state);
    emit afterPost();
    emit dataChanged(-1);
    return true;
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
    PostVeto veto;
    emit beforeScroll(&veto);
    if (veto.abandon)
        return;
    const qint64 id = currentId();
    {
        // Rows that handlers of aboutToDelete remove go with this one or stay with it.
        Savepoint sp(*m_db);
        emit aboutToDelete(id);
        if (m_db->execute(Sql(QStringLiteral("DELETE FROM %1 WHERE ID=?").arg(d->table), {id})) == 0)
            throw EngineError(tr("此记录已被其他用户删除，请取消后刷新。"));
        sp.commit();
    }
    if (m_state == State::Edit) {
        d->buffer.clear();
        m_state = State::Browse;
        emit stateChanged(m_state);
    }
    d->pager.removeAt(m_row, id);
    const Row *r = d->pager.row(m_row);
    if (!r && m_row > 0) {
        --m_row;
        r = d->pager.row(m_row);
    }
    if (r) {
        d->current = *r;
        m_bof = m_row == 0;
        m_eof = !d->pager.exists(m_row + 1);
    } else {
        m_row = -1;
        d->current.clear();
        m_bof = m_eof = true;
    }
    emit afterDelete();
    emit afterScroll();
    emit dataChanged(-1);
}

} // namespace brel
