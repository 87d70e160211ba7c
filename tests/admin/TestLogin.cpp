#include "admin/Login.h"
#include "admin/LoginDialog.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/PasswordHash.h"
#include "datastore/Rights.h"
#include "support/MessageRecorder.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace brel;

namespace {

const QString Wrong = QStringLiteral("密码输入错误！请重新输入。");
const QString ThreeTimes = QStringLiteral("三次密码输入错误！您不能使用此软件。");

// Runs action on the login dialog once exec() has shown it.
void whenLoginShows(std::function<void(TLoginDlg *)> action)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto *dlg = qobject_cast<TLoginDlg *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(dlg);
        }
    });
    timer->start();
}

} // namespace

class TestLogin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void login_data();
    void login();
    void enterInEitherBoxLogsInOnce();
    void threeFailuresCancel();
    void failedLoginKeepsTheUser();
    void cancel();
    void showLoginModal();
    void userListAndSelection();
    void unlockOffersOnlyTheCurrentUser();
    void firstLoginTipAndFlag();
    void plainPasswordReplacedByHash();
    void plainPasswordKeptWhenTheFileRefusesWrites();
    void missingUserIsRefused();
    void openWorkingFileCancelled_data();
    void openWorkingFileCancelled();
    void openWorkingFileLoggedIn();
    void clerkAfterTheAdministratorHasOnlyOwnRights_data();
    void clerkAfterTheAdministratorHasOnlyOwnRights();
    void opensReadyForThePassword_data();
    void opensReadyForThePassword();
    void internalOperationsInsideALoopOverQ1();
    void malformedHashIsRefused();

private:
    QString makeFile(const QString &name);
    QString stored(int id) const;
    void tryLogin(TLoginDlg &dlg, int id, const QString &typed);

    QTemporaryDir m_templateDir;
    QString m_template;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TDM> m_dm;
    QString m_file;
};

void TestLogin::initTestCase()
{
    // Made once and copied for every test: keying and hashing take their time.
    QVERIFY(m_templateDir.isValid());
    m_template = m_templateDir.filePath(QStringLiteral("template.mdb"));
    test::makeBlankFile(m_template);
    Database db;
    db.open(m_template, TDM::Password);
    db.execute(Sql(QStringLiteral("INSERT INTO TbUser (ID, YHXM, YHMM, SSFD) VALUES (2, 'clerk', ?, '东区')"),
                   {QStringLiteral("Pass\"1")}));
    db.execute(Sql(QStringLiteral("INSERT INTO TbUser (ID, YHXM, YHMM, SSFD) VALUES (3, 'boss', ?, NULL)"),
                   {PasswordHash::hash(QStringLiteral("Boss'Pw"))}));
    db.close();
}

void TestLogin::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("BRELVANTO_SETTINGS", m_dir->filePath(QStringLiteral("settings.ini")).toLocal8Bit());
    m_dm = std::make_unique<TDM>();
    m_file = makeFile(QStringLiteral("work.mdb"));
    m_dm->DbBase->open(m_file, TDM::Password);
}

void TestLogin::cleanup()
{
    m_dm.reset();
    ClearGlobals();
    qunsetenv("BRELVANTO_SETTINGS");
    m_dir.reset();
}

// A blank file with two more users: 2 "clerk" of branch 东区 with the plain
// password Pass"1, and 3 "boss" with a hashed password.
QString TestLogin::makeFile(const QString &name)
{
    const QString path = m_dir->filePath(name);
    if (!QFile::copy(m_template, path))
        qFatal("cannot copy the test file");
    return path;
}

QString TestLogin::stored(int id) const
{
    return m_dm->GetValue(Sql(QStringLiteral("SELECT YHMM FROM TbUser WHERE Id=?"), {id}), QStringLiteral("YHMM"));
}

void TestLogin::tryLogin(TLoginDlg &dlg, int id, const QString &typed)
{
    dlg.edCode->setCurrentIndex(dlg.edCode->findData(id));
    dlg.edPassword->setText(typed);
    dlg.btnOk->click();
}

