#include "Benchmarks.h"
#include "BareSqlite.h"

#include "components/DataSetExport.h"
#include "components/TableExport.h"
#include "components/widgets/DataGrid.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

namespace brel::bench {

namespace {

constexpr int Runs = 3;
// A first screen takes well under a millisecond: more runs, so the best is steady.
constexpr int ScreenRuns = 20;
constexpr int ExportRows = 100000;

GridColumns searchColumns()
{
    auto col = [](const char *caption, const char *field, int width, const char *format = "") {
        return GridColumn{QString::fromUtf8(caption), QString::fromLatin1(field), 1, width, QString::fromLatin1(format), true};
    };
    return {col("收件号", "SJH", 80),          col("房屋地址", "DGDZ", 160),      col("区域", "QY", 60),
            col("房型", "FX", 80),             col("朝向", "CX", 50),            col("楼层", "LC", 40),
            col("建筑面积", "JZMJ", 70, "#0.00"), col("租金", "ZJ", 70, "#0.00"),    col("联系人", "LXR", 60),
            col("所属分店", "SSFD", 80),        col("录入人", "LRR", 60),         col("录入日期", "LRRQ", 80),
            col("状态位", "ZTW_TXT", 60)};
}

double bestOf(const std::function<double()> &run)
{
    double best = 1e100;
    for (int i = 0; i < Runs; ++i)
        best = std::min(best, run());
    return best;
}

/// The same screens read with nothing but the engine's C interface: the
/// search stepped in the same order, the shown cells of each row on screen
/// kept in owned storage.
class Bare : public BareSqlite {
public:
    using BareSqlite::BareSqlite;

    /// Fields of the search the grid's columns show.
    void setShownFields(const QStringList &fields)
    {
        sqlite3_stmt *st = search(QByteArray("0000-00-00"), true);
        m_shown = columnsNamed(st, fields);
        sqlite3_finalize(st);
    }

