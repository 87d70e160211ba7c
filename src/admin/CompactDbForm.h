#pragma once

#include "shell/EnterForm.h"

#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace brel {

/// A label whose text wraps, for the explanations of the data-file windows.
QLabel *WrappedLabel(const QString &text, QWidget *parent);

/// Shows a long piece of work on a progress bar once it has taken more than
/// a second, and lets the window repaint meanwhile (typing and clicks wait:
/// the work runs on the window's own thread).
class SlowWorkBar {
public:
    explicit SlowWorkBar(QProgressBar *bar);
    ~SlowWorkBar();
    void operator()(int percent);
    /// Milliseconds before the bar appears (tests shorten it).
    static inline int ShowAfterMs = 1000;

private:
    QProgressBar *m_bar;
    QElapsedTimer m_clock;
};

/// "整理数据文件": compacts the working file.
class TCompactDbFm : public TEnterFm {
    Q_OBJECT
public:
    explicit TCompactDbFm(QWidget *parent = nullptr);

    QLabel *lbHint = nullptr;
    QProgressBar *pbCompact = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnClose = nullptr;

    /// The message after a compaction: the size left for a ratio other than
    /// 0, else the failure (with its reason when one is known).
    static QString ResultText(double ratio, const QString &reason = {});

public slots:
    /// 开始: the button is disabled and the cursor busy while it runs.
    void compact();
};

} // namespace brel
