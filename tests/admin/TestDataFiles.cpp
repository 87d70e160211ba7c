#include "admin/CompactDbForm.h"
#include "admin/DataForm.h"
#include "admin/DataLinkForm.h"
#include "admin/Login.h"
#include "admin/NewDataForm.h"
#include "datastore/DataFiles.h"
#include "datastore/Rights.h"
#include "support/FileDialogRecorder.h"
#include "support/MainWindowFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

using namespace brel;
using namespace brel::test;

namespace {

const QString NewOk = QStringLiteral("新建数据文件成功！请使用“设置当前工作数据文件”功能，开始使用此数据文件。");
const QString BadName = QStringLiteral("请输入数据文件名称,且名称中不能包含空格字符。");
const QString NameTaken = QStringLiteral("已有同名的数据文件,请重新命名。");
const QString Missing = QStringLiteral("数据文件不存在！请重新设置工作数据文件。");
const QString BackupOk = QStringLiteral("数据文件备份成功！");
const QString RestoreOk = QStringLiteral("数据文件恢复成功！请选择“设置工作数据文件”界面开始使用此数据文件。");

QByteArray digest(const QString &path)
{
    return fileDigest(path);
}

/// Every row of the tables that carry business and setup data, as text.
QStringList contentOf(const QString &path, const QString &password = DataPassword)
{
    Database db;
    db.open(path, password);
    QStringList out;
    for (const char *table : {"TbBranch", "TbUser", "TbRes", "TbLog", "TbVersion", "TbSetings"}) {
        auto st = db.prepare(Sql(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(QLatin1String(table))));
        while (st->step()) {
            QStringList row;
            for (int c = 0; c < st->columnCount(); ++c)
                row << st->value(c).toString();
            out << QLatin1String(table) + QLatin1Char('|') + row.join(QLatin1Char('|'));
        }
    }
    return out;
}

/// A data file with n log rows of some weight, so it spans many pages.
void addLogRows(const QString &path, int n)
{
    Database db;
    db.open(path, DataPassword);
    Transaction tx(db);
    for (int i = 0; i < n; ++i)
        db.execute(Sql(QStringLiteral("INSERT INTO TbLog (CZSJ, CZHD, CZRY, XXQK) VALUES ('2026-05-01', ?, 'admin', ?)"),
                       {QStringLiteral("测试%1").arg(i), QString(300, QChar(u'档'))}));
    tx.commit();
}

} // namespace

class TestDataFiles : public QObject, public MainWindowFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void newDataFile_data();
    void newDataFile();
    void newDataFileSaysWhenTheTemplateIsMissing();

    void switchingFilesLogsInAndReenablesEveryCommand();
    void cancelledLoginEndsTheProgramAndKeepsThePreviousDefault();
    void clerkOnTheNewFileHasTheAdministratorCommandsDisabled();
    void missingFileAtStartOpensTheDataLinkWindowOnly();
    void missingChosenFileIsRefused();

    void backupIsAnEncryptedCopyOfTheOpenFile();
    void longWorkShowsItsProgress();
    void failedBackupSaysWhereAndWhy_data();
    void failedBackupSaysWhereAndWhy();
    void restoreRefusesWhatItCannotUse_data();
    void restoreRefusesWhatItCannotUse();
    void restoreAsksBeforeOverwriting_data();
    void restoreAsksBeforeOverwriting();

    void compactionRatioText();
    void compactionReportsTheSizeLeft();
    void compactionRefusedWhileAnotherProgramHasTheFile();
    void integrityCheck_data();
    void integrityCheck();

    void screenshots();

private:
    TDataLinkFm *openDataLink();
    TDataFm *openDataMaint();
    /// A blank data file in the test folder, with a branch named branch.
    QString makeFile(const QString &name, const QString &branch = QStringLiteral("总店"));
    QString dataFolder() const { return m_dir->filePath(QStringLiteral("Data")); }

    std::unique_ptr<FileDialogRecorder> m_dialogs;
    QString m_working;
};

