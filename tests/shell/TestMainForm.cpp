#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "shell/MainForm.h"
#include "shell/SettingObjects.h"
#include "support/MessageRecorder.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace brel;

class TestMainForm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void identity();
    void choiceOfTheWorkingFile_data();
    void choiceOfTheWorkingFile();
    void missingFileLeavesTheWindowEmpty();
    void firstShowOpensTheFile();
    void switchedFileIsStoredAtLogin();
    void refusedLoginClosesWithoutQuestion();
    void engineErrorAtStartIsShown();
    void exitQuestion_data();
    void exitQuestion();

private:
    QString sampleFile() const { return m_appDir->path() + QStringLiteral("/Data/例子数据文件.mdb"); }
    QString storedDefaultDb() const
    {
        return QSettings(m_ini, QSettings::IniFormat).value(QStringLiteral("Software/Quorvane/Brelvanto/DefaultDb")).toString();
    }
    void setBeginer(const QVariant &value, const QString &defaultDb);

    std::unique_ptr<QTemporaryDir> m_appDir;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TSettings> m_settings;
    std::unique_ptr<test::MessageRecorder> m_messages;
    QPointer<TMainFm> m_form;
    QString m_ini;
};

void TestMainForm::init()
{
    ClearGlobals();
    m_appDir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(m_appDir->path() + QStringLiteral("/Data")));
    qputenv("BRELVANTO_APP_DIR", QFile::encodeName(m_appDir->path()));
    m_ini = m_appDir->filePath(QStringLiteral("settings.ini"));
    m_dm = std::make_unique<TDM>();
    m_settings = std::make_unique<TSettings>(m_ini);
    m_messages = std::make_unique<test::MessageRecorder>();
    m_form = new TMainFm;
}

void TestMainForm::cleanup()
{
    delete m_form.data();
    m_messages.reset();
    m_settings.reset();
    m_dm.reset();
    m_appDir.reset();
    ClearGlobals();
}

void TestMainForm::setBeginer(const QVariant &value, const QString &defaultDb)
{
    QSettings s(m_ini, QSettings::IniFormat);
    if (value.isValid())
        s.setValue(QStringLiteral("Software/Quorvane/Brelvanto/Beginer"), value);
    if (!defaultDb.isNull())
        s.setValue(QStringLiteral("Software/Quorvane/Brelvanto/DefaultDb"), defaultDb);
}

void TestMainForm::identity()
{
    QCOMPARE(m_form->objectName(), QStringLiteral("Brelvanto"));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Quorvane-Brelvanto"));
    // No display name is set: the toolkit would append it to every window's
    // title, and a dialog's title must be exactly its caption.
    QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    QVERIFY(m_form->windowState() & Qt::WindowMaximized);
    QCOMPARE(AppDir, m_appDir->path());
    QVERIFY(!m_form->AwayMode);
}

void TestMainForm::choiceOfTheWorkingFile_data()
{
    QTest::addColumn<QVariant>("beginer"); // invalid = missing
    QTest::addColumn<QString>("defaultDb"); // null = missing
    QTest::addColumn<bool>("expectSample");
    QTest::newRow("first run") << QVariant() << QString() << true;
    QTest::newRow("first run, a DefaultDb is ignored") << QVariant(0) << "/data/办公.mdb" << true;
    QTest::newRow("after the first login") << QVariant(1) << "/data/办公.mdb" << false;
    QTest::newRow("after the first login, nothing stored") << QVariant(1) << QString() << false;
    QTest::newRow("garbled Beginer") << QVariant(QStringLiteral("x")) << "/data/办公.mdb" << true;
}

void TestMainForm::choiceOfTheWorkingFile()
{
    QFETCH(QVariant, beginer);
    QFETCH(QString, defaultDb);
    QFETCH(bool, expectSample);
    setBeginer(beginer, defaultDb);
    QCOMPARE(TMainFm::InitialWorkingFile(), expectSample ? sampleFile() : defaultDb);
}

void TestMainForm::missingFileLeavesTheWindowEmpty()
{
    setBeginer(1, m_appDir->filePath(QStringLiteral("deleted.mdb")));
    QSignalSpy missing(m_form.data(), &TMainFm::workingFileMissing);
    QSignalSpy opened(m_form.data(), &TMainFm::workingFileOpened);
    m_form->OpenInitialWorkingFile();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_form);
    QCOMPARE(missing.count(), 1);
    QCOMPARE(opened.count(), 0);
    QVERIFY(!m_dm->DbBase->isOpen());
    QCOMPARE(m_messages->messages.size(), 0);
}

