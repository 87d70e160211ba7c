#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QLabel;
class QMenu;
class QToolBar;
class QWidget;

namespace brel {

class TChildFm;

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
    /// on the caption strip. The previous child is closed.
    void ShowChild(TChildFm *child);
    TChildFm *CurrentChild() const { return m_currentChild; }

    /// The text shown for a command whose window is not built yet.
    static QString NotYetText();
    /// The text shown when no calculator program is installed.
    static QString NoCalculatorText();
    /// The calculator programs looked for on PATH, in order of preference.
    static QStringList CalculatorPrograms();
    /// 数字计算器: starts the first calculator found on PATH; says so when
    /// none is installed. Returns whether one was started.
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
    /// After the start-up file was opened and somebody logged in.
    void workingFileOpened();
    /// Start-up found no file at WorkingFile.
    void workingFileMissing();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QAction *addCommand(const QString &name, const QString &caption, const QKeySequence &key = {});
    void buildCommands();
    void buildMenus();
    void buildToolBar();
    void buildClient();
    void buildStatusBar();
    /// Shows the not-yet message: the command's window comes later.
    void notYet();

    bool m_shownOnce = false;
    QList<QAction *> m_commands;
    QHash<QString, QAction *> m_byName;
    QPointer<TChildFm> m_currentChild;
    QWidget *pnBase = nullptr;
    QWidget *pnClient = nullptr;
    QLabel *m_status[3] = {nullptr, nullptr, nullptr};
};

} // namespace brel
