#include "components/FtpClient.h"

#include "components/SettingsStore.h"
#include "datastore/Globalvar.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QUrl>

#include <curl/curl.h>

namespace brel {

struct FtpClient::Curl {
    CURL *handle = nullptr;
    ~Curl()
    {
        if (handle)
            curl_easy_cleanup(handle);
    }
};

namespace {

struct Transfer {
    QIODevice *device = nullptr;
    bool failed = false; ///< the local file could not be read or written
    const FtpClient::Progress *progress = nullptr;
};

size_t writeData(char *data, size_t size, size_t count, void *target)
{
    auto *t = static_cast<Transfer *>(target);
    const qint64 n = qint64(size * count);
    if (t->device->write(data, n) != n) {
        t->failed = true;
        return 0;
    }
    return size * count;
}

size_t readData(char *data, size_t size, size_t count, void *source)
{
    auto *t = static_cast<Transfer *>(source);
    const qint64 n = t->device->read(data, qint64(size * count));
    if (n < 0) {
        t->failed = true;
        return CURL_READFUNC_ABORT;
    }
    return size_t(n);
}

int progressOf(void *transfer, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal, curl_off_t ulNow)
{
    auto *t = static_cast<Transfer *>(transfer);
    if (!t->progress || !*t->progress)
        return 0;
    const bool upload = ulTotal > 0 || ulNow > 0;
    return (*t->progress)(upload ? ulNow : dlNow, upload ? ulTotal : dlTotal) ? 0 : 1;
}

NetError ftpKind(CURLcode rc)
{
    switch (rc) {
    case CURLE_OK: return NetError::None;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_URL_MALFORMAT: return NetError::Host;
    case CURLE_COULDNT_CONNECT:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT: return NetError::Connect;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT: return NetError::Timeout;
    case CURLE_ABORTED_BY_CALLBACK: return NetError::Cancelled;
    case CURLE_LOGIN_DENIED: return NetError::Login;
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_QUOTE_ERROR:
    case CURLE_UPLOAD_FAILED:
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_FTP_COULDNT_RETR_FILE: return NetError::Refused;
    default: return NetError::Other;
    }
}

/// A failure of the local side of a transfer; text names the file with %1.
NetResult localFailure(const char *text, const QString &file)
{
    NetResult result;
    result.error = NetError::Other;
    result.message = QCoreApplication::translate("brel::Net", text).arg(QDir::toNativeSeparators(file));
    return result;
}

const char *const CannotWrite = QT_TRANSLATE_NOOP("brel::Net", "无法写入文件“%1”。");
const char *const CannotRead = QT_TRANSLATE_NOOP("brel::Net", "无法读取文件“%1”。");

void reportProgress(CURL *curl, Transfer *transfer)
{
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &progressOf);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, transfer);
}

/// The path as the protocol carries it in a command: UTF-8, absolute.
QByteArray commandPath(const QString &path)
{
    return (path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path).toUtf8();
}

} // namespace

bool FtpPassiveModeSetting()
{
    const QString value = openSettings()->value(settingsKey(QStringLiteral("FtpPassive"))).toString().trimmed();
    return value == QLatin1String("1") || value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

FtpClient::FtpClient(FtpAccount account) : m_account(std::move(account)) {}

FtpClient::~FtpClient() = default;

void FtpClient::disconnect()
{
    m_curl.reset();
}

QString FtpClient::temporaryName(const QString &remotePath)
{
    return BackupName(remotePath);
}

NetResult FtpClient::perform(const QString &path, const std::function<void(void *curl)> &setup)
{
    detail::ensureCurlReady();
    NetResult result;
    if (!m_curl) {
        m_curl = std::make_unique<Curl>();
        m_curl->handle = curl_easy_init();
    }
    CURL *curl = m_curl->handle;
    if (!curl) {
        m_curl.reset();
        result.error = NetError::Other;
        result.message = netErrorText(result.error);
        return result;
    }
    // Every option is set again for each command: the handle keeps only the
    // connection (and the login) from one command to the next.
    curl_easy_reset(curl);
    QUrl url;
    url.setScheme(QStringLiteral("ftp"));
    url.setHost(m_account.host);
    url.setPort(m_account.port);
    url.setPath(path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path);
    const QByteArray address = url.toEncoded();
    const QByteArray user = m_account.user.toUtf8();
    const QByteArray password = m_account.password.toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    // Absolute paths from the root: one CWD-free command per request.
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
    if (!m_account.passive)
        curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
    const long timeout = m_account.timeoutMs;
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeout);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, std::max(1L, timeout / 1000));
    curl_easy_setopt(curl, CURLOPT_ACCEPTTIMEOUT_MS, timeout);
    // A transfer that moves nothing for the whole time-out is given up.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, std::max(1L, timeout / 1000));
    // Commands without data report too, so a window waiting on a slow server
    // still repaints; a transfer puts its own counting in place of this.
    Transfer waiting{nullptr, false, &m_progress};
    if (m_progress)
        reportProgress(curl, &waiting);
    setup(curl);
    const CURLcode rc = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
    result.code = int(rc);
    result.error = ftpKind(rc);
    if (!result.ok()) {
        result.message = netErrorText(result.error);
        // A broken session is not reused: the next command connects afresh.
        if (result.error != NetError::Refused)
            m_curl.reset();
    }
    return result;
}

