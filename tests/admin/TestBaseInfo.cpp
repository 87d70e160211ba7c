#include "admin/BaseInfoForm.h"
#include "admin/Login.h"
#include "components/widgets/DataBoxes.h"
#include "components/widgets/DataGrid.h"
#include "components/widgets/GridDelegates.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/PasswordHash.h"
#include "listings/PopupDlg.h"
#include "listings/RentalManageForm.h"
#include "listings/RequestManageForm.h"
#include "listings/SaleManageForm.h"
#include "support/MainWindowFixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

using namespace brel;
using namespace brel::test;

class TestBaseInfo : public QObject, private MainWindowFixture {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pagesAndGating();
    void newUserGetsDefaultRights();
    void passwordStoredAsLoginHash();
    void ticksKeptAcrossUserMoves();
    void deleteTakesRightsAlong();
    void branchListWithoutRepeats();
    void lookupPageRowsOffered_data();
    void lookupPageRowsOffered();
    void pageChangeRereadsAndKeepsTyping();
    void commissionRateReadByNextRentalWindow();
    void companyDetailsSaved();
    void optionsTakeEffect();
    void screenshots();

private:
    TBaseInfoFm *open();
    qint64 addUser(const QString &name, const QString &branch = QString());
    int count(const QString &sql, const QVariantList &values = {});
    /// Writes text into a cell as an editor of the grid would.
    void setCell(DataGrid *grid, int row, const QString &field, const QString &text);
    QString cellText(DataGrid *grid, int row, const QString &field);
    /// Opens the cell's editor as a double click does; nullptr when there is none.
    template<typename T>
    T *openEditor(DataGrid *grid, const QModelIndex &index);
    void press(DataNavigator::Button button) { m_form->PressNavigator(button); }
    /// What the listing windows offer for a lookup table's entries.
    QStringList offered(const QString &where);

    QPointer<TBaseInfoFm> m_window;
};