void TestLogin::login_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("ok");
    QTest::newRow("admin, empty password") << 1 << "" << true;
    QTest::newRow("admin, wrong") << 1 << "x" << false;
    QTest::newRow("plain, exact") << 2 << "Pass\"1" << true;
    QTest::newRow("plain, other case") << 2 << "pASS\"1" << true;
    QTest::newRow("plain, wrong") << 2 << "Pass1" << false;
    QTest::newRow("plain, empty") << 2 << "" << false;
    QTest::newRow("hashed, other case") << 3 << "BOSS'pw" << true;
    QTest::newRow("hashed, wrong") << 3 << "Boss" << false;
}

void TestLogin::login()
{
    QFETCH(int, id);
    QFETCH(QString, typed);
    QFETCH(bool, ok);
    test::MessageRecorder recorder;
    TLoginDlg dlg(true);
    dlg.show();
    tryLogin(dlg, id, typed);
    QCOMPARE(dlg.result(), ok ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(recorder.texts(), ok ? QStringList() : QStringList{Wrong});
    if (ok) {
        QCOMPARE(CurrentUser.Id, id);
        QCOMPARE(CurrentUser.YHXM, dlg.edCode->currentText());
        QCOMPARE(CurrentUser.YHMM, typed);
        QCOMPARE(CurrentUser.SSFD, id == 2 ? QStringLiteral("东区") : QString());
    } else {
        QCOMPARE(recorder.messages.first().icon, Messages::Icon::Warning);
        QCOMPARE(dlg.failures(), 1);
        QVERIFY(dlg.isVisible());
        QCOMPARE(CurrentUser.Id, 0);
    }
}

void TestLogin::enterInEitherBoxLogsInOnce()
{
    test::MessageRecorder recorder;
    {
        TLoginDlg dlg(true);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        dlg.edCode->setCurrentIndex(dlg.edCode->findData(2));
        dlg.edPassword->setFocus();
        QTest::keyClicks(dlg.edPassword, QStringLiteral("nope"));
        QTest::keyClick(dlg.edPassword, Qt::Key_Return);
        QCOMPARE(recorder.texts(), QStringList{Wrong});
        QCOMPARE(dlg.failures(), 1);
        QCOMPARE(QApplication::focusWidget(), dlg.edPassword);
        QCOMPARE(dlg.edPassword->selectedText(), QStringLiteral("nope"));

        dlg.edPassword->setText(QStringLiteral("PASS\"1"));
        dlg.edCode->setFocus();
        QTest::keyClick(dlg.edCode, Qt::Key_Return);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(CurrentUser.Id, 2);
    }
}

void TestLogin::threeFailuresCancel()
{
    test::MessageRecorder recorder;
    TLoginDlg dlg(true);
    dlg.show();
    tryLogin(dlg, 2, QStringLiteral("a"));
    tryLogin(dlg, 2, QStringLiteral("b"));
    QVERIFY(dlg.isVisible());
    tryLogin(dlg, 2, QStringLiteral("c"));
    QCOMPARE(recorder.texts(), (QStringList{Wrong, Wrong, Wrong, ThreeTimes}));
    QCOMPARE(recorder.messages.last().icon, Messages::Icon::Error);
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QVERIFY(!dlg.isVisible());
    QCOMPARE(CurrentUser.Id, 0);
    // The stored password is left as it was.
    QCOMPARE(stored(2), QStringLiteral("Pass\"1"));
}

void TestLogin::failedLoginKeepsTheUser()
{
    CurrentUser.Id = 3;
    CurrentUser.YHXM = QStringLiteral("boss");
    CurrentUser.SSFD = QStringLiteral("西区");
    test::MessageRecorder recorder;
    TLoginDlg dlg(true);
    dlg.show();
    for (int i = 0; i < 3; ++i)
        tryLogin(dlg, 2, QStringLiteral("bad"));
    QCOMPARE(CurrentUser.Id, 3);
    QCOMPARE(CurrentUser.YHXM, QStringLiteral("boss"));
    QCOMPARE(CurrentUser.SSFD, QStringLiteral("西区"));
}

void TestLogin::cancel()
{
    test::MessageRecorder recorder;
    TLoginDlg dlg(true);
    dlg.show();
    dlg.edPassword->setText(QString());
    dlg.btnCancle->click();
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(recorder.messages.size(), 0);
    QCOMPARE(CurrentUser.Id, 0);
}

void TestLogin::showLoginModal()
{
    test::MessageRecorder recorder;
    whenLoginShows([](TLoginDlg *dlg) { dlg->btnOk->click(); }); // admin, empty password
    QCOMPARE(ShowLogin(true), true);
    QCOMPARE(CurrentUser.Id, 1);
    QCOMPARE(CurrentUser.YHXM, QStringLiteral("admin"));

    whenLoginShows([](TLoginDlg *dlg) { dlg->reject(); }); // closing from the title bar
    QCOMPARE(ShowLogin(true), false);
    QCOMPARE(CurrentUser.Id, 1);
}

void TestLogin::userListAndSelection()
{
    {
        TLoginDlg dlg(true);
        QCOMPARE(dlg.edCode->count(), 3);
        QCOMPARE(dlg.edCode->itemText(0), QStringLiteral("admin"));
        QCOMPARE(dlg.edCode->itemText(1), QStringLiteral("clerk"));
        QCOMPARE(dlg.edCode->itemText(2), QStringLiteral("boss"));
        QCOMPARE(dlg.edCode->currentIndex(), 0); // nobody logged in yet
        QVERIFY(dlg.edCode->isEnabled());
        QVERIFY(!dlg.edCode->isEditable());
        QCOMPARE(dlg.edPassword->echoMode(), QLineEdit::Password);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("系统登录"));
        QCOMPARE(dlg.btnOk->text(), QStringLiteral("登录"));
        QCOMPARE(dlg.btnCancle->text(), QStringLiteral("取消"));
    }
    CurrentUser.Id = 3;
    TLoginDlg dlg(true);
    QCOMPARE(dlg.edCode->currentText(), QStringLiteral("boss"));
}

