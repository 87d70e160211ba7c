#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "support/MessageRecorder.h"
#include "support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace brel;

class TestGlobalvar : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void checks_data();
    void checks();
    void formatReceiptNo_data();
    void formatReceiptNo();
    void stateCodeAndMonthDays();
    void numericKeyFilter_data();
    void numericKeyFilter();
    void roughAddressByByteLength_data();
    void roughAddressByByteLength();
    void roughAddressNeverSplitsACharacter();
    void backupName_data();
    void backupName();
    void countPictures();

    void receiptNoExists();
    void receiptNoIgnoresLetterCase_data();
    void receiptNoIgnoresLetterCase();
    void feeRate();
    void earliestEntryDate();
    void sysOptionsRoundTrip();

private:
    void openBlankFile();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TDM> m_dm;
};

void TestGlobalvar::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    AppDir = m_dir->path();
}

void TestGlobalvar::cleanup()
{
    m_dm.reset();
    ClearGlobals();
    m_dir.reset();
}

void TestGlobalvar::openBlankFile()
{
    const QString path = m_dir->filePath(QStringLiteral("work.mdb"));
    test::makeBlankFile(path);
    m_dm = std::make_unique<TDM>();
    m_dm->DbBase->open(path, TDM::Password);
}

void TestGlobalvar::checks_data()
{
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // empty = passes

    const QString empty = QStringLiteral("“\"收件号\"”输入不能为空，请输入。");
    const QString wrong = QStringLiteral("“\"收件号\"”输入不正确，请重新输入。");
    const QString date = QStringLiteral("“\"收件号\"”日期输入不正确，请重新输入。");

    QTest::newRow("not empty") << "NotEmpty" << "a" << "";
    QTest::newRow("empty") << "NotEmpty" << "" << empty;
    QTest::newRow("spaces only") << "NotEmpty" << "   " << empty;
    QTest::newRow("chinese space only") << "NotEmpty" << QStringLiteral("\u3000") << empty;

    QTest::newRow("int") << "Integer" << "123" << "";
    QTest::newRow("int negative") << "Integer" << "-5" << "";
    QTest::newRow("int spaces") << "Integer" << " 7 " << "";
    QTest::newRow("int max") << "Integer" << "2147483647" << "";
    QTest::newRow("int min") << "Integer" << "-2147483648" << "";
    QTest::newRow("int too big") << "Integer" << "2147483648" << wrong;
    QTest::newRow("int decimal") << "Integer" << "1.5" << wrong;
    QTest::newRow("int empty") << "Integer" << "" << wrong;
    QTest::newRow("int letters") << "Integer" << "12a" << wrong;

    QTest::newRow("money") << "Money" << "1234.5678" << "";
    QTest::newRow("money int") << "Money" << "12" << "";
    QTest::newRow("money point only") << "Money" << "." << wrong;
    QTest::newRow("money two points") << "Money" << "1.2.3" << wrong;
    QTest::newRow("money empty") << "Money" << "" << wrong;
    QTest::newRow("money letters") << "Money" << "12元" << wrong;
    QTest::newRow("money largest stored exactly") << "Money" << "549755813887.9999" << "";
    QTest::newRow("money beyond what is stored exactly") << "Money" << "549755813888" << wrong;

    QTest::newRow("date") << "Date" << "2024-02-29" << "";
    QTest::newRow("date no leap day") << "Date" << "2023-02-29" << date;
    QTest::newRow("date 30 feb") << "Date" << "2024-02-30" << date;
    // What a data set stores in a date field passes, and nothing else.
    QTest::newRow("date short parts") << "Date" << "2024-2-3" << "";
    QTest::newRow("date leading space") << "Date" << " 2024-01-05" << "";
    QTest::newRow("date letters") << "Date" << "2024-ab-03" << date;
    QTest::newRow("date slashes") << "Date" << "2024/02/03" << date;
    QTest::newRow("date empty") << "Date" << "" << date;
    QTest::newRow("date with time") << "Date" << "2024-02-03 10:00" << "";
    QTest::newRow("date with a bad time") << "Date" << "2024-02-03 25:00" << date;
    QTest::newRow("date two digit year") << "Date" << "24-02-03" << date;
}

