#pragma once

#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

namespace brel {

/// One running program per user and desktop. The first instance holds a lock
/// file and a local server named "Brelvanto" in the user's runtime folder; a
/// second start finds the lock taken and ends. A lock or socket left behind
/// by a crashed run is recognised (its process is gone) and taken over.
class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();

    /// True when this process is now the one instance; false when another
    /// instance runs.
    bool acquire();

    /// The folder of the lock and the server socket.
    static QString runtimeFolder();
    /// Full name of the local server (a socket path in runtimeFolder()).
    static QString serverName();

private:
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace brel