void TestLogin::unlockOffersOnlyTheCurrentUser()
{
    CurrentUser.Id = 2;
    test::MessageRecorder recorder;
    TLoginDlg dlg(false);
    dlg.show();
    QCOMPARE(dlg.edCode->currentText(), QStringLiteral("clerk"));
    QVERIFY(!dlg.edCode->isEnabled());
    dlg.edPassword->setText(QStringLiteral("pass\"1"));
    dlg.btnOk->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(CurrentUser.Id, 2);
}

void TestLogin::firstLoginTipAndFlag()
{
    const QString ini = qEnvironmentVariable("BRELVANTO_SETTINGS");
    const QString key = QStringLiteral("Software/Quorvane/Brelvanto/Beginer");
    {
        TLoginDlg dlg(true);
        dlg.show();
        QVERIFY(dlg.lbTip->isVisible());
        QCOMPARE(dlg.lbTip->text(), QStringLiteral("首次登录管理员密码为空"));
        QCOMPARE(QSettings(ini, QSettings::IniFormat).value(key).toInt(), 1);
        // Showing the same dialog again does not change what it decided.
        dlg.hide();
        dlg.show();
        QVERIFY(dlg.lbTip->isVisible());
    }
    TLoginDlg dlg(true);
    dlg.show();
    QVERIFY(!dlg.lbTip->isVisible());

    QSettings(ini, QSettings::IniFormat).setValue(key, QStringLiteral("junk"));
    TLoginDlg again(true);
    again.show();
    QVERIFY(again.lbTip->isVisible());
    QCOMPARE(QSettings(ini, QSettings::IniFormat).value(key).toInt(), 1);
}

