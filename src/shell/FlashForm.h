#pragma once

#include <QDialog>
#include <QPixmap>

class QTimer;

namespace brel {

/// The splash window: a borderless 480 x 300 picture centred on the desktop
/// that closes itself after a while (5000 ms; BRELVANTO_SPLASH_MS may shorten
/// it, and 0 skips the splash).
class TFlashFm : public QDialog {
    Q_OBJECT
public:
    static constexpr int DefaultCloseDelay = 5000;

    explicit TFlashFm(QWidget *parent = nullptr);

    /// Milliseconds from showing to closing.
    void setCloseDelay(int ms);
    int closeDelay() const { return m_delay; }

    /// The splash picture, painted for the product.
    static QPixmap splashPicture();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer *m_timer;
    QPixmap m_picture;
    int m_delay = DefaultCloseDelay;
};

/// Shows the splash modally; returns when it has closed itself (it frees
/// itself). With a close delay of 0 (BRELVANTO_SPLASH_MS=0) nothing is shown.
void ShowSplash();

} // namespace brel
