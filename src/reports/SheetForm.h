#pragma once

#include "reports/QChildForm.h"
#include "reports/ReportLayouts.h"

namespace brel {

/// A listing sheet: every record of its register in its state, or those of
/// an id list, one detail band each, in a free-standing maximised window.
class TQSheetFm : public TQChildFm {
    Q_OBJECT
public:
    TQSheetFm(Sheet sheet, QWidget *parent = nullptr);

    Sheet sheet() const { return m_sheet; }
    /// Runs the sheet's statement with IdFilter; a progress window steps
    /// through the records; no record shows the sheet's message and an empty report.
    void LoadReport(const IdList &ids) override;

private:
    Sheet m_sheet;
};

/// The window class of each sheet: the sheet is all that sets them apart.
template <Sheet S>
class TQSheetOf : public TQSheetFm {
public:
    explicit TQSheetOf(QWidget *parent = nullptr) : TQSheetFm(S, parent) {}
};
using TQRentalReleaseFm = TQSheetOf<Sheet::RentalRelease>;
using TQRentalReturnFm = TQSheetOf<Sheet::RentalReturn>;
using TQRentalSaveFm = TQSheetOf<Sheet::RentalSave>;
using TQSaleReleaseFm = TQSheetOf<Sheet::SaleRelease>;
using TQSaleReturnFm = TQSheetOf<Sheet::SaleReturn>;
using TQSaleSaveFm = TQSheetOf<Sheet::SaleSave>;
using TQQRentalReleaseFm = TQSheetOf<Sheet::QQRentalRelease>;
using TQQRentalReturnFm = TQSheetOf<Sheet::QQRentalReturn>;
using TQBuyReleaseFm = TQSheetOf<Sheet::QBuyRelease>;
using TQBuyReturnFm = TQSheetOf<Sheet::QBuyReturn>;

// Entry operations: the sheet's one window (made when missing) is shown
// maximised and loaded with ids; without a list it prints every record of
// its register in its state. Each returns the window.
TQSheetFm *PrintSheet(Sheet sheet, const IdList &ids = std::nullopt);
TQSheetFm *PrintRentalRelease(const IdList &ids = std::nullopt);
TQSheetFm *PrintRentalReturn(const IdList &ids = std::nullopt);
TQSheetFm *PrintRentalSave(const IdList &ids = std::nullopt);
TQSheetFm *PrintSaleRelease(const IdList &ids = std::nullopt);
TQSheetFm *PrintSaleReturn(const IdList &ids = std::nullopt);
TQSheetFm *PrintSaleSave(const IdList &ids = std::nullopt);
TQSheetFm *PrintQQRentalRelease(const IdList &ids = std::nullopt);
TQSheetFm *PrintQQRentalReturn(const IdList &ids = std::nullopt);
TQSheetFm *PrintQBuyRelease(const IdList &ids = std::nullopt);
TQSheetFm *PrintQBuyReturn(const IdList &ids = std::nullopt);

/// For the search windows: prints the sheet of a main-window print command
/// ("atRentalRelease", …) for the selected ids; false for another command.
bool PrintSheetOfCommand(const QString &command, const QStringList &selectedIds);
/// The open window of sheet, nullptr when none.
TQSheetFm *SheetWindow(Sheet sheet);
/// Binds the main window's ten print commands to their sheets (no list).
void RegisterSheetCommands();

} // namespace brel