void TestLogin::plainPasswordReplacedByHash()
{
    test::MessageRecorder recorder;
    QVERIFY(!PasswordHash::isHashed(stored(1)));
    QVERIFY(CheckUserPassword(1, QString()));
    QVERIFY(PasswordHash::isHashed(stored(1)));
    QVERIFY(PasswordHash::verify(QString(), stored(1)));

    QVERIFY(!CheckUserPassword(2, QStringLiteral("bad")));
    QCOMPARE(stored(2), QStringLiteral("Pass\"1"));
    QVERIFY(CheckUserPassword(2, QStringLiteral("PASS\"1")));
    const QString hashed = stored(2);
    QVERIFY(PasswordHash::isHashed(hashed));
    QVERIFY(!hashed.contains(QStringLiteral("ass")));
    // Logging in again keeps the hash and still ignores the case.
    QVERIFY(CheckUserPassword(2, QStringLiteral("pass\"1")));
    QCOMPARE(stored(2), hashed);
}

void TestLogin::plainPasswordKeptWhenTheFileRefusesWrites()
{
    m_dm->ExecSql(Sql("CREATE TRIGGER refuse BEFORE UPDATE ON TbUser BEGIN SELECT RAISE(ABORT, 'read only'); END"));
    test::MessageRecorder recorder;
    TLoginDlg dlg(true);
    dlg.show();
    tryLogin(dlg, 2, QStringLiteral("pass\"1"));
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(stored(2), QStringLiteral("Pass\"1"));
    QCOMPARE(recorder.messages.size(), 0);
}

void TestLogin::missingUserIsRefused()
{
    m_dm->ExecSql(Sql("DELETE FROM TbUser"));
    test::MessageRecorder recorder;
    QVERIFY(!CheckUserPassword(1, QString()));
    TLoginDlg dlg(true);
    dlg.show();
    QCOMPARE(dlg.edCode->count(), 0);
    dlg.btnOk->click();
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QCOMPARE(recorder.texts(), QStringList{Wrong});
    QCOMPARE(CurrentUser.Id, 0);
}

void TestLogin::openWorkingFileCancelled_data()
{
    QTest::addColumn<bool>("noPrevious");
    QTest::newRow("previous file taken back") << false;
    QTest::newRow("no previous file") << true;
}

void TestLogin::openWorkingFileCancelled()
{
    QFETCH(bool, noPrevious);
    test::MessageRecorder recorder;
    QStringList steps;
    InstallLoginHooks(*m_dm, [] { return ShowLogin(true); },
                      {[&] { steps << "purge"; }, [&] { steps << "apply"; }, [&] { steps << "caption"; }});

    // The first file: the administrator logs in.
    m_dm->DbBase->close();
    whenLoginShows([](TLoginDlg *dlg) { dlg->btnOk->click(); });
    QVERIFY(m_dm->OpenWorkingFile(m_file, true));
    QCOMPARE(WorkingFile, m_file);
    QCOMPARE(SysOptions.XSLJ, true);
    QCOMPARE(CurrentUser.Res[2].LLQX, true);
    QCOMPARE(steps, (QStringList{"purge", "apply", "caption"}));
    steps.clear();

    // A second file with other options and other rights for the administrator.
    const QString other = makeFile(QStringLiteral("other.mdb"));
    {
        Database db;
        db.open(other, TDM::Password);
        db.execute(Sql("UPDATE TbSetings SET XSLJ=0"));
        db.execute(Sql("UPDATE TbRes SET LLQX=0 WHERE YHID=1"));
    }
    // Cancel the login to the second file.
    whenLoginShows([](TLoginDlg *dlg) { dlg->btnCancle->click(); });
    QCOMPARE(m_dm->OpenWorkingFile(other, noPrevious), false);
    QCOMPARE(WorkingFile, m_file);
    QCOMPARE(m_dm->DbBase->path(), noPrevious ? other : m_file);
    // Taken back, the first file's rights are loaded again; left on the new
    // file nobody has logged in to, no rights are held at all.
    QCOMPARE(SysOptions.XSLJ, true);
    QCOMPARE(CurrentUser.Res[2].LLQX, !noPrevious);
    QCOMPARE(CurrentUser.Res[1].SCQX, !noPrevious);
    QCOMPARE(CurrentUser.Id, 1);
    QCOMPARE(steps, noPrevious ? QStringList() : (QStringList{"apply", "caption"}));
    const QString connectedXslj = m_dm->GetValue(Sql("SELECT XSLJ FROM TbSetings"), "XSLJ");
    QCOMPARE(connectedXslj, QString::fromLatin1(noPrevious ? "0" : "1"));
}

