#include "components/widgets/DataGrid.h"

#include "base/Messages.h"
#include "components/DataSetExport.h"
#include "components/GridExport.h"
#include "components/SettingsStore.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSet>

namespace brel {

namespace {
// Rows a data set reads per trip at the least, however small the grid.
constexpr int MinReadAhead = 16;
} // namespace

// ------------------------------------------------------------- GridFooter

/// The footer row under the grid's columns.
class GridFooter : public QWidget {
public:
    struct Cell {
        QString text;
        QString countPattern;
        std::function<QString()> function;
    };

    explicit GridFooter(DataGrid *grid) : QWidget(grid), m_grid(grid) {}

    QString textOf(int column) const
    {
        const auto it = cells.constFind(column);
        if (it == cells.cend())
            return {};
        if (it->function)
            return it->function();
        if (!it->countPattern.isEmpty())
            return QString(it->countPattern).replace(QLatin1String("%1"), QString::number(m_grid->m_model->totalRowCount()));
        return it->text;
    }

    /// Asks the functions and the count again (the rows or the cells changed).
    void retry()
    {
        m_failed = false;
        update();
    }

    QSize sizeHint() const override { return {100, fontMetrics().height() + 8}; }

    QHash<int, Cell> cells;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(0, 0, width(), 0);
        const QHeaderView *header = m_grid->horizontalHeader();
        for (int column = 0; column < header->count(); ++column) {
            if (header->isSectionHidden(column))
                continue;
            const QRect cell(header->sectionViewportPosition(column), 1, header->sectionSize(column), height() - 1);
            if (cell.right() < 0 || cell.left() > width())
                continue;
            p.setPen(palette().color(QPalette::Mid));
            p.drawLine(cell.topRight(), cell.bottomRight());
            const QString text = shownText(column);
            if (!text.isEmpty()) {
                p.setPen(palette().color(QPalette::WindowText));
                p.drawText(cell.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
            }
        }
    }

private:
    // Painting must not unwind: a function or count the engine cannot
    // answer leaves its cell empty, is reported once after the paint, and
    // is not asked again until the rows change.
    QString shownText(int column)
    {
        const Cell cell = cells.value(column);
        if (!cell.function && cell.countPattern.isEmpty())
            return cell.text;
        if (m_failed)
            return {};
        try {
            return textOf(column);
        } catch (const EngineError &e) {
            m_failed = true;
            Messages::errorLater(e.message());
            return {};
        }
    }

    DataGrid *m_grid;
    bool m_failed = false;
};

// --------------------------------------------------------------- DataGrid

DataGrid::DataGrid(QWidget *parent)
    : QTableView(parent), m_model(new DataGridModel(this)), m_header(new GridHeader(this)), m_footer(new GridFooter(this))
{
    setHorizontalHeader(m_header);
    setVerticalHeader(new GridRowHeader(this));
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    // Fixed row heights: the view never measures rows it does not show.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_footer->hide();

    connect(m_header, &QHeaderView::sectionClicked, this, &DataGrid::clickHeader);
    connect(m_header, &GridHeader::filterButtonClicked, this, &DataGrid::showFilterMenu);
    connect(m_header, &QHeaderView::sectionResized, m_footer, qOverload<>(&QWidget::update));
    connect(m_header, &QHeaderView::sectionMoved, m_footer, qOverload<>(&QWidget::update));
    connect(m_header, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (size > 0 && column < m_widths.size())
            m_widths[column] = size;
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &DataGrid::onCurrentChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        followDataSet();
        m_footer->retry();
    });
    connect(m_model, &QAbstractItemModel::dataChanged, m_footer, &GridFooter::retry);
    // A deferred count adds its rows after the first paint.
    connect(m_model, &QAbstractItemModel::rowsInserted, m_footer, &GridFooter::retry);
    connect(m_model, &QAbstractItemModel::rowsRemoved, m_footer, &GridFooter::retry);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit rowDoubleClicked(index.row());
    });
}

DataGrid::~DataGrid()
{
    if (!m_layoutKey.isEmpty())
        saveLayout();
}

DataSet *DataGrid::dataSet() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

