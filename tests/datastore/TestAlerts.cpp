#include "datastore/Alerts.h"
#include "datastore/DataModule.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace brel;

namespace {
// A fixed day: the week ahead runs across a month and a year end.
const QDate Today(2026, 12, 27);
} // namespace

class TestAlerts : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void dueWithinTheWeek_data();
    void dueWithinTheWeek();
    void periodTakesWholeDays();

private:
    void addHouse(const QString &receipt, const QString &alertDate, bool flag = true,
                  const QString &state = QStringLiteral("01"));

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TDM> m_dm;
};

void TestAlerts::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString path = m_dir->filePath(QStringLiteral("报警.mdb"));
    test::makeBlankFile(path);
    m_dm = std::make_unique<TDM>();
    m_dm->DbBase->open(path, TDM::Password);
}

void TestAlerts::cleanup()
{
    m_dm.reset();
    m_dir.reset();
}

void TestAlerts::addHouse(const QString &receipt, const QString &alertDate, bool flag, const QString &state)
{
    m_dm->ExecSql(Sql(QStringLiteral("INSERT INTO TbRental (SJH, ZTW, GZBJBZ, GZBJRQ) VALUES (?,?,?,?)"),
                      {receipt, state, flag ? 1 : 0, alertDate}));
}

void TestAlerts::dueWithinTheWeek_data()
{
    QTest::addColumn<QString>("alertDate");
    QTest::addColumn<bool>("flag");
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("due");
    QTest::newRow("today") << "2026-12-27" << true << "01" << true;
    QTest::newRow("today at midnight") << "2026-12-27 00:00:00" << true << "01" << true;
    QTest::newRow("in seven days") << "2027-01-03" << true << "01" << true;
    QTest::newRow("late on the seventh day") << "2027-01-03 18:30:00" << true << "01" << true;
    QTest::newRow("in eight days") << "2027-01-04" << true << "01" << false;
    QTest::newRow("yesterday") << "2026-12-26" << true << "01" << false;
    QTest::newRow("late yesterday") << "2026-12-26 23:59:59" << true << "01" << false;
    QTest::newRow("flag cleared") << "2026-12-29" << false << "01" << false;
    QTest::newRow("not let") << "2026-12-29" << true << "00" << false;
    QTest::newRow("voided") << "2026-12-29" << true << "02" << false;
}

void TestAlerts::dueWithinTheWeek()
{
    QFETCH(QString, alertDate);
    QFETCH(bool, flag);
    QFETCH(QString, state);
    QFETCH(bool, due);
    QVERIFY(!HasAlertsSoon(Today));
    addHouse(QStringLiteral("00000001"), alertDate, flag, state);
    QCOMPARE(HasAlertsSoon(Today), due);
}

void TestAlerts::periodTakesWholeDays()
{
    addHouse(QStringLiteral("A"), QStringLiteral("2026-12-27"));
    addHouse(QStringLiteral("B"), QStringLiteral("2026-12-31 23:59:59"));
    addHouse(QStringLiteral("C"), QStringLiteral("2027-01-01"));
    auto found = [this](const QDate &from, const QDate &to) {
        const Sql due = AlertCondition(from, to);
        DataSet q(m_dm->DbBase);
        q.setSql(Sql(QStringLiteral("SELECT SJH FROM TbRental WHERE ") + due.text, due.values, QStringLiteral("SJH")));
        q.open();
        QStringList out;
        for (q.first(); !q.eof(); q.next())
            out << q.asText(QStringLiteral("SJH"));
        return out.join(QLatin1Char(','));
    };
    QCOMPARE(found(Today, QDate(2026, 12, 31)), QStringLiteral("A,B"));
    QCOMPARE(found(QDate(2026, 12, 31), QDate(2026, 12, 31)), QStringLiteral("B"));
    QCOMPARE(found(QDate(2027, 1, 1), Today.addDays(7)), QStringLiteral("C"));
    QCOMPARE(found(QDate(2026, 12, 31), Today), QString()); // from after to
}

QTEST_GUILESS_MAIN(TestAlerts)
#include "TestAlerts.moc"
