// Data files of older builds, made by the project's generator with the
// sample office's rows, brought to the current build when they are opened.

#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/Schema.h"
#include "datastore/Upgrade.h"
#include "support/OldBuildFiles.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QDate>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace brel;

namespace {

using Rows = QHash<qint64, QVariantMap>;

Rows readRows(Database &db, const QString &table)
{
    Rows out;
    auto st = db.prepare(Sql(QStringLiteral("SELECT * FROM %1").arg(table)));
    while (st->step()) {
        QVariantMap row;
        for (int c = 0; c < st->columnCount(); ++c)
            row.insert(st->columnName(c).toUpper(), st->value(c));
        out.insert(row.value(QStringLiteral("ID")).toLongLong(), row);
    }
    return out;
}

QVariantList column(Database &db, const Sql &sql)
{
    QVariantList out;
    auto st = db.prepare(sql);
    while (st->step())
        out << st->value(0);
    return out;
}

/// Every table's columns as "NAME TYPE [NOT NULL]", in no particular order.
QSet<QString> columnShapes(Database &db)
{
    QSet<QString> out;
    for (const TableDef &t : Schema::tables()) {
        auto st = db.prepare(Sql(QStringLiteral("PRAGMA table_info(%1)").arg(t.name)));
        while (st->step())
            out << QStringLiteral("%1.%2 %3%4")
                       .arg(t.name, st->value(1).toString().toUpper(), st->value(2).toString().toUpper(),
                            st->int64(3) ? QStringLiteral(" NOT NULL") : QString());
    }
    return out;
}

QString declaredType(Database &db, const QString &table, const QString &col)
{
    auto st = db.prepare(Sql(QStringLiteral("PRAGMA table_info(%1)").arg(table)));
    while (st->step())
        if (st->value(1).toString() == col)
            return st->value(2).toString();
    return {};
}

QSet<QString> indexNames(Database &db)
{
    QSet<QString> out;
    for (const QVariant &v : column(db, Sql("SELECT name FROM sqlite_master WHERE type='index' AND sql IS NOT NULL")))
        out << v.toString();
    return out;
}

QByteArray digest(const QString &path)
{
    return test::fileDigest(path);
}

const QStringList RightsGroups = {QStringLiteral("房屋出租"), QStringLiteral("房屋出售"), QStringLiteral("求租求购")};

} // namespace

class TestUpgrade : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void oldBuildReachesCurrentInOneOpening_data();
    void oldBuildReachesCurrentInOneOpening();
    void currentBuildIsLeftUntouched();
    void unknownBuildIsRefused_data();
    void unknownBuildIsRefused();
    void refusedFileLeavesThePreviousWorkingFile();
    void failedStepLeavesThePreviousBuild_data();
    void failedStepLeavesThePreviousBuild();
    void changedColumnKeepsValuesIndexesAndSequence();
    void valueThatCannotBeConvertedIsRefused();
    void twoColumnsRetypedTogether_data();
    void twoColumnsRetypedTogether();

private:
    QString oldFile(const QString &build)
    {
        return test::OldBuildFile(m_made.path(), build, QStringLiteral("work-%1.mdb").arg(build));
    }
    /// Opens path as the working file with the upgrade as its only step before login.
    void openWorkingFile(const QString &path);

    QTemporaryDir m_made;
    std::unique_ptr<TDM> m_dm;
    QStringList m_steps;
    int m_finished = 0;
};

void TestUpgrade::initTestCase()
{
    QVERIFY(m_made.isValid());
    QVERIFY2(QFileInfo(test::DataGenerator()).isExecutable(), qPrintable(test::DataGenerator()));
}

void TestUpgrade::init()
{
    ClearGlobals();
    m_steps.clear();
    m_finished = 0;
    m_dm = std::make_unique<TDM>();
    m_dm->hooks.upgrade = [this] {
        UpgradeProgress p;
        p.stepStarted = [this](const QString &from, const QString &to) { m_steps << from + QStringLiteral(">") + to; };
        p.finished = [this] { ++m_finished; };
        UpgradeDb(p);
    };
}

void TestUpgrade::cleanup()
{
    m_dm.reset();
    ClearGlobals();
}

