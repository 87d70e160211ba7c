#include "shell/MainForm.h"

#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "base/Messages.h"
#include "shell/ChildForm.h"
#include "shell/HelpForm.h"
#include "shell/SettingObjects.h"
#include "shell/ToolIcons.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

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

/// Windows of higher layers, by command name; filled once at start.
QHash<QString, TMainFm::ChildFactory> &childFactories()
{
    static QHash<QString, TMainFm::ChildFactory> factories;
    return factories;
}

} // namespace

void TMainFm::RegisterChild(const QString &command, ChildFactory makes)
{
    if (makes)
        childFactories().insert(command, std::move(makes));
    else
        childFactories().remove(command);
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
    // Without a working file nothing but leaving the program makes sense.
    connect(this, &TMainFm::workingFileMissing, this, [this] { EnableAllCommands(false); });
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

TMainFm::~TMainFm() = default;

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
    UpdateCaption();
    ShowLoginStatus();
    emit workingFileOpened();
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
    if (Settings)
        Settings->WriteDefaultDb(WorkingFile);
    event->accept();
}

QAction *TMainFm::addCommand(const QString &name, const QString &caption, const QKeySequence &key)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(name);
    if (!key.isEmpty()) {
        action->setShortcut(key);
        // The F-keys and Ctrl keys act wherever the focus is in the window,
        // also inside a child window's boxes.
        action->setShortcutContext(Qt::WindowShortcut);
    }
    m_commands.append(action);
    m_byName.insert(name, action);
    return action;
}

