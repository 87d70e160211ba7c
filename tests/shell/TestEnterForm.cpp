#include "shell/EnterForm.h"

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

} // namespace

class TestEnterForm : public QObject {
    Q_OBJECT
private slots:
    void enterMovesFocusAndReachesTheControl_data();
    void enterMovesFocusAndReachesTheControl();
    void otherKeysStay();
    void dialogOverTheWindowKeepsItsKeys();
};

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

QTEST_MAIN(TestEnterForm)
#include "TestEnterForm.moc"