void TestBaseInfo::init()
{
    startMainWindow();
    TMainFm::RegisterChild(QStringLiteral("atBaseInfo"), [](QWidget *parent) { return new TBaseInfoFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atRentalManage"), [](QWidget *parent) { return new TRentalManageFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atSaleManage"), [](QWidget *parent) { return new TSaleManageFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atQBuyManage"), [](QWidget *parent) { return new TQBuyManageFm(parent); });
}

void TestBaseInfo::cleanup()
{
    FreePopupDlg();
    stopMainWindow();
}

TBaseInfoFm *TestBaseInfo::open()
{
    command("atBaseInfo")->trigger();
    m_window = dynamic_cast<TBaseInfoFm *>(m_form->CurrentChild());
    return m_window;
}

qint64 TestBaseInfo::addUser(const QString &name, const QString &branch)
{
    const qint64 id = insertRow(*m_dm, QStringLiteral("TbUser"),
                                {{QStringLiteral("YHXM"), name}, {QStringLiteral("YHMM"), QString()},
                                 {QStringLiteral("SSFD"), branch}});
    CreateDefaultRights(int(id));
    return id;
}

int TestBaseInfo::count(const QString &sql, const QVariantList &values)
{
    return m_dm->GetValue(Sql(QStringLiteral("SELECT COUNT(*) AS N FROM ") + sql, values), QStringLiteral("N")).toInt();
}

void TestBaseInfo::setCell(DataGrid *grid, int row, const QString &field, const QString &text)
{
    const QModelIndex index = grid->model()->index(row, grid->columnOfField(field));
    QVERIFY(grid->model()->flags(index) & Qt::ItemIsEditable);
    QVERIFY(grid->model()->setData(index, text));
}

QString TestBaseInfo::cellText(DataGrid *grid, int row, const QString &field)
{
    return grid->model()->index(row, grid->columnOfField(field)).data().toString();
}

template<typename T>
T *TestBaseInfo::openEditor(DataGrid *grid, const QModelIndex &index)
{
    // Editors closed before are only scheduled for deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    grid->setCurrentIndex(index);
    grid->edit(index);
    for (T *editor : grid->viewport()->findChildren<T *>())
        if (editor->isVisible())
            return editor;
    return nullptr;
}

QStringList TestBaseInfo::offered(const QString &where)
{
    QStringList out;
    if (where == QLatin1String("branch")) {
        if (!open() || !m_window->ShowPage(0))
            return {};
        return m_window->BranchList()->items();
    }
    const QStringList parts = where.split(QLatin1Char(':'));
    if (!m_form->OpenChild(parts.at(0)))
        return {};
    TChildFm *child = m_form->CurrentChild();
    if (auto *pick = child->findChild<DbPickBox *>(parts.at(1))) {
        for (int i = 0; i < pick->count(); ++i)
            out << pick->itemText(i);
    } else if (auto *popup = child->findChild<DbPopupEdit *>(parts.at(1))) {
        // The popup opens on a row being entered.
        command("btnAdd")->trigger();
        popup->openPopup();
        out = GetPopupDlg()->entries();
        popup->closePopup();
        command("btnCancel")->trigger();
    }
    return out;
}

// The window replaces its placeholder, shows the fifteen tabs and is the administrator's alone.
void TestBaseInfo::pagesAndGating()
{
    QVERIFY(command("atBaseInfo")->isEnabled());
    QVERIFY(open());
    QVERIFY(m_messages->texts().isEmpty());
    QCOMPARE(m_form->lbCaption->text(), QStringLiteral("系统参数"));
    const QStringList tabs = {"登录用户", "佣金比例", "企业信息", "房型", "房屋朝向", "区域", "装修情况", "房屋设施",
                              "周围环境", "贷款银行登记", "产权证头", "付款方式", "产别", "项目设置", "分店设置"};
    QCOMPARE(m_window->pcBaseInfo->count(), tabs.size());
    for (int k = 0; k < tabs.size(); ++k)
        QCOMPARE(m_window->pcBaseInfo->tabText(k), tabs.at(k));
    QCOMPARE(m_window->CurrentPage(), 0);
    QCOMPARE(m_dm->dsNavigator->dataSet(), m_window->Users()->QUser);

    const QStringList rightsCaptions = {"功能名称", "浏览权限", "新增权限", "修改权限", "删除权限", "打印权限", "电话权限", "管理权限"};
    for (int c = 0; c < rightsCaptions.size(); ++c)
        QCOMPARE(m_window->dgRes->model()->headerData(c, Qt::Horizontal).toString(), rightsCaptions.at(c));
    QVERIFY(!m_window->dgUser->isColumnVisible(m_window->dgUser->columnOfField(QStringLiteral("YHDM"))));

    setUser(2, QStringLiteral("lisi"), QString(), "amdptg");
    m_form->ApplyRights();
    QVERIFY(!command("atBaseInfo")->isEnabled());
    setUser(1, QStringLiteral("admin"), QString(), "amdptg");
    m_form->ApplyRights();
    QVERIFY(command("atBaseInfo")->isEnabled());
}

void TestBaseInfo::newUserGetsDefaultRights()
{
    addUser(QStringLiteral("lisi"));
    QVERIFY(open());
    DataSet *users = m_window->Users()->QUser;
    // The administrator is never listed.
    QCOMPARE(users->recordCount(), 1);
    QCOMPARE(users->asText(QStringLiteral("YHXM")), QStringLiteral("lisi"));

    press(DataNavigator::Insert);
    QCOMPARE(users->state(), DataSet::State::Insert);
    // A user without a login name is not saved.
    press(DataNavigator::Post);
    QCOMPARE(m_messages->lastText(), NotEmptyMessage(QStringLiteral("用户登录名")));
    QCOMPARE(users->state(), DataSet::State::Insert);
    setCell(m_window->dgUser, users->recNo(), QStringLiteral("YHXM"), QStringLiteral("lisi"));
    press(DataNavigator::Post);
    QCOMPARE(m_messages->lastText(), QStringLiteral("用户登录名“lisi”已经存在，请换一个。"));
    setCell(m_window->dgUser, users->recNo(), QStringLiteral("YHXM"), QStringLiteral("wangwu"));
    press(DataNavigator::Post);
    QCOMPARE(users->state(), DataSet::State::Browse);

    const qint64 id = users->currentId();
    QVERIFY(id > 1);
    QCOMPARE(count(QStringLiteral("TbRes WHERE YHID=?"), {id}), 3);
    QCOMPARE(count(QStringLiteral("TbRes WHERE YHID=? AND LLQX=1 AND XZQX=1 AND XGQX=1 AND SCQX=1 AND DYQX=1 "
                                  "AND DHQX=1 AND GLQX=1"),
                   {id}),
             3);
    // Shown at once below the new user, in group order.
    DataSet *rights = m_window->Users()->QRes;
    QCOMPARE(rights->recordCount(), 3);
    const QStringList groups = {"房屋出租", "房屋出售", "求租求购"};
    for (int n = 0; n < 3; ++n) {
        QCOMPARE(cellText(m_window->dgRes, n, QStringLiteral("ZYMC")), groups.at(n));
        QCOMPARE(rights->valueAt(n, rights->fieldIndex(QStringLiteral("Sort"))).toInt(), n + 1);
    }
    // The group name is the program's: it cannot be typed over.
    QVERIFY(!openEditor<QLineEdit>(m_window->dgRes, m_window->dgRes->model()->index(0, 0)));
}

void TestBaseInfo::passwordStoredAsLoginHash()
{
    const qint64 id = addUser(QStringLiteral("lisi"));
    QVERIFY(open());
    DataGrid *grid = m_window->dgUser;
    const QModelIndex cell = grid->model()->index(0, grid->columnOfField(QStringLiteral("YHMM")));

    for (const QString &typed : {QStringLiteral("Mima12"), QStringLiteral("xinmima")}) {
        auto *editor = openEditor<QLineEdit>(grid, cell);
        QVERIFY(editor);
        // The editor never starts with what is stored.
        QCOMPARE(editor->text(), QString());
        QCOMPARE(editor->echoMode(), QLineEdit::Password);
        QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        press(DataNavigator::Post);

        const QString stored =
            m_dm->GetValue(Sql(QStringLiteral("SELECT YHMM FROM TbUser WHERE ID=?"), {id}), QStringLiteral("YHMM"));
        QVERIFY2(PasswordHash::isHashed(stored), qPrintable(stored));
        QVERIFY(CheckUserPassword(int(id), typed.toUpper()));
        QVERIFY(!CheckUserPassword(int(id), QStringLiteral("wrong")));
        // Shown as "*", and the shown text is all there is to copy.
        QCOMPARE(cell.data(Qt::DisplayRole).toString(), QStringLiteral("*"));
        grid->setCurrentIndex(cell);
        QTest::keySequence(grid, QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("*"));
    }

    // Leaving the editor without typing keeps the password.
    const QString before =
        m_dm->GetValue(Sql(QStringLiteral("SELECT YHMM FROM TbUser WHERE ID=?"), {id}), QStringLiteral("YHMM"));
    QLineEdit *untouched = openEditor<QLineEdit>(grid, cell);
    QVERIFY(untouched);
    QTest::keyClick(untouched, Qt::Key_Return);
    setCell(grid, 0, QStringLiteral("YHXM"), QStringLiteral("lisi2"));
    press(DataNavigator::Post);
    QCOMPARE(m_dm->GetValue(Sql(QStringLiteral("SELECT YHMM FROM TbUser WHERE ID=?"), {id}), QStringLiteral("YHMM")),
             before);
    QVERIFY(CheckUserPassword(int(id), QStringLiteral("xinmima")));
}

void TestBaseInfo::ticksKeptAcrossUserMoves()
{
    const qint64 first = addUser(QStringLiteral("lisi"));
    const qint64 second = addUser(QStringLiteral("wangwu"));
    QVERIFY(open());
    DataGrid *grid = m_window->dgRes;
    grid->resize(900, 200);
    QCoreApplication::processEvents();
    const int add = grid->columnOfField(QStringLiteral("XZQX"));
    const int print = grid->columnOfField(QStringLiteral("DYQX"));

    // A click on the box unticks it, the space bar on the next one too.
    const QModelIndex addCell = grid->model()->index(1, add);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(addCell).center());
    QVERIFY(!CheckColumnDelegate::isTicked(addCell));
    QCOMPARE(addCell.data().toString(), QStringLiteral("否"));
    const QModelIndex printCell = grid->model()->index(2, print);
    grid->setCurrentIndex(printCell);
    QTest::keyClick(grid, Qt::Key_Space);
    QVERIFY(!CheckColumnDelegate::isTicked(printCell));

    for (int i = 0; i < 3; ++i) {
        press(DataNavigator::Next);
        QCOMPARE(m_window->Users()->QUser->currentId(), second);
        QVERIFY(CheckColumnDelegate::isTicked(grid->model()->index(1, add)));
        press(DataNavigator::Prior);
        QCOMPARE(m_window->Users()->QUser->currentId(), first);
        QVERIFY(!CheckColumnDelegate::isTicked(grid->model()->index(1, add)));
        QVERIFY(!CheckColumnDelegate::isTicked(grid->model()->index(2, print)));
    }
    QCOMPARE(count(QStringLiteral("TbRes WHERE YHID=? AND Sort=2 AND XZQX=0"), {first}), 1);
    QCOMPARE(count(QStringLiteral("TbRes WHERE YHID=? AND Sort=3 AND DYQX=0"), {first}), 1);
    QCOMPARE(count(QStringLiteral("TbRes WHERE XZQX=0 OR DYQX=0")), 2);

    // Ticked again, and the user logging in next time gets exactly that.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(1, add)).center());
    LoadRights(int(first));
    QVERIFY(CurrentUser.Res[2].XZQX);
    QVERIFY(!CurrentUser.Res[3].DYQX);
}

void TestBaseInfo::deleteTakesRightsAlong()
{
    const qint64 kept = addUser(QStringLiteral("lisi"));
    const qint64 gone = addUser(QStringLiteral("wangwu"));
    QVERIFY(open());
    QVERIFY(m_window->Users()->QUser->locate(gone));

    // A delete the engine refuses leaves the user and its rights.
    m_dm->ExecSql(Sql("CREATE TRIGGER KeepUsers BEFORE DELETE ON TbUser BEGIN SELECT RAISE(ABORT, 'kept'); END"));
    m_messages->setNextAnswer(Messages::Answer::Ok);
    QVERIFY_THROWS_EXCEPTION(EngineError, press(DataNavigator::Delete));
    QVERIFY(m_messages->texts().contains(QStringLiteral("确定要删除记录吗？")));
    QCOMPARE(count(QStringLiteral("TbUser WHERE ID=?"), {gone}), 1);
    QCOMPARE(count(QStringLiteral("TbRes WHERE YHID=?"), {gone}), 3);
    QVERIFY(!m_dm->DbBase->inTransaction());

    m_dm->ExecSql(Sql("DROP TRIGGER KeepUsers"));
    m_messages->setNextAnswer(Messages::Answer::Ok);
    press(DataNavigator::Delete);
    QCOMPARE(count(QStringLiteral("TbUser WHERE ID=?"), {gone}), 0);
    QCOMPARE(count(QStringLiteral("TbRes WHERE YHID=?"), {gone}), 0);
    QCOMPARE(count(QStringLiteral("TbRes WHERE YHID=?"), {kept}), 3);
    QCOMPARE(m_window->Users()->QRes->recordCount(), 3);
}

void TestBaseInfo::branchListWithoutRepeats()
{
    for (const char *name : {"东城店", "西城店", "东城店", ""})
        insertRow(*m_dm, QStringLiteral("TbBranch"), {{QStringLiteral("FDMC"), QString::fromUtf8(name)}});
    addUser(QStringLiteral("lisi"), QStringLiteral("东城店"));
    addUser(QStringLiteral("wangwu"));
    QVERIFY(open());
    const QStringList expected = {"东城店", "西城店"};
    for (int i = 0; i < 4; ++i) {
        press(i % 2 ? DataNavigator::Prior : DataNavigator::Next);
        QCOMPARE(m_window->BranchList()->items(), expected);
    }

    // A branch added on its page is offered on the next move; choosing one writes it.
    insertRow(*m_dm, QStringLiteral("TbBranch"), {{QStringLiteral("FDMC"), QStringLiteral("南城店")}});
    press(DataNavigator::Next);
    QCOMPARE(m_window->BranchList()->items(), (QStringList{"东城店", "西城店", "南城店"}));
    DataGrid *grid = m_window->dgUser;
    const QModelIndex branch = grid->model()->index(m_window->Users()->QUser->recNo(), grid->columnOfField(QStringLiteral("SSFD")));
    auto *box = openEditor<QComboBox>(grid, branch);
    QVERIFY(box);
    QCOMPARE(box->count(), 4); // the empty choice first
    box->setCurrentIndex(box->findText(QStringLiteral("南城店")));
    QTest::keyClick(box, Qt::Key_Return);
    press(DataNavigator::Post);
    QCOMPARE(count(QStringLiteral("TbUser WHERE YHXM=? AND SSFD=?"), {QStringLiteral("wangwu"), QStringLiteral("南城店")}), 1);
}

void TestBaseInfo::lookupPageRowsOffered_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("where"); ///< command:box of a listing window, "branch", or "" for none yet
    QTest::newRow("房型") << 3 << "TbStyle" << "FX" << "房型" << "atRentalManage:edFX";
    QTest::newRow("房屋朝向") << 4 << "TbDirection" << "CX" << "朝向" << "atRentalManage:edCX";
    QTest::newRow("区域") << 5 << "TbArea" << "QY" << "区域" << "atSaleManage:edQY";
    QTest::newRow("装修情况") << 6 << "TbFitment" << "ZXQK" << "装修情况" << "atQBuyManage:edZXQK";
    QTest::newRow("房屋设施") << 7 << "TbEquip" << "FWSS" << "房屋设施" << "atRentalManage:edFWSS";
    QTest::newRow("周围环境") << 8 << "TbAmbience" << "ZWHJ" << "周围环境" << "atSaleManage:edZWHJ";
    QTest::newRow("贷款银行登记") << 9 << "TbBank" << "YHMC" << "银行名称" << "";
    QTest::newRow("产权证头") << 10 << "TbPropertyId" << "CQZH" << "产权证号" << "atRentalManage:edCQZH";
    QTest::newRow("付款方式") << 11 << "TbPayMode" << "FKFS" << "付款方式" << "";
    QTest::newRow("产别") << 12 << "TbPropertyType" << "CB" << "产权类别" << "atSaleManage:edCB";
    QTest::newRow("分店设置") << 14 << "TbBranch" << "FDMC" << "分店名称" << "branch";
}

