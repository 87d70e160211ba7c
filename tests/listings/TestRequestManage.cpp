#include "listings/RequestManageForm.h"
#include "support/MainWindowFixture.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace brel;
using test::clearBox;
using test::typeText;

namespace {

/// What the tests need to know of each request window.
struct Window {
    const char *command;
    QString table;
    QString otherTable;
    QString caption;
    QString section;
    QString priceBox;
    QString priceCaption;
    QString noun; ///< in the log lines: 求租单 / 求购单
    QStringList printItems;
};

const Window &windowOf(const QString &name)
{
    static const Window rent{"atQRentalManage", QStringLiteral("TbQRental"), QStringLiteral("TbQBuy"),
                             QStringLiteral("房屋求租管理"), QStringLiteral("求租方信息"), QStringLiteral("edZJ"),
                             QStringLiteral("租金"), QStringLiteral("求租单"),
                             {QStringLiteral("atQQRentalRelease=求租信息公告"), QStringLiteral("atQQRentalReturn=求租登记回执")}};
    static const Window buy{"atQBuyManage", QStringLiteral("TbQBuy"), QStringLiteral("TbQRental"),
                            QStringLiteral("房屋求购管理"), QStringLiteral("求购方信息"), QStringLiteral("edSJ"),
                            QStringLiteral("售价"), QStringLiteral("求购单"),
                            {QStringLiteral("atQBuyRelease=求购信息公告"), QStringLiteral("atQBuyReturn=求购登记回执")}};
    return name == QLatin1String("buy") ? buy : rent;
}

const char *const Windows[] = {"rent", "buy"};

/// A data table of one row a window.
void bothWindows()
{
    QTest::addColumn<QString>("window");
    for (const char *w : Windows)
        QTest::newRow(w) << QString::fromLatin1(w);
}

/// The rights of the request group; the two other groups may see their
/// windows but do nothing, so any right the windows grant comes from group 3.
void setUser(int id, const QString &name, const QString &branch, const char *flags)
{
    CurrentUser.Id = id;
    CurrentUser.YHXM = name;
    CurrentUser.SSFD = branch;
    CurrentUser.Res[1] = test::rights("房屋出租", "");
    CurrentUser.Res[2] = test::rights("房屋出售", "");
    CurrentUser.Res[3] = test::rights("求租求购", flags);
}

} // namespace

class TestRequestManage : public QObject, private test::MainWindowFixture {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opening_data();
    void opening();
    void newRowDefaults_data();
    void newRowDefaults();
    void checksBeforeSaving_data();
    void checksBeforeSaving();
    void recordLog_data();
    void recordLog();
    void numericBoxes_data();
    void numericBoxes();
    void roughAddressAndEnter_data();
    void roughAddressAndEnter();
    void rightsAndMasking_data();
    void rightsAndMasking();
    void closing_data();
    void closing();
    void fitsCommonScreens_data();
    void fitsCommonScreens();

private:
    TRequestManageFm *open(const QString &window);
    qint64 addRequest(const QString &table, const QVariantMap &values);
    int count(const QString &table);
    QStringList logLines();
    DataSet *rows() const { return m_window->NavigatorDataSet(); }
    template<typename T = QLineEdit>
    T *box(const QString &name) const
    {
        T *w = m_window->findChild<T *>(name);
        if (!w)
            qFatal("no box %s", qPrintable(name));
        return w;
    }
    QWidget *focused() const { return m_form->focusWidget(); }

    QPointer<TRequestManageFm> m_window;
};

