#include "listings/ManageChildForm.h"

#include "base/Messages.h"
#include "datastore/DataModule.h"
#include "datastore/FieldValue.h"
#include "datastore/Globalvar.h"
#include "datastore/OperationLog.h"
#include "datastore/Rights.h"
#include "listings/PicBrowserForm.h"
#include "listings/PopupDlg.h"
#include "shell/MainForm.h"

#include <QAbstractItemView>
#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <algorithm>

namespace brel {

namespace {
const QString FieldSJH = QStringLiteral("SJH");
const QString FieldZTW = QStringLiteral("ZTW");
const QString FieldFWDZ = QStringLiteral("FWDZ");
const QString FieldDGDZ = QStringLiteral("DGDZ");

/// A label's text as a message names its box: no mnemonic, no colon.
QString captionOf(QString text)
{
    text.remove(QLatin1Char('&'));
    while (text.endsWith(QChar(0xFF1A)) || text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text.trimmed();
}
} // namespace

// ---------------------------------------------------------- DbMaskPickBox

DbMaskPickBox::DbMaskPickBox(QWidget *parent) : DbPickBox(parent)
{
    // Connected after the base's own handlers: the stars replace the value
    // the base has just shown, and the box stays closed while masked.
    connect(&m_link, &FieldLink::reload, this, &DbMaskPickBox::applyMask);
    connect(&m_link, &FieldLink::writableChanged, this, &DbMaskPickBox::applyMask);
}

void DbMaskPickBox::setMasked(bool masked)
{
    if (masked == m_masked)
        return;
    m_masked = masked;
    updateWritable();
    showValue();
    applyMask();
}

void DbMaskPickBox::applyMask()
{
    if (!m_masked)
        return;
    m_showing = true;
    const int length = characterCount(editText(m_link.value()));
    setCurrentIndex(-1);
    setEditText(QString(length, QLatin1Char('*')));
    lineEdit()->setReadOnly(true);
    view()->setEnabled(false);
    m_showing = false;
}

// --------------------------------------------------------- TManageChildFm

TManageChildFm::TManageChildFm(const QString &table, QWidget *parent)
    : TDesktopChildFm(parent)
    , m_table(table)
{
    m_query = new DataSet(DM()->DbBase, this);
    m_query->setObjectName(QStringLiteral("Q") + table.mid(2));
    m_query->setBaseTable(table);
    m_source = new DataSource(this);
    m_source->setDataSet(m_query);
    connect(m_query, &DataSet::newRecord, this, &TManageChildFm::onNewRecord);
    connect(m_query, &DataSet::beforePost, this, &TManageChildFm::onBeforePost);
    connect(m_query, &DataSet::dataChanged, this, &TManageChildFm::onDataChanged);
}

TManageChildFm::~TManageChildFm() = default;

void TManageChildFm::BindBoxes(QWidget *root)
{
    QHash<QWidget *, QString> captions;
    for (QLabel *label : root->findChildren<QLabel *>()) {
        if (label->buddy())
            captions.insert(label->buddy(), captionOf(label->text()));
    }
    for (QWidget *w : root->findChildren<QWidget *>()) {
        auto *box = dynamic_cast<DataAware *>(w);
        const QString field = w->property("dataField").toString();
        if (!box || field.isEmpty())
            continue;
        box->setDataSource(m_source);
        box->setDataField(field);
        m_boxes.insert(field, w);
        QString caption = captions.value(w);
        if (auto *check = qobject_cast<QAbstractButton *>(w); check && caption.isEmpty())
            caption = captionOf(check->text());
        box->fieldLink()->setDisplayLabel(caption);
        const QString format = w->property("displayFormat").toString();
        if (auto *edit = qobject_cast<DbEdit *>(w); edit && !format.isEmpty())
            edit->setDisplayFormat(format);
        if (auto *numeric = qobject_cast<DbNumericEdit *>(w))
            numeric->setKeyFilter(&NumericKeyFilter);
        if (auto *calc = qobject_cast<DbCalcEdit *>(w))
            calc->setKeyFilter(&NumericKeyFilter);
    }
}

void TManageChildFm::FillPickBox(DbPickBox *box, const Sql &sql)
{
    QStringList items;
    DM()->FillPickList(items, sql);
    box->setItems(items);
}

void TManageChildFm::SetStateCommands(const QList<QWidget *> &onOffer, const QList<QWidget *> &onClosed)
{
    m_onOffer = onOffer;
    m_onClosed = onClosed;
    // Usable only once the rights hook found the row editable.
    for (QWidget *c : onOffer + onClosed)
        c->setEnabled(false);
}

void TManageChildFm::SetAgreedPrice(DbEdit *priceBox, const QString &caption, const QString &commissionField)
{
    m_priceBox = priceBox;
    m_priceCaption = caption;
    m_commissionField = commissionField;
    // Typing only: the deal commands set the price and the commission themselves,
    // and an empty asking price copied by them is no mistake of the user's.
    connect(priceBox, &QLineEdit::textEdited, this, &TManageChildFm::onAgreedPriceText);
}

void TManageChildFm::OpenRecords(const Sql &sql)
{
    DM()->OpenQuery(m_query, sql);
}

Money TManageChildFm::CommissionFor(Money amount) const
{
    return Commission(amount, CommissionRate, 2);
}

Sql TManageChildFm::StateTextSql(const QString &table, const QString &openText, const QString &closedText)
{
    return Sql(QStringLiteral("SELECT A.*, CASE A.ZTW WHEN ? THEN ? WHEN ? THEN ? WHEN ? THEN ? ELSE ? END AS ZTW_TXT "
                              "FROM %1 AS A")
                   .arg(table),
               {QStringLiteral("00"), openText, QStringLiteral("01"), closedText, QStringLiteral("02"), tr("已作废"),
                openText});
}

void TManageChildFm::SetUpHouseForm(int feeId, QLabel *rateLabel, QPushButton *picture, QPushButton *print,
                                    QMenu *sheets)
{
    // As wide as the form likes, but no wider than a 1024-pixel screen leaves
    // beside the side bar: the boxes give up width before the form is cut.
    const QSize wanted = pnDesktop->layout()->sizeHint();
    const QSize least = pnDesktop->layout()->minimumSize();
    setDesktopSize(std::max({700, least.width(), std::min(wanted.width(), 860)}), std::max(450, wanted.height()));

    // Read once: a rate changed while the window is open counts from its next opening.
    CommissionRate = GetFeeRate(feeId);
    rateLabel->setText(tr("当前佣金比例为") + CommissionRate.format(QStringLiteral("%0.2f")) + QLatin1Char('%'));

    BindBoxes(pnDesktop);
    const std::pair<const char *, const char *> lists[] = {
        {"QY", "SELECT QY AS TXT FROM TbArea"},         {"FX", "SELECT FX AS TXT FROM TbStyle"},
        {"CX", "SELECT CX AS TXT FROM TbDirection"},    {"CQZH", "SELECT CQZH AS TXT FROM TbPropertyId"},
        {"ZXQK", "SELECT ZXQK AS TXT FROM TbFitment"},
    };
    for (const auto &[field, sql] : lists) {
        if (auto *box = qobject_cast<DbPickBox *>(BoxOf(QString::fromLatin1(field))))
            FillPickBox(box, Sql(QString::fromLatin1(sql)));
    }
    SetMaskedBoxes({BoxOf(QStringLiteral("FWDZ")), BoxOf(QStringLiteral("CQZH")), BoxOf(QStringLiteral("LXRDH1")),
                    BoxOf(QStringLiteral("LXRSFZH"))});
    AttachMultiChoice(qobject_cast<DbPopupEdit *>(BoxOf(QStringLiteral("ZWHJ"))), ChoiceKind::Surroundings);
    AttachMultiChoice(qobject_cast<DbPopupEdit *>(BoxOf(QStringLiteral("FWSS"))), ChoiceKind::Facilities);
    setFirstControl(BoxOf(QStringLiteral("SJH")));

    SetPrintButton(print);
    pmPrint = new QMenu(this);
    pmPrint->setObjectName(QStringLiteral("pmPrint"));
    if (sheets)
        pmPrint->addActions(sheets->actions());
    print->setMenu(pmPrint);
    m_picture = picture;
    connect(picture, &QPushButton::clicked, this, &TManageChildFm::BrowseFloorPlans);
}

void TManageChildFm::SetHouseChecks(const QString &priceField, const QString &priceCaption, const QString &agreedField,
                                    const QString &agreedCaption)
{
    const QString receipt = QStringLiteral("SJH"), contact = QStringLiteral("LXR"), commission = QStringLiteral("YJJE");
    using C = RecordCheck;
    SetChecks({
        {C::NotEmpty, receipt, tr("收件号"), BoxOf(receipt)},
        {C::ReceiptUnique, receipt, tr("收件号"), BoxOf(receipt)},
        {C::Money, priceField, priceCaption, BoxOf(priceField)},
        {C::NotEmpty, contact, tr("联系人"), BoxOf(contact)},
        {C::Money, agreedField, agreedCaption, BoxOf(agreedField)},
        {C::Money, commission, tr("佣金金额"), BoxOf(commission)},
    });
}

void TManageChildFm::StampDeal(const QString &dateField, const QString &action)
{
    const QDate today = QDate::currentDate();
    m_query->setValue(dateField, today);
    m_query->setValue(QStringLiteral("SLR"), CurrentUser.YHXM);
    m_query->setValue(QStringLiteral("SLRQ"), today);
    m_query->setValue(FieldZTW, QStringLiteral("01"));
    ApplySections(QStringLiteral("01"));
    WriteLog(action, ReceiptDetails());
}

QString TManageChildFm::StateCode() const
{
    // Request rows have no state: they count as rows on offer.
    if (m_query->fieldIndex(FieldZTW) < 0)
        return QStringLiteral("00");
    const QString code = m_query->asText(FieldZTW);
    return code.isEmpty() ? QStringLiteral("00") : code;
}

QString TManageChildFm::ReceiptDetails() const
{
    return ReceiptLogDetails(m_query->asText(FieldSJH));
}

void TManageChildFm::EnsureEditing()
{
    if (!m_query->isEditing())
        m_query->edit();
}

void TManageChildFm::onNewRecord()
{
    if (SysOptions.ZDSJH)
        m_query->setValue(FieldSJH, FormatReceiptNo(qint64(DM()->GetMaxId(m_table)) + 1));
    m_query->setValue(QStringLiteral("LRR"), CurrentUser.YHXM);
    m_query->setValue(QStringLiteral("LRRQ"), QDate::currentDate());
    m_query->setValue(QStringLiteral("SSFD"), CurrentUser.SSFD);
    InitNewRecord();
}

bool TManageChildFm::RunChecks()
{
    for (const RecordCheck &check : m_checks) {
        const QString text = m_query->asText(check.field);
        bool ok = true;
        switch (check.kind) {
        case RecordCheck::NotEmpty: ok = CheckNotEmpty(check.caption, text); break;
        case RecordCheck::ReceiptUnique:
            ok = !ReceiptNoExists(m_query->state() == DataSet::State::Insert ? 0 : m_query->currentId(), text, m_table);
            break;
        case RecordCheck::Money: ok = CheckMoney(check.caption, text); break;
        case RecordCheck::Integer: ok = CheckInteger(check.caption, text); break;
        case RecordCheck::Date: ok = CheckDate(check.caption, text); break;
        }
        if (!ok) {
            if (check.box)
                check.box->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    return true;
}

void TManageChildFm::onBeforePost(DataSet::PostVeto *veto)
{
    if (!RunChecks())
        veto->abandon = true;
}

void TManageChildFm::onDataChanged(int field)
{
    if (field < 0) {
        ApplySections(StateCode());
        return;
    }
    // The approximate address follows every change of the address; it can
    // still be edited by hand afterwards.
    if (m_query->isEditing() && field == m_query->fieldIndex(FieldFWDZ) && m_query->fieldIndex(FieldDGDZ) >= 0)
        m_query->setValue(FieldDGDZ, MakeRoughAddress(m_query->asText(FieldFWDZ)));
}

void TManageChildFm::onAgreedPriceText(const QString &text)
{
    if (!m_query->isEditing() || !m_priceBox || m_priceBox->isMasked())
        return;
    if (!CheckMoney(m_priceCaption, text))
        return;
    m_query->setValue(m_commissionField, QVariant::fromValue(CommissionFor(*Money::parse(text))));
}

void TManageChildFm::ApplySections(const QString &code)
{
    if (code != QLatin1String("00") && code != QLatin1String("01") && code != QLatin1String("02"))
        return;
    for (const Section &section : std::as_const(m_sections)) {
        for (QWidget *box : section.boxes)
            box->setEnabled(section.enabledIn.contains(code));
    }
}

void TManageChildFm::narrow(const char *command, bool allowed)
{
    TMainFm *main = TMainFm::instance();
    QAction *action = main ? main->command(QString::fromLatin1(command)) : nullptr;
    // The main window enabled it by the navigator's state just before.
    if (action && !allowed)
        action->setEnabled(false);
}

void TManageChildFm::RefreshRecordRights()
{
    TDesktopChildFm::RefreshRecordRights();
    if (m_picture && m_query)
        m_picture->setText(tr("看房型图(%1)").arg(CountPictures(m_query->asText(QStringLiteral("FXT")))));
    const int g = RightsGroupIndex;
    if (g == 0 || !m_query)
        return;
    const bool inserting = m_query->state() == DataSet::State::Insert;
    const bool hasRow = m_query->isActive() && (inserting || !m_query->isEmpty());
    const QString branch = hasRow ? m_query->asText(QStringLiteral("SSFD")) : QString();
    const QString enteredBy = hasRow ? m_query->asText(QStringLiteral("LRR")) : QString();

    narrow("btnAdd", CanAddRecord(g));
    const bool edit = hasRow && CanEditRecord(g, branch, enteredBy);
    narrow("btnEdit", edit);
    m_rowEditable = inserting || edit;

    auto enable = [](const QList<QWidget *> &commands, bool on) {
        for (QWidget *c : commands)
            c->setEnabled(on);
    };
    if (!edit) {
        enable(m_onOffer, false);
        enable(m_onClosed, false);
    } else if (const QString code = StateCode(); code == QLatin1String("00")) {
        enable(m_onOffer, true);
        enable(m_onClosed, false);
    } else if (code == QLatin1String("01") || code == QLatin1String("02")) {
        enable(m_onOffer, false);
        enable(m_onClosed, true);
    }

    SetEditorsEditable(m_rowEditable);
    narrow("btnDel", hasRow && CanDeleteRecord(g, branch, enteredBy));
    if (m_print)
        m_print->setEnabled(hasRow && CanPrintRecord(g, branch, enteredBy));
    setMasked(hasRow && !inserting && CurrentUser.Id != 1 && !CanSeeContacts(g, branch, enteredBy));
}

void TManageChildFm::setMasked(bool masked)
{
    for (QWidget *box : std::as_const(m_masked)) {
        if (auto *edit = qobject_cast<DbEdit *>(box))
            edit->setMasked(masked);
        else if (auto *pick = qobject_cast<DbMaskPickBox *>(box))
            pick->setMasked(masked);
    }
}

void TManageChildFm::VoidRecord()
{
    if (!Messages::askYesNo(tr("您真的要作废当前房屋信息吗？"), Messages::Icon::Information))
        return;
    EnsureEditing();
    m_query->setValue(FieldZTW, QStringLiteral("02"));
    // A failed check keeps the row in edit state and writes no log line.
    if (!m_query->post())
        return;
    WriteLog(tr("房屋作废"), ReceiptDetails());
}

void TManageChildFm::showEvent(QShowEvent *event)
{
    TDesktopChildFm::showEvent(event);
    // The main window hands over the row to show as the Tag; a row that is
    // gone leaves the first row current.
    if (Tag != 0 && Tag != m_shownTag && m_query->isActive()) {
        m_shownTag = Tag;
        if (!m_query->locate(Tag))
            m_query->first();
    }
}

void TManageChildFm::closeEvent(QCloseEvent *event)
{
    if (m_query->state() == DataSet::State::Insert) {
        m_query->cancel();
    } else if (m_query->state() == DataSet::State::Edit) {
        bool posted = false;
        try {
            posted = m_query->post();
        } catch (const EngineError &error) {
            // The row another user changed meanwhile stays as typed, and so
            // does the window: nothing typed is lost by closing.
            Messages::error(error.message());
        }
        if (!posted) {
            event->ignore();
            return;
        }
    }
    TDesktopChildFm::closeEvent(event);
}

void TManageChildFm::BrowseFloorPlans()
{
    if (!m_query || !m_query->isActive() || (!m_query->isEditing() && m_query->currentId() == 0))
        return;
    QAction *edit = TMainFm::instance() ? TMainFm::instance()->command(QStringLiteral("btnEdit")) : nullptr;
    const bool editable = m_query->isEditing() || (edit && edit->isEnabled());
    if (!editable) {
        BrowsePictures(false, m_query->asText(QStringLiteral("FXT")), this);
        return;
    }
    EnsureEditing();
    const QString list = BrowsePictures(true, m_query->asText(QStringLiteral("FXT")), this);
    if (list != m_query->asText(QStringLiteral("FXT")))
        m_query->setValue(QStringLiteral("FXT"), list);
    // Saved at once; a failed check keeps the row editing with the new list.
    m_query->post();
    RefreshRecordRights();
}

} // namespace brel
