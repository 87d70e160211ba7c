// The synchronisation dialog opened from the main window's tool bar, run
// against real FTP and account servers on 127.0.0.1.

#include "datastore/DataSet.h"
#include "online/SyncForm.h"
#include "support/BranchFiles.h"
#include "support/MainWindowFixture.h"
#include "support/ModalDialog.h"
#include "support/SyncServers.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace brel;
using namespace brel::test;

class TestSyncForm : public QObject, private MainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void asOpened();
    void runsFromTheToolBar();
    void failureShowsTheAdvice();
    void windowsShowTheirRowsAgain();
    void refusedWhileARecordIsTyped();

private:
    /// Opens the dialog through 同步数据 and runs inside in it.
    bool withDialog(const std::function<void(TSyncFm *)> &inside)
    {
        return whileModal<TSyncFm>([this] { command("btnSync")->trigger(); }, inside);
    }

    QTemporaryDir m_serverDir;
    SyncServers m_servers;
};

void TestSyncForm::initTestCase()
{
    QVERIFY(m_servers.start(m_serverDir.path()));
}

void TestSyncForm::cleanupTestCase()
{
    m_servers.stop();
}

void TestSyncForm::init()
{
    startMainWindow();
    TMainFm::RegisterCommand(QStringLiteral("btnSync"), [] { TSyncFm::Run(TMainFm::instance()); });
    m_dm->ExecSql(Sql(QStringLiteral("UPDATE TbSetings SET WLTXZ='QV-7' WHERE Id=1")));
    m_servers.pointAtService();
    m_servers.replyAccount();
    for (const QString &f : m_servers.remoteFiles())
        QFile::remove(m_servers.local(f));
}

void TestSyncForm::cleanup()
{
    stopMainWindow();
}

void TestSyncForm::asOpened()
{
    QVERIFY(withDialog([](TSyncFm *d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("同步房屋信息数据"));
        QVERIFY(d->isModal());
        QVERIFY(d->lbHint->text().startsWith(QStringLiteral("        当您拥有几家分店时")));
        QVERIFY(d->lbHint->text().endsWith(QStringLiteral("永远解除您手工抄录的烦恼。")));
        QCOMPARE(d->lbStatus->text(), QStringLiteral("同步准备就绪"));
        QVERIFY(!d->lbProgress->isVisible());
        QCOMPARE(d->lbProgress->text(), QStringLiteral("完成同步 0 kb数据"));
        QCOMPARE(d->btnOk->text(), QStringLiteral("同步"));
        QCOMPARE(d->btnCancle->text(), QStringLiteral("取消"));
        QCOMPARE(d->btnOk->nextInFocusChain(), d->btnCancle);
        QVERIFY(!d->lbStatus->accessibleName().isEmpty());
        QTest::mouseClick(d->btnCancle, Qt::LeftButton);
        QVERIFY(!d->isVisible());
    }));
    QCOMPARE(m_servers.remoteFiles(), QStringList());
}

void TestSyncForm::runsFromTheToolBar()
{
    addRental(*m_dm->DbBase, QStringLiteral("R-1"), QStringLiteral("东风路1号"));
    QVERIFY(withDialog([this](TSyncFm *d) {
        // Looked at while the run goes on: both buttons wait for its end.
        bool sawDisabled = false;
        QTimer::singleShot(0, d, [&] { sawDisabled = !d->btnOk->isEnabled() && !d->btnCancle->isEnabled(); });
        QTest::mouseClick(d->btnOk, Qt::LeftButton);
        QVERIFY(sawDisabled);
        QVERIFY(d->lastOutcome().ok);
        QCOMPARE(d->lbStatus->text(), QStringLiteral("同步信息成功！"));
        QVERIFY(d->lbProgress->isVisible());
        QCOMPARE(d->lbProgress->text(), QStringLiteral("完成同步 %1 kb数据").arg(d->lastOutcome().bytesSent / 1024));
        QVERIFY(d->btnOk->isEnabled() && d->btnCancle->isEnabled());
        QVERIFY(m_messages->texts().isEmpty());
        const QString shot = qEnvironmentVariable("BRELVANTO_SCREENSHOT");
        if (!shot.isEmpty())
            QVERIFY(d->grab().save(shot));
        QTest::mouseClick(d->btnCancle, Qt::LeftButton);
    }));
    QCOMPARE(m_servers.remoteFiles(), QStringList{SyncServers::RemotePath});
    // The program goes on with the working file after the exchange.
    QCOMPARE(m_dm->GetValue(Sql("SELECT FWDZ FROM TbRental WHERE SJH='R-1'"), QStringLiteral("FWDZ")),
             QStringLiteral("东风路1号"));
}

