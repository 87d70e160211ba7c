#pragma once

#include "admin/BaseInfo.h"
#include "shell/ChildForm.h"

#include <memory>

class QCheckBox;
class QPushButton;
class QTabWidget;

namespace Ui {
class TBaseInfoFm;
}

namespace brel {

class CheckColumnDelegate;
class DataGrid;
class DataSet;
class DataSource;
class PickListDelegate;

/// 系统参数: the administrator's window over the users and their rights, the
/// lookup lists the listing windows pick from, the commission rates, the
/// company details, the program options and the branches, one tab each.
/// The lookup pages share one page query, made anew for every page; the
/// main window's record buttons work on the users or on the page's rows.
class TBaseInfoFm : public TChildFm {
    Q_OBJECT
public:
    explicit TBaseInfoFm(QWidget *parent = nullptr);
    ~TBaseInfoFm() override;

    /// Page number of the tab shown.
    int CurrentPage() const { return m_page; }
    /// Shows page k (0..14). A pending edit of the page being left is saved
    /// first; when that fails the page stays. Returns whether k is shown.
    bool ShowPage(int k);

    DataSet *NavigatorDataSet() const override;
    /// The rates' rows are read by number: none is added or deleted there.
    void RefreshRecordRights() override;

    /// 保存 of the company page: the boxes into the company row.
    void SaveCompanyInfo();
    /// 保存 of the options page: the boxes into the options, stored at once;
    /// the caption follows.
    void SaveOptions();

    /// The grid of lookup page k; nullptr for the users, company and options pages.
    DataGrid *PageGrid(int k) const;
    /// The page query (nullptr on the users page).
    DataSet *PageQuery() const { return QPage; }
    TUserAccounts *Users() const { return m_users; }
    /// The branch list offered in the users grid.
    PickListDelegate *BranchList() const { return m_branches; }

    QTabWidget *pcBaseInfo = nullptr;
    DataGrid *dgUser = nullptr;
    DataGrid *dgRes = nullptr;
    QCheckBox *cbZDSJH = nullptr;
    QCheckBox *cbXSLJ = nullptr;
    QCheckBox *cbCZRZ = nullptr;
    QPushButton *btnSaveCompany = nullptr;
    QPushButton *btnSaveSetings = nullptr;

protected:
    /// A pending edit is saved first; the window stays open when that fails.
    void closeEvent(QCloseEvent *event) override;

private:
    void setUpUsersPage();
    void setUpGridPages();
    void onTabChanged(int index);
    /// Saves what is being edited on the page shown; false (after the message) when that failed.
    bool postPending();
    /// Destroys the page query and its source and makes new ones.
    void renewPageQuery();
    void loadPage(int k);
    void refreshBranches();
    void onRightToggled(const QModelIndex &index, bool ticked);

    std::unique_ptr<Ui::TBaseInfoFm> ui;
    TUserAccounts *m_users = nullptr;
    DataSource *dsUser = nullptr;
    DataSource *dsRes = nullptr;
    DataSet *QPage = nullptr;
    DataSource *dsPage = nullptr;
    PickListDelegate *m_branches = nullptr;
    int m_page = -1;
};

} // namespace brel
