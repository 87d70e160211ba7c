#pragma once

// Branch data files as the synchronisation tests make and compare them:
// keyed files in a temporary folder, read and written through connections
// of their own.

#include "datastore/Engine.h"
#include "datastore/Replica.h"
#include "support/TestFiles.h"

#include <QStringList>
#include <memory>

namespace brel::test {

inline std::unique_ptr<Database> openFile(const QString &path)
{
    auto db = std::make_unique<Database>();
    db->open(path, DataPassword);
    return db;
}

inline QStringList rowsOf(Database &db, const QString &sql)
{
    QStringList out;
    auto st = db.prepare(Sql(sql));
    while (st->step()) {
        QStringList cells;
        for (int c = 0; c < st->columnCount(); ++c)
            cells << (st->isNull(c) ? QStringLiteral("<null>") : st->value(c).toString());
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

/// Every row of the shared tables, in key order: what must agree between branches.
inline QStringList sharedRows(Database &db)
{
    QStringList out;
    for (const QString &t : ReplicatedTables()) {
        out << QStringLiteral("== ") + t;
        out << rowsOf(db, QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(t));
    }
    return out;
}

inline QStringList sharedRows(const QString &path)
{
    return sharedRows(*openFile(path));
}

/// Everything a file holds, schema and layer included.
inline QStringList wholeFile(const QString &path)
{
    auto db = openFile(path);
    QStringList out = rowsOf(*db, QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY name"));
    for (const QString &t : rowsOf(*db, QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name")))
        out << QStringLiteral("== ") + t << rowsOf(*db, QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(t));
    return out;
}

inline void exec(const QString &path, const Sql &sql)
{
    openFile(path)->execute(sql);
}

inline void addRental(Database &db, const QString &receipt, const QString &address)
{
    db.execute(Sql(QStringLiteral("INSERT INTO TbRental (SJH, FWDZ, ZTW) VALUES (?, ?, '00')"), {receipt, address}));
}

inline void addRental(const QString &path, const QString &receipt, const QString &address)
{
    addRental(*openFile(path), receipt, address);
}

/// A user with three rights rows; `mayAdd` tells the users' rights apart.
inline void addUser(Database &db, const QString &name, int mayAdd)
{
    db.execute(Sql(QStringLiteral("INSERT INTO TbUser (YHDM, YHXM, YHMM) VALUES (?, ?, 'pw')"), {name, name}));
    const qint64 id = db.lastInsertId();
    for (int sort = 1; sort <= 3; ++sort)
        db.execute(Sql(QStringLiteral("INSERT INTO TbRes (ZYMC,LLQX,XZQX,XGQX,SCQX,DYQX,DHQX,GLQX,Sort,YHID) "
                                      "VALUES (?,1,?,0,0,0,0,0,?,?)"),
                       {QStringLiteral("组%1").arg(sort), mayAdd, sort, id}));
}

inline void addUser(const QString &path, const QString &name, int mayAdd)
{
    addUser(*openFile(path), name, mayAdd);
}

} // namespace brel::test
