#include "online/SyncWorkingFile.h"

#include "components/FtpClient.h"
#include "components/ZipArchive.h"
#include "datastore/DataFiles.h"
#include "datastore/DataModule.h"
#include "datastore/Schema.h"
#include "online/MakerSite.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace brel {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("brel::Sync", text); }

QString networkAdvice() { return tr("请检查您的电脑是否已经上网，然后再使用此功能。"); }

/// The status line after a failed network step.
QString statusOf(const NetResult &net, bool accountService)
{
    switch (net.error) {
    case NetError::Host: return tr("错误的信息服务器！");
    case NetError::Timeout: return tr("同步信息超时！");
    case NetError::Cancelled: return tr("同步信息已经被取消！");
    default: return accountService ? tr("连接信息服务器失败！") : tr("同步失败！");
    }
}

/// One run: the events it reports and the outcome it builds.
class Run {
public:
    explicit Run(const SyncEvents &events) : m_events(events) {}

    void status(const QString &text)
    {
        m_outcome.status = text;
        if (m_events.status)
            m_events.status(text);
        // A new text is shown at once.
        m_lastCall.invalidate();
        working();
    }
    void working()
    {
        // The transfers report many times a second: a repaint now and then is enough.
        if (!m_events.working || (m_lastCall.isValid() && m_lastCall.elapsed() < 40))
            return;
        m_lastCall.start();
        m_events.working();
    }
    SyncOutcome fail(const QString &statusText, const QString &message)
    {
        status(statusText);
        m_outcome.ok = false;
        m_outcome.message = message;
        return m_outcome;
    }
    SyncOutcome netFail(const NetResult &net, bool accountService)
    {
        return fail(statusOf(net, accountService), networkAdvice());
    }
    /// Progress of the FTP client: counts the bytes of the transfer under way.
    FtpClient::Progress transferProgress(qint64 *bytes)
    {
        return [this, bytes](qint64 done, qint64) {
            if (done > 0 && done != *bytes) {
                *bytes = done;
                if (m_events.transferred)
                    m_events.transferred(done);
            }
            working();
            return true;
        };
    }
    void startTransfer(const QString &text)
    {
        status(text);
        if (m_events.transferred)
            m_events.transferred(0);
    }

    SyncOutcome &outcome() { return m_outcome; }

private:
    const SyncEvents &m_events;
    SyncOutcome m_outcome;
    QElapsedTimer m_lastCall;
};

/// A shared copy for a server that has none: the working file's tables,
/// empty, so the exchange fills it with every shared row and nothing of
/// this branch's own (its settings, its log).
void makeFirstCopy(const QString &path)
{
    Database copy;
    copy.create(path, TDM::Password);
    Schema::createAll(copy);
    copy.close();
}

void removeWorkFiles()
{
    for (const QString &f : {SyncArchivePath(), SyncCopyPath()}) {
        QFile::setPermissions(f, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(f);
    }
}

} // namespace

QString SyncArchivePath()
{
    return DataFolder() + QStringLiteral("/Temp.zip");
}

QString SyncCopyPath()
{
    return DataFolder() + QLatin1Char('/') + SyncEntryName;
}

SyncOutcome SyncWorkingFile(const SyncEvents &events)
{
    Run run(events);
    QString passport;
    try {
        passport = ReadPassport().trimmed();
    } catch (const EngineError &e) {
        return run.fail(tr("同步失败！"), e.message());
    }
    // The passport is also the archive's password: without one there is
    // neither an account nor a way to open the shared copy.
    if (passport.isEmpty())
        return run.fail(tr("没有网络通行证，同步已停止。"),
                        tr("本数据文件没有设置网络通行证，不能同步数据。请向软件供应商索取网络通行证。"));
    run.status(tr("正在连接信息服务器..."));
    const AccountAnswer answer = RequestAccount(passport, MakerSite::timeoutMs(), [&run] { run.working(); });
    if (!answer.net.ok())
        return run.netFail(answer.net, true);
    run.status(tr("成功连接信息服务器"));
    if (!answer.account)
        return run.fail(tr("信息服务器没有给出可用的同步帐号，同步已停止。"), QString());
    return SynchroniseThrough(*answer.account, passport, events);
}

