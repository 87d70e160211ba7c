#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace brel::datagen {

/// Draws floor plan number `index` (0-based; the layouts repeat with variation).
QImage drawFloorPlan(int index);

/// Writes an RGB baseline JPEG with libjpeg; throws std::runtime_error on failure.
void writeJpeg(const QImage &image, const QString &path, int quality = 85);

/// Makes the sample floor plans in folder; returns their bare file names.
QStringList writeFloorPlans(const QString &folder, int count);

} // namespace brel::datagen
