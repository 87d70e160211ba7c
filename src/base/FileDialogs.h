#pragma once

#include <QString>
#include <QStringList>

/// Every open and save dialog of the program goes through here, like the
/// message boxes: the window layer installs a handler that shows real
/// dialogs (shell/widgets/FileDialogsImpl), tests install a recorder that
/// answers from a script.
namespace brel::FileDialogs {

enum class Kind { Open, Save };

struct Request {
    Kind kind = Kind::Open;
    QString caption;
    /// Proposed file (with folder) or just a folder.
    QString fileName;
    /// One entry per file type, e.g. "Excel 文件 (*.xlsx)".
    QStringList filters;
    int selectedFilter = 0;
    /// Appended when the typed name has no suffix, without the dot ("xlsx").
    QString defaultSuffix;
    /// Save dialogs ask before replacing an existing file.
    bool confirmOverwrite = true;
};

struct Result {
    bool accepted = false;
    QString fileName;
    int filterIndex = 0; ///< index into Request::filters of the chosen type
};

class Handler {
public:
    virtual ~Handler() = default;
    virtual Result ask(const Request &request) = 0;
};

/// Installs a handler (nullptr = none: every dialog is cancelled); returns the previous one.
Handler *setHandler(Handler *handler);
Handler *handler();

Result ask(const Request &request);
/// Shortcuts; an empty text means cancelled.
QString getOpenFileName(const QString &caption, const QString &folder, const QStringList &filters = {});
QString getSaveFileName(const QString &caption, const QString &proposed, const QStringList &filters = {},
                        const QString &defaultSuffix = {});

} // namespace brel::FileDialogs
