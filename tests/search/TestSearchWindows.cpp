#include "components/widgets/DataBoxes.h"
#include "components/widgets/DataGrid.h"
#include "listings/RentalManageForm.h"
#include "listings/RequestManageForm.h"
#include "listings/SaleManageForm.h"
#include "datastore/Upgrade.h"
#include "reports/SheetForm.h"
#include "search/RegisterSearchForm.h"
#include "support/FileDialogRecorder.h"
#include "support/MainWindowFixture.h"

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace brel;

namespace {

const char *const SearchCommands[] = {"atRentalSearch", "atSaleSearch", "atQRentalSearch", "atQBuySearch"};

QVariantMap rental(const QString &sjh, const QString &state, const QString &entered, const QVariantMap &more = {})
{
    QVariantMap row{{QStringLiteral("SJH"), sjh},
                    {QStringLiteral("ZTW"), state},
                    {QStringLiteral("LRRQ"), entered},
                    {QStringLiteral("LRR"), QStringLiteral("admin")},
                    {QStringLiteral("FWDZ"), QStringLiteral("人民路") + sjh + QStringLiteral("号101室")},
                    {QStringLiteral("DGDZ"), QStringLiteral("人民路") + sjh},
                    {QStringLiteral("LXR"), QStringLiteral("王先生")}};
    for (auto it = more.cbegin(); it != more.cend(); ++it)
        row.insert(it.key(), it.value());
    return row;
}

} // namespace

class TestSearchWindows : public QObject, private test::MainWindowFixture {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void defaultSearch_data();
    void defaultSearch();
    void stateRanges_data();
    void stateRanges();
    void dateAndReceiptNumber();
    void badDateStopsTheSearch();
    void resortMarks();
    void historySteps();
    void replayFindsTheRowAgain();
    void doubleClickOpensTheManagementWindow_data();
    void doubleClickOpensTheManagementWindow();
    void matchOperators_data();
    void matchOperators();
    void matchBuyRequestByBranch();
    void emptyNumberIsNamed();
    void footerCountsEveryRow();
    void exportAllRows_data();
    void exportAllRows();
    void fullAddressByRights_data();
    void fullAddressByRights();
    void contactsMasked_data();
    void contactsMasked();
    void rowColours();
    void printItemsHandTheIds();
    void printItemOpensTheSheetOnItsRows();
    void popupFollowsTheRights();
    void openingAddsTheSearchIndexes();
    void sampleFileSearchAndMatch_data();
    void sampleFileSearchAndMatch();

private:
    TRegisterSearchFm *open(const char *command);
    void fillRentals();
    void fillRequests();
    QStringList receiptNumbers(DataSet *ds);
    qint64 idOf(const QString &table, const QString &sjh);
};

void TestSearchWindows::init()
{
    startMainWindow();
    TMainFm::RegisterChild(QStringLiteral("atRentalSearch"), [](QWidget *p) { return new TRentalSearchFm(p); });
    TMainFm::RegisterChild(QStringLiteral("atSaleSearch"), [](QWidget *p) { return new TSaleSearchFm(p); });
    TMainFm::RegisterChild(QStringLiteral("atQRentalSearch"), [](QWidget *p) { return new TQRentalSearchFm(p); });
    TMainFm::RegisterChild(QStringLiteral("atQBuySearch"), [](QWidget *p) { return new TQBuySearchFm(p); });
    TMainFm::RegisterChild(QStringLiteral("atRentalManage"), [](QWidget *p) { return new TRentalManageFm(p); });
    TMainFm::RegisterChild(QStringLiteral("atSaleManage"), [](QWidget *p) { return new TSaleManageFm(p); });
    TMainFm::RegisterChild(QStringLiteral("atQRentalManage"), [](QWidget *p) { return new TQRentalManageFm(p); });
    TMainFm::RegisterChild(QStringLiteral("atQBuyManage"), [](QWidget *p) { return new TQBuyManageFm(p); });
}

void TestSearchWindows::cleanup()
{
    stopMainWindow();
}

TRegisterSearchFm *TestSearchWindows::open(const char *command)
{
    m_form->command(QString::fromLatin1(command))->trigger();
    auto *window = qobject_cast<TRegisterSearchFm *>(m_form->CurrentChild());
    if (!window)
        qFatal("%s opened no search window", command);
    return window;
}

void TestSearchWindows::fillRentals()
{
    using M = QVariantMap;
    test::insertRow(*m_dm, QStringLiteral("TbRental"),
                    rental(QStringLiteral("00000001"), QStringLiteral("00"), QStringLiteral("2024-01-05"),
                           M{{"ZJ", 1200}, {"LC", 5}, {"QY", QStringLiteral("城东")}, {"JZMJ", 80},
                             {"SSFD", QStringLiteral("总店")}}));
    test::insertRow(*m_dm, QStringLiteral("TbRental"),
                    rental(QStringLiteral("00000002"), QStringLiteral("01"), QStringLiteral("2024-02-10"),
                           M{{"ZJ", 3000}, {"LC", 3}, {"QY", QStringLiteral("城西")}, {"SSFD", QStringLiteral("东城分店")}}));
    test::insertRow(*m_dm, QStringLiteral("TbRental"),
                    rental(QStringLiteral("00000003"), QStringLiteral("02"), QStringLiteral("2024-03-01"),
                           M{{"ZJ", 900}, {"LC", 8}, {"QY", QStringLiteral("城东")}, {"SSFD", QStringLiteral("总店")}}));
    test::insertRow(*m_dm, QStringLiteral("TbRental"),
                    rental(QStringLiteral("00000004"), QStringLiteral("00"), QStringLiteral("2024-04-01 09:30:00"),
                           M{{"ZJ", 2000}, {"QY", QStringLiteral("城东%")}, {"SSFD", QStringLiteral("东城分店")}}));
    test::insertRow(*m_dm, QStringLiteral("TbRental"),
                    rental(QStringLiteral("A\"5"), QStringLiteral("00"), QStringLiteral("2023-12-31"),
                           M{{"ZJ", 1500}, {"LC", 2}, {"QY", QStringLiteral("城南")}, {"SSFD", QStringLiteral("总店")}}));
}

