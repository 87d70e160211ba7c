#include "datastore/DataSet.h"
#include "support/MessageRecorder.h"
#include "support/TestFiles.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace brel;

namespace {
using B = DataNavigator;
// Button order of the masks below: First Prior Next Last Insert Delete Edit Post Cancel Refresh.
QString mask(const DataNavigator &nav)
{
    QString out;
    for (int b = 0; b < DataNavigator::ButtonCount; ++b)
        out += nav.isEnabled(DataNavigator::Button(b)) ? QLatin1Char('1') : QLatin1Char('0');
    return out;
}
} // namespace

class TestNavigator : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<Database> m_db;

    int rowCount()
    {
        auto st = m_db->prepare(Sql("SELECT COUNT(*) FROM TbRental"));
        return st->step() ? int(st->int64(0)) : -1;
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
        for (const char *sjh : {"00000001", "00000002", "00000003"})
            m_db->execute(Sql(QStringLiteral("INSERT INTO TbRental (SJH, ZTW) VALUES (?, '00')"), {QString::fromLatin1(sjh)}));
    }
    void cleanup() { m_db.reset(); }

    void buttonStates_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("expected");
        //                                                        FPNLIDEPCR
        QTest::newRow("no data set") << "none" << "0000000000";
        QTest::newRow("closed data set") << "closed" << "0000000000";
        QTest::newRow("just opened") << "open" << "0011111001";
        QTest::newRow("middle row") << "middle" << "1111111001";
        QTest::newRow("last row") << "last" << "1100111001";
        QTest::newRow("next pressed on the last row") << "past end" << "1100111001";
        QTest::newRow("prior pressed on the first row") << "before start" << "0011111001";
        QTest::newRow("editing") << "editing" << "0011110111";
        QTest::newRow("inserting") << "inserting" << "1100110111";
        QTest::newRow("empty result") << "empty" << "0000101001";
        QTest::newRow("one row") << "single" << "0011111001";
        // A result that cannot be written is still moved through and re-read.
        QTest::newRow("result without ID") << "read only" << "0011000001";
        QTest::newRow("read-only data set") << "read-only flag" << "0011000001";
    }
    void buttonStates()
    {
        QFETCH(QString, situation);
        QFETCH(QString, expected);
        DataSet ds(m_db.get());
        QString where;
        QString columns = QStringLiteral("*");
        if (situation == QLatin1String("empty"))
            where = QStringLiteral(" WHERE ZTW='99'");
        if (situation == QLatin1String("single"))
            where = QStringLiteral(" WHERE SJH='00000002'");
        if (situation == QLatin1String("read only"))
            columns = QStringLiteral("SJH, ZTW");
        ds.setSql(Sql(QStringLiteral("SELECT %1 FROM TbRental%2").arg(columns, where), {}, QStringLiteral("SJH")));
        ds.setReadOnly(situation == QLatin1String("read-only flag"));
        DataSource source;
        DataNavigator nav;
        nav.setDataSource(&source);
        if (situation != QLatin1String("none"))
            source.setDataSet(&ds);
        if (situation != QLatin1String("closed") && situation != QLatin1String("none"))
            ds.open();
        if (situation == QLatin1String("middle"))
            ds.next();
        if (situation == QLatin1String("last") || situation == QLatin1String("past end"))
            ds.last();
        if (situation == QLatin1String("past end"))
            ds.next();
        if (situation == QLatin1String("before start")) {
            ds.next();
            ds.prior();
            ds.prior();
        }
        if (situation == QLatin1String("editing"))
            ds.edit();
        if (situation == QLatin1String("inserting"))
            ds.append();
        QCOMPARE(mask(nav), expected);
    }

    void pressActsOnTheDataSet()
    {
        DataSet ds(m_db.get());
        ds.setSql(Sql(QStringLiteral("SELECT * FROM TbRental"), {}, QStringLiteral("SJH")));
        DataSource source;
        source.setDataSet(&ds);
        DataNavigator nav;
        nav.setDataSource(&source);
        QSignalSpy pressed(&nav, &DataNavigator::aboutToPress);
        QSignalSpy states(&nav, &DataNavigator::statesChanged);

        nav.press(B::Next); // closed: nothing
        QCOMPARE(pressed.count(), 0);
        ds.open();
        QVERIFY(states.count() > 0);
        nav.press(B::Prior); // disabled on the first row
        QCOMPARE(pressed.count(), 0);
        nav.press(B::Last);
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(pressed.at(0).at(0).value<DataNavigator::Button>(), B::Last);
        QCOMPARE(ds.recNo(), 2);
        nav.press(B::First);
        QCOMPARE(ds.recNo(), 0);
        nav.press(B::Next);
        QCOMPARE(ds.recNo(), 1);
        nav.press(B::Edit);
        QCOMPARE(ds.state(), DataSet::State::Edit);
        ds.setValue(QStringLiteral("FWDZ"), QStringLiteral("新地址"));
        nav.press(B::Cancel);
        QCOMPARE(ds.state(), DataSet::State::Browse);
        QVERIFY(ds.isNull(QStringLiteral("FWDZ")));
        nav.press(B::Insert);
        QCOMPARE(ds.state(), DataSet::State::Insert);
        ds.setValue(QStringLiteral("SJH"), QStringLiteral("00000004"));
        nav.press(B::Post);
        QCOMPARE(ds.state(), DataSet::State::Browse);
        QCOMPARE(rowCount(), 4);

        m_db->execute(Sql("INSERT INTO TbRental (SJH) VALUES ('00000000')"));
        nav.press(B::Refresh);
        QCOMPARE(ds.recordCount(), 5);
        QCOMPARE(ds.asText(QStringLiteral("SJH")), QStringLiteral("00000004"));
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("rowsLeft");
        QTest::newRow("OK deletes") << int(Messages::Answer::Ok) << 2;
        QTest::newRow("Cancel deletes nothing") << int(Messages::Answer::Cancel) << 3;
    }
    void deleteAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(int, rowsLeft);
        test::MessageRecorder messages;
        messages.setNextAnswer(Messages::Answer(answer));
        DataSet ds(m_db.get());
        ds.setSql(Sql(QStringLiteral("SELECT * FROM TbRental"), {}, QStringLiteral("SJH")));
        ds.open();
        DataSource source;
        source.setDataSet(&ds);
        DataNavigator nav;
        nav.setDataSource(&source);
        nav.press(B::Delete);
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(messages.messages.at(0).text, QStringLiteral("确定要删除记录吗？"));
        QCOMPARE(messages.messages.at(0).icon, Messages::Icon::Question);
        QCOMPARE(messages.messages.at(0).buttons, Messages::Buttons::OkCancel);
        QCOMPARE(rowCount(), rowsLeft);
        QCOMPARE(ds.recordCount(), rowsLeft);
    }

    void sourceFollowsItsDataSet()
    {
        DataSource source;
        auto ds = std::make_unique<DataSet>(m_db.get());
        ds->setSql(Sql(QStringLiteral("SELECT * FROM TbRental")));
        QSignalSpy changedSet(&source, &DataSource::dataSetChanged);
        QSignalSpy states(&source, &DataSource::stateChanged);
        QSignalSpy data(&source, &DataSource::dataChanged);
        source.setDataSet(ds.get());
        QCOMPARE(changedSet.count(), 1);
        ds->open();
        QCOMPARE(states.count(), 1);
        QCOMPARE(data.count(), 1);

        // Boxes write their pending text before the data set's own checks run.
        QStringList order;
        connect(&source, &DataSource::updateData, this, [&](DataSet::PostVeto *) {
            order << QStringLiteral("updateData");
            ds->setValue(QStringLiteral("FWDZ"), QStringLiteral("框里的字"));
        });
        connect(ds.get(), &DataSet::beforePost, this, [&](DataSet::PostVeto *) {
            order << QStringLiteral("beforePost:") + ds->asText(QStringLiteral("FWDZ"));
        });
        ds->edit();
        ds->post();
        QCOMPARE(order, (QStringList{"updateData", "beforePost:框里的字"}));

        // Another data set replaces the first; the old one no longer reaches listeners.
        DataSet other(m_db.get());
        other.setSql(Sql(QStringLiteral("SELECT * FROM TbSale")));
        source.setDataSet(&other);
        QCOMPARE(changedSet.count(), 2);
        states.clear();
        ds->close();
        QCOMPARE(states.count(), 0);

        source.setDataSet(ds.get());
        ds.reset();
        QCOMPARE(source.dataSet(), nullptr);
        QCOMPARE(changedSet.count(), 4);
        DataNavigator nav;
        nav.setDataSource(&source);
        QCOMPARE(mask(nav), QStringLiteral("0000000000"));
        nav.press(B::Insert);
    }
};

QTEST_GUILESS_MAIN(TestNavigator)
#include "TestNavigator.moc"
