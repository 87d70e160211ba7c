#include "admin/BaseInfoForm.h"
#include "admin/ChgPwdForm.h"
#include "admin/DataForm.h"
#include "admin/DataLinkForm.h"
#include "admin/LogManageForm.h"
#include "admin/Login.h"
#include "admin/LoginDialog.h"
#include "admin/UpgradeBarForm.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "listings/RentalManageForm.h"
#include "listings/RequestManageForm.h"
#include "listings/SaleManageForm.h"
#include "online/SyncForm.h"
#include "online/VersionCheck.h"
#include "reports/PieceStatForm.h"
#include "reports/SheetForm.h"
#include "search/AdvanceSearchForm.h"
#include "search/AlertSearchForm.h"
#include "search/RegisterSearchForm.h"
#include "shell/FlashForm.h"
#include "shell/MainForm.h"
#include "shell/SettingObjects.h"
#include "shell/widgets/Application.h"
#include "shell/widgets/MessageBoxes.h"
#include "shell/widgets/SingleInstance.h"
#include "tools/LoanForm.h"
#include "tools/TipForm.h"

#include <QPointer>

using namespace brel;

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);

    // A second start ends at once: nothing is made, shown or written.
    SingleInstance instance;
    if (!instance.acquire())
        return 0;

    installMessageBoxes();
    TDM dataModule;
    TSettings settings;
    settings.SetDateFormat();

    // The administrator's windows live above the main window's layer; it
    // reaches them through these bindings.
    TMainFm::RegisterChild(QStringLiteral("aLog"), [](QWidget *parent) { return new TLogManageFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atRentalManage"), [](QWidget *parent) { return new TRentalManageFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atQRentalManage"), [](QWidget *parent) { return new TQRentalManageFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atQBuyManage"), [](QWidget *parent) { return new TQBuyManageFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atSaleManage"), [](QWidget *parent) { return new TSaleManageFm(parent); });
    // Each register search's 高级查找 opens the condition builder for it.
    auto withBuilder = [](TSearchChildFm *window) {
        TAdvanceSearchFm::Attach(window);
        return window;
    };
    TMainFm::RegisterChild(QStringLiteral("atRentalSearch"), [=](QWidget *parent) { return withBuilder(new TRentalSearchFm(parent)); });
    TMainFm::RegisterChild(QStringLiteral("atSaleSearch"), [=](QWidget *parent) { return withBuilder(new TSaleSearchFm(parent)); });
    TMainFm::RegisterChild(QStringLiteral("atQRentalSearch"), [=](QWidget *parent) { return withBuilder(new TQRentalSearchFm(parent)); });
    TMainFm::RegisterChild(QStringLiteral("atQBuySearch"), [=](QWidget *parent) { return withBuilder(new TQBuySearchFm(parent)); });
    TMainFm::RegisterChild(QStringLiteral("atAlertSearch"), [](QWidget *parent) { return new TAlertSearchFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atChgPwd"), [](QWidget *parent) { return new TChgPwdFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atLoan"), [](QWidget *parent) { return new TLoanFm(parent); });
    TMainFm::RegisterCommand(QStringLiteral("atTip"), [] { TTipFm::Run(TMainFm::instance()); });
    TMainFm::RegisterCommand(QStringLiteral("atGetLastest"), &CheckLatestVersion);
    TMainFm::RegisterCommand(QStringLiteral("atHomePage"), &OpenHomePage);
    TMainFm::RegisterCommand(QStringLiteral("btnSync"), [] { TSyncFm::Run(TMainFm::instance()); });
    TMainFm::RegisterChild(QStringLiteral("atBaseInfo"), [](QWidget *parent) { return new TBaseInfoFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atPieceStat"), [](QWidget *parent) { return new TQPieceStatFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atDataLink"), [](QWidget *parent) { return new TDataLinkFm(parent); });
    TMainFm::RegisterChild(QStringLiteral("atData"), [](QWidget *parent) { return new TDataFm(parent); });
    RegisterSheetCommands();

    // Read before the login dialog marks the machine as known.
    const bool firstStart = settings.ReadBeginer() != 1;

    QPointer<TMainFm> mainForm = new TMainFm;
    TTipFm::ShowAfterFirstLogin(mainForm, firstStart);
    TMainFm::SetLoginDialog([&mainForm](bool allowChooseUser) { return ShowLogin(allowChooseUser, mainForm.data()); });
    AfterLoginSteps steps;
    // After a login to a (new) working file every command is back, then gated by the rights.
    steps.applyRights = [&mainForm] {
        if (mainForm) {
            mainForm->EnableAllCommands(true);
            mainForm->ApplyRights();
        }
    };
    steps.updateCaption = [&mainForm] {
        if (mainForm)
            mainForm->UpdateCaption();
    };
    InstallUpgradeHook(dataModule);
    InstallLoginHooks(dataModule, [&mainForm] { return ShowLogin(true, mainForm.data()); }, steps);
    // The splash is the only window for a moment; its closing must not end the program.
    app.setQuitOnLastWindowClosed(false);
    ShowSplash();
    app.setQuitOnLastWindowClosed(true);
    mainForm->showMaximized();

    const int result = app.exec();
    // A closed main window is only scheduled for deletion; finish it before the data module goes.
    delete mainForm.data();
    ClearGlobals();
    return result;
}