void TestLogin::openWorkingFileLoggedIn()
{
    test::MessageRecorder recorder;
    InstallLoginHooks(*m_dm, [] { return ShowLogin(true); });
    const QString other = makeFile(QStringLiteral("other.mdb"));
    {
        Database db;
        db.open(other, TDM::Password);
        db.execute(Sql("UPDATE TbSetings SET ZDSJH=0, CZRZ=1"));
        db.execute(Sql("INSERT INTO TbRes (ZYMC,LLQX,XZQX,XGQX,SCQX,DYQX,DHQX,GLQX,Sort,YHID) VALUES "
                       "('房屋出租',1,0,0,0,0,0,0,1,2), ('房屋出售',0,1,0,0,0,0,0,2,2), ('求租求购',0,0,1,0,0,0,0,3,2)"));
    }
    whenLoginShows([](TLoginDlg *dlg) {
        dlg->edCode->setCurrentIndex(dlg->edCode->findData(2));
        dlg->edPassword->setText(QStringLiteral("pass\"1"));
        dlg->btnOk->click();
    });
    QVERIFY(m_dm->OpenWorkingFile(other, true));
    QCOMPARE(WorkingFile, other);
    QCOMPARE(CurrentUser.YHXM, QStringLiteral("clerk"));
    QCOMPARE(SysOptions.ZDSJH, false);
    QCOMPARE(SysOptions.CZRZ, true);
    QCOMPARE(CurrentUser.Res[1].LLQX, true);
    QCOMPARE(CurrentUser.Res[2].LLQX, false);
    QCOMPARE(CurrentUser.Res[2].XZQX, true);
    QCOMPARE(CurrentUser.Res[3].XGQX, true);
}

void TestLogin::clerkAfterTheAdministratorHasOnlyOwnRights_data()
{
    QTest::addColumn<bool>("otherFile");
    QTest::newRow("switching the working file") << true;
    QTest::newRow("logging in again") << false;
}

void TestLogin::clerkAfterTheAdministratorHasOnlyOwnRights()
{
    QFETCH(bool, otherFile);
    test::MessageRecorder recorder;
    int applied = 0;
    AfterLoginSteps steps;
    steps.applyRights = [&] { ++applied; };
    InstallLoginHooks(*m_dm, [] { return ShowLogin(true); }, steps);
    m_dm->DbBase->close();
    whenLoginShows([](TLoginDlg *dlg) { dlg->btnOk->click(); }); // admin, empty password
    QVERIFY(m_dm->OpenWorkingFile(m_file, true));
    QVERIFY(CurrentUser.Res[1].SCQX && CurrentUser.Res[2].GLQX && CurrentUser.Res[3].XGQX);

    // The clerk has a row for the rental group only, granting browsing.
    const QString clerkFile = otherFile ? makeFile(QStringLiteral("other.mdb")) : m_file;
    {
        Database db;
        db.open(clerkFile, TDM::Password);
        db.execute(Sql("INSERT INTO TbRes (ZYMC,LLQX,XZQX,XGQX,SCQX,DYQX,DHQX,GLQX,Sort,YHID) "
                       "VALUES ('房屋出租',1,0,0,0,0,0,0,1,2)"));
    }
    whenLoginShows([](TLoginDlg *dlg) {
        dlg->edCode->setCurrentIndex(dlg->edCode->findData(2));
        dlg->edPassword->setText(QStringLiteral("pass\"1"));
        dlg->btnOk->click();
    });
    applied = 0;
    if (otherFile) {
        QVERIFY(m_dm->OpenWorkingFile(clerkFile, false));
    } else {
        QVERIFY(ShowLogin(true));
        RunAfterRelogin(steps);
    }
    QCOMPARE(applied, 1);
    QCOMPARE(CurrentUser.Id, 2);
    QCOMPARE(CurrentUser.Res[1].LLQX, true);
    QCOMPARE(CurrentUser.Res[1].SCQX, false);
    for (int g : {2, 3}) {
        const ResRecord &res = CurrentUser.Res[size_t(g)];
        QVERIFY2(!res.LLQX && !res.XZQX && !res.XGQX && !res.SCQX && !res.DYQX && !res.DHQX && !res.GLQX,
                 qPrintable(QString::number(g)));
    }
    QCOMPARE(CanDeleteRecord(2, QStringLiteral("东区"), QStringLiteral("clerk")), false);
    QCOMPARE(CanAddRecord(3), false);
}

