#include "admin/LogManageForm.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/Rights.h"
#include "shell/HelpForm.h"
#include "shell/MainForm.h"
#include "shell/SettingObjects.h"
#include "support/MessageRecorder.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace brel;

class TestMainForm : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_programDir = qEnvironmentVariable("BRELVANTO_APP_DIR"); }
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

    void commandTable_data();
    void commandTable();
    void toolBar();
    void shortcutDispatches_data();
    void shortcutDispatches();
    void placeholderCommands_data();
    void placeholderCommands();
    void helpOpensTheHelpWindow();
    void logWindowThroughItsBinding();
    void noWorkingFileDisablesCommands();
    void calculator_data();
    void calculator();
    void captionAndStatus();
    void screenshot();

private:
    QString sampleFile() const { return m_appDir->path() + QStringLiteral("/Data/例子数据文件.mdb"); }
    QString storedDefaultDb() const
    {
        return QSettings(m_ini, QSettings::IniFormat).value(QStringLiteral("Software/Quorvane/Brelvanto/DefaultDb")).toString();
    }
    void setBeginer(const QVariant &value, const QString &defaultDb);
    void showActive();
    QAction *command(const char *name) const { return m_form->command(QString::fromLatin1(name)); }

    std::unique_ptr<QTemporaryDir> m_appDir;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TSettings> m_settings;
    std::unique_ptr<test::MessageRecorder> m_messages;
    QPointer<TMainFm> m_form;
    QString m_ini;
    QString m_programDir; ///< the built program folder, with the sample file and the help pages
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
    delete THelpFm::instance();
    TMainFm::ClearRegistrations();
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

void TestMainForm::showActive()
{
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.data()));
    QCoreApplication::processEvents();
}

void TestMainForm::commandTable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("menu"); // object name of the menu holding it
    auto row = [](const char *name, const char *caption, const char *key, const char *menu) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(caption) << QString::fromLatin1(key)
                            << QString::fromLatin1(menu);
    };
    row("atRentalManage", "出租单管理", "F1", "mnWork");
    row("atRentalSearch", "出租单查询", "F2", "mnWork");
    row("atAlertSearch", "跟踪报警", "F3", "mnWork");
    row("atSaleManage", "出售单管理", "F4", "mnWork");
    row("atSaleSearch", "出售单查询", "F5", "mnWork");
    row("atQRentalManage", "房屋求租管理", "F6", "mnWork");
    row("atQRentalSearch", "房屋求租查询", "F7", "mnWork");
    row("atQBuyManage", "房屋求购管理", "F8", "mnWork");
    row("atQBuySearch", "房屋求购查询", "F9", "mnWork");
    row("atQuit", "退出", "Ctrl+Q", "mnWork");
    row("atLogin", "系统登录", "F11", "mnSystem");
    row("atAlway", "暂时离开", "F12", "mnSystem");
    row("atDataLink", "设置工作数据文件", "", "mnSystem");
    row("atBaseInfo", "系统参数设置", "", "mnSystem");
    row("atChgPwd", "修改登录密码", "", "mnSystem");
    row("atData", "数据文件维护", "", "mnSystem");
    row("aLog", "操作日志查询", "", "mnSystem");
    row("atPieceStat", "收件统计报表", "", "mnReports");
    row("atRentalRelease", "出租信息公告", "", "mnPrintRental");
    row("atRentalReturn", "出租登记回执", "", "mnPrintRental");
    row("atRentalSave", "出租完成存档", "", "mnPrintRental");
    row("atSaleRelease", "出售信息公告", "", "mnPrintSale");
    row("atSaleReturn", "出售登记回执", "", "mnPrintSale");
    row("atSaleSave", "出售完成存档", "", "mnPrintSale");
    row("atQQRentalRelease", "求租信息公告", "", "mnPrintQuery");
    row("atQQRentalReturn", "求租登记回执", "", "mnPrintQuery");
    row("atQBuyRelease", "求购信息公告", "", "mnPrintQuery");
    row("atQBuyReturn", "求购登记回执", "", "mnPrintQuery");
    row("atLoan", "按揭贷款计算器", "", "mnTools");
    row("atCalculate", "数字计算器", "", "mnTools");
    row("atHelp", "帮助", "", "mnHelp");
    row("atTip", "软件使用小窍门", "", "mnHelp");
    row("atHomePage", "Quorvane软件网站", "", "mnHelp");
    row("atGetLastest", "检查是否有新版软件", "", "mnHelp");
}

void TestMainForm::commandTable()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, key);
    QFETCH(QString, menu);
    QAction *action = m_form->command(name);
    QVERIFY(action);
    QCOMPARE(action->text(), caption);
    QCOMPARE(action->shortcut(), QKeySequence(key));
    auto *holder = m_form->menuBar()->findChild<QMenu *>(menu);
    QVERIFY(holder);
    QVERIFY(holder->actions().contains(action));
    // The print sub-menus belong to the management windows' pop-ups, not the bar.
    const bool printMenu = menu.startsWith(QLatin1String("mnPrint"));
    QCOMPARE(holder->menuAction()->isVisible(), !printMenu);
}