void DataGrid::setDataSource(DataSource *source)
{
    disconnect(m_sourceLink);
    m_source = source;
    if (source)
        m_sourceLink = connect(source, &DataSource::dataSetChanged, this, &DataGrid::bindDataSet);
    bindDataSet();
}

void DataGrid::bindDataSet()
{
    for (const auto &c : m_setLinks)
        disconnect(c);
    m_setLinks.clear();
    DataSet *ds = dataSet();
    if (ds != m_boundSet) {
        m_filters.clearAll();
        for (int c = 0; c < m_model->columnCount(); ++c)
            m_header->setFiltered(c, false);
    }
    m_boundSet = ds;
    if (ds) {
        m_setLinks << connect(ds, &DataSet::afterScroll, this, &DataGrid::followDataSet)
                   << connect(ds, &DataSet::afterOpen, this, &DataGrid::onAfterOpen);
    }
    m_model->setDataSet(ds);
}

void DataGrid::setColumns(const GridColumns &columns)
{
    m_model->setColumns(columns);
    m_widths.resize(columns.size());
    for (int i = 0; i < columns.size(); ++i) {
        m_widths[i] = columns.at(i).width > 0 ? columns.at(i).width : 80;
        setColumnWidth(i, m_widths.at(i));
        setColumnHidden(i, !columns.at(i).visible);
    }
}

void DataGrid::setEditable(bool editable)
{
    m_model->setEditable(editable);
    setEditTriggers(editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                   | QAbstractItemView::AnyKeyPressed
                             : QAbstractItemView::NoEditTriggers);
}

int DataGrid::columnOfCaption(const QString &caption) const
{
    for (int i = 0; i < columns().size(); ++i)
        if (columns().at(i).caption == caption)
            return i;
    return -1;
}

void DataGrid::showColumnsOfTag(int tag)
{
    for (int i = 0; i < columns().size(); ++i)
        setColumnVisible(i, columns().at(i).tag == tag);
}

void DataGrid::showAllColumns()
{
    for (int i = 0; i < columns().size(); ++i)
        setColumnVisible(i, true);
}

void DataGrid::setColumnVisible(int column, bool visible)
{
    if (column < 0 || column >= columns().size() || visible == !isColumnHidden(column))
        return;
    if (!visible && columnWidth(column) > 0)
        m_widths[column] = columnWidth(column);
    setColumnHidden(column, !visible);
    if (visible && columnWidth(column) <= 0)
        setColumnWidth(column, m_widths.value(column, 80));
    m_footer->update();
}

QList<int> DataGrid::columnsInShownOrder() const
{
    QList<int> out;
    for (int v = 0; v < m_header->count(); ++v)
        out << m_header->logicalIndex(v);
    return out;
}

// ---------------------------------------------------------------- Sorting

void DataGrid::setSortMark(int column, SortMark mark)
{
    m_header->setSortMark(column, mark);
}

int DataGrid::sortedColumn() const
{
    for (int column : columnsInShownOrder())
        if (sortMark(column) != SortMark::None)
            return column;
    return -1;
}

