#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "listings/SaleManageForm.h"
#include "support/MainWindowFixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSet>

using namespace brel;
using namespace brel::test;

namespace {

// A row of the own branch entered by the administrator, on offer.
QVariantMap sellerRow(const QString &sjh)
{
    return {{QStringLiteral("SJH"), sjh}, {QStringLiteral("FWDZ"), QStringLiteral("解放路12号")},
            {QStringLiteral("SJ"), 80.0}, {QStringLiteral("LXR"), QStringLiteral("王先生")},
            {QStringLiteral("LXRDH1"), QStringLiteral("13900001111")}, {QStringLiteral("ZTW"), QStringLiteral("00")},
            {QStringLiteral("LRR"), QStringLiteral("admin")}, {QStringLiteral("LRRQ"), QStringLiteral("2026-01-05")},
            {QStringLiteral("CB"), QStringLiteral("商品房")}, {QStringLiteral("SYNX"), 70.0},
            {QStringLiteral("GMJG"), 0.0}, {QStringLiteral("YJJE"), 0.0}};
}

// The same row after a deal: sold or voided with the buyer recorded.
QVariantMap closedRow(const QString &sjh, const QString &state)
{
    QVariantMap row = sellerRow(sjh);
    row.insert({{QStringLiteral("ZTW"), state}, {QStringLiteral("GMRXM"), QStringLiteral("买主")},
                {QStringLiteral("GMRLXDH"), QStringLiteral("13811112222")},
                {QStringLiteral("GMRSFZH"), QStringLiteral("410301199001011234")}, {QStringLiteral("GMJG"), 78.0},
                {QStringLiteral("GMRQ"), QStringLiteral("2026-02-01")}, {QStringLiteral("HTH"), QStringLiteral("MM1")},
                {QStringLiteral("GMFBZ"), QStringLiteral("按揭")}, {QStringLiteral("YJJE"), 1.56},
                {QStringLiteral("SLR"), QStringLiteral("zhao")}, {QStringLiteral("SLRQ"), QStringLiteral("2026-02-01")}});
    return row;
}

const char *const BuyerFields[] = {"GMRXM", "GMRLXDH", "GMRSFZH", "GMRQ", "HTH", "GMFBZ", "SLR", "SLRQ"};

} // namespace

class TestSaleManage : public QObject, private MainWindowFixture {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newRowDefaults_data();
    void newRowDefaults();
    void checksBeforeSaving_data();
    void checksBeforeSaving();
    void stateCommands_data();
    void stateCommands();
    void sellIsUndoneByCancelling();
    void undoDealFailingACheck();
    void commission_data();
    void commission();
    void rightsAndMasking_data();
    void rightsAndMasking();
    void recordChangesAreLogged();
    void closing();
    void printMenuAndLabels();
    void fitsCommonScreens();

private:
    TSaleManageFm *open(qint64 passId = 0);
    qint64 addSale(const QVariantMap &values) { return insertRow(*m_dm, QStringLiteral("TbSale"), values); }
    QString stored(qint64 id, const char *field)
    {
        return m_dm->GetValue(Sql(QStringLiteral("SELECT %1 AS V FROM TbSale WHERE ID=?").arg(QLatin1String(field)), {id}),
                              QStringLiteral("V"));
    }
    DataSet *rows() const { return m_window->NavigatorDataSet(); }
    template<typename T = QLineEdit>
    T *box(const char *name) const
    {
        T *w = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no box %s", name);
        return w;
    }
    QPushButton *button(const char *name) const { return box<QPushButton>(name); }
    QWidget *focused() const { return m_form->focusWidget(); }

    QPointer<TSaleManageFm> m_window;
};

void TestSaleManage::init()
{
    startMainWindow();
    TMainFm::RegisterChild(QStringLiteral("atSaleManage"), [](QWidget *parent) { return new TSaleManageFm(parent); });
    // Another window to switch to, so the sale window is closed by the main window.
    TMainFm::RegisterChild(QStringLiteral("atLoan"), [](QWidget *parent) { return new TChildFm(parent); });
}

void TestSaleManage::cleanup()
{
    stopMainWindow();
}

