#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace brel {

/// The pictures of the main window's tool bar, drawn in code so the program
/// carries no image files for them. Known names: login, away, add, edit,
/// delete, save, cancel, refresh, forward, backward, first, prior, next,
/// last, export, sync, help. An unknown name gives a plain framed square.
QIcon ToolIcon(const QString &name);

/// The product's narrow upright logo for the side band of the first menu:
/// the name written bottom to top above a small house, light on black.
/// The black is meant to be see-through where the logo is laid on colour.
QImage BrelvantoLogo();

} // namespace brel
