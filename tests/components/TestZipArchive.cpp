#include "components/ZipArchive.h"
#include "support/FileBytes.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(brel::ZipArchive::Packing)

using namespace brel;

namespace {
const QString Password = QStringLiteral("Pass-2024");
const QString Entry = QStringLiteral("Temp.mdb");


/// unzip's view: exit code and the bytes it printed.
std::pair<int, QByteArray> unzip(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), args);
    p.closeWriteChannel(); // a password prompt reads end of input and gives up
    if (!p.waitForFinished(20000))
        return {-1, {}};
    return {p.exitCode(), p.readAllStandardOutput()};
}

QByteArray someData(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    auto *rng = QRandomGenerator::global();
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i % 7 == 0 ? rng->bounded(256) : 'a' + i % 26); // compressible, not trivial
    return bytes;
}
} // namespace

class TestZipArchive : public QObject {
    Q_OBJECT
private slots:
    void init();
    void roundTripThroughUnzip();
    void replacesTheEntryAndKeepsOthers();
    void wrongPasswords_data();
    void wrongPasswords();
    void failures_data();
    void failures();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestZipArchive::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestZipArchive::roundTripThroughUnzip()
{
    const QByteArray data = someData(300000);
    test::writeBytes(path(Entry), data);
    const ZipResult made = ZipArchive::replaceEntry(path(QStringLiteral("Temp.zip")), Entry, path(Entry), Password);
    QVERIFY2(made.ok(), qPrintable(made.message));
    QVERIFY(QFileInfo(path(QStringLiteral("Temp.zip"))).size() < data.size());

    // unzip opens it with the password, and only with it.
    auto [rc, out] = unzip({QStringLiteral("-P"), Password, QStringLiteral("-p"), path(QStringLiteral("Temp.zip")), Entry});
    QCOMPARE(rc, 0);
    QVERIFY(out == data);
    QVERIFY(unzip({QStringLiteral("-P"), QStringLiteral("nope"), QStringLiteral("-p"), path(QStringLiteral("Temp.zip")), Entry}).first != 0);
    QVERIFY(!test::readBytes(path(QStringLiteral("Temp.zip"))).contains(data.left(64)));

    // Back out, over a read-only file of the same name.
    const QString target = path(QStringLiteral("out/Temp.mdb"));
    QVERIFY(QDir().mkpath(path(QStringLiteral("out"))));
    test::writeBytes(target, "old copy");
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner));
    const ZipResult got = ZipArchive::extractEntry(path(QStringLiteral("Temp.zip")), Entry, target, Password);
    QVERIFY2(got.ok(), qPrintable(got.message));
    QVERIFY(test::readBytes(target) == data);
}

void TestZipArchive::replacesTheEntryAndKeepsOthers()
{
    test::writeBytes(path(QStringLiteral("first")), "first version");
    test::writeBytes(path(QStringLiteral("other")), "another entry");
    test::writeBytes(path(QStringLiteral("second")), "second version, longer than the first");
    const QString archive = path(QStringLiteral("a.zip"));
    QVERIFY(ZipArchive::replaceEntry(archive, Entry, path(QStringLiteral("first")), Password).ok());
    QVERIFY(ZipArchive::replaceEntry(archive, QStringLiteral("说明.txt"), path(QStringLiteral("other")), Password).ok());
    QVERIFY(ZipArchive::replaceEntry(archive, Entry, path(QStringLiteral("second")), Password).ok());
    const auto [rc, listing] = unzip({QStringLiteral("-Z1"), archive});
    QCOMPARE(rc, 0);
    QCOMPARE(QString::fromUtf8(listing).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
             (QStringList{Entry, QStringLiteral("说明.txt")}));
    QVERIFY(ZipArchive::extractEntry(archive, Entry, path(QStringLiteral("x")), Password).ok());
    QCOMPARE(test::readBytes(path(QStringLiteral("x"))), QByteArray("second version, longer than the first"));
    QVERIFY(ZipArchive::extractEntry(archive, QStringLiteral("说明.txt"), path(QStringLiteral("y")), Password).ok());
    QCOMPARE(test::readBytes(path(QStringLiteral("y"))), QByteArray("another entry"));
}

