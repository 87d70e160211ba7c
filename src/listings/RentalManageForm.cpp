#include "listings/RentalManageForm.h"

#include "listings/PopupDlg.h"

#include "ui_RentalManageForm.h"

#include "base/Messages.h"
#include "datastore/Globalvar.h"
#include "datastore/OperationLog.h"
#include "shell/MainForm.h"

#include <QMenu>

namespace brel {

namespace {
/// Fields 0 to this one (ID … LRRQ) describe the house and its landlord;
/// 再次出租 carries them over to the new row.
constexpr int LastLandlordField = 28;
} // namespace

TRentalManageFm::TRentalManageFm(QWidget *parent)
    : TManageChildFm(QStringLiteral("TbRental"), parent)
    , ui(std::make_unique<Ui::TRentalManageFm>())
{
    setWindowTitle(tr("房屋出租管理"));
    setHint(tr("房屋出租"));
    ui->setupUi(pnDesktop);
    // As wide as the form likes, but no wider than a 1024-pixel screen leaves
    // beside the side bar: the boxes give up width before the form is cut.
    const QSize wanted = pnDesktop->layout()->sizeHint();
    const QSize least = pnDesktop->layout()->minimumSize();
    setDesktopSize(std::max({700, least.width(), std::min(wanted.width(), 860)}), std::max(450, wanted.height()));

    // Read once: a rate changed while the window is open counts from its next opening.
    CommissionRate = GetFeeRate(3);
    ui->lbRate->setText(tr("当前佣金比例为") + CommissionRate.format(QStringLiteral("%0.2f")) + QLatin1Char('%'));

    BindBoxes(pnDesktop);
    FillPickBox(ui->edQY, Sql("SELECT QY AS TXT FROM TbArea"));
    FillPickBox(ui->edFX, Sql("SELECT FX AS TXT FROM TbStyle"));
    FillPickBox(ui->edCX, Sql("SELECT CX AS TXT FROM TbDirection"));
    FillPickBox(ui->edCQZH, Sql("SELECT CQZH AS TXT FROM TbPropertyId"));
    FillPickBox(ui->edZXQK, Sql("SELECT ZXQK AS TXT FROM TbFitment"));

    using C = RecordCheck;
    SetChecks({
        {C::NotEmpty, QStringLiteral("SJH"), tr("收件号"), ui->edSJH},
        {C::ReceiptUnique, QStringLiteral("SJH"), tr("收件号"), ui->edSJH},
        {C::Money, QStringLiteral("ZJ"), tr("租金"), ui->edZJ},
        {C::NotEmpty, QStringLiteral("LXR"), tr("联系人"), ui->edLXR},
        {C::Money, QStringLiteral("CZJG"), tr("承租价格"), ui->edCZJG},
        {C::Money, QStringLiteral("YJJE"), tr("佣金金额"), ui->edYJJE},
    });
    const QString let = QStringLiteral("01"), voided = QStringLiteral("02");
    SetSections({
        {{ui->edLRR, ui->edLRRQ, ui->edSLR, ui->edSLRQ}, {}},
        {{ui->edCZRXM, ui->edCZRLXDH, ui->edCZRSFZH, ui->edCZJG, ui->edCZRQ, ui->edCZJZRQ, ui->edCZFBZ2, ui->edYJJE,
          ui->edHTH},
         {let}},
        {{ui->edGZBJRQ, ui->edGZBJBZ}, {let, voided}},
    });
    SetStateCommands({ui->btnRental, ui->btnCancel}, {ui->btnReRental});
    SetMaskedBoxes({ui->edFWDZ, ui->edCQZH, ui->edLXRDH, ui->edLXRSFZH});
    SetPrintButton(ui->btnPrint);
    AttachMultiChoice(ui->edZWHJ, ChoiceKind::Surroundings);
    AttachMultiChoice(ui->edFWSS, ChoiceKind::Facilities);
    SetAgreedPrice(ui->edCZJG, tr("承租价格"), QStringLiteral("YJJE"));
    setFirstControl(ui->edSJH);

    // The print button drops down the main window's rental sheets.
    pmPrint = new QMenu(this);
    pmPrint->setObjectName(QStringLiteral("pmPrint"));
    if (TMainFm *main = TMainFm::instance(); main && main->PrintRentalMenu)
        pmPrint->addActions(main->PrintRentalMenu->actions());
    ui->btnPrint->setMenu(pmPrint);

    connect(ui->btnRental, &QPushButton::clicked, this, &TRentalManageFm::RentOut);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TRentalManageFm::VoidRental);
    connect(ui->btnReRental, &QPushButton::clicked, this, &TRentalManageFm::RentAgain);
    connect(ui->btnPicture, &QPushButton::clicked, this, &TRentalManageFm::BrowseFloorPlans);

