#pragma once

#include "datastore/Replica.h"
#include "online/AccountRequest.h"

#include <QString>
#include <functional>

namespace brel {

/// What the window running a synchronisation hears while it runs. Every
/// member may be left unset.
struct SyncEvents {
    /// A new text for the status line.
    std::function<void(const QString &text)> status;
    /// Bytes moved so far by the transfer under way (0 when one starts).
    std::function<void(qint64 bytes)> transferred;
    /// Called now and then while the run waits or works, so a window can
    /// repaint; it must not use the working file.
    std::function<void()> working;
};

/// How a synchronisation ended.
struct SyncOutcome {
    bool ok = false;
    QString status;  ///< the last text of the status line
    QString message; ///< for a message box after a failure; empty when none is due
    SyncResult exchanged;
    /// The server held no shared archive yet: this file's copy became it.
    bool firstArchive = false;
    qint64 bytesReceived = 0;
    qint64 bytesSent = 0;
};

/// The local work files, in the program's Data folder.
QString SyncArchivePath();
QString SyncCopyPath();
/// The name of the only entry of the shared archive.
inline const QString SyncEntryName = QStringLiteral("Temp.mdb");

/// Synchronises the working data file with the shared archive of the
/// brokerage: the account comes from the account service for the file's
/// network passport; then SynchroniseThrough.
SyncOutcome SyncWorkingFile(const SyncEvents &events = {});

/// Synchronises the working data file with the shared archive of account:
/// fetch it (completing a replace an earlier run left half done), open it
/// with passport, exchange the changes of both sides, pack and put it back
/// so that a complete archive stands on the server at every moment. A
/// server without an archive receives one made from the working file. The
/// first failure ends the run: after a failed exchange nothing is sent and
/// the working file is as it was. The work files are removed after a
/// successful run.
SyncOutcome SynchroniseThrough(const SyncAccount &account, const QString &passport, const SyncEvents &events = {});

} // namespace brel
