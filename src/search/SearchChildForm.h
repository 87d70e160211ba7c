#pragma once

#include "components/GridColumn.h"
#include "datastore/DataSet.h"
#include "datastore/Engine.h"
#include "shell/ChildForm.h"
#include "shell/HistoryObject.h"

#include <QStringList>
#include <optional>

class QAction;
class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace brel {

class DataGrid;
class DbDateEdit;

namespace Ui {
class TSearchChildFm;
}

/// The common base of the search windows: one register listed in dgSearch,
/// filtered by entry date and state or by receipt number, sorted by a header
/// click with the order pushed into the statement, counted in the footer,
/// remembered in SearchHistory (前进/后退 and a return to the window run the
/// same statement again), matched against the opposite register in dgMatch,
/// exported, and handed to the management windows and the printed sheets.
///
/// A descendant supplies data only, in its constructor: SearchBaseSql,
/// AdvanceBaseSql and MatchBaseSql, the state range (SetAreaItems), the
/// columns of both grids (SetSearchColumns, SetMatchColumns, which also fill
/// the match criteria), the management commands and the print commands.
///
/// Every statement is a value (Sql): text with `?` placeholders, the values
/// bound to them and the ORDER BY kept apart. The history, the replay, the
/// re-sort and the footer count keep that value.
class TSearchChildFm : public TChildFm {
    Q_OBJECT
public:
    explicit TSearchChildFm(QWidget *parent = nullptr);
    ~TSearchChildFm() override;

    // ------------------------------------------------------ window values
    /// SELECT ... FROM of every search statement: no WHERE, no ORDER BY.
    Sql SearchBaseSql;
    /// What the advanced condition builder starts from (equal to SearchBaseSql).
    Sql AdvanceBaseSql;
    /// SELECT ... FROM of the match statement; empty: the window matches nothing.
    Sql MatchBaseSql;
    /// The Id values (as text) CollectSelectedIds last gathered.
    QStringList SelectedIds;

    /// The Ids a print item hands to its sheet. Filled by a print item for
    /// exactly as long as the sheet's command runs (the command runs at once,
    /// so a report reads them while it loads), empty at any other time: a
    /// sheet started from a management window then prints its current row.
    static const QStringList &SheetIds();

    /// The rows searched (the navigator's data set while the window is shown)
    /// and the rows matched.
    DataSet *QSearch = nullptr;
    DataSet *QMatch = nullptr;
    DataSource *dsSearch = nullptr;
    DataSource *dsMatch = nullptr;

    // ------------------------------------------------------------ controls
    QGroupBox *rgArea = nullptr;
    QButtonGroup *rgAreaButtons = nullptr;
    QRadioButton *rbLRRQ = nullptr;
    DbDateEdit *edLRRQ = nullptr;
    QRadioButton *rbSJH = nullptr;
    QLineEdit *edSJH = nullptr;
    QPushButton *btnStart = nullptr;
    QPushButton *btnAdvance = nullptr;
    DataGrid *dgSearch = nullptr;
    QWidget *pnMatch = nullptr;
    QToolButton *btnShowMatch = nullptr;
    QListWidget *CheckListBox = nullptr;
    QPushButton *btnMatch = nullptr;
    DataGrid *dgMatch = nullptr;

    QMenu *pmRecord = nullptr;
    QAction *pSimple = nullptr, *pDetail = nullptr, *pAdd = nullptr, *pEdit = nullptr, *pDel = nullptr,
            *pSave = nullptr, *pCancel = nullptr, *pFirst = nullptr, *pPrev = nullptr, *pNext = nullptr,
            *pLast = nullptr, *pRefresh = nullptr, *pPrintRelease = nullptr, *pPrintReturn = nullptr,
            *pPrintSave = nullptr;

