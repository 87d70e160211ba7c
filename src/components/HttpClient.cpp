#include "components/HttpClient.h"

#include <QCoreApplication>

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace brel {

namespace {

size_t collect(char *data, size_t size, size_t count, void *target)
{
    static_cast<QByteArray *>(target)->append(data, qsizetype(size * count));
    return size * count;
}

int callWaiting(void *waiting, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    (*static_cast<std::function<void()> *>(waiting))();
    return 0;
}

NetError kindOf(CURLcode rc)
{
    switch (rc) {
    case CURLE_OK: return NetError::None;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_URL_MALFORMAT: return NetError::Host;
    case CURLE_COULDNT_CONNECT: return NetError::Connect;
    case CURLE_OPERATION_TIMEDOUT: return NetError::Timeout;
    case CURLE_ABORTED_BY_CALLBACK: return NetError::Cancelled;
    case CURLE_LOGIN_DENIED: return NetError::Login;
    case CURLE_HTTP_RETURNED_ERROR: return NetError::Refused;
    default: return NetError::Other;
    }
}

} // namespace

void detail::ensureCurlReady()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QString netErrorText(NetError error)
{
    const char *text = nullptr;
    switch (error) {
    case NetError::None: return {};
    case NetError::Host: text = QT_TRANSLATE_NOOP("brel::Net", "找不到服务器，请检查服务器地址。"); break;
    case NetError::Connect: text = QT_TRANSLATE_NOOP("brel::Net", "无法连接服务器。"); break;
    case NetError::Timeout: text = QT_TRANSLATE_NOOP("brel::Net", "连接服务器超时。"); break;
    case NetError::Cancelled: text = QT_TRANSLATE_NOOP("brel::Net", "传输已经被取消。"); break;
    case NetError::Login: text = QT_TRANSLATE_NOOP("brel::Net", "服务器拒绝了用户名或密码。"); break;
    case NetError::Refused: text = QT_TRANSLATE_NOOP("brel::Net", "服务器拒绝了请求。"); break;
    case NetError::Other: text = QT_TRANSLATE_NOOP("brel::Net", "网络传输失败。"); break;
    }
    return QCoreApplication::translate("brel::Net", text);
}

HttpReply httpGet(const QUrl &url, int timeoutMs, const std::function<void()> &waiting)
{
    detail::ensureCurlReady();
    HttpReply reply;
    std::unique_ptr<CURL, void (*)(CURL *)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        reply.error = NetError::Other;
        reply.message = netErrorText(reply.error);
        return reply;
    }
    const QByteArray address = url.toEncoded();
    curl_easy_setopt(curl.get(), CURLOPT_URL, address.constData());
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, long(timeoutMs));
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, 5L);
    // A proxy of the environment never stands between the program and this machine.
    curl_easy_setopt(curl.get(), CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &reply.body);
    if (waiting) {
        curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, &callWaiting);
        curl_easy_setopt(curl.get(), CURLOPT_XFERINFODATA, const_cast<std::function<void()> *>(&waiting));
    }
    const CURLcode rc = curl_easy_perform(curl.get());
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &reply.status);
    reply.code = int(rc);
    reply.error = kindOf(rc);
    // libcurl reports a 404 as a completed transfer: the status says otherwise.
    if (reply.ok() && (reply.status < 200 || reply.status > 299))
        reply.error = NetError::Refused;
    if (!reply.ok()) {
        reply.body.clear();
        reply.message = netErrorText(reply.error);
    }
    return reply;
}

} // namespace brel