void TestDataFiles::init()
{
    startMainWindow();
    m_working = WorkingFile;
    QDir().mkpath(dataFolder());
    makeBlankFile(dataFolder() + QStringLiteral("/Blank"));
    TMainFm::RegisterChild(QStringLiteral("atDataLink"), [](QWidget *parent) { return new TDataLinkFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atData"), [](QWidget *parent) { return new TDataFm(parent); });
    // The steps after a login as the program has them: rights read from the file, commands gated.
    AfterLoginSteps steps;
    steps.applyRights = [this] {
        if (m_form) {
            m_form->EnableAllCommands(true);
            m_form->ApplyRights();
        }
    };
    InstallLoginHooks(*m_dm, m_dm->hooks.login, steps);
    m_dialogs = std::make_unique<FileDialogRecorder>();
}

void TestDataFiles::cleanup()
{
    m_dialogs.reset();
    stopMainWindow();
}

TDataLinkFm *TestDataFiles::openDataLink()
{
    command("atDataLink")->trigger();
    auto *window = qobject_cast<TDataLinkFm *>(m_form->CurrentChild());
    return window;
}

TDataFm *TestDataFiles::openDataMaint()
{
    command("atData")->trigger();
    return qobject_cast<TDataFm *>(m_form->CurrentChild());
}

QString TestDataFiles::makeFile(const QString &name, const QString &branch)
{
    const QString path = m_dir->filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    makeBlankFile(path);
    Database db;
    db.open(path, DataPassword);
    db.execute(Sql(QStringLiteral("INSERT INTO TbBranch (FDMC) VALUES (?)"), {branch}));
    return path;
}

// ------------------------------------------------------------ new data file

void TestDataFiles::newDataFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("closes");
    QTest::newRow("letters") << "Branch" << NewOk << true;
    QTest::newRow("chinese") << "东城分店" << NewOk << true;
    QTest::newRow("empty") << "" << BadName << false;
    QTest::newRow("space") << "东城 分店" << BadName << false;
    QTest::newRow("name taken") << "existing" << NameTaken << false;
    QTest::newRow("separator") << "a/b" << "新建数据文件失败！" << false;
}

void TestDataFiles::newDataFile()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(bool, closes);
    const QString existing = dataFolder() + QStringLiteral("/existing.mdb");
    QFile(existing).open(QIODevice::WriteOnly);
    const QStringList before = QDir(dataFolder()).entryList(QDir::Files);
    TDataLinkFm *link = openDataLink();
    QVERIFY(link);

    // The dialog runs modally from 新建数据文件, as the user sees it.
    bool seen = false, focused = false, open = false;
    int result = -1;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<TNewDataFm *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen = QTest::qWaitForWindowActive(dialog);
        dialog->edDataFile->setText(name);
        dialog->btnOk->setFocus();
        QTest::mouseClick(dialog->btnOk, Qt::LeftButton);
        // The click gave the button the focus; a refusal puts it back in the box.
        focused = dialog->focusWidget() == dialog->edDataFile;
        open = dialog->isVisible();
        result = dialog->result();
        if (open)
            dialog->reject();
    });
    QTest::mouseClick(link->btnNew, Qt::LeftButton);

    QVERIFY(seen);
    QCOMPARE(m_messages->messages.size(), 1);
    QVERIFY2(m_messages->lastText().startsWith(message), qPrintable(m_messages->lastText()));
    QCOMPARE(result == QDialog::Accepted, closes);
    QCOMPARE(open, !closes);
    const QString target = dataFolder() + QLatin1Char('/') + name + QStringLiteral(".mdb");
    if (closes) {
        QCOMPARE(digest(target), digest(dataFolder() + QStringLiteral("/Blank")));
        // The new file does not become the working file.
        QCOMPARE(WorkingFile, m_working);
    } else {
        QCOMPARE(QDir(dataFolder()).entryList(QDir::Files), before);
        QVERIFY(focused);
    }
}