void DataGrid::clickHeader(int column)
{
    if (column < 0 || column >= columns().size())
        return;
    const SortMark mark = nextSortMark(sortMark(column));
    setSortMark(column, mark);
    emit sortRequested(columns().at(column).field,
                       mark == SortMark::Descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

// ---------------------------------------------------------------- Filters

void DataGrid::setFilterEnabled(bool on)
{
    m_filterEnabled = on;
    m_header->setFilterButtons(on);
    if (!on)
        clearFilters();
}

Sql DataGrid::unfilteredSql() const
{
    if (!m_filters.isEmpty())
        return m_baseSql;
    DataSet *ds = dataSet();
    return ds ? ds->sql() : Sql();
}

Sql DataGrid::withFilters(const Sql &base)
{
    m_baseSql = base;
    if (m_filters.isEmpty())
        return base;
    m_appliedSql = m_filters.apply(base);
    return m_appliedSql;
}

QVariantList DataGrid::distinctValues(int column, int limit) const
{
    QVariantList out;
    DataSet *ds = dataSet();
    if (!ds || !ds->isActive() || column < 0 || column >= columns().size())
        return out;
    const Sql sql = distinctValuesStatement(unfilteredSql(), columns().at(column).field, m_filters, limit);
    if (sql.text.isEmpty())
        return out;
    auto st = ds->database()->prepare(sql);
    while (st->step())
        out << st->value(0);
    return out;
}

void DataGrid::reopenWithFilters()
{
    DataSet *ds = dataSet();
    m_appliedSql = m_filters.apply(m_baseSql);
    m_reopening = true;
    try {
        ds->close();
        ds->setSql(m_appliedSql);
        ds->open();
    } catch (...) {
        m_reopening = false;
        throw;
    }
    m_reopening = false;
    for (int c = 0; c < columns().size(); ++c)
        m_header->setFiltered(c, m_filters.has(columns().at(c).field));
    emit filterChanged();
}

bool DataGrid::setColumnFilter(int column, const QVariant &value)
{
    DataSet *ds = dataSet();
    if (!m_filterEnabled || !ds || !ds->isActive() || column < 0 || column >= columns().size())
        return false;
    if (ds->isEditing()) {
        ds->post();
        if (ds->isEditing())
            return false;
    }
    if (m_filters.isEmpty())
        m_baseSql = ds->sql();
    const ColumnFilters before = m_filters;
    if (!m_filters.set(columns().at(column).field, value))
        return false;
    try {
        reopenWithFilters();
    } catch (const EngineError &e) {
        m_filters = before;
        Messages::error(e.message());
        try {
            reopenWithFilters();
        } catch (const EngineError &) {
        }
        return false;
    }
    return true;
}

void DataGrid::clearColumnFilter(int column)
{
    DataSet *ds = dataSet();
    if (column < 0 || column >= columns().size() || !m_filters.has(columns().at(column).field) || !ds)
        return;
    if (ds->isEditing()) {
        ds->post();
        if (ds->isEditing())
            return;
    }
    m_filters.clear(columns().at(column).field);
    try {
        reopenWithFilters();
    } catch (const EngineError &e) {
        Messages::error(e.message());
    }
}

void DataGrid::clearFilters()
{
    if (m_filters.isEmpty())
        return;
    DataSet *ds = dataSet();
    m_filters.clearAll();
    if (ds && ds->isActive()) {
        if (ds->isEditing())
            ds->post();
        try {
            reopenWithFilters();
        } catch (const EngineError &e) {
            Messages::error(e.message());
        }
    } else {
        for (int c = 0; c < columns().size(); ++c)
            m_header->setFiltered(c, false);
        emit filterChanged();
    }
}

void DataGrid::onAfterOpen()
{
    if (m_reopening || m_filters.isEmpty())
        return;
    DataSet *ds = dataSet();
    // The owner opened another statement: its filters no longer apply.
    if (ds && !(ds->sql() == m_appliedSql)) {
        m_filters.clearAll();
        for (int c = 0; c < columns().size(); ++c)
            m_header->setFiltered(c, false);
        emit filterChanged();
    }
}

void DataGrid::showFilterMenu(int column)
{
    if (!m_filterEnabled || column < 0 || column >= columns().size())
        return;
    QVariantList values;
    try {
        values = distinctValues(column, 500);
    } catch (const EngineError &e) {
        Messages::error(e.message());
        return;
    }
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("filterMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction *all = menu->addAction(tr("(全部)"));
    connect(all, &QAction::triggered, this, [this, column] { clearColumnFilter(column); });
    menu->addSeparator();
    const GridColumn &col = columns().at(column);
    DataSet *ds = dataSet();
    const int field = ds ? ds->fieldIndex(col.field) : -1;
    const FieldType type = field >= 0 ? ds->fieldInfo(field).type : FieldType::Unknown;
    const QVariant current = m_filters.has(col.field) ? m_filters.value(col.field) : QVariant();
    for (const QVariant &raw : values) {
        const QString text = raw.isNull() ? tr("(空)") : displayText(fromStorage(raw, type), col.format);
        QAction *a = menu->addAction(text.isEmpty() ? tr("(空白)") : text);
        a->setCheckable(true);
        a->setChecked(m_filters.has(col.field) && current == raw);
        connect(a, &QAction::triggered, this, [this, column, raw] { setColumnFilter(column, raw); });
    }
    const QRect button = m_header->filterButtonRect(column);
    menu->popup(m_header->mapToGlobal(QPoint(button.left(), m_header->height())));
}

// ----------------------------------------------------------------- Footer

int DataGrid::footerHeight() const
{
    return m_footer->isVisibleTo(this) ? m_footer->sizeHint().height() : 0;
}

void DataGrid::setFooterVisible(bool visible)
{
    m_footer->setVisible(visible);
    updateGeometries();
}

bool DataGrid::isFooterVisible() const
{
    return m_footer->isVisibleTo(this);
}

void DataGrid::setFooterText(int column, const QString &text)
{
    m_footer->cells[column] = {text, {}, {}};
    m_footer->retry();
}

void DataGrid::setFooterRowCount(int column, const QString &pattern)
{
    m_footer->cells[column] = {{}, pattern.isEmpty() ? QStringLiteral("%1") : pattern, {}};
    m_footer->retry();
}

void DataGrid::setFooterFunction(int column, std::function<QString()> text)
{
    m_footer->cells[column] = {{}, {}, std::move(text)};
    m_footer->retry();
}

QString DataGrid::footerText(int column) const
{
    return m_footer->textOf(column);
}

void DataGrid::updateGeometries()
{
    // QTableView sets the viewport margins itself (header sizes); the
    // footer's strip is taken off the bottom afterwards.
    if (m_inGeometry)
        return;
    m_inGeometry = true;
    QTableView::updateGeometries();
    // A deferred count needs to know only that a screenful of rows exists,
    // and the data set reads a screenful per trip to the engine.
    const int screenRows = viewport()->height() / std::max(1, verticalHeader()->defaultSectionSize()) + 2;
    if (m_model->isCountDeferred())
        m_model->setProbeRows(screenRows);
    if (DataSet *ds = dataSet())
        ds->setReadAhead(std::max(screenRows, MinReadAhead));
    const int fh = footerHeight();
    const QMargins m = viewportMargins();
    if (m.bottom() != fh)
        setViewportMargins(m.left(), m.top(), m.right(), fh);
    if (fh > 0) {
        const QRect vp = viewport()->geometry();
        m_footer->setGeometry(vp.left(), vp.bottom() + 1, vp.width(), fh);
        // The row header scrolls with the viewport and must end where it ends.
        if (!verticalHeader()->isHidden()) {
            const QRect vh = verticalHeader()->geometry();
            verticalHeader()->setGeometry(vh.left(), vp.top(), vh.width(), vp.height());
        }
        // The scroll range was worked out for the taller viewport.
        const int rows = m_model->rowCount();
        const int rowHeight = verticalHeader()->defaultSectionSize();
        if (verticalScrollMode() == QAbstractItemView::ScrollPerItem && rowHeight > 0) {
            const int fit = std::max(1, viewport()->height() / rowHeight);
            verticalScrollBar()->setRange(0, std::max(0, rows - fit));
            verticalScrollBar()->setPageStep(fit);
        } else {
            verticalScrollBar()->setRange(0, std::max(0, verticalHeader()->length() - viewport()->height()));
        }
    }
    m_inGeometry = false;
}

void DataGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    if (dx != 0)
        m_footer->update();
}

// ------------------------------------------------------------------- Rows

QList<int> DataGrid::selectedRowNumbers() const
{
    QList<int> out;
    QSet<int> seen;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        for (int r = range.top(); r <= range.bottom(); ++r) {
            if (!seen.contains(r)) {
                seen.insert(r);
                out << r;
            }
        }
    }
    return out;
}

int DataGrid::currentRowNumber() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void DataGrid::followDataSet()
{
    if (m_syncing)
        return;
    DataSet *ds = dataSet();
    if (!ds || !ds->isActive())
        return;
    const int row = ds->recNo();
    if (row < 0 || row >= m_model->rowCount())
        return;
    int column = currentIndex().isValid() ? currentIndex().column() : -1;
    if (column < 0 || isColumnHidden(column)) {
        const QList<int> order = columnsInShownOrder();
        column = 0;
        for (int c : order) {
            if (!isColumnHidden(c)) {
                column = c;
                break;
            }
        }
    }
    if (currentIndex().row() == row)
        return;
    m_syncing = true;
    const QModelIndex index = m_model->index(row, column);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
    m_syncing = false;
    emit currentRowChanged(row);
}

void DataGrid::onCurrentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (m_syncing || !current.isValid() || current.row() == previous.row())
        return;
    DataSet *ds = dataSet();
    if (ds && ds->isActive() && ds->recNo() != current.row()) {
        m_syncing = true;
        try {
            ds->moveTo(current.row());
        } catch (const EngineError &e) {
            m_syncing = false;
            Messages::error(e.message());
            followDataSet();
            return;
        }
        m_syncing = false;
        if (ds->recNo() != current.row()) {
            // A check refused to post the record being edited: stay on it.
            followDataSet();
            return;
        }
    }
    emit currentRowChanged(current.row());
}

