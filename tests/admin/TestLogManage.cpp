#include "admin/LogManageForm.h"
#include "admin/Login.h"
#include "components/widgets/DataBoxes.h"
#include "components/widgets/DataGrid.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "datastore/OperationLog.h"
#include "support/FileDialogRecorder.h"
#include "support/MessageRecorder.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace brel;

namespace {

const QDate Today = QDate::currentDate();

QString stamp(int dayOffset, const char *time)
{
    return Today.addDays(dayOffset).toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + QLatin1String(time);
}

QString day(int dayOffset)
{
    return Today.addDays(dayOffset).toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

class TestLogManage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opensOnTodayForEveryOperator();
    void query_data();
    void query();
    void badDateFallsBackAndSaysSo_data();
    void badDateFallsBackAndSaysSo();
    void headerClickSortsTheLog();
    void exportsWhatIsShown();
    void labelsNameTheirBoxes();
    void openingTheFilePurgesTheLog();

private:
    /// Details of the rows the grid shows, in its order.
    static QStringList shownDetails(const TLogManageFm &form);
    static void setOperator(TLogManageFm &form, const QString &name);

    QTemporaryDir m_dir;
    std::unique_ptr<TDM> m_dm;
    QString m_file;
};

void TestLogManage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("BRELVANTO_SETTINGS", m_dir.filePath(QStringLiteral("settings.ini")).toLocal8Bit());
    const QString blank = m_dir.filePath(QStringLiteral("blank.mdb"));
    test::makeBlankFile(blank);
    Database db;
    db.open(blank, test::DataPassword);
    Transaction t(db);
    db.execute(Sql("INSERT INTO TbUser (ID, YHDM, YHXM, YHMM) VALUES (2, 'c1', '张三', ''), (3, 'c2', '张三丰', ''),"
                   " (4, 'c3', '李\"四', '')"));
    // Around today's boundaries, with one name that starts another.
    const QList<QStringList> rows = {
        {stamp(-1, "23:59:59"), "修改出租单", "张三", "昨天深夜"},
        {day(0), "新增出租单", "张三", "今天零点（只有日期）"},
        {stamp(0, "00:00:00"), "新增销售单", "张三丰", "今天零点"},
        {stamp(0, "09:30:00"), "房屋出租", "李\"四", "今天上午"},
        {stamp(0, "18:45:10"), "删除求购单", "张三", "今天晚上"},
        {stamp(1, "00:00:00"), "房屋作废", "admin", "明天零点"},
        {stamp(1, "00:00:01"), "再次出租", "张三", "明天零点过一秒"},
        {stamp(-5, "10:00:00"), "取消操作", "旧名字", "五天前"},
    };
    for (const QStringList &r : rows)
        db.execute(Sql("INSERT INTO TbLog (CZSJ, CZHD, CZRY, XXQK) VALUES (?,?,?,?)", {r[0], r[1], r[2], r[3]}));
    t.commit();
}

void TestLogManage::init()
{
    ClearGlobals();
    QFile::remove(m_dir.filePath(QStringLiteral("settings.ini")));
    m_file = m_dir.filePath(QStringLiteral("工作.mdb"));
    QFile::remove(m_file);
    QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("blank.mdb")), m_file));
    m_dm = std::make_unique<TDM>();
    QVERIFY(m_dm->OpenWorkingFile(m_file, true));
    CurrentUser.Id = 1;
    CurrentUser.YHXM = QStringLiteral("admin");
}

void TestLogManage::cleanup()
{
    m_dm.reset();
    ClearGlobals();
}

QStringList TestLogManage::shownDetails(const TLogManageFm &form)
{
    const DataGridModel *model = form.dgLog->gridModel();
    const int column = form.dgLog->columnOfField(QStringLiteral("XXQK"));
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->data(model->index(r, column)).toString();
    return out;
}

void TestLogManage::setOperator(TLogManageFm &form, const QString &name)
{
    const int index = form.cbCZRY->findText(name, Qt::MatchExactly);
    QVERIFY2(index >= 0, qPrintable(name));
    form.cbCZRY->setCurrentIndex(index);
}

