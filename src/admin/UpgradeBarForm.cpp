#include "admin/UpgradeBarForm.h"

#include "datastore/DataModule.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace brel {

namespace {

QPointer<TUpgradeBarFm> g_instance;

/// Lets the window paint and its bar move without letting the user start
/// anything else in the middle of the upgrade.
void letEventsThrough()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

TUpgradeBarFm::TUpgradeBarFm(QWidget *parent) : TEnterFm(parent)
{
    setObjectName(QStringLiteral("UpgradeBarFm"));
    setWindowTitle(tr("数据文件升级"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setAttribute(Qt::WA_DeleteOnClose);

    auto *layout = new QVBoxLayout(this);
    lbMessage = new QLabel(tr("正在进行数据文件升级，请不要终止此过程..."), this);
    lbMessage->setObjectName(QStringLiteral("lbMessage"));
    pbUpgrade = new QProgressBar(this);
    pbUpgrade->setObjectName(QStringLiteral("pbUpgrade"));
    pbUpgrade->setRange(0, 100);
    pbUpgrade->setValue(0);
    pbUpgrade->setTextVisible(false);
    pbUpgrade->setAccessibleName(lbMessage->text());
    lbMessage->setBuddy(pbUpgrade);
    layout->addWidget(lbMessage);
    layout->addWidget(pbUpgrade);

    tmActivity = new QTimer(this);
    tmActivity->setObjectName(QStringLiteral("tmActivity"));
    tmActivity->setInterval(500);
    connect(tmActivity, &QTimer::timeout, this, &TUpgradeBarFm::stepBar);
    tmActivity->start();

    adjustSize();
    setFixedSize(qMax(width(), 360), height());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TUpgradeBarFm::~TUpgradeBarFm() = default;

TUpgradeBarFm *TUpgradeBarFm::Instance()
{
    return g_instance.data();
}

void TUpgradeBarFm::stepBar()
{
    const int next = pbUpgrade->value() + 10;
    pbUpgrade->setValue(next > pbUpgrade->maximum() ? 0 : next);
}

void ShowUpgradeBar()
{
    if (!g_instance)
        g_instance = new TUpgradeBarFm;
    letEventsThrough();
    // It stays on top by itself; a later step finds it shown already.
    if (!g_instance->isVisible())
        g_instance->show();
    letEventsThrough();
}

void CloseUpgradeBar()
{
    if (g_instance) {
        TUpgradeBarFm *window = g_instance.data();
        g_instance = nullptr;
        window->close();
        // Closing only schedules the deletion; the window must not outlive the upgrade.
        delete window;
    }
}

UpgradeProgress UpgradeBarProgress()
{
    UpgradeProgress p;
    p.stepStarted = [](const QString &, const QString &) { ShowUpgradeBar(); };
    p.working = [] { letEventsThrough(); };
    p.finished = [] { CloseUpgradeBar(); };
    return p;
}

void InstallUpgradeHook(TDM &dm)
{
    dm.hooks.upgrade = [] { UpgradeDb(UpgradeBarProgress()); };
}

} // namespace brel
