#include "datastore/Row.h"

namespace brel {

Row::Row(int columns) : m_cells(std::max(columns, 0)) {}

Row::Row(std::initializer_list<QVariant> values)
{
    m_cells.reserve(int(values.size()));
    for (const QVariant &v : values)
        m_cells.append(cellOf(v));
}

QVariant Row::value(int col) const
{
    if (col < 0 || col >= m_cells.size())
        return QVariant();
    const Cell &c = m_cells.at(col);
    switch (c.kind) {
    case Kind::Null: return QVariant();
    case Kind::Integer: return QVariant(c.i);
    case Kind::Double: return QVariant(c.d);
    case Kind::Text: return QString::fromUtf8(m_text.constData() + c.t.offset, c.t.length);
    case Kind::Blob: return QByteArray(m_text.constData() + c.t.offset, c.t.length);
    }
    return QVariant();
}

bool Row::isNull(int col) const
{
    return col < 0 || col >= m_cells.size() || m_cells.at(col).kind == Kind::Null;
}

qint64 Row::integer(int col) const
{
    if (col < 0 || col >= m_cells.size())
        return 0;
    const Cell &c = m_cells.at(col);
    if (c.kind == Kind::Integer)
        return c.i;
    return c.kind == Kind::Null ? 0 : value(col).toLongLong();
}

Row::Cell Row::cellOf(const QVariant &value)
{
    Cell c;
    c.i = 0;
    if (!value.isValid() || value.isNull())
        return c;
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::Short:
        c.kind = Kind::Integer;
        c.i = value.toLongLong();
        return c;
    case QMetaType::Double:
    case QMetaType::Float:
        c.kind = Kind::Double;
        c.d = value.toDouble();
        return c;
    case QMetaType::QByteArray: {
        const QByteArray b = value.toByteArray();
        c.kind = Kind::Blob;
        c.t.offset = int(m_text.size());
        c.t.length = int(b.size());
        m_text.append(b);
        return c;
    }
    default: {
        const QByteArray utf8 = value.toString().toUtf8();
        c.kind = Kind::Text;
        c.t.offset = int(m_text.size());
        c.t.length = int(utf8.size());
        m_text.append(utf8);
        return c;
    }
    }
}

void Row::set(int col, const QVariant &value)
{
    if (col < 0)
        return;
    if (col >= m_cells.size())
        m_cells.resize(col + 1);
    m_cells[col] = cellOf(value);
}

void Row::reserve(int columns, int textBytes)
{
    m_cells.reserve(columns);
    m_text.reserve(textBytes);
}

void Row::appendNull()
{
    m_cells.append(Cell());
}

void Row::appendInteger(qint64 v)
{
    Cell c;
    c.kind = Kind::Integer;
    c.i = v;
    m_cells.append(c);
}

void Row::appendDouble(double v)
{
    Cell c;
    c.kind = Kind::Double;
    c.d = v;
    m_cells.append(c);
}

void Row::appendBytes(Kind kind, const char *bytes, int length)
{
    Cell c;
    c.kind = kind;
    c.t.offset = int(m_text.size());
    c.t.length = length;
    m_text.append(bytes, length);
    m_cells.append(c);
}

void Row::appendText(const char *utf8, int length)
{
    appendBytes(Kind::Text, utf8, length);
}

void Row::appendBlob(const char *bytes, int length)
{
    appendBytes(Kind::Blob, bytes, length);
}

bool Row::operator==(const Row &other) const
{
    if (size() != other.size())
        return false;
    for (int i = 0; i < size(); ++i)
        if (value(i) != other.value(i))
            return false;
    return true;
}

} // namespace brel
