// The replica exchange between branch files and one shared copy: real keyed
// files in a temporary folder, exchanged the way the synchronisation does.

#include "datastore/Engine.h"
#include "datastore/Replica.h"
#include "support/BranchFiles.h"

#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using namespace brel;
using namespace brel::test;

namespace {

SyncResult sync(const QString &branch, const QString &shared)
{
    auto db = openFile(branch);
    return Synchronise(*db, shared, DataPassword);
}

/// The message of the exchange's failure; empty when it succeeded.
QString syncError(Database &db, const QString &shared, const QString &password)
{
    try {
        Synchronise(db, shared, password);
    } catch (const EngineError &e) {
        return e.message();
    }
    return {};
}

QString value(const QString &path, const QString &sql)
{
    const QStringList rows = rowsOf(*openFile(path), sql);
    return rows.isEmpty() ? QString() : rows.first();
}

} // namespace

class TestReplica : public QObject {
    Q_OBJECT

private slots:
    void init();
    void threeBranchesConverge();
    void laterEditWins_data();
    void laterEditWins();
    void failureChangesNothing_data();
    void failureChangesNothing();
    void localTablesStayLocal();
    void anotherSharedCopy();
    void copyThatNeverArrived();

private:
    QString path(const QString &name) const { return m_dir->filePath(name + QStringLiteral(".mdb")); }
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_shared, m_b1, m_b2, m_b3;
};

void TestReplica::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_shared = path(QStringLiteral("Temp"));
    m_b1 = path(QStringLiteral("b1"));
    m_b2 = path(QStringLiteral("b2"));
    m_b3 = path(QStringLiteral("b3"));
    for (const QString &p : {m_shared, m_b1, m_b2, m_b3})
        makeBlankFile(p);
}

