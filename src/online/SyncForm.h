#pragma once

#include "online/SyncWorkingFile.h"
#include "shell/EnterForm.h"

class QLabel;
class QPushButton;

namespace brel {

/// "同步房屋信息数据": synchronises the working file with the brokerage's
/// shared archive on the server.
class TSyncFm : public TEnterFm {
    Q_OBJECT
public:
    explicit TSyncFm(QWidget *parent = nullptr);

    QLabel *lbHint = nullptr;
    QLabel *lbStatus = nullptr;
    QLabel *lbProgressCaption = nullptr;
    QLabel *lbProgress = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancle = nullptr;

    /// How the last run ended (ok false before the first).
    const SyncOutcome &lastOutcome() const { return m_outcome; }

    /// 同步数据: the dialog, modal over parent.
    static void Run(QWidget *parent);

public slots:
    /// 同步: both buttons are disabled and the cursor busy while it runs.
    void synchronise();

private:
    void setStatus(const QString &text);
    void showBytes(qint64 bytes);

    SyncOutcome m_outcome;
};

} // namespace brel
