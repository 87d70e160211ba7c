#include "admin/BaseInfoForm.h"

#include "ui_BaseInfoForm.h"

#include "admin/Login.h"
#include "base/Messages.h"
#include "components/widgets/DataBoxes.h"
#include "components/widgets/DataGrid.h"
#include "components/widgets/GridDelegates.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "shell/MainForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>

namespace brel {

namespace {

const QString PasswordField = QStringLiteral("YHMM");

/// A grid that is typed into in place, without the search windows' filters.
void setUpEditGrid(DataGrid *grid, const GridColumns &columns, const QString &name)
{
    grid->setColumns(columns);
    grid->setFilterEnabled(false);
    grid->setEditable(true);
    grid->setAccessibleName(name);
    grid->horizontalHeader()->setStretchLastSection(true);
}

} // namespace

TBaseInfoFm::TBaseInfoFm(QWidget *parent)
    : TChildFm(parent)
    , ui(std::make_unique<Ui::TBaseInfoFm>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("BaseInfoFm"));
    setWindowTitle(tr("系统参数"));
    pcBaseInfo = ui->pcBaseInfo;
    dgUser = ui->dgUser;
    dgRes = ui->dgRes;
    cbZDSJH = ui->cbZDSJH;
    cbXSLJ = ui->cbXSLJ;
    cbCZRZ = ui->cbCZRZ;
    btnSaveCompany = ui->btnSaveCompany;
    btnSaveSetings = ui->btnSaveSetings;
    setFirstControl(pcBaseInfo);

    setUpUsersPage();
    setUpGridPages();
    connect(btnSaveCompany, &QPushButton::clicked, this, &TBaseInfoFm::SaveCompanyInfo);
    connect(btnSaveSetings, &QPushButton::clicked, this, &TBaseInfoFm::SaveOptions);

    renewPageQuery();
    loadPage(0);
    connect(pcBaseInfo, &QTabWidget::currentChanged, this, &TBaseInfoFm::onTabChanged);
}

TBaseInfoFm::~TBaseInfoFm()
{
    // The grids let go of their data sets while both exist.
    for (int k = 0; k < BaseInfoPages::all().size(); ++k)
        if (DataGrid *grid = PageGrid(k))
            grid->setDataSource(nullptr);
    dgRes->setDataSource(nullptr);
}

void TBaseInfoFm::setUpUsersPage()
{
    m_users = new TUserAccounts(DM()->DbBase, this);
    dsUser = new DataSource(this);
    dsUser->setDataSet(m_users->QUser);
    dsRes = new DataSource(this);
    dsRes->setDataSet(m_users->QRes);

    setUpEditGrid(dgUser,
                  {{tr("用户代码"), QStringLiteral("YHDM"), 1, 100, {}, false},
                   {tr("用户登录名"), QStringLiteral("YHXM"), 1, 160, {}, true},
                   {tr("用户密码"), PasswordField, 1, 120, {}, true},
                   {tr("所属分店"), QStringLiteral("SSFD"), 1, 200, {}, true}},
                  tr("登录用户"));
    const int password = dgUser->columnOfField(PasswordField);
    // The stored hash is nobody's to read or copy: every password shows as one "*".
    dgUser->setCellHook([password](int, int column, QColor &, QString &text) {
        if (column == password)
            text = QStringLiteral("*");
    });
    dgUser->setItemDelegateForColumn(password, new PasswordDelegate(MaxPasswordLength, dgUser));
    m_branches = new PickListDelegate(dgUser);
    dgUser->setItemDelegateForColumn(dgUser->columnOfField(QStringLiteral("SSFD")), m_branches);
    dgUser->setDataSource(dsUser);

    const QStringList captions = {tr("浏览权限"), tr("新增权限"), tr("修改权限"), tr("删除权限"),
                                  tr("打印权限"), tr("电话权限"), tr("管理权限")};
    GridColumns rights{{tr("功能名称"), QStringLiteral("ZYMC"), 1, 120, {}, true}};
    const QStringList fields = TUserAccounts::rightsFields();
    for (int i = 0; i < fields.size(); ++i)
        rights.append({captions.at(i), fields.at(i), 1, 80, {}, true});
    setUpEditGrid(dgRes, rights, tr("用户权限"));
    // The ticks stay in columns of their captions' width.
    dgRes->horizontalHeader()->setStretchLastSection(false);
    dgRes->setItemDelegateForColumn(0, new ReadOnlyDelegate(dgRes));
    auto *ticks = new CheckColumnDelegate(dgRes);
    for (int i = 1; i < rights.size(); ++i)
        dgRes->setItemDelegateForColumn(i, ticks);
    // Ticked or not is the text a screen reader reads; the box is drawn over it.
    dgRes->setCellHook([](int, int column, QColor &, QString &text) {
        if (column > 0)
            text = text == QLatin1String("1") ? tr("是") : tr("否");
    });
    connect(ticks, &CheckColumnDelegate::toggled, this, &TBaseInfoFm::onRightToggled);
    dgRes->setDataSource(dsRes);

    // Every move to another user offers the branches as they are now.
    connect(m_users->QUser, &DataSet::dataChanged, this, [this](int field) {
        if (field < 0)
            refreshBranches();
    });
}