    /// Reads rows rows of the search from the top; with toEnd, steps to the
    /// end and reads the last rows rows. With wholeRows every field is kept,
    /// as the data set keeps them, not only the shown ones. Returns milliseconds.
    double screen(const QByteArray &since, int rows, bool toEnd, bool wholeRows = false)
    {
        auto read = [&](sqlite3_stmt *st) { return wholeRows ? readRow(st) : readRow(st, m_shown); };
        QElapsedTimer t;
        t.start();
        std::vector<Row> kept;
        kept.reserve(size_t(rows));
        if (toEnd) {
            // The footer's count over the covering index, then the last
            // screen by the reversed order.
            sqlite3_stmt *count = prepare(QStringLiteral("SELECT COUNT(*) FROM TbRental WHERE ZTW=? AND LRRQ>=?"),
                                          {QStringLiteral("00"), QString::fromLatin1(since)});
            sqlite3_step(count);
            volatile qint64 total = sqlite3_column_int64(count, 0);
            (void)total;
            sqlite3_finalize(count);
            sqlite3_stmt *st = prepare(SearchText + QStringLiteral(" ORDER BY SJH DESC, ID DESC LIMIT ?"),
                                       {QStringLiteral("00"), QString::fromLatin1(since), rows});
            while (sqlite3_step(st) == SQLITE_ROW)
                kept.push_back(read(st));
            sqlite3_finalize(st);
        } else {
            sqlite3_stmt *st = search(since, true);
            while (int(kept.size()) < rows && sqlite3_step(st) == SQLITE_ROW)
                kept.push_back(read(st));
            sqlite3_finalize(st);
        }
        const double ms = t.nsecsElapsed() / 1e6;
        if (int(kept.size()) != rows)
            qFatal("the bare search read %d rows, not %d", int(kept.size()), rows);
        return ms;
    }

private:
    std::vector<int> m_shown;
};

} // namespace

int layOutVisibleRows(DataGrid &grid)
{
    DataGridModel *model = grid.gridModel();
    const int first = std::max(0, grid.rowAt(0));
    int last = grid.rowAt(grid.viewport()->height() - 1);
    if (last < 0)
        last = model->rowCount() - 1;
    qint64 chars = 0;
    for (int r = first; r <= last; ++r)
        for (int c = 0; c < model->columnCount(); ++c)
            chars += model->data(model->index(r, c)).toString().size();
    volatile qint64 sink = chars;
    (void)sink;
    return last - first + 1;
}


void runGridBenchmarks(const QString &dataFile, QTextStream &out)
{
    Database db;
    db.open(dataFile, BenchPassword);
    Bare bare(dataFile);
    const QByteArray since = bare.earliestEntry();
    QStringList shownFields;
    for (const GridColumn &c : searchColumns())
        shownFields << c.field;
    bare.setShownFields(shownFields);
    const Sql search(SearchText,
                     {QStringLiteral("00"), QDate::fromString(QString::fromLatin1(since), QStringLiteral("yyyy-MM-dd"))},
                     SearchOrder);

    int visibleRows = 0;
    double openShareMs = 1e100;
    double *openShare = &openShareMs;
    auto firstScreen = [&](bool deferred, double *jumpMs) {
        DataSet ds(&db);
        ds.setSql(search);
        DataSource source;
        source.setDataSet(&ds);
        DataGrid grid;
        grid.setColumns(searchColumns());
        grid.setDeferredRowCount(deferred);
        grid.setDataSource(&source);
        grid.resize(1200, 800);
        // The search window is on screen before its search runs.
        grid.show();
        QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        ds.open();
        const double opened = t.nsecsElapsed() / 1e6;
        visibleRows = layOutVisibleRows(grid);
        const double ms = t.nsecsElapsed() / 1e6;
        if (openShare)
            *openShare = std::min(*openShare, opened);
        if (jumpMs) {
            QElapsedTimer j;
            j.start();
            grid.gridModel()->finishCount();
            grid.scrollToBottom();
            layOutVisibleRows(grid);
            *jumpMs = j.nsecsElapsed() / 1e6;
        }
        return ms;
    };

    // BRELVANTO_BENCH_ONLY=first-screen: only the first screen, for profiling.
    if (qEnvironmentVariable("BRELVANTO_BENCH_ONLY") == QLatin1String("first-screen")) {
        double best = 1e100;
        for (int i = 0; i < 100; ++i)
            best = std::min(best, firstScreen(true, nullptr));
        out << "grid_first_screen_ms: " << QString::number(best, 'f', 2) << Qt::endl;
        return;
    }

    // App and bare runs alternate, so a busy moment hurts neither side more.
    double appFirst = firstScreen(true, nullptr);
    double bareFirst = 1e100;
    double bareWholeRows = 1e100;
    for (int i = 0; i < ScreenRuns; ++i) {
        appFirst = std::min(appFirst, firstScreen(true, nullptr));
        bareFirst = std::min(bareFirst, bare.screen(since, visibleRows, false));
        bareWholeRows = std::min(bareWholeRows, bare.screen(since, visibleRows, false, true));
    }
    const double appFirstCounted = bestOf([&] { return firstScreen(false, nullptr); });
    const double appJump = bestOf([&] {
        double jump = 0;
        firstScreen(true, &jump);
        return jump;
    });
    // The data set's own share: opening and reading the same cells without a view.
    auto dataSetScreen = [&] {
        DataSet ds(&db);
        ds.setSql(search);
        // As the grid sets it: a screenful per trip.
        ds.setReadAhead(visibleRows + 2);
        QElapsedTimer t;
        t.start();
        ds.open();
        // The cells the grid shows, as the bare side reads them.
        QVector<int> shown;
        for (const QString &name : shownFields)
            shown << ds.fieldIndex(name);
        qint64 n = 0;
        for (int r = 0; r < visibleRows; ++r)
            for (int f : shown)
                n += ds.valueAt(r, f).isNull() ? 0 : 1;
        volatile qint64 sink = n;
        (void)sink;
        return t.nsecsElapsed() / 1e6;
    };
    double dataSetOnly = 1e100;
    for (int i = 0; i < ScreenRuns; ++i)
        dataSetOnly = std::min(dataSetOnly, dataSetScreen());
    const double bareJump = bestOf([&] { return bare.screen(since, visibleRows, true); });

    out << "grid_visible_rows: " << visibleRows << Qt::endl;
    printRatio(out, QStringLiteral("grid_first_screen"), appFirst, bareFirst);
    printRatio(out, QStringLiteral("grid_first_screen_data_set_only"), dataSetOnly, bareFirst);
    // Not a ratio: how much of the first screen is the open with the view's answer to it.
    out << "grid_first_screen_open_share_ms: " << QString::number(openShareMs, 'f', 2) << Qt::endl;
    // Beside it, against a bare side that keeps every field of the rows, as the data set does.
    printRatio(out, QStringLiteral("grid_first_screen_vs_whole_rows"), appFirst, bareWholeRows);
    // Not a same-work figure: the whole result is counted before the screen shows.
    out << "grid_first_screen_with_count_ms: " << QString::number(appFirstCounted, 'f', 2) << Qt::endl;
    printRatio(out, QStringLiteral("grid_jump_to_last_row"), appJump, bareJump);

    // Export of the first 100,000 rows of the register in the search columns.
    DataSet ds(&db);
    ds.setSql(Sql(SearchText.left(SearchText.indexOf(QStringLiteral(" WHERE"))) + QStringLiteral(" WHERE ID<=?"),
                  {ExportRows}, QStringLiteral("ID")));
    ds.open();
    QTemporaryDir dir;
    for (ExportFormat format : {ExportFormat::Excel, ExportFormat::Text, ExportFormat::Html, ExportFormat::Xml}) {
        DataSetTableSource source(&ds, searchColumns());
        const QString path = dir.filePath(QStringLiteral("export.") + exportSuffix(format));
        QElapsedTimer t;
        t.start();
        QString error;
        if (!exportToFile(format, source, path, QStringLiteral("出租单查询"), &error)) {
            out << "export_" << exportSuffix(format) << " failed: " << error << Qt::endl;
            continue;
        }
        const double seconds = t.nsecsElapsed() / 1e9;
        out << "export_" << exportSuffix(format) << "_rows_per_s: " << qint64(ExportRows / seconds) << Qt::endl;
        QFile::remove(path);
    }
}

} // namespace brel::bench
