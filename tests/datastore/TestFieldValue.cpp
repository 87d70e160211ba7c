#include "datastore/DataSet.h"
#include "datastore/FieldValue.h"
#include "datastore/Globalvar.h"
#include "support/MessageRecorder.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>
#include <random>

using namespace brel;

namespace {

QVariant money(qint64 raw)
{
    return QVariant::fromValue(Money::fromRaw(raw));
}

QVariant stamp(int y, int mo, int d, int h, int mi, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

QVariant text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

/// A character outside the basic plane (two UTF-16 units).
const QString Wide = QString::fromUcs4(U"\U00020000");

const QString Name = QStringLiteral("字段");
const QString NotInteger = QStringLiteral("“字段”输入不正确：“%1”不是整数。");
const QString IntegerRange = QStringLiteral("“字段”超出范围：整数应在 -2147483648 到 2147483647 之间。");
const QString NotMoney = QStringLiteral("“字段”输入不正确：“%1”不是金额。");
const QString MoneyRange = QStringLiteral("“字段”超出范围：金额的绝对值应小于 549755813888。");
const QString BadDate = QStringLiteral("“字段”日期输入不正确：“%1”，请按 yyyy-MM-dd 输入。");
const QString InvalidDate = QStringLiteral("“字段”的日期无效。");

} // namespace

class TestFieldValue : public QObject {
    Q_OBJECT
private slots:
    void conversion_data();
    void conversion();
    void input_data();
    void input();
    void characters_data();
    void characters();
    void amountsReadBackExactlyBelowTheLimit();
    void throughAFile_data();
    void throughAFile();
};

// A stored value of each type: what the program holds, shows and offers for
// editing, what it writes back, and whether the edit text reads back.
void TestFieldValue::conversion_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QVariant>("typed");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QVariant>("storedAgain");
    QTest::addColumn<bool>("editReadsBack");