void TBaseInfoFm::setUpGridPages()
{
    const auto &pages = BaseInfoPages::all();
    for (int k = 0; k < pages.size(); ++k) {
        if (pages.at(k).kind != BaseInfoPage::Grid)
            continue;
        setUpEditGrid(PageGrid(k), pages.at(k).columns, pages.at(k).caption);
    }
}

DataGrid *TBaseInfoFm::PageGrid(int k) const
{
    const auto &pages = BaseInfoPages::all();
    if (k < 0 || k >= pages.size() || pages.at(k).kind != BaseInfoPage::Grid)
        return nullptr;
    return findChild<DataGrid *>(pages.at(k).grid);
}

DataSet *TBaseInfoFm::NavigatorDataSet() const
{
    if (m_page == 0)
        return m_users->QUser;
    if (m_page >= 0 && BaseInfoPages::all().at(m_page).kind == BaseInfoPage::Grid)
        return QPage;
    return nullptr;
}

void TBaseInfoFm::RefreshRecordRights()
{
    TChildFm::RefreshRecordRights();
    if (m_page != BaseInfoPages::FeePage)
        return;
    if (TMainFm *main = TMainFm::instance()) {
        for (const char *name : {"btnAdd", "btnDel"})
            if (QAction *a = main->command(QString::fromLatin1(name)))
                a->setEnabled(false);
    }
}

bool TBaseInfoFm::ShowPage(int k)
{
    if (k < 0 || k >= BaseInfoPages::all().size())
        return false;
    pcBaseInfo->setCurrentIndex(k);
    return m_page == k;
}

bool TBaseInfoFm::postPending()
{
    DataSet *editing = nullptr;
    if (m_page == 0)
        editing = m_users->QUser->isEditing() ? m_users->QUser : m_users->QRes;
    else if (QPage)
        editing = QPage;
    if (!editing || !editing->isEditing())
        return true;
    try {
        return editing->post();
    } catch (const EngineError &e) {
        Messages::error(e.message());
        return false;
    }
}

void TBaseInfoFm::onTabChanged(int index)
{
    if (index == m_page)
        return;
    // What was typed on the page being left is kept, not dropped with its query.
    if (!postPending()) {
        QSignalBlocker block(pcBaseInfo);
        pcBaseInfo->setCurrentIndex(m_page);
        return;
    }
    if (m_page == 0)
        m_users->close();
    renewPageQuery();
    loadPage(index);
}

