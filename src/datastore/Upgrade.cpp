#include "datastore/Upgrade.h"

#include "datastore/DataModule.h"
#include "datastore/Rights.h"
#include "datastore/Schema.h"

#include <QCoreApplication>
#include <QDate>
#include <QRegularExpression>

#include <vector>

namespace brel {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("Upgrade", text); }

Database &db() { return *DM()->DbBase; }

/// Names and types reach the SQL text only from this module's constants;
/// this keeps it that way should a caller ever pass something else.
void requireName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!plain.match(name).hasMatch())
        throw EngineError(tr("数据文件升级：名称“%1”不合法。").arg(name));
}

struct ColumnInfo {
    QString name;
    QString type;
    bool notNull = false;
    QString defaultSql; ///< as declared, empty when none
    int pkOrder = 0;    ///< position in the primary key, 0 when not part of it
};

std::vector<ColumnInfo> tableColumns(const QString &table)
{
    std::vector<ColumnInfo> out;
    auto st = db().prepare(Sql(QStringLiteral("PRAGMA table_info(%1)").arg(table)));
    while (st->step()) {
        ColumnInfo c;
        c.name = st->value(1).toString();
        c.type = st->value(2).toString();
        c.notNull = st->int64(3) != 0;
        c.defaultSql = st->isNull(4) ? QString() : st->value(4).toString();
        c.pkOrder = int(st->int64(5));
        out.push_back(c);
    }
    if (out.empty())
        throw EngineError(tr("数据文件中没有数据表“%1”。").arg(table));
    return out;
}

QStringList schemaSql(const QString &type, const QString &table)
{
    QStringList out;
    auto st = db().prepare(Sql(QStringLiteral("SELECT sql FROM sqlite_master WHERE type=? AND tbl_name=? AND sql IS NOT NULL "
                                              "ORDER BY rowid"),
                               {type, table}));
    while (st->step())
        out << st->value(0).toString();
    return out;
}

/// Index definitions rebuilt from the engine's own description, with renamed
/// columns followed and an index over a dropped column left out.
QStringList indexSql(const QString &table, const QHash<QString, QString> &renamed, const QStringList &dropped)
{
    struct Ix { QString name; bool unique; };
    QList<Ix> indexes;
    {
        auto st = db().prepare(Sql(QStringLiteral("PRAGMA index_list(%1)").arg(table)));
        while (st->step()) {
            // Only the indexes somebody created; the key's own is rebuilt with the table.
            if (st->columnCount() > 3 && st->value(3).toString() != QLatin1String("c"))
                continue;
            indexes.append({st->value(1).toString(), st->int64(2) != 0});
        }
    }
    QStringList out;
    for (const Ix &ix : indexes) {
        QStringList cols;
        bool keep = true;
        auto st = db().prepare(Sql(QStringLiteral("PRAGMA index_info(%1)").arg(ix.name)));
        while (st->step()) {
            QString col = st->value(2).toString();
            if (col.isEmpty() || dropped.contains(col, Qt::CaseInsensitive))
                keep = false;
            col = renamed.value(col.toUpper(), col);
            cols << col;
        }
        if (keep && !cols.isEmpty())
            out << QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                       .arg(ix.unique ? QStringLiteral("UNIQUE ") : QString(), ix.name, table, cols.join(QLatin1Char(',')));
    }
    return out;
}

enum class Target { Number, WholeNumber, Text, Other };

Target targetOf(const QString &type, int *size)
{
    const QString t = type.toUpper();
    *size = 0;
    static const QRegularExpression sized(QStringLiteral("^TEXT\\((\\d+)\\)$"));
    const auto m = sized.match(t);
    if (m.hasMatch()) {
        *size = m.captured(1).toInt();
        return Target::Text;
    }
    if (t == QLatin1String("TEXT") || t == QLatin1String("MEMO"))
        return Target::Text;
    if (t == QLatin1String("MONEY"))
        return Target::Number;
    if (t == QLatin1String("INTEGER"))
        return Target::WholeNumber;
    return Target::Other;
}

[[noreturn]] void refuseValue(const QString &table, const QString &column, const QVariant &id, const QVariant &value)
{
    throw EngineError(tr("数据表“%1”中 ID 为 %2 的记录，其“%3”的值“%4”不能转换为新的类型，数据文件不能升级。")
                          .arg(table, id.toString(), column, value.toString()));
}