void TestRequestManage::init()
{
    startMainWindow();
    // Only the request group's rights count here.
    setUser(1, QStringLiteral("admin"), QString(), "amdptg");
    TMainFm::RegisterChild(QStringLiteral("atQRentalManage"), [](QWidget *parent) { return new TQRentalManageFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atQBuyManage"), [](QWidget *parent) { return new TQBuyManageFm(parent); });
    // Another window to switch to, so a request window is closed by the main window.
    TMainFm::RegisterChild(QStringLiteral("atLoan"), [](QWidget *parent) { return new TChildFm(parent); });
}

void TestRequestManage::cleanup()
{
    stopMainWindow();
}

TRequestManageFm *TestRequestManage::open(const QString &window)
{
    command(windowOf(window).command)->trigger();
    m_window = dynamic_cast<TRequestManageFm *>(m_form->CurrentChild());
    return m_window;
}

qint64 TestRequestManage::addRequest(const QString &table, const QVariantMap &values)
{
    return test::insertRow(*m_dm, table, values);
}

int TestRequestManage::count(const QString &table)
{
    return m_dm->GetValue(Sql(QStringLiteral("SELECT COUNT(*) AS N FROM ") + table), QStringLiteral("N")).toInt();
}

QStringList TestRequestManage::logLines()
{
    return test::logLines(*m_dm);
}

// A request of the own branch entered by the current clerk; the price
// column is the window's own (rent or price).
static QVariantMap requestRow(const QString &table, const QString &sjh)
{
    return {{QStringLiteral("SJH"), sjh},
            {QStringLiteral("FWDZ"), QStringLiteral("解放路12号")},
            {table == QLatin1String("TbQBuy") ? QStringLiteral("SJ") : QStringLiteral("ZJ"), 80.0},
            {QStringLiteral("LXR"), QStringLiteral("王先生")},
            {QStringLiteral("LXRDH1"), QStringLiteral("13900001111")},
            {QStringLiteral("LXRSFZH"), QStringLiteral("110101")},
            {QStringLiteral("LRR"), QStringLiteral("admin")}};
}

void TestRequestManage::opening_data()
{
    bothWindows();
}

void TestRequestManage::opening()
{
    QFETCH(QString, window);
    const Window &w = windowOf(window);
    m_dm->ExecSql(Sql("INSERT INTO TbArea (QY) VALUES (?)", {QStringLiteral("河西区")}));
    m_dm->ExecSql(Sql("INSERT INTO TbPropertyType (CB) VALUES (?)", {QStringLiteral("房改房")}));
    QVERIFY(open(window));
    QCOMPARE(m_window->windowTitle(), w.caption);
    QCOMPARE(m_window->RightsGroupIndex, 3);
    QCOMPARE(rows()->objectName(), QStringLiteral("Q") + w.table.mid(2));
    QCOMPARE(box<QGroupBox>(QStringLiteral("gbRequester"))->title(), w.section);
    QVERIFY(box<DbPickBox>(QStringLiteral("edQY"))->findText(QStringLiteral("河西区")) >= 0);
    if (window == QLatin1String("buy"))
        QVERIFY(box<DbPickBox>(QStringLiteral("edCB"))->findText(QStringLiteral("房改房")) >= 0);
    else
        QVERIFY(!m_window->findChild<QWidget *>(QStringLiteral("edCB")));
    // Only this window's sheets drop down from its print button.
    QMenu *menu = box<QPushButton>(QStringLiteral("btnPrint"))->menu();
    QVERIFY(menu);
    QStringList items;
    for (QAction *a : menu->actions())
        items << a->objectName() + QLatin1Char('=') + a->text();
    QCOMPARE(items, w.printItems);
    // Every box is named by its label, and every label names a box.
    QSet<QWidget *> named;
    for (QLabel *label : m_window->findChildren<QLabel *>()) {
        if (label->objectName().endsWith(QLatin1String("Unit")) || label->objectName().endsWith(QLatin1String("Hint")))
            continue;
        QVERIFY2(label->buddy(), qPrintable(label->objectName()));
        named.insert(label->buddy());
    }
    for (QWidget *b : m_window->findChildren<QWidget *>()) {
        if (!b->property("dataField").toString().isEmpty())
            QVERIFY2(named.contains(b), qPrintable(b->objectName()));
    }
}

void TestRequestManage::newRowDefaults_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("numbering");
    QTest::addColumn<QString>("receiptNo");
    for (const char *w : Windows) {
        QTest::addRow("%s, automatic numbers", w) << QString::fromLatin1(w) << true << QStringLiteral("00000008");
        QTest::addRow("%s, manual numbers", w) << QString::fromLatin1(w) << false << QString();
    }
}

void TestRequestManage::newRowDefaults()
{
    QFETCH(QString, window);
    QFETCH(bool, numbering);
    QFETCH(QString, receiptNo);
    const Window &w = windowOf(window);
    SysOptions.ZDSJH = numbering;
    // The next number follows the window's own table, not the other one.
    QVariantMap own = requestRow(w.table, QStringLiteral("A1")), other = requestRow(w.otherTable, QStringLiteral("B1"));
    own[QStringLiteral("ID")] = 7;
    other[QStringLiteral("ID")] = 40;
    addRequest(w.table, own);
    addRequest(w.otherTable, other);
    setUser(2, QStringLiteral("lisi"), QStringLiteral("东城店"), "amdpt");
    QVERIFY(open(window));
    command("btnAdd")->trigger();
    QCOMPARE(rows()->state(), DataSet::State::Insert);
    QCOMPARE(rows()->asText(QStringLiteral("SJH")), receiptNo);
    QCOMPARE(box(QStringLiteral("edSJH"))->text(), receiptNo);
    QCOMPARE(rows()->asText(QStringLiteral("LRR")), QStringLiteral("lisi"));
    QCOMPARE(rows()->asDate(QStringLiteral("LRRQ")), QDate::currentDate());
    QCOMPARE(rows()->asText(QStringLiteral("SSFD")), QStringLiteral("东城店"));
    // Nothing else is preset.
    for (const char *field : {"FWDZ", "JZMJ", "LC", "QY", "LXR", "BZ", "BJR", "BJRQ"})
        QVERIFY2(rows()->isNull(QString::fromLatin1(field)), field);
    QVERIFY(rows()->isNull(w.priceBox.mid(2)));
    // Only the entering clerk and date are disabled; everything else is at hand.
    for (QWidget *b : m_window->findChildren<QWidget *>()) {
        const QString field = b->property("dataField").toString();
        if (!field.isEmpty())
            QCOMPARE(b->isEnabled(), field != QLatin1String("LRR") && field != QLatin1String("LRRQ"));
    }
    QCOMPARE(box(QStringLiteral("edLRR"))->text(), QStringLiteral("lisi"));
    QVERIFY(m_messages->messages.isEmpty());
}

void TestRequestManage::checksBeforeSaving_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("boxName");  // the box emptied or typed into
    QTest::addColumn<QString>("typed");    // what is typed there after emptying it
    QTest::addColumn<QString>("alsoEmpty"); // a later box emptied too: the first check wins
    QTest::addColumn<QString>("message");  // empty: the row is saved
    for (const char *name : Windows) {
        const Window &w = windowOf(QString::fromLatin1(name));
        const QString window = QString::fromLatin1(name);
        QTest::addRow("%s: receipt number empty", name)
            << window << "edSJH" << "" << "edLXR" << NotEmptyMessage(QStringLiteral("收件号"));
        QTest::addRow("%s: receipt number taken", name)
            << window << "edSJH" << "A1" << w.priceBox << ReceiptNoExistsMessage(QStringLiteral("A1"));
        QTest::addRow("%s: price empty", name)
            << window << w.priceBox << "" << "edLXR" << IncorrectMessage(w.priceCaption);
        QTest::addRow("%s: contact empty", name) << window << "edLXR" << "" << "" << NotEmptyMessage(QStringLiteral("联系人"));
        // The other table's numbers are no obstacle.
        QTest::addRow("%s: number of the other table", name) << window << "edSJH" << "B1" << "" << QString();
    }
}

