// Backup and compaction of the million-row working file, each against
// copying the same file with cp in the same run.

#include "Benchmarks.h"
#include "BareSqlite.h"

#include "datastore/DataFiles.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

namespace brel::bench {

namespace {

constexpr int Runs = 3;

/// Writes out what earlier steps left for the disk: each side starts from
/// the same state instead of paying for the one before it.
void settle()
{
    ::sync();
}

/// Milliseconds of `cp source target`; negative when cp failed.
double timeCp(const QString &source, const QString &target)
{
    QFile::remove(target);
    settle();
    QElapsedTimer timer;
    timer.start();
    const int rc = QProcess::execute(QStringLiteral("cp"), {source, target});
    return rc == 0 ? timer.nsecsElapsed() / 1e6 : -1;
}

/// Milliseconds of the engine's own rebuild of source into target, keyed
/// alike, on a bare connection: no checks, no statistics, no window.
double timeBareExport(const QString &source, const QString &target)
{
    QFile::remove(target);
    // The bare connection may not create files: an empty one is a new database.
    QFile(target).open(QIODevice::WriteOnly);
    settle();
    QElapsedTimer timer;
    timer.start();
    {
        BareSqlite bare(source);
        const QByteArray attach = QStringLiteral("ATTACH DATABASE '%1' AS compacted KEY '%2'").arg(target, BenchPassword).toUtf8();
        for (const char *sql : {attach.constData(), "SELECT sqlcipher_export('compacted')", "DETACH DATABASE compacted"}) {
            if (sqlite3_exec(bare.handle(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
                qWarning("bare export: %s", sqlite3_errmsg(bare.handle()));
                return -1;
            }
        }
    }
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

void runDataFileBenchmarks(const QString &dataFile, QTextStream &out)
{
    const QDir tmp(QDir::tempPath());
    const QString copy = tmp.filePath(QStringLiteral("brelvanto-bench-cp.mdb"));
    const QString backup = tmp.filePath(QStringLiteral("brelvanto-bench-backup.mdb"));
    const QString work = tmp.filePath(QStringLiteral("brelvanto-bench-compact.mdb"));
    out << "data file: " << QString::number(QFileInfo(dataFile).size() / 1048576.0, 'f', 1) << " MB" << Qt::endl;
    // Once for the page cache, so both sides read the file from memory; then
    // the best of a few runs of each side, as the disk's write-back varies.
    timeCp(dataFile, copy);
    double cpMs = -1;
    for (int run = 0; run < Runs; ++run) {
        const double ms = timeCp(dataFile, copy);
        if (ms >= 0 && (cpMs < 0 || ms < cpMs))
            cpMs = ms;
    }
    if (cpMs < 0) {
        out << "datafiles: cp failed" << Qt::endl;
        return;
    }

    TDM dm;
    dm.DbBase->open(dataFile, TDM::Password);
    WorkingFile = dataFile;
    QString reason;
    QElapsedTimer timer;
    bool backedUp = true;
    double backupMs = -1;
    for (int run = 0; run < Runs && backedUp; ++run) {
        QFile::remove(backup);
        settle();
        timer.start();
        backedUp = BackupWorkingFile(backup, &reason);
        const double ms = timer.nsecsElapsed() / 1e6;
        if (backupMs < 0 || ms < backupMs)
            backupMs = ms;
    }
    if (!backedUp)
        out << "backup failed: " << reason << Qt::endl;
    else
        printRatio(out, QStringLiteral("backup_1m_rows"), backupMs, cpMs);
    dm.DbBase->close();

    // The compaction replaces its file: it works on a copy of the benchmark file.
    const double engineMs = timeBareExport(dataFile, copy);
    timeCp(dataFile, work);
    dm.DbBase->open(work, TDM::Password);
    WorkingFile = work;
    TDM::CompactFailure failure;
    settle();
    timer.restart();
    const double ratio = dm.CompactWorkingFile(&failure, [](int) {});
    const double compactMs = timer.nsecsElapsed() / 1e6;
    if (ratio == 0)
        out << "compaction failed: " << failure.reason << Qt::endl;
    else {
        printRatio(out, QStringLiteral("compaction_1m_rows"), compactMs, cpMs);
        // How near the program comes to the engine's own limit: a rebuild
        // decrypts and encrypts every page, which cp never does.
        if (engineMs > 0)
            printRatio(out, QStringLiteral("compaction_1m_rows_vs_engine_export"), compactMs, engineMs);
        else
            out << "compaction: the bare export failed" << Qt::endl;
    }
    dm.DbBase->close();
    WorkingFile.clear();
    for (const QString &f : {copy, backup, work})
        QFile::remove(f);
}

} // namespace brel::bench
