#pragma once

#include "shell/EnterForm.h"

class QLineEdit;
class QPushButton;

namespace brel {

/// "新建数据文件": a new data file in the program's Data folder, copied
/// from the blank template. It does not become the working file.
class TNewDataFm : public TEnterFm {
    Q_OBJECT
public:
    explicit TNewDataFm(QWidget *parent = nullptr);

    QLineEdit *edDataFile = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnClose = nullptr;

public slots:
    /// Checks the name and copies the template; closes on success.
    void create();
};

} // namespace brel
