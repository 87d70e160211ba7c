#include "datastore/Alerts.h"

#include "datastore/DataModule.h"
#include "datastore/FieldValue.h"
#include "datastore/Globalvar.h"

namespace brel {

Sql AlertCondition(const QDate &from, const QDate &to)
{
    // Below the start of the day after: a stored date and any stamp of the
    // last day sort before it, as text, where a midnight bound would leave
    // out an alert set for the afternoon of that day.
    return Sql(QStringLiteral("ZTW=? AND GZBJBZ<>0 AND GZBJRQ>=? AND GZBJRQ<?"),
               {StateCode(1), toStorage(QVariant(from)), toStorage(QVariant(to.addDays(1)))});
}

bool HasAlertsSoon(const QDate &today)
{
    if (!DM())
        return false;
    const Sql due = AlertCondition(today, today.addDays(AlertDaysAhead));
    return DM()->HasRows(Sql(QStringLiteral("SELECT ID FROM TbRental WHERE ") + due.text + QStringLiteral(" LIMIT 1"),
                             due.values));
}

} // namespace brel
