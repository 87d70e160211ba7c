#include "listings/RentalManageForm.h"

#include "ui_RentalManageForm.h"

#include "base/Messages.h"
#include "datastore/Globalvar.h"
#include "datastore/OperationLog.h"
#include "shell/MainForm.h"

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
    TMainFm *main = TMainFm::instance();
    SetUpHouseForm(3, ui->lbRate, ui->btnPicture, ui->btnPrint, main ? main->PrintRentalMenu : nullptr);
    SetHouseChecks(QStringLiteral("ZJ"), tr("租金"), QStringLiteral("CZJG"), tr("承租价格"));
    const QString let = QStringLiteral("01"), voided = QStringLiteral("02");
    SetSections({
        {{ui->edLRR, ui->edLRRQ, ui->edSLR, ui->edSLRQ}, {}},
        {{ui->edCZRXM, ui->edCZRLXDH, ui->edCZRSFZH, ui->edCZJG, ui->edCZRQ, ui->edCZJZRQ, ui->edCZFBZ2, ui->edYJJE,
          ui->edHTH},
         {let}},
        {{ui->edGZBJRQ, ui->edGZBJBZ}, {let, voided}},
    });
    SetStateCommands({ui->btnRental, ui->btnCancel}, {ui->btnReRental});
    SetAgreedPrice(ui->edCZJG, tr("承租价格"), QStringLiteral("YJJE"));

    connect(ui->btnRental, &QPushButton::clicked, this, &TRentalManageFm::RentOut);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TRentalManageFm::VoidRental);
    connect(ui->btnReRental, &QPushButton::clicked, this, &TRentalManageFm::RentAgain);

    OpenRecords(RentalSql());
}

TRentalManageFm::~TRentalManageFm() = default;

Sql TRentalManageFm::RentalSql()
{
    return StateTextSql(QStringLiteral("TbRental"), tr("未出租"), tr("已出租"));
}

TChildFm::RecordActivities TRentalManageFm::LogActivities() const
{
    return {tr("新增出租单"), tr("修改出租单"), tr("删除出租单")};
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
    m_query->setValue(QStringLiteral("CZJG"), QVariant::fromValue(rent));
    m_query->setValue(QStringLiteral("YJJE"), QVariant::fromValue(CommissionFor(rent)));
    StampDeal(QStringLiteral("CZRQ"), tr("房屋出租"));
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
