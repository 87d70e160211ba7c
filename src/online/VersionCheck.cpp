#include "online/VersionCheck.h"

#include "base/Messages.h"
#include "components/HttpClient.h"
#include "datastore/DataModule.h"
#include "online/MakerSite.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QCursor>
#include <QGuiApplication>

namespace brel {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("brel::VersionCheck", text);
}

QString withoutTrailingBreaks(QString text)
{
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

/// The wait cursor for as long as the blocking request runs.
struct BusyCursor {
    BusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
};

} // namespace

VersionVerdict CompareVersions(const QString &local, const QString &remoteBody)
{
    const QString remote = withoutTrailingBreaks(remoteBody);
    if (remote == local)
        return {VersionVerdict::UpToDate, {}};
    // "Build" goes; the rest is the number.
    return {VersionVerdict::Newer, remote.mid(5)};
}

QString LocalVersion()
{
    TDM *dm = DM();
    if (!dm)
        return {};
    return dm->GetValue(Sql(QStringLiteral("SELECT BBH FROM TbVersion")), QStringLiteral("BBH"));
}

void CheckLatestVersion()
{
    const QString local = LocalVersion();
    HttpReply reply;
    {
        BusyCursor busy;
        reply = httpGet(MakerSite::page(VersionFilePath), MakerSite::timeoutMs());
    }
    if (!reply.ok()) {
        Messages::information(tr("请检查您的电脑是否已经上网，然后再使用此功能。"));
        return;
    }
    const VersionVerdict verdict = CompareVersions(local, QString::fromUtf8(reply.body));
    if (verdict.outcome == VersionVerdict::UpToDate) {
        Messages::information(tr("您已经使用的是最新版软件。"));
        return;
    }
    if (Messages::confirm(tr("目前软件的最新版为%1，现在是否立即下载？").arg(verdict.number), Messages::Icon::Information))
        QDesktopServices::openUrl(MakerSite::page(DownloadPagePath));
}

void OpenHomePage()
{
    QDesktopServices::openUrl(MakerSite::page(QStringLiteral("/")));
}

} // namespace brel