// ----------------------------------------------------------------- Export

std::unique_ptr<TableSource> DataGrid::exportSource() const
{
    GridColumns shown;
    QVector<int> logical;
    for (int column : columnsInShownOrder()) {
        if (isColumnHidden(column))
            continue;
        shown << columns().at(column);
        logical << column;
    }
    DataSetTableSource::CellHook hook;
    if (m_model->cellHook()) {
        const DataGridModel::CellHook gridHook = m_model->cellHook();
        hook = [gridHook, logical](int row, int column, QString &text) {
            QColor unused;
            gridHook(row, logical.at(column), unused, text);
        };
    }
    return std::make_unique<DataSetTableSource>(dataSet(), shown, hook);
}

bool DataGrid::exportWithDialog(const QString &proposedPath, const QString &title)
{
    const auto target = askExportTarget(proposedPath);
    if (!target)
        return false;
    QString error;
    bool ok = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        auto source = exportSource();
        ok = exportToFile(target->format, *source, target->path, title, &error);
    } catch (const EngineError &e) {
        error = e.message();
    }
    QApplication::restoreOverrideCursor();
    if (!ok)
        Messages::error(error);
    return ok;
}

// ----------------------------------------------------------------- Layout

void DataGrid::setLayoutKey(const QString &name)
{
    m_layoutKey = name;
}