void TestMainForm::toolBar()
{
    QToolBar *bar = m_form->ToolBar;
    QVERIFY(bar);
    QVERIFY(!bar->isMovable());
    QVERIFY(!bar->isFloatable());
    QStringList order;
    for (QAction *a : bar->actions())
        order << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
    QCOMPARE(order.join(QLatin1Char(' ')),
             QStringLiteral("atLogin atAlway | btnAdd btnEdit btnDel btnSave btnCancel btnRefresh | btnForword btnBackword"
                            " | btnFirst btnPrev btnNext btnLast | btnExp btnSync | atHelp"));
    for (QAction *a : bar->actions()) {
        if (a->isSeparator())
            continue;
        QVERIFY2(!a->icon().isNull(), qPrintable(a->objectName()));
        QVERIFY2(a->toolTip().startsWith(a->text()), qPrintable(a->toolTip()));
    }
    // Without a data set in the navigator the record buttons are off.
    for (const char *name : {"btnAdd", "btnDel", "btnFirst", "btnForword", "btnExp"})
        QVERIFY2(!command(name)->isEnabled(), name);
}

void TestMainForm::shortcutDispatches_data()
{
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<QString>("name");
    const char *fkeys[] = {"atRentalManage", "atRentalSearch", "atAlertSearch", "atSaleManage", "atSaleSearch",
                           "atQRentalManage", "atQRentalSearch", "atQBuyManage", "atQBuySearch"};
    for (int i = 0; i < 9; ++i)
        QTest::addRow("F%d", i + 1) << QKeySequence(Qt::Key(Qt::Key_F1 + i)) << QString::fromLatin1(fkeys[i]);
    QTest::newRow("F11") << QKeySequence(Qt::Key_F11) << "atLogin";
    QTest::newRow("F12") << QKeySequence(Qt::Key_F12) << "atAlway";
    QTest::newRow("Ctrl+A") << QKeySequence(Qt::CTRL | Qt::Key_A) << "btnAdd";
    QTest::newRow("Ctrl+E") << QKeySequence(Qt::CTRL | Qt::Key_E) << "btnEdit";
    QTest::newRow("Ctrl+D") << QKeySequence(Qt::CTRL | Qt::Key_D) << "btnDel";
    QTest::newRow("Ctrl+S") << QKeySequence(Qt::CTRL | Qt::Key_S) << "btnSave";
    QTest::newRow("Ctrl+C") << QKeySequence(Qt::CTRL | Qt::Key_C) << "btnCancel";
    QTest::newRow("Ctrl+R") << QKeySequence(Qt::CTRL | Qt::Key_R) << "btnRefresh";
    QTest::newRow("Ctrl+Q") << QKeySequence(Qt::CTRL | Qt::Key_Q) << "atQuit";
}

void TestMainForm::shortcutDispatches()
{
    QFETCH(QKeySequence, key);
    QFETCH(QString, name);
    showActive();
    // The record buttons answer their keys once the navigator enables them.
    m_form->command(name)->setEnabled(true);
    QList<QSignalSpy *> spies;
    QStringList names;
    for (QAction *a : m_form->commands()) {
        spies << new QSignalSpy(a, &QAction::triggered);
        names << a->objectName();
    }
    QTest::keySequence(m_form.data(), key);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList fired;
    for (int i = 0; i < spies.size(); ++i) {
        if (spies[i]->count())
            fired << names.at(i) + QString::number(spies[i]->count());
    }
    qDeleteAll(spies);
    QCOMPARE(fired, QStringList{name + QLatin1Char('1')});
    // F1 is the rental command: the help window stays closed.
    QCOMPARE(THelpFm::instance(), nullptr);
    if (name == QLatin1String("atQuit"))
        QVERIFY(m_form.isNull());
}

void TestMainForm::placeholderCommands_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"atRentalSearch", "atAlertSearch", "atSaleSearch",
                             "atQRentalSearch", "atQBuySearch", "atDataLink", "atBaseInfo", "atChgPwd", "aLog", "atPieceStat",
                             "atRentalRelease", "atRentalReturn", "atRentalSave", "atSaleRelease", "atSaleReturn",
                             "atSaleSave", "atQQRentalRelease", "atQQRentalReturn", "atQBuyRelease",
                             "atQBuyReturn", "atLoan", "atTip", "atHomePage", "atGetLastest", "btnSync"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestMainForm::placeholderCommands()
{
    QFETCH(QString, name);
    // aLog is a placeholder only while nothing registered the log window.
    m_form->command(name)->trigger();
    QCOMPARE(m_messages->messages.size(), 1);
    QCOMPARE(m_messages->messages[0].text, QStringLiteral("该功能将在后续版本中提供。"));
    QCOMPARE(m_messages->messages[0].icon, Messages::Icon::Information);
    QVERIFY(m_form);
    QCOMPARE(m_form->CurrentChild(), nullptr);
}

