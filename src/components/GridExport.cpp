#include "components/GridExport.h"

#include "base/FileDialogs.h"
#include "base/Messages.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace brel {

ExportFormat exportFormatFor(const QString &fileName, int filterIndex)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    for (ExportFormat f : {ExportFormat::Excel, ExportFormat::Text, ExportFormat::Html, ExportFormat::Xml})
        if (suffix == exportSuffix(f) || (f == ExportFormat::Html && suffix == QLatin1String("html")))
            return f;
    return filterIndex >= 0 && filterIndex <= 3 ? ExportFormat(filterIndex) : ExportFormat::Excel;
}

std::optional<ExportTarget> askExportTarget(const QString &proposedPath)
{
    FileDialogs::Request request;
    request.kind = FileDialogs::Kind::Save;
    request.caption = QCoreApplication::translate("brel::GridExport", "当前显示数据导出到...");
    request.fileName = proposedPath;
    request.filters = exportFilters();
    request.defaultSuffix = exportSuffix(ExportFormat::Excel);
    request.confirmOverwrite = true;
    const FileDialogs::Result answer = FileDialogs::ask(request);
    if (!answer.accepted || answer.fileName.isEmpty())
        return std::nullopt;
    ExportTarget target;
    target.format = exportFormatFor(answer.fileName, answer.filterIndex);
    target.path = answer.fileName;
    if (QFileInfo(target.path).suffix().isEmpty())
        target.path += QLatin1Char('.') + exportSuffix(target.format);
    return target;
}

bool exportWithDialog(TableSource &source, const QString &proposedPath, const QString &title)
{
    const auto target = askExportTarget(proposedPath);
    if (!target)
        return false;
    QString error;
    if (!exportToFile(target->format, source, target->path, title, &error)) {
        Messages::error(error);
        return false;
    }
    return true;
}

} // namespace brel