void TestDataFiles::newDataFileSaysWhenTheTemplateIsMissing()
{
    QFile::remove(dataFolder() + QStringLiteral("/Blank"));
    TNewDataFm dialog(m_form);
    dialog.show();
    dialog.edDataFile->setText(QStringLiteral("Branch"));
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);

    QCOMPARE(m_messages->messages.size(), 1);
    QCOMPARE(m_messages->messages.first().icon, Messages::Icon::Error);
    QVERIFY(m_messages->lastText().startsWith(QStringLiteral("新建数据文件失败！")));
    QVERIFY2(m_messages->lastText().contains(QStringLiteral("Blank")), qPrintable(m_messages->lastText()));
    QVERIFY(dialog.isVisible());
    QVERIFY(!QFileInfo::exists(dataFolder() + QStringLiteral("/Branch.mdb")));
}

// ------------------------------------------------------------ switching files

void TestDataFiles::switchingFilesLogsInAndReenablesEveryCommand()
{
    const QString other = makeFile(QStringLiteral("Data/分店.mdb"), QStringLiteral("分店"));
    TDataLinkFm *link = openDataLink();
    QVERIFY(link);
    QCOMPARE(QDir::fromNativeSeparators(link->edDataLink->text()), m_working);
    QVERIFY(link->edDataLink->isReadOnly());

    m_dialogs->setNextFileName(other);
    QTest::mouseClick(link->btnDataLink, Qt::LeftButton);
    QCOMPARE(m_dialogs->requests.size(), 1);
    QCOMPARE(m_dialogs->lastCaption(), QStringLiteral("设置当前工作数据文件..."));
    QCOMPARE(m_dialogs->requests.first().fileName, dataFolder());
    QCOMPARE(QDir::fromNativeSeparators(link->edDataLink->text()), other);
    QCOMPARE(link->edDataLink->toolTip(), link->edDataLink->text());

    m_form->EnableAllCommands(false);
    QTest::mouseClick(link->btnOk, Qt::LeftButton);

    QVERIFY(m_messages->messages.isEmpty());
    QCOMPARE(WorkingFile, other);
    QCOMPARE(m_settings->ReadDefaultDb(), other);
    QVERIFY(m_dm->HasRows(Sql(QStringLiteral("SELECT 1 FROM TbBranch WHERE FDMC=?"), {QStringLiteral("分店")})));
    for (const char *name : {"atRentalManage", "atDataLink", "atData", "atBaseInfo", "aLog", "atSaleSearch"})
        QVERIFY2(command(name)->isEnabled(), name);
}

void TestDataFiles::cancelledLoginEndsTheProgramAndKeepsThePreviousDefault()
{
    const QString other = makeFile(QStringLiteral("other.mdb"), QStringLiteral("分店"));
    TDataLinkFm *link = openDataLink();
    QVERIFY(link);
    m_dialogs->setNextFileName(other);
    QTest::mouseClick(link->btnDataLink, Qt::LeftButton);
    m_dm->hooks.login = [] { return false; };

    QTest::mouseClick(link->btnOk, Qt::LeftButton);

    // The exit question (somebody is still logged in to the previous file), then the end.
    QCOMPARE(m_messages->texts(), QStringList{QStringLiteral("您确定要退出“Brelvanto”吗？")});
    QTRY_VERIFY(m_form.isNull());
    QCOMPARE(WorkingFile, m_working);
    QCOMPARE(m_settings->ReadDefaultDb(), m_working);
    QCOMPARE(m_dm->DbBase->path(), m_working);
}

