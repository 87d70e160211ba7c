#include "search/RegisterSearchForm.h"

#include "datastore/Rights.h"
#include "listings/ManageChildForm.h"

#include <QHash>

namespace brel {

QString TRegisterSearchFm::FieldCaption(const QString &field)
{
    static const QHash<QString, const char *> captions = {
        {QStringLiteral("SJH"), QT_TR_NOOP("收件号")},       {QStringLiteral("DGDZ"), QT_TR_NOOP("房屋地址")},
        {QStringLiteral("JZMJ"), QT_TR_NOOP("建筑面积")},    {QStringLiteral("FX"), QT_TR_NOOP("房型")},
        {QStringLiteral("CX"), QT_TR_NOOP("朝向")},          {QStringLiteral("LC"), QT_TR_NOOP("楼层")},
        {QStringLiteral("QY"), QT_TR_NOOP("区域")},          {QStringLiteral("ZJ"), QT_TR_NOOP("租金")},
        {QStringLiteral("LXR"), QT_TR_NOOP("联系人")},       {QStringLiteral("LRR"), QT_TR_NOOP("录入人")},
        {QStringLiteral("LRRQ"), QT_TR_NOOP("录入日期")},    {QStringLiteral("CZRXM"), QT_TR_NOOP("承租人姓名")},
        {QStringLiteral("CZJG"), QT_TR_NOOP("承租价格")},    {QStringLiteral("SLR"), QT_TR_NOOP("受理人")},
        {QStringLiteral("SLRQ"), QT_TR_NOOP("受理日期")},    {QStringLiteral("YJJE"), QT_TR_NOOP("佣金金额")},
        {QStringLiteral("ZTW_TXT"), QT_TR_NOOP("状态位")},   {QStringLiteral("SSFD"), QT_TR_NOOP("所属分店")},
        {QStringLiteral("CB"), QT_TR_NOOP("产别")},          {QStringLiteral("SJ"), QT_TR_NOOP("售价")},
        {QStringLiteral("JGRQ"), QT_TR_NOOP("竣工日期")},    {QStringLiteral("SYNX"), QT_TR_NOOP("使用年限")},
        {QStringLiteral("GMRXM"), QT_TR_NOOP("购买人姓名")}, {QStringLiteral("GMJG"), QT_TR_NOOP("购买价格")},
        {QStringLiteral("GMRQ"), QT_TR_NOOP("购买日期")},    {QStringLiteral("FWSS"), QT_TR_NOOP("房屋设施")},
        {QStringLiteral("ZXQK"), QT_TR_NOOP("装修情况")},    {QStringLiteral("JTQK"), QT_TR_NOOP("交通情况")},
        {QStringLiteral("ZWHJ"), QT_TR_NOOP("周围环境")},    {QStringLiteral("LXRDH1"), QT_TR_NOOP("联系人电话")},
        {QStringLiteral("LXRSFZH"), QT_TR_NOOP("联系人身份证号")},
    };
    const char *caption = captions.value(field);
    return caption ? tr(caption) : field;
}

GridColumns TRegisterSearchFm::ColumnsOf(const QString &fields)
{
    static const QHash<QString, int> widths = {
        {QStringLiteral("DGDZ"), 180}, {QStringLiteral("FWSS"), 140}, {QStringLiteral("ZWHJ"), 140},
        {QStringLiteral("LXRSFZH"), 150}, {QStringLiteral("LXRDH1"), 110}, {QStringLiteral("SJH"), 90}};
    static const QStringList amounts = {QStringLiteral("JZMJ"), QStringLiteral("ZJ"), QStringLiteral("SJ"),
                                        QStringLiteral("CZJG"), QStringLiteral("GMJG"), QStringLiteral("YJJE"),
                                        QStringLiteral("SYNX")};
    GridColumns out;
    for (QString field : fields.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const bool main = field.endsWith(QLatin1Char('*'));
        if (main)
            field.chop(1);
        GridColumn c;
        c.caption = FieldCaption(field);
        c.field = field;
        c.tag = main ? 1 : 0;
        c.width = widths.value(field, 80);
        if (amounts.contains(field))
            c.format = QStringLiteral("#0.00");
        out << c;
    }
    return out;
}

Sql TRegisterSearchFm::ListStatement(const QString &table)
{
    if (table == QLatin1String("TbRental") || table == QLatin1String("TbSale")) {
        const bool rental = table == QLatin1String("TbRental");
        Sql sql = TManageChildFm::StateTextSql(table, rental ? tr("未出租") : tr("未出售"),
                                               rental ? tr("已出租") : tr("已出售"));
        // A code the program does not know shows no text here (the last
        // value is the CASE's ELSE).
        sql.values.last() = QStringLiteral("");
        return sql;
    }
    return Sql(QStringLiteral("SELECT * FROM ") + table);
}

TRegisterSearchFm::TRegisterSearchFm(Kind kind, QWidget *parent)
    : TSearchChildFm(parent)
    , m_kind(std::move(kind))
{
    setObjectName(m_kind.table.mid(2) + QStringLiteral("SearchFm"));
    setWindowTitle(m_kind.caption);
    setHint(m_kind.hint);
    SetAreaItems(m_kind.areaItems, m_kind.areaDefault);
    SetSearchColumns(ColumnsOf(m_kind.searchColumns), m_kind.searchKey);
    SetMatchColumns(ColumnsOf(m_kind.matchColumns), m_kind.matchKey, m_kind.matchGroup);
    SetMatchOperator(m_kind.matchOperator);
    SetManageCommands(m_kind.manage, m_kind.matchManage);
    SetPrintCommands(m_kind.sheets[0], m_kind.sheets[1], m_kind.sheets[2]);
    SetRecordActivities(m_kind.activities);
    SearchBaseSql = ListStatement(m_kind.table);
    AdvanceBaseSql = SearchBaseSql;
    MatchBaseSql = ListStatement(m_kind.matchTable);
    StartFromEarliestEntry(m_kind.table);
}

TRentalSearchFm::TRentalSearchFm(QWidget *parent)
    : TRegisterSearchFm(
          {tr("房屋出租查询"), tr("房屋出租"), QStringLiteral("TbRental"), QStringLiteral("TbQRental"),
           {tr("全部"), tr("未出租"), tr("已出租"), tr("已作废")}, 1,
           QStringLiteral("SJH* DGDZ* JZMJ* FX* CX* LC* QY* ZJ* LXR* LRR* LRRQ* CZRXM CZJG SLR SLRQ YJJE "
                          "ZTW_TXT SSFD*"),
           QStringLiteral("SJH DGDZ* JZMJ* FX* CX* LC* QY* ZJ* FWSS* ZXQK* JTQK* ZWHJ* LXR LXRDH1 LXRSFZH LRR "
                          "LRRQ SSFD"),
           QStringLiteral("dgRentalSearch"), QStringLiteral("dgQRentalMatch"), GroupRequest, QStringLiteral(">="),
           QStringLiteral("atRentalManage"), QStringLiteral("atQRentalManage"),
           {QStringLiteral("atRentalRelease"), QStringLiteral("atRentalReturn"), QStringLiteral("atRentalSave")},
           {tr("新增出租单"), tr("修改出租单"), tr("删除出租单")}},
          parent)
{
}

TSaleSearchFm::TSaleSearchFm(QWidget *parent)
    : TRegisterSearchFm(
          {tr("房屋出售查询"), tr("房屋出售"), QStringLiteral("TbSale"), QStringLiteral("TbQBuy"),
           {tr("全部"), tr("未出售"), tr("已出售"), tr("已作废")}, 1,
           QStringLiteral("SJH* DGDZ* JZMJ* FX* CX* LC* CB* SJ* QY* JGRQ* SYNX* LXR* GMRXM LRR* LRRQ* GMJG GMRQ "
                          "SLR SLRQ YJJE ZTW_TXT SSFD*"),
           QStringLiteral("SJH* DGDZ* JZMJ* FX* CX* LC* CB SJ* QY* JGRQ SYNX FWSS* JTQK* ZXQK ZWHJ LXR LXRDH1 "
                          "LXRSFZH LRR LRRQ SSFD"),
           QStringLiteral("dgSaleSearch"), QStringLiteral("dgQBuyMatch"), GroupRequest, QStringLiteral(">="),
           QStringLiteral("atSaleManage"), QStringLiteral("atQBuyManage"),
           {QStringLiteral("atSaleRelease"), QStringLiteral("atSaleReturn"), QStringLiteral("atSaleSave")},
           {tr("新增销售单"), tr("修改销售单"), tr("删除销售单")}},
          parent)
{
}

TQRentalSearchFm::TQRentalSearchFm(QWidget *parent)
    : TRegisterSearchFm(
          {tr("房屋求租查询"), tr("求租求购"), QStringLiteral("TbQRental"), QStringLiteral("TbRental"), {tr("全部")}, 0,
           QStringLiteral("SJH* DGDZ* JZMJ* FX* CX* LC* QY* ZJ* FWSS ZXQK JTQK ZWHJ LXR* LXRDH1 LXRSFZH LRR* "
                          "LRRQ* SSFD*"),
           QStringLiteral("SJH DGDZ* JZMJ* FX* CX* LC* QY* ZJ* LXR LRR LRRQ CZRXM CZJG SLR SLRQ YJJE ZTW_TXT "
                          "SSFD"),
           QStringLiteral("dgQRentalSearch"), QStringLiteral("dgRentalMatch"), GroupRental, QStringLiteral("<="),
           QStringLiteral("atQRentalManage"), QStringLiteral("atRentalManage"),
           {QStringLiteral("atQQRentalRelease"), QStringLiteral("atQQRentalReturn"), QString()},
           {tr("新增求租单"), tr("修改求租单"), tr("删除求租单")}},
          parent)
{
}

TQBuySearchFm::TQBuySearchFm(QWidget *parent)
    : TRegisterSearchFm(
          {tr("房屋求购查询"), tr("求租求购"), QStringLiteral("TbQBuy"), QStringLiteral("TbSale"), {tr("全部")}, 0,
           QStringLiteral("SJH* DGDZ* JZMJ* FX* CX* LC* CB* SJ* QY* JGRQ* SYNX* FWSS JTQK ZXQK ZWHJ LXR* LXRDH1 "
                          "LXRSFZH LRR* LRRQ* SSFD*"),
           QStringLiteral("SJH DGDZ* JZMJ* FX* CX* LC* CB SJ* QY* JGRQ SYNX LXR GMRXM LRR LRRQ GMJG GMRQ SLR SLRQ "
                          "YJJE ZTW_TXT SSFD*"),
           QStringLiteral("dgQBuySearch"), QStringLiteral("dgSaleMatch"), GroupSale, QStringLiteral("<="),
           QStringLiteral("atQBuyManage"), QStringLiteral("atSaleManage"),
           {QStringLiteral("atQBuyRelease"), QStringLiteral("atQBuyReturn"), QString()},
           {tr("新增求购单"), tr("修改求购单"), tr("删除求购单")}},
          parent)
{
}

} // namespace brel
