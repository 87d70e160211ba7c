#include "Benchmarks.h"

#include "components/Report.h"
#include "datastore/DataSet.h"
#include "datastore/Engine.h"
#include "datastore/Schema.h"
#include "reports/ReportLayouts.h"

#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

namespace brel::bench {

namespace {

const QString Key = QStringLiteral("381957");

void fillRentals(Database &db, int count)
{
    db.execute(Sql("DELETE FROM TbRental"));
    Transaction tx(db);
    db.execute(Sql(QStringLiteral(
                       "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<?) "
                       "INSERT INTO TbRental (SJH, FWDZ, DGDZ, JZMJ, FX, CX, LC, ZJ, QY, JGRQ, ZXQK, ZWHJ, FWSS, JTQK, "
                       "CZFBZ1, LRR, LRRQ, ZTW) SELECT printf('%08d', x), '人民路' || x || '号', '人民路', 40 + x % 90, "
                       "'两室一厅', '朝南', x % 30 + 1, 800 + x % 5000, '城东', '2001-05-01', '精装修', "
                       "'小区环境优美，绿化率高，周边有大型超市、菜市场、银行、医院和重点小学，生活十分方便。', "
                       "'空调、冰箱、洗衣机、热水器、宽带', '公交车站步行五分钟，地铁站十分钟', '家电齐全，拎包入住', "
                       "'小王', '2003-01-02', '00' FROM c"),
                   {count}));
    tx.commit();
}

/// The rental notice over the file's rentals: the program's sheet layout.
struct Notices {
    explicit Notices(Database &db) : data(&db)
    {
        data.setReadOnly(true);
        data.setSql(SheetStatement(Sheet::RentalRelease));
        data.open();
        report.setDataSet(&data);
        report.title.height = 20;
        report.title.add(ReportItem::label({0, 4, Report::PageWidth, 14}, SheetOf(Sheet::RentalRelease).title, 22,
                                           true, Qt::AlignCenter));
        BuildSheetLayout(report, Sheet::RentalRelease);
    }
    DataSet data;
    Report report;
};

/// The same texts and rectangles drawn straight from the statement, with a
/// bare painter on a PDF writer: the limit of what the engine could do.
int bareNotices(Database &db, const Report &layout, const QString &pdf)
{
    QPdfWriter writer(pdf);
    writer.setResolution(600);
    Report::setUpDevice(writer);
    QPainter painter(&writer);
    const double mm = writer.logicalDpiX() / 25.4;
    auto statement = db.prepare(SheetStatement(Sheet::RentalRelease));
    QHash<QString, int> columns;
    for (int c = 0; c < statement->columnCount(); ++c)
        columns.insert(statement->columnName(c).toUpper(), c);
    QFont title(layout.fontFamily());
    title.setPointSizeF(22);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRectF(0, 4 * mm, Report::PageWidth * mm, 14 * mm), Qt::AlignCenter,
                     SheetOf(Sheet::RentalRelease).title);
    double top = 20;
    int pages = 1;
    const double height = layout.detail.height;
    while (statement->step()) {
        if (top + height > Report::PageHeight) {
            writer.newPage();
            ++pages;
            top = 0;
        }
        for (const ReportItem &item : layout.detail.items) {
            const QRectF r(item.mm.x() * mm, (top + item.mm.y()) * mm, item.mm.width() * mm, item.mm.height() * mm);
            if (item.kind == ReportItem::Kind::Frame) {
                painter.setPen(QPen(Qt::black, 0.25 * mm));
                painter.drawRect(r);
                continue;
            }
            const QString text = item.kind == ReportItem::Kind::Label
                                     ? item.text
                                     : statement->value(columns.value(item.text.toUpper())).toString();
            QFont font(layout.fontFamily());
            font.setPointSizeF(item.points);
            font.setBold(item.bold);
            painter.setFont(font);
            painter.drawText(r, int(item.align) | (item.kind == ReportItem::Kind::Memo ? Qt::TextWordWrap : 0), text);
        }
        top += height;
    }
    painter.end();
    return pages;
}

} // namespace

void runReportBenchmark(QTextStream &out)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("reports.mdb"));
    Database db;
    db.create(file, Key);
    Schema::createAll(db);
    Schema::fillBlankContent(db);

    // Peak memory at two sizes: pages are drawn as they are needed, so a
    // report five times longer should not need five times the memory.
    for (const int records : {200, 1000}) {
        fillRentals(db, records);
        resetPeak();
        const qint64 startKb = statusKb("VmRSS");
        QElapsedTimer timer;
        timer.start();
        Notices notices(db);
        const int pages = notices.report.prepare();
        QImage first(794, 1123, QImage::Format_RGB32);
        first.fill(Qt::white);
        {
            QPainter painter(&first);
            notices.report.drawPage(painter, 1);
        }
        const double firstMs = timer.nsecsElapsed() / 1e6;
        notices.report.writePdf(dir.filePath(QStringLiteral("app.pdf")));
        const double appMs = timer.nsecsElapsed() / 1e6;
        const double peakMb = (statusKb("VmHWM") - startKb) / 1024.0;

        timer.restart();
        const int barePages = bareNotices(db, notices.report, dir.filePath(QStringLiteral("bare.pdf")));
        const double bareMs = timer.nsecsElapsed() / 1e6;

        const QString name = QStringLiteral("rental_notices_%1_to_pdf").arg(records);
        printRatio(out, name, appMs, bareMs);
        out << name << "_pages: " << pages << " (bare " << barePages << "), "
            << QString::number(pages * 1000.0 / appMs, 'f', 1) << " pages/s" << Qt::endl;
        out << name << "_first_page_preview_ms: " << QString::number(firstMs, 'f', 1) << Qt::endl;
        out << name << "_peak_memory_mb: " << QString::number(peakMb, 'f', 1) << Qt::endl;
    }
}

} // namespace brel::bench