void TestGlobalvar::checks()
{
    QFETCH(QString, check);
    QFETCH(QString, text);
    QFETCH(QString, message);
    test::MessageRecorder recorder;
    const QString caption = QStringLiteral("收件号");
    bool passed = false;
    if (check == QLatin1String("NotEmpty"))
        passed = CheckNotEmpty(caption, text);
    else if (check == QLatin1String("Integer"))
        passed = CheckInteger(caption, text);
    else if (check == QLatin1String("Money"))
        passed = CheckMoney(caption, text);
    else
        passed = CheckDate(caption, text);
    QCOMPARE(passed, message.isEmpty());
    if (message.isEmpty()) {
        QCOMPARE(recorder.messages.size(), 0);
    } else {
        QCOMPARE(recorder.messages.size(), 1);
        QCOMPARE(recorder.lastText(), message);
        QCOMPARE(recorder.messages.first().icon, Messages::Icon::Error);
        QCOMPARE(recorder.messages.first().buttons, Messages::Buttons::Ok);
    }
}

void TestGlobalvar::formatReceiptNo_data()
{
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("1") << qint64(1) << "00000001";
    QTest::newRow("9") << qint64(9) << "00000009";
    QTest::newRow("10") << qint64(10) << "00000010";
    QTest::newRow("99") << qint64(99) << "00000099";
    QTest::newRow("100") << qint64(100) << "00000100";
    QTest::newRow("1000") << qint64(1000) << "00001000";
    QTest::newRow("10000") << qint64(10000) << "00010000";
    QTest::newRow("9999999") << qint64(9999999) << "09999999";
    QTest::newRow("12345678") << qint64(12345678) << "12345678";
    QTest::newRow("123456789") << qint64(123456789) << "123456789";
}

void TestGlobalvar::formatReceiptNo()
{
    QFETCH(qint64, number);
    QFETCH(QString, text);
    QCOMPARE(FormatReceiptNo(number), text);
}

void TestGlobalvar::stateCodeAndMonthDays()
{
    QCOMPARE(StateCode(0), QStringLiteral("00"));
    QCOMPARE(StateCode(1), QStringLiteral("01"));
    QCOMPARE(StateCode(2), QStringLiteral("02"));
    const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m)
        QCOMPARE(MonthDays(2023, m), days[m - 1]);
    QCOMPARE(MonthDays(2024, 2), 29);
    QCOMPARE(MonthDays(1900, 2), 28);
    QCOMPARE(MonthDays(2000, 2), 29);
    QCOMPARE(MonthDays(2024, 13), 0);
}

void TestGlobalvar::numericKeyFilter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("digit") << "12" << "3" << true;
    QTest::newRow("zero") << "" << "0" << true;
    QTest::newRow("nine") << "" << "9" << true;
    QTest::newRow("first point") << "12" << "." << true;
    QTest::newRow("second point") << "12.5" << "." << false;
    QTest::newRow("backspace") << "12.5" << "\b" << true;
    QTest::newRow("letter") << "12" << "a" << false;
    QTest::newRow("minus") << "" << "-" << false;
    QTest::newRow("comma") << "1" << "," << false;
    QTest::newRow("full-width digit") << "1" << QStringLiteral("１") << false;
    QTest::newRow("space") << "1" << " " << false;
    QTest::newRow("no text (arrow key)") << "1" << "" << true;
    QTest::newRow("typed run with two points") << "" << "1.2." << false;
}

void TestGlobalvar::numericKeyFilter()
{
    QFETCH(QString, text);
    QFETCH(QString, key);
    QFETCH(bool, accepted);
    test::MessageRecorder recorder;
    QCOMPARE(NumericKeyFilter(text, key), accepted);
    QCOMPARE(recorder.messages.size(), 0);
}

void TestGlobalvar::roughAddressByByteLength_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("rough");
    const QString ascii = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCD");
    QTest::newRow("13 bytes") << ascii.left(13) << ascii.left(13);
    QTest::newRow("14 bytes") << ascii.left(14) << ascii.left(8);
    QTest::newRow("20 bytes") << ascii.left(20) << ascii.left(12);
    QTest::newRow("30 bytes") << ascii.left(30) << ascii.left(20);
    QTest::newRow("40 bytes") << ascii.left(40) << ascii.left(26);
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("6 chinese = 12 bytes") << QStringLiteral("北京市朝阳区") << QStringLiteral("北京市朝阳区");
    QTest::newRow("7 chinese = 14 bytes") << QStringLiteral("北京市朝阳区路") << QStringLiteral("北京市朝");
    // 15 bytes: a = 10, the 10th byte ends the 5th character.
    QTest::newRow("odd cut inside") << QStringLiteral("a北京市朝阳区路") << QStringLiteral("a北京市朝");
    QTest::newRow("non-BMP counts two") << QStringLiteral("𠀀𠀀𠀀𠀀𠀀𠀀𠀀") << QStringLiteral("𠀀𠀀𠀀𠀀");
}

