#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/OperationLog.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

using namespace brel;

namespace {

// One log row as read back: stamp, activity, operator, details.
using LogRow = QStringList;

// The fixed day the purge cases count back from: a month and a year boundary
// lie within its sixteen days.
const QDate PurgeToday(2026, 1, 10);

QString dayText(int offset)
{
    return PurgeToday.addDays(offset).toString(QStringLiteral("yyyy-MM-dd"));
}

QString stamp(int offset, const char *time)
{
    return dayText(offset) + QLatin1Char(' ') + QLatin1String(time);
}

} // namespace

class TestOperationLog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void entryIsWrittenAsGiven_data();
    void entryIsWrittenAsGiven();
    void overLongTextsAreCutToTheColumn_data();
    void overLongTextsAreCutToTheColumn();
    void recordEntriesFollowTheSetting();
    void writingLeavesTheSharedQueryAlone();
    void purge_data();
    void purge();

private:
    // Read through a second connection: what another program would see.
    QList<LogRow> readElsewhere() const;
    void insertStamps(const QStringList &stamps);

    QTemporaryDir m_templates;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TDM> m_dm;
    QString m_file;
};

void TestOperationLog::initTestCase()
{
    QVERIFY(m_templates.isValid());
    test::makeBlankFile(m_templates.filePath(QStringLiteral("blank.mdb")));
}

void TestOperationLog::init()
{
    ClearGlobals();
    m_dir = std::make_unique<QTemporaryDir>();
    m_file = m_dir->filePath(QStringLiteral("日志.mdb"));
    QVERIFY(QFile::copy(m_templates.filePath(QStringLiteral("blank.mdb")), m_file));
    m_dm = std::make_unique<TDM>();
    QVERIFY(m_dm->OpenWorkingFile(m_file, true));
    CurrentUser.Id = 1;
    CurrentUser.YHXM = QStringLiteral("管理员");
}

void TestOperationLog::cleanup()
{
    m_dm.reset();
    m_dir.reset();
    ClearGlobals();
}

QList<LogRow> TestOperationLog::readElsewhere() const
{
    Database db;
    db.open(m_file, test::DataPassword);
    auto st = db.prepare(Sql("SELECT CZSJ, CZHD, CZRY, XXQK FROM TbLog ORDER BY CZSJ, ID"));
    QList<LogRow> rows;
    while (st->step())
        rows.append({st->value(0).toString(), st->value(1).toString(), st->value(2).toString(),
                     st->value(3).toString()});
    return rows;
}

void TestOperationLog::insertStamps(const QStringList &stamps)
{
    Database db;
    db.open(m_file, test::DataPassword);
    Transaction t(db);
    for (const QString &s : stamps)
        db.execute(Sql("INSERT INTO TbLog (CZSJ, CZHD, CZRY, XXQK) VALUES (?, '新增出租单', '管理员', ' ')", {s}));
    t.commit();
}

void TestOperationLog::entryIsWrittenAsGiven_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("details");
    QTest::newRow("quote in the user name") << QStringLiteral("张\"三") << QStringLiteral("修改出租单")
                                            << ReceiptLogDetails(QStringLiteral("00000012"));
    QTest::newRow("quote in the receipt number") << QStringLiteral("李四") << QStringLiteral("房屋出租")
                                                 << ReceiptLogDetails(QStringLiteral("A\"1'2"));
    QTest::newRow("statement text in the details") << QStringLiteral("王五") << QStringLiteral("删除销售单")
                                                   << ReceiptLogDetails(QStringLiteral("'); DROP TABLE TbLog; --"));
    QTest::newRow("new record: a single space") << QStringLiteral("100%_\\") << QStringLiteral("新增求租单")
                                                << QStringLiteral(" ");
}

void TestOperationLog::entryIsWrittenAsGiven()
{
    QFETCH(QString, user);
    QFETCH(QString, action);
    QFETCH(QString, details);
    CurrentUser.YHXM = user;
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    WriteLog(action, details);
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    const QList<LogRow> rows = readElsewhere();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].mid(1), (QStringList{action, user, details}));
    // The program's clock, written with its time even when that is midnight.
    const QDateTime stamped = QDateTime::fromString(rows[0][0], QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    QVERIFY2(stamped.isValid(), qPrintable(rows[0][0]));
    QVERIFY2(before <= stamped && stamped <= after, qPrintable(rows[0][0]));
}

