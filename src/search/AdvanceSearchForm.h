#pragma once

#include "datastore/Engine.h"
#include "search/ConditionBuilder.h"
#include "shell/EnterForm.h"

#include <QPointer>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace brel {

class DataGrid;
class TSearchChildFm;

/// 房屋高级查找: one condition row per visible column of a search grid, a
/// comparison and a value each; 开始查找 runs the search window's base
/// statement narrowed by the filled rows and the window's state range.
/// At most one exists; it stays on top, is not modal and closes on Esc.
class TAdvanceSearchFm : public TEnterFm {
    Q_OBJECT
public:
    /// Runs a search for the window that opened the builder: the clause
    /// (" WHERE ..." with its values, or empty) narrows the window's base.
    using Runner = std::function<void(const Sql &where)>;

    /// Makes the builder when there is none, takes the grid, its window's
    /// base statement and state index, rebuilds the rows for the grid's
    /// current view and shows it. runs, when given, runs each search (the
    /// search window's own way, with its history); otherwise the statement
    /// opens the grid's query, goes onto the current child window's history
    /// and becomes the navigator's data set.
    static TAdvanceSearchFm *OpenAdvanceSearch(DataGrid *grid, const Sql &base, int stateIndex,
                                               Runner runs = {});
    /// 高级查找 of a search window: the builder over its grid, AdvanceBaseSql
    /// and state range; each search is a new search of the window, in its
    /// grid's order, pushed onto its history.
    static TAdvanceSearchFm *OpenFor(TSearchChildFm *window);
    /// Makes the window's 高级查找 button open the builder for it.
    static void Attach(TSearchChildFm *window);
    /// The open builder, nullptr when none.
    static TAdvanceSearchFm *instance();

    /// Rows for every visible column of the grid in shown order except the
    /// state text, each with its field's type in the grid's query.
    void FillConditionRows();
    /// The rows as the user filled them.
    QVector<ConditionRow> Conditions() const;
    /// 开始查找: a fault is shown naming its row, whose box gets the focus,
    /// and nothing runs. True when the search ran.
    bool StartSearch();
    /// 重新开始: every comparison and value emptied.
    void Restart();

    QComboBox *comparisonBox(int row) const;
    QComboBox *valueBox(int row) const;

    int ConditionRowCount = 0;
    QTableWidget *dxTreeList = nullptr;
    QPushButton *btnSearch = nullptr;
    QPushButton *btnClose = nullptr;
    QPushButton *BitBtn1 = nullptr;

signals:
    /// After a search ran: the base statement narrowed by the rows and the
    /// state (the window's run adds its grid's order).
    void searched(const Sql &statement);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit TAdvanceSearchFm(QWidget *parent = nullptr);
    /// Sets the value pick list of a row by its field (FillConditionChoices).
    void FillConditionChoices(int row);
    QVector<FieldInfo> fieldsOfQuery() const;
    void run(const Sql &statement);

    QPointer<DataGrid> m_grid;
    Sql m_base;
    int m_stateIndex = 0;
    Runner m_runs;
    QVector<ConditionRow> m_rows; ///< caption, field and type of each row
};

} // namespace brel
