#include "datastore/DataModule.h"
#include "datastore/Rights.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using namespace brel;

namespace {

// One letter per right, in column order: L X G S D H M (browse, add, modify,
// delete, print, phone, manage); '-' for not granted.
ResRecord rights(const char *flags)
{
    ResRecord r;
    bool ResRecord::*members[] = {&ResRecord::LLQX, &ResRecord::XZQX, &ResRecord::XGQX, &ResRecord::SCQX,
                                  &ResRecord::DYQX, &ResRecord::DHQX, &ResRecord::GLQX};
    for (int i = 0; i < 7; ++i)
        r.*members[i] = flags[i] != '-';
    return r;
}

} // namespace

class TestRights : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void recordRules_data();
    void recordRules();
    void groupOutOfRange();
    void gates_data();
    void gates();
    void gateTableCoversEveryItem();
    void applyRightsToItems();
    void defaultRightsAndLoading();
    void loadingKeepsGroupsWithoutRows();
};

void TestRights::cleanup()
{
    CurrentUser = UserRecord();
}

void TestRights::recordRules_data()
{
    QTest::addColumn<QString>("flags");   // the user's rights in group 2
    QTest::addColumn<QString>("userBranch");
    QTest::addColumn<QString>("branch");  // the record's
    QTest::addColumn<QString>("enteredBy");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("remove");
    QTest::addColumn<bool>("print");
    QTest::addColumn<bool>("contacts");

    QTest::newRow("all rights, own branch, other user") << "LXGSDHM" << "东区" << "东区" << "李四" << true << true << true << true;
    QTest::newRow("all rights, other branch") << "LXGSDHM" << "东区" << "西区" << "张三" << false << false << false << false;
    QTest::newRow("modify without manage: own record") << "LXGS---" << "东区" << "东区" << "张三" << true << true << false << true;
    QTest::newRow("modify without manage: other's record") << "LXGS---" << "东区" << "东区" << "李四" << false << false << false << false;
    QTest::newRow("manage without modify") << "L-----M" << "东区" << "东区" << "李四" << false << false << false << false;
    QTest::newRow("delete only") << "L--S--M" << "东区" << "东区" << "李四" << false << true << false << false;
    QTest::newRow("print only, other's record") << "L---D--" << "东区" << "东区" << "李四" << false << false << true << false;
    QTest::newRow("phone right, other's record") << "L----H-" << "东区" << "东区" << "李四" << false << false << false << true;
    QTest::newRow("empty branches are equal") << "LXGSDHM" << "" << "" << "李四" << true << true << true << true;
    QTest::newRow("empty user branch, branch record") << "LXGSDHM" << "" << "东区" << "张三" << false << false << false << false;
    QTest::newRow("branch compare is exact") << "LXGSDHM" << "东区" << "东区 " << "张三" << false << false << false << false;
    QTest::newRow("user compare is exact") << "LXGS---" << "东区" << "东区" << "张三 " << false << false << false << false;
    QTest::newRow("no rights, own record") << "-------" << "东区" << "东区" << "张三" << false << false << false << true;
}

void TestRights::recordRules()
{
    QFETCH(QString, flags);
    QFETCH(QString, userBranch);
    QFETCH(QString, branch);
    QFETCH(QString, enteredBy);
    CurrentUser.YHXM = QStringLiteral("张三");
    CurrentUser.SSFD = userBranch;
    CurrentUser.Res[2] = rights(flags.toLatin1().constData());
    // Group 1 grants everything: the rules must read the group asked for.
    CurrentUser.Res[1] = rights("LXGSDHM");

    QTEST(CanEditRecord(2, branch, enteredBy), "edit");
    QTEST(CanDeleteRecord(2, branch, enteredBy), "remove");
    QTEST(CanPrintRecord(2, branch, enteredBy), "print");
    QTEST(CanSeeContacts(2, branch, enteredBy), "contacts");
    QCOMPARE(CanAddRecord(2), flags[1] != QLatin1Char('-'));
}

