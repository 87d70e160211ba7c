#include "datastore/Alerts.h"

#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/OperationLog.h"

namespace brel {

bool HasAlertsSoon(const QDate &today)
{
    if (!DM())
        return false;
    // The upper end as a midnight stamp takes in a bare date of that day and
    // its midnight alike.
    return DM()->HasRows(Sql(QStringLiteral("SELECT ID FROM TbRental WHERE ZTW=? AND GZBJBZ<>0 "
                                            "AND GZBJRQ>=? AND GZBJRQ<=? LIMIT 1"),
                             {StateCode(1), today.toString(QStringLiteral("yyyy-MM-dd")),
                              LogMidnight(today.addDays(AlertDaysAhead))}));
}

} // namespace brel
