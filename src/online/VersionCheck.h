#pragma once

#include <QString>
#include <QUrl>

namespace brel {

/// Where the version file and the download page lie on the maker's server.
inline const QString VersionFilePath = QStringLiteral("/chs/data/Brelvanto.txt");
inline const QString DownloadPagePath = QStringLiteral("/chs/download.htm");

/// What the comparison of the local version with the server's says.
struct VersionVerdict {
    enum Outcome { Offline, UpToDate, Newer };
    Outcome outcome = Offline;
    /// The server's version number ("1.06" of "Build1.06") when newer.
    QString number;
};

/// Compares the local version text with the body of the server's version
/// file. Line breaks at the end of the body do not count: a file saved with
/// one holds the same version.
VersionVerdict CompareVersions(const QString &local, const QString &remoteBody);

/// The version the working data file records (first BBH of TbVersion;
/// empty without a row). Engine errors pass on.
QString LocalVersion();

/// 检查是否有新版软件: asks the server for the newest version and offers the
/// download page when it differs. Network failures end in the one message.
void CheckLatestVersion();
/// Maker's home page: the root of its server, in the default browser.
void OpenHomePage();

} // namespace brel
