#include "components/GoldenFile.h"
#include "components/Report.h"
#include "datastore/DataSet.h"
#include "datastore/Engine.h"
#include "datastore/Money.h"
#include "support/PdfFiles.h"
#include "support/TestFiles.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace brel;
using namespace brel::test;

// The banded report engine over a small rental table: two clerks' rows, a
// long text that wraps, totals set by hooks, page breaks and PDF output.
class TestReport : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void formatValue_data();
    void formatValue();
    void pagesBreakWhereABandDoesNotFit_data();
    void pagesBreakWhereABandDoesNotFit();
    void hooksRunOnceInPrintOrder();
    void pdfMatchesReference();
    void cjkFontIsEmbedded();
    void emptyDataPrintsTitleAndSummary();
    void stopEndsTheLayoutEarly();
    void screenAndPdfShareTheLayout();
    void fontPointsHoldOnEveryDevice();
    void unwritablePdfIsRefused();

private:
    void addRental(const QString &receipt, const QString &clerk, const QString &rent, const QString &ambience);
    /// Title, a group per clerk with its count and rent total, one detail
    /// band of detailHeight per row, a summary with the grand total.
    void buildReport(double detailHeight);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<DataSet> m_data;
    Report m_report;
    QStringList m_hookOrder;
    int m_groupCount = 0;
    Money m_groupSum, m_totalSum;
};

void TestReport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString file = m_dir->filePath(QStringLiteral("报表.mdb"));
    makeBlankFile(file);
    m_db = std::make_unique<Database>();
    m_db->open(file, DataPassword);
    addRental(QStringLiteral("00000001"), QStringLiteral("张三"), QStringLiteral("1500"), QStringLiteral("近地铁站"));
    addRental(QStringLiteral("00000002"), QStringLiteral("张三"), QStringLiteral("2200.5"),
              QStringLiteral("小区环境优美，绿化率高，周边有大型超市、菜市场、银行、医院和重点小学，生活十分方便，"
                             "步行五分钟可到公交总站，十分钟到地铁站。"));
    addRental(QStringLiteral("00000003"), QStringLiteral("李四"), QStringLiteral("800"), QString());
    m_data = std::make_unique<DataSet>(m_db.get());
    m_data->setReadOnly(true);
    m_data->setSql(Sql("SELECT SJH, LRR, ZJ, ZWHJ, LRRQ FROM TbRental ORDER BY LRR, SJH"));
    m_data->open();
    m_report = Report();
    m_report.setDataSet(m_data.get());
    m_hookOrder.clear();
}

void TestReport::cleanup()
{
    m_data.reset();
    m_db.reset();
    m_dir.reset();
}

void TestReport::addRental(const QString &receipt, const QString &clerk, const QString &rent, const QString &ambience)
{
    m_db->execute(Sql("INSERT INTO TbRental (SJH, LRR, ZJ, ZWHJ, LRRQ, ZTW) VALUES (?, ?, ?, ?, '2003-01-31', '00')",
                      {receipt, clerk, Money::parse(rent)->toDouble(), ambience}));
}

