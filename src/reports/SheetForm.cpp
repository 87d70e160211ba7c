#include "reports/SheetForm.h"

#include "base/Messages.h"
#include "datastore/DataSet.h"
#include "reports/PBarForm.h"
#include "search/SearchChildForm.h"
#include "shell/MainForm.h"

#include <QPointer>

namespace brel {

namespace {

QPointer<TQSheetFm> &window(Sheet sheet)
{
    static QPointer<TQSheetFm> windows[10];
    return windows[int(sheet)];
}

TQSheetFm *makeWindow(Sheet sheet)
{
    switch (sheet) {
    case Sheet::RentalRelease: return new TQRentalReleaseFm;
    case Sheet::RentalReturn: return new TQRentalReturnFm;
    case Sheet::RentalSave: return new TQRentalSaveFm;
    case Sheet::SaleRelease: return new TQSaleReleaseFm;
    case Sheet::SaleReturn: return new TQSaleReturnFm;
    case Sheet::SaleSave: return new TQSaleSaveFm;
    case Sheet::QQRentalRelease: return new TQQRentalReleaseFm;
    case Sheet::QQRentalReturn: return new TQQRentalReturnFm;
    case Sheet::QBuyRelease: return new TQBuyReleaseFm;
    case Sheet::QBuyReturn: break;
    }
    return new TQBuyReturnFm;
}

} // namespace

TQSheetFm::TQSheetFm(Sheet sheet, QWidget *parent) : TQChildFm(parent), m_sheet(sheet)
{
    const SheetInfo &info = SheetOf(sheet);
    setObjectName(info.windowClass);
    setWindowTitle(info.caption);
    SetTitle(info.title);
    BuildSheetLayout(QuickRep1, sheet);
    QuickRep1.detail.beforePrint = [] { StepProgress(); };
}

void TQSheetFm::LoadReport(const IdList &ids)
{
    if (Running())
        return;
    TQChildFm::LoadReport(ids);
    OpenReport(SheetStatement(m_sheet).followedBy(IdFilter()));
    if (const int count = QReport->recordCount(); count > 0)
        ShowProgress(count, this);
    else
        Messages::warning(SheetOf(m_sheet).noRecordMessage);
    PreviewReport();
}

TQSheetFm *SheetWindow(Sheet sheet)
{
    return window(sheet).data();
}

TQSheetFm *PrintSheet(Sheet sheet, const IdList &ids)
{
    TQSheetFm *form = window(sheet).data();
    if (!form) {
        form = makeWindow(sheet);
        window(sheet) = form;
        // Free-standing, yet it goes with the main window: closed (and so
        // freed) as the main window goes, the program can end.
        form->setWindowFlags(Qt::Window);
        if (TMainFm *main = TMainFm::instance())
            QObject::connect(main, &QObject::destroyed, form, [form] { form->close(); });
    }
    form->showMaximized();
    form->raise();
    form->activateWindow();
    form->LoadReport(ids);
    return form;
}

TQSheetFm *PrintRentalRelease(const IdList &ids) { return PrintSheet(Sheet::RentalRelease, ids); }
TQSheetFm *PrintRentalReturn(const IdList &ids) { return PrintSheet(Sheet::RentalReturn, ids); }
TQSheetFm *PrintRentalSave(const IdList &ids) { return PrintSheet(Sheet::RentalSave, ids); }
TQSheetFm *PrintSaleRelease(const IdList &ids) { return PrintSheet(Sheet::SaleRelease, ids); }
TQSheetFm *PrintSaleReturn(const IdList &ids) { return PrintSheet(Sheet::SaleReturn, ids); }
TQSheetFm *PrintSaleSave(const IdList &ids) { return PrintSheet(Sheet::SaleSave, ids); }
TQSheetFm *PrintQQRentalRelease(const IdList &ids) { return PrintSheet(Sheet::QQRentalRelease, ids); }
TQSheetFm *PrintQQRentalReturn(const IdList &ids) { return PrintSheet(Sheet::QQRentalReturn, ids); }
TQSheetFm *PrintQBuyRelease(const IdList &ids) { return PrintSheet(Sheet::QBuyRelease, ids); }
TQSheetFm *PrintQBuyReturn(const IdList &ids) { return PrintSheet(Sheet::QBuyReturn, ids); }

bool PrintSheetOfCommand(const QString &command, const QStringList &selectedIds)
{
    const std::optional<Sheet> sheet = SheetOfCommand(command);
    if (!sheet)
        return false;
    PrintSheet(*sheet, selectedIds);
    return true;
}

void RegisterSheetCommands()
{
    for (const SheetInfo &info : Sheets())
        TMainFm::RegisterCommand(info.command, [sheet = info.sheet] {
            // A search window's print item hands over its chosen rows while
            // the command runs; from a menu the sheet prints its state's rows.
            const QStringList &chosen = TSearchChildFm::SheetIds();
            PrintSheet(sheet, chosen.isEmpty() ? IdList() : IdList(chosen));
        });
}

} // namespace brel