void TestUpgrade::openWorkingFile(const QString &path)
{
    QVERIFY(m_dm->OpenWorkingFile(path, true));
}

void TestUpgrade::oldBuildReachesCurrentInOneOpening_data()
{
    QTest::addColumn<QString>("build");
    QTest::addColumn<int>("steps");
    QTest::addColumn<bool>("pricesInYuan");
    QTest::addColumn<bool>("rightsInUserRows");
    QTest::addColumn<bool>("withoutRoughAddress");
    QTest::addColumn<QString>("options"); // ZDSJH,XSLJ,CZRZ after the upgrade
    QTest::addColumn<QVariant>("passport");

    const QVariant none;
    const QVariant passport(QStringLiteral("LYAJ-20050301"));
    // The files from Build1.01 on had numbering switched off, from Build1.03
    // on the caption option too, and the Build1.04 file keeps its log: the
    // upgrade sets only the options it adds.
    QTest::newRow("Build1.00") << "Build1.00" << 5 << true << true << true << "1,1,0" << none;
    QTest::newRow("Build1.01") << "Build1.01" << 4 << false << true << true << "0,1,0" << none;
    QTest::newRow("Build1.02") << "Build1.02" << 3 << false << true << true << "0,1,0" << passport;
    QTest::newRow("Build1.03") << "Build1.03" << 2 << false << false << false << "0,0,0" << passport;
    QTest::newRow("Build1.04") << "Build1.04" << 1 << false << false << false << "0,0,1" << passport;
}

