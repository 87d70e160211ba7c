#include "shell/DesktopChildForm.h"

#include <QFrame>
#include <QResizeEvent>

namespace brel {

TDesktopChildFm::TDesktopChildFm(QWidget *parent)
    : TChildFm(parent)
{
    pnDesktop = new QFrame(this);
    pnDesktop->setObjectName(QStringLiteral("pnDesktop"));
    setDesktopSize(700, 450);
}

void TDesktopChildFm::setDesktopSize(int width, int height)
{
    pnDesktop->setFixedSize(width, height);
    centreDesktop();
}

int TDesktopChildFm::centredOffset(int outer, int inner)
{
    const int diff = outer - inner;
    if (diff % 2 == 0)
        return diff / 2;
    // diff / 2 lies halfway between two integers: take the even one.
    const int lower = diff < 0 ? (diff - 1) / 2 : diff / 2;
    return lower % 2 == 0 ? lower : lower + 1;
}

void TDesktopChildFm::resizeEvent(QResizeEvent *event)
{
    TChildFm::resizeEvent(event);
    centreDesktop();
}

void TDesktopChildFm::centreDesktop()
{
    pnDesktop->move(centredOffset(width(), pnDesktop->width()), centredOffset(height(), pnDesktop->height()));
}

} // namespace brel
