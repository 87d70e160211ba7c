#include "components/widgets/SideBar.h"

#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace brel;

class TestSideBar : public QObject {
    Q_OBJECT
private slots:
    void init();
    void oneOpenGroupAtATime();
    void selectTagOpensItsGroup_data();
    void selectTagOpensItsGroup();
    void clickReportsTag();
    void disabledItemsAndGroupsReportNothing();

private:
    std::unique_ptr<SideBar> m_bar;
};

void TestSideBar::init()
{
    m_bar = std::make_unique<SideBar>();
    const QList<QPair<QString, QList<QPair<QString, int>>>> groups = {
        {QStringLiteral("房屋出租"), {{QStringLiteral("出租单管理"), 11}, {QStringLiteral("出租单查询"), 12}, {QStringLiteral("跟踪报警"), 13}}},
        {QStringLiteral("房屋出售"), {{QStringLiteral("出售单管理"), 21}, {QStringLiteral("出售单查询"), 22}}},
        {QStringLiteral("求租求购"), {{QStringLiteral("房屋求租管理"), 31}, {QStringLiteral("房屋求租查询"), 32},
                                   {QStringLiteral("房屋求购管理"), 33}, {QStringLiteral("房屋求购查询"), 34}}},
    };
    for (const auto &g : groups) {
        const int index = m_bar->addGroup(g.first);
        for (const auto &item : g.second)
            m_bar->addItem(index, item.first, item.second);
    }
    m_bar->resize(120, 500);
    m_bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_bar.get()));
}

void TestSideBar::oneOpenGroupAtATime()
{
    QCOMPARE(m_bar->openGroup(), 0);
    QSignalSpy spy(m_bar.get(), &SideBar::openGroupChanged);
    QTest::mouseClick(m_bar->groupButton(2), Qt::LeftButton);
    QCOMPARE(m_bar->openGroup(), 2);
    QCOMPARE(spy.count(), 1);
    QVERIFY(m_bar->itemList(2)->isVisible());
    QVERIFY(!m_bar->itemList(0)->isVisible());
    QVERIFY(!m_bar->itemList(1)->isVisible());
    QVERIFY(m_bar->groupButton(2)->isChecked());
    QVERIFY(!m_bar->groupButton(0)->isChecked());
}

void TestSideBar::selectTagOpensItsGroup_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<int>("group");
    QTest::addColumn<QString>("caption");
    QTest::newRow("12") << 12 << 0 << "出租单查询";
    QTest::newRow("22") << 22 << 1 << "出售单查询";
    QTest::newRow("34") << 34 << 2 << "房屋求购查询";
}

void TestSideBar::selectTagOpensItsGroup()
{
    QFETCH(int, tag);
    QFETCH(int, group);
    QFETCH(QString, caption);
    QSignalSpy clicks(m_bar.get(), &SideBar::itemClicked);
    m_bar->selectTag(11);
    QVERIFY(m_bar->selectTag(tag));
    QCOMPARE(m_bar->openGroup(), group);
    QCOMPARE(m_bar->selectedTag(), tag);
    QCOMPARE(m_bar->itemList(group)->currentItem()->text(), caption);
    QCOMPARE(clicks.count(), 0);
    QVERIFY(!m_bar->selectTag(99));
}

void TestSideBar::clickReportsTag()
{
    QSignalSpy clicks(m_bar.get(), &SideBar::itemClicked);
    QTest::mouseClick(m_bar->groupButton(1), Qt::LeftButton);
    QListWidget *list = m_bar->itemList(1);
    const QRect rect = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.first().at(0).toInt(), 22);
    QCOMPARE(m_bar->selectedTag(), 22);
}

void TestSideBar::disabledItemsAndGroupsReportNothing()
{
    QSignalSpy clicks(m_bar.get(), &SideBar::itemClicked);
    m_bar->setItemEnabled(12, false);
    QVERIFY(!m_bar->isItemEnabled(12));
    m_bar->clickTag(12);
    QListWidget *list = m_bar->itemList(0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    QCOMPARE(clicks.count(), 0);
    m_bar->clickTag(11);
    QCOMPARE(clicks.count(), 1);

    m_bar->setGroupEnabled(2, false);
    QVERIFY(!m_bar->isItemEnabled(31));
    m_bar->clickTag(31);
    QCOMPARE(clicks.count(), 1);

    m_bar->setAllEnabled(false);
    m_bar->clickTag(11);
    QCOMPARE(clicks.count(), 1);
    m_bar->setAllEnabled(true);
    QVERIFY(m_bar->isItemEnabled(12));
    QVERIFY(m_bar->isItemEnabled(31));
    m_bar->clickTag(31);
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(clicks.last().at(0).toInt(), 31);
}

QTEST_MAIN(TestSideBar)
#include "TestSideBar.moc"
