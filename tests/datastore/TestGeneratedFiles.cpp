// The data files the build puts into the program folder, as the generator
// makes them. Generated afresh into a folder of the test's own: the copies
// in the program folder are the user's to change (the first login already
// rewrites the administrator's password), so they prove nothing here.

#include "datastore/Engine.h"
#include "datastore/Globalvar.h"
#include "datastore/Money.h"
#include "datastore/Schema.h"
#include "support/TestFiles.h"

#include <QDate>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace brel;

class TestGeneratedFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void blankHoldsTheRequiredContent();
    void filesAreEncrypted_data();
    void filesAreEncrypted();
    void sampleHasEveryTableOfTheSchema();
    void sampleRegistersHaveRowsInEveryState_data();
    void sampleRegistersHaveRowsInEveryState();
    void sampleDealsAreComplete();
    void sampleSaleCommissionsFollowTheSaleWindow();
    void sampleUsersHaveRights();
    void samplePicturesAreRealJpegs();
    void sampleAlertsFallInTheComingWeek();

private:
    QString blank() const { return m_appDir + QStringLiteral("/Data/Blank"); }
    QString sample() const { return m_appDir + QStringLiteral("/Data/例子数据文件.mdb"); }
    static QVariantList column(Database &db, const Sql &sql);
    static int count(Database &db, const Sql &sql) { return column(db, sql).value(0).toInt(); }

    QTemporaryDir m_folder;
    QString m_appDir;
};

QVariantList TestGeneratedFiles::column(Database &db, const Sql &sql)
{
    QVariantList out;
    auto st = db.prepare(sql);
    while (st->step())
        out << st->value(0);
    return out;
}

void TestGeneratedFiles::initTestCase()
{
    // BRELVANTO_DATAGEN names the generator; by default it is where the
    // build puts it beside the tests.
    QString generator = qEnvironmentVariable("BRELVANTO_DATAGEN");
    if (generator.isEmpty())
        generator = QCoreApplication::applicationDirPath() + QStringLiteral("/../datagen/brelvanto-datagen");
    QVERIFY2(QFileInfo(generator).isExecutable(), qPrintable(generator));
    QVERIFY(m_folder.isValid());
    m_appDir = m_folder.path();
    QProcess datagen;
    datagen.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    datagen.start(generator, {m_appDir});
    QVERIFY(datagen.waitForFinished(120000));
    QCOMPARE(datagen.exitStatus(), QProcess::NormalExit);
    QCOMPARE(datagen.exitCode(), 0);
    QVERIFY2(QFileInfo(blank()).isFile(), qPrintable(blank()));
    QVERIFY2(QFileInfo(sample()).isFile(), qPrintable(sample()));
}

void TestGeneratedFiles::blankHoldsTheRequiredContent()
{
    Database db;
    db.open(blank(), test::DataPassword);
    QCOMPARE(column(db, Sql("SELECT BBH FROM TbVersion")), QVariantList{Schema::CurrentBuild});
    QCOMPARE(column(db, Sql("SELECT ZDSJH || ',' || XSLJ || ',' || CZRZ FROM TbSetings")),
             QVariantList{QStringLiteral("1,1,0")});
    QCOMPARE(column(db, Sql("SELECT ID FROM TbUser")), QVariantList{qint64(1)});
    QCOMPARE(column(db, Sql("SELECT COALESCE(YHMM, '') FROM TbUser WHERE ID=1")), QVariantList{QString()});
    QCOMPARE(column(db, Sql("SELECT ZYMC FROM TbRes WHERE YHID=1 AND Sort IN (1,2,3) AND LLQX=1 AND XZQX=1 AND "
                            "XGQX=1 AND SCQX=1 AND DYQX=1 AND DHQX=1 AND GLQX=1 ORDER BY Sort")),
             (QVariantList{QStringLiteral("房屋出租"), QStringLiteral("房屋出售"), QStringLiteral("求租求购")}));
    QCOMPARE(count(db, Sql("SELECT COUNT(*) FROM TbRes")), 3);
    QCOMPARE(column(db, Sql("SELECT ID FROM TbCompanyInfo")), QVariantList{qint64(1)});
    QCOMPARE(column(db, Sql("SELECT ID FROM TbFee ORDER BY ID")), (QVariantList{qint64(2), qint64(3)}));
    for (const QString &table : Schema::registerTables() + QStringList{QStringLiteral("TbLog"), QStringLiteral("TbBranch")})
        QCOMPARE(count(db, Sql(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table))), 0);
    for (const TableDef &t : Schema::tables())
        QVERIFY2(db.tableExists(t.name), qPrintable(t.name));
}

