#include "datastore/Engine.h"
#include "datastore/Schema.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>
#include <QTemporaryDir>
#include <QSemaphore>
#include <QTest>

#include <unistd.h>

#include <chrono>
#include <optional>
#include <thread>

using namespace brel;

namespace {

// The tests below start this program a second time as "another program"
// that writes to the same file: the engine's locks are kept per process.
const QString CommitOnCue = QStringLiteral("--commit-on-cue");
const QString TryWrite = QStringLiteral("--try-write");
constexpr int BigRows = 12000;

/// Changes every row of the file in one transaction, says "ready", waits for
/// a line on its input, then commits (waiting for readers as the engine does).
int commitOnCue(const QString &path)
{
    QTextStream out(stdout);
    QTextStream in(stdin);
    try {
        Database db;
        db.open(path, test::DataPassword);
        // The whole change stays in memory: nothing reaches the file before the commit.
        db.execute(Sql("PRAGMA cache_size=-65536"));
        db.begin();
        db.execute(Sql("UPDATE TbLog SET CZHD='后来'"));
        out << "ready" << Qt::endl;
        in.readLine();
        out << "committing" << Qt::endl;
        db.commit();
        out << "committed" << Qt::endl;
        return 0;
    } catch (const EngineError &e) {
        out << e.message() << Qt::endl;
        return 1;
    }
}

/// Tries to start writing for a moment: exit code 0 when it could, 3 when
/// the file is held by a writer.
int tryWrite(const QString &path)
{
    QTextStream out(stdout);
    Database db;
    try {
        db.open(path, test::DataPassword);
        db.execute(Sql("PRAGMA busy_timeout=300"));
    } catch (const EngineError &e) {
        out << e.message() << Qt::endl;
        return 1;
    }
    try {
        db.begin();
        db.rollback();
        return 0;
    } catch (const EngineError &) {
        return 3;
    }
}

/// A file of several slices of the copy (about 13 MB of log rows).
void makeBigFile(const QString &path)
{
    test::makeBlankFile(path);
    Database db;
    db.open(path, test::DataPassword);
    db.execute(Sql("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<?) "
                   "INSERT INTO TbLog (CZSJ,CZHD,CZRY,XXQK) SELECT '2026-01-01','先前','甲',hex(randomblob(500)) FROM c",
                   {BigRows}));
}

qint64 countOf(Database &db, const Sql &sql)
{
    auto st = db.prepare(sql);
    return st->step() ? st->int64(0) : -1;
}

/// The log rows of a copy as they were before the writer's change, once the
/// copy has passed the engine's integrity check; -1 when it did not.
qint64 soundCopyRowsBefore(const QString &path)
{
    Database copy;
    copy.open(path, test::DataPassword);
    if (!copy.integrityCheck().isEmpty())
        return -1;
    return countOf(copy, Sql("SELECT COUNT(*) FROM TbLog WHERE CZHD='先前'"));
}

int runTryWrite(const QString &path)
{
    QProcess other;
    other.start(QCoreApplication::applicationFilePath(), {TryWrite, path});
    if (!other.waitForFinished(20000))
        return -1;
    return other.exitCode();
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
private slots:
    // Compiled statements are kept for reuse: two of the same text at once
    // stay independent, a kept one holds no lock, and none outlives its file.
    void reusedStatements()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("reuse.mdb"));
        test::makeBlankFile(path);
        Database db;
        db.open(path, test::DataPassword);
        for (int i = 1; i <= 3; ++i)
            db.execute(Sql(QStringLiteral("INSERT INTO TbArea (QY) VALUES (?)"), {QStringLiteral("区%1").arg(i)}));
        const Sql byId(QStringLiteral("SELECT QY FROM TbArea WHERE ID >= ? ORDER BY ID"), {2});
        {
            auto outer = db.prepare(byId);
            QVERIFY(outer->step());
            auto inner = db.prepare(Sql(byId.text, {1}));
            QVERIFY(inner->step());
            QCOMPARE(inner->value(0).toString(), QStringLiteral("区1"));
            QCOMPARE(outer->value(0).toString(), QStringLiteral("区2"));
            QVERIFY(outer->step());
            QCOMPARE(outer->value(0).toString(), QStringLiteral("区3"));
        }
        // Reused: bound afresh, read from the start.
        auto again = db.prepare(Sql(byId.text, {3}));
        QVERIFY(again->step());
        QCOMPARE(again->value(0).toString(), QStringLiteral("区3"));
        QVERIFY(!again->step());
        again.reset();

