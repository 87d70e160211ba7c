#include "components/widgets/DataBoxes.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "listings/PopupDlg.h"
#include "support/MessageRecorder.h"
#include "support/TestFiles.h"

#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace brel;

namespace {
// The surroundings list of the fixture, in table order. "超市" occurs inside
// "大型超市"; an empty entry sits between them and is not offered.
const QStringList Surroundings = {QStringLiteral("学校"), QStringLiteral("医院"), QStringLiteral("公园"),
                                  QStringLiteral("超市"), QStringLiteral("大型超市")};
} // namespace

class TestPopupDlg : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void ticksFollowTextAndRewriteIt_data();
    void ticksFollowTextAndRewriteIt();
    void valueNeverEndsWithComma();
    void closingStoresTheTextInTheField();
    void readOnlyBoxNeverChangesItsField();
    void emptyTableKeepsTheText();
    void overlongChoiceIsRefused();
    void oneInstanceFreedAndMadeAgain();
    void onlyBaseDataTablesAttach();

private:
    QListWidgetItem *entry(const QString &text) const;
    QString stored(const QString &column) const
    {
        return m_dm->GetValue(Sql(QStringLiteral("SELECT %1 FROM TbRental WHERE ID=1").arg(column)), column);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<DataSet> m_ds;
    std::unique_ptr<DataSource> m_source;
    std::unique_ptr<DbPopupEdit> m_box;
};

void TestPopupDlg::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    AppDir = m_dir->path();
    const QString path = m_dir->filePath(QStringLiteral("work.mdb"));
    test::makeBlankFile(path);
    m_dm = std::make_unique<TDM>();
    m_dm->DbBase->open(path, TDM::Password);
    QStringList rows = Surroundings;
    rows.insert(4, QString());
    for (const QString &text : rows)
        m_dm->ExecSql(Sql("INSERT INTO TbAmbience (ZWHJ) VALUES (?)", {text}));
    m_dm->ExecSql(Sql("INSERT INTO TbRental (SJH, ZWHJ, FWSS) VALUES (?,?,?)",
                      {QStringLiteral("00000001"), QString(), QStringLiteral("自己写的设施")}));
    m_ds = std::make_unique<DataSet>(m_dm->DbBase);
    m_ds->setSql(Sql("SELECT * FROM TbRental", {}, "ID"));
    m_source = std::make_unique<DataSource>();
    m_source->setDataSet(m_ds.get());
    m_ds->open();
    m_box = std::make_unique<DbPopupEdit>();
    m_box->setDataSource(m_source.get());
    m_box->setDataField(QStringLiteral("ZWHJ"));
    QVERIFY(AttachMultiChoice(m_box.get(), ChoiceKind::Surroundings));
    m_box->show();
}

void TestPopupDlg::cleanup()
{
    m_box.reset();
    FreePopupDlg();
    m_source.reset();
    m_ds.reset();
    m_dm.reset();
    ClearGlobals();
    m_dir.reset();
}

QListWidgetItem *TestPopupDlg::entry(const QString &text) const
{
    const auto found = GetPopupDlg()->checkList()->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

void TestPopupDlg::ticksFollowTextAndRewriteIt_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QStringList>("ticked");  // after opening
    QTest::addColumn<QStringList>("toggles"); // entries clicked, in order
    QTest::addColumn<QString>("text");        // the box afterwards

    QTest::newRow("A,C opens with A and C") << "学校,公园" << QStringList{"学校", "公园"} << QStringList{} << "学校,公园";
    QTest::newRow("hand order stays until a tick")
        << "公园,学校" << QStringList{"学校", "公园"} << QStringList{} << "公园,学校";
    QTest::newRow("a tick rewrites in list order")
        << "公园,学校" << QStringList{"学校", "公园"} << QStringList{"医院"} << "学校,医院,公园";
    QTest::newRow("untick one") << "学校,公园" << QStringList{"学校", "公园"} << QStringList{"学校"} << "公园";
    QTest::newRow("untick the last ticked") << "学校" << QStringList{"学校"} << QStringList{"学校"} << "";
    QTest::newRow("longer entry ticks the shorter one")
        << "大型超市" << QStringList{"超市", "大型超市"} << QStringList{"学校"} << "学校,超市,大型超市";
    QTest::newRow("shorter entry can be unticked")
        << "大型超市" << QStringList{"超市", "大型超市"} << QStringList{"超市"} << "大型超市";
    QTest::newRow("hand-typed text is replaced")
        << "靠近地铁" << QStringList{} << QStringList{"医院"} << "医院";
    QTest::newRow("hand-typed text stays without a tick") << "靠近地铁" << QStringList{} << QStringList{} << "靠近地铁";
    QTest::newRow("last entry alone") << "" << QStringList{} << QStringList{"大型超市"} << "大型超市";
    QTest::newRow("untick the last of two")
        << "学校,大型超市" << QStringList{"学校", "超市", "大型超市"} << QStringList{"大型超市", "超市"} << "学校";
}

