#include "components/widgets/SideBar.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/Rights.h"
#include "shell/HistoryObject.h"
#include "shell/MainForm.h"
#include "shell/SettingObjects.h"
#include "support/MainWindowFixture.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace brel;

namespace {

/// A management window over the rental register: the record buttons drive
/// its rows, it logs as the rental window does and opens on its Tag.
class ManageWindow : public TChildFm {
public:
    explicit ManageWindow(QWidget *parent, const QString &caption, const QString &hint = QString())
        : TChildFm(parent)
    {
        setWindowTitle(caption);
        setHint(hint);
        rows = new DataSet(DM()->DbBase, this);
        rows->setSql(Sql("SELECT * FROM TbRental ORDER BY SJH"));
        rows->open();
    }
    DataSet *NavigatorDataSet() const override { return rows; }
    RecordActivities LogActivities() const override
    {
        return {QStringLiteral("新增出租单"), QStringLiteral("修改出租单"), QStringLiteral("删除出租单")};
    }
    DataSet *rows = nullptr;
    qint64 openedOn = -1;
    bool refuseClose = false;

protected:
    void showEvent(QShowEvent *event) override
    {
        TChildFm::showEvent(event);
        openedOn = Tag;
        if (Tag)
            rows->locate(Tag);
    }
    void closeEvent(QCloseEvent *event) override
    {
        if (refuseClose)
            event->ignore();
        else
            TChildFm::closeEvent(event);
    }
};

/// A register search window: a history, a match result, and the management
/// windows it hands rows to.
class SearchWindow : public TChildFm {
public:
    explicit SearchWindow(QWidget *parent) : TChildFm(parent)
    {
        setWindowTitle(QStringLiteral("出租单查询"));
        rows = new DataSet(DM()->DbBase, this);
        rows->setSql(Sql("SELECT * FROM TbRental ORDER BY SJH"));
        rows->open();
    }
    DataSet *NavigatorDataSet() const override { return rows; }
    THistoryObject *SearchHistory() override { return &history; }
    void ReplaySearch() override { replays << history.Current().text; }
    QString ManageCommand(bool matchSide) const override
    {
        return matchSide ? QStringLiteral("atQRentalManage") : QStringLiteral("atRentalManage");
    }
    qint64 MatchedId() const override { return matchedId; }
    void NavigatorStatesChanged(const DataNavigator &navigator) override
    {
        popupAdd = navigator.isEnabled(DataNavigator::Insert);
    }
    bool ExportData() override
    {
        ++exports;
        return true;
    }
    DataSet *rows = nullptr;
    THistoryObject history;
    QStringList replays;
    qint64 matchedId = 0;
    bool popupAdd = false;
    int exports = 0;
};

/// The staff statistics: it owns a report, so it is not closed on switching.
class ReportWindow : public TChildFm {
public:
    explicit ReportWindow(QWidget *parent) : TChildFm(parent) { setWindowTitle(QStringLiteral("收件统计报表")); }
    bool HoldsReport() const override { return true; }
    void RunNow() override { ++loads; }
    void AppMessage(QEvent *event) override
    {
        if (event->type() == QEvent::User)
            ++messages;
    }
    int loads = 0;
    int messages = 0;
};

ResRecord grant(const char *name, bool browse, bool print = true)
{
    ResRecord r;
    r.ZYMC = QString::fromUtf8(name);
    r.LLQX = browse;
    r.XZQX = r.XGQX = r.SCQX = r.DHQX = r.GLQX = true;
    r.DYQX = print;
    return r;
}

} // namespace

class TestMainFormNavigation : public QObject, private test::MainWindowFixture {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openRule();
    void managementWindowRefusingToCloseKeepsItsPlace();
    void sideBar_data();
    void sideBar();
    void rightsGating_data();
    void rightsGating();
    void dataMaintenanceIsTheAdministrators();
    void navigatorButtonStates();
    void handOverToManagementWindow_data();
    void handOverToManagementWindow();
    void recordLogEntries_data();
    void recordLogEntries();
    void historyButtons();
    void exportFollowsTheWindow();
    void relogin();
    void stepAwayAndResume();
    void firstWindowAfterLogin_data();
    void firstWindowAfterLogin();

private:
    void addRentals(int count);
    QStringList logLines();
    void registerWindows();
    void login(int id, const QString &name);

