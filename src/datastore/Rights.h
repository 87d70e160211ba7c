#pragma once

#include "datastore/Globalvar.h"

#include <QString>
#include <QStringList>
#include <functional>

class QObject;

namespace brel {

/// The three rights groups, numbered as CurrentUser.Res is indexed.
enum RightsGroup { GroupRental = 1, GroupSale = 2, GroupRequest = 3 };

/// Group names in Sort order; windows find their group by these exact names.
QStringList RightsGroupNames();

/// The one rule that ties a group to its name: the group (1..3) whose name is
/// exactly `name`, 0 for any other text. TbRes rows and windows both find
/// their group through it.
int RightsGroupNamed(const QString &name);
/// The group of a window whose hint is `name`: RightsGroupNamed(name) when
/// CurrentUser holds that group's loaded rights, else 0.
int LoadedRightsGroup(const QString &name);

/// Takes every right away from CurrentUser (the groups' names too). Done
/// before rights are loaded and whenever the connected file changes, so
/// nothing of a previous user or file is ever left behind.
void ClearRights();
/// Fills CurrentUser.Res from the user's TbRes rows, starting from no rights:
/// each row goes to the group its ZYMC names (the first in Sort order when a
/// name repeats); a group without a row, and a row of an unknown name, grant
/// nothing. Runs a statement of its own (Q1 and Q2 stay as they are).
/// Engine errors pass on, leaving no rights.
void LoadRights(int userId);
/// Replaces the user's TbRes rows by the three default rows, every right
/// granted. All or nothing, inside a transaction the caller holds (it then
/// decides) or on its own.
void CreateDefaultRights(int userId);

// Record rules for group g (1..3) and a record of branch `branch` entered
// by `enteredBy`, judged for CurrentUser. Another group number gives false.

bool CanEditRecord(int g, const QString &branch, const QString &enteredBy);
bool CanDeleteRecord(int g, const QString &branch, const QString &enteredBy);
bool CanPrintRecord(int g, const QString &branch, const QString &enteredBy);
bool CanSeeContacts(int g, const QString &branch, const QString &enteredBy);
/// The add command of a group follows XZQX alone.
bool CanAddRecord(int g);

/// What enables a main-window item in ApplyRights.
enum class Gate {
    Browse,        ///< LLQX of the item's group
    Print,         ///< DYQX of the item's group
    Administrator, ///< CurrentUser.Id = 1
    Always,
};

/// One item that ApplyRights enables or disables: a menu item or sub-menu
/// (by object name) and/or a side-bar item (by tag, 0 = none).
struct RightsGate {
    const char *item;      ///< object name in the main window, empty = side bar only
    int sideBarTag;
    int group;             ///< 1..3 for Browse and Print, 0 otherwise
    Gate gate;
};

/// The ApplyRights table. The main window walks it and enables each item
/// (and each side-bar tag) as GateOpen says.
inline constexpr RightsGate RightsGates[] = {
    {"msRentalManage", 11, GroupRental, Gate::Browse},
    {"msRentalSearch", 12, GroupRental, Gate::Browse},
    {"smAlertSearch", 13, GroupRental, Gate::Browse},
    {"msSaleManage", 21, GroupSale, Gate::Browse},
    {"msSaleSearch", 22, GroupSale, Gate::Browse},
    {"msQRentalManage", 31, GroupRequest, Gate::Browse},
    {"msQRentalSearch", 32, GroupRequest, Gate::Browse},
    {"msQBuyManage", 33, GroupRequest, Gate::Browse},
    {"msQBuySearch", 34, GroupRequest, Gate::Browse},
    {"smRentalPrint", 0, GroupRental, Gate::Print},
    {"smSalePrint", 0, GroupSale, Gate::Print},
    {"smRentalBuyPrint", 0, GroupRequest, Gate::Print},
    {"msDataLink", 51, 0, Gate::Administrator},
    {"msBaseInfo", 52, 0, Gate::Administrator},
    {"msData", 54, 0, Gate::Administrator},
    {"msLog", 55, 0, Gate::Administrator},
    {"", 41, 0, Gate::Always},
    {"", 42, 0, Gate::Always},
    {"", 53, 0, Gate::Always},
};

/// True when the gate lets CurrentUser use the item.
bool GateOpen(const RightsGate &gate);

/// Walks RightsGates for CurrentUser: every named item found below root (an
/// action, a menu or any object with an "enabled" property) is enabled or
/// disabled, and sideBarItem(tag, enabled) is called for each side-bar tag.
void ApplyRightsTo(QObject *root, const std::function<void(int tag, bool enabled)> &sideBarItem);
/// The same walk with the items found by find (item name to object, nullptr
/// when the window has no such item): for a window whose commands carry
/// other names than the table's menu items.
void ApplyRightsTo(const std::function<QObject *(const QString &item)> &find,
                   const std::function<void(int tag, bool enabled)> &sideBarItem);

} // namespace brel
