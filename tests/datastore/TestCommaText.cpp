#include "datastore/CommaText.h"

#include <QTest>

using brel::readCommaText;
using brel::writeCommaText;

class TestCommaText : public QObject {
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void write_data();
    void write();
    void roundTrip_data();
    void roundTrip();
};

void TestCommaText::read_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("blanks only") << QStringLiteral(" \t\r\n ") << QStringList();
    QTest::newRow("one") << QStringLiteral("a.jpg") << QStringList{"a.jpg"};
    QTest::newRow("commas") << QStringLiteral("a.jpg,b.jpg,c.jpg") << QStringList{"a.jpg", "b.jpg", "c.jpg"};
    QTest::newRow("spaces separate") << QStringLiteral("a.jpg b.jpg") << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("blanks around commas") << QStringLiteral("  a.jpg ,\t b.jpg  ") << QStringList{"a.jpg", "b.jpg"};
    QTest::newRow("quoted space") << QStringLiteral("\"my plan.jpg\",b.jpg") << QStringList{"my plan.jpg", "b.jpg"};
    QTest::newRow("quoted comma") << QStringLiteral("\"a,b.jpg\"") << QStringList{"a,b.jpg"};
    QTest::newRow("doubled quote") << QStringLiteral("\"say \"\"hi\"\".jpg\"") << QStringList{"say \"hi\".jpg"};
    QTest::newRow("two empty quotes") << QStringLiteral("\"\"") << QStringList{""};
    QTest::newRow("two commas in a row") << QStringLiteral("a,,b") << QStringList{"a", "", "b"};
    QTest::newRow("leading comma") << QStringLiteral(",a") << QStringList{"", "a"};
    QTest::newRow("trailing comma") << QStringLiteral("a,") << QStringList{"a", ""};
    QTest::newRow("only commas") << QStringLiteral(",,") << QStringList{"", "", ""};
    QTest::newRow("unterminated quote") << QStringLiteral("a,\"b c") << QStringList{"a", "b c"};
    QTest::newRow("lone quote") << QStringLiteral("\"") << QStringList{""};
    QTest::newRow("text after closing quote") << QStringLiteral("\"a\"b") << QStringList{"a", "b"};
    QTest::newRow("quote inside plain name") << QStringLiteral("a\"b\"") << QStringList{"a\"b\""};
    QTest::newRow("control characters separate") << QStringLiteral("a\x01" "b\x1f" "c") << QStringList{"a", "b", "c"};
    QTest::newRow("quoted control character") << QStringLiteral("\"a\tb\"") << QStringList{"a\tb"};
    QTest::newRow("nul ends the text") << QString(QStringLiteral("a,b") + QChar(0) + QStringLiteral(",c"))
                                       << QStringList{"a", "b"};
    QTest::newRow("chinese") << QStringLiteral("房型图1.jpg,\"客厅 2.jpg\"") << QStringList{"房型图1.jpg", "客厅 2.jpg"};
}

void TestCommaText::read()
{
    QFETCH(QString, text);
    QFETCH(QStringList, names);
    QCOMPARE(readCommaText(text), names);
}

void TestCommaText::write_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty list") << QStringList() << QString();
    QTest::newRow("one empty name") << QStringList{""} << QStringLiteral("\"\"");
    QTest::newRow("plain") << QStringList{"a.jpg", "b.jpg"} << QStringLiteral("a.jpg,b.jpg");
    QTest::newRow("space") << QStringList{"my plan.jpg"} << QStringLiteral("\"my plan.jpg\"");
    QTest::newRow("comma") << QStringList{"a,b"} << QStringLiteral("\"a,b\"");
    QTest::newRow("quote doubled") << QStringList{"a\"b"} << QStringLiteral("\"a\"\"b\"");
    QTest::newRow("control character") << QStringList{"a\nb"} << QStringLiteral("\"a\nb\"");
    QTest::newRow("empty among others") << QStringList{"a", "", "b"} << QStringLiteral("a,,b");
}

void TestCommaText::write()
{
    QFETCH(QStringList, names);
    QFETCH(QString, text);
    QCOMPARE(writeCommaText(names), text);
}

void TestCommaText::roundTrip_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::newRow("empty") << QStringList();
    QTest::newRow("one empty") << QStringList{""};
    QTest::newRow("two empty") << QStringList{"", ""};
    QTest::newRow("empty last") << QStringList{"a", ""};
    QTest::newRow("empty first") << QStringList{"", "a"};
    QTest::newRow("mixed") << QStringList{"plan2005-03-01.14.05.09.jpg", "my plan.jpg", "a\"b,c", " lead", "end "};
    QTest::newRow("quotes only") << QStringList{"\"", "\"\""};
}

void TestCommaText::roundTrip()
{
    QFETCH(QStringList, names);
    QCOMPARE(readCommaText(writeCommaText(names)), names);
}

QTEST_APPLESS_MAIN(TestCommaText)
#include "TestCommaText.moc"
