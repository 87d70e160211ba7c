#pragma once

#include "components/ColumnFilter.h"
#include "components/DataGridModel.h"
#include "components/GridColumn.h"
#include "components/GridLayout.h"
#include "components/TableExport.h"

#include <QHeaderView>
#include <QPointer>
#include <QTableView>
#include <functional>
#include <memory>

namespace brel {

class GridFooter;

/// Column header of a data grid: paints the sort mark and a filter button
/// at the right of every filterable column.
class GridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit GridHeader(QWidget *parent = nullptr);
    void setSortMark(int section, SortMark mark);
    SortMark sortMark(int section) const;
    void setFiltered(int section, bool filtered);
    bool isFiltered(int section) const;
    void setFilterButtons(bool on);
    bool hasFilterButtons() const { return m_filterButtons; }
    /// Area of the filter button of a section, in header coordinates.
    QRect filterButtonRect(int section) const;
    /// Measured once per set of captions, shown sections and font: a new
    /// result changes none of them.
    QSize sizeHint() const override;

signals:
    void filterButtonClicked(int section);

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    QHash<int, SortMark> m_marks;
    QSet<int> m_filtered;
    bool m_filterButtons = true;
    mutable QString m_hintKey;
    mutable QFont m_hintFont;
    mutable QSize m_hint;
};

/// Row header of a data grid: the row numbers.
class GridRowHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit GridRowHeader(QWidget *parent = nullptr);
    /// Measured again only when the row numbers get another digit or the
    /// font changes, not for every new result.
    QSize sizeHint() const override;

protected:
    void changeEvent(QEvent *event) override;

private:
    mutable int m_hintDigits = -1;
    mutable QFont m_hintFont;
    mutable QSize m_hint;
};

/// A grid over the data set of a DataSource: lazily read rows, whole-row
/// multi-selection, a footer row, sort marks reported to the owner, column
/// filters pushed into the statement, a cell hook, the current row kept
/// with the data set's cursor both ways, and a column layout stored in the
/// settings store.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget *parent = nullptr);
    ~DataGrid() override;

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }
    DataSet *dataSet() const;
    DataGridModel *gridModel() const { return m_model; }
    GridHeader *gridHeader() const { return m_header; }

    /// Sets the columns (their widths and visibility as described).
    void setColumns(const GridColumns &columns);
    const GridColumns &columns() const { return m_model->columns(); }
    int columnOfField(const QString &field) const { return m_model->columnOfField(field); }
    /// First column whose caption is caption, -1 when none.
    int columnOfCaption(const QString &caption) const;
    void setCellHook(DataGridModel::CellHook hook) { m_model->setCellHook(std::move(hook)); }
    /// Lets cells be typed into (lookup tables); typed values go to the data set's row.
    void setEditable(bool editable);
    bool isEditable() const { return m_model->isEditable(); }
    /// Shows a large result before its COUNT(*) has run (see DataGridModel::setDeferredCount).
    void setDeferredRowCount(bool deferred) { m_model->setDeferredCount(deferred); }

    // Views.
    /// Shows only the columns carrying tag (the simple view).
    void showColumnsOfTag(int tag);
    void showAllColumns();
    void setColumnVisible(int column, bool visible);
    bool isColumnVisible(int column) const { return !isColumnHidden(column); }
    /// Columns in their shown order (logical indexes), hidden ones included.
    QList<int> columnsInShownOrder() const;

    // Sorting: the grid only marks; the owner re-runs the statement.
    SortMark sortMark(int column) const { return m_header->sortMark(column); }
    /// Marks column (the others lose their mark) without asking for a sort.
    void setSortMark(int column, SortMark mark);
    /// The first column in shown order that carries a mark, -1 when none.
    int sortedColumn() const;
    /// What a click on the column's header does: cycles its mark and emits sortRequested.
    void clickHeader(int column);

    // Filters: conditions pushed into the data set's statement as bound values.
    void setFilterEnabled(bool on);
    bool isFilterEnabled() const { return m_filterEnabled; }
    /// The column's distinct values under the statement and the other filters.
    QVariantList distinctValues(int column, int limit = 1000) const;
    /// Keeps the rows whose column equals value (null: is empty) and reopens.
    bool setColumnFilter(int column, const QVariant &value);
    void clearColumnFilter(int column);
    void clearFilters();
    const ColumnFilters &filters() const { return m_filters; }
    /// base with the grid's filters; an owner that re-runs its statement
    /// opens this to keep them.
    Sql withFilters(const Sql &base);
    /// The statement without the grid's filters.
    Sql unfilteredSql() const;

    // Footer.
    void setFooterVisible(bool visible);
    bool isFooterVisible() const;
    void setFooterText(int column, const QString &text);
    /// The footer cell shows pattern with %1 replaced by the row count (e.g. "%1 条").
    void setFooterRowCount(int column, const QString &pattern);
    /// The footer cell asks text() each time it is drawn.
    void setFooterFunction(int column, std::function<QString()> text);
    QString footerText(int column) const;

    // Rows.
    /// Selected rows in the order they were selected; empty when none.
    QList<int> selectedRowNumbers() const;
    int currentRowNumber() const;

    // Export.
    /// Every row of the data set's statement in the shown columns, in their
    /// order, with their formats and the cell hook's texts.
    std::unique_ptr<TableSource> exportSource() const;
    /// The export command: file dialog, then every row written (busy cursor).
    bool exportWithDialog(const QString &proposedPath, const QString &title = {});

    // Layout.
    /// Key under Software/Quorvane/Brelvanto, e.g. "dgRentalSearch"; the
    /// layout is saved there when the grid is destroyed.
    void setLayoutKey(const QString &name);
    QString layoutKey() const { return m_layoutKey; }
    GridLayoutState layoutState() const;
    void applyLayoutState(const GridLayoutState &state);
    void saveLayout() const;
    void restoreLayout();

signals:
    void sortRequested(const QString &field, Qt::SortOrder order);
    void filterChanged();
    void rowDoubleClicked(int row);
    void currentRowChanged(int row);

protected:
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void bindDataSet();
    void followDataSet();
    void onCurrentChanged(const QModelIndex &current, const QModelIndex &previous);
    void showFilterMenu(int column);
    void reopenWithFilters();
    void onAfterOpen();
    int footerHeight() const;

    DataGridModel *m_model;
    GridHeader *m_header;
    GridFooter *m_footer;
    QPointer<DataSource> m_source;
    QPointer<DataSet> m_boundSet;
    QList<QMetaObject::Connection> m_setLinks;
    QMetaObject::Connection m_sourceLink;
    QVector<int> m_widths; ///< last shown width per column, kept while hidden
    ColumnFilters m_filters;
    Sql m_baseSql;
    Sql m_appliedSql;
    bool m_filterEnabled = true;
    bool m_syncing = false;
    bool m_inGeometry = false;
    bool m_reopening = false;
    QString m_layoutKey;
    friend class GridFooter;
};

} // namespace brel