void TestMainForm::helpOpensTheHelpWindow()
{
    AppDir = m_appDir->path();
    QVERIFY(QDir(AppDir).mkpath(QStringLiteral("Help")));
    QFile page(THelpFm::helpDir() + QLatin1Char('/') + THelpFm::entryPage());
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<html><body><p>\xE7\xAE\x80\xE4\xBB\x8B</p></body></html>");
    page.close();
    command("atHelp")->trigger();
    QVERIFY(THelpFm::instance());
    QVERIFY(THelpFm::instance()->isVisible());
    QCOMPARE(m_messages->messages.size(), 0);
    // Pressed again, the same window comes forward.
    THelpFm *first = THelpFm::instance();
    command("atHelp")->trigger();
    QCOMPARE(THelpFm::instance(), first);
}

void TestMainForm::logWindowThroughItsBinding()
{
    const QString file = m_appDir->filePath(QStringLiteral("Data/办公.mdb"));
    test::makeBlankFile(file);
    // The log window is the administrator's.
    m_dm->hooks.login = [] {
        CurrentUser.Id = 1;
        CurrentUser.YHXM = QStringLiteral("admin");
        return true;
    };
    setBeginer(1, file);
    int made = 0;
    TMainFm::RegisterChild(QStringLiteral("aLog"), [&made](QWidget *parent) {
        ++made;
        return new TLogManageFm(parent);
    });
    QSignalSpy opened(m_form.data(), &TMainFm::workingFileOpened);
    showActive();
    QTRY_COMPARE(opened.count(), 1);
    command("aLog")->trigger();
    QCOMPARE(m_messages->messages.size(), 0);
    auto *log = qobject_cast<TLogManageFm *>(m_form->CurrentChild());
    QCOMPARE(made, 1);
    QVERIFY(log);
    QVERIFY(log->isVisible());
    QCOMPARE(m_form->lbCaption->text(), log->windowTitle());
    QVERIFY(!log->windowTitle().isEmpty());
    // The log is only moved through, refreshed and exported.
    for (const char *name : {"btnAdd", "btnEdit", "btnDel", "btnSave", "btnCancel"})
        QVERIFY2(!command(name)->isEnabled(), name);
    QVERIFY(command("btnRefresh")->isEnabled());
    QVERIFY(command("btnExp")->isEnabled());
    // The window already shown is not made again.
    command("aLog")->trigger();
    QCOMPARE(made, 1);
    QCOMPARE(m_form->CurrentChild(), log);
}

void TestMainForm::noWorkingFileDisablesCommands()
{
    setBeginer(1, m_appDir->filePath(QStringLiteral("deleted.mdb")));
    m_form->OpenInitialWorkingFile();
    for (QAction *a : m_form->commands())
        QCOMPARE_NE(a->isEnabled(), a->objectName() != QLatin1String("atQuit"));
    QVERIFY(!m_form->PrintRentalMenu->isEnabled());
    QVERIFY(!m_form->PrintSaleMenu->isEnabled());
    QVERIFY(!m_form->PrintQueryMenu->isEnabled());
    // F1 does nothing now, Ctrl+Q still leaves.
    showActive();
    QTest::keyClick(m_form.data(), Qt::Key_F1);
    QCOMPARE(m_messages->messages.size(), 0);
    QTest::keySequence(m_form.data(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_form.isNull());
}

void TestMainForm::calculator_data()
{
    QTest::addColumn<QString>("installed"); // empty = none on PATH
    QTest::newRow("none installed") << QString();
    QTest::newRow("xcalc") << "xcalc";
    QTest::newRow("kcalc before xcalc") << "kcalc xcalc";
}

void TestMainForm::calculator()
{
    QFETCH(QString, installed);
    QTemporaryDir bin;
    const QString marker = bin.filePath(QStringLiteral("started"));
    const QStringList programs = installed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &name : programs) {
        QFile script(bin.filePath(name));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho " + name.toUtf8() + " > '" + QFile::encodeName(marker) + "'\n");
        script.close();
        script.setPermissions(script.permissions() | QFile::ExeOwner);
    }
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    const bool started = m_form->OpenCalculator();
    qputenv("PATH", oldPath);
    QCOMPARE(started, !programs.isEmpty());
    if (programs.isEmpty()) {
        QCOMPARE(m_messages->lastText(), TMainFm::NoCalculatorText());
        QVERIFY(TMainFm::NoCalculatorText().contains(QStringLiteral("计算器")));
        return;
    }
    QCOMPARE(m_messages->messages.size(), 0);
    QFile out(marker);
    QTRY_VERIFY(out.exists() && out.size() > 0);
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(out.readAll()).trimmed(), programs.first());
}