/// One column to change in a rebuild: its new name and declared type.
struct Change {
    QString newName;
    QString type;    ///< e.g. "MONEY", "TEXT(20)"
    bool notNull = false;
};

/// A column a rebuild adds at the end: its definition and the expression over
/// the old row that fills it.
struct Added {
    QString definition; ///< e.g. "DGDZ TEXT(100)"
    QString source;     ///< e.g. "FWDZ"
};

struct Check {
    QString column;
    Target target;
    int size;
};

/// The definition of table with columns changed or dropped and columns
/// added at the end: what a rebuild creates and fills, and what is checked.
struct TablePlan {
    QStringList defs, targetCols, sourceExprs;
    QString idColumn;
    QList<Check> checks;
    bool autoIncrement = false;
};

TablePlan planTable(const QString &table, const std::vector<ColumnInfo> &columns, const QHash<QString, Change> &changes,
                    const QStringList &dropped, const QList<Added> &added)
{
    TablePlan plan;
    const QString createSql = schemaSql(QStringLiteral("table"), table).value(0);
    plan.autoIncrement = createSql.contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive);
    QStringList primaryKey;
    for (const ColumnInfo &c : columns) {
        if (dropped.contains(c.name, Qt::CaseInsensitive))
            continue;
        QString name = c.name, type = c.type;
        bool notNull = c.notNull;
        QString expr = c.name;
        const auto change = changes.find(c.name.toUpper());
        if (change != changes.end()) {
            name = change->newName;
            type = change->type;
            notNull = change->notNull;
            requireName(name);
            int size = 0;
            const Target target = targetOf(type, &size);
            // Empty text is an empty value for a number; anything else stays
            // as it is so the check below can refuse it instead of losing it.
            if (target == Target::Number || target == Target::WholeNumber)
                expr = QStringLiteral("CASE WHEN typeof(%1)='text' AND trim(%1)='' THEN NULL ELSE %1 END").arg(c.name);
            plan.checks.append({name, target, size});
        }
        QString def = name + QLatin1Char(' ') + type;
        if (c.pkOrder == 1 && std::count_if(columns.begin(), columns.end(), [](const ColumnInfo &x) { return x.pkOrder > 0; }) == 1) {
            def += QStringLiteral(" PRIMARY KEY");
            if (plan.autoIncrement)
                def += QStringLiteral(" AUTOINCREMENT");
            plan.idColumn = name;
        } else if (c.pkOrder > 0) {
            primaryKey << name;
        }
        if (notNull)
            def += QStringLiteral(" NOT NULL");
        if (!c.defaultSql.isEmpty())
            def += QStringLiteral(" DEFAULT ") + c.defaultSql;
        plan.defs << def;
        plan.targetCols << name;
        plan.sourceExprs << expr;
    }
    for (const Added &a : added) {
        plan.defs << a.definition;
        plan.targetCols << a.definition.section(QLatin1Char(' '), 0, 0);
        plan.sourceExprs << a.source;
    }
    if (!primaryKey.isEmpty())
        plan.defs << QStringLiteral("PRIMARY KEY (%1)").arg(primaryKey.join(QLatin1Char(',')));
    if (plan.idColumn.isEmpty())
        plan.idColumn = QStringLiteral("rowid");
    return plan;
}

