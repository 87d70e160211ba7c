#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace brel;

class TestDataModule : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void oneInstance();
    void getMaxId_data();
    void getMaxId();
    void getValueReadsFirstRowAndLeavesQ1Alone();
    void getValueWithoutRowsIsEmpty();
    void hasRowsLeavesQ1Alone();
    void fillPickListAppends();
    void compactShrinksAndReportsFourDecimals();
    void compactThroughALinkKeepsTheLink();
    void failedCompactionLeavesFileIntact_data();
    void failedCompactionLeavesFileIntact();
    void openWorkingFileRunsTheStepsInOrder();
    void refusedLoginKeepsOrTakesBackTheFile_data();
    void refusedLoginKeepsOrTakesBackTheFile();
    void missingFileRaisesAndKeepsThePreviousFile();

private:
    QString makeFile(const QString &name, const QString &branch = {});
    static QByteArray digest(const QString &path);

    QTemporaryDir m_templates;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TDM> m_dm;
    QString m_file;
};

QString TestDataModule::makeFile(const QString &name, const QString &branch)
{
    // Copies of two keyed files made once: keying a new file is slow.
    const QString path = m_dir->filePath(name);
    const QString source = m_templates.filePath(branch.isEmpty() ? QStringLiteral("blank") : branch);
    if (!QFile::exists(source)) {
        test::makeBlankFile(source);
        if (!branch.isEmpty()) {
            Database db;
            db.open(source, TDM::Password);
            db.execute(Sql(QStringLiteral("INSERT INTO TbBranch (FDMC) VALUES (?)"), {branch}));
        }
    }
    QFile::copy(source, path);
    return path;
}

QByteArray TestDataModule::digest(const QString &path)
{
    return test::fileDigest(path);
}

void TestDataModule::initTestCase()
{
    QVERIFY(m_templates.isValid());
}

void TestDataModule::init()
{
    ClearGlobals();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_file = makeFile(QStringLiteral("工作.mdb"), QStringLiteral("总店"));
    m_dm = std::make_unique<TDM>();
    QVERIFY(m_dm->OpenWorkingFile(m_file, true));
}

void TestDataModule::cleanup()
{
    m_dm.reset();
    m_dir.reset();
    ClearGlobals();
}

void TestDataModule::oneInstance()
{
    QCOMPARE(DM(), m_dm.get());
    QVERIFY(!m_dm->DbBase->password().isEmpty());
    QCOMPARE(m_dm->Q1->database(), m_dm->DbBase);
    QCOMPARE(m_dm->Q2->database(), m_dm->DbBase);
    m_dm.reset();
    QCOMPARE(DM(), nullptr);
}

void TestDataModule::getMaxId_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty register") << "TbRental" << 0;
    QTest::newRow("administrator only") << "TbUser" << 1;
    QTest::newRow("fee rows 2 and 3") << "TbFee" << 3;
    QTest::newRow("case-insensitive name") << "tbres" << 3;
    QTest::newRow("unknown table") << "TbNothing" << 0;
    QTest::newRow("not a plain name") << "TbUser; DELETE FROM TbUser" << 0;
    QTest::newRow("empty name") << "" << 0;
}

void TestDataModule::getMaxId()
{
    QFETCH(QString, table);
    QFETCH(int, expected);
    QCOMPARE(m_dm->GetMaxId(table), expected);
    QCOMPARE(m_dm->GetValue(Sql("SELECT COUNT(*) AS N FROM TbUser"), QStringLiteral("N")), QStringLiteral("1"));
}

