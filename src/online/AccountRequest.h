#pragma once

#include "components/FtpClient.h"

#include <QString>
#include <QUrl>
#include <optional>

namespace brel {

/// The account service on the maker's server.
inline const QString AccountServicePath = QStringLiteral("/chs/data/CheckUser.asp");

/// The FTP account of a brokerage's shared archive, as the service hands it out.
struct SyncAccount {
    QString host;       ///< host name, or host:port
    QString user;
    QString password;
    QString remotePath; ///< the shared archive, absolute on the server
    /// The FTP settings for this account (port 21 unless the host names one).
    FtpAccount ftp() const;
};

/// The network passport of the working data file (WLTXZ of the settings
/// row); empty without one. Engine errors pass on.
QString ReadPassport();

/// The service address for passport, the passport percent-encoded.
QUrl AccountRequestUrl(const QString &passport);

/// A reply is a comma text of exactly four values (host, user, password,
/// remote path), none empty once spaces are trimmed; anything else gives
/// nullopt.
std::optional<SyncAccount> ParseAccountReply(const QString &body);

struct AccountAnswer {
    NetResult net;                      ///< the request itself
    std::optional<SyncAccount> account; ///< set when the reply was usable
};

/// Asks the account service for passport's account, waiting at most
/// timeoutMs (waiting is called meanwhile, see httpGet). Neither the
/// passport nor the password appears in a message.
AccountAnswer RequestAccount(const QString &passport, int timeoutMs, const std::function<void()> &waiting = {});

} // namespace brel
