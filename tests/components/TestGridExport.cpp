#include "components/GridExport.h"
#include "components/widgets/DataGrid.h"
#include "support/FileDialogRecorder.h"
#include "support/MessageRecorder.h"
#include "support/TestFiles.h"

#include <QTest>

using namespace brel;

class TestGridExport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exportsAllRowsAsShown();
    void exportShowsWhatTheGridShows();
    void typeFollowsFilterOrSuffix_data();
    void typeFollowsFilterOrSuffix();
    void cancelWritesNothing();
    void emptyResult();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Database> m_db;
};

void TestGridExport::initTestCase()
{
    const QString path = m_dir.filePath(QStringLiteral("export.mdb"));
    test::makeBlankFile(path);
    m_db = std::make_unique<Database>();
    m_db->open(path, test::DataPassword);
    Transaction t(*m_db);
    for (int i = 1; i <= 250; ++i)
        m_db->execute(Sql("INSERT INTO TbRental (SJH, FWDZ, DGDZ, ZJ, ZTW) VALUES (?,?,?,?,?)",
                          {QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0')),
                           QStringLiteral("城东区\"幸福\"路%1号, <B>&座\n二楼").arg(i), QStringLiteral("城东区幸福路"),
                           i * 100.125, i % 2 ? "00" : "01"}));
    t.commit();
}

void TestGridExport::exportsAllRowsAsShown()
{
    DataSet ds(m_db.get());
    ds.setPageSize(20);
    ds.setSql(Sql("SELECT * FROM TbRental", {}, "ID"));
    ds.open();
    DataSource source;
    source.setDataSet(&ds);
    DataGrid grid;
    grid.setColumns({{QStringLiteral("收件号"), QStringLiteral("SJH"), 1, 80, {}, true},
                     {QStringLiteral("房屋地址"), QStringLiteral("DGDZ"), 1, 80, {}, true},
                     {QStringLiteral("租金"), QStringLiteral("ZJ"), 1, 80, QStringLiteral("#0.00"), true},
                     {QStringLiteral("状态位"), QStringLiteral("ZTW"), 0, 80, {}, true}});
    grid.setDataSource(&source);
    grid.setColumnVisible(3, false);
    grid.gridHeader()->moveSection(2, 0);
    // The window shows the full address in even rows, as its rights allow.
    grid.setCellHook([&ds](int row, int column, QColor &, QString &text) {
        if (column == 1 && row % 2 == 1)
            text = ds.valueAt(row, ds.fieldIndex(QStringLiteral("FWDZ"))).toString();
    });

    test::FileDialogRecorder dialogs;
    const QString file = m_dir.filePath(QStringLiteral("出租单查询.txt"));
    dialogs.setNextFileName(file);
    QVERIFY(grid.exportWithDialog(m_dir.filePath(QStringLiteral("出租单查询")), QStringLiteral("出租单查询")));
    QCOMPARE(dialogs.requests.size(), 1);
    QCOMPARE(dialogs.requests.first().caption, QStringLiteral("当前显示数据导出到..."));
    QCOMPARE(dialogs.requests.first().filters.first(), QStringLiteral("Excel 文件 (*.xlsx)"));

    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(in.readAll());
    QVERIFY(text.startsWith(QStringLiteral("租金,收件号,房屋地址\r\n")));
    QVERIFY(text.contains(QStringLiteral("100.12,00000001,城东区幸福路\r\n")));
    QVERIFY(text.contains(QStringLiteral("200.25,00000002,\"城东区\"\"幸福\"\"路2号, <B>&座\n二楼\"\r\n")));
    QVERIFY(text.contains(QStringLiteral("25031.25,00000250,")));
    QVERIFY(!text.contains(QStringLiteral("状态位")));
    QCOMPARE(text.count(QStringLiteral("\r\n")), 251);
}