    QHash<QString, int> m_made;
    QPointer<ManageWindow> m_lastManage;
};

void TestMainFormNavigation::init()
{
    m_made.clear();
    // Started as the program starts: the first show opens the working file.
    startMainWindow();
    QCOMPARE(WorkingFile, m_dir->filePath(QStringLiteral("办公.mdb")));
    SysOptions.ZDSJH = false;
    login(1, QStringLiteral("admin"));
    m_form->resize(1200, 800);
}

void TestMainFormNavigation::cleanup()
{
    stopMainWindow();
}

void TestMainFormNavigation::login(int id, const QString &name)
{
    CurrentUser.Id = id;
    CurrentUser.YHXM = name;
    CurrentUser.SSFD.clear();
    CurrentUser.Res[1] = grant("房屋出租", true);
    CurrentUser.Res[2] = grant("房屋出售", true);
    CurrentUser.Res[3] = grant("求租求购", true);
}

void TestMainFormNavigation::addRentals(int count)
{
    for (int i = 1; i <= count; ++i) {
        m_dm->ExecSql(Sql(QStringLiteral("INSERT INTO TbRental (SJH, ZTW) VALUES (?, '00')"),
                          {QStringLiteral("0000000%1").arg(i)}));
    }
}

QStringList TestMainFormNavigation::logLines()
{
    DataSet q(m_dm->DbBase);
    q.setSql(Sql("SELECT CZRY, CZHD, XXQK FROM TbLog ORDER BY ID"));
    q.open();
    QStringList out;
    for (q.first(); !q.eof(); q.next())
        out << q.asText(QStringLiteral("CZRY")) + QLatin1Char('|') + q.asText(QStringLiteral("CZHD")) + QLatin1Char('|')
                   + q.asText(QStringLiteral("XXQK"));
    return out;
}

void TestMainFormNavigation::registerWindows()
{
    auto manage = [this](const QString &command, const QString &caption) {
        TMainFm::RegisterChild(command, [this, command, caption](QWidget *parent) {
            ++m_made[command];
            auto *w = new ManageWindow(parent, caption, QStringLiteral("房屋出租"));
            m_lastManage = w;
            return w;
        });
    };
    manage(QStringLiteral("atRentalManage"), QStringLiteral("出租单管理"));
    manage(QStringLiteral("atQRentalManage"), QStringLiteral("房屋求租管理"));
    TMainFm::RegisterChild(QStringLiteral("atRentalSearch"), [this](QWidget *parent) {
        ++m_made[QStringLiteral("atRentalSearch")];
        return new SearchWindow(parent);
    });
    TMainFm::RegisterChild(QStringLiteral("atPieceStat"), [this](QWidget *parent) {
        ++m_made[QStringLiteral("atPieceStat")];
        return new ReportWindow(parent);
    });
    TMainFm::RegisterChild(QStringLiteral("atAlertSearch"), [this](QWidget *parent) {
        ++m_made[QStringLiteral("atAlertSearch")];
        return new ReportWindow(parent);
    });
}