void TestReplica::threeBranchesConverge()
{
    // Files made without the layer gain it at their first exchange.
    QVERIFY(!HasReplicaLayer(*openFile(m_b1)));

    addRental(m_b1, QStringLiteral("A1"), QStringLiteral("一店甲"));
    addRental(m_b1, QStringLiteral("A2"), QStringLiteral("一店乙"));
    addUser(m_b1, QStringLiteral("zhang"), 1);
    // Branch 2 numbers its own rental 1 and its user 2, as branch 1 did.
    addRental(m_b2, QStringLiteral("B1"), QStringLiteral("二店甲"));
    addUser(m_b2, QStringLiteral("li"), 0);

    sync(m_b1, m_shared);
    QVERIFY(HasReplicaLayer(*openFile(m_b1)));
    const SyncResult second = sync(m_b2, m_shared);
    QCOMPARE(second.renumbered, 1 + 1 + 3); // the rental, the user, the user's rights
    // The numbering goes on above the moved rows, or the next new row would collide.
    for (const QString &t : {QStringLiteral("TbRental"), QStringLiteral("TbUser"), QStringLiteral("TbRes")})
        QCOMPARE(value(m_b2, QStringLiteral("SELECT (SELECT seq FROM sqlite_sequence WHERE name='%1') >= "
                                            "(SELECT max(ID) FROM %1)").arg(t)),
                 QStringLiteral("1"));
    sync(m_b3, m_shared);
    QVERIFY(ReplicaId(*openFile(m_b1)) != ReplicaId(*openFile(m_b2)));

    // Edits and deletions on every branch, after the layer is in place.
    exec(m_b1, Sql(QStringLiteral("UPDATE TbRental SET FWDZ=? WHERE SJH='A1'"), {QStringLiteral("一店甲改")}));
    exec(m_b2, Sql("DELETE FROM TbRental WHERE SJH='A2'"));
    exec(m_b2, Sql(QStringLiteral("UPDATE TbUser SET SSFD=? WHERE YHXM='li'"), {QStringLiteral("二店")}));
    addRental(m_b3, QStringLiteral("C1"), QStringLiteral("三店甲"));
    addUser(m_b3, QStringLiteral("wang"), 1);
    exec(m_b3, Sql(QStringLiteral("UPDATE TbRental SET FWDZ=? WHERE SJH='B1'"), {QStringLiteral("二店甲改")}));
    exec(m_b3, Sql(QStringLiteral("INSERT INTO TbArea (QY) VALUES (?)"), {QStringLiteral("东城")}));
    // Clashes between rows made with the layer: the same next IDs on two branches.
    addRental(m_b1, QStringLiteral("A3"), QStringLiteral("一店丙"));
    addRental(m_b2, QStringLiteral("B2"), QStringLiteral("二店乙"));
    addUser(m_b1, QStringLiteral("zhao"), 0);
    const QString zhao = value(m_b1, QStringLiteral("SELECT ID FROM TbUser WHERE YHXM='zhao'"));
    QCOMPARE(value(m_shared, QStringLiteral("SELECT count(*) FROM TbUser WHERE ID=") + zhao), QStringLiteral("1"));

    for (const QString &b : {m_b1, m_b2, m_b3, m_b1, m_b2})
        sync(b, m_shared);

    const QStringList expected = sharedRows(m_shared);
    QCOMPARE(sharedRows(m_b1), expected);
    QCOMPARE(sharedRows(m_b2), expected);
    QCOMPARE(sharedRows(m_b3), expected);

    // Every change arrived once: no row lost, none doubled, each edit kept.
    QCOMPARE(rowsOf(*openFile(m_b1), QStringLiteral("SELECT SJH, FWDZ FROM TbRental ORDER BY SJH")),
             QStringList({QStringLiteral("A1|一店甲改"), QStringLiteral("A3|一店丙"), QStringLiteral("B1|二店甲改"),
                          QStringLiteral("B2|二店乙"), QStringLiteral("C1|三店甲")}));
    QCOMPARE(value(m_b1, QStringLiteral("SELECT count(*) FROM TbArea WHERE QY='东城'")), QStringLiteral("1"));
    QCOMPARE(value(m_b1, QStringLiteral("SELECT SSFD FROM TbUser WHERE YHXM='li'")), QStringLiteral("二店"));
    // Each user's rights follow the user through the renumbering.
    QCOMPARE(rowsOf(*openFile(m_b1), QStringLiteral("SELECT u.YHXM, count(r.ID), sum(r.XZQX) FROM TbUser u "
                                                    "LEFT JOIN TbRes r ON r.YHID=u.ID GROUP BY u.ID ORDER BY u.YHXM")),
             QStringList({QStringLiteral("admin|3|3"), QStringLiteral("li|3|0"), QStringLiteral("wang|3|3"),
                          QStringLiteral("zhang|3|3"), QStringLiteral("zhao|3|0")}));
    QCOMPARE(value(m_b1, QStringLiteral("SELECT ID FROM TbUser WHERE YHXM='admin'")), QStringLiteral("1"));

    // A second run changes nothing in any file.
    QList<QStringList> before;
    for (const QString &b : {m_b1, m_b2, m_b3, m_shared})
        before << wholeFile(b);
    for (const QString &b : {m_b1, m_b2, m_b3}) {
        const SyncResult again = sync(b, m_shared);
        QVERIFY(again.changedNothing());
        QCOMPARE(again.conflicts, 0);
    }
    int i = 0;
    for (const QString &b : {m_b1, m_b2, m_b3, m_shared})
        QCOMPARE(wholeFile(b), before[i++]);

    // The triggers keep recording after the exchange.
    exec(m_b2, Sql("DELETE FROM TbRental WHERE SJH='C1'"));
    sync(m_b2, m_shared);
    sync(m_b1, m_shared);
    QCOMPARE(value(m_b1, QStringLiteral("SELECT count(*) FROM TbRental WHERE SJH='C1'")), QStringLiteral("0"));
}

void TestReplica::laterEditWins_data()
{
    QTest::addColumn<QString>("earlier"); // what branch 1 does first
    QTest::addColumn<QString>("later");   // what branch 2 does afterwards
    QTest::addColumn<bool>("laterSyncsFirst");
    QTest::addColumn<QString>("address"); // the row's address in the end, empty when gone
    QTest::addColumn<QString>("loggedBy"); // the branch whose log keeps the lost values
    QTest::addColumn<QString>("lost");

    QTest::newRow("edits, earlier synchronises first") << "一改" << "二改" << false << "二改" << "b2" << "一改";
    QTest::newRow("edits, later synchronises first") << "一改" << "二改" << true << "二改" << "b1" << "一改";
    QTest::newRow("edit after a deletion") << "delete" << "二改" << false << "二改" << "" << "";
    QTest::newRow("deletion after an edit") << "一改" << "delete" << true << "" << "b1" << "一改";
}