void TestBaseInfo::lookupPageRowsOffered()
{
    QFETCH(int, page);
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(QString, caption);
    QFETCH(QString, where);
    const QString first = QStringLiteral("测试条目"), changed = QStringLiteral("改过的条目");
    auto stored = [&](const QString &text) {
        return count(table + QStringLiteral(" WHERE ") + field + QStringLiteral("=?"), {text});
    };

    QVERIFY(open());
    QVERIFY(m_window->ShowPage(page));
    DataGrid *grid = m_window->PageGrid(page);
    QVERIFY(grid);
    QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), caption);
    QCOMPARE(m_dm->dsNavigator->dataSet(), m_window->PageQuery());
    QVERIFY(command("btnAdd")->isEnabled());

    // Added.
    command("btnAdd")->trigger();
    DataSet *rows = m_window->PageQuery();
    setCell(grid, rows->recNo(), field, first);
    command("btnSave")->trigger();
    QCOMPARE(stored(first), 1);
    if (!where.isEmpty())
        QVERIFY(offered(where).contains(first));

    // Changed.
    QVERIFY(open());
    QVERIFY(m_window->ShowPage(page));
    grid = m_window->PageGrid(page);
    rows = m_window->PageQuery();
    QVERIFY(rows->locate(field, first));
    setCell(grid, rows->recNo(), field, changed);
    command("btnSave")->trigger();
    QCOMPARE(stored(first), 0);
    QCOMPARE(stored(changed), 1);
    if (!where.isEmpty()) {
        const QStringList now = offered(where);
        QVERIFY(now.contains(changed));
        QVERIFY(!now.contains(first));
    }

    // Deleted.
    QVERIFY(open());
    QVERIFY(m_window->ShowPage(page));
    rows = m_window->PageQuery();
    QVERIFY(rows->locate(field, changed));
    m_messages->setNextAnswer(Messages::Answer::Ok);
    command("btnDel")->trigger();
    QCOMPARE(stored(changed), 0);
    if (!where.isEmpty())
        QVERIFY(!offered(where).contains(changed));
}

