#include "datastore/DataModule.h"
#include "online/AccountRequest.h"
#include "online/MakerSite.h"
#include "support/PythonServer.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace brel;

class TestAccountRequest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void parse_data();
    void parse();
    void ftpAccount_data();
    void ftpAccount();
    void passportFromTheWorkingFile();
    void requestReachesTheService();
    void failedRequests();

private:
    void reply(const QByteArray &body);

    std::unique_ptr<QTemporaryDir> m_dir;
    test::PythonServer m_server;
};

void TestAccountRequest::initTestCase()
{
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("BRELVANTO_SETTINGS", QFile::encodeName(m_dir->filePath(QStringLiteral("settings.ini"))));
    QVERIFY(m_server.start(test::HttpReplyScript,
                           {m_dir->filePath(QStringLiteral("reply")), m_dir->filePath(QStringLiteral("requests"))}));
    qputenv(MakerSite::AddressVariable, m_server.base().toUtf8());
}

void TestAccountRequest::cleanupTestCase()
{
    m_server.stop();
    qunsetenv(MakerSite::AddressVariable);
    qunsetenv("BRELVANTO_SETTINGS");
}

void TestAccountRequest::reply(const QByteArray &body)
{
    QFile f(m_dir->filePath(QStringLiteral("reply")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(body);
}

void TestAccountRequest::parse_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QStringList>("account"); // empty: unusable
    const QStringList full{"ftp.example.cn", "branch", "pw", "/share/branch.zip"};
    QTest::newRow("four values") << "ftp.example.cn,branch,pw,/share/branch.zip" << full;
    QTest::newRow("with a line break") << "ftp.example.cn,branch,pw,/share/branch.zip\r\n" << full;
    QTest::newRow("spaces separate too") << "ftp.example.cn branch pw /share/branch.zip" << full;
    QTest::newRow("quoted values") << "\"ftp.example.cn\",\"branch\",\"p w,\"\"x\",\"/share/分店 一.zip\""
                                   << QStringList{"ftp.example.cn", "branch", "p w,\"x", "/share/分店 一.zip"};
    QTest::newRow("quoted spaces are trimmed") << "\" ftp.example.cn \",branch,pw,/a.zip"
                                               << QStringList{"ftp.example.cn", "branch", "pw", "/a.zip"};
    QTest::newRow("three values") << "ftp.example.cn,branch,pw" << QStringList();
    QTest::newRow("five values") << "ftp.example.cn,branch,pw,/a.zip,x" << QStringList();
    QTest::newRow("empty fourth value") << "ftp.example.cn,branch,pw,\"\"" << QStringList();
    QTest::newRow("fourth value only spaces") << "ftp.example.cn,branch,pw,\"   \"" << QStringList();
    QTest::newRow("trailing comma") << "ftp.example.cn,branch,pw," << QStringList();
    QTest::newRow("empty reply") << "" << QStringList();
    QTest::newRow("an error page") << "<html><body>Error 500</body></html>" << QStringList();
}

void TestAccountRequest::parse()
{
    QFETCH(QString, body);
    QFETCH(QStringList, account);
    const auto parsed = ParseAccountReply(body);
    QCOMPARE(parsed.has_value(), !account.isEmpty());
    if (parsed)
        QCOMPARE((QStringList{parsed->host, parsed->user, parsed->password, parsed->remotePath}), account);
}

void TestAccountRequest::ftpAccount_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("ftpHost");
    QTest::addColumn<int>("port");
    QTest::newRow("name") << "ftp.example.cn" << "ftp.example.cn" << 21;
    QTest::newRow("name and port") << "127.0.0.1:2121" << "127.0.0.1" << 2121;
    QTest::newRow("not a port") << "ftp.example.cn:x" << "ftp.example.cn:x" << 21;
}

void TestAccountRequest::ftpAccount()
{
    QFETCH(QString, host);
    QFETCH(QString, ftpHost);
    QFETCH(int, port);
    const FtpAccount ftp = SyncAccount{host, QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("/a.zip")}.ftp();
    QCOMPARE(ftp.host, ftpHost);
    QCOMPARE(ftp.port, port);
    QCOMPARE(ftp.user, QStringLiteral("u"));
    QCOMPARE(ftp.password, QStringLiteral("p"));
    QVERIFY(!ftp.passive); // active mode unless the settings ask otherwise
}

void TestAccountRequest::passportFromTheWorkingFile()
{
    const QString file = m_dir->filePath(QStringLiteral("work.mdb"));
    test::makeBlankFile(file);
    TDM dm;
    dm.DbBase->open(file, TDM::Password);
    QCOMPARE(ReadPassport(), QString());
    dm.ExecSql(Sql(QStringLiteral("UPDATE TbSetings SET WLTXZ='QV-0042' WHERE Id=1")));
    QCOMPARE(ReadPassport(), QStringLiteral("QV-0042"));
}

// The passport travels as one encoded value; the reply comes back parsed.
void TestAccountRequest::requestReachesTheService()
{
    QFile::remove(m_dir->filePath(QStringLiteral("requests")));
    reply("127.0.0.1:2121,branch,secret,/share/branch.zip\r\n");
    const AccountAnswer answer = RequestAccount(QStringLiteral("a&b=c d"), 5000);
    QVERIFY2(answer.net.ok(), qPrintable(answer.net.message));
    QVERIFY(answer.account);
    QCOMPARE(answer.account->password, QStringLiteral("secret"));
    QCOMPARE(answer.account->remotePath, QStringLiteral("/share/branch.zip"));
    QFile log(m_dir->filePath(QStringLiteral("requests")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("/chs/data/CheckUser.asp?Passport=a%26b%3Dc%20d\n"));

    reply("127.0.0.1,branch,secret");
    const AccountAnswer unusable = RequestAccount(QStringLiteral("p"), 5000);
    QVERIFY(unusable.net.ok());
    QVERIFY(!unusable.account);
}

void TestAccountRequest::failedRequests()
{
    QFile::remove(m_dir->filePath(QStringLiteral("reply")));
    const AccountAnswer missing = RequestAccount(QStringLiteral("Secret-Passport"), 5000);
    QCOMPARE(missing.net.error, NetError::Refused);
    QCOMPARE(missing.net.status, 404L);
    QVERIFY(!missing.account);
    QVERIFY(!missing.net.message.contains(QStringLiteral("Secret-Passport")));

    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    qputenv(MakerSite::AddressVariable, QStringLiteral("http://127.0.0.1:%1").arg(port).toUtf8());
    const AccountAnswer offline = RequestAccount(QStringLiteral("Secret-Passport"), 5000);
    qputenv(MakerSite::AddressVariable, m_server.base().toUtf8());
    QCOMPARE(offline.net.error, NetError::Connect);
    QVERIFY(!offline.net.message.contains(QStringLiteral("Secret-Passport")));
}

QTEST_MAIN(TestAccountRequest)
#include "TestAccountRequest.moc"
