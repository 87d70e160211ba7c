// The whole synchronisation of branch files through the shared archive on
// a real FTP server and a real account service, both on 127.0.0.1.

#include "components/SettingsStore.h"
#include "components/ZipArchive.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "online/SyncWorkingFile.h"
#include "support/BranchFiles.h"
#include "support/FileBytes.h"
#include "support/SyncServers.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace brel;
using namespace brel::test;

namespace {

const QString Passport = QStringLiteral("QV-2026-0815");

} // namespace

class TestSync : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void stopsBeforeTheServer_data();
    void stopsBeforeTheServer();
    void firstRunPutsTheArchive();
    void threeBranchesConverge();
    void brokenTransferRecovers_data();
    void brokenTransferRecovers();
    void wrongPassportChangesNothing();
    void failedExchangeSendsNothing();

private:
    QString branch(const QString &name);
    void useBranch(const QString &path);
    SyncOutcome run();
    /// The shared rows of the archive on the server, opened as unzip opens it.
    QStringList archiveRows();
    QStringList workFiles() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TDM> m_dm;
    SyncServers m_servers;
    QStringList m_statuses;
    int m_unzipped = 0;
};

void TestSync::initTestCase()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("BRELVANTO_SETTINGS", QFile::encodeName(m_dir->filePath(QStringLiteral("settings.ini"))));
    QVERIFY(m_servers.start(m_dir->filePath(QStringLiteral("servers"))));
}

void TestSync::cleanupTestCase()
{
    m_servers.stop();
    qunsetenv("BRELVANTO_SETTINGS");
}

void TestSync::init()
{
    AppDir = m_dir->filePath(QStringLiteral("app"));
    QVERIFY(QDir().mkpath(AppDir + QStringLiteral("/Data")));
    m_dm = std::make_unique<TDM>();
    m_servers.pointAtService();
    m_servers.replyAccount();
    for (const QString &f : m_servers.remoteFiles())
        QFile::remove(m_servers.local(f));
    m_statuses.clear();
}

void TestSync::cleanup()
{
    m_servers.dropOn(QStringLiteral("STOR"), false);
    m_servers.dropOn(QStringLiteral("RNTO"), false);
    m_dm.reset();
    QDir(AppDir).removeRecursively();
}

QString TestSync::branch(const QString &name)
{
    const QString path = m_dir->filePath(name + QStringLiteral(".mdb"));
    QFile::remove(path);
    makeBlankFile(path);
    exec(path, Sql(QStringLiteral("UPDATE TbSetings SET WLTXZ=? WHERE Id=1"), {Passport}));
    return path;
}

void TestSync::useBranch(const QString &path)
{
    m_dm->DbBase->close();
    m_dm->DbBase->open(path, TDM::Password);
}

SyncOutcome TestSync::run()
{
    m_statuses.clear();
    SyncEvents events;
    events.status = [this](const QString &text) { m_statuses << text; };
    return SyncWorkingFile(events);
}

QStringList TestSync::archiveRows()
{
    const QString folder = m_dir->filePath(QStringLiteral("unzipped%1").arg(++m_unzipped));
    const QString file = m_servers.unzipArchive(SyncServers::RemotePath, Passport, folder);
    if (file.isEmpty())
        return {QStringLiteral("unzip refused the archive")};
    return sharedRows(file);
}

QStringList TestSync::workFiles() const
{
    return QDir(AppDir + QStringLiteral("/Data")).entryList({QStringLiteral("Temp*")}, QDir::Files);
}

void TestSync::stopsBeforeTheServer_data()
{
    QTest::addColumn<QString>("service"); // reply: the reply file below; closed; silent
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("networkMessage");
    const QByteArray advice = "请检查您的电脑是否已经上网，然后再使用此功能。";
    QTest::newRow("three values") << "reply" << QByteArray("127.0.0.1,branch,pw")
                                  << "信息服务器没有给出可用的同步帐号，同步已停止。" << false;
    QTest::newRow("empty fourth value") << "reply" << QByteArray("127.0.0.1,branch,pw,\" \"")
                                        << "信息服务器没有给出可用的同步帐号，同步已停止。" << false;
    QTest::newRow("service answers 404") << "reply" << QByteArray() << "连接信息服务器失败！" << true;
    QTest::newRow("no service") << "closed" << QByteArray() << "连接信息服务器失败！" << true;
    QTest::newRow("service time-out") << "silent" << QByteArray() << "同步信息超时！" << true;
    QTest::newRow("FTP login refused") << "login" << QByteArray() << "同步失败！" << true;
    QTest::newRow("no passport") << "passport" << QByteArray() << "没有网络通行证，同步已停止。" << false;
}

