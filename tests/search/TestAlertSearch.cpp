#include "components/widgets/DataBoxes.h"
#include "components/widgets/DataGrid.h"
#include "components/widgets/SideBar.h"
#include "datastore/Alerts.h"
#include "listings/RentalManageForm.h"
#include "search/AdvanceSearchForm.h"
#include "search/AlertSearchForm.h"
#include "search/RegisterSearchForm.h"
#include "support/MainWindowFixture.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

using namespace brel;

namespace {

QString day(int offset, const char *time = nullptr)
{
    const QString text = QDate::currentDate().addDays(offset).toString(QStringLiteral("yyyy-MM-dd"));
    return time ? text + QLatin1Char(' ') + QLatin1String(time) : text;
}

} // namespace

class TestAlertSearch : public QObject, public test::MainWindowFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startUpListsTheWeeksAlerts();
    void startUpWithoutAlertsOpensTheRentals();
    void periodDatesAreChecked_data();
    void periodDatesAreChecked();
    void commandOpensWithDefaultsAndLeavingClosesIt();
    void doubleClickOpensTheHouse();
    void builderFromTheAlertsSearchesEveryHouse();
    void builderInTheRentalSearchIsAStepOfItsHistory();
    void sampleFileOpensOnItsAlerts();

private:
    /// A let house with its follow-up alert; returns its Id.
    qint64 addHouse(const QString &receipt, const QString &alertDate, bool flag = true,
                    const QString &state = QStringLiteral("01"), const QString &area = QStringLiteral("城东"));
    TAlertSearchFm *alerts() const { return qobject_cast<TAlertSearchFm *>(m_form->CurrentChild()); }
    static QStringList receipts(const DataSet *ds);
    /// Fills a builder row: comparison (empty = none) and value.
    static void fill(TAdvanceSearchFm *builder, const char *caption, const char *comparison, const QString &value);
    void shoot(QWidget *window, const char *tag);
};

void TestAlertSearch::init()
{
    startMainWindow();
    TMainFm::RegisterChild(QStringLiteral("atAlertSearch"), [](QWidget *p) { return new TAlertSearchFm(p); });
    TMainFm::RegisterChild(QStringLiteral("atRentalManage"), [](QWidget *p) { return new TRentalManageFm(p); });
    TMainFm::RegisterChild(QStringLiteral("atRentalSearch"), [](QWidget *p) {
        auto *w = new TRentalSearchFm(p);
        TAdvanceSearchFm::Attach(w);
        return w;
    });
}

void TestAlertSearch::cleanup()
{
    stopMainWindow();
}

qint64 TestAlertSearch::addHouse(const QString &receipt, const QString &alertDate, bool flag, const QString &state,
                                 const QString &area)
{
    return test::insertRow(*m_dm, QStringLiteral("TbRental"),
                           {{QStringLiteral("SJH"), receipt},
                            {QStringLiteral("ZTW"), state},
                            {QStringLiteral("GZBJBZ"), flag ? 1 : 0},
                            {QStringLiteral("GZBJRQ"), alertDate},
                            {QStringLiteral("QY"), area},
                            {QStringLiteral("ZJ"), 1500},
                            {QStringLiteral("JZMJ"), 90},
                            {QStringLiteral("LRR"), QStringLiteral("admin")},
                            {QStringLiteral("LRRQ"), QStringLiteral("2024-05-01")},
                            {QStringLiteral("FWDZ"), QStringLiteral("人民路") + receipt + QStringLiteral("号")},
                            {QStringLiteral("DGDZ"), QStringLiteral("人民路")},
                            {QStringLiteral("CZRXM"), QStringLiteral("李女士")}});
}

QStringList TestAlertSearch::receipts(const DataSet *ds)
{
    QStringList out;
    const int sjh = ds->fieldIndex(QStringLiteral("SJH"));
    for (int r = 0; r < ds->recordCount(); ++r)
        out << ds->valueAt(r, sjh).toString();
    return out;
}

void TestAlertSearch::fill(TAdvanceSearchFm *builder, const char *caption, const char *comparison,
                           const QString &value)
{
    for (int i = 0; i < builder->ConditionRowCount; ++i) {
        if (builder->dxTreeList->item(i, 0)->text() != QString::fromUtf8(caption))
            continue;
        builder->comparisonBox(i)->setCurrentText(QString::fromUtf8(comparison));
        builder->valueBox(i)->setEditText(value);
        return;
    }
    QFAIL(caption);
}