void TestRequestManage::checksBeforeSaving()
{
    QFETCH(QString, window);
    QFETCH(QString, boxName);
    QFETCH(QString, typed);
    QFETCH(QString, alsoEmpty);
    QFETCH(QString, message);
    const Window &w = windowOf(window);
    addRequest(w.table, requestRow(w.table, QStringLiteral("A1")));
    addRequest(w.otherTable, requestRow(w.otherTable, QStringLiteral("B1")));
    QVERIFY(open(window));
    command("btnAdd")->trigger();
    typeText(box(QStringLiteral("edFWDZ")), QStringLiteral("人民路8号"));
    typeText(box(w.priceBox), QStringLiteral("2000"));
    typeText(box(QStringLiteral("edLXR")), QStringLiteral("张"));
    auto *target = box(boxName);
    clearBox(target);
    typeText(target, typed);
    if (!alsoEmpty.isEmpty())
        clearBox(box(alsoEmpty));
    m_messages->clear();
    command("btnSave")->trigger();
    if (message.isEmpty()) {
        QVERIFY(m_messages->messages.isEmpty());
        QCOMPARE(rows()->state(), DataSet::State::Browse);
        QCOMPARE(count(w.table), 2);
        return;
    }
    QCOMPARE(m_messages->texts(), QStringList{message});
    QCOMPARE(m_messages->messages.last().icon, Messages::Icon::Error);
    QCOMPARE(rows()->state(), DataSet::State::Insert);
    QCOMPARE(focused(), target);
    // Everything typed is still there, and nothing was written.
    QCOMPARE(rows()->asText(QStringLiteral("FWDZ")), QStringLiteral("人民路8号"));
    QCOMPARE(target->text(), typed);
    QCOMPARE(count(w.table), 1);
}

