#include "shell/MainForm.h"

#include "components/widgets/SideBar.h"
#include "datastore/DataModule.h"
#include "datastore/OperationLog.h"
#include "shell/ChildForm.h"
#include "shell/HelpForm.h"
#include "shell/HistoryObject.h"

#include <QAction>

// The main window's commands wired to what they run, and the hidden record
// navigator behind the record buttons of the tool bar.

namespace brel {

namespace {

struct NavigatorButton {
    const char *action;
    DataNavigator::Button button;
};

/// Each record button and the navigator button it presses and follows.
const NavigatorButton NavigatorButtons[] = {
    {"btnAdd", DataNavigator::Insert},    {"btnEdit", DataNavigator::Edit},   {"btnDel", DataNavigator::Delete},
    {"btnSave", DataNavigator::Post},     {"btnCancel", DataNavigator::Cancel},
    {"btnRefresh", DataNavigator::Refresh}, {"btnFirst", DataNavigator::First}, {"btnPrev", DataNavigator::Prior},
    {"btnNext", DataNavigator::Next},     {"btnLast", DataNavigator::Last},
};

/// The receipt number of the data set's current row, empty without one.
QString receiptNo(const DataSet *ds)
{
    return ds->fieldIndex(QStringLiteral("SJH")) >= 0 ? ds->asText(QStringLiteral("SJH")) : QString();
}

} // namespace

void TMainFm::wireCommands()
{
    auto on = [this](const char *name, auto &&runs) {
        connect(command(QString::fromLatin1(name)), &QAction::triggered, this, std::forward<decltype(runs)>(runs));
    };
    on("atQuit", [this] { close(); });
    on("atLogin", [this] { Relogin(); });
    on("atAlway", [this] { StepAway(); });
    on("atHelp", [] { ShowHelp(); });
    on("atCalculate", [this] { OpenCalculator(); });
    on("atAlertSearch", [this] { OpenAlertSearch(false); });
    on("atData", [this] { OpenDataMaint(); });
    on("btnForword", [this] { StepHistory(true); });
    on("btnBackword", [this] { StepHistory(false); });
    on("btnExp", [this] { ExportCurrent(); });
    for (const NavigatorButton &b : NavigatorButtons)
        on(b.action, [this, button = b.button] { PressNavigator(button); });

    // Every other command opens its child window by the open rule, or runs
    // what a higher layer bound to it; until then it says it comes later.
    const QStringList childCommands = {
        QStringLiteral("atRentalManage"), QStringLiteral("atRentalSearch"), QStringLiteral("atSaleManage"),
        QStringLiteral("atSaleSearch"), QStringLiteral("atQRentalManage"), QStringLiteral("atQRentalSearch"),
        QStringLiteral("atQBuyManage"), QStringLiteral("atQBuySearch"), QStringLiteral("atDataLink"),
        QStringLiteral("atBaseInfo"), QStringLiteral("atChgPwd"), QStringLiteral("aLog"), QStringLiteral("atLoan")};
    for (const QString &name : childCommands)
        connect(command(name), &QAction::triggered, this, [this, name] { OpenChild(name); });
    on("atPieceStat", [this] {
        // Made anew each time; it loads its report at once.
        if (OpenChild(QStringLiteral("atPieceStat")))
            m_currentChild->RunNow();
    });
    const QStringList plainCommands = {
        QStringLiteral("atRentalRelease"), QStringLiteral("atRentalReturn"), QStringLiteral("atRentalSave"),
        QStringLiteral("atSaleRelease"), QStringLiteral("atSaleReturn"), QStringLiteral("atSaleSave"),
        QStringLiteral("atQQRentalRelease"), QStringLiteral("atQQRentalReturn"), QStringLiteral("atQBuyRelease"),
        QStringLiteral("atQBuyReturn"), QStringLiteral("atTip"), QStringLiteral("atHomePage"),
        QStringLiteral("atGetLastest"), QStringLiteral("btnSync")};
    for (const QString &name : plainCommands)
        connect(command(name), &QAction::triggered, this, [this, name] { RunCommand(name); });
}

void TMainFm::wireNavigator()
{
    DBNavigator = new DataNavigator(this);
    DBNavigator->setObjectName(QStringLiteral("DBNavigator"));
    if (TDM *dm = DM()) {
        DBNavigator->setDataSource(dm->dsNavigator);
        connect(dm->dsNavigator, &DataSource::stateChanged, this, &TMainFm::LogStateChange);
    }
    connect(DBNavigator, &DataNavigator::statesChanged, this, &TMainFm::RefreshToolbar);
    RefreshToolbar();
}

void TMainFm::RefreshToolbar()
{
    for (const NavigatorButton &b : NavigatorButtons)
        command(QString::fromLatin1(b.action))->setEnabled(DBNavigator->isEnabled(b.button));
    bool older = false, newer = false, exports = false;
    TChildFm *child = m_currentChild;
    if (child) {
        if (THistoryObject *history = child->SearchHistory()) {
            child->NavigatorStatesChanged(*DBNavigator);
            older = history->CanStepOlder();
            newer = history->CanStepNewer();
            exports = true;
        }
        exports = exports || child->CanExport();
    }
    command(QStringLiteral("btnForword"))->setEnabled(older);
    command(QStringLiteral("btnBackword"))->setEnabled(newer);
    command(QStringLiteral("btnExp"))->setEnabled(exports);
    // Last: the window narrows add, edit and delete for its current record.
    if (child)
        child->RefreshRecordRights();
}

void TMainFm::PressNavigator(DataNavigator::Button button)
{
    DataSet *ds = DBNavigator->dataSource() ? DBNavigator->dataSource()->dataSet() : nullptr;
    if (!ds || !ds->isActive())
        return;
    TChildFm *child = m_currentChild;
    PassId = MatchSide && child ? child->MatchedId() : ds->currentId();
    bool handedOver = true;
    if ((button == DataNavigator::Insert || button == DataNavigator::Edit) && child && child->SearchHistory()) {
        const QString manage = child->ManageCommand(MatchSide);
        // The row goes to its management window; when that does not open,
        // nothing is changed in the search result itself.
        handedOver = !manage.isEmpty() && OpenChild(manage);
    }
    if (handedOver && button == DataNavigator::Delete && m_currentChild
        && !m_currentChild->LogActivities().isEmpty()) {
        // Before the question: the attempt is logged also when it is then cancelled.
        WriteRecordLog(m_currentChild->LogActivities().deleted, ReceiptLogDetails(receiptNo(ds)));
    }
    PassId = 0;
    MatchSide = false;
    if (handedOver)
        DBNavigator->press(button);
}

void TMainFm::LogStateChange(DataSet::State state)
{
    DataSet *ds = DM() ? DM()->dsNavigator->dataSet() : nullptr;
    if (!ds || !m_currentChild)
        return;
    const TChildFm::RecordActivities activities = m_currentChild->LogActivities();
    if (activities.isEmpty())
        return;
    if (state == DataSet::State::Edit)
        WriteRecordLog(activities.edited, ReceiptLogDetails(receiptNo(ds)));
    else if (state == DataSet::State::Insert)
        WriteRecordLog(activities.added, QStringLiteral(" "));
}

void TMainFm::StepHistory(bool older)
{
    TChildFm *child = m_currentChild;
    THistoryObject *history = child ? child->SearchHistory() : nullptr;
    if (!history)
        return;
    if (older)
        history->StepOlder();
    else
        history->StepNewer();
    child->ReplaySearch();
    RefreshToolbar();
}

void TMainFm::ExportCurrent()
{
    if (m_currentChild && (m_currentChild->SearchHistory() || m_currentChild->CanExport()))
        m_currentChild->ExportData();
}

} // namespace brel
