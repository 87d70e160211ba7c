#include "admin/Login.h"

#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/PasswordHash.h"
#include "datastore/Rights.h"

namespace brel {

namespace {

QString storedPassword(int id)
{
    return DM()->GetValue(Sql(QStringLiteral("SELECT YHMM FROM TbUser WHERE Id=?"), {id}), QStringLiteral("YHMM"));
}

void storePassword(int id, const QString &password)
{
    DM()->DbBase->execute(Sql(QStringLiteral("UPDATE TbUser SET YHMM=? WHERE Id=?"), {PasswordHash::hash(password), id}));
}

} // namespace

QList<LoginUser> LoginUsers()
{
    QList<LoginUser> users;
    // A statement of its own, so Q1 and Q2 of whoever asked stay as they are.
    auto st = DM()->DbBase->prepare(Sql(QStringLiteral("SELECT ID, YHXM FROM TbUser ORDER BY ID")));
    while (st->step())
        users.append({int(st->int64(0)), st->value(1).toString()});
    return users;
}

bool CheckUserPassword(int id, const QString &typed)
{
    // A missing user reads as an empty password; it must not let anyone in.
    if (!DM()->HasRows(Sql(QStringLiteral("SELECT Id FROM TbUser WHERE Id=?"), {id})))
        return false;
    const QString stored = storedPassword(id);
    if (!PasswordHash::verify(typed, stored))
        return false;
    if (!PasswordHash::isHashed(stored)) {
        // Replacing the plain text is worth trying but not worth refusing a
        // login over: a file that cannot be written stays as it was.
        try {
            storePassword(id, typed);
        } catch (const EngineError &) {
        }
    }
    return true;
}

void SetCurrentUser(int id, const QString &name, const QString &typed)
{
    const QString branch =
        DM()->GetValue(Sql(QStringLiteral("SELECT SSFD FROM TbUser WHERE Id=?"), {id}), QStringLiteral("SSFD"));
    CurrentUser.Id = id;
    CurrentUser.YHXM = name;
    CurrentUser.YHMM = typed;
    CurrentUser.SSFD = branch;
}

PasswordChange ChangeOwnPassword(const QString &oldPwd, const QString &newPwd, const QString &checkPwd)
{
    if (!PasswordHash::verify(oldPwd, storedPassword(CurrentUser.Id)))
        return PasswordChange::WrongOld;
    if (PasswordHash::foldCase(newPwd) != PasswordHash::foldCase(checkPwd))
        return PasswordChange::Mismatch;
    storePassword(CurrentUser.Id, checkPwd);
    return PasswordChange::Changed;
}

void RunRestorePrevious(const AfterLoginSteps &steps)
{
    LoadSysOptions();
    LoadRights(CurrentUser.Id);
    if (steps.applyRights)
        steps.applyRights();
    if (steps.updateCaption)
        steps.updateCaption();
}

void RunAfterRelogin(const AfterLoginSteps &steps)
{
    LoadRights(CurrentUser.Id);
    if (steps.applyRights)
        steps.applyRights();
}

void RunAfterLogin(const AfterLoginSteps &steps)
{
    if (steps.purgeLog)
        steps.purgeLog();
    // The rest is what taking back the previous file does too.
    RunRestorePrevious(steps);
}

void InstallLoginHooks(TDM &dm, std::function<bool()> showLogin, AfterLoginSteps steps)
{
    dm.hooks.login = std::move(showLogin);
    dm.hooks.afterLogin = [steps] { RunAfterLogin(steps); };
    dm.hooks.restorePrevious = [steps] { RunRestorePrevious(steps); };
}

} // namespace brel