void TestSearchWindows::fillRequests()
{
    auto add = [this](const char *sjh, const QString &area, int rent, int floor, const QString &branch) {
        test::insertRow(*m_dm, QStringLiteral("TbQRental"),
                        {{QStringLiteral("SJH"), QString::fromLatin1(sjh)},
                         {QStringLiteral("QY"), area},
                         {QStringLiteral("ZJ"), rent},
                         {QStringLiteral("LC"), floor},
                         {QStringLiteral("SSFD"), branch},
                         {QStringLiteral("LRR"), QStringLiteral("admin")},
                         {QStringLiteral("LRRQ"), QStringLiteral("2024-05-01")},
                         {QStringLiteral("DGDZ"), QStringLiteral("人民路附近")}});
    };
    add("Q1", QStringLiteral("城东"), 1500, 6, QStringLiteral("总店"));
    add("Q2", QStringLiteral("城东北"), 1000, 10, QStringLiteral("总店"));
    add("Q3", QStringLiteral("城东%区"), 2500, 1, QStringLiteral("东城分店"));
    add("Q4", QStringLiteral("城西"), 5000, 20, QStringLiteral("总店"));
}

QStringList TestSearchWindows::receiptNumbers(DataSet *ds)
{
    QStringList out;
    for (int row = 0; row < ds->recordCount(); ++row)
        out << ds->valueAt(row, ds->fieldIndex(QStringLiteral("SJH"))).toString();
    return out;
}

qint64 TestSearchWindows::idOf(const QString &table, const QString &sjh)
{
    return m_dm->GetValue(Sql(QStringLiteral("SELECT ID FROM %1 WHERE SJH=?").arg(table), {sjh}), QStringLiteral("ID"))
        .toLongLong();
}

// ------------------------------------------------------------------ searching

void TestSearchWindows::defaultSearch_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("areas");
    QTest::addColumn<int>("area");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("rental") << "atRentalSearch" << "房屋出租查询"
                            << QStringList{"全部", "未出租", "已出租", "已作废"} << 1
                            << QStringList{"00000001", "00000004", "A\"5"};
    QTest::newRow("sale") << "atSaleSearch" << "房屋出售查询" << QStringList{"全部", "未出售", "已出售", "已作废"} << 1
                          << QStringList{"S1", "S3"};
    QTest::newRow("rent request") << "atQRentalSearch" << "房屋求租查询" << QStringList{"全部"} << 0
                                  << QStringList{"Q1", "Q2", "Q3", "Q4"};
    QTest::newRow("buy request") << "atQBuySearch" << "房屋求购查询" << QStringList{"全部"} << 0
                                 << QStringList{"B1"};
}

void TestSearchWindows::defaultSearch()
{
    QFETCH(QString, command);
    QFETCH(QString, caption);
    QFETCH(QStringList, areas);
    QFETCH(int, area);
    QFETCH(QStringList, found);
    fillRentals();
    fillRequests();
    auto sale = [this](const char *sjh, const char *state, const QString &branch) {
        test::insertRow(*m_dm, QStringLiteral("TbSale"),
                        {{"SJH", sjh}, {"ZTW", state}, {"SSFD", branch}, {"LRRQ", "2022-06-01"}, {"SJ", 80}});
    };
    sale("S1", "00", QStringLiteral("总店"));
    sale("S2", "01", QStringLiteral("总店"));
    sale("S3", "00", QStringLiteral("总店二部"));
    test::insertRow(*m_dm, QStringLiteral("TbQBuy"), {{"SJH", "B1"}, {"LRRQ", "2021-03-04"}, {"SSFD", QStringLiteral("总店")}});

    TRegisterSearchFm *w = open(command.toLatin1().constData());
    QCOMPARE(w->windowTitle(), caption);
    QStringList shown;
    for (QAbstractButton *b : w->rgAreaButtons->buttons())
        shown << b->text();
    QCOMPARE(shown, areas);
    QCOMPARE(w->AreaIndex(), area);
    QCOMPARE(w->edLRRQ->date(), EarliestEntryDate(w->SearchKind().table));
    QVERIFY(w->rbLRRQ->isChecked());
    QCOMPARE(w->History().Entries().size(), 0);
    QVERIFY(!w->IsMatchPanelOpen());

    w->btnStart->click();
    QCOMPARE(receiptNumbers(w->QSearch), found);
    QCOMPARE(w->History().Entries().size(), 1);
    QCOMPARE(m_dm->dsNavigator->dataSet(), w->QSearch);
    QCOMPARE(w->dgSearch->footerText(0), QStringLiteral("%1 条").arg(found.size()));
    // The simple view shows the main columns only.
    for (int c = 0; c < w->dgSearch->columns().size(); ++c)
        QCOMPARE(w->dgSearch->isColumnVisible(c), w->dgSearch->columns().at(c).tag == 1);
    w->pDetail->trigger();
    for (int c = 0; c < w->dgSearch->columns().size(); ++c)
        QVERIFY(w->dgSearch->isColumnVisible(c));
    QVERIFY(w->pDetail->isChecked() && !w->pSimple->isChecked());
}

