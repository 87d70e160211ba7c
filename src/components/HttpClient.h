#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>

namespace brel {

/// Why a network request failed, as the windows tell the user.
enum class NetError {
    None,
    Host,      ///< the host name does not resolve
    Connect,   ///< nobody answers on the host's port
    Timeout,   ///< the time allowed ran out
    Cancelled, ///< stopped by the program or the user
    Login,     ///< the server refused the user or the password
    Refused,   ///< the server answered with an error (HTTP 4xx/5xx, an FTP command failed)
    Other      ///< anything else (a broken connection, a local file error)
};

/// The outcome of one request. The message never holds a password or an
/// address with one: it is made from the kind of failure, not from the
/// library's error text.
struct NetResult {
    NetError error = NetError::None;
    long status = 0;        ///< HTTP status or last FTP reply code; 0 without one
    int code = 0;           ///< the library's own code, for the message
    QString message;        ///< Chinese, for the user; empty on success
    bool ok() const { return error == NetError::None; }
};

struct HttpReply : NetResult {
    QByteArray body;
};

/// One HTTP GET through libcurl, waiting at most timeoutMs for the whole
/// exchange. A status outside 200..299 is a failure (NetError::Refused),
/// so a missing page is never taken for its content.
/// waiting, when given, is called now and then until the reply is in (a
/// window repaints in it); it cannot stop the request.
HttpReply httpGet(const QUrl &url, int timeoutMs, const std::function<void()> &waiting = {});

/// The Chinese message of a failure kind (empty for None).
QString netErrorText(NetError error);

namespace detail {
/// curl_global_init once per program, before the first handle is made.
void ensureCurlReady();
}

} // namespace brel
