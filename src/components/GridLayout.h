#pragma once

#include <QSettings>
#include <QString>
#include <QVector>

namespace brel {

/// Width and visibility of one grid column, known by its name (the field).
struct ColumnLayout {
    QString name;
    int width = 0;
    bool visible = true;
    bool operator==(const ColumnLayout &o) const
    {
        return name == o.name && width == o.width && visible == o.visible;
    }
};

/// A grid's columns in their shown order.
using GridLayoutState = QVector<ColumnLayout>;

/// Stores a layout under key (e.g. "Software/Quorvane/Brelvanto/dgLog").
void saveGridLayout(QSettings &settings, const QString &key, const GridLayoutState &layout);
/// Reads what saveGridLayout stored; empty when nothing (usable) is there.
GridLayoutState loadGridLayout(QSettings &settings, const QString &key);

/// The layout to show for the grid's current columns: columns the saved
/// layout knows take its order, width and visibility; columns it does not
/// know keep their own settings and stay after the column they followed;
/// saved columns the grid no longer has are ignored.
GridLayoutState mergeGridLayout(const GridLayoutState &saved, const GridLayoutState &current);

} // namespace brel