// The traditional encryption checks a password by one byte, so about one
// wrong password in 256 passes that check: each must still be refused.
void TestZipArchive::wrongPasswords_data()
{
    QTest::addColumn<ZipArchive::Packing>("packing");
    QTest::newRow("compressed") << ZipArchive::Packing::Deflate;
    // Nothing to inflate: only the entry's checksum can tell.
    QTest::newRow("stored") << ZipArchive::Packing::Store;
}

void TestZipArchive::wrongPasswords()
{
    QFETCH(ZipArchive::Packing, packing);
    test::writeBytes(path(Entry), someData(20000));
    const QString archive = path(QStringLiteral("Temp.zip"));
    QVERIFY(ZipArchive::replaceEntry(archive, Entry, path(Entry), Password, packing).ok());
    QCOMPARE(ZipArchive::extractEntry(archive, Entry, path(QStringLiteral("back")), Password).error, ZipError::None);
    QCOMPARE(test::readBytes(path(QStringLiteral("back"))), test::readBytes(path(Entry)));
    const QString target = path(QStringLiteral("target.mdb"));
    test::writeBytes(target, "untouched");
    for (int i = 0; i < 600; ++i) {
        const QString wrong = QStringLiteral("wrong%1").arg(i);
        const ZipResult r = ZipArchive::extractEntry(archive, Entry, target, wrong);
        QCOMPARE(r.error, ZipError::WrongPassword);
        QVERIFY(!r.message.contains(wrong));
        QVERIFY(r.message.contains(QStringLiteral("密码不正确")));
    }
    QCOMPARE(test::readBytes(target), QByteArray("untouched"));
}

void TestZipArchive::failures_data()
{
    QTest::addColumn<QString>("archive"); // made by the test: "none", "text", "good"
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("password");
    QTest::addColumn<ZipError>("error");
    QTest::newRow("no archive") << "none" << Entry << Password << ZipError::Missing;
    QTest::newRow("not an archive") << "text" << Entry << Password << ZipError::NotArchive;
    QTest::newRow("no such entry") << "good" << QStringLiteral("Other.mdb") << Password << ZipError::NoEntry;
    QTest::newRow("empty password") << "good" << Entry << QString() << ZipError::NoPassword;
}

void TestZipArchive::failures()
{
    QFETCH(QString, archive);
    QFETCH(QString, entry);
    QFETCH(QString, password);
    QFETCH(ZipError, error);
    const QString file = path(archive + QStringLiteral(".zip"));
    if (archive == QLatin1String("text"))
        test::writeBytes(file, "this is not an archive at all, just some text that is long enough");
    if (archive == QLatin1String("good")) {
        test::writeBytes(path(Entry), "data");
        QVERIFY(ZipArchive::replaceEntry(file, Entry, path(Entry), Password).ok());
    }
    const QString target = path(QStringLiteral("target.mdb"));
    test::writeBytes(target, "untouched");
    const ZipResult r = ZipArchive::extractEntry(file, entry, target, password);
    QCOMPARE(r.error, error);
    QVERIFY(!r.message.isEmpty());
    QCOMPARE(test::readBytes(target), QByteArray("untouched"));
    // Adding to something that is not an archive leaves it as it was.
    if (archive == QLatin1String("text")) {
        QCOMPARE(ZipArchive::replaceEntry(file, Entry, target, Password).error, ZipError::NotArchive);
        QVERIFY(test::readBytes(file).startsWith("this is not"));
    }
}

QTEST_GUILESS_MAIN(TestZipArchive)
#include "TestZipArchive.moc"
