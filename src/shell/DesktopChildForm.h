#pragma once

#include "shell/ChildForm.h"

class QFrame;

namespace brel {

/// A child window whose controls sit on the fixed-size panel pnDesktop, kept
/// centred in the window.
class TDesktopChildFm : public TChildFm {
    Q_OBJECT
public:
    explicit TDesktopChildFm(QWidget *parent = nullptr);

    /// Holds all of the window's controls; 700 by 450 unless a subclass
    /// gives it another size.
    QFrame *pnDesktop = nullptr;
    void setDesktopSize(int width, int height);

    /// Offset of a panel of extent inner centred in outer: half the
    /// difference, halves rounded to even.
    static int centredOffset(int outer, int inner);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void centreDesktop();
};

} // namespace brel