void TestMainFormNavigation::openRule()
{
    registerWindows();
    m_form->show();
    command("atRentalManage")->trigger();
    QPointer<TChildFm> manage = m_form->CurrentChild();
    QVERIFY(dynamic_cast<ManageWindow *>(manage.data()));
    QCOMPARE(m_form->lbCaption->text(), QStringLiteral("出租单管理"));
    QCOMPARE(m_form->sbLeft->selectedTag(), 11);
    // The window already shown: nothing is made again.
    command("atRentalManage")->trigger();
    QCOMPARE(m_made.value(QStringLiteral("atRentalManage")), 1);
    QCOMPARE(m_form->CurrentChild(), manage.data());

    // A search window: the management window is closed (and freed).
    command("atRentalSearch")->trigger();
    auto *search = dynamic_cast<SearchWindow *>(m_form->CurrentChild());
    QVERIFY(search);
    QCOMPARE(m_form->sbLeft->selectedTag(), 12);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(manage.isNull());
    search->history.Push(0, Sql("SELECT * FROM TbRental WHERE ZTW=?", {QStringLiteral("00")}));

    // Away and back: the search window is kept, made once, and runs its statement again.
    command("atRentalManage")->trigger();
    QCOMPARE(m_made.value(QStringLiteral("atRentalManage")), 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(search->isHidden());
    command("atRentalSearch")->trigger();
    QCOMPARE(m_form->CurrentChild(), search);
    QCOMPARE(m_made.value(QStringLiteral("atRentalSearch")), 1);
    QCOMPARE(search->replays, QStringList{QStringLiteral("SELECT * FROM TbRental WHERE ZTW=?")});
    QVERIFY(search->isVisible());
    QCOMPARE(m_dm->dsNavigator->dataSet(), search->rows);

    // The statistics load at once, have no side-bar item and stay alive behind the next window.
    command("atPieceStat")->trigger();
    QPointer<ReportWindow> report = dynamic_cast<ReportWindow *>(m_form->CurrentChild());
    QVERIFY(report);
    QCOMPARE(report->loads, 1);
    QCOMPARE(m_dm->dsNavigator->dataSet(), nullptr);
    command("atRentalManage")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(report);
    QVERIFY(report->isHidden());
    QCOMPARE(m_dm->dsNavigator->dataSet(), m_lastManage->rows);
    // The application-wide hook is the current window's alone.
    QEvent ping(QEvent::User);
    QCoreApplication::sendEvent(m_form.data(), &ping);
    QCOMPARE(report->messages, 0);
    command("atPieceStat")->trigger();
    QPointer<ReportWindow> second = dynamic_cast<ReportWindow *>(m_form->CurrentChild());
    QVERIFY(second && second != report);
    QCoreApplication::sendEvent(m_form.data(), &ping);
    QCOMPARE(second->messages, 1);
    QCOMPARE(report->messages, 0);
    QCOMPARE(m_messages->messages.size(), 0);
}

void TestMainFormNavigation::managementWindowRefusingToCloseKeepsItsPlace()
{
    registerWindows();
    m_form->show();
    command("atRentalManage")->trigger();
    ManageWindow *manage = m_lastManage;
    manage->refuseClose = true;
    command("atRentalSearch")->trigger();
    QCOMPARE(m_form->CurrentChild(), manage);
    QCOMPARE(m_made.value(QStringLiteral("atRentalSearch")), 0);
    QCOMPARE(m_form->sbLeft->selectedTag(), 11);
    QCOMPARE(m_dm->dsNavigator->dataSet(), manage->rows);
    manage->refuseClose = false;
}

void TestMainFormNavigation::sideBar_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<int>("group");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("command");
    QTest::newRow("rental manage") << 11 << 0 << "出租单管理" << "atRentalManage";
    QTest::newRow("alerts") << 13 << 0 << "跟踪报警" << "atAlertSearch";
    QTest::newRow("sale search") << 22 << 1 << "出售单查询" << "atSaleSearch";
    QTest::newRow("buy search") << 34 << 2 << "房屋求购查询" << "atQBuySearch";
    QTest::newRow("calculator") << 42 << 3 << "数字计算器" << "atCalculate";
    QTest::newRow("base data") << 52 << 4 << "系统参数" << "atBaseInfo";
    QTest::newRow("log") << 55 << 4 << "操作日志查询" << "aLog";
}

void TestMainFormNavigation::sideBar()
{
    QFETCH(int, tag);
    QFETCH(int, group);
    QFETCH(QString, caption);
    QFETCH(QString, command);
    SideBar *bar = m_form->sbLeft;
    QCOMPARE(bar->groupCount(), 5);
    QCOMPARE(bar->groupCaption(4), QStringLiteral("系统设置"));
    m_form->SelectSideItem(tag);
    QCOMPARE(bar->openGroup(), group);
    QCOMPARE(bar->selectedTag(), tag);
    QCOMPARE(bar->itemCaption(group, tag % 10 - 1), caption);
    // A click runs the item's command.
    QCOMPARE(TMainFm::TagCommand(tag), command);
    QCOMPARE(TMainFm::CommandTag(command), tag);
    QAction *action = m_form->command(command);
    QVERIFY(action);
    QSignalSpy runs(action, &QAction::triggered);
    bar->clickTag(tag);
    QCOMPARE(runs.count(), 1);

    // The side bar stays narrower than a third of the window.
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.data()));
    m_form->VSplitter->setSizes({m_form->width() / 2, m_form->width() / 2});
    QCoreApplication::processEvents();
    QVERIFY2(bar->width() < m_form->width() / 3, qPrintable(QString::number(bar->width())));
}

