#include "admin/CompactDbForm.h"

#include "base/Messages.h"
#include "datastore/DataFiles.h"
#include "datastore/DataModule.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace brel {

QLabel *WrappedLabel(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setWordWrap(true);
    return l;
}

SlowWorkBar::SlowWorkBar(QProgressBar *bar) : m_bar(bar)
{
    m_clock.start();
    m_bar->setValue(0);
}

SlowWorkBar::~SlowWorkBar()
{
    m_bar->hide();
}

void SlowWorkBar::operator()(int percent)
{
    if (m_clock.elapsed() < ShowAfterMs)
        return;
    m_bar->setValue(percent);
    m_bar->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

TCompactDbFm::TCompactDbFm(QWidget *parent)
    : TEnterFm(parent)
{
    setObjectName(QStringLiteral("CompactDbFm"));
    setWindowTitle(tr("整理数据文件"));
    lbHint = WrappedLabel(tr("    每隔一段时间您应该使用“数据文件整理”功能整理您的数据文件。这样您的数据文件会变小、程序运行效率提高。"),
                          this);
    lbHint->setMinimumWidth(380);
    pbCompact = new QProgressBar(this);
    pbCompact->setObjectName(QStringLiteral("pbCompact"));
    pbCompact->setRange(0, 100);
    pbCompact->setAccessibleName(tr("整理进度"));
    pbCompact->hide();
    btnOk = new QPushButton(tr("开始"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnClose = new QPushButton(tr("关闭"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnOk->setAutoDefault(false);
    btnClose->setAutoDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbHint);
    layout->addWidget(pbCompact);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);
    setTabOrder(btnOk, btnClose);
    connect(btnOk, &QPushButton::clicked, this, &TCompactDbFm::compact);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

QString TCompactDbFm::ResultText(double ratio, const QString &reason)
{
    if (ratio != 0)
        return tr("数据文件整理完成！目前数据文件大小为整理前的 %1％").arg(CompactRatioText(ratio));
    if (reason.isEmpty())
        return tr("数据文件整理失败！");
    return tr("数据文件整理失败！%1").arg(reason);
}

void TCompactDbFm::compact()
{
    TDM *dm = DM();
    if (!dm)
        return;
    btnOk->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TDM::CompactFailure failure;
    double ratio = 0;
    {
        SlowWorkBar bar(pbCompact);
        ratio = dm->CompactWorkingFile(&failure, [&bar](int percent) { bar(percent); });
    }
    QApplication::restoreOverrideCursor();
    btnOk->setEnabled(true);
    if (failure.inUse)
        Messages::information(failure.reason);
    else
        Messages::information(ResultText(ratio, failure.reason));
}

} // namespace brel
