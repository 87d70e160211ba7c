#include "search/SearchChildForm.h"

#include "ui_SearchChildForm.h"

#include "base/Messages.h"
#include "components/widgets/DataBoxes.h"
#include "components/widgets/DataGrid.h"
#include "datastore/DataModule.h"
#include "datastore/FieldValue.h"
#include "datastore/Globalvar.h"
#include "datastore/Rights.h"
#include "datastore/SqlText.h"
#include "shell/MainForm.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QVBoxLayout>

namespace brel {

namespace {

const QString AddressCaption = QStringLiteral("房屋地址");
const QString StateCaption = QStringLiteral("状态位");
const QString BranchCaption = QStringLiteral("所属分店");
/// Columns hidden behind "*" from a user who may not see the row's contacts,
/// as the management windows hide their boxes.
const QStringList ContactFields = {QStringLiteral("LXRDH1"), QStringLiteral("LXRSFZH")};

/// Background of let or sold rows (01) and of voided rows (02).
const QColor ClosedColour(0xC0, 0xC0, 0xC0);
const QColor VoidColour(0x80, 0x80, 0x80);

QStringList &sheetIds()
{
    static QStringList ids;
    return ids;
}

/// The statement without its order: what is counted and compared.
Sql unordered(Sql sql)
{
    sql.orderBy.clear();
    return sql;
}

/// Makes a command available only when it already is and allowed says so
/// (the main window set it from the navigator before).
void narrow(QAction *action, bool allowed)
{
    if (action)
        action->setEnabled(action->isEnabled() && allowed);
}

} // namespace

const QStringList &TSearchChildFm::SheetIds()
{
    return sheetIds();
}

TSearchChildFm::TSearchChildFm(QWidget *parent)
    : TChildFm(parent)
    , ui(new Ui::TSearchChildFm)
{
    setObjectName(QStringLiteral("SearchChildFm"));
    auto *body = new QWidget(this);
    ui->setupUi(body);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(body);

    rgArea = ui->rgArea;
    rgAreaButtons = new QButtonGroup(this);
    rbLRRQ = ui->rbLRRQ;
    edLRRQ = ui->edLRRQ;
    rbSJH = ui->rbSJH;
    edSJH = ui->edSJH;
    btnStart = ui->btnStart;
    btnAdvance = ui->btnAdvance;
    dgSearch = ui->dgSearch;
    pnMatch = ui->pnMatch;
    btnShowMatch = ui->btnShowMatch;
    CheckListBox = ui->CheckListBox;
    btnMatch = ui->btnMatch;
    dgMatch = ui->dgMatch;
    edLRRQ->setFixedWidth(edLRRQ->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 40);
    edSJH->setFixedWidth(edLRRQ->width());

    QSearch = new DataSet(DM()->DbBase, this);
    QSearch->setObjectName(QStringLiteral("QSearch"));
    dsSearch = new DataSource(this);
    dsSearch->setDataSet(QSearch);
    QMatch = new DataSet(DM()->DbBase, this);
    QMatch->setObjectName(QStringLiteral("QMatch"));
    // Matched rows are looked at and handed over, never written here.
    QMatch->setReadOnly(true);
    dsMatch = new DataSource(this);
    dsMatch->setDataSet(QMatch);
    connect(QSearch, &DataSet::afterOpen, this, [this] { m_plans[0].valid = false; });
    connect(QMatch, &DataSet::afterOpen, this, [this] { m_plans[1].valid = false; });
    // A row written or read again may have another state.
    connect(QSearch, &DataSet::dataChanged, this, [this] { m_plans[0].colourRow = -1; });
    connect(QMatch, &DataSet::dataChanged, this, [this] { m_plans[1].colourRow = -1; });

    dgSearch->setSelectionMode(QAbstractItemView::ExtendedSelection);
    dgSearch->setSelectionBehavior(QAbstractItemView::SelectRows);
    dgSearch->setFooterVisible(true);
    // A large result shows at once; its rows grow to the count right after.
    dgSearch->setDeferredRowCount(true);
    dgSearch->setAccessibleName(tr("查询结果"));
    dgMatch->setSelectionBehavior(QAbstractItemView::SelectRows);
    dgMatch->setFooterVisible(true);
    dgMatch->setAccessibleName(tr("配对结果"));

    CheckListBox->setFlow(QListView::LeftToRight);
    CheckListBox->setWrapping(true);
    CheckListBox->setResizeMode(QListView::Adjust);
    CheckListBox->setFixedHeight(CheckListBox->fontMetrics().height() * 3 + 16);

    buildMenu();
    wireControls();
    SetMatchPanelOpen(false);
    setFirstControl(edLRRQ);
}

TSearchChildFm::~TSearchChildFm()
{
    // Grids first: they save their layouts while their data sets exist.
    dgSearch->clearFilters();
    delete dgSearch;
    delete dgMatch;
    sheetIds().clear();
    delete ui;
}

QList<QPair<QAction *, DataNavigator::Button>> TSearchChildFm::navigatorItems() const
{
    return {{pAdd, DataNavigator::Insert}, {pEdit, DataNavigator::Edit},     {pDel, DataNavigator::Delete},
            {pSave, DataNavigator::Post},  {pCancel, DataNavigator::Cancel}, {pFirst, DataNavigator::First},
            {pPrev, DataNavigator::Prior}, {pNext, DataNavigator::Next},     {pLast, DataNavigator::Last},
            {pRefresh, DataNavigator::Refresh}};
}

void TSearchChildFm::buildMenu()
{
    pmRecord = new QMenu(this);
    pmRecord->setObjectName(QStringLiteral("pmRecord"));
    auto item = [this](const char *name, const QString &caption) {
        QAction *a = pmRecord->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    pSimple = item("pSimple", tr("显示主要信息"));
    pDetail = item("pDetail", tr("显示详细信息"));
    pSimple->setCheckable(true);
    pDetail->setCheckable(true);
    pmRecord->addSeparator();
    pAdd = item("pAdd", tr("新添"));
    pEdit = item("pEdit", tr("修改"));
    pDel = item("pDel", tr("删除"));
    pSave = item("pSave", tr("保存"));
    pCancel = item("pCancel", tr("取消"));
    pmRecord->addSeparator();
    pFirst = item("pFirst", tr("首条"));
    pPrev = item("pPrev", tr("上一条"));
    pNext = item("pNext", tr("下一条"));
    pLast = item("pLast", tr("末条"));
    pRefresh = item("pRefresh", tr("刷新"));
    pmRecord->addSeparator();
    pPrintRelease = item("pPrintRelease", tr("打印信息公告"));
    pPrintReturn = item("pPrintReturn", tr("打印回执"));
    pPrintSave = item("pPrintSave", tr("打印存档"));

    connect(pSimple, &QAction::triggered, this, &TSearchChildFm::ShowSimpleView);
    connect(pDetail, &QAction::triggered, this, &TSearchChildFm::ShowDetailedView);
    for (const auto &[action, button] : navigatorItems()) {
        connect(action, &QAction::triggered, this, [button = button] {
            if (TMainFm *main = TMainFm::instance()) {
                main->MatchSide = false;
                main->PressNavigator(button);
            }
        });
    }
    for (int i = 0; i < 3; ++i) {
        QAction *a = i == 0 ? pPrintRelease : i == 1 ? pPrintReturn : pPrintSave;
        connect(a, &QAction::triggered, this, [this, i] { printSheet(m_printCommands[i]); });
        a->setVisible(false);
    }

    dgSearch->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dgSearch, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { pmRecord->popup(dgSearch->viewport()->mapToGlobal(at)); });
}

void TSearchChildFm::wireControls()
{
    connect(btnStart, &QPushButton::clicked, this, &TSearchChildFm::StartSearch);
    connect(btnAdvance, &QPushButton::clicked, this, [this] { OpenAdvanceSearch(); });
    connect(btnMatch, &QPushButton::clicked, this, &TSearchChildFm::RunMatch);
    connect(btnShowMatch, &QToolButton::toggled, this, &TSearchChildFm::SetMatchPanelOpen);
    // Clicking a radio button takes the focus into its box; typing into a box
    // selects its radio button.
    connect(rbLRRQ, &QRadioButton::clicked, edLRRQ, [this] { edLRRQ->setFocus(); });
    connect(rbSJH, &QRadioButton::clicked, edSJH, [this] { edSJH->setFocus(); });
    connect(edLRRQ, &QLineEdit::textEdited, rbLRRQ, [this] { rbLRRQ->setChecked(true); });
    connect(edSJH, &QLineEdit::textEdited, rbSJH, [this] { rbSJH->setChecked(true); });

    connect(dgSearch, &DataGrid::sortRequested, this, &TSearchChildFm::onSortRequested);
    connect(dgSearch, &DataGrid::currentRowChanged, this, &TSearchChildFm::rememberCurrentRow);
    connect(dgSearch, &DataGrid::rowDoubleClicked, this, [this] { doubleClicked(false); });
    connect(dgMatch, &DataGrid::rowDoubleClicked, this, [this] { doubleClicked(true); });
    // Cell drawing of both grids goes through the one hook, told which grid it draws.
    dgSearch->setCellHook([this](int row, int column, QColor &background, QString &text) {
        m_drawnGrid = dgSearch;
        DrawGridCell(RightsGroupIndex, column, background, text, row);
        m_drawnGrid = nullptr;
    });
    dgMatch->setCellHook([this](int row, int column, QColor &background, QString &text) {
        m_drawnGrid = dgMatch;
        DrawGridCell(m_matchGroup, column, background, text, row);
        m_drawnGrid = nullptr;
    });
}

// ------------------------------------------------------------------ set up

void TSearchChildFm::SetAreaItems(const QStringList &items, int defaultIndex)
{
    for (QAbstractButton *b : rgAreaButtons->buttons()) {
        rgAreaButtons->removeButton(b);
        delete b;
    }
    auto *grid = static_cast<QGridLayout *>(rgArea->layout());
    for (int i = 0; i < items.size(); ++i) {
        auto *b = new QRadioButton(items.at(i), rgArea);
        b->setObjectName(QStringLiteral("rgArea%1").arg(i));
        rgAreaButtons->addButton(b, i);
        // Four columns, as many rows as needed.
        grid->addWidget(b, i / 4, i % 4);
    }
    SetAreaIndex(defaultIndex);
}

int TSearchChildFm::AreaIndex() const
{
    return std::max(0, rgAreaButtons->checkedId());
}

void TSearchChildFm::SetAreaIndex(int index)
{
    if (QAbstractButton *b = rgAreaButtons->button(index))
        b->setChecked(true);
}

void TSearchChildFm::SetSearchColumns(const GridColumns &columns, const QString &layoutKey)
{
    dgSearch->setColumns(columns);
    dgSearch->setLayoutKey(layoutKey);
    dgSearch->restoreLayout();
    dgSearch->setDataSource(dsSearch);
    const int receipt = dgSearch->columnOfCaption(ReceiptCaption());
    dgSearch->setFooterFunction(receipt >= 0 ? receipt : 0, [this] {
        const int n = CurrentCount();
        return n < 0 ? QString() : tr("%1 条").arg(n);
    });
    applyAddressBinding();
    ShowSimpleView();
}

void TSearchChildFm::applyAddressBinding()
{
    // The administrator reads the full address in every row.
    if (CurrentUser.Id != 1)
        return;
    GridColumns columns = dgSearch->columns();
    bool changed = false;
    for (GridColumn &c : columns) {
        if (c.caption == AddressCaption && c.field == QLatin1String("DGDZ")) {
            c.field = QStringLiteral("FWDZ");
            changed = true;
        }
    }
    if (changed)
        dgSearch->setColumns(columns);
    m_plans[0].valid = false;
}

void TSearchChildFm::SetManageCommands(const QString &search, const QString &match)
{
    m_searchManage = search;
    m_matchManage = match;
}

void TSearchChildFm::SetPrintCommands(const QString &release, const QString &receipt, const QString &archive)
{
    m_printCommands[0] = release;
    m_printCommands[1] = receipt;
    m_printCommands[2] = archive;
    pPrintRelease->setVisible(!release.isEmpty());
    pPrintReturn->setVisible(!receipt.isEmpty());
    pPrintSave->setVisible(!archive.isEmpty());
}

void TSearchChildFm::StartFromEarliestEntry(const QString &table)
{
    edLRRQ->setDate(EarliestEntryDate(table));
}

// ------------------------------------------------------------------ search

std::optional<Sql> TSearchChildFm::BuildWhere()
{
    if (rbSJH->isChecked())
        return Sql(QStringLiteral(" WHERE SJH=?"), {edSJH->text()});
    const QString caption = tr("开始日期");
    if (!CheckDate(caption, edLRRQ->text()))
        return std::nullopt;
    // Dates are stored as yyyy-MM-dd texts: the box's date in that form
    // compares as the day it shows, whatever spelling was typed.
    const QVariant value = dateFromText(edLRRQ->text());
    const QDate date = value.userType() == QMetaType::QDateTime ? value.toDateTime().date() : value.toDate();
    const QString day = date.toString(QStringLiteral("yyyy-MM-dd"));
    const int area = AreaIndex();
    if (area <= 0)
        return Sql(QStringLiteral(" WHERE LRRQ>=?"), {day});
    return Sql(QStringLiteral(" WHERE ZTW=? AND LRRQ>=?"), {StateCode(area - 1), day});
}

QPair<QString, QString> TSearchChildFm::SortOfGrid() const
{
    const GridColumns &columns = dgSearch->columns();
    int column = -1;
    for (int c = 0; c < columns.size() && column < 0; ++c)
        if (dgSearch->sortMark(c) != SortMark::None)
            column = c;
    SortMark mark = column >= 0 ? dgSearch->sortMark(column) : SortMark::Ascending;
    if (column < 0) {
        for (int c : dgSearch->columnsInShownOrder()) {
            if (dgSearch->isColumnVisible(c)) {
                column = c;
                break;
            }
        }
    }
    QString field = column >= 0 ? columns.at(column).field : QString();
    if (!isPlainIdentifier(field))
        field = QStringLiteral("SJH");
    return {field, sortDirection(mark)};
}

void TSearchChildFm::StartSearch()
{
    const std::optional<Sql> where = BuildWhere();
    if (!where)
        return;
    const auto [field, direction] = SortOfGrid();
    RunSearch(*where, field, direction, true, false);
}

namespace {

/// "ZTW_TXT" sorts by the code it shows; anything but a plain name by the receipt number.
QString orderTerm(QString field, const QString &direction)
{
    if (field.compare(QLatin1String("ZTW_TXT"), Qt::CaseInsensitive) == 0)
        field = QStringLiteral("ZTW");
    if (!isPlainIdentifier(field))
        field = QStringLiteral("SJH");
    return field + QLatin1Char(' ') + (direction == QLatin1String("DESC") ? QStringLiteral("DESC") : QStringLiteral("ASC"));
}

} // namespace

void TSearchChildFm::RunSearch(const Sql &where, const QString &sortField, const QString &direction, bool isNew,
                               bool skipHistory)
{
    if (isNew) {
        const Sql statement = SearchBaseSql.followedBy(where).withOrderBy(orderTerm(sortField, direction));
        if (!skipHistory)
            m_history.Push(0, statement);
        openSearch(statement, 0);
        return;
    }
    const Sql statement = m_history.Current();
    if (statement.text.isEmpty())
        return;
    const qint64 id = m_history.GetCurrentId();
    if (showsCurrentStatement(statement)) {
        // The statement shown is the one to run. With nothing written
        // meanwhile its rows are the rows shown: nothing is read again.
        // Otherwise they are read again around the row the cursor is on.
        const qint64 stamp = DM()->DbBase->changeStamp();
        if (stamp != m_openedStamp) {
            m_opening = true;
            QSearch->refresh();
            m_opening = false;
            m_openedStamp = stamp;
        }
        if (id != 0 && QSearch->currentId() != id)
            QSearch->locate(id);
        DM()->dsNavigator->setDataSet(QSearch);
        return;
    }
    openSearch(statement, id);
}

bool TSearchChildFm::showsCurrentStatement(const Sql &statement) const
{
    return QSearch->isActive() && dgSearch->filters().isEmpty() && QSearch->sql() == statement;
}

void TSearchChildFm::openSearch(const Sql &statement, qint64 findId)
{
    m_opening = true;
    try {
        DM()->OpenQuery(QSearch, statement);
    } catch (...) {
        m_opening = false;
        QSearch->close();
        DM()->dsNavigator->setDataSet(QSearch);
        throw;
    }
    m_openedStamp = DM()->DbBase->changeStamp();
    m_opening = false;
    if (findId != 0)
        QSearch->locate(findId);
    DM()->dsNavigator->setDataSet(QSearch);
}

void TSearchChildFm::rememberCurrentRow()
{
    if (!m_opening && QSearch->isActive())
        m_history.SetCurrentId(QSearch->currentId());
}

void TSearchChildFm::onSortRequested(const QString &field, Qt::SortOrder order)
{
    const std::optional<Sql> where = BuildWhere();
    if (!where) {
        // The grid stays as it was, its mark too.
        for (int c = 0; c < dgSearch->columns().size(); ++c)
            dgSearch->setSortMark(c, c == m_sortColumn ? SortMark(m_sortMark) : SortMark::None);
        return;
    }
    m_sortColumn = dgSearch->sortedColumn();
    m_sortMark = int(m_sortColumn >= 0 ? dgSearch->sortMark(m_sortColumn) : SortMark::None);
    ResortCurrent(*where, field, order == Qt::DescendingOrder ? QStringLiteral("DESC") : QStringLiteral("ASC"));
}

void TSearchChildFm::ResortCurrent(const Sql &where, const QString &sortField, const QString &direction)
{
    const QString order = orderTerm(sortField, direction);
    Sql statement = m_history.Current();
    if (!statement.text.isEmpty()) {
        statement.orderBy = order;
        m_history.ReplaceCurrent(statement);
    } else {
        statement = SearchBaseSql.followedBy(where).withOrderBy(order);
    }
    openSearch(statement, 0);
}

int TSearchChildFm::CurrentCount()
{
    const Sql current = unordered(m_history.Current());
    if (current.text.isEmpty())
        return -1;
    const qint64 stamp = DM()->DbBase->changeStamp();
    if (m_count >= 0 && m_countedSql == current && m_countedStamp == stamp)
        return m_count;
    if (QSearch->isActive() && dgSearch->filters().isEmpty() && unordered(QSearch->sql()) == current) {
        // The grid counts its rows anyway: one count serves both.
        m_count = QSearch->recordCount();
    } else {
        auto st = DM()->DbBase->prepare(SqlText::countOf(current));
        m_count = st->step() ? int(st->int64(0)) : 0;
    }
    m_countedSql = current;
    m_countedStamp = stamp;
    return m_count;
}

// ------------------------------------------------------------------- views

void TSearchChildFm::ShowSimpleView()
{
    dgSearch->showColumnsOfTag(1);
    pSimple->setChecked(true);
    pDetail->setChecked(false);
}

void TSearchChildFm::ShowDetailedView()
{
    dgSearch->showAllColumns();
    pSimple->setChecked(false);
    pDetail->setChecked(true);
}

void TSearchChildFm::SetMatchPanelOpen(bool open)
{
    ui->pnMatchBody->setVisible(open);
    // Open, the match grid takes two fifths of the height; closed, none.
    ui->lyBody->setStretchFactor(pnMatch, open ? 2 : 0);
    btnShowMatch->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
    if (btnShowMatch->isChecked() != open)
        btnShowMatch->setChecked(open);
}

bool TSearchChildFm::IsMatchPanelOpen() const
{
    return ui->pnMatchBody->isVisibleTo(pnMatch);
}

// ------------------------------------------------------------------ rights

void TSearchChildFm::RefreshRecordRights()
{
    TChildFm::RefreshRecordRights();
    const int g = RightsGroupIndex;
    if (g < 1 || g > 3)
        return;
    const bool hasRow = QSearch->isActive() && !QSearch->isEmpty();
    const QString branch = hasRow ? QSearch->asText(QStringLiteral("SSFD")) : QString();
    const QString enteredBy = hasRow ? QSearch->asText(QStringLiteral("LRR")) : QString();
    TMainFm *main = TMainFm::instance();
    QAction *add = main ? main->command(QStringLiteral("btnAdd")) : nullptr;
    QAction *edit = main ? main->command(QStringLiteral("btnEdit")) : nullptr;
    QAction *del = main ? main->command(QStringLiteral("btnDel")) : nullptr;
    narrow(add, CanAddRecord(g));
    narrow(edit, hasRow && CanEditRecord(g, branch, enteredBy));
    narrow(del, hasRow && CanDeleteRecord(g, branch, enteredBy));
    pAdd->setEnabled(add ? add->isEnabled() : CanAddRecord(g));
    pEdit->setEnabled(edit ? edit->isEnabled() : false);
    pDel->setEnabled(del ? del->isEnabled() : false);
    const bool print = hasRow && CanPrintRecord(g, branch, enteredBy);
    for (QAction *a : {pPrintRelease, pPrintReturn, pPrintSave})
        a->setEnabled(print);
}

void TSearchChildFm::NavigatorStatesChanged(const DataNavigator &navigator)
{
    for (const auto &[action, button] : navigatorItems())
        action->setEnabled(navigator.isEnabled(button));
}

TSearchChildFm::CellPlan &TSearchChildFm::planFor(DataGrid *grid)
{
    CellPlan &plan = m_plans[grid == dgMatch ? 1 : 0];
    if (plan.valid)
        return plan;
    // Worked out once per result and set of columns: a grid draws every
    // cell of every screen through here.
    const DataSet *ds = grid->dataSet();
    const GridColumns &columns = grid->columns();
    plan = CellPlan();
    plan.valid = true;
    plan.addressColumn = grid->columnOfCaption(AddressCaption);
    const int branchColumn = grid->columnOfCaption(BranchCaption);
    plan.branch = branchColumn >= 0 ? ds->fieldIndex(columns.at(branchColumn).field) : -1;
    plan.colours = grid->columnOfCaption(StateCaption) >= 0;
    plan.fullAddress = ds->fieldIndex(QStringLiteral("FWDZ"));
    plan.state = ds->fieldIndex(QStringLiteral("ZTW"));
    plan.enteredBy = ds->fieldIndex(QStringLiteral("LRR"));
    plan.contact.fill(false, columns.size());
    for (int c = 0; c < columns.size(); ++c)
        plan.contact[c] = ContactFields.contains(columns.at(c).field);
    return plan;
}

void TSearchChildFm::DrawGridCell(int groupIndex, int column, QColor &background, QString &text, int row)
{
    DataGrid *grid = m_drawnGrid;
    DataSet *ds = grid ? grid->dataSet() : nullptr;
    if (!ds || !ds->isActive() || column < 0 || column >= grid->columns().size())
        return;
    CellPlan &plan = planFor(grid);
    auto branch = [&] { return plan.branch >= 0 ? ds->valueAt(row, plan.branch).toString() : QString(); };
    if (column == plan.addressColumn && plan.fullAddress >= 0) {
        const bool full = CurrentUser.Id == 1
                          || (groupIndex >= 1 && groupIndex <= 3 && CurrentUser.Res[groupIndex].DHQX
                              && !CurrentUser.SSFD.isEmpty() && branch() == CurrentUser.SSFD);
        if (full)
            text = ds->valueAt(row, plan.fullAddress).toString();
    }
    if (column < plan.contact.size() && plan.contact.at(column) && CurrentUser.Id != 1 && !text.isEmpty()) {
        const QString clerk = plan.enteredBy >= 0 ? ds->valueAt(row, plan.enteredBy).toString() : QString();
        if (!CanSeeContacts(groupIndex, branch(), clerk))
            text = QString(text.size(), QLatin1Char('*'));
    }
    if (plan.colours && plan.state >= 0) {
        // Every cell of a row has the row's colour: its state is read once.
        if (plan.colourRow != row) {
            const QString state = ds->valueAt(row, plan.state).toString();
            plan.colourRow = row;
            plan.colour = state == QLatin1String("01") ? ClosedColour
                          : state == QLatin1String("02") ? VoidColour
                                                         : QColor();
        }
        if (plan.colour.isValid())
            background = plan.colour;
    }
}

// -------------------------------------------------------------------- rows

qint64 TSearchChildFm::MatchedId() const
{
    return QMatch->isActive() ? QMatch->currentId() : 0;
}

void TSearchChildFm::doubleClicked(bool matchSide)
{
    TMainFm *main = TMainFm::instance();
    if (!main)
        return;
    main->MatchSide = matchSide;
    main->PressNavigator(DataNavigator::Edit);
}

QList<int> TSearchChildFm::selectedRows() const
{
    if (!QSearch->isActive() || QSearch->isEmpty())
        return {};
    const QList<int> rows = dgSearch->selectedRowNumbers();
    return rows.isEmpty() ? QList<int>{QSearch->recNo()} : rows;
}

void TSearchChildFm::CollectSelectedIds()
{
    SelectedIds.clear();
    const int id = QSearch->fieldIndex(QStringLiteral("ID"));
    for (int row : selectedRows())
        SelectedIds << QString::number(QSearch->valueAt(row, id).toLongLong());
}

void TSearchChildFm::printSheet(const QString &command)
{
    TMainFm *main = TMainFm::instance();
    QAction *sheet = main && !command.isEmpty() ? main->command(command) : nullptr;
    if (!sheet)
        return;
    CollectSelectedIds();
    // Selected rows the user may not print (another branch) stay behind:
    // the print right holds for every row handed, not only the current one.
    const QList<int> rows = selectedRows();
    const int group = RightsGroupIndex;
    const int branch = QSearch->fieldIndex(QStringLiteral("SSFD"));
    const int enteredBy = QSearch->fieldIndex(QStringLiteral("LRR"));
    QStringList printable;
    for (int i = 0; i < rows.size() && i < SelectedIds.size(); ++i) {
        const QString rowBranch = branch >= 0 ? QSearch->valueAt(rows.at(i), branch).toString() : QString();
        const QString rowClerk = enteredBy >= 0 ? QSearch->valueAt(rows.at(i), enteredBy).toString() : QString();
        if (group < 1 || CanPrintRecord(group, rowBranch, rowClerk))
            printable << SelectedIds.at(i);
    }
    if (printable.isEmpty())
        return;
    // The sheet reads the Ids while its command runs; afterwards a sheet
    // started elsewhere prints its own current row again.
    sheetIds() = printable;
    struct Clear {
        ~Clear() { sheetIds().clear(); }
    } clear;
    sheet->trigger();
}

// ------------------------------------------------------------------ export

bool TSearchChildFm::ExportGrid(const QString &caption)
{
    const QString folder = WorkingFile.isEmpty() ? QString() : QFileInfo(WorkingFile).absolutePath();
    const QString proposed = folder.isEmpty() ? caption : folder + QLatin1Char('/') + caption;
    return dgSearch->exportWithDialog(proposed, caption);
}

// -------------------------------------------------------------- lifecycle

void TSearchChildFm::showEvent(QShowEvent *event)
{
    TChildFm::showEvent(event);
    if (edLRRQ->isEnabled())
        edLRRQ->setFocus();
}

void TSearchChildFm::closeEvent(QCloseEvent *event)
{
    SelectedIds.clear();
    TChildFm::closeEvent(event);
}

bool TSearchChildFm::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == edLRRQ || watched == edSJH) && event->type() == QEvent::FocusIn)
        (watched == edLRRQ ? rbLRRQ : rbSJH)->setChecked(true);
    // The window watches every event of the program (see TEnterFm): only
    // the box's own delivery of the key counts.
    if ((watched == edLRRQ || watched == edSJH) && event->type() == QEvent::KeyPress
        && static_cast<QWidget *>(watched)->hasFocus()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            StartSearch();
            return true;
        }
    }
    return TChildFm::eventFilter(watched, event);
}

} // namespace brel