TSaleManageFm *TestSaleManage::open(qint64 passId)
{
    m_form->PassId = passId;
    command("atSaleManage")->trigger();
    m_form->PassId = 0;
    m_window = dynamic_cast<TSaleManageFm *>(m_form->CurrentChild());
    return m_window;
}

void TestSaleManage::newRowDefaults_data()
{
    QTest::addColumn<bool>("numbering");
    QTest::addColumn<QString>("receiptNo");
    QTest::newRow("automatic numbers") << true << QStringLiteral("00000008");
    QTest::newRow("manual numbers") << false << QString();
}

void TestSaleManage::newRowDefaults()
{
    QFETCH(bool, numbering);
    QFETCH(QString, receiptNo);
    SysOptions.ZDSJH = numbering;
    QVariantMap row = sellerRow(QStringLiteral("A1"));
    row[QStringLiteral("ID")] = 7;
    addSale(row);
    setUser(2, QStringLiteral("lisi"), QStringLiteral("东城店"), "amdpt");
    QVERIFY(open());
    QCOMPARE(m_window->windowTitle(), QStringLiteral("房屋出售管理"));
    QCOMPARE(m_window->RightsGroupIndex, 2);
    QCOMPARE(box<QLabel>("lbZTWTXT")->text(), QStringLiteral("未出售"));
    command("btnAdd")->trigger();
    QCOMPARE(rows()->state(), DataSet::State::Insert);
    QCOMPARE(rows()->asText(QStringLiteral("SJH")), receiptNo);
    QCOMPARE(box("edSJH")->text(), receiptNo);
    QCOMPARE(rows()->asText(QStringLiteral("LRR")), QStringLiteral("lisi"));
    QCOMPARE(rows()->asDate(QStringLiteral("LRRQ")), QDate::currentDate());
    QCOMPARE(rows()->asDate(QStringLiteral("JFRQ")), QDate::currentDate());
    QCOMPARE(rows()->asText(QStringLiteral("SSFD")), QStringLiteral("东城店"));
    QCOMPARE(rows()->asText(QStringLiteral("ZTW")), QStringLiteral("00"));
    QVERIFY(!rows()->isNull(QStringLiteral("GMJG")));
    QCOMPARE(rows()->asMoney(QStringLiteral("GMJG")), Money());
    QVERIFY(!rows()->isNull(QStringLiteral("YJJE")));
    QCOMPARE(rows()->asMoney(QStringLiteral("YJJE")), Money());
    // A new row shows the seller section only; property type and years of use always.
    for (const char *name : {"edSJ", "edLXR", "edCB", "edSYNX", "edJZMJ"})
        QVERIFY2(box<QWidget>(name)->isEnabled(), name);
    for (const char *name : {"edGMRXM", "edGMJG", "edHTH", "edYJJE", "edLRR", "edSLR"})
        QVERIFY2(!box<QWidget>(name)->isEnabled(), name);
    QVERIFY(m_messages->messages.isEmpty());
}

void TestSaleManage::checksBeforeSaving_data()
{
    QTest::addColumn<QString>("boxName"); // the box emptied or typed into
    QTest::addColumn<QString>("typed");   // what is typed there after emptying it
    QTest::addColumn<QString>("message");
    QTest::newRow("receipt number empty") << "edSJH" << "" << NotEmptyMessage(QStringLiteral("收件号"));
    QTest::newRow("receipt number taken") << "edSJH" << "a1" << ReceiptNoExistsMessage(QStringLiteral("a1"));
    QTest::newRow("asking price empty") << "edSJ" << "" << IncorrectMessage(QStringLiteral("售价"));
    QTest::newRow("contact empty") << "edLXR" << "" << NotEmptyMessage(QStringLiteral("联系人"));
    QTest::newRow("purchase price empty") << "edGMJG" << "" << IncorrectMessage(QStringLiteral("购买价格"));
    QTest::newRow("commission empty") << "edYJJE" << "" << IncorrectMessage(QStringLiteral("佣金金额"));
}

