#include "admin/DataLinkForm.h"

#include "admin/CompactDbForm.h"
#include "admin/NewDataForm.h"
#include "base/FileDialogs.h"
#include "base/Messages.h"
#include "datastore/DataFiles.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"
#include "shell/MainForm.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace brel {

TDataLinkFm::TDataLinkFm(QWidget *parent)
    : TDesktopChildFm(parent)
{
    setObjectName(QStringLiteral("DataLinkFm"));
    setWindowTitle(tr("工作数据文件设置"));
    setDesktopSize(640, 380);

    auto *newGroup = new QGroupBox(tr("新建数据文件"), pnDesktop);
    lbNewHint = WrappedLabel(tr("　　当您需要建立一套全新的数据文件时，可以使用此功能。（请不要使用系统“例子数据文件”记录您的房屋信息，此数据文件只能作为测试使用。）"),
                          newGroup);
    lbNewHint->setObjectName(QStringLiteral("lbNewHint"));
    btnNew = new QPushButton(tr("新建数据文件"), newGroup);
    btnNew->setObjectName(QStringLiteral("btnNew"));
    auto *newLayout = new QVBoxLayout(newGroup);
    newLayout->addWidget(lbNewHint);
    newLayout->addWidget(btnNew, 0, Qt::AlignRight);

    auto *linkGroup = new QGroupBox(tr("设置数据文件"), pnDesktop);
    lbLinkHint = WrappedLabel(tr("　　有时您需要建立多个数据文件，并且时常需要打开不同的数据文件录入业务数据。您可以通过“设置数据文件”功能切换工作数据文件。设置好后，请按［保存］按钮保存您的设置。"),
                           linkGroup);
    lbLinkHint->setObjectName(QStringLiteral("lbLinkHint"));
    edDataLink = new QLineEdit(QDir::toNativeSeparators(WorkingFile), linkGroup);
    edDataLink->setObjectName(QStringLiteral("edDataLink"));
    edDataLink->setReadOnly(true);
    edDataLink->setToolTip(edDataLink->text());
    btnDataLink = new QPushButton(tr("浏览..."), linkGroup);
    btnDataLink->setObjectName(QStringLiteral("btnDataLink"));
    btnDataLink->setToolTip(tr("选择数据文件"));
    auto *label = new QLabel(tr("数据文件路径"), linkGroup);
    label->setBuddy(edDataLink);
    btnOk = new QPushButton(tr("保存"), linkGroup);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    auto *linkLayout = new QGridLayout(linkGroup);
    linkLayout->addWidget(lbLinkHint, 0, 0, 1, 3);
    linkLayout->addWidget(label, 1, 0);
    linkLayout->addWidget(edDataLink, 1, 1);
    linkLayout->addWidget(btnDataLink, 1, 2);
    linkLayout->addWidget(btnOk, 2, 2);

    auto *layout = new QVBoxLayout(pnDesktop);
    layout->addWidget(newGroup);
    layout->addWidget(linkGroup);
    layout->addStretch();

    setTabOrder(btnNew, edDataLink);
    setTabOrder(edDataLink, btnDataLink);
    setTabOrder(btnDataLink, btnOk);
    setFirstControl(btnDataLink);
    connect(btnNew, &QPushButton::clicked, this, &TDataLinkFm::newFile);
    connect(btnDataLink, &QPushButton::clicked, this, &TDataLinkFm::chooseFile);
    connect(btnOk, &QPushButton::clicked, this, &TDataLinkFm::save);
}

void TDataLinkFm::chooseFile()
{
    FileDialogs::Request request;
    request.kind = FileDialogs::Kind::Open;
    request.caption = tr("设置当前工作数据文件...");
    request.fileName = DataFolder();
    request.filters = DataFileFilters();
    request.defaultSuffix = QStringLiteral("mdb");
    const FileDialogs::Result chosen = FileDialogs::ask(request);
    if (!chosen.accepted || chosen.fileName.isEmpty())
        return;
    edDataLink->setText(QDir::toNativeSeparators(chosen.fileName));
    edDataLink->setToolTip(edDataLink->text());
}

bool TDataLinkFm::save()
{
    const QString path = QDir::fromNativeSeparators(edDataLink->text());
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        Messages::warning(tr("数据文件不存在！请重新设置工作数据文件。"));
        return false;
    }
    TDM *dm = DM();
    if (!dm)
        return false;
    bool loggedIn = false;
    try {
        loggedIn = dm->OpenWorkingFile(path, WorkingFile.isEmpty());
    } catch (const EngineError &e) {
        // Nothing was switched: the previous file (if any) is still the working file.
        Messages::error(e.message());
        return false;
    }
    TMainFm *main = TMainFm::instance();
    if (!loggedIn) {
        // The previous file is still WorkingFile, and closing stores it as the default.
        if (main)
            main->close();
        return false;
    }
    if (main) {
        main->EnableAllCommands(true);
        main->ApplyRights();
        main->UpdateCaption();
        main->ShowLoginStatus();
    }
    return true;
}

void TDataLinkFm::newFile()
{
    TNewDataFm dialog(this);
    dialog.exec();
}

} // namespace brel