    const int integer = int(FieldType::Integer), amount = int(FieldType::Money), date = int(FieldType::Date),
              yesNo = int(FieldType::Bool), textType = int(FieldType::Text), memo = int(FieldType::Memo),
              real = int(FieldType::Float), unknown = int(FieldType::Unknown);
    const QString none;
    auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };

    row("null") << QVariant() << integer << none << QVariant() << "" << "" << QVariant() << true;
    row("integer") << QVariant(qint64(12)) << integer << none << QVariant(12) << "12" << "12" << QVariant(12) << true;
    row("integer key beyond 32 bits") << QVariant(qint64(3000000000)) << integer << none << QVariant(qint64(3000000000))
                                      << "3000000000" << "3000000000" << QVariant(qint64(3000000000)) << false;
    row("integer stored as whole real") << QVariant(7.0) << integer << none << QVariant(7) << "7" << "7" << QVariant(7) << true;
    row("integer stored as fraction stays") << QVariant(7.5) << integer << none << QVariant(7.5) << "7.5" << "7.5"
                                            << QVariant(7.5) << false;
    row("integer stored as text") << text(" 42 ") << integer << none << QVariant(42) << "42" << "42" << QVariant(42) << true;
    row("integer stored as words stays") << text("abc") << integer << none << text("abc") << "abc" << "abc" << text("abc")
                                         << false;
    row("integer blank text") << text("  ") << integer << none << QVariant() << "" << "" << QVariant() << true;

    row("money") << QVariant(1234.5) << amount << none << money(12345000) << "1234.50" << "1234.5" << QVariant(1234.5) << true;
    row("money up to two decimals") << QVariant(1234.5) << amount << "#.##" << money(12345000) << "1234.5" << "1234.5"
                                    << QVariant(1234.5) << true;
    row("money printf pattern") << QVariant(0.125) << amount << "%0.2f" << money(1250) << "0.12" << "0.12"
                                << QVariant(0.125) << false;
    row("money zero up to two decimals") << QVariant(0.0) << amount << "#.##" << money(0) << "" << "" << QVariant(0.0)
                                         << false;
    row("money tenth") << QVariant(0.1) << amount << none << money(1000) << "0.10" << "0.1" << QVariant(0.1) << true;
    row("money computed sum") << QVariant(0.1 + 0.2) << amount << none << money(3000) << "0.30" << "0.3" << QVariant(0.3)
                              << true;
    row("money computed, half to even") << QVariant(1.00005) << amount << "0.0000" << money(10000) << "1.0000"
                                        << "1.0000" << QVariant(1.0) << true;
    row("money largest stored") << QVariant(549755813887.9999) << amount << none << money(5497558138879999)
                                << "549755813888.00" << "549755813887.9999" << QVariant(549755813887.9999) << true;
    row("money legacy beyond the limit stays") << QVariant(1e15) << amount << "#0.00" << QVariant(1e15) << "1e+15"
                                               << "1e+15" << QVariant(1e15) << false;
    row("money stored as integer") << QVariant(qint64(25)) << amount << none << money(250000) << "25.00" << "25"
                                   << QVariant(25.0) << true;
    row("money stored as text") << text("12.5") << amount << none << money(125000) << "12.50" << "12.5" << QVariant(12.5)
                                << true;
    row("money stored as words stays") << text("12元") << amount << none << text("12元") << "12元" << "12元" << text("12元")
                                       << false;

    row("date") << text("2020-03-04") << date << none << QVariant(QDate(2020, 3, 4)) << "2020-03-04" << "2020-03-04"
                << text("2020-03-04") << true;
    row("date with short parts") << text("2020-3-4") << date << none << QVariant(QDate(2020, 3, 4)) << "2020-03-04"
                                 << "2020-03-04" << text("2020-03-04") << true;
    row("date with spaces") << text(" 2020-03-04 ") << date << none << QVariant(QDate(2020, 3, 4)) << "2020-03-04"
                            << "2020-03-04" << text("2020-03-04") << true;
    row("date and time") << text("2020-03-04 05:06:07") << date << none << stamp(2020, 3, 4, 5, 6, 7)
                         << "2020-03-04 05:06:07" << "2020-03-04 05:06:07" << text("2020-03-04 05:06:07") << true;
    row("date and time with T") << text("2020-03-04T05:06:07") << date << none << stamp(2020, 3, 4, 5, 6, 7)
                                << "2020-03-04 05:06:07" << "2020-03-04 05:06:07" << text("2020-03-04 05:06:07") << true;
    row("date and short time") << text("2020-03-04 5:06") << date << none << stamp(2020, 3, 4, 5, 6) << "2020-03-04 05:06:00"
                               << "2020-03-04 05:06:00" << text("2020-03-04 05:06:00") << true;
    row("date at midnight") << text("2020-03-04 00:00:00") << date << none << QVariant(QDate(2020, 3, 4)) << "2020-03-04"
                            << "2020-03-04" << text("2020-03-04") << true;
    row("date with a pattern") << text("2015-03-07") << date << "yyyy年M月d日" << QVariant(QDate(2015, 3, 7))
                               << "2015年3月7日" << "2015-03-07" << text("2015-03-07") << true;
    row("stamp with a pattern") << text("2015-03-07 08:09:10") << date << "yyyy/MM/dd HH:mm" << stamp(2015, 3, 7, 8, 9, 10)
                                << "2015/03/07 08:09" << "2015/03/07 08:09" << text("2015-03-07 08:09:10") << false;
    row("date before 1000") << text("0999-01-02") << date << none << QVariant(QDate(999, 1, 2)) << "0999-01-02"
                            << "0999-01-02" << text("0999-01-02") << true;
    row("date no such day stays") << text("2020-02-30") << date << none << text("2020-02-30") << "2020-02-30"
                                  << "2020-02-30" << text("2020-02-30") << false;
    row("date words stay") << text("昨天") << date << none << text("昨天") << "昨天" << "昨天" << text("昨天") << false;
    row("date day number stays") << QVariant(qint64(43000)) << date << none << QVariant(qint64(43000)) << "43000" << "43000"
                                 << QVariant(qint64(43000)) << false;

    row("bool 1") << QVariant(qint64(1)) << yesNo << none << QVariant(true) << "是" << "1" << QVariant(1) << true;
    row("bool 0") << QVariant(qint64(0)) << yesNo << none << QVariant(false) << "否" << "0" << QVariant(0) << true;
    row("bool -1") << QVariant(qint64(-1)) << yesNo << none << QVariant(true) << "是" << "1" << QVariant(1) << true;
    row("bool text true") << text("true") << yesNo << none << QVariant(true) << "是" << "1" << QVariant(1) << true;
    row("bool text False") << text("False") << yesNo << none << QVariant(false) << "否" << "0" << QVariant(0) << true;
    row("bool text 是") << text("是") << yesNo << none << QVariant(true) << "是" << "1" << QVariant(1) << true;
    row("bool words stay") << text("abc") << yesNo << none << text("abc") << "abc" << "abc" << text("abc") << false;

    row("text") << text("城东 \"一\" ") << textType << none << text("城东 \"一\" ") << "城东 \"一\" " << "城东 \"一\" "
                << text("城东 \"一\" ") << true;
    row("text stored as number") << QVariant(qint64(123)) << textType << none << text("123") << "123" << "123"
                                 << text("123") << true;
    row("text outside the basic plane") << QVariant(Wide + Wide) << textType << none << QVariant(Wide + Wide)
                                        << Wide + Wide << Wide + Wide << QVariant(Wide + Wide) << true;
    row("memo with line breaks") << text("一\n二") << memo << none << text("一\n二") << "一\n二" << "一\n二" << text("一\n二")
                                 << true;

    row("float") << QVariant(2.5) << real << none << QVariant(2.5) << "2.5" << "2.5" << QVariant(2.5) << true;
    row("float through a money pattern") << QVariant(2.5) << real << "#0.00" << QVariant(2.5) << "2.50" << "2.50"
                                         << QVariant(2.5) << true;
    row("float beyond amounts") << QVariant(1e300) << real << "#0.00" << QVariant(1e300) << "1e+300" << "1e+300"
                                << QVariant(1e300) << true;
    row("float stored as integer") << QVariant(qint64(3)) << real << none << QVariant(3.0) << "3" << "3" << QVariant(3.0)
                                   << true;

    row("computed integer") << QVariant(qint64(5)) << unknown << none << QVariant(qint64(5)) << "5" << "5"
                            << QVariant(qint64(5)) << true;
    row("computed text") << text("未出租") << unknown << none << text("未出租") << "未出租" << "未出租" << text("未出租")
                         << true;
}

