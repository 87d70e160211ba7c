// The upgrade of an old office's file: Build1.00 with 100,000 rows in each
// register, brought to the current build in one opening.

#include "Benchmarks.h"
#include "BareSqlite.h"

#include "datastore/DataModule.h"
#include "datastore/Schema.h"
#include "datastore/Upgrade.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

namespace brel::bench {

namespace {

constexpr int RowsPerRegister = 100000;

QString generator()
{
    const QString set = qEnvironmentVariable("BRELVANTO_DATAGEN");
    return set.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/../datagen/brelvanto-datagen") : set;
}

/// Milliseconds of the rewriting an upgrade of path cannot do without, on a
/// bare connection with the same page cache: the prices divided, the rough
/// address filled, each in one transaction, and the current indexes built.
/// Changing the declared types, the small tables and every check are left out.
double timeBareUpgrade(const QString &path)
{
    QStringList indexes;
    for (const TableDef &t : Schema::tables())
        if (Schema::registerTables().contains(t.name))
            indexes << Schema::createIndexSql(t);
    QStringList address;
    for (const QString &t : Schema::registerTables())
        address << QStringLiteral("ALTER TABLE %1 ADD COLUMN DGDZ TEXT(100); UPDATE %1 SET DGDZ=FWDZ;").arg(t);
    const QList<QByteArray> work = {
        "PRAGMA cache_size=-131072; PRAGMA secure_delete=0",
        "BEGIN; UPDATE TbSale SET SJ=ROUND(SJ/10000.0,4) WHERE typeof(SJ) IN ('integer','real');"
        " UPDATE TbQBuy SET SJ=ROUND(SJ/10000.0,4) WHERE typeof(SJ) IN ('integer','real'); COMMIT",
        ("BEGIN; " + address.join(QLatin1Char(' ')) + QStringLiteral(" COMMIT")).toUtf8(),
        ("BEGIN; " + indexes.join(QStringLiteral("; ")) + QStringLiteral("; COMMIT")).toUtf8(),
    };
    QElapsedTimer timer;
    timer.start();
    BareSqlite bare(path);
    for (const QByteArray &sql : work) {
        if (sqlite3_exec(bare.handle(), sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            qWarning("bare upgrade: %s", sqlite3_errmsg(bare.handle()));
            return -1;
        }
    }
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

void runUpgradeBenchmark(QTextStream &out)
{
    const QString made = QDir(QDir::tempPath()).filePath(QStringLiteral("brelvanto-bench-build100-100k.mdb"));
    if (!QFileInfo::exists(made)) {
        out << "making " << made << " (Build1.00, " << RowsPerRegister << " rows per register)..." << Qt::endl;
        QProcess datagen;
        datagen.setProcessChannelMode(QProcess::ForwardedChannels);
        datagen.start(generator(), {QStringLiteral("--build"), QStringLiteral("Build1.00"), made,
                                    QString::number(RowsPerRegister)});
        if (!datagen.waitForFinished(-1) || datagen.exitCode() != 0) {
            out << "upgrade: the data generator failed" << Qt::endl;
            return;
        }
    }
    const QString work = QDir(QDir::tempPath()).filePath(QStringLiteral("brelvanto-bench-upgrade.mdb"));
    QFile::remove(work);
    QFile::copy(made, work);
    const double bareMs = timeBareUpgrade(work);
    QFile::remove(work);
    QFile::copy(made, work);

    TDM dm;
    dm.DbBase->open(work, TDM::Password);
    int steps = 0;
    UpgradeProgress progress;
    progress.stepStarted = [&](const QString &, const QString &) { ++steps; };
    QElapsedTimer timer, lap;
    timer.start();
    lap.start();
    if (qEnvironmentVariableIsSet("BRELVANTO_BENCH_LAPS"))
        progress.working = [&] { out << "  lap " << lap.restart() << " ms" << Qt::endl; };
    UpgradeDb(progress);
    const double ms = timer.nsecsElapsed() / 1e6;
    out << "upgrade_build100_to_current_" << RowsPerRegister << "_rows_per_register_ms: " << QString::number(ms, 'f', 0)
        << " (" << steps << " steps, now " << ReadDbVersion() << ")" << Qt::endl;
    if (bareMs > 0)
        printRatio(out, QStringLiteral("upgrade_build100_vs_engine_rewrite"), ms, bareMs);
    dm.DbBase->close();
    QFile::remove(work);
}

} // namespace brel::bench