void TestDataFiles::clerkOnTheNewFileHasTheAdministratorCommandsDisabled()
{
    const QString other = makeFile(QStringLiteral("clerk.mdb"), QStringLiteral("分店"));
    {
        Database db;
        db.open(other, DataPassword);
        db.execute(Sql(QStringLiteral("INSERT INTO TbUser (ID, YHXM, YHMM, SSFD) VALUES (2, 'clerk', '', '分店')")));
    }
    m_dm->hooks.login = [] {
        SetCurrentUser(2, QStringLiteral("clerk"), QString());
        CreateDefaultRights(2);
        return true;
    };
    TDataLinkFm *link = openDataLink();
    QVERIFY(link);
    m_dialogs->setNextFileName(other);
    QTest::mouseClick(link->btnDataLink, Qt::LeftButton);
    QTest::mouseClick(link->btnOk, Qt::LeftButton);

    QCOMPARE(WorkingFile, other);
    QCOMPARE(CurrentUser.Id, 2);
    for (const char *name : {"atDataLink", "atData", "atBaseInfo", "aLog"})
        QVERIFY2(!command(name)->isEnabled(), name);
    QVERIFY(command("atChgPwd")->isEnabled());
    QVERIFY(command("atQuit")->isEnabled());
}

void TestDataFiles::missingFileAtStartOpensTheDataLinkWindowOnly()
{
    // A new start whose recorded file was deleted.
    const QString gone = m_dir->filePath(QStringLiteral("gone.mdb"));
    delete m_form.data();
    ClearGlobals();
    m_settings->WriteDefaultDb(gone);
    m_form = new TMainFm;
    QSignalSpy missing(m_form.data(), &TMainFm::workingFileMissing);
    m_form->show();
    QTRY_COMPARE(missing.count(), 1);

    auto *link = qobject_cast<TDataLinkFm *>(m_form->CurrentChild());
    QVERIFY(link);
    QCOMPARE(QDir::fromNativeSeparators(link->edDataLink->text()), gone);
    for (QAction *a : m_form->commands())
        QVERIFY2(!a->isEnabled() || a->objectName() == QLatin1String("atQuit"), qPrintable(a->objectName()));
    QVERIFY(m_messages->messages.isEmpty());

    // Setting a file brings the commands back.
    m_dialogs->setNextFileName(m_working);
    QTest::mouseClick(link->btnDataLink, Qt::LeftButton);
    QTest::mouseClick(link->btnOk, Qt::LeftButton);
    QCOMPARE(WorkingFile, m_working);
    QCOMPARE(m_settings->ReadDefaultDb(), m_working);
    QVERIFY(command("atRentalManage")->isEnabled());
    QVERIFY(command("atData")->isEnabled());
}

void TestDataFiles::missingChosenFileIsRefused()
{
    TDataLinkFm *link = openDataLink();
    QVERIFY(link);
    const QString gone = m_dir->filePath(QStringLiteral("gone.mdb"));
    m_dialogs->setNextFileName(gone);
    QTest::mouseClick(link->btnDataLink, Qt::LeftButton);
    QTest::mouseClick(link->btnOk, Qt::LeftButton);

    QCOMPARE(m_messages->texts(), QStringList{Missing});
    QCOMPARE(m_messages->messages.first().icon, Messages::Icon::Warning);
    QCOMPARE(WorkingFile, m_working);
    QVERIFY(m_dm->DbBase->isOpen());
}

// ------------------------------------------------------------ backup

