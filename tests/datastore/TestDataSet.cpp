#include "datastore/DataSet.h"
#include "support/TestFiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace brel;

namespace {

const QString RentalSql = QStringLiteral(
    "SELECT *, CASE ZTW WHEN '00' THEN '未出租' WHEN '01' THEN '已出租' WHEN '02' THEN '已作废' ELSE '' END AS ZTW_TXT "
    "FROM TbRental");

/// Writes every signal of a data set as a short text, in order.
class EventLog : public QObject {
public:
    explicit EventLog(DataSet *ds) : ds(ds)
    {
        connect(ds, &DataSet::stateChanged, this, [this](DataSet::State s) {
            events << QStringLiteral("state:") + QString::fromLatin1(QMetaEnum::fromType<DataSet::State>().valueToKey(int(s)));
        });
        connect(ds, &DataSet::newRecord, this, [this] { events << QStringLiteral("newRecord"); });
        connect(ds, &DataSet::aboutToPost, this, [this](DataSet::PostVeto *) { events << QStringLiteral("aboutToPost"); });
        connect(ds, &DataSet::beforePost, this, [this](DataSet::PostVeto *veto) {
            events << QStringLiteral("beforePost");
            veto->abandon = vetoPosts;
        });
        connect(ds, &DataSet::afterPost, this, [this] { events << QStringLiteral("afterPost"); });
        connect(ds, &DataSet::afterCancel, this, [this] { events << QStringLiteral("afterCancel"); });
        connect(ds, &DataSet::afterDelete, this, [this] { events << QStringLiteral("afterDelete"); });
        connect(ds, &DataSet::afterScroll, this, [this] { events << QStringLiteral("afterScroll"); });
        connect(ds, &DataSet::afterOpen, this, [this] { events << QStringLiteral("afterOpen"); });
        connect(ds, &DataSet::afterClose, this, [this] { events << QStringLiteral("afterClose"); });
        connect(this->ds, &DataSet::dataChanged, this, [this](int field) {
            events << QStringLiteral("data:") + (field < 0 ? QStringLiteral("-1") : this->ds->fieldInfo(field).name);
        });
    }
    DataSet *ds;
    QStringList events;
    bool vetoPosts = false;
};

} // namespace

