#include "components/widgets/DataGrid.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "search/AdvanceSearchForm.h"
#include "support/MessageRecorder.h"
#include "support/RegisterWindows.h"
#include "support/TestFiles.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace brel;

namespace {

const Sql RentalBase(QStringLiteral(
    "SELECT A.*,CASE A.ZTW WHEN '00' THEN '未出租' WHEN '01' THEN '已出租' WHEN '02' THEN '已作废' ELSE '' END "
    "AS ZTW_TXT FROM TbRental AS A"));

// Part of the rental search grid: tag 1 marks the simple view.
GridColumns rentalColumns()
{
    auto col = [](const char *caption, const char *field, int tag) {
        GridColumn c;
        c.caption = QString::fromUtf8(caption);
        c.field = QString::fromLatin1(field);
        c.tag = tag;
        return c;
    };
    return {col("收件号", "SJH", 1),   col("房屋地址", "DGDZ", 1), col("建筑面积", "JZMJ", 1),
            col("区域", "QY", 1),      col("租金", "ZJ", 1),       col("录入日期", "LRRQ", 1),
            col("承租人姓名", "CZRXM", 0), col("状态位", "ZTW_TXT", 0), col("所属分店", "SSFD", 1)};
}

} // namespace

class TestAdvanceSearch : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void rowsFollowTheGridsView();
    void keyboardSearchWithThreeConditions();
    void faultIsShownAndNothingRuns_data();
    void faultIsShownAndNothingRuns();
    void valueChoicesComeWithTheRowsFocus();
    void restartEmptiesAndEscFrees();

private:
    TAdvanceSearchFm *open(int stateIndex = 0);
    int rowOf(TAdvanceSearchFm *b, const char *caption) const;
    QStringList receiptsShown() const;
    void choose(QComboBox *box, const char *text);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<DataSet> m_query;
    std::unique_ptr<DataSource> m_source;
    std::unique_ptr<DataGrid> m_grid;
    std::unique_ptr<test::MessageRecorder> m_messages;
};

void TestAdvanceSearch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    AppDir = m_dir->path();
    const QString path = m_dir->filePath(QStringLiteral("查找.mdb"));
    test::makeBlankFile(path);
    m_dm = std::make_unique<TDM>();
    m_dm->DbBase->open(path, TDM::Password);
    for (const char *area : {"城东", "城西", "城北"})
        m_dm->ExecSql(Sql("INSERT INTO TbArea (QY) VALUES (?)", {QString::fromUtf8(area)}));
    const QList<QVariantList> houses{
        {"R1", "城东", 80, 1200, "2024-03-01", "00"},  {"R2", "城东新区", 100, 3000, "2024-03-15 18:30:00", "00"},
        {"R3", "城东", 120, 2500, "2024-04-01", "00"}, {"R4", "城东", 90, 2000, "2024-03-10", "01"},
        {"R5", "城西", 95, 1500, "2024-03-05", "00"},
    };
    for (const QVariantList &h : houses)
        m_dm->ExecSql(Sql("INSERT INTO TbRental (SJH,QY,JZMJ,ZJ,LRRQ,ZTW) VALUES (?,?,?,?,?,?)", h));
    m_query = std::make_unique<DataSet>(m_dm->DbBase);
    m_source = std::make_unique<DataSource>();
    m_source->setDataSet(m_query.get());
    m_grid = std::make_unique<DataGrid>();
    m_grid->setColumns(rentalColumns());
    m_grid->setDataSource(m_source.get());
    m_grid->showColumnsOfTag(1);
    m_messages = std::make_unique<test::MessageRecorder>();
}

void TestAdvanceSearch::cleanup()
{
    delete TAdvanceSearchFm::instance();
    m_messages.reset();
    m_grid.reset();
    m_source.reset();
    m_query.reset();
    m_dm.reset();
    m_dir.reset();
}

TAdvanceSearchFm *TestAdvanceSearch::open(int stateIndex)
{
    TAdvanceSearchFm *b = TAdvanceSearchFm::OpenAdvanceSearch(m_grid.get(), RentalBase, stateIndex);
    b->activateWindow();
    [&] { QVERIFY(QTest::qWaitForWindowExposed(b)); }();
    return b;
}

