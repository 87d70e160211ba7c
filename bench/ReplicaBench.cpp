// The replica exchange of two branch files through one shared copy: 100,000
// rentals each, 10,000 rows changed on each side (half edited, half new),
// against copying both files, which is what a transfer costs at the least.

#include "Benchmarks.h"

#include "datastore/Engine.h"
#include "datastore/Replica.h"
#include "datastore/Schema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace brel::bench {

namespace {

constexpr int Rentals = 100000;
constexpr int Changed = 10000;
const QString Key = QStringLiteral("381957");

QString temp(const QString &name)
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("brelvanto-bench-sync-") + name + QStringLiteral(".mdb"));
}

void makeBlank(const QString &path)
{
    QFile::remove(path);
    Database db;
    db.create(path, Key);
    Schema::createAll(db);
    Schema::fillBlankContent(db);
}

void addRentals(Database &db, int count, const QString &prefix)
{
    Transaction tx(db);
    db.execute(Sql(QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<?) "
                                  "INSERT INTO TbRental (SJH, FWDZ, DGDZ, JZMJ, FX, ZJ, QY, LXR, LXRDH1, SSFD, LRR, LRRQ, ZTW, YJJE) "
                                  "SELECT ? || printf('%07d', x), '人民路' || (x % 300) || '号' || (x % 20) || '栋', '东段', "
                                  "40 + (x % 1200) / 10.0, '两室一厅', 800 + x % 9000, '城东', '王先生', '1390000' || x, "
                                  "'总店', 'admin', date('2015-01-01', '+' || (x % 3650) || ' days'), '00', 0 FROM c"),
                   {count, prefix}));
    tx.commit();
}

void change(const QString &path, const QString &prefix, int offset)
{
    Database db;
    db.open(path, Key);
    Transaction tx(db);
    db.execute(Sql(QStringLiteral("UPDATE TbRental SET FWDZ=FWDZ || ? WHERE ID IN (SELECT ID FROM TbRental ORDER BY ID "
                                  "LIMIT ? OFFSET ?)"),
                   {prefix, Changed / 2, offset}));
    tx.commit();
    addRentals(db, Changed / 2, prefix);
}

double timedSync(const QString &branch, const QString &shared)
{
    Database db;
    db.open(branch, Key);
    QElapsedTimer timer;
    timer.start();
    Synchronise(db, shared, Key);
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

void runReplicaBenchmark(QTextStream &out)
{
    const QString shared = temp(QStringLiteral("shared")), a = temp(QStringLiteral("a")), b = temp(QStringLiteral("b"));
    out << "making two branch files of " << Rentals << " rentals..." << Qt::endl;
    makeBlank(shared);
    makeBlank(a);
    makeBlank(b);
    {
        Database db;
        db.open(a, Key);
        addRentals(db, Rentals, QStringLiteral("A"));
    }
    // Both branches start from the same rows, already exchanged once.
    timedSync(a, shared);
    timedSync(b, shared);
    timedSync(a, shared);
    change(a, QStringLiteral("甲"), 0);
    change(b, QStringLiteral("乙"), Rentals / 2);

    const double app = timedSync(a, shared) + timedSync(b, shared);
    QElapsedTimer timer;
    timer.start();
    for (const QString &f : {a, b}) {
        const QString copy = f + QStringLiteral(".copy");
        QFile::remove(copy);
        QFile::copy(f, copy);
        QFile::remove(copy);
    }
    const double bare = timer.nsecsElapsed() / 1e6;
    printRatio(out, QStringLiteral("sync_two_branches_100k_rentals_10k_changed_each"), app, bare);
    timedSync(a, shared); // a learns b's changes
    const double again = timedSync(a, shared);
    out << "sync_second_run_no_changes_ms: " << QString::number(again, 'f', 0) << Qt::endl;
    for (const QString &f : {shared, a, b})
        QFile::remove(f);
}

} // namespace brel::bench
