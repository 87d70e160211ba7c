#include "datastore/DataModule.h"
#include "datastore/Rights.h"
#include "shell/ChildForm.h"
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
    void loadingStartsFromNoRights_data();
    void loadingStartsFromNoRights();
    void defaultRightsInsideTheCallersTransaction_data();
    void defaultRightsInsideTheCallersTransaction();
    void windowsFindTheirGroupByName_data();
    void windowsFindTheirGroupByName();
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

    // Rows are matched to their group by name, whatever their Sort; only 1
    // counts as granted.
    dm.ExecSql(Sql("UPDATE TbRes SET Sort=4 - Sort, DYQX=2 WHERE YHID=7"));
    dm.ExecSql(Sql("UPDATE TbRes SET XGQX=0 WHERE YHID=7 AND ZYMC='房屋出售'"));
    dm.ExecSql(Sql("UPDATE TbRes SET LLQX=0 WHERE YHID=7 AND ZYMC='求租求购'"));
    LoadRights(7);
    QCOMPARE(CurrentUser.Res[1].ZYMC, QStringLiteral("房屋出租"));
    QCOMPARE(CurrentUser.Res[2].ZYMC, QStringLiteral("房屋出售"));
    QCOMPARE(CurrentUser.Res[3].ZYMC, QStringLiteral("求租求购"));
    QCOMPARE(CurrentUser.Res[2].XGQX, false);
    QCOMPARE(CurrentUser.Res[2].LLQX, true);
    QCOMPARE(CurrentUser.Res[1].LLQX, true);
    QCOMPARE(CurrentUser.Res[3].LLQX, false);
    QCOMPARE(CurrentUser.Res[1].DYQX, false);
}

void TestRights::loadingStartsFromNoRights_data()
{
    // The second user's TbRes rows, as "name:flags" separated by commas.
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("expected"); // flags of groups 1, 2, 3; "" = no row loaded
    QTest::newRow("no rows at all") << "" << ",,";
    QTest::newRow("only the rental group") << "房屋出租:L------" << "L------,,";
    QTest::newRow("unknown group name") << "房屋出租:-------,出租:LXGSDHM" << "-------,,";
    QTest::newRow("name differs by a space") << "房屋出售 :LXGSDHM" << ",,";
    QTest::newRow("a name twice: the first by Sort counts") << "求租求购:L------,求租求购:LXGSDHM" << ",,L------";
}

void TestRights::loadingStartsFromNoRights()
{
    QFETCH(QString, rows);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("work.mdb"));
    test::makeBlankFile(path);
    TDM dm;
    dm.DbBase->open(path, TDM::Password);
    int sort = 0;
    for (const QString &row : rows.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString name = row.section(QLatin1Char(':'), 0, 0);
        const QString flags = row.section(QLatin1Char(':'), 1);
        QVariantList values{name};
        for (QChar f : flags)
            values << (f == QLatin1Char('-') ? 0 : 1);
        values << ++sort;
        dm.ExecSql(Sql(QStringLiteral("INSERT INTO TbRes (ZYMC,LLQX,XZQX,XGQX,SCQX,DYQX,DHQX,GLQX,Sort,YHID) "
                                      "VALUES (?,?,?,?,?,?,?,?,?,9)"),
                       values));
    }
    // The administrator first (every right in every group), then user 9.
    LoadRights(1);
    QVERIFY(CurrentUser.Res[2].SCQX);
    LoadRights(9);
    const QStringList want = expected.split(QLatin1Char(','));
    const QStringList names = RightsGroupNames();
    for (int g = 1; g <= 3; ++g) {
        const ResRecord &res = CurrentUser.Res[size_t(g)];
        QString got;
        if (!res.ZYMC.isEmpty()) {
            QCOMPARE(res.ZYMC, names[g - 1]);
            const bool flags[] = {res.LLQX, res.XZQX, res.XGQX, res.SCQX, res.DYQX, res.DHQX, res.GLQX};
            for (int i = 0; i < 7; ++i)
                got += flags[i] ? QLatin1Char("LXGSDHM"[i]) : QLatin1Char('-');
        }
        QCOMPARE(got, want[g - 1]);
        // A group without a row grants nothing at all.
        if (res.ZYMC.isEmpty())
            QVERIFY(!res.LLQX && !res.XZQX && !res.XGQX && !res.SCQX && !res.DYQX && !res.DHQX && !res.GLQX);
    }
}

void TestRights::defaultRightsInsideTheCallersTransaction_data()
{
    QTest::addColumn<bool>("commit");
    QTest::newRow("caller commits") << true;
    QTest::newRow("caller gives up") << false;
}

void TestRights::defaultRightsInsideTheCallersTransaction()
{
    QFETCH(bool, commit);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("work.mdb"));
    test::makeBlankFile(path);
    TDM dm;
    dm.DbBase->open(path, TDM::Password);
    dm.ExecSql(Sql("INSERT INTO TbUser (ID, YHXM) VALUES (7, 'clerk'), (8, 'boss')"));
    // As the schema upgrade does: every user, inside its step's transaction.
    {
        Transaction tx(*dm.DbBase);
        for (int id : {1, 7, 8})
            CreateDefaultRights(id);
        if (commit)
            tx.commit();
    }
    QCOMPARE(dm.GetValue(Sql("SELECT COUNT(*) AS N FROM TbRes"), "N"), commit ? QStringLiteral("9") : QStringLiteral("3"));
    QCOMPARE(dm.GetValue(Sql("SELECT COUNT(*) AS N FROM TbRes WHERE YHID=8 AND LLQX=1 AND GLQX=1"), "N"),
             commit ? QStringLiteral("3") : QStringLiteral("0"));
}

void TestRights::windowsFindTheirGroupByName_data()
{
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("missingRow"); // a group the user has no row for
    QTest::addColumn<int>("group");
    QTest::newRow("rental") << "房屋出租" << "" << 1;
    QTest::newRow("sale") << "房屋出售" << "" << 2;
    QTest::newRow("requests") << "求租求购" << "房屋出售" << 3;
    QTest::newRow("group without a row") << "房屋出售" << "房屋出售" << 0;
    QTest::newRow("not a group") << "跟踪报警" << "" << 0;
    QTest::newRow("spaces around a name") << " 房屋出租" << "" << 0;
}

void TestRights::windowsFindTheirGroupByName()
{
    QFETCH(QString, hint);
    QFETCH(QString, missingRow);
    QFETCH(int, group);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("work.mdb"));
    test::makeBlankFile(path);
    TDM dm;
    dm.DbBase->open(path, TDM::Password);
    // Stored in reverse Sort order: position says nothing, the name does.
    dm.ExecSql(Sql("UPDATE TbRes SET Sort=4 - Sort WHERE YHID=1"));
    dm.ExecSql(Sql(QStringLiteral("DELETE FROM TbRes WHERE ZYMC=?"), {missingRow}));
    LoadRights(1);

    TChildFm window;
    window.RightsGroupIndex = 2;
    window.setHint(hint);
    window.RefreshRecordRights();
    QCOMPARE(window.RightsGroupIndex, group);
    QCOMPARE(LoadedRightsGroup(hint), group);
}

QTEST_MAIN(TestRights)
#include "TestRights.moc"
