#pragma once

#include "listings/ManageChildForm.h"

#include <memory>

namespace Ui {
class TSaleManageFm;
}

namespace brel {

/// 房屋出售管理: one row of TbSale as a form. The seller registers the house;
/// 房屋出售 records the deal, 房屋作废 voids the listing and 取消操作 puts a
/// sold or voided house on offer again in place.
class TSaleManageFm : public TManageChildFm {
    Q_OBJECT
public:
    explicit TSaleManageFm(QWidget *parent = nullptr);
    ~TSaleManageFm() override;

    /// The window's query: every sale row with its state text ZTW_TXT.
    static Sql SaleSql();

    RecordActivities LogActivities() const override;

    /// 房屋出售 (no question): the asking price becomes the purchase price
    /// (an empty one stays empty), the commission follows at the sale rate
    /// in the price's own unit, the clerk and today are stamped and the row
    /// is sold ("01"), unsaved; the log line is written.
    void Sell();
    /// 房屋作废: after the question the row is voided and saved at once.
    void VoidSale();
    /// 取消操作: after the question the buyer and handling data are emptied
    /// and the row is on offer ("00") again, saved at once; the log line
    /// only when the save went through.
    void UndoDeal();

protected:
    void InitNewRecord() override;

private:
    std::unique_ptr<Ui::TSaleManageFm> ui;
};

} // namespace brel
