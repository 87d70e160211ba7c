// Builds one window with every data-aware box, a grid and the side bar over
// a data file with Chinese rows. Set BRELVANTO_SHOWCASE_PNG to a file name
// to save a picture of it (to check that Chinese text renders).

#include "components/widgets/DataBoxes.h"
#include "components/widgets/DataGrid.h"
#include "components/widgets/SideBar.h"
#include "datastore/Globalvar.h"
#include "support/TestFiles.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QTest>

using namespace brel;

class TestShowcase : public QObject {
    Q_OBJECT
private slots:
    void everyBoxAndGrid();
};

void TestShowcase::everyBoxAndGrid()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("showcase.mdb"));
    test::makeBlankFile(path);
    Database db;
    db.open(path, test::DataPassword);
    const QStringList streets = {QStringLiteral("人民路"), QStringLiteral("解放大街"), QStringLiteral("中山北路"),
                                 QStringLiteral("滨江花园")};
    for (int i = 1; i <= 40; ++i)
        db.execute(Sql("INSERT INTO TbRental (SJH, FWDZ, DGDZ, QY, FX, ZJ, JGRQ, LXR, LXRDH1, GGFB, ZTW, SSFD, FWSS, CZFBZ1) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                       {QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0')),
                        QStringLiteral("%1%2号%3栋").arg(streets.at(i % 4)).arg(i).arg(i % 7 + 1),
                        streets.at(i % 4), i % 2 ? QStringLiteral("城东") : QStringLiteral("城西"),
                        QStringLiteral("两室一厅"), 800 + i * 25.5, QStringLiteral("2010-06-%1").arg(i % 28 + 1, 2, 10, QLatin1Char('0')),
                        QStringLiteral("王先生"), QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0')), i % 2,
                        i % 5 == 0 ? "01" : (i % 7 == 0 ? "02" : "00"), QStringLiteral("东城分店"),
                        QStringLiteral("水,电,煤气"), QStringLiteral("房东\"好说话\"，可议价")}));
    DataSet ds(&db);
    ds.setSql(Sql("SELECT *, CASE ZTW WHEN '00' THEN '未出租' WHEN '01' THEN '已出租' ELSE '已作废' END AS ZTW_TXT FROM TbRental",
                  {}, "SJH"));
    ds.open();
    DataSource source;
    source.setDataSet(&ds);

    QWidget window;
    window.setWindowTitle(QStringLiteral("组件一览"));
    auto *outer = new QHBoxLayout(&window);
    auto *bar = new SideBar(&window);
    bar->setObjectName(QStringLiteral("sbLeft"));
    const int g1 = bar->addGroup(QStringLiteral("房屋出租"));
    bar->addItem(g1, QStringLiteral("出租单管理"), 11, window.style()->standardIcon(QStyle::SP_FileIcon));
    bar->addItem(g1, QStringLiteral("出租单查询"), 12, window.style()->standardIcon(QStyle::SP_FileDialogContentsView));
    bar->addItem(g1, QStringLiteral("跟踪报警"), 13, window.style()->standardIcon(QStyle::SP_MessageBoxWarning));
    bar->addGroup(QStringLiteral("房屋出售"));
    bar->addGroup(QStringLiteral("系统设置"));
    bar->selectTag(12);
    bar->setFixedWidth(110);
    outer->addWidget(bar);

    auto *right = new QVBoxLayout;
    auto *boxes = new QGroupBox(QStringLiteral("出租方信息"), &window);
    auto *form = new QFormLayout(boxes);
    auto bind = [&](auto *box, const char *field) {
        box->setDataSource(&source);
        box->setDataField(QString::fromLatin1(field));
        return box;
    };
    form->addRow(QStringLiteral("收件号："), bind(new DbEdit, "SJH"));
    form->addRow(QStringLiteral("房屋地址："), bind(new DbEdit, "FWDZ"));
    auto *phone = bind(new DbEdit, "LXRDH1");
    phone->setMasked(true);
    form->addRow(QStringLiteral("联系人电话："), phone);
    auto *rent = bind(new DbNumericEdit, "ZJ");
    rent->setKeyFilter(NumericKeyFilter);
    rent->setDisplayFormat(QStringLiteral("#0.00"));
    form->addRow(QStringLiteral("租金："), rent);
    form->addRow(QStringLiteral("竣工日期："), bind(new DbDateEdit, "JGRQ"));
    auto *district = bind(new DbPickBox, "QY");
    district->setItems({QStringLiteral("城东"), QStringLiteral("城西"), QStringLiteral("城南")});
    form->addRow(QStringLiteral("区域："), district);
    auto *layout = bind(new DbChoiceBox, "FX");
    layout->setItems({QStringLiteral("一室一厅"), QStringLiteral("两室一厅"), QStringLiteral("三室两厅")});
    form->addRow(QStringLiteral("房型："), layout);
    form->addRow(QStringLiteral("房屋设施："), bind(new DbPopupEdit, "FWSS"));
    auto *commission = bind(new DbCalcEdit, "YJJE");
    commission->setDisplayFormat(QStringLiteral("#0.00"));
    form->addRow(QStringLiteral("佣金金额(元)："), commission);
    form->addRow(QString(), bind(new DbCheckBox(QStringLiteral("公告发布")), "GGFB"));
    auto *memo = bind(new DbMemo, "CZFBZ1");
    memo->setMaximumHeight(50);
    form->addRow(QStringLiteral("出租备注："), memo);
    form->addRow(QStringLiteral("状态："), bind(new DbLabel, "ZTW_TXT"));
    right->addWidget(boxes);

    auto *grid = new DataGrid(&window);
    grid->setObjectName(QStringLiteral("dgSearch"));
    grid->setColumns({{QStringLiteral("收件号"), QStringLiteral("SJH"), 1, 80, {}, true},
                      {QStringLiteral("房屋地址"), QStringLiteral("DGDZ"), 1, 110, {}, true},
                      {QStringLiteral("区域"), QStringLiteral("QY"), 1, 60, {}, true},
                      {QStringLiteral("租金"), QStringLiteral("ZJ"), 1, 80, QStringLiteral("#0.00"), true},
                      {QStringLiteral("状态位"), QStringLiteral("ZTW_TXT"), 1, 70, {}, true},
                      {QStringLiteral("所属分店"), QStringLiteral("SSFD"), 1, 80, {}, true}});
    grid->setDataSource(&source);
    grid->setFooterVisible(true);
    grid->setFooterRowCount(0, QStringLiteral("%1 条"));
    grid->setSortMark(0, SortMark::Ascending);
    grid->setCellHook([&ds](int row, int, QColor &background, QString &) {
        const QString state = ds.valueAt(row, ds.fieldIndex(QStringLiteral("ZTW"))).toString();
        if (state == QLatin1String("01"))
            background = QColor(0xC0C0C0);
        else if (state == QLatin1String("02"))
            background = QColor(0x808080);
    });
    right->addWidget(grid, 1);
    outer->addLayout(right, 1);

    window.resize(760, 760);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ds.moveTo(4);
    QCOMPARE(grid->currentRowNumber(), 4);
    QCOMPARE(grid->footerText(0), QStringLiteral("40 条"));
    QCOMPARE(phone->text(), QStringLiteral("***********"));

    const QString png = qEnvironmentVariable("BRELVANTO_SHOWCASE_PNG");
    if (!png.isEmpty())
        QVERIFY(window.grab().save(png));
}

QTEST_MAIN(TestShowcase)
#include "TestShowcase.moc"
