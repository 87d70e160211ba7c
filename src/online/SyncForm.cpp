#include "online/SyncForm.h"

#include "admin/CompactDbForm.h"
#include "base/Messages.h"
#include "datastore/DataSet.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
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

namespace {

/// The results the program's windows show: the exchange closes them with
/// the connection.
QList<DataSet *> shownResults(QWidget *dialog)
{
    QWidget *top = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    QList<DataSet *> out;
    if (top)
        for (DataSet *ds : top->findChildren<DataSet *>())
            if (ds->isActive())
                out << ds;
    return out;
}

} // namespace

void TSyncFm::synchronise()
{
    const QList<DataSet *> results = shownResults(this);
    // The connection closes for the exchange: a record being typed would be lost.
    for (DataSet *ds : results) {
        if (ds->isEditing()) {
            Messages::information(tr("有正在编辑的记录，请先保存或取消，然后再同步数据。"));
            return;
        }
    }
    QList<std::pair<QPointer<DataSet>, qint64>> reopen;
    for (DataSet *ds : results)
        reopen.append({QPointer<DataSet>(ds), ds->currentId()});
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
    // The windows show the file as the exchange left it, on the same rows
    // where those are still there.
    for (const auto &[ds, id] : reopen) {
        if (!ds || ds->isActive())
            continue;
        try {
            ds->open();
            if (id > 0)
                ds->locate(id);
        } catch (const EngineError &) {
            // The window shows no rows until its query runs again.
        }
    }
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
