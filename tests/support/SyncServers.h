#pragma once

// The two servers a synchronisation talks to, on 127.0.0.1: the account
// service (answers every request with the reply file) and an FTP server
// whose root is a folder of the test. The program finds the service
// through the maker-site variable.

#include "online/MakerSite.h"
#include "support/PythonServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace brel::test {

class SyncServers {
public:
    /// The FTP account the service hands out unless told otherwise.
    static inline const QString FtpUser = QStringLiteral("branch");
    static inline const QString FtpPassword = QStringLiteral("ftp-secret-7");
    static inline const QString RemotePath = QStringLiteral("/share/branch.zip");

    ~SyncServers() { stop(); }

    /// Starts both servers on folders under root.
    bool start(const QString &root)
    {
        m_root = root;
        QDir(root).mkpath(QStringLiteral("ftp/share"));
        QDir(root).mkpath(QStringLiteral("control"));
        if (!m_ftp.start(FtpServerScript, {ftpRoot(), FtpUser, FtpPassword, controlFolder()}))
            return false;
        if (!m_service.start(HttpReplyScript, {replyFile(), root + QStringLiteral("/requests")}))
            return false;
        pointAtService();
        replyAccount();
        return true;
    }

    void stop()
    {
        m_ftp.stop();
        m_service.stop();
        qunsetenv(MakerSite::AddressVariable);
    }

    /// The program asks this service (again, after a test pointed it elsewhere).
    void pointAtService() { qputenv(MakerSite::AddressVariable, m_service.base().toUtf8()); }

    /// The service's next replies.
    void reply(const QByteArray &body)
    {
        QFile f(replyFile());
        if (f.open(QIODevice::WriteOnly))
            f.write(body);
    }
    /// A usable reply for this FTP server.
    void replyAccount(const QString &password = FtpPassword, const QString &remote = RemotePath)
    {
        reply(QStringLiteral("127.0.0.1:%1,%2,%3,%4").arg(m_ftp.port()).arg(FtpUser, password, remote).toUtf8());
    }

    /// While set, the FTP server drops the connection on command ("STOR", "RNTO").
    void dropOn(const QString &command, bool drop)
    {
        const QString flag = controlFolder() + QStringLiteral("/drop-on-") + command;
        if (drop) {
            QFile f(flag);
            f.open(QIODevice::WriteOnly);
        } else {
            QFile::remove(flag);
        }
    }

    QString ftpRoot() const { return m_root + QStringLiteral("/ftp"); }
    /// Where a remote path lies on this machine.
    QString local(const QString &remote) const { return ftpRoot() + remote; }
    /// The files on the server, as remote paths, sorted.
    QStringList remoteFiles() const
    {
        QStringList out;
        const QDir share(ftpRoot() + QStringLiteral("/share"));
        for (const QString &name : share.entryList(QDir::Files, QDir::Name))
            out << QStringLiteral("/share/") + name;
        return out;
    }
    int ftpPort() const { return m_ftp.port(); }

    /// Unpacks the shared archive with the unzip tool into folder; the path
    /// of the data file in it, empty when unzip refused.
    QString unzipArchive(const QString &remote, const QString &password, const QString &folder) const
    {
        QDir().mkpath(folder);
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-o"), QStringLiteral("-P"), password, local(remote),
                                              QStringLiteral("-d"), folder});
        if (!unzip.waitForFinished(30000) || unzip.exitCode() != 0)
            return QString();
        return folder + QStringLiteral("/Temp.mdb");
    }

private:
    QString replyFile() const { return m_root + QStringLiteral("/reply"); }
    QString controlFolder() const { return m_root + QStringLiteral("/control"); }

    QString m_root;
    PythonServer m_ftp;
    PythonServer m_service;
};

} // namespace brel::test