void TestSaleManage::checksBeforeSaving()
{
    QFETCH(QString, boxName);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    addSale(sellerRow(QStringLiteral("A1")));
    QVERIFY(open());
    command("btnAdd")->trigger();
    typeText(box("edFWDZ"), QStringLiteral("人民路8号"));
    typeText(box("edSJ"), QStringLiteral("95"));
    typeText(box("edLXR"), QStringLiteral("张"));
    // Sold: the buyer and handling boxes become usable.
    button("btnSale")->click();
    auto *target = box(boxName.toLatin1().constData());
    clearBox(target);
    typeText(target, typed);
    m_messages->clear();
    command("btnSave")->trigger();
    QCOMPARE(m_messages->lastText(), message);
    QCOMPARE(m_messages->messages.last().icon, Messages::Icon::Error);
    QCOMPARE(rows()->state(), DataSet::State::Insert);
    QCOMPARE(focused(), target);
    // Everything typed is still there, and nothing was written.
    QCOMPARE(rows()->asText(QStringLiteral("FWDZ")), QStringLiteral("人民路8号"));
    QCOMPARE(target->text(), typed);
    QCOMPARE(m_dm->GetValue(Sql("SELECT COUNT(*) AS N FROM TbSale"), QStringLiteral("N")), QStringLiteral("1"));
}

void TestSaleManage::stateCommands_data()
{
    QTest::addColumn<QString>("stateBefore");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<QString>("question"); // empty: none asked
    QTest::addColumn<QString>("stateAfter");
    QTest::addColumn<bool>("editing");     // left unsaved
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<bool>("buyerEnabled");
    QTest::addColumn<bool>("undoEnabled"); // 取消操作; 房屋出售 and 房屋作废 the opposite
    const QString details = QStringLiteral("收件号：A1");
    const QString voidQuestion = QStringLiteral("您真的要作废当前房屋信息吗？");
    const QString undoQuestion = QStringLiteral("您真的要取消当前已经出售或者作废的房屋信息吗？");
    QTest::newRow("sell") << "00" << "btnSale" << true << "" << "01" << true
                          << QStringList{QStringLiteral("房屋出售|") + details} << true << true;
    QTest::newRow("void") << "00" << "btnCancel" << true << voidQuestion << "02" << false
                          << QStringList{QStringLiteral("房屋作废|") + details} << false << true;
    QTest::newRow("void declined") << "00" << "btnCancel" << false << voidQuestion << "00" << false << QStringList()
                                   << false << false;
    QTest::newRow("undo a sale") << "01" << "btnReSale" << true << undoQuestion << "00" << false
                                 << QStringList{QStringLiteral("取消操作|") + details} << false << false;
    QTest::newRow("undo a voiding") << "02" << "btnReSale" << true << undoQuestion << "00" << false
                                    << QStringList{QStringLiteral("取消操作|") + details} << false << false;
    QTest::newRow("undo declined") << "01" << "btnReSale" << false << undoQuestion << "01" << false << QStringList()
                                   << true << true;
}

