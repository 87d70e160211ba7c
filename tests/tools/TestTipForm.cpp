#include "online/MakerSite.h"
#include "support/MainWindowFixture.h"
#include "tools/TipForm.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace brel;

namespace {
const QString TestServer = QStringLiteral("http://127.0.0.1:8765");
} // namespace

class TestTipForm : public QObject, public test::MainWindowFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void walksThroughTheSevenTips();
    void startsAtTheFirstTipEveryTime();
    void lastTipNamesTheConfiguredServer();
    void shownOnceAfterTheFirstLogin_data();
    void shownOnceAfterTheFirstLogin();

private:
    /// Runs what the dialog does while it is open (from trigger), then
    /// closes it with 关闭; false when no tips dialog opened.
    bool whileOpen(const std::function<void()> &trigger, const std::function<void(TTipFm *)> &inside);
};

void TestTipForm::init()
{
    qunsetenv(MakerSite::AddressVariable);
    startMainWindow();
    TMainFm::RegisterCommand(QStringLiteral("atTip"), [] { TTipFm::Run(TMainFm::instance()); });
}

void TestTipForm::cleanup()
{
    qunsetenv(MakerSite::AddressVariable);
    stopMainWindow();
}

bool TestTipForm::whileOpen(const std::function<void()> &trigger, const std::function<void(TTipFm *)> &inside)
{
    bool opened = false;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<TTipFm *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        opened = true;
        inside(dialog);
        QTest::mouseClick(dialog->btnClose, Qt::LeftButton);
    });
    poll.start();
    // A command runs the dialog at once; the first-login tips come once the event loop turns.
    trigger();
    QTest::qWait(100);
    poll.stop();
    return opened;
}

void TestTipForm::walksThroughTheSevenTips()
{
    QStringList titles;
    const bool opened = whileOpen([this] { command("atTip")->trigger(); }, [&](TTipFm *d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("使用小窍门"));
        QVERIFY(d->isModal());
        QCOMPARE(d->lbTitle->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QVERIFY(d->lbTip->wordWrap());
        for (int k = 0; k < 7; ++k) {
            QCOMPARE(d->current(), k);
            QCOMPARE(d->btnPre->isEnabled(), k > 0);
            QCOMPARE(d->btnNext->isEnabled(), k < 6);
            QVERIFY(!d->lbTip->text().isEmpty());
            titles << d->lbTitle->text();
            if (k == 6 && !qEnvironmentVariableIsEmpty("BRELVANTO_SCREENSHOT"))
                d->grab().save(qEnvironmentVariable("BRELVANTO_SCREENSHOT").replace(".png", "-tips.png"));
            if (k < 6)
                QTest::mouseClick(d->btnNext, Qt::LeftButton);
        }
        // The way back ends at the first tip.
        for (int k = 0; k < 8 && d->btnPre->isEnabled(); ++k)
            QTest::mouseClick(d->btnPre, Qt::LeftButton);
        QCOMPARE(d->current(), 0);
        QCOMPARE(d->lbTitle->text(), titles.first());
    });
    QVERIFY(opened);
    QCOMPARE(titles.size(), 7);
    QCOMPARE(titles.first(), QStringLiteral("获得最佳显示效果"));
    QCOMPARE(titles.last(), QStringLiteral("联系我们"));
    QCOMPARE(QSet<QString>(titles.begin(), titles.end()).size(), 7);
    // Closing destroys the dialog.
    QTRY_VERIFY(m_form->findChildren<TTipFm *>().isEmpty());
}

void TestTipForm::startsAtTheFirstTipEveryTime()
{
    QVERIFY(whileOpen([this] { command("atTip")->trigger(); }, [](TTipFm *d) {
        QTest::mouseClick(d->btnNext, Qt::LeftButton);
        QTest::mouseClick(d->btnNext, Qt::LeftButton);
        QCOMPARE(d->current(), 2);
    }));
    QVERIFY(whileOpen([this] { command("atTip")->trigger(); }, [](TTipFm *d) { QCOMPARE(d->current(), 0); }));
}

void TestTipForm::lastTipNamesTheConfiguredServer()
{
    auto lastTip = [] {
        TTipFm d;
        while (d.btnNext->isEnabled())
            d.btnNext->click();
        return d.lbTip->text();
    };
    QString text = lastTip();
    QVERIFY(text.contains(QStringLiteral("Brelvanto")));
    QVERIFY(text.endsWith(QStringLiteral("\n网站：") + MakerSite::DefaultAddress + QStringLiteral("\n邮箱：")
                          + MakerSite::Email));
    qputenv(MakerSite::AddressVariable, TestServer.toUtf8() + "/");
    text = lastTip();
    QVERIFY2(text.contains(QStringLiteral("网站：") + TestServer + QLatin1Char('\n')), qPrintable(text));
}

void TestTipForm::shownOnceAfterTheFirstLogin_data()
{
    QTest::addColumn<bool>("firstStart");
    QTest::newRow("first start") << true;
    QTest::newRow("a later start") << false;
}

void TestTipForm::shownOnceAfterTheFirstLogin()
{
    QFETCH(bool, firstStart);
    TTipFm::ShowAfterFirstLogin(m_form, firstStart);
    auto login = [this] { emit m_form->workingFileOpened(); };
    QCOMPARE(whileOpen(login, [](TTipFm *d) { QCOMPARE(d->current(), 0); }), firstStart);
    // Another working file later on shows no tips.
    QVERIFY(!whileOpen(login, [](TTipFm *) {}));
}

QTEST_MAIN(TestTipForm)
#include "TestTipForm.moc"
