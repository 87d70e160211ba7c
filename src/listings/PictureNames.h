#pragma once

#include <QDateTime>
#include <QString>

namespace brel {

/// The name under which a chosen floor plan is stored in the picture folder:
/// the file name up to its first ".", the date as "yyyy-MM-dd", ".", the time
/// as "hh.mm.ss", ".", the rest after that first "." (plan.jpg added on
/// 2005-03-01 at 14:05:09 gives plan2005-03-01.14.05.09.jpg). A name without
/// a "." gets no trailing point. fileName may carry a folder; only its name counts.
QString MakePictureName(const QString &fileName, const QDateTime &at);

/// MakePictureName, but never the name of a file already in folder: a
/// second picture made in the same second gets "-2", "-3", ... after the time,
/// so an existing picture is never overwritten.
QString UniquePictureName(const QString &folder, const QString &fileName, const QDateTime &at);

} // namespace brel
