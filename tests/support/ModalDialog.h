#pragma once

// Drives a modal dialog that a command opens and runs to its end: the
// test's steps run inside the dialog's own event loop.

#include <QApplication>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace brel::test {

/// Runs trigger (which opens a dialog of type D and returns when it closes)
/// and, once the dialog is the active modal window, inside(dialog); inside
/// must close it. False when no such dialog came up.
template <class D>
bool whileModal(const std::function<void()> &trigger, const std::function<void(D *)> &inside)
{
    bool opened = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<D *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop();
        opened = true;
        inside(dialog);
        if (dialog->isVisible())
            dialog->reject(); // a failed check must not leave the test waiting
    });
    poll.start();
    trigger();
    poll.stop();
    return opened;
}

} // namespace brel::test
