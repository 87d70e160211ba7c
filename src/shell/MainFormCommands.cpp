#include "shell/MainForm.h"

#include "components/widgets/BandMenu.h"
#include "components/widgets/SideBar.h"
#include "datastore/Rights.h"
#include "shell/SideIcons.h"
#include "shell/ToolIcons.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

// The main window's commands, menus, tool bar, side bar and their gating.

namespace brel {

namespace {

constexpr int SideBarWidth = 100;

/// The tool-bar buttons that follow the record navigator and the current
/// window's history and export.
const char *const RecordButtons[] = {"btnAdd",    "btnEdit",     "btnDel",   "btnSave",  "btnCancel",
                                     "btnRefresh", "btnForword", "btnBackword", "btnFirst", "btnPrev",
                                     "btnNext",   "btnLast",     "btnExp"};

struct SideItem {
    int tag;
    const char *command;
    const char *caption;
    const char *icon;
};

/// The side bar, group by group; an item's tag is group * 10 + item.
const char *const SideGroups[] = {QT_TRANSLATE_NOOP("brel::TMainFm", "房屋出租"),
                                  QT_TRANSLATE_NOOP("brel::TMainFm", "房屋出售"),
                                  QT_TRANSLATE_NOOP("brel::TMainFm", "求租求购"),
                                  QT_TRANSLATE_NOOP("brel::TMainFm", "工具"),
                                  QT_TRANSLATE_NOOP("brel::TMainFm", "系统设置")};
const SideItem SideItems[] = {
    {11, "atRentalManage", QT_TRANSLATE_NOOP("brel::TMainFm", "出租单管理"), "rentalManage"},
    {12, "atRentalSearch", QT_TRANSLATE_NOOP("brel::TMainFm", "出租单查询"), "search"},
    {13, "atAlertSearch", QT_TRANSLATE_NOOP("brel::TMainFm", "跟踪报警"), "alert"},
    {21, "atSaleManage", QT_TRANSLATE_NOOP("brel::TMainFm", "出售单管理"), "saleManage"},
    {22, "atSaleSearch", QT_TRANSLATE_NOOP("brel::TMainFm", "出售单查询"), "search"},
    {31, "atQRentalManage", QT_TRANSLATE_NOOP("brel::TMainFm", "房屋求租管理"), "requestManage"},
    {32, "atQRentalSearch", QT_TRANSLATE_NOOP("brel::TMainFm", "房屋求租查询"), "search"},
    {33, "atQBuyManage", QT_TRANSLATE_NOOP("brel::TMainFm", "房屋求购管理"), "requestManage"},
    {34, "atQBuySearch", QT_TRANSLATE_NOOP("brel::TMainFm", "房屋求购查询"), "search"},
    {41, "atLoan", QT_TRANSLATE_NOOP("brel::TMainFm", "按揭贷款计算器"), "loan"},
    {42, "atCalculate", QT_TRANSLATE_NOOP("brel::TMainFm", "数字计算器"), "calculator"},
    {51, "atDataLink", QT_TRANSLATE_NOOP("brel::TMainFm", "设置工作数据文件"), "dataFile"},
    {52, "atBaseInfo", QT_TRANSLATE_NOOP("brel::TMainFm", "系统参数"), "settings"},
    {53, "atChgPwd", QT_TRANSLATE_NOOP("brel::TMainFm", "修改登录密码"), "login"},
    {54, "atData", QT_TRANSLATE_NOOP("brel::TMainFm", "数据文件维护"), "maintenance"},
    {55, "aLog", QT_TRANSLATE_NOOP("brel::TMainFm", "操作日志查询"), "log"},
};

} // namespace

int TMainFm::CommandTag(const QString &command)
{
    for (const SideItem &item : SideItems) {
        if (command == QLatin1String(item.command))
            return item.tag;
    }
    return 0;
}

QString TMainFm::TagCommand(int tag)
{
    for (const SideItem &item : SideItems) {
        if (item.tag == tag)
            return QString::fromLatin1(item.command);
    }
    return {};
}

void TMainFm::buildSideBar()
{
    sbLeft = new SideBar(VSplitter);
    sbLeft->setObjectName(QStringLiteral("sbLeft"));
    sbLeft->setAccessibleName(tr("导航栏"));
    for (const char *group : SideGroups)
        sbLeft->addGroup(tr(group));
    for (const SideItem &item : SideItems)
        sbLeft->addItem(item.tag / 10 - 1, tr(item.caption), item.tag, SideIcon(QString::fromLatin1(item.icon)));
    sbLeft->setOpenGroup(0);
    // A click runs the item's command, which follows its own enabling.
    connect(sbLeft, &SideBar::itemClicked, this, [this](int tag) {
        if (QAction *a = command(TagCommand(tag)))
            a->trigger();
    });
}

void TMainFm::SelectSideItem(int tag)
{
    if (tag < 11)
        return;
    sbLeft->selectItem(tag / 10 - 1, tag % 10 - 1);
}

void TMainFm::limitSideBar()
{
    // The side bar stays narrower than a third of the window: a wider drag is not taken.
    sbLeft->setMaximumWidth(qMax(sbLeft->minimumSizeHint().width(), width() / 3 - 1));
}

void TMainFm::ApplyRights()
{
    // The table names menu items; here each is a command (or a print menu),
    // so a disabled item's shortcut key is disabled with it.
    const QHash<QString, QObject *> items = {
        {QStringLiteral("msRentalManage"), command(QStringLiteral("atRentalManage"))},
        {QStringLiteral("msRentalSearch"), command(QStringLiteral("atRentalSearch"))},
        {QStringLiteral("smAlertSearch"), command(QStringLiteral("atAlertSearch"))},
        {QStringLiteral("msSaleManage"), command(QStringLiteral("atSaleManage"))},
        {QStringLiteral("msSaleSearch"), command(QStringLiteral("atSaleSearch"))},
        {QStringLiteral("msQRentalManage"), command(QStringLiteral("atQRentalManage"))},
        {QStringLiteral("msQRentalSearch"), command(QStringLiteral("atQRentalSearch"))},
        {QStringLiteral("msQBuyManage"), command(QStringLiteral("atQBuyManage"))},
        {QStringLiteral("msQBuySearch"), command(QStringLiteral("atQBuySearch"))},
        {QStringLiteral("smRentalPrint"), PrintRentalMenu},
        {QStringLiteral("smSalePrint"), PrintSaleMenu},
        {QStringLiteral("smRentalBuyPrint"), PrintQueryMenu},
        {QStringLiteral("msDataLink"), command(QStringLiteral("atDataLink"))},
        {QStringLiteral("msBaseInfo"), command(QStringLiteral("atBaseInfo"))},
        {QStringLiteral("msData"), command(QStringLiteral("atData"))},
        {QStringLiteral("msLog"), command(QStringLiteral("aLog"))},
    };
    ApplyRightsTo([&items](const QString &name) { return items.value(name); },
                  [this](int tag, bool enabled) { sbLeft->setItemEnabled(tag, enabled); });
    // A print menu's commands are also the management windows' print items:
    // they follow the menu.
    for (QMenu *menu : {PrintRentalMenu, PrintSaleMenu, PrintQueryMenu}) {
        for (QAction *a : menu->actions())
            a->setEnabled(menu->isEnabled());
    }
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

    // The record and history buttons follow the record navigator: disabled
    // until a window gives it a data set, so their keys do nothing.
    for (const char *name : RecordButtons)
        command(QString::fromLatin1(name))->setProperty("recordButton", true);

}

void TMainFm::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));
    bar->setAccessibleName(tr("主菜单"));
    auto add = [this](QMenu *menu, const char *name) { menu->addAction(command(QString::fromLatin1(name))); };

    // The business menu carries the product's band down its left side.
    auto *work = new BandMenu(tr("业务操作(&B)"), bar);
    work->setBandLogo(BrelvantoLogo());
    bar->addMenu(work);
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

    VSplitter = new QSplitter(Qt::Horizontal, this);
    VSplitter->setObjectName(QStringLiteral("VSplitter"));
    VSplitter->setChildrenCollapsible(false);
    buildSideBar();
    VSplitter->addWidget(sbLeft);
    VSplitter->addWidget(pnBase);
    VSplitter->setStretchFactor(0, 0);
    VSplitter->setStretchFactor(1, 1);
    VSplitter->setSizes({SideBarWidth, 1000});
    setCentralWidget(VSplitter);
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
    sbLeft->setAllEnabled(on);
}

} // namespace brel
