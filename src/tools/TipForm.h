#pragma once

#include "shell/EnterForm.h"
#include "tools/Tips.h"

class QLabel;
class QPushButton;

namespace brel {

class TMainFm;

/// "使用小窍门": the usage tips, one at a time, from the first.
class TTipFm : public TEnterFm {
    Q_OBJECT
public:
    explicit TTipFm(QWidget *parent = nullptr);

    QLabel *lbTitle = nullptr;
    QLabel *lbTip = nullptr;
    QPushButton *btnPre = nullptr;
    QPushButton *btnNext = nullptr;
    QPushButton *btnClose = nullptr;

    /// Index of the tip shown (0 to 6).
    int current() const { return m_index; }

    /// 软件使用小窍门: the dialog, modal over parent.
    static void Run(QWidget *parent);
    /// Shows the tips once after the first login of the program's first
    /// start on this machine (firstStart: the login dialog had never been shown).
    static void ShowAfterFirstLogin(TMainFm *mainForm, bool firstStart);

private:
    void showTip(int index);

    QVector<UsageTip> m_tips;
    int m_index = 0;
};

} // namespace brel
