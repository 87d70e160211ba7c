#include "components/FtpClient.h"
#include "support/FileBytes.h"
#include "support/PythonServer.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace brel;

namespace {
const QString User = QStringLiteral("branch");
const QString Password = QStringLiteral("S3cret!pw");

} // namespace

class TestFtpClient : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void temporaryName_data();
    void temporaryName();
    void transfers_data();
    void transfers();
    void wrongPassword();
    void noServer();
    void missingRemoteFileKeepsTheLocalOne();
    void droppedRenameIsFinishedNextTime();
    void droppedUploadKeepsTheOldFile();

private:
    FtpAccount account(const QString &password = Password) const;
    QString remote(const QString &name) const { return m_dir->filePath(QStringLiteral("root/share/") + name); }
    QString local(const QString &name) const { return m_dir->filePath(QStringLiteral("local/") + name); }
    void setDrop(const char *command, bool on);

    std::unique_ptr<QTemporaryDir> m_dir;
    test::PythonServer m_server;
};

void TestFtpClient::initTestCase()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("root/share"))));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("local"))));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("control"))));
    QVERIFY(m_server.start(test::FtpServerScript,
                           {m_dir->filePath(QStringLiteral("root")), User, Password, m_dir->filePath(QStringLiteral("control"))}));
}

void TestFtpClient::cleanupTestCase()
{
    m_server.stop();
}

void TestFtpClient::init()
{
    setDrop("RNTO", false);
    setDrop("STOR", false);
}

FtpAccount TestFtpClient::account(const QString &password) const
{
    FtpAccount a;
    a.host = QStringLiteral("127.0.0.1");
    a.port = m_server.port();
    a.user = User;
    a.password = password;
    a.timeoutMs = 5000;
    return a;
}

void TestFtpClient::setDrop(const char *command, bool on)
{
    const QString flag = m_dir->filePath(QStringLiteral("control/drop-on-") + QLatin1String(command));
    if (on)
        test::writeBytes(flag, "1");
    else
        QFile::remove(flag);
}

void TestFtpClient::temporaryName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("temporary");
    QTest::newRow("archive") << "/share/branch.zip" << "/share/branch.~zip";
    QTest::newRow("two dots") << "/share/branch.db.zip" << "/share/branch.~db.zip";
    QTest::newRow("dot in a folder only") << "/share.d/branch" << "/share.d/.~branch";
    QTest::newRow("top level") << "a.zip" << "a.~zip";
}

void TestFtpClient::temporaryName()
{
    QFETCH(QString, path);
    QFETCH(QString, temporary);
    QCOMPARE(FtpClient::temporaryName(path), temporary);
}

void TestFtpClient::transfers_data()
{
    QTest::addColumn<bool>("passive");
    QTest::newRow("active mode") << false;
    QTest::newRow("passive mode") << true;
}

// One session: login, download, replace, rename, delete.
void TestFtpClient::transfers()
{
    QFETCH(bool, passive);
    const QByteArray old = QByteArray("old archive ") + QByteArray(200000, 'o');
    const QByteArray fresh = QByteArray("new archive ") + QByteArray(300000, 'n');
    test::writeBytes(remote(QStringLiteral("分店.zip")), old);
    test::writeBytes(local(QStringLiteral("new.zip")), fresh);
    FtpAccount a = account();
    a.passive = passive;
    FtpClient ftp(a);
    qint64 lastDone = 0;
    ftp.setProgress([&](qint64 done, qint64) {
        lastDone = std::max(lastDone, done);
        return true;
    });
    QVERIFY(ftp.login().ok());

    const NetResult got = ftp.download(QStringLiteral("/share/分店.zip"), local(QStringLiteral("got.zip")));
    QVERIFY2(got.ok(), qPrintable(got.message));
    QCOMPARE(test::readBytes(local(QStringLiteral("got.zip"))), old);
    QCOMPARE(lastDone, qint64(old.size()));

    const NetResult replaced = ftp.replace(local(QStringLiteral("new.zip")), QStringLiteral("/share/分店.zip"));
    QVERIFY2(replaced.ok(), qPrintable(replaced.message));
    QCOMPARE(test::readBytes(remote(QStringLiteral("分店.zip"))), fresh);
    QVERIFY(!QFile::exists(remote(QStringLiteral("分店.~zip"))));
    QVERIFY(ftp.exists(QStringLiteral("/share/分店.zip")));
    QVERIFY(!ftp.exists(QStringLiteral("/share/none.zip")));

    QVERIFY(ftp.rename(QStringLiteral("/share/分店.zip"), QStringLiteral("/share/moved.zip")).ok());
    QCOMPARE(test::readBytes(remote(QStringLiteral("moved.zip"))), fresh);
    QVERIFY(ftp.remove(QStringLiteral("/share/moved.zip")).ok());
    QVERIFY(!QFile::exists(remote(QStringLiteral("moved.zip"))));
    const NetResult again = ftp.remove(QStringLiteral("/share/moved.zip"));
    QCOMPARE(again.error, NetError::Refused);
    ftp.disconnect();
}

