#include "components/widgets/DataBoxes.h"
#include "datastore/DataSet.h"
#include "datastore/Globalvar.h"
#include "datastore/Rights.h"
#include "shell/DesktopChildForm.h"
#include "support/TestFiles.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace brel;

class TestChildForm : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void childWindowIgnoresEscape();
    void firstControlGetsTheFocus();
    void rightsGroupIndex_data();
    void rightsGroupIndex();
    void editorsEditable_data();
    void editorsEditable();
    void desktopPanelCentred_data();
    void desktopPanelCentred();
    void childFillsItsParent();
};

void TestChildForm::cleanup()
{
    CurrentUser = UserRecord();
}

void TestChildForm::childWindowIgnoresEscape()
{
    QWidget host;
    host.resize(800, 600);
    auto *child = new TChildFm(&host);
    auto *box = new QLineEdit(child);
    host.show();
    QVERIFY(QTest::qWaitForWindowActive(&host));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Escape);
    QVERIFY(child->isVisible());
    QCOMPARE(child->palette().color(QPalette::Window), QColor(208, 224, 239));
}

void TestChildForm::firstControlGetsTheFocus()
{
    QWidget host;
    host.resize(800, 600);
    auto *child = new TDesktopChildFm(&host);
    new QLineEdit(child->pnDesktop);
    auto *second = new QLineEdit(child->pnDesktop);
    child->setFirstControl(second);
    child->hide();
    host.show();
    QVERIFY(QTest::qWaitForWindowActive(&host));
    child->show();
    QCOMPARE(QApplication::focusWidget(), second);
}

void TestChildForm::rightsGroupIndex_data()
{
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("loaded"); // whether the user's groups were loaded
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("rental") << "房屋出租" << true << 0 << 1;
    QTest::newRow("sale") << "房屋出售" << true << 0 << 2;
    QTest::newRow("requests") << "求租求购" << true << 0 << 3;
    QTest::newRow("empty hint keeps the index") << "" << true << 2 << 2;
    QTest::newRow("spaces only keep the index") << "  " << true << 2 << 2;
    QTest::newRow("unknown name gives 0") << "跟踪报警" << true << 2 << 0;
    QTest::newRow("compared exactly") << " 房屋出租" << true << 2 << 0;
    QTest::newRow("group not loaded gives 0") << "房屋出售" << false << 2 << 0;
}

void TestChildForm::rightsGroupIndex()
{
    QFETCH(QString, hint);
    QFETCH(bool, loaded);
    QFETCH(int, before);
    QFETCH(int, after);
    // How the store fills the groups from TbRes is tested with the rights;
    // here the window reads whatever is loaded.
    if (loaded) {
        CurrentUser.Res[GroupRental].ZYMC = QStringLiteral("房屋出租");
        CurrentUser.Res[GroupSale].ZYMC = QStringLiteral("房屋出售");
        CurrentUser.Res[GroupRequest].ZYMC = QStringLiteral("求租求购");
    }
    TChildFm child;
    QCOMPARE(child.RightsGroupIndex, 0);
    child.RightsGroupIndex = before;
    child.setHint(hint);
    child.RefreshRecordRights();
    QCOMPARE(child.RightsGroupIndex, after);
}

void TestChildForm::editorsEditable_data()
{
    QTest::addColumn<bool>("allowed");
    QTest::newRow("editing allowed") << true;
    QTest::newRow("editing not allowed") << false;
}

