#include "datastore/DataSet.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace brel;

/// A million-row result must open, count, jump to its end and find a row
/// while reading only a few pages.
class TestDataSetLazy : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    Database m_db;

    qint64 idOf(const QString &sjh)
    {
        auto st = m_db.prepare(Sql(QStringLiteral("SELECT ID FROM TbRental WHERE SJH=?"), {sjh}));
        return st->step() ? st->int64(0) : 0;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString path = m_dir.filePath(QStringLiteral("big.mdb"));
        test::makeBlankFile(path);
        m_db.open(path, test::DataPassword);
        // Only the receipt-number index matters here; the others just slow the fill.
        for (const char *ix : {"IxTbRentalLRRQ", "IxTbRentalZTW_LRRQ", "IxTbRentalGZBJRQ"})
            m_db.execute(Sql(QStringLiteral("DROP INDEX %1").arg(QString::fromLatin1(ix))));
        Transaction tx(m_db);
        m_db.execute(Sql(QStringLiteral(
            "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<1000000) "
            "INSERT INTO TbRental (SJH, ZTW, FWDZ, LRRQ) "
            "SELECT 'M' || (1000000 + x), CASE WHEN x % 10 = 0 THEN '01' ELSE '00' END, 'S', '2020-01-01' FROM c")));
        m_db.execute(Sql(QStringLiteral("INSERT INTO TbRental (SJH, ZTW) VALUES ('A0000001', '00')")));
        tx.commit();
    }

    void millionRows()
    {
        DataSet ds(&m_db);
        ds.setSql(Sql(QStringLiteral("SELECT *, CASE ZTW WHEN '00' THEN '未出租' WHEN '01' THEN '已出租' ELSE '' END AS ZTW_TXT "
                                     "FROM TbRental"),
                      {}, QStringLiteral("SJH")));
        ds.open();
        const int page = ds.pageSize();
        QVERIFY(ds.fetchedRowCount() <= page);
        QCOMPARE(ds.asText(QStringLiteral("SJH")), QStringLiteral("A0000001"));
        QCOMPARE(ds.recordCount(), 1000001);
        QVERIFY(ds.fetchedRowCount() <= page);

        ds.last();
        QCOMPARE(ds.recNo(), 1000000);
        QCOMPARE(ds.asText(QStringLiteral("SJH")), QStringLiteral("M2000000"));
        QCOMPARE(ds.asText(QStringLiteral("ZTW_TXT")), QStringLiteral("已出租"));
        QVERIFY(ds.eof());
        QVERIFY(ds.fetchedRowCount() <= 2 * page);

        QVERIFY(ds.locate(idOf(QStringLiteral("M1500000"))));
        QCOMPARE(ds.asText(QStringLiteral("SJH")), QStringLiteral("M1500000"));
        QCOMPARE(ds.recNo(), 500000);
        QVERIFY(ds.fetchedRowCount() <= 3 * page);
        ds.next();
        QCOMPARE(ds.asText(QStringLiteral("SJH")), QStringLiteral("M1500001"));
        QCOMPARE(ds.valueAt(10, ds.fieldIndex(QStringLiteral("SJH"))).toString(), QStringLiteral("M1000010"));
        QCOMPARE(ds.recNo(), 500001);
        QVERIFY(ds.fetchedRowCount() <= 4 * page);

        // Editing deep inside keeps the count and the neighbours.
        ds.setValue(QStringLiteral("FWDZ"), QStringLiteral("改过的"));
        ds.post();
        ds.prior();
        QCOMPARE(ds.asText(QStringLiteral("SJH")), QStringLiteral("M1500000"));
        ds.next();
        QCOMPARE(ds.asText(QStringLiteral("FWDZ")), QStringLiteral("改过的"));
        QCOMPARE(ds.recordCount(), 1000001);
        QVERIFY(ds.fetchedRowCount() <= 5 * page);
    }

    void memoryStaysBounded()
    {
        // Walking far through the result keeps only the newest pages.
        DataSet ds(&m_db);
        ds.setSql(Sql(QStringLiteral("SELECT * FROM TbRental"), {}, QStringLiteral("SJH")));
        ds.setPageSize(100);
        ds.setCacheLimit(3);
        ds.open();
        for (int row = 0; row < 2000; row += 50)
            QCOMPARE(ds.valueAt(row, ds.fieldIndex(QStringLiteral("SJH"))).toString(),
                     row == 0 ? QStringLiteral("A0000001") : QStringLiteral("M%1").arg(1000000 + row));
        QCOMPARE(ds.fetchedRowCount(), 2000);
        // An early row was dropped from the cache and is read again on demand,
        // with the rows after it up to a screenful.
        QCOMPARE(ds.valueAt(150, ds.fieldIndex(QStringLiteral("SJH"))).toString(), QStringLiteral("M1000150"));
        QVERIFY(ds.fetchedRowCount() > 2000);
        QVERIFY(ds.fetchedRowCount() <= 2100);
        QCOMPARE(ds.recNo(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDataSetLazy)
#include "TestDataSetLazy.moc"