void TestMainFormNavigation::rightsGating_data()
{
    QTest::addColumn<int>("userId");
    QTest::addColumn<bool>("saleBrowse");
    QTest::addColumn<bool>("salePrint");
    QTest::newRow("administrator, every right") << 1 << true << true;
    QTest::newRow("clerk without browsing sales") << 5 << false << true;
    QTest::newRow("clerk without printing sales") << 5 << true << false;
}

void TestMainFormNavigation::rightsGating()
{
    QFETCH(int, userId);
    QFETCH(bool, saleBrowse);
    QFETCH(bool, salePrint);
    addRentals(2);
    registerWindows();
    login(userId, QStringLiteral("张丽"));
    CurrentUser.Res[2] = grant("房屋出售", saleBrowse, salePrint);
    m_form->EnableAllCommands(true);
    m_form->ApplyRights();
    const bool admin = userId == 1;
    for (const char *name : {"atSaleManage", "atSaleSearch"})
        QCOMPARE(command(name)->isEnabled(), saleBrowse);
    for (int tag : {21, 22})
        QCOMPARE(m_form->sbLeft->isItemEnabled(tag), saleBrowse);
    QCOMPARE(m_form->PrintSaleMenu->isEnabled(), salePrint);
    QCOMPARE(command("atSaleRelease")->isEnabled(), salePrint);
    QVERIFY(command("atRentalManage")->isEnabled());
    QVERIFY(m_form->PrintRentalMenu->isEnabled());
    for (const char *name : {"atDataLink", "atBaseInfo", "atData", "aLog"})
        QCOMPARE(command(name)->isEnabled(), admin);
    for (int tag : {51, 52, 54, 55})
        QCOMPARE(m_form->sbLeft->isItemEnabled(tag), admin);
    for (int tag : {41, 42, 53})
        QVERIFY(m_form->sbLeft->isItemEnabled(tag));
    for (const char *name : {"atChgPwd", "atLoan", "atCalculate", "atHelp", "atTip", "atLogin", "atAlway"})
        QVERIFY2(command(name)->isEnabled(), name);

    // The key of a gated command does nothing; the record buttons still follow the current window.
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.data()));
    QTest::keyClick(m_form.data(), Qt::Key_F1);
    QVERIFY(m_lastManage);
    QTest::keyClick(m_form.data(), Qt::Key_F4);
    QCOMPARE(m_messages->messages.size(), saleBrowse ? 1 : 0); // the sale window comes later
    QCOMPARE(m_form->CurrentChild(), m_lastManage.data());
    QVERIFY(command("btnAdd")->isEnabled());
    QVERIFY(command("btnNext")->isEnabled());
}

void TestMainFormNavigation::dataMaintenanceIsTheAdministrators()
{
    login(5, QStringLiteral("张丽"));
    command("atData")->trigger();
    QCOMPARE(m_messages->messages.size(), 1);
    QCOMPARE(m_messages->lastText(), QStringLiteral("只有管理员才能使用此功能，请以管理员身份登录。"));
    QCOMPARE(m_messages->messages[0].icon, Messages::Icon::Information);
    QCOMPARE(m_form->CurrentChild(), nullptr);
}

