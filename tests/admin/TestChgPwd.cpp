#include "admin/ChgPwdForm.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/PasswordHash.h"
#include "support/MessageRecorder.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace brel;

namespace {
const QString Changed = QStringLiteral("登录密码修改成功！新密码在下次启动软件时生效。");
const QString WrongOld = QStringLiteral("原密码错误，请重新输入");
const QString Mismatch = QStringLiteral("新密码与新密码校验输入不相同，请重新输入");
} // namespace

class TestChgPwd : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void change_data();
    void change();
    void startsInTheOldPasswordBox();
    void boxesNamedByTheirLabels();
    void newPasswordAtMostTenCharacters();
    void changedPasswordWorksAtNextLogin();

private:
    QString stored() const;
    void fill(const QString &oldPwd, const QString &newPwd, const QString &ckPwd);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<QWidget> m_host;
    TChgPwdFm *m_form = nullptr;
};

void TestChgPwd::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString path = m_dir->filePath(QStringLiteral("work.mdb"));
    test::makeBlankFile(path);
    m_dm = std::make_unique<TDM>();
    m_dm->DbBase->open(path, TDM::Password);
    // The user's password is still plain text, as in a file made elsewhere.
    m_dm->ExecSql(Sql(QStringLiteral("INSERT INTO TbUser (ID, YHXM, YHMM) VALUES (2, 'clerk', 'Old\"Pw')")));
    CurrentUser.Id = 2;
    CurrentUser.YHXM = QStringLiteral("clerk");
    CurrentUser.YHMM = QStringLiteral("Old\"Pw");
    m_host = std::make_unique<QWidget>();
    m_host->resize(900, 600);
    m_form = new TChgPwdFm(m_host.get());
    m_host->show();
    QVERIFY(QTest::qWaitForWindowActive(m_host.get()));
}

void TestChgPwd::cleanup()
{
    m_host.reset();
    m_dm.reset();
    ClearGlobals();
    m_dir.reset();
}

QString TestChgPwd::stored() const
{
    return m_dm->GetValue(Sql("SELECT YHMM FROM TbUser WHERE Id=2"), QStringLiteral("YHMM"));
}

void TestChgPwd::fill(const QString &oldPwd, const QString &newPwd, const QString &ckPwd)
{
    m_form->edOldPwd->setText(oldPwd);
    m_form->edNewPwd->setText(newPwd);
    m_form->edCkPwd->setText(ckPwd);
}

void TestChgPwd::change_data()
{
    QTest::addColumn<QString>("oldPwd");
    QTest::addColumn<QString>("newPwd");
    QTest::addColumn<QString>("ckPwd");
    QTest::addColumn<QString>("message");
    QTest::newRow("changed") << "Old\"Pw" << "new\"1" << "new\"1" << Changed;
    QTest::newRow("old in other case") << "OLD\"pW" << "x" << "x" << Changed;
    QTest::newRow("new and check differ in case only") << "Old\"Pw" << "AbC" << "aBc" << Changed;
    QTest::newRow("empty new password") << "Old\"Pw" << "" << "" << Changed;
    QTest::newRow("wrong old") << "Old" << "x" << "x" << WrongOld;
    QTest::newRow("wrong old and mismatch") << "" << "x" << "y" << WrongOld;
    QTest::newRow("mismatch") << "Old\"Pw" << "abc" << "abd" << Mismatch;
}

