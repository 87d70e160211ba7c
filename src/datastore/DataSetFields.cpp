#include "datastore/DataSetPrivate.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <map>

namespace brel {

namespace {

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

} // namespace


// The data set's rows keep the engine's values (fromStorage turns them into
// the program's); these describe the columns.

FieldInfo describeColumn(const Statement &st, int col)
{
    FieldInfo f;
    f.name = st.columnName(col);
    f.table = st.columnTable(col);
    f.column = st.columnOrigin(col);
    const ColumnDef *def = f.table.isEmpty() ? nullptr : schemaColumn(f.table, f.column);
    if (def) {
        f.type = typeOfColumn(def->type);
        f.size = def->type == ColType::Text ? def->size : 0;
    } else {
        f.type = typeOfDecl(st.columnDeclType(col), &f.size);
    }
    return f;
}

bool isNotNullColumn(const FieldInfo &f)
{
    const ColumnDef *def = f.table.isEmpty() ? nullptr : schemaColumn(f.table, f.column);
    return def && def->notNull;
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
    if (field < 0 || field >= m_fields.size())
        return QVariant();
    if (isEditing())
        return d->buffer.value(field);
    return fromStorage(d->current.value(field), m_fields.at(field).type);
}

QString DataSet::asText(const QString &field) const
{
    return valueText(value(field));
}

int DataSet::asInt(const QString &field) const
{
    return int(asInt64(field));
}

qint64 DataSet::asInt64(const QString &field) const
{
    return int64Value(value(field));
}

Money DataSet::asMoney(const QString &field) const
{
    return moneyValue(value(field));
}

QDate DataSet::asDate(const QString &field) const
{
    return asDateTime(field).date();
}

QDateTime DataSet::asDateTime(const QString &field) const
{
    return dateTimeValue(value(field));
}

bool DataSet::asBool(const QString &field) const
{
    return boolValue(value(field));
}

bool DataSet::isNull(const QString &field) const
{
    return value(field).isNull();
}

qint64 DataSet::currentId() const
{
    if (d->idField < 0 || !isActive())
        return 0;
    if (isEditing())
        return d->buffer.value(d->idField).toLongLong();
    return d->current.integer(d->idField);
}

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
    const FieldInput typed = toFieldValue(value, f.type, f.name);
    if (!typed.accepted())
        throw EngineError(typed.error);
    if (!isEditing())
        edit();
    d->buffer[field] = typed.value;
    d->changed[field] = true;
    emit dataChanged(field);
}

QVariant DataSet::valueAt(int row, int field) const
{
    if (field < 0 || field >= m_fields.size())
        return QVariant();
    if (isEditing() && row == m_row)
        return d->buffer.value(field);
    const Row *r = d->pager.row(row);
    return r ? fromStorage(r->value(field), m_fields.at(field).type) : QVariant();
}

int DataSet::fetchedRowCount() const
{
    return d->pager.fetched();
}

int DataSet::availableRows(int upTo) const
{
    if (!isActive())
        return 0;
    return d->pager.available(upTo);
}

void DataSet::setReadAhead(int rows)
{
    d->pager.setReadAhead(rows);
}

int DataSet::readAhead() const
{
    return d->pager.readAhead();
}

void DataSet::setPageSize(int rows)
{
    d->pager.setPageSize(rows);
}

int DataSet::pageSize() const
{
    return d->pager.pageSize();
}

void DataSet::setCacheLimit(int pages)
{
    d->pager.setCacheLimit(pages);
}

} // namespace brel