int TestAdvanceSearch::rowOf(TAdvanceSearchFm *b, const char *caption) const
{
    for (int i = 0; i < b->ConditionRowCount; ++i) {
        if (b->dxTreeList->item(i, 0)->text() == QString::fromUtf8(caption))
            return i;
    }
    return -1;
}

QStringList TestAdvanceSearch::receiptsShown() const
{
    QStringList out;
    for (int r = 0; r < m_grid->model()->rowCount(); ++r)
        out << m_grid->model()->index(r, m_grid->columnOfField(QStringLiteral("SJH"))).data().toString();
    out.sort();
    return out;
}

// Picks a comparison from the keyboard, as a user would: arrow keys on the box.
void TestAdvanceSearch::choose(QComboBox *box, const char *text)
{
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Home);
    while (box->currentText() != QString::fromUtf8(text) && box->currentIndex() < box->count() - 1)
        QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->currentText(), QString::fromUtf8(text));
}

void TestAdvanceSearch::rowsFollowTheGridsView()
{
    // No search has run: the types come from the base statement itself.
    QVERIFY(!m_query->isActive());
    TAdvanceSearchFm *b = open();
    QCOMPARE(b->windowTitle(), QStringLiteral("房屋高级查找--(ESC键关闭此窗口)"));
    QVERIFY(b->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!b->isModal());
    QStringList captions;
    for (int i = 0; i < b->ConditionRowCount; ++i)
        captions << b->dxTreeList->item(i, 0)->text();
    QCOMPARE(captions, (QStringList{"收件号", "房屋地址", "建筑面积", "区域", "租金", "录入日期", "所属分店"}));
    auto offered = [b](int row) {
        QStringList out;
        for (int i = 0; i < b->comparisonBox(row)->count(); ++i)
            out << b->comparisonBox(row)->itemText(i);
        return out;
    };
    QCOMPARE(offered(rowOf(b, "区域")), (QStringList{"", "等于", "不等于", "包含有"}));
    QCOMPARE(offered(rowOf(b, "建筑面积")), (QStringList{"", "等于", "不等于", "大于等于", "大于", "小于", "小于等于"}));
    QCOMPARE(offered(rowOf(b, "录入日期")), offered(rowOf(b, "建筑面积")));
    QCOMPARE(b->comparisonBox(2)->accessibleName(), QStringLiteral("建筑面积的查找条件"));
    QCOMPARE(b->valueBox(2)->accessibleName(), QStringLiteral("建筑面积的查找内容"));

    // The detailed view offers every column but the state text; the one builder is reused.
    m_grid->showAllColumns();
    QCOMPARE(TAdvanceSearchFm::OpenAdvanceSearch(m_grid.get(), RentalBase, 0), b);
    QCOMPARE(b->ConditionRowCount, 8);
    QCOMPARE(rowOf(b, "承租人姓名"), 6);
    QCOMPARE(rowOf(b, "状态位"), -1);
}