void TestDataFiles::backupIsAnEncryptedCopyOfTheOpenFile()
{
    addLogRows(m_working, 300);
    // A write still open on another connection is not part of the copy.
    Database other;
    other.open(m_working, DataPassword);
    other.execute(Sql("BEGIN"));
    other.execute(Sql("INSERT INTO TbBranch (FDMC) VALUES ('未提交')"));
    const QStringList committed = contentOf(m_working);
    const QString target = m_dir->filePath(QStringLiteral("备份/2026.mdb"));
    QDir().mkpath(QFileInfo(target).absolutePath());
    TDataFm *maint = openDataMaint();
    QVERIFY(maint);
    m_dialogs->setNextFileName(target);

    QTest::mouseClick(maint->btnBackup, Qt::LeftButton);

    QCOMPARE(m_dialogs->lastCaption(), QStringLiteral("当前数据文件备份到..."));
    QCOMPARE(m_dialogs->requests.first().fileName, m_working);
    QVERIFY(m_dialogs->requests.first().confirmOverwrite);
    QCOMPARE(m_messages->texts(), QStringList{BackupOk});
    other.rollback();
    QCOMPARE(contentOf(target), committed);
    QVERIFY(!contentOf(target).join(QString()).contains(QStringLiteral("未提交")));
    QFile raw(target);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    QVERIFY(!raw.read(16).startsWith("SQLite format 3"));
    QVERIFY_THROWS_EXCEPTION(EngineError, contentOf(target, QStringLiteral("wrong")));
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("备份/.2026.mdb.part"))));
    QVERIFY(maint->btnBackup->isEnabled());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestDataFiles::longWorkShowsItsProgress()
{
    // More pages than one slice of the copy, and no wait before the bar.
    addLogRows(m_working, 6000);
    SlowWorkBar::ShowAfterMs = 0;
    TDataFm *maint = openDataMaint();
    QVERIFY(maint);
    QList<int> shown;
    bool buttonsOff = true;
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&] {
        if (!maint->pbWork->isVisible())
            return;
        shown << maint->pbWork->value();
        buttonsOff = buttonsOff && !maint->btnBackup->isEnabled() && !maint->btnRestore->isEnabled();
    });
    probe.start(0);
    m_dialogs->setNextFileName(m_dir->filePath(QStringLiteral("long.mdb")));

    QTest::mouseClick(maint->btnBackup, Qt::LeftButton);

    probe.stop();
    SlowWorkBar::ShowAfterMs = 1000;
    QCOMPARE(m_messages->texts(), QStringList{BackupOk});
    QVERIFY(!shown.isEmpty());
    QVERIFY(buttonsOff);
    QVERIFY(std::is_sorted(shown.begin(), shown.end()));
    QVERIFY(shown.first() > 0 && shown.last() <= 100);
    QVERIFY(!maint->pbWork->isVisible());
    QVERIFY(maint->btnBackup->isEnabled());
}

void TestDataFiles::failedBackupSaysWhereAndWhy_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing folder") << "没有/copy.mdb" << "不存在";
    QTest::newRow("the working file itself") << "办公.mdb" << "当前工作数据文件本身";
    QTest::newRow("a folder of that name") << "taken.mdb" << "";
}

void TestDataFiles::failedBackupSaysWhereAndWhy()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
    // A non-empty folder cannot be replaced by the copy.
    QDir().mkpath(m_dir->filePath(QStringLiteral("taken.mdb/inner")));
    const QByteArray before = digest(m_working);
    TDataFm *maint = openDataMaint();
    QVERIFY(maint);
    const QString path = m_dir->filePath(target);
    m_dialogs->setNextFileName(path);

    QTest::mouseClick(maint->btnBackup, Qt::LeftButton);

    QCOMPARE(m_messages->messages.size(), 1);
    QCOMPARE(m_messages->messages.first().icon, Messages::Icon::Error);
    const QString text = m_messages->lastText();
    QVERIFY2(text.startsWith(QStringLiteral("数据文件备份失败！")), qPrintable(text));
    QVERIFY2(text.contains(path), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("原因：")) && text.contains(reason), qPrintable(text));
    QCOMPARE(digest(m_working), before);
    QVERIFY(QDir(m_dir->path()).entryList({QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden).isEmpty());
}

// ------------------------------------------------------------ restore

void TestDataFiles::restoreRefusesWhatItCannotUse_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("shown");
    QTest::newRow("not a data file") << "text" << "不能恢复这个文件";
    QTest::newRow("another password") << "key" << "密码不正确";
    QTest::newRow("a build this program does not know") << "build" << "Build9.99";
    QTest::newRow("no version row") << "noversion" << "没有版本记录";
    QTest::newRow("the working file itself") << "working" << "是当前工作数据文件";
}

