#include "datastore/DataSet.h"
#include "search/ConditionBuilder.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace brel;

namespace {

// The rental search's own statement: every column and the state as text.
const Sql RentalBase(QStringLiteral(
    "SELECT A.*,CASE A.ZTW WHEN '00' THEN '未出租' WHEN '01' THEN '已出租' WHEN '02' THEN '已作废' ELSE '' END "
    "AS ZTW_TXT FROM TbRental AS A"));

// A condition row as a test writes it: caption|field|comparison|value.
struct RowText {
    const char *caption;
    const char *field;
    const char *comparison;
    const char *value;
};

} // namespace

Q_DECLARE_METATYPE(QList<RowText>)

class TestConditionBuilder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void pickListsFollowTheFieldType_data();
    void pickListsFollowTheFieldType();
    void rowsFindExactlyTheirHouses_data();
    void rowsFindExactlyTheirHouses();
    void faultsNameTheirRow_data();
    void faultsNameTheirRow();
    void userTextNeverEntersTheStatement();

private:
    QVector<ConditionRow> rows(const QList<RowText> &texts) const;
    QStringList receiptsOf(const Sql &statement) const;

    QTemporaryDir m_dir;
    Database m_db;
    QHash<QString, FieldType> m_types;
};

void TestConditionBuilder::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString file = m_dir.filePath(QStringLiteral("条件.mdb"));
    test::makeBlankFile(file);
    m_db.open(file, test::DataPassword);
    // Awkward values on purpose: the LIKE wildcards, the escape character, a
    // quote, a time of day on a range's last day, an empty floor and flag.
    const char *insert = "INSERT INTO TbRental (SJH,QY,DGDZ,JZMJ,LC,ZJ,LRRQ,ZTW,GZBJBZ) VALUES (?,?,?,?,?,?,?,?,?)";
    const QList<QVariantList> houses{
        {"R1", "城东", "人民路50%折扣", 80, 3, 1200, "2024-03-01", "00", 0},
        {"R2", "城东新区", "和平_里", 100, 5, 2999.99, "2024-03-15 18:30:00", "01", 0},
        {"R3", "城西", "解放\\路 \"引号\"", 120, 12, 3000, "2024-03-31", "00", 0},
        {"R4", "城北", "人民路 8号", 120.5, QVariant(), 5000, "2024-04-01", "02", 1},
        {"R5", QVariant(), "中山路", 60, 1, 800, "2024-02-29 00:00:00", "00", QVariant()},
    };
    for (const QVariantList &h : houses)
        m_db.execute(Sql(QString::fromLatin1(insert), h));
    DataSet q(&m_db);
    q.setSql(RentalBase);
    q.open();
    for (const FieldInfo &f : q.fields())
        m_types.insert(f.name.toUpper(), f.type);
}

void TestConditionBuilder::cleanupTestCase()
{
    m_db.close();
}

QVector<ConditionRow> TestConditionBuilder::rows(const QList<RowText> &texts) const
{
    QVector<ConditionRow> out;
    for (const RowText &t : texts) {
        ConditionRow r;
        r.caption = QString::fromUtf8(t.caption);
        r.field = QString::fromLatin1(t.field);
        r.type = m_types.value(r.field.toUpper(), FieldType::Unknown);
        r.comparison = ConditionBuilder::comparisonOfText(QString::fromUtf8(t.comparison));
        r.value = QString::fromUtf8(t.value);
        out << r;
    }
    return out;
}

QStringList TestConditionBuilder::receiptsOf(const Sql &statement) const
{
    auto st = const_cast<Database &>(m_db).prepare(Sql(statement.text, statement.values, QStringLiteral("SJH")));
    int sjh = 0;
    while (st->columnName(sjh) != QLatin1String("SJH"))
        ++sjh;
    QStringList out;
    while (st->step())
        out << st->value(sjh).toString();
    return out;
}

void TestConditionBuilder::pickListsFollowTheFieldType_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("comparisons");
    const QStringList text{"等于", "不等于", "包含有"};
    const QStringList ordered{"等于", "不等于", "大于等于", "大于", "小于", "小于等于"};
    QTest::newRow("text") << "QY" << text;
    QTest::newRow("money") << "JZMJ" << ordered;
    QTest::newRow("integer") << "LC" << ordered;
    QTest::newRow("date") << "LRRQ" << ordered;
    QTest::newRow("yes/no") << "GZBJBZ" << QStringList{"等于", "不等于"};
}

void TestConditionBuilder::pickListsFollowTheFieldType()
{
    QFETCH(QString, field);
    QFETCH(QStringList, comparisons);
    QCOMPARE(ConditionBuilder::comparisonTextsFor(m_types.value(field)), comparisons);
    QCOMPARE(ConditionBuilder::comparisonTextsFor(FieldType::Unknown), QStringList());
    QCOMPARE(ConditionBuilder::valueChoicesStatement(QStringLiteral("QY")).text,
             QStringLiteral("SELECT QY AS TXT FROM TbArea"));
    QVERIFY(ConditionBuilder::valueChoicesStatement(QStringLiteral("JZMJ")).text.isEmpty());
}