void TestBaseInfo::pageChangeRereadsAndKeepsTyping()
{
    QVERIFY(open());
    QVERIFY(m_window->ShowPage(3));
    DataSet *rows = m_window->PageQuery();
    QCOMPARE(rows->recordCount(), 0);

    // Rows written elsewhere show when the page is shown again: its query is new.
    insertRow(*m_dm, QStringLiteral("TbStyle"), {{QStringLiteral("FX"), QStringLiteral("一室一厅")}});
    QCOMPARE(rows->recordCount(), 0);
    QVERIFY(m_window->ShowPage(4));
    QVERIFY(m_window->ShowPage(3));
    QVERIFY(m_window->PageQuery() != nullptr);
    QCOMPARE(m_window->PageQuery()->recordCount(), 1);

    // A typed row is saved on leaving the page, not lost.
    command("btnAdd")->trigger();
    setCell(m_window->PageGrid(3), m_window->PageQuery()->recNo(), QStringLiteral("FX"), QStringLiteral("两室一厅"));
    QVERIFY(m_window->ShowPage(5));
    QCOMPARE(count(QStringLiteral("TbStyle")), 2);

    // An empty entry is refused and keeps the page where it is.
    QVERIFY(m_window->ShowPage(3));
    command("btnAdd")->trigger();
    QVERIFY(!m_window->ShowPage(5));
    QCOMPARE(m_messages->lastText(), NotEmptyMessage(QStringLiteral("房型")));
    QCOMPARE(m_window->CurrentPage(), 3);
    QCOMPARE(m_window->pcBaseInfo->currentIndex(), 3);
    command("btnCancel")->trigger();
    QVERIFY(m_window->ShowPage(0));
    QCOMPARE(m_dm->dsNavigator->dataSet(), m_window->Users()->QUser);
    QCOMPARE(count(QStringLiteral("TbStyle")), 2);
}

