#include "datastore/PasswordHash.h"

#include <QTest>

namespace PH = brel::PasswordHash;

class TestPasswordHash : public QObject {
    Q_OBJECT
private slots:
    void storedFormIsNotThePassword();
    void verify_data();
    void verify();
    void plainStoredValues_data();
    void plainStoredValues();
    void foldCase();
};

void TestPasswordHash::storedFormIsNotThePassword()
{
    const QString a = PH::hash(QStringLiteral("Secret\"1"));
    const QString b = PH::hash(QStringLiteral("Secret\"1"));
    QVERIFY(a.startsWith(QStringLiteral("pbkdf2-sha256$")));
    QVERIFY(!a.contains(QStringLiteral("ecret")));
    QVERIFY(PH::isHashed(a));
    QVERIFY2(a != b, "every hash needs its own salt");
    QVERIFY(a.size() <= 200); // TbUser.YHMM
}

void TestPasswordHash::verify_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("match");
    QTest::newRow("same") << "abc123" << "abc123" << true;
    QTest::newRow("latin case") << "AbC" << "aBc" << true;
    QTest::newRow("empty") << "" << "" << true;
    QTest::newRow("empty vs space") << "" << " " << false;
    QTest::newRow("different") << "abc" << "abd" << false;
    QTest::newRow("quote and apostrophe") << "a\"b'c%_" << "A\"B'C%_" << true;
    QTest::newRow("chinese") << "密码" << "密码" << true;
    // Only A to Z fold: accented and full-width letters keep their case.
    QTest::newRow("accented case differs") << QStringLiteral("É") << QStringLiteral("é") << false;
    QTest::newRow("full-width case differs") << QStringLiteral("Ａ") << QStringLiteral("ａ") << false;
}

void TestPasswordHash::verify()
{
    QFETCH(QString, password);
    QFETCH(QString, typed);
    QFETCH(bool, match);
    QCOMPARE(PH::verify(typed, PH::hash(password)), match);
}

void TestPasswordHash::plainStoredValues_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("match");
    QTest::newRow("empty password of a blank file") << "" << "" << true;
    QTest::newRow("plain, other case") << "Admin" << "ADMIN" << true;
    QTest::newRow("plain, wrong") << "admin" << "admi" << false;
    QTest::newRow("looks like a hash but is damaged") << "pbkdf2-sha256$x$y$z" << "pbkdf2-sha256$x$y$z" << true;
    QTest::newRow("iteration count out of bounds") << "pbkdf2-sha256$1$AAAAAAAAAAA=$AAAA" << "x" << false;
}

void TestPasswordHash::plainStoredValues()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, match);
    QVERIFY(!PH::isHashed(stored));
    QCOMPARE(PH::verify(typed, stored), match);
}

void TestPasswordHash::foldCase()
{
    QCOMPARE(PH::foldCase(QStringLiteral("AZaz09ÄÉＡ房")), QStringLiteral("azaz09ÄÉＡ房"));
}

QTEST_APPLESS_MAIN(TestPasswordHash)
#include "TestPasswordHash.moc"