void TestDataFiles::restoreRefusesWhatItCannotUse()
{
    QFETCH(QString, kind);
    QFETCH(QString, shown);
    const QString source = m_dir->filePath(QStringLiteral("备份/restore.mdb"));
    QDir().mkpath(QFileInfo(source).absolutePath());
    if (kind == QLatin1String("text")) {
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    } else if (kind == QLatin1String("key")) {
        makeBlankFile(source, QStringLiteral("another"));
    } else if (kind != QLatin1String("working")) {
        makeBlankFile(source);
        Database db;
        db.open(source, DataPassword);
        db.execute(Sql(kind == QLatin1String("build") ? "UPDATE TbVersion SET BBH='Build9.99'" : "DELETE FROM TbVersion"));
    }
    const QString chosen = kind == QLatin1String("working") ? m_working : source;
    const QByteArray before = digest(m_working);
    TDataFm *maint = openDataMaint();
    QVERIFY(maint);
    m_dialogs->setNextFileName(chosen);

    QTest::mouseClick(maint->btnRestore, Qt::LeftButton);

    QCOMPARE(m_dialogs->lastCaption(), QStringLiteral("恢复数据文件..."));
    QCOMPARE(m_messages->messages.size(), 1);
    QVERIFY2(m_messages->lastText().contains(shown), qPrintable(m_messages->lastText()));
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("restore.mdb"))));
    QCOMPARE(digest(m_working), before);
}

void TestDataFiles::restoreAsksBeforeOverwriting_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("yes");
    QTest::newRow("free name") << false << true;
    QTest::newRow("existing file, yes") << true << true;
    QTest::newRow("existing file, no") << true << false;
}

void TestDataFiles::restoreAsksBeforeOverwriting()
{
    QFETCH(bool, exists);
    QFETCH(bool, yes);
    const QString source = makeFile(QStringLiteral("备份/分店.mdb"), QStringLiteral("备份的分店"));
    const QString target = m_dir->filePath(QStringLiteral("分店.mdb"));
    if (exists)
        makeFile(QStringLiteral("分店.mdb"), QStringLiteral("现在的分店"));
    const QByteArray before = digest(target);
    TDataFm *maint = openDataMaint();
    QVERIFY(maint);
    m_dialogs->setNextFileName(source);
    if (exists)
        m_messages->setNextAnswer(yes ? Messages::Answer::Yes : Messages::Answer::No);

    QTest::mouseClick(maint->btnRestore, Qt::LeftButton);

    QStringList expected;
    if (exists)
        expected << QStringLiteral("“%1”已存在，是否覆盖？").arg(QDir::toNativeSeparators(target));
    if (yes)
        expected << RestoreOk;
    QCOMPARE(m_messages->texts(), expected);
    if (yes)
        QCOMPARE(contentOf(target), contentOf(source));
    else
        QCOMPARE(digest(target), before);
    // The restored file is not the working file until it is chosen.
    QCOMPARE(WorkingFile, m_working);
}

// ------------------------------------------------------------ compaction

void TestDataFiles::compactionRatioText()
{
    QCOMPARE(CompactRatio(1000000, 654321), 0.6543);
    QCOMPARE(CompactRatioText(CompactRatio(1000000, 654321)), QStringLiteral("65.43"));
    QCOMPARE(TCompactDbFm::ResultText(CompactRatio(1000000, 654321)),
             QStringLiteral("数据文件整理完成！目前数据文件大小为整理前的 65.43％"));
    QCOMPARE(TCompactDbFm::ResultText(1), QStringLiteral("数据文件整理完成！目前数据文件大小为整理前的 100.00％"));
    QCOMPARE(CompactRatioText(0.05), QStringLiteral("5.00"));
    QCOMPARE(TCompactDbFm::ResultText(0), QStringLiteral("数据文件整理失败！"));
}

