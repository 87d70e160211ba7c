#pragma once

#include "datastore/Money.h"
#include "reports/QChildForm.h"

class QComboBox;

namespace brel {

/// 收件统计报表: per user and period, the registrations of each register and
/// the houses let or sold with their commission. Hosted in the main window.
class TQPieceStatFm : public TQChildFm {
    Q_OBJECT
public:
    explicit TQPieceStatFm(QWidget *parent = nullptr);

    /// Checks the two dates, runs the statement for the chosen user (every
    /// user for 全部员工) and previews; ids are not used.
    void LoadReport(const IdList &ids) override;

    /// The first entry of edUser: every user, one group each.
    static QString AllUsersText();

    QLabel *lbUser = nullptr;
    QComboBox *edUser = nullptr;

    qint32 GroupCount = 0;
    qint32 TotalCount = 0;
    Money GroupSum;
    Money TotalSum;

private:
    /// One user's deals and commission, for the chart of 全部员工.
    struct UserFigures {
        QString user;
        int deals = 0;
        Money commission;
    };
    void buildHooks();
    void showChart(bool on);
    QVector<UserFigures> m_figures;
};

} // namespace brel