void TestPopupDlg::ticksFollowTextAndRewriteIt()
{
    QFETCH(QString, start);
    QFETCH(QStringList, ticked);
    QFETCH(QStringList, toggles);
    QFETCH(QString, text);

    m_box->setText(start);
    m_box->openPopup();
    QVERIFY(m_box->isPopupOpen());
    TPopupDlg *dlg = GetPopupDlg();
    QCOMPARE(dlg->target(), m_box.get());
    QCOMPARE(dlg->entries(), Surroundings);
    QCOMPARE(dlg->tickedEntries(), ticked);
    for (const QString &name : toggles) {
        QListWidgetItem *item = entry(name);
        QVERIFY(item);
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
    QCOMPARE(m_box->text(), text);
}

void TestPopupDlg::valueNeverEndsWithComma()
{
    m_box->openPopup();
    TPopupDlg *dlg = GetPopupDlg();
    const int n = int(Surroundings.size());
    for (int mask = 0; mask < (1 << n); ++mask) {
        QStringList expected;
        for (int i = 0; i < n; ++i) {
            const bool on = mask & (1 << i);
            dlg->checkList()->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
            if (on)
                expected << Surroundings.at(i);
        }
        QCOMPARE(m_box->text(), expected.join(QLatin1Char(',')));
        QVERIFY2(!m_box->text().endsWith(QLatin1Char(',')), qPrintable(m_box->text()));
    }
    QCOMPARE(TPopupDlg::joinChoices({QStringLiteral("学校"), QString()}), QStringLiteral("学校"));
}

void TestPopupDlg::closingStoresTheTextInTheField()
{
    m_box->openPopup();
    entry(QStringLiteral("医院"))->setCheckState(Qt::Checked);
    entry(QStringLiteral("公园"))->setCheckState(Qt::Checked);
    // Nothing is written before the drop-down closes.
    QCOMPARE(m_ds->state(), DataSet::State::Browse);
    m_box->closePopup();
    QCOMPARE(m_ds->value(QStringLiteral("ZWHJ")).toString(), QStringLiteral("医院,公园"));
    m_ds->post();
    QCOMPARE(stored(QStringLiteral("ZWHJ")), QStringLiteral("医院,公园"));
}

void TestPopupDlg::readOnlyBoxNeverChangesItsField()
{
    m_ds->edit();
    m_ds->setValue(QStringLiteral("ZWHJ"), QStringLiteral("学校"));
    m_ds->post();
    m_box->setDataReadOnly(true);
    m_box->openPopup();
    QVERIFY(!m_box->isPopupOpen());

    // Even when the list is filled for it, a tick of a read-only box is taken back.
    TPopupDlg *dlg = GetPopupDlg();
    dlg->ShowChoicePopup(m_box.get(), ChoiceKind::Surroundings);
    QCOMPARE(dlg->tickedEntries(), QStringList{"学校"});
    entry(QStringLiteral("医院"))->setCheckState(Qt::Checked);
    entry(QStringLiteral("学校"))->setCheckState(Qt::Unchecked);
    QCOMPARE(dlg->tickedEntries(), QStringList{"学校"});
    QCOMPARE(m_box->text(), QStringLiteral("学校"));
    QCOMPARE(m_ds->state(), DataSet::State::Browse);

    // A box made read-only while its drop-down is open: the same.
    m_box->setDataReadOnly(false);
    m_box->openPopup();
    QVERIFY(m_box->isPopupOpen());
    m_box->setDataReadOnly(true);
    entry(QStringLiteral("公园"))->setCheckState(Qt::Checked);
    m_box->closePopup();
    QCOMPARE(m_box->text(), QStringLiteral("学校"));
    QCOMPARE(m_ds->state(), DataSet::State::Browse);
    QCOMPARE(stored(QStringLiteral("ZWHJ")), QStringLiteral("学校"));

    // A data set that may not be changed at all.
    m_box->setDataReadOnly(false);
    m_ds->setReadOnly(true);
    dlg->ShowChoicePopup(m_box.get(), ChoiceKind::Surroundings);
    entry(QStringLiteral("医院"))->setCheckState(Qt::Checked);
    QCOMPARE(m_box->text(), QStringLiteral("学校"));
}

void TestPopupDlg::emptyTableKeepsTheText()
{
    DbPopupEdit box;
    box.setDataSource(m_source.get());
    box.setDataField(QStringLiteral("FWSS"));
    QVERIFY(AttachMultiChoice(&box, ChoiceKind::Facilities));
    box.show();
    box.openPopup();
    QVERIFY(box.isPopupOpen());
    QCOMPARE(GetPopupDlg()->checkList()->count(), 0);
    QCOMPARE(GetPopupDlg()->target(), &box);
    box.closePopup();
    QCOMPARE(box.text(), QStringLiteral("自己写的设施"));
    QCOMPARE(m_ds->state(), DataSet::State::Browse);
}

void TestPopupDlg::overlongChoiceIsRefused()
{
    // FWSS holds 200 characters; five entries of 45 do not fit together.
    QStringList long45;
    for (int i = 0; i < 5; ++i) {
        long45 << QString(44, QChar(0x6C34 + i)) + QString::number(i);
        m_dm->ExecSql(Sql("INSERT INTO TbEquip (FWSS) VALUES (?)", {long45.last()}));
    }
    DbPopupEdit box;
    box.setDataSource(m_source.get());
    box.setDataField(QStringLiteral("FWSS"));
    QVERIFY(AttachMultiChoice(&box, QStringLiteral("TbEquip")));
    box.show();
    box.openPopup();
    test::MessageRecorder messages;
    QListWidget *list = GetPopupDlg()->checkList();
    for (int i = 0; i < 4; ++i)
        list->item(i)->setCheckState(Qt::Checked);
    QVERIFY(messages.messages.isEmpty());
    const QString fourTicked = long45.mid(0, 4).join(QLatin1Char(','));
    QCOMPARE(box.text(), fourTicked);
    list->item(4)->setCheckState(Qt::Checked);
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(messages.lastText().contains(QStringLiteral("200")));
    QCOMPARE(list->item(4)->checkState(), Qt::Unchecked);
    QCOMPARE(box.text(), fourTicked);
    box.closePopup();
    m_ds->post();
    QCOMPARE(stored(QStringLiteral("FWSS")), fourTicked);
}

void TestPopupDlg::oneInstanceFreedAndMadeAgain()
{
    TPopupDlg *first = GetPopupDlg();
    QCOMPARE(GetPopupDlg(), first);
    QCOMPARE(m_box->popupWidget(), first);
    m_box->openPopup();
    m_box->closePopup();
    FreePopupDlg();
    QCOMPARE(m_box->popupWidget(), nullptr);
    // The box attached before still drops down, with the new instance.
    m_box->setText(QStringLiteral("医院"));
    m_box->openPopup();
    QVERIFY(m_box->isPopupOpen());
    QCOMPARE(m_box->popupWidget(), GetPopupDlg());
    QCOMPARE(GetPopupDlg()->tickedEntries(), QStringList{"医院"});
    m_box->closePopup();
}

void TestPopupDlg::onlyBaseDataTablesAttach()
{
    DbPopupEdit box;
    QVERIFY(!AttachMultiChoice(&box, QStringLiteral("TbRental")));
    QVERIFY(!AttachMultiChoice(&box, QStringLiteral("TbAmbience; DROP TABLE TbRental")));
    QVERIFY(!AttachMultiChoice(&box, QStringLiteral("TbFee")));
    QCOMPARE(box.popupWidget(), nullptr);
    QVERIFY(AttachMultiChoice(&box, QStringLiteral("TbArea")));
    QCOMPARE(ChoiceTable(ChoiceKind::Surroundings), QStringLiteral("TbAmbience"));
    QCOMPARE(ChoiceTable(ChoiceKind::Facilities), QStringLiteral("TbEquip"));
}

QTEST_MAIN(TestPopupDlg)
#include "TestPopupDlg.moc"