class TestDataSet : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<Database> m_db;

    qint64 addRental(const QString &sjh, const QString &ztw = QStringLiteral("00"), const QString &fwdz = QString())
    {
        m_db->execute(Sql(QStringLiteral("INSERT INTO TbRental (SJH, ZTW, FWDZ, LRRQ) VALUES (?, ?, ?, ?)"),
                          {sjh, ztw, fwdz.isEmpty() ? QStringLiteral("地址") + sjh : fwdz, QDate(2024, 1, 2)}));
        return m_db->lastInsertId();
    }
    /// Reads a value through a second connection, as another program would.
    QVariant readElsewhere(const QString &sql, const QVariantList &values = {})
    {
        Database other;
        other.open(m_path, test::DataPassword);
        auto st = other.prepare(Sql(sql, values));
        return st->step() ? st->value(0) : QVariant(QStringLiteral("<no row>"));
    }
    std::unique_ptr<DataSet> rentals(const QString &where = {}, const QVariantList &values = {})
    {
        auto ds = std::make_unique<DataSet>(m_db.get());
        ds->setSql(Sql(RentalSql + where, values, QStringLiteral("SJH")));
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
        m_path = m_dir.filePath(QStringLiteral("数据 %1.mdb").arg(QTest::currentTestFunction()));
        QFile::remove(m_path);
        QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("blank.mdb")), m_path));
        m_db = std::make_unique<Database>();
        m_db->open(m_path, test::DataPassword);
        addRental(QStringLiteral("00000001"));
        addRental(QStringLiteral("00000002"));
        addRental(QStringLiteral("00000003"));
    }
    void cleanup() { m_db.reset(); }

    void eventOrder_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<DataSet::State>("state");
        QTest::addColumn<int>("recNo");

        const QStringList postEvents = {"aboutToPost", "beforePost", "state:Browse", "afterPost", "data:-1"};
        QTest::newRow("open") << "closed" << "open"
                              << QStringList{"state:Browse", "afterOpen", "afterScroll", "data:-1"} << DataSet::State::Browse << 0;
        QTest::newRow("close") << "" << "close" << QStringList{"state:Inactive", "afterClose"} << DataSet::State::Inactive << -1;
        QTest::newRow("append") << "" << "append" << QStringList{"state:Insert", "newRecord", "data:-1"}
                                << DataSet::State::Insert << 3;
        QTest::newRow("setValue auto-edits") << "" << "setValue"
                                             << QStringList{"state:Edit", "data:FWDZ"} << DataSet::State::Edit << 0;
        QTest::newRow("setValue while editing") << "edit" << "setValue" << QStringList{"data:FWDZ"} << DataSet::State::Edit << 0;
        QTest::newRow("post edit") << "edit" << "post" << postEvents << DataSet::State::Browse << 0;
        QTest::newRow("post append") << "append" << "post" << postEvents << DataSet::State::Browse << 3;
        QTest::newRow("post vetoed") << "edit veto" << "post" << QStringList{"aboutToPost", "beforePost"}
                                     << DataSet::State::Edit << 0;
        QTest::newRow("cancel edit") << "edit" << "cancel" << QStringList{"state:Browse", "afterCancel", "data:-1"}
                                     << DataSet::State::Browse << 0;
        QTest::newRow("cancel append") << "append" << "cancel" << QStringList{"state:Browse", "afterCancel", "data:-1"}
                                       << DataSet::State::Browse << 0;
        QTest::newRow("next") << "" << "next" << QStringList{"afterScroll", "data:-1"} << DataSet::State::Browse << 1;
        QTest::newRow("next while editing posts") << "edit" << "next"
                                                  << postEvents + QStringList{"afterScroll", "data:-1"}
                                                  << DataSet::State::Browse << 1;
        QTest::newRow("next on last row") << "last" << "next" << QStringList{} << DataSet::State::Browse << 2;
        QTest::newRow("prior on first row") << "" << "prior" << QStringList{} << DataSet::State::Browse << 0;
        QTest::newRow("last") << "" << "last" << QStringList{"afterScroll", "data:-1"} << DataSet::State::Browse << 2;
        QTest::newRow("remove") << "" << "remove" << QStringList{"afterDelete", "afterScroll", "data:-1"}
                                << DataSet::State::Browse << 0;
        QTest::newRow("remove while editing") << "edit" << "remove"
                                              << QStringList{"state:Browse", "afterDelete", "afterScroll", "data:-1"}
                                              << DataSet::State::Browse << 0;
        QTest::newRow("locate") << "" << "locate" << QStringList{"afterScroll", "data:-1"} << DataSet::State::Browse << 2;
    }
    void eventOrder()
    {
        QFETCH(QString, setup);
        QFETCH(QString, action);
        QFETCH(QStringList, expected);
        QFETCH(DataSet::State, state);
        QFETCH(int, recNo);

        auto ds = rentals();
        EventLog log(ds.get());
        if (setup == QLatin1String("closed"))
            ds->close();
        if (setup.startsWith(QLatin1String("edit")))
            ds->setValue(QStringLiteral("FWDZ"), QStringLiteral("新地址"));
        if (setup == QLatin1String("edit veto"))
            log.vetoPosts = true;
        if (setup == QLatin1String("append"))
            ds->append();
        if (setup == QLatin1String("last"))
            ds->last();
        log.events.clear();

        if (action == QLatin1String("open"))
            ds->open();
        else if (action == QLatin1String("close"))
            ds->close();
        else if (action == QLatin1String("append"))
            ds->append();
        else if (action == QLatin1String("setValue"))
            ds->setValue(QStringLiteral("FWDZ"), QStringLiteral("另一个地址"));
        else if (action == QLatin1String("post"))
            ds->post();
        else if (action == QLatin1String("cancel"))
            ds->cancel();
        else if (action == QLatin1String("next"))
            ds->next();
        else if (action == QLatin1String("prior"))
            ds->prior();
        else if (action == QLatin1String("last"))
            ds->last();
        else if (action == QLatin1String("remove"))
            ds->remove();
        else if (action == QLatin1String("locate"))
            QVERIFY(ds->locate(QStringLiteral("SJH"), QStringLiteral("00000003")));

        QCOMPARE(log.events, expected);
        QCOMPARE(ds->state(), state);
        QCOMPARE(ds->recNo(), recNo);
        if (setup == QLatin1String("edit veto")) {
            QCOMPARE(ds->asText(QStringLiteral("FWDZ")), QStringLiteral("新地址"));
            QCOMPARE(readElsewhere(QStringLiteral("SELECT FWDZ FROM TbRental WHERE SJH='00000001'")).toString(),
                     QStringLiteral("地址00000001"));
        }
    }

    void cursorBofEof()
    {
        auto ds = rentals();
        QVERIFY(ds->bof());
        QVERIFY(!ds->eof());
        ds->prior();
        QVERIFY(ds->bof());
        QCOMPARE(ds->recNo(), 0);
        ds->next();
        QVERIFY(!ds->bof());
        ds->next();
        QCOMPARE(ds->asText(QStringLiteral("SJH")), QStringLiteral("00000003"));
        QVERIFY(!ds->eof());
        ds->next();
        QVERIFY(ds->eof());
        QCOMPARE(ds->recNo(), 2);
        QCOMPARE(ds->asText(QStringLiteral("SJH")), QStringLiteral("00000003"));
        ds->first();
        QVERIFY(ds->bof());
        QVERIFY(!ds->eof());

        const DataSet::Bookmark mark = ds->bookmark();
        ds->last();
        QVERIFY(ds->gotoBookmark(mark));
        QCOMPARE(ds->recNo(), 0);
        QVERIFY(!ds->locate(qint64(9999)));
        QCOMPARE(ds->recNo(), 0);

        auto empty = rentals(QStringLiteral(" WHERE ZTW=?"), {QStringLiteral("99")});
        QVERIFY(empty->isEmpty());
        QVERIFY(empty->bof());
        QVERIFY(empty->eof());
        QCOMPARE(empty->recNo(), -1);
        QCOMPARE(empty->recordCount(), 0);
        QVERIFY_THROWS_EXCEPTION(EngineError, empty->setValue(QStringLiteral("FWDZ"), QStringLiteral("x")));
        QCOMPARE(empty->state(), DataSet::State::Browse);
    }

    void writesAtOnceAndCancelRestores()
    {
        auto ds = rentals();
        ds->append();
        ds->setValue(QStringLiteral("SJH"), QStringLiteral("00000009"));
        ds->setValue(QStringLiteral("ZJ"), QStringLiteral("1500.50"));
        ds->post();
        const qint64 id = ds->currentId();
        QVERIFY(id > 0);
        QCOMPARE(ds->recordCount(), 4);
        QCOMPARE(readElsewhere(QStringLiteral("SELECT SJH FROM TbRental WHERE ID=?"), {id}).toString(), QStringLiteral("00000009"));
        QCOMPARE(readElsewhere(QStringLiteral("SELECT ZJ FROM TbRental WHERE ID=?"), {id}).toDouble(), 1500.5);

        ds->setValue(QStringLiteral("FWDZ"), QStringLiteral("人民路 1 号"));
        ds->post();
        QCOMPARE(readElsewhere(QStringLiteral("SELECT FWDZ FROM TbRental WHERE ID=?"), {id}).toString(),
                 QStringLiteral("人民路 1 号"));

        ds->first();
        const QString before = ds->asText(QStringLiteral("FWDZ"));
        ds->setValue(QStringLiteral("FWDZ"), QStringLiteral("不要的地址"));
        ds->setValue(QStringLiteral("LC"), 7);
        QCOMPARE(ds->asText(QStringLiteral("FWDZ")), QStringLiteral("不要的地址"));
        ds->cancel();
        QCOMPARE(ds->asText(QStringLiteral("FWDZ")), before);
        QVERIFY(ds->isNull(QStringLiteral("LC")));
        QCOMPARE(readElsewhere(QStringLiteral("SELECT FWDZ FROM TbRental WHERE ID=?"), {ds->currentId()}).toString(), before);

        // Removing the last row moves to the prior one; others move to the next.
        ds->last();
        ds->remove();
        QCOMPARE(ds->recordCount(), 3);
        QCOMPARE(ds->recNo(), 2);
        QCOMPARE(readElsewhere(QStringLiteral("SELECT COUNT(*) FROM TbRental WHERE ID=?"), {id}).toInt(), 0);
        ds->first();
        const qint64 second = ds->valueAt(1, ds->fieldIndex(QStringLiteral("ID"))).toLongLong();
        ds->remove();
        QCOMPARE(ds->recNo(), 0);
        QCOMPARE(ds->currentId(), second);
        QCOMPARE(ds->recordCount(), 2);
    }

    void computedColumnAfterPost()
    {
        auto ds = rentals();
        QCOMPARE(ds->asText(QStringLiteral("ZTW_TXT")), QStringLiteral("未出租"));
        const FieldInfo &computed = ds->fieldInfo(ds->fieldIndex(QStringLiteral("ZTW_TXT")));
        QVERIFY(computed.readOnly);
        QVERIFY(computed.table.isEmpty());
        QVERIFY(ds->fieldInfo(ds->fieldIndex(QStringLiteral("ID"))).readOnly);
        QVERIFY_THROWS_EXCEPTION(EngineError, ds->setValue(QStringLiteral("ZTW_TXT"), QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(EngineError, ds->setValue(QStringLiteral("ID"), 5));

        ds->setValue(QStringLiteral("ZTW"), QStringLiteral("01"));
        ds->post();
        QCOMPARE(ds->asText(QStringLiteral("ZTW_TXT")), QStringLiteral("已出租"));
        ds->append();
        ds->setValue(QStringLiteral("SJH"), QStringLiteral("00000010"));
        ds->setValue(QStringLiteral("ZTW"), QStringLiteral("02"));
        ds->post();
        QCOMPARE(ds->asText(QStringLiteral("ZTW_TXT")), QStringLiteral("已作废"));
    }

    void appendedRowStaysUntilRefresh()
    {
        auto ds = rentals(QStringLiteral(" WHERE ZTW=?"), {QStringLiteral("00")});
        ds->next();
        ds->append();
        ds->setValue(QStringLiteral("SJH"), QStringLiteral("00000000"));
        ds->setValue(QStringLiteral("ZTW"), QStringLiteral("01"));
        ds->post();
        const qint64 appended = ds->currentId();
        QCOMPARE(ds->recNo(), 3);
        QCOMPARE(ds->recordCount(), 4);
        QCOMPARE(ds->asText(QStringLiteral("SJH")), QStringLiteral("00000000"));
        QCOMPARE(ds->asText(QStringLiteral("ZTW_TXT")), QStringLiteral("已出租"));
        ds->first();
        QStringList seen;
        for (int i = 0; i < ds->recordCount(); ++i)
            seen << ds->valueAt(i, ds->fieldIndex(QStringLiteral("SJH"))).toString();
        QCOMPARE(seen, (QStringList{"00000001", "00000002", "00000003", "00000000"}));

        // An edited row keeps its place even when its sort key changes.
        ds->moveTo(1);
        const qint64 edited = ds->currentId();
        ds->setValue(QStringLiteral("SJH"), QStringLiteral("00000099"));
        ds->post();
        ds->setPageSize(1);
        ds->setCacheLimit(1);
        seen.clear();
        for (int i = 0; i < ds->recordCount(); ++i)
            seen << ds->valueAt(i, ds->fieldIndex(QStringLiteral("SJH"))).toString();
        QCOMPARE(seen, (QStringList{"00000001", "00000099", "00000003", "00000000"}));

        // The appended row is found at its place, and removing it leaves the rest in order.
        ds->first();
        QVERIFY(ds->locate(appended));
        QCOMPARE(ds->recNo(), 3);
        ds->remove();
        QCOMPARE(ds->recordCount(), 3);
        QCOMPARE(ds->recNo(), 2);
        QCOMPARE(ds->asText(QStringLiteral("SJH")), QStringLiteral("00000003"));
        QVERIFY(ds->locate(edited));
        QCOMPARE(ds->recNo(), 1);

        ds->refresh();
        QCOMPARE(ds->recordCount(), 3);
        QCOMPARE(ds->asText(QStringLiteral("SJH")), QStringLiteral("00000099"));
        QCOMPARE(ds->recNo(), 2);
        QCOMPARE(ds->valueAt(1, ds->fieldIndex(QStringLiteral("SJH"))).toString(), QStringLiteral("00000003"));
    }

    void refreshKeepsRow()
    {
        auto ds = rentals();
        ds->moveTo(1);
        const qint64 id = ds->currentId();
        addRental(QStringLiteral("00000000"));
        ds->refresh();
        QCOMPARE(ds->currentId(), id);
        QCOMPARE(ds->recNo(), 2);
        QCOMPARE(ds->recordCount(), 4);

        m_db->execute(Sql(QStringLiteral("DELETE FROM TbRental WHERE ID=?"), {id}));
        ds->refresh();
        QCOMPARE(ds->recordCount(), 3);
        QVERIFY(ds->currentId() != id);
        QVERIFY(ds->currentId() != 0);
    }

    void tooLongText_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("100 Chinese characters fit") << "FWDZ" << QString(100, QChar(0x8def)) << "";
        QTest::newRow("101 characters") << "FWDZ" << QString(101, QLatin1Char('a'))
                                        << "“FWDZ”的内容太长，最多 100 个字符。";
        QTest::newRow("receipt number of 11") << "SJH" << "12345678901" << "“SJH”的内容太长，最多 10 个字符。";
        QTest::newRow("state code of 3") << "ZTW" << "000" << "“ZTW”的内容太长，最多 2 个字符。";
    }
    void tooLongText()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, error);
        auto ds = rentals();
        const qint64 id = ds->currentId();
        const QVariant before = readElsewhere(QStringLiteral("SELECT %1 FROM TbRental WHERE ID=?").arg(field), {id});
        ds->setValue(field, text);
        QString message;
        try {
            ds->post();
        } catch (const EngineError &e) {
            message = e.message();
        }
        QCOMPARE(message, error);
        if (error.isEmpty()) {
            QCOMPARE(readElsewhere(QStringLiteral("SELECT %1 FROM TbRental WHERE ID=?").arg(field), {id}).toString(), text);
            return;
        }
        QCOMPARE(ds->state(), DataSet::State::Edit);
        QCOMPARE(ds->asText(field), text);
        QCOMPARE(readElsewhere(QStringLiteral("SELECT %1 FROM TbRental WHERE ID=?").arg(field), {id}), before);
    }

    void typedInput_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<QVariant>("expected"); // invalid = refused
        QTest::newRow("integer from text") << "LC" << QVariant(QStringLiteral(" 12 ")) << QVariant(12);
        QTest::newRow("integer refuses letters") << "LC" << QVariant(QStringLiteral("十二")) << QVariant();
        QTest::newRow("integer refuses decimals") << "LC" << QVariant(QStringLiteral("1.5")) << QVariant();
        QTest::newRow("money from text") << "ZJ" << QVariant(QStringLiteral("1234.5")) << QVariant::fromValue(Money::fromRaw(12345000));
        QTest::newRow("money refuses text") << "ZJ" << QVariant(QStringLiteral("12元")) << QVariant();
        QTest::newRow("date from text") << "JGRQ" << QVariant(QStringLiteral("2024-02-29")) << QVariant(QDate(2024, 2, 29));
        QTest::newRow("date refuses bad day") << "JGRQ" << QVariant(QStringLiteral("2023-02-29")) << QVariant();
        QTest::newRow("date with time") << "LRRQ" << QVariant(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)))
                                        << QVariant(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
        QTest::newRow("bool") << "GGFB" << QVariant(true) << QVariant(true);
        QTest::newRow("empty text is null") << "LC" << QVariant(QString()) << QVariant(QStringLiteral("<null>"));
    }
    void typedInput()
    {
        QFETCH(QString, field);
        QFETCH(QVariant, input);
        QFETCH(QVariant, expected);
        auto ds = rentals();
        if (!expected.isValid()) {
            try {
                ds->setValue(field, input);
                QFAIL("the input should have been refused");
            } catch (const EngineError &e) {
                QVERIFY2(e.message().contains(QStringLiteral("“%1”").arg(field)), qPrintable(e.message()));
            }
            return;
        }
        ds->setValue(field, input);
        ds->post();
        // Read back as stored, through a fresh data set.
        auto again = rentals(QStringLiteral(" WHERE ID=?"), {ds->currentId()});
        if (expected.toString() == QLatin1String("<null>")) {
            QVERIFY(again->isNull(field));
            return;
        }
        QCOMPARE(again->value(field), expected);
        QCOMPARE(again->value(field).metaType(), expected.metaType());
    }

    void storedTypesAndText()
    {
        m_db->execute(Sql(QStringLiteral("UPDATE TbRental SET ZJ=1234.5, LC=3, JGRQ='2020-03-04', GZBJRQ='2020-03-04 05:06:07', "
                                         "GGFB=1, YS=0, JZMJ=NULL WHERE SJH='00000001'")));
        auto ds = rentals();
        QCOMPARE(ds->value(QStringLiteral("ZJ")).value<Money>(), Money::fromRaw(12345000));
        QCOMPARE(ds->asText(QStringLiteral("ZJ")), Money::fromRaw(12345000).toString());
        QCOMPARE(ds->value(QStringLiteral("LC")).metaType().id(), int(QMetaType::Int));
        QCOMPARE(ds->value(QStringLiteral("JGRQ")), QVariant(QDate(2020, 3, 4)));
        QCOMPARE(ds->asText(QStringLiteral("JGRQ")), QStringLiteral("2020-03-04"));
        QCOMPARE(ds->value(QStringLiteral("GZBJRQ")), QVariant(QDateTime(QDate(2020, 3, 4), QTime(5, 6, 7))));
        QCOMPARE(ds->value(QStringLiteral("GGFB")), QVariant(true));
        QCOMPARE(ds->value(QStringLiteral("YS")), QVariant(false));
        QVERIFY(ds->value(QStringLiteral("JZMJ")).isNull());
        QCOMPARE(ds->asText(QStringLiteral("JZMJ")), QString());
        QCOMPARE(ds->asMoney(QStringLiteral("JZMJ")), Money());
        QCOMPARE(ds->fieldInfo(ds->fieldIndex(QStringLiteral("fwdz"))).size, 100);
        QCOMPARE(ds->fieldInfo(ds->fieldIndex(QStringLiteral("ZJ"))).type, FieldType::Money);
        QCOMPARE(ds->fieldInfo(ds->fieldIndex(QStringLiteral("FXT"))).type, FieldType::Memo);
        QCOMPARE(ds->fieldInfo(ds->fieldIndex(QStringLiteral("GGFB"))).type, FieldType::Bool);
        QCOMPARE(ds->fieldIndex(QStringLiteral("NOPE")), -1);
        QVERIFY_THROWS_EXCEPTION(EngineError, ds->value(QStringLiteral("NOPE")));
    }

    void awkwardTextRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("double quotes") << "他说\"好\"";
        QTest::newRow("apostrophe") << "O'Brien's 房";
        QTest::newRow("percent and underscore") << "100%_满意";
        QTest::newRow("backslash and statement text") << "a\\b'); DROP TABLE TbRental; --";
    }
    void awkwardTextRoundTrip()
    {
        QFETCH(QString, text);
        auto ds = rentals();
        ds->append();
        ds->setValue(QStringLiteral("SJH"), QStringLiteral("Q\"1'%_"));
        ds->setValue(QStringLiteral("FWDZ"), text);
        ds->post();
        const qint64 id = ds->currentId();
        QCOMPARE(readElsewhere(QStringLiteral("SELECT FWDZ FROM TbRental WHERE ID=?"), {id}).toString(), text);
        QCOMPARE(ds->asText(QStringLiteral("FWDZ")), text);
        ds->first();
        QVERIFY(ds->locate(QStringLiteral("FWDZ"), text));
        QCOMPARE(ds->currentId(), id);
        auto again = rentals(QStringLiteral(" WHERE FWDZ=?"), {text});
        QCOMPARE(again->recordCount(), 1);
        QCOMPARE(again->asText(QStringLiteral("SJH")), QStringLiteral("Q\"1'%_"));
    }

    void registerRowWithFewFields_data()
    {
        QTest::addColumn<QString>("table");
        for (const QString &t : Schema::registerTables())
            QTest::newRow(qPrintable(t)) << t;
    }
    void registerRowWithFewFields()
    {
        QFETCH(QString, table);
        DataSet ds(m_db.get());
        ds.setSql(Sql(QStringLiteral("SELECT * FROM %1").arg(table)));
        ds.open();
        ds.append();
        ds.setValue(QStringLiteral("SJH"), QStringLiteral("00000042"));
        ds.setValue(QStringLiteral("LRR"), QStringLiteral("admin"));
        ds.setValue(QStringLiteral("LRRQ"), QDate::currentDate());
        ds.setValue(QStringLiteral("SSFD"), QStringLiteral("总店"));
        if (ds.fieldIndex(QStringLiteral("ZTW")) >= 0) {
            ds.setValue(QStringLiteral("ZTW"), QStringLiteral("00"));
            ds.setValue(QStringLiteral("YJJE"), QVariant::fromValue(Money()));
        }
        ds.post();
        QCOMPARE(ds.state(), DataSet::State::Browse);
        QCOMPARE(readElsewhere(QStringLiteral("SELECT SSFD FROM %1 WHERE SJH=?").arg(table), {QStringLiteral("00000042")}).toString(),
                 QStringLiteral("总店"));
    }

    void detailFollowsMaster()
    {
        m_db->execute(Sql(QStringLiteral("INSERT INTO TbUser (ID, YHDM, YHXM) VALUES (2, 'u2', '张三')")));
        m_db->execute(Sql(QStringLiteral("INSERT INTO TbRes (ZYMC,LLQX,XZQX,XGQX,SCQX,DYQX,DHQX,GLQX,Sort,YHID) "
                                         "VALUES ('房屋出租',1,0,0,0,0,0,0,1,2)")));
        DataSet master(m_db.get());
        master.setSql(Sql(QStringLiteral("SELECT * FROM TbUser"), {}, QStringLiteral("ID")));
        DataSet detail(m_db.get());
        detail.setSql(Sql(QStringLiteral("SELECT * FROM TbRes WHERE YHID=:Id"), {}, QStringLiteral("Sort")));
        detail.setMaster(&master);
        master.open();
        QVERIFY(detail.isActive());
        QCOMPARE(detail.recordCount(), 3);
        master.next();
        QCOMPARE(detail.recordCount(), 1);
        QCOMPARE(detail.asInt(QStringLiteral("YHID")), 2);
        QCOMPARE(detail.asInt(QStringLiteral("XZQX")), 0);
        master.first();
        QCOMPARE(detail.recordCount(), 3);
        master.append();
        master.setValue(QStringLiteral("YHDM"), QStringLiteral("u3"));
        master.post();
        QCOMPARE(detail.recordCount(), 0);
        QVERIFY(detail.isActive());
        master.close();
        QVERIFY(!detail.isActive());
    }

    // What handlers write in rowWritten and aboutToDelete is one step with the row itself.
    void dependentRowsGoWithTheRow()
    {
        auto rights = [this](qint64 user) {
            return readElsewhere(QStringLiteral("SELECT COUNT(*) FROM TbRes WHERE YHID=?"), {user}).toInt();
        };
        DataSet users(m_db.get());
        users.setSql(Sql(QStringLiteral("SELECT * FROM TbUser")));
        users.open();
        bool failWrite = false;
        connect(&users, &DataSet::rowWritten, this, [&](qint64 id, bool inserted) {
            QVERIFY(inserted);
            m_db->execute(Sql(QStringLiteral("INSERT INTO TbRes (ZYMC,LLQX,XZQX,XGQX,SCQX,DYQX,DHQX,GLQX,Sort,YHID) "
                                             "VALUES ('房屋出租',1,1,1,1,1,1,1,1,?)"),
                              {id}));
            if (failWrite)
                throw EngineError(QStringLiteral("refused"));
        });
        connect(&users, &DataSet::aboutToDelete, this, [&](qint64 id) {
            m_db->execute(Sql(QStringLiteral("DELETE FROM TbRes WHERE YHID=?"), {id}));
        });

        failWrite = true;
        users.append();
        users.setValue(QStringLiteral("YHXM"), QStringLiteral("张三"));
        QVERIFY_THROWS_EXCEPTION(EngineError, users.post());
        QCOMPARE(users.state(), DataSet::State::Insert);
        QCOMPARE(readElsewhere(QStringLiteral("SELECT COUNT(*) FROM TbUser WHERE YHXM='张三'")).toInt(), 0);
        QCOMPARE(readElsewhere(QStringLiteral("SELECT COUNT(*) FROM TbRes")).toInt(), 3);
        failWrite = false;
        QVERIFY(users.post());
        const qint64 id = users.currentId();
        QCOMPARE(rights(id), 1);
        QVERIFY(!m_db->inTransaction());

        m_db->execute(Sql("CREATE TRIGGER KeepUsers BEFORE DELETE ON TbUser BEGIN SELECT RAISE(ABORT, 'kept'); END"));
        QVERIFY_THROWS_EXCEPTION(EngineError, users.remove());
        QCOMPARE(rights(id), 1);
        m_db->execute(Sql("DROP TRIGGER KeepUsers"));
        users.remove();
        QCOMPARE(rights(id), 0);
        QCOMPARE(readElsewhere(QStringLiteral("SELECT COUNT(*) FROM TbUser WHERE ID=?"), {id}).toInt(), 0);
    }

    void databaseCloseClosesDataSets()
    {
        auto a = rentals();
        auto b = rentals(QStringLiteral(" WHERE ZTW=?"), {QStringLiteral("00")});
        a->setValue(QStringLiteral("FWDZ"), QStringLiteral("未保存"));
        QSignalSpy closedA(a.get(), &DataSet::afterClose);
        QSignalSpy closedB(b.get(), &DataSet::afterClose);
        m_db->close();
        QCOMPARE(a->state(), DataSet::State::Inactive);
        QCOMPARE(b->state(), DataSet::State::Inactive);
        QCOMPARE(closedA.count(), 1);
        QCOMPARE(closedB.count(), 1);
        QVERIFY(a->isEmpty());
        QVERIFY(!m_db->isOpen());

        a->open();
        QVERIFY(m_db->isOpen());
        QCOMPARE(a->recordCount(), 3);
        QCOMPARE(a->asText(QStringLiteral("FWDZ")), QStringLiteral("地址00000001"));
    }
};

QTEST_GUILESS_MAIN(TestDataSet)
#include "TestDataSet.moc"