void TestMainForm::firstShowOpensTheFile()
{
    test::makeBlankFile(sampleFile());
    int logins = 0;
    m_dm->hooks.login = [&] { ++logins; return true; };
    QSignalSpy opened(m_form.data(), &TMainFm::workingFileOpened);
    m_form->show();
    QTRY_COMPARE(opened.count(), 1);
    m_form->hide();
    m_form->show();
    QCoreApplication::processEvents();
    QCOMPARE(logins, 1);
    QCOMPARE(WorkingFile, sampleFile());
    QCOMPARE(m_dm->DbBase->path(), sampleFile());
    QVERIFY(m_dm->DbBase->isOpen());
    // Stored at once, not only on a clean close (a crash or a kill would lose it).
    QCOMPARE(storedDefaultDb(), sampleFile());
}

void TestMainForm::switchedFileIsStoredAtLogin()
{
    test::makeBlankFile(sampleFile());
    const QString other = m_appDir->filePath(QStringLiteral("Data/分店.mdb"));
    test::makeBlankFile(other);
    bool refuse = false;
    m_dm->hooks.login = [&] { return !refuse; };
    m_form->OpenInitialWorkingFile();
    QVERIFY(m_dm->OpenWorkingFile(other, false));
    QCOMPARE(storedDefaultDb(), other);
    // A refused login to a third file keeps the stored one.
    refuse = true;
    QVERIFY(!m_dm->OpenWorkingFile(sampleFile(), false));
    QCOMPARE(storedDefaultDb(), other);
}

void TestMainForm::refusedLoginClosesWithoutQuestion()
{
    test::makeBlankFile(sampleFile());
    m_dm->hooks.login = [] { return false; };
    m_form->show();
    QTRY_VERIFY(m_form.isNull());
    QCOMPARE(m_messages->messages.size(), 0);
    // The path that was tried is stored for the next start.
    QCOMPARE(storedDefaultDb(), sampleFile());
}

void TestMainForm::engineErrorAtStartIsShown()
{
    QFile garbage(sampleFile());
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();
    bool loginShown = false;
    m_dm->hooks.login = [&] { loginShown = true; return true; };
    m_form->OpenInitialWorkingFile();
    QCOMPARE(m_messages->messages.size(), 1);
    QCOMPARE(m_messages->messages[0].icon, Messages::Icon::Error);
    QVERIFY2(m_messages->lastText().contains(QStringLiteral("例子数据文件.mdb")), qPrintable(m_messages->lastText()));
    QVERIFY(!loginShown);
    QVERIFY(m_form);
}

void TestMainForm::exitQuestion_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closes");
    QTest::newRow("nobody logged in") << QString() << int(Messages::Answer::Cancel) << false << true;
    QTest::newRow("logged in, OK") << "张丽" << int(Messages::Answer::Ok) << true << true;
    QTest::newRow("logged in, Cancel") << "张丽" << int(Messages::Answer::Cancel) << true << false;
}

void TestMainForm::exitQuestion()
{
    QFETCH(QString, user);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, closes);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.data()));
    QCoreApplication::processEvents();
    CurrentUser.YHXM = user;
    WorkingFile = m_appDir->filePath(QStringLiteral("办公.mdb"));
    m_messages->clear();
    m_messages->setNextAnswer(Messages::Answer(answer));

    m_form->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(m_messages->messages.size(), asked ? 1 : 0);
    if (asked) {
        const Messages::Message &m = m_messages->messages[0];
        QCOMPARE(m.text, QStringLiteral("您确定要退出“Brelvanto”吗？"));
        QCOMPARE(m.icon, Messages::Icon::Information);
        QCOMPARE(m.buttons, Messages::Buttons::OkCancel);
    }
    QCOMPARE(m_form.isNull(), closes);
    if (!closes)
        QVERIFY(m_form->isVisible());
    QCOMPARE(storedDefaultDb(), closes ? WorkingFile : QString());
}

QTEST_MAIN(TestMainForm)
#include "TestMainForm.moc"