void TestLogin::opensReadyForThePassword_data()
{
    QTest::addColumn<bool>("allowChooseUser");
    QTest::newRow("login") << true;
    QTest::newRow("unlock") << false;
}

void TestLogin::opensReadyForThePassword()
{
    QFETCH(bool, allowChooseUser);
    CurrentUser.Id = 2;
    TLoginDlg dlg(allowChooseUser);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QCOMPARE(QApplication::focusWidget(), dlg.edPassword);
    QCOMPARE(dlg.edCode->currentText(), QStringLiteral("clerk"));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("系统登录"));
    QTest::keyClicks(dlg.edPassword, QStringLiteral("PASS\"1"));
    QTest::keyClick(dlg.edPassword, Qt::Key_Return);
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
}

void TestLogin::internalOperationsInsideALoopOverQ1()
{
    m_dm->ExecSql(Sql("INSERT INTO TbRental (ID, SJH) VALUES (1, 'A0001')"));
    // Walk the users on Q1 and run, for each, everything the program does
    // internally: none of it may move or close Q1 under the loop.
    QStringList seen;
    m_dm->OpenSql(Sql("SELECT * FROM TbUser ORDER BY ID"));
    for (m_dm->Q1->first(); !m_dm->Q1->eof(); m_dm->Q1->next()) {
        const int id = m_dm->Q1->asInt(QStringLiteral("ID"));
        LoadRights(id);
        LoadSysOptions();
        QCOMPARE(LoginUsers().size(), 3);
        QVERIFY(m_dm->HasRows(Sql(QStringLiteral("SELECT 1 FROM TbUser WHERE ID=?"), {id})));
        QCOMPARE(m_dm->GetValue(Sql(QStringLiteral("SELECT YHXM FROM TbUser WHERE ID=?"), {id}), QStringLiteral("YHXM")),
                 m_dm->Q1->asText(QStringLiteral("YHXM")));
        QCOMPARE(ReceiptNoExists(0, QStringLiteral("a0002"), QStringLiteral("TbRental")), false);
        QVERIFY(m_dm->Q1->isActive());
        seen << m_dm->Q1->asText(QStringLiteral("YHXM"));
    }
    QCOMPARE(seen, (QStringList{QStringLiteral("admin"), QStringLiteral("clerk"), QStringLiteral("boss")}));
}

void TestLogin::malformedHashIsRefused()
{
    // A forged iteration count: once read as plain text, whoever typed the
    // stored value got in.
    QStringList parts = PasswordHash::hash(QStringLiteral("x")).split(QLatin1Char('$'));
    parts[1] = QStringLiteral("2000000000");
    const QString stored = parts.join(QLatin1Char('$'));
    m_dm->ExecSql(Sql(QStringLiteral("UPDATE TbUser SET YHMM=? WHERE ID=2"), {stored}));
    test::MessageRecorder recorder;
    QCOMPARE(CheckUserPassword(2, stored), false);
    QCOMPARE(CheckUserPassword(2, QStringLiteral("x")), false);
    QCOMPARE(this->stored(2), stored);
}

QTEST_MAIN(TestLogin)
#include "TestLogin.moc"