SyncOutcome SynchroniseThrough(const SyncAccount &account, const QString &passport, const SyncEvents &events)
{
    Run run(events);
    TDM *dm = DM();
    if (!dm || !dm->DbBase)
        return run.fail(tr("同步失败！"), tr("没有打开数据文件。"));
    if (!QDir().mkpath(DataFolder()))
        return run.fail(tr("同步失败！"), tr("无法建立文件夹“%1”。").arg(QDir::toNativeSeparators(DataFolder())));
    const QString archive = SyncArchivePath();
    const QString copy = SyncCopyPath();
    SyncOutcome &outcome = run.outcome();

    run.status(tr("正在连接同步服务器..."));
    FtpClient ftp(account.ftp());
    ftp.setProgress(run.transferProgress(&outcome.bytesReceived));
    NetResult net = ftp.login();
    if (!net.ok())
        return run.netFail(net, false);
    // A run that stopped between removing the old archive and renaming the
    // new one left the complete new archive under the temporary name.
    net = ftp.finishReplace(account.remotePath);
    if (!net.ok())
        return run.netFail(net, false);
    const bool onServer = ftp.exists(account.remotePath, &net);
    if (!net.ok())
        return run.netFail(net, false);

    // Work files of a failed run are replaced, read-only ones too.
    removeWorkFiles();
    if (onServer) {
        run.startTransfer(tr("开始同步服务器数据..."));
        net = ftp.download(account.remotePath, archive);
        if (!net.ok())
            return run.netFail(net, false);
        const ZipResult unzipped = ZipArchive::extractEntry(archive, SyncEntryName, copy, passport);
        if (!unzipped.ok())
            return run.fail(tr("同步失败！"), unzipped.message);
    } else {
        outcome.firstArchive = true;
        try {
            makeFirstCopy(copy);
        } catch (const EngineError &e) {
            QFile::remove(copy);
            return run.fail(tr("同步失败！"), e.message());
        }
    }

    run.status(tr("正在交换数据..."));
    // Every open result of the program closes with the connection: rows
    // renumbered or removed by the exchange are not shown as they were.
    dm->DbBase->close();
    try {
        outcome.exchanged = Synchronise(*dm->DbBase, copy, TDM::Password, [&run] { run.working(); });
    } catch (const EngineError &e) {
        // Nothing is sent: the shared archive on the server stays as it was,
        // and the program goes on with the working file as it was.
        try {
            dm->DbBase->ensureOpen();
        } catch (const EngineError &) {
            // The next statement of the program says what is wrong with it.
        }
        return run.fail(tr("同步失败！"), e.message());
    }

    if (!outcome.exchanged.sharedChanged) {
        // The copy on the server already holds everything: nothing to send.
        ftp.disconnect();
        removeWorkFiles();
        outcome.ok = true;
        run.status(tr("同步信息成功！"));
        return outcome;
    }
    // A data file's pages are encrypted and do not shrink: compressing them
    // would only cost time at both ends.
    const ZipResult packed = ZipArchive::replaceEntry(archive, SyncEntryName, copy, passport, ZipArchive::Packing::Store);
    if (!packed.ok())
        return run.fail(tr("同步失败！"), packed.message);
    run.startTransfer(tr("开始同步服务器数据..."));
    ftp.setProgress(run.transferProgress(&outcome.bytesSent));
    net = ftp.replace(archive, account.remotePath);
    if (!net.ok())
        return run.netFail(net, false);
    ftp.disconnect();
    removeWorkFiles();
    outcome.ok = true;
    run.status(tr("同步信息成功！"));
    return outcome;
}

} // namespace brel