void TestGeneratedFiles::filesAreEncrypted_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("storedTexts");
    QTest::newRow("blank") << "/Data/Blank" << QStringList{Schema::CurrentBuild, QStringLiteral("房屋出租"),
                                                            QStringLiteral("CREATE TABLE")};
    QTest::newRow("sample") << "/Data/例子数据文件.mdb"
                            << QStringList{QStringLiteral("洛阳市"), QStringLiteral("两室一厅"), QStringLiteral("admin"),
                                           QStringLiteral("fxt0")};
}

void TestGeneratedFiles::filesAreEncrypted()
{
    QFETCH(QString, file);
    QFETCH(QStringList, storedTexts);
    const QString path = m_appDir + file;
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray raw = f.readAll();
    QVERIFY(raw.size() > 1024);
    QVERIFY(!raw.startsWith("SQLite format 3"));
    for (const QString &text : storedTexts)
        QVERIFY2(!raw.contains(text.toUtf8()), qPrintable(text));

    Database db;
    QVERIFY_THROWS_EXCEPTION(EngineError, db.open(path, QStringLiteral("381958")));
    QVERIFY_THROWS_EXCEPTION(EngineError, db.open(path, QString()));
    db.open(path, test::DataPassword);
    QCOMPARE(count(db, Sql(QStringLiteral("SELECT COUNT(*) FROM TbUser WHERE YHXM=?"), {QStringLiteral("admin")})), 1);
}

void TestGeneratedFiles::sampleHasEveryTableOfTheSchema()
{
    Database db;
    db.open(sample(), test::DataPassword);
    QCOMPARE(column(db, Sql("SELECT BBH FROM TbVersion")), QVariantList{Schema::CurrentBuild});
    for (const TableDef &t : Schema::tables()) {
        QVERIFY2(db.tableExists(t.name), qPrintable(t.name));
        QStringList expected;
        for (const ColumnDef &c : t.columns)
            expected << c.name;
        QCOMPARE(db.columnNames(t.name), expected);
    }
    // The lookup lists and the single rows a newcomer looks at first.
    for (const char *table : {"TbStyle", "TbDirection", "TbArea", "TbFitment", "TbEquip", "TbAmbience",
                              "TbPropertyId", "TbPropertyType", "TbBank", "TbPayMode", "TbBranch"})
        QVERIFY2(count(db, Sql(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)))) >= 3, table);
    QCOMPARE(count(db, Sql(QStringLiteral("SELECT COUNT(*) FROM TbStyle WHERE FX=?"), {QStringLiteral("两室一厅")})), 1);
    QCOMPARE(column(db, Sql("SELECT CSZ FROM TbFee ORDER BY ID")), (QVariantList{2.0, 50.0}));
    QCOMPARE(count(db, Sql("SELECT COUNT(*) FROM TbCompanyInfo WHERE ID=1 AND QYMC<>'' AND QYDZ<>'' AND LXDH<>'' "
                           "AND WZ<>'' AND DZYJ<>''")),
             1);
}

void TestGeneratedFiles::sampleRegistersHaveRowsInEveryState_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("hasState");
    QTest::newRow("rentals") << "TbRental" << true;
    QTest::newRow("sales") << "TbSale" << true;
    QTest::newRow("rent requests") << "TbQRental" << false;
    QTest::newRow("buy requests") << "TbQBuy" << false;
}

