#pragma once

#include "listings/ManageChildForm.h"

#include <QVariantList>
#include <memory>

namespace Ui {
class TRentalManageFm;
}

namespace brel {

/// 房屋出租管理: one row of TbRental as a form. The landlord registers the
/// house; 房屋出租 records the deal, 房屋作废 voids the listing and 再次出租
/// puts a let or voided house on the market again as a new row.
class TRentalManageFm : public TManageChildFm {
    Q_OBJECT
public:
    explicit TRentalManageFm(QWidget *parent = nullptr);
    ~TRentalManageFm() override;

    /// The window's query: every rental row with its state text ZTW_TXT.
    static Sql RentalSql();

    RecordActivities LogActivities() const override;

    /// 房屋出租 (no question): the asking rent becomes the agreed rent, the
    /// commission follows at the rental rate, the clerk and today are
    /// stamped and the row is let ("01"), unsaved; the log line is written.
    void RentOut();
    /// 房屋作废: after the question the row is voided and saved at once.
    void VoidRental();
    /// 再次出租: after the question a new, unsaved row takes the landlord
    /// data of the current row; the current row stays as it is.
    void RentAgain();

protected:
    void InitNewRecord() override;

private:
    std::unique_ptr<Ui::TRentalManageFm> ui;
    /// Values of the fields 0 to 28 of the row being let again; empty
    /// except between the question of 再次出租 and the new row's defaults.
    QVariantList RentAgainBuffer;
};

} // namespace brel