void TestRequestManage::recordLog_data()
{
    bothWindows();
}

void TestRequestManage::recordLog()
{
    QFETCH(QString, window);
    const Window &w = windowOf(window);
    SysOptions.CZRZ = true;
    QVERIFY(open(window));
    command("btnAdd")->trigger();
    const QString receipt = rows()->asText(QStringLiteral("SJH"));
    QCOMPARE(receipt, FormatReceiptNo(1));
    typeText(box(w.priceBox), QStringLiteral("1500"));
    typeText(box(QStringLiteral("edLXR")), QStringLiteral("Li"));
    command("btnSave")->trigger();
    QCOMPARE(rows()->state(), DataSet::State::Browse);
    command("btnEdit")->trigger();
    typeText(box(QStringLiteral("edBZ")), QStringLiteral("急"));
    command("btnSave")->trigger();
    QCOMPARE(m_dm->GetValue(Sql(QStringLiteral("SELECT BZ FROM ") + w.table), QStringLiteral("BZ")), QStringLiteral("急"));
    command("btnDel")->trigger();
    QCOMPARE(count(w.table), 0);
    const QString details = QStringLiteral("收件号：") + receipt;
    QCOMPARE(logLines(), (QStringList{QStringLiteral("新增") + w.noun + QStringLiteral("| "),
                                      QStringLiteral("修改") + w.noun + QLatin1Char('|') + details,
                                      QStringLiteral("删除") + w.noun + QLatin1Char('|') + details}));
}

void TestRequestManage::numericBoxes_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("boxName");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("stored"); // after saving
    for (const char *w : Windows) {
        const QString window = QString::fromLatin1(w);
        QTest::addRow("%s: area", w) << window << "edJZMJ" << "8 0x.5" << "80.5" << "80.5";
        QTest::addRow("%s: floor", w) << window << "edLC" << "1e2" << "12" << "12";
        QTest::addRow("%s: price", w) << window << windowOf(window).priceBox << "1a2.5.0-" << "12.50" << "12.5";
    }
    QTest::newRow("buy: years of use") << "buy" << "edSYNX" << "2.x5" << "2.5" << "2.5";
}