void TestReport::buildReport(double detailHeight)
{
    Report &r = m_report;
    r.title.height = 20;
    r.title.add(ReportItem::label({0, 5, 210, 12}, QStringLiteral("房屋出租测试报表"), 22, true, Qt::AlignCenter));
    r.groupField = QStringLiteral("LRR");
    r.groupHeader.height = 10;
    r.groupHeader.add(ReportItem::field({20, 0, 40, 10}, QStringLiteral("LRR")));
    r.groupHeader.add(ReportItem::label({60, 0, 60, 10}, QStringLiteral("个人收件统计"), 10.5, true));
    r.detail.height = detailHeight;
    r.detail.add(ReportItem::frame({10, 0, 190, 8}));
    r.detail.add(ReportItem::label({12, 0, 20, 8}, QStringLiteral("收件号："), 10.5, true));
    r.detail.add(ReportItem::field({32, 0, 40, 8}, QStringLiteral("SJH")));
    r.detail.add(ReportItem::label({80, 0, 16, 8}, QStringLiteral("租金："), 10.5, true));
    r.detail.add(ReportItem::field({96, 0, 30, 8}, QStringLiteral("ZJ"), QStringLiteral("#0.00 元")));
    r.detail.add(ReportItem::field({130, 0, 68, 8}, QStringLiteral("LRRQ"), QStringLiteral("dddddd"), 10.5,
                                   Qt::AlignRight | Qt::AlignVCenter));
    r.detail.add(ReportItem::frame({10, 8, 190, 16}));
    r.detail.add(ReportItem::label({12, 8, 24, 8}, QStringLiteral("周围环境："), 10.5, true));
    r.detail.add(ReportItem::memo({36, 9, 160, 14}, QStringLiteral("ZWHJ")));
    r.groupFooter.height = 10;
    r.groupFooter.add(ReportItem::label({20, 0, 30, 10}, QStringLiteral("收件小计")));
    ReportItem total = ReportItem::label({50, 0, 30, 10}, QString());
    total.name = QStringLiteral("lbTotal1");
    r.groupFooter.add(total);
    ReportItem sum = ReportItem::label({100, 0, 40, 10}, QString());
    sum.name = QStringLiteral("lbSum1");
    r.groupFooter.add(sum);
    r.summary.height = 12;
    r.summary.add(ReportItem::label({20, 0, 30, 12}, QStringLiteral("佣金合计"), 12, true));
    ReportItem grand = ReportItem::label({100, 0, 40, 12}, QStringLiteral("0.00 元"), 12);
    grand.name = QStringLiteral("lbSum2");
    r.summary.add(grand);

    r.beforeStart = [this] {
        m_hookOrder << QStringLiteral("start");
        m_groupCount = 0;
        m_groupSum = m_totalSum = Money();
    };
    r.title.beforePrint = [this] { m_hookOrder << QStringLiteral("title"); };
    r.groupHeader.beforePrint = [this] { m_hookOrder << QStringLiteral("header ") + m_data->asText(QStringLiteral("LRR")); };
    r.detail.beforePrint = [this] {
        m_hookOrder << QStringLiteral("detail ") + m_data->asText(QStringLiteral("SJH"));
        ++m_groupCount;
        m_groupSum += m_data->asMoney(QStringLiteral("ZJ"));
        m_totalSum += m_data->asMoney(QStringLiteral("ZJ"));
    };
    r.groupFooter.beforePrint = [this] {
        m_hookOrder << QStringLiteral("footer");
        m_report.setText(QStringLiteral("lbTotal1"), QStringLiteral("%1 件").arg(m_groupCount));
        m_report.setText(QStringLiteral("lbSum1"), m_groupSum.format(QStringLiteral("%0.2f")) + QStringLiteral(" 元"));
        m_groupCount = 0;
        m_groupSum = Money();
    };
    r.summary.beforePrint = [this] {
        m_hookOrder << QStringLiteral("summary");
        m_report.setText(QStringLiteral("lbSum2"), m_totalSum.format(QStringLiteral("%0.2f")) + QStringLiteral(" 元"));
    };
}

void TestReport::formatValue_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("text");
    const QVariant money = QVariant::fromValue(*Money::parse(QStringLiteral("1234.5")));
    QTest::newRow("money #0.00") << money << "#0.00" << "1234.50";
    QTest::newRow("money with unit") << money << "#0.00 元" << "1234.50 元";
    QTest::newRow("area #.##") << QVariant::fromValue(*Money::parse(QStringLiteral("88.125"))) << "#.##" << "88.12";
    QTest::newRow("empty area") << QVariant() << "#.##" << "";
    QTest::newRow("empty sum") << QVariant() << "#0.00 元" << "0.00 元";
    QTest::newRow("count") << QVariant(qint64(7)) << "0 件" << "7 件";
    QTest::newRow("no count") << QVariant() << "0 (层)" << "";
    QTest::newRow("no area with unit") << QVariant() << "#.## (平方米)" << "";
    QTest::newRow("engine double") << QVariant(2200.5) << "%0.2f" << "2200.50";
    QTest::newRow("long date") << QVariant(QDate(2003, 1, 1)) << "dddddd" << "2003年1月1日";
    QTest::newRow("long date with time") << QVariant(QDateTime(QDate(2003, 1, 31), QTime(10, 0))) << "dddddd"
                                         << "2003年1月31日";
    QTest::newRow("short date") << QVariant(QDate(2003, 12, 5)) << "yyyy-MM-dd" << "2003-12-05";
    QTest::newRow("no date") << QVariant() << "dddddd" << "";
    QTest::newRow("plain text") << QVariant(QStringLiteral("朝南\"大\"")) << "" << "朝南\"大\"";
}