void TestLogManage::opensOnTodayForEveryOperator()
{
    test::MessageRecorder messages;
    TLogManageFm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("操作日志查询"));
    QCOMPARE(form.edForm->text(), day(0));
    QCOMPARE(form.edTo->text(), day(1));
    QStringList operators;
    for (int i = 0; i < form.cbCZRY->count(); ++i)
        operators << form.cbCZRY->itemText(i);
    QCOMPARE(operators, (QStringList{"所有操作员", "admin", "张三", "张三丰", "李\"四"}));
    QCOMPARE(form.cbCZRY->currentIndex(), 0);
    QVERIFY(!form.cbCZRY->isEditable());

    // Today 00:00 up to tomorrow 00:00, both ends included.
    QCOMPARE(shownDetails(form), (QStringList{"今天零点（只有日期）", "今天零点", "今天上午", "今天晚上", "明天零点"}));
    QCOMPARE(form.dgLog->footerText(0), QStringLiteral("日志数目 5 条"));
    QCOMPARE(form.dgLog->layoutKey(), QStringLiteral("dgLog"));
    QCOMPARE(m_dm->dsNavigator->dataSet(), form.QLog);
    QCOMPARE(messages.messages.size(), 0);
}

void TestLogManage::query_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QStringList>("details");

    QTest::newRow("a week, everybody")
        << day(-7) << day(2) << "所有操作员"
        << QStringList{"昨天深夜", "今天零点（只有日期）", "今天零点", "今天上午", "今天晚上", "明天零点",
                       "明天零点过一秒", "五天前"};
    QTest::newRow("one name, not the name it starts")
        << day(-7) << day(2) << "张三"
        << QStringList{"昨天深夜", "今天零点（只有日期）", "今天晚上", "明天零点过一秒"};
    QTest::newRow("a name with a quote") << day(0) << day(1) << "李\"四" << QStringList{"今天上午"};
    QTest::newRow("from and to the same day")
        << Today.toString(QStringLiteral("yyyy-M-d")) << Today.toString(QStringLiteral("yyyy-M-d")) << "所有操作员"
        << QStringList{"今天零点（只有日期）", "今天零点"};
    QTest::newRow("to before from") << day(1) << day(0) << "所有操作员" << QStringList();
}

void TestLogManage::query()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, user);
    QFETCH(QStringList, details);
    test::MessageRecorder messages;
    TLogManageFm form;
    form.edForm->setText(from);
    form.edTo->setText(to);
    setOperator(form, user);
    QTest::mouseClick(form.btnStart, Qt::LeftButton);
    QCOMPARE(shownDetails(form), details);
    QCOMPARE(form.dgLog->footerText(0), QStringLiteral("日志数目 %1 条").arg(details.size()));
    QCOMPARE(messages.messages.size(), 0);
}

void TestLogManage::badDateFallsBackAndSaysSo_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<QStringList>("details");

    const QStringList today{"今天零点（只有日期）", "今天零点", "今天上午", "今天晚上", "明天零点"};
    QTest::newRow("bad from: today") << "2026-13-01" << day(2) << QStringList{IncorrectDateMessage("开始日期")}
                                     << today + QStringList{"明天零点过一秒"};
    QTest::newRow("bad to: tomorrow") << day(-1) << "明天" << QStringList{IncorrectDateMessage("结束日期")}
                                      << QStringList{"昨天深夜"} + today;
    QTest::newRow("both empty") << "" << ""
                                << QStringList{IncorrectDateMessage("开始日期"), IncorrectDateMessage("结束日期")}
                                << today;
}

void TestLogManage::badDateFallsBackAndSaysSo()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, said);
    QFETCH(QStringList, details);
    TLogManageFm form;
    setOperator(form, QStringLiteral("所有操作员"));
    form.edForm->setText(from);
    form.edTo->setText(to);
    test::MessageRecorder messages;
    form.btnStart->click();
    QCOMPARE(messages.texts(), said);
    QCOMPARE(shownDetails(form), details);
    // What was typed stays for the user to correct.
    QCOMPARE(form.edForm->text(), from);
    QCOMPARE(form.edTo->text(), to);
}