void TestRequestManage::numericBoxes()
{
    QFETCH(QString, window);
    QFETCH(QString, boxName);
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    QFETCH(QString, stored);
    const Window &w = windowOf(window);
    QVERIFY(open(window));
    command("btnAdd")->trigger();
    typeText(box(QStringLiteral("edLXR")), QStringLiteral("Li"));
    if (boxName != w.priceBox)
        typeText(box(w.priceBox), QStringLiteral("900"));
    auto *target = box(boxName);
    QTest::keyClicks(target, keys);
    QCOMPARE(target->text(), shown);
    QVERIFY(m_messages->messages.isEmpty());
    command("btnSave")->trigger();
    QCOMPARE(rows()->state(), DataSet::State::Browse);
    QCOMPARE(m_dm->GetValue(Sql(QStringLiteral("SELECT %1 AS V FROM %2").arg(boxName.mid(2), w.table)), QStringLiteral("V")),
             stored);
}

void TestRequestManage::roughAddressAndEnter_data()
{
    bothWindows();
}

void TestRequestManage::roughAddressAndEnter()
{
    QFETCH(QString, window);
    QVERIFY(open(window));
    command("btnAdd")->trigger();
    QCOMPARE(focused(), box(QStringLiteral("edSJH")));
    // Enter moves on from the receipt number as from every other box.
    QTest::keyClick(box(QStringLiteral("edSJH")), Qt::Key_Return);
    QCOMPARE(focused(), box(QStringLiteral("edFWDZ")));
    typeText(box(QStringLiteral("edFWDZ")), QStringLiteral("北京市海淀区路"));
    QCOMPARE(rows()->asText(QStringLiteral("DGDZ")), QStringLiteral("北京市海"));
    QCOMPARE(box(QStringLiteral("edDGDZ"))->text(), QStringLiteral("北京市海"));
}

void TestRequestManage::rightsAndMasking_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("userId");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QString>("rowBranch");
    QTest::addColumn<QString>("rowClerk");
    QTest::addColumn<bool>("insert");
    QTest::addColumn<bool>("canEdit");
    QTest::addColumn<bool>("canDelete");
    QTest::addColumn<bool>("canPrint");
    QTest::addColumn<bool>("masked");
    const QString own = QStringLiteral("东城店"), other = QStringLiteral("西城店");
    for (const char *name : Windows) {
        const QString w = QString::fromLatin1(name);
        QTest::addRow("%s: own row", name) << w << 2 << "amdp" << own << "lisi" << false << true << true << true << false;
        QTest::addRow("%s: colleague's row", name)
            << w << 2 << "amdp" << own << "wang" << false << false << false << true << true;
        QTest::addRow("%s: colleague's row, manager", name)
            << w << 2 << "amdpg" << own << "wang" << false << true << true << true << true;
        QTest::addRow("%s: colleague's row, telephone", name)
            << w << 2 << "amdpt" << own << "wang" << false << false << false << true << false;
        QTest::addRow("%s: other branch", name)
            << w << 2 << "amdptg" << other << "wang" << false << false << false << false << true;
        QTest::addRow("%s: administrator", name)
            << w << 1 << "amdp" << other << "wang" << false << false << false << false << false;
        QTest::addRow("%s: row being inserted", name)
            << w << 2 << "a" << own << "wang" << true << false << false << false << false;
    }
}

