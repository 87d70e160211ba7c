#include "online/MakerSite.h"
#include "online/VersionCheck.h"
#include "support/MainWindowFixture.h"
#include "support/PythonServer.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QSettings>
#include <QTcpServer>

using namespace brel;

namespace {
const QString Offline = QStringLiteral("请检查您的电脑是否已经上网，然后再使用此功能。");
const QString UpToDate = QStringLiteral("您已经使用的是最新版软件。");
} // namespace

/// Stands in for the web browser: every page the program opens is recorded.
class BrowserRecorder : public QObject {
    Q_OBJECT
public:
    BrowserRecorder()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
    }
    ~BrowserRecorder() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class TestVersionCheck : public QObject, public test::MainWindowFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void serverAddress();
    void againstTheServer_data();
    void againstTheServer();
    void noServer();
    void serverThatNeverAnswers();
    void homePage();

private:
    /// Serves body as the version file (no file at all for a null body).
    void serve(const QByteArray &body);
    void setSetting(const char *name, const QVariant &value);

    std::unique_ptr<test::PythonServer> m_server;
    std::unique_ptr<BrowserRecorder> m_browser;
    QString m_site;
};

void TestVersionCheck::init()
{
    startMainWindow();
    qputenv("BRELVANTO_SETTINGS", QFile::encodeName(m_dir->filePath(QStringLiteral("online.ini"))));
    qunsetenv(MakerSite::AddressVariable);
    TMainFm::RegisterCommand(QStringLiteral("atGetLastest"), &CheckLatestVersion);
    TMainFm::RegisterCommand(QStringLiteral("atHomePage"), &OpenHomePage);
    m_dm->ExecSql(Sql(QStringLiteral("UPDATE TbVersion SET BBH='Build1.05'")));
    m_browser = std::make_unique<BrowserRecorder>();
    m_site = m_dir->filePath(QStringLiteral("site"));
    QVERIFY(QDir().mkpath(m_site + QStringLiteral("/chs/data")));
}

void TestVersionCheck::cleanup()
{
    m_server.reset();
    m_browser.reset();
    qunsetenv("BRELVANTO_SETTINGS");
    qunsetenv(MakerSite::AddressVariable);
    stopMainWindow();
}

void TestVersionCheck::setSetting(const char *name, const QVariant &value)
{
    QSettings(qEnvironmentVariable("BRELVANTO_SETTINGS"), QSettings::IniFormat)
        .setValue(QStringLiteral("Software/Quorvane/Brelvanto/") + QLatin1String(name), value);
}

void TestVersionCheck::serve(const QByteArray &body)
{
    if (!body.isNull()) {
        QFile file(m_site + VersionFilePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(body);
    }
    m_server = std::make_unique<test::PythonServer>();
    QVERIFY(m_server->start(test::HttpFilesScript, {m_site}));
    qputenv(MakerSite::AddressVariable, m_server->base().toUtf8());
}

// Written once, overridable by the settings and, above them, the environment.
void TestVersionCheck::serverAddress()
{
    QCOMPARE(MakerSite::address(), MakerSite::DefaultAddress);
    QCOMPARE(MakerSite::page(VersionFilePath), QUrl(MakerSite::DefaultAddress + VersionFilePath));
    QCOMPARE(MakerSite::timeoutMs(), 10000);
    setSetting("WebServer", QStringLiteral("http://mirror.example/"));
    setSetting("HttpTimeout", QStringLiteral("no number"));
    QCOMPARE(MakerSite::address(), QStringLiteral("http://mirror.example"));
    QCOMPARE(MakerSite::timeoutMs(), 10000);
    qputenv(MakerSite::AddressVariable, "http://127.0.0.1:9");
    QCOMPARE(MakerSite::address(), QStringLiteral("http://127.0.0.1:9"));
    setSetting("HttpTimeout", 1500);
    QCOMPARE(MakerSite::timeoutMs(), 1500);
}

void TestVersionCheck::againstTheServer_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("answerOk");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("opensDownload");
    const QString newer = QStringLiteral("目前软件的最新版为1.06，现在是否立即下载？");
    QTest::newRow("same version") << QByteArray("Build1.05") << true << UpToDate << false;
    QTest::newRow("same, saved with a line break") << QByteArray("Build1.05\r\n") << true << UpToDate << false;
    QTest::newRow("newer, OK") << QByteArray("Build1.06") << true << newer << true;
    QTest::newRow("newer with a line break, OK") << QByteArray("Build1.06\n") << true << newer << true;
    QTest::newRow("newer, Cancel") << QByteArray("Build1.06") << false << newer << false;
    QTest::newRow("no version file (404)") << QByteArray() << true << Offline << false;
}

void TestVersionCheck::againstTheServer()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, answerOk);
    QFETCH(QString, message);
    QFETCH(bool, opensDownload);
    serve(body);
    m_messages->clear();
    m_messages->setNextAnswer(answerOk ? Messages::Answer::Ok : Messages::Answer::Cancel);
    command("atGetLastest")->trigger();
    QCOMPARE(m_messages->texts(), QStringList{message});
    const Messages::Message &shown = m_messages->messages.first();
    QCOMPARE(shown.icon, Messages::Icon::Information);
    QCOMPARE(shown.buttons, message.contains(QStringLiteral("下载")) ? Messages::Buttons::OkCancel : Messages::Buttons::Ok);
    const QList<QUrl> expected = opensDownload ? QList<QUrl>{QUrl(m_server->base() + QStringLiteral("/chs/download.htm"))}
                                               : QList<QUrl>{};
    QCOMPARE(m_browser->opened, expected);
}

void TestVersionCheck::noServer()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close(); // nobody listens there now
    qputenv(MakerSite::AddressVariable, QStringLiteral("http://127.0.0.1:%1").arg(port).toUtf8());
    command("atGetLastest")->trigger();
    QCOMPARE(m_messages->texts(), QStringList{Offline});
    QVERIFY(m_browser->opened.isEmpty());
}

// The product waits 10 s; the test shortens it through the same setting.
void TestVersionCheck::serverThatNeverAnswers()
{
    test::PythonServer silent;
    QVERIFY(silent.start(test::SilentServerScript));
    qputenv(MakerSite::AddressVariable, silent.base().toUtf8());
    setSetting("HttpTimeout", 1000);
    QElapsedTimer clock;
    clock.start();
    command("atGetLastest")->trigger();
    const qint64 waited = clock.elapsed();
    QCOMPARE(m_messages->texts(), QStringList{Offline});
    QVERIFY2(waited >= 900 && waited < 5000, qPrintable(QString::number(waited)));
}

void TestVersionCheck::homePage()
{
    qputenv(MakerSite::AddressVariable, "http://127.0.0.1:8080/");
    command("atHomePage")->trigger();
    QCOMPARE(m_browser->opened, QList<QUrl>{QUrl(QStringLiteral("http://127.0.0.1:8080/"))});
    QVERIFY(m_messages->texts().isEmpty());
}

QTEST_MAIN(TestVersionCheck)
#include "TestVersionCheck.moc"
