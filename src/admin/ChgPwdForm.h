#pragma once

#include "shell/DesktopChildForm.h"

class QLineEdit;
class QPushButton;

namespace brel {

/// "密码修改": the logged-in user changes their own password.
class TChgPwdFm : public TDesktopChildFm {
    Q_OBJECT
public:
    explicit TChgPwdFm(QWidget *parent = nullptr);

    QLineEdit *edOldPwd = nullptr;
    QLineEdit *edNewPwd = nullptr;
    QLineEdit *edCkPwd = nullptr;
    QPushButton *btnOk = nullptr;

public slots:
    /// Checks the old password and the repetition, then stores the new one.
    void changePassword();
};

} // namespace brel