void TestSearchWindows::stateRanges_data()
{
    QTest::addColumn<int>("area");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("全部") << 0 << QStringList{"00000001", "00000002", "00000003", "00000004", "A\"5"};
    QTest::newRow("未出租") << 1 << QStringList{"00000001", "00000004", "A\"5"};
    QTest::newRow("已出租") << 2 << QStringList{"00000002"};
    QTest::newRow("已作废") << 3 << QStringList{"00000003"};
}

void TestSearchWindows::stateRanges()
{
    QFETCH(int, area);
    QFETCH(QStringList, found);
    fillRentals();
    TRegisterSearchFm *w = open("atRentalSearch");
    w->SetAreaIndex(area);
    w->btnStart->click();
    QCOMPARE(receiptNumbers(w->QSearch), found);
}

void TestSearchWindows::dateAndReceiptNumber()
{
    fillRentals();
    TRegisterSearchFm *w = open("atRentalSearch");
    // A date typed loosely means its day; an entry with a time on the day counts.
    w->SetAreaIndex(0);
    w->edLRRQ->setText(QStringLiteral("2024-4-1"));
    w->btnStart->click();
    QCOMPARE(receiptNumbers(w->QSearch), QStringList{"00000004"});
    w->edLRRQ->setText(QStringLiteral("2024-02-10"));
    QTest::keyClick(w->edLRRQ, Qt::Key_Return);
    QCOMPARE(receiptNumbers(w->QSearch), (QStringList{"00000002", "00000003", "00000004"}));

    // By receipt number the state range does not count; a quote is a character.
    w->SetAreaIndex(1);
    w->edSJH->setFocus();
    QVERIFY(w->rbSJH->isChecked());
    test::typeText(w->edSJH, QStringLiteral("00000002"));
    QTest::keyClick(w->edSJH, Qt::Key_Return);
    QCOMPARE(receiptNumbers(w->QSearch), QStringList{"00000002"});
    w->edSJH->setText(QStringLiteral("A\"5"));
    w->btnStart->click();
    QCOMPARE(receiptNumbers(w->QSearch), QStringList{"A\"5"});
    QCOMPARE(w->History().Entries().size(), 4);
    QCOMPARE(m_messages->messages.size(), 0);
}

void TestSearchWindows::badDateStopsTheSearch()
{
    fillRentals();
    TRegisterSearchFm *w = open("atRentalSearch");
    w->btnStart->click();
    const Sql before = w->QSearch->sql();
    w->edLRRQ->setText(QStringLiteral("2024-13-40"));
    w->btnStart->click();
    QCOMPARE(m_messages->messages.size(), 1);
    QVERIFY(m_messages->messages.first().text.contains(QStringLiteral("开始日期")));
    QCOMPARE(w->History().Entries().size(), 1);
    QVERIFY(w->QSearch->sql() == before);
    // A header click stops as well, its mark unchanged.
    w->dgSearch->clickHeader(w->dgSearch->columnOfField(QStringLiteral("ZJ")));
    QCOMPARE(m_messages->messages.size(), 2);
    QVERIFY(w->QSearch->sql() == before);
    QCOMPARE(w->dgSearch->sortedColumn(), -1);
}

void TestSearchWindows::resortMarks()
{
    fillRentals();
    TRegisterSearchFm *w = open("atRentalSearch");
    w->SetAreaIndex(0);
    DataGrid *grid = w->dgSearch;
    const int rent = grid->columnOfField(QStringLiteral("ZJ"));
    // Before any search: the base statement in that order, no history.
    grid->clickHeader(rent);
    QCOMPARE(w->QSearch->sql().orderBy, QStringLiteral("ZJ ASC"));
    QCOMPARE(w->History().Entries().size(), 0);
    QCOMPARE(receiptNumbers(w->QSearch).first(), QStringLiteral("00000003"));

    // A new search keeps the marked order; a click replaces the entry's order.
    w->btnStart->click();
    QCOMPARE(w->History().Entries().size(), 1);
    QCOMPARE(w->History().Current().orderBy, QStringLiteral("ZJ ASC"));
    grid->clickHeader(rent);
    QCOMPARE(grid->sortMark(rent), SortMark::Descending);
    QCOMPARE(w->History().Entries().size(), 1);
    QCOMPARE(w->History().Current().orderBy, QStringLiteral("ZJ DESC"));
    QCOMPARE(w->QSearch->sql(), w->History().Current());
    QCOMPARE(receiptNumbers(w->QSearch).first(), QStringLiteral("00000002"));
    grid->clickHeader(rent);
    QCOMPARE(w->History().Current().orderBy, QStringLiteral("ZJ ASC"));

    // The state column sorts by the code, and the other marks go.
    w->pDetail->trigger();
    const int state = grid->columnOfField(QStringLiteral("ZTW_TXT"));
    grid->clickHeader(state);
    QCOMPARE(grid->sortMark(rent), SortMark::None);
    QCOMPARE(w->History().Current().orderBy, QStringLiteral("ZTW ASC"));
    grid->clickHeader(state);
    QCOMPARE(w->History().Current().orderBy, QStringLiteral("ZTW DESC"));
    QCOMPARE(receiptNumbers(w->QSearch).first(), QStringLiteral("00000003"));
    // A later new search takes the sort of the mark.
    w->btnStart->click();
    QCOMPARE(w->History().Entries().size(), 2);
    QCOMPARE(w->History().Current().orderBy, QStringLiteral("ZTW DESC"));
    // The statement keeps its values apart from the text.
    QVERIFY(!w->History().Current().text.contains(QStringLiteral("2023")));
}