void TestSaleManage::stateCommands()
{
    QFETCH(QString, stateBefore);
    QFETCH(QString, command);
    QFETCH(bool, answerYes);
    QFETCH(QString, question);
    QFETCH(QString, stateAfter);
    QFETCH(bool, editing);
    QFETCH(QStringList, log);
    QFETCH(bool, buyerEnabled);
    QFETCH(bool, undoEnabled);
    const qint64 id = addSale(stateBefore == QLatin1String("00") ? sellerRow(QStringLiteral("A1"))
                                                                 : closedRow(QStringLiteral("A1"), stateBefore));
    QVERIFY(open());
    QCOMPARE(button("btnReSale")->isEnabled(), stateBefore != QLatin1String("00"));
    QCOMPARE(button("btnSale")->isEnabled(), stateBefore == QLatin1String("00"));
    m_messages->setNextAnswer(answerYes ? Messages::Answer::Yes : Messages::Answer::No);
    button(command.toLatin1().constData())->click();
    if (question.isEmpty()) {
        QVERIFY(m_messages->messages.isEmpty());
    } else {
        QCOMPARE(m_messages->messages.size(), 1);
        QCOMPARE(m_messages->messages.first().text, question);
        QCOMPARE(m_messages->messages.first().icon, Messages::Icon::Information);
        QCOMPARE(m_messages->messages.first().buttons, Messages::Buttons::YesNo);
    }
    QCOMPARE(rows()->asText(QStringLiteral("ZTW")), stateAfter);
    QCOMPARE(rows()->isEditing(), editing);
    // Written whether or not the operation log is kept.
    QCOMPARE(logLines(*m_dm), log);
    if (!editing)
        QCOMPARE(stored(id, "ZTW"), stateAfter);
    for (const char *name : {"edGMRXM", "edGMJG", "edGMRQ", "edHTH", "edYJJE"})
        QCOMPARE(box(name)->isEnabled(), buyerEnabled);
    for (const char *name : {"edLRR", "edLRRQ", "edSLR", "edSLRQ"})
        QVERIFY2(!box(name)->isEnabled(), name);
    QVERIFY(box<QWidget>("edCB")->isEnabled());
    QVERIFY(box("edSYNX")->isEnabled());
    QCOMPARE(button("btnReSale")->isEnabled(), undoEnabled);
    QCOMPARE(button("btnSale")->isEnabled(), !undoEnabled);
    QCOMPARE(button("btnCancel")->isEnabled(), !undoEnabled);
    if (command == QLatin1String("btnReSale") && answerYes) {
        // On offer again in place: same row, same receipt number, no buyer.
        QCOMPARE(m_dm->GetValue(Sql("SELECT COUNT(*) AS N FROM TbSale"), QStringLiteral("N")), QStringLiteral("1"));
        QCOMPARE(stored(id, "SJH"), QStringLiteral("A1"));
        for (const char *field : BuyerFields)
            QVERIFY2(stored(id, field).isEmpty(), field);
        QCOMPARE(rows()->asMoney(QStringLiteral("GMJG")), Money());
        QCOMPARE(rows()->asMoney(QStringLiteral("YJJE")), Money());
        QCOMPARE(box<QLabel>("lbZTWTXT")->text(), QStringLiteral("未出售"));
        // The seller side stays as it was.
        QCOMPARE(stored(id, "LXR"), QStringLiteral("王先生"));
        QCOMPARE(stored(id, "LRR"), QStringLiteral("admin"));
        QCOMPARE(rows()->asDate(QStringLiteral("LRRQ")), QDate(2026, 1, 5));
    }
}

void TestSaleManage::sellIsUndoneByCancelling()
{
    const qint64 id = addSale(sellerRow(QStringLiteral("A1")));
    setUser(2, QStringLiteral("admin"), QString(), "amdp");
    QVERIFY(open());
    button("btnSale")->click();
    QCOMPARE(rows()->asText(QStringLiteral("GMJG")), QStringLiteral("80"));
    QCOMPARE(rows()->asDate(QStringLiteral("GMRQ")), QDate::currentDate());
    QCOMPARE(rows()->asDate(QStringLiteral("SLRQ")), QDate::currentDate());
    QCOMPARE(box("edSLR")->text(), QStringLiteral("admin"));
    QVERIFY(box("edGMRXM")->isEnabled());
    command("btnCancel")->trigger();
    QCOMPARE(rows()->asText(QStringLiteral("ZTW")), QStringLiteral("00"));
    QCOMPARE(rows()->asText(QStringLiteral("SLR")), QString());
    QVERIFY(!box("edGMRXM")->isEnabled());
    QVERIFY(button("btnSale")->isEnabled());
    QCOMPARE(stored(id, "ZTW"), QStringLiteral("00"));
    // The log line stays.
    QCOMPARE(logLines(*m_dm), QStringList{QStringLiteral("房屋出售|收件号：A1")});
}