void TestUpgrade::oldBuildReachesCurrentInOneOpening()
{
    QFETCH(QString, build);
    QFETCH(int, steps);
    QFETCH(bool, pricesInYuan);
    QFETCH(bool, rightsInUserRows);
    QFETCH(bool, withoutRoughAddress);
    QFETCH(QString, options);
    QFETCH(QVariant, passport);

    const QString path = oldFile(build);
    QVERIFY(!path.isEmpty());
    QHash<QString, Rows> before;
    QHash<QString, qint64> sequence;
    Rows rightsBefore;
    {
        Database db;
        db.open(path, test::DataPassword);
        QCOMPARE(column(db, Sql("SELECT BBH FROM TbVersion")), QVariantList{build});
        for (const QString &t : Schema::registerTables() + QStringList{QStringLiteral("TbUser")}) {
            before.insert(t, readRows(db, t));
            QVERIFY2(before[t].size() >= 3, qPrintable(t));
            sequence.insert(t, column(db, Sql("SELECT seq FROM sqlite_sequence WHERE name=?", {t})).value(0).toLongLong());
        }
        if (!rightsInUserRows)
            rightsBefore = readRows(db, QStringLiteral("TbRes"));
    }

    openWorkingFile(path);
    QCOMPARE(m_steps.size(), steps);
    QCOMPARE(m_steps.last(), QStringLiteral("Build1.04>Build1.05"));
    QCOMPARE(m_finished, 1);

    Database &db = *m_dm->DbBase;
    QCOMPARE(column(db, Sql("SELECT BBH || ' ' || FBRQ FROM TbVersion")),
             QVariantList{QStringLiteral("Build1.05 ") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))});

    // The same tables, columns, types and indexes as a file made at the current build.
    {
        QTemporaryDir dir;
        const QString blank = dir.filePath(QStringLiteral("blank"));
        test::makeBlankFile(blank);
        Database fresh;
        fresh.open(blank, test::DataPassword);
        QCOMPARE(columnShapes(db), columnShapes(fresh));
        QCOMPARE(indexNames(db), indexNames(fresh));
    }
    // Types changed in the schema's text leave a sound file, also as another connection reads it.
    QCOMPARE(db.integrityCheck(), QStringList());
    {
        Database other;
        other.open(path, test::DataPassword);
        QCOMPARE(columnShapes(other), columnShapes(db));
    }

    // Every value of every row is still there; prices once in units of 10,000 yuan.
    for (const QString &t : Schema::registerTables() + QStringList{QStringLiteral("TbUser")}) {
        const Rows after = readRows(db, t);
        QCOMPARE(after.keys().size(), before[t].size());
        for (auto row = before[t].begin(); row != before[t].end(); ++row) {
            QVERIFY2(after.contains(row.key()), qPrintable(QStringLiteral("%1 %2").arg(t).arg(row.key())));
            const QVariantMap &now = after[row.key()];
            for (auto field = row->begin(); field != row->end(); ++field) {
                const QString where = QStringLiteral("%1 %2 %3").arg(t).arg(row.key()).arg(field.key());
                if (field.key().startsWith(QLatin1String("QX"))) {
                    QVERIFY2(!now.contains(field.key()), qPrintable(where));
                } else if (field.key() == QLatin1String("SJ") && pricesInYuan) {
                    QCOMPARE(now.value(field.key()).toDouble(), field.value().toDouble() / 10000.0);
                    QVERIFY2(now.value(field.key()).toDouble() < 2000, qPrintable(where));
                } else if (field.value().typeId() == QMetaType::LongLong || field.value().typeId() == QMetaType::Double) {
                    QVERIFY2(qFuzzyCompare(now.value(field.key()).toDouble() + 1, field.value().toDouble() + 1), qPrintable(where));
                } else {
                    QVERIFY2(now.value(field.key()) == field.value(),
                             qPrintable(where + QStringLiteral(": ") + now.value(field.key()).toString()));
                }
            }
            if (t != QLatin1String("TbUser") && withoutRoughAddress)
                QCOMPARE(now.value(QStringLiteral("DGDZ")), row->value(QStringLiteral("FWDZ")));
        }
        // The next row gets a number never used, not that of a deleted row.
        const QString key = t == QLatin1String("TbUser") ? QStringLiteral("YHXM") : QStringLiteral("SJH");
        db.execute(Sql(QStringLiteral("INSERT INTO %1 (%2) VALUES ('x')").arg(t, key)));
        QCOMPARE(db.lastInsertId(), sequence[t] + 1);
    }

    // Rights: three rows per user, all granted, where the build had none.
    const QVariantList users = column(db, Sql("SELECT ID FROM TbUser WHERE YHXM<>'x' ORDER BY ID"));
    QVERIFY(users.size() >= 3);
    if (rightsInUserRows) {
        QCOMPARE(column(db, Sql("SELECT COUNT(*) FROM TbRes")).value(0).toInt(), 3 * int(users.size()));
        for (const QVariant &id : users)
            QCOMPARE(column(db, Sql("SELECT ZYMC FROM TbRes WHERE YHID=? AND LLQX=1 AND XZQX=1 AND XGQX=1 AND SCQX=1 "
                                    "AND DYQX=1 AND DHQX=1 AND GLQX=1 ORDER BY Sort",
                                    {id})),
                     (QVariantList{RightsGroups[0], RightsGroups[1], RightsGroups[2]}));
    } else {
        QCOMPARE(readRows(db, QStringLiteral("TbRes")), rightsBefore);
    }

    QCOMPARE(column(db, Sql("SELECT ZDSJH || ',' || XSLJ || ',' || CZRZ FROM TbSetings")), QVariantList{options});
    QCOMPARE(column(db, Sql("SELECT WLTXZ FROM TbSetings")).value(0), passport);

    // A second opening finds nothing to do.
    m_steps.clear();
    openWorkingFile(path);
    QVERIFY(m_steps.isEmpty());
}

void TestUpgrade::currentBuildIsLeftUntouched()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("current.mdb"));
    test::makeBlankFile(path);
    const QByteArray was = digest(path);
    openWorkingFile(path);
    m_dm->DbBase->close();
    QVERIFY(m_steps.isEmpty());
    QCOMPARE(m_finished, 0);
    QCOMPARE(digest(path), was);
}

void TestUpgrade::unknownBuildIsRefused_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("expected");
    QTest::newRow("newer build") << "UPDATE TbVersion SET BBH='Build1.06'"
                                 << "的版本“Build1.06”不能识别，它可能由更新版本的程序建立，本程序不能打开它。";
    QTest::newRow("other spelling") << "UPDATE TbVersion SET BBH='build1.00'" << "的版本“build1.00”不能识别";
    QTest::newRow("no version row") << "DELETE FROM TbVersion" << "中没有版本信息，不是本程序能识别的数据文件，不能打开。";
}