void TestAdvanceSearch::keyboardSearchWithThreeConditions()
{
    TAdvanceSearchFm *b = open(1); // 未出租
    QSignalSpy searched(b, &TAdvanceSearchFm::searched);
    // The tab order runs through the rows, comparison then value, then to the buttons.
    QVERIFY(b->comparisonBox(0)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(b->valueBox(0)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // Enter moves on like Tab
    QVERIFY(b->comparisonBox(1)->hasFocus());

    const int area = rowOf(b, "建筑面积"), district = rowOf(b, "区域"), date = rowOf(b, "录入日期");
    b->valueBox(area)->setFocus();
    test::typeText(b->valueBox(area)->lineEdit(), QStringLiteral("80 100"));
    choose(b->comparisonBox(district), "包含有");
    b->valueBox(district)->setFocus();
    test::typeText(b->valueBox(district)->lineEdit(), QStringLiteral("城东"));
    choose(b->comparisonBox(date), "小于等于");
    b->valueBox(date)->setFocus();
    test::typeText(b->valueBox(date)->lineEdit(), QStringLiteral("2024-03-15"));
    // BRELVANTO_SCREENSHOT keeps a picture of the filled builder.
    if (const QString out = qEnvironmentVariable("BRELVANTO_SCREENSHOT"); !out.isEmpty())
        QVERIFY(b->grab().save(out));
    b->btnSearch->setFocus();
    QTest::keyClick(b->btnSearch, Qt::Key_Space);

    QVERIFY2(m_messages->messages.isEmpty(), qPrintable(m_messages->lastText()));
    QCOMPARE(searched.count(), 1);
    // R2 was entered late on the last day; R4 is let; R3 is too large.
    QCOMPARE(receiptsShown(), (QStringList{"R1", "R2"}));
    QCOMPARE(m_dm->dsNavigator->dataSet(), m_query.get());
    const Sql run = searched.at(0).at(0).value<Sql>();
    QVERIFY(run.text.endsWith(QStringLiteral(" AND ZTW=?")));
    QVERIFY(run.orderBy.isEmpty());
    QVERIFY(b->isVisible()); // not modal, stays for the next search
}

void TestAdvanceSearch::faultIsShownAndNothingRuns_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("comparison");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("focusOnComparison");
    QTest::addColumn<QString>("message");
    QTest::newRow("no comparison") << "租金" << "" << "3000" << true
                                   << "“租金”还没有选择查找条件，请在“查找条件”中选择。";
    QTest::newRow("bad date") << "录入日期" << "等于" << "2024-02-30" << false
                              << "“录入日期”日期输入不正确：“2024-02-30”，请按 yyyy-MM-dd 输入。";
    QTest::newRow("not a number") << "建筑面积" << "大于" << "八十" << false
                                  << "“建筑面积”输入不正确：“八十”不是金额。";
}

void TestAdvanceSearch::faultIsShownAndNothingRuns()
{
    QFETCH(QString, caption);
    QFETCH(QString, comparison);
    QFETCH(QString, value);
    QFETCH(bool, focusOnComparison);
    QFETCH(QString, message);
    m_dm->OpenQuery(m_query.get(), RentalBase);
    TAdvanceSearchFm *b = open();
    QSignalSpy searched(b, &TAdvanceSearchFm::searched);
    const int row = rowOf(b, caption.toUtf8().constData());
    if (!comparison.isEmpty())
        choose(b->comparisonBox(row), comparison.toUtf8().constData());
    b->valueBox(row)->setEditText(value);
    b->btnSearch->click();
    QCOMPARE(m_messages->texts(), QStringList{message});
    QCOMPARE(m_messages->messages.at(0).icon, Messages::Icon::Error);
    QCOMPARE(searched.count(), 0);
    QCOMPARE(m_query->sql(), RentalBase); // the grid keeps what it showed
    QWidget *box = focusOnComparison ? static_cast<QWidget *>(b->comparisonBox(row)) : b->valueBox(row);
    QTRY_VERIFY(box->hasFocus() || box->isAncestorOf(QApplication::focusWidget()));
}

void TestAdvanceSearch::valueChoicesComeWithTheRowsFocus()
{
    TAdvanceSearchFm *b = open();
    const int district = rowOf(b, "区域");
    b->valueBox(district)->setEditText(QStringLiteral("城"));
    QCOMPARE(b->valueBox(district)->count(), 0);
    b->comparisonBox(district)->setFocus();
    QTRY_COMPARE(b->valueBox(district)->count(), 3);
    QCOMPARE(b->valueBox(district)->itemText(1), QStringLiteral("城西"));
    QCOMPARE(b->valueBox(district)->currentText(), QStringLiteral("城")); // the typed text stays
    const int rent = rowOf(b, "租金");
    b->comparisonBox(rent)->setFocus();
    QCOMPARE(b->valueBox(rent)->count(), 0);
}

void TestAdvanceSearch::restartEmptiesAndEscFrees()
{
    TAdvanceSearchFm *b = open();
    choose(b->comparisonBox(2), "大于");
    b->valueBox(2)->setEditText(QStringLiteral("90"));
    b->BitBtn1->click();
    QCOMPARE(b->comparisonBox(2)->currentText(), QString());
    QCOMPARE(b->valueBox(2)->currentText(), QString());
    QPointer<TAdvanceSearchFm> watched(b);
    QTest::keyClick(b->comparisonBox(0), Qt::Key_Escape);
    QTRY_VERIFY(watched.isNull());
    QVERIFY(!TAdvanceSearchFm::instance());
}

QTEST_MAIN(TestAdvanceSearch)
#include "TestAdvanceSearch.moc"