    // ---------------------------------------------------------------- hooks
    /// Narrows 新增, 修改, 删除 and the print items for the current row of
    /// QSearch by the rights of the window's group; nothing more for a window
    /// without a group.
    void RefreshRecordRights() override;
    /// For every cell of dgSearch (groupIndex = the window's group) and of
    /// dgMatch (the group of the register it shows); DrawnGrid() tells which.
    /// Shows the full address FWDZ under "房屋地址" to the administrator and
    /// to a user with the telephone right of the group in rows of the own
    /// branch, and colours let/sold rows silver and voided rows grey.
    void DrawGridCell(int groupIndex, int column, QColor &background, QString &text, int row) override;

    /// Opens QSearch. isNew: SearchBaseSql + where ordered by sortField
    /// (ZTW_TXT sorts by ZTW) and direction ("ASC"/"DESC"), pushed onto
    /// SearchHistory unless skipHistory. Otherwise (a replay) the history's
    /// current statement, and the row last clicked in it is found again; a
    /// replay of the statement already shown reads nothing again when no row
    /// of the file changed since, else re-reads the rows around the cursor. Either way QSearch becomes the
    /// navigator's data set. Engine errors pass on (the grid stays empty).
    virtual void RunSearch(const Sql &where, const QString &sortField, const QString &direction, bool isNew,
                           bool skipHistory);
    /// The condition of the filter boxes: " WHERE ZTW=? AND LRRQ>=?" (or
    /// without the state for 全部), or " WHERE SJH=?" by receipt number
    /// whatever the state range. nullopt after a date that fails the date
    /// check (its message shown): the action stops.
    virtual std::optional<Sql> BuildWhere();

    // ----------------------------------------------------------- operations
    /// The search command (btnStart, Enter in a filter box): a new search in
    /// the order of the grid's sort mark.
    void StartSearch();
    /// A header click: the current history entry (or, before any search, the
    /// base statement with the filters) in the new order; the history gains
    /// no entry.
    void ResortCurrent(const Sql &where, const QString &sortField, const QString &direction);
    /// Sort field and direction of a new search: the first column carrying a
    /// sort mark, else the first shown column ascending; "SJH" as a last resort.
    QPair<QString, QString> SortOfGrid() const;
    /// Rows of the current history statement ("%1 条" in the footer); -1 when
    /// there is none. Counted once per statement and change of the file.
    int CurrentCount();
    void ShowSimpleView();
    void ShowDetailedView();
    /// SelectedIds := the Ids of the selected rows in selection order, or of
    /// the current row when none is selected. A print item then hands those
    /// of them the user may print (SheetIds).
    void CollectSelectedIds();
    /// Matches the current row of QSearch against the opposite register by the
    /// ticked criteria (all must hold). A ticked number that is empty in the
    /// current row is named in a message and nothing is matched.
    void RunMatch();
    /// The match condition the ticked criteria give for the current row:
    /// " WHERE ..." with bound values; empty when none is ticked; nullopt
    /// after a message (an empty number, no current row).
    std::optional<Sql> MatchWhere();
    /// 导出数据: every row of dgSearch, columns as shown, into the file chosen
    /// (Excel, text, HTML or XML); true when written.
    bool ExportGrid(const QString &caption);
    /// The handler of btnAdvance; the condition builder supplies it.
    virtual void OpenAdvanceSearch() {}

    /// Ticks or unticks the criterion "按 " + caption (tests and keyboard).
    bool SetCriterionChecked(const QString &caption, bool checked);
    /// Shows or collapses the match panel.
    void SetMatchPanelOpen(bool open);
    bool IsMatchPanelOpen() const;
    /// The state range index (0 = 全部).
    int AreaIndex() const;
    void SetAreaIndex(int index);
    /// The grid whose cell DrawGridCell is drawing.
    DataGrid *DrawnGrid() const { return m_drawnGrid; }