void TestLogManage::headerClickSortsTheLog()
{
    TLogManageFm form;
    form.edForm->setText(day(-7));
    form.edTo->setText(day(2));
    form.btnStart->click();
    const int column = form.dgLog->columnOfField(QStringLiteral("CZRY"));
    form.dgLog->clickHeader(column);
    QCOMPARE(form.QLog->sql().orderBy, QStringLiteral("CZRY ASC"));
    form.dgLog->clickHeader(column);
    QCOMPARE(form.QLog->sql().orderBy, QStringLiteral("CZRY DESC"));
    form.QLog->first();
    QCOMPARE(form.QLog->asText(QStringLiteral("CZRY")), QStringLiteral("李\"四"));
    // A new query keeps the order the user chose.
    setOperator(form, QStringLiteral("张三"));
    form.btnStart->click();
    QCOMPARE(form.QLog->sql().orderBy, QStringLiteral("CZRY DESC"));
    QCOMPARE(form.dgLog->footerText(0), QStringLiteral("日志数目 4 条"));
}

void TestLogManage::exportsWhatIsShown()
{
    test::MessageRecorder messages;
    test::FileDialogRecorder dialogs;
    WorkingFile = m_file;
    TLogManageFm form;
    const QString target = m_dir.filePath(QStringLiteral("日志.txt"));
    dialogs.setNextFileName(target);
    QVERIFY(form.ExportData());
    QCOMPARE(dialogs.lastCaption(), QStringLiteral("当前显示数据导出到..."));
    QCOMPARE(dialogs.requests.last().fileName, QFileInfo(m_file).absolutePath() + QStringLiteral("/操作日志查询"));
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString &d : shownDetails(form))
        QVERIFY2(text.contains(d), qPrintable(d));
    QVERIFY(!text.contains(QStringLiteral("昨天深夜")));
    QVERIFY(text.contains(QStringLiteral("操作详细情况")));

    dialogs.setNextCancel();
    QVERIFY(!form.ExportData());
    QCOMPARE(messages.messages.size(), 0);
}

void TestLogManage::labelsNameTheirBoxes()
{
    TLogManageFm form;
    form.resize(900, 420);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QHash<QString, QWidget *> buddies;
    for (QLabel *label : form.findChildren<QLabel *>())
        buddies.insert(label->text(), label->buddy());
    QCOMPARE(buddies.value(QStringLiteral("日期范围为 从")), form.edForm);
    QCOMPARE(buddies.value(QStringLiteral("至")), form.edTo);
    QCOMPARE(buddies.value(QStringLiteral("操作人员：")), form.cbCZRY);
    QCOMPARE(QApplication::focusWidget(), form.edForm);
    // Tab walks the top panel to the grid.
    QList<QWidget *> order;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget();
    }
    QCOMPARE(order, (QList<QWidget *>{form.edTo, form.cbCZRY, form.btnStart, form.dgLog}));

    // A picture of the window for a person to look at.
    const QByteArray shots = qgetenv("BRELVANTO_SHOT_DIR");
    if (!shots.isEmpty()) {
        form.edForm->setText(day(-7));
        form.edTo->setText(day(2));
        form.btnStart->click();
        QVERIFY(form.grab().save(QDir(QString::fromLocal8Bit(shots)).filePath(QStringLiteral("log-window.png"))));
    }
}

void TestLogManage::openingTheFilePurgesTheLog()
{
    // Sixteen distinct days in the file; the oldest is beyond the kept days.
    {
        Database db;
        db.open(m_file, test::DataPassword);
        Transaction t(db);
        for (int d = -16; d < 0; ++d)
            db.execute(Sql("INSERT INTO TbLog (CZSJ, CZHD, CZRY, XXQK) VALUES (?, 'x', 'y', 'old')",
                           {stamp(d - 10, "12:00:00")}));
        t.commit();
    }
    auto count = [this] { return m_dm->GetValue(Sql("SELECT COUNT(*) AS N FROM TbLog"), "N").toInt(); };
    const int before = count();
    m_dm.reset();
    m_dm = std::make_unique<TDM>();
    InstallLoginHooks(*m_dm, [] {
        SetCurrentUser(1, QStringLiteral("admin"), QString());
        return true;
    });
    QVERIFY(m_dm->OpenWorkingFile(m_file, true));
    // Twenty distinct days: the ten before the day sixteen days ago went; that
    // day (stamped at noon) and the later ones stayed.
    QCOMPARE(count(), before - 10);
    QCOMPARE(m_dm->GetValue(Sql("SELECT COUNT(*) AS N FROM TbLog WHERE XXQK='old'"), "N").toInt(), 6);
}

QTEST_MAIN(TestLogManage)
#include "TestLogManage.moc"