void TestBaseInfo::commissionRateReadByNextRentalWindow()
{
    QVERIFY(open());
    QVERIFY(m_window->ShowPage(1));
    DataGrid *grid = m_window->PageGrid(1);
    DataSet *rows = m_window->PageQuery();
    QVERIFY(rows->locate(3));
    // A currency value shown as a plain number.
    QCOMPARE(cellText(grid, rows->recNo(), QStringLiteral("CSZ")), QStringLiteral("50.00"));
    // The rates are read by row number: none is added or deleted here.
    QVERIFY(!command("btnAdd")->isEnabled());
    QVERIFY(!command("btnDel")->isEnabled());

    setCell(grid, rows->recNo(), QStringLiteral("CSZ"), QStringLiteral("120"));
    command("btnSave")->trigger();
    QCOMPARE(m_messages->lastText(), IncorrectMessage(QStringLiteral("参数值(%)")));
    setCell(grid, rows->recNo(), QStringLiteral("CSZ"), QStringLiteral("3.5"));
    command("btnSave")->trigger();
    QCOMPARE(rows->state(), DataSet::State::Browse);
    QCOMPARE(cellText(grid, rows->recNo(), QStringLiteral("CSZ")), QStringLiteral("3.50"));

    QVERIFY(m_form->OpenChild(QStringLiteral("atRentalManage")));
    auto *rental = dynamic_cast<TRentalManageFm *>(m_form->CurrentChild());
    QVERIFY(rental);
    QCOMPARE(rental->CommissionRate, Money::fromRaw(35000));
    QCOMPARE(rental->findChild<QLabel *>(QStringLiteral("lbRate"))->text(), QStringLiteral("当前佣金比例为3.50%"));
}

