#include "Benchmarks.h"
#include "BareSqlite.h"

#include "datastore/DataSet.h"
#include "datastore/FieldValue.h"
#include "datastore/SqlText.h"
#include "search/ConditionBuilder.h"
#include "search/RegisterSearchForm.h"

#include <QElapsedTimer>
#include <algorithm>
#include <functional>

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

namespace brel::bench {

namespace {

constexpr int Runs = 3;
constexpr int ScreenRows = 40;

double bestOf(const std::function<double()> &run)
{
    double best = 1e100;
    for (int i = 0; i < Runs; ++i)
        best = std::min(best, run());
    return best;
}

/// The rental search's advanced search with three conditions, as a clerk
/// fills it: area 80 to 120, district contains 城东, rent at least 3000,
/// on the houses not yet let.
Sql advancedStatement()
{
    auto row = [](const char *caption, const char *field, FieldType type, Comparison c, const char *value) {
        return ConditionRow{QString::fromUtf8(caption), QString::fromLatin1(field), type, c, QString::fromUtf8(value)};
    };
    const QVector<ConditionRow> rows{row("建筑面积", "JZMJ", FieldType::Money, Comparison::None, "80 120"),
                                     row("区域", "QY", FieldType::Text, Comparison::Contains, "城东"),
                                     row("租金", "ZJ", FieldType::Money, Comparison::AtLeast, "3000")};
    const ConditionBuilder::Result r =
        ConditionBuilder::statement(TRegisterSearchFm::ListStatement(QStringLiteral("TbRental")), rows, 1);
    if (!r.ok())
        qFatal("the advanced search does not build: %s", qPrintable(r.error));
    // The grid's default order: the receipt number.
    return r.sql.withOrderBy(QStringLiteral("SJH ASC"));
}

} // namespace

void runAdvanceSearchBenchmark(const QString &dataFile, QTextStream &out)
{
    const Sql statement = advancedStatement();
    BareSqlite bare(dataFile);
    // The best bare statement for the same result: the conditions straight on
    // the table, the first screen in receipt order, and the count.
    const QString where = statement.text.mid(SqlText::findTopLevel(statement.text, QLatin1String("WHERE")));
    // As the engine adapter stores them (amounts as REAL).
    QVariantList whereValues;
    for (const QVariant &v : statement.values.mid(statement.values.size() - 5))
        whereValues << toStorage(v);
    const QString bareRows = QStringLiteral("SELECT * FROM TbRental ") + where + QStringLiteral(" ORDER BY SJH, ID LIMIT ?");
    const QString bareCount = QStringLiteral("SELECT COUNT(*) FROM TbRental ") + where;
    for (const QString &text : {bareRows, bareCount}) {
        sqlite3_stmt *plan = bare.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + text,
                                          text == bareRows ? whereValues + QVariantList{qint64(ScreenRows)} : whereValues);
        out << "plan " << (text == bareRows ? "advanced_search_rows" : "advanced_search_count") << ":" << Qt::endl;
        while (sqlite3_step(plan) == SQLITE_ROW)
            out << "    " << reinterpret_cast<const char *>(sqlite3_column_text(plan, 3)) << Qt::endl;
        sqlite3_finalize(plan);
    }

    Database db;
    db.open(dataFile, BenchPassword);
    int appRows = 0, bareRowsRead = 0;
    const double app = bestOf([&] {
        QElapsedTimer t;
        t.start();
        DataSet q(&db);
        q.setSql(statement);
        q.open();
        appRows = std::min(q.recordCount(), ScreenRows);
        for (int r = 0; r < appRows; ++r)
            for (int f = 0; f < q.fieldCount(); ++f)
                (void)q.valueAt(r, f);
        return t.nsecsElapsed() / 1e6;
    });
    const double bareMs = bestOf([&] {
        QElapsedTimer t;
        t.start();
        sqlite3_stmt *count = bare.prepare(bareCount, whereValues);
        sqlite3_step(count);
        volatile qint64 total = sqlite3_column_int64(count, 0);
        (void)total;
        sqlite3_finalize(count);
        sqlite3_stmt *rows = bare.prepare(bareRows, whereValues + QVariantList{qint64(ScreenRows)});
        std::vector<BareSqlite::Row> kept;
        while (sqlite3_step(rows) == SQLITE_ROW)
            kept.push_back(BareSqlite::readRow(rows));
        sqlite3_finalize(rows);
        bareRowsRead = int(kept.size());
        return t.nsecsElapsed() / 1e6;
    });
    if (appRows != bareRowsRead)
        qFatal("the advanced search read %d rows, the bare side %d", appRows, bareRowsRead);
    printRatio(out, QStringLiteral("advanced_search_three_conditions"), app, bareMs);
}

} // namespace brel::bench
