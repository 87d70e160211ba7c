#include "search/AdvanceSearchForm.h"

#include "base/Messages.h"
#include "components/widgets/DataGrid.h"
#include "datastore/DataModule.h"
#include "datastore/SqlText.h"
#include "search/SearchChildForm.h"
#include "shell/HistoryObject.h"
#include "shell/MainForm.h"

#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace brel {

namespace {

QPointer<TAdvanceSearchFm> theBuilder;

enum Column { colItem, colList, colValue };

const char *RowProperty = "conditionRow";

} // namespace

TAdvanceSearchFm::TAdvanceSearchFm(QWidget *parent) : TEnterFm(parent)
{
    setObjectName(QStringLiteral("AdvanceSearchFm"));
    setWindowTitle(tr("房屋高级查找--(ESC键关闭此窗口)"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint
                   | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto *heading = new QLabel(tr("设置查找条件"), this);
    heading->setObjectName(QStringLiteral("lbHeading"));
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    heading->setFont(bold);
    layout->addWidget(heading);
    auto *help = new QLabel(tr("        请选择好“查找条件”及“查找内容”，然后按[开始查找]按钮查找您需要的房屋信息。"
                               "如果要进行指定范围的查找，如：查找80至120平米的房屋，则可以在查找内容里面输入80 "
                               "120，数字之间加一个空格就可以了。"),
                            this);
    help->setObjectName(QStringLiteral("lbHelp"));
    help->setWordWrap(true);
    help->setFixedWidth(560);
    layout->addWidget(help);

    dxTreeList = new QTableWidget(0, 3, this);
    dxTreeList->setObjectName(QStringLiteral("dxTreeList"));
    dxTreeList->setAccessibleName(tr("查找条件"));
    dxTreeList->setHorizontalHeaderLabels({tr("查找项目"), tr("查找条件"), tr("查找内容")});
    dxTreeList->verticalHeader()->hide();
    dxTreeList->verticalHeader()->setDefaultSectionSize(28);
    dxTreeList->setColumnWidth(colItem, 150);
    dxTreeList->setColumnWidth(colList, 130);
    dxTreeList->horizontalHeader()->setStretchLastSection(true);
    dxTreeList->setSelectionMode(QAbstractItemView::NoSelection);
    dxTreeList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab moves between the boxes of the rows, not between the table's cells.
    dxTreeList->setTabKeyNavigation(false);
    dxTreeList->setFocusPolicy(Qt::NoFocus);
    dxTreeList->setFixedSize(560, 340);
    heading->setBuddy(dxTreeList);
    layout->addWidget(dxTreeList);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    btnSearch = new QPushButton(tr("开始查找"), this);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    BitBtn1 = new QPushButton(tr("重新开始"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    btnClose = new QPushButton(tr("关闭窗口"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    for (QPushButton *b : {btnSearch, BitBtn1, btnClose}) {
        // Enter moves on to the next control here; it never presses a button for the user.
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);

    connect(btnSearch, &QPushButton::clicked, this, [this] { StartSearch(); });
    connect(BitBtn1, &QPushButton::clicked, this, &TAdvanceSearchFm::Restart);
    connect(btnClose, &QPushButton::clicked, this, &TAdvanceSearchFm::close);
}

TAdvanceSearchFm *TAdvanceSearchFm::instance()
{
    return theBuilder;
}

TAdvanceSearchFm *TAdvanceSearchFm::OpenAdvanceSearch(DataGrid *grid, const Sql &base, int stateIndex, Runner runs)
{
    if (!theBuilder) {
        TMainFm *main = TMainFm::instance();
        theBuilder = new TAdvanceSearchFm(main);
        if (main) // the builder belongs to the window shown when it opened
            connect(main, &TMainFm::aboutToShowChild, theBuilder.data(), &TAdvanceSearchFm::close);
    }
    TAdvanceSearchFm *b = theBuilder;
    b->m_grid = grid;
    b->m_base = base;
    b->m_stateIndex = stateIndex;
    b->m_runs = std::move(runs);
    b->FillConditionRows();
    const bool first = !b->isVisible();
    b->show();
    if (first) {
        b->adjustSize();
        if (const QScreen *screen = b->screen() ? b->screen() : QGuiApplication::primaryScreen())
            b->move(screen->availableGeometry().center() - b->rect().center());
    }
    b->raise();
    b->activateWindow();
    if (b->ConditionRowCount > 0)
        b->comparisonBox(0)->setFocus();
    return b;
}

QVector<FieldInfo> TAdvanceSearchFm::fieldsOfQuery() const
{
    DataSet *query = m_grid ? m_grid->dataSet() : nullptr;
    if (query && query->isActive())
        return query->fields();
    // Before the window's first search: the base statement's fields, no rows.
    if (!DM() || m_base.text.isEmpty())
        return {};
    Sql probe(m_base.text, m_base.values);
    probe.text += SqlText::findTopLevel(probe.text, QLatin1String("WHERE")) >= 0 ? QStringLiteral(" AND 0=1")
                                                                                  : QStringLiteral(" WHERE 0=1");
    DataSet fields(DM()->DbBase);
    fields.setSql(probe);
    fields.open();
    return fields.fields();
}

void TAdvanceSearchFm::FillConditionRows()
{
    dxTreeList->setRowCount(0);
    m_rows.clear();
    if (m_grid) {
        QHash<QString, FieldType> types;
        for (const FieldInfo &f : fieldsOfQuery())
            types.insert(f.name.toUpper(), f.type);
        const GridColumns &columns = m_grid->columns();
        for (int c : m_grid->columnsInShownOrder()) {
            const GridColumn &col = columns.at(c);
            if (!m_grid->isColumnVisible(c) || col.field.compare(QLatin1String("ZTW_TXT"), Qt::CaseInsensitive) == 0)
                continue;
            ConditionRow row;
            row.caption = col.caption;
            row.field = col.field;
            row.type = types.value(col.field.toUpper(), FieldType::Unknown);
            m_rows << row;
        }
    }
    ConditionRowCount = int(m_rows.size());
    dxTreeList->setRowCount(ConditionRowCount);
    QWidget *previous = nullptr;
    for (int i = 0; i < ConditionRowCount; ++i) {
        const ConditionRow &row = m_rows.at(i);
        auto *item = new QTableWidgetItem(row.caption);
        item->setFlags(Qt::ItemIsEnabled);
        dxTreeList->setItem(i, colItem, item);

        auto *comparison = new QComboBox;
        comparison->setObjectName(QStringLiteral("colList%1").arg(i));
        comparison->setAccessibleName(tr("%1的查找条件").arg(row.caption));
        comparison->addItem(QString());
        comparison->addItems(ConditionBuilder::comparisonTextsFor(row.type));
        comparison->setProperty(RowProperty, i);
        dxTreeList->setCellWidget(i, colList, comparison);

        auto *value = new QComboBox;
        value->setObjectName(QStringLiteral("colValue%1").arg(i));
        value->setAccessibleName(tr("%1的查找内容").arg(row.caption));
        value->setEditable(true);
        value->setInsertPolicy(QComboBox::NoInsert);
        value->setProperty(RowProperty, i);
        value->lineEdit()->setProperty(RowProperty, i);
        dxTreeList->setCellWidget(i, colValue, value);

        if (previous)
            setTabOrder(previous, comparison);
        setTabOrder(comparison, value);
        previous = value;
    }
    if (previous) {
        setTabOrder(previous, btnSearch);
        setTabOrder(btnSearch, BitBtn1);
        setTabOrder(BitBtn1, btnClose);
    }
}

QComboBox *TAdvanceSearchFm::comparisonBox(int row) const
{
    return qobject_cast<QComboBox *>(dxTreeList->cellWidget(row, colList));
}

QComboBox *TAdvanceSearchFm::valueBox(int row) const
{
    return qobject_cast<QComboBox *>(dxTreeList->cellWidget(row, colValue));
}

void TAdvanceSearchFm::FillConditionChoices(int row)
{
    QComboBox *value = valueBox(row);
    const Sql statement = ConditionBuilder::valueChoicesStatement(m_rows.at(row).field);
    if (!value || statement.text.isEmpty() || !DM())
        return;
    QStringList choices;
    DM()->FillPickList(choices, statement);
    // The list changes under the typed text, which stays as it is.
    const QString typed = value->currentText();
    value->clear();
    value->addItems(choices);
    value->setCurrentIndex(-1);
    value->setEditText(typed);
}

bool TAdvanceSearchFm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == this) {
        bool ok = false;
        const int row = watched->property(RowProperty).toInt(&ok);
        if (ok && row >= 0 && row < ConditionRowCount && watched == comparisonBox(row)) {
            dxTreeList->scrollTo(dxTreeList->model()->index(row, colList));
            FillConditionChoices(row);
        } else if (ok && row >= 0 && row < ConditionRowCount) {
            dxTreeList->scrollTo(dxTreeList->model()->index(row, colValue));
        }
    }
    return TEnterFm::eventFilter(watched, event);
}

QVector<ConditionRow> TAdvanceSearchFm::Conditions() const
{
    QVector<ConditionRow> out = m_rows;
    for (int i = 0; i < out.size(); ++i) {
        out[i].comparison = ConditionBuilder::comparisonOfText(comparisonBox(i)->currentText());
        out[i].value = valueBox(i)->currentText();
    }
    return out;
}

bool TAdvanceSearchFm::StartSearch()
{
    if (!m_grid || !m_grid->dataSet())
        return false;
    const QVector<ConditionRow> rows = Conditions();
    const ConditionBuilder::Result built = m_runs ? ConditionBuilder::where(rows, m_stateIndex)
                                                  : ConditionBuilder::statement(m_base, rows, m_stateIndex);
    if (!built.ok()) {
        // A silently empty grid would read as "no such houses": say what is wrong.
        Messages::error(built.error);
        QComboBox *box = built.inComparison ? comparisonBox(built.errorRow) : valueBox(built.errorRow);
        box->setFocus();
        return false;
    }
    const Sql statement =
        m_runs ? m_base.followedBy(built.sql) : built.sql;
    try {
        if (m_runs)
            m_runs(built.sql);
        else
            run(statement);
    } catch (const EngineError &e) {
        Messages::error(e.message());
        return false;
    }
    emit searched(statement);
    return true;
}

void TAdvanceSearchFm::run(const Sql &statement)
{
    DataSet *query = m_grid->dataSet();
    // Opened before it is recorded: a statement that did not run is no step of the history.
    DM()->OpenQuery(query, statement);
    if (TMainFm *main = TMainFm::instance(); main && main->CurrentChild()) {
        if (THistoryObject *history = main->CurrentChild()->SearchHistory())
            history->Push(0, statement);
    }
    DM()->dsNavigator->setDataSet(query);
}

TAdvanceSearchFm *TAdvanceSearchFm::OpenFor(TSearchChildFm *window)
{
    QPointer<TSearchChildFm> target(window);
    return OpenAdvanceSearch(window->dgSearch, window->AdvanceBaseSql, window->AreaIndex(), [target](const Sql &where) {
        if (!target)
            return;
        // The window's own new search: its sort mark orders the rows, its
        // history records the statement, its footer counts it.
        const auto [field, direction] = target->SortOfGrid();
        target->RunSearch(where, field, direction, true, false);
    });
}

void TAdvanceSearchFm::Attach(TSearchChildFm *window)
{
    connect(window->btnAdvance, &QPushButton::clicked, window, [window] { OpenFor(window); });
}

void TAdvanceSearchFm::Restart()
{
    for (int i = 0; i < ConditionRowCount; ++i) {
        comparisonBox(i)->setCurrentIndex(0);
        valueBox(i)->setEditText(QString());
    }
}

} // namespace brel