void TestRights::groupOutOfRange()
{
    CurrentUser.Res[1] = CurrentUser.Res[2] = CurrentUser.Res[3] = rights("LXGSDHM");
    for (int g : {0, 4, -1}) {
        QCOMPARE(CanEditRecord(g, QString(), QString()), false);
        QCOMPARE(CanDeleteRecord(g, QString(), QString()), false);
        QCOMPARE(CanPrintRecord(g, QString(), QString()), false);
        QCOMPARE(CanSeeContacts(g, QString(), QString()), false);
        QCOMPARE(CanAddRecord(g), false);
    }
}

void TestRights::gates_data()
{
    QTest::addColumn<int>("userId");
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("tag");
    QTest::addColumn<bool>("enabled");
    // The user: administrator or not; group 1 browse only, group 2 print
    // only, group 3 everything.
    for (int id : {1, 2}) {
        const QByteArray who = id == 1 ? "admin: " : "user: ";
        QTest::newRow(who + "rental manage") << id << "msRentalManage" << 11 << true;
        QTest::newRow(who + "alert search") << id << "smAlertSearch" << 13 << true;
        QTest::newRow(who + "rental print") << id << "smRentalPrint" << 0 << false;
        QTest::newRow(who + "sale search") << id << "msSaleSearch" << 22 << false;
        QTest::newRow(who + "sale print") << id << "smSalePrint" << 0 << true;
        QTest::newRow(who + "buy search") << id << "msQBuySearch" << 34 << true;
        QTest::newRow(who + "request print") << id << "smRentalBuyPrint" << 0 << true;
        QTest::newRow(who + "data link") << id << "msDataLink" << 51 << (id == 1);
        QTest::newRow(who + "log") << id << "msLog" << 55 << (id == 1);
        QTest::newRow(who + "password") << id << "" << 53 << true;
        QTest::newRow(who + "calculator") << id << "" << 42 << true;
    }
}

void TestRights::gates()
{
    QFETCH(int, userId);
    QFETCH(QString, item);
    QFETCH(int, tag);
    QFETCH(bool, enabled);
    CurrentUser.Id = userId;
    CurrentUser.Res[1] = rights("L------");
    CurrentUser.Res[2] = rights("----D--");
    CurrentUser.Res[3] = rights("LXGSDHM");
    int found = 0;
    for (const RightsGate &gate : RightsGates) {
        if (QString::fromLatin1(gate.item) == item && gate.sideBarTag == tag) {
            ++found;
            QCOMPARE(GateOpen(gate), enabled);
        }
    }
    QCOMPARE(found, 1);
}

void TestRights::gateTableCoversEveryItem()
{
    QStringList items;
    QList<int> tags;
    for (const RightsGate &gate : RightsGates) {
        if (*gate.item)
            items << QString::fromLatin1(gate.item);
        if (gate.sideBarTag)
            tags << gate.sideBarTag;
    }
    items.sort();
    std::sort(tags.begin(), tags.end());
    QCOMPARE(items, (QStringList{"msBaseInfo", "msData", "msDataLink", "msLog", "msQBuyManage", "msQBuySearch",
                                 "msQRentalManage", "msQRentalSearch", "msRentalManage", "msRentalSearch",
                                 "msSaleManage", "msSaleSearch", "smAlertSearch", "smRentalBuyPrint",
                                 "smRentalPrint", "smSalePrint"}));
    QCOMPARE(tags, (QList<int>{11, 12, 13, 21, 22, 31, 32, 33, 34, 41, 42, 51, 52, 53, 54, 55}));
}