// The user tries every kind of bound box of a window over a real row; only
// what the call allows reaches the row.
void TestChildForm::editorsEditable()
{
    QFETCH(bool, allowed);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("child.mdb"));
    test::makeBlankFile(path);
    Database db;
    db.open(path, test::DataPassword);
    db.execute(Sql("INSERT INTO TbRental (SJH, FWDZ, QY, JGRQ, ZJ, GGFB, FXT) VALUES (?,?,?,?,?,?,?)",
                   {QStringLiteral("00000001"), QStringLiteral("人民路1号"), QStringLiteral("城东"),
                    QStringLiteral("2020-05-01"), 1200.0, 0, QStringLiteral("南北通透")}));
    DataSet ds(&db);
    ds.setSql(Sql("SELECT * FROM TbRental", {}, "ID"));
    DataSource source;
    source.setDataSet(&ds);
    ds.open();

    TDesktopChildFm window;
    auto bind = [&](auto *box, const char *field) {
        box->setObjectName(QString::fromLatin1(field));
        box->setDataSource(&source);
        box->setDataField(QString::fromLatin1(field));
        return box;
    };
    auto *address = bind(new DbEdit(window.pnDesktop), "FWDZ");
    auto *date = bind(new DbDateEdit(new QWidget(window.pnDesktop)), "JGRQ"); // nested a level deeper
    auto *pick = bind(new DbPickBox(window.pnDesktop), "QY");
    auto *check = bind(new DbCheckBox(QStringLiteral("广告发布"), window.pnDesktop), "GGFB");
    auto *memo = bind(new DbMemo(window.pnDesktop), "FXT");
    auto *calc = bind(new DbCalcEdit(window.pnDesktop), "ZJ");
    auto *criteria = new QLineEdit(window.pnDesktop); // not bound: a search box, say
    pick->setItems({QStringLiteral("城东"), QStringLiteral("城西")});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    calc->setDataReadOnly(allowed);
    window.SetEditorsEditable(!allowed);
    window.SetEditorsEditable(allowed);

    const auto shown = [&] {
        return QStringList{address->text(), date->text(), pick->currentText(),
                           check->isChecked() ? QStringLiteral("1") : QStringLiteral("0"), memo->toPlainText()};
    };
    const QStringList before = shown();
    QTest::keyClicks(address, "x");
    QTest::keyClicks(date, "9");
    QTest::keyClicks(pick->lineEdit(), "x");
    QTest::keyClick(check, Qt::Key_Space);
    QTest::keyClicks(memo, "x");
    const QStringList after = shown();
    const QStringList names = {"FWDZ", "JGRQ", "QY", "GGFB", "FXT"};
    QStringList changed;
    for (int i = 0; i < names.size(); ++i) {
        if (before.at(i) != after.at(i))
            changed << names.at(i);
    }
    QCOMPARE(changed, allowed ? names : QStringList());
    QCOMPARE(ds.state(), allowed ? DataSet::State::Edit : DataSet::State::Browse);
    // The calculator box and unbound boxes follow their own rules.
    QCOMPARE(calc->isDataReadOnly(), allowed);
    QCOMPARE(criteria->isReadOnly(), false);
}

void TestChildForm::desktopPanelCentred_data()
{
    QTest::addColumn<QSize>("panel");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QPoint>("topLeft");
    const QSize base(700, 450);
    QTest::newRow("even room") << base << QSize(900, 600) << QPoint(100, 75);
    QTest::newRow("1.5 to 2, 1 stays") << base << QSize(703, 452) << QPoint(2, 1);
    QTest::newRow("2.5 to 2, 3.5 to 4") << base << QSize(705, 457) << QPoint(2, 4);
    QTest::newRow("0.5 to 0") << base << QSize(701, 451) << QPoint(0, 0);
    QTest::newRow("exact") << base << QSize(700, 450) << QPoint(0, 0);
    QTest::newRow("too small: -1.5 to -2, -0.5 to 0") << base << QSize(697, 449) << QPoint(-2, 0);
    QTest::newRow("a subclass's panel") << QSize(640, 480) << QSize(1023, 768) << QPoint(192, 144);
}

void TestChildForm::desktopPanelCentred()
{
    QFETCH(QSize, panel);
    QFETCH(QSize, window);
    QFETCH(QPoint, topLeft);
    TDesktopChildFm child;
    child.setDesktopSize(panel.width(), panel.height());
    child.resize(window);
    child.show();
    QVERIFY(QTest::qWaitForWindowExposed(&child));
    QCOMPARE(child.size(), window);
    QCOMPARE(child.pnDesktop->size(), panel);
    QCOMPARE(child.pnDesktop->pos(), topLeft);
}

void TestChildForm::childFillsItsParent()
{
    QWidget host;
    host.resize(640, 480);
    auto *child = new TDesktopChildFm(&host);
    host.show();
    QCOMPARE(child->geometry(), host.rect());
    host.resize(1000, 700);
    QCOMPARE(child->geometry(), host.rect());
    QCOMPARE(child->pnDesktop->pos(), QPoint(150, 125));
}

QTEST_MAIN(TestChildForm)
#include "TestChildForm.moc"