void TestSaleManage::undoDealFailingACheck()
{
    QVariantMap row = closedRow(QStringLiteral("A1"), QStringLiteral("01"));
    row.remove(QStringLiteral("LXR"));
    const qint64 id = addSale(row);
    QVERIFY(open());
    button("btnReSale")->click();
    QCOMPARE(m_messages->lastText(), NotEmptyMessage(QStringLiteral("联系人")));
    // Left editing with the buyer already emptied, and no log line.
    QVERIFY(rows()->isEditing());
    QCOMPARE(rows()->asText(QStringLiteral("GMRXM")), QString());
    QCOMPARE(rows()->asText(QStringLiteral("ZTW")), QStringLiteral("00"));
    QCOMPARE(focused(), box("edLXR"));
    QVERIFY(logLines(*m_dm).isEmpty());
    // Cancelling restores the sold row.
    command("btnCancel")->trigger();
    QCOMPARE(rows()->asText(QStringLiteral("ZTW")), QStringLiteral("01"));
    QCOMPARE(rows()->asText(QStringLiteral("GMRXM")), QStringLiteral("买主"));
    QCOMPARE(stored(id, "GMRXM"), QStringLiteral("买主"));
}

void TestSaleManage::commission_data()
{
    QTest::addColumn<QVariant>("rate"); // null: no rate row
    QTest::addColumn<QVariant>("price"); // null: no asking price
    QTest::addColumn<QString>("agreed"); // typed afterwards; empty: none
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("purchase");
    QTest::addColumn<QString>("commission");
    // In the unit of the price (万元), no conversion to 元.
    QTest::newRow("80 at 1.5%") << QVariant(1.5) << QVariant(80.0) << "" << "当前佣金比例为1.50%" << "80" << "1.2";
    QTest::newRow("four decimals, half to even")
        << QVariant(1.5) << QVariant(123.45) << "" << "当前佣金比例为1.50%" << "123.45" << "1.8518";
    QTest::newRow("typed price, two decimals")
        << QVariant(1.5) << QVariant(80.0) << "123.45" << "当前佣金比例为1.50%" << "123.45" << "1.85";
    QTest::newRow("no asking price") << QVariant(2.0) << QVariant() << "" << "当前佣金比例为2.00%" << "" << "0";
    QTest::newRow("no rate row") << QVariant() << QVariant(80.0) << "" << "当前佣金比例为0.00%" << "80" << "0";
}

void TestSaleManage::commission()
{
    QFETCH(QVariant, rate);
    QFETCH(QVariant, price);
    QFETCH(QString, agreed);
    QFETCH(QString, label);
    QFETCH(QString, purchase);
    QFETCH(QString, commission);
    if (rate.isNull())
        m_dm->ExecSql(Sql("DELETE FROM TbFee WHERE ID = 2"));
    else
        m_dm->ExecSql(Sql("UPDATE TbFee SET CSZ = ? WHERE ID = 2", {rate}));
    // The rental rate must not leak into sales.
    m_dm->ExecSql(Sql("UPDATE TbFee SET CSZ = 50 WHERE ID = 3"));
    QVariantMap row = sellerRow(QStringLiteral("A1"));
    row[QStringLiteral("SJ")] = price;
    addSale(row);
    QVERIFY(open());
    QCOMPARE(box<QLabel>("lbRate")->text(), label);
    button("btnSale")->click();
    if (!agreed.isEmpty()) {
        clearBox(box("edGMJG"));
        QCOMPARE(m_messages->lastText(), IncorrectMessage(QStringLiteral("购买价格")));
        m_messages->clear();
        typeText(box("edGMJG"), agreed);
    }
    // Copying an empty asking price is no typing mistake: no message.
    QVERIFY(m_messages->messages.isEmpty());
    QCOMPARE(rows()->asText(QStringLiteral("GMJG")), purchase);
    QCOMPARE(rows()->asText(QStringLiteral("YJJE")), commission);
}

void TestSaleManage::rightsAndMasking_data()
{
    QTest::addColumn<int>("userId");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QString>("rowBranch");
    QTest::addColumn<QString>("rowClerk");
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("canEdit");
    QTest::addColumn<bool>("canPrint");
    QTest::addColumn<bool>("masked");
    const QString own = QStringLiteral("东城店"), other = QStringLiteral("西城店");
    QTest::newRow("own row") << 2 << "amdp" << own << "lisi" << "00" << true << true << false;
    QTest::newRow("own sold row") << 2 << "amdp" << own << "lisi" << "01" << true << true << false;
    QTest::newRow("colleague's sold row") << 2 << "amdp" << own << "wang" << "01" << false << true << true;
    QTest::newRow("colleague's row, manager") << 2 << "amdpg" << own << "wang" << "00" << true << true << true;
    QTest::newRow("colleague's row, telephone") << 2 << "amdpt" << own << "wang" << "00" << false << true << false;
    QTest::newRow("other branch") << 2 << "amdptg" << other << "wang" << "00" << false << false << true;
    QTest::newRow("administrator") << 1 << "amdp" << other << "wang" << "02" << false << false << false;
}

