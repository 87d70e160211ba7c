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
    void malformedHashes_data();
    void malformedHashes();
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
    QTest::newRow("the prefix without its separator") << "pbkdf2-sha256" << "PBKDF2-SHA256" << true;
}

void TestPasswordHash::plainStoredValues()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, match);
    QVERIFY(!PH::isHashed(stored));
    QCOMPARE(PH::verify(typed, stored), match);
}

void TestPasswordHash::malformedHashes_data()
{
    QTest::addColumn<QString>("stored");
    const QStringList good = PH::hash(QStringLiteral("x")).split(QLatin1Char('$'));
    const auto with = [&good](int part, const QString &value) {
        QStringList parts = good;
        parts[part] = value;
        return parts.join(QLatin1Char('$'));
    };
    QTest::newRow("prefix alone") << "pbkdf2-sha256$";
    QTest::newRow("damaged throughout") << "pbkdf2-sha256$x$y$z";
    QTest::newRow("a part missing") << QStringList(good.mid(0, 3)).join(QLatin1Char('$'));
    QTest::newRow("a part too many") << good.join(QLatin1Char('$')) + QStringLiteral("$x");
    QTest::newRow("iterations not a number") << with(1, QStringLiteral("many"));
    QTest::newRow("iterations below the floor") << with(1, QStringLiteral("1"));
    QTest::newRow("iterations just above the cap") << with(1, QString::number(PH::MaxIterations + 1));
    QTest::newRow("iterations far above the cap") << with(1, QStringLiteral("2000000000"));
    QTest::newRow("salt not base64") << with(2, QStringLiteral("!!"));
    QTest::newRow("hash cut short") << with(3, good[3].left(20));
}

void TestPasswordHash::malformedHashes()
{
    QFETCH(QString, stored);
    QVERIFY(!PH::isHashed(stored));
    // Neither the stored text itself nor the password it was made from gets in.
    QCOMPARE(PH::verify(stored, stored), false);
    QCOMPARE(PH::verify(QStringLiteral("x"), stored), false);
}

void TestPasswordHash::foldCase()
{
    QCOMPARE(PH::foldCase(QStringLiteral("AZaz09ÄÉＡ房")), QStringLiteral("azaz09ÄÉＡ房"));
}

QTEST_APPLESS_MAIN(TestPasswordHash)
#include "TestPasswordHash.moc"
