#pragma once

#include "datastore/Engine.h"

#include <QDate>

namespace brel {

/// Days ahead that start-up looks for follow-up alerts (today counts as day 0).
inline constexpr int AlertDaysAhead = 7;

/// The condition (without WHERE) on TbRental of the follow-ups due from
/// `from` to `to`, both days included: a let house with its alert flag set
/// and its alert date on one of those days. Whole days: an alert stamped
/// with a time on the last day is inside.
Sql AlertCondition(const QDate &from, const QDate &to);

/// True when a let house (state "01") has its follow-up alert flag set and
/// its alert date between today and today + 7, both included. A statement of
/// its own on the working file; engine errors pass on.
bool HasAlertsSoon(const QDate &today = QDate::currentDate());

} // namespace brel