void TestFieldValue::conversion()
{
    QFETCH(QVariant, stored);
    QFETCH(int, type);
    QFETCH(QString, format);
    QFETCH(QVariant, typed);
    QFETCH(QString, display);
    QFETCH(QString, edit);
    QFETCH(QVariant, storedAgain);
    QFETCH(bool, editReadsBack);

    const QVariant value = fromStorage(stored, FieldType(type));
    QCOMPARE(value, typed);
    QCOMPARE(value.metaType(), typed.metaType());
    QCOMPARE(displayText(value, format), display);
    QCOMPARE(editText(value, format), edit);
    const QVariant again = toStorage(value);
    QCOMPARE(again, storedAgain);
    QCOMPARE(fromStorage(again, FieldType(type)), value);

    const FieldInput read = toFieldValue(edit, FieldType(type), Name);
    QCOMPARE(read.accepted() && read.value == value, editReadsBack);
}

// Typed text and values handed in by the program, as the data set takes
// them; the input checks pass exactly the non-empty texts taken.
void TestFieldValue::input_data()
{
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("error"); // empty = accepted

    const int integer = int(FieldType::Integer), amount = int(FieldType::Money), date = int(FieldType::Date),
              yesNo = int(FieldType::Bool), textType = int(FieldType::Text), real = int(FieldType::Float),
              unknown = int(FieldType::Unknown);
    const QVariant refused;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };

    row("empty is null") << text("") << integer << QVariant() << "";
    row("spaces are null") << text("  ") << date << QVariant() << "";
    row("null") << QVariant() << amount << QVariant() << "";

    row("integer") << text(" 12 ") << integer << QVariant(12) << "";
    row("integer with plus") << text("+7") << integer << QVariant(7) << "";
    row("integer max") << text("2147483647") << integer << QVariant(2147483647) << "";
    row("integer min") << text("-2147483648") << integer << QVariant(int(-2147483647 - 1)) << "";
    row("integer just beyond") << text("2147483648") << integer << refused << IntegerRange;
    row("integer of twenty digits") << text("99999999999999999999") << integer << refused << IntegerRange;
    row("integer 1e20 typed") << text("1e20") << integer << refused << IntegerRange;
    row("integer 1e20 given") << QVariant(1e20) << integer << refused << IntegerRange;
    row("integer key given") << QVariant(qint64(3000000000)) << integer << refused << IntegerRange;
    row("integer decimals") << text("1.5") << integer << refused << NotInteger.arg("1.5");
    row("integer fraction given") << QVariant(2.5) << integer << refused << NotInteger.arg("2.5");
    row("integer whole real given") << QVariant(2.0) << integer << QVariant(2) << "";
    row("integer chinese") << text("十二") << integer << refused << NotInteger.arg("十二");
    row("integer group separator") << text("1,000") << integer << refused << NotInteger.arg("1,000");
    row("integer exponent") << text("1e3") << integer << refused << NotInteger.arg("1e3");
    row("integer from whole amount") << money(120000) << integer << QVariant(12) << "";
    row("integer from amount with cents") << money(125000) << integer << refused << NotInteger.arg("12.5");
    row("integer from bool") << QVariant(true) << integer << QVariant(1) << "";

    row("money") << text("1234.5") << amount << money(12345000) << "";
    row("money fifth decimal half to even") << text("0.12345") << amount << money(1234) << "";
    row("money negative") << text("-3.5") << amount << money(-35000) << "";
    row("money largest") << text("549755813887.9999") << amount << money(5497558138879999) << "";
    row("money smallest") << text("-549755813887.9999") << amount << money(-5497558138879999) << "";
    row("money at the limit") << text("549755813888") << amount << refused << MoneyRange;
    row("money below minus the limit") << text("-549755813888") << amount << refused << MoneyRange;
    row("money losing its last decimal") << text("600000000000.0003") << amount << refused << MoneyRange;
    row("money 1e15 typed") << text("1e15") << amount << refused << MoneyRange;
    row("money sixteen digits") << text("1000000000000000") << amount << refused << MoneyRange;
    row("money 1e15 given as integer") << QVariant(qint64(1000000000000000)) << amount << refused << MoneyRange;
    row("money 1e15 given as real") << QVariant(1e15) << amount << refused << MoneyRange;
    row("money 1e300") << QVariant(1e300) << amount << refused << MoneyRange;
    row("money NaN") << QVariant(nan) << amount << refused << NotMoney.arg("nan");
    row("money infinity") << QVariant(inf) << amount << refused << NotMoney.arg("inf");
    row("money NaN typed") << text("nan") << amount << refused << NotMoney.arg("nan");
    row("money amount beyond the limit") << money(MoneyStorageLimit) << amount << refused << MoneyRange;
    row("money from integer") << QVariant(25) << amount << money(250000) << "";
    row("money from real") << QVariant(0.1) << amount << money(1000) << "";
    row("money with unit") << text("12元") << amount << refused << NotMoney.arg("12元");
    row("money two points") << text("1.2.3") << amount << refused << NotMoney.arg("1.2.3");
    row("money point only") << text(".") << amount << refused << NotMoney.arg(".");

    row("date") << text("2024-01-05") << date << QVariant(QDate(2024, 1, 5)) << "";
    row("date short parts") << text("2024-1-5") << date << QVariant(QDate(2024, 1, 5)) << "";
    row("date leading space") << text(" 2024-01-05") << date << QVariant(QDate(2024, 1, 5)) << "";
    row("date leap day") << text("2024-02-29") << date << QVariant(QDate(2024, 2, 29)) << "";
    row("date no leap day") << text("2023-02-29") << date << refused << BadDate.arg("2023-02-29");
    row("date with time") << text("2024-02-03 10:00") << date << stamp(2024, 2, 3, 10, 0) << "";
    row("date with midnight") << text("2024-02-03 00:00:00") << date << QVariant(QDate(2024, 2, 3)) << "";
    row("date hour 24") << text("2024-02-03 24:00") << date << refused << BadDate.arg("2024-02-03 24:00");
    row("date slashes") << text("2024/02/03") << date << refused << BadDate.arg("2024/02/03");
    row("date letters") << text("2024-ab-03") << date << refused << BadDate.arg("2024-ab-03");
    row("date two digit year") << text("24-1-5") << date << refused << BadDate.arg("24-1-5");
    row("date trailing text") << text("2024-01-05号") << date << refused << BadDate.arg("2024-01-05号");
    row("date without dashes") << text("20240105") << date << refused << BadDate.arg("20240105");
    row("date given") << QVariant(QDate(2024, 5, 6)) << date << QVariant(QDate(2024, 5, 6)) << "";
    row("date invalid given") << QVariant(QDate()) << date << refused << InvalidDate;
    row("date beyond 9999 given") << QVariant(QDate(10000, 1, 1)) << date << refused << InvalidDate;
    row("stamp invalid given") << QVariant(QDateTime()) << date << refused << InvalidDate;
    row("stamp at midnight given") << stamp(2024, 5, 6, 0, 0) << date << QVariant(QDate(2024, 5, 6)) << "";
    row("stamp given") << stamp(2024, 5, 6, 7, 8, 9) << date << stamp(2024, 5, 6, 7, 8, 9) << "";

    row("bool 是") << text("是") << yesNo << QVariant(true) << "";
    row("bool 否") << text("否") << yesNo << QVariant(false) << "";
    row("bool 1") << text("1") << yesNo << QVariant(true) << "";
    row("bool 0") << text("0") << yesNo << QVariant(false) << "";
    row("bool TRUE") << text("TRUE") << yesNo << QVariant(true) << "";
    row("bool words") << text("abc") << yesNo << refused << "“字段”输入不正确：“abc”不是“是”或“否”。";
    row("bool given") << QVariant(true) << yesNo << QVariant(true) << "";
    row("bool from integer") << QVariant(0) << yesNo << QVariant(false) << "";

    row("text") << text("城东") << textType << text("城东") << "";
    row("text keeps spaces") << text(" 城东 ") << textType << text(" 城东 ") << "";
    row("text from amount") << money(15000) << textType << text("1.5") << "";
    row("text from date") << QVariant(QDate(2024, 1, 5)) << textType << text("2024-01-05") << "";

    row("float") << text("1.5") << real << QVariant(1.5) << "";
    row("float words") << text("x") << real << refused << "“字段”输入不正确：“x”不是数字。";
    row("float NaN") << QVariant(nan) << real << refused << "“字段”输入不正确：“nan”不是数字。";
    row("computed as given") << QVariant(qint64(5)) << unknown << QVariant(qint64(5)) << "";
}