void TestConditionBuilder::rowsFindExactlyTheirHouses_data()
{
    QTest::addColumn<QList<RowText>>("conditions");
    QTest::addColumn<int>("state");
    QTest::addColumn<QStringList>("found");
    using L = QList<RowText>;
    auto add = [](const char *name, L rows, int state, QStringList found) {
        QTest::newRow(name) << rows << state << found;
    };
    add("nothing filled, all states", {{"区域", "QY", "等于", "  "}}, 0, {"R1", "R2", "R3", "R4", "R5"});
    add("nothing filled, a state", {}, 1, {"R1", "R3", "R5"});
    add("text equal", {{"区域", "QY", "等于", "城东"}}, 0, {"R1"});
    add("text not equal", {{"区域", "QY", "不等于", "城东"}}, 0, {"R2", "R3", "R4"});
    add("text contains", {{"区域", "QY", "包含有", "城东"}}, 0, {"R1", "R2"});
    add("contains a percent sign", {{"房屋地址", "DGDZ", "包含有", "%"}}, 0, {"R1"});
    add("contains an underscore", {{"房屋地址", "DGDZ", "包含有", "_"}}, 0, {"R2"});
    add("contains the escape character", {{"房屋地址", "DGDZ", "包含有", "\\"}}, 0, {"R3"});
    add("contains a quote", {{"房屋地址", "DGDZ", "包含有", "\"引号\""}}, 0, {"R3"});
    add("a text with a space is one value", {{"房屋地址", "DGDZ", "等于", "人民路 8号"}}, 0, {"R4"});
    add("money equal", {{"建筑面积", "JZMJ", "等于", "120"}}, 0, {"R3"});
    add("money not equal", {{"建筑面积", "JZMJ", "不等于", "120"}}, 0, {"R1", "R2", "R4", "R5"});
    add("money at least", {{"建筑面积", "JZMJ", "大于等于", "100"}}, 0, {"R2", "R3", "R4"});
    add("money greater", {{"建筑面积", "JZMJ", "大于", "100"}}, 0, {"R3", "R4"});
    add("money less", {{"建筑面积", "JZMJ", "小于", "100"}}, 0, {"R1", "R5"});
    add("money at most", {{"建筑面积", "JZMJ", "小于等于", "100"}}, 0, {"R1", "R2", "R5"});
    add("money range, both ends in", {{"建筑面积", "JZMJ", "", "80 120"}}, 0, {"R1", "R2", "R3"});
    add("range ignores the comparison", {{"租金", "ZJ", "等于", " 2999.99   3000 "}}, 0, {"R2", "R3"});
    add("range the wrong way round", {{"建筑面积", "JZMJ", "", "120 80"}}, 0, {});
    add("integer range", {{"楼层", "LC", "", "3 5"}}, 0, {"R1", "R2"});
    add("integer greater", {{"楼层", "LC", "大于", "5"}}, 0, {"R3"});
    add("date equal takes in a time of day", {{"录入日期", "LRRQ", "等于", "2024-03-15"}}, 0, {"R2"});
    add("date not equal", {{"录入日期", "LRRQ", "不等于", "2024-3-15"}}, 0, {"R1", "R3", "R4", "R5"});
    add("date at least", {{"录入日期", "LRRQ", "大于等于", "2024-03-15"}}, 0, {"R2", "R3", "R4"});
    add("date greater", {{"录入日期", "LRRQ", "大于", "2024-03-15"}}, 0, {"R3", "R4"});
    add("date less", {{"录入日期", "LRRQ", "小于", "2024-03-15"}}, 0, {"R1", "R5"});
    add("date at most takes in the whole day", {{"录入日期", "LRRQ", "小于等于", "2024-03-15"}}, 0,
        {"R1", "R2", "R5"});
    add("date range, a time on the last day is in", {{"录入日期", "LRRQ", "", "2024-03-01 2024-03-15"}}, 0,
        {"R1", "R2"});
    add("date range across a leap day", {{"录入日期", "LRRQ", "大于", "2024-2-29 2024-3-1"}}, 0, {"R1", "R5"});
    add("a date with its time is one day", {{"录入日期", "LRRQ", "等于", "2024-03-15 08:00"}}, 0, {"R2"});
    add("yes", {{"跟踪报警标志", "GZBJBZ", "等于", "是"}}, 0, {"R4"});
    add("no takes in an empty flag", {{"跟踪报警标志", "GZBJBZ", "等于", "否"}}, 0, {"R1", "R2", "R3", "R5"});
    add("three conditions and a state",
        {{"建筑面积", "JZMJ", "", "80 120"}, {"区域", "QY", "包含有", "城"}, {"录入日期", "LRRQ", "小于等于", "2024-03-31"}},
        1, {"R1", "R3"});
    add("the let state alone", {{"区域", "QY", "", ""}}, 2, {"R2"});
    add("the voided state with a condition", {{"楼层", "LC", "大于", "1"}}, 3, {});
}