void TestGlobalvar::roughAddressByByteLength()
{
    QFETCH(QString, address);
    QFETCH(QString, rough);
    QCOMPARE(MakeRoughAddress(address), rough);
}

void TestGlobalvar::roughAddressNeverSplitsACharacter()
{
    // A run of ASCII then Chinese, long enough to be cut, with the boundary
    // moved through every position: the cut is b bytes or one less, never more.
    for (int ascii = 0; ascii <= 30; ++ascii) {
        const QString address = QString(ascii, QLatin1Char('x')) + QString(15, QChar(0x623F));
        const int n = ascii + 30;
        const int a = int(qRound(n * 2 / 3.0));
        const int b = a % 2 == 0 ? a : a - 1;
        const QString rough = MakeRoughAddress(address);
        QVERIFY2(address.startsWith(rough), qPrintable(QString::number(ascii)));
        const int bytes = GbkByteLength(rough);
        QVERIFY2(bytes == b || (bytes == b - 1 && ascii < b), qPrintable(QStringLiteral("ascii=%1 bytes=%2 b=%3")
                                                                         .arg(ascii).arg(bytes).arg(b)));
        // When one byte short, the next character is a two-byte one left out whole.
        if (bytes == b - 1)
            QCOMPARE(address.at(rough.size()), QChar(0x623F));
    }
}

void TestGlobalvar::backupName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("backup");
    QTest::newRow("zip") << "Temp.zip" << "Temp.~zip";
    QTest::newRow("mdb") << "Temp.mdb" << "Temp.~mdb";
    QTest::newRow("no dot") << "Temp" << ".~Temp";
    QTest::newRow("two dots") << "a.b.c" << "a.~b.c";
    QTest::newRow("folder kept") << "/x.y/Temp.zip" << "/x.y/Temp.~zip";
}

void TestGlobalvar::backupName()
{
    QFETCH(QString, name);
    QFETCH(QString, backup);
    QCOMPARE(BackupName(name), backup);
}