    OpenRecords(RentalSql());
}

TRentalManageFm::~TRentalManageFm() = default;

Sql TRentalManageFm::RentalSql()
{
    return Sql(QStringLiteral("SELECT A.*, CASE A.ZTW WHEN ? THEN ? WHEN ? THEN ? WHEN ? THEN ? ELSE ? END AS ZTW_TXT "
                              "FROM TbRental AS A"),
               {QStringLiteral("00"), tr("未出租"), QStringLiteral("01"), tr("已出租"), QStringLiteral("02"),
                tr("已作废"), tr("未出租")});
}

TChildFm::RecordActivities TRentalManageFm::LogActivities() const
{
    return {tr("新增出租单"), tr("修改出租单"), tr("删除出租单")};
}

void TRentalManageFm::RefreshRecordRights()
{
    TManageChildFm::RefreshRecordRights();
    ui->btnPicture->setText(tr("看房型图(%1)").arg(CountPictures(m_query->asText(QStringLiteral("FXT")))));
}

void TRentalManageFm::InitNewRecord()
{
    const QDate today = QDate::currentDate();
    if (RentAgainBuffer.isEmpty()) {
        m_query->setValue(QStringLiteral("JFRQ"), today);
    } else {
        // The house and its landlord as they were, entering clerk and branch included.
        for (int field = 2; field <= LastLandlordField && field < RentAgainBuffer.size(); ++field)
            m_query->setValue(field, RentAgainBuffer.at(field));
        m_query->setValue(QStringLiteral("GZBJBZ"), false);
        RentAgainBuffer.clear();
    }
    m_query->setValue(QStringLiteral("CZJG"), QVariant::fromValue(Money()));
    m_query->setValue(QStringLiteral("YJJE"), QVariant::fromValue(Money()));
    m_query->setValue(QStringLiteral("ZTW"), QStringLiteral("00"));
}

void TRentalManageFm::RentOut()
{
    EnsureEditing();
    const Money rent = m_query->asMoney(QStringLiteral("ZJ"));
    const QDate today = QDate::currentDate();
    m_query->setValue(QStringLiteral("CZJG"), QVariant::fromValue(rent));
    m_query->setValue(QStringLiteral("YJJE"), QVariant::fromValue(CommissionFor(rent)));
    m_query->setValue(QStringLiteral("CZRQ"), today);
    m_query->setValue(QStringLiteral("SLR"), CurrentUser.YHXM);
    m_query->setValue(QStringLiteral("SLRQ"), today);
    m_query->setValue(QStringLiteral("ZTW"), QStringLiteral("01"));
    WriteLog(tr("房屋出租"), ReceiptDetails());
    ApplySections(QStringLiteral("01"));
}

void TRentalManageFm::VoidRental()
{
    VoidRecord();
}

void TRentalManageFm::RentAgain()
{
    if (!Messages::askYesNo(tr("您真的要再次出租当前房屋吗？\r\r再次出租将取消此房屋设置的“报警跟踪标记”。"),
                            Messages::Icon::Information))
        return;
    RentAgainBuffer.clear();
    for (int field = 0; field <= LastLandlordField; ++field)
        RentAgainBuffer << m_query->value(field);
    if (!m_query->append()) {
        // The row being edited could not be saved: no new row, nothing carried over.
        RentAgainBuffer.clear();
        return;
    }
    WriteLog(tr("再次出租"), ReceiptDetails());
}

} // namespace brel