void TestSync::stopsBeforeTheServer()
{
    QFETCH(QString, service);
    QFETCH(QByteArray, reply);
    QFETCH(QString, status);
    QFETCH(bool, networkMessage);
    const QString a = branch(QStringLiteral("a"));
    addRental(a, QStringLiteral("R-A1"), QStringLiteral("东风路1号"));
    PythonServer silent;
    if (service == QLatin1String("reply")) {
        if (reply.isEmpty())
            QFile::remove(m_dir->filePath(QStringLiteral("servers/reply")));
        else
            m_servers.reply(reply);
    } else if (service == QLatin1String("closed")) {
        qputenv(MakerSite::AddressVariable, "http://127.0.0.1:1");
    } else if (service == QLatin1String("silent")) {
        QVERIFY(silent.start(SilentServerScript));
        qputenv(MakerSite::AddressVariable, silent.base().toUtf8());
        openSettings()->setValue(settingsKey(QStringLiteral("HttpTimeout")), 800);
    } else if (service == QLatin1String("login")) {
        m_servers.replyAccount(QStringLiteral("wrong-password"));
    } else if (service == QLatin1String("passport")) {
        exec(a, Sql("UPDATE TbSetings SET WLTXZ=NULL WHERE Id=1"));
    }
    const QStringList before = wholeFile(a);
    useBranch(a);

    const SyncOutcome outcome = run();
    openSettings()->remove(settingsKey(QStringLiteral("HttpTimeout")));
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.status, status);
    QCOMPARE(m_statuses.last(), status);
    if (networkMessage)
        QCOMPARE(outcome.message, QStringLiteral("请检查您的电脑是否已经上网，然后再使用此功能。"));
    else if (service == QLatin1String("passport"))
        QVERIFY(!outcome.message.isEmpty());
    else
        QCOMPARE(outcome.message, QString());
    // Neither the FTP password nor the passport shows in anything the user reads.
    for (const QString &text : m_statuses + QStringList{outcome.message}) {
        QVERIFY2(!text.contains(SyncServers::FtpPassword) && !text.contains(QStringLiteral("wrong-password")),
                 qPrintable(text));
        QVERIFY2(!text.contains(Passport), qPrintable(text));
    }
    QCOMPARE(m_servers.remoteFiles(), QStringList());
    QCOMPARE(workFiles(), QStringList());
    m_dm->DbBase->close();
    QCOMPARE(wholeFile(a), before);
}

void TestSync::firstRunPutsTheArchive()
{
    const QString a = branch(QStringLiteral("a"));
    addRental(a, QStringLiteral("R-A1"), QStringLiteral("东风路1号"));
    addUser(a, QStringLiteral("小王"), 1);
    exec(a, Sql(QStringLiteral("INSERT INTO TbLog (CZSJ, CZHD, CZRY, XXQK) VALUES (datetime('now'), '新增', 'admin', '本店的记录')")));
    // Work files a failed run left behind, read-only, are replaced.
    for (const QString &left : {SyncArchivePath(), SyncCopyPath()}) {
        writeBytes(left, "left by a failed run");
        QVERIFY(QFile::setPermissions(left, QFile::ReadOwner));
    }
    useBranch(a);

    const SyncOutcome outcome = run();
    QVERIFY2(outcome.ok, qPrintable(outcome.message));
    QVERIFY(outcome.firstArchive);
    QCOMPARE(outcome.status, QStringLiteral("同步信息成功！"));
    QCOMPARE(m_statuses, (QStringList{"正在连接信息服务器...", "成功连接信息服务器", "正在连接同步服务器...",
                                      "正在交换数据...", "开始同步服务器数据...", "同步信息成功！"}));
    // Only the final name stands on the server, and nothing is left behind here.
    QCOMPARE(m_servers.remoteFiles(), QStringList{SyncServers::RemotePath});
    QCOMPARE(outcome.bytesSent, QFileInfo(m_servers.local(SyncServers::RemotePath)).size());
    QCOMPARE(workFiles(), QStringList());

    m_dm->DbBase->close();
    const QStringList rows = archiveRows();
    QCOMPARE(rows, sharedRows(a));
    QVERIFY(rows.join(QLatin1Char('\n')).contains(QStringLiteral("R-A1|")));
    // The branch's own log stays at home.
    const QString copy = m_dir->filePath(QStringLiteral("unzipped%1/Temp.mdb").arg(m_unzipped));
    QCOMPARE(rowsOf(*openFile(copy), QStringLiteral("SELECT count(*) FROM TbLog")), QStringList{"0"});
}

