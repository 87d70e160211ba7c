#include "search/AlertSearchForm.h"

#include "components/widgets/DataBoxes.h"
#include "components/widgets/DataGrid.h"
#include "datastore/Alerts.h"
#include "datastore/FieldValue.h"
#include "datastore/Globalvar.h"
#include "search/AdvanceSearchForm.h"
#include "search/RegisterSearchForm.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace brel {

namespace {

QDate dayOf(const QString &text)
{
    return dateTimeValue(text).date();
}

} // namespace

TAlertSearchFm::TAlertSearchFm(QWidget *parent) : TSearchChildFm(parent)
{
    setObjectName(QStringLiteral("AlertSearchFm"));
    setWindowTitle(tr("房屋出租报警查询"));
    // No hint: no rights group, so only the administrator sees full addresses.

    // The period boxes take the place of the date and receipt-number filters.
    for (QWidget *w : std::initializer_list<QWidget *>{rbLRRQ, edLRRQ, rbSJH, edSJH}) {
        w->hide();
        w->setEnabled(false);
    }
    auto *period = new QWidget(rbLRRQ->parentWidget());
    period->setObjectName(QStringLiteral("pnPeriod"));
    auto *row = new QHBoxLayout(period);
    row->setContentsMargins(0, 0, 0, 0);
    lbFrom = new QLabel(tr("日期范围为 从"), period);
    edForm = new DbDateEdit(period);
    edForm->setObjectName(QStringLiteral("edForm"));
    edForm->setAccessibleName(tr("开始日期"));
    lbTo = new QLabel(tr("至"), period);
    edTo = new DbDateEdit(period);
    edTo->setObjectName(QStringLiteral("edTo"));
    edTo->setAccessibleName(tr("结束日期"));
    lbFrom->setBuddy(edForm);
    lbTo->setBuddy(edTo);
    for (DbDateEdit *box : {edForm, edTo})
        box->setFixedWidth(edLRRQ->width());
    row->addWidget(lbFrom);
    row->addWidget(edForm);
    row->addWidget(lbTo);
    row->addWidget(edTo);
    row->addStretch(1);
    // Beside the filters they replace, in the top panel's row.
    if (auto *top = qobject_cast<QBoxLayout *>(rbLRRQ->parentWidget()->layout())) {
        int at = top->count();
        for (int i = 0; i < top->count(); ++i) {
            if (QLayout *inner = top->itemAt(i)->layout(); inner && inner->indexOf(rbLRRQ) >= 0)
                at = i + 1;
        }
        top->insertWidget(at, period);
    }
    setTabOrder(edForm, edTo);
    setTabOrder(edTo, btnStart);
    setTabOrder(btnStart, btnAdvance);
    setFirstControl(edForm);

    SetAreaItems({tr("已出租")}, 0);
    GridColumns columns = TRegisterSearchFm::ColumnsOf(QStringLiteral(
        "GZBJRQ* SJH* DGDZ* JZMJ* FX* CX* LC* QY* ZJ* LXR* LRR* LRRQ* CZRXM* CZJG* SLR* SLRQ* YJJE* ZTW_TXT* SSFD*"));
    columns[0].caption = tr("跟踪报警日期");
    columns[0].width = 110;
    SetSearchColumns(columns, QStringLiteral("dgAlertSearch"));
    dgSearch->setSortMark(0, SortMark::Ascending);
    // The alerts have neither a pop-up menu nor matching.
    dgSearch->setContextMenuPolicy(Qt::NoContextMenu);
    pnMatch->hide();
    SetManageCommands(QStringLiteral("atRentalManage"), QString());
    SetRecordActivities({tr("新增出租单"), tr("修改出租单"), tr("删除出租单")});

    SearchBaseSql = TRegisterSearchFm::ListStatement(QStringLiteral("TbRental"));
    AdvanceBaseSql = SearchBaseSql;
    const QDate today = QDate::currentDate();
    edForm->setDate(today);
    edTo->setDate(today.addDays(AlertDaysAhead));
}

std::optional<Sql> TAlertSearchFm::BuildWhere()
{
    if (!CheckDate(tr("开始日期"), edForm->text()) || !CheckDate(tr("结束日期"), edTo->text()))
        return std::nullopt;
    const Sql due = AlertCondition(dayOf(edForm->text()), dayOf(edTo->text()));
    return Sql(QStringLiteral(" WHERE ") + due.text, due.values);
}

void TAlertSearchFm::RunNow()
{
    if (const std::optional<Sql> where = BuildWhere())
        RunSearch(*where, QStringLiteral("GZBJRQ"), QStringLiteral("ASC"), true, false);
}

void TAlertSearchFm::OpenAdvanceSearch()
{
    TAdvanceSearchFm::OpenFor(this);
}

void TAlertSearchFm::enterPressed(QWidget *control)
{
    if (control == edForm || control == edTo)
        StartSearch();
}

} // namespace brel
