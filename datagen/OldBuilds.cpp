#include "OldBuilds.h"

#include "SampleData.h"

#include "datastore/Engine.h"
#include "datastore/Schema.h"

#include <QFile>

#include <algorithm>
#include <stdexcept>

namespace brel::datagen {

namespace {

const QString Password = QStringLiteral("381957");
const QStringList Builds = {QStringLiteral("Build1.00"), QStringLiteral("Build1.01"), QStringLiteral("Build1.02"),
                            QStringLiteral("Build1.03"), QStringLiteral("Build1.04")};

const QStringList Registers = {QStringLiteral("TbRental"), QStringLiteral("TbSale"), QStringLiteral("TbQRental"),
                               QStringLiteral("TbQBuy")};

TableDef *find(std::vector<TableDef> &tables, const QString &name)
{
    for (TableDef &t : tables)
        if (t.name == name)
            return &t;
    throw std::runtime_error(("no table " + name).toStdString());
}

void dropTable(std::vector<TableDef> &tables, const QString &name)
{
    tables.erase(std::remove_if(tables.begin(), tables.end(), [&](const TableDef &t) { return t.name == name; }),
                 tables.end());
}

void dropColumns(std::vector<TableDef> &tables, const QStringList &names, const QStringList &columns)
{
    for (const QString &n : names) {
        TableDef *t = find(tables, n);
        auto &cols = t->columns;
        cols.erase(std::remove_if(cols.begin(), cols.end(), [&](const ColumnDef &c) { return columns.contains(c.name); }),
                   cols.end());
        // An index over a column the build did not have did not exist either.
        QStringList kept;
        for (const QString &ix : t->indexed) {
            bool ok = true;
            for (const QString &c : ix.split(QLatin1Char(',')))
                ok = ok && t->column(c);
            if (ok)
                kept << ix;
        }
        t->indexed = kept;
    }
}

void retype(std::vector<TableDef> &tables, const QString &table, const QString &column, ColType type, int size = 0)
{
    for (ColumnDef &c : find(tables, table)->columns)
        if (c.name == column) {
            c.type = type;
            c.size = size;
        }
}

int buildIndex(const QString &build)
{
    const int i = int(Builds.indexOf(build));
    if (i < 0)
        throw std::runtime_error(("unknown build " + build).toStdString());
    return i;
}

/// The current schema with the upgrade steps after `build` undone, newest first.
std::vector<TableDef> tablesOf(const QString &build)
{
    std::vector<TableDef> t = Schema::tables();
    const int b = buildIndex(build);
    const QStringList offers = {QStringLiteral("TbRental"), QStringLiteral("TbSale")};
    // Build1.05 added the total floors, handover date, notice and key marks and the floor plans.
    dropColumns(t, offers, {QStringLiteral("ZLC"), QStringLiteral("JFRQ"), QStringLiteral("GGFB"), QStringLiteral("YS"),
                            QStringLiteral("FXT")});
    if (b < 4) { // Build1.04: the log option, the log, branches, every row's branch
        dropColumns(t, {QStringLiteral("TbSetings")}, {QStringLiteral("CZRZ")});
        dropTable(t, QStringLiteral("TbLog"));
        dropTable(t, QStringLiteral("TbBranch"));
        dropColumns(t, QStringList{QStringLiteral("TbUser")} + Registers, {QStringLiteral("SSFD")});
    }
    if (b < 3) { // Build1.03: approximate address, longer ID cards, caption option, rights table
        dropColumns(t, Registers, {QStringLiteral("DGDZ")});
        retype(t, QStringLiteral("TbRental"), QStringLiteral("LXRSFZH"), ColType::Text, 18);
        retype(t, QStringLiteral("TbRental"), QStringLiteral("CZRSFZH"), ColType::Text, 18);
        retype(t, QStringLiteral("TbSale"), QStringLiteral("LXRSFZH"), ColType::Text, 18);
        retype(t, QStringLiteral("TbSale"), QStringLiteral("GMRSFZH"), ColType::Text, 18);
        retype(t, QStringLiteral("TbQRental"), QStringLiteral("LXRSFZH"), ColType::Text, 18);
        retype(t, QStringLiteral("TbQBuy"), QStringLiteral("LXRSFZH"), ColType::Text, 18);
        dropColumns(t, {QStringLiteral("TbSetings")}, {QStringLiteral("XSLJ")});
        dropTable(t, QStringLiteral("TbRes"));
        // Rights were ten flags of the user row.
        for (int n = 1; n <= 10; ++n)
            find(t, QStringLiteral("TbUser"))->columns.push_back({QStringLiteral("QX%1").arg(n), ColType::Integer});
    }
    if (b < 2) // Build1.02: the network passport
        dropColumns(t, {QStringLiteral("TbSetings")}, {QStringLiteral("WLTXZ")});
    if (b < 1) { // Build1.01: the options table; areas and years of use with decimals
        dropTable(t, QStringLiteral("TbSetings"));
        retype(t, QStringLiteral("TbRental"), QStringLiteral("JZMJ"), ColType::Integer);
        retype(t, QStringLiteral("TbSale"), QStringLiteral("JZMJ"), ColType::Integer);
        retype(t, QStringLiteral("TbSale"), QStringLiteral("SYNX"), ColType::Integer);
        retype(t, QStringLiteral("TbQRental"), QStringLiteral("JZMJ"), ColType::Integer);
        retype(t, QStringLiteral("TbQBuy"), QStringLiteral("JZMJ"), ColType::Integer);
        retype(t, QStringLiteral("TbQBuy"), QStringLiteral("SYNX"), ColType::Integer);
    }
    return t;
}

/// How a column of the older build is filled from the current sample row.
QString sourceOf(const TableDef &table, const ColumnDef &col, int b)
{
    if (col.name.startsWith(QLatin1String("QX")) && table.name == QLatin1String("TbUser"))
        return QStringLiteral("CASE WHEN ID=1 THEN 1 ELSE (ID+%1) % 2 END").arg(col.name.mid(2).toInt());
    if (b < 1 && col.name == QLatin1String("SJ"))
        return QStringLiteral("SJ*10000"); // prices were in yuan
    if (col.type == ColType::Integer && !Schema::column(table.name, col.name)->notNull &&
        Schema::column(table.name, col.name)->type == ColType::Money)
        return QStringLiteral("CAST(ROUND(%1) AS INTEGER)").arg(col.name);
    return col.name;
}

} // namespace

QStringList OldBuilds()
{
    return Builds;
}

void makeOldBuildFile(const QString &path, const QString &build, int rowsPerRegister, const QDate &today)
{
    const int b = buildIndex(build);
    // The rows are the sample office's, made at the current build first.
    const QString source = path + QStringLiteral(".source");
    const QString tmp = path + QStringLiteral(".part");
    QFile::remove(source);
    QFile::remove(tmp);
    {
        Database src;
        src.create(source, Password);
        Schema::createAll(src);
        Schema::fillBlankContent(src);
        fillSampleOffice(src, {}, today, 20050301, rowsPerRegister);
    }
    {
        Database db;
        db.create(tmp, Password);
        db.execute(Sql(QStringLiteral("ATTACH DATABASE ? AS src KEY ?"), {source, Password}));
        Transaction tx(db);
        for (const TableDef &t : tablesOf(build)) {
            db.execute(Sql(Schema::createTableSql(t)));
            for (const QString &ix : Schema::createIndexSql(t))
                db.execute(Sql(ix));
            QStringList cols, exprs;
            for (const ColumnDef &c : t.columns) {
                cols << c.name;
                exprs << sourceOf(t, c, b);
            }
            db.execute(Sql(QStringLiteral("INSERT INTO main.%1 (%2) SELECT %3 FROM src.%1 ORDER BY ID")
                               .arg(t.name, cols.join(QLatin1Char(',')), exprs.join(QLatin1Char(',')))));
        }
        db.execute(Sql(QStringLiteral("UPDATE TbVersion SET BBH=?, FBRQ=?"), {build, QDate(2004, 3, 1).addMonths(4 * b)}));
        // An office that had switched options away from what the upgrade gives new columns.
        if (b >= 1)
            db.execute(Sql("UPDATE TbSetings SET ZDSJH=0"));
        if (b >= 2)
            db.execute(Sql(QStringLiteral("UPDATE TbSetings SET WLTXZ=?"), {QStringLiteral("LYAJ-20050301")}));
        if (b >= 3)
            db.execute(Sql("UPDATE TbSetings SET XSLJ=0"));
        // Rows deleted over the years, the newest of each register among them:
        // the next row must still get a number never used before.
        for (const QString &r : Registers) {
            db.execute(Sql(QStringLiteral("DELETE FROM %1 WHERE ID=(SELECT MAX(ID) FROM %1)").arg(r)));
            db.execute(Sql(QStringLiteral("DELETE FROM %1 WHERE ID IN (3, 7)").arg(r)));
        }
        tx.commit();
        db.execute(Sql("DETACH DATABASE src"));
        db.close();
    }
    QFile::remove(source);
    QFile::remove(path);
    if (!QFile::rename(tmp, path))
        throw EngineError(QStringLiteral("无法写入“%1”。").arg(path));
}

} // namespace brel::datagen