void TestReport::formatValue()
{
    QFETCH(QVariant, value);
    QFETCH(QString, format);
    QFETCH(QString, text);
    QCOMPARE(Report::formatValue(value, format), text);
}

void TestReport::pagesBreakWhereABandDoesNotFit_data()
{
    QTest::addColumn<double>("detailHeight");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QList<int>>("detailsPerPage");
    // 20 title + 2 headers + 2 footers (40) + 12 summary = 72 mm besides the details.
    QTest::newRow("all on one page") << 30.0 << 1 << QList<int>{3};
    QTest::newRow("two per page") << 105.8 << 2 << QList<int>{2, 1};
    QTest::newRow("one per page") << 199.0 << 3 << QList<int>{1, 1, 1};
}

void TestReport::pagesBreakWhereABandDoesNotFit()
{
    QFETCH(double, detailHeight);
    QFETCH(int, pages);
    QFETCH(QList<int>, detailsPerPage);
    buildReport(detailHeight);
    QCOMPARE(m_report.prepare(), pages);
    QCOMPARE(m_report.pageCount(), pages);
    QList<int> counted;
    for (int page = 1; page <= pages; ++page)
        counted << m_report.bandsOnPage(page, Report::BandKind::Detail);
    QCOMPARE(counted, detailsPerPage);
    QCOMPARE(m_report.bandsOnPage(1, Report::BandKind::Title), 1);
    QCOMPARE(m_report.bandsOnPage(pages, Report::BandKind::Summary), 1);
    QVERIFY(!m_report.stoppedEarly());
}

void TestReport::hooksRunOnceInPrintOrder()
{
    buildReport(30);
    m_report.prepare();
    const QStringList order = {QStringLiteral("start"),           QStringLiteral("title"),
                               QStringLiteral("header 张三"),     QStringLiteral("detail 00000001"),
                               QStringLiteral("detail 00000002"), QStringLiteral("footer"),
                               QStringLiteral("header 李四"),     QStringLiteral("detail 00000003"),
                               QStringLiteral("footer"),          QStringLiteral("summary")};
    QCOMPARE(m_hookOrder, order);
    // Drawing a page again runs no hook: the totals keep their values.
    QImage page(100, 100, QImage::Format_RGB32);
    QPainter painter(&page);
    m_report.drawPage(painter, 1);
    QCOMPARE(m_hookOrder.size(), order.size());
}

void TestReport::pdfMatchesReference()
{
    buildReport(105.8);
    QCOMPARE(m_report.prepare(), 2);
    const QString pdf = m_dir->filePath(QStringLiteral("报表.pdf"));
    QVERIFY(m_report.writePdf(pdf));
    QCOMPARE(pdfPageCount(pdf), 2);
    const QByteArray text = pdfText(pdf);
    QVERIFY2(!text.isEmpty(), "pdftotext read nothing");
    const QString diff = compareWithGolden(QStringLiteral("report-grouped.txt"), text);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    // A range writes exactly those pages.
    const QString second = m_dir->filePath(QStringLiteral("第二页.pdf"));
    QVERIFY(m_report.writePdf(second, 2, 2));
    QCOMPARE(pdfPageCount(second), 1);
    QVERIFY(QString::fromUtf8(pdfText(second)).contains(QStringLiteral("00000003")));
    QVERIFY(!QString::fromUtf8(pdfText(second)).contains(QStringLiteral("00000001")));
    if (const QString png = qEnvironmentVariable("BRELVANTO_SCREENSHOT"); !png.isEmpty())
        renderPage(pdf, 1, png);
}

void TestReport::cjkFontIsEmbedded()
{
    buildReport(30);
    m_report.prepare();
    const QString pdf = m_dir->filePath(QStringLiteral("字体.pdf"));
    QVERIFY(m_report.writePdf(pdf));
    const QStringList fonts = embeddedFonts(pdf);
    QVERIFY2(!fonts.isEmpty(), "no embedded font");
    const QString family = m_report.fontFamily().remove(QLatin1Char(' '));
    bool found = false;
    for (const QString &font : fonts)
        found = found || font.contains(family, Qt::CaseInsensitive);
    QVERIFY2(found, qPrintable(fonts.join(QLatin1Char(','))));
}