void TestFtpClient::wrongPassword()
{
    test::writeBytes(remote(QStringLiteral("a.zip")), "x");
    FtpClient ftp(account(QStringLiteral("wrong-pw")));
    const NetResult r = ftp.login();
    QCOMPARE(r.error, NetError::Login);
    QVERIFY(!r.message.isEmpty());
    QVERIFY(!r.message.contains(QStringLiteral("wrong-pw")));
    QCOMPARE(ftp.download(QStringLiteral("/share/a.zip"), local(QStringLiteral("a.zip"))).error, NetError::Login);
    QVERIFY(!QFile::exists(local(QStringLiteral("a.zip"))));
}

void TestFtpClient::noServer()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    FtpAccount a = account();
    a.port = probe.serverPort();
    probe.close();
    FtpClient ftp(a);
    QCOMPARE(ftp.login().error, NetError::Connect);
}

void TestFtpClient::missingRemoteFileKeepsTheLocalOne()
{
    const QString kept = local(QStringLiteral("kept.zip"));
    test::writeBytes(kept, "local copy");
    FtpClient ftp(account());
    QCOMPARE(ftp.download(QStringLiteral("/share/missing.zip"), kept).error, NetError::Refused);
    QCOMPARE(test::readBytes(kept), QByteArray("local copy"));
    // A read-only file in the way is replaced by a download.
    test::writeBytes(remote(QStringLiteral("ro.zip")), "from the server");
    const QString readOnly = local(QStringLiteral("ro.zip"));
    test::writeBytes(readOnly, "read-only");
    QVERIFY(QFile::setPermissions(readOnly, QFile::ReadOwner));
    QVERIFY(ftp.download(QStringLiteral("/share/ro.zip"), readOnly).ok());
    QCOMPARE(test::readBytes(readOnly), QByteArray("from the server"));
}

// The line breaks on the rename: the new file waits under its temporary
// name, and the next session gives it the final name.
void TestFtpClient::droppedRenameIsFinishedNextTime()
{
    test::writeBytes(remote(QStringLiteral("b.zip")), "old");
    test::writeBytes(local(QStringLiteral("b.zip")), "new");
    setDrop("RNTO", true);
    {
        FtpClient ftp(account());
        QVERIFY(!ftp.replace(local(QStringLiteral("b.zip")), QStringLiteral("/share/b.zip")).ok());
    }
    QCOMPARE(test::readBytes(remote(QStringLiteral("b.~zip"))), QByteArray("new"));
    setDrop("RNTO", false);
    FtpClient ftp(account());
    QVERIFY(ftp.finishReplace(QStringLiteral("/share/b.zip")).ok());
    QCOMPARE(test::readBytes(remote(QStringLiteral("b.zip"))), QByteArray("new"));
    QVERIFY(!QFile::exists(remote(QStringLiteral("b.~zip"))));
    // Nothing left to finish.
    QVERIFY(ftp.finishReplace(QStringLiteral("/share/b.zip")).ok());
    QCOMPARE(test::readBytes(remote(QStringLiteral("b.zip"))), QByteArray("new"));
}

void TestFtpClient::droppedUploadKeepsTheOldFile()
{
    test::writeBytes(remote(QStringLiteral("c.zip")), "old");
    test::writeBytes(local(QStringLiteral("c.zip")), "new");
    setDrop("STOR", true);
    FtpClient ftp(account());
    QVERIFY(!ftp.replace(local(QStringLiteral("c.zip")), QStringLiteral("/share/c.zip")).ok());
    QCOMPARE(test::readBytes(remote(QStringLiteral("c.zip"))), QByteArray("old"));
    setDrop("STOR", false);
    QVERIFY(ftp.replace(local(QStringLiteral("c.zip")), QStringLiteral("/share/c.zip")).ok());
    QCOMPARE(test::readBytes(remote(QStringLiteral("c.zip"))), QByteArray("new"));
}

QTEST_GUILESS_MAIN(TestFtpClient)
#include "TestFtpClient.moc"