void TestSaleManage::rightsAndMasking()
{
    QFETCH(int, userId);
    QFETCH(QString, flags);
    QFETCH(QString, rowBranch);
    QFETCH(QString, rowClerk);
    QFETCH(QString, state);
    QFETCH(bool, canEdit);
    QFETCH(bool, canPrint);
    QFETCH(bool, masked);
    QVariantMap row = closedRow(QStringLiteral("A1"), state);
    row.insert({{QStringLiteral("SSFD"), rowBranch}, {QStringLiteral("LRR"), rowClerk},
                {QStringLiteral("CQZH"), QStringLiteral("房证-123")}, {QStringLiteral("LXRSFZH"), QStringLiteral("110101")}});
    addSale(row);
    setUser(userId, QStringLiteral("lisi"), QStringLiteral("东城店"), flags.toLatin1().constData());
    QVERIFY(open());
    QCOMPARE(command("btnEdit")->isEnabled(), canEdit);
    QCOMPARE(command("btnDel")->isEnabled(), canEdit);
    QCOMPARE(button("btnPrint")->isEnabled(), canPrint);
    // The state commands follow the edit right first, then the state.
    const bool onOffer = state == QLatin1String("00");
    QCOMPARE(button("btnSale")->isEnabled(), canEdit && onOffer);
    QCOMPARE(button("btnCancel")->isEnabled(), canEdit && onOffer);
    QCOMPARE(button("btnReSale")->isEnabled(), canEdit && !onOffer);
    QCOMPARE(box("edLXR")->isReadOnly(), !canEdit);
    QCOMPARE(box("edSYNX")->isReadOnly(), !canEdit);
    for (const char *name : {"edFWDZ", "edLXRDH", "edLXRSFZH"}) {
        auto *b = box<DbEdit>(name);
        QCOMPARE(b->isMasked(), masked);
        QCOMPARE(!b->text().isEmpty() && b->text().count(QLatin1Char('*')) == b->text().size(), masked);
    }
    auto *certificate = box<DbMaskPickBox>("edCQZH");
    QCOMPARE(certificate->currentText(), masked ? QStringLiteral("******") : QStringLiteral("房证-123"));
    // The buyer's own telephone is not one of the masked boxes.
    QCOMPARE(box("edGMRLXDH")->text(), QStringLiteral("13811112222"));
}

void TestSaleManage::recordChangesAreLogged()
{
    SysOptions.CZRZ = true;
    addSale(sellerRow(QStringLiteral("A1")));
    QVERIFY(open());
    command("btnEdit")->trigger();
    command("btnCancel")->trigger();
    command("btnAdd")->trigger();
    command("btnCancel")->trigger();
    QCOMPARE(logLines(*m_dm), (QStringList{QStringLiteral("修改销售单|收件号：A1"), QStringLiteral("新增销售单| ")}));
}

