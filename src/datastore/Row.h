#pragma once

#include <QByteArray>
#include <QVariant>
#include <QVector>
#include <initializer_list>

namespace brel {

/// One row of a result as the engine gave it, packed: the numbers in place,
/// every text of the row in one buffer. A screenful of rows costs a few
/// allocations instead of one per field, and a text becomes a QString only
/// when it is looked at.
class Row {
public:
    Row() = default;
    /// A row of `columns` empty (null) fields.
    explicit Row(int columns);
    Row(std::initializer_list<QVariant> values);

    int size() const { return int(m_cells.size()); }
    bool isEmpty() const { return m_cells.isEmpty(); }
    void clear()
    {
        m_cells.clear();
        m_text.clear();
    }
    /// The stored value: null, qint64, double, QString (text) or QByteArray
    /// (blob); null past the end.
    QVariant value(int col) const;
    QVariant at(int col) const { return value(col); }
    bool isNull(int col) const;
    /// An integer field without building a QVariant (0 when not a number).
    qint64 integer(int col) const;
    /// Replaces a field with a stored value (integers, bools, doubles, text,
    /// bytes or null).
    void set(int col, const QVariant &value);

    // Filling a row read from the engine, field by field.
    void reserve(int columns, int textBytes);
    void appendNull();
    void appendInteger(qint64 v);
    void appendDouble(double v);
    void appendText(const char *utf8, int length);
    void appendBlob(const char *bytes, int length);

    bool operator==(const Row &other) const;

private:
    enum class Kind : quint8 { Null, Integer, Double, Text, Blob };
    struct Cell {
        union {
            qint64 i;
            double d;
            struct {
                qint32 offset;
                qint32 length;
            } t;
        };
        Kind kind = Kind::Null;
    };
    void appendBytes(Kind kind, const char *bytes, int length);
    Cell cellOf(const QVariant &value);

    QVector<Cell> m_cells;
    QByteArray m_text;
};

} // namespace brel