NetResult FtpClient::login()
{
    return perform(QStringLiteral("/"), [](void *curl) { curl_easy_setopt(curl, CURLOPT_NOBODY, 1L); });
}

NetResult FtpClient::download(const QString &remotePath, const QString &localFile)
{
    // Written beside and renamed over: a read-only file in the way is replaced too.
    QSaveFile file(localFile);
    if (!file.open(QIODevice::WriteOnly))
        return localFailure(CannotWrite, localFile);
    Transfer transfer{&file, false, &m_progress};
    NetResult result = perform(remotePath, [&](void *curl) {
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &writeData);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
        reportProgress(curl, &transfer);
    });
    if (result.ok() && !transfer.failed && file.commit())
        return result;
    file.cancelWriting();
    if (result.ok() || transfer.failed)
        return localFailure(CannotWrite, localFile);
    return result;
}

NetResult FtpClient::upload(const QString &localFile, const QString &remotePath)
{
    QFile file(localFile);
    if (!file.open(QIODevice::ReadOnly))
        return localFailure(CannotRead, localFile);
    Transfer transfer{&file, false, &m_progress};
    NetResult result = perform(remotePath, [&](void *curl) {
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl, CURLOPT_READFUNCTION, &readData);
        curl_easy_setopt(curl, CURLOPT_READDATA, &transfer);
        curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(file.size()));
        reportProgress(curl, &transfer);
    });
    return transfer.failed ? localFailure(CannotRead, localFile) : result;
}

namespace {

/// Runs FTP commands without a transfer. QUOTE commands run before curl
/// looks at the URL's folder, so they carry absolute paths.
struct Commands {
    curl_slist *list = nullptr;
    explicit Commands(const QList<QByteArray> &commands)
    {
        for (const QByteArray &c : commands)
            list = curl_slist_append(list, c.constData());
    }
    ~Commands() { curl_slist_free_all(list); }
};

} // namespace

NetResult FtpClient::remove(const QString &remotePath)
{
    Commands commands({"DELE " + commandPath(remotePath)});
    return perform(QStringLiteral("/"), [&](void *curl) {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(curl, CURLOPT_QUOTE, commands.list);
    });
}

NetResult FtpClient::rename(const QString &from, const QString &to)
{
    Commands commands({"RNFR " + commandPath(from), "RNTO " + commandPath(to)});
    return perform(QStringLiteral("/"), [&](void *curl) {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(curl, CURLOPT_QUOTE, commands.list);
    });
}

bool FtpClient::exists(const QString &remotePath, NetResult *result)
{
    // SIZE answers 550 for a missing file (and for a folder); some servers
    // answer so in text mode too, hence binary mode first.
    Commands commands({"TYPE I", "SIZE " + commandPath(remotePath)});
    const NetResult r = perform(QStringLiteral("/"), [&](void *curl) {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(curl, CURLOPT_QUOTE, commands.list);
    });
    const bool missing = r.error == NetError::Refused && r.status == 550;
    if (result)
        *result = missing ? NetResult() : r;
    return r.ok();
}

NetResult FtpClient::replace(const QString &localFile, const QString &remotePath)
{
    const QString temporary = temporaryName(remotePath);
    NetResult r = upload(localFile, temporary);
    if (!r.ok())
        return r;
    NetResult check;
    if (exists(remotePath, &check)) {
        r = remove(remotePath);
        if (!r.ok())
            return r;
    } else if (!check.ok()) {
        return check;
    }
    return rename(temporary, remotePath);
}

NetResult FtpClient::finishReplace(const QString &remotePath)
{
    NetResult check;
    if (exists(remotePath, &check) || !check.ok())
        return check;
    const QString temporary = temporaryName(remotePath);
    if (!exists(temporary, &check))
        return check;
    return rename(temporary, remotePath);
}

} // namespace brel