// Stored values that are not in the program's own form (written by another
// program or an older version) read the same way in the grid and in a file.
void TestGridExport::exportShowsWhatTheGridShows()
{
    const QString path = m_dir.filePath(QStringLiteral("awkward.mdb"));
    test::makeBlankFile(path);
    Database db;
    db.open(path, test::DataPassword);
    const QString wide = QString::fromUcs4(U"\U00020000");
    db.execute(Sql("INSERT INTO TbRental (SJH, FWDZ, DGDZ, ZJ, JZMJ, LC, JGRQ, LRRQ, GZBJRQ, CZRQ, GGFB, YS, GZBJBZ, YJJE) "
                   "VALUES ('A1', ?, NULL, '12.5', 0.1 + 0.2, '7', '2020-3-4', '2020-03-04 00:00:00', "
                   "' 2020-03-04 05:06:07', '昨天', 'true', 'False', -1, 549755813887.9999)",
                   {QStringLiteral("城东") + wide}));
    db.execute(Sql("INSERT INTO TbRental (SJH, ZJ, LC, JGRQ, GGFB, YS, YJJE) "
                   "VALUES ('A2', 'abc', 7.5, '2020-02-30', '是', 'yes', 1e15)"));
    DataSet ds(&db);
    ds.setSql(Sql("SELECT *, ZJ * 2 AS ZJ2 FROM TbRental", {}, "SJH"));
    ds.open();
    DataSource source;
    source.setDataSet(&ds);
    DataGrid grid;
    const QStringList fields = {"SJH", "FWDZ", "DGDZ", "ZJ", "JZMJ", "LC", "JGRQ", "JGRQ", "LRRQ",
                                "GZBJRQ", "CZRQ", "GGFB", "YS", "GZBJBZ", "YJJE", "ZJ2"};
    const QStringList formats = {"", "", "", "#0.00", "#.##", "", "", "yyyy年M月d日", "",
                                 "", "", "", "", "", "#0.00", "#0.00"};
    GridColumns columns;
    for (int i = 0; i < fields.size(); ++i)
        columns << GridColumn{fields.at(i), fields.at(i), 1, 80, formats.at(i), true};
    grid.setColumns(columns);
    grid.setDataSource(&source);

    const QList<QStringList> expected = {
        {"A1", QStringLiteral("城东") + wide, "", "12.50", ".3", "7", "2020-03-04", "2020年3月4日", "2020-03-04",
         "2020-03-04 05:06:07", "昨天", "是", "否", "是", "549755813888.00", "25.00"},
        {"A2", "", "", "abc", "", "7.5", "2020-02-30", "2020-02-30", "", "", "", "是", "是", "", "1000000000000000", "0"},
    };
    auto exported = grid.exportSource();
    exported->start();
    QVector<ExportCell> cells;
    for (int row = 0; row < expected.size(); ++row) {
        QVERIFY(exported->next(cells));
        QStringList shown;
        QStringList written;
        for (int c = 0; c < columns.size(); ++c) {
            shown << grid.gridModel()->cellText(row, c);
            written << cells.at(c).text;
        }
        QCOMPARE(shown, expected.at(row));
        QCOMPARE(written, shown);
    }
    QVERIFY(!exported->next(cells));

    QString error;
    const QString file = m_dir.filePath(QStringLiteral("awkward.txt"));
    QVERIFY2(exportToFile(ExportFormat::Text, *exported, file, {}, &error), qPrintable(error));
    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(in.readAll());
    QVERIFY2(text.contains(expected.first().join(QLatin1Char(',')) + QLatin1String("\r\n")), qPrintable(text));
}

void TestGridExport::typeFollowsFilterOrSuffix_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filter");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("written");
    QTest::newRow("chosen type adds suffix") << "a" << 2 << int(ExportFormat::Html) << "a.htm";
    QTest::newRow("suffix wins") << "b.xml" << 0 << int(ExportFormat::Xml) << "b.xml";
    QTest::newRow("workbook") << "c.xlsx" << 0 << int(ExportFormat::Excel) << "c.xlsx";
}

void TestGridExport::typeFollowsFilterOrSuffix()
{
    QFETCH(QString, name);
    QFETCH(int, filter);
    QFETCH(int, format);
    QFETCH(QString, written);
    QCOMPARE(int(exportFormatFor(name, filter)), format);
    test::FileDialogRecorder dialogs;
    dialogs.setNextFileName(m_dir.filePath(name), filter);
    const auto target = askExportTarget(m_dir.path());
    QVERIFY(target);
    QCOMPARE(target->path, m_dir.filePath(written));
    QCOMPARE(int(target->format), format);
}

void TestGridExport::cancelWritesNothing()
{
    test::FileDialogRecorder dialogs;
    test::MessageRecorder messages;
    ListTableSource source({QStringLiteral("甲")}, {{QStringLiteral("1")}});
    dialogs.setNextCancel();
    QVERIFY(!exportWithDialog(source, m_dir.filePath(QStringLiteral("x"))));
    QVERIFY(messages.messages.isEmpty());
    // Without any dialog handler an export is simply not done.
    QVERIFY(!exportWithDialog(source, m_dir.filePath(QStringLiteral("x"))));
}

void TestGridExport::emptyResult()
{
    DataSet ds(m_db.get());
    ds.setSql(Sql("SELECT * FROM TbRental WHERE SJH=?", {QStringLiteral("无此号")}));
    ds.open();
    DataSource source;
    source.setDataSet(&ds);
    DataGrid grid;
    grid.setColumns({{QStringLiteral("收件号"), QStringLiteral("SJH"), 1, 80, {}, true}});
    grid.setDataSource(&source);
    test::FileDialogRecorder dialogs;
    const QString file = m_dir.filePath(QStringLiteral("empty.xml"));
    dialogs.setNextFileName(file);
    QVERIFY(grid.exportWithDialog(m_dir.path()));
    QFile in(file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray xml = in.readAll();
    QVERIFY(xml.contains("<column>收件号</column>"));
    QVERIFY(!xml.contains("<row>"));
}

QTEST_MAIN(TestGridExport)
#include "TestGridExport.moc"