void TestRequestManage::rightsAndMasking()
{
    QFETCH(QString, window);
    QFETCH(int, userId);
    QFETCH(QString, flags);
    QFETCH(QString, rowBranch);
    QFETCH(QString, rowClerk);
    QFETCH(bool, insert);
    QFETCH(bool, canEdit);
    QFETCH(bool, canDelete);
    QFETCH(bool, canPrint);
    QFETCH(bool, masked);
    const Window &w = windowOf(window);
    QVariantMap row = requestRow(w.table, QStringLiteral("A1"));
    row.insert({{QStringLiteral("SSFD"), rowBranch}, {QStringLiteral("LRR"), rowClerk}});
    addRequest(w.table, row);
    setUser(userId, QStringLiteral("lisi"), QStringLiteral("东城店"), flags.toLatin1().constData());
    QVERIFY(open(window));
    if (insert) {
        command("btnAdd")->trigger();
        typeText(box(QStringLiteral("edFWDZ")), QStringLiteral("x"));
        typeText(box(QStringLiteral("edLXRDH")), QStringLiteral("1"));
        typeText(box(QStringLiteral("edLXRSFZH")), QStringLiteral("2"));
    }
    QCOMPARE(command("btnEdit")->isEnabled(), canEdit && !insert);
    QCOMPARE(command("btnDel")->isEnabled(), canDelete && !insert);
    if (!insert)
        QCOMPARE(command("btnAdd")->isEnabled(), flags.contains(QLatin1Char('a')));
    QCOMPARE(box<QPushButton>(QStringLiteral("btnPrint"))->isEnabled(), canPrint);
    for (const char *name : {"edLXR", "edBZ", "edZWHJ"})
        QCOMPARE(box(QString::fromLatin1(name))->isReadOnly(), !canEdit && !insert);
    for (const char *name : {"edFWDZ", "edLXRDH", "edLXRSFZH"}) {
        auto *b = box<DbEdit>(QString::fromLatin1(name));
        QCOMPARE(b->isMasked(), masked);
        QCOMPARE(!b->text().isEmpty() && b->text().count(QLatin1Char('*')) == b->text().size(), masked);
    }
    // The contact's name and the approximate address are never hidden.
    QCOMPARE(box(QStringLiteral("edLXR"))->text(), insert ? QString() : QStringLiteral("王先生"));
    QVERIFY(!box<DbEdit>(QStringLiteral("edDGDZ"))->isMasked());
}

void TestRequestManage::closing_data()
{
    bothWindows();
}

void TestRequestManage::closing()
{
    QFETCH(QString, window);
    const Window &w = windowOf(window);
    const qint64 id = addRequest(w.table, requestRow(w.table, QStringLiteral("A1")));
    QVERIFY(open(window));
    // An unsaved new row goes without a question.
    command("btnAdd")->trigger();
    typeText(box(QStringLiteral("edLXR")), QStringLiteral("x"));
    QPointer<TRequestManageFm> first = m_window;
    command("atLoan")->trigger();
    QVERIFY(m_form->CurrentChild() != first);
    QVERIFY(m_messages->messages.isEmpty());
    QCOMPARE(count(w.table), 1);

    // An edit that fails a check keeps the window and what was typed.
    QVERIFY(open(window));
    command("btnEdit")->trigger();
    clearBox(box(w.priceBox));
    command("atLoan")->trigger();
    QCOMPARE(m_form->CurrentChild(), m_window.data());
    QCOMPARE(m_messages->lastText(), IncorrectMessage(w.priceCaption));
    QCOMPARE(rows()->state(), DataSet::State::Edit);
    QCOMPARE(focused(), box(w.priceBox));
    // Put right, the edit is saved on leaving.
    typeText(box(w.priceBox), QStringLiteral("66"));
    command("atLoan")->trigger();
    QVERIFY(m_form->CurrentChild() != m_window.data());
    const Sql stored(QStringLiteral("SELECT %1 AS V FROM %2 WHERE ID = ?").arg(w.priceBox.mid(2), w.table), {id});
    QCOMPARE(m_dm->GetValue(stored, QStringLiteral("V")), QStringLiteral("66"));
}

void TestRequestManage::fitsCommonScreens_data()
{
    bothWindows();
}

void TestRequestManage::fitsCommonScreens()
{
    QFETCH(QString, window);
    // The sample file as a clerk sees it: the whole form inside the window
    // at two common screen sizes. BRELVANTO_SCREENSHOT names a file to keep
    // a picture of each.
    const QString copy = copyOfSampleFile();
    if (copy.isEmpty())
        QSKIP("the built program folder with its sample file is not there");
    QVERIFY(m_dm->OpenWorkingFile(copy, true));
    QVERIFY(open(window));
    checkFitsCommonScreens(m_window, window);
}

QTEST_MAIN(TestRequestManage)
#include "TestRequestManage.moc"