GridLayoutState DataGrid::layoutState() const
{
    GridLayoutState out;
    for (int column : columnsInShownOrder()) {
        const GridColumn &c = columns().at(column);
        ColumnLayout l;
        l.name = c.field.isEmpty() ? c.caption : c.field;
        l.visible = !isColumnHidden(column);
        l.width = l.visible && columnWidth(column) > 0 ? columnWidth(column) : m_widths.value(column, c.width);
        out << l;
    }
    return out;
}

void DataGrid::applyLayoutState(const GridLayoutState &saved)
{
    const GridLayoutState merged = mergeGridLayout(saved, layoutState());
    QHash<QString, int> logical;
    for (int i = 0; i < columns().size(); ++i)
        logical.insert(columns().at(i).field.isEmpty() ? columns().at(i).caption : columns().at(i).field, i);
    for (int v = 0; v < merged.size(); ++v) {
        const int column = logical.value(merged.at(v).name, -1);
        if (column < 0)
            continue;
        m_header->moveSection(m_header->visualIndex(column), v);
        if (merged.at(v).width > 0) {
            m_widths[column] = merged.at(v).width;
            setColumnWidth(column, merged.at(v).width);
        }
        setColumnHidden(column, !merged.at(v).visible);
    }
    m_footer->update();
}

void DataGrid::saveLayout() const
{
    if (m_layoutKey.isEmpty())
        return;
    auto settings = openSettings();
    saveGridLayout(*settings, settingsKey(m_layoutKey), layoutState());
}

void DataGrid::restoreLayout()
{
    if (m_layoutKey.isEmpty())
        return;
    auto settings = openSettings();
    const GridLayoutState saved = loadGridLayout(*settings, settingsKey(m_layoutKey));
    if (!saved.isEmpty())
        applyLayoutState(saved);
}

} // namespace brel
