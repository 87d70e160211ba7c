#include "datastore/DataSetPrivate.h"

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


// The data set's rows keep the engine's values; these turn them into the
// program's and describe the columns.

QVariant fieldFromStorage(const QVariant &raw, FieldType type)
{
    if (raw.metaType().id() == QMetaType::QByteArray)
        return fromStorage(QString::fromUtf8(raw.toByteArray()), type);
    return fromStorage(raw, type);
}

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

int textLength(const QString &text)
{
    int n = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
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
    return fieldFromStorage(d->current.value(field), m_fields.at(field).type);
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
    if (isEditing())
        return d->buffer.value(d->idField).toLongLong();
    return d->current.integer(d->idField);
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
    if (field < 0 || field >= m_fields.size())
        return QVariant();
    if (isEditing() && row == m_row)
        return d->buffer.value(field);
    const Row *r = d->pager.row(row);
    return r ? fieldFromStorage(r->value(field), m_fields.at(field).type) : QVariant();
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