void TestChgPwd::change()
{
    QFETCH(QString, oldPwd);
    QFETCH(QString, newPwd);
    QFETCH(QString, ckPwd);
    QFETCH(QString, message);
    test::MessageRecorder recorder;
    const QString before = stored();
    fill(oldPwd, newPwd, ckPwd);
    m_form->edCkPwd->setFocus();
    m_form->btnOk->click();

    QCOMPARE(recorder.texts(), QStringList{message});
    QCOMPARE(recorder.messages.first().icon,
             message == Changed ? Messages::Icon::Information : Messages::Icon::Warning);
    // The boxes keep what was typed, and the password in memory stays.
    QCOMPARE(m_form->edOldPwd->text(), oldPwd);
    QCOMPARE(m_form->edNewPwd->text(), newPwd);
    QCOMPARE(m_form->edCkPwd->text(), ckPwd);
    QCOMPARE(CurrentUser.YHMM, QStringLiteral("Old\"Pw"));
    if (message == Changed) {
        QVERIFY(PasswordHash::isHashed(stored()));
        QVERIFY(PasswordHash::verify(ckPwd, stored()));
        QVERIFY(!PasswordHash::verify(QStringLiteral("Old\"Pw"), stored()));
    } else {
        QCOMPARE(stored(), before);
        QCOMPARE(QApplication::focusWidget(), message == WrongOld ? m_form->edOldPwd : m_form->edNewPwd);
    }
}

void TestChgPwd::startsInTheOldPasswordBox()
{
    QCOMPARE(QApplication::focusWidget(), m_form->edOldPwd);
    QCOMPARE(m_form->windowTitle(), QStringLiteral("密码修改"));
    QCOMPARE(m_form->btnOk->text(), QStringLiteral("确定"));
    for (QLineEdit *box : {m_form->edOldPwd, m_form->edNewPwd, m_form->edCkPwd})
        QCOMPARE(box->echoMode(), QLineEdit::Password);
    QVERIFY(m_form->pnDesktop->isAncestorOf(m_form->btnOk));
    // Enter moves through the boxes as in every window.
    QTest::keyClick(m_form->edOldPwd, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), m_form->edNewPwd);
}

void TestChgPwd::newPasswordAtMostTenCharacters()
{
    test::MessageRecorder recorder;
    m_form->edOldPwd->setFocus();
    QTest::keyClicks(m_form->edOldPwd, QStringLiteral("Old\"Pw"));
    m_form->edNewPwd->setFocus();
    QTest::keyClicks(m_form->edNewPwd, QStringLiteral("abcdefghijkl"));
    m_form->edCkPwd->setFocus();
    QTest::keyClicks(m_form->edCkPwd, QStringLiteral("abcdefghijkl"));
    QCOMPARE(m_form->edNewPwd->text(), QStringLiteral("abcdefghij"));
    QCOMPARE(m_form->edCkPwd->text(), QStringLiteral("abcdefghij"));
    m_form->btnOk->click();
    QCOMPARE(recorder.texts(), QStringList{Changed});
    QVERIFY(PasswordHash::verify(QStringLiteral("abcdefghij"), stored()));
}

void TestChgPwd::changedPasswordWorksAtNextLogin()
{
    test::MessageRecorder recorder;
    fill(QStringLiteral("old\"pw"), QStringLiteral("N\"ew"), QStringLiteral("n\"EW"));
    m_form->btnOk->click();
    // A second change must check against the new password.
    fill(QStringLiteral("old\"pw"), QStringLiteral("z"), QStringLiteral("z"));
    m_form->btnOk->click();
    fill(QStringLiteral("N\"EW"), QStringLiteral("z"), QStringLiteral("z"));
    m_form->btnOk->click();
    QCOMPARE(recorder.texts(), (QStringList{Changed, WrongOld, Changed}));
    QVERIFY(PasswordHash::verify(QStringLiteral("Z"), stored()));
}


void TestChgPwd::boxesNamedByTheirLabels()
{
    QHash<QString, QString> labelOf;
    for (QLabel *l : m_form->findChildren<QLabel *>())
        if (l->buddy())
            labelOf.insert(l->buddy()->objectName(), l->text());
    QCOMPARE(labelOf.value(QStringLiteral("edOldPwd")), QStringLiteral("原密码："));
    QCOMPARE(labelOf.value(QStringLiteral("edNewPwd")), QStringLiteral("新密码："));
    QCOMPARE(labelOf.value(QStringLiteral("edCkPwd")), QStringLiteral("新密码校验："));
}

QTEST_MAIN(TestChgPwd)
#include "TestChgPwd.moc"