void TestRights::applyRightsToItems()
{
    CurrentUser.Id = 2;
    CurrentUser.Res[1] = rights("L---D--");
    CurrentUser.Res[2] = rights("-------");
    CurrentUser.Res[3] = rights("L------");
    QObject window;
    auto *menu = new QObject(&window);
    auto *rentalManage = new QAction(menu);
    rentalManage->setObjectName(QStringLiteral("msRentalManage"));
    auto *saleSearch = new QAction(menu);
    saleSearch->setObjectName(QStringLiteral("msSaleSearch"));
    auto *log = new QAction(&window);
    log->setObjectName(QStringLiteral("msLog"));
    auto *requestPrint = new QAction(&window);
    requestPrint->setObjectName(QStringLiteral("smRentalBuyPrint"));
    QMap<int, bool> side;
    ApplyRightsTo(&window, [&](int tag, bool enabled) { side[tag] = enabled; });
    QCOMPARE(rentalManage->isEnabled(), true);
    QCOMPARE(saleSearch->isEnabled(), false);
    QCOMPARE(log->isEnabled(), false);
    QCOMPARE(requestPrint->isEnabled(), false);
    QCOMPARE(side.size(), 16);
    QCOMPARE(side.value(12), true);
    QCOMPARE(side.value(21), false);
    QCOMPARE(side.value(33), true);
    QCOMPARE(side.value(52), false);
    QCOMPARE(side.value(53), true);

    CurrentUser.Id = 1;
    CurrentUser.Res[2] = rights("L------");
    ApplyRightsTo(&window, nullptr);
    QCOMPARE(saleSearch->isEnabled(), true);
    QCOMPARE(log->isEnabled(), true);
}

void TestRights::defaultRightsAndLoading()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("work.mdb"));
    test::makeBlankFile(path);
    TDM dm;
    dm.DbBase->open(path, TDM::Password);
    dm.ExecSql(Sql("INSERT INTO TbUser (ID, YHXM) VALUES (7, 'clerk')"));
    // Stale rows of user 7 that the defaults replace.
    dm.ExecSql(Sql("INSERT INTO TbRes (ZYMC,LLQX,XZQX,XGQX,SCQX,DYQX,DHQX,GLQX,Sort,YHID) "
                   "VALUES ('old',0,0,0,0,0,0,0,1,7)"));

    CreateDefaultRights(7);
    QCOMPARE(dm.GetValue(Sql("SELECT COUNT(*) AS N FROM TbRes WHERE YHID=7"), "N"), QStringLiteral("3"));
    QCOMPARE(dm.GetValue(Sql("SELECT group_concat(ZYMC || Sort || LLQX || XZQX || XGQX || SCQX || DYQX || DHQX "
                             "|| GLQX, ',') AS V FROM (SELECT * FROM TbRes WHERE YHID=7 ORDER BY Sort)"),
                         "V"),
             QStringLiteral("房屋出租11111111,房屋出售21111111,求租求购31111111"));
    // The administrator's rows are untouched.
    QCOMPARE(dm.GetValue(Sql("SELECT COUNT(*) AS N FROM TbRes WHERE YHID=1"), "N"), QStringLiteral("3"));

    // Rows stored out of order load in Sort order; only 1 counts as granted.
    dm.ExecSql(Sql("UPDATE TbRes SET Sort=4 - Sort, DYQX=2 WHERE YHID=7"));
    dm.ExecSql(Sql("UPDATE TbRes SET XGQX=0 WHERE YHID=7 AND ZYMC='房屋出售'"));
    LoadRights(7);
    QCOMPARE(CurrentUser.Res[1].ZYMC, QStringLiteral("求租求购"));
    QCOMPARE(CurrentUser.Res[2].ZYMC, QStringLiteral("房屋出售"));
    QCOMPARE(CurrentUser.Res[3].ZYMC, QStringLiteral("房屋出租"));
    QCOMPARE(CurrentUser.Res[2].XGQX, false);
    QCOMPARE(CurrentUser.Res[2].LLQX, true);
    QCOMPARE(CurrentUser.Res[1].DYQX, false);
}

void TestRights::loadingKeepsGroupsWithoutRows()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("work.mdb"));
    test::makeBlankFile(path);
    TDM dm;
    dm.DbBase->open(path, TDM::Password);
    dm.ExecSql(Sql("INSERT INTO TbRes (ZYMC,LLQX,XZQX,XGQX,SCQX,DYQX,DHQX,GLQX,Sort,YHID) "
                   "VALUES ('房屋出租',0,0,0,0,0,0,0,1,9)"));
    LoadRights(1);
    LoadRights(9);
    QCOMPARE(CurrentUser.Res[1].LLQX, false);
    QCOMPARE(CurrentUser.Res[2].LLQX, true); // from user 1: no row for user 9
    QCOMPARE(CurrentUser.Res[3].ZYMC, QStringLiteral("求租求购"));
}

QTEST_MAIN(TestRights)
#include "TestRights.moc"