void TestAlertSearch::shoot(QWidget *window, const char *tag)
{
    // BRELVANTO_SCREENSHOT keeps a picture ("-" + tag before its ".png").
    const QString out = qEnvironmentVariable("BRELVANTO_SCREENSHOT");
    QCoreApplication::processEvents(); // the layouts settle before the picture
    if (!out.isEmpty())
        QVERIFY(window->grab().save(QString(out).replace(QLatin1String(".png"), QStringLiteral("-%1.png").arg(QLatin1String(tag)))));
}

void TestAlertSearch::startUpListsTheWeeksAlerts()
{
    addHouse(QStringLiteral("B-7天傍晚"), day(7, "18:30:00"));
    addHouse(QStringLiteral("A-今天"), day(0));
    addHouse(QStringLiteral("C-三天"), day(3, "00:00:00"));
    addHouse(QStringLiteral("昨天"), day(-1, "23:59:59"));
    addHouse(QStringLiteral("八天"), day(8));
    addHouse(QStringLiteral("标志已取消"), day(1), false);
    addHouse(QStringLiteral("未出租"), day(1), true, QStringLiteral("00"));
    addHouse(QStringLiteral("已作废"), day(1), true, QStringLiteral("02"));

    // The start-up path itself: open the working file, log in, first window.
    m_form->OpenInitialWorkingFile();
    TAlertSearchFm *w = alerts();
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("房屋出租报警查询"));
    QCOMPARE(m_form->sbLeft->selectedTag(), 13);
    // Earliest first; the alert late on the seventh day is in.
    QCOMPARE(receipts(w->QSearch), (QStringList{"A-今天", "C-三天", "B-7天傍晚"}));
    QCOMPARE(w->QSearch->sql().orderBy.left(10), QStringLiteral("GZBJRQ ASC"));
    QCOMPARE(w->History().Entries().size(), 1);
    QCOMPARE(w->dgSearch->footerText(w->dgSearch->columnOfCaption(QStringLiteral("收件号"))), QStringLiteral("3 条"));
    QCOMPARE(w->dgSearch->columns().at(0).caption, QStringLiteral("跟踪报警日期"));
    QCOMPARE(w->edForm->text(), day(0));
    QCOMPARE(w->edTo->text(), day(7));
    QVERIFY(!w->rbLRRQ->isVisible() && !w->edSJH->isVisible() && !w->pnMatch->isVisible());
    QCOMPARE(w->rgAreaButtons->buttons().size(), 1);
    QCOMPARE(w->rgAreaButtons->checkedButton()->text(), QStringLiteral("已出租"));
    QCOMPARE(w->dgSearch->contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(w->RightsGroupIndex, 0);
    shoot(m_form, "alerts");

    // One day further takes in the eighth day; typed from the keyboard, Enter runs it.
    w->edTo->setFocus();
    w->edTo->selectAll();
    QTest::keyClicks(w->edTo, day(8));
    QTest::keyClick(w->edTo, Qt::Key_Return);
    QCOMPARE(receipts(w->QSearch), (QStringList{"A-今天", "C-三天", "B-7天傍晚", "八天"}));
    QCOMPARE(w->History().Entries().size(), 2);
    // From after to: nothing.
    w->edForm->setDate(QDate::currentDate().addDays(9));
    w->btnStart->click();
    QCOMPARE(receipts(w->QSearch), QStringList());
    QCOMPARE(w->dgSearch->footerText(1), QStringLiteral("0 条"));
    QVERIFY(m_messages->messages.isEmpty());
}

void TestAlertSearch::startUpWithoutAlertsOpensTheRentals()
{
    addHouse(QStringLiteral("昨天"), day(-1, "18:00:00"));
    addHouse(QStringLiteral("八天"), day(8, "00:00:00"));
    m_form->OpenInitialWorkingFile();
    QVERIFY(m_form->CurrentChild());
    QCOMPARE(m_form->CurrentChild()->property("command").toString(), QStringLiteral("atRentalManage"));
}