/// Refuses the first value of a changed column that its new type cannot
/// hold, and rounds amounts to four decimals, in table (the rebuilt one or,
/// changed in place, the table itself). Each is one pass over the table for
/// all the columns: a register is read once, not once per column.
void checkValues(const QString &table, const QString &sourceTable, const TablePlan &plan)
{
    Database &d = db();
    QList<QPair<Check, QString>> refusals;
    QStringList rounded, roundedWhere;
    for (const Check &c : plan.checks) {
        QString bad;
        switch (c.target) {
        case Target::Number: bad = QStringLiteral("typeof(%1) NOT IN ('integer','real','null')").arg(c.column); break;
        case Target::WholeNumber: bad = QStringLiteral("typeof(%1) NOT IN ('integer','null')").arg(c.column); break;
        case Target::Text:
            if (c.size > 0)
                bad = QStringLiteral("length(%1)>%2").arg(c.column).arg(c.size);
            break;
        case Target::Other: break;
        }
        if (!bad.isEmpty())
            refusals.append({c, bad});
        if (c.target == Target::Number) {
            const QString off = QStringLiteral("typeof(%1)='real' AND %1<>ROUND(%1,4)").arg(c.column);
            rounded << QStringLiteral("%1=CASE WHEN %2 THEN ROUND(%1,4) ELSE %1 END").arg(c.column, off);
            roundedWhere << QLatin1Char('(') + off + QLatin1Char(')');
        }
    }
    if (!refusals.isEmpty()) {
        QStringList any;
        for (const auto &r : std::as_const(refusals))
            any << QLatin1Char('(') + r.second + QLatin1Char(')');
        if (d.prepare(Sql(QStringLiteral("SELECT 1 FROM %1 WHERE %2 LIMIT 1").arg(table, any.join(QStringLiteral(" OR ")))))->step()) {
            // Named as the columns come: the first one with a value it cannot hold.
            for (const auto &r : std::as_const(refusals)) {
                auto st = d.prepare(Sql(QStringLiteral("SELECT %1, %2 FROM %3 WHERE %4 LIMIT 1")
                                            .arg(plan.idColumn, r.first.column, table, r.second)));
                if (st->step())
                    refuseValue(sourceTable, r.first.column, st->value(0), st->value(1));
            }
        }
    }
    if (!rounded.isEmpty())
        d.execute(Sql(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                          .arg(table, rounded.join(QLatin1Char(',')), roundedWhere.join(QStringLiteral(" OR ")))));
}

/// Gives columns (keeping their names) the declared type without rewriting
/// the table, where every stored value would come out of a rebuild as it is:
/// empty texts of a number column become NULL in place, the definition is
/// replaced in the schema and the rows stay where they are. Returns false,
/// having changed nothing else, where a rebuild is needed (a value the new
/// type would store differently, or a constraint with an index of its own).
bool changeTypesInPlace(const QString &table, const QStringList &changed, const QString &type)
{
    Database &d = db();
    {
        // A UNIQUE or composite key has an index tied to the table's text.
        auto st = d.prepare(Sql(QStringLiteral("PRAGMA index_list(%1)").arg(table)));
        while (st->step())
            if (st->columnCount() > 3 && st->value(3).toString() != QLatin1String("c"))
                return false;
    }
    int size = 0;
    const Target target = targetOf(type, &size);
    const std::vector<ColumnInfo> columns = tableColumns(table);
    QHash<QString, Change> changes;
    // What would be stored differently, over every column; what is emptied.
    QStringList stored, emptied, emptiedWhere;
    for (const QString &c : changed) {
        requireName(c);
        const auto old = std::find_if(columns.begin(), columns.end(),
                                      [&c](const ColumnInfo &x) { return x.name.compare(c, Qt::CaseInsensitive) == 0; });
        if (old == columns.end() || old->pkOrder > 0)
            return false;
        int oldSize = 0;
        const Target from = targetOf(old->type, &oldSize);
        // Stored values keep their class only where the new type's affinity
        // would leave them alone.
        QString differs;
        switch (target) {
        case Target::Number:
        case Target::WholeNumber:
            if (from != Target::Number && from != Target::WholeNumber)
                return false;
            differs = target == Target::WholeNumber
                          ? QStringLiteral("typeof(%1) NOT IN ('integer','null')")
                          : QStringLiteral("typeof(%1)='text' AND trim(%1)<>'' OR typeof(%1)='blob' "
                                           "OR typeof(%1)='real' AND %1=CAST(%1 AS INTEGER)");
            break;
        case Target::Text:
            if (from != Target::Text)
                return false;
            differs = QStringLiteral("typeof(%1) NOT IN ('text','null')");
            break;
        case Target::Other:
            return false;
        }
        if (target == Target::WholeNumber)
            stored << QStringLiteral("(typeof(%1)='text' AND trim(%1)='')").arg(c);
        stored << QLatin1Char('(') + differs.arg(c) + QLatin1Char(')');
        if (target == Target::Number) {
            const QString empty = QStringLiteral("typeof(%1)='text' AND trim(%1)=''").arg(c);
            emptied << QStringLiteral("%1=CASE WHEN %2 THEN NULL ELSE %1 END").arg(c, empty);
            emptiedWhere << QLatin1Char('(') + empty + QLatin1Char(')');
        }
        changes.insert(c.toUpper(), Change{old->name, type, false});
    }
    // One pass over the register for all the columns.
    if (d.prepare(Sql(QStringLiteral("SELECT 1 FROM %1 WHERE %2 LIMIT 1").arg(table, stored.join(QStringLiteral(" OR ")))))->step())
        return false;
    if (!emptied.isEmpty())
        d.execute(Sql(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                          .arg(table, emptied.join(QLatin1Char(',')), emptiedWhere.join(QStringLiteral(" OR ")))));
    const TablePlan plan = planTable(table, columns, changes, {}, {});
    checkValues(table, table, plan);
    // The definition is replaced in the schema, as the engine allows for a
    // change that leaves the stored rows valid. Renaming the table away and
    // back makes this connection read it again (and every other one, by the
    // new schema version the renames write); the rows are not touched.
    d.execute(Sql("PRAGMA writable_schema=ON"));
    try {
        d.execute(Sql(QStringLiteral("UPDATE sqlite_master SET sql=? WHERE type='table' AND name=? COLLATE NOCASE"),
                      {QStringLiteral("CREATE TABLE %1 (%2)").arg(table, plan.defs.join(QLatin1Char(','))), table}));
    } catch (...) {
        d.execute(Sql("PRAGMA writable_schema=OFF"));
        throw;
    }
    d.execute(Sql("PRAGMA writable_schema=OFF"));
    const QString away = QStringLiteral("brel_retype_") + table;
    d.execute(Sql(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(table, away)));
    d.execute(Sql(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(away, table)));
    return true;
}

