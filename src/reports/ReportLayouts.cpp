#include "reports/ReportLayouts.h"

#include <QCoreApplication>

namespace brel {

namespace {

QString tx(const char *text)
{
    return QCoreApplication::translate("brel::ReportLayouts", text);
}

// The printed lines of a record lie between these edges, each in its frame.
constexpr double FrameLeft = 5, FrameRight = 205;
constexpr double TextLeft = 7, TextRight = 203;
constexpr double LineHeight = 7, HeadingHeight = 9, NoteHeight = 7;
/// Space left below each record, between it and the next one.
constexpr double RecordGap = 6;
constexpr double TextPoints = 10.5;

struct Pair {
    QString label;
    QString field;
    QString format;
    double weight = 1;
};

struct Line {
    enum class Kind { Fields, Top, Memo, Heading, Note, RightPair };
    Kind kind;
    QVector<Pair> pairs;
    QString text;
};

Pair P(const char *label, const char *field, const QString &format = {}, double weight = 1)
{
    return {tx(label), QString::fromLatin1(field), format, weight};
}

Line fields(std::initializer_list<Pair> pairs)
{
    return {Line::Kind::Fields, pairs, {}};
}

/// The first line: its pairs at the left and the agency's name at the right.
Line top(std::initializer_list<Pair> pairs = {})
{
    return {Line::Kind::Top, pairs, {}};
}

Line memo(const char *label, const char *field)
{
    return {Line::Kind::Memo, {P(label, field)}, {}};
}

Line heading(const char *text)
{
    return {Line::Kind::Heading, {}, tx(text)};
}

Line note(const char *text)
{
    return {Line::Kind::Note, {}, tx(text)};
}

Line rightPair(const Pair &pair)
{
    return {Line::Kind::RightPair, {pair}, {}};
}

/// Width of a label's text in mm: full-width characters one em, others about half.
double labelWidth(const QString &text, double points)
{
    const double em = points * 25.4 / 72;
    double width = 0;
    for (const QChar c : text)
        width += c.unicode() < 0x80 ? em * 0.55 : em;
    return width + 1;
}

const QString LongDate = QStringLiteral("dddddd");
const QString ShortDate = QStringLiteral("yyyy-MM-dd");
const QString Rent = QStringLiteral("#0.00 (元/月)");
const QString Price = QStringLiteral("#0.00 (万元)");

/// The lines of each sheet, top to bottom.
QVector<Line> sheetLines(Sheet sheet)
{
    const QString date = sheet == Sheet::RentalSave || sheet == Sheet::QBuyRelease ? ShortDate : LongDate;
    const Line area = fields({P("建筑面积：", "JZMJ", QStringLiteral("#.## (平方米)")), P("区域：", "QY"),
                              P("房型：", "FX")});
    const Line orientBuilt = fields({P("朝向：", "CX"), P("楼层：", "LC", QStringLiteral("0 (层)")),
                                     P("竣工日期：", "JGRQ", date), P("装修情况：", "ZXQK")});
    const Line orient = fields({P("朝向：", "CX"), P("楼层：", "LC", QStringLiteral("0 (层)")), P("装修情况：", "ZXQK")});
    const Line years = fields({P("竣工日期：", "JGRQ", date), P("使用年限：", "SYNX", QStringLiteral("#.## (年)")),
                               P("产别：", "CB")});
    const Line contact = fields({P("联系人：", "LXR"), P("联系电话：", "LXRDH1"), P("身份证号：", "LXRSFZH", {}, 1.3)});
    auto address = [](const char *field, bool rental) {
        return fields({P("房屋地址：", field, {}, 2.2),
                       rental ? P("租金：", "ZJ", Rent) : P("售价：", "SJ", Price)});
    };
    auto texts = [](const char *remarkLabel, const char *remarkField) {
        return QVector<Line>{memo("周围环境：", "ZWHJ"), memo("房屋设施：", "FWSS"), memo("交通情况：", "JTQK"),
                             memo(remarkLabel, remarkField)};
    };
    auto receiptEnd = [&date](const char *closing) {
        return QVector<Line>{fields({P("业务受理电话：", "SLDH"), P("录入人：", "LRR")}),
                             rightPair(P("录入日期：", "LRRQ", date)), note(closing)};
    };
    const Line receiptNo = fields({P("收件号：", "SJH")});
    const Line receiptAndDeed = fields({P("收件号：", "SJH"), P("产权证号：", "CQZH")});
    const Line entered = fields({P("录入人：", "LRR"), P("录入日期：", "LRRQ", date)});
    const QVector<Line> handled = {heading("受理方信息"),
                                   fields({P("合同号：", "HTH"),
                                           P("佣金金额：", "YJJE",
                                             sheet == Sheet::SaleSave ? QString() : QStringLiteral("#0.00"))}),
                                   fields({P("受理人：", "SLR"), P("受理日期：", "SLRQ", date)})};

    switch (sheet) {
    case Sheet::RentalRelease:
        return QVector<Line>{top({P("受理电话:", "SLDH")}), receiptNo, address("DGDZ", true), area, orientBuilt}
               + texts("出租备注：", "CZFBZ1");
    case Sheet::SaleRelease:
        return QVector<Line>{top({P("受理电话:", "SLDH")}), receiptNo, address("DGDZ", false), area, orient, years}
               + texts("出售备注：", "CSFBZ");
    case Sheet::QBuyRelease:
        return QVector<Line>{top({P("受理电话:", "SLDH")}), receiptNo, address("DGDZ", false), area, orient, years}
               + texts("求购备注：", "BZ");
    case Sheet::QQRentalRelease:
        return QVector<Line>{top({P("受理电话:", "SLDH")}), receiptNo, address("DGDZ", true), area, orient}
               + texts("求租备注：", "BZ");
    case Sheet::RentalReturn:
        return QVector<Line>{top(), receiptAndDeed, address("FWDZ", true), area, orientBuilt, contact}
               + texts("出租备注：", "CZFBZ1")
               + receiptEnd("* 注意：请妥善保管好此单据，如果您的房屋已经通过其他渠道租出，请通知我们。谢谢合作。");
    case Sheet::SaleReturn:
        return QVector<Line>{top(), receiptAndDeed, address("FWDZ", false), area, orient, years, contact}
               + texts("出售备注：", "CSFBZ")
               + receiptEnd("* 注意：请妥善保管好此单据，如果您的房屋已经通过其他渠道售出，请通知我们。谢谢合作。");
    case Sheet::QBuyReturn:
        return QVector<Line>{top(), receiptNo, address("FWDZ", false), area, orient, years, contact}
               + texts("求购备注：", "BZ")
               + receiptEnd("* 注意：请妥善保管好此单据，如果您已经购到房屋，请通知我们。谢谢合作。");
    case Sheet::QQRentalReturn:
        return QVector<Line>{top(), receiptNo, address("FWDZ", true), area, orient, contact}
               + texts("求租备注：", "BZ")
               + receiptEnd("* 注意：请妥善保管好此单据，如果您已经租到房屋，请通知我们。谢谢合作。");
    case Sheet::RentalSave:
        return QVector<Line>{top(), receiptAndDeed, heading("出租方信息"), address("FWDZ", true), area, orientBuilt,
                             contact}
               + texts("出租备注：", "CZFBZ1")
               + QVector<Line>{entered, heading("承租方信息"),
                               fields({P("承租人姓名：", "CZRXM"), P("联系电话：", "CZRLXDH"),
                                       P("身份证号：", "CZRSFZH", {}, 1.3)}),
                               fields({P("承租价格：", "CZJG", QStringLiteral("#0.00")), P("承租日期：", "CZRQ", date),
                                       P("承租到期：", "CZJZRQ", date)}),
                               memo("承租备注：", "CZFBZ2")}
               + handled;
    case Sheet::SaleSave:
        return QVector<Line>{top(), receiptAndDeed, heading("出售方信息"), address("FWDZ", false), area, orient, years,
                             contact}
               + texts("出售备注：", "CSFBZ")
               + QVector<Line>{entered, heading("购买方信息"),
                               fields({P("购买人姓名：", "GMRXM"), P("联系电话：", "GMRLXDH"),
                                       P("身份证号：", "GMRSFZH", {}, 1.3)}),
                               fields({P("购买价格：", "GMJG", QStringLiteral("#0.00")), P("购买日期：", "GMRQ", date)}),
                               memo("购买备注：", "GMFBZ")}
               + handled;
    }
    return {};
}

const QString Company = QStringLiteral(
    ", (SELECT QYMC FROM TbCompanyInfo WHERE Id=1) AS GSMC, (SELECT LXDH FROM TbCompanyInfo WHERE Id=1) AS SLDH");

} // namespace

const QVector<SheetInfo> &Sheets()
{
    static const QVector<SheetInfo> sheets = {
        {Sheet::RentalRelease, QStringLiteral("atRentalRelease"), QStringLiteral("TQRentalReleaseFm"),
         tx("出租信息公告"), tx("房屋出租信息公告"), tx("没有房屋出租信息！无法打印。"), 105.8},
        {Sheet::RentalReturn, QStringLiteral("atRentalReturn"), QStringLiteral("TQRentalReturnFm"),
         tx("房屋出租登记回执"), tx("房屋出租登记回执"), tx("没有房屋出租信息！无法打印。"), 128.3},
        {Sheet::RentalSave, QStringLiteral("atRentalSave"), QStringLiteral("TQRentalSaveFm"), tx("房屋出租存档"),
         tx("房屋出租存档"), tx("没有房屋出租信息！无法打印。"), 199.0},
        {Sheet::SaleRelease, QStringLiteral("atSaleRelease"), QStringLiteral("TQSaleReleaseFm"), tx("出售信息公告"),
         tx("房屋出售信息公告"), tx("没有房屋售租信息！无法打印。"), 115.1},
        {Sheet::SaleReturn, QStringLiteral("atSaleReturn"), QStringLiteral("TQSaleReturnFm"), tx("房屋出售登记回执"),
         tx("房屋出售登记回执"), tx("没有房屋出售信息！无法打印。"), 137.6},
        {Sheet::SaleSave, QStringLiteral("atSaleSave"), QStringLiteral("TQSaleSaveFm"), tx("房屋出售存档"),
         tx("房屋出售存档"), tx("没有房屋出售信息！无法打印。"), 207.7},
        {Sheet::QQRentalRelease, QStringLiteral("atQQRentalRelease"), QStringLiteral("TQQRentalReleaseFm"),
         tx("求租信息公告"), tx("房屋求租信息公告"), tx("没有房屋出租信息！无法打印。"), 105.8},
        {Sheet::QQRentalReturn, QStringLiteral("atQQRentalReturn"), QStringLiteral("TQQRentalReturnFm"),
         tx("房屋求租登记回执"), tx("房屋求租登记回执"), tx("没有房屋出租信息！无法打印。"), 128.3},
        {Sheet::QBuyRelease, QStringLiteral("atQBuyRelease"), QStringLiteral("TQBuyReleaseFm"), tx("求购信息公告"),
         tx("房屋求购信息公告"), tx("没有房屋求购信息！无法打印。"), 115.1},
        {Sheet::QBuyReturn, QStringLiteral("atQBuyReturn"), QStringLiteral("TQBuyReturnFm"), tx("房屋求购登记回执"),
         tx("房屋求购登记回执"), tx("没有房屋求购信息！无法打印。"), 137.6},
    };
    return sheets;
}

const SheetInfo &SheetOf(Sheet sheet)
{
    return Sheets().at(int(sheet));
}

std::optional<Sheet> SheetOfCommand(const QString &command)
{
    for (const SheetInfo &info : Sheets()) {
        if (info.command == command)
            return info.sheet;
    }
    return std::nullopt;
}

Sql SheetStatement(Sheet sheet)
{
    // The columns each sheet prints, its register and the state it is meant
    // for (none: every request).
    struct Statement {
        const char *columns, *table, *state;
    };
    static const Statement statements[] = {
        {"SJH, DGDZ, ZJ, JZMJ, QY, FX, CX, LC, JGRQ, ZXQK, ZWHJ, FWSS, JTQK, CZFBZ1", "TbRental", "00"},
        {"SJH, CQZH, FWDZ, ZJ, JZMJ, QY, FX, CX, LC, JGRQ, ZXQK, LXR, LXRDH1, LXRSFZH, ZWHJ, FWSS, JTQK, CZFBZ1, LRR, "
         "LRRQ",
         "TbRental", "00"},
        {"SJH, CQZH, FWDZ, ZJ, JZMJ, QY, FX, CX, LC, JGRQ, ZXQK, LXR, LXRDH1, LXRSFZH, ZWHJ, FWSS, JTQK, CZFBZ1, LRR, "
         "LRRQ, CZRXM, CZRLXDH, CZRSFZH, CZJG, CZRQ, CZJZRQ, CZFBZ2, HTH, YJJE, SLR, SLRQ",
         "TbRental", "01"},
        {"SJH, DGDZ, SJ, JZMJ, QY, FX, CX, LC, ZXQK, JGRQ, SYNX, CB, ZWHJ, FWSS, JTQK, CSFBZ", "TbSale", "00"},
        {"SJH, CQZH, FWDZ, SJ, JZMJ, QY, FX, CX, LC, ZXQK, JGRQ, SYNX, CB, LXR, LXRDH1, LXRSFZH, ZWHJ, FWSS, JTQK, "
         "CSFBZ, LRR, LRRQ",
         "TbSale", "00"},
        {"SJH, CQZH, FWDZ, SJ, JZMJ, QY, FX, CX, LC, JGRQ, SYNX, CB, ZXQK, LXR, LXRDH1, LXRSFZH, ZWHJ, FWSS, JTQK, "
         "CSFBZ, LRR, LRRQ, GMRXM, GMRLXDH, GMRSFZH, GMJG, GMRQ, GMFBZ, HTH, YJJE, SLR, SLRQ",
         "TbSale", "01"},
        {"SJH, DGDZ, ZJ, JZMJ, QY, FX, CX, LC, ZXQK, ZWHJ, FWSS, JTQK, BZ", "TbQRental", nullptr},
        {"SJH, FWDZ, ZJ, JZMJ, QY, FX, CX, LC, ZXQK, LXR, LXRDH1, LXRSFZH, ZWHJ, FWSS, JTQK, BZ, LRR, LRRQ", "TbQRental",
         nullptr},
        {"SJH, DGDZ, SJ, JZMJ, QY, FX, CX, LC, ZXQK, JGRQ, SYNX, CB, ZWHJ, FWSS, JTQK, BZ", "TbQBuy", nullptr},
        {"SJH, FWDZ, SJ, JZMJ, QY, FX, CX, LC, ZXQK, JGRQ, SYNX, CB, LXR, LXRDH1, LXRSFZH, ZWHJ, FWSS, JTQK, BZ, LRR, "
         "LRRQ",
         "TbQBuy", nullptr},
    };
    const Statement &st = statements[int(sheet)];
    const QString text = QStringLiteral("SELECT %1%2 FROM %3 WHERE ")
                             .arg(QString::fromLatin1(st.columns), Company, QString::fromLatin1(st.table));
    if (!st.state)
        return Sql(text + QStringLiteral("ID<>0"));
    return Sql(text + QStringLiteral("ZTW=?"), {QString::fromLatin1(st.state)});
}

void BuildSheetLayout(Report &report, Sheet sheet)
{
    const QVector<Line> lines = sheetLines(sheet);
    ReportBand &band = report.detail;
    band = ReportBand();
    band.height = SheetOf(sheet).detailHeight;
    // The long texts share what the fixed lines leave of the band.
    double fixed = 0;
    int memos = 0;
    for (const Line &line : lines) {
        switch (line.kind) {
        case Line::Kind::Memo: ++memos; break;
        case Line::Kind::Heading: fixed += HeadingHeight; break;
        case Line::Kind::Note: fixed += NoteHeight; break;
        default: fixed += LineHeight; break;
        }
    }
    const double memoHeight = memos ? qMax(LineHeight, (band.height - RecordGap - fixed) / memos) : 0;
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter, right = Qt::AlignRight | Qt::AlignVCenter;
    double y = 0;
    for (const Line &line : lines) {
        double height = LineHeight;
        if (line.kind == Line::Kind::Memo)
            height = memoHeight;
        else if (line.kind == Line::Kind::Heading)
            height = HeadingHeight;
        else if (line.kind == Line::Kind::Note)
            height = NoteHeight;
        if (line.kind != Line::Kind::Note)
            band.add(ReportItem::frame({FrameLeft, y, FrameRight - FrameLeft, height}));
        switch (line.kind) {
        case Line::Kind::Heading:
            band.add(ReportItem::label({TextLeft, y, TextRight - TextLeft, height}, line.text, 14, true));
            break;
        case Line::Kind::Note:
            band.add(ReportItem::label({TextLeft, y, TextRight - TextLeft, height}, line.text, 9));
            break;
        case Line::Kind::Memo: {
            const Pair &pair = line.pairs.first();
            const double width = labelWidth(pair.label, TextPoints);
            band.add(ReportItem::label({TextLeft, y, width, LineHeight}, pair.label, TextPoints, true));
            band.add(ReportItem::memo({TextLeft + width, y + 1.2, TextRight - TextLeft - width, height - 1.6},
                                      pair.field, TextPoints));
            break;
        }
        case Line::Kind::RightPair: {
            const Pair &pair = line.pairs.first();
            // At the right edge, with room for the long date.
            const double fieldWidth = 32, width = labelWidth(pair.label, TextPoints);
            band.add(ReportItem::label({TextRight - fieldWidth - width, y, width, height}, pair.label, TextPoints, true,
                                       right));
            band.add(ReportItem::field({TextRight - fieldWidth, y, fieldWidth, height}, pair.field, pair.format,
                                       TextPoints, left));
            break;
        }
        case Line::Kind::Fields:
        case Line::Kind::Top: {
            double total = 0;
            for (const Pair &pair : line.pairs)
                total += pair.weight;
            // The agency's name takes the right part of the top line.
            const double span = line.kind == Line::Kind::Top ? (TextRight - TextLeft) / 2 : TextRight - TextLeft;
            double x = TextLeft;
            for (const Pair &pair : line.pairs) {
                const double slot = span * pair.weight / total;
                const double width = labelWidth(pair.label, TextPoints);
                band.add(ReportItem::label({x, y, width, height}, pair.label, TextPoints, true));
                band.add(ReportItem::field({x + width, y, slot - width - 1, height}, pair.field, pair.format,
                                           TextPoints, left));
                x += slot;
            }
            if (line.kind == Line::Kind::Top)
                band.add(ReportItem::field({TextLeft + span, y, span, height}, QStringLiteral("GSMC"), {}, TextPoints,
                                           right));
            break;
        }
        }
        y += height;
    }
}

Sql PieceStatStatement(const std::optional<QString> &user, const QDate &from, const QDate &to)
{
    // One part per category; whole days are compared, so a stamp with a time
    // of day on the last day of the period still counts.
    struct Part {
        const char *who, *category, *table, *dateColumn;
        bool deals;
    };
    static const Part parts[] = {
        {"SLR", "房屋出租小计", "TbRental", "SLRQ", true},  {"LRR", "出租信息登记", "TbRental", "LRRQ", false},
        {"SLR", "房屋出售小计", "TbSale", "SLRQ", true},    {"LRR", "出售信息登记", "TbSale", "LRRQ", false},
        {"LRR", "求租信息登记", "TbQRental", "LRRQ", false}, {"LRR", "求购信息登记", "TbQBuy", "LRRQ", false},
    };
    QStringList selects;
    QVariantList values;
    const QString first = from.toString(QStringLiteral("yyyy-MM-dd")), last = to.toString(QStringLiteral("yyyy-MM-dd"));
    for (const Part &part : parts) {
        const QString who = QString::fromLatin1(part.who);
        QStringList where;
        if (part.deals)
            where << QStringLiteral("ZTW='01'");
        if (user) {
            where << who + QStringLiteral("=?");
            values << *user;
        } else {
            where << who + QStringLiteral(" IS NOT NULL");
        }
        where << QStringLiteral("date(%1) BETWEEN ? AND ?").arg(QString::fromLatin1(part.dateColumn));
        values << first << last;
        selects << QStringLiteral("SELECT %1 AS SLR, '%2' AS BJ, COUNT(SJH) AS SJS, %3 AS YJXJ FROM %4 WHERE %5 GROUP BY %1")
                       .arg(who, tx(part.category),
                            part.deals ? QStringLiteral("SUM(YJJE)") : QStringLiteral("0"),
                            QString::fromLatin1(part.table), where.join(QStringLiteral(" AND ")));
    }
    Sql sql(selects.join(QStringLiteral(" UNION ")), values);
    if (!user)
        sql.orderBy = QStringLiteral("SLR, BJ");
    return sql;
}

void BuildPieceStatLayout(Report &report)
{
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    report.groupField = QStringLiteral("SLR");
    report.groupHeader = ReportBand();
    report.groupHeader.height = 12;
    report.groupHeader.add(ReportItem::field({20, 2, 40, 10}, QStringLiteral("SLR"), {}, 12));
    report.groupHeader.add(ReportItem::label({60, 2, 60, 10}, tx("个人收件统计"), 12, true));
    report.groupHeader.add(ReportItem::frame({15, 11.5, 180, 0}));
    report.detail = ReportBand();
    report.detail.height = 8;
    report.detail.add(ReportItem::field({25, 0, 45, 8}, QStringLiteral("BJ")));
    report.detail.add(ReportItem::label({75, 0, 18, 8}, tx("收件数"), TextPoints, true));
    report.detail.add(ReportItem::field({93, 0, 25, 8}, QStringLiteral("SJS"), QStringLiteral("0 件")));
    report.detail.add(ReportItem::label({125, 0, 22, 8}, tx("佣金小计"), TextPoints, true));
    report.detail.add(ReportItem::field({147, 0, 45, 8}, QStringLiteral("YJXJ"), QStringLiteral("#0.00 元")));
    auto totals = [&left](ReportBand &band, const char *countLabel, const char *count, const char *sumLabel,
                          const char *sum) {
        band = ReportBand();
        band.height = 12;
        band.add(ReportItem::frame({15, 1, 180, 0}));
        band.add(ReportItem::label({25, 2, 40, 8}, tx(countLabel), TextPoints, true));
        band.add(ReportItem::label({75, 2, 43, 8}, QStringLiteral("0 件"), TextPoints, false, left)).name =
            QString::fromLatin1(count);
        band.add(ReportItem::label({125, 2, 22, 8}, tx(sumLabel), TextPoints, true));
        band.add(ReportItem::label({147, 2, 45, 8}, QStringLiteral("0.00 元"), TextPoints, false, left)).name =
            QString::fromLatin1(sum);
    };
    totals(report.groupFooter, "收件小计", "lbTotal1", "佣金小计", "lbSum1");
    totals(report.summary, "收件总计", "lbTotal2", "佣金合计", "lbSum2");
}

} // namespace brel