void TestUpgrade::unknownBuildIsRefused()
{
    QFETCH(QString, statement);
    QFETCH(QString, expected);
    const QString path = oldFile(QStringLiteral("Build1.00"));
    {
        Database db;
        db.open(path, test::DataPassword);
        db.execute(Sql(statement));
    }
    const QByteArray was = digest(path);
    bool loggedIn = false;
    m_dm->hooks.login = [&] { return loggedIn = true; };
    try {
        m_dm->OpenWorkingFile(path, true);
        QFAIL("the file was opened");
    } catch (const EngineError &e) {
        QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
        QVERIFY2(e.message().contains(path), qPrintable(e.message()));
    }
    QVERIFY(!loggedIn);
    QVERIFY(!m_dm->DbBase->isOpen());
    QVERIFY(m_steps.isEmpty());
    QCOMPARE(digest(path), was);
}

void TestUpgrade::refusedFileLeavesThePreviousWorkingFile()
{
    QTemporaryDir dir;
    const QString previous = dir.filePath(QStringLiteral("previous.mdb"));
    test::makeBlankFile(previous);
    openWorkingFile(previous);
    m_dm->ExecSql(Sql("UPDATE TbCompanyInfo SET QYMC='previous' WHERE ID=1"));
    const QString newer = oldFile(QStringLiteral("Build1.04"));
    {
        Database db;
        db.open(newer, test::DataPassword);
        db.execute(Sql("UPDATE TbVersion SET BBH='Build2.00'"));
    }
    QVERIFY_THROWS_EXCEPTION(EngineError, m_dm->OpenWorkingFile(newer, false));
    QCOMPARE(WorkingFile, previous);
    // The next statement runs on the working file, not on the refused one.
    QCOMPARE(m_dm->GetValue(Sql("SELECT QYMC FROM TbCompanyInfo WHERE ID=1"), QStringLiteral("QYMC")),
             QStringLiteral("previous"));
    QCOMPARE(m_dm->DbBase->path(), previous);
}

void TestUpgrade::failedStepLeavesThePreviousBuild_data()
{
    QTest::addColumn<QString>("build");
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<QString>("removal");
    QTest::addColumn<QString>("leftAt");

    // The stamp of the first step fails after the prices were divided.
    QTest::newRow("stamp refused") << "Build1.00"
                                   << "CREATE TRIGGER Blocker BEFORE UPDATE ON TbVersion BEGIN SELECT RAISE(ABORT, 'blocked'); END"
                                   << "DROP TRIGGER Blocker" << "Build1.00";
    // The fourth step finds its log table already there; three steps are done.
    QTest::newRow("log table exists") << "Build1.00" << "CREATE TABLE TbLog (X INTEGER)" << "DROP TABLE TbLog"
                                      << "Build1.03";
    // Half way through the third step: the addresses and ID card columns are
    // done when the rights table turns out to exist.
    QTest::newRow("rights table exists") << "Build1.02" << "CREATE TABLE TbRes (X INTEGER)" << "DROP TABLE TbRes"
                                         << "Build1.02";
}

void TestUpgrade::failedStepLeavesThePreviousBuild()
{
    QFETCH(QString, build);
    QFETCH(QString, obstacle);
    QFETCH(QString, removal);
    QFETCH(QString, leftAt);

    const QString path = oldFile(build);
    Rows salesBefore;
    {
        Database db;
        db.open(path, test::DataPassword);
        db.execute(Sql(obstacle));
        salesBefore = readRows(db, QStringLiteral("TbSale"));
    }
    const double divisor = build == QLatin1String("Build1.00") ? 10000.0 : 1.0;

    QVERIFY_THROWS_EXCEPTION(EngineError, m_dm->OpenWorkingFile(path, true));
    QCOMPARE(m_finished, 1);
    {
        Database db;
        db.open(path, test::DataPassword);
        QCOMPARE(column(db, Sql("SELECT BBH FROM TbVersion")), QVariantList{leftAt});
        const QStringList columns = db.columnNames(QStringLiteral("TbSale"));
        QCOMPARE(columns.contains(QStringLiteral("DGDZ"), Qt::CaseInsensitive), leftAt >= QLatin1String("Build1.03"));
        const bool divided = leftAt > QLatin1String("Build1.00") && divisor > 1;
        const Rows sales = readRows(db, QStringLiteral("TbSale"));
        for (auto row = salesBefore.begin(); row != salesBefore.end(); ++row)
            QCOMPARE(sales[row.key()].value(QStringLiteral("SJ")).toDouble(),
                     row->value(QStringLiteral("SJ")).toDouble() / (divided ? divisor : 1.0));
        db.execute(Sql(removal));
    }

    m_finished = 0;
    openWorkingFile(path);
    QCOMPARE(m_finished, 1);
    Database &db = *m_dm->DbBase;
    QCOMPARE(column(db, Sql("SELECT BBH FROM TbVersion")), QVariantList{Schema::CurrentBuild});
    const Rows sales = readRows(db, QStringLiteral("TbSale"));
    for (auto row = salesBefore.begin(); row != salesBefore.end(); ++row)
        QCOMPARE(sales[row.key()].value(QStringLiteral("SJ")).toDouble(), row->value(QStringLiteral("SJ")).toDouble() / divisor);
}