void TestBaseInfo::companyDetailsSaved()
{
    QVERIFY(open());
    QVERIFY(m_window->ShowPage(2));
    // The record buttons have nothing to act on here.
    QVERIFY(!command("btnAdd")->isEnabled());
    auto *name = m_window->findChild<DbEdit *>(QStringLiteral("edQYMC"));
    auto *phone = m_window->findChild<DbEdit *>(QStringLiteral("edLXDH"));
    QVERIFY(name && phone);
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("lbQYMC"))->buddy(), name);
    name->setFocus();
    typeText(name, QStringLiteral("蓝天房产"));
    phone->setFocus();
    typeText(phone, QStringLiteral("0571-88886666"));
    QTest::mouseClick(m_window->btnSaveCompany, Qt::LeftButton);
    QCOMPARE(m_dm->GetValue(Sql("SELECT QYMC FROM TbCompanyInfo WHERE ID=1"), QStringLiteral("QYMC")),
             QStringLiteral("蓝天房产"));
    QCOMPARE(m_dm->GetValue(Sql("SELECT LXDH FROM TbCompanyInfo WHERE ID=1"), QStringLiteral("LXDH")),
             QStringLiteral("0571-88886666"));
    QCOMPARE(count(QStringLiteral("TbCompanyInfo")), 1);
    QVERIFY(m_window->ShowPage(3));
    QVERIFY(m_window->ShowPage(2));
    QCOMPARE(name->text(), QStringLiteral("蓝天房产"));
}

