#include "datastore/Money.h"

#include <QTest>

using brel::Money;

class TestMoney : public QObject {
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint64>("raw");
        QTest::newRow("integer") << "12" << true << qint64(120000);
        QTest::newRow("decimal") << "12.5" << true << qint64(125000);
        QTest::newRow("negative") << "-3.25" << true << qint64(-32500);
        QTest::newRow("spaces") << "  7.1 " << true << qint64(71000);
        QTest::newRow("leading point") << ".5" << true << qint64(5000);
        QTest::newRow("tie rounds to even down") << "0.00005" << true << qint64(0);
        QTest::newRow("tie rounds to even up") << "0.00015" << true << qint64(2);
        QTest::newRow("above tie") << "0.000051" << true << qint64(1);
        QTest::newRow("empty") << "" << false << qint64(0);
        QTest::newRow("letters") << "12a" << false << qint64(0);
        QTest::newRow("two points") << "1.2.3" << false << qint64(0);
        QTest::newRow("only sign") << "-" << false << qint64(0);
        QTest::newRow("comma") << "1,000" << false << qint64(0);
        QTest::newRow("fullwidth digits") << "１２" << false << qint64(0);
        QTest::newRow("huge") << "99999999999999999999" << false << qint64(0);
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(qint64, raw);
        const auto m = Money::parse(text);
        QCOMPARE(m.has_value(), ok);
        if (ok)
            QCOMPARE(m->raw(), raw);
    }

    void format_data()
    {
        QTest::addColumn<qint64>("raw");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two fixed") << qint64(125000) << "#0.00" << "12.50";
        QTest::newRow("zero fixed") << qint64(0) << "#0.00" << "0.00";
        QTest::newRow("half even down") << qint64(1250) << "#0.00" << "0.12";
        QTest::newRow("half even up") << qint64(1350) << "#0.00" << "0.14";
        QTest::newRow("negative fixed") << qint64(-125000) << "#0.00" << "-12.50";
        QTest::newRow("optional digits") << qint64(125000) << "#.##" << "12.5";
        QTest::newRow("optional whole") << qint64(1200000) << "#.##" << "120";
        QTest::newRow("optional zero is empty") << qint64(0) << "#.##" << "";
        QTest::newRow("optional below one") << qint64(5000) << "#.##" << ".5";
        QTest::newRow("printf style") << qint64(33333) << "%0.2f" << "3.33";
    }
    void format()
    {
        QFETCH(qint64, raw);
        QFETCH(QString, pattern);
        QFETCH(QString, expected);
        QCOMPARE(Money::fromRaw(raw).format(pattern), expected);
    }

    void arithmetic()
    {
        // 3500 yuan rent at a 50% rate gives 1750; 123.45 (10k yuan) at 2% gives 2.469.
        QCOMPARE(Money::fromInt(3500).percentOf(Money::fromInt(50)), Money::fromInt(1750));
        QCOMPARE(Money::parse("123.45")->percentOf(Money::fromInt(2)), *Money::parse("2.469"));
        QCOMPARE((*Money::parse("0.1") + *Money::parse("0.2")), *Money::parse("0.3"));
        QCOMPARE(Money::fromDouble(0.1).raw(), qint64(1000));
        QCOMPARE(Money::fromDouble(2.00005).raw(), qint64(20000));
        QCOMPARE((Money::fromInt(1) / Money::fromInt(3)).raw(), qint64(3333));
        QCOMPARE((Money::fromInt(1) / Money()).raw(), qint64(0));
        QCOMPARE(Money::parse("1.2345")->rounded(2).raw(), qint64(12300));
        QCOMPARE(Money::parse("12.5")->toString(), QStringLiteral("12.5"));
    }
};

QTEST_APPLESS_MAIN(TestMoney)
#include "TestMoney.moc"
