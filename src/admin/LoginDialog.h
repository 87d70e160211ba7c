#pragma once

#include "shell/EnterForm.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace brel {

/// The login dialog "系统登录": choose a user, type the password; three
/// wrong passwords in one showing end it as cancelled.
class TLoginDlg : public TEnterFm {
    Q_OBJECT
public:
    /// Fills the user list from TbUser and selects CurrentUser's entry (the
    /// first one when none matches). The list can be changed only when
    /// allowChooseUser is true.
    explicit TLoginDlg(bool allowChooseUser, QWidget *parent = nullptr);

    QComboBox *edCode = nullptr;
    QLineEdit *edPassword = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancle = nullptr;
    QLabel *lbTip = nullptr;

    /// Failed attempts in this showing.
    int failures() const { return m_failures; }

public slots:
    /// Checks the typed password of the chosen user; closes with OK on
    /// success, counts a failure otherwise.
    void login();

protected:
    void showEvent(QShowEvent *event) override;
    void enterPressed(QWidget *control) override;

private:
    int m_failures = 0;
    bool m_tipDecided = false;
};

/// Shows the login dialog modally; true when a user logged in (CurrentUser
/// then holds Id, YHXM, YHMM and SSFD; rights are the caller's to load).
bool ShowLogin(bool AllowChooseUser, QWidget *parent = nullptr);

} // namespace brel
