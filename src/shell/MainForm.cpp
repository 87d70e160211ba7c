#include "shell/MainForm.h"

#include "base/Messages.h"
#include "components/widgets/SideBar.h"
#include "datastore/Alerts.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/Rights.h"
#include "shell/ChildForm.h"
#include "shell/HelpForm.h"
#include "shell/HistoryObject.h"
#include "shell/SettingObjects.h"
#include "shell/widgets/X11Windows.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QTimer>

namespace brel {

namespace {

/// The program folder; BRELVANTO_APP_DIR points tests at a program folder of their own.
QString programFolder()
{
    const QString fromEnv = qEnvironmentVariable("BRELVANTO_APP_DIR");
    QString dir = fromEnv.isEmpty() ? QCoreApplication::applicationDirPath() : fromEnv;
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

/// Windows and commands of higher layers, by command name; filled once at start.
QHash<QString, TMainFm::ChildFactory> &childFactories()
{
    static QHash<QString, TMainFm::ChildFactory> factories;
    return factories;
}

QHash<QString, std::function<void()>> &commandHandlers()
{
    static QHash<QString, std::function<void()>> handlers;
    return handlers;
}

std::function<bool(bool)> &loginDialog()
{
    static std::function<bool(bool)> dialog;
    return dialog;
}

TMainFm *theMainForm = nullptr;

/// The register search windows: made once, kept behind the other windows.
bool isKeptCommand(const QString &command)
{
    return command == QLatin1String("atRentalSearch") || command == QLatin1String("atSaleSearch")
           || command == QLatin1String("atQRentalSearch") || command == QLatin1String("atQBuySearch");
}

} // namespace

void TMainFm::RegisterChild(const QString &command, ChildFactory makes)
{
    if (makes)
        childFactories().insert(command, std::move(makes));
    else
        childFactories().remove(command);
}

void TMainFm::RegisterCommand(const QString &command, std::function<void()> runs)
{
    if (runs)
        commandHandlers().insert(command, std::move(runs));
    else
        commandHandlers().remove(command);
}

void TMainFm::SetLoginDialog(std::function<bool(bool allowChooseUser)> dialog)
{
    loginDialog() = std::move(dialog);
}

void TMainFm::ClearRegistrations()
{
    childFactories().clear();
    commandHandlers().clear();
    loginDialog() = nullptr;
}

TMainFm *TMainFm::instance()
{
    return theMainForm;
}

TMainFm::TMainFm(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Brelvanto"));
    setAttribute(Qt::WA_DeleteOnClose);
    AwayMode = false;
    AppDir = programFolder();
    // The title is set on the window itself, not as the application's display
    // name: the toolkit appends that name to every window title, and a dialog's
    // title must be exactly its caption.
    setWindowTitle(tr("Quorvane-Brelvanto"));
    buildCommands();
    buildMenus();
    buildToolBar();
    buildClient();
    buildStatusBar();
    wireCommands();
    wireNavigator();
    theMainForm = this;
    qApp->installEventFilter(this);
    // Without a working file nothing but leaving the program and choosing
    // a file makes sense: the working-data-file window opens by itself.
    connect(this, &TMainFm::workingFileMissing, this, [this] {
        EnableAllCommands(false);
        if (childFactories().contains(QStringLiteral("atDataLink")))
            OpenChild(QStringLiteral("atDataLink"));
    });
    // Remembered at once, not only on a clean close: after a crash or a kill
    // the next start still finds the file.
    if (TDM *dm = DM()) {
        connect(dm, &TDM::workingFileChanged, this, [](const QString &path) {
            if (Settings)
                Settings->WriteDefaultDb(path);
        });
        connect(dm, &TDM::workingFileChanged, this, &TMainFm::UpdateCaption);
    }
    // Without a window manager the maximised state is not acted on; start at full size anyway.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
}

TMainFm::~TMainFm()
{
    if (theMainForm == this)
        theMainForm = nullptr;
    qApp->removeEventFilter(this);
    // The children's data sets go with them: nothing of this half-destroyed
    // window may follow the navigator any more.
    DBNavigator->disconnect(this);
    if (TDM *dm = DM())
        dm->dsNavigator->disconnect(this);
}

QString TMainFm::InitialWorkingFile()
{
    if (Settings && Settings->ReadBeginer() == 1)
        return Settings->ReadDefaultDb();
    return AppDir + QStringLiteral("/Data/例子数据文件.mdb");
}

void TMainFm::OpenInitialWorkingFile()
{
    // Set before opening: a cancelled first login still stores the path tried.
    WorkingFile = InitialWorkingFile();
    if (!DM() || WorkingFile.isEmpty() || !QFileInfo(WorkingFile).isFile()) {
        emit workingFileMissing();
        return;
    }
    bool loggedIn = false;
    try {
        loggedIn = DM()->OpenWorkingFile(WorkingFile, true);
    } catch (const EngineError &e) {
        // Start-up goes no further; the window stays without a working file.
        Messages::error(e.message());
        EnableAllCommands(false);
        return;
    }
    if (!loggedIn) {
        close();
        return;
    }
    EnableAllCommands(true);
    ApplyRights();
    UpdateCaption();
    ShowLoginStatus();
    emit workingFileOpened();
    OpenFirstWindow();
}

void TMainFm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // Once the window is on screen, so a closing login can close it normally.
    QTimer::singleShot(0, this, &TMainFm::OpenInitialWorkingFile);
}

void TMainFm::closeEvent(QCloseEvent *event)
{
    if (!CurrentUser.YHXM.isEmpty() &&
        !Messages::confirm(tr("您确定要退出“Brelvanto”吗？"), Messages::Icon::Information)) {
        event->ignore();
        return;
    }
    // The current window saves what is being typed, or keeps the program
    // open when its checks refuse: nothing typed is lost by quitting.
    if (m_currentChild && !m_currentChild->close()) {
        event->ignore();
        return;
    }
    if (Settings)
        Settings->WriteDefaultDb(WorkingFile);
    event->accept();
}

void TMainFm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && AwayMode && !m_resuming
        && !(windowState() & Qt::WindowMinimized)) {
        // After the restore has been dealt with by the window system.
        QTimer::singleShot(0, this, &TMainFm::ResumeFromAway);
    }
}

