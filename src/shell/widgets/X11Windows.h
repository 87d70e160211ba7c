#pragma once

#include <QList>
#include <QString>

namespace brel {

/// Other programs' top-level windows on the X display this program shows on.
/// Everything here works only on the "xcb" platform; on any other platform
/// (offscreen, wayland) nothing is found and nothing is raised.
///
/// Top-level windows are those the window manager lists in the root window's
/// _NET_CLIENT_LIST; without a window manager, the root window's children.
/// A window's title is its _NET_WM_NAME, or WM_NAME when that is missing.

/// The top-level windows whose title is exactly `title`, in the order the
/// window manager (or the X server's stacking, bottom first) lists them.
QList<quint32> FindWindowsTitled(const QString &title);

/// Maps `window`, stacks it above its siblings and asks the window manager to
/// activate it. False when the window does not exist or no X display is used.
bool RaiseWindow(quint32 window);

/// Raises the first top-level window titled exactly `title` (see RaiseWindow).
/// False when there is no such window.
bool RaiseWindowTitled(const QString &title);

} // namespace brel
