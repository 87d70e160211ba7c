#include "admin/LogManageForm.h"

#include "components/widgets/DataBoxes.h"
#include "components/widgets/DataGrid.h"
#include "datastore/DataModule.h"
#include "datastore/FieldValue.h"
#include "datastore/Globalvar.h"
#include "datastore/OperationLog.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace brel {

namespace {

QLabel *buddyLabel(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

QString TLogManageFm::AllOperators()
{
    return tr("所有操作员");
}

TLogManageFm::TLogManageFm(QWidget *parent)
    : TChildFm(parent)
{
    setObjectName(QStringLiteral("LogManageFm"));
    setWindowTitle(tr("操作日志查询"));

    auto *top = new QWidget(this);
    top->setObjectName(QStringLiteral("pnTop"));
    edForm = new DbDateEdit(top);
    edForm->setObjectName(QStringLiteral("edForm"));
    edForm->setAccessibleName(tr("开始日期"));
    edTo = new DbDateEdit(top);
    edTo->setObjectName(QStringLiteral("edTo"));
    edTo->setAccessibleName(tr("结束日期"));
    cbCZRY = new QComboBox(top);
    cbCZRY->setObjectName(QStringLiteral("cbCZRY"));
    cbCZRY->setEditable(false);
    cbCZRY->setMinimumContentsLength(10);
    btnStart = new QPushButton(tr("查询(&F)"), top);
    btnStart->setObjectName(QStringLiteral("btnStart"));
    for (DbDateEdit *box : {edForm, edTo})
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 40);

    auto *row = new QHBoxLayout(top);
    row->addWidget(buddyLabel(tr("日期范围为 从"), edForm, top));
    row->addWidget(edForm);
    row->addWidget(buddyLabel(tr("至"), edTo, top));
    row->addWidget(edTo);
    row->addSpacing(16);
    row->addWidget(buddyLabel(tr("操作人员："), cbCZRY, top));
    row->addWidget(cbCZRY);
    row->addSpacing(16);
    row->addWidget(btnStart);
    row->addStretch(1);

    QLog = new DataSet(DM()->DbBase, this);
    // The log is a record of what was done: nobody edits it here.
    QLog->setReadOnly(true);
    QLog->setObjectName(QStringLiteral("QLog"));
    dsLog = new DataSource(this);
    dsLog->setDataSet(QLog);
    dgLog = new DataGrid(this);
    dgLog->setObjectName(QStringLiteral("dgLog"));
    dgLog->setColumns({{tr("操作时间"), QStringLiteral("CZSJ"), 1, 150, {}, true},
                       {tr("操作活动"), QStringLiteral("CZHD"), 1, 120, {}, true},
                       {tr("操作人员"), QStringLiteral("CZRY"), 1, 100, {}, true},
                       {tr("操作详细情况"), QStringLiteral("XXQK"), 1, 360, {}, true}});
    dgLog->setFooterVisible(true);
    dgLog->setFooterRowCount(0, tr("日志数目 %1 条"));
    dgLog->setLayoutKey(QStringLiteral("dgLog"));
    dgLog->restoreLayout();
    dgLog->setDataSource(dsLog);
    dgLog->setAccessibleName(windowTitle());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(top);
    layout->addWidget(dgLog, 1);

    setTabOrder(edForm, edTo);
    setTabOrder(edTo, cbCZRY);
    setTabOrder(cbCZRY, btnStart);
    setTabOrder(btnStart, dgLog);
    setFirstControl(edForm);

    connect(btnStart, &QPushButton::clicked, this, &TLogManageFm::RunQuery);
    connect(dgLog, &DataGrid::sortRequested, this, &TLogManageFm::sortBy);

    fillOperators();
    const QDate today = QDate::currentDate();
    edForm->setDate(today);
    edTo->setDate(today.addDays(1));
    RunQuery();
}

TLogManageFm::~TLogManageFm()
{
    // The grid goes first: it saves its layout and lets go of QLog while both exist.
    delete dgLog;
}

void TLogManageFm::fillOperators()
{
    cbCZRY->clear();
    cbCZRY->addItem(AllOperators(), 0);
    auto st = DM()->DbBase->prepare(Sql(QStringLiteral("SELECT Id, YHXM FROM TbUser ORDER BY Id ASC")));
    while (st->step())
        cbCZRY->addItem(st->value(1).toString(), st->value(0).toLongLong());
    cbCZRY->setCurrentIndex(0);
}

QDate TLogManageFm::checkedDate(DbDateEdit *box, const QString &caption, const QDate &fallback) const
{
    if (!CheckDate(caption, box->text()))
        return fallback;
    const QVariant value = dateFromText(box->text());
    const QDate date = value.userType() == QMetaType::QDateTime ? value.toDateTime().date() : value.toDate();
    return date.isValid() ? date : fallback;
}

void TLogManageFm::RunQuery()
{
    const QDate today = QDate::currentDate();
    const QDate from = checkedDate(edForm, tr("开始日期"), today);
    const QDate to = checkedDate(edTo, tr("结束日期"), today.addDays(1));
    // From the start of the first day up to midnight that begins the last:
    // a bare date is the earliest text of its day, the stamp the latest kept.
    const QVariantList range{from.toString(QStringLiteral("yyyy-MM-dd")), LogMidnight(to)};
    if (cbCZRY->currentIndex() <= 0) {
        m_sql = Sql(QStringLiteral("SELECT * FROM TbLog WHERE CZSJ>=? AND CZSJ<=?"), range);
    } else {
        m_sql = Sql(QStringLiteral("SELECT * FROM TbLog WHERE CZRY=? AND CZSJ>=? AND CZSJ<=?"),
                    QVariantList{cbCZRY->currentText()} + range);
    }
    QLog->close();
    QLog->setSql(m_sql.withOrderBy(m_orderBy));
    QLog->open();
    // The record buttons move through the log and refresh it.
    DM()->dsNavigator->setDataSet(QLog);
}

void TLogManageFm::sortBy(const QString &field, Qt::SortOrder order)
{
    if (!isPlainIdentifier(field))
        return;
    m_orderBy = field + (order == Qt::DescendingOrder ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
    QLog->close();
    QLog->setSql(dgLog->withFilters(m_sql.withOrderBy(m_orderBy)));
    QLog->open();
}

bool TLogManageFm::ExportData()
{
    const QString folder = WorkingFile.isEmpty() ? QString() : QFileInfo(WorkingFile).absolutePath();
    const QString proposed = folder.isEmpty() ? windowTitle() : folder + QLatin1Char('/') + windowTitle();
    return dgLog->exportWithDialog(proposed, windowTitle());
}

} // namespace brel