void TestGeneratedFiles::sampleRegistersHaveRowsInEveryState()
{
    QFETCH(QString, table);
    QFETCH(bool, hasState);
    Database db;
    db.open(sample(), test::DataPassword);
    const int rows = count(db, Sql(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)));
    QVERIFY2(rows >= 40 && rows <= 80, qPrintable(QString::number(rows)));
    // Receipt numbers are unique and in the automatic form; every row has its entering clerk and branch.
    QCOMPARE(count(db, Sql(QStringLiteral("SELECT COUNT(DISTINCT SJH) FROM %1 WHERE length(SJH)=8").arg(table))), rows);
    QCOMPARE(count(db, Sql(QStringLiteral("SELECT COUNT(*) FROM %1 A WHERE LRRQ<=? AND EXISTS "
                                          "(SELECT 1 FROM TbUser U WHERE U.YHXM=A.LRR AND U.SSFD=A.SSFD)")
                               .arg(table),
                           {QDate::currentDate()})),
             rows);
    if (hasState) {
        for (const char *state : {"00", "01", "02"})
            QVERIFY2(count(db, Sql(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE ZTW=?").arg(table),
                                   {QString::fromLatin1(state)})) > 0,
                     state);
        QCOMPARE(count(db, Sql(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE ZTW NOT IN ('00','01','02')").arg(table))), 0);
    }
}

void TestGeneratedFiles::sampleDealsAreComplete()
{
    Database db;
    db.open(sample(), test::DataPassword);
    // Let houses carry the tenant, the handling clerk and the commission at the sample's rate (50 %).
    const int let = count(db, Sql("SELECT COUNT(*) FROM TbRental WHERE ZTW='01'"));
    QCOMPARE(count(db, Sql("SELECT COUNT(*) FROM TbRental WHERE ZTW='01' AND CZRXM<>'' AND CZRLXDH<>'' AND SLR<>'' "
                           "AND SLRQ>=LRRQ AND CZJZRQ>CZRQ AND abs(YJJE - CZJG*0.5) < 0.0001 AND YJJE>0")),
             let);
    const int sold = count(db, Sql("SELECT COUNT(*) FROM TbSale WHERE ZTW='01'"));
    // Their commissions: sampleSaleCommissionsFollowTheSaleWindow.
    QCOMPARE(count(db, Sql("SELECT COUNT(*) FROM TbSale WHERE ZTW='01' AND GMRXM<>'' AND SLR<>'' AND SLRQ>=LRRQ "
                           "AND GMJG>0 AND YJJE>0")),
             sold);
    // Open offers have no deal yet.
    QCOMPARE(count(db, Sql("SELECT COUNT(*) FROM TbRental WHERE ZTW<>'01' AND (SLR IS NOT NULL OR YJJE<>0)")), 0);
}

void TestGeneratedFiles::sampleSaleCommissionsFollowTheSaleWindow()
{
    Database db;
    db.open(sample(), test::DataPassword);
    const Money rate = Money::fromDouble(column(db, Sql("SELECT CSZ FROM TbFee WHERE ID=2")).value(0).toDouble());
    QVERIFY(!rate.isZero());
    auto st = db.prepare(Sql("SELECT SJH, ZTW, SJ, GMJG, YJJE FROM TbSale ORDER BY ID"));
    int sold = 0, talkedDown = 0;
    while (st->step()) {
        const QString receipt = st->value(0).toString();
        const Money asking = Money::fromDouble(st->value(2).toDouble());
        const Money paid = Money::fromDouble(st->value(3).toDouble());
        const Money commission = Money::fromDouble(st->value(4).toDouble());
        if (st->value(1).toString() != QLatin1String("01")) {
            QVERIFY2(paid.isZero() && commission.isZero(), qPrintable(receipt));
            continue;
        }
        ++sold;
        // 房屋出售 copies the asking price and keeps four decimals; a price
        // typed over it gives the commission in cents.
        const bool typed = paid != asking;
        talkedDown += typed;
        QVERIFY2(paid <= asking, qPrintable(receipt));
        QVERIFY2(commission == Commission(paid, rate, typed ? 2 : 4),
                 qPrintable(receipt + QLatin1Char(' ') + commission.toString()));
    }
    QVERIFY(sold > 0);
    // Both ways of reaching the price occur.
    QVERIFY(talkedDown > 0 && talkedDown < sold);
}

void TestGeneratedFiles::sampleUsersHaveRights()
{
    Database db;
    db.open(sample(), test::DataPassword);
    QCOMPARE(column(db, Sql("SELECT YHXM || '/' || COALESCE(YHMM, '') FROM TbUser WHERE ID=1")),
             QVariantList{QStringLiteral("admin/")});
    const int users = count(db, Sql("SELECT COUNT(*) FROM TbUser"));
    QVERIFY(users >= 3);
    QCOMPARE(count(db, Sql("SELECT COUNT(*) FROM TbRes")), users * 3);
    QCOMPARE(count(db, Sql("SELECT COUNT(*) FROM TbUser U WHERE (SELECT COUNT(DISTINCT Sort) FROM TbRes R "
                           "WHERE R.YHID=U.ID) = 3")),
             users);
    QVERIFY(count(db, Sql("SELECT COUNT(DISTINCT SSFD) FROM TbUser")) >= 2);
    QCOMPARE(count(db, Sql("SELECT COUNT(*) FROM TbUser WHERE SSFD NOT IN (SELECT FDMC FROM TbBranch)")), 0);
    // Not everybody may do everything.
    QVERIFY(count(db, Sql("SELECT COUNT(*) FROM TbRes WHERE GLQX=0")) > 0);
    QVERIFY(count(db, Sql("SELECT COUNT(*) FROM TbRes WHERE DHQX=0")) > 0);
}

void TestGeneratedFiles::samplePicturesAreRealJpegs()
{
    Database db;
    db.open(sample(), test::DataPassword);
    QSet<QString> names;
    for (const char *table : {"TbRental", "TbSale"}) {
        const QVariantList lists = column(
            db, Sql(QStringLiteral("SELECT FXT FROM %1 WHERE FXT<>''").arg(QLatin1String(table))));
        QVERIFY2(!lists.isEmpty(), table);
        for (const QVariant &list : lists)
            for (const QString &name : list.toString().split(QLatin1Char(',')))
                names << name;
    }
    QVERIFY(names.size() >= 3);
    for (const QString &name : names) {
        const QString path = m_appDir + QStringLiteral("/Picture/") + name;
        QFile f(path);
        QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
        QVERIFY(f.read(3) == QByteArray("\xFF\xD8\xFF", 3));
        QImageReader reader(path);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QVERIFY(image.width() >= 320 && image.height() >= 240);
    }
}

void TestGeneratedFiles::sampleAlertsFallInTheComingWeek()
{
    Database db;
    db.open(sample(), test::DataPassword);
    // Counted from the day the file was made (its version date), today when built today.
    const QDate made = QDate::fromString(column(db, Sql("SELECT FBRQ FROM TbVersion")).value(0).toString(),
                                         QStringLiteral("yyyy-MM-dd"));
    QVERIFY(made.isValid());
    const int due = count(db, Sql("SELECT COUNT(*) FROM TbRental WHERE ZTW='01' AND GZBJBZ=1 AND GZBJRQ>=? AND GZBJRQ<=?",
                                  {made, made.addDays(7)}));
    QVERIFY2(due >= 3, qPrintable(QString::number(due)));
    QCOMPARE(count(db, Sql("SELECT COUNT(*) FROM TbRental WHERE ZTW='01' AND GZBJBZ=1 AND GZBJRQ=?", {made})), 1);
    // Alerts exist only on let houses, and later ones too (they are not due yet).
    QCOMPARE(count(db, Sql("SELECT COUNT(*) FROM TbRental WHERE GZBJBZ=1 AND ZTW<>'01'")), 0);
    QVERIFY(count(db, Sql("SELECT COUNT(*) FROM TbRental WHERE GZBJBZ=1 AND GZBJRQ>?", {made.addDays(7)})) > 0);
}

QTEST_GUILESS_MAIN(TestGeneratedFiles)
#include "TestGeneratedFiles.moc"
