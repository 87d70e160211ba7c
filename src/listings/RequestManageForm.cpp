#include "listings/RequestManageForm.h"

#include "listings/PopupDlg.h"

#include "ui_QBuyManageForm.h"
#include "ui_QRentalManageForm.h"

#include "shell/MainForm.h"

#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QPushButton>

namespace brel {

template<typename T>
T *TRequestManageFm::formBox(const QString &name) const
{
    T *box = pnDesktop->findChild<T *>(name);
    // A form without one of the named boxes is a build mistake, not a user's.
    Q_ASSERT_X(box, "TRequestManageFm", qPrintable(name));
    return box;
}

TRequestManageFm::TRequestManageFm(Kind kind, const std::function<void(QWidget *)> &setupForm, QWidget *parent)
    : TManageChildFm(kind.table, parent)
    , m_kind(std::move(kind))
{
    setWindowTitle(m_kind.caption);
    // Both request windows share the rights of one group.
    setHint(tr("求租求购"));
    setupForm(pnDesktop);
    // As wide as the form likes, but no wider than a 1024-pixel screen leaves
    // beside the side bar: the boxes give up width before the form is cut.
    const QSize wanted = pnDesktop->layout()->sizeHint();
    const QSize least = pnDesktop->layout()->minimumSize();
    setDesktopSize(std::max({640, least.width(), std::min(wanted.width(), 820)}), std::max(400, wanted.height()));

    BindBoxes(pnDesktop);
    QList<QPair<QString, QString>> pickLists{{QStringLiteral("edQY"), QStringLiteral("SELECT QY AS TXT FROM TbArea")},
                                             {QStringLiteral("edFX"), QStringLiteral("SELECT FX AS TXT FROM TbStyle")},
                                             {QStringLiteral("edCX"), QStringLiteral("SELECT CX AS TXT FROM TbDirection")},
                                             {QStringLiteral("edZXQK"), QStringLiteral("SELECT ZXQK AS TXT FROM TbFitment")}};
    for (const auto &[name, sql] : pickLists + m_kind.ownPickLists)
        FillPickBox(formBox<DbPickBox>(name), Sql(sql));

    auto *receiptNo = formBox<QWidget>(QStringLiteral("edSJH"));
    auto *contact = formBox<QWidget>(QStringLiteral("edLXR"));
    using C = RecordCheck;
    SetChecks({
        {C::NotEmpty, QStringLiteral("SJH"), tr("收件号"), receiptNo},
        {C::ReceiptUnique, QStringLiteral("SJH"), tr("收件号"), receiptNo},
        {C::Money, m_kind.priceField, m_kind.priceCaption, formBox<QWidget>(QStringLiteral("ed") + m_kind.priceField)},
        {C::NotEmpty, QStringLiteral("LXR"), tr("联系人"), contact},
    });
    // No states: only the entering clerk and date are never edited by hand.
    SetSections({{{formBox<QWidget>(QStringLiteral("edLRR")), formBox<QWidget>(QStringLiteral("edLRRQ"))}, {}}});
    SetMaskedBoxes({formBox<QWidget>(QStringLiteral("edFWDZ")), formBox<QWidget>(QStringLiteral("edLXRDH")),
                    formBox<QWidget>(QStringLiteral("edLXRSFZH"))});
    auto *print = formBox<QPushButton>(QStringLiteral("btnPrint"));
    SetPrintButton(print);
    AttachMultiChoice(formBox<DbPopupEdit>(QStringLiteral("edZWHJ")), ChoiceKind::Surroundings);
    AttachMultiChoice(formBox<DbPopupEdit>(QStringLiteral("edFWSS")), ChoiceKind::Facilities);
    setFirstControl(receiptNo);

    // The print button drops down the main window's sheets of these requests.
    pmPrint = new QMenu(this);
    pmPrint->setObjectName(QStringLiteral("pmPrint"));
    if (TMainFm *main = TMainFm::instance()) {
        for (const QString &name : std::as_const(m_kind.printActions)) {
            if (QAction *action = main->command(name))
                pmPrint->addAction(action);
        }
    }
    print->setMenu(pmPrint);

    OpenRecords(Sql(QStringLiteral("SELECT * FROM ") + m_kind.table));
}

TRequestManageFm::~TRequestManageFm() = default;

TQRentalManageFm::TQRentalManageFm(QWidget *parent)
    : TRequestManageFm({QStringLiteral("TbQRental"),
                        tr("房屋求租管理"),
                        {tr("新增求租单"), tr("修改求租单"), tr("删除求租单")},
                        QStringLiteral("ZJ"),
                        tr("租金"),
                        {QStringLiteral("atQQRentalRelease"), QStringLiteral("atQQRentalReturn")},
                        {}},
                       [](QWidget *panel) { Ui::TQRentalManageFm().setupUi(panel); }, parent)
{
}

TQBuyManageFm::TQBuyManageFm(QWidget *parent)
    : TRequestManageFm({QStringLiteral("TbQBuy"),
                        tr("房屋求购管理"),
                        {tr("新增求购单"), tr("修改求购单"), tr("删除求购单")},
                        QStringLiteral("SJ"),
                        tr("售价"),
                        {QStringLiteral("atQBuyRelease"), QStringLiteral("atQBuyReturn")},
                        {{QStringLiteral("edCB"), QStringLiteral("SELECT CB AS TXT FROM TbPropertyType")}}},
                       [](QWidget *panel) { Ui::TQBuyManageFm().setupUi(panel); }, parent)
{
}

} // namespace brel
