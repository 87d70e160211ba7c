// Reading and writing TbRes; apart from Rights.cpp so that the record rules
// link without the data module.
#include "datastore/DataModule.h"
#include "datastore/Rights.h"

namespace brel {

namespace {

// In the column order of the SELECT below, after ZYMC.
bool ResRecord::*const FlagMembers[] = {&ResRecord::LLQX, &ResRecord::XZQX, &ResRecord::XGQX, &ResRecord::SCQX,
                                        &ResRecord::DYQX, &ResRecord::DHQX, &ResRecord::GLQX};

} // namespace

void LoadRights(int userId)
{
    ClearRights();
    auto st = DM()->DbBase->prepare(
        Sql(QStringLiteral("SELECT ZYMC,LLQX,XZQX,XGQX,SCQX,DYQX,DHQX,GLQX FROM TbRes WHERE YHID=? ORDER BY Sort ASC, ID ASC"),
            {userId}));
    // Filled apart and taken over whole: an engine error half way leaves no rights.
    std::array<ResRecord, 4> loaded;
    while (st->step()) {
        const QString name = st->value(0).toString();
        const int g = RightsGroupNamed(name);
        if (g == 0 || !loaded[size_t(g)].ZYMC.isEmpty())
            continue;
        ResRecord &res = loaded[size_t(g)];
        res.ZYMC = name;
        for (size_t f = 0; f < std::size(FlagMembers); ++f)
            res.*FlagMembers[f] = st->value(int(f) + 1).toLongLong() == 1;
    }
    CurrentUser.Res = loaded;
}

void CreateDefaultRights(int userId)
{
    Database &db = *DM()->DbBase;
    // A savepoint, not a transaction: the schema upgrade calls this for
    // every user inside its own transaction.
    Savepoint sp(db);
    db.execute(Sql(QStringLiteral("DELETE FROM TbRes WHERE YHID=?"), {userId}));
    const QStringList names = RightsGroupNames();
    for (int n = 1; n <= 3; ++n) {
        db.execute(Sql(QStringLiteral("INSERT INTO TbRes (ZYMC,LLQX,XZQX,XGQX,SCQX,DYQX,DHQX,GLQX,Sort,YHID) "
                                      "VALUES (?,1,1,1,1,1,1,1,?,?)"),
                       {names[n - 1], n, userId}));
    }
    sp.commit();
}

} // namespace brel
