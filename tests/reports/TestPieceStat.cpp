#include "support/ReportFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

using namespace brel;
using namespace brel::test;

// 收件统计报表 through the main window's command on the small office file:
// January 2003 for 张三, who entered most houses and let two, and for 李"四,
// who sold a house on the 31st at 10:00.
class TestPieceStat : public QObject, public ReportFixture {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { stopReports(); }

    void opensWithThisMonthAndTheFirstUser();
    void categoriesAndTotals_data();
    void categoriesAndTotals();
    void lastDayCountsWholeDays();
    void invalidDateLeavesTheReport_data();
    void invalidDateLeavesTheReport();
    void everyUserOneGroupEach();

private:
    /// Sets the period and the user and presses 刷新.
    void run(const QString &from, const QString &to, const QString &user);
    /// The result rows as "category count commission".
    QStringList rows() const;

    TQPieceStatFm *m_stat = nullptr;
};

void TestPieceStat::init()
{
    startReports();
    // A house entered by 李"四 and let by 张三; a voided house 张三 had handled.
    addRental(106, "00000106", "01", QString());
    exec("UPDATE TbRental SET LRR='李\"四', LRRQ='2003-01-20', SLR='张三', SLRQ='2003-01-25', YJJE=1000.5 WHERE ID=106");
    exec("UPDATE TbRental SET SLR='张三', SLRQ='2003-01-11', YJJE=50 WHERE ID=105");
    command("atPieceStat")->trigger();
    m_stat = qobject_cast<TQPieceStatFm *>(m_form->CurrentChild());
    QVERIFY(m_stat);
}

void TestPieceStat::run(const QString &from, const QString &to, const QString &user)
{
    m_messages->clear();
    m_stat->edForm->setText(from);
    m_stat->edTo->setText(to);
    m_stat->edUser->setCurrentText(user);
    QCOMPARE(m_stat->edUser->currentText(), user);
    m_stat->btnRefresh->click();
}

QStringList TestPieceStat::rows() const
{
    QStringList out;
    DataSet *q = m_stat->QReport;
    if (q->isEmpty())
        return out;
    for (q->first(); !q->eof(); q->next())
        out << QStringLiteral("%1 %2 %3 %4")
                   .arg(q->asText(QStringLiteral("SLR")), q->asText(QStringLiteral("BJ")),
                        Report::formatValue(q->value(QStringLiteral("SJS")), QStringLiteral("0 件")),
                        Report::formatValue(q->value(QStringLiteral("YJXJ")), QStringLiteral("#0.00 元")));
    out.sort();
    return out;
}

void TestPieceStat::opensWithThisMonthAndTheFirstUser()
{
    const QDate today = QDate::currentDate();
    QCOMPARE(m_stat->windowTitle(), QStringLiteral("收件统计报表"));
    QCOMPARE(m_stat->edForm->text(), QDate(today.year(), today.month(), 1).toString(QStringLiteral("yyyy-MM-dd")));
    QCOMPARE(m_stat->edTo->text(),
             QDate(today.year(), today.month(), today.daysInMonth()).toString(QStringLiteral("yyyy-MM-dd")));
    QCOMPARE(m_stat->edUser->itemText(0), QStringLiteral("全部员工"));
    QCOMPARE(m_stat->edUser->currentText(), QStringLiteral("admin"));
    QVERIFY(!m_stat->Label1->isVisible());
    QVERIFY(m_stat->Label2->isVisible() && m_stat->edForm->isVisible() && m_stat->edTo->isVisible());
    QCOMPARE(m_stat->parentWidget()->window(), m_form.data());
    // Nothing this month: the message and an empty report with zero totals.
    QCOMPARE(m_messages->texts(), QStringList{QStringLiteral("没有出租数据！无法查看此报表。")});
    QCOMPARE(m_stat->PageCount, 1);
    QCOMPARE(m_stat->QuickRep1.text(QStringLiteral("lbTotal2")), QStringLiteral("0 件"));
    QCOMPARE(m_stat->QuickRep1.text(QStringLiteral("lbSum2")), QStringLiteral("0.00 元"));
    const QString pdf = exportPdf(m_stat, QStringLiteral("空.pdf"));
    QVERIFY(!pdf.isEmpty());
    // The text tool drops the space before a unit now and then.
    const QString text = QString::fromUtf8(pdfText(pdf)).remove(QLatin1Char(' '));
    QVERIFY2(text.contains(QStringLiteral("收件总计0件")) && text.contains(QStringLiteral("佣金合计0.00元")),
             qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("收件小计")));
}

void TestPieceStat::categoriesAndTotals_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("sum");
    QTest::addColumn<QString>("reference");
    // 104 and 106 let by 张三 (106 entered by 李"四); the voided 105 counts as a
    // registration only; the sale 202 entered in December counts only as a deal.
    QTest::newRow("张三") << QStringLiteral("张三")
                        << QStringList{"张三 出售信息登记 1 件 0.00 元", "张三 出租信息登记 5 件 0.00 元",
                                       "张三 房屋出租小计 2 件 1900.50 元", "张三 求租信息登记 1 件 0.00 元"}
                        << "9 件" << "1900.50 元" << "stat-zhang";
    QTest::newRow("a name with a quote") << QStringLiteral("李\"四")
                                         << QStringList{"李\"四 出租信息登记 1 件 0.00 元",
                                                        "李\"四 房屋出售小计 1 件 1.34 元",
                                                        "李\"四 求购信息登记 1 件 0.00 元"}
                                         << "3 件" << "1.34 元" << "stat-li";
}