void TestSync::threeBranchesConverge()
{
    const QString a = branch(QStringLiteral("a")), b = branch(QStringLiteral("b")), c = branch(QStringLiteral("c"));
    // The same ID in each branch for different houses and different users.
    addRental(a, QStringLiteral("R-A1"), QStringLiteral("东风路1号"));
    addRental(b, QStringLiteral("R-B1"), QStringLiteral("西湖路2号"));
    addRental(c, QStringLiteral("R-C1"), QStringLiteral("南京路3号"));
    addUser(a, QStringLiteral("小王"), 1);
    addUser(b, QStringLiteral("小李"), 0);
    const auto round = [&](const QStringList &order) {
        for (const QString &path : order) {
            useBranch(path);
            const SyncOutcome outcome = run();
            QVERIFY2(outcome.ok, qPrintable(outcome.status + QLatin1Char(' ') + outcome.message));
        }
    };
    round({a, b, c, a, b});
    if (QTest::currentTestFailed())
        return;

    // Edits, a delete and an add after everyone met once.
    exec(a, Sql(QStringLiteral("UPDATE TbRental SET FWDZ='南京路3号之一' WHERE SJH='R-C1'")));
    exec(b, Sql(QStringLiteral("DELETE FROM TbRental WHERE SJH='R-A1'")));
    addRental(c, QStringLiteral("R-C2"), QStringLiteral("北京路4号"));
    round({a, b, c, a, b});
    if (QTest::currentTestFailed())
        return;
    m_dm->DbBase->close();

    const QStringList expected = sharedRows(a);
    QCOMPARE(sharedRows(b), expected);
    QCOMPARE(sharedRows(c), expected);
    QCOMPARE(archiveRows(), expected);
    auto db = openFile(a);
    QCOMPARE(rowsOf(*db, QStringLiteral("SELECT SJH, FWDZ FROM TbRental ORDER BY SJH")),
             (QStringList{"R-B1|西湖路2号", "R-C1|南京路3号之一", "R-C2|北京路4号"}));
    // Each user kept his own three rights across the renumbering.
    QCOMPARE(rowsOf(*db, QStringLiteral("SELECT u.YHXM, count(r.ID), sum(r.XZQX) FROM TbUser u JOIN TbRes r ON r.YHID=u.ID "
                                        "WHERE u.YHXM IN ('小王','小李') GROUP BY u.YHXM ORDER BY u.YHXM")),
             (QStringList{"小李|3|0", "小王|3|3"}));
    db.reset();

    // Once every branch holds everything, a further round changes nothing,
    // and the archive on the server is left as it is.
    round({c});
    const QByteArray archive = readBytes(m_servers.local(SyncServers::RemotePath));
    for (const QString &path : {a, b, c}) {
        useBranch(path);
        const SyncOutcome outcome = run();
        QVERIFY(outcome.ok);
        QVERIFY2(outcome.exchanged.changedNothing(), qPrintable(path));
        QCOMPARE(outcome.bytesSent, 0);
        QCOMPARE(outcome.status, QStringLiteral("同步信息成功！"));
        QCOMPARE(workFiles(), QStringList());
    }
    QCOMPARE(readBytes(m_servers.local(SyncServers::RemotePath)), archive);
}

void TestSync::brokenTransferRecovers_data()
{
    QTest::addColumn<QString>("command");
    // Dropped while the new archive goes up: the old one is still there whole.
    QTest::newRow("during upload") << "STOR";
    // Dropped after the old one was removed: the new one waits under the temporary name.
    QTest::newRow("during rename") << "RNTO";
}

