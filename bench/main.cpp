#include "Benchmarks.h"
#include "BareSqlite.h"

#include "datastore/Engine.h"
#include "datastore/Schema.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>

using namespace brel;

namespace {

using brel::bench::BenchPassword;
constexpr int BenchRows = 1000000;

int rentalRows(const QString &path)
{
    try {
        Database db;
        db.open(path, BenchPassword);
        auto st = db.prepare(Sql("SELECT COUNT(*) FROM TbRental"));
        return st->step() ? int(st->int64(0)) : 0;
    } catch (const EngineError &) {
        return -1;
    }
}

/// A working file as a busy office might have after many years: a million
/// rentals, most of them still on offer, entered over ten years.
void makeBenchFile(const QString &path, QTextStream &out)
{
    QFile::remove(path);
    out << "making " << path << " with " << BenchRows << " rentals..." << Qt::endl;
    QElapsedTimer timer;
    timer.start();
    Database db;
    db.create(path, BenchPassword);
    Schema::createAll(db);
    Schema::fillBlankContent(db);
    Transaction tx(db);
    db.execute(Sql(QStringLiteral(
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<?) "
        "INSERT INTO TbRental (SJH, FWDZ, DGDZ, JZMJ, FX, CX, LC, ZLC, ZJ, QY, JGRQ, FWSS, ZXQK, LXR, LXRDH1, "
        "  GGFB, YS, SSFD, LRR, LRRQ, BJRQ, BJR, ZTW, SLR, SLRQ, CZJG, YJJE, GZBJBZ) "
        "SELECT printf('%08d', x), "
        "  (CASE x % 6 WHEN 0 THEN '人民路' WHEN 1 THEN '解放大街' WHEN 2 THEN '中山北路' WHEN 3 THEN '建设路' "
        "   WHEN 4 THEN '和平里' ELSE '滨江花园' END) || (x % 300 + 1) || '号' || (x % 20 + 1) || '栋' || (x % 6 + 1) || '0' || (x % 4 + 1) || '室', "
        "  '东段' || (x % 50), 40 + (x % 1200) / 10.0, "
        "  CASE x % 4 WHEN 0 THEN '一室一厅' WHEN 1 THEN '两室一厅' WHEN 2 THEN '三室两厅' ELSE '四室两厅' END, "
        "  CASE x % 3 WHEN 0 THEN '朝南' WHEN 1 THEN '东西' ELSE '朝北' END, x % 30 + 1, 33, "
        "  800 + (x * 37) % 9000, CASE x % 5 WHEN 0 THEN '城东' WHEN 1 THEN '城西' WHEN 2 THEN '城南' WHEN 3 THEN '城北' ELSE '新区' END, "
        "  date('1990-01-01', '+' || (x % 9000) || ' days'), '水,电,煤气,暖气', '精装修', "
        "  CASE x % 7 WHEN 0 THEN '王先生' WHEN 1 THEN '李女士' WHEN 2 THEN '张先生' WHEN 3 THEN '刘女士' "
        "   WHEN 4 THEN '陈先生' WHEN 5 THEN '杨女士' ELSE '赵先生' END, "
        "  '139' || printf('%08d', (x * 7919) % 100000000), x % 2, x % 3 = 0, "
        "  CASE x % 3 WHEN 0 THEN '总店' WHEN 1 THEN '东城分店' ELSE '西城分店' END, "
        "  CASE x % 4 WHEN 0 THEN 'admin' WHEN 1 THEN '小王' WHEN 2 THEN '小李' ELSE '小张' END, "
        "  date('2015-01-01', '+' || (x * 3650 / ?) || ' days'), NULL, NULL, "
        "  CASE WHEN x % 10 < 8 THEN '00' WHEN x % 10 = 8 THEN '01' ELSE '02' END, "
        "  CASE WHEN x % 10 = 8 THEN '小王' END, CASE WHEN x % 10 = 8 THEN date('2016-01-01', '+' || (x % 3000) || ' days') END, "
        "  CASE WHEN x % 10 = 8 THEN 800 + (x * 37) % 9000 END, CASE WHEN x % 10 = 8 THEN 400 ELSE 0 END, 0 "
        "FROM c"),
        {BenchRows, BenchRows}));
    tx.commit();
    // Statistics let the planner see that the state code hardly narrows the
    // result, so the search walks the receipt-number index instead of sorting.
    db.execute(Sql("ANALYZE"));
    db.close();
    out << "made in " << timer.elapsed() / 1000.0 << " s" << Qt::endl;
}

} // namespace

// Replaced by the grid figures when they are part of the build.
__attribute__((weak)) void brel::bench::runGridBenchmarks(const QString &, QTextStream &) {}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);
    // BRELVANTO_BENCH_ONLY=pictures: the floor-plan figures, without the data
    // file; they are not part of the default run, whose memory figure they would swell.
    const QString only = qEnvironmentVariable("BRELVANTO_BENCH_ONLY");
    if (only == QLatin1String("pictures")) {
        brel::bench::runPictureBenchmarks(out);
        return 0;
    }
    if (only == QLatin1String("typing")) {
        brel::bench::runTypingBenchmark(out);
        return 0;
    }
    if (only == QLatin1String("reports")) {
        brel::bench::runReportBenchmark(out);
        return 0;
    }
    if (only == QLatin1String("sync")) {
        brel::bench::runReplicaBenchmark(out);
        return 0;
    }
    // BRELVANTO_BENCH_ONLY=upgrade: an old file of its own, not the million-row current one.
    if (only == QLatin1String("upgrade")) {
        brel::bench::runUpgradeBenchmark(out);
        return 0;
    }
    const QStringList args = app.arguments();
    // The search figures add requests to their file: a file of their own.
    const bool searchFile = only == QLatin1String("search") || only == QLatin1String("advance");
    const QString name = searchFile ? QStringLiteral("brelvanto-bench-search.mdb") : QStringLiteral("brelvanto-bench-1m.mdb");
    const QString path = args.size() > 1 ? args.at(1) : QDir(QDir::tempPath()).filePath(name);
    if (rentalRows(path) < BenchRows)
        makeBenchFile(path, out);
    else
        out << "using " << path << Qt::endl;
    if (only == QLatin1String("datafiles")) {
        brel::bench::runDataFileBenchmarks(path, out);
        return 0;
    }
    if (only == QLatin1String("search")) {
        brel::bench::runSearchBenchmarks(path, out);
        return 0;
    }
    if (only == QLatin1String("advance")) {
        brel::bench::runAdvanceSearchBenchmark(path, out);
        return 0;
    }
    brel::bench::resetPeak();
    const qint64 startKb = brel::bench::statusKb("VmRSS");
    // BRELVANTO_BENCH_ONLY=grid leaves the data-set figures out (for profiling the grid).
    if (only != QLatin1String("grid") && only != QLatin1String("first-screen"))
        brel::bench::runDataSetBenchmarks(path, out);
    brel::bench::runGridBenchmarks(path, out);
    // Every figure above, the exports included.
    out << "peak_memory_whole_run_mb: "
        << QString::number((brel::bench::statusKb("VmHWM") - startKb) / 1024.0, 'f', 1) << Qt::endl;
    return 0;
}
