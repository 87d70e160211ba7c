#include "components/GridColumn.h"

#include "datastore/Money.h"

#include <QDate>
#include <QDateTime>
#include <QTest>

using namespace brel;

class TestGridColumn : public QObject {
    Q_OBJECT
private slots:
    void cellText_data();
    void cellText();
};

void TestGridColumn::cellText_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("null") << QVariant() << QString() << QString();
    QTest::newRow("date") << QVariant(QDate(2015, 3, 7)) << QString() << QStringLiteral("2015-03-07");
    QTest::newRow("date, last day of a year") << QVariant(QDate(1999, 12, 31)) << QStringLiteral("yyyy-MM-dd")
                                              << QStringLiteral("1999-12-31");
    QTest::newRow("date before 1000") << QVariant(QDate(999, 1, 2)) << QString() << QDate(999, 1, 2).toString(QStringLiteral("yyyy-MM-dd"));
    QTest::newRow("date with a pattern") << QVariant(QDate(2015, 3, 7)) << QStringLiteral("yyyy年M月d日")
                                         << QStringLiteral("2015年3月7日");
    QTest::newRow("stamp at midnight") << QVariant(QDateTime(QDate(2020, 2, 29), QTime(0, 0))) << QString()
                                       << QStringLiteral("2020-02-29");
    QTest::newRow("stamp with a time") << QVariant(QDateTime(QDate(2020, 2, 29), QTime(8, 5, 9))) << QString()
                                       << QStringLiteral("2020-02-29 08:05:09");
    QTest::newRow("money") << QVariant::fromValue(Money::fromDouble(1234.5)) << QString() << QStringLiteral("1234.50");
    QTest::newRow("bool") << QVariant(true) << QString() << QStringLiteral("是");
}

void TestGridColumn::cellText()
{
    QFETCH(QVariant, value);
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(formatCellValue(value, format), expected);
}

QTEST_APPLESS_MAIN(TestGridColumn)
#include "TestGridColumn.moc"
