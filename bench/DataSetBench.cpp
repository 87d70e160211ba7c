#include "Benchmarks.h"
#include "BareSqlite.h"

#include "datastore/DataSet.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

namespace brel::bench {

namespace {

constexpr int FirstRows = 100;
constexpr int Runs = 3;

/// A value from /proc/self/status in kB.
qint64 statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

/// Resets the peak (VmHWM) to the current size, so the file making does not count.
void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

/// The data-set figures done with nothing but the engine's C interface.
class Bare : public BareSqlite {
public:
    using BareSqlite::BareSqlite;

    qint64 firstRows(const QByteArray &since)
    {
        sqlite3_stmt *st = search(since, true);
        std::vector<Row> rows;
        rows.reserve(FirstRows);
        for (int i = 0; i < FirstRows && sqlite3_step(st) == SQLITE_ROW; ++i)
            rows.push_back(readRow(st));
        sqlite3_finalize(st);
        return qint64(rows.size());
    }
    qint64 count(const QByteArray &since)
    {
        const QByteArray sql = QStringLiteral("SELECT COUNT(*) FROM TbRental WHERE ZTW=? AND LRRQ>=?").toUtf8();
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(handle(), sql.constData(), int(sql.size()), &st, nullptr);
        sqlite3_bind_text(st, 1, "00", 2, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, since.constData(), int(since.size()), SQLITE_TRANSIENT);
        const qint64 n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
        sqlite3_finalize(st);
        return n;
    }
    /// Position of the row with that ID, its fields read.
    qint64 locate(const QByteArray &since, qint64 id)
    {
        sqlite3_stmt *st = search(since, true);
        qint64 row = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            if (sqlite3_column_int64(st, 0) == id) {
                readRow(st);
                break;
            }
            ++row;
        }
        sqlite3_finalize(st);
        return row;
    }
    qint64 lastId(const QByteArray &since)
    {
        const QByteArray sql = QStringLiteral("SELECT ID FROM TbRental WHERE ZTW=? AND LRRQ>=? ORDER BY SJH DESC LIMIT 1").toUtf8();
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(handle(), sql.constData(), int(sql.size()), &st, nullptr);
        sqlite3_bind_text(st, 1, "00", 2, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, since.constData(), int(since.size()), SQLITE_TRANSIENT);
        const qint64 id = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
        sqlite3_finalize(st);
        return id;
    }
};

qint64 readFirstRows(DataSet &ds)
{
    qint64 sum = 0;
    for (int row = 0; row < FirstRows; ++row)
        for (int f = 0; f < ds.fieldCount(); ++f)
            sum += ds.valueAt(row, f).isNull() ? 0 : 1;
    return sum;
}

} // namespace

void printRatio(QTextStream &out, const QString &name, double appMs, double bareMs)
{
    const double ratio = bareMs > 0 ? appMs / bareMs : 0;
    out << name << ": " << QString::number(ratio, 'f', 2) << " x bare (app " << QString::number(appMs, 'f', 2) << " ms, bare "
        << QString::number(bareMs, 'f', 2) << " ms)" << Qt::endl;
}

void runDataSetBenchmarks(const QString &dataFile, QTextStream &out)
{
    resetPeak();
    const qint64 startKb = statusKb("VmRSS");

    Database db;
    db.open(dataFile, BenchPassword);
    Bare bare(dataFile);
    const QByteArray since = bare.earliestEntry();
    const Sql search(SearchText, {QStringLiteral("00"), QDate::fromString(QString::fromLatin1(since), QStringLiteral("yyyy-MM-dd"))},
                     SearchOrder);
    const qint64 lastId = bare.lastId(since);

    // App and bare runs alternate, and each figure is the best run, so a
    // busy machine hurts neither side more than the other.
    auto open = [&] {
        auto ds = std::make_unique<DataSet>(&db);
        ds->setSql(search);
        ds->open();
        readFirstRows(*ds);
        return ds;
    };
    auto timed = [](const std::function<void()> &work) {
        QElapsedTimer t;
        t.start();
        work();
        return t.nsecsElapsed() / 1e6;
    };
    double appOpen = 1e100, bareOpen = 1e100, appCountOnly = 1e100, bareCount = 1e100, appLocate = 1e100,
           bareLocate = 1e100;
    std::unique_ptr<DataSet> kept;
    for (int i = 0; i < 20; ++i) {
        kept.reset();
        appOpen = std::min(appOpen, timed([&] { kept = open(); }));
        bareOpen = std::min(bareOpen, timed([&] { bare.firstRows(since); }));
    }
    qint64 peakKb = statusKb("VmHWM");
    const int fetched = kept->fetchedRowCount();

    qint64 rows = 0;
    int locatedRow = -1;
    qint64 bareRow = 0;
    for (int i = 0; i < Runs; ++i) {
        auto ds = open();
        appCountOnly = std::min(appCountOnly, timed([&] { ds->recordCount(); }));
        bareCount = std::min(bareCount, timed([&] { rows = bare.count(since); }));
        ds = open();
        appLocate = std::min(appLocate, timed([&] {
            if (!ds->locate(lastId))
                qFatal("the last row was not found");
            for (int f = 0; f < ds->fieldCount(); ++f)
                ds->value(f);
        }));
        locatedRow = ds->recNo();
        peakKb = std::max(peakKb, statusKb("VmHWM"));
        bareLocate = std::min(bareLocate, timed([&] { bareRow = bare.locate(since, lastId); }));
    }
    kept.reset();
    if (bareRow != locatedRow)
        out << "warning: the data set found the last row at " << locatedRow << ", the bare search at " << bareRow << Qt::endl;

    out << "rows: " << rows << " matching of " << QFileInfo(dataFile).fileName() << Qt::endl;
    printRatio(out, QStringLiteral("open_first_100"), appOpen, bareOpen);
    printRatio(out, QStringLiteral("record_count"), appCountOnly, bareCount);
    printRatio(out, QStringLiteral("locate_last"), appLocate, bareLocate);
    out << "rows_read_to_open: " << fetched << Qt::endl;
    out << "peak_memory_mb: " << QString::number((peakKb - startKb) / 1024.0, 'f', 1) << Qt::endl;
}

} // namespace brel::bench
