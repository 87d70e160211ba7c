#include "shell/widgets/FileDialogsImpl.h"

#include <QApplication>
#include <QFileDialog>

namespace brel {

FileDialogs::Result FileDialogHandler::ask(const FileDialogs::Request &request)
{
    QFileDialog dialog(QApplication::activeWindow(), request.caption, request.fileName);
    dialog.setAcceptMode(request.kind == FileDialogs::Kind::Save ? QFileDialog::AcceptSave
                                                                 : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.kind == FileDialogs::Kind::Save ? QFileDialog::AnyFile
                                                               : QFileDialog::ExistingFile);
    if (!request.filters.isEmpty()) {
        dialog.setNameFilters(request.filters);
        if (request.selectedFilter >= 0 && request.selectedFilter < request.filters.size())
            dialog.selectNameFilter(request.filters.at(request.selectedFilter));
    }
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);

    FileDialogs::Result result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return result;
    result.accepted = true;
    result.fileName = dialog.selectedFiles().constFirst();
    result.filterIndex = qMax(0, request.filters.indexOf(dialog.selectedNameFilter()));
    return result;
}

void installFileDialogs()
{
    static FileDialogHandler handler;
    FileDialogs::setHandler(&handler);
}

} // namespace brel