void TestFieldValue::input()
{
    QFETCH(QVariant, input);
    QFETCH(int, type);
    QFETCH(QVariant, value);
    QFETCH(QString, error);

    const FieldInput result = toFieldValue(input, FieldType(type), Name);
    QCOMPARE(result.error, error);
    QCOMPARE(result.value, value);
    QCOMPARE(result.value.metaType(), value.metaType());

    if (input.metaType().id() != QMetaType::QString)
        return;
    const QString typed = input.toString();
    const bool passes = error.isEmpty() && !typed.trimmed().isEmpty();
    test::MessageRecorder messages;
    switch (FieldType(type)) {
    case FieldType::Integer:
        QCOMPARE(CheckInteger(Name, typed), passes);
        break;
    case FieldType::Money:
        QCOMPARE(CheckMoney(Name, typed), passes);
        break;
    case FieldType::Date:
        QCOMPARE(CheckDate(Name, typed), passes);
        break;
    default:
        return;
    }
    QCOMPARE(messages.messages.size(), passes ? 0 : 1);
}

void TestFieldValue::characters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("first");       // characters kept
    QTest::addColumn<QString>("kept");
    QTest::newRow("empty") << QString() << 0 << 3 << QString();
    QTest::newRow("ascii") << "abcdef" << 6 << 3 << "abc";
    QTest::newRow("chinese") << "城东区人民路" << 6 << 2 << "城东";
    QTest::newRow("outside the basic plane") << Wide + Wide + Wide << 3 << 2 << Wide + Wide;
    QTest::newRow("mixed") << QStringLiteral("a") + Wide + QStringLiteral("b") << 3 << 2 << QStringLiteral("a") + Wide;
    QTest::newRow("fewer than asked") << Wide << 1 << 5 << Wide;
    QTest::newRow("lone surrogate counts once") << QString(QChar(0xD840)) + QStringLiteral("x") << 2 << 1
                                                << QString(QChar(0xD840));
}