void TestConditionBuilder::rowsFindExactlyTheirHouses()
{
    QFETCH(QList<RowText>, conditions);
    QFETCH(int, state);
    QFETCH(QStringList, found);
    const ConditionBuilder::Result r = ConditionBuilder::statement(RentalBase, rows(conditions), state);
    QVERIFY2(r.ok(), qPrintable(r.error));
    QCOMPARE(receiptsOf(r.sql), found);
}

void TestConditionBuilder::faultsNameTheirRow_data()
{
    QTest::addColumn<QList<RowText>>("conditions");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("message");
    QTest::newRow("a value without a comparison")
        << QList<RowText>{{"区域", "QY", "等于", "城东"}, {"建筑面积", "JZMJ", "", "80"}} << 1
        << "“建筑面积”还没有选择查找条件，请在“查找条件”中选择。";
    QTest::newRow("not an amount") << QList<RowText>{{"租金", "ZJ", "大于", "三千"}} << 0
                                   << "“租金”输入不正确：“三千”不是金额。";
    QTest::newRow("not a whole number") << QList<RowText>{{"楼层", "LC", "等于", "3.5"}} << 0
                                        << "“楼层”输入不正确：“3.5”不是整数。";
    QTest::newRow("a bad date") << QList<RowText>{{"录入日期", "LRRQ", "等于", "2024-02-30"}} << 0
                                << "“录入日期”日期输入不正确：“2024-02-30”，请按 yyyy-MM-dd 输入。";
    QTest::newRow("a bad end of a date range")
        << QList<RowText>{{"录入日期", "LRRQ", "", "2024-03-01 2024-13-01"}} << 0
        << "“录入日期”日期输入不正确：“2024-13-01”，请按 yyyy-MM-dd 输入。";
    QTest::newRow("a bad end of a range") << QList<RowText>{{"建筑面积", "JZMJ", "", "80 约120"}} << 0
                                          << "“建筑面积”输入不正确：“约120”不是金额。";
    QTest::newRow("three values") << QList<RowText>{{"建筑面积", "JZMJ", "", "80 100 120"}} << 0
                                  << "“建筑面积”的查找范围应是两个值，中间用一个空格分开，如：80 120。";
    QTest::newRow("a comparison the type does not offer")
        << QList<RowText>{{"建筑面积", "JZMJ", "包含有", "80"}} << 0
        << "“建筑面积”不能按“包含有”查找，请重新选择查找条件。";
    QTest::newRow("not yes or no") << QList<RowText>{{"跟踪报警标志", "GZBJBZ", "等于", "也许"}} << 0
                                   << "“跟踪报警标志”输入不正确：“也许”不是“是”或“否”。";
}

void TestConditionBuilder::faultsNameTheirRow()
{
    QFETCH(QList<RowText>, conditions);
    QFETCH(int, row);
    QFETCH(QString, message);
    const ConditionBuilder::Result r = ConditionBuilder::statement(RentalBase, rows(conditions), 1);
    QCOMPARE(r.error, message);
    QCOMPARE(r.errorRow, row);
    QVERIFY(r.sql.text.isEmpty());
}

void TestConditionBuilder::userTextNeverEntersTheStatement()
{
    const QString typed = QStringLiteral("城东\"); DROP TABLE TbRental; --");
    QVector<ConditionRow> r = rows({{"区域", "QY", "等于", ""}, {"楼层", "LC", "", "3 5"}});
    r[0].value = typed;
    const ConditionBuilder::Result out = ConditionBuilder::statement(RentalBase, r, 1);
    QVERIFY(out.ok());
    QVERIFY(!out.sql.text.contains(typed));
    QCOMPARE(out.sql.text, RentalBase.text + QStringLiteral(" WHERE QY=? AND LC>=? AND LC<=? AND ZTW=?"));
    QCOMPARE(out.sql.values, (QVariantList{typed, 3, 5, QStringLiteral("00")}));
    QCOMPARE(receiptsOf(out.sql), QStringList());
    QVERIFY(m_db.tableExists(QStringLiteral("TbRental")));
    // The clause a search window appends to its base, and a base with a condition of its own.
    QCOMPARE(ConditionBuilder::where(r, 1).sql.text, QStringLiteral(" WHERE QY=? AND LC>=? AND LC<=? AND ZTW=?"));
    QCOMPARE(ConditionBuilder::where({}, 0).sql.text, QString());
    const Sql own(QStringLiteral("SELECT * FROM TbRental WHERE ZTW<>?"), {QStringLiteral("02")});
    const ConditionBuilder::Result narrowed = ConditionBuilder::statement(own, rows({{"楼层", "LC", "", "3 5"}}), 0);
    QCOMPARE(narrowed.sql.text, own.text + QStringLiteral(" AND LC>=? AND LC<=?"));
    QCOMPARE(receiptsOf(narrowed.sql), (QStringList{"R1", "R2"}));
}

QTEST_GUILESS_MAIN(TestConditionBuilder)
#include "TestConditionBuilder.moc"