void TestSyncForm::failureShowsTheAdvice()
{
    m_servers.replyAccount(QStringLiteral("not-the-password"));
    QVERIFY(withDialog([this](TSyncFm *d) {
        QTest::mouseClick(d->btnOk, Qt::LeftButton);
        QCOMPARE(d->lbStatus->text(), QStringLiteral("同步失败！"));
        QCOMPARE(m_messages->texts(), QStringList{"请检查您的电脑是否已经上网，然后再使用此功能。"});
        QVERIFY(d->btnOk->isEnabled());
        QTest::mouseClick(d->btnCancle, Qt::LeftButton);
    }));
    QCOMPARE(m_servers.remoteFiles(), QStringList());
}

// The exchange closes the connection: the results the windows showed are
// read again afterwards, on the row each was on.
void TestSyncForm::windowsShowTheirRowsAgain()
{
    addRental(*m_dm->DbBase, QStringLiteral("R-1"), QStringLiteral("东风路1号"));
    addRental(*m_dm->DbBase, QStringLiteral("R-2"), QStringLiteral("东风路2号"));
    auto *shown = new DataSet(m_dm->DbBase, m_form);
    shown->setSql(Sql("SELECT * FROM TbRental ORDER BY SJH"));
    shown->open();
    QVERIFY(shown->locate(QStringLiteral("SJH"), QStringLiteral("R-2")));
    const qint64 id = shown->currentId();
    QVERIFY(withDialog([](TSyncFm *d) {
        QTest::mouseClick(d->btnOk, Qt::LeftButton);
        QVERIFY(d->lastOutcome().ok);
        QTest::mouseClick(d->btnCancle, Qt::LeftButton);
    }));
    QVERIFY(shown->isActive());
    QCOMPARE(shown->currentId(), id);
    QCOMPARE(shown->value(QStringLiteral("SJH")).toString(), QStringLiteral("R-2"));
}

void TestSyncForm::refusedWhileARecordIsTyped()
{
    addRental(*m_dm->DbBase, QStringLiteral("R-1"), QStringLiteral("东风路1号"));
    auto *typing = new DataSet(m_dm->DbBase, m_form);
    typing->setSql(Sql("SELECT * FROM TbRental"));
    typing->open();
    typing->setValue(QStringLiteral("FWDZ"), QStringLiteral("正在输入的地址"));
    QVERIFY(typing->isEditing());
    QVERIFY(withDialog([this](TSyncFm *d) {
        QTest::mouseClick(d->btnOk, Qt::LeftButton);
        QCOMPARE(m_messages->texts(), QStringList{"有正在编辑的记录，请先保存或取消，然后再同步数据。"});
        QCOMPARE(d->lbStatus->text(), QStringLiteral("同步准备就绪"));
        QTest::mouseClick(d->btnCancle, Qt::LeftButton);
    }));
    QVERIFY(typing->isEditing());
    QCOMPARE(typing->value(QStringLiteral("FWDZ")).toString(), QStringLiteral("正在输入的地址"));
    QCOMPARE(m_servers.remoteFiles(), QStringList());
}

QTEST_MAIN(TestSyncForm)
#include "TestSyncForm.moc"
