// Links the core library alone, every object of it, without Qt Widgets: if
// any core file needs a widget this test does not build. It runs on a bare
// QCoreApplication, as the data generator and other command-line tools do.
#include "base/FileDialogs.h"
#include "base/Messages.h"
#include "components/DataGridModel.h"
#include "components/TableExport.h"
#include "datastore/DataSet.h"
#include "support/TestFiles.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace brel;

class TestCoreLibrary : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<Database> m_db;

    QVariant readElsewhere(const QString &sql, const QVariantList &values)
    {
        Database other;
        other.open(m_path, test::DataPassword);
        auto st = other.prepare(Sql(sql, values));
        return st->step() ? st->value(0) : QVariant(QStringLiteral("<no row>"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Nothing above the core installs a handler here.
        QCOMPARE(Messages::handler(), nullptr);
        QCOMPARE(FileDialogs::handler(), nullptr);
        m_path = m_dir.filePath(QStringLiteral("core.mdb"));
        test::makeBlankFile(m_path);
        m_db = std::make_unique<Database>();
        m_db->open(m_path, test::DataPassword);
    }

    void amountsRoundTripThroughTheFile_data()
    {
        QTest::addColumn<QString>("sjh");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("shown");
        QTest::newRow("rent") << "C0000001" << "1200.5" << "1200.50";
        QTest::newRow("smallest step") << "C0000002" << "0.0001" << "0.00";
        QTest::newRow("negative, half to even") << "C0000004" << "-35.125" << "-35.12";
        QTest::newRow("four decimals, large") << "C0000003" << "123456789.1234" << "123456789.12";
    }
    void amountsRoundTripThroughTheFile()
    {
        QFETCH(QString, sjh);
        QFETCH(QString, amount);
        QFETCH(QString, shown);
        const Money money = *Money::parse(amount);
        {
            DataSet ds(m_db.get());
            ds.setSql(Sql(QStringLiteral("SELECT ID, SJH, ZJ FROM TbRental WHERE SJH=?"), {sjh}));
            ds.open();
            ds.append();
            ds.setValue(QStringLiteral("SJH"), sjh);
            ds.setValue(QStringLiteral("ZJ"), QVariant::fromValue(money));
            ds.post();
            QCOMPARE(ds.state(), DataSet::State::Browse);
        }
        // Another connection sees the amount as stored, to four decimals.
        QCOMPARE(Money::fromDouble(readElsewhere(QStringLiteral("SELECT ZJ FROM TbRental WHERE SJH=?"), {sjh}).toDouble()),
                 money);

        DataSet ds(m_db.get());
        ds.setSql(Sql(QStringLiteral("SELECT ID, SJH, ZJ FROM TbRental WHERE SJH=?"), {sjh}));
        ds.open();
        QCOMPARE(ds.recordCount(), 1);
        QCOMPARE(ds.asMoney(QStringLiteral("ZJ")), money);
        // The grid's model and the text export are core too, and show the same text.
        DataGridModel model;
        model.setDataSet(&ds);
        GridColumn number, rent;
        number.caption = QStringLiteral("收件号");
        number.field = QStringLiteral("SJH");
        rent.caption = QStringLiteral("租金");
        rent.field = QStringLiteral("ZJ");
        rent.format = QStringLiteral("#0.00");
        model.setColumns({number, rent});
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.cellText(0, 1), shown);
        ListTableSource table({QStringLiteral("租金")}, {{model.cellText(0, 1)}});
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(writeTable(ExportFormat::Text, table, buffer));
        QVERIFY(buffer.data().contains(shown.toUtf8()));
    }

    void nobodyToAskTakesTheSafeAnswer()
    {
        // Without a window layer a question is answered "no" and a file
        // dialog is cancelled, so a command-line run never deletes or
        // overwrites anything on a question nobody saw.
        QVERIFY(!Messages::confirm(QStringLiteral("确定要删除记录吗？")));
        QVERIFY(!Messages::askYesNo(QStringLiteral("是否覆盖？")));
        QCOMPARE(FileDialogs::getSaveFileName(QStringLiteral("导出"), m_dir.filePath(QStringLiteral("x.txt"))), QString());

        DataSet ds(m_db.get());
        ds.setSql(Sql(QStringLiteral("SELECT ID, SJH FROM TbRental"), {}, QStringLiteral("SJH")));
        ds.open();
        const int before = ds.recordCount();
        QVERIFY(before > 0);
        DataSource source;
        source.setDataSet(&ds);
        DataNavigator navigator;
        navigator.setDataSource(&source);
        QVERIFY(navigator.isEnabled(DataNavigator::Delete));
        navigator.press(DataNavigator::Delete);
        QCOMPARE(readElsewhere(QStringLiteral("SELECT COUNT(*) FROM TbRental"), {}).toInt(), before);
    }
};

QTEST_GUILESS_MAIN(TestCoreLibrary)
#include "TestCoreLibrary.moc"