void TestBaseInfo::optionsTakeEffect()
{
    QVERIFY(open());
    QVERIFY(m_window->ShowPage(13));
    QCOMPARE(m_window->cbZDSJH->isChecked(), SysOptions.ZDSJH);
    QVERIFY(!command("btnAdd")->isEnabled());

    struct Round {
        bool numbers, path, logging;
    };
    for (const Round &r : {Round{false, true, true}, Round{true, false, false}}) {
        QVERIFY(open());
        QVERIFY(m_window->ShowPage(13));
        m_window->cbZDSJH->setChecked(r.numbers);
        m_window->cbXSLJ->setChecked(r.path);
        m_window->cbCZRZ->setChecked(r.logging);
        QTest::mouseClick(m_window->btnSaveSetings, Qt::LeftButton);
        QCOMPARE(count(QStringLiteral("TbSetings WHERE ZDSJH=? AND XSLJ=? AND CZRZ=?"),
                       {int(r.numbers), int(r.path), int(r.logging)}),
                 1);
        // The caption follows at once.
        QCOMPARE(m_form->windowTitle().endsWith(WorkingFile), r.path);
        QVERIFY(m_form->windowTitle().startsWith(QStringLiteral("Quorvane-Brelvantov1.05")));

        // Numbering and logging follow in the next management window.
        const int logRows = count(QStringLiteral("TbLog"));
        QVERIFY(m_form->OpenChild(QStringLiteral("atRentalManage")));
        command("btnAdd")->trigger();
        const QString receipt = m_form->CurrentChild()->NavigatorDataSet()->asText(QStringLiteral("SJH"));
        QCOMPARE(receipt, r.numbers ? QStringLiteral("00000001") : QString());
        command("btnCancel")->trigger();
        QCOMPARE(count(QStringLiteral("TbLog")), logRows + (r.logging ? 1 : 0));
    }
}

void TestBaseInfo::screenshots()
{
    const QString out = qEnvironmentVariable("BRELVANTO_SCREENSHOT");
    for (const char *name : {"lisi", "wangwu"})
        addUser(QString::fromLatin1(name), QStringLiteral("东城店"));
    for (const char *text : {"一室一厅", "两室一厅", "三室两厅"})
        insertRow(*m_dm, QStringLiteral("TbStyle"), {{QStringLiteral("FX"), QString::fromUtf8(text)}});
    QVERIFY(open());
    for (int page : {0, 3, 2, 13}) {
        QVERIFY(m_window->ShowPage(page));
        // The window fills the client panel.
        QTRY_COMPARE(m_window->geometry(), m_window->parentWidget()->rect());
        QCoreApplication::processEvents();
        // The tabs all show their whole caption or scroll; nothing overlaps the grids.
        if (DataGrid *grid = page == 0 ? m_window->dgUser : m_window->PageGrid(page))
            QVERIFY(grid->isVisible() && grid->height() > 100);
        if (!out.isEmpty())
            QVERIFY(m_form->grab().save(QString(out).replace(QLatin1String(".png"), QStringLiteral("-%1.png").arg(page))));
    }
}

QTEST_MAIN(TestBaseInfo)
#include "TestBaseInfo.moc"