void TestUpgrade::changedColumnKeepsValuesIndexesAndSequence()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.mdb"));
    test::makeBlankFile(path);
    openWorkingFile(path);
    Database &db = *m_dm->DbBase;
    db.execute(Sql("CREATE TABLE TbOld (ID INTEGER PRIMARY KEY AUTOINCREMENT, A TEXT(10), JZMJ INTEGER, B TEXT(10) NOT NULL DEFAULT 'b')"));
    db.execute(Sql("CREATE INDEX IxTbOldJZMJ ON TbOld (JZMJ)"));
    db.execute(Sql("CREATE INDEX IxTbOldA_JZMJ ON TbOld (A, JZMJ)"));
    db.execute(Sql("CREATE TABLE TbCount (N INTEGER)"));
    db.execute(Sql("INSERT INTO TbCount VALUES (0)"));
    db.execute(Sql("CREATE TRIGGER TbOldCount AFTER INSERT ON TbOld BEGIN UPDATE TbCount SET N=N+1; END"));
    db.execute(Sql("INSERT INTO TbOld (A, JZMJ) VALUES ('整数', 85), ('小数文本', '85.5'), ('空文本', ''), ('无', NULL), "
                   "('末行', 7), ('长小数', '12.345678')"));
    db.execute(Sql("DELETE FROM TbOld WHERE A='末行'"));

    ChangeColumnType(QStringLiteral("TbOld"), QStringLiteral("JZMJ"), QStringLiteral("JZMJ"), QStringLiteral("MONEY NULL"));

    QCOMPARE(db.columnNames(QStringLiteral("TbOld")),
             (QStringList{QStringLiteral("ID"), QStringLiteral("A"), QStringLiteral("JZMJ"), QStringLiteral("B")}));
    QCOMPARE(declaredType(db, QStringLiteral("TbOld"), QStringLiteral("JZMJ")),
             QStringLiteral("MONEY"));
    QCOMPARE(column(db, Sql("SELECT A || ':' || COALESCE(JZMJ, 'null') FROM TbOld ORDER BY ID")),
             (QVariantList{QStringLiteral("整数:85"), QStringLiteral("小数文本:85.5"), QStringLiteral("空文本:null"),
                           QStringLiteral("无:null"), QStringLiteral("长小数:12.3457")}));
    QCOMPARE(column(db, Sql("SELECT name FROM sqlite_master WHERE type='index' AND tbl_name='TbOld' ORDER BY name")),
             (QVariantList{QStringLiteral("IxTbOldA_JZMJ"), QStringLiteral("IxTbOldJZMJ")}));
    QCOMPARE(column(db, Sql("SELECT B FROM TbOld WHERE ID=1")), QVariantList{QStringLiteral("b")});
    // The deleted last row's number is not given again, and the trigger still runs.
    db.execute(Sql("INSERT INTO TbOld (A) VALUES ('新行')"));
    QCOMPARE(db.lastInsertId(), qint64(7));
    QCOMPARE(column(db, Sql("SELECT N FROM TbCount")), QVariantList{qint64(7)});
    QVERIFY(!db.tableExists(QStringLiteral("brel_rebuild_TbOld")));
}

