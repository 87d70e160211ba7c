#include "search/ConditionBuilder.h"

#include "components/GridColumn.h"
#include "datastore/Globalvar.h"
#include "datastore/SqlText.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace brel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ConditionBuilder", text);
}

enum class Kind { Text, Number, Date, YesNo, Other };

Kind kindOf(FieldType type)
{
    switch (type) {
    case FieldType::Text:
    case FieldType::Memo: return Kind::Text;
    case FieldType::Integer:
    case FieldType::Money:
    case FieldType::Float: return Kind::Number;
    case FieldType::Date: return Kind::Date;
    case FieldType::Bool: return Kind::YesNo;
    case FieldType::Unknown: break;
    }
    return Kind::Other;
}

QString sqlOperator(Comparison comparison)
{
    switch (comparison) {
    case Comparison::Equal: return QStringLiteral("=");
    case Comparison::NotEqual: return QStringLiteral("<>");
    case Comparison::AtLeast: return QStringLiteral(">=");
    case Comparison::Greater: return QStringLiteral(">");
    case Comparison::Less: return QStringLiteral("<");
    case Comparison::AtMost: return QStringLiteral("<=");
    case Comparison::Contains:
    case Comparison::None: break;
    }
    return QString();
}

/// The start of a day as stored text: every stored date or stamp of that
/// day sorts at or after it and before the start of the next day.
QString dayStart(const QDate &day)
{
    return toStorage(QVariant(day)).toString();
}

/// One row's condition, or why it cannot be one.
struct RowCondition {
    QString text;
    QVariantList values;
    QString error;
    bool inComparison = false;
};

RowCondition refused(const QString &error, bool inComparison = false)
{
    return {QString(), {}, error, inComparison};
}

/// A typed value of the row's field; dates as their day.
FieldInput readValue(const ConditionRow &row, const QString &text)
{
    FieldInput in = toFieldValue(text, row.type, row.caption);
    if (in.accepted() && row.type == FieldType::Date && in.value.metaType().id() == QMetaType::QDateTime)
        in.value = in.value.toDateTime().date();
    return in;
}

RowCondition rangeCondition(const ConditionRow &row, const QString &low, const QString &high)
{
    const FieldInput from = readValue(row, low);
    if (!from.accepted())
        return refused(from.error);
    const FieldInput to = readValue(row, high);
    if (!to.accepted())
        return refused(to.error);
    if (row.type == FieldType::Date)
        return {row.field + QStringLiteral(">=? AND ") + row.field + QStringLiteral("<?"),
                {dayStart(from.value.toDate()), dayStart(to.value.toDate().addDays(1))}, QString()};
    return {row.field + QStringLiteral(">=? AND ") + row.field + QStringLiteral("<=?"), {from.value, to.value},
            QString()};
}

RowCondition dateCondition(const QString &field, Comparison comparison, const QDate &day)
{
    const QString start = dayStart(day);
    const QString next = dayStart(day.addDays(1));
    switch (comparison) {
    case Comparison::Equal: return {QStringLiteral("(%1>=? AND %1<?)").arg(field), {start, next}, QString()};
    case Comparison::NotEqual: return {QStringLiteral("(%1<? OR %1>=?)").arg(field), {start, next}, QString()};
    case Comparison::AtLeast: return {field + QStringLiteral(">=?"), {start}, QString()};
    case Comparison::Greater: return {field + QStringLiteral(">=?"), {next}, QString()};
    case Comparison::Less: return {field + QStringLiteral("<?"), {start}, QString()};
    case Comparison::AtMost: return {field + QStringLiteral("<?"), {next}, QString()};
    case Comparison::Contains:
    case Comparison::None: break;
    }
    return {};
}

RowCondition singleCondition(const ConditionRow &row, Kind kind)
{
    if (row.comparison == Comparison::None)
        return refused(tr("“%1”还没有选择查找条件，请在“查找条件”中选择。").arg(row.caption), true);
    if (!ConditionBuilder::comparisonsFor(row.type).contains(row.comparison))
        return refused(tr("“%1”不能按“%2”查找，请重新选择查找条件。")
                           .arg(row.caption, ConditionBuilder::comparisonText(row.comparison)),
                       true);
    if (kind == Kind::Text) {
        if (row.comparison == Comparison::Contains)
            return {row.field + QStringLiteral(" LIKE ? ESCAPE '\\'"),
                    {QLatin1Char('%') + escapeLike(row.value) + QLatin1Char('%')}, QString()};
        return {row.field + sqlOperator(row.comparison) + QLatin1Char('?'), {row.value}, QString()};
    }
    const FieldInput in = readValue(row, row.value);
    if (!in.accepted())
        return refused(in.error);
    if (kind == Kind::Date)
        return dateCondition(row.field, row.comparison, in.value.toDate());
    if (kind == Kind::YesNo) // an empty flag reads as 否, as the boxes show it
        return {QStringLiteral("COALESCE(%1,0)").arg(row.field) + sqlOperator(row.comparison) + QLatin1Char('?'),
                {in.value}, QString()};
    return {row.field + sqlOperator(row.comparison) + QLatin1Char('?'), {in.value}, QString()};
}

