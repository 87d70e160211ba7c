#pragma once

#include "shell/DesktopChildForm.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace brel {

/// "工作数据文件设置": chooses the working data file. The main window also
/// opens it by itself when the file recorded at start-up does not exist.
class TDataLinkFm : public TDesktopChildFm {
    Q_OBJECT
public:
    explicit TDataLinkFm(QWidget *parent = nullptr);

    QLabel *lbNewHint = nullptr;
    QLabel *lbLinkHint = nullptr;
    QLineEdit *edDataLink = nullptr;
    QPushButton *btnDataLink = nullptr;
    QPushButton *btnNew = nullptr;
    QPushButton *btnOk = nullptr;

public slots:
    /// The open dialog in the program's Data folder; the chosen path goes
    /// into the box and its tool-tip.
    void chooseFile();
    /// Makes the file in the box the working file. After a login every
    /// command comes back, gated by the new user's rights; a cancelled or
    /// refused login closes the main window (the previous file stays the
    /// default). Returns whether somebody logged in to the file.
    bool save();
    /// 新建数据文件.
    void newFile();
};

} // namespace brel
