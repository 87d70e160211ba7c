#include "listings/SaleManageForm.h"

#include "ui_SaleManageForm.h"

#include "base/Messages.h"
#include "datastore/Globalvar.h"
#include "datastore/OperationLog.h"
#include "shell/MainForm.h"

namespace brel {

TSaleManageFm::TSaleManageFm(QWidget *parent)
    : TManageChildFm(QStringLiteral("TbSale"), parent)
    , ui(std::make_unique<Ui::TSaleManageFm>())
{
    setWindowTitle(tr("房屋出售管理"));
    setHint(tr("房屋出售"));
    ui->setupUi(pnDesktop);
    TMainFm *main = TMainFm::instance();
    SetUpHouseForm(2, ui->lbRate, ui->btnPicture, ui->btnPrint, main ? main->PrintSaleMenu : nullptr);
    FillPickBox(ui->edCB, Sql("SELECT CB AS TXT FROM TbPropertyType"));
    SetHouseChecks(QStringLiteral("SJ"), tr("售价"), QStringLiteral("GMJG"), tr("购买价格"));
    // The property type and years of use stay usable in every state.
    SetSections({
        {{ui->edLRR, ui->edLRRQ, ui->edSLR, ui->edSLRQ}, {}},
        {{ui->edGMRXM, ui->edGMRLXDH, ui->edGMRSFZH, ui->edGMJG, ui->edGMRQ, ui->edHTH, ui->edGMFBZ, ui->edYJJE},
         {QStringLiteral("01")}},
    });
    SetStateCommands({ui->btnSale, ui->btnCancel}, {ui->btnReSale});
    SetAgreedPrice(ui->edGMJG, tr("购买价格"), QStringLiteral("YJJE"));

    connect(ui->btnSale, &QPushButton::clicked, this, &TSaleManageFm::Sell);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TSaleManageFm::VoidSale);
    connect(ui->btnReSale, &QPushButton::clicked, this, &TSaleManageFm::UndoDeal);

    OpenRecords(SaleSql());
}

TSaleManageFm::~TSaleManageFm() = default;

Sql TSaleManageFm::SaleSql()
{
    return StateTextSql(QStringLiteral("TbSale"), tr("未出售"), tr("已出售"));
}

TChildFm::RecordActivities TSaleManageFm::LogActivities() const
{
    return {tr("新增销售单"), tr("修改销售单"), tr("删除销售单")};
}

void TSaleManageFm::InitNewRecord()
{
    m_query->setValue(QStringLiteral("JFRQ"), QDate::currentDate());
    m_query->setValue(QStringLiteral("GMJG"), QVariant::fromValue(Money()));
    m_query->setValue(QStringLiteral("YJJE"), QVariant::fromValue(Money()));
    m_query->setValue(QStringLiteral("ZTW"), QStringLiteral("00"));
}

void TSaleManageFm::Sell()
{
    EnsureEditing();
    // The price is copied as it stands: an empty asking price leaves the
    // purchase price empty, which the check before saving then names.
    m_query->setValue(QStringLiteral("GMJG"), m_query->value(QStringLiteral("SJ")));
    // In the price's unit (万元), as the price was entered; an empty price counts as 0.
    m_query->setValue(QStringLiteral("YJJE"),
                      QVariant::fromValue(Commission(m_query->asMoney(QStringLiteral("GMJG")), CommissionRate)));
    StampDeal(QStringLiteral("GMRQ"), tr("房屋出售"));
}

void TSaleManageFm::VoidSale()
{
    VoidRecord();
}

void TSaleManageFm::UndoDeal()
{
    if (!Messages::askYesNo(tr("您真的要取消当前已经出售或者作废的房屋信息吗？"), Messages::Icon::Information))
        return;
    EnsureEditing();
    for (const char *field : {"GMRXM", "GMRLXDH", "GMRSFZH", "GMRQ", "HTH", "GMFBZ", "SLR", "SLRQ"})
        m_query->setValue(QString::fromLatin1(field), QVariant());
    m_query->setValue(QStringLiteral("GMJG"), QVariant::fromValue(Money()));
    m_query->setValue(QStringLiteral("YJJE"), QVariant::fromValue(Money()));
    m_query->setValue(QStringLiteral("ZTW"), QStringLiteral("00"));
    // A failed check keeps the row in edit state, the buyer data already gone, and writes no log line.
    if (!m_query->post())
        return;
    WriteLog(tr("取消操作"), ReceiptDetails());
}

} // namespace brel
