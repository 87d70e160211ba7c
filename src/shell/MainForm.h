#pragma once

#include "datastore/DataSet.h"
#include "shell/ChildForm.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
class QWidget;

namespace brel {

class SideBar;

/// The main window. Its object name "Brelvanto" is the window class of the
/// program. On its first show it chooses and opens the working data file;
/// closing asks the exit question when somebody is logged in and stores the
/// working file for the next start. Its menus and tool bar carry every
/// command of the program; each command is a QAction named after it.
class TMainFm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainFm(QWidget *parent = nullptr);
    ~TMainFm() override;

    /// The file to open at start: the previous run's file once the login
    /// dialog has been shown on this machine, else the sample data file.
    static QString InitialWorkingFile();
    /// Start-up with a chosen file: a missing file leaves the window without
    /// a working file; otherwise the file is opened, and a cancelled or
    /// refused login closes the window. Runs once, after the first show.
    void OpenInitialWorkingFile();

    /// Makes a child window of a higher layer (the administrator's windows
    /// live above this one). Registered once at start by the program.
    using ChildFactory = std::function<TChildFm *(QWidget *parent)>;
    /// Binds the command named command (e.g. "aLog") to the window factory
    /// makes; an empty factory removes the binding.
    static void RegisterChild(const QString &command, ChildFactory makes);
    /// Binds a command that opens no child window (a printed sheet, the tips,
    /// the version check) to what it runs; an empty handler removes it.
    static void RegisterCommand(const QString &command, std::function<void()> runs);
    /// The login dialog of 系统登录 (allowChooseUser) and of the return from
    /// 暂时离开 (only the current user): true when somebody logged in.
    static void SetLoginDialog(std::function<bool(bool allowChooseUser)> dialog);
    /// Removes every binding above (tests start from none).
    static void ClearRegistrations();
    /// The one main window, nullptr when none exists.
    static TMainFm *instance();

    /// The command (QAction) with that object name, or nullptr.
    QAction *command(const QString &name) const;
    /// Every command, in menu and tool-bar order.
    QList<QAction *> commands() const { return m_commands; }

    /// Enables or disables every command (退出 excepted, so the program can
    /// always be left) and the print sub-menus.
    void EnableAllCommands(bool on);
    /// "Quorvane-Brelvantov1.05", followed by a space and the working file
    /// when the options ask for the path in the caption.
    void UpdateCaption();
    /// The three status panels: the copyright line, "登录用户：" + user,
    /// "登录时间：" + time.
    void ShowStatus(const QString &first, const QString &user, const QString &time);
    /// The status line after a login: copyright, current user, now.
    void ShowLoginStatus();
    /// Now in the long Chinese form of the status line: weekday, long date,
    /// "时间：" and the 12-hour clock.
    static QString StatusTime(const QDateTime &when);
    /// The copyright line of the first status panel.
    static QString CopyrightLine();

    /// Makes child the window shown in the client panel, with its caption
    /// on the caption strip; it gets PassId as its Tag when one is set. The
    /// previous child is left as the open rule says.
    void ShowChild(TChildFm *child);
    TChildFm *CurrentChild() const { return m_currentChild; }

    /// Opens the child window of a command by the open rule: the window
    /// already shown stays as it is; the current one is closed unless it is
    /// a search window (kept, reused) or holds a report; the new window is
    /// shown and its side-bar item selected. A management window that refuses
    /// to close (a failed check) keeps the program where it was. Returns
    /// whether the command's window is now current.
    bool OpenChild(const QString &command);
    /// 跟踪报警; with runNow the window lists its result at once.
    void OpenAlertSearch(bool runNow);
    /// 数据文件维护: the administrator's alone.
    void OpenDataMaint();
    /// After a login at start-up: the alerts window when a follow-up is due
    /// within seven days, else the rental window, each when the user may
    /// open it and the window exists.
    void OpenFirstWindow();
    /// The side-bar tag of a command's window; 0 for none.
    static int CommandTag(const QString &command);
    /// The command of a side-bar tag; empty for none.
    static QString TagCommand(int tag);

