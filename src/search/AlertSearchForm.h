#pragma once

#include "search/SearchChildForm.h"

class QLabel;

namespace brel {

class DbDateEdit;

/// 房屋出租报警查询: the let houses whose follow-up alert falls between two
/// days, both included, earliest first. Opened from 跟踪报警, and at start-up
/// with its result when an alert is due within the coming week. It has no
/// rights group, no pop-up menu and no matching; it is closed like any other
/// child window when the user moves on.
class TAlertSearchFm : public TSearchChildFm {
    Q_OBJECT
public:
    explicit TAlertSearchFm(QWidget *parent = nullptr);

    /// The alert period of edForm and edTo (the state range is not
    /// consulted); nullopt after a date check failed, its message shown.
    std::optional<Sql> BuildWhere() override;
    /// Lists the alerts of the period by alert date, earliest first.
    void RunNow() override;
    void OpenAdvanceSearch() override;

    QLabel *lbFrom = nullptr;
    DbDateEdit *edForm = nullptr;
    QLabel *lbTo = nullptr;
    DbDateEdit *edTo = nullptr;

protected:
    /// Enter in a date box runs the search, as in the other search windows.
    void enterPressed(QWidget *control) override;
};

} // namespace brel
