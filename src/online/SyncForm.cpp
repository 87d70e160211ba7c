#include "online/SyncForm.h"

#include "admin/CompactDbForm.h"
#include "base/Messages.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace brel {

TSyncFm::TSyncFm(QWidget *parent)
    : TEnterFm(parent)
{
    setObjectName(QStringLiteral("SyncFm"));
    setWindowTitle(tr("同步房屋信息数据"));
    setModal(true);
    lbHint = WrappedLabel(tr("        当您拥有几家分店时，是否感到手工抄录交流房屋信息的不便呢？房屋信息同步功能将自动同步更新您几家分店的"
                             "房屋信息数据，使每个分店的信息保持一致。永远解除您手工抄录的烦恼。"),
                          this);
    lbHint->setObjectName(QStringLiteral("lbHint"));
    lbHint->setMinimumWidth(420);
    // A wrapped label does not ask for its height by itself: four lines fit the text.
    lbHint->setMinimumHeight(lbHint->fontMetrics().lineSpacing() * 4);

    auto *statusCaption = new QLabel(tr("状态："), this);
    lbStatus = new QLabel(tr("同步准备就绪"), this);
    lbStatus->setObjectName(QStringLiteral("lbStatus"));
    lbStatus->setAccessibleName(tr("状态"));
    lbStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbProgressCaption = new QLabel(tr("完成进度："), this);
    lbProgress = new QLabel(this);
    lbProgress->setObjectName(QStringLiteral("lbProgress"));
    lbProgress->setAccessibleName(tr("完成进度"));
    showBytes(0);
    // Shown once data move: until then there is nothing to count.
    lbProgressCaption->hide();
    lbProgress->hide();

    btnOk = new QPushButton(tr("同步"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancle = new QPushButton(tr("取消"), this);
    btnCancle->setObjectName(QStringLiteral("btnCancle"));
    for (QPushButton *b : {btnOk, btnCancle})
        b->setAutoDefault(false);

    auto *lines = new QGridLayout;
    lines->addWidget(statusCaption, 0, 0);
    lines->addWidget(lbStatus, 0, 1);
    lines->addWidget(lbProgressCaption, 1, 0);
    lines->addWidget(lbProgress, 1, 1);
    lines->setColumnStretch(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancle);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lbHint);
    layout->addSpacing(8);
    layout->addLayout(lines);
    layout->addStretch();
    layout->addLayout(buttons);
    resize(480, 230);
    setTabOrder(btnOk, btnCancle);
    btnOk->setFocus();

    connect(btnOk, &QPushButton::clicked, this, &TSyncFm::synchronise);
    connect(btnCancle, &QPushButton::clicked, this, &QDialog::reject);
}

void TSyncFm::setStatus(const QString &text)
{
    lbStatus->setText(text);
}

void TSyncFm::showBytes(qint64 bytes)
{
    lbProgress->setText(tr("完成同步 %1 kb数据").arg(bytes / 1024));
    if (bytes > 0) {
        lbProgressCaption->show();
        lbProgress->show();
    }
}

void TSyncFm::synchronise()
{
    btnOk->setEnabled(false);
    btnCancle->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SyncEvents events;
    events.status = [this](const QString &text) { setStatus(text); };
    events.transferred = [this](qint64 bytes) { showBytes(bytes); };
    // The run waits on the network on this thread: the window repaints
    // meanwhile, and typing and clicks wait until it ends.
    events.working = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    m_outcome = SyncWorkingFile(events);
    QApplication::restoreOverrideCursor();
    btnOk->setEnabled(true);
    btnCancle->setEnabled(true);
    btnOk->setFocus();
    if (!m_outcome.message.isEmpty())
        Messages::information(m_outcome.message);
}

void TSyncFm::Run(QWidget *parent)
{
    TSyncFm dialog(parent);
    dialog.exec();
}

} // namespace brel
