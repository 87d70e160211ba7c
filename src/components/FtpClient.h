#pragma once

#include "components/HttpClient.h"

#include <QString>
#include <functional>
#include <memory>

namespace brel {

struct FtpAccount {
    QString host;
    QString user;
    QString password;
    int port = 21;
    /// Active mode (the server connects back) unless set; passive mode is
    /// the way through firewalls that refuse the server's connection.
    bool passive = false;
    /// How long the server may take to connect or to answer, and how long a
    /// transfer may stall, in milliseconds.
    int timeoutMs = 30000;
};

/// The settings value "FtpPassive": true when it holds 1 or true.
bool FtpPassiveModeSetting();

/// An FTP session through libcurl: one connection, logged in once and used
/// for every command until disconnect(). Remote paths are absolute, from
/// the root the server shows after login ("/share/branch.zip"). No result
/// ever holds the password.
class FtpClient {
public:
    explicit FtpClient(FtpAccount account);
    ~FtpClient();
    FtpClient(const FtpClient &) = delete;
    FtpClient &operator=(const FtpClient &) = delete;

    /// Called while data moves (bytes so far, bytes in all or 0 when
    /// unknown), and with (0, 0) now and then while any command waits for
    /// the server; returning false cancels the command.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    void setProgress(Progress progress) { m_progress = std::move(progress); }

    /// Connects and logs in.
    NetResult login();
    /// Fetches remotePath into localFile; an existing file (also a read-only
    /// one) is replaced only once the whole file has arrived.
    NetResult download(const QString &remotePath, const QString &localFile);
    /// Stores localFile as remotePath, replacing a file of that name.
    NetResult upload(const QString &localFile, const QString &remotePath);
    NetResult remove(const QString &remotePath);
    NetResult rename(const QString &from, const QString &to);
    /// Whether remotePath names a file; nullopt-like failures come back in result.
    bool exists(const QString &remotePath, NetResult *result = nullptr);

    /// The name a new copy of remotePath is uploaded under before it takes
    /// the place of the old one: ".~" in place of the first dot of the name
    /// (/share/branch.zip → /share/branch.~zip).
    static QString temporaryName(const QString &remotePath);
    /// Replaces remotePath by localFile so that a complete file stands on the
    /// server at every moment someone could read it: upload under the
    /// temporary name, delete the old file, rename the new one.
    NetResult replace(const QString &localFile, const QString &remotePath);
    /// After a replace that stopped between the delete and the rename: when
    /// remotePath is missing and its temporary copy exists, the rename is
    /// completed. Succeeds when nothing was left to do.
    NetResult finishReplace(const QString &remotePath);

    /// Ends the session (QUIT) and closes the connection.
    void disconnect();

private:
    struct Curl;
    NetResult perform(const QString &path, const std::function<void(void *curl)> &setup);

    FtpAccount m_account;
    std::unique_ptr<Curl> m_curl;
    Progress m_progress;
};

} // namespace brel
