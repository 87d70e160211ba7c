#include "datastore/Rights.h"

#include <QObject>
#include <QVariant>

namespace brel {

QStringList RightsGroupNames()
{
    return {QStringLiteral("房屋出租"), QStringLiteral("房屋出售"), QStringLiteral("求租求购")};
}

int RightsGroupNamed(const QString &name)
{
    const qsizetype i = RightsGroupNames().indexOf(name);
    return i < 0 ? 0 : int(i) + GroupRental;
}

int LoadedRightsGroup(const QString &name)
{
    const int g = RightsGroupNamed(name);
    return g && CurrentUser.Res[size_t(g)].ZYMC == name ? g : 0;
}

void ClearRights()
{
    CurrentUser.Res.fill(ResRecord());
}

namespace {

const ResRecord *group(int g)
{
    return g >= GroupRental && g <= GroupRequest ? &CurrentUser.Res[size_t(g)] : nullptr;
}

// Edit and delete share one shape: the right itself, the user's own branch,
// and either the manage right or a record the user entered.
bool ownBranchChange(bool right, const ResRecord &res, const QString &branch, const QString &enteredBy)
{
    return right && branch == CurrentUser.SSFD && (res.GLQX || enteredBy == CurrentUser.YHXM);
}

} // namespace

bool CanEditRecord(int g, const QString &branch, const QString &enteredBy)
{
    const ResRecord *res = group(g);
    return res && ownBranchChange(res->XGQX, *res, branch, enteredBy);
}

bool CanDeleteRecord(int g, const QString &branch, const QString &enteredBy)
{
    const ResRecord *res = group(g);
    return res && ownBranchChange(res->SCQX, *res, branch, enteredBy);
}

bool CanPrintRecord(int g, const QString &branch, const QString &enteredBy)
{
    Q_UNUSED(enteredBy);
    const ResRecord *res = group(g);
    return res && res->DYQX && branch == CurrentUser.SSFD;
}

bool CanSeeContacts(int g, const QString &branch, const QString &enteredBy)
{
    const ResRecord *res = group(g);
    return res && branch == CurrentUser.SSFD && (res->DHQX || enteredBy == CurrentUser.YHXM);
}

bool CanAddRecord(int g)
{
    const ResRecord *res = group(g);
    return res && res->XZQX;
}

bool GateOpen(const RightsGate &gate)
{
    switch (gate.gate) {
    case Gate::Browse: {
        const ResRecord *res = group(gate.group);
        return res && res->LLQX;
    }
    case Gate::Print: {
        const ResRecord *res = group(gate.group);
        return res && res->DYQX;
    }
    case Gate::Administrator:
        return CurrentUser.Id == 1;
    case Gate::Always:
        return true;
    }
    return false;
}

void ApplyRightsTo(QObject *root, const std::function<void(int tag, bool enabled)> &sideBarItem)
{
    ApplyRightsTo([root](const QString &item) { return root ? root->findChild<QObject *>(item) : nullptr; },
                  sideBarItem);
}

void ApplyRightsTo(const std::function<QObject *(const QString &item)> &find,
                   const std::function<void(int tag, bool enabled)> &sideBarItem)
{
    for (const RightsGate &gate : RightsGates) {
        const bool open = GateOpen(gate);
        if (*gate.item && find) {
            if (QObject *item = find(QString::fromLatin1(gate.item)))
                item->setProperty("enabled", open);
        }
        if (gate.sideBarTag && sideBarItem)
            sideBarItem(gate.sideBarTag, open);
    }
}

} // namespace brel