void TestAlertSearch::periodDatesAreChecked_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message");
    QTest::newRow("bad start") << "2024-02-30" << day(7) << IncorrectDateMessage(QStringLiteral("开始日期"));
    QTest::newRow("empty end") << day(0) << "" << IncorrectDateMessage(QStringLiteral("结束日期"));
}

void TestAlertSearch::periodDatesAreChecked()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, message);
    addHouse(QStringLiteral("今天"), day(0));
    m_form->OpenAlertSearch(true);
    TAlertSearchFm *w = alerts();
    QCOMPARE(receipts(w->QSearch), QStringList{"今天"});
    w->edForm->setText(from);
    w->edTo->setText(to);
    w->btnStart->click();
    QCOMPARE(m_messages->texts(), QStringList{message});
    QCOMPARE(receipts(w->QSearch), QStringList{"今天"}); // the grid keeps its rows
    QCOMPARE(w->History().Entries().size(), 1);
}

void TestAlertSearch::commandOpensWithDefaultsAndLeavingClosesIt()
{
    addHouse(QStringLiteral("今天"), day(0));
    command("atAlertSearch")->trigger();
    QPointer<TAlertSearchFm> w = alerts();
    QVERIFY(w);
    QVERIFY(!w->QSearch->isActive()); // the command runs nothing
    QVERIFY(w->edForm->hasFocus());
    w->btnStart->click();
    QCOMPARE(receipts(w->QSearch), QStringList{"今天"});
    // Unlike the register searches it is closed when the user moves on.
    command("atRentalManage")->trigger();
    QTRY_VERIFY(w.isNull());
    command("atAlertSearch")->trigger();
    QVERIFY(alerts());
    QVERIFY(!alerts()->QSearch->isActive());
}