void TestSearchWindows::historySteps()
{
    fillRentals();
    TRegisterSearchFm *w = open("atRentalSearch");
    QAction *older = command("btnForword");
    QAction *newer = command("btnBackword");
    const int areas[] = {0, 2, 3};
    for (int a : areas) {
        w->SetAreaIndex(a);
        w->btnStart->click();
    }
    QCOMPARE(w->History().Entries().size(), 3);
    QCOMPARE(receiptNumbers(w->QSearch), QStringList{"00000003"});
    QVERIFY(older->isEnabled());
    older->trigger();
    QCOMPARE(receiptNumbers(w->QSearch), QStringList{"00000002"});
    older->trigger();
    QCOMPARE(receiptNumbers(w->QSearch).size(), 5);
    // One press past the oldest keeps it and disables the button.
    older->trigger();
    QCOMPARE(receiptNumbers(w->QSearch).size(), 5);
    QVERIFY(!older->isEnabled());
    QVERIFY(newer->isEnabled());
    newer->trigger();
    QCOMPARE(receiptNumbers(w->QSearch).size(), 5);
    newer->trigger();
    QCOMPARE(receiptNumbers(w->QSearch), QStringList{"00000002"});
    newer->trigger();
    QCOMPARE(receiptNumbers(w->QSearch), QStringList{"00000003"});
    newer->trigger();
    QCOMPARE(receiptNumbers(w->QSearch), QStringList{"00000003"});
    QVERIFY(!newer->isEnabled());
    QCOMPARE(m_dm->dsNavigator->dataSet(), w->QSearch);
}

void TestSearchWindows::replayFindsTheRowAgain()
{
    fillRentals();
    fillRequests();
    TRegisterSearchFm *w = open("atRentalSearch");
    w->SetAreaIndex(0);
    w->btnStart->click();
    DataGrid *grid = w->dgSearch;
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(3, 1)).center());
    const qint64 clicked = idOf(QStringLiteral("TbRental"), QStringLiteral("00000004"));
    QCOMPARE(w->QSearch->currentId(), clicked);

    // Away and back with nothing written: the rows shown are kept, the row found again.
    open("atQRentalSearch");
    QCOMPARE(m_dm->dsNavigator->dataSet(), qobject_cast<TSearchChildFm *>(m_form->CurrentChild())->QSearch);
    const int fetched = w->QSearch->fetchedRowCount();
    QCOMPARE(open("atRentalSearch"), w);
    QCOMPARE(w->QSearch->currentId(), clicked);
    QCOMPARE(w->QSearch->fetchedRowCount(), fetched);
    QCOMPARE(m_dm->dsNavigator->dataSet(), w->QSearch);
    QCOMPARE(grid->currentRowNumber(), 3);

    // A row changed elsewhere meanwhile: the statement runs again and shows it.
    open("atQRentalSearch");
    m_dm->ExecSql(Sql("UPDATE TbRental SET ZJ=4321 WHERE ID=?", {clicked}));
    open("atRentalSearch");
    QCOMPARE(w->QSearch->currentId(), clicked);
    QCOMPARE(w->QSearch->asMoney(QStringLiteral("ZJ")), Money::fromInt(4321));

    // So does a write of another program on the file.
    open("atQRentalSearch");
    {
        Database other;
        other.open(m_dir->filePath(QStringLiteral("办公.mdb")), test::DataPassword);
        other.execute(Sql("UPDATE TbRental SET ZJ=5555 WHERE ID=?", {clicked}));
    }
    open("atRentalSearch");
    QCOMPARE(w->QSearch->currentId(), clicked);
    QCOMPARE(w->QSearch->asMoney(QStringLiteral("ZJ")), Money::fromInt(5555));
}

void TestSearchWindows::doubleClickOpensTheManagementWindow_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("matchSide");
    QTest::addColumn<QString>("manage");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("sjh");
    QTest::newRow("rental row") << "atRentalSearch" << false << "atRentalManage" << "TbRental" << "00000004";
    QTest::newRow("rental match row") << "atRentalSearch" << true << "atQRentalManage" << "TbQRental" << "Q3";
    QTest::newRow("request row") << "atQRentalSearch" << false << "atQRentalManage" << "TbQRental" << "Q2";
    QTest::newRow("request match row") << "atQRentalSearch" << true << "atRentalManage" << "TbRental" << "00000003";
}