void TestMainFormNavigation::navigatorButtonStates()
{
    // Mask order: first prior next last add delete edit save cancel refresh.
    auto mask = [this] {
        QString out;
        for (const char *name : {"btnFirst", "btnPrev", "btnNext", "btnLast", "btnAdd", "btnDel", "btnEdit",
                                 "btnSave", "btnCancel", "btnRefresh"})
            out += command(name)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return out;
    };
    QCOMPARE(mask(), QStringLiteral("0000000000"));
    // Pressed without a data set: nothing happens.
    m_form->PressNavigator(DataNavigator::Insert);
    addRentals(3);
    registerWindows();
    command("atRentalManage")->trigger();
    DataSet *rows = m_lastManage->rows;
    QCOMPARE(mask(), QStringLiteral("0011111001"));
    command("btnNext")->trigger();
    QCOMPARE(rows->asText(QStringLiteral("SJH")), QStringLiteral("00000002"));
    QCOMPARE(mask(), QStringLiteral("1111111001"));
    command("btnLast")->trigger();
    QCOMPARE(mask(), QStringLiteral("1100111001"));
    command("btnEdit")->trigger();
    QCOMPARE(rows->state(), DataSet::State::Edit);
    QCOMPARE(mask().mid(4), QStringLiteral("110111"));
    rows->setValue(QStringLiteral("FWDZ"), QStringLiteral("幸福路1号"));
    command("btnSave")->trigger();
    QCOMPARE(rows->state(), DataSet::State::Browse);
    QCOMPARE(m_dm->GetValue(Sql("SELECT FWDZ FROM TbRental WHERE SJH='00000003'"), QStringLiteral("FWDZ")),
             QStringLiteral("幸福路1号"));
    command("btnAdd")->trigger();
    QCOMPARE(rows->state(), DataSet::State::Insert);
    command("btnCancel")->trigger();
    QCOMPARE(rows->state(), DataSet::State::Browse);
    // Delete asks first; Cancel deletes nothing, OK deletes the row.
    m_messages->setNextAnswer(Messages::Answer::Cancel);
    command("btnDel")->trigger();
    QCOMPARE(m_messages->lastText(), QStringLiteral("确定要删除记录吗？"));
    QCOMPARE(m_dm->GetValue(Sql("SELECT COUNT(*) AS N FROM TbRental"), QStringLiteral("N")), QStringLiteral("3"));
    m_messages->setNextAnswer(Messages::Answer::Ok);
    command("btnDel")->trigger();
    QCOMPARE(m_dm->GetValue(Sql("SELECT COUNT(*) AS N FROM TbRental"), QStringLiteral("N")), QStringLiteral("2"));
    // Another window without a data set leaves every button off.
    TMainFm::RegisterChild(QStringLiteral("atLoan"), [](QWidget *parent) { return new TChildFm(parent); });
    command("atLoan")->trigger();
    QCOMPARE(mask(), QStringLiteral("0000000000"));
}

void TestMainFormNavigation::handOverToManagementWindow_data()
{
    QTest::addColumn<bool>("matchSide");
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("opens");
    QTest::newRow("edit from the result") << false << int(DataNavigator::Edit) << "atRentalManage";
    QTest::newRow("edit from the match grid") << true << int(DataNavigator::Edit) << "atQRentalManage";
    QTest::newRow("insert from the result") << false << int(DataNavigator::Insert) << "atRentalManage";
}

void TestMainFormNavigation::handOverToManagementWindow()
{
    QFETCH(bool, matchSide);
    QFETCH(int, button);
    QFETCH(QString, opens);
    addRentals(3);
    registerWindows();
    command("atRentalSearch")->trigger();
    auto *search = dynamic_cast<SearchWindow *>(m_form->CurrentChild());
    QVERIFY(search);
    QVERIFY(search->popupAdd);
    search->rows->last();
    const qint64 resultId = search->rows->currentId();
    search->matchedId = resultId - 1;
    m_form->MatchSide = matchSide;
    m_form->PressNavigator(DataNavigator::Button(button));

    ManageWindow *manage = m_lastManage;
    QVERIFY(manage);
    QCOMPARE(m_form->CurrentChild(), manage);
    QCOMPARE(manage->property("command").toString(), opens);
    const qint64 expectedId = matchSide ? resultId - 1 : resultId;
    QCOMPARE(manage->openedOn, expectedId);
    // The press acts on the management window's rows, on the handed row.
    QCOMPARE(m_dm->dsNavigator->dataSet(), manage->rows);
    if (button == DataNavigator::Edit) {
        QCOMPARE(manage->rows->state(), DataSet::State::Edit);
        QCOMPARE(manage->rows->currentId(), expectedId);
    } else {
        QCOMPARE(manage->rows->state(), DataSet::State::Insert);
    }
    QCOMPARE(search->rows->state(), DataSet::State::Browse);
    QCOMPARE(m_form->PassId, qint64(0));
    QVERIFY(!m_form->MatchSide);
}

void TestMainFormNavigation::recordLogEntries_data()
{
    QTest::addColumn<bool>("keepLog");
    QTest::newRow("logging on") << true;
    QTest::newRow("logging off") << false;
}