void TestSync::brokenTransferRecovers()
{
    QFETCH(QString, command);
    const QString a = branch(QStringLiteral("a")), b = branch(QStringLiteral("b"));
    addRental(a, QStringLiteral("R-A1"), QStringLiteral("东风路1号"));
    useBranch(a);
    QVERIFY(run().ok);
    const QStringList firstArchive = archiveRows();
    addRental(b, QStringLiteral("R-B1"), QStringLiteral("西湖路2号"));
    useBranch(b);
    m_servers.dropOn(command, true);

    SyncOutcome outcome = run();
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.status, QStringLiteral("同步失败！"));
    QCOMPARE(outcome.message, QStringLiteral("请检查您的电脑是否已经上网，然后再使用此功能。"));
    const QString temporary = QStringLiteral("/share/branch.~zip");
    if (command == QLatin1String("STOR")) {
        QCOMPARE(m_servers.remoteFiles(), QStringList{SyncServers::RemotePath});
        QCOMPARE(archiveRows(), firstArchive);
    } else {
        QCOMPARE(m_servers.remoteFiles(), QStringList{temporary});
        const QString folder = m_dir->filePath(QStringLiteral("pending"));
        const QString file = m_servers.unzipArchive(temporary, Passport, folder);
        QVERIFY(!file.isEmpty());
        QVERIFY(sharedRows(file).join(QLatin1Char('\n')).contains(QStringLiteral("R-B1|")));
    }

    // Another branch that runs next gets what the complete archive holds.
    m_servers.dropOn(command, false);
    const QString c = branch(QStringLiteral("c"));
    useBranch(c);
    outcome = run();
    QVERIFY2(outcome.ok, qPrintable(outcome.status + QLatin1Char(' ') + outcome.message));
    QVERIFY(!outcome.firstArchive);
    QCOMPARE(m_servers.remoteFiles(), QStringList{SyncServers::RemotePath});
    QCOMPARE(rowsOf(*m_dm->DbBase, QStringLiteral("SELECT SJH FROM TbRental ORDER BY SJH")),
             command == QLatin1String("STOR") ? QStringList{"R-A1"} : (QStringList{"R-A1", "R-B1"}));

    for (const QString &path : {b, a, c}) {
        useBranch(path);
        QVERIFY(run().ok);
    }
    m_dm->DbBase->close();
    QCOMPARE(sharedRows(b), sharedRows(a));
    QCOMPARE(sharedRows(c), sharedRows(a));
    QCOMPARE(archiveRows(), sharedRows(a));
    QCOMPARE(rowsOf(*openFile(a), QStringLiteral("SELECT SJH FROM TbRental ORDER BY SJH")), (QStringList{"R-A1", "R-B1"}));
}

void TestSync::wrongPassportChangesNothing()
{
    const QString a = branch(QStringLiteral("a")), b = branch(QStringLiteral("b"));
    addRental(a, QStringLiteral("R-A1"), QStringLiteral("东风路1号"));
    useBranch(a);
    QVERIFY(run().ok);
    const QByteArray archive = readBytes(m_servers.local(SyncServers::RemotePath));
    exec(b, Sql(QStringLiteral("UPDATE TbSetings SET WLTXZ='QV-OTHER-1' WHERE Id=1")));
    addRental(b, QStringLiteral("R-B1"), QStringLiteral("西湖路2号"));
    const QStringList before = wholeFile(b);
    useBranch(b);

    const SyncOutcome outcome = run();
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.status, QStringLiteral("同步失败！"));
    QVERIFY(!outcome.message.isEmpty());
    QVERIFY(!outcome.message.contains(QStringLiteral("QV-OTHER-1")));
    QCOMPARE(readBytes(m_servers.local(SyncServers::RemotePath)), archive);
    QCOMPARE(m_servers.remoteFiles(), QStringList{SyncServers::RemotePath});
    m_dm->DbBase->close();
    QCOMPARE(wholeFile(b), before);
}

void TestSync::failedExchangeSendsNothing()
{
    // The archive opens with the passport but holds no data file.
    const QString junk = m_dir->filePath(QStringLiteral("junk.mdb"));
    {
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
    }
    QVERIFY(ZipArchive::replaceEntry(m_servers.local(SyncServers::RemotePath), SyncEntryName, junk, Passport).ok());
    const QByteArray archive = readBytes(m_servers.local(SyncServers::RemotePath));
    const QString a = branch(QStringLiteral("a"));
    addRental(a, QStringLiteral("R-A1"), QStringLiteral("东风路1号"));
    const QStringList before = wholeFile(a);
    useBranch(a);

    const SyncOutcome outcome = run();
    QVERIFY(!outcome.ok);
    QCOMPARE(outcome.status, QStringLiteral("同步失败！"));
    QVERIFY2(outcome.message.startsWith(QStringLiteral("同步数据失败：")), qPrintable(outcome.message));
    QVERIFY(!m_statuses.contains(QStringLiteral("同步信息成功！")));
    QCOMPARE(outcome.bytesSent, 0);
    QCOMPARE(m_servers.remoteFiles(), QStringList{SyncServers::RemotePath});
    QCOMPARE(readBytes(m_servers.local(SyncServers::RemotePath)), archive);
    QVERIFY(m_dm->DbBase->isOpen());
    m_dm->DbBase->close();
    QCOMPARE(wholeFile(a), before);
}

QTEST_GUILESS_MAIN(TestSync)
#include "TestSync.moc"
