#include "components/widgets/DataGrid.h"
#include "support/MessageRecorder.h"
#include "support/TestFiles.h"

#include <QTest>

using namespace brel;

namespace {

constexpr int Rows = 300;
// Rows after this one cannot be read: the engine fails on them as on a
// damaged page ("string or blob too big" for a blob over its limit).
constexpr int ReadableRows = 200;

} // namespace

/// The engine failing while Qt paints a grid: nothing unwinds through Qt's
/// painting, the failing cells stay empty, and the error is shown once,
/// after the paint.
class TestGridFailures : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void failureWhilePaintingIsReportedOnce_data();
    void failureWhilePaintingIsReportedOnce();

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<DataSet> m_ds;
    std::unique_ptr<DataSource> m_source;
};

void TestGridFailures::initTestCase()
{
    qputenv("BRELVANTO_SETTINGS", m_dir.filePath(QStringLiteral("settings.ini")).toLocal8Bit());
    m_path = m_dir.filePath(QStringLiteral("grid.mdb"));
    test::makeBlankFile(m_path);
    Database db;
    db.open(m_path, test::DataPassword);
    Transaction t(db);
    for (int i = 1; i <= Rows; ++i)
        db.execute(Sql("INSERT INTO TbRental (SJH, QY) VALUES (?, ?)",
                       {QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0')), QStringLiteral("城东")}));
    db.execute(Sql("CREATE TABLE TbDistrictNote (QY TEXT, NOTE TEXT)"));
    t.commit();
    // Another program removes the table that a hook and the footer read.
    Database other;
    other.open(m_path, test::DataPassword);
    other.execute(Sql("DROP TABLE TbDistrictNote"));
}

void TestGridFailures::init()
{
    m_db = std::make_unique<Database>();
    m_db->open(m_path, test::DataPassword);
    m_ds = std::make_unique<DataSet>(m_db.get());
    m_source = std::make_unique<DataSource>();
    m_source->setDataSet(m_ds.get());
}

void TestGridFailures::cleanup()
{
    m_source.reset();
    m_ds.reset();
    m_db.reset();
}

void TestGridFailures::failureWhilePaintingIsReportedOnce_data()
{
    QTest::addColumn<bool>("unreadableRows");
    QTest::addColumn<bool>("hookFails");
    QTest::addColumn<bool>("footerFails");
    QTest::newRow("rows the engine cannot read") << true << false << false;
    QTest::newRow("a cell hook's lookup") << false << true << false;
    QTest::newRow("a footer function") << false << false << true;
    QTest::newRow("hook and footer in the same paint") << false << true << true;
}

void TestGridFailures::failureWhilePaintingIsReportedOnce()
{
    QFETCH(bool, unreadableRows);
    QFETCH(bool, hookFails);
    QFETCH(bool, footerFails);
    test::MessageRecorder messages;

    m_ds->setSql(Sql(QStringLiteral("SELECT ID, SJH, QY, CASE WHEN ID > ? THEN zeroblob(2000000000) END AS BAD "
                                    "FROM TbRental"),
                     {unreadableRows ? ReadableRows : Rows}, QStringLiteral("ID")));
    m_ds->open();
    DataGrid grid;
    grid.setColumns({{QStringLiteral("收件号"), QStringLiteral("SJH"), 1, 90, {}, true},
                     {QStringLiteral("区域"), QStringLiteral("QY"), 1, 80, {}, true},
                     {QStringLiteral("备注"), QStringLiteral("BAD"), 1, 80, {}, true}});
    grid.setDataSource(m_source.get());
    Database *db = m_db.get();
    auto lookup = [db] {
        auto st = db->prepare(Sql("SELECT NOTE FROM TbDistrictNote WHERE QY=?", {QStringLiteral("城东")}));
        return st->step() ? st->value(0).toString() : QString();
    };
    if (hookFails)
        grid.setCellHook([lookup](int, int column, QColor &, QString &text) {
            if (column == 1)
                text += lookup();
        });
    grid.setFooterVisible(true);
    grid.setFooterRowCount(0, QStringLiteral("%1 条"));
    if (footerFails)
        grid.setFooterFunction(1, lookup);
    grid.resize(400, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QCOMPARE(grid.gridModel()->rowCount(), Rows);
    grid.scrollToBottom();

    QVERIFY_THROWS_NO_EXCEPTION(grid.grab());
    // Shown after the paint, not in the middle of it.
    QTRY_COMPARE(messages.messages.size(), 1);
    QCOMPARE(messages.messages.at(0).icon, Messages::Icon::Error);
    QVERIFY(!messages.messages.at(0).text.isEmpty());

    // Painting again meets the same fault but asks the engine no more.
    QVERIFY_THROWS_NO_EXCEPTION(grid.grab());
    QTest::qWait(50);
    QCOMPARE(messages.messages.size(), 1);
    // The footer's count did not fail and is still shown.
    QCOMPARE(grid.footerText(0), QStringLiteral("%1 条").arg(Rows));
    // A failed cell shows nothing; a failing footer leaves the cells alone.
    const QString lastShown = grid.gridModel()->data(grid.gridModel()->index(Rows - 1, 0)).toString();
    QCOMPARE(lastShown, unreadableRows || hookFails ? QString() : QStringLiteral("%1").arg(Rows, 8, 10, QLatin1Char('0')));
}

QTEST_MAIN(TestGridFailures)
#include "TestGridFailures.moc"
