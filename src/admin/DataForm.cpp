#include "admin/DataForm.h"

#include "admin/CompactDbForm.h"
#include "base/FileDialogs.h"
#include "base/Messages.h"
#include "datastore/DataFiles.h"
#include "datastore/DataModule.h"
#include "datastore/Globalvar.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace brel {

TDataFm::TDataFm(QWidget *parent)
    : TDesktopChildFm(parent)
{
    setObjectName(QStringLiteral("DataFm"));
    setWindowTitle(tr("数据文件维护"));
    setDesktopSize(640, 400);

    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, pnDesktop);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumWidth(150);
        return b;
    };
    btnBackup = button("btnBackup", tr("数据文件备份"));
    btnRestore = button("btnRestore", tr("数据文件恢复"));
    btnCompress = button("btnCompress", tr("数据文件整理"));
    btnCheck = button("btnCheck", tr("检查数据文件"));
    pbWork = new QProgressBar(pnDesktop);
    pbWork->setObjectName(QStringLiteral("pbWork"));
    pbWork->setRange(0, 100);
    pbWork->setAccessibleName(tr("进度"));
    pbWork->hide();

    auto *grid = new QGridLayout;
    auto row = [&](int r, QPushButton *b, const QString &text) {
        grid->addWidget(b, r, 0, Qt::AlignTop);
        QLabel *l = WrappedLabel(text, pnDesktop);
        l->setBuddy(b);
        grid->addWidget(l, r, 1);
    };
    row(0, btnBackup, tr("把当前工作数据文件完整地复制一份，保存到您选择的位置。建议定期备份，并把备份保存在另一块磁盘或者移动存储器上。"));
    row(1, btnRestore, tr("把一个备份的数据文件复制到工作数据文件所在的文件夹。恢复后，请在“设置工作数据文件”中选择它开始使用。"));
    row(2, btnCompress, tr("去掉数据文件中的空闲空间，使数据文件变小、程序运行更快。"));
    row(3, btnCheck, tr("检查当前工作数据文件是否完好。备份之前先检查，可以及早发现损坏的数据文件。"));
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(18);

    auto *layout = new QVBoxLayout(pnDesktop);
    layout->addLayout(grid);
    layout->addWidget(pbWork);
    layout->addStretch();

    setTabOrder(btnBackup, btnRestore);
    setTabOrder(btnRestore, btnCompress);
    setTabOrder(btnCompress, btnCheck);
    setFirstControl(btnBackup);
    connect(btnBackup, &QPushButton::clicked, this, &TDataFm::backup);
    connect(btnRestore, &QPushButton::clicked, this, &TDataFm::restore);
    connect(btnCompress, &QPushButton::clicked, this, &TDataFm::compress);
    connect(btnCheck, &QPushButton::clicked, this, &TDataFm::check);
}

template <typename Work> auto TDataFm::busy(Work &&work)
{
    const QList<QPushButton *> buttons = {btnBackup, btnRestore, btnCompress, btnCheck};
    for (QPushButton *b : buttons)
        b->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        QList<QPushButton *> buttons;
        ~Restore()
        {
            QApplication::restoreOverrideCursor();
            for (QPushButton *b : buttons)
                b->setEnabled(true);
        }
    } restore{buttons};
    SlowWorkBar bar(pbWork);
    return work([&bar](int percent) { bar(percent); });
}

void TDataFm::backup()
{
    FileDialogs::Request request;
    request.kind = FileDialogs::Kind::Save;
    request.caption = tr("当前数据文件备份到...");
    request.fileName = WorkingFile;
    request.filters = DataFileFilters();
    request.defaultSuffix = QStringLiteral("mdb");
    request.confirmOverwrite = true;
    const FileDialogs::Result chosen = FileDialogs::ask(request);
    if (!chosen.accepted || chosen.fileName.isEmpty())
        return;
    QString reason;
    const bool ok = busy([&](const CopyProgress &progress) { return BackupWorkingFile(chosen.fileName, &reason, progress); });
    if (ok)
        Messages::information(tr("数据文件备份成功！"));
    else
        Messages::error(tr("数据文件备份失败！\n备份文件：%1\n原因：%2")
                            .arg(QDir::toNativeSeparators(QFileInfo(chosen.fileName).absoluteFilePath()), reason));
}

void TDataFm::restore()
{
    FileDialogs::Request request;
    request.kind = FileDialogs::Kind::Open;
    request.caption = tr("恢复数据文件...");
    request.fileName = QFileInfo(WorkingFile).absolutePath();
    request.filters = DataFileFilters();
    request.defaultSuffix = QStringLiteral("mdb");
    const FileDialogs::Result chosen = FileDialogs::ask(request);
    if (!chosen.accepted || chosen.fileName.isEmpty())
        return;
    QString target, reason;
    switch (CheckRestoreSource(chosen.fileName, &target, &reason)) {
    case RestoreCheck::NotDataFile:
        Messages::error(tr("不能恢复这个文件：它不是可以使用的数据文件。\n%1").arg(reason));
        return;
    case RestoreCheck::WorkingFile:
        Messages::information(reason);
        return;
    case RestoreCheck::Overwrites:
        if (!Messages::askYesNo(tr("“%1”已存在，是否覆盖？").arg(QDir::toNativeSeparators(target))))
            return;
        break;
    case RestoreCheck::Usable:
        break;
    }
    const bool ok = busy([&](const CopyProgress &progress) { return RestoreDataFile(chosen.fileName, target, &reason, progress); });
    if (ok)
        Messages::information(tr("数据文件恢复成功！请选择“设置工作数据文件”界面开始使用此数据文件。"));
    else
        Messages::error(tr("数据文件恢复失败！\n%1").arg(reason));
}

void TDataFm::compress()
{
    TCompactDbFm dialog(this);
    dialog.exec();
}

QString TDataFm::CheckResultText(const QStringList &findings)
{
    if (findings.isEmpty())
        return tr("数据文件检查完毕，没有发现问题。");
    QStringList shown = findings.mid(0, 5);
    if (findings.size() > shown.size())
        shown << tr("……");
    return tr("数据文件已损坏！检查发现 %1 处问题：\n%2\n请不要再用它备份；请用最近一次完好的备份恢复数据文件。")
        .arg(findings.size())
        .arg(shown.join(QLatin1Char('\n')));
}

void TDataFm::check()
{
    TDM *dm = DM();
    if (!dm)
        return;
    QStringList findings;
    busy([&](const CopyProgress &) {
        try {
            dm->DbBase->ensureOpen();
            findings = dm->DbBase->integrityCheck();
        } catch (const EngineError &e) {
            findings << e.message();
        }
        return 0;
    });
    if (findings.isEmpty())
        Messages::information(CheckResultText(findings));
    else
        Messages::error(CheckResultText(findings));
}

} // namespace brel
