// Reading and writing TbRes; apart from Rights.cpp so that the record rules
// link without the data module.
#include "datastore/DataModule.h"
#include "datastore/Rights.h"

namespace brel {

namespace {

const char *const Flags[] = {"LLQX", "XZQX", "XGQX", "SCQX", "DYQX", "DHQX", "GLQX"};

bool ResRecord::*const FlagMembers[] = {&ResRecord::LLQX, &ResRecord::XZQX, &ResRecord::XGQX, &ResRecord::SCQX,
                                        &ResRecord::DYQX, &ResRecord::DHQX, &ResRecord::GLQX};

} // namespace

void LoadRights(int userId)
{
    DM()->OpenSql(Sql(QStringLiteral("SELECT * FROM TbRes WHERE YHID=? ORDER BY Sort ASC"), {userId}));
    DataSet *q = DM()->Q1;
    q->first();
    for (int n = 1; n <= 3 && !q->eof(); ++n, q->next()) {
        ResRecord &res = CurrentUser.Res[size_t(n)];
        res.ZYMC = q->asText(QStringLiteral("ZYMC"));
        for (size_t f = 0; f < std::size(Flags); ++f)
            res.*FlagMembers[f] = q->asInt(QString::fromLatin1(Flags[f])) == 1;
    }
}

void CreateDefaultRights(int userId)
{
    TDM *dm = DM();
    dm->DbBase->ensureOpen();
    Transaction tx(*dm->DbBase);
    dm->ExecSql(Sql(QStringLiteral("DELETE FROM TbRes WHERE YHID=?"), {userId}));
    const QStringList names = RightsGroupNames();
    for (int n = 1; n <= 3; ++n) {
        dm->ExecSql(Sql(QStringLiteral("INSERT INTO TbRes (ZYMC,LLQX,XZQX,XGQX,SCQX,DYQX,DHQX,GLQX,Sort,YHID) "
                                       "VALUES (?,1,1,1,1,1,1,1,?,?)"),
                        {names[n - 1], n, userId}));
    }
    tx.commit();
}

} // namespace brel