QAction *TMainFm::command(const QString &name) const
{
    return m_byName.value(name);
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

void TMainFm::buildCommands()
{
    struct Def {
        const char *name;
        const char *caption;
        QKeySequence key;
        const char *icon;
    };
    // Order: the menus', then the record buttons of the tool bar.
    const Def defs[] = {
        {"atRentalManage", QT_TR_NOOP("出租单管理"), QKeySequence(Qt::Key_F1), nullptr},
        {"atRentalSearch", QT_TR_NOOP("出租单查询"), QKeySequence(Qt::Key_F2), nullptr},
        {"atAlertSearch", QT_TR_NOOP("跟踪报警"), QKeySequence(Qt::Key_F3), nullptr},
        {"atSaleManage", QT_TR_NOOP("出售单管理"), QKeySequence(Qt::Key_F4), nullptr},
        {"atSaleSearch", QT_TR_NOOP("出售单查询"), QKeySequence(Qt::Key_F5), nullptr},
        {"atQRentalManage", QT_TR_NOOP("房屋求租管理"), QKeySequence(Qt::Key_F6), nullptr},
        {"atQRentalSearch", QT_TR_NOOP("房屋求租查询"), QKeySequence(Qt::Key_F7), nullptr},
        {"atQBuyManage", QT_TR_NOOP("房屋求购管理"), QKeySequence(Qt::Key_F8), nullptr},
        {"atQBuySearch", QT_TR_NOOP("房屋求购查询"), QKeySequence(Qt::Key_F9), nullptr},
        {"atQuit", QT_TR_NOOP("退出"), QKeySequence(Qt::CTRL | Qt::Key_Q), nullptr},
        {"atLogin", QT_TR_NOOP("系统登录"), QKeySequence(Qt::Key_F11), "login"},
        {"atAlway", QT_TR_NOOP("暂时离开"), QKeySequence(Qt::Key_F12), "away"},
        {"atDataLink", QT_TR_NOOP("设置工作数据文件"), {}, nullptr},
        {"atBaseInfo", QT_TR_NOOP("系统参数设置"), {}, nullptr},
        {"atChgPwd", QT_TR_NOOP("修改登录密码"), {}, nullptr},
        {"atData", QT_TR_NOOP("数据文件维护"), {}, nullptr},
        {"aLog", QT_TR_NOOP("操作日志查询"), {}, nullptr},
        {"atPieceStat", QT_TR_NOOP("收件统计报表"), {}, nullptr},
        {"atRentalRelease", QT_TR_NOOP("出租信息公告"), {}, nullptr},
        {"atRentalReturn", QT_TR_NOOP("出租登记回执"), {}, nullptr},
        {"atRentalSave", QT_TR_NOOP("出租完成存档"), {}, nullptr},
        {"atSaleRelease", QT_TR_NOOP("出售信息公告"), {}, nullptr},
        {"atSaleReturn", QT_TR_NOOP("出售登记回执"), {}, nullptr},
        {"atSaleSave", QT_TR_NOOP("出售完成存档"), {}, nullptr},
        {"atQQRentalRelease", QT_TR_NOOP("求租信息公告"), {}, nullptr},
        {"atQQRentalReturn", QT_TR_NOOP("求租登记回执"), {}, nullptr},
        {"atQBuyRelease", QT_TR_NOOP("求购信息公告"), {}, nullptr},
        {"atQBuyReturn", QT_TR_NOOP("求购登记回执"), {}, nullptr},
        {"atLoan", QT_TR_NOOP("按揭贷款计算器"), {}, nullptr},
        {"atCalculate", QT_TR_NOOP("数字计算器"), {}, nullptr},
        {"atHelp", QT_TR_NOOP("帮助"), {}, "help"},
        {"atTip", QT_TR_NOOP("软件使用小窍门"), {}, nullptr},
        {"atHomePage", QT_TR_NOOP("Quorvane软件网站"), {}, nullptr},
        {"atGetLastest", QT_TR_NOOP("检查是否有新版软件"), {}, nullptr},
        {"btnAdd", QT_TR_NOOP("新增"), QKeySequence(Qt::CTRL | Qt::Key_A), "add"},
        {"btnEdit", QT_TR_NOOP("修改"), QKeySequence(Qt::CTRL | Qt::Key_E), "edit"},
        {"btnDel", QT_TR_NOOP("删除"), QKeySequence(Qt::CTRL | Qt::Key_D), "delete"},
        {"btnSave", QT_TR_NOOP("保存"), QKeySequence(Qt::CTRL | Qt::Key_S), "save"},
        {"btnCancel", QT_TR_NOOP("取消"), QKeySequence(Qt::CTRL | Qt::Key_C), "cancel"},
        {"btnRefresh", QT_TR_NOOP("刷新"), QKeySequence(Qt::CTRL | Qt::Key_R), "refresh"},
        {"btnForword", QT_TR_NOOP("前进"), {}, "forward"},
        {"btnBackword", QT_TR_NOOP("后退"), {}, "backward"},
        {"btnFirst", QT_TR_NOOP("首条"), {}, "first"},
        {"btnPrev", QT_TR_NOOP("上一条"), {}, "prior"},
        {"btnNext", QT_TR_NOOP("下一条"), {}, "next"},
        {"btnLast", QT_TR_NOOP("末条"), {}, "last"},
        {"btnExp", QT_TR_NOOP("导出数据"), {}, "export"},
        {"btnSync", QT_TR_NOOP("同步数据"), {}, "sync"},
    };
    for (const Def &d : defs) {
        QAction *a = addCommand(QString::fromLatin1(d.name), tr(d.caption), d.key);
        if (d.icon)
            a->setIcon(ToolIcon(QString::fromLatin1(d.icon)));
        if (!d.key.isEmpty())
            a->setToolTip(tr(d.caption) + QStringLiteral(" (") + d.key.toString(QKeySequence::NativeText) + QLatin1Char(')'));
    }

    // The commands that work now; every other one says its window comes later.
    const QStringList working = {QStringLiteral("atQuit"), QStringLiteral("atHelp"), QStringLiteral("aLog"),
                                 QStringLiteral("atCalculate")};
    connect(command(QStringLiteral("atQuit")), &QAction::triggered, this, &QWidget::close);
    connect(command(QStringLiteral("atHelp")), &QAction::triggered, this, [] { ShowHelp(); });
    connect(command(QStringLiteral("aLog")), &QAction::triggered, this, &TMainFm::OpenLog);
    connect(command(QStringLiteral("atCalculate")), &QAction::triggered, this, &TMainFm::OpenCalculator);
    // The record and history buttons follow the record navigator, which has
    // no data set yet: they stay disabled, so their keys do nothing.
    const QStringList recordButtons = {
        QStringLiteral("btnAdd"), QStringLiteral("btnEdit"), QStringLiteral("btnDel"), QStringLiteral("btnSave"),
        QStringLiteral("btnCancel"), QStringLiteral("btnRefresh"), QStringLiteral("btnForword"),
        QStringLiteral("btnBackword"), QStringLiteral("btnFirst"), QStringLiteral("btnPrev"),
        QStringLiteral("btnNext"), QStringLiteral("btnLast"), QStringLiteral("btnExp")};
    for (QAction *a : std::as_const(m_commands)) {
        if (recordButtons.contains(a->objectName())) {
            a->setEnabled(false);
            a->setProperty("recordButton", true);
        } else if (!working.contains(a->objectName())) {
            connect(a, &QAction::triggered, this, &TMainFm::notYet);
        }
    }
}

void TMainFm::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    bar->setAccessibleName(tr("主菜单"));
    auto add = [this](QMenu *menu, const char *name) { menu->addAction(command(QString::fromLatin1(name))); };

    QMenu *work = bar->addMenu(tr("业务操作(&B)"));
    work->setObjectName(QStringLiteral("mnWork"));
    add(work, "atRentalManage");
    add(work, "atRentalSearch");
    add(work, "atAlertSearch");
    work->addSeparator();
    add(work, "atSaleManage");
    add(work, "atSaleSearch");
    work->addSeparator();
    add(work, "atQRentalManage");
    add(work, "atQRentalSearch");
    work->addSeparator();
    add(work, "atQBuyManage");
    add(work, "atQBuySearch");
    work->addSeparator();
    add(work, "atQuit");

    QMenu *system = bar->addMenu(tr("系统操作(&S)"));
    system->setObjectName(QStringLiteral("mnSystem"));
    add(system, "atLogin");
    add(system, "atAlway");
    system->addSeparator();
    add(system, "atDataLink");
    system->addSeparator();
    add(system, "atBaseInfo");
    add(system, "atChgPwd");
    add(system, "atData");
    add(system, "aLog");

    QMenu *reports = bar->addMenu(tr("报表查询(&R)"));
    reports->setObjectName(QStringLiteral("mnReports"));
    add(reports, "atPieceStat");
    // The print sub-menus are never shown in the menu bar: their commands are
    // the pop-up items of the management windows.
    auto printMenu = [&](const QString &objectName, const QString &title, std::initializer_list<const char *> items) {
        QMenu *menu = reports->addMenu(title);
        menu->setObjectName(objectName);
        for (const char *item : items)
            add(menu, item);
        menu->menuAction()->setVisible(false);
        return menu;
    };
    PrintRentalMenu = printMenu(QStringLiteral("mnPrintRental"), tr("出租打印"),
                                {"atRentalRelease", "atRentalReturn", "atRentalSave"});
    PrintSaleMenu = printMenu(QStringLiteral("mnPrintSale"), tr("出售打印"),
                              {"atSaleRelease", "atSaleReturn", "atSaleSave"});
    PrintQueryMenu = printMenu(QStringLiteral("mnPrintQuery"), tr("求租求购打印"),
                               {"atQQRentalRelease", "atQQRentalReturn", "atQBuyRelease", "atQBuyReturn"});

    QMenu *tools = bar->addMenu(tr("工具(&T)"));
    tools->setObjectName(QStringLiteral("mnTools"));
    add(tools, "atLoan");
    add(tools, "atCalculate");

    QMenu *help = bar->addMenu(tr("帮助(&H)"));
    help->setObjectName(QStringLiteral("mnHelp"));
    add(help, "atHelp");
    add(help, "atTip");
    add(help, "atHomePage");
    add(help, "atGetLastest");
}

