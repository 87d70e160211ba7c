#include "admin/LoginDialog.h"

#include "admin/Login.h"
#include "datastore/Globalvar.h"
#include "base/Messages.h"
#include "shell/SettingObjects.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

namespace brel {

TLoginDlg::TLoginDlg(bool allowChooseUser, QWidget *parent)
    : TEnterFm(parent)
{
    setObjectName(QStringLiteral("LoginDlg"));
    setWindowTitle(tr("系统登录"));

    edCode = new QComboBox(this);
    edCode->setObjectName(QStringLiteral("edCode"));
    edCode->setEditable(false);
    edPassword = new QLineEdit(this);
    edPassword->setObjectName(QStringLiteral("edPassword"));
    edPassword->setEchoMode(QLineEdit::Password);
    edPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    lbTip = new QLabel(tr("首次登录管理员密码为空"), this);
    lbTip->setObjectName(QStringLiteral("lbTip"));
    btnOk = new QPushButton(tr("登录"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancle = new QPushButton(tr("取消"), this);
    btnCancle->setObjectName(QStringLiteral("btnCancle"));
    // Enter is handled in enterPressed; a default button would log in twice.
    btnOk->setAutoDefault(false);
    btnCancle->setAutoDefault(false);

    auto *form = new QFormLayout;
    form->addRow(tr("登录用户"), edCode);
    form->addRow(tr("登录密码"), edPassword);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancle);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lbTip);
    layout->addLayout(buttons);
    setFixedSize(320, 170);

    for (const LoginUser &user : LoginUsers())
        edCode->addItem(user.name, user.id);
    const int current = edCode->findData(CurrentUser.Id);
    edCode->setCurrentIndex(current >= 0 ? current : (edCode->count() > 0 ? 0 : -1));
    edCode->setEnabled(allowChooseUser);

    connect(btnOk, &QPushButton::clicked, this, &TLoginDlg::login);
    connect(btnCancle, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(edCode, edPassword);
    setTabOrder(edPassword, btnOk);
    setTabOrder(btnOk, btnCancle);
}

void TLoginDlg::showEvent(QShowEvent *event)
{
    TEnterFm::showEvent(event);
    if (!m_tipDecided) {
        m_tipDecided = true;
        // Without the program's settings object (a tool, a test) the same
        // store is used through a passing one.
        std::optional<TSettings> passing;
        TSettings *settings = Settings;
        if (!settings)
            settings = &passing.emplace();
        const bool shownBefore = settings->ReadBeginer() == 1;
        lbTip->setVisible(!shownBefore);
        if (!shownBefore)
            settings->WriteBeginer(1);
    }
    // The user is already chosen (the last one, or the only one offered):
    // a clerk types the password and presses Enter.
    edPassword->setFocus(Qt::OtherFocusReason);
}

void TLoginDlg::enterPressed(QWidget *control)
{
    if (control == edCode || control == edPassword)
        login();
}

void TLoginDlg::login()
{
    const int id = edCode->currentIndex() >= 0 ? edCode->currentData().toInt() : 0;
    const QString typed = edPassword->text();
    if (id != 0 && CheckUserPassword(id, typed)) {
        SetCurrentUser(id, edCode->currentText(), typed);
        accept();
        return;
    }
    Messages::warning(tr("密码输入错误！请重新输入。"));
    edPassword->setFocus(Qt::OtherFocusReason);
    edPassword->selectAll();
    if (++m_failures >= 3) {
        Messages::error(tr("三次密码输入错误！您不能使用此软件。"));
        reject();
    }
}

bool ShowLogin(bool AllowChooseUser, QWidget *parent)
{
    TLoginDlg dialog(AllowChooseUser, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace brel
