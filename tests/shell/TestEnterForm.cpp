#include "components/widgets/DataBoxes.h"
#include "datastore/Globalvar.h"
#include "shell/DesktopChildForm.h"
#include "shell/EnterForm.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

using namespace brel;

namespace {

// A window of three boxes in tab order, with a record of the Enter keys the
// boxes themselves saw.
template <class Window>
struct ThreeBoxes {
    Window window;
    QLineEdit *a = new QLineEdit(&window);
    QLineEdit *b = new QLineEdit(&window);
    QLineEdit *c = new QLineEdit(&window);

    ThreeBoxes()
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(a);
        layout->addWidget(b);
        layout->addWidget(c);
    }
};

class HintedChild : public TChildFm {
public:
    using TChildFm::TChildFm;
};

} // namespace

class TestEnterForm : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void enterMovesFocusAndReachesTheControl_data();
    void enterMovesFocusAndReachesTheControl();
    void otherKeysStay();
    void dialogOverTheWindowKeepsItsKeys();
    void childWindowIgnoresEscape();
    void rightsGroupIndex_data();
    void rightsGroupIndex();
    void editorsReadOnly();
    void desktopPanelCentred_data();
    void desktopPanelCentred();
    void childFillsItsParent();
};

void TestEnterForm::cleanup()
{
    CurrentUser = UserRecord();
}

void TestEnterForm::enterMovesFocusAndReachesTheControl_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("return") << int(Qt::Key_Return);
    QTest::newRow("keypad enter") << int(Qt::Key_Enter);
}

void TestEnterForm::enterMovesFocusAndReachesTheControl()
{
    QFETCH(int, key);
    ThreeBoxes<TEnterFm> w;
    w.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    w.a->setFocus();
    QSignalSpy reachedA(w.a, &QLineEdit::returnPressed);
    QTest::keyClick(w.a, Qt::Key(key));
    QCOMPARE(QApplication::focusWidget(), w.b);
    QCOMPARE(reachedA.count(), 1);
    QTest::keyClick(w.b, Qt::Key(key));
    QCOMPARE(QApplication::focusWidget(), w.c);
    // The key must move the focus once, even though it travels on to the parents.
    QTest::keyClick(w.c, Qt::Key(key));
    QCOMPARE(QApplication::focusWidget(), w.a);
}

void TestEnterForm::otherKeysStay()
{
    ThreeBoxes<TEnterFm> w;
    w.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    w.a->setFocus();
    QTest::keyClicks(w.a, QStringLiteral("ab"));
    QTest::keyClick(w.a, Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), w.a);
    QCOMPARE(w.a->text(), QStringLiteral("ab"));
}

void TestEnterForm::dialogOverTheWindowKeepsItsKeys()
{
    ThreeBoxes<TEnterFm> outer;
    outer.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&outer.window));
    outer.a->setFocus();
    ThreeBoxes<QDialog> inner;
    inner.window.setParent(&outer.window, Qt::Dialog);
    inner.window.show();
    inner.a->setFocus();
    QTest::keyClick(inner.a, Qt::Key_Return);
    QCOMPARE(inner.window.focusWidget(), inner.a); // a plain dialog: Enter does not move
    QCOMPARE(outer.window.focusWidget(), outer.a);
}

void TestEnterForm::childWindowIgnoresEscape()
{
    QWidget host;
    host.resize(800, 600);
    auto *child = new HintedChild(&host);
    auto *box = new QLineEdit(child);
    host.show();
    QVERIFY(QTest::qWaitForWindowActive(&host));
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Escape);
    QVERIFY(child->isVisible());
    QCOMPARE(child->palette().color(QPalette::Window), QColor(208, 224, 239));
}

void TestEnterForm::rightsGroupIndex_data()
{
    QTest::addColumn<QString>("hint");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("rental") << "房屋出租" << 0 << 1;
    QTest::newRow("sale") << "房屋出售" << 0 << 2;
    QTest::newRow("requests") << "求租求购" << 0 << 3;
    QTest::newRow("empty hint keeps the index") << "" << 2 << 2;
    QTest::newRow("spaces only keep the index") << "  " << 2 << 2;
    QTest::newRow("unknown name gives 0") << "其他" << 2 << 0;
    QTest::newRow("compared exactly") << " 房屋出租" << 2 << 0;
}

void TestEnterForm::rightsGroupIndex()
{
    QFETCH(QString, hint);
    QFETCH(int, before);
    QFETCH(int, after);
    // The user's groups are in another order than the default: found by name.
    CurrentUser.Res[1].ZYMC = QStringLiteral("房屋出租");
    CurrentUser.Res[2].ZYMC = QStringLiteral("房屋出售");
    CurrentUser.Res[3].ZYMC = QStringLiteral("求租求购");
    HintedChild child;
    QCOMPARE(child.RightsGroupIndex, 0);
    child.RightsGroupIndex = before;
    child.setHint(hint);
    child.RefreshRecordRights();
    QCOMPARE(child.RightsGroupIndex, after);
}

void TestEnterForm::editorsReadOnly()
{
    HintedChild child;
    auto *text = new DbEdit(&child);
    auto *nested = new DbDateEdit(new QWidget(&child));
    auto *pick = new DbPickBox(&child);
    auto *check = new DbCheckBox(QString(), &child);
    auto *calc = new DbCalcEdit(&child);
    auto *plain = new QLineEdit(&child);
    const QList<DataAware *> bound = {text, nested, pick, check};
    child.SetEditorsReadOnly(false);
    for (DataAware *box : bound)
        QCOMPARE(box->isDataReadOnly(), true);
    QCOMPARE(calc->isDataReadOnly(), false);
    QCOMPARE(plain->isReadOnly(), false);
    child.SetEditorsReadOnly(true);
    for (DataAware *box : bound)
        QCOMPARE(box->isDataReadOnly(), false);
}

void TestEnterForm::desktopPanelCentred_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::newRow("even room") << 900 << 650 << 100 << 100;
    QTest::newRow("odd: 1.5 to 2") << 703 << 453 << 2 << 2;
    QTest::newRow("odd: 2.5 to 2") << 705 << 455 << 2 << 2;
    QTest::newRow("exact") << 700 << 450 << 0 << 0;
    QTest::newRow("too small") << 697 << 447 << -2 << -2;
}

void TestEnterForm::desktopPanelCentred()
{
    QFETCH(int, width);
    QFETCH(int, height);
    TDesktopChildFm window;
    window.resize(width, height);
    window.show();
    QCOMPARE(window.pnDesktop->size(), QSize(700, 450));
    QTEST(window.pnDesktop->x(), "left");
    QTEST(window.pnDesktop->y(), "top");
}

void TestEnterForm::childFillsItsParent()
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

QTEST_MAIN(TestEnterForm)
#include "TestEnterForm.moc"