void TestReplica::laterEditWins()
{
    QFETCH(QString, earlier);
    QFETCH(QString, later);
    QFETCH(bool, laterSyncsFirst);
    QFETCH(QString, address);
    QFETCH(QString, loggedBy);
    QFETCH(QString, lost);

    addRental(m_b1, QStringLiteral("R1"), QStringLiteral("原址"));
    sync(m_b1, m_shared);
    sync(m_b2, m_shared);
    sync(m_b1, m_shared);

    auto act = [](const QString &branch, const QString &what) {
        if (what == QLatin1String("delete"))
            exec(branch, Sql("DELETE FROM TbRental WHERE SJH='R1'"));
        else
            exec(branch, Sql(QStringLiteral("UPDATE TbRental SET FWDZ=? WHERE SJH='R1'"), {what}));
    };
    act(m_b1, earlier);
    QThread::msleep(20);
    act(m_b2, later);

    const QStringList order = laterSyncsFirst ? QStringList{m_b2, m_b1} : QStringList{m_b1, m_b2};
    for (const QString &b : order)
        sync(b, m_shared);
    for (const QString &b : {m_b1, m_b2})
        sync(b, m_shared);

    for (const QString &b : {m_b1, m_b2})
        QCOMPARE(value(b, QStringLiteral("SELECT FWDZ FROM TbRental WHERE SJH='R1'")), address);
    QCOMPARE(sharedRows(m_b1), sharedRows(m_b2));

    const QString logSql = QStringLiteral("SELECT XXQK FROM TbLog WHERE CZHD='同步冲突'");
    for (const QString &name : {QStringLiteral("b1"), QStringLiteral("b2")}) {
        const QStringList entries = rowsOf(*openFile(path(name)), logSql);
        if (name == loggedBy) {
            QCOMPARE(entries.size(), 1);
            QVERIFY2(entries.first().contains(QStringLiteral("FWDZ=") + lost), qPrintable(entries.first()));
            QVERIFY(entries.first().contains(QStringLiteral("SJH=R1")));
        } else {
            QVERIFY2(entries.isEmpty(), qPrintable(entries.join(QLatin1Char('\n'))));
        }
    }
}

void TestReplica::failureChangesNothing_data()
{
    QTest::addColumn<QString>("refusing"); // the file whose trigger refuses a rental
    QTest::addColumn<QString>("password");
    QTest::newRow("the shared copy refuses a row") << "shared" << QString(DataPassword);
    QTest::newRow("the working file refuses a row") << "working" << QString(DataPassword);
    QTest::newRow("the shared copy has another key") << "" << "wrong";
}

void TestReplica::failureChangesNothing()
{
    QFETCH(QString, refusing);
    QFETCH(QString, password);

    addRental(m_b1, QStringLiteral("A1"), QStringLiteral("一店"));
    sync(m_b1, m_shared);
    addRental(m_b2, QStringLiteral("B1"), QStringLiteral("二店"));
    const QString refuse = QStringLiteral("CREATE TRIGGER Refuse BEFORE INSERT ON TbRental "
                                          "BEGIN SELECT RAISE(ABORT, '拒绝写入'); END");
    if (refusing == QLatin1String("shared"))
        exec(m_shared, Sql(refuse));
    else if (refusing == QLatin1String("working"))
        exec(m_b2, Sql(refuse));

    const QStringList working = wholeFile(m_b2);
    const QStringList shared = wholeFile(m_shared);
    auto db = openFile(m_b2);
    const QString message = syncError(*db, m_shared, password);
    QVERIFY2(message.startsWith(QStringLiteral("同步数据失败：")), qPrintable(message));
    // The connection is usable and holds no transaction or attachment.
    QVERIFY(!db->inTransaction());
    QVERIFY(!rowsOf(*db, QStringLiteral("PRAGMA database_list")).join(QLatin1Char(' ')).contains(QLatin1String("|shared|")));
    db.reset();

    QCOMPARE(wholeFile(m_b2), working);
    QCOMPARE(wholeFile(m_shared), shared);
    QVERIFY(!HasReplicaLayer(*openFile(m_b2)));
}