void TestMainFormNavigation::recordLogEntries()
{
    QFETCH(bool, keepLog);
    SysOptions.CZRZ = keepLog;
    addRentals(2);
    registerWindows();
    login(3, QStringLiteral("O'Brien 张"));
    command("atRentalManage")->trigger();
    command("btnAdd")->trigger();
    command("btnCancel")->trigger();
    command("btnNext")->trigger();
    command("btnEdit")->trigger();
    command("btnCancel")->trigger();
    // The delete entry comes before the question, so a cancelled delete is logged too.
    m_messages->setNextAnswer(Messages::Answer::Cancel);
    command("btnDel")->trigger();
    const QString user = QStringLiteral("O'Brien 张");
    const QStringList expected = keepLog ? QStringList{user + QStringLiteral("|新增出租单| "),
                                                       user + QStringLiteral("|修改出租单|收件号：00000002"),
                                                       user + QStringLiteral("|删除出租单|收件号：00000002")}
                                         : QStringList{};
    QCOMPARE(logLines(), expected);
    // A search window's rows are not logged.
    command("atRentalSearch")->trigger();
    command("btnEdit")->trigger();
    QCOMPARE(logLines().size(), expected.size() + (keepLog ? 1 : 0)); // the edit went to the rental window
}

void TestMainFormNavigation::historyButtons()
{
    registerWindows();
    command("atRentalSearch")->trigger();
    auto *search = dynamic_cast<SearchWindow *>(m_form->CurrentChild());
    QVERIFY(search);
    QVERIFY(!command("btnForword")->isEnabled());
    QVERIFY(!command("btnBackword")->isEnabled());
    search->history.Push(0, Sql("SELECT 1"));
    search->history.Push(0, Sql("SELECT 2"));
    m_form->RefreshToolbar();
    QVERIFY(command("btnForword")->isEnabled());
    QVERIFY(!command("btnBackword")->isEnabled());
    command("btnForword")->trigger();
    QCOMPARE(search->replays.last(), QStringLiteral("SELECT 1"));
    QVERIFY(command("btnBackword")->isEnabled());
    // Past the oldest: the same statement again, and 前进 goes off.
    command("btnForword")->trigger();
    QCOMPARE(search->replays.last(), QStringLiteral("SELECT 1"));
    QVERIFY(!command("btnForword")->isEnabled());
    command("btnBackword")->trigger();
    QCOMPARE(search->replays.last(), QStringLiteral("SELECT 1"));
    command("btnBackword")->trigger();
    QCOMPARE(search->replays.last(), QStringLiteral("SELECT 2"));
    QCOMPARE(search->replays.size(), 4);
}

void TestMainFormNavigation::exportFollowsTheWindow()
{
    registerWindows();
    QVERIFY(!command("btnExp")->isEnabled());
    command("atRentalManage")->trigger();
    QVERIFY(!command("btnExp")->isEnabled());
    command("atRentalSearch")->trigger();
    QVERIFY(command("btnExp")->isEnabled());
    command("btnExp")->trigger();
    QCOMPARE(dynamic_cast<SearchWindow *>(m_form->CurrentChild())->exports, 1);
}

void TestMainFormNavigation::relogin()
{
    // A clerk who may not browse sales, in the file's rights table.
    m_dm->ExecSql(Sql("INSERT INTO TbUser (Id, YHXM, YHMM, SSFD) VALUES (7, '王五', '', '')"));
    CreateDefaultRights(7);
    m_dm->ExecSql(Sql("UPDATE TbRes SET LLQX=0 WHERE YHID=7 AND Sort=2"));
    registerWindows();
    command("atRentalManage")->trigger();
    ManageWindow *current = m_lastManage;
    QList<bool> asked;
    bool accept = false;
    TMainFm::SetLoginDialog([&](bool allowChooseUser) {
        asked << allowChooseUser;
        if (accept) {
            CurrentUser.Id = 7;
            CurrentUser.YHXM = QStringLiteral("王五");
        }
        return accept;
    });
    command("atLogin")->trigger();
    QCOMPARE(asked, QList<bool>{true});
    QCOMPARE(CurrentUser.YHXM, QStringLiteral("admin"));
    QVERIFY(command("atSaleManage")->isEnabled());
    accept = true;
    command("atLogin")->trigger();
    QCOMPARE(asked, (QList<bool>{true, true}));
    QVERIFY(!command("atSaleManage")->isEnabled());
    QVERIFY(!command("aLog")->isEnabled());
    QVERIFY(command("atRentalManage")->isEnabled());
    auto *panel = m_form->statusBar()->findChild<QLabel *>(QStringLiteral("StatusPanel2"));
    QCOMPARE(panel->text(), QStringLiteral("登录用户：王五"));
    // The current window and the working file stay.
    QCOMPARE(m_form->CurrentChild(), current);
}

