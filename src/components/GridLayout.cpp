#include "components/GridLayout.h"

#include <QHash>
#include <QSet>

namespace brel {

namespace {
constexpr int LayoutVersion = 1;
constexpr int MaxWidth = 4000;
} // namespace

void saveGridLayout(QSettings &settings, const QString &key, const GridLayoutState &layout)
{
    settings.remove(key);
    settings.beginGroup(key);
    settings.setValue(QStringLiteral("Version"), LayoutVersion);
    QStringList names;
    for (const ColumnLayout &c : layout)
        names << c.name;
    settings.setValue(QStringLiteral("Columns"), names);
    for (const ColumnLayout &c : layout) {
        settings.setValue(c.name + QStringLiteral("/Width"), c.width);
        settings.setValue(c.name + QStringLiteral("/Visible"), c.visible);
    }
    settings.endGroup();
    settings.sync();
}

GridLayoutState loadGridLayout(QSettings &settings, const QString &key)
{
    GridLayoutState out;
    settings.beginGroup(key);
    const QStringList names = settings.value(QStringLiteral("Columns")).toStringList();
    QSet<QString> seen;
    for (const QString &name : names) {
        if (name.isEmpty() || seen.contains(name))
            continue;
        seen.insert(name);
        ColumnLayout c;
        c.name = name;
        bool ok = false;
        const int width = settings.value(name + QStringLiteral("/Width")).toInt(&ok);
        c.width = ok && width > 0 && width <= MaxWidth ? width : 0;
        const QVariant visible = settings.value(name + QStringLiteral("/Visible"));
        c.visible = visible.isValid() ? visible.toBool() : true;
        out << c;
    }
    settings.endGroup();
    return out;
}

GridLayoutState mergeGridLayout(const GridLayoutState &saved, const GridLayoutState &current)
{
    QHash<QString, int> currentIndex;
    for (int i = 0; i < current.size(); ++i)
        currentIndex.insert(current.at(i).name, i);

    GridLayoutState out;
    QSet<QString> placed;
    for (const ColumnLayout &s : saved) {
        const auto it = currentIndex.constFind(s.name);
        if (it == currentIndex.cend() || placed.contains(s.name))
            continue;
        ColumnLayout c = current.at(*it);
        if (s.width > 0)
            c.width = s.width;
        c.visible = s.visible;
        out << c;
        placed.insert(s.name);
    }
    // Columns the saved layout did not know follow the column before them.
    for (int i = 0; i < current.size(); ++i) {
        const ColumnLayout &c = current.at(i);
        if (placed.contains(c.name))
            continue;
        int at = 0;
        for (int j = i - 1; j >= 0; --j) {
            const QString &before = current.at(j).name;
            if (!placed.contains(before))
                continue;
            for (int k = 0; k < out.size(); ++k)
                if (out.at(k).name == before)
                    at = k + 1;
            break;
        }
        out.insert(at, c);
        placed.insert(c.name);
    }
    return out;
}

} // namespace brel
