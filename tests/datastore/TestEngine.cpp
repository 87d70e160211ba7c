#include "datastore/Engine.h"
#include "datastore/Schema.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace brel;

class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void openErrors_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expectedPart");
        QTest::newRow("missing file") << "missing" << "不存在";
        QTest::newRow("wrong password") << "wrongpw" << "密码不正确";
        QTest::newRow("not a data file") << "garbage" << "不是本系统的数据文件";
        QTest::newRow("plain sqlite file") << "plain" << "不是本系统的数据文件";
    }
    void openErrors()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expectedPart);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("数据.mdb"));
        if (kind == QLatin1String("wrongpw")) {
            test::makeBlankFile(path);
        } else if (kind == QLatin1String("garbage")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(8192, 'x'));
        } else if (kind == QLatin1String("plain")) {
            Database plain;
            plain.create(path, QString());
            plain.execute(Sql("CREATE TABLE t (a)"));
            plain.close();
        }
        Database db;
        try {
            db.open(path, kind == QLatin1String("wrongpw") ? QStringLiteral("nope") : test::DataPassword);
            QFAIL("open should have failed");
        } catch (const EngineError &e) {
            QVERIFY2(e.message().contains(expectedPart), qPrintable(e.message()));
            QVERIFY2(e.message().contains(QStringLiteral("数据.mdb")), qPrintable(e.message()));
        }
        QVERIFY(!db.isOpen());
    }

    void fileIsReallyEncrypted()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("enc.mdb"));
        const QString secret = QStringLiteral("秘密地址-ZXCVBNMQWERTY");
        {
            Database db;
            db.create(path, test::DataPassword);
            Schema::createAll(db);
            db.execute(Sql(QStringLiteral("INSERT INTO TbRental (SJH, FWDZ) VALUES (?, ?)"), {QStringLiteral("1"), secret}));
            db.close();
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray raw = f.readAll();
        QVERIFY(!raw.startsWith("SQLite format 3"));
        QVERIFY(!raw.contains(secret.toUtf8()));
        QVERIFY(!raw.contains("ZXCVBNMQWERTY"));
        QVERIFY(!raw.contains("CREATE TABLE"));

        Database db;
        QVERIFY_THROWS_EXCEPTION(EngineError, db.open(path, QString()));
        db.open(path, test::DataPassword);
        auto st = db.prepare(Sql("SELECT FWDZ FROM TbRental"));
        QVERIFY(st->step());
        QCOMPARE(st->value(0).toString(), secret);
    }

    void boundValuesRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("double quote") << "a\"b";
        QTest::newRow("apostrophe") << "O'Brien 's";
        QTest::newRow("percent and underscore") << "100%_done";
        QTest::newRow("sql text") << "x\"); DROP TABLE TbRental; --";
        QTest::newRow("chinese") << "北京市海淀区“中关村”";
    }
    void boundValuesRoundTrip()
    {
        QFETCH(QString, value);
        QTemporaryDir dir;
        Database db;
        db.create(dir.filePath(QStringLiteral("v.mdb")), test::DataPassword);
        Schema::createAll(db);
        db.execute(Sql(QStringLiteral("INSERT INTO TbRental (SJH, FWDZ) VALUES ('1', ?)"), {value}));
        db.execute(Sql(QStringLiteral("INSERT INTO TbRental (SJH, FWDZ) VALUES ('2', 'other')")));
        auto st = db.prepare(Sql(QStringLiteral("SELECT FWDZ FROM TbRental WHERE FWDZ = ?"), {value}));
        QVERIFY(st->step());
        QCOMPARE(st->value(0).toString(), value);
        QVERIFY(!st->step());
        // A LIKE with the escaped value finds exactly that row, not the other.
        auto like = db.prepare(Sql(QStringLiteral("SELECT COUNT(*) FROM TbRental WHERE FWDZ LIKE ? ESCAPE '\\'"),
                                   {QStringLiteral("%") + escapeLike(value) + QStringLiteral("%")}));
        QVERIFY(like->step());
        QCOMPARE(like->int64(0), qint64(1));
    }

    void closedConnectionReopensWithSamePathAndPassword()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.mdb"));
        test::makeBlankFile(path);
        Database db;
        db.open(path, test::DataPassword);
        int closes = 0;
        connect(&db, &Database::aboutToClose, this, [&] { ++closes; });
        db.close();
        QCOMPARE(closes, 1);
        QVERIFY(!db.isOpen());
        auto st = db.prepare(Sql("SELECT BBH FROM TbVersion"));
        QVERIFY(db.isOpen());
        QVERIFY(st->step());
        QCOMPARE(st->value(0).toString(), Schema::CurrentBuild);
    }

    void badSqlRaises()
    {
        QTemporaryDir dir;
        Database db;
        db.create(dir.filePath(QStringLiteral("b.mdb")), test::DataPassword);
        QVERIFY_THROWS_EXCEPTION(EngineError, db.execute(Sql("SELEC nonsense")));
        QVERIFY_THROWS_EXCEPTION(EngineError, db.execute(Sql("SELECT * FROM NoSuchTable")));
    }

    void transactionRollsBackUnlessCommitted()
    {
        QTemporaryDir dir;
        Database db;
        db.create(dir.filePath(QStringLiteral("t.mdb")), test::DataPassword);
        db.execute(Sql("CREATE TABLE t (a INTEGER)"));
        {
            Transaction tx(db);
            db.execute(Sql("INSERT INTO t VALUES (1)"));
        }
        {
            Transaction tx(db);
            db.execute(Sql("INSERT INTO t VALUES (2)"));
            tx.commit();
        }
        try {
            Transaction tx(db);
            db.execute(Sql("INSERT INTO t VALUES (3)"));
            throw EngineError(QStringLiteral("失败"));
        } catch (const EngineError &) {
        }
        auto st = db.prepare(Sql("SELECT group_concat(a) FROM t"));
        QVERIFY(st->step());
        QCOMPARE(st->value(0).toString(), QStringLiteral("2"));
    }

    void compactWritesKeyedCopy()
    {
        QTemporaryDir dir;
        const QString src = dir.filePath(QStringLiteral("src.mdb"));
        const QString dst = dir.filePath(QStringLiteral("dst.mdb"));
        test::makeBlankFile(src);
        {
            Database db;
            db.open(src, test::DataPassword);
            Transaction tx(db);
            for (int i = 0; i < 2000; ++i)
                db.execute(Sql(QStringLiteral("INSERT INTO TbLog (CZSJ,CZHD,CZRY,XXQK) VALUES ('2026-01-01','x','y',?)"),
                               {QString(200, QLatin1Char('z'))}));
            tx.commit();
            db.execute(Sql("DELETE FROM TbLog"));
            db.close();
        }
        Database::compact(src, dst, test::DataPassword);
        QVERIFY(QFileInfo(dst).size() < QFileInfo(src).size());
        QFile f(dst);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.read(16).startsWith("SQLite format 3"));
        Database db;
        db.open(dst, test::DataPassword);
        auto st = db.prepare(Sql("SELECT YHXM FROM TbUser WHERE ID = 1"));
        QVERIFY(st->step());
        // An existing target is refused rather than overwritten.
        QVERIFY_THROWS_EXCEPTION(EngineError, Database::compact(src, dst, test::DataPassword));
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "TestEngine.moc"