void TestDataModule::getValueReadsFirstRowAndLeavesQ1Alone()
{
    // Characters that text pasted into SQL would break are stored and read back unchanged.
    const QString tricky = QStringLiteral("阳光\"花园\" 50%_'A'");
    m_dm->ExecSql(Sql(QStringLiteral("INSERT INTO TbArea (QY) VALUES (?)"), {tricky}));
    m_dm->ExecSql(Sql(QStringLiteral("INSERT INTO TbArea (QY) VALUES (?)"), {QStringLiteral("第二")}));
    m_dm->OpenSql(Sql("SELECT * FROM TbArea ORDER BY ID"));
    m_dm->Q1->last();
    const QString got = m_dm->GetValue(Sql(QStringLiteral("SELECT QY FROM TbArea WHERE QY=? ORDER BY ID"), {tricky}),
                                       QStringLiteral("qy"));
    QCOMPARE(got, tricky);
    // Q1's result and row are the caller's, untouched.
    QVERIFY(m_dm->Q1->isActive());
    QCOMPARE(m_dm->Q1->asText(QStringLiteral("QY")), QStringLiteral("第二"));
    QCOMPARE(m_dm->GetValue(Sql("SELECT COUNT(*) AS N, 2.5 AS R, NULL AS E FROM TbArea"), QStringLiteral("r")),
             QStringLiteral("2.5"));
    QCOMPARE(m_dm->GetValue(Sql("SELECT NULL AS E"), QStringLiteral("E")), QString());
    QVERIFY_THROWS_EXCEPTION(EngineError, m_dm->GetValue(Sql("SELECT QY FROM TbArea"), QStringLiteral("FX")));

    QCOMPARE(m_dm->GetValueWith(m_dm->Q2, Sql("SELECT QY FROM TbArea ORDER BY ID DESC"), QStringLiteral("QY")),
             QStringLiteral("第二"));
    QVERIFY(!m_dm->Q2->isActive());
}

void TestDataModule::getValueWithoutRowsIsEmpty()
{
    m_dm->OpenSql(Sql("SELECT * FROM TbUser"));
    QVERIFY(m_dm->Q1->isActive());
    QCOMPARE(m_dm->GetValue(Sql(QStringLiteral("SELECT SJH FROM TbRental WHERE SJH=?"), {QStringLiteral("1")}),
                            QStringLiteral("SJH")),
             QString());
    // A faulty statement is the caller's to handle; Q1 stays as it was.
    QVERIFY_THROWS_EXCEPTION(EngineError, m_dm->GetValue(Sql("SELECT Nothing FROM TbUser"), QStringLiteral("X")));
    QVERIFY(m_dm->Q1->isActive());
    QCOMPARE(m_dm->Q1->asText(QStringLiteral("YHXM")), QStringLiteral("admin"));
}

void TestDataModule::hasRowsLeavesQ1Alone()
{
    m_dm->OpenSql(Sql("SELECT * FROM TbBranch"));
    QVERIFY(m_dm->HasRows(Sql(QStringLiteral("SELECT * FROM TbUser WHERE Id=?"), {1})));
    QVERIFY(!m_dm->HasRows(Sql(QStringLiteral("SELECT * FROM TbUser WHERE Id=?"), {2})));
    QVERIFY(m_dm->Q1->isActive());
    QCOMPARE(m_dm->Q1->asText(QStringLiteral("FDMC")), QStringLiteral("总店"));
}

void TestDataModule::fillPickListAppends()
{
    for (const char *area : {"涧西区", "西工区", "老城区"})
        m_dm->ExecSql(Sql(QStringLiteral("INSERT INTO TbArea (QY) VALUES (?)"), {QString::fromUtf8(area)}));
    QStringList list = {QStringLiteral("已有")};
    m_dm->FillPickList(list, Sql("SELECT QY AS TXT FROM TbArea ORDER BY ID"));
    QCOMPARE(list, (QStringList{QStringLiteral("已有"), QStringLiteral("涧西区"), QStringLiteral("西工区"),
                                QStringLiteral("老城区")}));
    QVERIFY(m_dm->Q1->isActive());
    m_dm->FillPickList(list, Sql(QStringLiteral("SELECT QY AS txt FROM TbArea WHERE QY=?"), {QStringLiteral("西工区")}));
    QCOMPARE(list.size(), 5);
    QCOMPARE(list.last(), QStringLiteral("西工区"));
}

