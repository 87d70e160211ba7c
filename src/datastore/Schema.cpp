#include "datastore/Schema.h"

#include "datastore/Engine.h"

#include <QDate>

namespace brel {

const ColumnDef *TableDef::column(const QString &n) const
{
    for (const ColumnDef &c : columns)
        if (c.name.compare(n, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

namespace Schema {

namespace {

ColumnDef id() { return {QStringLiteral("ID"), ColType::Counter}; }
ColumnDef text(const char *n, int size, bool notNull = false) { return {QString::fromLatin1(n), ColType::Text, size, notNull}; }
ColumnDef memo(const char *n) { return {QString::fromLatin1(n), ColType::Memo}; }
ColumnDef money(const char *n) { return {QString::fromLatin1(n), ColType::Money}; }
ColumnDef integer(const char *n, bool notNull = false) { return {QString::fromLatin1(n), ColType::Integer, 0, notNull}; }
ColumnDef date(const char *n, bool notNull = false) { return {QString::fromLatin1(n), ColType::Date, 0, notNull}; }
ColumnDef bit(const char *n) { return {QString::fromLatin1(n), ColType::Bit}; }

TableDef lookup(const char *table, const char *col, int size)
{
    return {QString::fromLatin1(table), {id(), text(col, size)}, {}};
}

const QStringList registerIndexes = {QStringLiteral("SJH"), QStringLiteral("LRRQ")};
// The searches of offers ask for one state, entries since a date, in receipt
// order with the key breaking ties: this index gives the rows of a state in
// that order, and holds the date too, so the engine pages and counts them
// without sorting or reading rows it does not show.
const QString OfferStateIndex = QStringLiteral("ZTW,SJH,ID,LRRQ");
// The same for the searches re-sorted by the price (租金, 售价), the sort a
// clerk asks for most after the receipt number.
const QString RentalPriceIndex = QStringLiteral("ZTW,ZJ,ID,LRRQ");
const QString SalePriceIndex = QStringLiteral("ZTW,SJ,ID,LRRQ");

std::vector<TableDef> build()
{
    std::vector<TableDef> t;
    t.push_back({QStringLiteral("TbRental"),
                 {id(), text("SJH", 10), text("FWDZ", 100), text("DGDZ", 100), money("JZMJ"), text("FX", 20),
                  text("CX", 20), integer("LC"), integer("ZLC"), money("ZJ"), text("QY", 20), date("JGRQ"),
                  text("CQZH", 50), text("FWSS", 200), text("ZXQK", 100), text("JTQK", 100), date("JFRQ"),
                  text("ZWHJ", 200), text("LXR", 50), text("LXRDH1", 40), text("LXRDH2", 40), text("LXRSFZH", 20),
                  text("CZFBZ1", 200), bit("GGFB"), bit("YS"), text("SSFD", 50), memo("FXT"), text("LRR", 20),
                  date("LRRQ"), date("BJRQ"), text("BJR", 20), text("CZRXM", 20), text("CZRLXDH", 20),
                  text("CZRSFZH", 20), money("CZJG"), date("CZRQ"), date("CZJZRQ"), text("CZFBZ2", 200),
                  text("ZTW", 2), text("SLR", 20), date("SLRQ"), text("HTH", 20), money("YJJE"), bit("GZBJBZ"),
                  date("GZBJRQ")},
                 registerIndexes + QStringList{OfferStateIndex, RentalPriceIndex, QStringLiteral("GZBJRQ")}});
    t.push_back({QStringLiteral("TbSale"),
                 {id(), text("SJH", 10), text("FWDZ", 100), text("DGDZ", 100), money("JZMJ"), text("FX", 20),
                  text("CX", 20), integer("LC"), integer("ZLC"), text("CB", 20), money("SJ"), text("QY", 20),
                  date("JGRQ"), money("SYNX"), text("CQZH", 50), text("FWSS", 200), text("ZXQK", 100),
                  text("JTQK", 100), date("JFRQ"), text("ZWHJ", 200), text("LXR", 50), text("LXRDH1", 40),
                  text("LXRDH2", 40), text("LXRSFZH", 20), text("CSFBZ", 200), bit("GGFB"), bit("YS"),
                  text("SSFD", 50), memo("FXT"), text("BJR", 20), date("BJRQ"), text("LRR", 20), date("LRRQ"),
                  text("GMRXM", 20), text("GMRLXDH", 20), text("GMRSFZH", 20), money("GMJG"), date("GMRQ"),
                  text("GMFBZ", 200), text("ZTW", 2), text("SLR", 20), date("SLRQ"), text("HTH", 20),
                  money("YJJE")},
                 registerIndexes + QStringList{OfferStateIndex, SalePriceIndex}});
    t.push_back({QStringLiteral("TbQRental"),
                 {id(), text("SJH", 10), text("FWDZ", 100), text("DGDZ", 100), money("JZMJ"), text("FX", 20),
                  text("CX", 20), integer("LC"), money("ZJ"), text("QY", 20), text("FWSS", 200), text("ZXQK", 100),
                  text("JTQK", 100), text("ZWHJ", 200), text("LXR", 50), text("LXRDH1", 40), text("LXRDH2", 40),
                  text("LXRSFZH", 20), text("BZ", 200), text("BJR", 20), date("BJRQ"), text("LRR", 20),
                  date("LRRQ"), text("SSFD", 50)},
                 registerIndexes});
    t.push_back({QStringLiteral("TbQBuy"),
                 {id(), text("SJH", 10), text("FWDZ", 100), text("DGDZ", 100), money("JZMJ"), text("FX", 20),
                  text("CX", 20), integer("LC"), text("CB", 20), money("SJ"), text("QY", 20), date("JGRQ"),
                  money("SYNX"), text("FWSS", 200), text("ZXQK", 100), text("JTQK", 100), text("ZWHJ", 200),
                  text("LXR", 50), text("LXRDH1", 40), text("LXRDH2", 40), text("LXRSFZH", 20), text("BZ", 200),
                  text("BJR", 20), date("BJRQ"), text("LRR", 20), date("LRRQ"), text("SSFD", 50)},
                 registerIndexes});
    // YHMM holds a salted password hash, hence its room.
    t.push_back({QStringLiteral("TbUser"),
                 {id(), text("YHDM", 20), text("YHXM", 20), text("YHMM", 200), text("SSFD", 50)},
                 {}});
    t.push_back({QStringLiteral("TbRes"),
                 {id(), text("ZYMC", 20, true), integer("LLQX", true), integer("XZQX", true), integer("XGQX", true),
                  integer("SCQX", true), integer("DYQX", true), integer("DHQX", true), integer("GLQX", true),
                  integer("Sort", true), integer("YHID", true)},
                 {QStringLiteral("YHID")}});
    t.push_back({QStringLiteral("TbLog"),
                 {id(), date("CZSJ", true), text("CZHD", 20, true), text("CZRY", 20, true),
                  text("XXQK", 255, true)},
                 {QStringLiteral("CZSJ")}});
    t.push_back({QStringLiteral("TbBranch"), {id(), text("FDMC", 50), text("FDDZ", 100), text("FDDH", 40)}, {}});
    t.push_back({QStringLiteral("TbSetings"),
                 {id(), integer("ZDSJH", true), text("WLTXZ", 15), integer("XSLJ", true), integer("CZRZ", true)},
                 {}});
    t.push_back({QStringLiteral("TbVersion"), {id(), text("BBH", 20), date("FBRQ")}, {}});
    t.push_back({QStringLiteral("TbCompanyInfo"),
                 {id(), text("QYMC", 100), text("QYDZ", 100), text("LXDH", 40), text("WZ", 100), text("DZYJ", 100)},
                 {}});
    t.push_back({QStringLiteral("TbFee"), {id(), text("CSMC", 50), money("CSZ")}, {}});
    t.push_back(lookup("TbStyle", "FX", 20));
    t.push_back(lookup("TbDirection", "CX", 20));
    t.push_back(lookup("TbArea", "QY", 20));
    t.push_back(lookup("TbFitment", "ZXQK", 100));
    t.push_back(lookup("TbEquip", "FWSS", 50));
    t.push_back(lookup("TbAmbience", "ZWHJ", 50));
    t.push_back(lookup("TbPropertyId", "CQZH", 50));
    t.push_back(lookup("TbPropertyType", "CB", 20));
    t.push_back(lookup("TbBank", "YHMC", 50));
    t.push_back(lookup("TbPayMode", "FKFS", 50));
    return t;
}

} // namespace

const std::vector<TableDef> &tables()
{
    static const std::vector<TableDef> all = build();
    return all;
}

const TableDef *table(const QString &name)
{
    for (const TableDef &t : tables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

const ColumnDef *column(const QString &tableName, const QString &columnName)
{
    const TableDef *t = table(tableName);
    return t ? t->column(columnName) : nullptr;
}

int textSize(const QString &tableName, const QString &columnName)
{
    const ColumnDef *c = column(tableName, columnName);
    return c && c->type == ColType::Text ? c->size : 0;
}

QString declaredType(const ColumnDef &col)
{
    switch (col.type) {
    case ColType::Counter: return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    case ColType::Integer: return QStringLiteral("INTEGER");
    case ColType::Money: return QStringLiteral("MONEY");
    case ColType::Date: return QStringLiteral("DATE");
    case ColType::Bit: return QStringLiteral("BIT");
    case ColType::Text: return QStringLiteral("TEXT(%1)").arg(col.size);
    case ColType::Memo: return QStringLiteral("MEMO");
    }
    return {};
}

QString createTableSql(const TableDef &t)
{
    QStringList cols;
    for (const ColumnDef &c : t.columns) {
        QString def = c.name + QLatin1Char(' ') + declaredType(c);
        if (c.notNull) {
            // SQLite needs a default to add such a column to a filled table later.
            def += c.type == ColType::Text || c.type == ColType::Date ? QStringLiteral(" NOT NULL DEFAULT ''")
                                                                      : QStringLiteral(" NOT NULL DEFAULT 0");
        }
        cols << def;
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(t.name, cols.join(QLatin1Char(',')));
}

QStringList createIndexSql(const TableDef &t)
{
    QStringList out;
    for (const QString &c : t.indexed)
        out << QStringLiteral("CREATE INDEX IF NOT EXISTS Ix%1%2 ON %1 (%3)")
                   .arg(t.name, QString(c).replace(QLatin1Char(','), QLatin1Char('_')), c);
    return out;
}

void createAll(Database &db)
{
    Transaction tx(db);
    for (const TableDef &t : tables()) {
        db.execute(Sql(createTableSql(t)));
        for (const QString &ix : createIndexSql(t))
            db.execute(Sql(ix));
    }
    tx.commit();
}

void fillBlankContent(Database &db)
{
    Transaction tx(db);
    db.execute(Sql(QStringLiteral("INSERT INTO TbVersion (BBH, FBRQ) VALUES (?, ?)"),
                   {CurrentBuild, QDate::currentDate()}));
    db.execute(Sql("INSERT INTO TbSetings (ZDSJH, WLTXZ, XSLJ, CZRZ) VALUES (1, NULL, 1, 0)"));
    db.execute(Sql(QStringLiteral("INSERT INTO TbUser (ID, YHDM, YHXM, YHMM, SSFD) VALUES (1, ?, ?, '', NULL)"),
                   {QStringLiteral("admin"), QStringLiteral("admin")}));
    const QStringList groups = {QStringLiteral("房屋出租"), QStringLiteral("房屋出售"), QStringLiteral("求租求购")};
    for (int i = 0; i < groups.size(); ++i)
        db.execute(Sql(QStringLiteral("INSERT INTO TbRes (ZYMC,LLQX,XZQX,XGQX,SCQX,DYQX,DHQX,GLQX,Sort,YHID) "
                                      "VALUES (?,1,1,1,1,1,1,1,?,1)"),
                       {groups[i], i + 1}));
    db.execute(Sql("INSERT INTO TbCompanyInfo (ID) VALUES (1)"));
    db.execute(Sql(QStringLiteral("INSERT INTO TbFee (ID, CSMC, CSZ) VALUES (2, ?, 2.0)"),
                   {QStringLiteral("出售佣金比例")}));
    db.execute(Sql(QStringLiteral("INSERT INTO TbFee (ID, CSMC, CSZ) VALUES (3, ?, 50.0)"),
                   {QStringLiteral("出租佣金比例")}));
    tx.commit();
}

QStringList registerTables()
{
    return {QStringLiteral("TbRental"), QStringLiteral("TbSale"), QStringLiteral("TbQRental"),
            QStringLiteral("TbQBuy")};
}

} // namespace Schema
} // namespace brel