void TestGlobalvar::countPictures()
{
    QVERIFY(QDir(AppDir).mkpath(QStringLiteral("Picture")));
    for (const QString &name : {QStringLiteral("a.jpg"), QStringLiteral("my plan.jpg")}) {
        QFile f(PictureDir() + QLatin1Char('/') + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(CountPictures(QString()), 0);
    QCOMPARE(CountPictures(QStringLiteral("a.jpg")), 1);
    QCOMPARE(CountPictures(QStringLiteral("a.jpg,missing.jpg,\"my plan.jpg\"")), 2);
    // Unquoted, the space splits the name into two that do not exist.
    QCOMPARE(CountPictures(QStringLiteral("my plan.jpg")), 0);
    // An empty name would name the folder itself.
    QCOMPARE(CountPictures(QStringLiteral("\"\"")), 0);
}

void TestGlobalvar::receiptNoExists()
{
    openBlankFile();
    const QString odd = QStringLiteral("A\"1'%_");
    m_dm->ExecSql(Sql(QStringLiteral("INSERT INTO TbRental (ID, SJH) VALUES (5, ?)"), {odd}));
    m_dm->ExecSql(Sql(QStringLiteral("INSERT INTO TbSale (ID, SJH) VALUES (6, ?)"), {QStringLiteral("00000001")}));
    test::MessageRecorder recorder;

    QVERIFY(ReceiptNoExists(0, odd, QStringLiteral("TbRental")));
    QCOMPARE(recorder.lastText(), QStringLiteral("“\"A\"1'%_\"”收件号已经存在，请重新输入。"));
    QCOMPARE(recorder.messages.last().icon, Messages::Icon::Error);
    recorder.clear();

    QVERIFY(!ReceiptNoExists(5, odd, QStringLiteral("TbRental")));          // the row itself
    QVERIFY(!ReceiptNoExists(0, QStringLiteral("A%"), QStringLiteral("TbRental"))); // no pattern matching
    QVERIFY(!ReceiptNoExists(0, QStringLiteral("00000001"), QStringLiteral("TbRental"))); // registers apart
    QVERIFY(ReceiptNoExists(7, QStringLiteral("00000001"), QStringLiteral("TbSale")));
    QCOMPARE(recorder.messages.size(), 1);
    QVERIFY_THROWS_EXCEPTION(EngineError, ReceiptNoExists(0, QStringLiteral("1"), QStringLiteral("TbRental; DROP")));
}

void TestGlobalvar::receiptNoIgnoresLetterCase_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("exists");
    // Stored: A0001, b0002, Ab-x9, 00000003, ZZ.
    QTest::newRow("lower case of A0001") << "a0001" << true;
    QTest::newRow("as stored") << "A0001" << true;
    QTest::newRow("upper case of b0002") << "B0002" << true;
    QTest::newRow("mixed case") << "aB-X9" << true;
    QTest::newRow("digits only") << "00000003" << true;
    QTest::newRow("other number") << "A0002" << false;
    QTest::newRow("a prefix only") << "a000" << false;
    QTest::newRow("a trailing space") << "a0001 " << false;
    QTest::newRow("letters between the cases") << "Zz" << true;
    QTest::newRow("a letter between A and a") << "_0001" << false;
}

void TestGlobalvar::receiptNoIgnoresLetterCase()
{
    QFETCH(QString, typed);
    QFETCH(bool, exists);
    openBlankFile();
    int id = 10;
    for (const char *no : {"A0001", "b0002", "Ab-x9", "00000003", "ZZ"})
        m_dm->ExecSql(Sql(QStringLiteral("INSERT INTO TbRental (ID, SJH) VALUES (?, ?)"), {id++, QString::fromLatin1(no)}));
    test::MessageRecorder recorder;
    QCOMPARE(ReceiptNoExists(0, typed, QStringLiteral("TbRental")), exists);
    QCOMPARE(recorder.messages.size(), exists ? 1 : 0);
}

void TestGlobalvar::feeRate()
{
    QCOMPARE(GetFeeRate(3), Money()); // no data module
    openBlankFile();
    QCOMPARE(GetFeeRate(3), Money::fromInt(50));
    QCOMPARE(GetFeeRate(2), Money::fromInt(2));
    QCOMPARE(GetFeeRate(99), Money());
    m_dm->ExecSql(Sql("UPDATE TbFee SET CSZ=NULL WHERE ID=2"));
    QCOMPARE(GetFeeRate(2), Money());
    m_dm->ExecSql(Sql("UPDATE TbFee SET CSZ=0.1234 WHERE ID=2"));
    QCOMPARE(GetFeeRate(2), Money::fromRaw(1234));
}

void TestGlobalvar::earliestEntryDate()
{
    openBlankFile();
    QCOMPARE(EarliestEntryDate(QStringLiteral("TbRental")), QDate::currentDate());
    m_dm->ExecSql(Sql("INSERT INTO TbRental (SJH, LRRQ) VALUES ('1', NULL)"));
    m_dm->ExecSql(Sql("INSERT INTO TbRental (SJH, LRRQ) VALUES ('2', '2021-05-06')"));
    m_dm->ExecSql(Sql("INSERT INTO TbRental (SJH, LRRQ) VALUES ('3', '2019-11-30 08:00:00')"));
    QCOMPARE(EarliestEntryDate(QStringLiteral("TbRental")), QDate(2019, 11, 30));
    QCOMPARE(EarliestEntryDate(QStringLiteral("TbSale")), QDate::currentDate());
    QCOMPARE(EarliestEntryDate(QStringLiteral("NoSuchTable")), QDate::currentDate());
}

void TestGlobalvar::sysOptionsRoundTrip()
{
    openBlankFile();
    LoadSysOptions(); // blank file: ZDSJH 1, XSLJ 1, CZRZ 0
    QCOMPARE(SysOptions.ZDSJH, true);
    QCOMPARE(SysOptions.XSLJ, true);
    QCOMPARE(SysOptions.CZRZ, false);

    SysOptions = {false, false, true};
    SaveSysOptions();
    SysOptions = {};
    QCOMPARE(m_dm->GetValue(Sql("SELECT ZDSJH || XSLJ || CZRZ AS V FROM TbSetings"), QStringLiteral("V")),
             QStringLiteral("001"));
    LoadSysOptions();
    QCOMPARE(SysOptions.ZDSJH, false);
    QCOMPARE(SysOptions.XSLJ, false);
    QCOMPARE(SysOptions.CZRZ, true);

    // Only the value 1 means yes.
    m_dm->ExecSql(Sql("UPDATE TbSetings SET ZDSJH=2"));
    LoadSysOptions();
    QCOMPARE(SysOptions.ZDSJH, false);

    m_dm->ExecSql(Sql("DELETE FROM TbSetings"));
    SysOptions = {true, false, true};
    SaveSysOptions();
    SysOptions = {};
    LoadSysOptions();
    QCOMPARE(SysOptions.ZDSJH, true);
    QCOMPARE(SysOptions.CZRZ, true);
}

QTEST_GUILESS_MAIN(TestGlobalvar)
#include "TestGlobalvar.moc"