void TestReport::emptyDataPrintsTitleAndSummary()
{
    m_data->close();
    m_data->setSql(Sql("SELECT SJH, LRR, ZJ, ZWHJ, LRRQ FROM TbRental WHERE ZTW = ?", {QStringLiteral("01")}));
    m_data->open();
    buildReport(30);
    QCOMPARE(m_report.prepare(), 1);
    QCOMPARE(m_report.bandsOnPage(1, Report::BandKind::GroupHeader), 0);
    QCOMPARE(m_report.bandsOnPage(1, Report::BandKind::GroupFooter), 0);
    QCOMPARE(m_report.bandsOnPage(1, Report::BandKind::Detail), 0);
    QCOMPARE(m_report.bandsOnPage(1, Report::BandKind::Summary), 1);
    const QString pdf = m_dir->filePath(QStringLiteral("空.pdf"));
    QVERIFY(m_report.writePdf(pdf));
    const QString text = QString::fromUtf8(pdfText(pdf));
    QVERIFY2(text.contains(QStringLiteral("0.00 元")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("房屋出租测试报表")));
}

void TestReport::stopEndsTheLayoutEarly()
{
    buildReport(199);
    m_report.detail.beforePrint = [this] {
        if (m_data->asText(QStringLiteral("SJH")) == QLatin1String("00000002"))
            m_report.stop();
    };
    m_report.prepare();
    QVERIFY(m_report.stoppedEarly());
    QCOMPARE(m_report.pageCount(), 2);
    QCOMPARE(m_report.bandsOnPage(2, Report::BandKind::Detail), 1);
    QCOMPARE(m_report.bandsOnPage(2, Report::BandKind::Summary), 0);
    // The next layout starts afresh.
    m_report.detail.beforePrint = nullptr;
    QCOMPARE(m_report.prepare(), 3);
    QVERIFY(!m_report.stoppedEarly());
}

void TestReport::screenAndPdfShareTheLayout()
{
    buildReport(105.8);
    m_report.prepare();
    // An A4 page at 96 dpi: the text stays inside and the frames are drawn.
    QImage page(794, 1123, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    m_report.drawPage(painter, 1);
    painter.end();
    int dark = 0;
    for (int y = 0; y < page.height(); y += 2)
        for (int x = 0; x < page.width(); x += 2)
            dark += qGray(page.pixel(x, y)) < 128 ? 1 : 0;
    QVERIFY(dark > 500);
    // The frame's left edge lies at 10 mm, 37.8 px at 96 dpi, below the title (20 mm) and header (10 mm).
    const int y = int((30 + 4) * 96 / 25.4);
    QVERIFY(qGray(page.pixel(37, y)) < 160 || qGray(page.pixel(38, y)) < 160);
    QCOMPARE(qGray(page.pixel(30, y)), 255);
}

/// Height in pixels of the dark part of the image's top rows (the title).
static int titleHeight(const QImage &image, int rows)
{
    int first = -1, last = -1;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

void TestReport::fontPointsHoldOnEveryDevice()
{
    // The painter is not scaled to millimetres: a 22 point title is three
    // times as many pixels at 288 dpi as at 96 dpi, as on paper.
    buildReport(30);
    m_report.prepare();
    int heights[2] = {0, 0};
    const int dpis[2] = {96, 288};
    for (int i = 0; i < 2; ++i) {
        const double mm = dpis[i] / 25.4;
        QImage page(int(210 * mm), int(297 * mm), QImage::Format_RGB32);
        page.setDotsPerMeterX(int(dpis[i] / 0.0254 + 0.5));
        page.setDotsPerMeterY(int(dpis[i] / 0.0254 + 0.5));
        page.fill(Qt::white);
        QPainter painter(&page);
        m_report.drawPage(painter, 1);
        painter.end();
        heights[i] = titleHeight(page, int(20 * mm));
    }
    QVERIFY(heights[0] > 15);
    const double ratio = double(heights[1]) / heights[0];
    QVERIFY2(ratio > 2.7 && ratio < 3.3, qPrintable(QString::number(ratio)));
}

void TestReport::unwritablePdfIsRefused()
{
    buildReport(30);
    m_report.prepare();
    QString error;
    QVERIFY(!m_report.writePdf(m_dir->filePath(QStringLiteral("没有的文件夹/报表.pdf")), 1, 0, &error));
    QVERIFY(error.contains(QStringLiteral("无法写入文件")));
}

QTEST_MAIN(TestReport)
#include "TestReport.moc"
