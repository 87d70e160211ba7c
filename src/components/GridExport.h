#pragma once

#include "components/TableExport.h"

#include <QString>
#include <optional>

namespace brel {

struct ExportTarget {
    QString path;
    ExportFormat format = ExportFormat::Excel;
};

/// Asks for the export file ("当前显示数据导出到...", the four file types,
/// the proposed path); nullopt when cancelled. A name without a suffix gets
/// the chosen type's suffix.
std::optional<ExportTarget> askExportTarget(const QString &proposedPath);

/// The export command of the search and log windows: asks for a file
/// ("当前显示数据导出到...", the four file types, the proposed path), writes
/// every row of source in the chosen type and shows a failure as an error
/// message. Returns true when a file was written, false when cancelled or failed.
bool exportWithDialog(TableSource &source, const QString &proposedPath, const QString &title = {});

/// The export type of a dialog answer: the chosen type, unless the typed
/// name ends in another type's suffix.
ExportFormat exportFormatFor(const QString &fileName, int filterIndex);

} // namespace brel
