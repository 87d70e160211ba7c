#pragma once

#include "datastore/Money.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

namespace brel {

/// Type of a result field, taken from the schema (or the declared type).
/// Float and Unknown are for computed columns.
enum class FieldType { Integer, Money, Date, Bool, Text, Memo, Float, Unknown };

struct FieldInfo {
    QString name;        ///< as in the result (alias or column name)
    QString table;       ///< base table of the column, empty for computed ones
    QString column;      ///< column name in the base table
    FieldType type = FieldType::Unknown;
    int size = 0;        ///< declared text size in characters; 0 = unbounded
    bool readOnly = false; ///< computed columns, the ID key
};

// The one conversion of field values. A value lives in three forms:
// - stored: what the engine hands out and takes (null, qint64, double, QString,
//   or text as its UTF-8 bytes in a QByteArray);
// - typed: what the program works with — Integer → int (an ID beyond 32 bits
//   → qint64), Money → brel::Money, Date → QDate (QDateTime when there is a
//   time of day), Bool → bool, Text/Memo → QString, Float → double; null when
//   empty. A stored value that does not read as its type stays as stored (a
//   text), so it is shown as it is rather than as something else;
// - text: display text (grids, labels, every export) and edit text (boxes).

/// Amounts are stored as REAL. Below 2^39 a double's spacing is finer than
/// a ten-thousandth, so every four-decimal amount reads back exactly; from
/// 2^39 on neighbouring ten-thousandths share a double. Limit in ten-thousandths.
inline constexpr qint64 MoneyStorageLimit = (qint64(1) << 39) * Money::Scale;
/// True when the amount is kept exactly by the stored form: |amount| < 2^39.
bool isStorableMoney(Money amount);

/// Characters (code points) of a text: a character outside the basic plane
/// counts once. Text sizes of the schema are counted this way.
int characterCount(QStringView text);
/// The first count characters of text; never half a character.
QString leftCharacters(const QString &text, int count);

/// A date (or date and time) as typed or stored: "yyyy-M-d" with one or two
/// digit month and day and a four digit year, optionally followed by " " or
/// "T" and "H:mm" or "H:mm:ss"; spaces around are ignored. Gives a QDate (also
/// for a time of 00:00:00), a QDateTime, or a null value when it is no date.
QVariant dateFromText(const QString &text);

/// A stored value (null, qint64, double, text or its UTF-8 bytes) as a value of the type.
QVariant fromStorage(const QVariant &stored, FieldType type);
/// A typed value in the form the engine stores: Money as REAL, dates as
/// "yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss", bools 1/0; others as they are.
/// Raises EngineError for an amount beyond isStorableMoney and for an
/// invalid date, which would otherwise be stored as something else.
QVariant toStorage(const QVariant &value);

/// A typed value as grids, labels and exports show it: empty for null, Money
/// through the pattern (default "#0.00"), dates "yyyy-MM-dd" (with
/// " HH:mm:ss" when there is a time) or the QDate pattern given, bools
/// "是"/"否", a Float through a money pattern when given.
QString displayText(const QVariant &value, const QString &format = {});
/// A typed value as a box shows it for typing: Money through the pattern
/// when given (else its plain decimal text), dates "yyyy-MM-dd", bools
/// "1"/"0"; what this gives reads back through toFieldValue.
QString editText(const QVariant &value, const QString &format = {});

/// What a typed text or a value handed in becomes in a field.
struct FieldInput {
    QVariant value; ///< the typed value; null for an empty text
    QString error;  ///< why it is refused, naming the field; empty when accepted
    bool accepted() const { return error.isEmpty(); }
};
/// Turns typed text (a QString) or a program value into the field's type.
/// Blank text is null. Refused, with a Chinese message naming fieldName:
/// text that is not a value of the type, an integer outside 32 bits, an
/// amount not kept exactly (isStorableMoney), an invalid date, a fraction
/// given for an integer.
FieldInput toFieldValue(const QVariant &input, FieldType type, const QString &fieldName);

// Reading a typed value as another type (the data set's asText, asInt64, ...).

/// Money plain decimal text, dates "yyyy-MM-dd" (a QDateTime with
/// " HH:mm:ss"), bools "True"/"False", null as "".
QString valueText(const QVariant &value);
/// Money's whole part, text read as a number; 0 for null or no number.
qint64 int64Value(const QVariant &value);
/// Numbers and decimal text as amounts; 0 for null or no amount.
Money moneyValue(const QVariant &value);
/// Dates at the start of their day; date text read by dateFromText.
QDateTime dateTimeValue(const QVariant &value);
/// Numbers other than 0 and texts such as "true" or "是"; false for null.
bool boolValue(const QVariant &value);

} // namespace brel
