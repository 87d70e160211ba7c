#include "admin/NewDataForm.h"

#include "base/Messages.h"
#include "datastore/DataFiles.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace brel {

TNewDataFm::TNewDataFm(QWidget *parent)
    : TEnterFm(parent)
{
    setObjectName(QStringLiteral("NewDataFm"));
    setWindowTitle(tr("新建数据文件"));
    edDataFile = new QLineEdit(this);
    edDataFile->setObjectName(QStringLiteral("edDataFile"));
    edDataFile->setMinimumWidth(260);
    auto *label = new QLabel(tr("文件名称："), this);
    label->setBuddy(edDataFile);
    btnOk = new QPushButton(tr("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnClose = new QPushButton(tr("取消"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    // Enter moves on through the boxes (the window's rule): no default button.
    btnOk->setAutoDefault(false);
    btnClose->setAutoDefault(false);

    auto *grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(edDataFile, 0, 1);
    grid->addWidget(new QLabel(tr(".mdb"), this), 0, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnClose);
    grid->addLayout(buttons, 1, 0, 1, 3);

    setTabOrder(edDataFile, btnOk);
    setTabOrder(btnOk, btnClose);
    connect(btnOk, &QPushButton::clicked, this, &TNewDataFm::create);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TNewDataFm::create()
{
    QString target;
    switch (CheckNewDataFileName(edDataFile->text(), &target)) {
    case NewFileName::Invalid:
        Messages::warning(tr("请输入数据文件名称,且名称中不能包含空格字符。"));
        edDataFile->setFocus(Qt::OtherFocusReason);
        return;
    case NewFileName::Taken:
        Messages::error(tr("已有同名的数据文件,请重新命名。"));
        edDataFile->setFocus(Qt::OtherFocusReason);
        return;
    case NewFileName::Usable:
        break;
    }
    QString reason;
    if (!CreateDataFile(target, &reason)) {
        Messages::error(tr("新建数据文件失败！%1").arg(reason));
        edDataFile->setFocus(Qt::OtherFocusReason);
        return;
    }
    Messages::information(tr("新建数据文件成功！请使用“设置当前工作数据文件”功能，开始使用此数据文件。"));
    accept();
}

} // namespace brel
