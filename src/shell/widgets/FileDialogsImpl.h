#pragma once

#include "base/FileDialogs.h"

namespace brel {

/// Shows the program's open and save dialogs with QFileDialog.
class FileDialogHandler : public FileDialogs::Handler {
public:
    FileDialogs::Result ask(const FileDialogs::Request &request) override;
};

/// Installs FileDialogHandler for the rest of the run.
void installFileDialogs();

} // namespace brel