/// Rebuilds table with columns changed or dropped: a new table is filled with
/// every row, the old one dropped and the new one takes its name; indexes,
/// triggers and the ID sequence are put back.
void rebuildTable(const QString &table, const QHash<QString, Change> &changes, const QStringList &dropped,
                  const QList<Added> &added = {})
{
    requireName(table);
    Database &d = db();
    const std::vector<ColumnInfo> columns = tableColumns(table);
    const TablePlan plan = planTable(table, columns, changes, dropped, added);
    const bool autoIncrement = plan.autoIncrement;
    QVariant sequence;
    if (autoIncrement && d.tableExists(QStringLiteral("sqlite_sequence"))) {
        auto st = d.prepare(Sql(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name=?"), {table}));
        if (st->step())
            sequence = st->value(0);
    }
    QHash<QString, QString> renamed;
    for (auto it = changes.begin(); it != changes.end(); ++it)
        renamed.insert(it.key().toUpper(), it->newName);
    const QStringList indexes = indexSql(table, renamed, dropped);
    const QStringList triggers = schemaSql(QStringLiteral("trigger"), table);

    const QString work = QStringLiteral("brel_rebuild_") + table;
    const QStringList &defs = plan.defs, &targetCols = plan.targetCols, &sourceExprs = plan.sourceExprs;
    d.execute(Sql(QStringLiteral("CREATE TABLE %1 (%2)").arg(work, defs.join(QLatin1Char(',')))));
    d.execute(Sql(QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %4")
                      .arg(work, targetCols.join(QLatin1Char(',')), sourceExprs.join(QLatin1Char(',')), table)));
    checkValues(work, table, plan);
    d.execute(Sql(QStringLiteral("DROP TABLE %1").arg(table)));
    d.execute(Sql(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(work, table)));
    for (const QString &sql : indexes)
        d.execute(Sql(sql));
    for (const QString &sql : triggers)
        d.execute(Sql(sql));
    // Rows deleted at the end leave the sequence above the largest ID; the
    // next row must still get a number never used before.
    if (autoIncrement && sequence.isValid()) {
        if (d.execute(Sql(QStringLiteral("UPDATE sqlite_sequence SET seq=MAX(seq,?) WHERE name=?"), {sequence, table})) == 0)
            d.execute(Sql(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)"), {table, sequence}));
    }
}

/// Settings for rewriting whole registers on this connection, put back as
/// they were when it ends.
class BulkWork {
public:
    BulkWork() : m_cache(pragma("cache_size")), m_secure(pragma("secure_delete"))
    {
        // A step rewrites whole tables inside one transaction; with the
        // engine's small default page cache the changed pages would spill
        // to the file again and again, and every pass would decrypt them anew.
        db().execute(Sql("PRAGMA cache_size=-131072"));
        // Overwriting the pages of a table being rebuilt protects nothing:
        // its rows live on in the new table. It would double the work.
        db().prepare(Sql("PRAGMA secure_delete=0"))->step();
    }
    ~BulkWork()
    {
        try {
            db().execute(Sql(QStringLiteral("PRAGMA cache_size=%1").arg(m_cache)));
            db().prepare(Sql(QStringLiteral("PRAGMA secure_delete=%1").arg(m_secure)))->step();
        } catch (const EngineError &) {
        }
    }
    BulkWork(const BulkWork &) = delete;
    BulkWork &operator=(const BulkWork &) = delete;

private:
    static qint64 pragma(const char *name)
    {
        auto st = db().prepare(Sql(QStringLiteral("PRAGMA %1").arg(QLatin1String(name))));
        return st->step() ? st->int64(0) : 0;
    }
    qint64 m_cache, m_secure;
};

// ------------------------------------------------------------------ steps

class Runner {
public:
    explicit Runner(const UpgradeProgress &progress) : m_progress(progress) {}

    void exec(const QString &sql, const QVariantList &values = {})
    {
        db().execute(Sql(sql, values));
        if (m_progress.working)
            m_progress.working();
    }
    /// One statement for each table, "%1" standing for the table.
    void forEach(const QStringList &tables, const QString &sql)
    {
        for (const QString &t : tables)
            exec(sql.arg(t));
    }
    /// Gives columns of table the type, keeping their names, and adds the
    /// columns `added`, all in one rebuild: every rebuild rewrites the whole
    /// table, so a table changed in several ways is rewritten once.
    void changeTypes(const QString &table, const QStringList &columns, const QString &type, const QList<Added> &added = {})
    {
        QHash<QString, Change> changes;
        for (const QString &c : columns)
            changes.insert(c.toUpper(), Change{c, type, false});
        Savepoint sp(db());
        // Rewriting every row and index of a register costs far more than
        // its new columns and their first values.
        for (const Added &a : added) {
            exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(table, a.definition));
            exec(QStringLiteral("UPDATE %1 SET %2=%3").arg(table, a.definition.section(QLatin1Char(' '), 0, 0), a.source));
        }
        if (!changeTypesInPlace(table, columns, type))
            rebuildTable(table, changes, {});
        sp.commit();
        if (m_progress.working)
            m_progress.working();
    }

private:
    const UpgradeProgress &m_progress;
};

const QString TbRental = QStringLiteral("TbRental");
const QString TbSale = QStringLiteral("TbSale");
const QString TbQRental = QStringLiteral("TbQRental");
const QString TbQBuy = QStringLiteral("TbQBuy");

// The statements of each step are fixed as that build shipped them; they do
// not follow later changes of the current schema.

void from100(Runner &r)
{
    r.exec(QStringLiteral("CREATE TABLE TbSetings (ID INTEGER PRIMARY KEY AUTOINCREMENT,ZDSJH INTEGER NOT NULL DEFAULT 0)"));
    r.exec(QStringLiteral("INSERT INTO TbSetings (ZDSJH) VALUES(1)"));
    // The areas and years of use take decimals, in the order TbRental.JZMJ,
    // TbSale.SYNX and JZMJ, TbQRental.JZMJ, TbQBuy.SYNX and JZMJ.
    const QString money = QStringLiteral("MONEY");
    r.changeTypes(TbRental, {QStringLiteral("JZMJ")}, money);
    r.changeTypes(TbSale, {QStringLiteral("SYNX"), QStringLiteral("JZMJ")}, money);
    r.changeTypes(TbQRental, {QStringLiteral("JZMJ")}, money);
    r.changeTypes(TbQBuy, {QStringLiteral("SYNX"), QStringLiteral("JZMJ")}, money);
    // Prices change from yuan to units of 10,000 yuan. Divided as decimals:
    // a price stored as a whole number must not lose its fraction.
    r.forEach({TbSale, TbQBuy}, QStringLiteral("UPDATE %1 SET SJ=ROUND(SJ/10000.0,4) WHERE typeof(SJ) IN ('integer','real')"));
}

void from101(Runner &r)
{
    r.exec(QStringLiteral("ALTER TABLE TbSetings ADD COLUMN WLTXZ TEXT(15)"));
}

void from102(Runner &r)
{
    // The approximate address starts as the full address; the ID card
    // columns take 20 characters. Both in the one rebuild of each table.
    const QList<Added> roughAddress = {{QStringLiteral("DGDZ TEXT(100)"), QStringLiteral("FWDZ")}};
    const QString idCard = QStringLiteral("TEXT(20)");
    r.changeTypes(TbRental, {QStringLiteral("LXRSFZH"), QStringLiteral("CZRSFZH")}, idCard, roughAddress);
    r.changeTypes(TbSale, {QStringLiteral("LXRSFZH"), QStringLiteral("GMRSFZH")}, idCard, roughAddress);
    r.changeTypes(TbQRental, {QStringLiteral("LXRSFZH")}, idCard, roughAddress);
    r.changeTypes(TbQBuy, {QStringLiteral("LXRSFZH")}, idCard, roughAddress);
    r.exec(QStringLiteral("ALTER TABLE TbSetings ADD COLUMN XSLJ INTEGER NOT NULL DEFAULT 0"));
    r.exec(QStringLiteral("UPDATE TbSetings SET XSLJ=1"));
    r.exec(QStringLiteral("CREATE TABLE TbRes (ID INTEGER PRIMARY KEY AUTOINCREMENT,ZYMC TEXT(20) NOT NULL DEFAULT '',"
                          "LLQX INTEGER NOT NULL DEFAULT 0,XZQX INTEGER NOT NULL DEFAULT 0,XGQX INTEGER NOT NULL DEFAULT 0,"
                          "SCQX INTEGER NOT NULL DEFAULT 0,DYQX INTEGER NOT NULL DEFAULT 0,DHQX INTEGER NOT NULL DEFAULT 0,"
                          "GLQX INTEGER NOT NULL DEFAULT 0,Sort INTEGER NOT NULL DEFAULT 0,YHID INTEGER NOT NULL DEFAULT 0)"));
    r.exec(QStringLiteral("CREATE INDEX IxTbResYHID ON TbRes (YHID)"));
    // Every existing user starts with every right; the ids are read first so
    // no result stays open while the rows are written.
    QList<int> users;
    {
        auto st = db().prepare(Sql(QStringLiteral("SELECT ID FROM TbUser ORDER BY ID")));
        while (st->step())
            users << int(st->int64(0));
    }
    for (int id : users)
        CreateDefaultRights(id);
    QStringList rightsColumns;
    for (int n = 1; n <= 10; ++n)
        rightsColumns << QStringLiteral("QX%1").arg(n);
    DropColumns(QStringLiteral("TbUser"), rightsColumns);
}

void from103(Runner &r)
{
    r.exec(QStringLiteral("ALTER TABLE TbSetings ADD COLUMN CZRZ INTEGER NOT NULL DEFAULT 0"));
    r.exec(QStringLiteral("UPDATE TbSetings SET CZRZ=0"));
    r.exec(QStringLiteral("CREATE TABLE TbLog (ID INTEGER PRIMARY KEY AUTOINCREMENT,CZSJ DATE NOT NULL DEFAULT '',"
                          "CZHD TEXT(20) NOT NULL DEFAULT '',CZRY TEXT(20) NOT NULL DEFAULT '',XXQK TEXT(255) NOT NULL DEFAULT '')"));
    r.exec(QStringLiteral("CREATE INDEX IxTbLogCZSJ ON TbLog (CZSJ)"));
    r.exec(QStringLiteral("CREATE TABLE TbBranch (ID INTEGER PRIMARY KEY AUTOINCREMENT,FDMC TEXT(50),FDDZ TEXT(100),FDDH TEXT(40))"));
    r.forEach({QStringLiteral("TbUser"), TbRental, TbSale, TbQRental, TbQBuy},
              QStringLiteral("ALTER TABLE %1 ADD COLUMN SSFD TEXT(50)"));
}

void from104(Runner &r)
{
    for (const QString &t : {TbRental, TbSale}) {
        r.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN ZLC INTEGER").arg(t));
        r.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN JFRQ DATE").arg(t));
        r.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN GGFB BIT").arg(t));
        r.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN YS BIT").arg(t));
    }
    r.forEach({TbRental, TbSale}, QStringLiteral("ALTER TABLE %1 ADD COLUMN FXT MEMO"));
}

using StepFn = void (*)(Runner &);
const StepFn Steps[] = {from100, from101, from102, from103, from104};

} // namespace

QStringList KnownBuilds()
{
    return {QStringLiteral("Build1.00"), QStringLiteral("Build1.01"), QStringLiteral("Build1.02"),
            QStringLiteral("Build1.03"), QStringLiteral("Build1.04"), Schema::CurrentBuild};
}

QString ReadDbVersion()
{
    return ReadDbVersion(db());
}

QString ReadDbVersion(Database &file)
{
    if (!file.tableExists(QStringLiteral("TbVersion")))
        return {};
    auto st = file.prepare(Sql(QStringLiteral("SELECT BBH FROM TbVersion ORDER BY ID LIMIT 1")));
    return st->step() ? st->value(0).toString() : QString();
}

void UpgradeDb(const UpgradeProgress &progress)
{
    // The indexes below are built from the registers the steps have just
    // read: with the steps' cache still in place they are not read again.
    const BulkWork bulk;
    UpgradeFrom(ReadDbVersion(), progress);
    // Indexes added to the schema since a file was made, whatever its build:
    // the searches rely on them. Present ones cost a look at the catalogue.
    // All in one transaction: one commit instead of one for each index.
    Savepoint indexes(db());
    for (const TableDef &t : Schema::tables()) {
        if (!db().tableExists(t.name))
            continue;
        for (const QString &ix : Schema::createIndexSql(t))
            db().execute(Sql(ix));
    }
    indexes.commit();
}

void UpgradeFrom(const QString &build, const UpgradeProgress &progress)
{
    const QStringList builds = KnownBuilds();
    const int start = int(builds.indexOf(build));
    if (start < 0) {
        // Opening a file this program does not understand could damage it.
        const QString file = db().path();
        if (build.trimmed().isEmpty())
            throw EngineError(tr("数据文件“%1”中没有版本信息，不是本程序能识别的数据文件，不能打开。").arg(file));
        throw EngineError(tr("数据文件“%1”的版本“%2”不能识别，它可能由更新版本的程序建立，本程序不能打开它。")
                              .arg(file, build));
    }
    if (start == int(builds.size()) - 1)
        return;
    Runner runner(progress);
    const BulkWork bulk;
    try {
        for (int i = start; i + 1 < int(builds.size()); ++i) {
            if (progress.stepStarted)
                progress.stepStarted(builds[i], builds[i + 1]);
            // All or nothing: a failure leaves the file at builds[i], and the
            // next opening starts this step again from its first statement.
            Savepoint step(db());
            Steps[i](runner);
            runner.exec(QStringLiteral("UPDATE TbVersion SET BBH=?,FBRQ=?"), {builds[i + 1], QDate::currentDate()});
            step.commit();
        }
    } catch (...) {
        if (progress.finished)
            progress.finished();
        throw;
    }
    if (progress.finished)
        progress.finished();
}

void ChangeColumnType(const QString &table, const QString &column, const QString &newColumn, const QString &type)
{
    requireName(column);
    requireName(newColumn);
    // "MONEY NULL" and "TEXT(20) NOT NULL" name the nullability after the type.
    QString bare = type.trimmed();
    bool notNull = false;
    static const QRegularExpression nullability(QStringLiteral("\\s+(NOT\\s+)?NULL$"), QRegularExpression::CaseInsensitiveOption);
    const auto m = nullability.match(bare);
    if (m.hasMatch()) {
        notNull = !m.captured(1).isEmpty();
        bare = bare.left(m.capturedStart()).trimmed();
    }
    static const QRegularExpression plainType(QStringLiteral("^[A-Za-z]+(\\(\\d+\\))?$"));
    if (!plainType.match(bare).hasMatch())
        throw EngineError(tr("数据文件升级：类型“%1”不合法。").arg(type));
    bool found = false;
    for (const ColumnInfo &c : tableColumns(table))
        found = found || c.name.compare(column, Qt::CaseInsensitive) == 0;
    if (!found)
        throw EngineError(tr("数据表“%1”中没有字段“%2”。").arg(table, column));
    Savepoint sp(db());
    rebuildTable(table, {{column.toUpper(), Change{newColumn, bare, notNull}}}, {});
    sp.commit();
}

void DropColumns(const QString &table, const QStringList &columns)
{
    QStringList present;
    for (const ColumnInfo &c : tableColumns(table))
        if (columns.contains(c.name, Qt::CaseInsensitive))
            present << c.name;
    if (present.isEmpty())
        return;
    Savepoint sp(db());
    rebuildTable(table, {}, present);
    sp.commit();
}

} // namespace brel