void TestReplica::localTablesStayLocal()
{
    exec(m_b1, Sql(QStringLiteral("UPDATE TbSetings SET WLTXZ=?, CZRZ=1"), {QStringLiteral("通行证一")}));
    exec(m_b1, Sql(QStringLiteral("INSERT INTO TbLog (CZSJ,CZHD,CZRY,XXQK) VALUES ('2026-01-01 10:00:00','登录','admin','')")));
    sync(m_b1, m_shared);
    sync(m_b2, m_shared);
    QCOMPARE(value(m_b2, QStringLiteral("SELECT ifnull(WLTXZ,'') || CZRZ FROM TbSetings")), QStringLiteral("0"));
    QCOMPARE(value(m_b2, QStringLiteral("SELECT count(*) FROM TbLog")), QStringLiteral("0"));

    const QString missing = m_dir->filePath(QStringLiteral("none.mdb"));
    auto db = openFile(m_b2);
    const QString message = syncError(*db, missing, DataPassword);
    QVERIFY2(message.contains(missing), qPrintable(message));
    QVERIFY(!QFileInfo::exists(missing)); // attaching would have made an empty file
}

// A branch that meets a copy it does not know (the server's archive was
// replaced) compares every row again: nothing is skipped, nothing doubled.
void TestReplica::anotherSharedCopy()
{
    addRental(m_b1, QStringLiteral("A1"), QStringLiteral("一店"));
    sync(m_b1, m_shared);
    sync(m_b2, m_shared);
    addRental(m_b2, QStringLiteral("B1"), QStringLiteral("二店"));
    exec(m_b1, Sql(QStringLiteral("UPDATE TbRental SET FWDZ=? WHERE SJH='A1'"), {QStringLiteral("一店改")}));
    sync(m_b1, m_shared);

    const QString other = path(QStringLiteral("other"));
    makeBlankFile(other);
    addRental(other, QStringLiteral("X1"), QStringLiteral("别处"));
    for (const QString &b : {m_b2, m_b1, m_b2}) {
        const SyncResult r = sync(b, other);
        QCOMPARE(r.conflicts, 0);
    }
    QCOMPARE(sharedRows(m_b1), sharedRows(other));
    QCOMPARE(sharedRows(m_b2), sharedRows(other));
    QCOMPARE(rowsOf(*openFile(other), QStringLiteral("SELECT SJH, FWDZ FROM TbRental ORDER BY SJH")),
             QStringList({QStringLiteral("A1|一店改"), QStringLiteral("B1|二店"), QStringLiteral("X1|别处")}));
}

// A branch whose merged copy never reached the server (the upload broke)
// meets the older copy again after another branch moved it on by as many
// exchanges: its rows still go across.
void TestReplica::copyThatNeverArrived()
{
    sync(m_b1, m_shared);
    const QString before = path(QStringLiteral("before"));
    QVERIFY(QFile::copy(m_shared, before));
    addRental(m_b1, QStringLiteral("A1"), QStringLiteral("一店"));
    sync(m_b1, m_shared);
    // The copy with A1 is lost; the server still holds the one before it.
    QVERIFY(QFile::remove(m_shared));
    QVERIFY(QFile::copy(before, m_shared));
    addRental(m_b2, QStringLiteral("B1"), QStringLiteral("二店"));
    sync(m_b2, m_shared);

    sync(m_b1, m_shared);
    sync(m_b2, m_shared);
    QCOMPARE(rowsOf(*openFile(m_shared), QStringLiteral("SELECT SJH FROM TbRental ORDER BY SJH")),
             QStringList({QStringLiteral("A1"), QStringLiteral("B1")}));
    QCOMPARE(sharedRows(m_b1), sharedRows(m_shared));
    QCOMPARE(sharedRows(m_b2), sharedRows(m_shared));
}

QTEST_GUILESS_MAIN(TestReplica)
#include "TestReplica.moc"
