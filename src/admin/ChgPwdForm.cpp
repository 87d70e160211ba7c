#include "admin/ChgPwdForm.h"

#include "admin/Login.h"
#include "base/Messages.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace brel {

namespace {

QLineEdit *passwordBox(const QString &name, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    return box;
}

} // namespace

TChgPwdFm::TChgPwdFm(QWidget *parent)
    : TDesktopChildFm(parent)
{
    setObjectName(QStringLiteral("ChgPwdFm"));
    setWindowTitle(tr("密码修改"));
    setDesktopSize(520, 220);

    edOldPwd = passwordBox(QStringLiteral("edOldPwd"), pnDesktop);
    edNewPwd = passwordBox(QStringLiteral("edNewPwd"), pnDesktop);
    edCkPwd = passwordBox(QStringLiteral("edCkPwd"), pnDesktop);
    edNewPwd->setMaxLength(MaxPasswordLength);
    edCkPwd->setMaxLength(MaxPasswordLength);
    btnOk = new QPushButton(tr("确定"), pnDesktop);
    btnOk->setObjectName(QStringLiteral("btnOk"));

    auto *grid = new QGridLayout(pnDesktop);
    // Each box is named by its label for screen readers.
    auto label = [this](const QString &text, QWidget *box) {
        auto *l = new QLabel(text, pnDesktop);
        l->setBuddy(box);
        return l;
    };
    grid->addWidget(label(tr("原密码："), edOldPwd), 0, 0, Qt::AlignRight);
    grid->addWidget(edOldPwd, 0, 1);
    grid->addWidget(label(tr("新密码："), edNewPwd), 1, 0, Qt::AlignRight);
    grid->addWidget(edNewPwd, 1, 1);
    grid->addWidget(new QLabel(tr("（不能超过10个字符或者数字）"), pnDesktop), 1, 2);
    grid->addWidget(label(tr("新密码校验："), edCkPwd), 2, 0, Qt::AlignRight);
    grid->addWidget(edCkPwd, 2, 1);
    grid->addWidget(new QLabel(tr("（必须与新密码相同）"), pnDesktop), 2, 2);
    grid->addWidget(btnOk, 3, 1, Qt::AlignRight);

    setTabOrder(edOldPwd, edNewPwd);
    setTabOrder(edNewPwd, edCkPwd);
    setTabOrder(edCkPwd, btnOk);
    setFirstControl(edOldPwd);
    connect(btnOk, &QPushButton::clicked, this, &TChgPwdFm::changePassword);
}

void TChgPwdFm::changePassword()
{
    switch (ChangeOwnPassword(edOldPwd->text(), edNewPwd->text(), edCkPwd->text())) {
    case PasswordChange::WrongOld:
        Messages::warning(tr("原密码错误，请重新输入"));
        edOldPwd->setFocus(Qt::OtherFocusReason);
        break;
    case PasswordChange::Mismatch:
        Messages::warning(tr("新密码与新密码校验输入不相同，请重新输入"));
        edNewPwd->setFocus(Qt::OtherFocusReason);
        break;
    case PasswordChange::Changed:
        Messages::information(tr("登录密码修改成功！新密码在下次启动软件时生效。"));
        break;
    }
}

} // namespace brel
