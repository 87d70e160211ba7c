#include "shell/EnterForm.h"

#include <QApplication>
#include <QKeyEvent>

namespace brel {

TEnterFm::TEnterFm(QWidget *parent)
    : QDialog(parent)
{
    // Keys go to the focused control first; watching the application is the
    // way to see them before any control of this window does.
    qApp->installEventFilter(this);
}

TEnterFm::~TEnterFm()
{
    qApp->removeEventFilter(this);
}

void TEnterFm::AppMessage(QEvent *event)
{
    Q_UNUSED(event);
}

void TEnterFm::enterPressed(QWidget *control)
{
    Q_UNUSED(control);
}

bool TEnterFm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return QDialog::eventFilter(watched, event);
    auto *control = static_cast<QWidget *>(watched);
    // Only the first delivery counts: an ignored key travels on to the parents,
    // which must not move the focus a second time. isAncestorOf stays inside
    // one window, so a dialog opened over this one keeps its own keys.
    if (!isAncestorOf(control) || control->window()->focusWidget() != control)
        return QDialog::eventFilter(watched, event);
    focusNextChild();
    enterPressed(control);
    return false;
}

} // namespace brel
