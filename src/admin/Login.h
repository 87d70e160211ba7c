#pragma once

#include "datastore/OperationLog.h"

#include <QList>
#include <QString>
#include <functional>

namespace brel {

class TDM;

/// One entry of the login dialog's user list.
struct LoginUser {
    int id = 0;
    QString name; ///< YHXM
};

/// Every user of the working file, by Id (the administrator first). Runs a
/// statement of its own: Q1 and Q2 stay as they are.
QList<LoginUser> LoginUsers();

/// True when typed is the password of user id (compared without regard to
/// the case of A to Z). A password still stored in plain text is replaced by
/// its hash on success. Engine errors pass on.
bool CheckUserPassword(int id, const QString &typed);

/// Makes user id the logged-in user: CurrentUser.Id, YHXM (name), YHMM
/// (typed) and SSFD (read from TbUser). Rights are loaded separately.
void SetCurrentUser(int id, const QString &name, const QString &typed);

/// Outcome of a password change by the logged-in user.
enum class PasswordChange { Changed, WrongOld, Mismatch };

/// Changes CurrentUser's stored password to checkPwd when oldPwd matches the
/// stored one and newPwd equals checkPwd apart from the case of A to Z.
/// CurrentUser.YHMM stays as it is. Engine errors pass on.
PasswordChange ChangeOwnPassword(const QString &oldPwd, const QString &newPwd, const QString &checkPwd);

/// Longest password the password window accepts.
inline constexpr int MaxPasswordLength = 10;

/// The steps after a login that other modules provide; empty ones are skipped.
struct AfterLoginSteps {
    std::function<void()> purgeLog = [] { PurgeLog(); }; ///< drop old log days (operation log)
    std::function<void()> applyRights;   ///< gate the main window's commands
    std::function<void()> updateCaption; ///< main window caption
};

/// Runs after a successful login to the new working file: purge the log, load the options and the rights,
/// apply them and update the caption.
void RunAfterLogin(const AfterLoginSteps &steps);
/// Runs after the previous file was taken back: options, rights, apply, caption.
void RunRestorePrevious(const AfterLoginSteps &steps);
/// Runs after a successful login on the working file (系统登录, or the
/// password that ends 暂时离开): the rights of whoever logged in, loaded
/// afresh from none, then applied. After a cancelled login nothing is run
/// and the previous user keeps what was loaded.
void RunAfterRelogin(const AfterLoginSteps &steps);

/// Fills dm.hooks.login with showLogin and dm.hooks.afterLogin and
/// dm.hooks.restorePrevious with the steps above.
void InstallLoginHooks(TDM &dm, std::function<bool()> showLogin, AfterLoginSteps steps = {});

} // namespace brel