void TMainFm::buildToolBar()
{
    ToolBar = new QToolBar(tr("工具栏"), this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar->setIconSize(QSize(32, 32));
    // Not offered in the context menu: the user cannot hide it.
    ToolBar->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    addToolBar(Qt::TopToolBarArea, ToolBar);
    const std::initializer_list<std::initializer_list<const char *>> groups = {
        {"atLogin", "atAlway"},
        {"btnAdd", "btnEdit", "btnDel", "btnSave", "btnCancel", "btnRefresh"},
        {"btnForword", "btnBackword"},
        {"btnFirst", "btnPrev", "btnNext", "btnLast"},
        {"btnExp", "btnSync"},
        {"atHelp"}};
    bool first = true;
    for (const auto &group : groups) {
        if (!first)
            ToolBar->addSeparator();
        first = false;
        for (const char *name : group)
            ToolBar->addAction(command(QString::fromLatin1(name)));
    }
}

void TMainFm::buildClient()
{
    pnBase = new QWidget(this);
    pnBase->setObjectName(QStringLiteral("pnBase"));
    auto *layout = new QVBoxLayout(pnBase);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *strip = new QWidget(pnBase);
    strip->setObjectName(QStringLiteral("pnToolBar"));
    strip->setAutoFillBackground(true);
    QPalette stripPalette = strip->palette();
    stripPalette.setColor(QPalette::Window, QColor(128, 128, 128));
    strip->setPalette(stripPalette);
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(8, 3, 8, 3);
    lbCaption = new QLabel(strip);
    lbCaption->setObjectName(QStringLiteral("lbCaption"));
    QPalette captionPalette = lbCaption->palette();
    captionPalette.setColor(QPalette::WindowText, QColor(255, 255, 0));
    lbCaption->setPalette(captionPalette);
    QFont captionFont = lbCaption->font();
    captionFont.setBold(true);
    captionFont.setPointSizeF(captionFont.pointSizeF() * 1.2);
    lbCaption->setFont(captionFont);
    stripLayout->addWidget(lbCaption);
    stripLayout->addStretch();
    layout->addWidget(strip);
    // The child windows cover this area below the strip by themselves.
    pnClient = new QWidget(pnBase);
    pnClient->setObjectName(QStringLiteral("pnClient"));
    layout->addWidget(pnClient, 1);
    setCentralWidget(pnBase);
}

void TMainFm::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    const int widths[3] = {180, 200, 50};
    for (int i = 0; i < 3; ++i) {
        m_status[i] = new QLabel(bar);
        m_status[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
        m_status[i]->setMinimumWidth(widths[i]);
        // The last panel takes the rest of the line, so the long time text is
        // never cut off.
        bar->addPermanentWidget(m_status[i], i == 2 ? 1 : 0);
        if (i < 2)
            m_status[i]->setFixedWidth(widths[i]);
    }
}

void TMainFm::EnableAllCommands(bool on)
{
    for (QAction *a : std::as_const(m_commands)) {
        // 退出 always works; the record buttons follow the navigator.
        if (a->objectName() == QLatin1String("atQuit") || a->property("recordButton").toBool())
            continue;
        a->setEnabled(on);
    }
    for (QMenu *menu : {PrintRentalMenu, PrintSaleMenu, PrintQueryMenu})
        menu->setEnabled(on);
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

void TMainFm::ShowChild(TChildFm *child)
{
    if (!child || child == m_currentChild)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (m_currentChild)
        m_currentChild->close();
    m_currentChild = child;
    lbCaption->setText(child->windowTitle());
    if (child->parentWidget() != pnClient)
        child->setParent(pnClient);
    child->show();
    child->raise();
    QApplication::restoreOverrideCursor();
}

void TMainFm::OpenLog()
{
    const ChildFactory makes = childFactories().value(QStringLiteral("aLog"));
    if (!makes) {
        notYet();
        return;
    }
    // The window already shown is not made again.
    if (m_currentChild && m_currentChild->property("command").toString() == QLatin1String("aLog"))
        return;
    TChildFm *child = makes(pnClient);
    if (!child)
        return;
    child->setProperty("command", QStringLiteral("aLog"));
    ShowChild(child);
}

QStringList TMainFm::CalculatorPrograms()
{
    return {QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"), QStringLiteral("galculator"),
            QStringLiteral("mate-calc"), QStringLiteral("qalculate-gtk"), QStringLiteral("xcalc")};
}

bool TMainFm::OpenCalculator()
{
    for (const QString &name : CalculatorPrograms()) {
        const QString path = QStandardPaths::findExecutable(name);
        if (path.isEmpty())
            continue;
        if (QProcess::startDetached(path, {}))
            return true;
    }
    Messages::information(NoCalculatorText());
    return false;
}

} // namespace brel