void TestPieceStat::categoriesAndTotals()
{
    QFETCH(QString, user);
    QFETCH(QStringList, expected);
    QFETCH(QString, total);
    QFETCH(QString, sum);
    QFETCH(QString, reference);
    run(QStringLiteral("2003-01-01"), QStringLiteral("2003-01-31"), user);
    QCOMPARE(m_messages->texts(), QStringList());
    QCOMPARE(rows(), expected);
    // One user: the group footer and the summary show the same figures.
    QCOMPARE(m_stat->QuickRep1.text(QStringLiteral("lbTotal1")), total);
    QCOMPARE(m_stat->QuickRep1.text(QStringLiteral("lbSum1")), sum);
    QCOMPARE(m_stat->QuickRep1.text(QStringLiteral("lbTotal2")), total);
    QCOMPARE(m_stat->QuickRep1.text(QStringLiteral("lbSum2")), sum);
    QCOMPARE(m_stat->QuickRep1.bandsOnPage(1, Report::BandKind::GroupHeader), 1);
    const QString pdf = exportPdf(m_stat, reference + QStringLiteral(".pdf"));
    QCOMPARE(pdfPageCount(pdf), 1);
    const QString diff = checkPdf(pdf, reference);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    // 刷新 again gives the same totals: the counters start from zero.
    m_stat->btnRefresh->click();
    QCOMPARE(m_stat->QuickRep1.text(QStringLiteral("lbTotal2")), total);
    if (const QString png = qEnvironmentVariable("BRELVANTO_SCREENSHOT"); !png.isEmpty() && reference == "stat-zhang")
        QVERIFY(m_form->grab().save(QString(png).replace(QLatin1String(".png"), QStringLiteral("-statistics.png"))));
}

void TestPieceStat::lastDayCountsWholeDays()
{
    // The sale at 10:00 and the request at 23:30 on the 31st count in January.
    run(QStringLiteral("2003-01-01"), QStringLiteral("2003-01-31"), QStringLiteral("李\"四"));
    QVERIFY(rows().contains(QStringLiteral("李\"四 房屋出售小计 1 件 1.34 元")));
    QVERIFY(rows().contains(QStringLiteral("李\"四 求购信息登记 1 件 0.00 元")));
    run(QStringLiteral("2003-01-31"), QStringLiteral("2003-01-31"), QStringLiteral("李\"四"));
    QCOMPARE(rows().size(), 2);
    run(QStringLiteral("2003-01-01"), QStringLiteral("2003-01-30"), QStringLiteral("李\"四"));
    QCOMPARE(rows(), QStringList{QStringLiteral("李\"四 出租信息登记 1 件 0.00 元")});
    run(QStringLiteral("2003-02-01"), QStringLiteral("2003-02-28"), QStringLiteral("李\"四"));
    QCOMPARE(rows(), QStringList());
    QCOMPARE(m_messages->lastText(), QStringLiteral("没有出租数据！无法查看此报表。"));
}

void TestPieceStat::invalidDateLeavesTheReport_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message");
    QTest::newRow("from") << "2003-02-30" << "2003-01-31" << IncorrectDateMessage(QStringLiteral("开始日期"));
    QTest::newRow("to") << "2003-01-01" << "一月底" << IncorrectDateMessage(QStringLiteral("结束日期"));
    QTest::newRow("empty from") << "" << "2003-01-31" << IncorrectDateMessage(QStringLiteral("开始日期"));
}

void TestPieceStat::invalidDateLeavesTheReport()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, message);
    run(QStringLiteral("2003-01-01"), QStringLiteral("2003-01-31"), QStringLiteral("张三"));
    const QStringList before = rows();
    run(from, to, QStringLiteral("张三"));
    QVERIFY(m_messages->texts().contains(message));
    QCOMPARE(rows(), before);
    QCOMPARE(m_stat->QuickRep1.text(QStringLiteral("lbTotal2")), QStringLiteral("9 件"));
}

void TestPieceStat::everyUserOneGroupEach()
{
    run(QStringLiteral("2003-01-01"), QStringLiteral("2003-01-31"), TQPieceStatFm::AllUsersText());
    QCOMPARE(m_stat->QuickRep1.bandsOnPage(1, Report::BandKind::GroupHeader), 2);
    QCOMPARE(m_stat->QuickRep1.bandsOnPage(1, Report::BandKind::GroupFooter), 2);
    QCOMPARE(m_stat->QuickRep1.text(QStringLiteral("lbTotal2")), QStringLiteral("12 件"));
    QCOMPARE(m_stat->QuickRep1.text(QStringLiteral("lbSum2")), QStringLiteral("1901.84 元"));
    const QString pdf = exportPdf(m_stat, QStringLiteral("全部.pdf"));
    const QString diff = checkPdf(pdf, QStringLiteral("stat-all"));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    // Back to one user: one group, no chart.
    run(QStringLiteral("2003-01-01"), QStringLiteral("2003-01-31"), QStringLiteral("张三"));
    QCOMPARE(m_stat->QuickRep1.bandsOnPage(1, Report::BandKind::GroupHeader), 1);
    QCOMPARE(m_stat->QuickRep1.summary.height, 12.0);
}

QTEST_MAIN(TestPieceStat)
#include "TestPieceStat.moc"