RowCondition rowCondition(const ConditionRow &row)
{
    const Kind kind = kindOf(row.type);
    if (kind == Kind::Other)
        return refused(tr("“%1”不能作为查找条件，请清除它的查找内容。").arg(row.caption));
    // Field names come from the program's own grids; anything else never enters the text.
    if (!isPlainIdentifier(row.field))
        return refused(tr("“%1”不能作为查找条件，请清除它的查找内容。").arg(row.caption));
    if (kind == Kind::Number || kind == Kind::Date) {
        const QString value = row.value.trimmed();
        // A date with its time of day is one value, not a range.
        const bool oneDate = kind == Kind::Date && !dateFromText(value).isNull();
        const QStringList parts =
            oneDate ? QStringList{value} : value.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (parts.size() > 2)
            return refused(tr("“%1”的查找范围应是两个值，中间用一个空格分开，如：80 120。").arg(row.caption));
        if (parts.size() == 2)
            return rangeCondition(row, parts.at(0), parts.at(1));
    }
    return singleCondition(row, kind);
}

} // namespace

QString ConditionBuilder::comparisonText(Comparison comparison)
{
    switch (comparison) {
    case Comparison::Equal: return tr("等于");
    case Comparison::NotEqual: return tr("不等于");
    case Comparison::Contains: return tr("包含有");
    case Comparison::AtLeast: return tr("大于等于");
    case Comparison::Greater: return tr("大于");
    case Comparison::Less: return tr("小于");
    case Comparison::AtMost: return tr("小于等于");
    case Comparison::None: break;
    }
    return QString();
}

Comparison ConditionBuilder::comparisonOfText(const QString &text)
{
    for (Comparison c : {Comparison::Equal, Comparison::NotEqual, Comparison::Contains, Comparison::AtLeast,
                         Comparison::Greater, Comparison::Less, Comparison::AtMost}) {
        if (comparisonText(c) == text)
            return c;
    }
    return Comparison::None;
}

QList<Comparison> ConditionBuilder::comparisonsFor(FieldType type)
{
    switch (kindOf(type)) {
    case Kind::Text: return {Comparison::Equal, Comparison::NotEqual, Comparison::Contains};
    case Kind::Number:
    case Kind::Date:
        return {Comparison::Equal, Comparison::NotEqual, Comparison::AtLeast,
                Comparison::Greater, Comparison::Less, Comparison::AtMost};
    case Kind::YesNo: return {Comparison::Equal, Comparison::NotEqual};
    case Kind::Other: break;
    }
    return {};
}

QStringList ConditionBuilder::comparisonTextsFor(FieldType type)
{
    QStringList out;
    for (Comparison c : comparisonsFor(type))
        out << comparisonText(c);
    return out;
}

Sql ConditionBuilder::valueChoicesStatement(const QString &field)
{
    static const struct {
        const char *field;
        const char *table;
    } lists[] = {{"QY", "TbArea"},         {"FX", "TbStyle"},     {"CX", "TbDirection"},
                 {"CQZH", "TbPropertyId"}, {"ZXQK", "TbFitment"}, {"CB", "TbPropertyType"}};
    for (const auto &list : lists) {
        if (field.compare(QLatin1String(list.field), Qt::CaseInsensitive) == 0)
            return Sql(QStringLiteral("SELECT %1 AS TXT FROM %2")
                           .arg(QLatin1String(list.field), QLatin1String(list.table)));
    }
    return Sql();
}

ConditionBuilder::Result ConditionBuilder::condition(const QVector<ConditionRow> &rows, int stateIndex)
{
    Result out;
    QStringList parts;
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).value.trimmed().isEmpty())
            continue;
        const RowCondition c = rowCondition(rows.at(i));
        if (!c.error.isEmpty()) {
            out.error = c.error;
            out.errorRow = i;
            out.inComparison = c.inComparison;
            out.sql = Sql();
            return out;
        }
        parts << c.text;
        out.sql.values << c.values;
    }
    if (stateIndex > 0) {
        parts << QStringLiteral("ZTW=?");
        out.sql.values << StateCode(stateIndex - 1);
    }
    out.sql.text = parts.join(QStringLiteral(" AND "));
    return out;
}

ConditionBuilder::Result ConditionBuilder::where(const QVector<ConditionRow> &rows, int stateIndex)
{
    Result out = condition(rows, stateIndex);
    if (!out.sql.text.isEmpty())
        out.sql.text.prepend(QStringLiteral(" WHERE "));
    return out;
}

ConditionBuilder::Result ConditionBuilder::statement(const Sql &base, const QVector<ConditionRow> &rows,
                                                     int stateIndex)
{
    Result out = condition(rows, stateIndex);
    if (!out.ok())
        return out;
    Sql narrowed(base.text, base.values);
    if (!out.sql.text.isEmpty()) {
        // AND when the base has a condition of its own.
        const bool hasWhere = SqlText::findTopLevel(narrowed.text, QLatin1String("WHERE")) >= 0;
        narrowed.text += (hasWhere ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ")) + out.sql.text;
        narrowed.values << out.sql.values;
    }
    out.sql = narrowed;
    return out;
}

} // namespace brel