void TestSearchWindows::doubleClickOpensTheManagementWindow()
{
    QFETCH(QString, search);
    QFETCH(bool, matchSide);
    QFETCH(QString, manage);
    QFETCH(QString, table);
    QFETCH(QString, sjh);
    fillRentals();
    fillRequests();
    TRegisterSearchFm *w = open(search.toLatin1().constData());
    w->SetAreaIndex(0);
    w->btnStart->click();
    DataGrid *grid = w->dgSearch;
    if (matchSide) {
        // Match the first row by its rent: the rows at least (or at most) that rent.
        w->SetMatchPanelOpen(true);
        QVERIFY(w->SetCriterionChecked(QStringLiteral("租金"), true));
        w->QSearch->first();
        w->btnMatch->click();
        grid = w->dgMatch;
    }
    DataSet *ds = grid->dataSet();
    int row = -1;
    for (int r = 0; r < ds->recordCount() && row < 0; ++r)
        if (ds->valueAt(r, ds->fieldIndex(QStringLiteral("SJH"))).toString() == sjh)
            row = r;
    QVERIFY2(row >= 0, "the row is not listed");
    const QPoint at = grid->visualRect(grid->model()->index(row, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(m_form->CurrentChild()->property("command").toString(), manage);
    DataSet *shown = m_form->CurrentChild()->NavigatorDataSet();
    QCOMPARE(shown->currentId(), idOf(table, sjh));
    QCOMPARE(shown->state(), DataSet::State::Edit);
    QVERIFY(!m_form->MatchSide);
}

// ------------------------------------------------------------------- matching

void TestSearchWindows::matchOperators_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("criteria");
    QTest::addColumn<QStringList>("matched");
    QTest::newRow("contains") << "atRentalSearch" << "00000001" << QStringList{"区域"}
                              << QStringList{"Q1", "Q2", "Q3"};
    QTest::newRow("at least (money)") << "atRentalSearch" << "00000001" << QStringList{"租金"}
                                      << QStringList{"Q1", "Q3", "Q4"};
    QTest::newRow("at least (integer)") << "atRentalSearch" << "00000001" << QStringList{"楼层"}
                                        << QStringList{"Q1", "Q2", "Q4"};
    QTest::newRow("all must hold") << "atRentalSearch" << "00000001" << QStringList{"租金", "区域"}
                                   << QStringList{"Q1", "Q3"};
    QTest::newRow("percent is literal") << "atRentalSearch" << "00000004" << QStringList{"区域"}
                                        << QStringList{"Q3"};
    QTest::newRow("at most (money)") << "atQRentalSearch" << "Q1" << QStringList{"租金"}
                                     << QStringList{"00000001", "00000003", "A\"5"};
    QTest::newRow("at most (integer)") << "atQRentalSearch" << "Q1" << QStringList{"楼层"}
                                       << QStringList{"00000001", "00000002", "A\"5"};
    QTest::newRow("no state filter") << "atQRentalSearch" << "Q4" << QStringList{"区域"}
                                     << QStringList{"00000002"};
    QTest::newRow("own field without a column") << "atRentalSearch" << "00000001" << QStringList{"房屋设施"}
                                                << QStringList{"Q2"};
}

void TestSearchWindows::matchOperators()
{
    QFETCH(QString, search);
    QFETCH(QString, row);
    QFETCH(QStringList, criteria);
    QFETCH(QStringList, matched);
    fillRentals();
    fillRequests();
    m_dm->ExecSql(Sql(QStringLiteral("UPDATE TbRental SET FWSS=? WHERE SJH='00000001'"), {QStringLiteral("水_电")}));
    m_dm->ExecSql(Sql(QStringLiteral("UPDATE TbQRental SET FWSS=? WHERE SJH='Q2'"), {QStringLiteral("煤气,水_电,暖气")}));
    m_dm->ExecSql(Sql(QStringLiteral("UPDATE TbQRental SET FWSS=? WHERE SJH='Q1'"), {QStringLiteral("水和电")}));
    TRegisterSearchFm *w = open(search.toLatin1().constData());
    w->SetAreaIndex(0);
    w->btnStart->click();
    QVERIFY(w->QSearch->locate(idOf(w->SearchKind().table, row)));
    for (const QString &c : criteria)
        QVERIFY2(w->SetCriterionChecked(c, true), qPrintable(c));
    w->btnMatch->click();
    QCOMPARE(m_messages->messages.size(), 0);
    QCOMPARE(receiptNumbers(w->QMatch), matched);
    const int receipt = w->dgMatch->columnOfCaption(QStringLiteral("收件号"));
    QCOMPARE(w->dgMatch->footerText(receipt), QStringLiteral("%1 条").arg(matched.size()));
}

// A request to buy matched by its branch lists the houses for sale whose
// branch contains it, whatever their state.
void TestSearchWindows::matchBuyRequestByBranch()
{
    auto sale = [this](const char *sjh, const char *state, const QString &branch) {
        test::insertRow(*m_dm, QStringLiteral("TbSale"),
                        {{"SJH", sjh}, {"ZTW", state}, {"SSFD", branch}, {"LRRQ", "2022-06-01"}, {"SJ", 80}});
    };
    sale("S1", "00", QStringLiteral("总店"));
    sale("S2", "01", QStringLiteral("总店"));
    sale("S3", "00", QStringLiteral("总店二部"));
    sale("S4", "00", QStringLiteral("西区分店"));
    test::insertRow(*m_dm, QStringLiteral("TbQBuy"), {{"SJH", "B1"}, {"LRRQ", "2021-03-04"}, {"SSFD", QStringLiteral("总店")}});
    TRegisterSearchFm *w = open("atQBuySearch");
    w->SetAreaIndex(0);
    w->btnStart->click();
    QVERIFY(w->QSearch->locate(idOf(QStringLiteral("TbQBuy"), QStringLiteral("B1"))));
    QVERIFY(w->SetCriterionChecked(QStringLiteral("所属分店"), true));
    w->btnMatch->click();
    QCOMPARE(m_messages->messages.size(), 0);
    QCOMPARE(receiptNumbers(w->QMatch), (QStringList{"S1", "S2", "S3"}));
}

void TestSearchWindows::emptyNumberIsNamed()
{
    fillRentals();
    fillRequests();
    TRegisterSearchFm *w = open("atRentalSearch");
    w->btnStart->click();
    w->SetCriterionChecked(QStringLiteral("租金"), true);
    w->btnMatch->click();
    QCOMPARE(w->QMatch->recordCount(), 3);
    // 00000004 has no floor.
    QVERIFY(w->QSearch->locate(idOf(QStringLiteral("TbRental"), QStringLiteral("00000004"))));
    w->SetCriterionChecked(QStringLiteral("楼层"), true);
    w->btnMatch->click();
    QCOMPARE(m_messages->texts(), QStringList{QStringLiteral("当前记录的“楼层”为空，不能按此条件配对。")});
    QCOMPARE(w->QMatch->recordCount(), 3);
    // Nothing ticked: nothing happens.
    w->SetCriterionChecked(QStringLiteral("楼层"), false);
    w->SetCriterionChecked(QStringLiteral("租金"), false);
    w->btnMatch->click();
    QCOMPARE(m_messages->messages.size(), 1);
    QCOMPARE(w->QMatch->recordCount(), 3);
}

void TestSearchWindows::footerCountsEveryRow()
{
    Transaction tx(*m_dm->DbBase);
    for (int i = 0; i < 1200; ++i)
        m_dm->ExecSql(Sql("INSERT INTO TbQRental (SJH, LRRQ, QY) VALUES (?, '2024-01-01', ?)",
                          {QStringLiteral("%1").arg(i, 8, 10, QLatin1Char('0')), i % 2 ? "城东" : "城西"}));
    tx.commit();
    TRegisterSearchFm *w = open("atQRentalSearch");
    w->btnStart->click();
    QCoreApplication::processEvents();
    QCOMPARE(w->dgSearch->footerText(0), QStringLiteral("1200 条"));
    QVERIFY(w->QSearch->fetchedRowCount() < 1200);
    // A column filter narrows the grid, the footer counts the statement.
    w->dgSearch->setColumnFilter(w->dgSearch->columnOfField(QStringLiteral("QY")), QStringLiteral("城东"));
    QCOMPARE(w->QSearch->recordCount(), 600);
    QCOMPARE(w->dgSearch->footerText(0), QStringLiteral("1200 条"));
}

void TestSearchWindows::exportAllRows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filter");
    QTest::newRow("Excel") << "out.xlsx" << 0;
    QTest::newRow("text") << "out.txt" << 1;
    QTest::newRow("HTML") << "out.htm" << 2;
    QTest::newRow("XML") << "out.xml" << 3;
}

