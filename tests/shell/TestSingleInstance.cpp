// Starts the built program itself to check that only one instance runs.

#include "shell/widgets/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void secondStartEndsAtOnceWritingNothing();
    void leftoversOfACrashDoNotBlockTheNextStart();

private:
    /// Starts the program with its own settings file in the shared runtime folder.
    std::unique_ptr<QProcess> start(const QString &settingsName);
    bool serverAnswers() const;

    QString m_program;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSingleInstance::initTestCase()
{
    m_program = qEnvironmentVariable("BRELVANTO_APP_DIR") + QStringLiteral("/brelvanto");
    QVERIFY2(QFileInfo(m_program).isExecutable(), qPrintable(m_program));
}

void TestSingleInstance::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("runtime"))));
    QFile::setPermissions(m_dir->filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("app"))));
    // This process looks for the server where the started programs put it.
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir->filePath(QStringLiteral("runtime"))));
}

void TestSingleInstance::cleanup()
{
    m_dir.reset();
}

std::unique_ptr<QProcess> TestSingleInstance::start(const QString &settingsName)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir->filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("BRELVANTO_SETTINGS"), m_dir->filePath(settingsName));
    // An empty program folder: no data file, so the main window stays empty and waits.
    env.insert(QStringLiteral("BRELVANTO_APP_DIR"), m_dir->filePath(QStringLiteral("app")));
    env.insert(QStringLiteral("BRELVANTO_SPLASH_MS"), QStringLiteral("0"));
    process->setProcessEnvironment(env);
    process->setProgram(m_program);
    process->start();
    return process;
}

bool TestSingleInstance::serverAnswers() const
{
    QLocalSocket socket;
    socket.connectToServer(brel::SingleInstance::serverName());
    return socket.waitForConnected(200);
}

void TestSingleInstance::secondStartEndsAtOnceWritingNothing()
{
    auto first = start(QStringLiteral("first.ini"));
    QVERIFY(first->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(serverAnswers(), 20000);

    auto second = start(QStringLiteral("second.ini"));
    QVERIFY(second->waitForFinished(20000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("second.ini"))));
    QCOMPARE(first->state(), QProcess::Running);

    first->kill();
    first->waitForFinished();
}

void TestSingleInstance::leftoversOfACrashDoNotBlockTheNextStart()
{
    auto crashed = start(QStringLiteral("first.ini"));
    QTRY_VERIFY_WITH_TIMEOUT(serverAnswers(), 20000);
    // SIGKILL leaves the lock file and the socket behind.
    crashed->kill();
    QVERIFY(crashed->waitForFinished());
    QVERIFY(!serverAnswers());

    auto next = start(QStringLiteral("first.ini"));
    QTRY_VERIFY_WITH_TIMEOUT(serverAnswers(), 20000);
    QCOMPARE(next->state(), QProcess::Running);

    // The new instance holds the lock again.
    auto another = start(QStringLiteral("another.ini"));
    QVERIFY(another->waitForFinished(20000));
    QCOMPARE(another->exitCode(), 0);
    QCOMPARE(next->state(), QProcess::Running);

    next->kill();
    next->waitForFinished();
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "TestSingleInstance.moc"