void TestDataFiles::compactionReportsTheSizeLeft()
{
    addLogRows(m_working, 600);
    m_dm->ExecSql(Sql("DELETE FROM TbLog"));
    const qint64 before = TDM::FileSizeOf(m_working);
    const QStringList content = contentOf(m_working);
    TDataFm *maint = openDataMaint();
    QVERIFY(maint);
    TCompactDbFm dialog(maint);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("整理数据文件"));

    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);

    const qint64 after = TDM::FileSizeOf(m_working);
    QVERIFY(after < before);
    QCOMPARE(m_messages->texts(), QStringList{TCompactDbFm::ResultText(CompactRatio(before, after))});
    QVERIFY(dialog.btnOk->isEnabled());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(contentOf(m_working), content);
}

void TestDataFiles::compactionRefusedWhileAnotherProgramHasTheFile()
{
    TDataFm *maint = openDataMaint();
    QVERIFY(maint);
    Database other;
    other.open(m_working, DataPassword);
    m_dm->DbBase->close();
    const QByteArray before = digest(m_working);
    TCompactDbFm dialog(maint);
    dialog.show();

    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);

    QCOMPARE(m_messages->messages.size(), 1);
    QVERIFY2(m_messages->lastText().contains(QStringLiteral("正被其他程序使用，不能整理")), qPrintable(m_messages->lastText()));
    QCOMPARE(digest(m_working), before);
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("Tmp_mdb.mdb"))));
    // Once the other program has let go, it works.
    other.close();
    m_messages->clear();
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    QVERIFY2(m_messages->lastText().startsWith(QStringLiteral("数据文件整理完成！")), qPrintable(m_messages->lastText()));
}

// ------------------------------------------------------------ integrity

void TestDataFiles::integrityCheck_data()
{
    QTest::addColumn<bool>("damaged");
    QTest::newRow("sound") << false;
    QTest::newRow("damaged copy") << true;
}

void TestDataFiles::integrityCheck()
{
    QFETCH(bool, damaged);
    const QString copy = m_dir->filePath(QStringLiteral("copy.mdb"));
    makeBlankFile(copy);
    addLogRows(copy, 800);
    if (damaged) {
        // Some bytes of a page in the middle of the log table: the file still opens.
        QFile f(copy);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(f.size() / 2 + 100);
        f.write(QByteArray(64, '\x5a'));
    }
    m_dm->DbBase->open(copy, DataPassword);
    WorkingFile = copy;
    TDataFm *maint = openDataMaint();
    QVERIFY(maint);

    QTest::mouseClick(maint->btnCheck, Qt::LeftButton);

    QCOMPARE(m_messages->messages.size(), 1);
    const QString text = m_messages->lastText();
    if (damaged) {
        QCOMPARE(m_messages->messages.first().icon, Messages::Icon::Error);
        QVERIFY2(text.startsWith(QStringLiteral("数据文件已损坏！")), qPrintable(text));
    } else {
        QCOMPARE(text, QStringLiteral("数据文件检查完毕，没有发现问题。"));
    }
    QVERIFY(maint->btnCheck->isEnabled());
}

void TestDataFiles::screenshots()
{
    TDataLinkFm *link = openDataLink();
    QVERIFY(link);
    checkFitsCommonScreens(link, QStringLiteral("datalink"));
    TDataFm *maint = openDataMaint();
    QVERIFY(maint);
    checkFitsCommonScreens(maint, QStringLiteral("data"));
    const QString out = qEnvironmentVariable("BRELVANTO_SCREENSHOT");
    TNewDataFm dialog(m_form);
    TCompactDbFm compact(m_form);
    for (QDialog *d : {static_cast<QDialog *>(&dialog), static_cast<QDialog *>(&compact)}) {
        d->show();
        QVERIFY(QTest::qWaitForWindowExposed(d));
        if (!out.isEmpty())
            QVERIFY(d->grab().save(QString(out).replace(QLatin1String(".png"), QLatin1Char('-') + d->objectName() + QStringLiteral(".png"))));
    }
}

QTEST_MAIN(TestDataFiles)
#include "TestDataFiles.moc"