void TestSearchWindows::exportAllRows()
{
    QFETCH(QString, name);
    QFETCH(int, filter);
    Transaction tx(*m_dm->DbBase);
    for (int i = 0; i < 1500; ++i)
        m_dm->ExecSql(Sql("INSERT INTO TbRental (SJH, LRRQ, ZTW, FWDZ, DGDZ, SSFD) VALUES (?, '2024-01-01', '00', ?, ?, ?)",
                          {QStringLiteral("R%1").arg(i, 7, 10, QLatin1Char('0')), QStringLiteral("全地址%1号").arg(i),
                           QStringLiteral("粗地址%1").arg(i), QStringLiteral("总店")}));
    tx.commit();
    test::FileDialogRecorder dialogs;
    WorkingFile = m_dir->filePath(QStringLiteral("办公.mdb"));
    TRegisterSearchFm *w = open("atRentalSearch");
    w->btnStart->click();
    QVERIFY(w->QSearch->fetchedRowCount() < 1500);
    const QString target = m_dir->filePath(name);
    dialogs.setNextFileName(target, filter);
    command("btnExp")->trigger();
    QCOMPARE(dialogs.lastCaption(), QStringLiteral("当前显示数据导出到..."));
    QCOMPARE(dialogs.requests.last().fileName, m_dir->path() + QStringLiteral("/房屋出租查询"));
    QVERIFY(QFileInfo::exists(target));
    QString text;
    if (filter == 0) {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), target});
        QVERIFY(unzip.waitForFinished());
        text = QString::fromUtf8(unzip.readAllStandardOutput());
    } else {
        QFile file(target);
        QVERIFY(file.open(QIODevice::ReadOnly));
        text = QString::fromUtf8(file.readAll());
    }
    // Every row, the last too, with the administrator's full address.
    QVERIFY(text.contains(QStringLiteral("R0001499")));
    QVERIFY(text.contains(QStringLiteral("全地址1499号")));
    QVERIFY(!text.contains(QStringLiteral("粗地址1499")));
    QCOMPARE(text.count(QStringLiteral("全地址")), 1500);
    QCOMPARE(m_messages->messages.size(), 0);
}

// --------------------------------------------------------------------- rights

void TestSearchWindows::fullAddressByRights_data()
{
    QTest::addColumn<int>("user");
    QTest::addColumn<QString>("branch");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QStringList>("addresses");
    const QString full1 = QStringLiteral("人民路00000001号101室"), rough1 = QStringLiteral("人民路00000001");
    const QString full4 = QStringLiteral("人民路00000004号101室"), rough4 = QStringLiteral("人民路00000004");
    QTest::newRow("administrator") << 1 << "" << "" << QStringList{full1, full4};
    QTest::newRow("telephone right, own branch") << 2 << "总店" << "t" << QStringList{full1, rough4};
    QTest::newRow("telephone right, other branch") << 2 << "东城分店" << "t" << QStringList{rough1, full4};
    QTest::newRow("no telephone right") << 2 << "总店" << "amdpg" << QStringList{rough1, rough4};
    QTest::newRow("no branch") << 2 << "" << "t" << QStringList{rough1, rough4};
}

