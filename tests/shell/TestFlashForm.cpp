#include "shell/FlashForm.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QtTest>

using namespace brel;

class TestFlashForm : public QObject {
    Q_OBJECT

private slots:
    void borderlessPictureOfFixedSize();
    void closesAndFreesItself();
    void environmentShortensTheDelay();
    void showSplashReturns_data();
    void showSplashReturns();
};

void TestFlashForm::borderlessPictureOfFixedSize()
{
    TFlashFm splash;
    QCOMPARE(splash.size(), QSize(480, 300));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash.closeDelay(), TFlashFm::DefaultCloseDelay);
    splash.setCloseDelay(60000);
    splash.show();
    QCOMPARE(splash.frameGeometry().center(), QGuiApplication::primaryScreen()->geometry().center());
    // The picture is drawn, not left blank.
    const QImage picture = TFlashFm::splashPicture().toImage();
    QCOMPARE(picture.size(), QSize(480, 300));
    QVERIFY(picture.pixel(240, 20) != picture.pixel(240, 290));
}

void TestFlashForm::closesAndFreesItself()
{
    QPointer<TFlashFm> splash = new TFlashFm;
    splash->setCloseDelay(1);
    // exec() returns only once the timer has closed the modal splash.
    QCOMPARE(splash->exec(), int(QDialog::Accepted));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(splash.isNull());
}

void TestFlashForm::environmentShortensTheDelay()
{
    qputenv("BRELVANTO_SPLASH_MS", "250");
    TFlashFm shortened;
    qputenv("BRELVANTO_SPLASH_MS", "999999");
    TFlashFm notLonger;
    qunsetenv("BRELVANTO_SPLASH_MS");
    QCOMPARE(shortened.closeDelay(), 250);
    QCOMPARE(notLonger.closeDelay(), TFlashFm::DefaultCloseDelay);
}

void TestFlashForm::showSplashReturns_data()
{
    QTest::addColumn<QByteArray>("delay"); // BRELVANTO_SPLASH_MS
    QTest::newRow("no splash") << QByteArray("0");
    QTest::newRow("closes at once") << QByteArray("1");
    QTest::newRow("short") << QByteArray("30");
}

void TestFlashForm::showSplashReturns()
{
    QFETCH(QByteArray, delay);
    qputenv("BRELVANTO_SPLASH_MS", delay);
    // A splash that never closes would hang start-up: fail instead.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, [] { qFatal("ShowSplash did not return"); });
    watchdog.start(20000);
    ShowSplash();
    qunsetenv("BRELVANTO_SPLASH_MS");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<TFlashFm *>(w));
}

QTEST_MAIN(TestFlashForm)
#include "TestFlashForm.moc"
