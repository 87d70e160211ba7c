#include "datastore/RowCache.h"

#include <QTest>

using namespace brel;

namespace {
QVector<Row> rows(int first, int count)
{
    QVector<Row> out;
    for (int i = 0; i < count; ++i)
        out.append(Row{QVariant(qint64(1000 + first + i))});
    return out;
}
qint64 idAt(RowCache &cache, int row)
{
    const Row *r = cache.find(row);
    return r ? r->at(0).toLongLong() : -1;
}
} // namespace

/// The row cache of the data sets on its own: runs that never overlap,
/// least recently used pages dropped first, rows moving up after a removal.
class TestDataSetCache : public QObject {
    Q_OBJECT
private slots:
    void freeRange_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        // Cached: [100, 150) and [300, 356).
        QTest::newRow("empty start") << 5 << 0 << 100;
        QTest::newRow("after a short page") << 160 << 150 << 200;
        QTest::newRow("before a page") << 250 << 200 << 300;
        QTest::newRow("after the last page") << 400 << 400 << 500;
        QTest::newRow("right after a page") << 356 << 356 << 400;
    }
    void freeRange()
    {
        QFETCH(int, row);
        QFETCH(int, first);
        QFETCH(int, last);
        RowCache cache;
        cache.insertPage(100, rows(100, 50));
        cache.insertPage(300, rows(300, 56));
        QVERIFY(!cache.contains(row));
        QCOMPARE(cache.freeRange(row, 100), std::make_pair(first, last));
    }

    void mergesAndEvicts()
    {
        RowCache cache(2);
        cache.insertPage(0, rows(0, 50), 100);
        cache.insertPage(50, rows(50, 50), 100); // joins the first page
        QCOMPARE(cache.pageCount(), 1);
        cache.insertPage(100, rows(100, 50), 100); // would pass the limit: a page of its own
        QCOMPARE(cache.pageCount(), 2);
        QCOMPARE(idAt(cache, 99), qint64(1099));
        QCOMPARE(idAt(cache, 0), qint64(1000)); // the first page is now the newer one
        cache.insertPage(500, rows(500, 10));
        QCOMPARE(cache.pageCount(), 2);
        QVERIFY(!cache.contains(120));
        QVERIFY(cache.contains(10));
        QVERIFY(cache.contains(505));
        QCOMPARE(cache.cachedRows(), 110);
    }

    void removeShiftsRows()
    {
        RowCache cache;
        cache.insertPage(0, rows(0, 3));
        cache.insertPage(10, rows(10, 2));
        QCOMPARE(idAt(cache, 1), qint64(1001));
        cache.removeRow(1);
        QCOMPARE(idAt(cache, 1), qint64(1002));
        QVERIFY(!cache.contains(2));
        QCOMPARE(idAt(cache, 9), qint64(1010));
        QCOMPARE(cache.findId(1011, 0), 10);
        cache.removeRow(9);
        cache.removeRow(9);
        QCOMPARE(cache.pageCount(), 1);
        QCOMPARE(cache.findId(1011, 0), -1);
        QVERIFY(cache.update(0, Row{QVariant(qint64(7))}));
        QCOMPARE(idAt(cache, 0), qint64(7));
        QVERIFY(!cache.update(5, Row{}));
    }
};

QTEST_APPLESS_MAIN(TestDataSetCache)
#include "TestDataSetCache.moc"
