#pragma once

#include "shell/DesktopChildForm.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace brel {

/// "数据文件维护": backup, restore, compaction and the integrity check of the
/// working file; the administrator's alone (the main window sees to that).
class TDataFm : public TDesktopChildFm {
    Q_OBJECT
public:
    explicit TDataFm(QWidget *parent = nullptr);

    QPushButton *btnBackup = nullptr;
    QPushButton *btnRestore = nullptr;
    QPushButton *btnCompress = nullptr;
    QPushButton *btnCheck = nullptr;
    QProgressBar *pbWork = nullptr;

    /// The message of the integrity check: sound, or what was found.
    static QString CheckResultText(const QStringList &findings);

public slots:
    /// 数据文件备份: a consistent copy of the working file where the user says.
    void backup();
    /// 数据文件恢复: a checked data file copied into the working file's folder.
    void restore();
    /// 数据文件整理.
    void compress();
    /// 检查数据文件: the engine's integrity check of the working file.
    void check();

private:
    /// Runs work with the buttons disabled, the cursor busy and the bar for
    /// anything over a second.
    template <typename Work> auto busy(Work &&work);
};

} // namespace brel
