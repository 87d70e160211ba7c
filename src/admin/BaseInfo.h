#pragma once

#include "components/GridColumn.h"
#include "datastore/DataSet.h"

#include <QCoreApplication>
#include <QObject>
#include <QStringList>
#include <QVector>

namespace brel {

/// One page of the system-parameters window: its tab, its table and how
/// the table is shown.
struct BaseInfoPage {
    enum Kind {
        Users,   ///< users and their rights (TUserAccounts)
        Grid,    ///< a lookup table edited in a grid
        Company, ///< the company row in boxes
        Options, ///< the three program options
    };
    Kind kind;
    QString caption; ///< tab caption
    QString table;
    QString grid;    ///< object name of the page's grid; empty without one
    GridColumns columns;
    QString orderBy; ///< empty = the table's own order
};

/// What the pages of the system-parameters window hold, page by page.
class BaseInfoPages {
    Q_DECLARE_TR_FUNCTIONS(brel::BaseInfoPages)
public:
    /// The fifteen pages in tab order (index = page number).
    static const QVector<BaseInfoPage> &all();
    /// Index of the fee page (its rows are read by id, so none is added or removed).
    static constexpr int FeePage = 1;
    static constexpr int CompanyPage = 2;
    /// The statement of a page's query: every row of its table.
    static Sql pageSql(const BaseInfoPage &page);
    /// Checks the current row of a grid page before it is saved: the first
    /// column is not empty, a rate lies between 0 and 100. Shows the message
    /// and returns false on failure.
    static bool checkRow(const BaseInfoPage &page, const DataSet &row);
};

/// The users and their rights on the first page: the users query QUser
/// (the administrator never listed) and its detail QRes with the rights of
/// the current user. Passwords are stored as the login's salted hash; a new
/// user is written with its three default rights rows, and a user is deleted
/// with its rights rows, each in one transaction.
class TUserAccounts : public QObject {
    Q_OBJECT
public:
    explicit TUserAccounts(Database *db, QObject *parent = nullptr);

    DataSet *QUser = nullptr;
    DataSet *QRes = nullptr;

    static Sql userSql();
    static Sql rightsSql();
    /// Columns of TbRes holding the seven rights, in grid order.
    static QStringList rightsFields();

    /// Opens QUser and then QRes.
    void open();
    /// Closes QRes and then QUser.
    void close();

    /// Branch names of TbBranch in their order, each once, empty ones left out.
    static QStringList branchNames();
    /// Ticks (1) or unticks (0) right field of the current rights row and saves it.
    void setRight(const QString &field, bool granted);

private:
    void beforeUserPost(DataSet::PostVeto *veto);
};

} // namespace brel
