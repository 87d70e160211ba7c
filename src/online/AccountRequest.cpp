#include "online/AccountRequest.h"

#include "datastore/CommaText.h"
#include "datastore/DataModule.h"
#include "online/MakerSite.h"


namespace brel {

FtpAccount SyncAccount::ftp() const
{
    FtpAccount a;
    a.host = host;
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const int port = colon > 0 ? host.mid(colon + 1).toInt(&ok) : 0;
    if (ok && port > 0 && port < 65536) {
        a.host = host.left(colon);
        a.port = port;
    }
    a.user = user;
    a.password = password;
    a.passive = FtpPassiveModeSetting();
    return a;
}

QString ReadPassport()
{
    TDM *dm = DM();
    if (!dm)
        return {};
    return dm->GetValue(Sql(QStringLiteral("SELECT WLTXZ FROM TbSetings WHERE Id=1")), QStringLiteral("WLTXZ"));
}

QUrl AccountRequestUrl(const QString &passport)
{
    QUrl url = MakerSite::page(AccountServicePath);
    // Fully encoded: a passport holding "&", "=" or a space stays one value.
    url.setQuery(QStringLiteral("Passport=") + QString::fromLatin1(QUrl::toPercentEncoding(passport)), QUrl::StrictMode);
    return url;
}

std::optional<SyncAccount> ParseAccountReply(const QString &body)
{
    const QStringList values = readCommaText(body);
    if (values.size() != 4)
        return std::nullopt;
    QStringList trimmed;
    for (const QString &v : values) {
        if (v.trimmed().isEmpty())
            return std::nullopt;
        trimmed << v.trimmed();
    }
    return SyncAccount{trimmed[0], trimmed[1], trimmed[2], trimmed[3]};
}

AccountAnswer RequestAccount(const QString &passport, int timeoutMs, const std::function<void()> &waiting)
{
    AccountAnswer answer;
    const HttpReply reply = httpGet(AccountRequestUrl(passport), timeoutMs, waiting);
    answer.net = reply;
    if (reply.ok())
        answer.account = ParseAccountReply(QString::fromUtf8(reply.body));
    return answer;
}

} // namespace brel