void TestMainFormNavigation::stepAwayAndResume()
{
    registerWindows();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.data()));
    QList<bool> asked;
    bool accept = false;
    TMainFm::SetLoginDialog([&](bool allowChooseUser) {
        asked << allowChooseUser;
        return accept;
    });
    command("atAlway")->trigger();
    QVERIFY(m_form->AwayMode);
    QVERIFY(m_form->windowState() & Qt::WindowMinimized);
    QVERIFY(m_form->centralWidget()->isHidden());

    // Restored, the password is asked for the current user alone; Cancel minimises again.
    m_form->setWindowState(Qt::WindowNoState);
    QTRY_COMPARE(asked.size(), 1);
    QCOMPARE(asked.first(), false);
    QTRY_VERIFY(m_form->windowState() & Qt::WindowMinimized);
    QVERIFY(m_form->AwayMode);
    QVERIFY(m_form->centralWidget()->isHidden());

    accept = true;
    m_form->setWindowState(Qt::WindowNoState);
    QTRY_COMPARE(asked.size(), 2);
    QTRY_VERIFY(!m_form->AwayMode);
    QVERIFY(!(m_form->windowState() & Qt::WindowMinimized));
    QVERIFY(m_form->centralWidget()->isVisible());
}

void TestMainFormNavigation::firstWindowAfterLogin_data()
{
    QTest::addColumn<int>("alertInDays"); // -1 = no alert
    QTest::addColumn<bool>("flag");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("opens");
    QTest::newRow("no alert") << -1 << true << "01" << "atRentalManage";
    QTest::newRow("alert today") << 0 << true << "01" << "atAlertSearch";
    QTest::newRow("alert in seven days") << 7 << true << "01" << "atAlertSearch";
    QTest::newRow("alert in eight days") << 8 << true << "01" << "atRentalManage";
    QTest::newRow("alert yesterday") << -2 << true << "01" << "atRentalManage";
    QTest::newRow("flag cleared") << 3 << false << "01" << "atRentalManage";
    QTest::newRow("house not let") << 3 << true << "00" << "atRentalManage";
}

void TestMainFormNavigation::firstWindowAfterLogin()
{
    QFETCH(int, alertInDays);
    QFETCH(bool, flag);
    QFETCH(QString, state);
    QFETCH(QString, opens);
    if (alertInDays != -1) {
        const int days = alertInDays == -2 ? -1 : alertInDays;
        m_dm->ExecSql(Sql(QStringLiteral("INSERT INTO TbRental (SJH, ZTW, GZBJBZ, GZBJRQ) VALUES ('00000001', ?, ?, ?)"),
                          {state, flag ? 1 : 0, QDate::currentDate().addDays(days).toString(QStringLiteral("yyyy-MM-dd"))}));
    }
    registerWindows();
    m_form->EnableAllCommands(true);
    m_form->ApplyRights();
    m_form->OpenFirstWindow();
    QVERIFY(m_form->CurrentChild());
    QCOMPARE(m_form->CurrentChild()->property("command").toString(), opens);
    if (opens == QLatin1String("atAlertSearch")) {
        QCOMPARE(dynamic_cast<ReportWindow *>(m_form->CurrentChild())->loads, 1);
        QCOMPARE(m_form->sbLeft->selectedTag(), 13);
    }
    // A user who may not open the rental windows gets none of them.
    m_form->OpenChild(QStringLiteral("atPieceStat"));
    CurrentUser.Res[1].LLQX = false;
    m_form->ApplyRights();
    const TChildFm *before = m_form->CurrentChild();
    m_form->OpenFirstWindow();
    QCOMPARE(m_form->CurrentChild(), before);
}

QTEST_MAIN(TestMainFormNavigation)
#include "TestMainFormNavigation.moc"