void TestMainForm::captionAndStatus()
{
    WorkingFile = QStringLiteral("/data/办公.mdb");
    SysOptions.XSLJ = false;
    m_form->UpdateCaption();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Quorvane-Brelvantov1.05"));
    SysOptions.XSLJ = true;
    m_form->UpdateCaption();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Quorvane-Brelvantov1.05 /data/办公.mdb"));
    SysOptions.XSLJ = false;

    m_form->ShowStatus(QStringLiteral("版权"), QStringLiteral("张丽"), QStringLiteral("星期四"));
    const auto panels = m_form->statusBar()->findChildren<QLabel *>(QRegularExpression(QStringLiteral("^StatusPanel")));
    QCOMPARE(panels.size(), 3);
    auto panel = [&](int i) { return m_form->statusBar()->findChild<QLabel *>(QStringLiteral("StatusPanel%1").arg(i)); };
    QCOMPARE(panel(1)->text(), QStringLiteral("版权"));
    QCOMPARE(panel(2)->text(), QStringLiteral("登录用户：张丽"));
    QCOMPARE(panel(3)->text(), QStringLiteral("登录时间：星期四"));
    QCOMPARE(panel(1)->width(), 180);
    QCOMPARE(panel(2)->width(), 200);
    QVERIFY(panel(3)->minimumWidth() >= 50);

    const QDateTime when(QDate(2026, 12, 10), QTime(15, 7));
    QCOMPARE(TMainFm::StatusTime(when), QStringLiteral("星期四, 2026年12月10日 时间：03:07 PM"));
}

void TestMainForm::screenshot()
{
    // The program as a clerk first sees it: the sample file opened, the
    // administrator logged in.
    const QString sample = m_programDir + QStringLiteral("/Data/例子数据文件.mdb");
    if (!QFileInfo::exists(sample))
        QSKIP("the built program folder with its sample file is not there");
    QVERIFY(QFile::copy(sample, sampleFile()));
    m_dm->hooks.login = [] {
        CurrentUser.Id = 1;
        CurrentUser.YHXM = QStringLiteral("admin");
        LoadRights(1);
        return true;
    };
    TMainFm::RegisterChild(QStringLiteral("aLog"), [](QWidget *parent) { return new TLogManageFm(parent); });
    QSignalSpy opened(m_form.data(), &TMainFm::workingFileOpened);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.data()));
    QTRY_COMPARE(opened.count(), 1);
    // At a common office screen width, not the test screen's.
    m_form->setWindowState(Qt::WindowNoState);
    m_form->resize(1280, 720);
    QTRY_COMPARE(m_form->width(), 1280);
    QCoreApplication::processEvents();
    auto *user = m_form->statusBar()->findChild<QLabel *>(QStringLiteral("StatusPanel2"));
    QCOMPARE(user->text(), QStringLiteral("登录用户：admin"));
    // Every tool-bar button is on the bar, none pushed into the overflow menu.
    for (QAction *a : m_form->ToolBar->actions()) {
        QWidget *button = m_form->ToolBar->widgetForAction(a);
        QVERIFY2(button && button->isVisible(), qPrintable(a->objectName()));
        QVERIFY2(button->geometry().right() < m_form->ToolBar->width(), qPrintable(a->objectName()));
    }
    const QString out = qEnvironmentVariable("BRELVANTO_SCREENSHOT");
    if (out.isEmpty())
        return;
    auto named = [&out](const char *suffix) {
        return QString(out).replace(QLatin1String(".png"), QString::fromLatin1(suffix) + QLatin1String(".png"));
    };
    QVERIFY(m_form->grab().save(out));
    auto *work = m_form->menuBar()->findChild<QMenu *>(QStringLiteral("mnWork"));
    work->popup(m_form->mapToGlobal(QPoint(0, 20)));
    QVERIFY(QTest::qWaitForWindowExposed(work));
    QVERIFY(work->grab().save(named("-menu")));
    work->close();
    command("aLog")->trigger();
    QVERIFY(m_form->CurrentChild());
    QCoreApplication::processEvents();
    QVERIFY(m_form->grab().save(named("-log")));
    AppDir = m_programDir;
    command("atHelp")->trigger();
    QVERIFY(THelpFm::instance());
    THelpFm::instance()->resize(900, 640);
    QVERIFY(QTest::qWaitForWindowExposed(THelpFm::instance()));
    QVERIFY(THelpFm::instance()->grab().save(named("-help")));
}

QTEST_MAIN(TestMainForm)
#include "TestMainForm.moc"
