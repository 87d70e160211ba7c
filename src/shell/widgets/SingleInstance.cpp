#include "shell/widgets/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLockFile>
#include <QStandardPaths>

namespace brel {

SingleInstance::SingleInstance() = default;

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

QString SingleInstance::runtimeFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

QString SingleInstance::serverName()
{
    // A full path keeps the name per user (a bare name would live in the shared /tmp).
    return QDir(runtimeFolder()).filePath(QStringLiteral("Brelvanto"));
}

bool SingleInstance::acquire()
{
    QDir().mkpath(runtimeFolder());
    m_lock = std::make_unique<QLockFile>(QDir(runtimeFolder()).filePath(QStringLiteral("Brelvanto.lock")));
    // Only a lock whose process is gone counts as stale, however old it is.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    // Holding the lock proves no other instance runs, so a socket still
    // there is from a crashed run.
    QLocalServer::removeServer(serverName());
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->listen(serverName());
    return true;
}

} // namespace brel