void TestUpgrade::valueThatCannotBeConvertedIsRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.mdb"));
    test::makeBlankFile(path);
    openWorkingFile(path);
    Database &db = *m_dm->DbBase;
    db.execute(Sql("CREATE TABLE TbOld (ID INTEGER PRIMARY KEY AUTOINCREMENT, JZMJ INTEGER)"));
    db.execute(Sql("INSERT INTO TbOld (JZMJ) VALUES (60), ('六十平方')"));
    try {
        ChangeColumnType(QStringLiteral("TbOld"), QStringLiteral("JZMJ"), QStringLiteral("JZMJ"), QStringLiteral("MONEY"));
        QFAIL("converted");
    } catch (const EngineError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("“TbOld”中 ID 为 2 的记录，其“JZMJ”的值“六十平方”")), qPrintable(e.message()));
    }
    // Nothing changed: the old column, its type and its values.
    QCOMPARE(declaredType(db, QStringLiteral("TbOld"), QStringLiteral("JZMJ")),
             QStringLiteral("INTEGER"));
    QCOMPARE(column(db, Sql("SELECT JZMJ FROM TbOld ORDER BY ID")), (QVariantList{qint64(60), QStringLiteral("六十平方")}));
    QVERIFY(!db.inTransaction());
}

void TestUpgrade::twoColumnsRetypedTogether_data()
{
    QTest::addColumn<QString>("years");
    QTest::addColumn<QString>("area");
    QTest::addColumn<QString>("expected"); // SYNX|JZMJ after, or the column named in the refusal
    // The first step gives a sale's years of use and area decimals together.
    QTest::newRow("empty text and a long decimal") << "''" << "12.345678" << "null|12.3457";
    QTest::newRow("long decimal and empty text") << "7.123456" << "''" << "7.1235|null";
    QTest::newRow("whole numbers kept") << "20" << "85" << "20|85";
    QTest::newRow("area refused") << "20" << "'六十平方'" << "JZMJ";
    QTest::newRow("years refused") << "'二十年'" << "85" << "SYNX";
    // Named as the table orders its columns: the area comes first.
    QTest::newRow("both refused") << "'二十年'" << "'六十平方'" << "JZMJ";
}

void TestUpgrade::twoColumnsRetypedTogether()
{
    QFETCH(QString, years);
    QFETCH(QString, area);
    QFETCH(QString, expected);
    const QString path = oldFile(QStringLiteral("Build1.00"));
    qint64 id = 0;
    {
        Database db;
        db.open(path, test::DataPassword);
        id = column(db, Sql("SELECT MIN(ID) FROM TbSale")).value(0).toLongLong();
        // The values come from this table of cases, never from typed text.
        db.execute(Sql(QStringLiteral("UPDATE TbSale SET SYNX=%1, JZMJ=%2 WHERE ID=?").arg(years, area), {id}));
    }
    if (expected.contains(QLatin1Char('|'))) {
        openWorkingFile(path);
        Database &db = *m_dm->DbBase;
        QCOMPARE(column(db, Sql("SELECT COALESCE(SYNX,'null') || '|' || COALESCE(JZMJ,'null') FROM TbSale WHERE ID=?", {id})),
                 QVariantList{expected});
        QCOMPARE(declaredType(db, QStringLiteral("TbSale"), QStringLiteral("SYNX")), QStringLiteral("MONEY"));
        QCOMPARE(declaredType(db, QStringLiteral("TbSale"), QStringLiteral("JZMJ")), QStringLiteral("MONEY"));
        return;
    }
    try {
        m_dm->OpenWorkingFile(path, true);
        QFAIL("upgraded a value its new type cannot hold");
    } catch (const EngineError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("“TbSale”中 ID 为 %1 的记录，其“%2”").arg(id).arg(expected)),
                 qPrintable(e.message()));
    }
    Database db;
    db.open(path, test::DataPassword);
    QCOMPARE(column(db, Sql("SELECT BBH FROM TbVersion")), QVariantList{QStringLiteral("Build1.00")});
}

QTEST_GUILESS_MAIN(TestUpgrade)
#include "TestUpgrade.moc"
