#pragma once

#include "datastore/Engine.h"
#include "datastore/FieldValue.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

namespace brel {

/// The comparisons of the advanced search, in the order the pick lists offer them.
enum class Comparison { None, Equal, NotEqual, Contains, AtLeast, Greater, Less, AtMost };

/// One condition row: a column of the search grid, the comparison chosen and
/// the value typed.
struct ConditionRow {
    QString caption; ///< the column's caption; names the row in messages
    QString field;   ///< result field the column shows
    FieldType type = FieldType::Unknown;
    Comparison comparison = Comparison::None;
    QString value;   ///< as typed
};

/// The rules of the advanced search, without a window: which comparisons a
/// field type offers, and the statement the filled rows make. Every value
/// travels bound; only field names of the program's own grids enter the text.
///
/// A row takes part when its value is not blank. For a number, an amount or
/// a date, two values with a space between ("80 120") are a range, both ends
/// included, whatever comparison is chosen. Dates compare whole days: a
/// stored date or time stamp on the last day of a range is inside it.
class ConditionBuilder {
public:
    /// "等于", "不等于", "包含有", "大于等于", "大于", "小于", "小于等于"; empty for None.
    static QString comparisonText(Comparison comparison);
    /// The comparison a text names; None for any other text.
    static Comparison comparisonOfText(const QString &text);
    /// What the pick list offers for a field type: text 等于, 不等于, 包含有;
    /// numbers, amounts and dates also the four orderings; yes/no 等于 and
    /// 不等于; nothing for other types.
    static QList<Comparison> comparisonsFor(FieldType type);
    static QStringList comparisonTextsFor(FieldType type);
    /// The statement of the value pick list of a field (district, layout,
    /// orientation, property certificate, fitment, property type); an empty
    /// Sql for other fields.
    static Sql valueChoicesStatement(const QString &field);

    /// The outcome of building: the condition or the first fault.
    struct Result {
        Sql sql;       ///< the condition (empty text when no row takes part), or the whole statement
        QString error; ///< Chinese message naming the row; empty when built
        int errorRow = -1;
        bool inComparison = false; ///< the row's comparison is at fault, not its value
        bool ok() const { return error.isEmpty(); }
    };

    /// The conditions of the rows joined by AND and, for stateIndex > 0, the
    /// state StateCode(stateIndex - 1) as ZTW; without WHERE, empty when
    /// nothing narrows.
    static Result condition(const QVector<ConditionRow> &rows, int stateIndex = 0);
    /// The same as a clause for a statement without a condition of its own:
    /// " WHERE ..." or empty.
    static Result where(const QVector<ConditionRow> &rows, int stateIndex);
    /// base narrowed by condition(): the statement of 开始查找.
    static Result statement(const Sql &base, const QVector<ConditionRow> &rows, int stateIndex);
};

} // namespace brel
