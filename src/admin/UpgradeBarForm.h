#pragma once

#include "datastore/Upgrade.h"
#include "shell/EnterForm.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace brel {

class TDM;

/// "数据文件升级": shown while a data file is brought to the current build.
/// The bar only shows that work goes on: a 500 ms timer moves it a step of
/// 10 and starts it again from 0 once it is full.
class TUpgradeBarFm : public TEnterFm {
    Q_OBJECT
public:
    explicit TUpgradeBarFm(QWidget *parent = nullptr);
    ~TUpgradeBarFm() override;

    /// The one window, nullptr when none is shown.
    static TUpgradeBarFm *Instance();

    QLabel *lbMessage = nullptr;
    QProgressBar *pbUpgrade = nullptr;
    QTimer *tmActivity = nullptr;

public slots:
    /// One tick of the activity timer.
    void stepBar();

protected:
    /// The window cannot be closed by the user while the upgrade runs.
    void reject() override {}
};

/// Makes the window if none exists, lets pending events through once and shows it.
void ShowUpgradeBar();
/// Closes (and frees) the window when it exists.
void CloseUpgradeBar();

/// The upgrade's progress shown through TUpgradeBarFm.
UpgradeProgress UpgradeBarProgress();

/// Fills dm.hooks.upgrade: UpgradeDb with the upgrade window.
void InstallUpgradeHook(TDM &dm);

} // namespace brel
