// The top-level catcher of the application object.

#include "datastore/Engine.h"
#include "shell/widgets/Application.h"
#include "support/MessageRecorder.h"

#include <QPushButton>
#include <QtTest>

#include <memory>
#include <stdexcept>

using namespace brel;

namespace {

class Thrower : public QObject {
public:
    enum Kind { Engine, Standard };
    Kind kind = Engine;
    int handled = 0;

    bool event(QEvent *e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++handled;
        if (kind == Engine)
            throw EngineError(QStringLiteral("数据文件“a.mdb”不存在。"));
        throw std::runtime_error("磁盘已满");
    }
};

} // namespace

class TestApplication : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void errorsFromEventHandlersBecomeMessages_data();
    void errorsFromEventHandlersBecomeMessages();
    void programRunsOnAfterAnErrorInAClickHandler();

private:
    std::unique_ptr<TApplication> m_app;
};

// The application object under test is the test's own application.
void TestApplication::initTestCase()
{
    static int argc = 1;
    static char name[] = "shell_Application";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("offscreen")).toLocal8Bit());
    m_app = std::make_unique<TApplication>(argc, argv);
}

void TestApplication::cleanupTestCase()
{
    m_app.reset();
}

void TestApplication::errorsFromEventHandlersBecomeMessages_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("engine error") << int(Thrower::Engine) << "数据文件“a.mdb”不存在。";
    QTest::newRow("other exception") << int(Thrower::Standard) << "磁盘已满";
}

void TestApplication::errorsFromEventHandlersBecomeMessages()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    test::MessageRecorder messages;
    Thrower thrower;
    thrower.kind = Thrower::Kind(kind);

    // Posted events go through the event loop, as a user's would.
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QTRY_COMPARE(thrower.handled, 2);

    QCOMPARE(messages.texts(), (QStringList{text, text}));
    QCOMPARE(messages.messages[0].icon, Messages::Icon::Error);
}

void TestApplication::programRunsOnAfterAnErrorInAClickHandler()
{
    test::MessageRecorder messages;
    QPushButton button(QStringLiteral("保存"));
    int clicks = 0;
    connect(&button, &QPushButton::clicked, this, [&] {
        if (++clicks == 1)
            throw EngineError(QStringLiteral("无法写入数据文件。"));
    });
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(messages.texts(), QStringList{QStringLiteral("无法写入数据文件。")});
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicks, 2);
    QCOMPARE(messages.messages.size(), 1);
    QVERIFY(button.isVisible());
}

QTEST_APPLESS_MAIN(TestApplication)
#include "TestApplication.moc"