void TestFieldValue::characters()
{
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(int, first);
    QFETCH(QString, kept);
    QCOMPARE(characterCount(text), count);
    QCOMPARE(leftCharacters(text, first), kept);
}

// Every amount below the limit comes back from its stored double as it was;
// at the limit neighbouring ten-thousandths would share one.
void TestFieldValue::amountsReadBackExactlyBelowTheLimit()
{
    std::mt19937_64 random(7);
    std::uniform_int_distribution<qint64> anywhere(-MoneyStorageLimit + 1, MoneyStorageLimit - 1);
    QVector<qint64> raws;
    for (qint64 i = 0; i < 20000; ++i) {
        raws << MoneyStorageLimit - 1 - i << -(MoneyStorageLimit - 1 - i) << i << anywhere(random);
        // Across the last power of two below the limit, where the spacing of doubles doubles.
        raws << (qint64(1) << 38) * Money::Scale + i << (qint64(1) << 38) * Money::Scale - i;
    }
    for (qint64 raw : raws) {
        const QVariant stored = toStorage(money(raw));
        QCOMPARE(stored.metaType().id(), int(QMetaType::Double));
        const QVariant back = fromStorage(stored, FieldType::Money);
        if (back != money(raw))
            QFAIL(qPrintable(QStringLiteral("%1 read back as %2").arg(raw).arg(valueText(back))));
    }
    // Just beyond, the stored form cannot keep the fourth decimal: refused.
    QVERIFY(!isStorableMoney(Money::fromRaw(MoneyStorageLimit)));
    QVERIFY(isStorableMoney(Money::fromRaw(-MoneyStorageLimit + 1)));
    QVERIFY_THROWS_EXCEPTION(EngineError, toStorage(money(MoneyStorageLimit)));
    QVERIFY_THROWS_EXCEPTION(EngineError, toStorage(QVariant(QDate())));
    QVERIFY_THROWS_EXCEPTION(EngineError, toStorage(QVariant(QDateTime())));
}

