#pragma once

#include "shell/EnterForm.h"

#include <QColor>
#include <QPointer>

namespace brel {

class DataNavigator;
class DataSet;
class THistoryObject;

/// Base of every window shown in the main window's client panel: no frame,
/// it fills its parent, and it finds its rights group by its hint text.
class TChildFm : public TEnterFm {
    Q_OBJECT
public:
    /// Background of every child window.
    static inline const QColor Background = QColor(208, 224, 239);

    explicit TChildFm(QWidget *parent = nullptr);

    /// Number (1..3) of the rights group this window belongs to; 0 for none.
    int RightsGroupIndex = 0;
    /// The record Id the main window handed over (PassId) before showing the
    /// window; a management window opens on that row. 0 = none.
    qint64 Tag = 0;

    /// Names the rights group: "房屋出租", "房屋出售", "求租求购" or empty.
    QString hint() const { return m_hint; }
    void setHint(const QString &hint) { m_hint = hint; }

    /// Recomputes RightsGroupIndex from the hint; subclasses then enable their
    /// commands for the current record (calling this first).
    virtual void RefreshRecordRights();
    /// Lets a search window recolour or reword a grid cell. Nothing here.
    virtual void DrawGridCell(int groupIndex, int column, QColor &background, QString &text, int row);

    /// Lets the user type into every data-bound box of the window (text,
    /// date, pick, popup, check and memo boxes) when allowed, and makes each
    /// read-only otherwise: each box's read-only := !allowed. The management
    /// windows pass whether the user may modify the current row. The
    /// calculator box is left alone: its enabling governs it.
    void SetEditorsEditable(bool allowed);

    /// The control that gets the focus when the window is shown.
    void setFirstControl(QWidget *control) { m_firstControl = control; }

    // What the main window asks of its current child. The defaults describe
    // a plain window; the management, search, log and statistics windows
    // answer for themselves.

    /// The operation-log activities of a management window's add, edit and
    /// delete; all empty for every other window (nothing is logged).
    struct RecordActivities {
        QString added, edited, deleted;
        bool isEmpty() const { return added.isEmpty(); }
    };
    virtual RecordActivities LogActivities() const { return {}; }

    /// The data set the record buttons drive while this window is current
    /// (the main window hands it to dsNavigator when showing the window);
    /// nullptr for a window without one.
    virtual DataSet *NavigatorDataSet() const { return nullptr; }

    /// A search window's history of statements; nullptr for other windows.
    /// A window with a history is a search window to the main window: it is
    /// kept when another window opens and replays its statement when shown.
    virtual THistoryObject *SearchHistory() { return nullptr; }
    /// Runs the current history entry again and finds the row last clicked.
    virtual void ReplaySearch() {}
    /// The command (e.g. "atRentalManage") of the management window a search
    /// window hands its row to on insert or edit; matchSide when the request
    /// comes from its match grid. Empty for every other window.
    virtual QString ManageCommand(bool matchSide) const
    {
        Q_UNUSED(matchSide);
        return {};
    }
    /// The Id of the current row of a search window's match result; 0 without one.
    virtual qint64 MatchedId() const { return 0; }
    /// After the main window's record buttons changed: a search window's
    /// pop-up items follow the same navigator states here.
    virtual void NavigatorStatesChanged(const DataNavigator &navigator) { Q_UNUSED(navigator); }
    /// Whether 导出数据 applies to this window, and the export itself (true
    /// when a file was written).
    virtual bool CanExport() const { return false; }
    virtual bool ExportData() { return false; }
    /// True for a window that owns a report (the staff statistics): it is not
    /// closed when another window is opened.
    virtual bool HoldsReport() const { return false; }
    /// Opened to list its result at once (the follow-up alerts at start-up).
    virtual void RunNow() {}

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    void followParent();

    QString m_hint;
    QPointer<QWidget> m_firstControl;
    QPointer<QWidget> m_watchedParent;
};

} // namespace brel