void TestSearchWindows::fullAddressByRights()
{
    QFETCH(int, user);
    QFETCH(QString, branch);
    QFETCH(QString, flags);
    QFETCH(QStringList, addresses);
    fillRentals();
    test::setUser(user, QStringLiteral("clerk"), branch, flags.toLatin1().constData());
    TRegisterSearchFm *w = open("atRentalSearch");
    w->edLRRQ->setText(QStringLiteral("2024-01-01"));
    w->btnStart->click();
    QCOMPARE(receiptNumbers(w->QSearch), (QStringList{"00000001", "00000004"}));
    const int address = w->dgSearch->columnOfCaption(QStringLiteral("房屋地址"));
    QStringList shown;
    for (int row = 0; row < 2; ++row)
        shown << w->dgSearch->gridModel()->cellText(row, address);
    QCOMPARE(shown, addresses);
}

void TestSearchWindows::contactsMasked_data()
{
    QTest::addColumn<int>("user");
    QTest::addColumn<QString>("branch");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QString>("shown");
    QTest::newRow("administrator") << 1 << "" << "" << "13900001111";
    QTest::newRow("telephone right, own branch") << 2 << "总店" << "t" << "13900001111";
    QTest::newRow("other branch") << 2 << "东城分店" << "t" << "***********";
    QTest::newRow("no telephone right") << 2 << "总店" << "amdpg" << "***********";
}

void TestSearchWindows::contactsMasked()
{
    QFETCH(int, user);
    QFETCH(QString, branch);
    QFETCH(QString, flags);
    QFETCH(QString, shown);
    test::insertRow(*m_dm, QStringLiteral("TbQRental"),
                    {{"SJH", "Q1"}, {"LRRQ", "2024-01-01"}, {"LRR", "admin"}, {"SSFD", QStringLiteral("总店")},
                     {"LXRDH1", "13900001111"}});
    test::setUser(user, QStringLiteral("clerk"), branch, flags.toLatin1().constData());
    TRegisterSearchFm *w = open("atQRentalSearch");
    w->btnStart->click();
    w->pDetail->trigger();
    QCOMPARE(w->dgSearch->gridModel()->cellText(0, w->dgSearch->columnOfField(QStringLiteral("LXRDH1"))), shown);
}

void TestSearchWindows::rowColours()
{
    fillRentals();
    TRegisterSearchFm *w = open("atRentalSearch");
    w->SetAreaIndex(0);
    w->btnStart->click();
    auto colour = [w](int row) {
        return w->dgSearch->model()->index(row, 0).data(Qt::BackgroundRole).value<QBrush>().color();
    };
    QCOMPARE(colour(1), QColor(0xC0, 0xC0, 0xC0)); // 00000002 let
    QCOMPARE(colour(2), QColor(0x80, 0x80, 0x80)); // 00000003 voided
    QVERIFY(colour(0) != QColor(0xC0, 0xC0, 0xC0) && colour(0) != QColor(0x80, 0x80, 0x80));
}

