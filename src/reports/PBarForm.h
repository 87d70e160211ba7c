#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace brel {

/// The small window shown while a report lays its records out: borderless,
/// on top, centred on the desktop. At most one exists at a time; the main
/// window is disabled while it is up. 取消 (or Escape) asks the run to stop.
class TPBarFm : public QWidget {
    Q_OBJECT
public:
    explicit TPBarFm(QWidget *owner);
    ~TPBarFm() override;

    /// The progress window of the running report, nullptr when none.
    static TPBarFm *current();

    QLabel *Label1 = nullptr;
    QProgressBar *ProgressBar = nullptr;
    QPushButton *btnCancel = nullptr;

signals:
    void cancelRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

/// Destroys any progress window, makes one owned by owner with count steps,
/// shows it and disables the main window.
void ShowProgress(int count, QWidget *owner);
/// One step; the last one destroys the window and enables the main window.
/// Nothing without a progress window. Lets the window paint and its 取消 work.
void StepProgress();
/// Ends a run that stopped before its last step: destroys the progress window
/// when one is left and enables the main window.
void EndProgress();

} // namespace brel