    // ------------------------------------------------- the main window's
    THistoryObject *SearchHistory() override { return &m_history; }
    const THistoryObject &History() const { return m_history; }
    void ReplaySearch() override { RunSearch(Sql(), QString(), QString(), false, false); }
    DataSet *NavigatorDataSet() const override { return QSearch; }
    QString ManageCommand(bool matchSide) const override { return matchSide ? m_matchManage : m_searchManage; }
    qint64 MatchedId() const override;
    void NavigatorStatesChanged(const DataNavigator &navigator) override;
    bool CanExport() const override { return true; }
    bool ExportData() override { return ExportGrid(windowTitle()); }
    RecordActivities LogActivities() const override { return m_activities; }

protected:
    /// The state range's items ("全部" first) and the default index.
    void SetAreaItems(const QStringList &items, int defaultIndex);
    /// Columns of dgSearch (tag 1 = simple view) and its layout key.
    void SetSearchColumns(const GridColumns &columns, const QString &layoutKey);
    /// Columns of dgMatch and its layout key; every tag-1 column becomes the
    /// criterion "按 " + caption, in column order. matchGroup is the rights
    /// group of the register it shows (for DrawGridCell).
    void SetMatchColumns(const GridColumns &columns, const QString &layoutKey, int matchGroup);
    /// The management windows (commands) of a search row and of a match row.
    void SetManageCommands(const QString &search, const QString &match);
    /// The main window's sheet commands behind the three print items; an
    /// empty one hides its item.
    void SetPrintCommands(const QString &release, const QString &receipt, const QString &archive);
    void SetRecordActivities(const RecordActivities &activities) { m_activities = activities; }
    /// The comparison of numbers in a match: ">=" for offers, "<=" for requests.
    void SetMatchOperator(const QString &op) { m_matchOperator = op; }
    /// The date box starts at the oldest entry of table (today when empty).
    void StartFromEarliestEntry(const QString &table);

    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    /// Enter in a filter box runs the search (before the window turns it into
    /// Tab); entering a box selects its radio button.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// Caption of the column whose footer counts the rows.
    static QString ReceiptCaption() { return QStringLiteral("收件号"); }
    void buildMenu();
    /// The pop-up items that press a navigator button, and their buttons.
    QList<QPair<QAction *, DataNavigator::Button>> navigatorItems() const;
    void wireControls();
    void openSearch(const Sql &statement, qint64 findId);
    void onSortRequested(const QString &field, Qt::SortOrder order);
    void rememberCurrentRow();
    /// Rows of the selection in selection order, or the current row.
    QList<int> selectedRows() const;
    void printSheet(const QString &command);
    void doubleClicked(bool matchSide);
    void applyAddressBinding();
    /// QSearch shows statement, without column filters.
    bool showsCurrentStatement(const Sql &statement) const;

    /// Where DrawGridCell finds what it needs in a grid and its result.
    struct CellPlan {
        bool valid = false;
        int addressColumn = -1;
        bool colours = false;
        QVector<bool> contact; ///< per column: a contact hidden from some users
        int fullAddress = -1, branch = -1, state = -1, enteredBy = -1; ///< result fields
        int colourRow = -1; ///< the row whose colour is known
        QColor colour;
    };
    CellPlan &planFor(DataGrid *grid);

    Ui::TSearchChildFm *ui;
    CellPlan m_plans[2]; ///< search grid, match grid
    THistoryObject m_history;
    QString m_searchManage;
    QString m_matchManage;
    QString m_printCommands[3];
    QString m_matchOperator = QStringLiteral(">=");
    RecordActivities m_activities;
    int m_matchGroup = 0;
    DataGrid *m_drawnGrid = nullptr;
    bool m_opening = false;
    qint64 m_openedStamp = -1;
    /// The counted statement (without order), its stamp and its count.
    Sql m_countedSql;
    qint64 m_countedStamp = -1;
    int m_count = -1;
    /// The mark restored when a re-sort stops at a bad date.
    int m_sortColumn = -1;
    int m_sortMark = 0;
};

} // namespace brel
