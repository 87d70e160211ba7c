// The match panel of the search windows: the criteria list and the
// statement of the opposite register that the ticked criteria make.
#include "search/SearchChildForm.h"

#include "base/Messages.h"
#include "components/GridColumn.h"
#include "components/widgets/DataGrid.h"
#include "datastore/DataModule.h"

#include <QListWidget>

namespace brel {

namespace {

const QString CriterionPrefix = QStringLiteral("按 ");

/// First column whose caption contains caption, -1 when none.
int columnContaining(const GridColumns &columns, const QString &caption)
{
    for (int c = 0; c < columns.size(); ++c)
        if (columns.at(c).caption.contains(caption))
            return c;
    return -1;
}

} // namespace

void TSearchChildFm::SetMatchColumns(const GridColumns &columns, const QString &layoutKey, int matchGroup)
{
    m_matchGroup = matchGroup;
    m_plans[1].valid = false;
    dgMatch->setColumns(columns);
    dgMatch->setLayoutKey(layoutKey);
    dgMatch->restoreLayout();
    dgMatch->setDataSource(dsMatch);
    const int receipt = dgMatch->columnOfCaption(ReceiptCaption());
    dgMatch->setFooterRowCount(receipt >= 0 ? receipt : 0, tr("%1 条"));
    CheckListBox->clear();
    for (const GridColumn &c : columns) {
        if (c.tag != 1)
            continue;
        auto *item = new QListWidgetItem(CriterionPrefix + c.caption, CheckListBox);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    // Six criteria to a line.
    const int width = CheckListBox->fontMetrics().horizontalAdvance(QStringLiteral("按 联系人身份证号")) + 36;
    CheckListBox->setGridSize(QSize(width, CheckListBox->fontMetrics().height() + 6));
    CheckListBox->setFixedWidth(width * 6 + 8);
}

bool TSearchChildFm::SetCriterionChecked(const QString &caption, bool checked)
{
    for (int i = 0; i < CheckListBox->count(); ++i) {
        QListWidgetItem *item = CheckListBox->item(i);
        if (item->text() == CriterionPrefix + caption) {
            item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
            return true;
        }
    }
    return false;
}

std::optional<Sql> TSearchChildFm::MatchWhere()
{
    QStringList conditions;
    QVariantList values;
    bool ticked = false;
    for (int i = 0; i < CheckListBox->count(); ++i) {
        const QListWidgetItem *item = CheckListBox->item(i);
        if (item->checkState() != Qt::Checked)
            continue;
        if (!ticked && (!QSearch->isActive() || QSearch->isEmpty())) {
            Messages::information(tr("没有可以配对的记录，请先查询。"));
            return std::nullopt;
        }
        ticked = true;
        const QString caption = item->text().mid(CriterionPrefix.size());
        const int matchColumn = columnContaining(dgMatch->columns(), caption);
        if (matchColumn < 0)
            continue;
        const QString matchField = dgMatch->columns().at(matchColumn).field;
        // The searched record's field under the same caption; a criterion the
        // search grid does not show compares the record's own field of the
        // matched column's name.
        const int searchColumn = columnContaining(dgSearch->columns(), caption);
        QString searchField = searchColumn >= 0 ? dgSearch->columns().at(searchColumn).field : matchField;
        int f = QSearch->fieldIndex(searchField);
        if (f < 0 || !isPlainIdentifier(matchField))
            continue;
        const FieldType type = QSearch->fieldInfo(f).type;
        const QVariant value = QSearch->value(f);
        switch (type) {
        case FieldType::Integer:
        case FieldType::Money:
        case FieldType::Float:
            if (value.isNull() || QSearch->asText(searchField).trimmed().isEmpty()) {
                Messages::information(tr("当前记录的“%1”为空，不能按此条件配对。").arg(caption));
                return std::nullopt;
            }
            conditions << QStringLiteral("%1%2?").arg(matchField, m_matchOperator);
            if (type == FieldType::Integer)
                values << QSearch->asInt(searchField);
            else
                values << QSearch->asMoney(searchField).toDouble();
            break;
        case FieldType::Date:
            conditions << QStringLiteral("%1=?").arg(matchField);
            values << QSearch->asDate(searchField).toString(QStringLiteral("yyyy-MM-dd"));
            break;
        default:
            // "Contains": the value matches literally, % and _ included.
            conditions << QStringLiteral("%1 LIKE ? ESCAPE '\\'").arg(matchField);
            values << QLatin1Char('%') + escapeLike(QSearch->asText(searchField)) + QLatin1Char('%');
            break;
        }
    }
    if (conditions.isEmpty())
        return Sql();
    return Sql(QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND ")), values);
}

void TSearchChildFm::RunMatch()
{
    if (MatchBaseSql.text.isEmpty())
        return;
    const std::optional<Sql> where = MatchWhere();
    if (!where || where->text.isEmpty())
        return;
    DM()->OpenQuery(QMatch, MatchBaseSql.followedBy(*where).withOrderBy(QStringLiteral("SJH ASC")));
}

} // namespace brel