void TestAlertSearch::doubleClickOpensTheHouse()
{
    addHouse(QStringLiteral("今天"), day(0));
    const qint64 id = addHouse(QStringLiteral("明天"), day(1));
    m_form->OpenAlertSearch(true);
    DataGrid *grid = alerts()->dgSearch;
    const QPoint at = grid->visualRect(grid->model()->index(1, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(m_form->CurrentChild()->property("command").toString(), QStringLiteral("atRentalManage"));
    QCOMPARE(m_form->CurrentChild()->NavigatorDataSet()->currentId(), id);
}

void TestAlertSearch::builderFromTheAlertsSearchesEveryHouse()
{
    addHouse(QStringLiteral("今天"), day(0));
    addHouse(QStringLiteral("城东未出租"), QString(), false, QStringLiteral("00"));
    addHouse(QStringLiteral("城西"), day(1), true, QStringLiteral("01"), QStringLiteral("城西"));
    m_form->OpenAlertSearch(true);
    TAlertSearchFm *w = alerts();
    w->btnAdvance->click();
    TAdvanceSearchFm *builder = TAdvanceSearchFm::instance();
    QVERIFY(builder);
    QCOMPARE(builder->ConditionRowCount, 18); // every column but the state text
    fill(builder, "区域", "等于", QStringLiteral("城东"));
    builder->btnSearch->click();
    // State index 0: every house of the district, let or not, alert or not.
    QCOMPARE(receipts(w->QSearch), (QStringList{"城东未出租", "今天"}));
    QCOMPARE(w->History().Entries().size(), 2);
    QCOMPARE(w->dgSearch->footerText(1), QStringLiteral("2 条"));
    // 后退 and 前进 walk between the alerts and the builder's result.
    m_form->StepHistory(true);
    QCOMPARE(receipts(w->QSearch), (QStringList{"今天", "城西"}));
    m_form->StepHistory(false);
    QCOMPARE(receipts(w->QSearch), (QStringList{"城东未出租", "今天"}));
}

void TestAlertSearch::builderInTheRentalSearchIsAStepOfItsHistory()
{
    addHouse(QStringLiteral("R1"), QString(), false, QStringLiteral("00"));
    addHouse(QStringLiteral("R2"), QString(), false, QStringLiteral("01"));
    addHouse(QStringLiteral("R3"), QString(), false, QStringLiteral("00"), QStringLiteral("城西"));
    addHouse(QStringLiteral("R4"), QString(), false, QStringLiteral("00"));
    m_dm->ExecSql(Sql("UPDATE TbRental SET JZMJ=85, ZJ=3000 WHERE SJH='R1'"));
    m_dm->ExecSql(Sql("UPDATE TbRental SET JZMJ=130 WHERE SJH='R4'"));
    command("atRentalSearch")->trigger();
    auto *w = qobject_cast<TRentalSearchFm *>(m_form->CurrentChild());
    QVERIFY(w);
    QCOMPARE(w->AreaIndex(), 1); // 未出租
    w->btnAdvance->click();
    TAdvanceSearchFm *builder = TAdvanceSearchFm::instance();
    QVERIFY(builder);
    // The simple view: the main columns only.
    QCOMPARE(builder->ConditionRowCount, 12);
    fill(builder, "建筑面积", "", QStringLiteral("80 120"));
    fill(builder, "区域", "包含有", QStringLiteral("城东"));
    fill(builder, "租金", "大于等于", QStringLiteral("1500"));
    shoot(builder, "builder");
    builder->btnSearch->click();
    QCOMPARE(receipts(w->QSearch), (QStringList{"R1"}));
    QCOMPARE(w->History().Entries().size(), 1);
    QCOMPARE(w->dgSearch->footerText(0), QStringLiteral("1 条"));
    QCOMPARE(m_dm->dsNavigator->dataSet(), w->QSearch);

    // A header click re-sorts the builder's statement in place.
    fill(builder, "建筑面积", "", QString());
    builder->btnSearch->click();
    QCOMPARE(w->History().Entries().size(), 2);
    QCOMPARE(receipts(w->QSearch), (QStringList{"R1", "R4"}));
    w->dgSearch->clickHeader(w->dgSearch->columnOfCaption(QStringLiteral("收件号")));
    w->dgSearch->clickHeader(w->dgSearch->columnOfCaption(QStringLiteral("收件号")));
    QCOMPARE(receipts(w->QSearch), (QStringList{"R4", "R1"}));
    QCOMPARE(w->History().Entries().size(), 2);
    m_form->StepHistory(true);
    QCOMPARE(receipts(w->QSearch), (QStringList{"R1"}));

    // A fault stops the search and names its row; the grid keeps its rows.
    fill(builder, "租金", "", QStringLiteral("1500"));
    builder->btnSearch->click();
    QCOMPARE(m_messages->lastText(), QStringLiteral("“租金”还没有选择查找条件，请在“查找条件”中选择。"));
    QCOMPARE(receipts(w->QSearch), (QStringList{"R1"}));
    QCOMPARE(w->History().Entries().size(), 2);

    // Showing another window closes the builder.
    QPointer<TAdvanceSearchFm> open(builder);
    command("atRentalManage")->trigger();
    QTRY_VERIFY(open.isNull());
}

void TestAlertSearch::sampleFileOpensOnItsAlerts()
{
    const QString sample = copyOfSampleFile();
    if (sample.isEmpty())
        QSKIP("the build has made no sample file");
    // The sample's alerts fall in the coming week: the start-up lists them.
    m_settings->WriteDefaultDb(sample);
    m_form->OpenInitialWorkingFile();
    TAlertSearchFm *w = alerts();
    QVERIFY(w);
    QVERIFY(w->QSearch->recordCount() > 0);
    const Sql due = AlertCondition(QDate::currentDate(), QDate::currentDate().addDays(AlertDaysAhead));
    QCOMPARE(QString::number(w->QSearch->recordCount()),
             m_dm->GetValue(Sql(QStringLiteral("SELECT COUNT(*) AS N FROM TbRental WHERE ") + due.text, due.values),
                            QStringLiteral("N")));
    shoot(m_form, "sample-alerts");
    w->btnAdvance->click();
    fill(TAdvanceSearchFm::instance(), "区域", "包含有", QStringLiteral("城"));
    fill(TAdvanceSearchFm::instance(), "建筑面积", "", QStringLiteral("60 120"));
    shoot(TAdvanceSearchFm::instance(), "sample-builder");
    TAdvanceSearchFm::instance()->btnSearch->click();
    QVERIFY(m_messages->messages.isEmpty());
    shoot(m_form, "sample-builder-result");
}

QTEST_MAIN(TestAlertSearch)
#include "TestAlertSearch.moc"