bool TMainFm::eventFilter(QObject *watched, QEvent *event)
{
    if (m_currentChild)
        m_currentChild->AppMessage(event);
    return QMainWindow::eventFilter(watched, event);
}

void TMainFm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    limitSideBar();
}

void TMainFm::Relogin()
{
    if (!loginDialog() || !loginDialog()(true))
        return;
    // The rights of whoever logged in, from none; the current window, the
    // working file and the options stay.
    LoadRights(CurrentUser.Id);
    ApplyRights();
    ShowLoginStatus();
    RefreshToolbar();
}

void TMainFm::StepAway()
{
    if (AwayMode)
        return;
    AwayMode = true;
    m_stateBeforeAway = windowState() & ~Qt::WindowMinimized;
    // Nothing of the work shows while away, even if the window is brought
    // back by other means than this program.
    centralWidget()->hide();
    showMinimized();
}

void TMainFm::ResumeFromAway()
{
    if (!AwayMode || m_resuming || (windowState() & Qt::WindowMinimized))
        return;
    m_resuming = true;
    const bool ok = loginDialog() && loginDialog()(false);
    if (ok) {
        AwayMode = false;
        centralWidget()->show();
        setWindowState(m_stateBeforeAway);
        show();
        activateWindow();
    } else {
        showMinimized();
    }
    m_resuming = false;
}



void TMainFm::notYet()
{
    Messages::information(NotYetText());
}

QString TMainFm::NotYetText()
{
    return tr("该功能将在后续版本中提供。");
}

QString TMainFm::NoCalculatorText()
{
    return tr("没有找到计算器程序。请安装 gnome-calculator、kcalc、galculator、mate-calc、qalculate-gtk 或 xcalc 中的一个。");
}

QString TMainFm::CopyrightLine()
{
    return tr("版权所有 © Quorvane 软件");
}







void TMainFm::UpdateCaption()
{
    QString caption = QStringLiteral("Quorvane-Brelvantov1.05");
    if (SysOptions.XSLJ)
        caption += QLatin1Char(' ') + WorkingFile;
    setWindowTitle(caption);
}

void TMainFm::ShowStatus(const QString &first, const QString &user, const QString &time)
{
    m_status[0]->setText(first);
    m_status[1]->setText(tr("登录用户：") + user);
    m_status[2]->setText(tr("登录时间：") + time);
}

QString TMainFm::StatusTime(const QDateTime &when)
{
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    // Weekday, the long date, then the 12-hour clock with AM/PM.
    return chinese.toString(when.date(), QStringLiteral("dddd, yyyy年M月d日")) + tr(" 时间：")
           + QLocale(QLocale::English).toString(when.time(), QStringLiteral("hh:mm AP"));
}