void TestSearchWindows::printItemsHandTheIds()
{
    fillRentals();
    fillRequests();
    // Printing is for the rows of the own branch.
    test::setUser(1, QStringLiteral("admin"), QStringLiteral("总店"), "amdptg");
    QStringList handed;
    TMainFm::RegisterCommand(QStringLiteral("atRentalRelease"), [&handed] { handed = TSearchChildFm::SheetIds(); });
    TRegisterSearchFm *w = open("atRentalSearch");
    w->SetAreaIndex(0);
    w->btnStart->click();
    w->QSearch->moveTo(2);
    w->dgSearch->clearSelection();
    w->pPrintRelease->trigger();
    QCOMPARE(handed, QStringList{QString::number(idOf(QStringLiteral("TbRental"), QStringLiteral("00000003")))});
    QVERIFY(TSearchChildFm::SheetIds().isEmpty());
    // Several rows selected: all of them in the order of selection, but not
    // the row of another branch (00000004), which the user may not print.
    QItemSelectionModel *selection = w->dgSearch->selectionModel();
    selection->clearSelection();
    for (int row : {4, 3, 0})
        selection->select(w->dgSearch->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w->CollectSelectedIds();
    QCOMPARE(w->SelectedIds.size(), 3);
    w->pPrintRelease->trigger();
    QCOMPARE(handed, (QStringList{QString::number(idOf(QStringLiteral("TbRental"), QStringLiteral("A\"5"))),
                                  QString::number(idOf(QStringLiteral("TbRental"), QStringLiteral("00000001")))}));
    // The request searches have no archive sheet.
    TRegisterSearchFm *requests = open("atQRentalSearch");
    QVERIFY(!requests->pPrintSave->isVisible());
    QVERIFY(requests->pPrintRelease->isVisible());
    QVERIFY(w->pPrintSave->isVisible());
}

void TestSearchWindows::printItemOpensTheSheetOnItsRows()
{
    fillRentals();
    test::setUser(1, QStringLiteral("admin"), QStringLiteral("总店"), "amdptg");
    RegisterSheetCommands();
    TRegisterSearchFm *w = open("atRentalSearch");
    w->SetAreaIndex(0);
    w->btnStart->click();
    QItemSelectionModel *selection = w->dgSearch->selectionModel();
    selection->clearSelection();
    for (int row : {4, 0}) // A"5 and 00000001
        selection->select(w->dgSearch->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w->pPrintRelease->trigger();
    QPointer<TQSheetFm> sheet = SheetWindow(Sheet::RentalRelease);
    QVERIFY(sheet);
    const QStringList expected{QString::number(idOf(QStringLiteral("TbRental"), QStringLiteral("A\"5"))),
                               QString::number(idOf(QStringLiteral("TbRental"), QStringLiteral("00000001")))};
    QVERIFY(sheet->ReportIds.has_value());
    QCOMPARE(*sheet->ReportIds, expected);
    // The same command from the menu afterwards prints the state's rows again.
    command("atRentalRelease")->trigger();
    QVERIFY(!sheet->ReportIds.has_value());
    sheet->close();
    QTRY_VERIFY(!sheet);
}

void TestSearchWindows::popupFollowsTheRights()
{
    fillRentals();
    // A clerk of 总店 who may modify only rows of the own branch, and not delete.
    test::setUser(2, QStringLiteral("小王"), QStringLiteral("总店"), "amp");
    TRegisterSearchFm *w = open("atRentalSearch");
    w->SetAreaIndex(0);
    w->btnStart->click();
    w->QSearch->first(); // 00000001, 总店, entered by admin
    m_form->RefreshToolbar();
    QVERIFY(w->pAdd->isEnabled());
    QVERIFY(!w->pDel->isEnabled());
    QCOMPARE(w->pEdit->isEnabled(), command("btnEdit")->isEnabled());
    QVERIFY(w->pFirst->isEnabled() == false && w->pLast->isEnabled());
    w->QSearch->locate(idOf(QStringLiteral("TbRental"), QStringLiteral("00000002")));
    QVERIFY(!w->pPrintRelease->isEnabled());
    QVERIFY(!command("btnEdit")->isEnabled());
}

void TestSearchWindows::openingAddsTheSearchIndexes()
{
    // A file made before the price indexes existed gains them when opened.
    m_dm->ExecSql(Sql("DROP INDEX IxTbRentalZTW_ZJ_ID_LRRQ"));
    m_dm->ExecSql(Sql("DROP INDEX IxTbSaleZTW_SJ_ID_LRRQ"));
    UpgradeDb();
    for (const char *name : {"IxTbRentalZTW_ZJ_ID_LRRQ", "IxTbSaleZTW_SJ_ID_LRRQ", "IxTbRentalZTW_SJH_ID_LRRQ"})
        QVERIFY2(m_dm->HasRows(Sql("SELECT name FROM sqlite_master WHERE type='index' AND name=?", {name})), name);
    // The re-sort by rent of the default search reads the index in its order.
    fillRentals();
    TRegisterSearchFm *w = open("atRentalSearch");
    w->btnStart->click();
    w->dgSearch->clickHeader(w->dgSearch->columnOfField(QStringLiteral("ZJ")));
    const Sql sql = w->QSearch->sql();
    auto st = m_dm->DbBase->prepare(Sql(QStringLiteral("EXPLAIN QUERY PLAN ") + sql.fullText() + QStringLiteral(", ID"),
                                        sql.values));
    QStringList plan;
    while (st->step())
        plan << st->value(3).toString();
    QVERIFY2(plan.join(QLatin1Char('|')).contains(QStringLiteral("IxTbRentalZTW_ZJ_ID_LRRQ")), qPrintable(plan.join('|')));
    QVERIFY2(!plan.join(QLatin1Char('|')).contains(QStringLiteral("TEMP B-TREE")), qPrintable(plan.join('|')));
}

void TestSearchWindows::sampleFileSearchAndMatch_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("criteria");
    QTest::newRow("rental") << "atRentalSearch" << QStringList{"区域", "租金"};
    QTest::newRow("sale") << "atSaleSearch" << QStringList{"区域"};
    QTest::newRow("rent request") << "atQRentalSearch" << QStringList{"区域"};
    QTest::newRow("buy request") << "atQBuySearch" << QStringList{"区域"};
}

void TestSearchWindows::sampleFileSearchAndMatch()
{
    QFETCH(QString, command);
    QFETCH(QStringList, criteria);
    const QString sample = copyOfSampleFile();
    if (sample.isEmpty())
        QSKIP("the built program folder with its sample file is not there");
    QVERIFY(m_dm->OpenWorkingFile(sample, true));
    TRegisterSearchFm *w = open(command.toLatin1().constData());
    w->btnStart->click();
    QVERIFY(w->QSearch->recordCount() > 0);
    w->SetMatchPanelOpen(true);
    for (const QString &c : criteria)
        QVERIFY(w->SetCriterionChecked(c, true));
    w->btnMatch->click();
    QVERIFY(w->QMatch->isActive());
    QCOMPARE(m_messages->messages.size(), 0);
    // The criteria and the buttons lie inside the window.
    QCoreApplication::processEvents();
    for (QWidget *part : {static_cast<QWidget *>(w->CheckListBox), static_cast<QWidget *>(w->btnMatch),
                          static_cast<QWidget *>(w->btnAdvance), static_cast<QWidget *>(w->dgMatch)})
        QVERIFY(w->rect().contains(QRect(part->mapTo(w, QPoint(0, 0)), part->size())));
    const QString out = qEnvironmentVariable("BRELVANTO_SCREENSHOT");
    if (!out.isEmpty())
        QVERIFY(m_form->grab().save(QString(out).replace(QLatin1String(".png"), QLatin1Char('-') + command + QStringLiteral(".png"))));
}

QTEST_MAIN(TestSearchWindows)
#include "TestSearchWindows.moc"
