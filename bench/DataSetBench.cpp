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
constexpr int Runs = 5;

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
    qint64 lastId(const QByteArray &since)
    {
        sqlite3_stmt *st = prepare(SearchText + QStringLiteral(" ORDER BY SJH DESC, ID DESC LIMIT 1"),
                                   {QStringLiteral("00"), QString::fromLatin1(since)});
        const qint64 id = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
        sqlite3_finalize(st);
        return id;
    }
    /// The last page: the reversed order with a LIMIT.
    int lastPage(const QByteArray &since, int rows)
    {
        return readAll(prepare(SearchText + QStringLiteral(" ORDER BY SJH DESC, ID DESC LIMIT ?"), {QStringLiteral("00"), QString::fromLatin1(since), rows}));
    }
    /// The page after a row: one step by key from its order values.
    int pageAfter(const QByteArray &since, const QString &sjh, qint64 id, int rows)
    {
        return readAll(prepare(SearchText + QStringLiteral(" AND SJH >= ? AND (SJH > ? OR (SJH = ? AND ID > ?)) ORDER BY SJH, ID LIMIT ?"),
                               {QStringLiteral("00"), QString::fromLatin1(since), sjh, sjh, sjh, id, rows}));
    }
    /// A page in the middle: the row before it found by OFFSET along the
    /// index that covers the order and the condition, then one keyed step.
    int pageAt(const QByteArray &since, int offset, int rows)
    {
        sqlite3_stmt *st = prepare(QStringLiteral("SELECT SJH, ID FROM TbRental WHERE ZTW=? AND LRRQ>=? ORDER BY SJH, ID LIMIT 1 OFFSET ?"),
                                   {QStringLiteral("00"), QString::fromLatin1(since), offset - 1});
        if (sqlite3_step(st) != SQLITE_ROW)
            qFatal("no row at %d", offset);
        const QString sjh = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        const qint64 id = sqlite3_column_int64(st, 1);
        sqlite3_finalize(st);
        return pageAfter(since, sjh, id, rows);
    }
    /// What the engine plans for a statement, one line per step.
    QString plan(const QString &sql, const QVariantList &values)
    {
        sqlite3_stmt *st = prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + sql, values);
        QStringList lines;
        while (sqlite3_step(st) == SQLITE_ROW)
            lines << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 3)));
        sqlite3_finalize(st);
        return lines.join(QStringLiteral(" | "));
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

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

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
    double appOpen = 1e100, bareOpen = 1e100;
    std::unique_ptr<DataSet> kept;
    for (int i = 0; i < 20; ++i) {
        kept.reset();
        appOpen = std::min(appOpen, timed([&] { kept = open(); }));
        bareOpen = std::min(bareOpen, timed([&] { bare.firstRows(since); }));
    }
    qint64 peakKb = statusKb("VmHWM");
    const int fetched = kept->fetchedRowCount();
    const int page = kept->readAhead();
    kept.reset();

    auto readCurrent = [](DataSet &ds) {
        for (int f = 0; f < ds.fieldCount(); ++f)
            ds.value(f);
    };
    double appCount = 1e100, bareCount = 1e100, appLast = 1e100, bareLast = 1e100, appNext = 1e100, bareNext = 1e100,
           appMiddle = 1e100, bareMiddle = 1e100, appLastUncounted = 1e100;
    qint64 rows = 0;
    for (int i = 0; i < Runs; ++i) {
        auto ds = open();
        appCount = std::min(appCount, timed([&] { ds->recordCount(); }));
        bareCount = std::min(bareCount, timed([&] { rows = bare.count(since); }));

        // 末条 once the footer has counted the rows, as a search window has.
        appLast = std::min(appLast, timed([&] {
            ds->last();
            readCurrent(*ds);
        }));
        if (ds->currentId() != lastId)
            qFatal("the last row is not the last row");
        bareLast = std::min(bareLast, timed([&] { bare.lastPage(since, page); }));
        auto fresh = open();
        appLastUncounted = std::min(appLastUncounted, timed([&] { fresh->last(); }));

        // The next screen after a jump to the middle.
        const int middle = int(rows / 2);
        ds = open();
        ds->recordCount();
        appMiddle = std::min(appMiddle, timed([&] {
            ds->moveTo(middle);
            readCurrent(*ds);
        }));
        bareMiddle = std::min(bareMiddle, timed([&] { bare.pageAt(since, middle / page * page, page); }));
        const int next = (middle / page + 1) * page;
        ds->moveTo(next - 1);
        const QString sjh = ds->asText(QStringLiteral("SJH"));
        const qint64 id = ds->currentId();
        appNext = std::min(appNext, timed([&] {
            ds->moveTo(next);
            readCurrent(*ds);
        }));
        bareNext = std::min(bareNext, timed([&] { bare.pageAfter(since, sjh, id, page); }));
        peakKb = std::max(peakKb, statusKb("VmHWM"));
    }

    out << "rows: " << rows << " matching of " << QFileInfo(dataFile).fileName() << Qt::endl;
    const QVariantList values{QStringLiteral("00"), QString::fromLatin1(since)};
    out << "plan_count: " << bare.plan(QStringLiteral("SELECT COUNT(*) FROM TbRental WHERE ZTW=? AND LRRQ>=?"), values) << Qt::endl;
    out << "plan_search_page: "
        << bare.plan(QStringLiteral("SELECT * FROM (%1) ORDER BY \"SJH\" ASC, \"ID\" ASC LIMIT 50").arg(SearchText), values) << Qt::endl;
    out << "plan_next_page: "
        << bare.plan(QStringLiteral("SELECT * FROM (%1) WHERE \"SJH\" >= ? AND (\"SJH\" > ? OR (\"SJH\" = ? AND \"ID\" > ?)) "
                                    "ORDER BY \"SJH\" ASC, \"ID\" ASC LIMIT 50").arg(SearchText),
                     values + QVariantList{QStringLiteral("5"), QStringLiteral("5"), QStringLiteral("5"), 1})
        << Qt::endl;
    out << "plan_far_page_key: "
        << bare.plan(QStringLiteral("SELECT \"SJH\",\"ID\" FROM (%1) ORDER BY \"SJH\" ASC, \"ID\" ASC LIMIT 1 OFFSET 400000").arg(SearchText), values)
        << Qt::endl;
    out << "plan_last_page: "
        << bare.plan(QStringLiteral("SELECT * FROM (%1) ORDER BY \"SJH\" DESC, \"ID\" DESC LIMIT 50").arg(SearchText), values) << Qt::endl;
    printRatio(out, QStringLiteral("open_first_100"), appOpen, bareOpen);
    printRatio(out, QStringLiteral("record_count"), appCount, bareCount);
    printRatio(out, QStringLiteral("last_row"), appLast, bareLast);
    printRatio(out, QStringLiteral("next_screen"), appNext, bareNext);
    printRatio(out, QStringLiteral("jump_to_middle"), appMiddle, bareMiddle);
    // Not a same-work figure: the count comes first, as the row's place needs it.
    out << "last_row_with_its_count_ms: " << QString::number(appLastUncounted, 'f', 2) << Qt::endl;
    out << "rows_read_to_open: " << fetched << Qt::endl;
    out << "peak_memory_mb: " << QString::number((peakKb - startKb) / 1024.0, 'f', 1) << Qt::endl;
}

} // namespace brel::bench
