#pragma once

#include <QIcon>
#include <QString>

namespace brel {

/// The pictures of the main window's tool bar, drawn in code so the program
/// carries no image files for them. Known names: login, away, add, edit,
/// delete, save, cancel, refresh, forward, backward, first, prior, next,
/// last, export, sync, help. An unknown name gives a plain framed square.
QIcon ToolIcon(const QString &name);

} // namespace brel
