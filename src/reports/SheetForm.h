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

class TQRentalReleaseFm : public TQSheetFm {
    Q_OBJECT
public:
    explicit TQRentalReleaseFm(QWidget *parent = nullptr) : TQSheetFm(Sheet::RentalRelease, parent) {}
};
class TQRentalReturnFm : public TQSheetFm {
    Q_OBJECT
public:
    explicit TQRentalReturnFm(QWidget *parent = nullptr) : TQSheetFm(Sheet::RentalReturn, parent) {}
};
class TQRentalSaveFm : public TQSheetFm {
    Q_OBJECT
public:
    explicit TQRentalSaveFm(QWidget *parent = nullptr) : TQSheetFm(Sheet::RentalSave, parent) {}
};
class TQSaleReleaseFm : public TQSheetFm {
    Q_OBJECT
public:
    explicit TQSaleReleaseFm(QWidget *parent = nullptr) : TQSheetFm(Sheet::SaleRelease, parent) {}
};
class TQSaleReturnFm : public TQSheetFm {
    Q_OBJECT
public:
    explicit TQSaleReturnFm(QWidget *parent = nullptr) : TQSheetFm(Sheet::SaleReturn, parent) {}
};
class TQSaleSaveFm : public TQSheetFm {
    Q_OBJECT
public:
    explicit TQSaleSaveFm(QWidget *parent = nullptr) : TQSheetFm(Sheet::SaleSave, parent) {}
};
class TQQRentalReleaseFm : public TQSheetFm {
    Q_OBJECT
public:
    explicit TQQRentalReleaseFm(QWidget *parent = nullptr) : TQSheetFm(Sheet::QQRentalRelease, parent) {}
};
class TQQRentalReturnFm : public TQSheetFm {
    Q_OBJECT
public:
    explicit TQQRentalReturnFm(QWidget *parent = nullptr) : TQSheetFm(Sheet::QQRentalReturn, parent) {}
};
class TQBuyReleaseFm : public TQSheetFm {
    Q_OBJECT
public:
    explicit TQBuyReleaseFm(QWidget *parent = nullptr) : TQSheetFm(Sheet::QBuyRelease, parent) {}
};
class TQBuyReturnFm : public TQSheetFm {
    Q_OBJECT
public:
    explicit TQBuyReturnFm(QWidget *parent = nullptr) : TQSheetFm(Sheet::QBuyReturn, parent) {}
};

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