        Database other;
        other.open(path, test::DataPassword);
        other.execute(Sql("DELETE FROM TbArea WHERE ID = 1"));
        auto after = db.prepare(Sql(byId.text, {1}));
        QVERIFY(after->step());
        QCOMPARE(after->value(0).toString(), QStringLiteral("区2"));
        after.reset();

        db.close();
        db.open(path, test::DataPassword);
        auto reopened = db.prepare(Sql(byId.text, {1}));
        QVERIFY(reopened->step());
        QCOMPARE(reopened->value(0).toString(), QStringLiteral("区2"));
    }

    void openErrors_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expectedPart");
        QTest::newRow("missing file") << "missing" << "不存在";
        QTest::newRow("wrong password") << "wrongpw" << "密码不正确";
        QTest::newRow("not a data file") << "garbage" << "不是本系统的数据文件";
        QTest::newRow("plain sqlite file") << "plain" << "不是本系统的数据文件";
        QTest::newRow("empty file") << "empty" << "不是本系统的数据文件";
        QTest::newRow("folder") << "folder" << "不是本系统的数据文件";
        QTest::newRow("cut short") << "cut" << "已损坏";
        QTest::newRow("grown by part of a page") << "grown" << "已损坏";
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
        } else if (kind == QLatin1String("empty")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == QLatin1String("cut") || kind == QLatin1String("grown")) {
            test::makeBlankFile(path);
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            if (kind == QLatin1String("cut")) {
                QVERIFY(f.resize(f.size() / 2));
            } else {
                f.seek(f.size());
                f.write(QByteArray(100, '\0'));
            }
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

    void healthyFileMatchesItsPageCount()
    {
        // The size check must never refuse a sound file, before or after
        // rows come and go.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ok.mdb"));
        test::makeBlankFile(path);
        {
            Database db;
            db.open(path, test::DataPassword);
            Transaction tx(db);
            for (int i = 0; i < 500; ++i)
                db.execute(Sql(QStringLiteral("INSERT INTO TbLog (CZSJ,CZHD,CZRY,XXQK) VALUES ('2026-01-01','x','y',?)"),
                               {QString(200, QLatin1Char('z'))}));
            tx.commit();
            db.execute(Sql("DELETE FROM TbLog"));
        }
        Database db;
        db.open(path, test::DataPassword);
        QVERIFY(db.isOpen());
    }

    void unwritableFileSaysSoOnFirstWrite_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("no folder to write the journal in") << "folder";
        QTest::newRow("read-only file") << "readonly";
    }
    void unwritableFileSaysSoOnFirstWrite()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("共享"))));
        const QString path = dir.filePath(QStringLiteral("共享/只读.mdb"));
        test::makeBlankFile(path);
        if (kind == QLatin1String("readonly")) {
            if (::geteuid() == 0)
                QSKIP("the administrator writes read-only files anyway");
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser));
        }
        Database db;
        db.open(path, test::DataPassword);
        // The folder goes away under the open file (a share that dropped):
        // reading goes on, but the journal of a write has nowhere to go. This
        // bites the administrator too, unlike folder permissions.
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir(dir.path()).rename(QStringLiteral("共享"), QStringLiteral("别处")));
        QCOMPARE(db.prepare(Sql("SELECT YHXM FROM TbUser"))->step(), true);
        try {
            db.execute(Sql(QStringLiteral("INSERT INTO TbArea (QY) VALUES (?)"), {QStringLiteral("涧西区")}));
            QFAIL("the write should have failed");
        } catch (const EngineError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("不允许写入")), qPrintable(e.message()));
            QVERIFY2(e.message().contains(QStringLiteral("只读.mdb")), qPrintable(e.message()));
        }
    }

    void openWaitsForAnotherProgramsWrite()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("busy.mdb"));
        test::makeBlankFile(path);
        // Another program holds the file exclusively for a moment, as it does
        // while it commits; opening must wait for it, not fail at once.
        QSemaphore locked, done;
        std::thread writer([&] {
            Database other;
            other.open(path, test::DataPassword);
            other.execute(Sql("BEGIN EXCLUSIVE"));
            other.execute(Sql("INSERT INTO TbArea (QY) VALUES ('其他程序')"));
            locked.release();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            other.commit();
            other.close();
            done.release();
        });
        locked.acquire();
        Database db;
        try {
            db.open(path, test::DataPassword);
        } catch (const EngineError &e) {
            writer.join();
            QFAIL(qPrintable(e.message()));
        }
        writer.join();
        auto st = db.prepare(Sql("SELECT COUNT(*) FROM TbArea WHERE QY='其他程序'"));
        QVERIFY(st->step());
        QCOMPARE(st->int64(0), qint64(1));
    }

    void savepointAloneAndInsideATransaction_data()
    {
        QTest::addColumn<bool>("outer");
        QTest::addColumn<bool>("commitInner");
        QTest::addColumn<bool>("commitOuter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("alone, committed") << false << true << false << "1,2";
        QTest::newRow("alone, abandoned") << false << false << false << "1";
        QTest::newRow("inside, both committed") << true << true << true << "1,0,2";
        QTest::newRow("inside, inner abandoned") << true << false << true << "1,0";
        QTest::newRow("inside, outer abandoned") << true << true << false << "1";
    }
    void savepointAloneAndInsideATransaction()
    {
        QFETCH(bool, outer);
        QFETCH(bool, commitInner);
        QFETCH(bool, commitOuter);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        Database db;
        db.create(dir.filePath(QStringLiteral("s.mdb")), test::DataPassword);
        db.execute(Sql("CREATE TABLE t (a INTEGER)"));
        db.execute(Sql("INSERT INTO t VALUES (1)"));
        {
            std::optional<Transaction> tx;
            if (outer) {
                tx.emplace(db);
                db.execute(Sql("INSERT INTO t VALUES (0)"));
            }
            {
                Savepoint sp(db);
                db.execute(Sql("INSERT INTO t VALUES (2)"));
                if (commitInner)
                    sp.commit();
            }
            // Whatever the savepoint did, the caller's transaction is still
            // open for its owner to decide.
            if (tx && commitOuter)
                tx->commit();
        }
        // And nothing is left open behind the caller's back.
        Transaction after(db);
        after.commit();
        auto st = db.prepare(Sql("SELECT group_concat(a) FROM (SELECT a FROM t ORDER BY rowid)"));
        QVERIFY(st->step());
        QCOMPARE(st->value(0).toString(), expected);
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
        // The copy comes with statistics of its own, for the planner, though
        // its source had none.
        QVERIFY(db.tableExists(QStringLiteral("sqlite_stat1")));
        QVERIFY(countOf(db, Sql("SELECT COUNT(*) FROM sqlite_stat1 WHERE idx IS NOT NULL")) > 0);
        {
            Database before;
            before.open(src, test::DataPassword);
            QVERIFY(!before.tableExists(QStringLiteral("sqlite_stat1")));
        }
        // An existing target is refused rather than overwritten.
        QVERIFY_THROWS_EXCEPTION(EngineError, Database::compact(src, dst, test::DataPassword));
    }

    void exclusiveUseOnlyWhileNoConnectionIsOpen()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("work.mdb"));
        test::makeBlankFile(path);
        {
            Database open;
            open.open(path, test::DataPassword);
            QVERIFY(!ExclusiveFileUse(path).acquired());
            // Also a connection that reopened by itself after a close.
            open.close();
            QVERIFY(ExclusiveFileUse(path).acquired());
            open.ensureOpen();
            QVERIFY(!ExclusiveFileUse(path).acquired());
        }
        ExclusiveFileUse sole(path);
        QVERIFY(sole.acquired());
        // While it is held a connection waits, then refuses with a reason.
        Database late;
        QElapsedTimer clock;
        clock.start();
        try {
            late.open(path, test::DataPassword);
            QFAIL("opened a file held alone");
        } catch (const EngineError &e) {
            QVERIFY2(e.message().contains(QStringLiteral("正被其他程序整理")), qPrintable(e.message()));
        }
        QVERIFY(clock.elapsed() >= 4000);
        QVERIFY(!late.isOpen());
    }

    void backupWritesAKeyedCopyOfTheOpenFile()
    {
        QTemporaryDir dir;
        const QString src = dir.filePath(QStringLiteral("src.mdb"));
        const QString dst = dir.filePath(QStringLiteral("dst.mdb"));
        test::makeBlankFile(src);
        Database db;
        db.open(src, test::DataPassword);
        db.execute(Sql("INSERT INTO TbBranch (FDMC) VALUES ('分店')"));
        QList<qint64> done;
        db.backupTo(dst, [&done](qint64 pages, qint64 total) {
            QVERIFY(pages <= total);
            done << pages;
        });
        QVERIFY(!done.isEmpty());
        QFile raw(dst);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY(!raw.read(16).startsWith("SQLite format 3"));
        Database copy;
        QVERIFY_THROWS_EXCEPTION(EngineError, copy.open(dst, QStringLiteral("other")));
        copy.open(dst, test::DataPassword);
        QVERIFY(copy.prepare(Sql("SELECT 1 FROM TbBranch WHERE FDMC='分店'"))->step());
        QVERIFY(copy.integrityCheck().isEmpty());
        // An existing target is refused rather than overwritten.
        copy.close();
        QVERIFY_THROWS_EXCEPTION(EngineError, db.backupTo(dst));
        QVERIFY(QFileInfo(dst).size() > 0);
    }

    void backupHoldsTheStateBeforeAnotherProgramsCommit_data()
    {
        QTest::addColumn<bool>("callerReads");
        QTest::newRow("connection idle") << false;
        QTest::newRow("inside the caller's read") << true;
    }
    void backupHoldsTheStateBeforeAnotherProgramsCommit()
    {
        QFETCH(bool, callerReads);
        QTemporaryDir dir;
        const QString src = dir.filePath(QStringLiteral("src.mdb"));
        const QString dst = dir.filePath(QStringLiteral("dst.mdb"));
        makeBigFile(src);
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(), {CommitOnCue, src});
        QVERIFY(writer.waitForStarted());
        QVERIFY(writer.waitForReadyRead(20000));
        QCOMPARE(writer.readLine().trimmed(), QByteArray("ready"));

        Database db;
        db.open(src, test::DataPassword);
        if (callerReads) {
            db.execute(Sql("BEGIN"));
            QCOMPARE(countOf(db, Sql("SELECT COUNT(*) FROM TbLog")), qint64(BigRows));
        }
        // After the first slice the other program commits, while the rest
        // of the file is still to be copied.
        int slices = 0;
        db.backupTo(dst, [&](qint64, qint64) {
            if (++slices != 1)
                return;
            writer.write("go\n");
            writer.waitForBytesWritten();
            if (writer.waitForReadyRead(5000))
                writer.readLine();
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
        });
        QVERIFY(slices > 2);
        if (callerReads)
            db.rollback();
        QVERIFY(writer.waitForFinished(20000));
        QCOMPARE(writer.readAll().trimmed(), QByteArray("committed"));
        QCOMPARE(countOf(db, Sql("SELECT COUNT(*) FROM TbLog WHERE CZHD='后来'")), qint64(BigRows));

        QCOMPARE(soundCopyRowsBefore(dst), qint64(BigRows));
        QVERIFY(!QFileInfo::exists(dst + QStringLiteral(".part")));
    }

    void backupKeepsTheEngineLocks()
    {
        QTemporaryDir dir;
        const QString src = dir.filePath(QStringLiteral("src.mdb"));
        test::makeBlankFile(src);
        // Another connection of this program is in the middle of a write.
        Database writing;
        writing.open(src, test::DataPassword);
        writing.begin();
        writing.execute(Sql("INSERT INTO TbBranch (FDMC) VALUES ('未提交')"));
        QCOMPARE(runTryWrite(src), 3);

        Database db;
        db.open(src, test::DataPassword);
        db.backupTo(dir.filePath(QStringLiteral("dst.mdb")));
        // Still held: another program cannot start a write beside it.
        QCOMPARE(runTryWrite(src), 3);
        writing.commit();
        QCOMPARE(runTryWrite(src), 0);
    }

    void backupInsideOwnWriteTransaction_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("spills");
        QTest::newRow("nothing written yet") << QString() << false;
        QTest::newRow("one row written") << QStringLiteral("INSERT INTO TbBranch (FDMC) VALUES ('未提交')") << false;
        // More changes than the cache holds are already in the file: what
        // was committed cannot be read beside them, and the backup says so.
        QTest::newRow("changes spilled into the file") << QStringLiteral("UPDATE TbLog SET CZHD='未提交'") << true;
    }
    void backupInsideOwnWriteTransaction()
    {
        QFETCH(QString, change);
        QFETCH(bool, spills);
        QTemporaryDir dir;
        const QString src = dir.filePath(QStringLiteral("src.mdb"));
        const QString dst = dir.filePath(QStringLiteral("dst.mdb"));
        makeBigFile(src);
        Database db;
        db.open(src, test::DataPassword);
        db.execute(Sql("PRAGMA cache_size=100"));
        db.begin();
        if (!change.isEmpty())
            db.execute(Sql(change));
        if (spills) {
            try {
                db.backupTo(dst);
                QFAIL("backed up a file with uncommitted pages in it");
            } catch (const EngineError &e) {
                QVERIFY2(e.message().contains(shownPath(dst)), qPrintable(e.message()));
                QVERIFY2(e.message().contains(QStringLiteral("正在被写入")), qPrintable(e.message()));
            }
            QVERIFY(!QFileInfo::exists(dst));
            QVERIFY(!QFileInfo::exists(dst + QStringLiteral(".part")));
        } else {
            db.backupTo(dst);
            QCOMPARE(soundCopyRowsBefore(dst), qint64(BigRows));
            Database copy;
            copy.open(dst, test::DataPassword);
            QCOMPARE(countOf(copy, Sql("SELECT COUNT(*) FROM TbBranch WHERE FDMC='未提交'")), qint64(0));
            // The second connection is gone, and the write lock of the first stays.
            copy.close();
            QCOMPARE(runTryWrite(src), 3);
        }
        // The caller's transaction is untouched and still its own to commit.
        QVERIFY(db.inTransaction());
        db.commit();
        if (change.startsWith(QLatin1String("INSERT")))
            QCOMPARE(countOf(db, Sql("SELECT COUNT(*) FROM TbBranch WHERE FDMC='未提交'")), qint64(1));
    }

private:
    static QString shownPath(const QString &path) { return QFileInfo(path).absoluteFilePath(); }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && app.arguments().at(1) == CommitOnCue)
        return commitOnCue(app.arguments().at(2));
    if (argc == 3 && app.arguments().at(1) == TryWrite)
        return tryWrite(app.arguments().at(2));
    TestEngine test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "TestEngine.moc"
