// What a data set must never do to a clerk's work: move away from an edit
// that was not written, overwrite another program's change, or keep a lock
// that makes another program's writes fail; and pages read by key must give
// exactly the rows one plain statement gives.

#include "datastore/DataSet.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

using namespace brel;

namespace {

const QString Refused = QStringLiteral("拒绝");

using Move = std::function<bool(DataSet &, const QList<qint64> &ids)>;

} // namespace

Q_DECLARE_METATYPE(Move)

class TestDataSetSafety : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<Database> m_other;
    QList<qint64> m_ids;

    qint64 addRental(const QString &sjh, const QVariant &fwdz, const QVariant &zj = QVariant())
    {
        m_db->execute(Sql(QStringLiteral("INSERT INTO TbRental (SJH, FWDZ, ZJ, ZTW, LRRQ) VALUES (?, ?, ?, '00', ?)"),
                          {sjh, fwdz, zj, QDate(2024, 1, 2)}));
        return m_db->lastInsertId();
    }
    /// Another program on the same file (opened once per test: keying is slow on purpose).
    Database &other()
    {
        if (!m_other) {
            m_other = std::make_unique<Database>();
            m_other->open(m_path, test::DataPassword);
        }
        return *m_other;
    }
    QVariant readElsewhere(const QString &sql, const QVariantList &values = {})
    {
        auto st = other().prepare(Sql(sql, values));
        return st->step() ? st->value(0) : QVariant(QStringLiteral("<no row>"));
    }
    void writeElsewhere(const QString &sql, const QVariantList &values = {}) { other().execute(Sql(sql, values)); }
    std::unique_ptr<DataSet> open(const QString &sql, const QString &order = QStringLiteral("SJH"))
    {
        auto ds = std::make_unique<DataSet>(m_db.get());
        ds->setSql(Sql(sql, {}, order));
        ds->open();
        return ds;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        test::makeBlankFile(m_dir.filePath(QStringLiteral("blank.mdb")));
    }
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("%1.mdb").arg(QTest::currentTestFunction()));
        QFile::remove(m_path);
        QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("blank.mdb")), m_path));
        m_db = std::make_unique<Database>();
        m_db->open(m_path, test::DataPassword);
        m_ids.clear();
        Transaction tx(*m_db);
        for (int i = 1; i <= 3; ++i)
            m_ids << addRental(QStringLiteral("R%1").arg(i), QStringLiteral("地址%1").arg(i));
        // A refusal of the engine itself, as a failing constraint would give.
        m_db->execute(Sql(QStringLiteral("CREATE TRIGGER NoRefused BEFORE UPDATE ON TbRental WHEN NEW.FWDZ = '%1' "
                                         "BEGIN SELECT RAISE(ABORT, 'refused by the engine'); END")
                              .arg(Refused)));
        tx.commit();
    }
    void cleanup()
    {
        m_other.reset();
        m_db.reset();
    }

    // Each move after a post that did not happen: the cursor, the typed value,
    // the state and the file stay as they were.
    void abandonedPostStopsTheMove_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<Move>("move");
        const QList<QPair<const char *, Move>> moves = {
            {"next", [](DataSet &ds, const QList<qint64> &) { return ds.next(); }},
            {"prior", [](DataSet &ds, const QList<qint64> &) { return ds.prior(); }},
            {"first", [](DataSet &ds, const QList<qint64> &) { return ds.first(); }},
            {"last", [](DataSet &ds, const QList<qint64> &) { return ds.last(); }},
            {"moveTo", [](DataSet &ds, const QList<qint64> &) { return ds.moveTo(2); }},
            {"locate", [](DataSet &ds, const QList<qint64> &ids) { return ds.locate(ids.at(2)); }},
            {"locate field", [](DataSet &ds, const QList<qint64> &) { return ds.locate(QStringLiteral("SJH"), QStringLiteral("R3")); }},
            {"bookmark", [](DataSet &ds, const QList<qint64> &ids) { return ds.gotoBookmark(ids.at(2)); }},
            {"append", [](DataSet &ds, const QList<qint64> &) { return ds.append(); }},
            {"refresh", [](DataSet &ds, const QList<qint64> &) { return ds.refresh(); }},
        };
        for (const char *failure : {"veto", "check", "engine"})
            for (const auto &[name, move] : moves)
                QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(failure), QLatin1String(name))))
                    << QString::fromLatin1(failure) << move;
    }
    void abandonedPostStopsTheMove()
    {
        QFETCH(QString, failure);
        QFETCH(Move, move);
        auto ds = open(QStringLiteral("SELECT * FROM TbRental"));
        ds->moveTo(1);
        const QString typed = failure == QLatin1String("engine") ? Refused : QStringLiteral("改过的地址");
        ds->setValue(QStringLiteral("FWDZ"), typed);
        if (failure == QLatin1String("veto"))
            connect(ds.get(), &DataSet::aboutToPost, ds.get(), [](DataSet::PostVeto *v) { v->abandon = true; });
        else if (failure == QLatin1String("check"))
            connect(ds.get(), &DataSet::beforePost, ds.get(), [](DataSet::PostVeto *v) { v->abandon = true; });

        if (failure == QLatin1String("engine")) {
            bool raised = false;
            try {
                move(*ds, m_ids);
            } catch (const EngineError &e) {
                raised = true;
                QVERIFY2(e.message().contains(QLatin1String("refused by the engine")), qPrintable(e.message()));
            }
            QVERIFY(raised);
        } else {
            QCOMPARE(move(*ds, m_ids), false);
        }
        QCOMPARE(ds->recNo(), 1);
        QCOMPARE(ds->currentId(), m_ids.at(1));
        QCOMPARE(ds->state(), DataSet::State::Edit);
        QCOMPARE(ds->asText(QStringLiteral("FWDZ")), typed);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(readElsewhere(QStringLiteral("SELECT FWDZ FROM TbRental WHERE ID=?"), {m_ids.at(i)}).toString(),
                     QStringLiteral("地址%1").arg(i + 1));
        QCOMPARE(readElsewhere(QStringLiteral("SELECT COUNT(*) FROM TbRental")).toInt(), 3);

        // Once the post goes through, the same move happens.
        disconnect(ds.get(), &DataSet::aboutToPost, nullptr, nullptr);
        disconnect(ds.get(), &DataSet::beforePost, nullptr, nullptr);
        if (failure == QLatin1String("engine"))
            ds->setValue(QStringLiteral("FWDZ"), QStringLiteral("改过的地址"));
        QVERIFY(move(*ds, m_ids));
        QCOMPARE(readElsewhere(QStringLiteral("SELECT FWDZ FROM TbRental WHERE ID=?"), {m_ids.at(1)}).toString(),
                 QStringLiteral("改过的地址"));
    }

    void postSaysWhetherItPosted()
    {
        auto ds = open(QStringLiteral("SELECT * FROM TbRental"));
        ds->setValue(QStringLiteral("FWDZ"), QStringLiteral("新"));
        bool veto = true;
        connect(ds.get(), &DataSet::beforePost, ds.get(), [&veto](DataSet::PostVeto *v) { v->abandon = veto; });
        QCOMPARE(ds->post(), false);
        QCOMPARE(ds->state(), DataSet::State::Edit);
        veto = false;
        QCOMPARE(ds->post(), true);
        QCOMPARE(ds->state(), DataSet::State::Browse);
        QCOMPARE(ds->post(), true); // nothing pending
    }

    // A right ticked in the detail is written when the master moves to the
    // next user, and a refused detail post keeps the master where it is.
    void detailEditPostedWhenMasterMoves()
    {
        m_db->execute(Sql("INSERT INTO TbUser (ID, YHDM, YHXM, YHMM) VALUES (2, 'u2', 'u2', '')"));
        m_db->execute(Sql("INSERT INTO TbRes (ZYMC,LLQX,XZQX,XGQX,SCQX,DYQX,DHQX,GLQX,Sort,YHID) VALUES ('房屋出租',0,0,0,0,0,0,0,1,2)"));
        auto users = open(QStringLiteral("SELECT * FROM TbUser"), QStringLiteral("ID"));
        DataSet rights(m_db.get());
        rights.setSql(Sql(QStringLiteral("SELECT * FROM TbRes WHERE YHID=:Id"), {}, QStringLiteral("Sort")));
        rights.setMaster(users.get());
        rights.open();
        QVERIFY(users->next());
        QCOMPARE(users->currentId(), qint64(2));
        QCOMPARE(rights.asInt(QStringLiteral("SCQX")), 0);

        rights.setValue(QStringLiteral("SCQX"), 1);
        bool refuse = true;
        connect(&rights, &DataSet::beforePost, &rights, [&refuse](DataSet::PostVeto *v) { v->abandon = refuse; });
        QCOMPARE(users->prior(), false);
        QCOMPARE(users->currentId(), qint64(2));
        QCOMPARE(rights.state(), DataSet::State::Edit);
        QCOMPARE(rights.asInt(QStringLiteral("SCQX")), 1);

        refuse = false;
        QVERIFY(users->prior());
        QCOMPARE(users->currentId(), qint64(1));
        QCOMPARE(readElsewhere(QStringLiteral("SELECT SCQX FROM TbRes WHERE YHID=2")).toInt(), 1);
        QVERIFY(users->next());
        QCOMPARE(rights.asInt(QStringLiteral("SCQX")), 1);
    }

    void changeElsewhereRefusesThePost_data()
    {
        QTest::addColumn<QString>("elsewhere");
        QTest::addColumn<QString>("message");
        QTest::newRow("same field") << "UPDATE TbRental SET FWDZ='别人改的' WHERE SJH='R1'" << "此记录已被其他用户修改";
        QTest::newRow("another field") << "UPDATE TbRental SET ZJ=1234.5 WHERE SJH='R1'" << "此记录已被其他用户修改";
        QTest::newRow("deleted") << "DELETE FROM TbRental WHERE SJH='R1'" << "此记录已被其他用户删除";
    }
    void changeElsewhereRefusesThePost()
    {
        QFETCH(QString, elsewhere);
        QFETCH(QString, message);
        auto ds = open(QStringLiteral("SELECT * FROM TbRental"));
        ds->setValue(QStringLiteral("FWDZ"), QStringLiteral("我改的"));
        writeElsewhere(elsewhere);
        try {
            ds->post();
            QFAIL("the post overwrote another connection's change");
        } catch (const EngineError &e) {
            QVERIFY2(e.message().startsWith(message), qPrintable(e.message()));
        }
        QCOMPARE(ds->state(), DataSet::State::Edit);
        QCOMPARE(ds->asText(QStringLiteral("FWDZ")), QStringLiteral("我改的"));
        const QVariant stored = readElsewhere(QStringLiteral("SELECT FWDZ FROM TbRental WHERE SJH='R1'"));
        QVERIFY(stored.toString() != QStringLiteral("我改的"));

        // After cancelling, a refresh shows what the other program wrote.
        ds->cancel();
        QVERIFY(ds->refresh());
        if (message.contains(QStringLiteral("删除"))) {
            QCOMPARE(ds->recordCount(), 2);
            QVERIFY(!ds->locate(m_ids.at(0)));
        } else {
            QVERIFY(ds->locate(m_ids.at(0)));
            QCOMPARE(ds->asText(QStringLiteral("FWDZ")), stored.toString());
            // Now the edit goes through.
            ds->setValue(QStringLiteral("FWDZ"), QStringLiteral("我改的"));
            QVERIFY(ds->post());
        }
    }

    void removeOfARowDeletedElsewhereSaysSo()
    {
        auto ds = open(QStringLiteral("SELECT * FROM TbRental"));
        writeElsewhere(QStringLiteral("DELETE FROM TbRental WHERE SJH='R1'"));
        try {
            ds->remove();
            QFAIL("deleting a row that is gone reported success");
        } catch (const EngineError &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("此记录已被其他用户删除")), qPrintable(e.message()));
        }
        QCOMPARE(readElsewhere(QStringLiteral("SELECT COUNT(*) FROM TbRental")).toInt(), 2);
    }

    // An open result over many rows holds no statement between calls, so
    // another program writes at once (it would wait and then fail otherwise).
    void anotherProgramWritesWhileALargeResultIsOpen()
    {
        m_db->execute(Sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                          "INSERT INTO TbRental (SJH, FWDZ, ZTW, LRRQ) SELECT printf('S%06d', i), 'x', '00', '2024-01-02' FROM n"));
        auto ds = open(QStringLiteral("SELECT * FROM TbRental"));
        ds->moveTo(500);
        ds->last();
        ds->moveTo(40000);
        const int before = ds->recordCount();
        writeElsewhere(QStringLiteral("INSERT INTO TbRental (SJH, FWDZ) VALUES ('Z1', 'elsewhere')"));
        writeElsewhere(QStringLiteral("UPDATE TbRental SET FWDZ='y' WHERE SJH='S000001'"));
        QCOMPARE(ds->recordCount(), before);
        QVERIFY(ds->refresh());
        QCOMPARE(ds->recordCount(), before + 1);
        QVERIFY(ds->next());
    }

    // Reading by pages, in any direction, from any place, gives exactly the
    // rows of one plain statement in its order, ties broken by the key.
    void pagesMatchOnePlainRead_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("order");
        const QString rentals = QStringLiteral("SELECT * FROM TbRental");
        QTest::newRow("receipt") << rentals << "SJH";
        QTest::newRow("receipt down") << rentals << "SJH DESC";
        QTest::newRow("ties and empty values") << rentals << "FWDZ";
        QTest::newRow("ties and empty values down") << rentals << "FWDZ DESC";
        QTest::newRow("two terms") << rentals << "ZJ DESC, FWDZ";
        QTest::newRow("collation") << rentals << "FWDZ COLLATE NOCASE";
        QTest::newRow("key only") << rentals << "";
        QTest::newRow("alias and condition")
            << "SELECT A.*, CASE A.ZTW WHEN '00' THEN '未出租' ELSE '' END AS ZTW_TXT FROM TbRental AS A WHERE A.LRRQ >= '2024-01-01'"
            << "A.SJH DESC";
        QTest::newRow("computed column") << "SELECT A.*, LENGTH(A.FWDZ) AS L FROM TbRental AS A" << "L, SJH";
        QTest::newRow("expression (read by offset)") << rentals << "LENGTH(FWDZ) DESC";
        QTest::newRow("order inside the text") << rentals + " ORDER BY ZJ" << "";
    }
    void pagesMatchOnePlainRead()
    {
        QFETCH(QString, sql);
        QFETCH(QString, order);
        Transaction tx(*m_db);
        for (int i = 0; i < 157; ++i) {
            const QVariant fwdz = i % 7 == 0 ? QVariant() : QVariant(QStringLiteral("%1地址").arg(i % 5 == 0 ? QStringLiteral("a") : QStringLiteral("A")).repeated(1 + i % 3));
            const QVariant zj = i % 4 == 0 ? QVariant() : QVariant(double(i % 6) * 100.5);
            addRental(QStringLiteral("T%1").arg((i * 37) % 157, 3, 10, QLatin1Char('0')), fwdz, zj);
        }
        tx.commit();
        QList<qint64> expected;
        {
            // The same order over the statement's columns, ties broken by the key.
            const QString inner = sql.section(QStringLiteral(" ORDER BY "), 0, 0);
            QString terms = order.isEmpty() ? sql.section(QStringLiteral(" ORDER BY "), 1) : order;
            terms.remove(QStringLiteral("A."));
            auto st = m_db->prepare(Sql(QStringLiteral("SELECT ID FROM (%1) ORDER BY %2ID")
                                            .arg(inner, terms.isEmpty() ? QString() : terms + QStringLiteral(", "))));
            while (st->step())
                expected << st->int64(0);
        }
        QCOMPARE(expected.size(), 160);

        auto make = [&] {
            auto ds = std::make_unique<DataSet>(m_db.get());
            ds->setSql(Sql(sql, {}, order));
            ds->setPageSize(16);
            ds->setReadAhead(7);
            ds->setCacheLimit(2);
            ds->open();
            return ds;
        };
        auto forward = make();
        QList<qint64> seen;
        do {
            seen << forward->currentId();
        } while (forward->next() && !forward->eof());
        QCOMPARE(seen, expected);

        auto backward = make();
        backward->last();
        QList<qint64> back;
        do {
            back.prepend(backward->currentId());
        } while (backward->prior() && !backward->bof());
        QCOMPARE(back, expected);

        auto jumps = make();
        for (int row : {100, 3, 159, 158, 80, 0, 81, 79, 140}) {
            QVERIFY(jumps->moveTo(row));
            QCOMPARE(jumps->currentId(), expected.at(row));
        }
        auto located = make();
        for (int row : {150, 2, 77, 78, 76, 159}) {
            QVERIFY(located->locate(expected.at(row)));
            QCOMPARE(located->recNo(), row);
            QVERIFY(located->next());
            QCOMPARE(located->currentId(), expected.at(std::min(row + 1, 159)));
        }
        QCOMPARE(located->recordCount(), 160);
    }

    // The last row of a large result costs one page, not a pass over it.
    void lastReadsOnePage()
    {
        m_db->execute(Sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                          "INSERT INTO TbRental (SJH, FWDZ) SELECT printf('S%06d', i), 'x' FROM n"));
        auto ds = open(QStringLiteral("SELECT * FROM TbRental WHERE FWDZ = 'x'"), QStringLiteral("SJH DESC"));
        const int before = ds->fetchedRowCount();
        QVERIFY(ds->last());
        QCOMPARE(ds->asText(QStringLiteral("SJH")), QStringLiteral("S000001"));
        QVERIFY(ds->fetchedRowCount() - before <= ds->readAhead());
        QVERIFY(ds->locate(ds->currentId()));
        QVERIFY(ds->prior());
        QCOMPARE(ds->asText(QStringLiteral("SJH")), QStringLiteral("S000002"));
        QVERIFY(ds->fetchedRowCount() - before <= 2 * ds->readAhead());
    }

    // Edited and appended rows keep their place and appear once, whatever
    // pages are read afterwards.
    void writtenRowsAppearOnce()
    {
        Transaction tx(*m_db);
        for (int i = 0; i < 60; ++i)
            addRental(QStringLiteral("T%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("x"));
        tx.commit();
        auto ds = std::make_unique<DataSet>(m_db.get());
        ds->setSql(Sql(QStringLiteral("SELECT * FROM TbRental"), {}, QStringLiteral("SJH")));
        ds->setPageSize(8);
        ds->setReadAhead(5);
        ds->setCacheLimit(1);
        ds->open();
        ds->moveTo(10);
        const qint64 edited = ds->currentId();
        ds->setValue(QStringLiteral("SJH"), QStringLiteral("A000")); // now sorts first in the file
        QVERIFY(ds->post());
        QVERIFY(ds->append());
        ds->setValue(QStringLiteral("SJH"), QStringLiteral("B000"));
        QVERIFY(ds->post());
        const qint64 appended = ds->currentId();
        QCOMPARE(ds->recNo(), 63);
        QCOMPARE(ds->recordCount(), 64);

        QList<qint64> seen;
        ds->first();
        do {
            seen << ds->currentId();
        } while (ds->next() && !ds->eof());
        QCOMPARE(seen.size(), 64);
        QCOMPARE(QSet<qint64>(seen.begin(), seen.end()).size(), 64);
        QCOMPARE(seen.at(10), edited);
        QCOMPARE(seen.last(), appended);
        QVERIFY(ds->locate(edited));
        QCOMPARE(ds->recNo(), 10);
    }

    void statementRefusesAWrongNumberOfValues_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("values");
        QTest::newRow("too few") << "SELECT * FROM TbRental WHERE SJH=? AND ZTW=?" << QVariantList{QStringLiteral("R1")};
        QTest::newRow("too many") << "SELECT * FROM TbRental WHERE SJH=?" << QVariantList{QStringLiteral("R1"), 2};
        QTest::newRow("none expected") << "SELECT * FROM TbRental" << QVariantList{1};
    }
    void statementRefusesAWrongNumberOfValues()
    {
        QFETCH(QString, sql);
        QFETCH(QVariantList, values);
        QVERIFY_THROWS_EXCEPTION(EngineError, m_db->prepare(Sql(sql, values)));
    }
};

QTEST_GUILESS_MAIN(TestDataSetSafety)
#include "TestDataSetSafety.moc"