void TestOperationLog::overLongTextsAreCutToTheColumn_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("details");
    QTest::addColumn<QStringList>("stored"); // activity, operator, details

    const QString action20 = QString(20, QChar(u'活'));
    const QString user20 = QString(20, QChar(u'员'));
    const QString details255 = QStringLiteral("收件号：") + QString(251, QChar(u'9'));
    QTest::newRow("exactly the column sizes") << action20 << user20 << details255
                                              << QStringList{action20, user20, details255};
    QTest::newRow("one character over each") << action20 + u'X' << user20 + u'X' << details255 + u'X'
                                             << QStringList{action20, user20, details255};
    QTest::newRow("far over") << QString(300, QChar(u'a')) << QString(64, QChar(u'b'))
                              << QString(2000, QChar(u'c'))
                              << QStringList{QString(20, QChar(u'a')), QString(20, QChar(u'b')),
                                             QString(255, QChar(u'c'))};
    // A character outside the basic plane counts once and is never halved.
    const QString wide = QStringLiteral("𠀀");
    QTest::newRow("characters of two code units") << wide.repeated(21) << QStringLiteral("𠀁").repeated(25)
                                                  << wide.repeated(256)
                                                  << QStringList{wide.repeated(20), QStringLiteral("𠀁").repeated(20),
                                                                 wide.repeated(255)};
}

void TestOperationLog::overLongTextsAreCutToTheColumn()
{
    QFETCH(QString, action);
    QFETCH(QString, user);
    QFETCH(QString, details);
    QFETCH(QStringList, stored);
    CurrentUser.YHXM = user;
    WriteLog(action, details);
    const QList<LogRow> rows = readElsewhere();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].mid(1), stored);
    // Cutting the entry leaves the logged-in user as he was.
    QCOMPARE(CurrentUser.YHXM, user);
}

void TestOperationLog::recordEntriesFollowTheSetting()
{
    SysOptions.CZRZ = false;
    QCOMPARE(WriteRecordLog(QStringLiteral("修改出租单"), ReceiptLogDetails(QStringLiteral("00000001"))), false);
    QCOMPARE(readElsewhere().size(), 0);
    // The commands' own entries are written with logging off too.
    WriteLog(QStringLiteral("房屋出租"), ReceiptLogDetails(QStringLiteral("00000001")));
    QCOMPARE(readElsewhere().size(), 1);

    SysOptions.CZRZ = true;
    QCOMPARE(WriteRecordLog(QStringLiteral("删除出租单"), ReceiptLogDetails(QStringLiteral("00000001"))), true);
    const QList<LogRow> rows = readElsewhere();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows[1][1], QStringLiteral("删除出租单"));
    QCOMPARE(rows[1][3], QStringLiteral("收件号：00000001"));
}

void TestOperationLog::writingLeavesTheSharedQueryAlone()
{
    m_dm->OpenSql(Sql("SELECT * FROM TbUser"));
    QCOMPARE(m_dm->Q1->state(), DataSet::State::Browse);
    WriteLog(QStringLiteral("房屋作废"), ReceiptLogDetails(QStringLiteral("7")));
    SysOptions.CZRZ = true;
    WriteRecordLog(QStringLiteral("新增出租单"), QStringLiteral(" "));
    PurgeLog();
    QCOMPARE(m_dm->Q1->state(), DataSet::State::Browse);
    QCOMPARE(readElsewhere().size(), 2);
}

void TestOperationLog::purge_data()
{
    QTest::addColumn<QStringList>("stamps");
    QTest::addColumn<QStringList>("kept");

    // Fifteen distinct days are kept however old they are and however many
    // rows each day holds.
    QStringList fifteenOld;
    for (int d = -40; d < -25; ++d)
        fifteenOld << stamp(d, "08:00:00") << stamp(d, "17:30:00");
    QTest::newRow("15 old days") << fifteenOld << fifteenOld;

    // Sixteen days: everything up to 00:00:00 of the day sixteen days ago
    // goes; that day's later rows stay.
    QStringList sixteen{stamp(-17, "10:00:00"), dayText(-16), stamp(-16, "00:00:00"), stamp(-16, "00:00:01"),
                        stamp(-16, "23:59:59")};
    for (int d = -15; d <= -2; ++d)
        sixteen << stamp(d, "12:00:00");
    QTest::newRow("16 days around the boundary") << sixteen << sixteen.mid(3);

    // The cut does not stop at fifteen remaining days.
    QStringList sixteenOld;
    for (int d = -40; d < -24; ++d)
        sixteenOld << stamp(d, "09:00:00");
    QTest::newRow("16 old days all go") << sixteenOld << QStringList();

    // Sixteen days that are all recent: nothing is old enough to go.
    QStringList sixteenRecent;
    for (int d = -15; d <= 0; ++d)
        sixteenRecent << stamp(d, "00:00:00");
    QTest::newRow("16 recent days") << sixteenRecent << sixteenRecent;
}

void TestOperationLog::purge()
{
    QFETCH(QStringList, stamps);
    QFETCH(QStringList, kept);
    insertStamps(stamps);
    PurgeLog(PurgeToday);
    QStringList left;
    for (const LogRow &row : readElsewhere())
        left << row[0];
    QCOMPARE(left, kept);
}

QTEST_GUILESS_MAIN(TestOperationLog)
#include "TestOperationLog.moc"
