#pragma once

#include "datastore/Engine.h"
#include "shell/ChildForm.h"

#include <QDate>

class QComboBox;
class QLabel;
class QPushButton;

namespace brel {

class DataGrid;
class DataSet;
class DataSource;
class DbDateEdit;

/// 操作日志查询: the administrator's view of the operation log, filtered by
/// a date range and an operator, sortable by a header click and exportable.
class TLogManageFm : public TChildFm {
    Q_OBJECT
public:
    /// Fills the operator list, sets the range to today … tomorrow and runs
    /// the query. Needs the data module connected to the working file.
    explicit TLogManageFm(QWidget *parent = nullptr);
    ~TLogManageFm() override;

    /// Runs the query of the boxes (btnStart). A date that fails the date
    /// check shows its message and today (from) or tomorrow (to) is used in
    /// its place; the box keeps what was typed.
    void RunQuery();
    /// The export command 导出数据: every row of the grid into a file chosen
    /// in the save dialog. True when a file was written.
    bool ExportData() override;
    bool CanExport() const override { return true; }
    DataSet *NavigatorDataSet() const override { return QLog; }

    /// Text of the operator list's first entry, which stands for every user.
    static QString AllOperators();

    DbDateEdit *edForm = nullptr;
    DbDateEdit *edTo = nullptr;
    QComboBox *cbCZRY = nullptr;
    QPushButton *btnStart = nullptr;
    DataGrid *dgLog = nullptr;
    DataSet *QLog = nullptr;
    DataSource *dsLog = nullptr;

private:
    void fillOperators();
    void sortBy(const QString &field, Qt::SortOrder order);
    /// The box's date when it passes the check under caption, else fallback.
    QDate checkedDate(DbDateEdit *box, const QString &caption, const QDate &fallback) const;

    Sql m_sql; ///< the last query, without ordering
    QString m_orderBy;
};

} // namespace brel
