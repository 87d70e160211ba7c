// The upgrade of an old office's file: Build1.00 with 100,000 rows in each
// register, brought to the current build in one opening.

#include "Benchmarks.h"

#include "datastore/DataModule.h"
#include "datastore/Upgrade.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace brel::bench {

namespace {

constexpr int RowsPerRegister = 100000;

QString generator()
{
    const QString set = qEnvironmentVariable("BRELVANTO_DATAGEN");
    return set.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/../datagen/brelvanto-datagen") : set;
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
    dm.DbBase->close();
    QFile::remove(work);
}

} // namespace brel::bench