    /// Opens the group (tag div 10) - 1 of the side bar and selects its item
    /// (tag mod 10) - 1.
    void SelectSideItem(int tag);
    /// Gates the business commands, the print menus, the administrator's
    /// commands and the side-bar items by CurrentUser's rights. Commands are
    /// gated themselves, so their keys follow the rights too.
    void ApplyRights();

    /// Enables the record, history and export buttons from the navigator,
    /// the current window's history and export, then lets the window narrow
    /// them for its current record.
    void RefreshToolbar();
    /// Presses a navigator button as the tool bar, its keys and the search
    /// windows do: hands the current row's Id on (PassId), opens the
    /// management window from a search window for insert and edit, logs a
    /// delete before its question, then acts on the navigator's data set.
    void PressNavigator(DataNavigator::Button button);
    /// The operation-log entries of entering edit and insert state in a
    /// management window (while the options keep the log).
    void LogStateChange(DataSet::State state);
    /// 前进 (older) and 后退 (newer) through the current search window's history.
    void StepHistory(bool older);
    /// 导出数据 of the current search or log window.
    void ExportCurrent();

    /// 系统登录: another login on the working file, any user.
    void Relogin();
    /// 暂时离开: minimise and hide the work until the password is given again.
    void StepAway();
    /// Run when the window is restored while away: the current user's
    /// password, else back to minimised.
    void ResumeFromAway();

    /// The record navigator bound to the data module's dsNavigator.
    DataNavigator *DBNavigator = nullptr;
    SideBar *sbLeft = nullptr;
    QSplitter *VSplitter = nullptr;
    /// Id handed to the next child window as its Tag; 0 = none.
    qint64 PassId = 0;
    /// Set by a search window before it presses a button for its match grid.
    bool MatchSide = false;

    /// The text shown for a command whose window is not built yet.
    static QString NotYetText();
    /// The text shown when no calculator program is installed.
    static QString NoCalculatorText();
    /// The calculator programs looked for on PATH, in order of preference.
    static QStringList CalculatorPrograms();
    /// 数字计算器: a window titled "计算器" is brought to the front; else the
    /// first calculator found on PATH is started; says so when none is
    /// installed. Returns whether a calculator is now there.
    bool OpenCalculator();
    /// 操作日志查询: the log window when the program registered it.
    void OpenLog();

    /// Set while the program is stepped away from (暂时离开).
    bool AwayMode = false;

    QLabel *lbCaption = nullptr;
    QToolBar *ToolBar = nullptr;
    QMenu *PrintRentalMenu = nullptr;
    QMenu *PrintSaleMenu = nullptr;
    QMenu *PrintQueryMenu = nullptr;

signals:
    /// Before a child window is shown (the advanced condition window closes).
    void aboutToShowChild();
    /// After the start-up file was opened and somebody logged in.
    void workingFileOpened();
    /// Start-up found no file at WorkingFile.
    void workingFileMissing();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    /// Every event of the program passes the current child's AppMessage hook.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QAction *addCommand(const QString &name, const QString &caption, const QKeySequence &key = {});
    void buildCommands();
    void buildMenus();
    void buildToolBar();
    void buildClient();
    void buildStatusBar();
    void buildSideBar();
    void wireCommands();
    void wireNavigator();
    /// Shows the not-yet message: the command's window comes later.
    void notYet();
    /// Runs what a higher layer bound to a command without a child window.
    void RunCommand(const QString &command);
    /// Leaves the current child before another is shown: a register search
    /// or a report holder is hidden and kept, any other is closed. False when
    /// the child refused to close.
    bool leaveCurrent();
    /// Keeps the side bar narrower than a third of the window.
    void limitSideBar();
    bool isCurrent(const QString &command) const;

    bool m_shownOnce = false;
    QList<QAction *> m_commands;
    QHash<QString, QAction *> m_byName;
    QPointer<TChildFm> m_currentChild;
    /// The register search windows, made once and reused.
    QHash<QString, QPointer<TChildFm>> m_kept;
    bool m_resuming = false;
    Qt::WindowStates m_stateBeforeAway;
    QWidget *pnBase = nullptr;
    QWidget *pnClient = nullptr;
    QLabel *m_status[3] = {nullptr, nullptr, nullptr};
};

} // namespace brel