void TestDataModule::compactShrinksAndReportsFourDecimals()
{
    // Leave plenty of free pages behind.
    {
        Transaction tx(*m_dm->DbBase);
        for (int i = 0; i < 400; ++i)
            m_dm->ExecSql(Sql(QStringLiteral("INSERT INTO TbLog (CZSJ, CZHD, CZRY, XXQK) VALUES (?, ?, ?, ?)"),
                              {QDateTime::currentDateTime(), QStringLiteral("测试"), QStringLiteral("admin"),
                               QString(200, QLatin1Char('x'))}));
        tx.commit();
    }
    m_dm->ExecSql(Sql("DELETE FROM TbLog"));
    m_dm->DbBase->close();
    const qint64 before = TDM::FileSizeOf(m_file);

    const double ratio = m_dm->CompactWorkingFile();

    const qint64 after = TDM::FileSizeOf(m_file);
    QVERIFY(after < before);
    QVERIFY(ratio > 0 && ratio < 1);
    QCOMPARE(ratio, double(roundHalfEvenDiv(__int128(after) * 10000, before)) / 10000.0);
    QVERIFY(!m_dm->DbBase->isOpen());
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("Tmp_mdb.mdb"))));
    // The next query reopens the compacted, still keyed file.
    QCOMPARE(m_dm->GetValue(Sql("SELECT FDMC FROM TbBranch"), QStringLiteral("FDMC")), QStringLiteral("总店"));
    QCOMPARE(m_dm->DbBase->path(), m_file);
}

void TestDataModule::compactThroughALinkKeepsTheLink()
{
    const QString link = m_dir->filePath(QStringLiteral("link.mdb"));
    QVERIFY(QFile::link(m_file, link));
    QVERIFY(m_dm->OpenWorkingFile(link, true));

    QVERIFY(m_dm->CompactWorkingFile() > 0);

    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), QFileInfo(m_file).absoluteFilePath());
    QCOMPARE(m_dm->DbBase->path(), link);
    QCOMPARE(m_dm->GetValue(Sql("SELECT FDMC FROM TbBranch"), QStringLiteral("FDMC")), QStringLiteral("总店"));
}

void TestDataModule::failedCompactionLeavesFileIntact_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("temporary name taken by a folder") << "folder";
    QTest::newRow("compacted copy cannot replace the file") << "rename";
}

void TestDataModule::failedCompactionLeavesFileIntact()
{
    QFETCH(QString, failure);
    const QString tmp = m_dir->filePath(QStringLiteral("Tmp_mdb.mdb"));
    if (failure == QLatin1String("folder")) {
        // A non-empty folder can be neither deleted as a file nor written over.
        QVERIFY(QDir().mkpath(tmp + QStringLiteral("/inner")));
    } else {
        // Renaming a file onto a non-empty folder really fails (EISDIR/ENOTEMPTY).
        const QString blocked = m_dir->filePath(QStringLiteral("blocked"));
        QVERIFY(QDir().mkpath(blocked + QStringLiteral("/inner")));
        m_dm->replaceFile = [blocked](const QString &from, const QString &) {
            return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(blocked).constData()) == 0;
        };
    }
    m_dm->DbBase->close();
    const QByteArray before = digest(m_file);

    QCOMPARE(m_dm->CompactWorkingFile(), 0.0);

    QCOMPARE(digest(m_file), before);
    if (failure == QLatin1String("rename"))
        QVERIFY(!QFileInfo::exists(tmp));
    Database check;
    check.open(m_file, TDM::Password);
    auto st = check.prepare(Sql("SELECT FDMC FROM TbBranch"));
    QVERIFY(st->step());
    QCOMPARE(st->value(0).toString(), QStringLiteral("总店"));
}

