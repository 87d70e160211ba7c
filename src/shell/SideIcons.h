#pragma once

#include <QIcon>
#include <QString>

namespace brel {

/// The pictures of the side bar's items, drawn in code. Known names:
/// rentalManage, saleManage, requestManage, search, alert, loan, calculator,
/// dataFile, settings, login, maintenance, log. An unknown name gives a
/// plain framed square.
QIcon SideIcon(const QString &name);

} // namespace brel