void TestSaleManage::closing()
{
    const qint64 id = addSale(sellerRow(QStringLiteral("A1")));
    QVERIFY(open());
    // An unsaved new row goes without a question.
    command("btnAdd")->trigger();
    typeText(box("edLXR"), QStringLiteral("x"));
    QPointer<TSaleManageFm> first = m_window;
    command("atLoan")->trigger();
    QVERIFY(m_form->CurrentChild() != first);
    QVERIFY(m_messages->messages.isEmpty());
    QCOMPARE(m_dm->GetValue(Sql("SELECT COUNT(*) AS N FROM TbSale"), QStringLiteral("N")), QStringLiteral("1"));

    // An edit that fails a check keeps the window and what was typed.
    QVERIFY(open());
    command("btnEdit")->trigger();
    clearBox(box("edSJ"));
    command("atLoan")->trigger();
    QCOMPARE(m_form->CurrentChild(), m_window.data());
    QCOMPARE(m_messages->lastText(), IncorrectMessage(QStringLiteral("售价")));
    QCOMPARE(focused(), box("edSJ"));
    // Put right, the edit is saved on leaving.
    typeText(box("edSJ"), QStringLiteral("66.5"));
    command("atLoan")->trigger();
    QVERIFY(m_form->CurrentChild() != m_window.data());
    QCOMPARE(Money::parse(stored(id, "SJ")).value_or(Money()), Money::fromRaw(665000));
}

void TestSaleManage::printMenuAndLabels()
{
    QVERIFY(QDir(AppDir).mkpath(QStringLiteral("Picture")));
    QFile picture(PictureDir() + QStringLiteral("/a.jpg"));
    QVERIFY(picture.open(QIODevice::WriteOnly));
    QVariantMap row = sellerRow(QStringLiteral("A1"));
    row[QStringLiteral("FXT")] = QStringLiteral("a.jpg,gone.jpg");
    addSale(row);
    QVERIFY(open(m_dm->GetMaxId(QStringLiteral("TbSale"))));
    QCOMPARE(button("btnPicture")->text(), QStringLiteral("看房型图(1)"));
    QMenu *menu = button("btnPrint")->menu();
    QVERIFY(menu);
    QStringList items;
    for (QAction *a : menu->actions())
        items << a->objectName() + QLatin1Char('=') + a->text();
    QCOMPARE(items, (QStringList{QStringLiteral("atSaleRelease=出售信息公告"), QStringLiteral("atSaleReturn=出售登记回执"),
                                 QStringLiteral("atSaleSave=出售完成存档")}));
    // Every box is named by its label, and every data box has one.
    QSet<QWidget *> labelled;
    for (QLabel *label : m_window->findChildren<QLabel *>()) {
        if (label->objectName().endsWith(QLatin1String("Unit")) || label->objectName() == QLatin1String("lbRate")
            || label->objectName() == QLatin1String("lbZTWTXT"))
            continue;
        QVERIFY2(label->buddy(), qPrintable(label->objectName()));
        labelled << label->buddy();
    }
    for (QWidget *w : m_window->findChildren<QWidget *>()) {
        if (w->property("dataField").isValid() && !qobject_cast<QAbstractButton *>(w))
            QVERIFY2(labelled.contains(w), qPrintable(w->objectName()));
    }
    for (const char *field : {"SJH", "FWDZ", "DGDZ", "JZMJ", "LC", "ZLC", "SJ", "SYNX", "CB", "QY", "FX", "CX", "CQZH",
                              "ZWHJ", "ZXQK", "FWSS", "JTQK", "JGRQ", "JFRQ", "LXR", "LXRDH1", "LXRSFZH", "CSFBZ", "GGFB",
                              "YS", "LRR", "LRRQ", "GMRXM", "GMRLXDH", "GMRSFZH", "GMJG", "GMRQ", "HTH", "GMFBZ", "YJJE",
                              "SLR", "SLRQ", "ZTW_TXT"})
        QVERIFY2(m_window->BoxOf(QString::fromLatin1(field)), field);
}

void TestSaleManage::fitsCommonScreens()
{
    const QString sample = copyOfSampleFile();
    if (sample.isEmpty())
        QSKIP("the built program folder with its sample file is not there");
    QVERIFY(m_dm->OpenWorkingFile(sample, true));
    // A sold row of the sample, so every section is filled.
    const QString sold = m_dm->GetValue(Sql("SELECT MIN(ID) AS ID FROM TbSale WHERE ZTW='01'"), QStringLiteral("ID"));
    QVERIFY(open(sold.toLongLong()));
    QCOMPARE(rows()->asText(QStringLiteral("ZTW")), QStringLiteral("01"));
    checkFitsCommonScreens(m_window);
}

QTEST_MAIN(TestSaleManage)
#include "TestSaleManage.moc"