void TestDataModule::openWorkingFileRunsTheStepsInOrder()
{
    const QString other = makeFile(QStringLiteral("other.mdb"), QStringLiteral("分店"));
    QStringList steps;
    m_dm->hooks.upgrade = [&] {
        // The file is connected before the upgrade and not yet the working file.
        QCOMPARE(m_dm->DbBase->path(), other);
        QCOMPARE(WorkingFile, m_file);
        steps << QStringLiteral("upgrade");
    };
    m_dm->hooks.login = [&] { steps << QStringLiteral("login"); return true; };
    m_dm->hooks.afterLogin = [&] {
        QCOMPARE(WorkingFile, other);
        steps << QStringLiteral("afterLogin");
    };
    m_dm->hooks.restorePrevious = [&] { steps << QStringLiteral("restorePrevious"); };
    connect(m_dm.get(), &TDM::workingFileChanged, this, [&](const QString &path) { steps << QStringLiteral("changed ") + path; });

    QVERIFY(m_dm->OpenWorkingFile(other, false));
    QCOMPARE(steps, (QStringList{QStringLiteral("upgrade"), QStringLiteral("login"), QStringLiteral("changed ") + other,
                                 QStringLiteral("afterLogin")}));
    QCOMPARE(WorkingFile, other);
    QCOMPARE(m_dm->GetValue(Sql("SELECT FDMC FROM TbBranch"), QStringLiteral("FDMC")), QStringLiteral("分店"));
}

void TestDataModule::refusedLoginKeepsOrTakesBackTheFile_data()
{
    QTest::addColumn<bool>("noPrevious");
    QTest::newRow("previous file taken back") << false;
    QTest::newRow("no previous file") << true;
}

void TestDataModule::refusedLoginKeepsOrTakesBackTheFile()
{
    QFETCH(bool, noPrevious);
    const QString other = makeFile(QStringLiteral("other.mdb"), QStringLiteral("分店"));
    int restored = 0, afterLogin = 0;
    m_dm->hooks.login = [] { return false; };
    m_dm->hooks.afterLogin = [&] { ++afterLogin; };
    m_dm->hooks.restorePrevious = [&] {
        QCOMPARE(m_dm->DbBase->path(), m_file);
        QVERIFY(m_dm->DbBase->isOpen());
        ++restored;
    };

    QSignalSpy changed(m_dm.get(), &TDM::workingFileChanged);
    QVERIFY(!m_dm->OpenWorkingFile(other, noPrevious));

    QCOMPARE(changed.count(), 0);
    QCOMPARE(afterLogin, 0);
    QCOMPARE(WorkingFile, m_file);
    QCOMPARE(restored, noPrevious ? 0 : 1);
    QVERIFY(m_dm->DbBase->isOpen());
    QCOMPARE(m_dm->DbBase->path(), noPrevious ? other : m_file);
    QCOMPARE(m_dm->GetValue(Sql("SELECT FDMC FROM TbBranch"), QStringLiteral("FDMC")),
             noPrevious ? QStringLiteral("分店") : QStringLiteral("总店"));
}

void TestDataModule::missingFileRaisesAndKeepsThePreviousFile()
{
    bool upgraded = false;
    m_dm->hooks.upgrade = [&] { upgraded = true; };
    const QString missing = m_dir->filePath(QStringLiteral("没有.mdb"));
    QVERIFY_THROWS_EXCEPTION(EngineError, m_dm->OpenWorkingFile(missing, false));
    QVERIFY(!upgraded);
    QCOMPARE(WorkingFile, m_file);
    QVERIFY(!QFileInfo::exists(missing));
    // The working file is still the one the next query connects to.
    QCOMPARE(m_dm->GetValue(Sql("SELECT FDMC FROM TbBranch"), QStringLiteral("FDMC")), QStringLiteral("总店"));
}

QTEST_GUILESS_MAIN(TestDataModule)
#include "TestDataModule.moc"
