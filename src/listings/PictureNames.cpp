#include "listings/PictureNames.h"

#include <QDir>
#include <QFileInfo>

namespace brel {

namespace {

QString makeName(const QString &fileName, const QDateTime &at, int copy)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? name : name.left(dot);
    QString tail = at.time().toString(QStringLiteral("hh:mm:ss"));
    if (copy > 1)
        tail += QLatin1Char('-') + QString::number(copy);
    if (dot >= 0)
        tail += QLatin1Char('.') + name.mid(dot + 1);
    // Folder names never hold ":" here; file names must not either.
    tail.replace(QLatin1Char(':'), QLatin1Char('.'));
    return base + at.date().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('.') + tail;
}

} // namespace

QString MakePictureName(const QString &fileName, const QDateTime &at)
{
    return makeName(fileName, at, 1);
}

QString UniquePictureName(const QString &folder, const QString &fileName, const QDateTime &at)
{
    const QDir dir(folder);
    for (int copy = 1;; ++copy) {
        const QString name = makeName(fileName, at, copy);
        if (!QFileInfo::exists(dir.filePath(name)))
            return name;
    }
}

} // namespace brel