// What a clerk types reaches the file as the conversion says, or is refused
// with the field named and the file left as it was.
void TestFieldValue::throughAFile_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<QVariant>("stored"); // invalid = refused
    QTest::addColumn<QString>("shown");   // as a grid shows the stored value
    const QVariant refused;
    QString ten;
    for (int i = 0; i < 10; ++i)
        ten += Wide;

    QTest::newRow("date with short parts") << "JGRQ" << text("2024-1-5") << text("2024-01-05") << "2024-01-05";
    QTest::newRow("date with a space first") << "JGRQ" << text(" 2024-01-05") << text("2024-01-05") << "2024-01-05";
    QTest::newRow("date and time") << "LRRQ" << text("2024-01-05 9:30") << text("2024-01-05 09:30:00")
                                   << "2024-01-05 09:30:00";
    QTest::newRow("invalid date") << "JGRQ" << QVariant(QDate()) << refused << "";
    QTest::newRow("largest amount") << "ZJ" << text("549755813887.9999") << QVariant(549755813887.9999)
                                    << "549755813888.00";
    QTest::newRow("smallest step") << "ZJ" << text("0.0001") << QVariant(0.0001) << "0.00";
    QTest::newRow("amount beyond") << "ZJ" << text("549755813888") << refused << "";
    QTest::newRow("amount 1e15") << "ZJ" << QVariant(qint64(1000000000000000)) << refused << "";
    QTest::newRow("amount 1e300") << "ZJ" << QVariant(1e300) << refused << "";
    QTest::newRow("amount NaN") << "ZJ" << QVariant(std::numeric_limits<double>::quiet_NaN()) << refused << "";
    QTest::newRow("integer 1e20") << "LC" << QVariant(1e20) << refused << "";
    QTest::newRow("integer beyond") << "LC" << text("2147483648") << refused << "";
    QTest::newRow("yes typed") << "GGFB" << text("是") << QVariant(qint64(1)) << "是";
    QTest::newRow("ten characters outside the basic plane") << "SJH" << QVariant(ten) << QVariant(ten) << ten;
    QTest::newRow("eleven characters") << "SJH" << QVariant(ten + Wide) << refused << "";
}

void TestFieldValue::throughAFile()
{
    QFETCH(QString, field);
    QFETCH(QVariant, input);
    QFETCH(QVariant, stored);
    QFETCH(QString, shown);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("values.mdb"));
    test::makeBlankFile(path);
    Database db;
    db.open(path, test::DataPassword);
    db.execute(Sql("INSERT INTO TbRental (SJH, ZJ, LC, JGRQ) VALUES ('00000001', 100, 3, '2020-01-01')"));
    auto readElsewhere = [&] {
        Database other;
        other.open(path, test::DataPassword);
        auto st = other.prepare(Sql(QStringLiteral("SELECT %1 FROM TbRental").arg(field)));
        return st->step() ? st->value(0) : QVariant(QStringLiteral("<no row>"));
    };
    const QVariant before = readElsewhere();

    DataSet ds(&db);
    ds.setSql(Sql("SELECT * FROM TbRental"));
    ds.open();
    QString error;
    try {
        ds.setValue(field, input);
        ds.post();
    } catch (const EngineError &e) {
        error = e.message();
    }
    if (!stored.isValid()) {
        QVERIFY2(error.contains(QStringLiteral("“%1”").arg(field)), qPrintable(error));
        QCOMPARE(readElsewhere(), before);
        return;
    }
    QCOMPARE(error, QString());
    QCOMPARE(readElsewhere(), stored);
    DataSet again(&db);
    again.setSql(Sql("SELECT * FROM TbRental"));
    again.open();
    QCOMPARE(displayText(again.value(field)), shown);
}

QTEST_GUILESS_MAIN(TestFieldValue)
#include "TestFieldValue.moc"
