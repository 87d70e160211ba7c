// The upgrade window around the upgrade of a working file before login.

#include "admin/UpgradeBarForm.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "support/OldBuildFiles.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace brel;

class TestUpgradeBar : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void shownWhileUpgradingAndGoneBeforeLogin();
    void noWindowForTheCurrentBuild();
    void failedUpgradeClosesTheWindow();
    void barOnlyShowsActivity();

private:
    /// Opens path through the installed hook, noting what the window looked
    /// like whenever events were let through.
    void open(const QString &path);

    QTemporaryDir m_dir;
    std::unique_ptr<TDM> m_dm;
    QStringList m_seen;
    bool m_windowAtLogin = true;
};

void TestUpgradeBar::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestUpgradeBar::init()
{
    ClearGlobals();
    m_seen.clear();
    m_windowAtLogin = true;
    m_dm = std::make_unique<TDM>();
    InstallUpgradeHook(*m_dm);
    m_dm->hooks.login = [this] {
        m_windowAtLogin = TUpgradeBarFm::Instance() != nullptr;
        return true;
    };
}

void TestUpgradeBar::cleanup()
{
    m_dm.reset();
    ClearGlobals();
}

void TestUpgradeBar::open(const QString &path)
{
    QTimer watch;
    watch.setInterval(0);
    connect(&watch, &QTimer::timeout, this, [this] {
        TUpgradeBarFm *w = TUpgradeBarFm::Instance();
        if (!w || !w->isVisible())
            return;
        const QString seen = QStringLiteral("%1|%2|%3|%4-%5|%6")
                                 .arg(w->windowTitle(), w->lbMessage->text())
                                 .arg(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
                                 .arg(w->pbUpgrade->minimum())
                                 .arg(w->pbUpgrade->maximum())
                                 .arg(w->tmActivity->isActive() ? w->tmActivity->interval() : 0);
        if (!m_seen.contains(seen))
            m_seen << seen;
    });
    watch.start();
    m_dm->OpenWorkingFile(path, true);
}

void TestUpgradeBar::shownWhileUpgradingAndGoneBeforeLogin()
{
    const QString path = test::OldBuildFile(m_dir.path(), QStringLiteral("Build1.02"), QStringLiteral("work.mdb"));
    QVERIFY(!path.isEmpty());
    open(path);
    QCOMPARE(m_seen, QStringList{QStringLiteral("数据文件升级|正在进行数据文件升级，请不要终止此过程...|1|0-100|500")});
    QVERIFY(!m_windowAtLogin);
    QVERIFY(!TUpgradeBarFm::Instance());
    QCOMPARE(m_dm->GetValue(Sql("SELECT BBH FROM TbVersion"), QStringLiteral("BBH")), QStringLiteral("Build1.05"));
}

void TestUpgradeBar::noWindowForTheCurrentBuild()
{
    const QString path = m_dir.filePath(QStringLiteral("current.mdb"));
    test::makeBlankFile(path);
    open(path);
    QVERIFY(m_seen.isEmpty());
    QVERIFY(!m_windowAtLogin);
}

void TestUpgradeBar::failedUpgradeClosesTheWindow()
{
    const QString path = test::OldBuildFile(m_dir.path(), QStringLiteral("Build1.00"), QStringLiteral("blocked.mdb"));
    {
        Database db;
        db.open(path, test::DataPassword);
        db.execute(Sql("CREATE TABLE TbBranch (X INTEGER)"));
    }
    QVERIFY_THROWS_EXCEPTION(EngineError, open(path));
    QCOMPARE(m_seen.size(), 1);
    QVERIFY(!TUpgradeBarFm::Instance());
    QVERIFY(m_windowAtLogin); // never asked: there was no login
}

void TestUpgradeBar::barOnlyShowsActivity()
{
    TUpgradeBarFm form;
    QCOMPARE(form.pbUpgrade->value(), 0);
    for (int n = 1; n <= 10; ++n) {
        form.stepBar();
        QCOMPARE(form.pbUpgrade->value(), 10 * n);
    }
    form.stepBar();
    QCOMPARE(form.pbUpgrade->value(), 0);
    QCOMPARE(form.lbMessage->buddy(), form.pbUpgrade);
}

QTEST_MAIN(TestUpgradeBar)
#include "TestUpgradeBar.moc"