void TMainFm::ShowLoginStatus()
{
    ShowStatus(CopyrightLine(), CurrentUser.YHXM, StatusTime(QDateTime::currentDateTime()));
}

bool TMainFm::isCurrent(const QString &command) const
{
    return m_currentChild && m_currentChild->property("command").toString() == command;
}

bool TMainFm::leaveCurrent()
{
    TChildFm *child = m_currentChild;
    if (!child)
        return true;
    // Only the register searches are kept (the alert search is a search
    // window too, but is made anew each time and so must go).
    if ((child->SearchHistory() && m_kept.value(child->property("command").toString()) == child)
        || child->HoldsReport()) {
        child->hide();
    } else if (!child->close()) {
        return false;
    }
    m_currentChild = nullptr;
    lbCaption->clear();
    // The record buttons never drive the rows of a window no longer shown.
    if (TDM *dm = DM())
        dm->dsNavigator->setDataSet(nullptr);
    return true;
}

void TMainFm::ShowChild(TChildFm *child)
{
    if (!child || child == m_currentChild)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    emit aboutToShowChild();
    if (!leaveCurrent()) {
        QApplication::restoreOverrideCursor();
        return;
    }
    m_currentChild = child;
    if (PassId != 0)
        child->Tag = PassId;
    lbCaption->setText(child->windowTitle());
    if (DataSet *ds = child->NavigatorDataSet(); ds && DM())
        DM()->dsNavigator->setDataSet(ds);
    if (child->parentWidget() != pnClient)
        child->setParent(pnClient);
    child->show();
    child->raise();
    // A search window shown again runs its statement again and finds the row last clicked.
    if (THistoryObject *history = child->SearchHistory(); history && !history->Current().text.isEmpty())
        child->ReplaySearch();
    RefreshToolbar();
    QApplication::restoreOverrideCursor();
}

bool TMainFm::OpenChild(const QString &command)
{
    if (isCurrent(command))
        return true;
    const ChildFactory makes = childFactories().value(command);
    if (!makes) {
        notYet();
        return false;
    }
    // The window being left may refuse (a check failed on its unsaved row):
    // then nothing changes.
    if (!leaveCurrent())
        return false;
    TChildFm *child = isKeptCommand(command) ? m_kept.value(command).data() : nullptr;
    if (!child) {
        child = makes(pnClient);
        if (!child)
            return false;
        child->setProperty("command", command);
        if (isKeptCommand(command)) {
            // Kept until the main window goes: closing it only hides it.
            child->setAttribute(Qt::WA_DeleteOnClose, false);
            m_kept.insert(command, child);
        }
    }
    ShowChild(child);
    SelectSideItem(CommandTag(command));
    return m_currentChild == child;
}

void TMainFm::OpenAlertSearch(bool runNow)
{
    if (OpenChild(QStringLiteral("atAlertSearch")) && runNow)
        m_currentChild->RunNow();
}

void TMainFm::OpenDataMaint()
{
    if (CurrentUser.Id != 1) {
        Messages::information(tr("只有管理员才能使用此功能，请以管理员身份登录。"));
        return;
    }
    OpenChild(QStringLiteral("atData"));
}

void TMainFm::RunCommand(const QString &command)
{
    if (const auto runs = commandHandlers().value(command))
        runs();
    else
        notYet();
}

void TMainFm::OpenLog()
{
    OpenChild(QStringLiteral("aLog"));
}

void TMainFm::OpenFirstWindow()
{
    // A window opens only for a user who may open it, and once it exists.
    auto usable = [this](const char *name) {
        QAction *a = command(QString::fromLatin1(name));
        return a && a->isEnabled() && childFactories().contains(QString::fromLatin1(name));
    };
    if (usable("atAlertSearch") && HasAlertsSoon())
        OpenAlertSearch(true);
    else if (usable("atRentalManage"))
        OpenChild(QStringLiteral("atRentalManage"));
}

QStringList TMainFm::CalculatorPrograms()
{
    return {QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"), QStringLiteral("galculator"),
            QStringLiteral("mate-calc"), QStringLiteral("qalculate-gtk"), QStringLiteral("xcalc")};
}

bool TMainFm::OpenCalculator()
{
    // A calculator already running comes to the front rather than a second one.
    bool ok = RaiseWindowTitled(tr("计算器"));
    for (const QString &name : CalculatorPrograms()) {
        if (ok)
            break;
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            ok = QProcess::startDetached(path, {});
    }
    SelectSideItem(42);
    if (!ok)
        Messages::information(NoCalculatorText());
    return ok;
}

} // namespace brel