void TBaseInfoFm::renewPageQuery()
{
    for (int k = 0; k < BaseInfoPages::all().size(); ++k)
        if (DataGrid *grid = PageGrid(k))
            grid->setDataSource(nullptr);
    delete dsPage;
    delete QPage;
    QPage = new DataSet(DM()->DbBase, this);
    QPage->setObjectName(QStringLiteral("QPage"));
    dsPage = new DataSource(this);
    dsPage->setDataSet(QPage);
    connect(QPage, &DataSet::beforePost, this, [this](DataSet::PostVeto *veto) {
        if (!BaseInfoPages::checkRow(BaseInfoPages::all().at(m_page), *QPage))
            veto->abandon = true;
    });
}

void TBaseInfoFm::loadPage(int k)
{
    m_page = k;
    if (pcBaseInfo->currentIndex() != k) {
        QSignalBlocker block(pcBaseInfo);
        pcBaseInfo->setCurrentIndex(k);
    }
    const BaseInfoPage &page = BaseInfoPages::all().at(k);
    switch (page.kind) {
    case BaseInfoPage::Users:
        m_users->open();
        break;
    case BaseInfoPage::Grid:
        QPage->setSql(BaseInfoPages::pageSql(page));
        QPage->open();
        PageGrid(k)->setDataSource(dsPage);
        break;
    case BaseInfoPage::Company:
        QPage->setSql(BaseInfoPages::pageSql(page));
        QPage->open();
        for (auto *box : ui->tsCompany->findChildren<DbEdit *>()) {
            box->setDataSource(dsPage);
            box->setDataField(box->property("dataField").toString());
            if (auto *label = ui->tsCompany->findChild<QLabel *>(QStringLiteral("lb") + box->property("dataField").toString()))
                box->fieldLink()->setDisplayLabel(label->text().remove(QStringLiteral("：")));
        }
        break;
    case BaseInfoPage::Options:
        cbZDSJH->setChecked(SysOptions.ZDSJH);
        cbXSLJ->setChecked(SysOptions.XSLJ);
        cbCZRZ->setChecked(SysOptions.CZRZ);
        break;
    }
    // The record buttons follow the page: its rows, or none on the box pages.
    DM()->dsNavigator->setDataSet(NavigatorDataSet());
    if (TMainFm *main = TMainFm::instance(); main && main->CurrentChild() == this)
        main->RefreshToolbar();
}

void TBaseInfoFm::refreshBranches()
{
    m_branches->setItems(TUserAccounts::branchNames());
}

void TBaseInfoFm::onRightToggled(const QModelIndex &index, bool ticked)
{
    DataSet *rights = m_users->QRes;
    const QString field = dgRes->columns().value(index.column()).field;
    try {
        if (rights->recNo() != index.row() && !rights->moveTo(index.row()))
            return;
        m_users->setRight(field, ticked);
    } catch (const EngineError &e) {
        Messages::error(e.message());
        rights->cancel();
    }
    dgRes->gridModel()->sync();
}

void TBaseInfoFm::SaveCompanyInfo()
{
    if (m_page != BaseInfoPages::CompanyPage || !QPage->isActive())
        return;
    try {
        // A file without its company row gets one.
        if (QPage->isEmpty())
            QPage->append();
        else if (!QPage->isEditing())
            QPage->edit();
        QPage->post();
    } catch (const EngineError &e) {
        Messages::error(e.message());
    }
}

void TBaseInfoFm::SaveOptions()
{
    SysOptions.ZDSJH = cbZDSJH->isChecked();
    SysOptions.XSLJ = cbXSLJ->isChecked();
    SysOptions.CZRZ = cbCZRZ->isChecked();
    try {
        SaveSysOptions();
    } catch (const EngineError &e) {
        Messages::error(e.message());
        return;
    }
    // Numbering and logging read the options each time; the caption is set now.
    if (TMainFm *main = TMainFm::instance())
        main->UpdateCaption();
}

void TBaseInfoFm::closeEvent(QCloseEvent *event)
{
    if (!postPending()) {
        event->ignore();
        return;
    }
    TChildFm::closeEvent(event);
}

} // namespace brel
